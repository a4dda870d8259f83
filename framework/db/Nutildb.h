#pragma once
// The host's database helpers: cursors over a query (ExecutarSQL and its
// companions), statements without a result, writing a data set's pending
// rows (GravarCDS), and the readable text of a database failure.
//
// Every helper without a connection argument runs on the calling thread's
// current connection (TnDMConexao::Atual).
//
// Cursors: ExecutarSQL returns a data set the caller owns, open on its first
// row, whose fields are typed from the result columns and read-only. It owns
// the statement RefreshSQL re-runs, so freeing it (DestruirSQL, or letting the
// unique_ptr go) frees the statement too.

#include <cstddef>
#include <exception>
#include <memory>
#include <string>

#include "framework/core/Value.h"
#include "framework/data/ClientDataSet.h"
#include "framework/db/TDbTypes.h"

class TnDMConexao;

namespace Nutildb {

// The text a user reads for a failure: for a database failure of a known
// kind (duplicate key, foreign key, missing value, check) the Portuguese
// sentence without the engine's details; for any other failure its message.
std::string TraduzirErroBD(const std::exception& error);

// Runs a query and returns its rows as an open cursor. fetchLimit > 0 keeps
// only the first rows (the statement itself should say "{LIMIT(n)}" so the
// server stops early too).
std::unique_ptr<TnClientDataSet> ExecutarSQL(const std::string& sql, const TParams& params = {},
                                             size_t fetchLimit = 0);
std::unique_ptr<TnClientDataSet> ExecutarSQL(TnDMConexao& conexao, const std::string& sql,
                                             const TParams& params = {}, size_t fetchLimit = 0);

// Frees a cursor of ExecutarSQL (null is allowed) and leaves the pointer
// empty.
void DestruirSQL(std::unique_ptr<TnClientDataSet>& cursor);

// Re-runs the cursor's statement with the same parameters on the current
// connection. When the rows differ from the ones it holds they replace them
// and the cursor goes to its first row; true then. False when nothing
// changed (the cursor is left where it was). Raises Exception for a data set
// that did not come from ExecutarSQL.
bool RefreshSQL(TnClientDataSet& cursor);

// Runs a statement without a result; returns the rows affected.
int64_t ExecutarSQLDireto(const std::string& sql, const TParams& params = {});
int64_t ExecutarSQLDireto(TnDMConexao& conexao, const std::string& sql, const TParams& params = {});

// Whether the name is an identifier (letters, digits and underscores, not
// starting with a digit), so a name given by code can go into SQL text as it
// is. "qualificado" also accepts "ALIAS.NAME".
bool EhIdentificador(const std::string& name, bool qualificado = false);
// Raises Exception unless EhIdentificador.
void VerificarIdentificador(const std::string& name, bool qualificado = false);

// Writes the data set's pending rows to `table`, the rows found by the key
// fields ("A;B"), inside one transaction. Failing rows go through the data
// set's OnReconcileError; when the data set already has a TnDataSetProvider
// its BeforeUpdateRecord event sees every row. Returns the failed count.
int GravarCDS(const std::string& table, TnClientDataSet& dataSet, const std::string& keyFields,
              int maxErrors = -1);

// The field's value in a delta record: the new value when the record set
// one (an insert, or a modify that changed the field), else the old value.
Value PegarValorDelta(const TnDelta& delta, size_t record, const std::string& fieldName);

}  // namespace Nutildb
