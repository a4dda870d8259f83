// Balances per cost centre through the built `ctb` program on each engine:
// entries posted by the program, their cost-centre splits loaded with
// `ctb load LCTOGER`, and `trial-balance` / `balances` with --cost-centres
// listing, below each split account, cost-centre rows that add up to it.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "schema/SchemaInstaller.h"
#include "tests/host/TCtbPrograma.h"

namespace {

using json = nlohmann::json;

constexpr int64_t kSalarios = 4201001;

class TCentrosCustoProgramaTest : public TCtbDemoTest {
 protected:
  // Two salary entries of August in the demo company, split over three
  // cost centres: 1000.00 as 600.00/400.00, 500.50 as 300.25/200.25.
  void SetUp() override {
    TCtbDemoTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    std::vector<int64_t> chaves;
    for (const auto& [data, valor] :
         {std::pair{"2025-08-11", "1000.00"}, {"2025-08-20", "500.50"}}) {
      json lancamento = LancamentoDemo(data, valor);
      lancamento["fields"]["CONTACTBDEB"] = kSalarios;
      ASSERT_EQ(Post(lancamento), 0) << FSaida;
      chaves.push_back(ChavePostada());
    }
    Escrever("rateio.csv", fmt::format("CODIGOEMPRESA,CHAVELCTOCTB,CODIGOCENTROCUSTO,NATURLCTOCTB,"
                                       "CONTACTB,DATALCTOCTB,VALORLCTOGER\n"
                                       "1,{0},101,1,4201001,2025-08-11,600.00\n"
                                       "1,{0},102,1,4201001,2025-08-11,400.00\n"
                                       "1,{1},101,1,4201001,2025-08-20,300.25\n"
                                       "1,{1},201,1,4201001,2025-08-20,200.25\n",
                                       chaves[0], chaves[1]));
    ASSERT_EQ(Comando("load LCTOGER rateio.csv"), 0) << FErro;
  }

  // The salary rows of a command's JSON rows: movement by cost centre (0 for
  // the account row).
  static std::map<int64_t, double> Salarios(const json& linhas, const char* conta,
                                            const char* centro, const char* movimento) {
    std::map<int64_t, double> valores;
    for (const json& linha : linhas)
      if (linha[conta] == kSalarios)
        valores[linha[centro].is_null() ? 0 : linha[centro].get<int64_t>()] +=
            linha[movimento].get<double>();
    return valores;
  }
};

TEST_P(TCentrosCustoProgramaTest, TrialBalanceListsCostCentreRowsThatAddUpToTheirAccount) {
  ASSERT_EQ(Comando("trial-balance --company 1 --period 2025-08 --cost-centres --format json"), 0)
      << FErro;
  const json linhas = json::parse(FSaida)["companies"][0]["rows"];
  EXPECT_EQ(Salarios(linhas, "CodigoConta", "CodigoCentroCusto", "MOVIMENTO"),
            (std::map<int64_t, double>{{0, 1500.50}, {101, 900.25}, {102, 400}, {201, 200.25}}));
  // Each cost-centre row sits right below its account, with the centre's name.
  std::vector<std::string> ordem;
  for (const json& linha : linhas)
    if (linha["CodigoConta"] == kSalarios)
      ordem.push_back(linha["DescrCentroCusto"].is_null() ? "" : linha["DescrCentroCusto"]);
  EXPECT_EQ(ordem, (std::vector<std::string>{"", "Diretoria", "Financeiro", "Vendas"}));
}

TEST_P(TCentrosCustoProgramaTest, BalancesListCostCentreRowsOfTheChosenCentres) {
  ASSERT_EQ(Comando("balances --company 1 --from 2025-08-01 --to 2025-08-31 --cost-centres "
                    "--centres 101;201 --format json"),
            0)
      << FErro;
  EXPECT_EQ(Salarios(json::parse(FSaida), "CONTACTB", "CODIGOCENTROCUSTO", "MOVIMENTO"),
            (std::map<int64_t, double>{{0, 1500.50}, {101, 900.25}, {201, 200.25}}));
}

TEST_P(TCentrosCustoProgramaTest, RebuildRestoresLostCostCentreBalances) {
  Conexao().ExecuteScript("delete from SALDOGER; delete from SALDOGERMENSAL");
  ASSERT_FALSE(SchemaInstaller::VerificarSaldos(Conexao()).Rows.empty());
  ASSERT_EQ(Comando("db rebuild-balances --company 1"), 0) << FErro;
  EXPECT_TRUE(SchemaInstaller::VerificarSaldos(Conexao()).Rows.empty());
  EXPECT_GT(Contar("select count(*) from SALDOGERMENSAL where CODIGOEMPRESA = 1"), 0);
}

TEST_P(TCentrosCustoProgramaTest, OptionsTheCostCentreBalanceCannotTakeAreRefused) {
  const std::string saldos = "balances --company 1 --from 2025-08-01 --to 2025-08-31 ";
  const std::string naoSeAplicam = "Opções que não se aplicam com --cost-centres: ";
  Falha(saldos + "--cost-centres --history 3 --quota 50", naoSeAplicam + "--history, --quota");
  Falha(saldos + "--cost-centres --currency 2", naoSeAplicam + "--currency");
  Falha(saldos + "--centres 101", "A opção --centres só se aplica com --cost-centres");
  Falha(saldos + "--cost-centres --centres 1x",
        "Expressão de inclusão inválida: \"1x\" não é um código numérico.");
}

CTB_INSTANTIATE_ENGINES(TCentrosCustoProgramaTest);

}  // namespace
