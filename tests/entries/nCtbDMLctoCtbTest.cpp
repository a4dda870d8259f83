// The rule chain of an entry, driven as the host drives the module: created
// by name, configured on a screen, opened on the selection, posted.
#include "entries/nCtbDMLctoCtb_U.h"

#include <functional>

#include "framework/app/NutilAmbiente.h"
#include "framework/core/Exceptions.h"
#include "tests/entries/ResultadoRegra.h"
#include "tests/entries/TLctoCtbTest.h"

namespace {

class TnCtbDMLctoCtbTest : public TLctoCtbTest {};

std::string Postar(TnClientDataSet& cds) {
  return ResultadoDe([&] { cds.Post(); });
}

std::string Campo(const char* campo, const std::string& texto) {
  return std::string("EnField ") + campo + ": " + texto;
}

struct TCasoRegra {
  const char* Nome;
  std::function<void(TLctoCtbTest&, TnClientDataSet&)> Preparar;
  std::string Esperado;
};

void Set(TnClientDataSet& cds, const char* campo, const Value& valor) {
  cds.FieldByName(campo).SetValue(valor);
}

}  // namespace

TEST_P(TnCtbDMLctoCtbTest, ValidEntryReachesLctoctbWithKeyFromSequenceAndMovesBalances) {
  InserirLcto(41, "2024-03-01");
  // Another company's keys do not count.
  Executar(
      "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
      "TIPOLANCAMENTO, CONTACTBDEB, VALORLCTOCTB) values (2, 900, 1, '2024-03-01', 'LN', 101, 1)");
  TnCtbDMLctoCtb& modulo = CriarNovo();
  ASSERT_EQ(Postar(modulo.nClientDataSet), "ok");
  EXPECT_EQ(modulo.nClientDataSet.FieldByName("CHAVELCTOCTB").AsInteger(), 42);
  EXPECT_EQ(Contar("select count(*) from LCTOCTB where CHAVELCTOCTB = 42 and DATAHORALCTOCTB is "
                   "not null"),
            1);
  EXPECT_EQ(Linha(42,
                  "CONTACTBDEB;CONTACTBCRED;VALORLCTOCTB;CODIGOORIGLCTOCTB;ORIGEMDADO;"
                  "CODIGOUSUARIO;LCTOCONCILDEB;TIPOLANCAMENTO"),
            "CONTACTBDEB=101 CONTACTBCRED=102 VALORLCTOCTB=100 CODIGOORIGLCTOCTB=CB "
            "ORIGEMDADO=2 CODIGOUSUARIO=1 LCTOCONCILDEB=0 TIPOLANCAMENTO=LN");
  EXPECT_EQ(Contar("select count(*) from SALDOCTBMENSAL where CODIGOEMPRESA = 1 and CONTACTB = 101 "
                   "and VALORDEB = 150"),
            1);
  EXPECT_EQ(Contar("select count(*) from SALDOCTBMENSAL where CODIGOEMPRESA = 1 and CONTACTB = 102 "
                   "and VALORCRED = 150"),
            1);
}

