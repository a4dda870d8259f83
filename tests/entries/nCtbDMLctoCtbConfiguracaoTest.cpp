// Set-up of the journal-entry module: defaults of a new entry, the cached
// configuration loaders, the menu entries and the registration by name.
#include "tests/entries/LctoCtbFixture.h"

namespace {

using TnCtbDMLctoCtbConfiguracaoTest = TnLctoCtbFixture;

// The company settings the module read, as one line.
std::string Estado(TnCtbDMLctoCtb& m) {
  const TnConfigEmpresaLctoCtb& c = m.Config().Empresa;
  const bool semExercicio = c.DataInicialExerc.IsZero() && c.DataFinalExerc.IsZero();
  return std::string(c.UsaLote ? "lote " : "") + (c.UsaNumeroDcto ? "dcto " : "") +
         (c.UsaOrigemLctoCtb ? "origem " : "") + (c.UsaUltimosLcto ? "ultimos " : "") +
         (c.InformaCodigoSyn ? "syn " : "") + (c.MostraCadLctoGer ? "cadger " : "") +
         (c.UsaCentroCusto ? "cc " : "") + std::to_string(m.GetTipoExibeTituloSaldo()) +
         (semExercicio ? " semexerc"
                       : " " + DateToStr(c.DataInicialExerc) + "-" + DateToStr(c.DataFinalExerc));
}

}  // namespace

// A desktop entry gets "CB/2" and an import "IP/3"
// (TnCtbDMLctoCtbTest's first and import cases); what changes them:
TEST_P(TnCtbDMLctoCtbConfiguracaoTest, OriginAndDataSourceDefaults) {
  // The case, what is set on the filled record and "ORIGEM/ORIGEMDADO" after the post.
  const std::tuple<const char*, std::function<void(TnCtbDMLctoCtb&)>, const char*> casos[] = {
      {"BatchOriginWinsOverTheTypedOne",
       [](TnCtbDMLctoCtb& m) {
         Set(m.nClientDataSet, {{"CODIGOLOTECTB", 3}, {"CODIGOORIGLCTOCTB", "XX"}});
       },
       "LT/2"},
      {"OtherModulesEightBecomesThree",
       [](TnCtbDMLctoCtb& m) {
         Set(m.nClientDataSet, {{"ORIGEMDADO", 8}});
       },
       "CB/3"},
      {"AutomaticIsOne", [](TnCtbDMLctoCtb& m) { m.SetAutomatico(true); }, "CB/1"},
      {"AnalyticIsFive", [](TnCtbDMLctoCtb& m) { m.SetModoAnalitico(true); }, "CB/5"},
      {"TypedOriginKept",
       [](TnCtbDMLctoCtb& m) {
         Set(m.nClientDataSet, {{"CODIGOORIGLCTOCTB", "DG"}});
       },
       "DG/2"},
      {"WebExecutableLeavesOriginEmpty",
       [](TnCtbDMLctoCtb& m) {
         Nutil::SetEhHttpExe(true);
         Set(m.nClientDataSet, {{"CODIGOORIGLCTOCTB", Value()}});
       },
       "/2"},
  };
  for (const auto& [nome, preparar, esperado] : casos) {
    SCOPED_TRACE(nome);
    TnCtbDMLctoCtb& modulo = CriarNovo();
    preparar(modulo);
    TnClientDataSet& cds = modulo.nClientDataSet;
    cds.Post();
    EXPECT_EQ(cds.FieldByName("CODIGOORIGLCTOCTB").AsString() + "/" +
                  cds.FieldByName("ORIGEMDADO").AsString(),
              esperado);
    Nutil::SetEhHttpExe(false);
  }
}

