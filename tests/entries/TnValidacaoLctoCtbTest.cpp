// The rule chain over a record built in memory: no data module around it,
// only the record, the settings and the user's session (company 1's chart:
// 1 synthetic, 101 and 102; history 4 active, 2 inactive; no batch
// registered).
#include "entries/TnValidacaoLctoCtb.h"

#include "framework/app/Ndialogs.h"
#include "framework/app/TnDMPersonalizacao.h"
#include "framework/data/ClientDataSet.h"
#include "tests/entries/ResultadoRegra.h"
#include "tests/support/TestDatabases.h"

namespace {

class TnValidacaoLctoCtbTest : public TSchemaTest {
 protected:
  void SetUp() override {
    TSchemaTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    Exec(
        "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, DESCRCONTA, TIPOCONTA) "
        "values (1, 1, '1', 'ATIVO', 1), (1, 101, '1.01', 'Caixa', 2), "
        "(1, 102, '1.02', 'Banco', 2)");
    Exec("insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB) values (1, 1, 'Matriz')");
    Exec(
        "insert into HISTORICOCTB (CODIGOHISTCTB, DESCRHISTCTB, CODIGOGRUPOHISTCTB, STATUS) "
        "values (2, 'INATIVO', 10, 1), (4, 'SIMPLES', 20, 0)");
    using T = TFieldType;
    for (const char* nome : {"CODIGOEMPRESA", "CHAVELCTOCTB", "CODIGOESTAB", "CODIGOLOTECTB",
                             "CODIGOHISTCTB", "CODIGOLCTOPROG"})
      FRegistro.AddField(nome, T::ftInteger);
    for (const char* nome : {"CONTACTBDEB", "CONTACTBCRED", "TRANSCTB"})
      FRegistro.AddField(nome, T::ftLargeint);
    for (const char* nome :
         {"TIPOLANCAMENTO", "CODIGOORIGLCTOCTB", "COMPLHIST", "LCTOCONCILDEB", "CHAVEORIGEM"})
      FRegistro.AddField(nome, T::ftString, 30);
    FRegistro.AddField("DATALCTOCTB", T::ftDate);
    FRegistro.AddField("VALORLCTOCTB", T::ftBCD);
    FRegistro.CreateDataSet();
    Reiniciar();
    FDialogos = std::make_shared<TDialogServiceScripted>();
    FUsarDialogos = std::make_unique<TUsarDialogService>(FDialogos);
  }
  void TearDown() override {
    FUsarDialogos.reset();
    if (!IsSkipped())  // a skipped engine opened no session
      SetnDMPersonalizacao(nullptr);
    TSchemaTest::TearDown();
  }

 public:
  // Company 1's settings for 2024, nothing else.
  void Reiniciar() {
    FConfig = TnConfigLctoCtb{};
    FConfig.Empresa.DataInicialExerc = EncodeDate(2024, 1, 1);
    FConfig.Empresa.DataFinalExerc = EncodeDate(2024, 12, 31);
    FContexto = TnContextoValidacaoLctoCtb{};
    FContexto.CodigoEmpresa = 1;
    FConsultas = TConsultasDeTeste{};
    SetnDMPersonalizacao(nullptr);
  }
  // A valid new entry of company 1: 10/03/2024, 101 -> 102, history 4,
  // 100,00, origin "CB".
  void NovoValido() {
    FRegistro.Append();
    Set("CODIGOEMPRESA", 1);
    Set("CHAVELCTOCTB", 1);
    Set("CODIGOESTAB", 1);
    Set("DATALCTOCTB", EncodeDate(2024, 3, 10));
    Set("TIPOLANCAMENTO", "LN");
    Set("CODIGOORIGLCTOCTB", "CB");
    Set("CONTACTBDEB", 101);
    Set("CONTACTBCRED", 102);
    Set("CODIGOHISTCTB", 4);
    Set("VALORLCTOCTB", 100.0);
  }
  void Set(const char* campo, const Value& valor) { FRegistro.FieldByName(campo).SetValue(valor); }
  // The entry belongs to a batch opened on 01/01/2024.
  void Lote(TDateTime fim, bool aberto, const char* origem) {
    FConfig.Lote = {true, EncodeDate(2024, 1, 1), fim, aberto, origem};
  }
  // The personalisation allows no entry after 05/03/2024.
  void LimitarPersonalizacao() {
    FPersonalizacao.SetPermiDataFinal(EncodeDate(2024, 3, 5));
    SetnDMPersonalizacao(&FPersonalizacao);
  }