// The module hands the chain its settings, its session and the framework's
// own checks (the chain's order and each rule are TnValidacaoLctoCtbTest's).
TEST_P(TnCtbDMLctoCtbTest, RefusalsReachTheChainThroughTheModule) {
  const std::vector<TCasoRegra> casos = {
      {"FrameworkLookupBeforeAmount",
       [](TLctoCtbTest&, TnClientDataSet& cds) {
         Set(cds, "CONTACTBCRED", 999);
         Set(cds, "VALORLCTOCTB", 0.0);
       },
       Campo("CONTACTBCRED", "Credite: 999 não existe, verifique.")},
      {"OutsideFiscalYear",
       [](TLctoCtbTest&, TnClientDataSet& cds) { Set(cds, "DATALCTOCTB", EncodeDate(2025, 1, 2)); },
       Campo("DATALCTOCTB",
             "A data do lançamento deve estar dentro do exercício social: de 01/01/2024 a "
             "31/12/2024!")},
      {"AfterPersonalisationLimit",
       [](TLctoCtbTest& t, TnClientDataSet&) {
         auto& p = t.FPersonalizacao;
         p.SetPermiDataFinal(EncodeDate(2024, 3, 5));
         SetnDMPersonalizacao(&p);
       },
       Campo("DATALCTOCTB",
             "A data do lançamento não pode ser posterior a 05/03/2024, data final permitida na "
             "personalização do sistema!")},
      {"DateOutsideBatch",
       [](TLctoCtbTest&, TnClientDataSet& cds) { Set(cds, "CODIGOLOTECTB", 1); },
       Campo("DATALCTOCTB",
             "A data do lançamento deve estar dentro do período do lote: de 01/01/2024 a "
             "31/01/2024!")},
      {"ClosedBatch", [](TLctoCtbTest&, TnClientDataSet& cds) { Set(cds, "CODIGOLOTECTB", 2); },
       Campo("CODIGOLOTECTB",
             "O lote está fechado e não permite inclusões, alterações ou exclusões de "
             "lançamentos!")},
      {"InactiveHistory", [](TLctoCtbTest&, TnClientDataSet& cds) { Set(cds, "CODIGOHISTCTB", 2); },
       Campo("CODIGOHISTCTB", "Histórico não existe ou está inativo, verifique.")},
  };
  for (const TCasoRegra& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    TnCtbDMLctoCtb& modulo = CriarNovo();
    caso.Preparar(*this, modulo.nClientDataSet);
    const int64_t antes = Contar("select count(*) from LCTOCTB");
    const std::string resultado = Postar(modulo.nClientDataSet);
    EXPECT_EQ(resultado, caso.Esperado);
    if (resultado != "ok") {
      EXPECT_EQ(modulo.nClientDataSet.State(), TDataSetState::dsInsert);
      EXPECT_EQ(Contar("select count(*) from LCTOCTB"), antes);
      modulo.nClientDataSet.Cancel();
    }
    SetnDMPersonalizacao(nullptr);
  }
}

TEST_P(TnCtbDMLctoCtbTest, SelectedPeriodBoundsTheDateOnScreen) {
  SelecionarMarco2024();
  TnCtbDMLctoCtb& modulo = CriarNovo();
  Set(modulo.nClientDataSet, "DATALCTOCTB", EncodeDate(2024, 4, 2));
  EXPECT_EQ(Postar(modulo.nClientDataSet),
            Campo("DATALCTOCTB",
                  "A data do lançamento deve estar dentro do período selecionado: de 01/03/2024 "
                  "a 31/03/2024!"));
}

TEST_P(TnCtbDMLctoCtbTest, CompanyWithoutConfigurationRefusesEveryDate) {
  FSelecao.SetParam(kSelCodigoEmpresa, Value(int64_t{3}));
  TnCtbDMLctoCtb& modulo = CriarNovo();
  EXPECT_EQ(
      Postar(modulo.nClientDataSet),
      Campo("DATALCTOCTB", "A data do lançamento deve estar dentro do exercício social: de  a !"));
}

// ---- Questions ----

struct TCasoPergunta {
  const char* Nome;
  std::function<void(TLctoCtbTest&, TnCtbDMLctoCtb&)> Preparar;
  std::string Resposta;
  std::string Pergunta;
  std::vector<std::string> Botoes;
  std::string Resultado;
};

