#include "framework/core/LiteralSQL.h"

#include <fmt/format.h>

#include <cmath>

#include "framework/core/Exceptions.h"

namespace NutilLiteralSQL {

std::string Inteiro(int64_t value) {
  return std::to_string(value);
}

std::string Decimal(double value) {
  if (!std::isfinite(value))
    throw EConvertError("Número inválido para SQL");
  std::string text = fmt::format("{}", value);
  if (text.find_first_of("eE") == std::string::npos)
    return text;
  text = fmt::format("{:.20f}", value);
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

std::string Data(TDateTime date) {
  return Texto(DateToIso(DateOf(date)).substr(0, 10));
}

std::string DataHora(TDateTime moment) {
  // DateToIso leaves the time out at midnight and may add milliseconds.
  int hour = 0, minute = 0, second = 0, millisecond = 0;
  DecodeTime(moment, hour, minute, second, millisecond);
  return Texto(fmt::format("{} {:02}:{:02}:{:02}", DateToIso(DateOf(moment)).substr(0, 10), hour,
                           minute, second));
}

}  // namespace NutilLiteralSQL
