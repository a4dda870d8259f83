// Origin-key texts, the history complement, accounts typed as aliases and
// the functional-currency fields.
#include "tests/entries/LctoCtbFixture.h"

using TnCtbDMLctoCtbHistoricoTest = TnLctoCtbFixture;

TEST_P(TnCtbDMLctoCtbHistoricoTest, OriginKeyTexts) {
  // "origin|key|text" cases, separated by "; ": one a way a key is read
  // (the names of the codes are the code's own tables).
  const std::string casos =
      "FI||; XX|ABC|; FI|IMP1|ICMS; FI|IMP39|Lucro Presumido PIS/COFINS; FI|IMP5|; "
      "FI|ME0000000055|Entrada (Nr. Lcto: 55); FI|RS0000000058|Saída Ret. (Nr. Lcto: 58); "
      "FI|MEABC|Entrada (Nr. Lcto: 0); FI|XX0000000001|; "
      "CP|ABCDEFGHIJ0000001234001X|Dup. Paga (1234-001); "
      "CP|ABCDEFGHIJ000000123401|Dup. Paga (1234-01); CP|ABCDEFGHIJ00000012|Dup. Paga (12-); "
      "CR|ABCDEF0000000077002X|Dup. Recebida (77-002); "
      "CR|ABCDEF000000007702|Dup. Recebida (77-02); "
      "CT|CF0000000123-000045|Crédito Fed. (Nr. Lcto 123-45); "
      "CT|CFC0000000009-000010|Crédito FGTS. (Nr. Lcto 9-10); "
      "CT|DF0000000011|Débito Fed. (Nr. Lcto 11); CT|DE12|Débito Est. (Nr. Lcto 12); "
      "CT|DFC16|Débito FGTS. (Nr. Lcto 16); CT|ZZ16|; "
      "FP|FPA00042|Período Cálculo (42); FP|FPB00042|; TV|X_LDS_77|Tesouraria Saída (77); "
      "TV|X_ECR_8|Contas Receber (8); TV|X_ABC_5|Outros (5); TV|X__5|; TV|12|Outros (12)";
  TnCtbDMLctoCtb& modulo = Criar(false);
  TnClientDataSet& cds = modulo.nClientDataSet;
  cds.Append();
  for (const std::string& caso : Nutil::StrToStrArray(casos, "; ")) {
    const std::vector<std::string> partes = Nutil::StrToStrArray(caso, "|");
    ASSERT_EQ(partes.size(), 3u) << caso;
    cds.FieldByName("CODIGOORIGLCTOCTB").SetAsString(partes[0]);
    cds.FieldByName("CHAVEORIGEM").SetAsString(partes[1]);
    EXPECT_EQ(modulo.TextoChaveOrigem(), partes[2]) << caso;
  }
  cds.Cancel();
}

TEST_P(TnCtbDMLctoCtbHistoricoTest, TakingOverAsksNamingTheModule) {
  const std::pair<const char*, const char*> modulos[] = {
      {"CT", "módulo Controle de Tributos"}, {"FP", "módulo Folha de Pagamento"},
      {"TV", "Tervani Empresarial"},         {"IM", "módulo Controle Patrimonial"},
      {"ZZ", "módulo Desconhecido"},         {"CR", "módulo Fiscal"}};
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  cds.Append();
  for (const auto& [origem, nome] : modulos) {
    cds.FieldByName("CODIGOORIGLCTOCTB").SetAsString(origem);
    Dialogos().LimparRegistro();
    Responder({"Não"});
    EXPECT_FALSE(modulo.AlterarChaveOrigem());
    ASSERT_EQ(Dialogos().Perguntas().size(), 1u);
    EXPECT_EQ(Dialogos().Perguntas()[0].Texto,
              std::string("Este lançamento contábil pertence ao ") + nome +
                  ". Alterações neste lançamento, o tornará pertencente ao módulo Contabilidade. "
                  "Isso fará com que o " +
                  nome +
                  " não reconheça este lançamento em caso de refazer a contabilização. Deseja "
                  "continuar com as alterações?");
  }
  cds.Cancel();
  // Without a screen nobody can be asked: the change is refused.
  TnCtbDMLctoCtb& semTela = Criar(false);
  semTela.nClientDataSet.Append();
  semTela.nClientDataSet.FieldByName("CODIGOORIGLCTOCTB").SetAsString("FI");
  Dialogos().LimparRegistro();
  EXPECT_FALSE(semTela.AlterarChaveOrigem());
  EXPECT_TRUE(Dialogos().Registro().empty());
  semTela.nClientDataSet.Cancel();
}

