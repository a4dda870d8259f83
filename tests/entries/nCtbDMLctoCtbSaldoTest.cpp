// What the screen shows beside and below the entry: account balances (and
// their cache, moved by every post and delete), the parent account's title,
// the period's differences, the user's last entries and their search, the
// programmed entries of the date and the menu of the automatic-entry
// processes.
#include "entries/nDMLancamentoProgramado_U.h"
#include "framework/app/TnDMPowerParam.h"
#include "tests/entries/LctoCtbFixture.h"

namespace {

class TnCtbDMLctoCtbSaldoTest : public TnLctoCtbFixture {
 protected:
  void SetUp() override {
    TnLctoCtbFixture::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    Executar("insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB) values (1, 2, 'Filial')");
    SelecionarMarco2024();
  }
  // An entry of company 1 straight into LCTOCTB (the triggers move the
  // balances); a null account leaves that side out.
  void Gravar(int chave, const char* data, const char* deb, const char* cred, const char* valor,
              int estab = 1, int usuario = 1) {
    Executar(fmt::format(
        "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
        "TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, CODIGOHISTCTB, COMPLHIST, VALORLCTOCTB, "
        "ORIGEMDADO, CODIGOORIGLCTOCTB, CODIGOUSUARIO) values (1, {0}, {1}, '{2}', 'LN', {3}, {4}, "
        "4, 'c{0}', {5}, 2, 'CB', {6})",
        chave, estab, data, deb, cred, valor, usuario));
  }
  static std::string Caption(TnCtbDMLctoCtb& modulo, const char* label) {
    return modulo.Form()->Label(label).Caption;
  }
  // The rows of a panel grid, "field=value" per row, rows by "; ".
  static std::string Linhas(TnClientDataSet& cds, const std::string& campos) {
    std::string texto;
    for (cds.First(); !cds.Eof(); cds.Next()) {
      std::string linha;
      for (const std::string& campo : Nutil::StrToStrArray(campos, ";"))
        Nutil::Add(linha, cds.FieldByName(campo).AsString(), " ");
      Nutil::Add(texto, linha, "; ");
    }
    return texto;
  }
};

}  // namespace

TEST_P(TnCtbDMLctoCtbSaldoTest, BalanceReadsAgainstOrWithTheAccountsNature) {
  // The debit and credit accounts of the entries, the account asked and its balance.
  const std::tuple<const char*, const char*, double, const char*> casos[] = {
      {"101", "null", 101, "1.234,56 D"},  // debit nature, debits
      {"null", "101", 101, "(1.234,56) C"},
      {"null", "201", 201, "1.234,56 C"},  // credit nature, credits
      {"201", "null", 201, "(1.234,56) D"},
      {"null", "null", 999, "0,00"},  // not in the chart
  };
  int chave = 1;
  for (const auto& [deb, cred, conta, texto] : casos) {
    SCOPED_TRACE(texto);
    Executar("delete from LCTOCTB");
    Gravar(chave++, "2024-03-05", deb, cred, "1234.56");
    // Later days and other branches are not part of the balance.
    Gravar(chave++, "2024-03-11", deb, cred, "7");
    Gravar(chave++, "2024-03-05", deb, cred, "9", 2);
    EXPECT_EQ(Criar().BuscarSaldo(1, 1, conta, EncodeDate(2024, 3, 10)), texto);
    // The web page asks for one side; the other keeps its placeholder.
    const nlohmann::ordered_json web = Criar().AlterarCampoDebitoCreditoAjax(
        1, 1, static_cast<int64_t>(conta), EncodeDate(2024, 3, 10), "credito");
    EXPECT_EQ(web["CREDITO"], texto);
    EXPECT_EQ(web["DEBITO"], "R$ 0,00");
  }
}

