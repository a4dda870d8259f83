#pragma once
// One open connection to one engine. TnDMConexao owns exactly one driver and
// speaks to it only through this interface; the drivers know nothing of
// nesting, users or the module's dialect (TnDMConexao and Dialect do).
//
// Every failure raises EDatabaseError with its kind. Prepared statements are
// cached per driver, keyed by the final text, and reused; PreparedCount says
// how many were really prepared (what the cache saves is visible in tests).

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/core/Value.h"
#include "framework/db/Dialect.h"
#include "framework/db/TDbTypes.h"

// One statement of a batch (ExecutarLote): its text through Dialect::Preparar
// (owned by the caller, alive for the call: the rows of a batch mostly share
// one) and its values in placeholder order.
struct TDbComando {
  const Dialect::TSqlPreparada* Sql = nullptr;
  std::vector<Value> Args;
};

// What a batch gave: the results of the statements that ran, in order, and
// the failure of the one after them (null when every statement ran).
struct TDbLote {
  std::vector<TDbResult> Resultados;
  std::exception_ptr Erro;
};

// The bounds of a query someone wrote (IDbDriver::Consultar).
struct TLimiteLeitura {
  int64_t Linhas = 0;  // rows read at most: the engine makes none past them
  std::chrono::milliseconds Tempo{0};
};

// What a query stopped by its time bound raises.
inline constexpr const char* kMsgConsultaDemorada = "A consulta passou do limite de tempo";

class IDbDriver {
 public:
  virtual ~IDbDriver() = default;

  virtual TTipoConexao Tipo() const = 0;
  // Runs one statement (already through Dialect::Preparar) with its values
  // in placeholder order; every row is fetched.
  virtual TDbResult Executar(const Dialect::TSqlPreparada& sql, const std::vector<Value>& args) = 0;
  // Runs one query and hands `linha` its rows in order, each valid only
  // during the call. An engine that can reads them as the caller takes them,
  // holding none; the others read the answer whole first.
  virtual void Percorrer(const Dialect::TSqlPreparada& sql, const std::vector<Value>& args,
                         const std::function<void(const ValueArray&)>& linha) {
    for (const ValueArray& row : Executar(sql, args).Rows)
      linha(row);
  }
  // Runs the statements in order and stops at the first that fails. The ones
  // before it stand and the failed one leaves nothing, as with Executar one
  // by one; an engine that can sends them together (PostgreSQL: one exchange
  // instead of one per statement).
  virtual TDbLote ExecutarLote(const std::vector<TDbComando>& comandos) {
    TDbLote lote;
    for (const TDbComando& comando : comandos) {
      try {
        lote.Resultados.push_back(Executar(*comando.Sql, comando.Args));
      } catch (...) {
        lote.Erro = std::current_exception();
        break;
      }
    }
    return lote;
  }
  // Runs one query inside a transaction, bounded by `limite`: its rows are
  // read up to the limit and no further, and the engine stops it when its
  // time is up (EDatabaseError with kMsgConsultaDemorada). Neither bound is
  // written into the query's text, where the text could comment it out.
  virtual TDbResult Consultar(const Dialect::TSqlPreparada& sql, const std::vector<Value>& args,
                              const TLimiteLeitura& limite) = 0;
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
