#pragma once
// Turns the module's SQL text into what an engine executes. The module
// writes one text for every engine: parameters as ":pName" and the host's
// macros in braces. This unit finds the parameters (never inside quoted
// texts, quoted identifiers or comments, and never PostgreSQL's "::" casts),
// numbers them in the engine's placeholder form, and expands the macros.
//
// Macros: "{LIMIT(n)}" may stand anywhere in a statement (the module writes
// it right after "select", where other engines put their row limit); it is
// removed there and " LIMIT n" is appended to the statement.

#include <string>
#include <vector>

#include "framework/core/Value.h"
#include "framework/db/TDbTypes.h"

namespace Dialect {

struct TSqlPreparada {
  std::string Text;                     // final text with engine placeholders
  std::vector<std::string> ParamNames;  // placeholder k (1-based) is ParamNames[k-1]
};

// Raises EDatabaseError for a malformed macro.
TSqlPreparada Preparar(const std::string& sql, TTipoConexao tipo);

// The values of `params` in placeholder order; raises EDatabaseError for a
// parameter with no value or a value for no parameter.
std::vector<Value> OrdenarParametros(const TSqlPreparada& sql, const TParams& params);

}  // namespace Dialect
