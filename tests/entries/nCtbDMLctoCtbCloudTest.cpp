// The web twin of the entry module where it differs from the desktop one:
// its declared actions, the required history, the balance cache that never
// moves, the information widget and the web client's questions.
#include "tests/entries/LctoCtbFixture.h"

namespace {

class TnCtbDMLctoCtbCloudTest : public TnLctoCtbFixture {
 protected:
  void SetUp() override {
    TnLctoCtbFixture::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    SelecionarMarco2024();
  }
};

}  // namespace

TEST_P(TnCtbDMLctoCtbCloudTest, CtrlF9OpensTheParticipantsBeforeTheTransaction) {
  FSelecao.SetParam(kSelCodigoEmpresa, Value(int64_t{2}));  // IFRS: transactions in use
  TnCtbDMLctoCtbCloud& web = CriarWeb();
  std::vector<std::string> ctrlF9;
  for (size_t i = 0; i < web.ActionList.Count(); ++i)
    if (web.ActionList[i].ShortCut() == "Ctrl+F9")
      ctrlF9.push_back(web.ActionList[i].Name());
  EXPECT_EQ(ctrlF9, (std::vector<std::string>{"nActVincularParticipantes", "nActCriarTransacao"}));
  EXPECT_EQ(web.ActionList.FindByShortCut("Ctrl+F9"), &web.nActVincularParticipantes);
  web.nActVincularParticipantes.SetEnabled(false);
  ASSERT_EQ(web.ActionList.FindByShortCut("Ctrl+F9"), &web.nActCriarTransacao);
  // "Criar Transação" starts the transaction's first entry.
  EXPECT_TRUE(web.ActionList.FindByShortCut("Ctrl+F9")->Execute());
  EXPECT_EQ(web.nClientDataSet.State(), TDataSetState::dsInsert);
  web.nClientDataSet.Cancel();
}

TEST_P(TnCtbDMLctoCtbCloudTest, TransactionActionsNeedTransactionsAndNoOpeningFilter) {
  for (const auto& [empresa, filtro, habilitadas] :
       {std::tuple{int64_t{1}, "", false}, {2, "", true}, {2, "CHAVELCTOCTB = 1", false}}) {
    SCOPED_TRACE(std::to_string(empresa) + filtro);
    FSelecao.SetParam(kSelCodigoEmpresa, Value(empresa));
    auto web = Nutilform::CriarDMNovo<TnCtbDMLctoCtbCloud>(TnCtbDMLctoCtbCloud::kClassName);
    TnForm form("FrmWeb");
    web->Configurar(&form);
    web->SetFiltroAbertura(filtro);
    web->Abrir(&FSelecao);
    EXPECT_EQ(web->nActCriarTransacao.Enabled(), habilitadas);
    EXPECT_EQ(web->nActContinuarTransacao.Enabled(), habilitadas);
  }
}

// The desktop shows the screen for the same entry (TnCtbDMLctoCtbTelasTest).
TEST_P(TnCtbDMLctoCtbCloudTest, FiscalCorporateActionShowsNothingOnTheWeb) {
  nDMSelecao().CriarParam(kSelCodigoEmpresa, Value(int64_t{1}));
  TnCtbDMLctoCtbCloud& web = CriarWeb();
  std::vector<std::string> telas;
  web.SetOnTelaVinculada([&](TnDMClientDataSet& tela) { telas.push_back(tela.ClassName()); });
  NovoValido(web, {{"TIPOLANCAMENTO", "LF"}});
  web.nClientDataSet.Post();
  EXPECT_TRUE(web.nActLancamentoFiscalSocietario.Execute());
  EXPECT_TRUE(telas.empty());
  nDMSelecao().DeletarParam(kSelCodigoEmpresa);
}

// The desktop posts an entry without history
// (TnCtbDMLctoCtbTest.HistoryOutsideTheAccountsGroupInformsAndSaves).
TEST_P(TnCtbDMLctoCtbCloudTest, HistoryIsRequiredOnTheWeb) {
  TnCtbDMLctoCtbCloud& web = CriarWeb();
  NovoValido(web, {{"CODIGOHISTCTB", Value()}});
  EXPECT_ANY_THROW(web.nClientDataSet.Post());
  EXPECT_EQ(Contar("select count(*) from LCTOCTB"), 0);
  web.nClientDataSet.Cancel();
}

