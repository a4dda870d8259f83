#include "framework/db/Nutilsequence.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "tests/support/TestDatabases.h"

namespace {

class NutilsequenceTest : public TDatabaseTest {
 protected:
  void SetUp() override {
    TDatabaseTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    Conexao().ExecuteScript(
        "create table SEQUENCIA (NOME varchar(100) not null primary key, VALOR bigint not null);"
        "create table SEQUENCIAEMPRESA (CODIGOEMPRESA smallint not null, NOME varchar(100) not "
        "null, VALOR bigint not null, primary key (CODIGOEMPRESA, NOME));"
        "create table LCTOCTB (CODIGOEMPRESA smallint not null, CHAVELCTOCTB integer not null, "
        "  primary key (CODIGOEMPRESA, CHAVELCTOCTB));");
  }
};

TEST_P(NutilsequenceTest, NamedSequencesCountFromOneIndependentlyAndRollBack) {
  EXPECT_EQ(Nutilsequence::PegarProximaSequence(Conexao(), "GEN_IDLCTOCTBEXCL"), 1);
  EXPECT_EQ(Nutilsequence::PegarProximaSequence(Conexao(), "GEN_IDLCTOCTBEXCL"), 2);
  EXPECT_EQ(Nutilsequence::PegarProximaSequence(Conexao(), "GEN_OUTRA"), 1);
  EXPECT_EQ(Nutilsequence::PegarProximaSequence(Conexao(), "GEN_IDLCTOCTBEXCL"), 3);
  // A rolled-back draw is drawn again.
  Conexao().StartTransaction();
  EXPECT_EQ(Nutilsequence::PegarProximaSequence(Conexao(), "S"), 1);
  Conexao().RollBack();
  EXPECT_EQ(Nutilsequence::PegarProximaSequence(Conexao(), "S"), 1);
}

// Entry keys start after the company's highest key. A batch's block hands
// out the keys single draws would, company by company, and gives back what
// it did not hand out.
TEST_P(NutilsequenceTest, ABlockOfKeysGivesTheKeysOfSingleDrawsAndReturnsTheRest) {
  struct TCaso {
    int64_t Tamanho;
    std::vector<int64_t> Empresas;  // one draw each
    std::vector<int64_t> Chaves;
  };
  const TCaso casos[] = {
      {1, {1, 1, 1}, {42, 43, 44}},
      {2, {1, 1, 1}, {42, 43, 44}},
      {100, {1, 1, 1}, {42, 43, 44}},
      {100, {1, 2, 1, 2}, {42, 901, 43, 902}},
      {100, {}, {}},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Tamanho);
    Conexao().ExecuteScript(
        "delete from LCTOCTB; delete from SEQUENCIAEMPRESA;"
        "insert into LCTOCTB values (1, 41); insert into LCTOCTB values (2, 900);");
    Conexao().StartTransaction();
    Nutilsequence::TBlocoChavesLctoCtb bloco(Conexao(), caso.Tamanho);
    std::vector<int64_t> chaves;
    for (int64_t empresa : caso.Empresas)
      chaves.push_back(bloco.Proxima(empresa));
    bloco.Devolver();
    Conexao().Commit();
    EXPECT_EQ(chaves, caso.Chaves);
    EXPECT_EQ(Nutilsequence::ProximaChaveLctoCtb(Conexao(), 1),
              1 + std::count(caso.Empresas.begin(), caso.Empresas.end(), 1) + 41);
    EXPECT_EQ(Nutilsequence::ProximaChaveLctoCtb(Conexao(), 2),
              1 + std::count(caso.Empresas.begin(), caso.Empresas.end(), 2) + 900);
  }
  // A company without entries starts at 1; each company's counter is stored.
  EXPECT_EQ(Nutilsequence::ProximaChaveLctoCtb(Conexao(), 1), 43);
  EXPECT_EQ(Nutilsequence::ProximaChaveLctoCtb(Conexao(), 3), 1);
  EXPECT_EQ(Conexao()
                .ExecuteScalar("select VALOR from SEQUENCIAEMPRESA where CODIGOEMPRESA = 1 "
                               "and NOME = 'DYN_GENCHAVELCTOCTB'")
                .AsInteger(),
            43);
}

