#include "tests/support/TestDatabases.h"

#include "schema/SchemaInstaller.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "framework/core/Exceptions.h"

namespace {

std::string NomeUnico(const std::string& prefixo) {
  static std::atomic<int> counter{0};
  static const unsigned salt = std::random_device{}();
  return prefixo + std::to_string(getpid()) + "_" + std::to_string(++counter) + "_" +
         std::to_string(salt % 100000);
}

// The conninfo that reaches `schema` first: a key/value conninfo takes one
// more pair, a URI one more query parameter.
std::string ComSearchPath(const std::string& servidor, const std::string& schema) {
  if (servidor.rfind("postgres", 0) == 0) {
    char separator = servidor.find('?') == std::string::npos ? '?' : '&';
    return servidor + separator + "options=-csearch_path%3D" + schema;
  }
  return servidor + " options='-csearch_path=" + schema + "'";
}

}  // namespace

std::optional<std::string> ServidorPostgresTeste() {
  const char* conninfo = std::getenv("CTB_TEST_PG");
  if (!conninfo || !*conninfo)
    return std::nullopt;
  return std::string(conninfo);
}

TTestDatabase::TTestDatabase(TTipoConexao tipo) : FTipo(tipo) {
  if (tipo == TTipoConexao::SQLite) {
    FArquivo = (std::filesystem::temp_directory_path() / (NomeUnico("ctb_test_") + ".db")).string();
    FParametros = FArquivo;
    return;
  }
  auto servidor = ServidorPostgresTeste();
  if (!servidor)
    throw EDatabaseError("CTB_TEST_PG não definida");
  FServidor = *servidor;
  CriarSchema();
}

TTestDatabase::TTestDatabase(const std::string& servidor)
    : FTipo(TTipoConexao::PostgreSQL), FServidor(servidor) {
  CriarSchema();
}

void TTestDatabase::CriarSchema() {
  FSchema = NomeUnico("ctb_t_");
  TnDMConexao admin(TTipoConexao::PostgreSQL, FServidor);
  admin.ExecuteScript("create schema " + FSchema);
  FParametros = ComSearchPath(FServidor, FSchema);
}

TTestDatabase::~TTestDatabase() {
  if (FTipo == TTipoConexao::SQLite) {
    std::error_code ignored;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
      std::filesystem::remove(FArquivo + suffix, ignored);
    return;
  }
  try {
    TnDMConexao admin(TTipoConexao::PostgreSQL, FServidor);
    admin.ExecuteScript("drop schema if exists " + FSchema + " cascade");
  } catch (const std::exception& error) {
    ADD_FAILURE() << "schema de teste " << FSchema << " não removido: " << error.what();
  }
}

std::unique_ptr<TnDMConexao> TTestDatabase::Conectar() const {
  return std::make_unique<TnDMConexao>(FTipo, FParametros);
}

void TDatabaseTest::SetUp() {
  if (Tipo() == TTipoConexao::PostgreSQL && !ServidorPostgresTeste()) {
    const char* ci = std::getenv("CI");
    if (ci && std::string(ci) == "true")
      FAIL() << "CTB_TEST_PG não definida no CI";
    GTEST_SKIP() << "CTB_TEST_PG não definida: testes de PostgreSQL ignorados";
  }
  FBanco = std::make_unique<TTestDatabase>(Tipo());
  FConexao = FBanco->Conectar();
}

TSessaoDeTeste::TSessaoDeTeste()
    : FSessao(std::make_unique<TnDMConexao>(TTipoConexao::SQLite, ":memory:")), FUso(FSessao) {}

TnSessao& TDatabaseTest::AbrirSessao() {
  FSessao = std::make_unique<TnSessao>(Conexao());
  FUsarSessao = std::make_unique<TUsarSessao>(*FSessao);
  return *FSessao;
}

void TDatabaseTest::TearDown() {
  FUsarSessao.reset();
  FSessao.reset();
  FConexao.reset();
  FBanco.reset();
}

std::string NomeDoMotor(const ::testing::TestParamInfo<TTipoConexao>& info) {
  return info.param == TTipoConexao::SQLite ? "SQLite" : "PostgreSQL";
}

void TSchemaTest::SetUp() {
  TDatabaseTest::SetUp();
  if (IsSkipped() || HasFatalFailure())
    return;
  SchemaInstaller::Instalar(Conexao());
  Conexao().SetCodigoUsuario(1);
  AbrirSessao();
}
