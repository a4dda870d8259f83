// The program on a Citus cluster: a coordinator and two workers started by
// scripts/cluster.sh, whose conninfo is CTB_TEST_CITUS. The schema
// distributed by company prints what SQLite and one PostgreSQL print,
// companies on different workers write without waiting on each other, and
// a worker lost in the middle of an import leaves its batch out whole.

#include <fmt/format.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "tests/host/TCtbPrograma.h"

namespace {

// The lines of an import into `empresa`: one entry a day from January on.
std::string Importacao(int empresa, int linhas) {
  std::string csv =
      "CODIGOEMPRESA,CODIGOESTAB,DATALCTOCTB,CONTACTBDEB,CONTACTBCRED,CODIGOHISTCTB,"
      "VALORLCTOCTB\n";
  for (int i = 0; i < linhas; ++i)
    csv += fmt::format("{},1,2025-{:02}-{:02},1101001,1101003,3,{}.{:02}\n", empresa, 1 + i % 12,
                       1 + i % 28, 10 + i % 90, i % 100);
  return csv;
}

}  // namespace

class TClusterCitusTest : public TCtbProgramaTest {
 protected:
  void SetUp() override {
    TCtbProgramaTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    const char* citus = std::getenv("CTB_TEST_CITUS");
    if (citus == nullptr || *citus == '\0') {
      const char* ci = std::getenv("CI");
      if (ci != nullptr && std::string(ci) == "true")
        FAIL() << "CTB_TEST_CITUS não definida no CI";
      GTEST_SKIP() << "CTB_TEST_CITUS não definida: o cluster Citus (scripts/cluster.sh) não "
                      "foi iniciado";
    }
    FCluster = std::make_unique<TTestDatabase>(std::string(citus));
    FCoordenador = FCluster->Conectar();
  }
  void TearDown() override {
    FCoordenador.reset();
    FCluster.reset();
    TCtbProgramaTest::TearDown();
  }

  int NoCluster(std::vector<std::string> args) {
    args.insert(args.end(), {"--pg", FCluster->Parametros()});
    return Executar(std::move(args));
  }
  // The conninfo of the worker that holds the company's shard of LCTOCTB.
  std::string Trabalhador(int empresa) {
    const TDbResult no = FCoordenador->ExecuteQuery(fmt::format(
        "select N.NODENAME, N.NODEPORT, current_user, current_database() from PG_DIST_PLACEMENT P "
        "join PG_DIST_NODE N on N.GROUPID = P.GROUPID "
        "where P.SHARDID = get_shard_id_for_distribution_column('lctoctb', {})",
        empresa));
    const ValueArray& linha = no.Rows.at(0);
    return fmt::format("host={} port={} user={} dbname={}", linha[0].AsString(),
                       linha[1].AsString(), linha[2].AsString(), linha[3].AsString());
  }
  // Two demo companies whose shards are on different workers.
  std::pair<int, int> EmpresasEmDoisTrabalhadores() {
    std::map<std::string, int> porTrabalhador;
    for (int empresa = 1; empresa <= 6; ++empresa)
      porTrabalhador.emplace(Trabalhador(empresa), empresa);
    EXPECT_EQ(porTrabalhador.size(), 2u) << "as empresas da demonstração ficaram num trabalhador";
    return {porTrabalhador.begin()->second, porTrabalhador.rbegin()->second};
  }
  int64_t LancamentosNoCluster(int empresa) {
    return FCoordenador
        ->ExecuteScalar(
            fmt::format("select count(*) from LCTOCTB where CODIGOEMPRESA = {}", empresa))
        .AsInteger();
  }
  void DemoNoCluster() {
    for (const char* empresa : {"1", "4"})
      ASSERT_EQ(NoCluster({"demo", "--company", empresa, "--entries", "30", "--seed", empresa}), 0)
          << FErro;
  }

  std::unique_ptr<TTestDatabase> FCluster;
  std::unique_ptr<TnDMConexao> FCoordenador;
};

