#include "framework/core/Nutil.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include <fmt/format.h>

#include "framework/core/Decimal.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatDateTime.h"

namespace Nutil {

namespace {

constexpr const char* kBlanks = " \t\r\n";

// Rounds a Currency to the power of ten `digit` (-4 keeps every place).
Currency RoundCurrency(Currency x, int digit, TRoundMode mode) {
  if (digit <= -4)
    return x;
  if (digit > 14)
    return Currency();
  Int128 divisor = 1;
  for (int i = 0; i < digit + 4; ++i)
    divisor *= 10;
  Int128 rounded = Decimal::DivideRounded(x.Raw(), divisor, mode) * divisor;
  if (rounded > INT64_MAX || rounded < INT64_MIN) {
    throw EConvertError("Estouro na aritmética de moeda");
  }
  return Currency::FromRaw(static_cast<int64_t>(rounded));
}

// The two-byte UTF-8 form of U+00C0..U+00FF is 0xC3 followed by 0x80..0xBF.
constexpr unsigned char kLatinLead = 0xC3;

bool IsLatinLetter(unsigned char second) {
  // Excludes U+00D7 (multiplication sign) and U+00F7 (division sign).
  return second >= 0x80 && second <= 0xBF && second != 0x97 && second != 0xB7;
}

// Bare letter of U+00C0 + i; '?' keeps the character (Æ, Ð, ×, Þ, ß, æ, ð, ÷, þ).
constexpr char kFolded[] =
    "AAAAAA?CEEEEIIII?NOOOOO?OUUUUY??"
    "aaaaaa?ceeeeiiii?nooooo?ouuuuy?y";

std::string QuotedFilterText(const std::string& text) {
  std::string result = "'";
  for (char ch : text) {
    if (ch == '\'')
      result += '\'';
    result += ch;
  }
  return result + "'";
}

std::string FloatLiteral(double d) {
  if (!std::isfinite(d))
    throw EConvertError("Valor numérico inválido");
  std::string text = fmt::format("{}", d);
  if (text.find('e') == std::string::npos)
    return text;
  // Filter texts take plain decimals only: no exponent.
  if (std::fabs(d) >= 1)
    return fmt::format("{:.0f}", d);
  text = fmt::format("{:.20f}", d);
  while (text.back() == '0')
    text.pop_back();
  if (text.back() == '.')
    text.pop_back();
  return text == "-0" ? "0" : text;
}

}  // namespace

double RoundValor(double x, int places) {
  return Decimal::Round(x, places, TRoundMode::HalfAwayFromZero);
}

Currency RoundValor(Currency x, int places) {
  return RoundCurrency(x, -places, TRoundMode::HalfAwayFromZero);
}

double RoundTo(double x, int digit) {
  return Decimal::Round(x, -digit, TRoundMode::HalfEven);
}

Currency RoundTo(Currency x, int digit) {
  return RoundCurrency(x, digit, TRoundMode::HalfEven);
}

double Dividir(double a, double b) {
  return b == 0 ? 0 : a / b;
}

Currency Dividir(Currency a, Currency b) {
  return b == Currency() ? Currency() : a / b;
}

std::vector<std::string> StrToStrArray(const std::string& text, const std::string& separator) {
  std::vector<std::string> items;
  if (text.empty())
    return items;
  if (separator.empty())
    return {text};
  size_t start = 0;
  for (;;) {
    size_t found = text.find(separator, start);
    if (found == std::string::npos)
      break;
    items.push_back(text.substr(start, found - start));
    start = found + separator.size();
  }
  items.push_back(text.substr(start));
  return items;
}

bool InStrArray(const std::string& text, const std::vector<std::string>& array) {
  for (const auto& item : array) {
    if (item == text)
      return true;
  }
  return false;
}

std::string MontarHist(const std::string& descricao, const std::string& complemento) {
  std::string hist = Trim(descricao);
  Add(hist, Trim(complemento), " ");
  return hist;
}

std::string LimparAcentuacao(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    auto lead = static_cast<unsigned char>(text[i]);
    if (lead == kLatinLead && i + 1 < text.size()) {
      auto second = static_cast<unsigned char>(text[i + 1]);
      if (IsLatinLetter(second) && kFolded[second - 0x80] != '?') {
        result += kFolded[second - 0x80];
        ++i;
        continue;
      }
    }
    result += text[i];
  }
  return result;
}

