// The rule chain of an entry, driven as the host drives the module: created
// by name, configured on a screen, opened on the selection, posted.
#include "tests/entries/LctoCtbFixture.h"

namespace {

using TnCtbDMLctoCtbTest = TnLctoCtbFixture;

std::string Postar(TnClientDataSet& cds) {
  return ResultadoDe([&] { cds.Post(); });
}

// A change of one entry, by name.
using TAlteracao = std::pair<const char*, TnLctoCtbFixture::TCampos>;

// A new entry posted through the module: the fields set on it and what the
// post ends in, under the company, user and rows the case sets up first.
struct TCasoPost {
  const char* Nome;
  TnLctoCtbFixture::TCampos Campos;
  std::string Esperado;
  int64_t Empresa = 1;
  bool Limitado = false;  // a limited user, without a screen
  std::function<void(TnLctoCtbFixture&)> Antes = nullptr;
};

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
  EXPECT_EQ(Coluna("select CONTACTB from SALDOCTBMENSAL where CODIGOEMPRESA = 1 and ((CONTACTB = "
                   "101 and VALORDEB = 150) or (CONTACTB = 102 and VALORCRED = 150)) order by 1"),
            "101 102");
}

// The module hands the chain its settings, its session and the framework's
// own checks (the chain's order and each rule are TnValidacaoLctoCtbTest's).
// Each case sets up the selection, rights and rows before the module opens;
// the cases run in order, so a later one may build on an earlier one's rows.
TEST_P(TnCtbDMLctoCtbTest, RefusalsReachTheChainThroughTheModule) {
  const Value abril10 = EncodeDate(2024, 4, 10);
  const std::vector<TCasoPost> casos = {
      {"FrameworkLookupBeforeAmount",
       {{"CONTACTBCRED", 999}, {"VALORLCTOCTB", 0.0}},
       Campo("CONTACTBCRED", "Credite: 999 não existe, verifique.")},
      {"DateOutsideBatch",
       {{"CODIGOLOTECTB", 1}},
       Campo("DATALCTOCTB",
             "A data do lançamento deve estar dentro do período do lote: de 01/01/2024 a "
             "31/01/2024!")},
      {"CompanyWithoutConfigurationRefusesEveryDate",
       {},
       Campo("DATALCTOCTB", "A data do lançamento deve estar dentro do exercício social: de  a !"),
       3},
      {"LimitedUserWithoutScreenUsesTheCompanyWindow",
       {{"DATALCTOCTB", abril10}},
       Campo("DATALCTOCTB",
             "A data do lançamento está fora do período permitido ao usuário: de 01/03/2024 a "
             "31/03/2024!"),
       1,
       true},
      {"LimitedUserOnTheWindowsLastDay", {{"DATALCTOCTB", EncodeDate(2024, 3, 31)}}, "ok", 1, true},
      // An IFRS company checks the adoption model, origins and control types.
      {"IfrsOutsideAdoptionModel",
       {{"DATALCTOCTB", EncodeDate(2024, 8, 1)}},
       Campo("DATALCTOCTB",
             "Não foi encontrada configuração para o Modelo de Adoção do IFRS no "
             "período do lançamento!"),
       2},
      {"IfrsTaxOriginNeedsTaxType",
       {{"CODIGOORIGLCTOCTB", "af"}},
       Campo("TIPOLANCAMENTO",
             "Para a Origem de Lançamento informada \"af\", o Tipo do "
             "Lançamento deve ser \"Lançamento Fiscal\"!"),
       2},
      {"IfrsAdoptionOriginOnOtherDate",
       {{"CODIGOORIGLCTOCTB", "AI"}},
       Campo("DATALCTOCTB",
             "Para origem do lançamento do tipo 'AI'(Adoção IFRS), a data do "
             "lançamento deve ser igual a data de opção do IFRS!"),
       2},
      {"IfrsNormalEntryOnCorporateAccount",
       {{"CONTACTBDEB", 103}},
       Campo("CONTACTBDEB",
             "Para lançamento \"Normal\" devemos informar somente contas a Débito com o tipo de "
             "controle contábil \"Ambos\"!\r\nConta: 103 configurada com tipo de controle "
             "contábil igual a Societário."),
       2},
      {"IfrsCorporateEntryOnTaxCreditAccount",
       {{"TIPOLANCAMENTO", "LS"}, {"CONTACTBCRED", 201}},
       Campo("CONTACTBCRED",
             "Para lançamento \"Societário\" devemos informar somente contas a Crédito com o "
             "tipo de controle contábil \"Ambos\" ou \"Societário\"!\r\nConta: 201 configurada "
             "com tipo de controle contábil igual a Fiscal."),
       2},
      {"IfrsTaxEntryOnTaxAccount", {{"TIPOLANCAMENTO", "LF"}, {"CONTACTBCRED", 201}}, "ok", 2},
      // Its closed and re-worked years, after its other cases.
      {"IfrsClosedYear",
       {{"DATALCTOCTB", EncodeDate(2024, 3, 11)}},  // the session caches a situation by day
       Campo("DATALCTOCTB", "Não são permitidos lançamentos/alterações em período já fechados."),
       2,
       false,
       [](TnLctoCtbFixture& t) {
         t.Executar(
             "insert into EXERCICIOSOCIALCTB (CODIGOEMPRESA, DATAINICIAL, DATAFINAL, SITUACAO) "
             "values (2, '2024-01-01', '2024-03-31', 3), (2, '2024-04-01', '2024-06-30', 4)");
       }},
      {"IfrsReworkedYearOutsideOriginAA",
       {{"DATALCTOCTB", abril10}},
       Campo("CODIGOORIGLCTOCTB",
             "Em períodos Reelaborados, só são permitidos lançamentos com Origem igual a 'AA'."),
       2},
      {"IfrsReworkedYearOriginAA",
       {{"DATALCTOCTB", abril10}, {"CODIGOORIGLCTOCTB", "AA"}},
       "ok",
       2},
      // Another module's entry needs the right to be taken over; origin "CE" asks nothing.
      {"OtherModuleEntryOfOriginCE", {{"CHAVEORIGEM", "X"}, {"CODIGOORIGLCTOCTB", "CE"}}, "ok"},
      {"OtherModuleEntryWithoutTheRight",
       {{"CHAVEORIGEM", "X"}},
       "Exception: Usuário não autorizado a alterar lançamentos oriundos de outros módulos!",
       1,
       false,
       [](TnLctoCtbFixture& t) { t.Direito("DireitoAlterarLctoOutroModulo", "1"); }},
      {"SelectedPeriodBoundsTheDateOnScreen",
       {{"DATALCTOCTB", EncodeDate(2024, 4, 2)}},
       Campo("DATALCTOCTB",
             "A data do lançamento deve estar dentro do período selecionado: de 01/03/2024 "
             "a 31/03/2024!"),
       1,
       false,
       [](TnLctoCtbFixture& t) { t.SelecionarMarco2024(); }},
      // Last, as the company loses its users' window.
      {"LimitedUserWithoutAnyWindowIsToldItIsMissing",
       {},
       "Exception: O período permitido para lançamentos dos usuários não foi especificado "
       "na configuração contábil da empresa!",
       1,
       true,
       [](TnLctoCtbFixture& t) { t.Configurar("DATAFINALLCTOUSU = null"); }},
  };
  for (const TCasoPost& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    FSelecao.Limpar();
    FSelecao.SetParam(kSelCodigoEmpresa, Value(caso.Empresa));
    Direito("DireitoLctoCtb", caso.Limitado ? "1" : "8");
    ControleCTB().LimparChave();
    if (caso.Antes)
      caso.Antes(*this);
    TnCtbDMLctoCtb& modulo = Criar(!caso.Limitado);
    NovoValido(modulo, caso.Campos);
    TnClientDataSet& cds = modulo.nClientDataSet;
    const int64_t antes = Contar("select count(*) from LCTOCTB");
    Dialogos().LimparRegistro();
    const std::string resultado = Postar(cds);
    EXPECT_EQ(resultado, caso.Esperado);
    EXPECT_TRUE(Dialogos().Registro().empty());
    if (resultado != "ok") {
      EXPECT_EQ(cds.State(), TDataSetState::dsInsert);
      EXPECT_EQ(Contar("select count(*) from LCTOCTB"), antes);
      cds.Cancel();
    }
  }
}