TEST_P(TnCtbDMLctoCtbSaldoTest, CacheFollowsPostsAndDeletesAsAFreshReadWould) {
  Gravar(1, "2024-02-20", "101", "102", "500");
  Gravar(2, "2024-03-12", "102", "101", "80", 2);
  TnCtbDMLctoCtb& tela = Criar();
  const TDateTime dias[] = {EncodeDate(2024, 3, 10), EncodeDate(2024, 3, 12),
                            EncodeDate(2024, 3, 20)};
  auto saldos = [&](TnCtbDMLctoCtb& modulo) {
    std::string texto;
    for (const TDateTime dia : dias)
      for (int estab : {1, 2})
        for (double conta : {101.0, 102.0})
          texto += modulo.BuscarSaldo(1, estab, conta, dia) + " | ";
    return texto;
  };
  saldos(tela);  // everything cached before the changes
  TnClientDataSet& cds = tela.nClientDataSet;
  NovoValido(tela);  // 10/03, branch 1, 101 -> 102, 100,00
  cds.Post();
  EXPECT_EQ(saldos(tela), saldos(Criar())) << "insert";
  cds.Edit();
  Set(cds, {{"DATALCTOCTB", EncodeDate(2024, 3, 12)}, {"CODIGOESTAB", 2}, {"VALORLCTOCTB", 75.0}});
  cds.Post();
  EXPECT_EQ(saldos(tela), saldos(Criar())) << "edit of date, branch and amount";
  cds.Edit();
  Set(cds, {{"VALORLCTOCTB", 125.0}});
  cds.Post();
  EXPECT_EQ(saldos(tela), saldos(Criar())) << "edit of the amount";
  cds.Delete();
  EXPECT_EQ(saldos(tela), saldos(Criar())) << "delete";
  NovoValido(tela, {{"TIPOLANCAMENTO", "LF"}});
  cds.Post();
  EXPECT_EQ(saldos(tela), saldos(Criar())) << "fiscal entry, outside the corporate book";
}

TEST_P(TnCtbDMLctoCtbSaldoTest, LabelsShowTheParentAndTheBalanceOfTheAccountTyped) {
  Executar(
      "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, DESCRCONTA, TIPOCONTA) "
      "values (1, 11, '1.1', 'CIRCULANTE', 1), (1, 1101, '1.1.01', 'Caixa geral', 2)");
  Gravar(1, "2024-03-01", "1101", "102", "40");
  // The display type, the title row's account and description and the
  // balance shown ("" when none shows).
  for (const auto& [tipo, titulo, saldo] : {std::tuple{1, "11 CIRCULANTE", "40,00 D"},
                                            {2, "", "40,00 D"},
                                            {3, "11 CIRCULANTE", ""},
                                            {0, "", ""}}) {
    SCOPED_TRACE(tipo);
    Configurar("TIPOEXIBETITULOSALDO = " + std::to_string(tipo));
    TnCtbDMLctoCtb& modulo = Criar();
    NovoValido(modulo, {{"CONTACTBDEB", 1101}});
    const bool comTitulo = modulo.Form()->Controle(TnCtbDMLctoCtb::kFraTitulo[0])->Visible;
    const bool comSaldo = modulo.Form()->Controle(TnCtbDMLctoCtb::kPanelSaldo[0])->Visible;
    EXPECT_EQ(comTitulo ? Caption(modulo, "LblCtaDeb") + " " + Caption(modulo, "LblDescrDeb") : "",
              titulo);
    EXPECT_EQ(comSaldo ? Caption(modulo, "LblCtaSaldoDeb") : "", saldo);
  }
}

