// `ctb balances`: the options reach the process's parameters, dates in both
// accepted forms, and the result comes out in the format asked.

#include "host/ComandoBalances.h"

#include <gtest/gtest.h>

#include <CLI/CLI.hpp>

#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"
#include "framework/core/Exceptions.h"
#include "framework/ctb/TnUtilCtb.h"
#include "tests/support/TestDatabases.h"

namespace {

ComandoBalances::TOpcoes Ler(std::vector<std::string> args) {
  CLI::App app;
  ComandoBalances::TOpcoes opcoes;
  ComandoBalances::AdicionarOpcoes(app, opcoes);
  std::reverse(args.begin(), args.end());
  app.parse(args);
  return opcoes;
}

TEST(ComandoBalancesOpcoes, EveryOptionFillsItsParameter) {
  struct TCaso {
    std::vector<std::string> Args;
    const char* Alias;
    const char* Valor;
  };
  const std::vector<std::string> base = {"--company",  "3",    "--from",
                                         "2024-01-15", "--to", "10/03/2024"};
  const std::vector<TCaso> casos = {
      {{}, "pCodigoEmpresa", "3"},
      {{}, "pDataInicial", "2024-01-15"},
      {{}, "pDataFinal", "2024-03-10"},
      {{}, "pTipoAgruparData", "0"},
      {{}, "pRelacionarEstab", "0"},
      {{}, "pTipoSaldoCtb", "0"},
      {{}, "pListarContasMovimentoZero", "1"},
      {{"--estab", "1;2"}, "pCodigoEstab", "1;2"},
      {{"--accounts", "11-14"}, "pContaCtb", "11-14"},
      {{"--classif", "1.1"}, "pClassifConta", "1.1"},
      {{"--group", "day"}, "pTipoAgruparData", "1"},
      {{"--group", "month"}, "pTipoAgruparData", "2"},
      {{"--by-branch"}, "pRelacionarEstab", "1"},
      {{"--book", "1"}, "pTipoSaldoCtb", "1"},
      {{"--currency", "2"}, "pCodigoMoeda", "2"},
      {{"--history", "4"}, "pCodigoHistCtb", "4"},
      {{"--origins", "IM"}, "pFiltroOrigemLcto", "IM"},
      {{"--zero-accounts", "0"}, "pListarContasMovimentoZero", "0"},
      {{"--synthetic", "0"}, "pTotalizarSintetica", "0"},
      {{"--entry-filter", "0"}, "pConsiderarFiltroLctoCtb", "0"},
      {{"--balance-sheet", "1"}, "pConsiderarEntraBalanco", "1"},
      {{"--quota", "50"}, "pPercentualCotas", "50"},
      {{"--language", "2"}, "pCodigoIdioma", "2"},
      {{"--ignore-previous"}, "pIgnorarSaldoAnt", "1"},
      {{"--validate-ifrs", "0"}, "pValidarPeriodoIFRS", "0"},
      {{"--synthetic-without-analytic", "0"}, "pListarSinteticasSemAnaliticas", "0"},
      {{"--functional-in-reais"}, "pGerarMoedaFuncionalEmReais", "1"},
      {{"--prefilter", "0"}, "pFiltrarContaCtb", "0"},
  };
  for (const TCaso& caso : casos) {
    std::vector<std::string> args = base;
    args.insert(args.end(), caso.Args.begin(), caso.Args.end());
    TnCtbDPGerarSaldoCtbIndividual processo;
    ComandoBalances::PreencherParametros(processo, Ler(args));
    EXPECT_EQ(caso.Valor, processo.Param(caso.Alias).AsString()) << caso.Alias;
  }
}

TEST(ComandoBalancesOpcoes, RefusesBadDatesAndValues) {
  TnCtbDPGerarSaldoCtbIndividual processo;
  const std::string erro = MensagemDoErro([&] {
    ComandoBalances::PreencherParametros(
        processo, Ler({"--company", "1", "--from", "31/02/2024", "--to", "2024-03-01"}));
  });
  EXPECT_NE(erro.find("--from"), std::string::npos) << erro;
  EXPECT_THROW(
      Ler({"--company", "1", "--from", "2024-01-01", "--to", "2024-01-31", "--group", "week"}),
      CLI::ValidationError);
  EXPECT_THROW(Ler({"--from", "2024-01-01", "--to", "2024-01-31"}), CLI::RequiredError);
}

class ComandoBalancesTest : public TSchemaTest {
 protected:
  void SetUp() override {
    TSchemaTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    for (const char* sql :
         {"insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB) values (1, 1, 'MATRIZ')",
          "insert into NATUREZAGRUPO (CODIGOEMPRESA, CLASSIFGRUPO, NATUREZA) values (1, '1', 1)",
          "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, DESCRCONTA, TIPOCONTA, "
          "TIPOCONTACALC, TIPOCOTACAO) values (1, 1, '1', 'ATIVO', 1, 1, 1)",
          "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, DESCRCONTA, TIPOCONTA, "
          "TIPOCONTACALC, TIPOCOTACAO) values (1, 11, '1.1', 'CAIXA', 2, 1, 1)",
          "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, DESCRCONTA, TIPOCONTA, "
          "TIPOCONTACALC, TIPOCOTACAO) values (1, 12, '1.2', 'BANCO', 2, 1, 1)",
          "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
          "TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB) values (1, 1, 1, "
          "'2024-01-10', 'LN', 11, 12, 150)",
          "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
          "TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB) values (1, 2, 1, "
          "'2024-02-10', 'LN', 11, 12, 50)"})
      Conexao().ExecuteDirect(sql);
  }
};

TEST_P(ComandoBalancesTest, PrintsTheResultDataSet) {
  const std::string csv = ComandoBalances::Executar(
      Conexao(),
      Ler({"--company", "1", "--from", "01/02/2024", "--to", "2024-02-29", "--accounts", "11"}),
      Saida::TFormatoSaida::Csv);
  const size_t quebra = csv.find('\n');
  EXPECT_EQ(
      "CONTACTB,CLASSIFCONTA,TIPOCONTA,DESCRCONTA,CODIGOESTAB,DATASALDO,SALDOANTERIOR,"
      "DEBITO,CREDITO,MOVIMENTO,SALDOATUAL,SEMSALDOMOV,SINTFILIAL,TIPOCONTACALC,"
      "APELIDOCONTA",
      csv.substr(0, quebra));
  const std::string linha = csv.substr(quebra + 1);
  EXPECT_NE(linha.find("CAIXA"), std::string::npos) << csv;
  EXPECT_NE(linha.find("150.00,50.00,0.00,50.00,200.00"), std::string::npos) << csv;
  EXPECT_EQ(1, std::count(linha.begin(), linha.end(), '\n')) << csv;

  const std::string json = ComandoBalances::Executar(
      Conexao(),
      Ler({"--company", "1", "--from", "2024-01-01", "--to", "2024-02-29", "--group", "month"}),
      Saida::TFormatoSaida::Json);
  EXPECT_NE(json.find("\"SALDOATUAL\": 200"), std::string::npos) << json;
}

CTB_INSTANTIATE_ENGINES(ComandoBalancesTest);

}  // namespace
