#include "framework/core/Currency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "framework/core/Decimal.h"
#include "framework/core/Exceptions.h"

TEST(Currency, FromDoubleRoundsTheDecimalValueHalfToEven) {
  EXPECT_EQ(Currency::FromDouble(1.00005).Raw(), 10000);  // 1.0000|5 -> even
  EXPECT_EQ(Currency::FromDouble(1.00015).Raw(), 10002);
  EXPECT_EQ(Currency::FromDouble(-1.00015).Raw(), -10002);
  EXPECT_EQ(Currency::FromDouble(0.1 + 0.2).Raw(), 3000);
  // A double is read as the decimal its 15 significant digits print, and a
  // sixteenth digit that is exactly a half goes to the even fifteenth, as
  // printf rounds: 1234567890123445 reads as 1.23456789012344e15.
  EXPECT_EQ(Decimal::Scale(1234567890123445.0, 0, TRoundMode::HalfEven), 1234567890123440);
  EXPECT_EQ(Decimal::Scale(1234567890123455.0, 0, TRoundMode::HalfEven), 1234567890123460);
  EXPECT_EQ(Decimal::Scale(-1234567890123445.0, 0, TRoundMode::HalfEven), -1234567890123440);
  EXPECT_EQ(Decimal::Round(2.675, 2, TRoundMode::HalfAwayFromZero), 2.68);
}

// Scale decides from the double alone only where the 15 digits would round
// the same way: amounts, products with rates, halves and their neighbours,
// every magnitude, in both modes.
TEST(Currency, ScalingFromTheDoubleAgreesWithTheDigits) {
  std::mt19937_64 gerador(20261207);
  std::uniform_int_distribution<int64_t> centavos(-10'000'000'000, 10'000'000'000);
  std::uniform_real_distribution<double> expoente(-12, 16);
  std::vector<double> valores;
  for (int i = 0; i < 20'000; ++i) {
    const double valor = static_cast<double>(centavos(gerador)) / 100;
    valores.push_back(valor);
    valores.push_back(valor * 0.0725);
    // A half of the third place: 12.345 and the like.
    const int64_t milesimos = centavos(gerador) / 10;
    valores.push_back((static_cast<double>(milesimos) + 0.5) / 1000);
    valores.push_back(std::nextafter(valores.back(), 0.0));
    valores.push_back(std::pow(10.0, expoente(gerador)) * (i % 2 ? 1 : -1));
  }
  for (double valor : valores)
    for (int casas : {0, 2, 4, 6})
      for (TRoundMode modo : {TRoundMode::HalfAwayFromZero, TRoundMode::HalfEven}) {
        if (std::fabs(valor) * std::pow(10.0, casas) >= 9e18)
          continue;
        ASSERT_EQ(Decimal::Scale(valor, casas, modo), Decimal::ScaleByDigits(valor, casas, modo))
            << std::hexfloat << valor << " " << casas;
      }
}

// Sums of cents are exact; products and quotients round to four places half
// to even, a rounding to cents half away from zero; an overflow is an error,
// not a wrap.
TEST(Currency, ArithmeticRoundsAsDeclaredAndRefusesOverflow) {
  Currency total;
  for (int i = 0; i < 1000000; ++i)
    total += Currency::FromDouble(0.01);
  EXPECT_EQ(total, Currency(10000));
  EXPECT_EQ((Currency::FromString("1.0001") * Currency::FromString("0.5")).Raw(), 5000);  // .50005
  EXPECT_EQ((Currency::FromString("1.0003") * Currency::FromString("0.5")).Raw(), 5002);  // .50015
  EXPECT_EQ((Currency(10) / Currency(3)).Raw(), 33333);
  EXPECT_EQ((Currency(-20) / Currency(3)).Raw(), -66667);
  EXPECT_EQ((Currency(1) / int64_t{8}).Raw(), 1250);
  EXPECT_THROW(Currency(1) / Currency(), EConvertError);
  Currency big = Currency::FromRaw(INT64_MAX - 1);
  EXPECT_THROW(big + Currency(1), EConvertError);
  EXPECT_THROW(big * Currency(2), EConvertError);
  for (const auto& [valor, centavos] :
       {std::pair{"2.345", "2.35"}, {"-2.345", "-2.35"}, {"2.3449", "2.34"}, {"-2.30", "-2.3"}})
    EXPECT_EQ(Currency::FromString(valor).Rounded(2), Currency::FromString(centavos)) << valor;
}

TEST(Currency, ParsesAndPrintsPlainText) {
  EXPECT_EQ(Currency::FromString("1234.56").Raw(), 12345600);
  EXPECT_EQ(Currency::FromString(" -0,5 ").Raw(), -5000);
  EXPECT_EQ(Currency::FromString("7").ToString(), "7");
  EXPECT_EQ(Currency::FromString("-0.01").ToString(), "-0.01");
  EXPECT_EQ(Currency::FromString("2.50000").ToString(), "2.5");
  for (const char* invalido : {"1.00001", "1.234,56", "abc", ""})
    EXPECT_THROW(Currency::FromString(invalido), EConvertError) << invalido;
}
