// The built `ctb` program run as a person runs it: exit statuses, what it
// prints, and what it leaves in the database file.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/db/TnDMConexao.h"

namespace {

struct TExecucao {
  int Status = -1;
  std::string Saida;
  std::string Erro;
};

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

  // Runs ctb in the test's folder (so the default ctb.db lands there).
  TExecucao Ctb(const std::vector<std::string>& args) {
    std::string linha = "cd '" + FPasta.string() + "' && '" CTB_EXECUTABLE "'";
    for (const std::string& arg : args)
      linha += " '" + arg + "'";
    linha += " > out.txt 2> err.txt";
    int status = std::system(linha.c_str());
    TExecucao execucao;
    execucao.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    execucao.Saida = Ler(FPasta / "out.txt");
    execucao.Erro = Ler(FPasta / "err.txt");
    return execucao;
  }

  void Escrever(const std::string& nome, const std::string& texto) {
    std::ofstream(FPasta / nome) << texto;
  }

  std::filesystem::path FPasta;
};

TEST_F(TCtbProgramTest, InitAndLoadIntoTheDefaultDatabase) {
  TExecucao init = Ctb({"db", "init"});
  EXPECT_EQ(init.Status, 0) << init.Erro;
  EXPECT_EQ(init.Saida, "Esquema criado (versão 1)\n");
  EXPECT_TRUE(std::filesystem::exists(FPasta / "ctb.db"));
  EXPECT_EQ(Ctb({"db", "init"}).Saida,
            "Esquema já na versão 1; visões, funções e gatilhos recriados\n");

  Escrever("moedas.csv", "CODIGOMOEDA,DESCRMOEDA\n1,Real\n2,Dólar\n");
  TExecucao load = Ctb({"load", "moeda", "moedas.csv"});
  EXPECT_EQ(load.Status, 0) << load.Erro;
  EXPECT_EQ(load.Saida, "2 linhas carregadas em MOEDA\n");

  Escrever("ruim.csv", "CODIGOMOEDA,DESCRMOEDA\n3,Euro\nquatro,Iene\n");
  TExecucao ruim = Ctb({"load", "MOEDA", "ruim.csv"});
  EXPECT_EQ(ruim.Status, 1);
  EXPECT_EQ(ruim.Saida, "");
  EXPECT_NE(ruim.Erro.find("Linha 3, coluna CODIGOMOEDA"), std::string::npos) << ruim.Erro;

  EXPECT_EQ(Ctb({"db", "rebuild-balances", "--company", "1"}).Status, 0);

  TnDMConexao conexao(TTipoConexao::SQLite, (FPasta / "ctb.db").string());
  EXPECT_EQ(conexao.ExecuteScalar("select count(*) from MOEDA").AsInteger(), 2);
}

TEST_F(TCtbProgramTest, DatabaseOptionChoosesTheFile) {
  EXPECT_EQ(Ctb({"--db", "outro.db", "db", "init"}).Status, 0);
  EXPECT_TRUE(std::filesystem::exists(FPasta / "outro.db"));
  EXPECT_FALSE(std::filesystem::exists(FPasta / "ctb.db"));
  // A load into a database without the schema is refused, not a crash.
  Escrever("m.csv", "CODIGOMOEDA\n1\n");
  TExecucao semEsquema = Ctb({"--db", "vazio.db", "load", "MOEDA", "m.csv"});
  EXPECT_EQ(semEsquema.Status, 1);
  EXPECT_NE(semEsquema.Erro.find("não existe"), std::string::npos) << semEsquema.Erro;
}

TEST_F(TCtbProgramTest, BadCommandLineExitsWithTwo) {
  const std::vector<std::vector<std::string>> linhas = {
      {"--bogus", "db", "init"},
      {},
      {"db"},
      {"load", "MOEDA"},
      {"db", "init", "extra"},
      {"--user", "x", "db", "init"},
      {"db", "rebuild-balances", "--company", "um"},
      {"--db", "a.db", "--pg", "host=x", "db", "init"}};
  for (const auto& args : linhas) {
    std::string texto;
    for (const auto& arg : args)
      texto += arg + " ";
    TExecucao execucao = Ctb(args);
    EXPECT_EQ(execucao.Status, 2) << texto << execucao.Erro;
    EXPECT_FALSE(execucao.Erro.empty()) << texto;
  }
  EXPECT_FALSE(std::filesystem::exists(FPasta / "ctb.db"));
  EXPECT_EQ(Ctb({"--help"}).Status, 0);
}

}  // namespace
