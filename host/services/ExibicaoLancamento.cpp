#include "host/services/ExibicaoLancamento.h"

#include "entries/nCtbDMLctoCtbBase_U.h"
#include "framework/app/TnForm.h"
#include "framework/app/TnUtilConsultaWeb.h"

namespace ExibicaoLancamento {

using json = nlohmann::ordered_json;

namespace {

// The caption of a label whose holder is shown; null otherwise.
json Texto(const TnForm& form, const char* holder, const char* label) {
  const TnControle* controle = form.Controle(holder);
  if (controle == nullptr || !controle->Visible)
    return nullptr;
  return static_cast<const TnLabel*>(form.Controle(label))->Caption;
}

json Lado(const TnForm& form, int lado) {
  json titulo = nullptr;
  json conta = Texto(form, TnCtbDMLctoCtbBase::kFraTitulo[lado], TnCtbDMLctoCtbBase::kLblCta[lado]);
  if (!conta.is_null())
    titulo = {{"account", std::move(conta)},
              {"description", Texto(form, TnCtbDMLctoCtbBase::kFraTitulo[lado],
                                    TnCtbDMLctoCtbBase::kLblDescr[lado])}};
  return {{"title", std::move(titulo)},
          {"balance", Texto(form, TnCtbDMLctoCtbBase::kPanelSaldo[lado],
                            TnCtbDMLctoCtbBase::kLblCtaSaldo[lado])}};
}

json Linhas(TnClientDataSet* dataSet) {
  if (dataSet == nullptr)
    return json::array();
  return TnUtilConsultaWeb::SerializarDataset(*dataSet)["rows"];
}

}  // namespace

json Contas(const TnCtbDMLctoCtbBase& modulo) {
  const TnForm* form = modulo.Form();
  if (form == nullptr)
    return {{"debit", nullptr}, {"credit", nullptr}};
  return {{"debit", Lado(*form, 0)}, {"credit", Lado(*form, 1)}};
}

// The status bar's creator and origin texts, and the strip across the top
// when it shows.
void BarraEFaixa(const TnForm& form, json& exibicao) {
  const std::vector<TnStatusPanel>& paineis = form.StatusPanels();
  if (paineis.size() > 2) {
    exibicao["created"] = paineis[1].Text;
    exibicao["origin"] = paineis[2].Text;
  }
  const TnControle* faixa = form.Controle(TnCtbDMLctoCtbBase::kFraMsgInfo);
  if (faixa != nullptr && faixa->Visible)
    exibicao["notice"] = static_cast<const TnPanel*>(faixa)->Caption;
}

json Completa(const TnCtbDMLctoCtbBase& modulo) {
  json exibicao = Contas(modulo);
  if (const TnForm* form = modulo.Form())
    BarraEFaixa(*form, exibicao);
  const TnFraValorSaldoDebCred* painel = modulo.GetFraDifSaldo();
  if (painel == nullptr || !painel->Visivel())
    return exibicao;
  if (painel->GetExibirDiferencas())
    exibicao["differences"] = Linhas(painel->dsDiferenca);
  if (painel->GetOptanteSPED())
    exibicao["transactionDifferences"] = Linhas(painel->dsDifTransacao);
  if (painel->GetExibirUltimosLancamentos())
    exibicao["lastEntries"] = Linhas(painel->dsUltimosLancamentos);
  // Listed once a programmed entry and a date were typed.
  if (painel->dsLctoProgramado != nullptr && painel->dsLctoProgramado->Active())
    exibicao["programmedEntries"] = Linhas(painel->dsLctoProgramado);
  return exibicao;
}

}  // namespace ExibicaoLancamento
