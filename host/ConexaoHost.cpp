#include "host/ConexaoHost.h"

#include "framework/db/TnDMConexao.h"

namespace ConexaoHost {

std::unique_ptr<TnDMConexao> Abrir(const TOpcoesConexao& opcoes) {
  auto conexao = opcoes.ConninfoPg.empty()
                     ? std::make_unique<TnDMConexao>(TTipoConexao::SQLite, opcoes.ArquivoSQLite)
                     : std::make_unique<TnDMConexao>(TTipoConexao::PostgreSQL, opcoes.ConninfoPg);
  conexao->SetCodigoUsuario(opcoes.CodigoUsuario);
  return conexao;
}

}  // namespace ConexaoHost