  std::string Validar() {
    return ResultadoDe([this] {
      const TnLctoCtbEmValidacao entrada = TnLctoCtbEmValidacao::DoRegistro(FRegistro);
      TnValidacaoLctoCtb(entrada, FConfig, Sessao(), FContexto, FConsultas)
          .ValidarDado()
          .Aplicar(FRegistro);
    });
  }

  TnClientDataSet FRegistro;
  TnConfigLctoCtb FConfig;
  TnContextoValidacaoLctoCtb FContexto;
  // The module's answers, as a case sets them; the rest are the defaults.
  struct TConsultasDeTeste : TnConsultasLctoCtb {
    bool Ifrs = false;
    bool Sped = false;
    bool AssumeOrigem = false;
    bool EhOptanteIFRS() override { return Ifrs; }
    bool PossuiSPED() override { return Sped; }
    bool AlterarChaveOrigem() override { return AssumeOrigem; }
  } FConsultas;
  std::shared_ptr<TDialogServiceScripted> FDialogos;
  std::unique_ptr<TUsarDialogService> FUsarDialogos;
  TnDMPersonalizacao FPersonalizacao;
};

struct TCaso {
  const char* Nome;
  std::function<void(TnValidacaoLctoCtbTest&)> Preparar;
  std::string Esperado;
};

#define PREPARAR(...) []([[maybe_unused]] TnValidacaoLctoCtbTest& t) { __VA_ARGS__; }

}  // namespace

