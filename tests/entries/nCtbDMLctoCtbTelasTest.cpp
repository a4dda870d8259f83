// The registers the entry screen opens, the switches that offer them and the
// company options behind those switches.
#include "tests/entries/LctoCtbFixture.h"

namespace {

class TnCtbDMLctoCtbTelasTest : public TnLctoCtbFixture {
 protected:
  // The classes and captions of the linked screens `modulo` shows.
  std::vector<std::string>& Registrar(TnCtbDMLctoCtb& modulo) {
    modulo.SetOnTelaVinculada([this](TnDMClientDataSet& tela) {
      tela.CriarForm().SetOnShowModal([this, &tela](TnForm& form) {
        FTelas.push_back(tela.ClassName() + ": " + form.Caption);
      });
    });
    return FTelas;
  }
  std::vector<std::string> FTelas;
};

TEST_P(TnCtbDMLctoCtbTelasTest, FcontOptionIsTheOneInForceOnTheSelectionsFirstDay) {
  Executar("insert into OPCAOFCONT (CODIGOEMPRESA, DATAOPCAO) values (1, '2024-03-01')");
  FSelecao.SetParam(kSelDataFinal, Value(EncodeDate(2024, 3, 31)));
  for (const auto& [de, optante] :
       {std::pair{EncodeDate(2024, 2, 1), false}, {EncodeDate(2024, 3, 1), true}}) {
    FSelecao.SetParam(kSelDataInicial, Value(de));
    TnCtbDMLctoCtb& modulo = CriarNovo();
    EXPECT_EQ(modulo.GetEhOptanteFCONT(), optante) << DateToStr(de);
    modulo.nClientDataSet.Cancel();
  }
}

TEST_P(TnCtbDMLctoCtbTelasTest, IfrsOptionIsReadAgainWithTheCompanyOrAlwaysOnTheWeb) {
  // On the web, after another company, and whether the open transaction stays.
  for (const auto& [web, outraEmpresa, transacaoMantida] :
       {std::tuple{false, false, true}, {false, true, false}, {true, false, false}}) {
    FSelecao.SetParam(kSelCodigoEmpresa, Value(int64_t{2}));
    TnCtbDMLctoCtb& modulo = CriarNovo(true, {{"CONTACTBCRED", Value()}});
    modulo.nClientDataSet.Post();
    ASSERT_NE(modulo.GetTransacaoAtual(), 0) << "a single-sided entry leaves it open";
    Nutil::SetEhCloud(web);
    if (outraEmpresa)
      modulo.LimparChaveConfig();
    EXPECT_TRUE(modulo.GetEhOptanteIFRS());
    EXPECT_EQ(modulo.GetTransacaoAtual() != 0, transacaoMantida) << web << outraEmpresa;
    Nutil::SetEhCloud(false);
  }
}

TEST_P(TnCtbDMLctoCtbTelasTest, AnalyticEntryIsChangedOnTheAnalyticScreenWhenAsked) {
  InserirLcto(5, "2024-03-10", ", TRANSCTB", ", 77");
  Executar("update LCTOCTB set ORIGEMDADO = 5 where CHAVELCTOCTB = 5");
  nDMSelecao().CriarParam(kSelCodigoEmpresa, Value(int64_t{1}));
  for (const bool sim : {true, false}) {
    FTelas.clear();
    Dialogos().LimparRegistro();
    TnCtbDMLctoCtb& modulo = Criar();
    Registrar(modulo);
    TnClientDataSet& cds = modulo.nClientDataSet;
    Ir(cds, 5);
    Responder({sim ? "Sim" : "Não"});
    // "Sim" leaves the record browsed and opens the analytic screen.
    EXPECT_EQ(ResultadoDe([&] { cds.Edit(); }), sim ? "EAbort" : "ok");
    EXPECT_EQ(cds.State(), sim ? TDataSetState::dsBrowse : TDataSetState::dsEdit);
    EXPECT_EQ(FTelas, sim ? std::vector<std::string>{"TnCtbDPLctoCtbAnalitico: Lançamento "
                                                     "Analítico - Transação 77"}
                          : std::vector<std::string>{});
    cds.Cancel();
    ASSERT_EQ(Dialogos().Perguntas().size(), 1u);
    EXPECT_EQ(Dialogos().Perguntas()[0].Texto,
              "Este lançamento foi feito através do cadastro Analítico.Deseja entrar no "
              "Lançamento Analítico para Alterar o mesmo?");
  }
}

TEST_P(TnCtbDMLctoCtbTelasTest, UnsavedEntryGuardWarnsOrDoesNothingAsTheConnectionSays) {
  for (const bool avisar : {true, false}) {
    Conexao().SetAvisarRegistroNaoGravado(avisar);
    Dialogos().LimparRegistro();
    TnCtbDMLctoCtb& modulo = CriarNovo();
    modulo.actLctoAtivDebExecute();
    EXPECT_EQ(Dialogos().Informacoes().size(), avisar ? 1U : 0U);
    modulo.nClientDataSet.Cancel();
  }
  Conexao().SetAvisarRegistroNaoGravado(true);
}

TEST_P(TnCtbDMLctoCtbTelasTest, TransactionPanelAndButtonsOnlyForSpedOrIfrsCompanies) {
  for (const int64_t empresa : {2, 3}) {
    const bool usa = empresa == 2;
    auto modulo = Nutilform::CriarDMNovo<TnCtbDMLctoCtb>("TnCtbDMLctoCtb");
    TnForm form("FrmSped");
    TnFraField& frame = form.Criar<TnFraField>("FraTRANSCTB");
    frame.NomeCampo = "TRANSCTB";
    modulo->Configurar(&form);
    FSelecao.SetParam(kSelCodigoEmpresa, Value(empresa));
    modulo->Abrir(&FSelecao);
    const TField& trans = modulo->nClientDataSet.FieldByName("TRANSCTB");
    EXPECT_EQ(trans.Required(), usa);
    EXPECT_EQ(trans.Visible(), usa);
    ASSERT_EQ(modulo->GetPanelTrans() != nullptr, usa) << empresa;
    if (!usa)
      continue;
    EXPECT_EQ(frame.Parent, "PanelTrans");
    EXPECT_EQ(frame.CorTitulo, kCorVermelho);
    EXPECT_EQ(modulo->GetPanelTrans()->Height, frame.Height + 15);
    EXPECT_TRUE(form.PressionarAtalho("Ctrl+F10")) << "Continuar Transação";
    EXPECT_EQ(modulo->nClientDataSet.State(), TDataSetState::dsInsert);
    modulo->nClientDataSet.Cancel();
  }
}

// Each screen under the switch that offers it: the action, the field and
// value it needs of the entry, on the web or not, and the screen that shows
// ("" when none does).
TEST_P(TnCtbDMLctoCtbTelasTest, LinkedScreensAreOfferedOnlyUnderTheirSwitches) {
  using M = TnCtbDMLctoCtb;
  const auto relac = &M::actLctoCtbRelacFiscalSocietario;
  const auto extemp = &M::actDataLctoExtemp;
  const auto q100 = &M::actRegistroQ100Execute;
  const auto partic = &M::actParticipanteExecute;
  const char* tipo = "TIPOLANCAMENTO";
  const char* origem = "CODIGOORIGLCTOCTB";
  const std::tuple<const char*, void (M::*)(), const char*, const char*, bool, const char*>
      casos[] = {
          {"fiscal/societário num LS", relac, tipo, "LS", false, ""},
          {"fiscal/societário na web", relac, tipo, "LF", true, ""},
          {"extemporâneo sem origem XX", extemp, origem, "CB", false, ""},
          {"Q100 fora do produtor rural", q100, origem, "CB", false, ""},
          {"participantes na web", partic, origem, "CB", true, ""},
          {"notas explicativas", &M::actNotaExplicaPeriodo, origem, "CB", false,
           "TnCtbDMNotaExplicaPeriodo"},
          {"fiscal/societário num LF", relac, tipo, "LF", false, "TnCtbDMRelacLctoCtbIFRS"},
          {"extemporâneo", extemp, origem, "XX", false, "TnCtbDMLctoCtbExtemp"},
          {"participantes", partic, origem, "CB", false, "TnCtbDMLctoCtbParticipante"},
          {"Q100 do produtor rural", q100, origem, "CB", false, "TnCtbDMLctoCtbQ100"},
      };
  nDMSelecao().CriarParam(kSelCodigoEmpresa, Value(int64_t{1}));
  for (const auto& [nome, acao, campo, valor, web, tela] : casos) {
    FTelas.clear();
    if (std::string(tela) == "TnCtbDMLctoCtbQ100")
      Executar("update ESTAB set CAEPF = 2 where CODIGOEMPRESA = 1");
    TnCtbDMLctoCtb& modulo = CriarNovo();
    Registrar(modulo);
    modulo.nClientDataSet.FieldByName(campo).SetAsString(valor);
    modulo.nClientDataSet.Post();
    Nutil::SetEhCloud(web);
    (modulo.*acao)();
    Nutil::SetEhCloud(false);
    const std::string mostrada =
        FTelas.empty() ? "" : FTelas.front().substr(0, FTelas.front().find(':'));
    EXPECT_EQ(mostrada, tela) << nome;
  }
}

// The rural register comes before the balances shown are refreshed: what
// the balance label reads while it shows is not yet the posted entry's.
TEST_P(TnCtbDMLctoCtbTelasTest, RuralRegisterIsOfferedBeforeTheBalancesAreRefreshed) {
  Executar("update ESTAB set CAEPF = 2 where CODIGOEMPRESA = 1");
  nDMSelecao().CriarParam(kSelCodigoEmpresa, Value(int64_t{1}));
  TnCtbDMLctoCtb& modulo = CriarNovo(true, {{"VALORLCTOCTB", 321.0}});
  const auto saldo = [&modulo] { return modulo.Form()->Label("LblCtaSaldoDeb").Caption; };
  std::string saldoNoQ100 = "não mostrado";
  modulo.SetOnTelaVinculada([&](TnDMClientDataSet& tela) {
    if (tela.ClassName() == "TnCtbDMLctoCtbQ100")
      saldoNoQ100 = saldo();
  });
  modulo.nClientDataSet.Post();
  EXPECT_NE(saldoNoQ100, "não mostrado");
  EXPECT_NE(saldoNoQ100, saldo());
  EXPECT_NE(saldo(), "");
}

// The strip across the top shows while the company keeps balances by
// history; the status bar names who registered the entry at hand, when, and
// how it came in: after a scroll and after a post.
TEST_P(TnCtbDMLctoCtbTelasTest, StripAndStatusBarFollowTheCompanyAndTheEntry) {
  Executar("insert into EMPRESASALDOCTBHIST (CODIGOEMPRESA) values (1)");
  InserirLcto(5, "2024-03-10", ", CODIGOUSUARIO, DATAHORALCTOCTB", ", 1, '2024-03-10 14:05:00'");
  InserirLcto(6, "2024-03-10");
  Executar("update LCTOCTB set ORIGEMDADO = 3 where CHAVELCTOCTB = 5");
  for (const auto& [empresa, faixa] : {std::pair{int64_t{2}, false}, {int64_t{1}, true}}) {
    FSelecao.SetParam(kSelCodigoEmpresa, Value(empresa));
    TnCtbDMLctoCtb& modulo = Criar();
    const TnControle* controle = modulo.Form()->Controle(TnCtbDMLctoCtb::kFraMsgInfo);
    ASSERT_NE(controle, nullptr);
    EXPECT_EQ(controle->Visible, faixa) << empresa;
  }
  TnCtbDMLctoCtb& modulo = Criar();
  const auto barra = [&modulo] {
    return modulo.Form()->StatusPanel(1).Text + " | " + modulo.Form()->StatusPanel(2).Text;
  };
  Ir(modulo.nClientDataSet, 5);
  EXPECT_EQ(barra(), "Cadastrado por 1 - Ana em 10/03/2024 14:05 | Importado");
  Ir(modulo.nClientDataSet, 6);
  EXPECT_EQ(barra(), " | Digitado");
  NovoValido(modulo);
  modulo.nClientDataSet.Post();
  EXPECT_EQ(barra().substr(0, 37),
            "Cadastrado por 1 - Ana em " + DateToStr(Date()).substr(0, 10) + " ");
  EXPECT_EQ(barra().substr(barra().size() - 8), "Digitado");
}

}  // namespace

CTB_INSTANTIATE_ENGINES(TnCtbDMLctoCtbTelasTest);