TEST_P(TnCtbDMLctoCtbSaldoTest, BalanceSitsRightOfTheAccountWithinTheForm) {
  // The screen width (height 600 for 800, else 768), the form's width, the
  // account frame's left and width, and the balance's left.
  const std::array<int, 5> casos[] = {
      {800, 780, 10, 600, 650},    // small screen: 130 from the right edge
      {800, 780, 700, 60, 830},    // ... never left of the account + 130
      {1366, 1200, 10, 500, 512},  // right of the description box
      {1366, 600, 10, 500, 470},   // a narrow form: 130 from the right edge
  };
  for (const auto& [tela, largura, contaLeft, contaWidth, left] : casos) {
    SCOPED_TRACE(left);
    TnForm form("FrmLayout");
    form.ScreenWidth = tela;
    form.ScreenHeight = tela == 800 ? 600 : 768;
    TnFraField& conta = form.Criar<TnFraField>("FraCONTACTBDEB");
    conta.NomeCampo = "CONTACTBDEB";
    conta.Left = contaLeft;
    conta.Width = contaWidth;
    std::unique_ptr<TnCtbDMLctoCtb> modulo =
        Nutilform::CriarDMNovo<TnCtbDMLctoCtb>("TnCtbDMLctoCtb");
    modulo->Configurar(&form);
    modulo->Abrir(&FSelecao);
    form.Resize(largura, 500);
    EXPECT_EQ(form.Panel(TnCtbDMLctoCtb::kPanelSaldo[0]).Left, left);
    EXPECT_EQ(form.Panel(TnCtbDMLctoCtb::kPanelSaldo[1]).Left, left);
  }
}

TEST_P(TnCtbDMLctoCtbSaldoTest, PanelShowsTheDaysThatDoNotBalanceAsTheyArePosted) {
  Configurar("UTILDIFLANCAMENTO = '1'");
  Gravar(1, "2024-03-04", "101", "null", "30");
  TnCtbDMLctoCtb& modulo = Criar();
  ASSERT_NE(modulo.GetFraDifSaldo(), nullptr);
  EXPECT_TRUE(modulo.GetFraDifSaldo()->Visivel());
  TnClientDataSet& diferencas = *modulo.GetCDSDiferenca();
  const char* campos = "DATALCTOCTB;CODIGOESTAB;VALORDEBITO;VALORCREDITO;DIFERENCA";
  EXPECT_EQ(Linhas(diferencas, campos), "04/03/2024 1 30 0 30");
  TnClientDataSet& cds = modulo.nClientDataSet;
  NovoValido(modulo, {{"CONTACTBCRED", Value()}});
  cds.Post();
  EXPECT_EQ(Linhas(diferencas, campos), "04/03/2024 1 30 0 30; 10/03/2024 1 100 0 100");
  NovoValido(
      modulo,
      {{"CONTACTBDEB", Value()}, {"DATALCTOCTB", EncodeDate(2024, 3, 4)}, {"VALORLCTOCTB", 30.0}});
  cds.Post();
  EXPECT_EQ(Linhas(diferencas, campos), "10/03/2024 1 100 0 100");
  cds.Delete();
  EXPECT_EQ(Linhas(diferencas, campos), Linhas(*Criar().GetCDSDiferenca(), campos));
}

TEST_P(TnCtbDMLctoCtbSaldoTest, LastEntriesAreTheUsersTenNewestOfThePeriod) {
  Configurar("UTILULTIMOSLCTO = '1'");
  for (int chave = 1; chave <= 12; ++chave)
    Gravar(chave, "2024-03-05", "101", "102", "10");
  Gravar(20, "2024-03-05", "101", "102", "10", 1, 2);  // another user
  Gravar(21, "2024-04-05", "101", "102", "10");        // after the period
  TnCtbDMLctoCtb& modulo = Criar();
  EXPECT_EQ(Linhas(modulo.nClientDataSetUlt, "CHAVELCTOCTB"), "12; 11; 10; 9; 8; 7; 6; 5; 4; 3");
  modulo.nClientDataSetUlt.First();
  EXPECT_EQ(modulo.nClientDataSetUlt.FieldByName("HISTORICO").AsString(), "SIMPLES c12");
  NovoValido(modulo);
  modulo.nClientDataSet.Post();
  const std::string nova = modulo.nClientDataSet.FieldByName("CHAVELCTOCTB").AsString();
  EXPECT_EQ(Linhas(modulo.nClientDataSetUlt, "CHAVELCTOCTB").substr(0, nova.size() + 4),
            nova + "; 12");
}

