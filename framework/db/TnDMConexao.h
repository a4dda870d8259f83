#pragma once
// The application's connection to its database: one engine connection (a
// driver), the logged user and the establishment, and the nesting of
// transactions the module relies on.
//
// Transactions nest by count: an inner StartTransaction only counts, the
// outermost Commit commits. A RollBack at any depth rolls the whole
// transaction back at once; the levels still open then only unwind: their
// RollBack is quiet, their Commit raises (work the caller believed saved was
// lost), and statements run before the outermost level ends raise too, so
// nothing slips out in autocommit.
//
// Statements are the module's text: ":pName" parameters and the host macros
// (see Dialect.h). Not thread-safe: a worker thread uses its own connection
// from Clonar.

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/core/Value.h"
#include "framework/db/Dialect.h"
#include "framework/db/IDbDriver.h"
#include "framework/db/StatementCache.h"
#include "framework/db/TDbTypes.h"

class TnDMConexao {
 public:
  // SQLite: a file path (":memory:" allowed). PostgreSQL: a libpq conninfo.
  TnDMConexao(TTipoConexao tipo, std::string parametros);
  ~TnDMConexao();
  TnDMConexao(const TnDMConexao&) = delete;
  TnDMConexao& operator=(const TnDMConexao&) = delete;

  TTipoConexao PegarTipoCon() const { return FTipo; }
  const std::string& Parametros() const { return FParametros; }

  // Set by the host after login; read by the module for defaults and logs.
  int64_t CodigoUsuario() const { return FCodigoUsuario; }
  void SetCodigoUsuario(int64_t codigo) { FCodigoUsuario = codigo; }
  int64_t CodigoEstab() const { return FCodigoEstab; }
  void SetCodigoEstab(int64_t codigo) { FCodigoEstab = codigo; }
  // On by default: a screen action that needs the record saved first warns
  // and goes on; off, such an action does nothing while the record is
  // unsaved.
  bool AvisarRegistroNaoGravado() const { return FAvisarRegistroNaoGravado; }
  void SetAvisarRegistroNaoGravado(bool value) { FAvisarRegistroNaoGravado = value; }

  void StartTransaction();
  void StartTransactionRO();  // a read-only snapshot; writes are refused
  void Commit();
  void CommitRO() { Commit(); }
  void RollBack();
  bool InTransaction() const { return FNivel > 0; }
  int NivelTransacao() const { return FNivel; }
  // Runs `parte` as work that may fail alone: under a savepoint inside an
  // open transaction, else in a transaction of its own. A database error
  // undoes the part only and answers false; the caller's work goes on.
  bool ExecutarParcial(const std::function<void()>& parte);

  TDbResult ExecuteQuery(const std::string& sql, const TParams& params = {});
  // Hands `linha` each row of the query in order, valid during the call
  // only: a long answer is written out as it is read, never held whole
  // (IDbDriver::Percorrer). `linha` runs no statement on this connection.
  void Percorrer(const std::string& sql, const TParams& params,
                 const std::function<void(const ValueArray&)>& linha);
  // A query someone wrote, inside a transaction, bounded in rows and time
  // (IDbDriver::Consultar).
  TDbResult ExecuteQueryLimitada(const std::string& sql, const TParams& params,
                                 const TLimiteLeitura& limite);
  // Rows affected.
  int64_t ExecuteDirect(const std::string& sql, const TParams& params = {});
  // First column of the first row; null when there is no row.
  Value ExecuteScalar(const std::string& sql, const TParams& params = {});
  // Runs the statements in order and stops at the first that fails, which
  // it returns instead of raising: the result has the rows each statement
  // before it affected, in order, and its failure (Erro). The statements before the failure stand;
  // on PostgreSQL the batch costs one exchange with the server instead of one
  // per statement.
  struct TComando {
    std::string Sql;
    TParams Params;
  };
  struct TResultadoLote {
    std::vector<int64_t> Afetados;
    std::exception_ptr Erro;
  };
  TResultadoLote ExecuteBatch(const std::vector<TComando>& comandos);
  // Many statements separated by ";", no parameters, no macros: schema files.
  void ExecuteScript(const std::string& text);
  // The columns of `tabela` (upper case) that an insert leaving them out
  // fills by itself (a default, an identity): read once per table, forgotten
  // after a script, which may change the schema. None for a table not found.
  const std::set<std::string>& ColunasComPadrao(const std::string& tabela);

  // Closes and opens the connection again; an open transaction is lost.
  void Reabrir();
  // A new connection with the same parameters, user and establishment.
  std::unique_ptr<TnDMConexao> Clonar() const;

  // On by default: inside a transaction every statement runs under a
  // savepoint on PostgreSQL, so a failed one leaves the transaction usable
  // (a duplicate key the caller recovers from). A bulk writer that gives up
  // at the first failure anyway turns it off for its batch: a statement then
  // costs one round trip instead of three, and a failure aborts the
  // transaction (only RollBack is left). SQLite needs no savepoint.
  bool IsolarComandos() const { return FIsolarComandos; }
  void SetIsolarComandos(bool isolar);

  // Statements prepared by the engine since the connection opened.
  int64_t PreparedCount() const { return FDriver->PreparedCount(); }

  // The connection of the calling thread's session (TnSessao), used by the
  // SQL helpers when none is passed. Atual raises Exception when the thread
  // has no session.
  static TnDMConexao& Atual();
  static TnDMConexao* AtualOuNulo();

 private:
  void VerificarTransacaoValida() const;
  // A savepoint statement, never wrapped in a statement's own savepoint
  // (whose release would take it along).
  void ComandoSavepoint(const std::string& sql);

  // Set at creation.
  TTipoConexao FTipo;
  std::string FParametros;
  std::unique_ptr<IDbDriver> FDriver;
  // Set by the host.
  int64_t FCodigoUsuario = 0;
  int64_t FCodigoEstab = 0;
  bool FAvisarRegistroNaoGravado = true;
  // Transaction nesting: depth, and whether a RollBack already undid it.
  int FNivel = 0;
  bool FDesfeita = false;
  bool FIsolarComandos = true;
  // The engine form of the statements run lately, by their text: a statement
  // run once per row is rewritten once.
  TStatementCache<Dialect::TSqlPreparada> FPreparadas{64, [](Dialect::TSqlPreparada&) {}};
  std::map<std::string, std::set<std::string>> FColunasComPadrao;
};