TEST_P(TnCtbDMLctoCtbConfiguracaoTest, NewRecordDefaults) {
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  const TDateTime antes = Now();
  cds.Append();
  EXPECT_EQ(Campos(cds, "CODIGOEMPRESA;CODIGOUSUARIO;LCTOCONCILDEB;LCTOCONCILCRED;TIPOLANCAMENTO"),
            "CODIGOEMPRESA=1 CODIGOUSUARIO=1 LCTOCONCILDEB=0 LCTOCONCILCRED=0 TIPOLANCAMENTO=LN");
  EXPECT_GE(cds.FieldByName("DATAHORALCTOCTB").AsDateTime().Days(), antes.Days() - 1e-5);
  EXPECT_GT(cds.FieldByName("CHAVELCTOCTB").AsInteger(), 0);
  // A one-day batch fixes an empty date.
  cds.FieldByName("CODIGOLOTECTB").SetAsInteger(4);
  cds.FieldByName("DATALCTOCTB").Clear();
  ASSERT_TRUE(cds.Modified());
  modulo.ConfigurarAutoValor(cds);
  EXPECT_EQ(DateToStr(cds.FieldByName("DATALCTOCTB").AsDateTime()), "10/05/2024");
  EXPECT_FALSE(cds.Modified());  // defaults are not the person's typing
  cds.Cancel();
  // So does a one-day selection.
  FSelecao.SetParam(kSelDataInicial, Value(EncodeDate(2024, 3, 15)));
  FSelecao.SetParam(kSelDataFinal, Value(EncodeDate(2024, 3, 15)));
  TnClientDataSet& umDia = Criar().nClientDataSet;
  umDia.Append();
  EXPECT_EQ(DateToStr(umDia.FieldByName("DATALCTOCTB").AsDateTime()), "15/03/2024");
}

TEST_P(TnCtbDMLctoCtbConfiguracaoTest, DocumentNumbersAndBatchesOffAreClosedAndCleared) {
  Configurar("UTILNUMERODCTO = '0', UTILLOTE = '0'");
  InserirLcto(80, "2024-03-05", ", NUMERODCTO, CODIGOLOTECTB", ", 'NF 1', 1");
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  for (const char* nome : {"NUMERODCTO", "CODIGOLOTECTB"}) {
    EXPECT_TRUE(cds.FieldByName(nome).ReadOnly()) << nome;
    EXPECT_FALSE(cds.FieldByName(nome).Visible()) << nome;
  }
  Ir(cds, 80, true);
  EXPECT_THROW(cds.FieldByName("NUMERODCTO").SetAsString("NF 2"), EDatabaseStateError);
  cds.FieldByName("COMPLHIST").SetAsString("REVISTO");
  cds.Post();
  EXPECT_EQ(Linha(80, "NUMERODCTO;CODIGOLOTECTB;COMPLHIST"),
            "NUMERODCTO= CODIGOLOTECTB= COMPLHIST=REVISTO");
}

// Company 1's row against company 3's defaults; the web client gets the
// switches too, keys in the order it reads them.
TEST_P(TnCtbDMLctoCtbConfiguracaoTest, EachCompanyReadsItsSwitchesOrTheDefaults) {
  FSelecao.SetParam(kSelCodigoEmpresa, Value(int64_t{3}));
  TnCtbDMLctoCtb& semLinha = Criar();
  semLinha.PegarConfigEmpresa();
  EXPECT_EQ(Estado(semLinha), "lote dcto origem ultimos syn cadger 0 semexerc");
  FSelecao.SetParam(kSelCodigoEmpresa, Value(int64_t{1}));
  TnCtbDMLctoCtb& modulo = Criar();
  modulo.PegarConfigEmpresa();
  EXPECT_EQ(Estado(modulo), "lote dcto origem cadger 2 01/01/2024-31/12/2024");
  EXPECT_FALSE(modulo.nClientDataSet.FieldByName("IDSYN").Visible());
  const nlohmann::ordered_json json = modulo.PegarJsonConfigExtra();
  std::string chaves;
  for (const auto& item : json.items())
    chaves += item.key() + " ";
  EXPECT_EQ(chaves,
            "DireitoAlteraDadoFixoLancamentoProg UsaLote UsaNumeroDcto FilialSelecionada "
            "UsaOrigemLctoCtb DataInicialSelecao DataFinalSelecao PertenceLote DataInicialLote "
            "DataFinalLote EhOptanteIFRS UsaAtividades UsaCentroCusto ");
  EXPECT_EQ(json["UsaLote"], true);
  EXPECT_EQ(json["EhOptanteIFRS"], false);
  EXPECT_EQ(json["DireitoAlteraDadoFixoLancamentoProg"], false);
  EXPECT_EQ(json["UsaCentroCusto"], false);
  // A display mode outside 0..3 leaves the mode as it was.
  Configurar("TIPOEXIBETITULOSALDO = 7");
  modulo.PegarConfigEmpresa(true);
  EXPECT_EQ(modulo.GetTipoExibeTituloSaldo(), 2);
}

