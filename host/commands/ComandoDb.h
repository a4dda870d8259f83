#pragma once
// `ctb db init` and `ctb db rebuild-balances`: setting up a database and
// recomputing its balance tables. Each returns the line the program prints.

#include <optional>
#include <string>

class TnDMConexao;

namespace ComandoDb {

// Creates or upgrades the schema; "Esquema criado (versão 7)" and the like.
std::string Inicializar(TnDMConexao& conexao);

// Recomputes the balance tables (of one company, or all) and says how many
// balance rows there are now. Raises Exception when the schema is missing.
std::string RecalcularSaldos(TnDMConexao& conexao, std::optional<int64_t> codigoEmpresa);

}  // namespace ComandoDb
