#pragma once
// A query someone wrote (a person at the command line, a script) run so that
// it can only read: one statement starting with SELECT, WITH or VALUES, run
// where the engine itself refuses a write that a function or a CTE might
// attempt, with bounds on the rows it returns and on its time that its text
// cannot comment out (the rows are counted as they are read, the engine
// stops it: IDbDriver::Consultar).
//
// Outside a transaction it runs in a read-only one, always rolled back.
// Inside the caller's transaction (a script reading what it inserted) it
// runs under a savepoint made read-only (PostgreSQL) or with the connection's query-only switch on
// (SQLite); either way the caller's transaction goes on as it was.

#include <cstdint>
#include <optional>
#include <string>

#include "framework/db/TDbTypes.h"

class TnDMConexao;

namespace ConsultaSomenteLeitura {

// The text without a final ";"; nullopt when it is not one statement
// starting with SELECT, WITH or VALUES.
std::optional<std::string> UmaConsulta(const std::string& sql);

struct TLimites {
  int64_t Linhas = 10'000;
  int TempoMs = 30'000;
};

// Raises Exception for a text that is not one query or that returns more
// rows than the limit, EDatabaseError when the engine refuses it or its time
// is up (kMsgConsultaDemorada).
TDbResult Executar(TnDMConexao& conexao, const std::string& sql, const TParams& params,
                   const TLimites& limites);

}  // namespace ConsultaSomenteLeitura