// The demo of companies 1 to 6, spread over both workers: the reports and
// the check print byte for byte what SQLite and one PostgreSQL print.
TEST_P(TClusterCitusTest, DemoPrintsWhatTheOtherEnginesPrint) {
  const std::vector<std::vector<std::string>> relatorios = {
      {"trial-balance", "--company", "1-6", "--period", "2025"},
      {"statements", "--company", "1", "--period", "2025"},
      {"statements", "--company", "4", "--period", "2025"},
      {"db", "check"}};
  const std::vector<std::vector<std::string>> bancos = {{"--db", (FPasta / "ctb.db").string()},
                                                        {"--pg", Banco().Parametros()},
                                                        {"--pg", FCluster->Parametros()}};
  std::vector<std::string> saidas;
  for (const auto& banco : bancos) {
    std::string saida;
    for (const char* empresa : {"1", "4"}) {
      std::vector<std::string> demo = {"demo", "--company", empresa, "--entries",
                                       "30",   "--seed",    empresa};
      demo.insert(demo.end(), banco.begin(), banco.end());
      ASSERT_EQ(Executar(demo), 0) << banco[1] << ": " << FErro;
    }
    for (std::vector<std::string> relatorio : relatorios) {
      relatorio.insert(relatorio.end(), banco.begin(), banco.end());
      EXPECT_EQ(Executar(relatorio), 0) << banco[1] << ": " << FErro;
      saida += FSaida + FErro;
    }
    saidas.push_back(saida);
  }
  EXPECT_EQ(saidas[1], saidas[0]) << "PostgreSQL";
  EXPECT_EQ(saidas[2], saidas[0]) << "Citus";
  EmpresasEmDoisTrabalhadores();
  EXPECT_EQ(
      FCoordenador
          ->ExecuteScalar("select count(*) from public.CITUS_TABLES where TABLE_NAME::text in "
                          "('lctoctb', 'saldoctb', 'sequenciaempresa') and DISTRIBUTION_COLUMN "
                          "= 'codigoempresa' and COLOCATION_ID = (select COLOCATION_ID from "
                          "public.CITUS_TABLES where TABLE_NAME = 'lctoctb'::regclass)")
          .AsInteger(),
      3);
}

// An import holds its company's key row until it commits: one into a
// company on the other worker goes on meanwhile, one into the same company
// waits (and is cut off by the time limit).
TEST_P(TClusterCitusTest, ImportsIntoCompaniesOnTwoWorkersDoNotWaitOnEachOther) {
  DemoNoCluster();
  const auto [esperando, livre] = EmpresasEmDoisTrabalhadores();
  std::unique_ptr<TnDMConexao> outra = FCluster->Conectar();
  outra->StartTransaction();
  outra->ExecuteDirect(
      fmt::format("update SEQUENCIAEMPRESA set VALOR = VALOR where CODIGOEMPRESA = {}", esperando));
  Escrever("livre.csv", Importacao(livre, 20));
  Escrever("esperando.csv", Importacao(esperando, 20));
  const int64_t antes = LancamentosNoCluster(livre);
  EXPECT_EQ(NoCluster({"import", "entries", "livre.csv", "--company", std::to_string(livre)}), 0)
      << FErro;
  EXPECT_EQ(LancamentosNoCluster(livre), antes + 20);
  // The conninfo ends with its options ('-csearch_path=...'), which take the
  // time limit too: libpq prefers them to PGOPTIONS.
  std::string comLimite = FCluster->Parametros();
  comLimite.insert(comLimite.size() - 1, " -cstatement_timeout=5000");
  EXPECT_EQ(Executar({"import", "entries", "esperando.csv", "--company", std::to_string(esperando),
                      "--pg", comLimite}),
            1);
  EXPECT_NE((FSaida + FErro).find("statement timeout"), std::string::npos) << FSaida << FErro;
  outra->RollBack();
  EXPECT_EQ(NoCluster({"db", "check"}), 0) << FSaida;
}

// The worker of the company loses the import's session in the middle of the
// batch: the program names the failure, and no entry nor balance of the
// batch stays.
TEST_P(TClusterCitusTest, AWorkerLostMidImportLeavesTheBatchAbsent) {
  DemoNoCluster();
  const int empresa = 1;
  const int64_t antes = LancamentosNoCluster(empresa);
  Escrever("grande.csv", Importacao(empresa, 1500));
  const pid_t importacao = Iniciar(
      {"import", "entries", "grande.csv", "--company", "1", "--pg", FCluster->Parametros()});
  TnDMConexao trabalhador(TTipoConexao::PostgreSQL, Trabalhador(empresa));
  const std::string sessao = fmt::format(
      "select pid from PG_STAT_ACTIVITY where STATE <> 'idle' and QUERY like '%{}.lctoctb%' and "
      "pid <> "
      "pg_backend_pid()",
      FCluster->Schema());
  int64_t cortadas = 0;
  for (int tentativa = 0; tentativa < 600 && cortadas == 0; ++tentativa) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    cortadas =
        trabalhador.ExecuteScalar("select count(pg_terminate_backend(pid)) from (" + sessao + ") S")
            .AsInteger();
  }
  EXPECT_GT(cortadas, 0) << "a importação terminou antes de ser cortada";
  EXPECT_EQ(Aguardar(importacao), 1);
  EXPECT_NE(FErro.find("Erro no banco de dados"), std::string::npos) << FErro;
  EXPECT_EQ(LancamentosNoCluster(empresa), antes);
  EXPECT_EQ(NoCluster({"db", "check"}), 0) << FSaida;
}

INSTANTIATE_TEST_SUITE_P(Engines, TClusterCitusTest, ::testing::Values(TTipoConexao::PostgreSQL),
                         NomeDoMotor);
