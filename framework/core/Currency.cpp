#include "framework/core/Currency.h"

#include <cctype>
#include <cstdlib>

#include "framework/core/Decimal.h"
#include "framework/core/Exceptions.h"

namespace {

Currency Checked(Int128 raw) {
  if (raw > INT64_MAX || raw < INT64_MIN)
    throw EConvertError("Estouro na aritmética de moeda");
  return Currency::FromRaw(static_cast<int64_t>(raw));
}

}  // namespace

Currency Currency::FromDouble(double x) {
  return FromRaw(Decimal::Scale(x, 4, TRoundMode::HalfEven));
}

Currency Currency::FromString(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+'))
    negative = text[i++] == '-';
  Int128 raw = 0;
  int decimals = -1;
  bool anyDigit = false;
  for (; i < text.size(); ++i) {
    char ch = text[i];
    if (std::isdigit(static_cast<unsigned char>(ch))) {
      anyDigit = true;
      if (decimals >= 4) {
        if (ch != '0')
          throw EConvertError("'" + text + "' não é um valor válido");
        continue;
      }
      raw = raw * 10 + (ch - '0');
      if (decimals >= 0)
        ++decimals;
      if (raw > INT64_MAX)
        throw EConvertError("'" + text + "' não é um valor válido");
    } else if ((ch == '.' || ch == ',') && decimals < 0) {
      decimals = 0;
    } else if (std::isspace(static_cast<unsigned char>(ch))) {
      break;
    } else {
      throw EConvertError("'" + text + "' não é um valor válido");
    }
  }
  for (; i < text.size(); ++i) {
    if (!std::isspace(static_cast<unsigned char>(text[i]))) {
      throw EConvertError("'" + text + "' não é um valor válido");
    }
  }
  if (!anyDigit)
    throw EConvertError("'" + text + "' não é um valor válido");
  for (int d = decimals < 0 ? 0 : decimals; d < 4; ++d)
    raw *= 10;
  return Checked(negative ? -raw : raw);
}

std::string Currency::ToString() const {
  Int128 magnitude = FRaw < 0 ? -static_cast<Int128>(FRaw) : FRaw;
  std::string units = std::to_string(static_cast<uint64_t>(magnitude / kScale));
  std::string fraction = std::to_string(static_cast<int>(magnitude % kScale) + kScale).substr(1);
  while (!fraction.empty() && fraction.back() == '0')
    fraction.pop_back();
  std::string text = FRaw < 0 ? "-" + units : units;
  return fraction.empty() ? text : text + "." + fraction;
}

Currency Currency::Rounded(int places) const {
  static constexpr int64_t kDivisors[] = {10000, 1000, 100, 10, 1};
  int64_t divisor = kDivisors[places < 0 ? 0 : (places > 4 ? 4 : places)];
  // Most values arrive with no more places than their field keeps.
  if (FRaw % divisor == 0)
    return *this;
  return Checked(Decimal::DivideRounded(FRaw, divisor, TRoundMode::HalfAwayFromZero) * divisor);
}

Currency& Currency::operator+=(Currency other) {
  *this = Checked(static_cast<Int128>(FRaw) + other.FRaw);
  return *this;
}

Currency& Currency::operator-=(Currency other) {
  *this = Checked(static_cast<Int128>(FRaw) - other.FRaw);
  return *this;
}

Currency operator*(Currency a, Currency b) {
  return Checked(Decimal::DivideRounded(static_cast<Int128>(a.FRaw) * b.FRaw, Currency::kScale,
                                        TRoundMode::HalfEven));
}

Currency operator*(Currency a, int64_t factor) {
  return Checked(static_cast<Int128>(a.FRaw) * factor);
}

Currency operator/(Currency a, Currency b) {
  if (b.FRaw == 0)
    throw EConvertError("Divisão por zero");
  Int128 n = static_cast<Int128>(a.FRaw) * Currency::kScale;
  Int128 d = b.FRaw;
  if (d < 0) {
    n = -n;
    d = -d;
  }
  return Checked(Decimal::DivideRounded(n, d, TRoundMode::HalfEven));
}

Currency operator/(Currency a, int64_t divisor) {
  if (divisor == 0)
    throw EConvertError("Divisão por zero");
  Int128 n = a.FRaw;
  Int128 d = divisor;
  if (d < 0) {
    n = -n;
    d = -d;
  }
  return Checked(Decimal::DivideRounded(n, d, TRoundMode::HalfEven));
}
