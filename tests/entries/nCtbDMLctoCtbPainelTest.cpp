// What the entry screen offers around the entry: the title row built with
// the account field, the programmed entries of the date, the search of the
// last-entries grid and the menu of the automatic-entry processes.
#include "entries/nDMLancamentoProgramado_U.h"
#include "framework/app/TnDMPowerParam.h"
#include "framework/app/TnSelecao.h"
#include "framework/core/Nutil.h"
#include "framework/db/TnSessao.h"
#include "tests/entries/TLctoCtbTest.h"

namespace {

class TnCtbDMLctoCtbPainelTest : public TLctoCtbTest {
 protected:
  void SetUp() override {
    TLctoCtbTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    SelecionarMarco2024();
  }
  void Configurar(const std::string& colunas) {
    Executar("update CFGEMPRESACTB set " + colunas + " where CODIGOEMPRESA = 1");
    ControleCTB().LimparChave();
  }
  // The keys of a grid's rows as it shows them, by "; ".
  static std::string Chaves(TnClientDataSet& cds) {
    std::string texto;
    for (cds.First(); !cds.Eof(); cds.Next())
      Nutil::Add(texto, cds.FieldByName("CHAVELCTOCTB").AsString(), "; ");
    return texto;
  }
};

TEST_P(TnCtbDMLctoCtbPainelTest, TitleRowIsBuiltWithTheAccountFieldOutsideImportMode) {
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

TEST_P(TnCtbDMLctoCtbPainelTest, ProgrammedEntriesOfTheDateAreListedAndOpenedFromTheGrid) {
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
  EXPECT_EQ(Chaves(lista), "5");
  cds.FieldByName("DATALCTOCTB").SetAsDateTime(EncodeDate(2024, 3, 11));
  EXPECT_EQ(Chaves(lista), "6");
  ASSERT_EQ(modulo.GetFraDifSaldo()->dsLctoProgramado, &lista);
  cds.Cancel();
  modulo.GetFraDifSaldo()->DoubleClickGridLctoProg();
  EXPECT_EQ(cds.FieldByName("CHAVELCTOCTB").AsInteger(), 6);
}

TEST_P(TnCtbDMLctoCtbPainelTest, SearchOfTheLastEntriesGridSwitchesOnFiltersAndOff) {
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
  EXPECT_EQ(Chaves(modulo.nClientDataSetUlt), "12");
  modulo.actPesquisar();
  EXPECT_FALSE(pesquisa.Enabled || pesquisa.Active || pesquisa.ModoEditor);
  EXPECT_TRUE(painel.GridLctoFocado());
  EXPECT_EQ(Chaves(modulo.nClientDataSetUlt), "12; 2; 1");
  // Enabled while its box was closed: only opened again.
  pesquisa.Enabled = true;
  modulo.actPesquisar();
  EXPECT_TRUE(pesquisa.Active);
  EXPECT_FALSE(pesquisa.ModoEditor);
}

// The main window's menu offers the processes under "Lançamentos
// Automáticos"; the screen starts one as the menu would and tells the
// process it came from the entry screen.
TEST_P(TnCtbDMLctoCtbPainelTest, AutomaticEntriesStartAtOnceOrPopTheMenuUp) {
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

CTB_INSTANTIATE_ENGINES(TnCtbDMLctoCtbPainelTest);

}  // namespace