TEST_P(TnCtbDMLctoCtbSaldoTest, WebContentCarriesThePanesItShows) {
  Configurar("UTILULTIMOSLCTO = '1', UTILDIFLANCAMENTO = '1'");
  Gravar(1, "2024-03-04", "101", "null", "30");
  const nlohmann::ordered_json conteudo = Criar().PegarJsonConteudo();
  std::string panes;
  for (const auto& grid : conteudo["grids"])
    panes += grid["Caption"].get<std::string>() + "=" + std::to_string(grid["rows"].size()) + " ";
  EXPECT_EQ(panes, "Últimos Lançamentos=1 Diferenças no Período=1 ");
  EXPECT_EQ(conteudo["Name"], "cxGrids");
}

TEST_P(TnCtbDMLctoCtbSaldoTest, TitleRowIsBuiltWithTheAccountFieldOutsideImportMode) {
  for (const bool importacao : {false, true}) {
    SCOPED_TRACE(importacao);
    auto modulo = Nutilform::CriarDMNovo<TnCtbDMLctoCtb>("TnCtbDMLctoCtb");
    TnForm form("FrmTitulo");
    TnFraField& conta = form.Criar<TnFraField>("FraCONTACTBCRED");
    conta.NomeCampo = "CONTACTBCRED";
    conta.EditTop = 20;
    modulo->SetImportacao(importacao);
    modulo->Configurar(&form);
    modulo->Abrir(&FSelecao);
    const TnControle* titulo = form.Controle(TnCtbDMLctoCtb::kFraTitulo[1]);
    ASSERT_EQ(titulo != nullptr, !importacao);
    if (importacao)
      continue;
    EXPECT_EQ(titulo->Parent, "FraCONTACTBCRED");
    EXPECT_EQ(form.Label(TnCtbDMLctoCtb::kLblCta[1]).Top, 24);
    EXPECT_EQ(form.Label(TnCtbDMLctoCtb::kLblDescr[1]).Color, 0x00C08000U);
    EXPECT_NE(form.Controle(TnCtbDMLctoCtb::kFraTitulo[0]), nullptr) << "the debit's too";
  }
}

TEST_P(TnCtbDMLctoCtbSaldoTest, ProgrammedEntriesOfTheDateAreListedAndOpenedFromTheGrid) {
  Configurar("UTILDIFLANCAMENTO = '1'");
  Executar(
      "insert into LCTOPROG (CODIGOEMPRESA, CODIGOLCTOPROG, DESCRLCTOPROG) values (1, 7, "
      "'Aluguel')");
  InserirLcto(5, "2024-03-10", ", CODIGOLCTOPROG", ", 7");
  InserirLcto(6, "2024-03-11", ", CODIGOLCTOPROG", ", 7");
  InserirLcto(8, "2024-03-10");
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  NovoValido(modulo);
  ASSERT_NE(modulo.GetDMLctoProgramado(), nullptr);
  TnClientDataSet& lista = modulo.GetDMLctoProgramado()->MemTableEh();
  EXPECT_FALSE(lista.Active()) << "nothing to list before a programmed entry is typed";
  cds.FieldByName("CODIGOLCTOPROG").SetAsInteger(7);
  EXPECT_EQ(Linhas(lista, "CHAVELCTOCTB"), "5");
  cds.FieldByName("DATALCTOCTB").SetAsDateTime(EncodeDate(2024, 3, 11));
  EXPECT_EQ(Linhas(lista, "CHAVELCTOCTB"), "6");
  ASSERT_EQ(modulo.GetFraDifSaldo()->dsLctoProgramado, &lista);
  cds.Cancel();
  modulo.GetFraDifSaldo()->DoubleClickGridLctoProg();
  EXPECT_EQ(cds.FieldByName("CHAVELCTOCTB").AsInteger(), 6);
}

