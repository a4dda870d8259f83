#include "host/ComandoSql.h"

#include <cctype>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"

namespace {

const char* const kSomenteConsultas =
    "ctb sql executa apenas uma consulta (SELECT, WITH ou VALUES); o comando foi recusado";

// The text without a final ";", refused when another statement follows.
std::string UmaConsulta(const std::string& sql) {
  std::string text = Nutil::Trim(sql);
  while (!text.empty() && text.back() == ';')
    text = Nutil::Trim(text.substr(0, text.size() - 1));
  char aspas = 0;
  for (char c : text) {
    if (aspas) {
      aspas = c == aspas ? 0 : aspas;
    } else if (c == '\'' || c == '"') {
      aspas = c;
    } else if (c == ';') {
      throw Exception(kSomenteConsultas);
    }
  }
  size_t fim = 0;
  while (fim < text.size() && std::isalpha(static_cast<unsigned char>(text[fim])))
    ++fim;
  std::string primeira = Nutil::UpperCase(text.substr(0, fim));
  if (primeira != "SELECT" && primeira != "WITH" && primeira != "VALUES")
    throw Exception(kSomenteConsultas);
  return text;
}

}  // namespace

namespace ComandoSql {

std::string Executar(TnDMConexao& conexao, const std::string& sql, Saida::TFormatoSaida formato) {
  std::string consulta = UmaConsulta(sql);
  conexao.StartTransactionRO();
  try {
    auto cursor = Nutildb::ExecutarSQL(conexao, consulta);
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