TEST_P(TnCtbDMLctoCtbTest, QuestionsCarryTheirTextButtonsAndOutcome) {
  const std::string partidaDobrada =
      "A conta 101 deve ser utilizada somente em lançamentos de partida dobrada (com débito e "
      "crédito)!\r\nDeseja gravar o lançamento assim mesmo?";
  auto soDebito = [](TLctoCtbTest& t, TnCtbDMLctoCtb& m) {
    t.Executar("insert into DEFPLANOESPEC (CODIGOEMPRESA, TIPOCONTA, CONTACTB) values (1, 4, 1)");
    m.nClientDataSet.FieldByName("CONTACTBCRED").Clear();
  };
  auto repetido = [](TLctoCtbTest& t, TnCtbDMLctoCtb& m) {
    ASSERT_EQ(Postar(m.nClientDataSet), "ok");
    t.NovoValido(m);
  };
  auto outroModulo = [](TLctoCtbTest&, TnCtbDMLctoCtb& m) {
    Set(m.nClientDataSet, "CHAVEORIGEM", "ME0000000055");
    Set(m.nClientDataSet, "CODIGOORIGLCTOCTB", "FI");
  };
  const std::string perguntaFiscal =
      "Este lançamento contábil pertence ao módulo Fiscal. Alterações neste lançamento, o "
      "tornará pertencente ao módulo Contabilidade. Isso fará com que o módulo Fiscal não "
      "reconheça este lançamento em caso de refazer a contabilização. Deseja continuar com as "
      "alterações?";
  const std::vector<TCasoPergunta> casos = {
      {"DoubleEntryAccountCorrected",
       soDebito,
       "Corrigir",
       partidaDobrada,
       {"Gravar", "Corrigir"},
       "EAbort"},
      {"DoubleEntryAccountSavedAnyway",
       soDebito,
       "Gravar",
       partidaDobrada,
       {"Gravar", "Corrigir"},
       "ok"},
      {"SameAsLastRefused",
       repetido,
       "Não",
       "Lançamento igual ao último lançamento gravado! Confirmar a inclusão deste lançamento?",
       {"Sim", "Não"},
       "Exception: Inclusão cancelada!"},
      {"SameAsLastConfirmed",
       repetido,
       "Sim",
       "Lançamento igual ao último lançamento gravado! Confirmar a inclusão deste lançamento?",
       {"Sim", "Não"},
       "ok"},
      {"OtherModuleKept",
       outroModulo,
       "Não",
       perguntaFiscal,
       {"Sim", "Não"},
       "Exception: Alteração cancelada, registro automático!"},
      {"OtherModuleTakenOver", outroModulo, "Sim", perguntaFiscal, {"Sim", "Não"}, "ok"},
  };
  for (const TCasoPergunta& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    Executar("delete from DEFPLANOESPEC");
    TnCtbDMLctoCtb& modulo = CriarNovo();
    caso.Preparar(*this, modulo);
    Dialogos().LimparRegistro();
    Responder({caso.Resposta});
    EXPECT_EQ(Postar(modulo.nClientDataSet), caso.Resultado);
    const auto perguntas = Dialogos().Perguntas();
    ASSERT_EQ(perguntas.size(), 1u);
    EXPECT_EQ(perguntas[0].Texto, caso.Pergunta);
    EXPECT_EQ(perguntas[0].Botoes, caso.Botoes);
    if (caso.Resultado != "ok")
      modulo.nClientDataSet.Cancel();
    else
      EXPECT_TRUE(modulo.nClientDataSet.FieldByName("CHAVEORIGEM").IsNull());
  }
}

// The same-as-last question compares every field the entry is known by: a
// difference in any one of them posts without asking.
TEST_P(TnCtbDMLctoCtbTest, SameAsLastAsksNothingWhenAnyComparedFieldDiffers) {
  const std::vector<TCasoRegra> casos = {
      {"Complement", [](TLctoCtbTest&, TnClientDataSet& c) { Set(c, "COMPLHIST", "OUTRO"); }, "ok"},
      {"History", [](TLctoCtbTest&, TnClientDataSet& c) { Set(c, "CODIGOHISTCTB", 3); }, "ok"},
      {"Debit", [](TLctoCtbTest&, TnClientDataSet& c) { c.FieldByName("CONTACTBDEB").Clear(); },
       "ok"},
      {"Credit", [](TLctoCtbTest&, TnClientDataSet& c) { c.FieldByName("CONTACTBCRED").Clear(); },
       "ok"},
      {"Date",
       [](TLctoCtbTest&, TnClientDataSet& c) { Set(c, "DATALCTOCTB", EncodeDate(2024, 3, 11)); },
       "ok"},
      {"Amount", [](TLctoCtbTest&, TnClientDataSet& c) { Set(c, "VALORLCTOCTB", 5.0); }, "ok"},
      {"Origin", [](TLctoCtbTest&, TnClientDataSet& c) { Set(c, "CODIGOORIGLCTOCTB", "LT"); },
       "ok"},
  };
  for (const TCasoRegra& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    TnCtbDMLctoCtb& modulo = CriarNovo();
    ASSERT_EQ(Postar(modulo.nClientDataSet), "ok");
    NovoValido(modulo);
    caso.Preparar(*this, modulo.nClientDataSet);
    Dialogos().LimparRegistro();
    EXPECT_EQ(Postar(modulo.nClientDataSet), caso.Esperado);
    EXPECT_TRUE(Dialogos().Perguntas().empty());
  }
}