bool TemDados(const std::string& text) {
  return text.find_first_not_of(kBlanks) != std::string::npos;
}

std::string TemDados(const std::string& prefix, const std::string& text) {
  return TemDados(text) ? prefix + text : std::string();
}

void Add(std::string& list, const std::string& item, const std::string& separator) {
  if (item.empty())
    return;
  if (!list.empty())
    list += separator;
  list += item;
}

std::string ValorParaFiltro(const Value& value) {
  switch (value.Type()) {
    case TValueType::Null:
      return "null";
    case TValueType::Boolean:
      return value.AsBoolean() ? "True" : "False";
    case TValueType::Integer:
      return std::to_string(value.AsInteger());
    case TValueType::Float:
      return FloatLiteral(value.AsFloat());
    case TValueType::Currency:
      return value.AsCurrency().ToString();
    case TValueType::String:
      return QuotedFilterText(value.AsString());
    case TValueType::DateTime: {
      TDateTime date = value.AsDateTime();
      bool hasTime = date.Days() != std::floor(date.Days());
      return QuotedFilterText(FormatDateTime(hasTime ? "dd/mm/yyyy hh:nn:ss" : "dd/mm/yyyy", date));
    }
  }
  return "null";
}

bool TryStrToInt64(const std::string& text, int64_t& value) {
  if (text.empty())
    return false;
  const char* fim = text.data() + text.size();
  int64_t lido = 0;
  auto [ptr, ec] = std::from_chars(text.data(), fim, lido);
  if (ec != std::errc() || ptr != fim)
    return false;
  value = lido;
  return true;
}

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos)
    return {};
  size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

std::string UpperCase(const std::string& text) {
  std::string result = text;
  for (size_t i = 0; i < result.size(); ++i) {
    char& ch = result[i];
    if (ch >= 'a' && ch <= 'z') {
      ch = static_cast<char>(ch - 'a' + 'A');
    } else if (static_cast<unsigned char>(ch) == kLatinLead && i + 1 < result.size()) {
      auto second = static_cast<unsigned char>(result[i + 1]);
      // U+00E0..U+00FE map to U+00C0..U+00DE; ß and ÿ have no one-byte upper form.
      if (second >= 0xA0 && second <= 0xBE && IsLatinLetter(second)) {
        result[i + 1] = static_cast<char>(second - 0x20);
      }
      ++i;
    }
  }
  return result;
}

std::string LowerCase(const std::string& text) {
  std::string result = text;
  for (size_t i = 0; i < result.size(); ++i) {
    char& ch = result[i];
    if (ch >= 'A' && ch <= 'Z') {
      ch = static_cast<char>(ch - 'A' + 'a');
    } else if (static_cast<unsigned char>(ch) == kLatinLead && i + 1 < result.size()) {
      auto second = static_cast<unsigned char>(result[i + 1]);
      if (second >= 0x80 && second <= 0x9E && IsLatinLetter(second)) {
        result[i + 1] = static_cast<char>(second + 0x20);
      }
      ++i;
    }
  }
  return result;
}

namespace {

// A byte that continues a UTF-8 character.
bool Continuacao(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

size_t Caracteres(const std::string& text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return !Continuacao(c); }));
}

std::string PrimeirosCaracteres(const std::string& text, size_t caracteres) {
  size_t fim = 0;
  for (size_t vistos = 0; fim < text.size(); ++fim)
    if (!Continuacao(text[fim]) && vistos++ == caracteres)
      break;
  return text.substr(0, fim);
}

}  // namespace Nutil
