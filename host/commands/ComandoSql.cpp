#include "host/commands/ComandoSql.h"

#include "framework/core/Exceptions.h"
#include "framework/db/ConsultaSomenteLeitura.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"

namespace {

const char* const kSomenteConsultas =
    "ctb sql executa apenas uma consulta (SELECT, WITH ou VALUES); o comando foi recusado";

}  // namespace

namespace ComandoSql {

std::string Executar(TnDMConexao& conexao, const std::string& sql, Saida::TFormatoSaida formato) {
  const std::optional<std::string> consulta = ConsultaSomenteLeitura::UmaConsulta(sql);
  if (!consulta)
    throw Exception(kSomenteConsultas);
  conexao.StartTransactionRO();
  try {
    auto cursor = Nutildb::ExecutarSQL(conexao, *consulta);
    std::string out = Saida::Escrever(*cursor, formato);
    Nutildb::DestruirSQL(cursor);
    conexao.RollBack();
    return out;
  } catch (...) {
    conexao.RollBack();
    throw;
  }
}

}  // namespace ComandoSql