TEST_P(TnCtbDMLctoCtbTest, OtherModuleEntryNeedsTheRightAndOriginCEAsksNothing) {
  Direito("DireitoAlterarLctoOutroModulo", "1");
  TnCtbDMLctoCtb& modulo = CriarNovo();
  Set(modulo.nClientDataSet, "CHAVEORIGEM", "X");
  EXPECT_EQ(Postar(modulo.nClientDataSet),
            "Exception: Usuário não autorizado a alterar lançamentos oriundos de outros "
            "módulos!");
  Direito("DireitoAlterarLctoOutroModulo", "8");
  Set(modulo.nClientDataSet, "CODIGOORIGLCTOCTB", "CE");
  EXPECT_EQ(Postar(modulo.nClientDataSet), "ok");
  EXPECT_TRUE(Dialogos().Registro().empty());
}

TEST_P(TnCtbDMLctoCtbTest, BankReconciledDebitAsksOnlyWhenAccountEstabOrAmountChange) {
  InserirLcto(7, "2024-03-05", ", LCTOCONCILDEB", ", '2'");
  Executar("insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB) values (1, 2, 'Filial')");
  const std::vector<TCasoRegra> casos = {
      {"ComplementOnly",
       [](TLctoCtbTest&, TnClientDataSet& c) { Set(c, "COMPLHIST", "SO O COMPLEMENTO"); }, "ok"},
      {"Amount", [](TLctoCtbTest&, TnClientDataSet& c) { Set(c, "VALORLCTOCTB", 70.0); }, "EAbort"},
      {"DebitAccount", [](TLctoCtbTest&, TnClientDataSet& c) { Set(c, "CONTACTBDEB", 103); },
       "EAbort"},
      {"Branch", [](TLctoCtbTest&, TnClientDataSet& c) { Set(c, "CODIGOESTAB", 2); }, "EAbort"},
  };
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  for (const TCasoRegra& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    Dialogos().LimparRegistro();
    ASSERT_TRUE(cds.Locate("CHAVELCTOCTB", {Value(7)}));
    cds.Edit();
    caso.Preparar(*this, cds);
    if (caso.Esperado != "ok")
      Responder({"Corrigir"});
    EXPECT_EQ(Postar(cds), caso.Esperado);
    const auto perguntas = Dialogos().Perguntas();
    if (caso.Esperado == "ok") {
      EXPECT_TRUE(perguntas.empty());
      continue;
    }
    ASSERT_EQ(perguntas.size(), 1u);
    EXPECT_EQ(perguntas[0].Texto,
              "O lançamento da conta " + cds.FieldByName("CONTACTBDEB").AsString() +
                  " está conciliado na conciliação bancária. A alteração da conta, da filial ou "
                  "do valor pode invalidar a conciliação!\r\nDeseja gravar o lançamento assim "
                  "mesmo?");
    cds.Cancel();
  }
  EXPECT_EQ(Linha(7, "VALORLCTOCTB;CONTACTBDEB;CODIGOESTAB;COMPLHIST"),
            "VALORLCTOCTB=50 CONTACTBDEB=101 CODIGOESTAB=1 COMPLHIST=SO O COMPLEMENTO");
}

