#include "framework/db/TnDMSQLDataSet.h"

#include <cctype>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"

namespace {

// A table reference may be a join with aliases and an "on" condition between
// columns, so it is checked by its characters: names, dots, blanks, commas
// and "=". Without quotes, semicolons or comment marks it cannot carry a
// literal or a second statement.
void VerificarTabela(const std::string& tabela) {
  bool temNome = false;
  for (char c : tabela) {
    auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || c == '_') {
      temNome = true;
      continue;
    }
    if (c != '.' && c != ' ' && c != ',' && c != '=')
      throw Exception("Nome inválido para o comando SQL: \"" + tabela + "\"");
  }
  if (!temNome)
    throw Exception("Nome inválido para o comando SQL: \"" + tabela + "\"");
}

// "A;B" or "A, B" -> the checked column names.
std::vector<std::string> Colunas(const std::string& campos) {
  std::vector<std::string> result;
  std::string atual;
  auto fechar = [&] {
    std::string nome = Nutil::Trim(atual);
    Nutildb::VerificarIdentificador(nome, true);
    result.push_back(nome);
    atual.clear();
  };
  for (char c : campos) {
    if (c == ';' || c == ',')
      fechar();
    else
      atual += c;
  }
  fechar();
  return result;
}

std::string Juntar(const std::vector<std::string>& colunas) {
  std::string lista;
  for (const std::string& coluna : colunas)
    lista += (lista.empty() ? "" : ", ") + coluna;
  return lista;
}

std::string Consulta(const std::string& select, const std::string& tabela,
                     const std::string& where) {
  VerificarTabela(tabela);
  std::string sql = "select " + select + " from " + tabela;
  if (!Nutil::Trim(where).empty())
    sql += " where " + where;
  return sql;
}

}  // namespace

TnDMConexao& TnDMSQLDataSet::Conexao() const {
  return FConexao ? *FConexao : TnDMConexao::Atual();
}

Value TnDMSQLDataSet::PegarValorCampo(const std::string& tabela, const std::string& campo,
                                      const std::string& where, const TParams& params) {
  std::vector<std::string> colunas = Colunas(campo);
  if (colunas.size() != 1)
    throw Exception("PegarValorCampo lê uma coluna; use PegarValorCampos para \"" + campo + "\"");
  return Conexao().ExecuteScalar(Consulta(colunas.front(), tabela, where) + " {LIMIT(1)}", params);
}

ValueArray TnDMSQLDataSet::PegarValorCampos(const std::string& tabela, const std::string& campos,
                                            const std::string& where) {
  TDbResult result =
      Conexao().ExecuteQuery(Consulta(Juntar(Colunas(campos)), tabela, where) + " {LIMIT(1)}");
  if (result.Rows.empty())
    return {};
  return result.Rows.front();
}

bool TnDMSQLDataSet::PegarTemRegistro(const std::string& tabela, const std::string& where,
                                      const TParams& params) {
  return !Conexao().ExecuteQuery(Consulta("1", tabela, where) + " {LIMIT(1)}", params).Rows.empty();
}

bool TnDMSQLDataSet::PegarTemRegistro(const std::string& tabela, const std::string& campo,
                                      const std::string& where) {
  std::string coluna = Colunas(campo).front();
  std::string condicao = coluna + " is not null";
  if (!Nutil::Trim(where).empty())
    condicao = "(" + where + ") and " + condicao;
  return PegarTemRegistro(tabela, condicao);
}

int64_t TnDMSQLDataSet::PegarQtdRegistro(const std::string& tabela, const std::string& where) {
  return Conexao().ExecuteScalar(Consulta("count(*)", tabela, where)).AsInteger();
}

int64_t TnDMSQLDataSet::PegarQtdRegistro(const std::string& tabela, const std::string& campo,
                                         const std::string& where) {
  std::string coluna = Colunas(campo).front();
  return Conexao().ExecuteScalar(Consulta("count(" + coluna + ")", tabela, where)).AsInteger();
}