TEST_P(TnCtbDMLctoCtbConfiguracaoTest, CacheKeysReloadForAnotherCompanyOnly) {
  TnCtbDMLctoCtb& modulo = Criar(false);
  TnClientDataSet& cds = modulo.nClientDataSet;
  modulo.PegarConfigEmpresa();
  const int leituras = modulo.CacheConfig().LeiturasEmpresa;
  modulo.PegarConfigEmpresa();
  EXPECT_EQ(modulo.CacheConfig().LeiturasEmpresa, leituras);
  cds.Append();
  cds.FieldByName("CODIGOEMPRESA").SetAsInteger(2);
  modulo.PegarConfigEmpresa();
  EXPECT_EQ(modulo.CacheConfig().LeiturasEmpresa, leituras + 1);
  EXPECT_FALSE(modulo.Config().Empresa.UsaLote);  // company 2 keeps no batches
  modulo.PegarConfigEmpresa(true);
  EXPECT_EQ(modulo.CacheConfig().LeiturasEmpresa, leituras + 2);
  modulo.LimparChaveConfig();
  modulo.PegarConfigEmpresa();
  EXPECT_EQ(modulo.CacheConfig().LeiturasEmpresa, leituras + 3);
  cds.Cancel();

  const int plano = modulo.CacheConfig().LeiturasPlano;
  modulo.PegarConfigPlano();
  modulo.PegarConfigPlano();
  EXPECT_EQ(modulo.CacheConfig().LeiturasPlano, plano + 1);

  cds.Append();
  const int lote = modulo.CacheConfig().LeiturasLote;
  cds.FieldByName("CODIGOLOTECTB").SetAsInteger(1);
  modulo.PegarConfigLote();
  modulo.PegarConfigLote();
  EXPECT_EQ(modulo.CacheConfig().LeiturasLote, lote + 1);
  EXPECT_EQ(DateToStr(modulo.Config().Lote.DataFinalLote), "31/01/2024");
  cds.FieldByName("CODIGOLOTECTB").SetAsInteger(2);
  modulo.PegarConfigLote();
  EXPECT_EQ(modulo.CacheConfig().LeiturasLote, lote + 2);
  EXPECT_FALSE(modulo.Config().Lote.AlteracaoLote);
  cds.FieldByName("CODIGOLOTECTB").Clear();
  modulo.PegarConfigLote();
  EXPECT_FALSE(modulo.Config().Lote.PertenceLote);
  EXPECT_TRUE(modulo.Config().Lote.AlteracaoLote);
  cds.Cancel();
}

TEST_P(TnCtbDMLctoCtbConfiguracaoTest, DoubleEntryAccountsIncludeTheAnalyticsOfAGroup) {
  Executar(
      "insert into DEFPLANOESPEC (CODIGOEMPRESA, TIPOCONTA, CONTACTB) values (1, 4, 1), "
      "(1, 5, 201), (1, 99, 103)");
  TnCtbDMLctoCtb& modulo = Criar();
  modulo.PegarConfigPlano();
  std::string contas;
  for (modulo.cdsContasDupla.First(); !modulo.cdsContasDupla.Eof(); modulo.cdsContasDupla.Next())
    contas += modulo.cdsContasDupla.Fields(0).AsString() + " ";
  EXPECT_EQ(contas, "101 102 103 201 ");
  EXPECT_TRUE(modulo.ContaDePartidaDobrada(Value(103)));
  modulo.SetImportacao(true);
  EXPECT_FALSE(modulo.ContaDePartidaDobrada(Value(103)));
}

TEST_P(TnCtbDMLctoCtbConfiguracaoTest, LimitedUserFollowsTheRight) {
  TnCtbDMLctoCtb& modulo = Criar(false);
  modulo.PegarConfigUsuario();
  EXPECT_FALSE(modulo.Config().Usuario.UsuarioLimitado);
  Direito("DireitoLctoCtb", "2");
  TnCtbDMLctoCtb& outro = Criar(false);
  outro.PegarConfigUsuario();
  EXPECT_TRUE(outro.Config().Usuario.UsuarioLimitado);
  Conexao().SetCodigoUsuario(0);
  outro.PegarConfigUsuario();
  EXPECT_FALSE(outro.Config().Usuario.UsuarioLimitado);
}

