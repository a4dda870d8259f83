#pragma once
// `ctb sql "SELECT ..."`: runs one query and prints its rows. Only queries:
// the text must be one statement starting with SELECT, WITH or VALUES, and
// it runs inside a read-only transaction that is always rolled back, so the
// engine itself refuses a write that a function or a CTE might attempt.

#include <string>

#include "host/output/Saida.h"

class TnDMConexao;

namespace ComandoSql {

// The rows in the format asked. Raises Exception for a text that is not one
// query, EDatabaseError when the engine refuses it.
std::string Executar(TnDMConexao& conexao, const std::string& sql, Saida::TFormatoSaida formato);

}  // namespace ComandoSql