// A stored entry of another module shows its origin on the label, and is
// deleted only after the question.
TEST_P(TnCtbDMLctoCtbHistoricoTest, StoredEntryOfAnotherModuleShowsItsOriginAndAsksOnDelete) {
  InserirLcto(60, "2024-03-05", ", CHAVEORIGEM", ", 'ME0000000001'");
  InserirLcto(61, "2024-03-05", ", CHAVEORIGEM", ", 'CF0000000123-000045'");
  Executar("update LCTOCTB set CODIGOORIGLCTOCTB = 'FI' where CHAVELCTOCTB = 60");
  Executar("update LCTOCTB set CODIGOORIGLCTOCTB = 'CT' where CHAVELCTOCTB = 61");
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  ASSERT_NE(modulo.GetLbDataSetChaveOrigem(), nullptr);
  Ir(cds, 61);
  modulo.ChecarConfigurarCampo(cds.FieldByName("CHAVEORIGEM"));
  EXPECT_EQ(modulo.GetLbDataSetChaveOrigem()->Caption, "Crédito Fed. (Nr. Lcto 123-45)");
  Ir(cds, 60);
  Responder({"Não", "Sim"});
  EXPECT_EQ(ResultadoDe([&] { cds.Delete(); }), "Exception: Exclusão cancelada!");
  EXPECT_EQ(Linha(60, "CHAVELCTOCTB"), "CHAVELCTOCTB=60");
  cds.Delete();
  EXPECT_EQ(Linha(60, "CHAVELCTOCTB"), "(none)");
}

TEST_P(TnCtbDMLctoCtbHistoricoTest, ComplementTokens) {
  TnCtbDMLctoCtb& modulo = Criar();
  const TDateTime marco = EncodeDate(2024, 3, 10);
  EXPECT_EQ(modulo.PegarDicionariosConta("PAGTO [DICTEXTOCONTACRED] REF [DICDATAMESANOATUAL]"),
            "[DICTEXTOCONTACRED]|[DICDATAMESANOATUAL]|");
  EXPECT_EQ(modulo.GetDescrHistCtb(), "PAGTO  REF ");
  EXPECT_EQ(modulo.FormatarComplementoHistorico(3, 101, 102, 0, marco, ""), "CAIXA|");
  EXPECT_EQ(modulo.FormatarComplementoHistorico(3, 101, 102, 0, marco, "CAIXA GERAL|"),
            "CAIXA GERAL|");
  EXPECT_EQ(modulo.FormatarComplementoHistorico(3, 102, 101, 0, marco, "CAIXA GERAL|"), "BANCO|");
  EXPECT_EQ(modulo.FormatarComplementoHistorico(1, 101, 102, 0, marco, ""), "Banco|03/2024|");
  EXPECT_EQ(modulo.FormatarComplementoHistorico(4, 101, 102, 0, marco, "LIVRE"), "LIVRE");
  EXPECT_EQ(modulo.PegarDescricaoConta(101, 102, 0,
                                       "[DICTEXTOCONTADEBLOWER]|[DICDATAMESANOANTERIOR]|"
                                       "[DICOUTRO]|[DICTEXTOCONTACREDUPPER]|",
                                       "", EncodeDate(2024, 1, 31)),
            "caixa|12/2023||BANCO|");
  EXPECT_EQ(modulo.FormatarComplementoHistoricoAjax(
                R"({"CODIGOHIST": 1, "CONTACTBCRED": 101, "DATALCTOCTB": "2024-05-02"})"),
            "Caixa|05/2024|");
  // An empty complement of a stored entry starts from what it holds.
  InserirLcto(70, "2024-03-05", ", COMPLHIST", ", 'ANTIGO|X|'");
  EXPECT_EQ(modulo.FormatarComplementoHistorico(3, 101, 102, 70, marco, ""), "CAIXA|");
  EXPECT_EQ(modulo.GetComplementoHist("", 70), "ANTIGO|X|");
}

TEST_P(TnCtbDMLctoCtbHistoricoTest, HistoryAndAccountChangesRecomputeTheComplementOnScreen) {
  TnCtbDMLctoCtb& modulo = CriarNovo();
  TnClientDataSet& cds = modulo.nClientDataSet;
  cds.FieldByName("CODIGOHISTCTB").SetAsInteger(1);
  EXPECT_EQ(cds.FieldByName("COMPLHIST").AsString(), "Banco|03/2024|");
  cds.FieldByName("CONTACTBCRED").SetText("CAIXA");
  EXPECT_EQ(cds.FieldByName("CONTACTBCRED").AsInteger(), 101);
  EXPECT_EQ(cds.FieldByName("COMPLHIST").AsString(), "Caixa|03/2024|");
  cds.Cancel();
  // Without a screen the complement stays as typed.
  TnCtbDMLctoCtb& semTela = CriarNovo(false, {{"CODIGOHISTCTB", 1}});
  EXPECT_TRUE(semTela.nClientDataSet.FieldByName("COMPLHIST").IsNull());
  semTela.nClientDataSet.Cancel();
}