// ---- Questions ----

// Each question is answered with each of its buttons in turn.
struct TCasoPergunta {
  const char* Nome;
  std::function<void(TnLctoCtbFixture&, TnCtbDMLctoCtb&)> Preparar;
  std::string Pergunta;
  std::vector<std::string> Botoes;
  std::vector<std::string> Resultados;  // one per button
};

TEST_P(TnCtbDMLctoCtbTest, QuestionsCarryTheirTextButtonsAndOutcome) {
  const std::vector<TCasoPergunta> casos = {
      {"DoubleEntryAccount",
       [](TnLctoCtbFixture& t, TnCtbDMLctoCtb& m) {
         t.Executar(
             "insert into DEFPLANOESPEC (CODIGOEMPRESA, TIPOCONTA, CONTACTB) values (1, 4, 1)");
         m.nClientDataSet.FieldByName("CONTACTBCRED").Clear();
       },
       "A conta 101 deve ser utilizada somente em lançamentos de partida dobrada (com débito e "
       "crédito)!\r\nDeseja gravar o lançamento assim mesmo?",
       {"Gravar", "Corrigir"},
       {"ok", "EAbort"}},
      {"SameAsLast",
       [](TnLctoCtbFixture& t, TnCtbDMLctoCtb& m) {
         ASSERT_EQ(Postar(m.nClientDataSet), "ok");
         t.NovoValido(m);
       },
       "Lançamento igual ao último lançamento gravado! Confirmar a inclusão deste lançamento?",
       {"Sim", "Não"},
       {"ok", "Exception: Inclusão cancelada!"}},
      {"OtherModule",
       [](TnLctoCtbFixture&, TnCtbDMLctoCtb& m) {
         Set(m.nClientDataSet, {{"CHAVEORIGEM", "ME0000000055"}, {"CODIGOORIGLCTOCTB", "FI"}});
       },
       "Este lançamento contábil pertence ao módulo Fiscal. Alterações neste lançamento, o "
       "tornará pertencente ao módulo Contabilidade. Isso fará com que o módulo Fiscal não "
       "reconheça este lançamento em caso de refazer a contabilização. Deseja continuar com as "
       "alterações?",
       {"Sim", "Não"},
       {"ok", "Exception: Alteração cancelada, registro automático!"}},
  };
  for (const TCasoPergunta& caso : casos) {
    for (size_t botao = 0; botao < caso.Botoes.size(); ++botao) {
      SCOPED_TRACE(std::string(caso.Nome) + " " + caso.Botoes[botao]);
      Executar("delete from DEFPLANOESPEC");
      TnCtbDMLctoCtb& modulo = CriarNovo();
      caso.Preparar(*this, modulo);
      Dialogos().LimparRegistro();
      Responder({caso.Botoes[botao]});
      EXPECT_EQ(Postar(modulo.nClientDataSet), caso.Resultados[botao]);
      const auto perguntas = Dialogos().Perguntas();
      ASSERT_EQ(perguntas.size(), 1u);
      EXPECT_EQ(perguntas[0].Texto, caso.Pergunta);
      EXPECT_EQ(perguntas[0].Botoes, caso.Botoes);
      if (caso.Resultados[botao] != "ok")
        modulo.nClientDataSet.Cancel();
      else
        EXPECT_TRUE(modulo.nClientDataSet.FieldByName("CHAVEORIGEM").IsNull());
    }
  }
}