// Each record breaks one rule, or several to show which one the chain
// reaches first.
TEST_P(TnValidacaoLctoCtbTest, NewRecordRefusedOnItsFieldInChainOrder) {
  const std::vector<TCaso> casos = {
      {"Valid", PREPARAR(), "ok"},
      {"UnknownEstablishmentBeforeDates",
       PREPARAR(t.Set("CODIGOESTAB", 9); t.Set("DATALCTOCTB", EncodeDate(2023, 12, 31))),
       Campo("CODIGOESTAB", "Estabelecimento 9 não cadastrado na empresa 1")},
      {"PersonalisationLimitBeforeFiscalYear",
       PREPARAR(t.Set("DATALCTOCTB", EncodeDate(2025, 1, 2)); t.LimitarPersonalizacao()),
       Campo("DATALCTOCTB",
             "A data do lançamento não pode ser posterior a 05/03/2024, data final permitida na "
             "personalização do sistema!")},
      {"PersonalisationLimitSparesOriginCP",
       PREPARAR(t.Set("CODIGOORIGLCTOCTB", "cp"); t.LimitarPersonalizacao()), "ok"},
      {"FiscalYearBeforeSyntheticAccount",
       PREPARAR(t.Set("DATALCTOCTB", EncodeDate(2023, 12, 31)); t.Set("CONTACTBDEB", 1)),
       Campo("DATALCTOCTB",
             "A data do lançamento deve estar dentro do exercício social: de 01/01/2024 a "
             "31/12/2024!")},
      {"LastDayOfTheFiscalYear", PREPARAR(t.Set("DATALCTOCTB", EncodeDate(2024, 12, 31))), "ok"},
      {"SelectedPeriodOnScreen",
       PREPARAR(t.FContexto.TemTela = true;
                t.FContexto.DataInicialSelecao = Value(EncodeDate(2024, 4, 1));
                t.FContexto.DataFinalSelecao = EncodeDate(2024, 4, 30)),
       Campo("DATALCTOCTB",
             "A data do lançamento deve estar dentro do período selecionado: de 01/04/2024 a "
             "30/04/2024!")},
      {"SelectedPeriodIgnoredWithoutScreen",
       PREPARAR(t.FContexto.DataInicialSelecao = Value(EncodeDate(2024, 4, 1));
                t.FContexto.DataFinalSelecao = EncodeDate(2024, 4, 30)),
       "ok"},
      {"SyntheticCreditBeforeEqualAccounts",
       PREPARAR(t.Set("CONTACTBDEB", 1); t.Set("CONTACTBCRED", 1)),
       Campo("CONTACTBDEB", "A conta a débito é sintética! Informe uma conta analítica.")},
      {"AccountOutsideTheChart", PREPARAR(t.Set("CONTACTBCRED", 999)),
       Campo("CONTACTBCRED", "CONTACTBCRED: 999 não existe, verifique.")},
      {"SyntheticCredit", PREPARAR(t.Set("CONTACTBCRED", 1)),
       Campo("CONTACTBCRED", "A conta a crédito é sintética! Informe uma conta analítica.")},
      {"BothAccountsEmptyBeforeAmount",
       PREPARAR(t.FRegistro.FieldByName("CONTACTBDEB").Clear();
                t.FRegistro.FieldByName("CONTACTBCRED").Clear(); t.Set("VALORLCTOCTB", 0.0)),
       Campo("CONTACTBDEB", "Informe a conta a débito e/ou a conta a crédito do lançamento!")},
      {"EqualAccountsBeforeAmount",
       PREPARAR(t.Set("CONTACTBCRED", 101); t.Set("VALORLCTOCTB", 0.0)),
       Campo("CONTACTBDEB", "A conta a débito não pode ser igual à conta a crédito!")},
      {"NegativeAmountBeforeBatch",
       PREPARAR(t.Set("VALORLCTOCTB", -5.0); t.FConfig.Lote.PertenceLote = true),
       Campo("VALORLCTOCTB", "O valor do lançamento deve ser maior que zero!")},
      {"ZeroAmount", PREPARAR(t.Set("VALORLCTOCTB", 0.0)),
       Campo("VALORLCTOCTB", "O valor do lançamento deve ser maior que zero!")},
      {"DateBeforeTheBatch",
       PREPARAR(t.FConfig.Lote = {true, EncodeDate(2024, 4, 1), EncodeDate(2024, 4, 30), true, ""}),
       Campo("DATALCTOCTB",
             "A data do lançamento deve estar dentro do período do lote: de 01/04/2024 a "
             "30/04/2024!")},
      {"BatchTheCompanyLacksHasNoPeriod",
       PREPARAR(t.Set("CODIGOLOTECTB", 7); t.FConfig.Lote.PertenceLote = true),
       Campo("DATALCTOCTB", "A data do lançamento deve estar dentro do período do lote: de  a !")},
      {"DateOutsideBatchBeforeItsOrigin", PREPARAR(t.Lote(EncodeDate(2024, 1, 31), true, "LT")),
       Campo("DATALCTOCTB",
             "A data do lançamento deve estar dentro do período do lote: de 01/01/2024 a "
             "31/01/2024!")},
      {"OriginOtherThanTheBatchs", PREPARAR(t.Lote(EncodeDate(2024, 12, 31), true, "lt")),
       Campo("CODIGOLOTECTB", "A origem do lançamento não confere com a origem do lote!")},
      {"BatchOriginIgnoredWithoutOrigins",
       PREPARAR(t.FConfig.Empresa.UsaOrigemLctoCtb = false;
                t.Lote(EncodeDate(2024, 12, 31), true, "LT")),
       "ok"},
      {"ClosedBatch", PREPARAR(t.Lote(EncodeDate(2024, 12, 31), false, "")),
       Campo("CODIGOLOTECTB",
             "O lote está fechado e não permite inclusões, alterações ou exclusões de "
             "lançamentos!")},
      {"ClosedBatchTakesAnImport",
       PREPARAR(t.FContexto.Importacao = true; t.Lote(EncodeDate(2024, 12, 31), false, "")), "ok"},
      {"OtherModuleWithoutTakeOverBeforeHistory",
       PREPARAR(t.Set("CHAVEORIGEM", "ME01"); t.Set("CODIGOHISTCTB", 2)),
       "Exception: Alteração cancelada, registro automático!"},
      {"OtherModuleByOriginIM", PREPARAR(t.Set("CODIGOORIGLCTOCTB", "im")),
       "Exception: Alteração cancelada, registro automático!"},
      {"OtherModuleImportedAsIs",
       PREPARAR(t.FContexto.Importacao = true; t.Set("CHAVEORIGEM", "ME01")), "ok"},
      {"InactiveHistory", PREPARAR(t.Set("CODIGOHISTCTB", 2)),
       Campo("CODIGOHISTCTB", "Histórico não existe ou está inativo, verifique.")},
      {"MissingHistoryOfAnImportNamesTheCode",
       PREPARAR(t.FContexto.Importacao = true; t.Set("CODIGOHISTCTB", 99)),
       Campo("CODIGOHISTCTB", "99 não existe ou está inativo, verifique.")},
      {"AutomaticEntrySkipsTheHistory",
       PREPARAR(t.FContexto.Automatico = true; t.Set("CODIGOHISTCTB", 2)), "ok"},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    Reiniciar();
    NovoValido();
    caso.Preparar(*this);
    EXPECT_EQ(Validar(), caso.Esperado);
    EXPECT_TRUE(FDialogos->Registro().empty());
    FRegistro.Cancel();
  }
}