TEST_P(TnCtbDMLctoCtbHistoricoTest, HistoryLookupFilterFollowsTheAccountsGroups) {
  Executar(
      "insert into PLESPGRHISTCTB (CODIGOEMPRESA, CONTACTB, CODIGOGRUPOHISTCTB) values "
      "(1, 101, 10), (1, 102, 20), (1, 103, 30)");
  TnCtbDMLctoCtb& modulo = CriarNovo();
  std::string filtro;
  modulo.DoDepoisCriarFiltroCODIGOHISTCTB(nullptr, filtro);
  EXPECT_EQ(filtro, "(CODIGOGRUPOHISTCTB = 10) or (CODIGOGRUPOHISTCTB = 20)");
  modulo.nClientDataSet.FieldByName("CONTACTBCRED").SetAsInteger(103);
  filtro = "STATUS = 0";
  modulo.DoDepoisCriarFiltroCODIGOHISTCTB(nullptr, filtro);
  EXPECT_EQ(filtro, "STATUS = 0 and ((CODIGOGRUPOHISTCTB = 10) or (CODIGOGRUPOHISTCTB = 30))");
  modulo.nClientDataSet.Cancel();
}

// An account is typed as its code or its alias; "0" and "" clear it.
TEST_P(TnCtbDMLctoCtbHistoricoTest, AccountsTypedAsCodesOrAliases) {
  const std::string naoExiste =
      "EnField CONTACTBDEB: Não existe conta contábil com o apelido informado!";
  const std::pair<const char*, std::string> casos[] = {
      {"0", "null"},         {" banco ", "102"}, {"103", "103"},        {"", "null"},
      {"1.1.01", naoExiste}, {"   ", naoExiste}, {"NINGUEM", naoExiste}};
  TnCtbDMLctoCtb& modulo = CriarNovo();
  TField& deb = modulo.nClientDataSet.FieldByName("CONTACTBDEB");
  for (const auto& [texto, esperado] : casos) {
    const std::string resultado = ResultadoDe([&deb, digitado = texto] { deb.SetText(digitado); });
    EXPECT_EQ(resultado != "ok" ? resultado
              : deb.IsNull()    ? "null"
                                : deb.AsString(),
              esperado)
        << texto;
  }
  modulo.nClientDataSet.Cancel();
}

// ---- Functional currency ----

class TnCtbDMLctoCtbMoedaTest : public TnLctoCtbFixture {
 protected:
  void SetUp() override {
    TnLctoCtbFixture::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    Executar(
        "insert into MOEDA (CODIGOMOEDA, DESCRMOEDA, CIFRAOUSIMBOLO) values (2, 'Dólar', "
        "'US$')");
    Executar(
        "insert into OPCAOMOEDAFUNCIONAL (CODIGOEMPRESA, CODIGOESTAB, DATAINICIAL, "
        "DATAFINAL, CODIGOMOEDA) values (1, 1, '2024-03-01', null, 2)");
    Executar(
        "insert into COTACAO (CODIGOMOEDA, DATACOTACAO, TIPOCOTACAO, VALORCOTACAO) values "
        "(2, '2024-03-01', 0, 5.1), (2, '2024-03-01', 2, 4.9)");
  }
  void Sair(TnCtbDMLctoCtb& modulo, const char* campo) {
    TField& field = modulo.nClientDataSet.FieldByName(campo);
    field.GetDefinicao().OnExit(field);
  }
  std::string Valores(TnClientDataSet& cds) {
    return cds.FieldByName("COTACAOMOEDA").AsString() + " x " +
           cds.FieldByName("VALORLCTOMOEDA").AsString() + " = " +
           cds.FieldByName("VALORLCTOCTB").AsString();
  }
};