TEST_P(TnCtbDMLctoCtbSaldoTest, SearchOfTheLastEntriesGridSwitchesOnFiltersAndOff) {
  Configurar("UTILULTIMOSLCTO = '1'");
  for (const int chave : {1, 2, 12})
    InserirLcto(chave, "2024-03-05", ", COMPLHIST, CODIGOUSUARIO",
                ", 'nota " + std::to_string(chave) + "', 1");
  TnCtbDMLctoCtb& modulo = Criar();
  TnFraValorSaldoDebCred& painel = *modulo.GetFraDifSaldo();
  TnPainelPesquisaGrid& pesquisa = painel.PesquisaGridLcto();
  pesquisa.Texto = "NOTA 12";
  ASSERT_TRUE(modulo.Form()->PressionarAtalho("Ctrl+F3"));
  EXPECT_TRUE(pesquisa.Enabled && pesquisa.Active && pesquisa.ModoEditor);
  EXPECT_EQ(Linhas(modulo.nClientDataSetUlt, "CHAVELCTOCTB"), "12");
  modulo.actPesquisar();
  EXPECT_FALSE(pesquisa.Enabled || pesquisa.Active || pesquisa.ModoEditor);
  EXPECT_TRUE(painel.GridLctoFocado());
  EXPECT_EQ(Linhas(modulo.nClientDataSetUlt, "CHAVELCTOCTB"), "12; 2; 1");
  // Enabled while its box was closed: only opened again.
  pesquisa.Enabled = true;
  modulo.actPesquisar();
  EXPECT_TRUE(pesquisa.Active);
  EXPECT_FALSE(pesquisa.ModoEditor);
}

// The main window's menu offers the processes under "Lançamentos
// Automáticos"; the screen starts one as the menu would and tells the
// process it came from the entry screen.
TEST_P(TnCtbDMLctoCtbSaldoTest, AutomaticEntriesStartAtOnceOrPopTheMenuUp) {
  const char* kProcesso = "TnCtbDPGerarSaldoCtbIndividual";
  TnFormPrincipal principal;
  Sessao().Emprestar(&principal);
  int outros = 0;
  const auto oferecer = [&](const std::string& nome, TnActionHandler handler) {
    TnAction& acao = principal.CriarAction(nome, nome, "", std::move(handler));
    acao.SetCategory("Lançamentos Automáticos");
  };
  oferecer(std::string("act") + kProcesso, [&](TnAction&) { Nutilform::CriarDM(kProcesso); });
  TnCtbDMLctoCtb& um = Criar();
  ASSERT_TRUE(um.Form()->PressionarAtalho("F9"));
  EXPECT_FALSE(um.nPopupMenuLctoAuto.Aberto);
  auto* processo = dynamic_cast<TnDMPowerParam*>(Nutilform::Instancias().PegarDM(kProcesso));
  ASSERT_NE(processo, nullptr) << "started without the menu";
  EXPECT_TRUE(processo->GetChamadoLctoCtb());
  Nutilform::DestruirDM(kProcesso);

  oferecer("actOutro", [&](TnAction&) { ++outros; });
  TnCtbDMLctoCtb& dois = Criar();
  TnToolButton& botao = *dois.GetToolButtonLctoAuto();
  botao.Left = 40;
  botao.Top = 2;
  botao.Height = 22;
  dois.actLctoAuto();
  EXPECT_TRUE(dois.nPopupMenuLctoAuto.Aberto);
  EXPECT_EQ(dois.nPopupMenuLctoAuto.Items.size(), 2U);
  EXPECT_EQ(dois.nPopupMenuLctoAuto.X, 40);
  EXPECT_EQ(dois.nPopupMenuLctoAuto.Y, 24);
  EXPECT_EQ(outros, 0);
  dois.actLctoAutoAbrir("actOutro");
  EXPECT_EQ(outros, 1);
  EXPECT_FALSE(dois.nPopupMenuLctoAuto.Aberto);
  Sessao().Emprestar<TnFormPrincipal>(nullptr);
}

CTB_INSTANTIATE_ENGINES(TnCtbDMLctoCtbSaldoTest);