// The same-as-last question compares every field the entry is known by: a
// difference in any one of them posts without asking.
TEST_P(TnCtbDMLctoCtbTest, SameAsLastAsksNothingWhenAnyComparedFieldDiffers) {
  const std::vector<TAlteracao> casos = {
      {"Complement", {{"COMPLHIST", "OUTRO"}}},
      {"History", {{"CODIGOHISTCTB", 3}}},
      {"Debit", {{"CONTACTBDEB", Value()}}},
      {"Credit", {{"CONTACTBCRED", Value()}}},
      {"Date", {{"DATALCTOCTB", EncodeDate(2024, 3, 11)}}},
      {"Amount", {{"VALORLCTOCTB", 5.0}}},
      {"Origin", {{"CODIGOORIGLCTOCTB", "LT"}}},
  };
  for (const auto& [nome, campos] : casos) {
    SCOPED_TRACE(nome);
    TnCtbDMLctoCtb& modulo = CriarNovo();
    ASSERT_EQ(Postar(modulo.nClientDataSet), "ok");
    NovoValido(modulo, campos);
    Dialogos().LimparRegistro();
    EXPECT_EQ(Postar(modulo.nClientDataSet), "ok");
    EXPECT_TRUE(Dialogos().Perguntas().empty());
  }
}