// What each exit derives; every conversion rounds a half cent away from
// zero (half to even would lose the cent in the first four cases). When
// reais and the currency no longer close, leaving reais says so; the post
// keeps both.
TEST_P(TnCtbDMLctoCtbMoedaTest, ExitsDeriveTheMissingValueAndSayWhenItDoesNotClose) {
  // The field left, the rate, the currency amount and reais before (a
  // negative value: the field is empty), what the exit leaves and whether it
  // informs.
  const std::tuple<const char*, double, double, double, const char*, bool> casos[] = {
      {"VALORLCTOMOEDA", 2.5, 10.01, -1, "2.5 x 10.01 = 25.03", false},
      {"COTACAOMOEDA", 0.5, 0.05, -1, "0.5 x 0.05 = 0.03", false},
      {"COTACAOMOEDA", 2, -1, 0.25, "2 x 0.13 = 0.25", false},
      {"VALORLCTOCTB", 2, -1, 0.25, "2 x 0.13 = 0.25", false},
      {"VALORLCTOCTB", 2.5, 10.01, 25.03, "2.5 x 10.01 = 25.03", false},  // closes: no information
      {"COTACAOMOEDA", 5.25, 100, -1, "5.25 x 100 = 525", false},
      {"VALORLCTOMOEDA", 5.25, 10.01, 525, "5.25 x 10.01 = 52.55", false},
      {"COTACAOMOEDA", 4, -1, 100, "4 x 25 = 100", false},
      {"VALORLCTOCTB", 3, -1, 100, "3 x 33.33 = 100", false},
      {"VALORLCTOCTB", 3, 33.33, 100, "3 x 33.33 = 100", true},
  };
  TnCtbDMLctoCtb& modulo = CriarNovo();
  TnClientDataSet& cds = modulo.nClientDataSet;
  for (const auto& [saida, cotacao, moeda, reais, esperado, informa] : casos) {
    SCOPED_TRACE(std::string(saida) + " " + esperado);
    const auto valor = [](double v) { return v < 0 ? Value() : Value(v); };
    Set(cds, {{"COTACAOMOEDA", valor(cotacao)},
              {"VALORLCTOMOEDA", valor(moeda)},
              {"VALORLCTOCTB", valor(reais)}});
    Dialogos().LimparRegistro();
    Sair(modulo, saida);
    EXPECT_EQ(Valores(cds), esperado);
    EXPECT_EQ(Dialogos().Informacoes(),
              informa ? std::vector<std::string>{"O valor em Real não esta fechando com o "
                                                 "valor da moeda Estrangeira!"}
                      : std::vector<std::string>{});
  }
  ASSERT_NO_THROW(cds.Post());
  EXPECT_EQ(Linha(static_cast<int>(cds.FieldByName("CHAVELCTOCTB").AsInteger()),
                  "COTACAOMOEDA;VALORLCTOMOEDA"),
            "COTACAOMOEDA=3 VALORLCTOMOEDA=33.33");
}

TEST_P(TnCtbDMLctoCtbMoedaTest, RateIsSuggestedFromTheAccountsRateType) {
  TnCtbDMLctoCtb& modulo = CriarNovo();
  TnClientDataSet& cds = modulo.nClientDataSet;
  TField& cotacao = cds.FieldByName("COTACAOMOEDA");
  cotacao.GetDefinicao().OnEnter(cotacao);
  EXPECT_DOUBLE_EQ(cotacao.AsFloat(), 5.1);
  EXPECT_EQ(modulo.CampoConteudoSelecionado(), "COTACAOMOEDA");
  // A rate already there is kept.
  cotacao.SetAsFloat(6);
  cotacao.GetDefinicao().OnEnter(cotacao);
  EXPECT_DOUBLE_EQ(cotacao.AsFloat(), 6);
  // Accounts of different rate types: nothing to suggest.
  cotacao.Clear();
  cds.FieldByName("CONTACTBDEB").SetAsInteger(103);
  cotacao.GetDefinicao().OnEnter(cotacao);
  EXPECT_TRUE(cotacao.IsNull());
  cds.FieldByName("CONTACTBCRED").Clear();
  EXPECT_EQ(modulo.GetTipoCotacaoMoeda(), TTipoCotacaoConta::tcMedia);
  cotacao.GetDefinicao().OnEnter(cotacao);
  EXPECT_DOUBLE_EQ(cotacao.AsFloat(), 4.9);
  cds.Cancel();
}

TEST_P(TnCtbDMLctoCtbMoedaTest, OptionOffClearsTheCurrencyFieldsAndLabelShowsTheSymbol) {
  TnCtbDMLctoCtb& modulo = CriarNovo();
  TnClientDataSet& cds = modulo.nClientDataSet;
  modulo.AjustarLabelValorMoedaFuncional();
  EXPECT_EQ(cds.FieldByName("VALORLCTOMOEDA").DisplayLabel(), "Valor US$");
  const TCampos moeda = {{"COTACAOMOEDA", 5.0}, {"VALORLCTOMOEDA", 20.0}};
  Set(cds, {{"DATALCTOCTB", EncodeDate(2024, 2, 10)}});
  Set(cds, moeda);
  ASSERT_NO_THROW(cds.Post());
  EXPECT_EQ(Valores(cds), " x  = 100");
  // With the option the values are kept, and the reais exit does nothing
  // without it.
  NovoValido(modulo, moeda);
  ASSERT_NO_THROW(cds.Post());
  EXPECT_EQ(Valores(cds), "5 x 20 = 100");
}

CTB_INSTANTIATE_ENGINES(TnCtbDMLctoCtbHistoricoTest);
CTB_INSTANTIATE_ENGINES(TnCtbDMLctoCtbMoedaTest);