TEST_P(TnCtbDMLctoCtbTest, HistoryOutsideTheAccountsGroupInformsAndSaves) {
  Executar(
      "insert into PLESPGRHISTCTB (CODIGOEMPRESA, CONTACTB, CODIGOGRUPOHISTCTB) values "
      "(1, 101, 10)");
  TnCtbDMLctoCtb& modulo = Criar();
  NovoValido(modulo);  // history 4 is of group 20
  EXPECT_EQ(Postar(modulo.nClientDataSet), "ok");
  EXPECT_EQ(Dialogos().Informacoes(),
            std::vector<std::string>{
                "Histórico utilizado não pertence ao Grupo de Histórico vinculado, verifique."});
  Dialogos().LimparRegistro();
  NovoValido(modulo);
  Set(modulo.nClientDataSet, "CODIGOHISTCTB", 1);  // group 10
  Set(modulo.nClientDataSet, "VALORLCTOCTB", 5.0);
  EXPECT_EQ(Postar(modulo.nClientDataSet), "ok");
  EXPECT_TRUE(Dialogos().Informacoes().empty());
  // No history at all is no history of the account's group either.
  NovoValido(modulo);
  modulo.nClientDataSet.FieldByName("CODIGOHISTCTB").Clear();
  Set(modulo.nClientDataSet, "VALORLCTOCTB", 6.0);
  EXPECT_EQ(Postar(modulo.nClientDataSet), "ok");
  EXPECT_EQ(Dialogos().Informacoes().size(), 1u);
}

TEST_P(TnCtbDMLctoCtbTest, ReconciledEntryCannotBeEditedNorDeleted) {
  InserirLcto(9, "2024-03-05");
  Executar(
      "insert into CONCBANCLCTO (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATALCTOBANC, "
      "SEQLCTOBANC, CONCILLCTOCTB, CHAVELCTOCTB) values (1, 1, 101, '2024-03-05', 1, 1, 9)");
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  ASSERT_TRUE(cds.Locate("CHAVELCTOCTB", {Value(9)}));
  const std::string texto =
      "Atenção: Esse lançamento já está conciliado! Para prosseguir realize a desconciliação "
      "acessando a rotina: Conciliar Lançamentos Contábeis!";
  cds.Edit();
  Set(cds, "COMPLHIST", "X");
  EXPECT_EQ(Postar(cds), "Exception: " + texto);
  cds.Cancel();
  try {
    cds.Delete();
    ADD_FAILURE() << "delete went through";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), texto);
  }
  EXPECT_EQ(Linha(9, "CHAVELCTOCTB"), "CHAVELCTOCTB=9");
}

TEST_P(TnCtbDMLctoCtbTest, DeleteOfEntryInClosedBatchIsRefused) {
  InserirLcto(10, "2024-03-05", ", CODIGOLOTECTB", ", 2");
  InserirLcto(11, "2024-03-05");
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  ASSERT_TRUE(cds.Locate("CHAVELCTOCTB", {Value(10)}));
  EXPECT_THROW(cds.Delete(), Exception);
  ASSERT_TRUE(cds.Locate("CHAVELCTOCTB", {Value(11)}));
  cds.Delete();
  EXPECT_EQ(Linha(11, "CHAVELCTOCTB"), "(none)");
  EXPECT_EQ(Linha(10, "CHAVELCTOCTB"), "CHAVELCTOCTB=10");
}

// ---- Import mode ----

TEST_P(TnCtbDMLctoCtbTest, ImportModeSkipsTheRulesThatNeedAPerson) {
  Executar("insert into DEFPLANOESPEC (CODIGOEMPRESA, TIPOCONTA, CONTACTB) values (1, 4, 101)");
  TnCtbDMLctoCtb& modulo = Criar(false);
  modulo.SetImportacao(true);
  TnClientDataSet& cds = modulo.nClientDataSet;
  for (int chave : {500, 501}) {
    NovoValido(modulo);
    Set(cds, "CODIGOEMPRESA", 1);
    Set(cds, "CHAVELCTOCTB", chave);
    cds.FieldByName("CONTACTBCRED").Clear();
    ASSERT_EQ(Postar(cds), "ok");
  }
  EXPECT_TRUE(Dialogos().Registro().empty());
  NovoValido(modulo);
  Set(cds, "CODIGOEMPRESA", 1);
  Set(cds, "CHAVELCTOCTB", 502);
  Set(cds, "CODIGOHISTCTB", 2);
  EXPECT_EQ(Postar(cds), Campo("CODIGOHISTCTB", "2 não existe ou está inativo, verifique."));
  cds.Cancel();
  modulo.AplicarAtualizacoes();
  EXPECT_EQ(Linha(501, "CODIGOORIGLCTOCTB;ORIGEMDADO"), "CODIGOORIGLCTOCTB=IP ORIGEMDADO=3");
}

