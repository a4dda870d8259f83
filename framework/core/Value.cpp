#include "framework/core/Value.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <fmt/format.h>

#include "framework/core/Decimal.h"
#include "framework/core/Exceptions.h"

namespace {

std::string_view AparadoSemCopia(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos)
    return {};
  const size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

std::string Trimmed(const std::string& text) {
  return std::string(AparadoSemCopia(text));
}

[[noreturn]] void ThrowNotA(const std::string& text, const char* what) {
  throw EConvertError(fmt::format("'{}' não é {} válido", text, what));
}

std::string FormatDouble(double d) {
  if (d == std::floor(d) && std::fabs(d) < 1e15)
    return fmt::format("{:.0f}", d);
  return fmt::format("{}", d);
}

std::string FormatDateTimeText(TDateTime date) {
  if (date.IsZero())
    return "";
  int y, m, d, h, n, s, ms;
  DecodeDate(date, y, m, d);
  DecodeTime(date, h, n, s, ms);
  std::string text = fmt::format("{:02}/{:02}/{:04}", d, m, y);
  if (h || n || s)
    text += fmt::format(" {:02}:{:02}:{:02}", h, n, s);
  return text;
}

}  // namespace

void AppendKeyBytes(std::string& key, const Value& value) {
  const auto append = [&key](char type, uint64_t n) {
    char bytes[sizeof n];
    std::memcpy(bytes, &n, sizeof n);
    key += type;
    key.append(bytes, sizeof n);
  };
  switch (value.Type()) {
    case TValueType::Integer:
      append('i', static_cast<uint64_t>(value.AsInteger()));
      break;
    case TValueType::String:
      append('s', value.Text().size());
      key += value.Text();
      break;
    case TValueType::Null:
      key += 'n';
      break;
    default: {
      const std::string text = value.AsString();
      append('o', text.size());
      key += text;
    }
  }
}

void AppendSortableKeyBytes(std::string& key, const Value& value) {
  if (value.IsNull()) {
    key += '\0';
    return;
  }
  if (value.Type() != TValueType::String) {
    // Big-endian with the sign bit flipped, so that negative numbers come
    // first and bytes compare as the numbers do.
    const uint64_t number = static_cast<uint64_t>(value.AsInteger()) ^ (uint64_t{1} << 63);
    std::array<char, 9> bytes{'\1'};
    for (size_t i = 1; i < bytes.size(); ++i)
      bytes[i] = static_cast<char>(number >> (8 * (bytes.size() - 1 - i)));
    key.append(bytes.data(), bytes.size());
    return;
  }
  // A text ends in two zero bytes, and a zero byte inside it is followed by
  // a one, so that a text comes before every longer text it begins.
  const std::string_view text = value.Text();
  key += '\2';
  if (text.find('\0') == std::string_view::npos) {
    key += text;
  } else {
    for (const char c : text) {
      key += c;
      if (c == '\0')
        key += '\1';
    }
  }
  key.append(2, '\0');
}

bool TryParseNumber(const std::string& text, double& result) {
  std::string t = Trimmed(text);
  if (t.empty())
    return false;
  for (char& ch : t) {
    if (ch == ',')
      ch = '.';
  }
  if (std::count(t.begin(), t.end(), '.') > 1)
    return false;
  for (char ch : t) {
    if (!std::isdigit(static_cast<unsigned char>(ch)) && ch != '.' && ch != '-' && ch != '+' &&
        ch != 'e' && ch != 'E') {
      return false;
    }
  }
  char* end = nullptr;
  result = std::strtod(t.c_str(), &end);
  return end == t.c_str() + t.size() && std::isfinite(result);
}

bool Value::IsNumeric() const {
  auto t = Type();
  return t == TValueType::Integer || t == TValueType::Float || t == TValueType::Currency;
}

bool Value::AsBoolean() const {
  switch (Type()) {
    case TValueType::Null:
      return false;
    case TValueType::Boolean:
      return std::get<bool>(FData);
    case TValueType::String: {
      std::string t = Trimmed(std::get<std::string>(FData));
      if (t == "True" || t == "true" || t == "TRUE" || t == "1")
        return true;
      if (t == "False" || t == "false" || t == "FALSE" || t == "0" || t.empty())
        return false;
      ThrowNotA(t, "um valor lógico");
    }
    default:
      return AsFloat() != 0;
  }
}

int64_t Value::ConvertidoEmInteiro() const {
  switch (Type()) {
    case TValueType::Null:
      return 0;
    case TValueType::Boolean:
      return std::get<bool>(FData) ? 1 : 0;
    case TValueType::Integer:
      return std::get<int64_t>(FData);
    case TValueType::Float:
      return Decimal::Scale(std::get<double>(FData), 0, TRoundMode::HalfEven);
    case TValueType::Currency: {
      auto raw = std::get<Currency>(FData).Raw();
      return static_cast<int64_t>(
          Decimal::DivideRounded(raw, Currency::kScale, TRoundMode::HalfEven));
    }
    case TValueType::String: {
      // Plain digits, as files and screens mostly give, read without a copy.
      const std::string_view texto = AparadoSemCopia(std::get<std::string>(FData));
      int64_t inteiro = 0;
      const auto [fim, erro] = std::from_chars(texto.data(), texto.data() + texto.size(), inteiro);
      if (!texto.empty() && erro == std::errc() && fim == texto.data() + texto.size())
        return inteiro;
      std::string t(texto);
      if (t.empty())
        return 0;
      char* end = nullptr;
      errno = 0;
      long long parsed = std::strtoll(t.c_str(), &end, 10);
      if (end == t.c_str() + t.size() && errno == 0)
        return parsed;
      double d;
      if (TryParseNumber(t, d))
        return Decimal::Scale(d, 0, TRoundMode::HalfEven);
      ThrowNotA(t, "um número inteiro");
    }
    case TValueType::DateTime:
      return static_cast<int64_t>(std::floor(std::get<TDateTime>(FData).Days()));
  }
  return 0;
}

