// The program on a Citus cluster: a coordinator and two workers started by
// scripts/cluster.sh, whose conninfo is CTB_TEST_CITUS. Every command run
// against the coordinator prints what it prints on SQLite and one
// PostgreSQL, companies on different workers write without waiting on each
// other, and a worker lost in the middle of an import leaves its batch out
// whole.

#include <fcntl.h>
#include <fmt/format.h>
#include <httplib.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <regex>
#include <thread>

#include "host/server/ServidorWeb.h"
#include "tests/host/TCtbPrograma.h"

namespace {

using nlohmann::json;

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

// An output without what differs from one run to the next: times of day.
std::string SemHoras(const std::string& saida) {
  static const std::regex hora(
      R"(\d{4}-\d{2}-\d{2}[ T]\d{2}:\d{2}(:\d{2}(\.\d+)?)?|\d{2}/\d{2}/\d{4} \d{2}:\d{2}(:\d{2})?)");
  return std::regex_replace(saida, hora, "<hora>");
}

const char* Ambiente(const char* nome) {
  const char* valor = std::getenv(nome);
  return valor != nullptr && *valor != '\0' ? valor : nullptr;
}

}  // namespace

class TClusterCitusTest : public TCtbProgramaTest {
 protected:
  static void SetUpTestSuite() { ::signal(SIGPIPE, SIG_IGN); }