// An import answers the chart's look-ups once per batch: an account taken out
// of the chart between two batches is refused in the next one.
TEST_P(TnCtbDMLctoCtbTest, ImportReadsTheChartAgainAfterEachBatch) {
  TnCtbDMLctoCtb& modulo = Criar(false);
  modulo.SetImportacao(true);
  TnClientDataSet& cds = modulo.nClientDataSet;
  NovoValido(modulo);
  Set(cds, "CODIGOEMPRESA", 1);
  Set(cds, "CHAVELCTOCTB", 600);
  ASSERT_EQ(Postar(cds), "ok");
  modulo.AplicarAtualizacoes();
  Executar("delete from PLANOESPEC where CODIGOEMPRESA = 1 and CONTACTB = 102");
  NovoValido(modulo);
  Set(cds, "CODIGOEMPRESA", 1);
  Set(cds, "CHAVELCTOCTB", 601);
  EXPECT_EQ(Postar(cds), Campo("CONTACTBCRED", "Credite: 102 não existe, verifique."));
}

// ---- The user's window ----

TEST_P(TnCtbDMLctoCtbTest, LimitedUserWithoutScreenUsesTheCompanyWindow) {
  Direito("DireitoLctoCtb", "1");
  TnCtbDMLctoCtb& modulo = CriarNovo(false);
  Set(modulo.nClientDataSet, "DATALCTOCTB", EncodeDate(2024, 4, 10));
  EXPECT_EQ(Postar(modulo.nClientDataSet),
            Campo("DATALCTOCTB",
                  "A data do lançamento está fora do período permitido ao usuário: de 01/03/2024 "
                  "a 31/03/2024!"));
  Set(modulo.nClientDataSet, "DATALCTOCTB", EncodeDate(2024, 3, 31));
  EXPECT_EQ(Postar(modulo.nClientDataSet), "ok");
}

TEST_P(TnCtbDMLctoCtbTest, LimitedUserOnScreenKeepsAndMovesEntriesOutsideTheWindow) {
  Direito("DireitoLctoCtb", "1");
  Executar(
      "insert into LIMITEUSUARIOCTB (CODIGOEMPRESA, CODIGOUSUARIO, DATAINICIAL, DATAFINAL) "
      "values (1, 1, '2024-05-01', '2024-05-31')");
  InserirLcto(20, "2024-06-10");
  InserirLcto(21, "2024-05-10");
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  const std::string foraDaJanela =
      "A data do lançamento está fora do período permitido ao usuário: de 01/05/2024 a "
      "31/05/2024!";
  ASSERT_TRUE(cds.Locate("CHAVELCTOCTB", {Value(20)}));
  cds.Edit();
  Set(cds, "COMPLHIST", "X");
  EXPECT_EQ(Postar(cds), Campo("DATALCTOCTB", foraDaJanela));
  Set(cds, "DATALCTOCTB", EncodeDate(2024, 5, 12));
  EXPECT_EQ(Postar(cds), Campo("DATALCTOCTB",
                               "O lançamento não pode ser alterado: sua data original, "
                               "10/06/2024, está fora do período permitido ao usuário: de "
                               "01/05/2024 a 31/05/2024!"));
  cds.Cancel();
  ASSERT_TRUE(cds.Locate("CHAVELCTOCTB", {Value(21)}));
  cds.Edit();
  Set(cds, "DATALCTOCTB", EncodeDate(2024, 6, 1));
  EXPECT_EQ(Postar(cds), Campo("DATALCTOCTB", foraDaJanela));
  Set(cds, "DATALCTOCTB", EncodeDate(2024, 5, 20));
  EXPECT_EQ(Postar(cds), "ok");
}

