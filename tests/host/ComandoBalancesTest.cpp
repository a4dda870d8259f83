// `ctb balances`: the options reach the process's parameters, dates in both
// accepted forms, and the result comes out in the format asked.

#include "host/reports/ComandoBalances.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <map>

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

// The parameters as "name=value" by name, the values as the options spell
// them.
std::string Campo(const TnParamsGerarSaldoCtb& p, const std::string& nome) {
  const TnParansSaldoCtb& s = p.Saldo;
  auto n = [](auto valor) { return fmt::format("{}", static_cast<int64_t>(valor)); };
  const std::map<std::string, std::string> campos = {
      {"CodigoEmpresa", n(s.CodigoEmpresa)},
      {"DataInicial", DateToIso(s.DataInicial)},
      {"DataFinal", DateToIso(s.DataFinal)},
      {"TipoAgrupamento", n(s.TipoAgrupamento)},
      {"RelacionarFilial", n(s.RelacionarFilial)},
      {"TipoSaldoCtb", n(s.TipoSaldoCtb)},
      {"CodigoEstab", s.CodigoEstab},
      {"ContaCtb", s.ContaCtb},
      {"ClassifConta", s.ClassifConta},
      {"CodigoMoeda", n(s.CodigoMoeda)},
      {"CodigoHistCtb", s.CodigoHistCtb},
      {"FiltroLctoAtivo", s.FiltroLctoAtivo},
      {"TotalizarSintetica", n(s.TotalizarSintetica)},
      {"ConsiderarFiltroLctoCtb", n(s.ConsiderarFiltroLctoCtb)},
      {"ConsiderarEntraBalanco", n(s.ConsiderarEntraBalanco)},
      {"CodigoIdioma", n(s.CodigoIdioma)},
      {"ListarMovimentoZero", n(p.ListarMovimentoZero)},
      {"PercentualCota", fmt::format("{}", p.PercentualCota.ToDouble())},
      {"IgnorarSaldoAnterior", n(p.IgnorarSaldoAnterior)},
      {"ValidarPeriodoIFRS", n(p.ValidarPeriodoIFRS)},
      {"ListarSinteticasSemAnaliticas", n(p.ListarSinteticasSemAnaliticas)},
      {"GerarMoedaFuncionalEmReais", n(p.GerarMoedaFuncionalEmReais)},
      {"FiltrarContaCtb", n(p.FiltrarContaCtb)},
  };
  return campos.at(nome);
}

TEST(ComandoBalancesOpcoes, EveryOptionFillsItsParameter) {
  struct TCaso {
    std::vector<std::string> Args;
    const char* Campo;
    const char* Valor;
  };
  const std::vector<std::string> base = {"--company",  "3",    "--from",
                                         "2024-01-15", "--to", "10/03/2024"};
  const std::vector<TCaso> casos = {
      {{}, "CodigoEmpresa", "3"},
      {{}, "DataInicial", "2024-01-15"},
      {{}, "DataFinal", "2024-03-10"},
      {{}, "TipoAgrupamento", "0"},
      {{}, "RelacionarFilial", "0"},
      {{}, "TipoSaldoCtb", "0"},
      {{}, "ListarMovimentoZero", "1"},
      {{}, "TotalizarSintetica", "1"},
      {{}, "ValidarPeriodoIFRS", "1"},
      {{"--estab", "1;2"}, "CodigoEstab", "1;2"},
      {{"--accounts", "11-14"}, "ContaCtb", "11-14"},
      {{"--classif", "1.1"}, "ClassifConta", "1.1"},
      {{"--group", "day"}, "TipoAgrupamento", "1"},
      {{"--group", "month"}, "TipoAgrupamento", "2"},
      {{"--by-branch"}, "RelacionarFilial", "1"},
      {{"--book", "1"}, "TipoSaldoCtb", "1"},
      {{"--currency", "2"}, "CodigoMoeda", "2"},
      {{"--history", "4"}, "CodigoHistCtb", "4"},
      {{"--origins", "IM"}, "FiltroLctoAtivo", "IM"},
      {{"--zero-accounts", "0"}, "ListarMovimentoZero", "0"},
      {{"--synthetic", "0"}, "TotalizarSintetica", "0"},
      {{"--entry-filter", "0"}, "ConsiderarFiltroLctoCtb", "0"},
      {{"--balance-sheet", "1"}, "ConsiderarEntraBalanco", "1"},
      {{"--quota", "50"}, "PercentualCota", "50"},
      {{"--language", "2"}, "CodigoIdioma", "2"},
      {{"--ignore-previous"}, "IgnorarSaldoAnterior", "1"},
      {{"--validate-ifrs", "0"}, "ValidarPeriodoIFRS", "0"},
      {{"--synthetic-without-analytic", "0"}, "ListarSinteticasSemAnaliticas", "0"},
      {{"--functional-in-reais"}, "GerarMoedaFuncionalEmReais", "1"},
      {{"--prefilter", "0"}, "FiltrarContaCtb", "0"},
  };
  for (const TCaso& caso : casos) {
    std::vector<std::string> args = base;
    args.insert(args.end(), caso.Args.begin(), caso.Args.end());
    TnCtbDPGerarSaldoCtbIndividual processo;
    EXPECT_EQ(caso.Valor, Campo(ComandoBalances::Parametros(processo, Ler(args)), caso.Campo))
        << caso.Campo;
  }
}

TEST(ComandoBalancesOpcoes, RefusesBadDatesAndValues) {
  EXPECT_THROW(Ler({"--company", "1", "--from", "31/02/2024", "--to", "2024-03-01"}),
               CLI::ValidationError);
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
          "TIPOCONTACALC, TIPOCOTACAO) values (1, 1, '1', 'ATIVO', 1, 1, 1), "
          "(1, 11, '1.1', 'CAIXA', 2, 1, 1), (1, 12, '1.2', 'BANCO', 2, 1, 1)",
          "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
          "TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB) values "
          "(1, 1, 1, '2024-01-10', 'LN', 11, 12, 150), (1, 2, 1, '2024-02-10', 'LN', 11, 12, 50)"})
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