double Value::AsFloat() const {
  switch (Type()) {
    case TValueType::Null:
      return 0;
    case TValueType::Boolean:
      return std::get<bool>(FData) ? 1 : 0;
    case TValueType::Integer:
      return static_cast<double>(std::get<int64_t>(FData));
    case TValueType::Float:
      return std::get<double>(FData);
    case TValueType::Currency:
      return std::get<Currency>(FData).ToDouble();
    case TValueType::String: {
      std::string t = Trimmed(std::get<std::string>(FData));
      if (t.empty())
        return 0;
      double d;
      if (TryParseNumber(t, d))
        return d;
      ThrowNotA(t, "um número");
    }
    case TValueType::DateTime:
      return std::get<TDateTime>(FData).Days();
  }
  return 0;
}

Currency Value::AsCurrency() const {
  switch (Type()) {
    case TValueType::Currency:
      return std::get<Currency>(FData);
    case TValueType::Integer:
      return Currency(std::get<int64_t>(FData));
    case TValueType::String: {
      std::string t = Trimmed(std::get<std::string>(FData));
      if (t.empty())
        return Currency();
      try {
        return Currency::FromString(t);
      } catch (const EConvertError&) {
        return Currency::FromDouble(AsFloat());
      }
    }
    default:
      return Currency::FromDouble(AsFloat());
  }
}

std::string Value::AsString() const {
  switch (Type()) {
    case TValueType::Null:
      return "";
    case TValueType::Boolean:
      return std::get<bool>(FData) ? "True" : "False";
    case TValueType::Integer:
      return std::to_string(std::get<int64_t>(FData));
    case TValueType::Float:
      return FormatDouble(std::get<double>(FData));
    case TValueType::Currency:
      return std::get<Currency>(FData).ToString();
    case TValueType::String:
      return std::get<std::string>(FData);
    case TValueType::DateTime:
      return FormatDateTimeText(std::get<TDateTime>(FData));
  }
  return "";
}

TDateTime Value::AsDateTime() const {
  switch (Type()) {
    case TValueType::Null:
      return TDateTime();
    case TValueType::DateTime:
      return std::get<TDateTime>(FData);
    case TValueType::String: {
      std::string t = Trimmed(std::get<std::string>(FData));
      if (t.empty())
        return TDateTime();
      if (auto date = ParseDate(t))
        return *date;
      ThrowNotA(t, "uma data");
    }
    default:
      return TDateTime(AsFloat());
  }
}

namespace {

int Sign(double d) {
  return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

// Exact comparison of two numeric values where both are exact types.
int CompareNumbers(const Value& a, const Value& b) {
  if (a.Type() == TValueType::Integer && b.Type() == TValueType::Integer) {
    auto x = a.AsInteger(), y = b.AsInteger();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if ((a.Type() == TValueType::Currency || a.Type() == TValueType::Integer) &&
      (b.Type() == TValueType::Currency || b.Type() == TValueType::Integer)) {
    // In ten-thousandths on 128 bits: an integer beyond the Currency range
    // (a large key against an amount) must not overflow.
    auto raw = [](const Value& v) -> Int128 {
      if (v.Type() == TValueType::Integer)
        return Int128{v.AsInteger()} * Currency::kScale;
      return v.AsCurrency().Raw();
    };
    Int128 x = raw(a), y = raw(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  return Sign(a.AsFloat() - b.AsFloat());
}

bool IsOrdered(TValueType t) {
  return t != TValueType::Null && t != TValueType::String;
}

}  // namespace

int Compare(const Value& a, const Value& b) {
  TValueType ta = a.Type(), tb = b.Type();
  if (ta == TValueType::Null || tb == TValueType::Null) {
    return (ta == TValueType::Null ? 0 : 1) - (tb == TValueType::Null ? 0 : 1);
  }
  if (ta == TValueType::String && tb == TValueType::String) {
    int c = std::get<std::string>(a.FData).compare(std::get<std::string>(b.FData));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  if (IsOrdered(ta) && IsOrdered(tb))
    return CompareNumbers(a, b);
  // A text against a number or a date: convert the text when it is one.
  const Value& text = ta == TValueType::String ? a : b;
  const Value& other = ta == TValueType::String ? b : a;
  int flip = ta == TValueType::String ? 1 : -1;
  const std::string& s = std::get<std::string>(text.FData);
  if (other.Type() == TValueType::DateTime) {
    if (auto date = ParseDate(Trimmed(s))) {
      return flip * Sign(date->Days() - other.AsFloat());
    }
  } else {
    double d;
    if (TryParseNumber(s, d))
      return flip * Sign(d - other.AsFloat());
  }
  int c = s.compare(other.AsString());
  return flip * (c < 0 ? -1 : (c > 0 ? 1 : 0));
}

std::string Value::DebugString() const {
  switch (Type()) {
    case TValueType::Null:
      return "null";
    case TValueType::String:
      return "'" + std::get<std::string>(FData) + "'";
    case TValueType::DateTime:
      return DateToIso(std::get<TDateTime>(FData));
    default:
      return AsString();
  }
}