// A limited user posts from the first to the last day of the company's
// window, both included; without a screen the window is the company's.
TEST_P(TnValidacaoLctoCtbTest, LimitedUserPostsInsideTheWindowBothEndsIncluded) {
  Exec(
      "insert into CFGEMPRESACTB (CODIGOEMPRESA, DATAINICIALLCTOUSU, DATAFINALLCTOUSU) "
      "values (1, '2024-03-10', '2024-03-31')");
  FConfig.Usuario.UsuarioLimitado = true;
  const std::string fora = Campo("DATALCTOCTB",
                                 "A data do lançamento está fora do período permitido ao usuário: "
                                 "de 10/03/2024 a 31/03/2024!");
  for (const auto& [dia, esperado] : {std::pair{EncodeDate(2024, 3, 9), fora},
                                      {EncodeDate(2024, 3, 10), std::string("ok")},
                                      {EncodeDate(2024, 3, 31), std::string("ok")},
                                      {EncodeDate(2024, 4, 1), fora}}) {
    SCOPED_TRACE(DateToIso(dia));
    NovoValido();
    Set("DATALCTOCTB", dia);
    EXPECT_EQ(Validar(), esperado);
    FRegistro.Cancel();
  }
}

// With a batch's cache the second entry on an account, history or IFRS
// company gets the same answer as the first, without asking the database
// again. The company's adoption models cover March and the second half of
// the year, each to its last day.
TEST_P(TnValidacaoLctoCtbTest, ABatchCacheGivesEveryEntryTheSameAnswer) {
  TnCacheValidacaoLctoCtb cache;
  FContexto.Cache = &cache;
  FConsultas.Ifrs = true;
  Exec(
      "insert into OPCAOIFRSMODELO (CODIGOEMPRESA, DATAINICIAL, DATAFINAL, MODELOADOCAO) "
      "values (1, '2024-03-01', '2024-03-31', 1), (1, '2024-07-01', '2024-12-31', 2), "
      "(2, '2024-01-01', '2024-12-31', 1)");
  const std::string foraDoModelo = Campo(
      "DATALCTOCTB",
      "Não foi encontrada configuração para o Modelo de Adoção do IFRS no período do lançamento!");
  const std::vector<TCaso> casos = {
      {"SyntheticDebit", PREPARAR(t.Set("CONTACTBDEB", 1)),
       Campo("CONTACTBDEB", "A conta a débito é sintética! Informe uma conta analítica.")},
      {"InactiveHistory", PREPARAR(t.Set("CODIGOHISTCTB", 2)),
       Campo("CODIGOHISTCTB", "Histórico não existe ou está inativo, verifique.")},
      {"LastDayOfAModel", PREPARAR(t.Set("DATALCTOCTB", EncodeDate(2024, 3, 31))), "ok"},
      {"BetweenModels", PREPARAR(t.Set("DATALCTOCTB", EncodeDate(2024, 4, 1))), foraDoModelo},
      {"BeforeTheFirstModel", PREPARAR(t.Set("DATALCTOCTB", EncodeDate(2024, 2, 29))),
       foraDoModelo},
      {"FirstDayOfTheLastModel", PREPARAR(t.Set("DATALCTOCTB", EncodeDate(2024, 7, 1))), "ok"},
      {"Valid", PREPARAR(), "ok"},
  };
  for (int vez = 0; vez < 2; ++vez) {
    for (const TCaso& caso : casos) {
      SCOPED_TRACE(std::string(caso.Nome) + " " + std::to_string(vez));
      NovoValido();
      caso.Preparar(*this);
      EXPECT_EQ(Validar(), caso.Esperado);
      FRegistro.Cancel();
    }
    // The chart and models change under the cache: it keeps the batch's
    // answers.
    Exec("update PLANOESPEC set TIPOCONTA = 2 where CONTACTB = 1");
    Exec(
        "update OPCAOIFRSMODELO set DATAINICIAL = '2024-01-01' "
        "where CODIGOEMPRESA = 1 and DATAINICIAL = '2024-03-01'");
  }
  EXPECT_EQ(cache.TipoConta.size(), 3u);
  EXPECT_EQ(cache.HistoricoAtivo.size(), 2u);
  EXPECT_EQ(cache.PeriodosModeloIFRS.size(), 1u);
}

