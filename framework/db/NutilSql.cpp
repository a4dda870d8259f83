#include "framework/db/NutilSql.h"

#include <fmt/format.h>

#include <cmath>

#include "framework/core/Exceptions.h"

namespace Nutil {
namespace {

std::string Decimal(double x) {
  if (!std::isfinite(x))
    throw EConvertError("Número inválido para SQL");
  std::string text = fmt::format("{}", x);
  if (text.find_first_of("eE") == std::string::npos)
    return text;
  text = fmt::format("{:.20f}", x);
  while (text.back() == '0')
    text.pop_back();
  if (text.back() == '.')
    text.pop_back();
  return text;
}

std::string Texto(const std::string& text) {
  if (text.find('\0') != std::string::npos)
    throw EConvertError("Texto com caractere nulo não pode ser usado em SQL");
  std::string literal;
  literal.reserve(text.size() + 2);
  literal += '\'';
  for (char c : text) {
    literal += c;
    if (c == '\'')
      literal += '\'';
  }
  literal += '\'';
  return literal;
}

}  // namespace

std::string ValorParaSQL(const Value& value) {
  switch (value.Type()) {
    case TValueType::Null:
      return "NULL";
    case TValueType::Boolean:
      return value.AsBoolean() ? "'1'" : "'0'";
    case TValueType::Integer:
      return std::to_string(value.AsInteger());
    case TValueType::Float:
      return Decimal(value.AsFloat());
    case TValueType::Currency:
      return value.AsCurrency().ToString();
    case TValueType::String:
      return Texto(value.AsString());
    case TValueType::DateTime:
      return Texto(DateToIso(value.AsDateTime()).substr(0, 19));
  }
  return "NULL";
}

std::string ValorParaSQL(const Value& value, TDbColumnKind kind) {
  if (value.IsNull())
    return "NULL";
  switch (kind) {
    case TDbColumnKind::Integer:
      return ValorParaSQL(Value(value.AsInteger()));
    case TDbColumnKind::Float:
      return ValorParaSQL(Value(value.AsFloat()));
    case TDbColumnKind::Numeric:
      return ValorParaSQL(Value(value.AsCurrency()));
    case TDbColumnKind::Text:
      return Texto(value.AsString());
    case TDbColumnKind::Date:
      return ValorParaSQL(Value(DateOf(value.AsDateTime())));
    case TDbColumnKind::DateTime:
      return ValorParaSQL(Value(value.AsDateTime()));
    case TDbColumnKind::Boolean:
      return ValorParaSQL(Value(value.AsBoolean()));
  }
  return ValorParaSQL(value);
}

std::string ValorParaSQL(const Value& value, const std::string& op) {
  if (value.IsNull()) {
    if (op == "=")
      return " is null";
    if (op == "<>" || op == "!=")
      return " is not null";
  }
  return " " + op + " " + ValorParaSQL(value);
}

}  // namespace Nutil
