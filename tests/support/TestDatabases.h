#pragma once
// Fresh databases for tests, on every engine the system runs on.
//
// Each test gets its own empty database: on SQLite a new temporary file, on
// PostgreSQL a new schema with a unique name on the server named by the
// environment variable CTB_TEST_PG (a libpq conninfo), reached through a
// connection whose search_path is that schema. Both are removed when the
// test ends. A test creates the tables it needs.
//
// Without CTB_TEST_PG the PostgreSQL instances are skipped, except when CI
// is "true": there a missing server is a failure, so a misconfigured build
// machine cannot pass by skipping half of the suite.
//
// Usage:
//   class MyTest : public TDatabaseTest {};
//   TEST_P(MyTest, Something) { Conexao().ExecuteDirect(...); }
//   CTB_INSTANTIATE_ENGINES(MyTest);
// A fixture overriding SetUp calls TDatabaseTest::SetUp() first and returns
// when IsSkipped() or HasFatalFailure().

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "framework/core/Exceptions.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnSessao.h"

// The conninfo of the PostgreSQL server for tests; nullopt when unset.
std::optional<std::string> ServidorPostgresTeste();

// One fresh database, removed by the destructor. Raises EDatabaseError when
// the engine cannot be reached.
class TTestDatabase {
 public:
  explicit TTestDatabase(TTipoConexao tipo);
  // A PostgreSQL database (a schema of its own) on the server `servidor`
  // names, not the one of CTB_TEST_PG.
  explicit TTestDatabase(const std::string& servidor);
  ~TTestDatabase();
  TTestDatabase(const TTestDatabase&) = delete;
  TTestDatabase& operator=(const TTestDatabase&) = delete;

  TTipoConexao Tipo() const { return FTipo; }
  // What a TnDMConexao (of this or another process) opens to reach it.
  const std::string& Parametros() const { return FParametros; }
  // PostgreSQL: the schema made for the test.
  const std::string& Schema() const { return FSchema; }
  std::unique_ptr<TnDMConexao> Conectar() const;

 private:
  void CriarSchema();

  TTipoConexao FTipo;
  std::string FParametros;
  std::string FArquivo;   // SQLite
  std::string FServidor;  // PostgreSQL: the server, and the schema made there
  std::string FSchema;
};

class TDatabaseTest : public ::testing::TestWithParam<TTipoConexao> {
 protected:
  void SetUp() override;
  void TearDown() override;

  TTipoConexao Tipo() const { return GetParam(); }
  TnDMConexao& Conexao() { return *FConexao; }
  // A query's single number (a count, a sum of cents).
  int64_t Contar(const std::string& sql) { return Conexao().ExecuteScalar(sql).AsInteger(); }
  const TTestDatabase& Banco() const { return *FBanco; }
  // Opens a session over the test's connection, current on the test's
  // thread until the test ends, as the host does for its user.
  TnSessao& AbrirSessao();
  TnSessao& Sessao() { return *FSessao; }

 private:
  std::unique_ptr<TTestDatabase> FBanco;
  std::unique_ptr<TnDMConexao> FConexao;
  std::unique_ptr<TnSessao> FSessao;
  std::unique_ptr<TUsarSessao> FUsarSessao;
};

// A fresh database with the schema installed, user 1 logged in and a session
// over it current on the test's thread (closed at the end). A fixture
// overriding SetUp calls TSchemaTest::SetUp() first, as above.
class TSchemaTest : public TDatabaseTest {
 protected:
  void SetUp() override;
  void Exec(const std::string& sql, const TParams& params = {}) {
    Conexao().ExecuteDirect(sql, params);
  }
};

// A session over a private in-memory database, current on the test's thread
// while it lives: for services that belong to a session but read no table.
class TSessaoDeTeste {
 public:
  TSessaoDeTeste();
  TnSessao& Sessao() { return FSessao; }

 private:
  TnSessao FSessao;
  TUsarSessao FUso;
};

// The message of what `acao` raised; "" when it raised nothing.
template <class F>
std::string MensagemDoErro(F&& acao) {
  try {
    acao();
  } catch (const Exception& erro) {
    return erro.Message();
  }
  return "";
}

// "SQLite" / "PostgreSQL", for the instantiated test names.
std::string NomeDoMotor(const ::testing::TestParamInfo<TTipoConexao>& info);

#define CTB_INSTANTIATE_ENGINES(Fixture)                                                      \
  INSTANTIATE_TEST_SUITE_P(Engines, Fixture,                                                  \
                           ::testing::Values(TTipoConexao::SQLite, TTipoConexao::PostgreSQL), \
                           NomeDoMotor)