  void SetUp() override {
    TCtbProgramaTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    const char* citus = Ambiente("CTB_TEST_CITUS");
    const char* controle = Ambiente("CTB_TEST_CITUS_CTL");
    if (citus == nullptr || controle == nullptr) {
      const char* ci = std::getenv("CI");
      if (ci != nullptr && std::string(ci) == "true")
        FAIL() << "CTB_TEST_CITUS ou CTB_TEST_CITUS_CTL não definida no CI";
      GTEST_SKIP() << "CTB_TEST_CITUS não definida: o cluster Citus (scripts/cluster.sh) não "
                      "foi iniciado";
    }
    FControle = controle;
    // The cluster's tests run as separate processes: each holds the cluster
    // shared, and the one that stops a worker holds it alone.
    FTrava = ::open(FControle.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(FTrava, 0) << FControle;
    ASSERT_EQ(::flock(FTrava, LOCK_SH), 0);
    FCluster = std::make_unique<TTestDatabase>(std::string(citus));
    FCoordenador = FCluster->Conectar();
  }
  void TearDown() override {
    FCoordenador.reset();
    FCluster.reset();
    if (FTrava >= 0)
      ::close(FTrava);
    TCtbProgramaTest::TearDown();
  }

  int NoCluster(std::vector<std::string> args) {
    args.insert(args.end(), {"--pg", FCluster->Parametros()});
    return Executar(std::move(args));
  }
  // The worker that holds the company's shard of LCTOCTB: its port and its
  // conninfo.
  std::pair<std::string, std::string> Trabalhador(int empresa) {
    const TDbResult no = FCoordenador->ExecuteQuery(fmt::format(
        "select N.NODENAME, N.NODEPORT, current_user, current_database() from PG_DIST_PLACEMENT P "
        "join PG_DIST_NODE N on N.GROUPID = P.GROUPID "
        "where P.SHARDID = get_shard_id_for_distribution_column('lctoctb', {})",
        empresa));
    const ValueArray& linha = no.Rows.at(0);
    return {linha[1].AsString(),
            fmt::format("host={} port={} user={} dbname={}", linha[0].AsString(),
                        linha[1].AsString(), linha[2].AsString(), linha[3].AsString())};
  }
  // Two companies of the demo of company 1 (companies 1 to 3) whose shards
  // are on different workers.
  std::pair<int, int> EmpresasEmDoisTrabalhadores() {
    std::map<std::string, int> porTrabalhador;
    for (int empresa = 1; empresa <= 3; ++empresa)
      porTrabalhador.emplace(Trabalhador(empresa).first, empresa);
    EXPECT_EQ(porTrabalhador.size(), 2u) << "as empresas da demonstração ficaram num trabalhador";
    return {porTrabalhador.begin()->second, porTrabalhador.rbegin()->second};
  }
  int64_t LancamentosNoCluster(int empresa) {
    return FCluster->Conectar()
        ->ExecuteScalar(
            fmt::format("select count(*) from LCTOCTB where CODIGOEMPRESA = {}", empresa))
        .AsInteger();
  }
  void DemoNoCluster() {
    ASSERT_EQ(NoCluster({"demo", "--company", "1", "--entries", "1"}), 0) << FErro;
  }
  // `ctl stop|start PORT` of scripts/cluster.sh.
  void Controlar(const char* acao, const std::string& porta) {
    ASSERT_EQ(std::system((FControle + " " + acao + " " + porta).c_str()), 0) << acao << porta;
  }

  // `ctb serve` on `banco`: user 1 signs in and saves one entry over HTTP;
  // what the server answered, and its key.
  std::string EntradaPelaWeb(const std::vector<std::string>& banco) {
    std::vector<std::string> args = {"user", "passwd", "1"};
    args.insert(args.end(), banco.begin(), banco.end());
    EXPECT_EQ(Executar(args, "senha-do-admin\n"), 0) << FErro;
    args = {"serve", "--port", "0"};
    args.insert(args.end(), banco.begin(), banco.end());
    const pid_t servidor = Iniciar(args);
    const std::regex linha(R"(Servidor em http://127\.0\.0\.1:([0-9]+)/)");
    std::smatch porta;
    std::string saida;
    for (int i = 0; i < 400 && !std::regex_search(saida = Arquivo("out.txt"), porta, linha); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::string resposta = "o servidor não começou";
    if (!porta.empty()) {
      httplib::Client cliente("127.0.0.1", std::stoi(porta[1]));
      auto entrada = cliente.Post("/api/entrar", R"({"usuario": 1, "senha": "senha-do-admin"})",
                                  "application/json");
      if (entrada && entrada->status == 200) {
        const std::string cookie = entrada->get_header_value("Set-Cookie");
        auto gravado = cliente.Post(
            "/api/lancamentos",
            {{"Cookie", cookie.substr(0, cookie.find(';'))},
             {ServidorWeb::kCabecalhoCsrf, json::parse(entrada->body)["csrf"]}},
            json{{"aba", "t1"}, {"documento", LancamentoDemo("2025-08-11", "99,00")}}.dump(),
            "application/json");
        resposta = gravado ? fmt::format("{} {}", gravado->status, gravado->body) : "sem resposta";
      } else {
        resposta = entrada ? entrada->body : "sem resposta";
      }
    }
    ::kill(servidor, SIGTERM);
    EXPECT_EQ(Aguardar(servidor), 0) << FErro;
    const json gravado = json::parse(resposta.substr(resposta.find(' ') + 1), nullptr, false);
    EXPECT_TRUE(gravado.is_object() && gravado["result"] == "posted") << resposta;
    return gravado.is_object() ? fmt::format("{} {}\n", gravado["result"].dump(),
                                             gravado["entry"]["CHAVELCTOCTB"].dump())
                               : resposta;
  }

  std::unique_ptr<TTestDatabase> FCluster;
  std::unique_ptr<TnDMConexao> FCoordenador;
  std::string FControle;
  int FTrava = -1;
};

// The demo of companies 1 to 6, spread over both workers, then every
// command a person runs: each prints on the coordinator, byte for byte,
// what it prints on SQLite and one PostgreSQL (the times of day aside).
TEST_P(TClusterCitusTest, EveryCommandPrintsWhatTheOtherEnginesPrint) {
  json compra = LancamentoDemo("2025-01-02", "12000.00");
  compra["fields"]["CONTACTBDEB"] = "MAQUINAS";
  Escrever("lote.json", json::array({{{"CODIGOEMPRESA", 1},
                                      {"CHAVELCTOCTB", 501},
                                      {"CODIGOESTAB", 1},
                                      {"DATALCTOCTB", "2025-08-11"},
                                      {"CONTACTBDEB", 4202001},
                                      {"CONTACTBCRED", 1101001},
                                      {"CODIGOHISTCTB", 17},
                                      {"VALORLCTOCTB", "100.00"}}})
                            .dump());
  // `{chave}`: the key of the last entry a step saved.
  const struct {
    std::vector<std::string> Args;
    std::string Entrada;
  } passos[] = {{{"demo", "--company", "1", "--entries", "30", "--seed", "1"}, ""},
                {{"demo", "--company", "4", "--entries", "30", "--seed", "4"}, ""},
                {{"trial-balance", "--company", "1-6", "--period", "2025"}, ""},
                {{"statements", "--company", "4", "--period", "2025"}, ""},
                {{"entry", "post", "--format", "table"}, compra.dump()},
                {{"script", std::string(CTB_SCRIPTS_DIR) + "/depreciacao-mensal.lua", "--param",
                  "pCodigoEmpresa=1", "--param", "pData=2025-12-31"},
                 ""},
                {{"post", "lote.json", "--format", "table"}, ""},
                {{"balances", "--company", "1", "--period", "2025-12", "--format", "csv"}, ""},
                {{"ledger", "--company", "1", "--account", "MAQUINAS", "--period", "2025"}, ""},
                {{"journal", "--company", "1", "--period", "2025-12"}, ""},
                {{"statements", "--company", "1", "--period", "2025"}, ""},
                {{"entry", "post", "--format", "table"},
                 R"({"op": "delete", "company": 1, "key": {chave}, "answers": ["Sim"]})"},
                {{"deleted", "list", "--company", "1", "--format", "csv"}, ""},
                {{"deleted", "restore", "--company", "1", "--id", "1"}, ""},
                {{"db", "check"}, ""}};
  const std::vector<std::vector<std::string>> bancos = {{"--db", (FPasta / "ctb.db").string()},
                                                        {"--pg", Banco().Parametros()},
                                                        {"--pg", FCluster->Parametros()}};
  const std::regex gravado("Lançamento ([0-9]+) gravado");
  std::vector<std::string> saidas;
  for (const auto& banco : bancos) {
    std::string saida, chave;
    for (const auto& passo : passos) {
      std::vector<std::string> args = passo.Args;
      args.insert(args.end(), banco.begin(), banco.end());
      std::string entrada = passo.Entrada;
      if (const size_t onde = entrada.find("{chave}"); onde != std::string::npos)
        entrada.replace(onde, 7, chave);
      EXPECT_EQ(Executar(args, entrada), 0)
          << banco[1] << " " << args[0] << ": " << FSaida << FErro;
      if (std::smatch achado; std::regex_search(FSaida, achado, gravado))
        chave = achado[1];
      saida += SemHoras(FSaida + FErro);
    }
    saidas.push_back(saida + EntradaPelaWeb(banco));
  }
  EXPECT_EQ(saidas[1], saidas[0]) << "PostgreSQL";
  EXPECT_EQ(saidas[2], saidas[0]) << "Citus";
  EXPECT_EQ(
      FCoordenador
          ->ExecuteScalar("select count(*) from public.CITUS_TABLES where TABLE_NAME::text in "
                          "('lctoctb', 'saldoctb', 'sequenciaempresa') and DISTRIBUTION_COLUMN "
                          "= 'codigoempresa' and COLOCATION_ID = (select COLOCATION_ID from "
                          "public.CITUS_TABLES where TABLE_NAME = 'lctoctb'::regclass)")
          .AsInteger(),
      3);
}

// A transaction holds one company's key row on its worker: an import into
// a company on the other worker completes meanwhile, one into the held
// company waits (and is cut off by the time limit).
TEST_P(TClusterCitusTest, ImportsIntoCompaniesOnTwoWorkersDoNotWaitOnEachOther) {
  DemoNoCluster();
  const auto [esperando, livre] = EmpresasEmDoisTrabalhadores();
  std::unique_ptr<TnDMConexao> outra = FCluster->Conectar();
  outra->StartTransaction();
  outra->ExecuteDirect(
      fmt::format("update SEQUENCIAEMPRESA set VALOR = VALOR where CODIGOEMPRESA = {}", esperando));
  Escrever("livre.csv", Importacao(livre, 3));
  Escrever("esperando.csv", Importacao(esperando, 3));
  const int64_t antes = LancamentosNoCluster(livre);
  EXPECT_EQ(NoCluster({"import", "entries", "livre.csv", "--company", std::to_string(livre)}), 0)
      << FErro;
  EXPECT_EQ(LancamentosNoCluster(livre), antes + 3);
  // The conninfo ends with its options ('-csearch_path=...'), which take the
  // time limit too: libpq prefers them to PGOPTIONS.
  std::string comLimite = FCluster->Parametros();
  comLimite.insert(comLimite.size() - 1, " -cstatement_timeout=2000");
  EXPECT_EQ(Executar({"import", "entries", "esperando.csv", "--company", std::to_string(esperando),
                      "--pg", comLimite}),
            1);
  EXPECT_NE((FSaida + FErro).find("statement timeout"), std::string::npos) << FSaida << FErro;
  outra->RollBack();
}

// The worker of the company stops (its server, at once) in the middle of
// the batch: the program names the failure, and no entry nor balance of the
// batch stays. The worker then starts again for the other tests.
TEST_P(TClusterCitusTest, AWorkerLostMidImportLeavesTheBatchAbsent) {
  ASSERT_EQ(::flock(FTrava, LOCK_EX), 0);
  DemoNoCluster();
  const int empresa = 1;
  const auto [porta, trabalhador] = Trabalhador(empresa);
  const int64_t antes = LancamentosNoCluster(empresa);
  constexpr int kLinhas = 1500;
  Escrever("grande.csv", Importacao(empresa, kLinhas));
  const pid_t importacao = Iniciar(
      {"import", "entries", "grande.csv", "--company", "1", "--pg", FCluster->Parametros()});
  // The batch is under way once the worker holds rows of it.
  {
    TnDMConexao no(TTipoConexao::PostgreSQL, trabalhador);
    const std::string escrevendo = fmt::format(
        "select count(*) from PG_STAT_ACTIVITY where STATE <> 'idle' and QUERY like "
        "'%{}.lctoctb%' and pid <> pg_backend_pid()",
        FCluster->Schema());
    for (int tentativa = 0; tentativa < 1000 && no.ExecuteScalar(escrevendo).AsInteger() == 0;
         ++tentativa)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  Controlar("stop", porta);
  const int status = Aguardar(importacao);
  Controlar("start", porta);
  EXPECT_EQ(status, 1) << "a importação terminou antes de o trabalhador parar";
  // After "Lote das linhas 2 a N recusado pelo banco de dados: " when rows
  // of the batch were written.
  EXPECT_NE(FErro.find("A conexão com o banco de dados caiu: um servidor parou ou não responde."),
            std::string::npos)
      << FErro;
  EXPECT_EQ(LancamentosNoCluster(empresa), antes);
  EXPECT_EQ(NoCluster({"db", "check"}), 0) << FSaida;
}

INSTANTIATE_TEST_SUITE_P(Engines, TClusterCitusTest, ::testing::Values(TTipoConexao::PostgreSQL),
                         NomeDoMotor);
