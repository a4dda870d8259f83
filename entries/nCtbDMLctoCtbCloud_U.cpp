#include "entries/nCtbDMLctoCtbCloud_U.h"

#include "activities/nCtbDMLctoAtivDiferenc_U.h"
#include "balances/nCtbRepositorioSaldoCtb_U.h"
#include "framework/app/NutilAmbiente.h"
#include "framework/app/TnForm.h"
#include "framework/db/NutilSql.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"

TnCtbDMLctoCtbCloud::TnCtbDMLctoCtbCloud()
    : nActPesquisar(Declarar("nActPesquisar", "Pesquisar", "Pesquisar...", "Ctrl+F3", nullptr)),
      nActLancamentosAutomaticos(Declarar("nActLancamentosAutomaticos", "Lançamentos Automáticos",
                                          "Lançamentos Automáticos", "F9", nullptr)),
      nActGerenciaisDebito(Declarar("nActGerenciaisDebito", "Gerenciais a débito",
                                    "Lançamentos gerenciais a débito", "Ctrl+F7",
                                    &TnCtbDMLctoCtbCloud::nActGerenciaisDebitoExecute)),
      nActGerenciaisCredito(Declarar("nActGerenciaisCredito", "Gerenciais a crédito",
                                     "Lançamentos gerenciais a crédito", "Ctrl+F8",
                                     &TnCtbDMLctoCtbCloud::nActGerenciaisCreditoExecute)),
      nActVincularParticipantes(Declarar("nActVincularParticipantes", "Vincular Participantes",
                                         "Vincular Participantes", "Ctrl+F9",
                                         &TnCtbDMLctoCtbCloud::nActVincularParticipantesExecute)),
      nActRegistroQ100(Declarar("nActRegistroQ100", "Registro Q100", "Registro Q100", "Ctrl+Q",
                                &TnCtbDMLctoCtbCloud::nActRegistroQ100Execute)),
      nActUltimosLancamentos(Declarar("nActUltimosLancamentos", "Últimos Lançamentos",
                                      "Exibir os últimos lançamentos", "Ctrl+U",
                                      &TnCtbDMLctoCtbCloud::nActUltimosLancamentosExecute)),
      nActCriarTransacao(Declarar("nActCriarTransacao", "Criar Transação", "Criar Transação",
                                  "Ctrl+F9", &TnCtbDMLctoCtbCloud::nActCriarTransacaoExecute)),
      nActContinuarTransacao(Declarar("nActContinuarTransacao", "Continuar Transação",
                                      "Continuar Transação", "Ctrl+F10",
                                      &TnCtbDMLctoCtbCloud::nActContinuarTransacaoExecute)),
      nActLctoAtivDebito(Declarar("nActLctoAtivDebito", "Atividades - débito",
                                  "Atividades - débito", "Ctrl+F11",
                                  &TnCtbDMLctoCtbCloud::nActLctoAtivDebitoExecute)),
      nActLctoAtivCredito(Declarar("nActLctoAtivCredito", "Atividades - crédito",
                                   "Atividades - crédito", "Ctrl+F12",
                                   &TnCtbDMLctoCtbCloud::nActLctoAtivCreditoExecute)),
      nActLancamentoFiscalSocietario(
          Declarar("nActLancamentoFiscalSocietario", "Lançamento Fiscal/Societário",
                   "Relacionar Lançamento Fiscal/Societário", "Ctrl+R",
                   &TnCtbDMLctoCtbCloud::nActLancamentoFiscalSocietarioExecute)),
      nActNotasExplicativasPeriodo(
          Declarar("nActNotasExplicativasPeriodo", "Notas Explicativas no Período",
                   "Cadastrar as Notas Explicativas relacionadas ao período", "Ctrl+N",
                   &TnCtbDMLctoCtbCloud::nActNotasExplicativasPeriodoExecute)),
      nActDataOcorrencia(Declarar("nActDataOcorrencia", "Data da Ocorrência",
                                  "Data da Ocorrência do Lançamento Extemporâneo", "Ctrl+X",
                                  &TnCtbDMLctoCtbCloud::nActDataOcorrenciaExecute)) {
  ActionList.Find("nActAbrirCadastroQ100")->SetCategory(kCategoriaAcoes);
  // The actions that follow the company's settings.
  FExibicao.ActLctoGerDeb = &nActGerenciaisDebito;
  FExibicao.ActLctoGerCred = &nActGerenciaisCredito;
  FExibicao.ActRegistroQ100 = &nActRegistroQ100;
  FExibicao.ActLctoAtivDeb = &nActLctoAtivDebito;
  FExibicao.ActLctoAtivCred = &nActLctoAtivCredito;
  ConfigurarCamposWeb();
  SetCarregarDetalhesDinamicamente(true);
  FWidgetContainer.Nome = "nWidgetContainer1";
  FWidgetContainer.Posicao = 4;
  FWidgetContainer.Widgets.push_back({"Widget0", "information", TextoMsgInformacao()});
  AtualizarWidgetInformacao();
}

TnCtbDMLctoCtbCloud::~TnCtbDMLctoCtbCloud() = default;

