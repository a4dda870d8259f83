#include "framework/core/Decimal.h"

#include <array>
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

// Exact powers of ten a double holds.
constexpr std::array<double, 23> kPowersOfTen = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The products ScaleDirect takes: past it the tolerance below nears a half
// anyway; it also keeps out infinities and NaN.
constexpr double kLargestDirect = 1e12;

// round(x * 10^places) straight from the double, when the product is far
// enough from a half that x's 15-digit decimal rounds the same way: that
// decimal is within 5e-15 of x (relative) and the product within 2^-53 of
// x * 10^places, so a product more than 1e-14 of itself from a half leaves
// both on the same side of it. False when the digits must decide.
bool ScaleDirect(double x, int places, int64_t& result) {
  if (places < 0 || places >= static_cast<int>(kPowersOfTen.size()))
    return false;
  const double scaled = std::fabs(x * kPowersOfTen[static_cast<size_t>(places)]);
  if (!(scaled < kLargestDirect))
    return false;
  const double whole = std::floor(scaled);
  const double fraction = scaled - whole;
  if (std::fabs(fraction - 0.5) <= 1e-14 * scaled)
    return false;
  const auto rounded = static_cast<int64_t>(whole) + (fraction > 0.5 ? 1 : 0);
  result = x < 0 ? -rounded : rounded;
  return true;
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
  int64_t direct = 0;
  if (ScaleDirect(x, places, direct))
    return direct;
  return ScaleByDigits(x, places, mode);
}

int64_t ScaleByDigits(double x, int places, TRoundMode mode) {
  Int128 scaled = ScaleExact(x, places, mode);
  if (scaled > INT64_MAX || scaled < INT64_MIN) {
    throw EConvertError("Valor numérico fora do intervalo");
  }
  return static_cast<int64_t>(scaled);
}

double Round(double x, int places, TRoundMode mode) {
  const double scaled = static_cast<double>(Scale(x, places, mode));
  const int magnitude = std::abs(places);
  const double power = magnitude < static_cast<int>(kPowersOfTen.size())
                           ? kPowersOfTen[static_cast<size_t>(magnitude)]
                           : std::pow(10.0, magnitude);
  return places >= 0 ? scaled / power : scaled * power;
}

}  // namespace Decimal