TEST_P(TnCtbDMLctoCtbTest, LimitedUserWithoutAnyWindowIsToldItIsMissing) {
  Direito("DireitoLctoCtb", "1");
  Executar("update CFGEMPRESACTB set DATAFINALLCTOUSU = null where CODIGOEMPRESA = 1");
  TnCtbDMLctoCtb& modulo = CriarNovo(false);
  EXPECT_EQ(Postar(modulo.nClientDataSet),
            "Exception: O período permitido para lançamentos dos usuários não foi especificado "
            "na configuração contábil da empresa!");
}

// ---- IFRS company ----

TEST_P(TnCtbDMLctoCtbTest, IfrsCompanyChecksModelOriginsAndControlTypes) {
  FSelecao.SetParam(kSelCodigoEmpresa, Value(int64_t{2}));
  struct TCaso {
    const char* Nome;
    std::function<void(TnClientDataSet&)> Preparar;
    std::string Esperado;
  };
  const std::vector<TCaso> casos = {
      {"OutsideAdoptionModel",
       [](TnClientDataSet& cds) { Set(cds, "DATALCTOCTB", EncodeDate(2024, 8, 1)); },
       Campo("DATALCTOCTB",
             "Não foi encontrada configuração para o Modelo de Adoção do IFRS no "
             "período do lançamento!")},
      {"TaxOriginNeedsTaxType", [](TnClientDataSet& cds) { Set(cds, "CODIGOORIGLCTOCTB", "af"); },
       Campo("TIPOLANCAMENTO",
             "Para a Origem de Lançamento informada \"af\", o Tipo do "
             "Lançamento deve ser \"Lançamento Fiscal\"!")},
      {"AdoptionOriginOnOtherDate",
       [](TnClientDataSet& cds) { Set(cds, "CODIGOORIGLCTOCTB", "AI"); },
       Campo("DATALCTOCTB",
             "Para origem do lançamento do tipo 'AI'(Adoção IFRS), a data do "
             "lançamento deve ser igual a data de opção do IFRS!")},
      {"NormalEntryOnCorporateAccount", [](TnClientDataSet& cds) { Set(cds, "CONTACTBDEB", 103); },
       Campo("CONTACTBDEB",
             "Para lançamento \"Normal\" devemos informar somente contas a Débito com o tipo de "
             "controle contábil \"Ambos\"!\r\nConta: 103 configurada com tipo de controle "
             "contábil igual a Societário.")},
      {"CorporateEntryOnTaxCreditAccount",
       [](TnClientDataSet& cds) {
         Set(cds, "TIPOLANCAMENTO", "LS");
         Set(cds, "CONTACTBCRED", 201);
       },
       Campo("CONTACTBCRED",
             "Para lançamento \"Societário\" devemos informar somente contas a Crédito com o "
             "tipo de controle contábil \"Ambos\" ou \"Societário\"!\r\nConta: 201 configurada "
             "com tipo de controle contábil igual a Fiscal.")},
      {"TaxEntryOnTaxAccount",
       [](TnClientDataSet& cds) {
         Set(cds, "TIPOLANCAMENTO", "LF");
         Set(cds, "CONTACTBCRED", 201);
       },
       "ok"},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    TnCtbDMLctoCtb& modulo = Criar();
    EXPECT_TRUE(modulo.GetEhOptanteIFRS());
    NovoValido(modulo);
    caso.Preparar(modulo.nClientDataSet);
    EXPECT_EQ(Postar(modulo.nClientDataSet), caso.Esperado);
  }
}

