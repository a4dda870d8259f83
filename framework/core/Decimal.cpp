#include "framework/core/Decimal.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "framework/core/Exceptions.h"

namespace Decimal {

namespace {

constexpr int kSignificantDigits = 15;

Int128 PowerOfTen(int n) {
  Int128 result = 1;
  for (int i = 0; i < n; ++i)
    result *= 10;
  return result;
}

// The exact scaled value of x's 15-digit decimal form, or throws.
Int128 ScaleExact(double x, int places, TRoundMode mode) {
  if (!std::isfinite(x))
    throw EConvertError("Valor numérico inválido");
  if (x == 0)
    return 0;
  // Correctly rounded, as printf's "%.14e" is, at a fraction of its cost
  // (every amount a rule rounds passes here).
  char text[40];
  *std::to_chars(text, text + sizeof text - 1, x, std::chars_format::scientific,
                 kSignificantDigits - 1)
       .ptr = '\0';
  // text is "[-]d.dddddddddddddde[+-]xx"
  const char* p = text;
  bool negative = *p == '-';
  if (negative)
    ++p;
  Int128 mantissa = 0;
  for (; *p != 'e'; ++p) {
    if (*p != '.')
      mantissa = mantissa * 10 + (*p - '0');
  }
  int exponent = std::atoi(p + 1);
  int shift = exponent - (kSignificantDigits - 1) + places;
  Int128 scaled;
  if (shift >= 0) {
    if (shift > 22)
      throw EConvertError("Valor numérico fora do intervalo");
    scaled = mantissa * PowerOfTen(shift);
  } else if (-shift > kSignificantDigits + 1) {
    scaled = 0;
  } else {
    scaled = DivideRounded(mantissa, PowerOfTen(-shift), mode);
  }
  return negative ? -scaled : scaled;
}

}  // namespace

Int128 DivideRounded(Int128 n, Int128 divisor, TRoundMode mode) {
  bool negative = n < 0;
  Int128 magnitude = negative ? -n : n;
  Int128 quotient = magnitude / divisor;
  Int128 twiceRemainder = (magnitude % divisor) * 2;
  if (twiceRemainder > divisor ||
      (twiceRemainder == divisor && (mode == TRoundMode::HalfAwayFromZero || quotient % 2 == 1))) {
    ++quotient;
  }
  return negative ? -quotient : quotient;
}

int64_t Scale(double x, int places, TRoundMode mode) {
  Int128 scaled = ScaleExact(x, places, mode);
  if (scaled > INT64_MAX || scaled < INT64_MIN) {
    throw EConvertError("Valor numérico fora do intervalo");
  }
  return static_cast<int64_t>(scaled);
}

double Round(double x, int places, TRoundMode mode) {
  if (places >= 0) {
    return static_cast<double>(Scale(x, places, mode)) / std::pow(10.0, places);
  }
  return static_cast<double>(Scale(x, places, mode)) * std::pow(10.0, -places);
}

}  // namespace Decimal
