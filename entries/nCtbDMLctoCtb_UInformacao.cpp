// What the desktop screen says about the entry beside its fields: who
// registered it and how it came in (the status bar), and the strip asking
// for the recalculation of the balances by history while the company keeps
// them. The web screen has its own widget for the strip and reads the same
// text and condition from here.
#include <fmt/format.h>

#include "entries/nCtbDMLctoCtb_U.h"
#include "framework/app/NutilAmbiente.h"
#include "framework/app/Nutilutil.h"
#include "framework/app/TnForm.h"
#include "framework/ctb/Nctbsfuncoes.h"
#include "framework/db/NutilSql.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"

namespace {

constexpr const char* kTextoRecalculo =
    "É importante que seja executado a rotina de recálculo dos saldos por histórico para esta "
    "empresa, para isso acesse o menu: {}";

// Where a menu entry sits: its category and caption, as the menu shows them;
// empty when no loaded module publishes it.
std::string CaminhoMenu(const std::string& nomeAcao) {
  TnActionList lista;
  TnConjuntoModulos todos;
  for (TnModulo modulo : {TnModulo::nCtb, TnModulo::nFin, TnModulo::nFis, TnModulo::nFpg,
                          TnModulo::nPat, TnModulo::nCtr, TnModulo::nEst})
    todos.Incluir(modulo);
  TnDM::GerarPrincActions(
      lista, [](TnAction&) {}, todos);
  const TnAction* acao = lista.Find(nomeAcao);
  return acao == nullptr ? "" : acao->Category() + "\\" + acao->Caption();
}

// The text of ORIGEMDADO on the status bar.
std::string TextoOrigemDado(const Value& valor) {
  if (valor.IsNull())
    return "";
  switch (valor.AsInteger()) {
    case 1:
      return "Automático";
    case 2:
      return "Digitado";
    case 3:
      return "Importado";
    case 5:
      return "Analítico";
    default:
      return "";
  }
}

}  // namespace

std::string TnCtbDMLctoCtbBase::TextoMsgInformacao() {
  return fmt::format(kTextoRecalculo, CaminhoMenu(kAcaoRecalcularSaldoHistorico));
}

bool TnCtbDMLctoCtbBase::TemSaldosPorHistorico(int64_t codigoEmpresa) {
  if (codigoEmpresa == 0)
    return false;
  TnDMSQLDataSet sql(&Conexao());
  return sql.PegarTemRegistro("EMPRESASALDOCTBHIST",
                              "CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(codigoEmpresa)));
}

void TnCtbDMLctoCtbBase::MostrarCadastro() {
  TnForm* form = Form();
  if (Nutil::EhCloud() || Importacao() || TelaSecundaria() || !TemTela() || form == nullptr ||
      form->StatusPanels().size() < 3)
    return;
  const bool ativo = nClientDataSet.Active() && !nClientDataSet.IsEmpty();
  const auto valor = [&](const char* campo) { return ativo ? Campo(campo).AsValue() : Value(); };
  form->StatusPanel(1).Text = Nctbsfuncoes::FormatarNomeDataCadastro(
      Conexao(), valor("CODIGOUSUARIO"), valor("DATAHORALCTOCTB"));
  form->StatusPanel(2).Text = TextoOrigemDado(valor("ORIGEMDADO"));
}

// Our register form is the host's data-set form: every main screen of the
// module gets the strip, a secondary one (a detail of another) does not.
void TnCtbDMLctoCtb::CriarMsgInformacao(TnForm& form) {
  if (TelaSecundaria() || form.Controle(kFraMsgInfo) != nullptr)
    return;
  TnPanel& faixa = form.Criar<TnPanel>(kFraMsgInfo);
  faixa.Align = "alTop";
  faixa.Top = 1;
  faixa.Height = 35;
  faixa.Caption = TextoMsgInformacao();
}

void TnCtbDMLctoCtb::ExibirMsgInformacao() {
  TnControle* faixa = Form() == nullptr ? nullptr : Form()->Controle(kFraMsgInfo);
  if (faixa == nullptr)
    return;
  int64_t empresa = 0;
  if (Nutilutil::MantemExternalVars())
    empresa = Nutilutil::PegarValorExternalVar("gCodigoEmpresaAtiva").AsInteger();
  if (empresa == 0)
    empresa = PegarCodigoEmpresa();
  faixa->Visible = TemSaldosPorHistorico(empresa);
}

void TnCtbDMLctoCtb::DepoisConfigurar(TnForm* form) {
  TnCtbDMLctoCtbBase::DepoisConfigurar(form);
  if (form == nullptr)
    return;
  CriarMsgInformacao(*form);
  ExibirMsgInformacao();
}

void TnCtbDMLctoCtb::Refresh() {
  TnCtbDMLctoCtbBase::Refresh();
  ExibirMsgInformacao();
}

void TnCtbDMLctoCtbBase::nClientDataSetAfterScroll(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetAfterScroll(dataSet);
  MostrarCadastro();
}
