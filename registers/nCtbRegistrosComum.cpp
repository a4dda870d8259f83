#include "registers/nCtbRegistrosComum.h"

#include "framework/app/TnDMClientDataSet.h"

namespace nCtbRegistrosComum {

TField& CriarCampoEmpresa(TnClientDataSet& cds, bool obrigatorio) {
  TnDMClientDataSet::RegistrarDicionarioLookup("EMPRESA",
                                               {"EMPRESA", "CODIGOEMPRESA", "NOMEEMPRESA"});
  TField& empresa = cds.AddField("CODIGOEMPRESA", TFieldType::ftSmallint, 0, obrigatorio);
  empresa.SetVisible(false);
  TnFieldDefinicao& definicao = empresa.GetDefinicao();
  definicao.SetDicionarioLookup("EMPRESA");
  definicao.SetPropriedade("LinkLookupDescShowFields", "NomeEmpresa");
  definicao.SetPropriedade("ValidarLookup", Value(true));
  definicao.SetPropriedade("MensagemLookup", "Código da empresa inválido!");
  return empresa;
}

void LigarLctoCtb(TField& field) {
  TnDMClientDataSet::RegistrarDicionarioLookup(
      "LCTOCTB", {"LCTOCTB", "CODIGOEMPRESA;CHAVELCTOCTB", "COMPLHIST"});
  TnFieldDefinicao& definicao = field.GetDefinicao();
  definicao.SetDicionarioLookup("LCTOCTB");
  definicao.SetLinkFields("CodigoEmpresa;ChaveLctoCtb");
  definicao.SetPropriedade("ValidarLookup", Value(true));
}

}  // namespace nCtbRegistrosComum