// One desktop action per module; the workspace's, under the accounting
// module only, opens the journal screen. The workspace class is registered
// by name and posts as the desktop one.
TEST_P(TnCtbDMLctoCtbConfiguracaoTest, MenuEntriesAndRegistrationOfBothClasses) {
  TnActionList lista;
  TnCtbDMLctoCtb::GerarPrincAction(lista, nullptr, {TnModulo::nCtb, TnModulo::nFin});
  EXPECT_EQ(lista.Count(), 2u);
  TnActionList area;
  TnCtbDMLctoCtbAreaTrabalho::GerarPrincAction(area, nullptr, {TnModulo::nFin});
  EXPECT_EQ(area.Count(), 0u);
  TnCtbDMLctoCtbAreaTrabalho::GerarPrincAction(area, nullptr, {TnModulo::nCtb});
  ASSERT_EQ(area.Count(), 1u);
  EXPECT_EQ(area[0].Link(), HashNomeAcao("actTnCtbDMLctoCtb"));
  TnCtbDMLctoCtb& modulo = Criar(true, "TnCtbDMLctoCtbAreaTrabalho");
  EXPECT_NE(dynamic_cast<TnCtbDMLctoCtbAreaTrabalho*>(&modulo), nullptr);
  NovoValido(modulo);
  modulo.nClientDataSet.Post();
  EXPECT_EQ(Contar("select count(*) from LCTOCTB"), 1);
}

TEST_P(TnCtbDMLctoCtbConfiguracaoTest, SelectionRequirementFollowsPersonalisation) {
  TnCtbDMLctoCtb& modulo = Criar(false);
  EXPECT_EQ(modulo.PegarVerificaSelecao(), "");
  FPersonalizacao.SetFlags(TnDMPersonalizacao::kFlagSelecaoEmpresaPeriodo);
  SetnDMPersonalizacao(&FPersonalizacao);
  EXPECT_EQ(modulo.PegarVerificaSelecao(),
            "CodigoEmpresa;DataLctoCtb_MAIORIGUAL;DataLctoCtb_MENORIGUAL");
  // Without the period the screen does not open.
  EXPECT_THROW(Criar(false), Exception);
  SelecionarMarco2024();
  InserirLcto(30, "2024-03-05");
  InserirLcto(31, "2024-04-05");
  EXPECT_EQ(Criar(false).nClientDataSet.RecordCount(), 1);
}

// The entry type shows only to an IFRS company.
TEST_P(TnCtbDMLctoCtbConfiguracaoTest, EntryTypeShowsOnlyToAnIfrsCompany) {
  TnCtbDMLctoCtb& modulo = Criar();
  EXPECT_FALSE(modulo.nClientDataSet.FieldByName("TIPOLANCAMENTO").Visible());
  EXPECT_FALSE(modulo.nClientDataSet.FindField("NATURLCTOCTB"));
  FSelecao.SetParam(kSelCodigoEmpresa, Value(int64_t{2}));
  TnCtbDMLctoCtb& ifrs = Criar(false);
  ifrs.ConfigurarTipoLcto();
  EXPECT_TRUE(ifrs.nClientDataSet.FieldByName("TIPOLANCAMENTO").Visible());
}

TEST_P(TnCtbDMLctoCtbConfiguracaoTest, WebFormOffersTheLinkedDetailScreens) {
  Nutil::SetEhHttp(true);
  auto modulo = Nutilform::CriarDMNovo<TnCtbDMLctoCtb>("TnCtbDMLctoCtb");
  TnForm form("FrmVis", "TnFrmVisDataSet");
  modulo->Configurar(&form);
  Nutil::SetEhHttp(false);
  std::string nomes;
  for (const TnInfoDetalhe& info : modulo->InfoDetalhes())
    nomes += info.Nome + ":" + info.Filtro + " ";
  // Cost centres are off before the selection names the company.
  EXPECT_EQ(nomes, "debito:NATURLCTOCTB;1 credito:NATURLCTOCTB;-1 relacionarLancamento: ");
}

CTB_INSTANTIATE_ENGINES(TnCtbDMLctoCtbConfiguracaoTest);
