#pragma once
// The database a `ctb` command works on, from the global options: an SQLite
// file (--db, default ctb.db in the current folder) or a PostgreSQL server
// (--pg), and the logged user (--user).

#include <cstdint>
#include <memory>
#include <string>

class TnDMConexao;

namespace ConexaoHost {

struct TOpcoesConexao {
  std::string ArquivoSQLite = "ctb.db";
  std::string ConninfoPg;  // non-empty: PostgreSQL instead of the file
  int64_t CodigoUsuario = 1;
};

// Raises EDatabaseError when the database cannot be opened.
std::unique_ptr<TnDMConexao> Abrir(const TOpcoesConexao& opcoes);

}  // namespace ConexaoHost