TEST_P(TnCtbDMLctoCtbTest, BankReconciledDebitAsksOnlyWhenAccountEstabOrAmountChange) {
  InserirLcto(7, "2024-03-05", ", LCTOCONCILDEB", ", '2'");
  Executar("insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB) values (1, 2, 'Filial')");
  // The first change asks nothing; each other one asks and is corrected.
  const std::vector<TAlteracao> casos = {
      {"ComplementOnly", {{"COMPLHIST", "SO O COMPLEMENTO"}}},
      {"Amount", {{"VALORLCTOCTB", 70.0}}},
      {"DebitAccount", {{"CONTACTBDEB", 103}}},
      {"Branch", {{"CODIGOESTAB", 2}}},
  };
  TnClientDataSet& cds = Criar().nClientDataSet;
  for (const auto& [nome, campos] : casos) {
    SCOPED_TRACE(nome);
    const bool pergunta = std::string(nome) != "ComplementOnly";
    Dialogos().LimparRegistro();
    Ir(cds, 7, true);
    Set(cds, campos);
    if (pergunta)
      Responder({"Corrigir"});
    EXPECT_EQ(Postar(cds), pergunta ? "EAbort" : "ok");
    const auto perguntas = Dialogos().Perguntas();
    ASSERT_EQ(perguntas.size(), pergunta ? 1u : 0u);
    if (!pergunta)
      continue;
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
  // History 4 is of group 20, 1 of group 10; no history at all is no
  // history of the account's group either.
  for (const auto& [historico, informa] :
       {std::pair{Value(4), true}, {Value(1), false}, {Value(), true}}) {
    SCOPED_TRACE(historico.AsString());
    Dialogos().LimparRegistro();
    NovoValido(modulo, {{"CODIGOHISTCTB", historico},
                        {"VALORLCTOCTB", 5.0 + static_cast<double>(historico.AsInteger())}});
    EXPECT_EQ(Postar(modulo.nClientDataSet), "ok");
    EXPECT_EQ(Dialogos().Informacoes(),
              informa ? std::vector<std::string>{"Histórico utilizado não pertence ao Grupo de "
                                                 "Histórico vinculado, verifique."}
                      : std::vector<std::string>{});
  }
}

// A reconciled entry refuses edit and delete; an entry of a closed batch
// refuses the delete while its neighbour goes.
TEST_P(TnCtbDMLctoCtbTest, ReconciledOrClosedBatchEntryCannotBeChanged) {
  InserirLcto(9, "2024-03-05");
  InserirLcto(10, "2024-03-05", ", CODIGOLOTECTB", ", 2");
  InserirLcto(11, "2024-03-05");
  Executar(
      "insert into CONCBANCLCTO (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATALCTOBANC, "
      "SEQLCTOBANC, CONCILLCTOCTB, CHAVELCTOCTB) values (1, 1, 101, '2024-03-05', 1, 1, 9)");
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  const std::string conciliado =
      "Atenção: Esse lançamento já está conciliado! Para prosseguir realize a desconciliação "
      "acessando a rotina: Conciliar Lançamentos Contábeis!";
  Ir(cds, 9, true);
  Set(cds, {{"COMPLHIST", "X"}});
  EXPECT_EQ(Postar(cds), "Exception: " + conciliado);
  cds.Cancel();
  EXPECT_EQ(ResultadoDe([&] { cds.Delete(); }), "Exception: " + conciliado);
  EXPECT_THROW(Excluir(modulo, 10), Exception);
  Excluir(modulo, 11);
  EXPECT_EQ(Contar("select count(*) from LCTOCTB where CHAVELCTOCTB in (9, 10)"), 2);
  EXPECT_EQ(Linha(11, "CHAVELCTOCTB"), "(none)");
}

// ---- Import mode ----

// An import asks nothing (a double-entry account posts single-sided), names
// the missing history by its code, and answers the chart's look-ups once per
// batch: an account taken out between two batches is refused in the next.
TEST_P(TnCtbDMLctoCtbTest, ImportModeSkipsTheRulesThatNeedAPersonAndRereadsTheChart) {
  Executar("insert into DEFPLANOESPEC (CODIGOEMPRESA, TIPOCONTA, CONTACTB) values (1, 4, 101)");
  TnCtbDMLctoCtb& modulo = Criar(false);
  modulo.SetImportacao(true);
  TnClientDataSet& cds = modulo.nClientDataSet;
  for (int chave : {500, 501}) {
    NovoImportado(modulo, chave, {{"CONTACTBCRED", Value()}});
    ASSERT_EQ(Postar(cds), "ok");
  }
  EXPECT_TRUE(Dialogos().Registro().empty());
  NovoImportado(modulo, 502, {{"CODIGOHISTCTB", 2}});
  EXPECT_EQ(Postar(cds), Campo("CODIGOHISTCTB", "2 não existe ou está inativo, verifique."));
  cds.Cancel();
  NovoImportado(modulo, 503);
  ASSERT_EQ(Postar(cds), "ok");
  modulo.AplicarAtualizacoes();
  EXPECT_EQ(Linha(501, "CODIGOORIGLCTOCTB;ORIGEMDADO"), "CODIGOORIGLCTOCTB=IP ORIGEMDADO=3");
  Executar("delete from PLANOESPEC where CODIGOEMPRESA = 1 and CONTACTB = 102");
  NovoImportado(modulo, 504);
  EXPECT_EQ(Postar(cds), Campo("CONTACTBCRED", "Credite: 102 não existe, verifique."));
}

// ---- The user's window ----

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
  Ir(cds, 20, true);
  Set(cds, {{"COMPLHIST", "X"}});
  EXPECT_EQ(Postar(cds), Campo("DATALCTOCTB", foraDaJanela));
  Set(cds, {{"DATALCTOCTB", EncodeDate(2024, 5, 12)}});
  EXPECT_EQ(Postar(cds), Campo("DATALCTOCTB",
                               "O lançamento não pode ser alterado: sua data original, "
                               "10/06/2024, está fora do período permitido ao usuário: de "
                               "01/05/2024 a 31/05/2024!"));
  cds.Cancel();
  Ir(cds, 21, true);
  Set(cds, {{"DATALCTOCTB", EncodeDate(2024, 6, 1)}});
  EXPECT_EQ(Postar(cds), Campo("DATALCTOCTB", foraDaJanela));
  Set(cds, {{"DATALCTOCTB", EncodeDate(2024, 5, 20)}});
  EXPECT_EQ(Postar(cds), "ok");
}