// The web page reads a balance once; what is posted afterwards shows only
// on a module opened afresh (the desktop's cache follows its posts:
// TnCtbDMLctoCtbSaldoTest.CacheFollowsPostsAndDeletesAsAFreshReadWould).
TEST_P(TnCtbDMLctoCtbCloudTest, BalancesStayAsFirstReadUntilAModuleOpensAfresh) {
  InserirLcto(1, "2024-03-01");
  const TDateTime dia = EncodeDate(2024, 3, 10);
  TnCtbDMLctoCtbCloud& web = CriarWeb();
  EXPECT_EQ(web.BuscarSaldo(1, 1, 101, dia), "50,00 D");
  NovoValido(web);  // 10/03, 101 -> 102, 100,00
  web.nClientDataSet.Post();
  EXPECT_EQ(web.BuscarSaldo(1, 1, 101, dia), "50,00 D");
  EXPECT_EQ(CriarWeb().BuscarSaldo(1, 1, 101, dia), "150,00 D");
}

TEST_P(TnCtbDMLctoCtbCloudTest, InformationWidgetWhereBalancesByHistoryAreKept) {
  Executar("insert into EMPRESASALDOCTBHIST (CODIGOEMPRESA) values (2)");
  for (const auto& [empresa, executavel, visivel] :
       {std::tuple{int64_t{1}, false, false}, {2, false, true}, {1, true, true}}) {
    SCOPED_TRACE(std::to_string(empresa) + (executavel ? " web executable" : ""));
    Nutil::SetEhHttpExe(executavel);
    FSelecao.SetParam(kSelCodigoEmpresa, Value(empresa));
    const TnWidgetContainer& container = CriarWeb().GetWidgetContainer();
    EXPECT_EQ(container.Visible, visivel);
    ASSERT_EQ(container.Widgets.size(), 1U);
    EXPECT_EQ(container.Widgets[0].Mensagem.rfind(
                  "É importante que seja executado a rotina de recálculo dos saldos por histórico "
                  "para esta empresa, para isso acesse o menu: ",
                  0),
              0U);
  }
}

TEST_P(TnCtbDMLctoCtbCloudTest, DetailsAreOfferedForControlledActivitiesAndClassifiedAccounts) {
  TnCtbDMLctoCtbCloud& web = CriarWeb();
  EXPECT_FALSE(web.HabilitarDetalhesCloudAjax(1)) << "no IFRS option";
  EXPECT_FALSE(web.HabilitarDetalhesCloudAjax(2)) << "activities not controlled";
  Executar("update OPCAOIFRS set CTRLAATIVIDADE = 1 where CODIGOEMPRESA = 2");
  EXPECT_TRUE(web.HabilitarDetalhesCloudAjax(2));

  nDMSelecao().CriarParam(kSelCodigoEmpresa, Value(int64_t{1}));
  Executar(
      "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, DESCRCONTA, TIPOCONTA) "
      "values (1, 105, '0', 'Sem grupo', 2)");
  Executar(
      "insert into ATIVDIFERENCPLESPECRATEIO (CODIGOEMPRESA, CONTACTB, CODIGOATIVDIF, PERCENTUAL) "
      "values (1, 777, 1, 100)");
  const std::pair<int64_t, bool> contas[] = {{101, true}, {105, false}, {777, true}, {999, false}};
  for (const auto& [conta, oferece] : contas)
    EXPECT_EQ(web.HabilitarCreditoDebitoDetalheCloudAjax(conta), oferece) << conta;
  nDMSelecao().DeletarParam(kSelCodigoEmpresa);
}

TEST_P(TnCtbDMLctoCtbCloudTest, ManagerialDetailOpensBySideWhenApportionmentIsIncomplete) {
  const TDateTime dia = EncodeDate(2024, 3, 10);
  const nlohmann::ordered_json nenhum = {{"AbreDebito", false}, {"AbreCredito", false}};
  EXPECT_EQ(CriarWeb().VerificaAbreGerCloudAjax(1, 101, 102, dia), nenhum) << "no cost centres";
  Configurar("UTILCENTROCUSTO = '1', INICIOUTILCENTROCUSTO = '2024-01-01'");
  Executar("insert into PLESPECCENCUS (CODIGOEMPRESA, CONTACTB) values (1, 101), (1, 102)");
  Executar(
      "insert into RATCENTROCUSTO (CODIGOEMPRESA, CONTACTB, CODIGOCENTROCUSTO, PERCRATEIO) "
      "values (1, 101, 1, 60), (1, 102, 1, 100)");
  TnCtbDMLctoCtbCloud& web = CriarWeb();
  EXPECT_EQ(web.VerificaAbreGerCloudAjax(1, 101, 102, dia),
            (nlohmann::ordered_json{{"AbreDebito", true}, {"AbreCredito", false}}));
  EXPECT_EQ(web.VerificaAbreGerCloudAjax(1, 102, 101, dia),
            (nlohmann::ordered_json{{"AbreDebito", false}, {"AbreCredito", true}}));
  EXPECT_EQ(web.VerificaAbreGerCloudAjax(1, 101, 103, EncodeDate(2023, 12, 31)), nenhum)
      << "before the cost centres start";
}

CTB_INSTANTIATE_ENGINES(TnCtbDMLctoCtbCloudTest);