TnAction& TnCtbDMLctoCtbCloud::Declarar(const char* nome, const char* caption, const char* hint,
                                        const char* atalho,
                                        void (TnCtbDMLctoCtbCloud::*handler)()) {
  TnAction& acao = ActionList.Add(nome);
  acao.SetCategory(kCategoriaAcoes);
  acao.SetCaption(caption);
  acao.SetHint(hint);
  acao.SetShortCut(atalho);
  // Searching and the automatic-entries popup belong to the page itself.
  if (handler != nullptr)
    acao.SetOnExecute([this, handler](TnAction&) { (this->*handler)(); });
  return acao;
}

void TnCtbDMLctoCtbCloud::ConfigurarCamposWeb() {
  // The page's resolver writes LCTOCTB by the table's own key.
  for (const char* chave : {"CODIGOEMPRESA", "CHAVELCTOCTB"})
    Campo(chave).SetProviderFlags(pfInUpdate | pfInWhere | pfInKey);
  for (int i = 0; i < nClientDataSet.FieldCount(); ++i) {
    TField& field = nClientDataSet.Fields(i);
    if (!field.IsCalculated())
      field.GetDefinicao().SetPropriedade("Origin", field.FieldName());
  }
  // A key typed on the page is the entry's key, never a jump to another.
  Campo("CHAVELCTOCTB").OnSetText = nullptr;
  Campo("CODIGOHISTCTB").SetRequired(true);
  for (const char* saldo : {"VALORDEBITO", "VALORCREDITO"})
    Campo(saldo).SetReadOnly(false);
  for (const char* conta : {"CONTACTBDEB", "CONTACTBCRED"})
    Campo(conta).GetDefinicao().AddPropriedadeAlterada("Badges");
}

void TnCtbDMLctoCtbCloud::GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                                           const TnConjuntoModulos& permitidos) {
  if (!GrupoModulos(0).Intersecta(permitidos))
    return;
  TnAction& acao = AdicionarPrincAction(lista, kClassName, kCategoriaMenu, kCaptionMenu, handler);
  acao.SetImageIndex(kImagemMenu);
  acao.SetVerificaSelecao(PegarVerificaSelecaoPadrao());
  acao.SetMenuItem(false);
  acao.SetLink(TnActionList::HashNome(std::string("act") + "TnCtbDMLctoCtb"));
}

void TnCtbDMLctoCtbCloud::AbrirTela(TTelaLctoCtb tela) {
  switch (tela) {
    case TTelaLctoCtb::GerencialDebito:
      return nActGerenciaisDebitoExecute();
    case TTelaLctoCtb::GerencialCredito:
      return nActGerenciaisCreditoExecute();
    case TTelaLctoCtb::AtividadeDebito:
      return nActLctoAtivDebitoExecute();
    case TTelaLctoCtb::AtividadeCredito:
      return nActLctoAtivCreditoExecute();
    case TTelaLctoCtb::Participantes:
      return nActVincularParticipantesExecute();
    case TTelaLctoCtb::DataOcorrencia:
      return nActDataOcorrenciaExecute();
    case TTelaLctoCtb::RegistroQ100:
      return nActRegistroQ100Execute();
    case TTelaLctoCtb::FiscalSocietario:
      return nActLancamentoFiscalSocietarioExecute();
  }
}

void TnCtbDMLctoCtbCloud::nActUltimosLancamentosExecute() {
  if (TnFraValorSaldoDebCred* frame = GetFraDifSaldo())
    frame->PageUltimosLancamentosSelect();
}

void TnCtbDMLctoCtbCloud::LctoAtiv(const TField& field) {
  const bool credito = field.FieldName().find("CRED") != std::string::npos;
  AbrirAtividades(credito ? -1 : 1);
}

bool TnCtbDMLctoCtbCloud::GetMostrarMsgInformacao() {
  return TemSaldosPorHistorico(PegarCodigoEmpresa());
}

void TnCtbDMLctoCtbCloud::AtualizarWidgetInformacao() {
  FWidgetContainer.Visible = Nutil::EhHttpExe() || GetMostrarMsgInformacao();
}

void TnCtbDMLctoCtbCloud::ConfigurarSPED() {
  const bool usa = UsaTransacao();
  const bool habilitar = usa && FiltroAbertura().empty();
  nActCriarTransacao.SetEnabled(habilitar);
  nActContinuarTransacao.SetEnabled(habilitar);
  if (Form() != nullptr && !Nutil::EhCloud())
    MontarPanelTransacao(usa);
}

void TnCtbDMLctoCtbCloud::ConfigurarAcoes(TnForm& /*form*/) {
  ConfigurarSPED();
  ConfigurarLctoProg();
}

void TnCtbDMLctoCtbCloud::DepoisConfigEmpresa() {
  const int64_t empresa = PegarCodigoEmpresa();
  if (empresa == FEmpresaWidget)
    return;
  FEmpresaWidget = empresa;
  AtualizarWidgetInformacao();
}

std::unique_ptr<TnClientDataSet> TnCtbDMLctoCtbCloud::LerMovSaldoAnterior(
    const TnParansSaldoCtb& parans) {
  TnCtbRepositorioSaldoCtb repositorio;
  return repositorio.CriarMovSaldoCtbAnterior(parans);
}
