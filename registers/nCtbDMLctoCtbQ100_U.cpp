#include "registers/nCtbDMLctoCtbQ100_U.h"

#include <fmt/format.h>

#include <tuple>

#include "framework/core/Nutil.h"
#include "framework/ctb/TnCodigoParticipanteSugestao.h"
#include "framework/db/NutilSql.h"
#include "registers/nCtbRegistrosComum.h"

namespace {

constexpr const char* kCaption = "Lançamento Contábil - Registro Q100";
constexpr int kLarguraPessoa = 18;

}  // namespace

TnCtbDMLctoCtbQ100::TnCtbDMLctoCtbQ100() {
  SetSelectText(
      "Select t_t.CODIGOEMPRESA,t_t.CHAVELCTOCTB,t_t.CODIGOIMOVEL,t_t.ORIGEMRECURSO,"
      "t_t.CODIGOCONTABANCARIA,t_t.TIPODOCUMENTO,t_t.TIPOLANCAMENTO,t_t.CODIGOPESSOA from "
      "LCTOCTBQ100 t_t ORDER BY t_t.CODIGOEMPRESA,t_t.CHAVELCTOCTB");
  RegistrarDicionarioLookup("CODIGOCONTABANCARIA",
                            {"CONTABANCARIA", "CODIGOCONTABANCARIA", "NOMEBANCO"});
  using T = TFieldType;
  TnClientDataSet& cds = nClientDataSet;
  nCtbRegistrosComum::CriarCampoEmpresa(cds, true);
  TField& chave = cds.AddField("CHAVELCTOCTB", T::ftInteger, 0, true);
  chave.SetVisible(false);
  nCtbRegistrosComum::LigarLctoCtb(chave);
  TField& imovel = cds.AddField("CODIGOIMOVEL", T::ftInteger, 0, true);
  imovel.SetDisplayLabel("Código do imóvel");
  imovel.GetDefinicao().SetDicionarioLookup("CODIGOIMOVELRURAL");
  imovel.GetDefinicao().SetAutoIncremento(true);
  TField& origem = cds.AddField("ORIGEMRECURSO", T::ftString, 3, true);
  origem.SetDisplayLabel("Origem do Recurso");
  origem.GetDefinicao().SetDicionarioLookup("ORIGEMRECURSOQ100");
  origem.OnChange = [this](TField& field) { ChecarConfigurarCampo(field); };
  TField& banco = cds.AddField("CODIGOCONTABANCARIA", T::ftLargeint);
  banco.GetDefinicao().SetPropriedade("LinkLookupDescShowFields", "NOMEBANCO");
  banco.GetDefinicao().SetPropriedade("ValidarLookup", Value(true));
  for (const auto& [nome, rotulo, dicionario] :
       {std::tuple{"TIPODOCUMENTO", "Tipo Documento", "TIPODOCUMENTOQ100"},
        std::tuple{"TIPOLANCAMENTO", "Tipo Lançamento", "TIPOLANCAMENTOQ100"}}) {
    TField& tipo = cds.AddField(nome, T::ftSmallint, 0, true);
    tipo.SetDisplayLabel(rotulo);
    tipo.GetDefinicao().SetDicionarioLookup(dicionario);
  }
  TField& pessoa = cds.AddField("CODIGOPESSOA", T::ftInteger, 0, true);
  pessoa.SetDisplayLabel("Participante");
  pessoa.GetDefinicao().SetDicionarioLookup("CODIGOPESSOA");
  cds.SetIndexFieldNames("CODIGOEMPRESA;CHAVELCTOCTB");
}

void TnCtbDMLctoCtbQ100::GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                                          const TnConjuntoModulos& permitidos) {
  if (TnConjuntoModulos{TnModulo::nCtb}.Intersecta(permitidos))
    AdicionarPrincAction(lista, kClassName, "Cadastros", kCaption, handler);
}

