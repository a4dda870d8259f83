#pragma once
// Money: a 64-bit count of ten-thousandths. Sums of amounts are exact; a
// product or quotient is rounded to four places half to even, as the host's
// currency arithmetic does. Doubles meet Currency only at the edges (rates,
// percentages, database floats) through FromDouble/ToDouble.

#include <compare>
#include <cstdint>
#include <string>

class Currency {
 public:
  static constexpr int64_t kScale = 10000;

  constexpr Currency() = default;
  // Whole units: Currency(150) is 150.0000.
  constexpr explicit Currency(int64_t units) : FRaw(units * kScale) {}

  static constexpr Currency FromRaw(int64_t raw) {
    Currency c;
    c.FRaw = raw;
    return c;
  }
  // Rounds the decimal value of x to four places, half to even.
  static Currency FromDouble(double x);
  // Parses "-1234.56" (a dot or a comma as decimal separator, no thousands
  // separator); throws EConvertError on anything else or on more than four
  // decimals that are not zeros.
  static Currency FromString(const std::string& text);

  constexpr int64_t Raw() const { return FRaw; }
  double ToDouble() const { return static_cast<double>(FRaw) / kScale; }
  // Shortest plain text: "1234.5", "-0.01", "0".
  std::string ToString() const;
  // Rounded to `places` decimals (0..4), half away from zero.
  Currency Rounded(int places) const;

  constexpr Currency operator-() const { return FromRaw(-FRaw); }
  Currency& operator+=(Currency other);
  Currency& operator-=(Currency other);
  friend Currency operator+(Currency a, Currency b) { return a += b; }
  friend Currency operator-(Currency a, Currency b) { return a -= b; }
  friend Currency operator*(Currency a, Currency b);
  friend Currency operator*(Currency a, int64_t factor);
  // Division by zero raises EConvertError; callers that must not fail use
  // Nutil::Dividir.
  friend Currency operator/(Currency a, Currency b);
  friend Currency operator/(Currency a, int64_t divisor);

  friend constexpr auto operator<=>(Currency a, Currency b) = default;
  friend constexpr bool operator==(Currency a, Currency b) = default;

 private:
  int64_t FRaw = 0;
};
