#pragma once
// Decimal rounding of binary doubles. Amounts arrive as doubles (typed,
// imported, computed with rates) but must round as the decimal number a person
// reads: 1.005 is "1.005", so it rounds to 1.01, although the double nearest to
// it is slightly below. A double is taken as the decimal it prints as with 15
// significant digits (the precision a double always round-trips), and rounded
// on those digits.

#include <cstdint>

// Wide intermediate for exact products and quotients of 64-bit fixed-point
// values (a GCC extension, hence the marker that keeps -pedantic quiet).
__extension__ typedef __int128 Int128;

enum class TRoundMode {
  HalfAwayFromZero,  // 2.5 -> 3, -2.5 -> -3
  HalfEven,          // 2.5 -> 2, 3.5 -> 4 (banker's rounding)
};

namespace Decimal {

// round(x * 10^places) on the decimal digits of x. Throws EConvertError when
// the result does not fit in 64 bits or x is not finite.
int64_t Scale(double x, int places, TRoundMode mode);
// The same, always through the 15 digits; Scale takes it only when the
// double alone cannot tell which way the digits round.
int64_t ScaleByDigits(double x, int places, TRoundMode mode);

// x rounded to `places` decimal places (places may be negative: tens,
// hundreds...), as the nearest double.
double Round(double x, int places, TRoundMode mode);

// n / divisor rounded by mode (divisor > 0); the exact integer kernel the
// two functions above and Currency arithmetic share.
Int128 DivideRounded(Int128 n, Int128 divisor, TRoundMode mode);

}  // namespace Decimal
