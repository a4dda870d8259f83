#include "registers/nCtbDMRelacLctoCtbIFRS_U.h"

#include <tuple>

#include "framework/core/Nutil.h"
#include "registers/nCtbRegistrosComum.h"

namespace {

constexpr const char* kCaption = "Lançamentos Contábeis Expurgo";

// Narrows the entries a key may name to one entry type, keeping a filter
// the lookup already has.
void LimitarTipoLancamento(TField& field, const char* tipo) {
  TnFieldDefinicao& definicao = field.GetDefinicao();
  const std::string condicao = "TIPOLANCAMENTO = " + Nutil::ValorParaFiltro(Value(tipo));
  const std::string filtro = definicao.Propriedade("FiltroLookup").AsString();
  if (filtro.find(condicao) != std::string::npos)
    return;
  definicao.SetPropriedade("FiltroLookup",
                           filtro.empty() ? condicao : filtro + " and (" + condicao + ")");
}

}  // namespace

TnCtbDMRelacLctoCtbIFRS::TnCtbDMRelacLctoCtbIFRS() {
  SetSelectText(
      "Select t_t.CODIGOEMPRESA,t_t.CHAVELCTOCTBFIS,t_t.CHAVELCTOCTBSOC from RELACLCTOCTBIFRS t_t "
      "ORDER BY t_t.CODIGOEMPRESA, t_t.CHAVELCTOCTBFIS");
  using T = TFieldType;
  TnClientDataSet& cds = nClientDataSet;
  TField& empresa = cds.AddField("CODIGOEMPRESA", T::ftSmallint, 0, true);
  empresa.SetVisible(false);
  for (const auto& [nome, rotulo, dica] :
       {std::tuple{"CHAVELCTOCTBFIS", "Lançamento Fiscal", "Informe o lançamento contábil fiscal"},
        std::tuple{"CHAVELCTOCTBSOC", "Lançamento Societário",
                   "Informe o lançamento contábil societário para relacionamento"}}) {
    TField& chave = cds.AddField(nome, T::ftInteger, 0, true);
    chave.SetDisplayLabel(rotulo);
    nCtbRegistrosComum::LigarLctoCtb(chave);
    chave.GetDefinicao().SetPropriedade(
        "LinkLookupDescShowFields", "DATALCTOCTB;CONTACTBDEB;CONTACTBCRED;VALORLCTOCTB;HISTORICO");
    chave.GetDefinicao().SetPropriedade("Hint", dica);
  }
  cds.FieldByName("CHAVELCTOCTBFIS").SetVisible(false);
  cds.SetIndexFieldNames("CODIGOEMPRESA;CHAVELCTOCTBFIS");
}

void TnCtbDMRelacLctoCtbIFRS::GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                                               const TnConjuntoModulos& permitidos) {
  if (!TnConjuntoModulos{TnModulo::nCtb}.Intersecta(permitidos))
    return;
  AdicionarPrincAction(lista, kClassName, "02 Movimentos", kCaption, handler)
      .SetLink(TnActionList::HashNome("actTnCtbDMLctoCtb"));
}

void TnCtbDMRelacLctoCtbIFRS::DepoisConfigurar(TnForm* form) {
  TnDMClientDataSet::DepoisConfigurar(form);
  if (form != nullptr)
    form->Caption = kCaption;
  LimitarTipoLancamento(nClientDataSet.FieldByName("CHAVELCTOCTBFIS"), "LF");
  LimitarTipoLancamento(nClientDataSet.FieldByName("CHAVELCTOCTBSOC"), "LS");
}
