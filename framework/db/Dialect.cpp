#include "framework/db/Dialect.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "framework/core/Ascii.h"
#include "framework/core/Exceptions.h"

namespace Dialect {
namespace {

bool IsIdentStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsIdentChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Copies a quoted run (text or identifier) starting at sql[i] == quote,
// doubled quotes included; returns the position after the closing quote.
size_t CopyQuoted(const std::string& sql, size_t i, std::string& out) {
  char quote = sql[i];
  out += quote;
  ++i;
  while (i < sql.size()) {
    out += sql[i];
    if (sql[i] == quote) {
      if (i + 1 < sql.size() && sql[i + 1] == quote) {
        out += quote;
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return i;
}

// Parses "{LIMIT(n)}" at sql[i] == '{'; returns the position after it and
// sets `limit`, or returns i when the brace starts no macro we know.
size_t ParseLimit(const std::string& sql, size_t i, std::string& limit) {
  static const std::string kOpen = "{LIMIT(";
  if (sql.size() - i < kOpen.size() ||
      strncasecmp(sql.c_str() + i, kOpen.c_str(), kOpen.size()) != 0)
    return i;
  size_t j = i + kOpen.size();
  while (j < sql.size() && sql[j] == ' ')
    ++j;
  size_t digits = j;
  while (j < sql.size() && std::isdigit(static_cast<unsigned char>(sql[j])))
    ++j;
  std::string number = sql.substr(digits, j - digits);
  while (j < sql.size() && sql[j] == ' ')
    ++j;
  if (number.empty() || sql.compare(j, 2, ")}") != 0)
    throw EDatabaseError("Macro LIMIT malformada no comando SQL: " + sql.substr(i, 20));
  limit = number;
  return j + 2;
}

}  // namespace

TSqlPreparada Preparar(const std::string& sql, TTipoConexao tipo) {
  TSqlPreparada result;
  std::string& out = result.Text;
  out.reserve(sql.size() + 16);
  std::string limit;
  std::unordered_map<std::string, size_t> indices;
  size_t i = 0;
  while (i < sql.size()) {
    char c = sql[i];
    if (c == '\'' || c == '"') {
      i = CopyQuoted(sql, i, out);
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      size_t end = sql.find('\n', i);
      if (end == std::string::npos)
        end = sql.size();
      out.append(sql, i, end - i);
      i = end;
    } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
      size_t end = sql.find("*/", i + 2);
      end = end == std::string::npos ? sql.size() : end + 2;
      out.append(sql, i, end - i);
      i = end;
    } else if (c == ':' && i + 1 < sql.size() && sql[i + 1] == ':') {
      out += "::";
      i += 2;
    } else if (c == ':' && i + 1 < sql.size() && IsIdentStart(sql[i + 1])) {
      size_t start = i + 1;
      size_t end = start;
      while (end < sql.size() && IsIdentChar(sql[end]))
        ++end;
      std::string name = sql.substr(start, end - start);
      // By name without regard to case, through a map: a grouped statement
      // names hundreds.
      std::string chave = name;
      std::transform(chave.begin(), chave.end(), chave.begin(), Ascii::Maiuscula);
      const auto [posicao, nova] = indices.try_emplace(std::move(chave), result.ParamNames.size());
      const size_t index = posicao->second;
      if (nova)
        result.ParamNames.push_back(std::move(name));
      out += tipo == TTipoConexao::PostgreSQL ? '$' : '?';
      out += std::to_string(index + 1);
      i = end;
    } else if (c == '{') {
      size_t next = ParseLimit(sql, i, limit);
      if (next == i) {
        out += c;
        ++i;
      } else {
        i = next;
      }
    } else {
      out += c;
      ++i;
    }
  }
  if (!limit.empty()) {
    while (!out.empty() &&
           (std::isspace(static_cast<unsigned char>(out.back())) || out.back() == ';'))
      out.pop_back();
    out += " LIMIT " + limit;
  }
  return result;
}

std::vector<Value> OrdenarParametros(const TSqlPreparada& sql, const TParams& params) {
  bool positional = !params.empty();
  for (const auto& [name, value] : params)
    positional = positional && name.empty();
  if (positional) {
    if (params.size() != sql.ParamNames.size())
      throw EDatabaseError("O comando SQL espera " + std::to_string(sql.ParamNames.size()) +
                           " parâmetro(s) e recebeu " + std::to_string(params.size()));
    std::vector<Value> values;
    values.reserve(params.size());
    for (const auto& param : params)
      values.push_back(param.second);
    return values;
  }
  std::vector<Value> values(sql.ParamNames.size());
  std::vector<bool> given(sql.ParamNames.size(), false);
  const auto nomeado = [&](size_t index, const std::string& name) {
    return strcasecmp(sql.ParamNames[index].c_str(), name.c_str()) == 0;
  };
  // Parameters mostly come in the order the text names them (a provider's
  // insert has dozens): the place after the last one is tried first.
  size_t seguinte = 0;
  for (const auto& [name, value] : params) {
    size_t index = seguinte;
    if (index >= sql.ParamNames.size() || !nomeado(index, name)) {
      index = 0;
      while (index < sql.ParamNames.size() && !nomeado(index, name))
        ++index;
    }
    if (index == sql.ParamNames.size())
      throw EDatabaseError("Parâmetro inexistente no comando SQL: " + name);
    seguinte = index + 1;
    values[index] = value;
    given[index] = true;
  }
  for (size_t k = 0; k < given.size(); ++k) {
    if (!given[k])
      throw EDatabaseError("Parâmetro não informado: " + sql.ParamNames[k]);
  }
  return values;
}

}  // namespace Dialect
