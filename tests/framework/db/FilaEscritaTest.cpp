#include "framework/db/FilaEscrita.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "framework/db/TnDMConexao.h"
#include "tests/support/TestDatabases.h"

namespace {

using namespace std::chrono_literals;

// Writers that asked while the file was busy write in the order they asked,
// however long each has waited: the one waiting longest is not passed over.
class TFilaEscritaTest : public TDatabaseTest {};

TEST_P(TFilaEscritaTest, WritersOfAFileTakeTurnsInTheOrderTheyAsked) {
  if (GetParam() != TTipoConexao::SQLite)
    GTEST_SKIP() << "a PostgreSQL writer waits on the rows it touches, not at its start";
  Conexao().ExecuteScript("create table ORDEM (N integer)");
  Conexao().StartTransaction();
  std::mutex trava;
  std::vector<int> ordem;
  std::vector<std::thread> escritores;
  for (int n = 1; n <= 3; ++n) {
    escritores.emplace_back([&, n, clone = Conexao().Clonar()] {
      clone->StartTransaction();
      {
        std::lock_guard guarda(trava);
        ordem.push_back(n);
      }
      clone->ExecuteDirect("insert into ORDEM values (" + std::to_string(n) + ")");
      clone->Commit();
    });
    // The next asks once this one has waited long enough to poll slowly.
    std::this_thread::sleep_for(400ms);
  }
  Conexao().Commit();
  for (std::thread& escritor : escritores)
    escritor.join();
  EXPECT_EQ(ordem, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Contar("select count(*) from ORDEM"), 3);
}

TEST(FilaEscrita, AWriterThatGivesUpLeavesItsPlaceToTheNext) {
  const auto fila = TFilaEscrita::DoArquivo("/tmp/fila-escrita-teste.db");
  EXPECT_EQ(fila, TFilaEscrita::DoArquivo("/tmp/../tmp/fila-escrita-teste.db"));
  ASSERT_TRUE(fila->Entrar(1s));
  EXPECT_FALSE(fila->Entrar(50ms)) << "the file is still busy";
  std::atomic<bool> entrou{false};
  std::thread proximo([&] {
    entrou = fila->Entrar(5s);
    fila->Sair();
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(entrou);
  fila->Sair();
  proximo.join();
  EXPECT_TRUE(entrou) << "the turn of the one that gave up is skipped";
  EXPECT_TRUE(fila->Entrar(50ms));
  fila->Sair();
}

CTB_INSTANTIATE_ENGINES(TFilaEscritaTest);

}  // namespace