void TnCtbDMLctoCtbQ100::AntesConfigurar(TnForm* form) {
  TnCtbDMRegistroLctoCtb::AntesConfigurar(form);
  TField& pessoa = nClientDataSet.FieldByName("CODIGOPESSOA");
  pessoa.SetDisplayWidth(kLarguraPessoa);
  pessoa.GetDefinicao().SetPropriedade("MaxLength", Value(kLarguraPessoa));
  // A person is searched by any text typed, not only by code.
  pessoa.GetDefinicao().SetPropriedade("AceitaQualquerCaracter", Value(true));
}

void TnCtbDMLctoCtbQ100::ConfigurarCampo(TField& field) {
  TnCtbDMRegistroLctoCtb::ConfigurarCampo(field);
  if (field.FieldName() == "ORIGEMRECURSO")
    ControlaCampoCodigoContaBancaria();
}

void TnCtbDMLctoCtbQ100::DepoisConfigurar(TnForm* form) {
  TnCtbDMRegistroLctoCtb::DepoisConfigurar(form);
  if (form == nullptr)
    return;
  form->Caption = kCaption;
  form->AddOnShow([this](TnForm&) { SugerirParticipante(); });
}

void TnCtbDMLctoCtbQ100::SugerirParticipante() {
  TnClientDataSet& cds = nClientDataSet;
  if (cds.State() != TDataSetState::dsInsert)
    return;
  if (const std::optional<int64_t> participante = TnCodigoParticipanteSugestao::TryGetStatic(
          Conexao(), cds.FieldByName("CODIGOEMPRESA").AsInteger(),
          cds.FieldByName("CHAVELCTOCTB").AsInteger()))
    cds.FieldByName("CODIGOPESSOA").SetAsInteger(*participante);
}

void TnCtbDMLctoCtbQ100::ControlaCampoCodigoContaBancaria() {
  TnClientDataSet& cds = nClientDataSet;
  TField& banco = cds.FieldByName("CODIGOCONTABANCARIA");
  const TDataSetState estado = cds.State();
  const bool editando = estado == TDataSetState::dsEdit || estado == TDataSetState::dsInsert;
  const bool comRegistro = cds.Active() && (editando || !cds.IsEmpty());
  const bool comConta =
      comRegistro && cds.FieldByName("ORIGEMRECURSO").AsString() == kOrigemComContaBancaria;
  if (!comConta && editando && !banco.IsNull()) {
    EdEnabledField(banco, true);
    banco.Clear();
  }
  EdRequiredField(banco, comConta);
  EdEnabledField(banco, comConta);
}

void TnCtbDMLctoCtbQ100::FiltrarContaBancaria() {
  nClientDataSet.FieldByName("CODIGOCONTABANCARIA")
      .GetDefinicao()
      .SetPropriedade("FiltroLookup",
                      fmt::format("(CODIGOEMPRESA = {}) or (CODIGOEMPRESA is null)",
                                  Nutil::ValorParaSQL(Value(PegarCodigoEmpresa()))));
}

void TnCtbDMLctoCtbQ100::nClientDataSetBeforeOpen(TnClientDataSet& dataSet) {
  TnCtbDMRegistroLctoCtb::nClientDataSetBeforeOpen(dataSet);
  FiltrarContaBancaria();
}

void TnCtbDMLctoCtbQ100::ValidarDado() {
  ControlaCampoCodigoContaBancaria();
  FiltrarContaBancaria();
  TnCtbDMRegistroLctoCtb::ValidarDado();
}

void TnCtbDMLctoCtbQ100::nClientDataSetAfterPost(TnClientDataSet& dataSet) {
  TnCtbDMRegistroLctoCtb::nClientDataSetAfterPost(dataSet);
  FecharTela();
}

void TnCtbDMLctoCtbQ100::nClientDataSetAfterDelete(TnClientDataSet& dataSet) {
  TnCtbDMRegistroLctoCtb::nClientDataSetAfterDelete(dataSet);
  FecharTela();
}

void TnCtbDMLctoCtbQ100::nClientDataSetAfterCancel(TnClientDataSet& dataSet) {
  TnCtbDMRegistroLctoCtb::nClientDataSetAfterCancel(dataSet);
  if (dataSet.IsEmpty())
    FecharTela();
}