// A key of the current block has no stored splits to read unless a split is
// stored under some key of the block; other keys are never vouched for.
TEST_P(NutilsequenceTest, ABlockVouchesForItsOwnKeysWithoutStoredSplits) {
  Conexao().ExecuteScript(
      "create table LCTOGER (CODIGOEMPRESA smallint not null, CHAVELCTOCTB integer not null);"
      "insert into LCTOCTB values (1, 41);");
  Conexao().StartTransaction();
  Nutilsequence::TBlocoChavesLctoCtb bloco(Conexao(), 10);
  EXPECT_FALSE(bloco.SemGerenciaisGravados(1, 42));  // nothing handed out yet
  ASSERT_EQ(bloco.Proxima(1), 42);
  ASSERT_EQ(bloco.Proxima(1), 43);
  EXPECT_TRUE(bloco.SemGerenciaisGravados(1, 42));
  EXPECT_TRUE(bloco.SemGerenciaisGravados(1, 43));
  EXPECT_FALSE(bloco.SemGerenciaisGravados(1, 44));  // in the block, not handed out
  EXPECT_FALSE(bloco.SemGerenciaisGravados(1, 41));
  EXPECT_FALSE(bloco.SemGerenciaisGravados(2, 42));
  Conexao().RollBack();

  // A split left under a key past the entries (written outside the program).
  Conexao().ExecuteDirect("insert into LCTOGER values (1, 50)");
  Conexao().StartTransaction();
  Nutilsequence::TBlocoChavesLctoCtb outro(Conexao(), 10);
  ASSERT_EQ(outro.Proxima(1), 42);
  EXPECT_FALSE(outro.SemGerenciaisGravados(1, 42));
  Conexao().RollBack();
}

// Two processes, each with its own connection, draw from one sequence that
// neither has created yet: every key is handed out once.
TEST_P(NutilsequenceTest, TwoProcessesNeverDrawTheSameKey) {
  constexpr int kPorProcesso = 10000;
  const std::string saida =
      (std::filesystem::temp_directory_path() / ("ctb_seq_" + std::to_string(getpid()))).string();
  pid_t filhos[2];
  for (int p = 0; p < 2; ++p) {
    filhos[p] = fork();
    ASSERT_GE(filhos[p], 0);
    if (filhos[p] == 0) {
      int status = 0;
      try {
        TnDMConexao conexao(Banco().Tipo(), Banco().Parametros());
        std::ofstream out(saida + "_" + std::to_string(p));
        for (int i = 0; i < kPorProcesso; ++i)
          out << Nutilsequence::ProximaChaveLctoCtb(conexao, 1) << '\n';
      } catch (const std::exception& error) {
        std::fprintf(stderr, "filho %d: %s\n", p, error.what());
        status = 1;
      }
      _exit(status);
    }
  }
  for (pid_t filho : filhos) {
    int status = 0;
    ASSERT_EQ(waitpid(filho, &status, 0), filho);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::set<int64_t> chaves;
  size_t lidas = 0;
  for (int p = 0; p < 2; ++p) {
    std::ifstream in(saida + "_" + std::to_string(p));
    int64_t chave;
    while (in >> chave) {
      chaves.insert(chave);
      ++lidas;
    }
    std::filesystem::remove(saida + "_" + std::to_string(p));
  }
  EXPECT_EQ(lidas, 2u * kPorProcesso);
  EXPECT_EQ(chaves.size(), 2u * kPorProcesso);
  EXPECT_EQ(*chaves.rbegin(), 2 * kPorProcesso);
}

CTB_INSTANTIATE_ENGINES(NutilsequenceTest);

}  // namespace