TEST_P(TnCtbDMLctoCtbTest, ClosedAndReworkedYearsOfIfrsCompany) {
  FSelecao.SetParam(kSelCodigoEmpresa, Value(int64_t{2}));
  Executar(
      "insert into EXERCICIOSOCIALCTB (CODIGOEMPRESA, DATAINICIAL, DATAFINAL, SITUACAO) "
      "values (2, '2024-01-01', '2024-03-31', 3), (2, '2024-04-01', '2024-06-30', 4)");
  TnCtbDMLctoCtb& modulo = CriarNovo();
  EXPECT_EQ(Postar(modulo.nClientDataSet),
            Campo("DATALCTOCTB",
                  "Não são permitidos lançamentos/alterações em período já "
                  "fechados."));
  Set(modulo.nClientDataSet, "DATALCTOCTB", EncodeDate(2024, 4, 10));
  EXPECT_EQ(Postar(modulo.nClientDataSet), Campo("CODIGOORIGLCTOCTB",
                                                 "Em períodos Reelaborados, só são permitidos "
                                                 "lançamentos com Origem igual a 'AA'."));
  Set(modulo.nClientDataSet, "CODIGOORIGLCTOCTB", "AA");
  EXPECT_EQ(Postar(modulo.nClientDataSet), "ok");
}

TEST_P(TnCtbDMLctoCtbTest, EditKeepsAHistoryThatBecameInactiveAndAutomaticSkipsTheCheck) {
  InserirLcto(90, "2024-03-05");
  Executar("update LCTOCTB set CODIGOHISTCTB = 2 where CHAVELCTOCTB = 90");
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  ASSERT_TRUE(cds.Locate("CHAVELCTOCTB", {Value(90)}));
  cds.Edit();
  Set(cds, "COMPLHIST", "MANTIDO");
  EXPECT_EQ(Postar(cds), "ok");
  modulo.SetAutomatico(true);
  NovoValido(modulo);
  Set(cds, "CODIGOHISTCTB", 2);
  EXPECT_EQ(Postar(cds), "ok");
}

TEST_P(TnCtbDMLctoCtbTest, ProgrammedEntryFieldsAreClosedWithoutTheRight) {
  Direito("DireitoAlteraDadoFixoLancamentoProg", "1");
  InserirLcto(91, "2024-03-05", ", CODIGOLCTOPROG", ", 5");
  InserirLcto(92, "2024-03-05");
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  auto fechados = [&] {
    std::string texto;
    for (const char* nome : {"CONTACTBDEB", "VALORLCTOCTB", "NUMERODCTO", "COMPLHIST"}) {
      modulo.ChecarConfigurarCampo(cds.FieldByName(nome));
      texto += cds.FieldByName(nome).ReadOnly() ? "1" : "0";
    }
    return texto;
  };
  ASSERT_TRUE(cds.Locate("CHAVELCTOCTB", {Value(91)}));
  EXPECT_EQ(fechados(), "1111");
  ASSERT_TRUE(cds.Locate("CHAVELCTOCTB", {Value(92)}));
  EXPECT_EQ(fechados(), "0000");
}

TEST_P(TnCtbDMLctoCtbTest, WebVariantLaysOutTheFieldsForTheWebClient) {
  Nutil::SetEhCloud(true);
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  EXPECT_EQ(modulo.GetTipoForm(), 5);
  const TnFieldDefinicao& deb = cds.FieldByName("CONTACTBDEB").GetDefinicao();
  EXPECT_EQ(deb.Propriedade("GrupoNome").AsString(), "Debite");
  EXPECT_EQ(deb.Propriedade("GrupoLinha").AsString(), "GPDEBITO");
  EXPECT_EQ(deb.Propriedade("Colunas").AsInteger(), 10);
  EXPECT_EQ(deb.PropriedadesAlteradas(),
            (std::vector<std::string>{"GrupoNome", "GrupoColuna", "Colunas", "GrupoLinha",
                                      "LinkLookupDescFindField", "LinkLookupDescShowFields",
                                      "LinkLookupDataSetNome", "LinkLookupKeyFields"}));
  EXPECT_EQ(cds.FieldByName("COTACAOMOEDA").DisplayLabel(), "Valor da Cotação");
  EXPECT_EQ(cds.FieldByName("COTACAOMOEDA").DisplayFormat(), "#,##0.00000000");
  EXPECT_EQ(cds.FieldByName("DATALCTOCTB").DisplayWidth(), 22);
  // The web form has no desktop status panels.
  EXPECT_EQ(modulo.Form()->StatusPanels().size(), 1u);
}

CTB_INSTANTIATE_ENGINES(TnCtbDMLctoCtbTest);