TEST_P(TnCtbDMLctoCtbTest, EditKeepsAHistoryThatBecameInactiveAndAutomaticSkipsTheCheck) {
  InserirLcto(90, "2024-03-05");
  Executar("update LCTOCTB set CODIGOHISTCTB = 2 where CHAVELCTOCTB = 90");
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  Ir(cds, 90, true);
  Set(cds, {{"COMPLHIST", "MANTIDO"}});
  EXPECT_EQ(Postar(cds), "ok");
  modulo.SetAutomatico(true);
  NovoValido(modulo, {{"CODIGOHISTCTB", 2}});
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
  Ir(cds, 91);
  EXPECT_EQ(fechados(), "1111");
  Ir(cds, 92);
  EXPECT_EQ(fechados(), "0000");
}

// The web form has no desktop status panels (the fields' web layout reaches
// the page: TServidorWebTest reads it there).
TEST_P(TnCtbDMLctoCtbTest, WebVariantHasNoDesktopStatusPanels) {
  Nutil::SetEhCloud(true);
  TnCtbDMLctoCtb& modulo = Criar();
  EXPECT_EQ(modulo.GetTipoForm(), 5);
  EXPECT_EQ(modulo.Form()->StatusPanels().size(), 1u);
}

CTB_INSTANTIATE_ENGINES(TnCtbDMLctoCtbTest);
