#include "host/commands/ComandoDb.h"

#include <fmt/format.h>

#include "framework/core/Exceptions.h"
#include "framework/db/TnDMConexao.h"
#include "schema/SchemaInstaller.h"

namespace ComandoDb {

std::string Inicializar(TnDMConexao& conexao) {
  return SchemaInstaller::Instalar(conexao).Descricao();
}

std::string RecalcularSaldos(TnDMConexao& conexao, std::optional<int64_t> codigoEmpresa) {
  if (SchemaInstaller::VersaoInstalada(conexao) == 0)
    throw Exception("O banco de dados não tem o esquema; rode antes 'ctb db init'");
  SchemaInstaller::RecalcularSaldos(conexao, codigoEmpresa);
  TParams params;
  std::string filtro;
  if (codigoEmpresa) {
    filtro = " where CODIGOEMPRESA = :pEmpresa";
    params.emplace_back("pEmpresa", Value(*codigoEmpresa));
  }
  const int64_t dias =
      conexao.ExecuteScalar("select count(*) from SALDOCTB" + filtro, params).AsInteger();
  const int64_t meses =
      conexao.ExecuteScalar("select count(*) from SALDOCTBMENSAL" + filtro, params).AsInteger();
  return fmt::format("Saldos recalculados {}: {} saldos diários, {} mensais",
                     codigoEmpresa ? fmt::format("da empresa {}", *codigoEmpresa)
                                   : std::string("de todas as empresas"),
                     dias, meses);
}

}  // namespace ComandoDb
