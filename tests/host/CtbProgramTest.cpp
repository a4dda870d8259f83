// The built `ctb` program run as a person runs it: exit statuses, what
// reaches standard output and error, and what it leaves in the database file.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>

#include "framework/db/TnDMConexao.h"
#include "host/DemoLancamentos.h"
#include "schema/SchemaInstaller.h"

namespace {

std::string Ler(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class TCtbProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FPasta = std::filesystem::temp_directory_path() /
             ("ctb_prog_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(FPasta);
    std::filesystem::create_directories(FPasta);
  }
  void TearDown() override { std::filesystem::remove_all(FPasta); }

  // Runs ctb in the test's folder (so the default ctb.db lands there) with
  // `args` (shell words) and `entrada` on standard input, the program's path
  // after `prefixo` (a command that runs it); returns the exit status.
  int Ctb(const std::string& args, const std::string& entrada = "",
          const std::string& prefixo = "") {
    Escrever("in.txt", entrada);
    const std::string linha = "cd '" + FPasta.string() + "' && " + prefixo +
                              "'" CTB_EXECUTABLE "' " + args + " < in.txt > out.txt 2> err.txt";
    const int status = std::system(linha.c_str());
    FSaida = Ler(FPasta / "out.txt");
    FErro = Ler(FPasta / "err.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void Escrever(const std::string& nome, const std::string& texto) {
    std::ofstream(FPasta / nome) << texto;
  }

  std::filesystem::path FPasta;
  std::string FSaida, FErro;
};

TEST_F(TCtbProgramTest, InitAndLoadIntoTheDefaultDatabase) {
  EXPECT_EQ(Ctb("db init"), 0) << FErro;
  EXPECT_EQ(FSaida, "Esquema criado (versão 2)\n");
  EXPECT_TRUE(std::filesystem::exists(FPasta / "ctb.db"));
  Ctb("db init");
  EXPECT_EQ(FSaida, "Esquema já na versão 2; visões, funções e gatilhos recriados\n");

  Escrever("moedas.csv", "CODIGOMOEDA,DESCRMOEDA\n1,Real\n2,Dólar\n");
  EXPECT_EQ(Ctb("load moeda moedas.csv"), 0) << FErro;
  EXPECT_EQ(FSaida, "2 linhas carregadas em MOEDA\n");

  Escrever("ruim.csv", "CODIGOMOEDA,DESCRMOEDA\n3,Euro\nquatro,Iene\n");
  EXPECT_EQ(Ctb("load MOEDA ruim.csv"), 1);
  EXPECT_EQ(FSaida, "");
  EXPECT_NE(FErro.find("Linha 3, coluna CODIGOMOEDA"), std::string::npos) << FErro;

  EXPECT_EQ(Ctb("db rebuild-balances"), 0) << FErro;

  TnDMConexao conexao(TTipoConexao::SQLite, (FPasta / "ctb.db").string());
  EXPECT_EQ(conexao.ExecuteScalar("select count(*) from MOEDA").AsInteger(), 2);
}

// Every bad command line exits with 2, says in Portuguese what is wrong and
// what is accepted, and creates no database.
TEST_F(TCtbProgramTest, BadCommandLinesExitWithTwoExplainedInPortuguese) {
  struct TCaso {
    const char* Args;
    const char* Mensagem;  // how standard error starts
  };
  for (const TCaso& caso : {
           TCaso{"", "ctb: Falta o comando\nComandos aceitos: db, load, sql"},
           TCaso{"bogus", "ctb: Comando desconhecido: bogus\nComandos aceitos: db, load, sql"},
           TCaso{"db", "ctb: Falta o comando\nComandos aceitos: init, rebuild-balances"},
           TCaso{"--bogus db init", "ctb: Argumento não reconhecido: --bogus\n"},
           TCaso{"db init --bogus", "ctb: Argumento não reconhecido: --bogus\nOpções aceitas:"},
           TCaso{"db init extra", "ctb: Argumento não reconhecido: extra\n"},
           TCaso{"load MOEDA", "ctb: Falta FILE, que é obrigatório"},
           TCaso{"--user x db init", "ctb: Valor inválido em --user: x"},
           TCaso{"db rebuild-balances --company um", "ctb: Valor inválido em --company: um"},
           TCaso{"db init --db a.db --pg x", "ctb: Opções que não podem ir juntas: --db e --pg"},
       }) {
    EXPECT_EQ(Ctb(caso.Args), 2) << caso.Args;
    EXPECT_EQ(FErro.rfind(caso.Mensagem, 0), 0u) << caso.Args << "\n" << FErro;
  }
  EXPECT_FALSE(std::filesystem::exists(FPasta / "ctb.db"));
  EXPECT_EQ(Ctb("--help"), 0);
  EXPECT_NE(FSaida.find("Comandos:"), std::string::npos) << FSaida;
  EXPECT_EQ(Ctb("db init --version"), 0);
  EXPECT_EQ(FSaida, "ctb 1.0\n");
}

// A database in a folder its user may only read still answers reads (the
// program runs as an unprivileged user: permissions do not bind root).
TEST_F(TCtbProgramTest, ADatabaseInAReadOnlyFolderStillAnswersReads) {
  std::filesystem::create_directories(FPasta / "ro");
  ASSERT_EQ(Ctb("--db ro/ctb.db demo --entries 3"), 0) << FErro;
  std::filesystem::permissions(FPasta / "ro" / "ctb.db", std::filesystem::perms::owner_read |
                                                             std::filesystem::perms::group_read |
                                                             std::filesystem::perms::others_read);
  std::filesystem::permissions(
      FPasta / "ro", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                         std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
  const std::string comoUsuario =
      ::getuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  EXPECT_EQ(Ctb("--db ro/ctb.db sql \"select count(*) as N from LCTOCTB where CODIGOEMPRESA = 1\" "
                "--format csv",
                "", comoUsuario),
            0)
      << FErro;
  EXPECT_EQ(FSaida, "N\n3\n");
  std::filesystem::permissions(FPasta / "ro", std::filesystem::perms::owner_all);
}

// --db chooses the file, before or after the command's name; a missing
// database is never created by a command that needs one; --out names the
// format.
TEST_F(TCtbProgramTest, GlobalOptionsFollowTheCommandAndOutPicksTheFormat) {
  EXPECT_EQ(Ctb("sql \"select 1\" --db nada.db"), 1);
  EXPECT_EQ(FErro, "ctb: O banco de dados nada.db não existe; crie-o com 'ctb db init'\n");
  EXPECT_FALSE(std::filesystem::exists(FPasta / "nada.db"));
  ASSERT_EQ(Ctb("demo --entries 1 --db outro.db --user 1"), 0) << FErro;
  EXPECT_FALSE(std::filesystem::exists(FPasta / "ctb.db"));
  ASSERT_EQ(Ctb("trial-balance --company 1 --from 2025-01-01 --to 2025-12-31 --out tb.csv "
                "--db outro.db"),
            0)
      << FErro;
  EXPECT_EQ(Ler(FPasta / "tb.csv").rfind("Ordem,Filtros,", 0), 0u) << Ler(FPasta / "tb.csv");
}

// `ctb entry post` and `ctb import entries` when the module cannot do the
// work.
TEST_F(TCtbProgramTest, EntryPostOnTheDemoCompanyPostsAndRefuses) {
  ASSERT_EQ(Ctb("db init"), 0);
  ASSERT_EQ(Ctb("demo --entries 1 --journal demo.journal"), 0) << FErro;
  // The journal export holds the same generated year for the comparison bench.
  EXPECT_NE(Ler(FPasta / "demo.journal").find("2025/01/01"), std::string::npos);
  const std::string lancamento =
      R"({"op":"insert","company":1,"fields":{"CODIGOESTAB":1,"DATALCTOCTB":"2025-03-11",)"
      R"("CONTACTBDEB":"CAIXA","CONTACTBCRED":"BANCO","CODIGOHISTCTB":3,"VALORLCTOCTB":"99.00"}})";
  Escrever("doc.json", lancamento);
  ASSERT_EQ(Ctb("entry post doc.json"), 0) << FSaida << FErro;
  nlohmann::json resultado = nlohmann::json::parse(FSaida);
  EXPECT_EQ(resultado["result"], "posted");
  EXPECT_EQ(resultado["entry"]["CONTACTBDEB"], 1101001);  // typed as its alias
  EXPECT_EQ(resultado["entry"]["ORIGEMDADO"], 2);

  std::string iguais = lancamento;
  iguais.replace(iguais.find("\"BANCO\""), 7, "\"CAIXA\"");
  EXPECT_EQ(Ctb("entry post", iguais), 1);
  resultado = nlohmann::json::parse(FSaida);
  EXPECT_EQ(resultado["result"], "refused");
  EXPECT_EQ(resultado["field"], "CONTACTBDEB");
  EXPECT_EQ(resultado["message"], "A conta a débito não pode ser igual à conta a crédito!");

  EXPECT_EQ(Ctb("entry post", "{ not json"), 1);
  EXPECT_NE(FErro.find("JSON inválido"), std::string::npos) << FErro;
  EXPECT_EQ(Ctb("entry post nao-existe.json"), 1);
  EXPECT_NE(FErro.find("nao-existe.json"), std::string::npos);
}

TEST_F(TCtbProgramTest, ImportEntriesNeedsTheCompanyAndAReadableFileAndCountsTheRefusals) {
  ASSERT_EQ(Ctb("demo --entries 1"), 0);
  Escrever("a.csv", "DATALCTOCTB,VALORLCTOCTB\n2025-03-01,1.00\n");
  EXPECT_EQ(Ctb("import entries a.csv"), 2);
  EXPECT_EQ(Ctb("import entries nao.csv --company 1"), 1);
  EXPECT_NE(FErro.find("nao.csv"), std::string::npos);
  // Piped: no progress bar reaches standard error.
  EXPECT_EQ(Ctb("import entries a.csv --company 1"), 1);
  EXPECT_EQ(FErro.find('\r'), std::string::npos);
  EXPECT_EQ(FSaida,
            "linha 2: CODIGOESTAB: Campo 'CODIGOESTAB' deve ter um valor\n"
            "0 linhas gravadas, 1 recusada\n");
}

TEST_F(TCtbProgramTest, AKilledImportLeavesWholeBatchesAndBalancesEqualToTheEntries) {
  ASSERT_EQ(Ctb("demo --entries 1"), 0) << FErro;
  {
    std::ofstream csv(FPasta / "ano.csv");
    DemoLancamentos::EscreverCsv(csv, 7, 30000, 1);
  }
  TnDMConexao conexao(TTipoConexao::SQLite, (FPasta / "ctb.db").string());
  auto contar = [&] { return conexao.ExecuteScalar("select count(*) from LCTOCTB").AsInteger(); };
  const int64_t antes = contar();

  const pid_t filho = ::fork();
  ASSERT_GE(filho, 0);
  if (filho == 0) {
    if (::chdir(FPasta.c_str()) == 0 && std::freopen("/dev/null", "w", stdout) != nullptr &&
        std::freopen("/dev/null", "w", stderr) != nullptr)
      ::execl(CTB_EXECUTABLE, "ctb", "import", "entries", "ano.csv", "--company", "1", nullptr);
    ::_exit(127);
  }
  // Killed somewhere after its second batch, in the middle of a later one.
  int status = 0;
  bool terminou = false;
  while (contar() < antes + 2000 && !terminou) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    terminou = ::waitpid(filho, &status, WNOHANG) == filho;
  }
  ASSERT_FALSE(terminou) << "the import ended before it could be killed";
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  ::kill(filho, SIGKILL);
  ::waitpid(filho, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));

  const int64_t gravadas = contar() - antes;
  EXPECT_GE(gravadas, 2000);
  EXPECT_LT(gravadas, 30000);
  EXPECT_EQ(gravadas % 1000, 0) << "a batch was left half written";
  EXPECT_TRUE(SchemaInstaller::VerificarSaldos(conexao).Rows.empty());
}

}  // namespace
