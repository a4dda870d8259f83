#include "framework/db/TnSQLDataSet.h"

#include "framework/core/Nutil.h"
#include "framework/db/TnDMConexao.h"

void TnSQLDataSet::SetParam(const std::string& name, const Value& value) {
  for (auto& [nome, valor] : FParams) {
    if (Nutil::UpperCase(nome) == Nutil::UpperCase(name)) {
      valor = value;
      return;
    }
  }
  FParams.emplace_back(name, value);
}

TnDMConexao& TnSQLDataSet::Conexao() const {
  return FConexao ? *FConexao : TnDMConexao::Atual();
}

TDbResult TnSQLDataSet::Abrir() const {
  return Conexao().ExecuteQuery(FCommandText, FParams);
}

int64_t TnSQLDataSet::ExecSQL() const {
  return Conexao().ExecuteDirect(FCommandText, FParams);
}
