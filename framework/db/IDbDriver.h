#pragma once
// One open connection to one engine. TnDMConexao owns exactly one driver and
// speaks to it only through this interface; the drivers know nothing of
// nesting, users or the module's dialect (TnDMConexao and Dialect do).
//
// Every failure raises EDatabaseError with its kind. Prepared statements are
// cached per driver, keyed by the final text, and reused; PreparedCount says
// how many were really prepared (what the cache saves is visible in tests).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/core/Value.h"
#include "framework/db/Dialect.h"
#include "framework/db/TDbTypes.h"

class IDbDriver {
 public:
  virtual ~IDbDriver() = default;

  virtual TTipoConexao Tipo() const = 0;
  // Runs one statement (already through Dialect::Preparar) with its values
  // in placeholder order; every row is fetched.
  virtual TDbResult Executar(const Dialect::TSqlPreparada& sql, const std::vector<Value>& args) = 0;
  // Many statements, no parameters, text passed to the engine untouched.
  virtual void ExecutarScript(const std::string& text) = 0;

  virtual void Begin(bool readOnly) = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;

  virtual int64_t PreparedCount() const = 0;

  // Whether a statement inside a transaction runs under its own savepoint
  // (engines that abort the whole transaction on a failed statement); on by
  // default. Engines that need none ignore it.
  virtual void SetIsolarComandos(bool isolar) { (void)isolar; }
};

// Statements kept prepared per connection before the least recently used is
// dropped: far more than the distinct texts of one screen or process.
inline constexpr size_t kMaxPreparedStatements = 256;

std::unique_ptr<IDbDriver> CriarDriverSQLite(const std::string& path);
std::unique_ptr<IDbDriver> CriarDriverPostgreSQL(const std::string& conninfo);

// The user's text of a failure of kind `kind`, followed by the engine's own
// message on a second line (TraduzirErroBD keeps the first line only).
EDatabaseError CriarErroBanco(TDatabaseErrorKind kind, const std::string& engineMessage);