// What the chain settles in the record itself.
TEST_P(TnValidacaoLctoCtbTest, TakenOverEntryAndEmptyProgrammedEntryAreWrittenBack) {
  NovoValido();
  Set("CHAVEORIGEM", "ME01");
  Set("CODIGOLCTOPROG", 0);
  FRegistro.FieldByName("CODIGOLCTOPROG").GetDefinicao().SetPropriedade("ZeroComoVazio", true);
  FConsultas.AssumeOrigem = true;
  EXPECT_EQ(Validar(), "ok");
  EXPECT_TRUE(FRegistro.FieldByName("CHAVEORIGEM").IsNull());
  EXPECT_TRUE(FRegistro.FieldByName("CODIGOLCTOPROG").IsNull());
}

// An edit of an entry of an open transaction asks when the transaction's
// other entries are on another date (SPED) or of another type (IFRS).
TEST_P(TnValidacaoLctoCtbTest, EditOfATransactionAsksAboutItsOtherEntries) {
  Exec(
      "insert into OPCAOIFRSMODELO (CODIGOEMPRESA, DATAINICIAL, DATAFINAL, MODELOADOCAO) "
      "values (1, '2024-01-01', '2024-12-31', 1)");
  Exec(
      "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
      "TIPOLANCAMENTO, CONTACTBDEB, VALORLCTOCTB, TRANSCTB, ORIGEMDADO) values "
      "(1, 2, 1, '2024-03-11', 'LN', 101, 1, 9, 2), (1, 3, 1, '2024-03-10', 'LS', 101, 1, 9, 2)");
  const std::string datas =
      "Atenção, está transação possui lançamentos com datas diferentes, favor verificar!\r\n"
      "Deseja confirmar as alterações?";
  const std::string tipos =
      "Atenção, está transação possui tipos de lançamentos diferentes, favor verificar!\r\n"
      "Deseja confirmar as alterações?";
  NovoValido();
  Set("TRANSCTB", 9);
  FRegistro.Post();
  // IFRS or not, the answer, the last question and the outcome.
  for (const auto& [ifrs, resposta, pergunta, esperado] :
       {std::tuple{false, "Não", datas, "EAbort"},
        {false, "Sim", datas, "ok"},
        {true, "Não", tipos, "EAbort"}}) {
    SCOPED_TRACE(pergunta + resposta);
    FContexto.TemTela = true;
    FConsultas.Sped = true;
    FConsultas.Ifrs = ifrs;
    FDialogos->LimparRegistro();
    // The IFRS company is first asked about the dates, then the types.
    if (ifrs)
      FDialogos->AdicionarResposta("Sim");
    FDialogos->AdicionarResposta(resposta);
    FRegistro.Edit();
    Set("COMPLHIST", "EDITADO");
    EXPECT_EQ(Validar(), esperado);
    const auto perguntas = FDialogos->Perguntas();
    ASSERT_FALSE(perguntas.empty());
    EXPECT_EQ(perguntas.back().Texto, pergunta);
    FRegistro.Cancel();
  }
}

CTB_INSTANTIATE_ENGINES(TnValidacaoLctoCtbTest);
