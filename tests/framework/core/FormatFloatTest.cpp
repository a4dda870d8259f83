#include "framework/core/FormatFloat.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

void ExpectFormats(const char* format,
                   std::initializer_list<std::pair<double, const char*>> cases) {
  for (const auto& [value, expected] : cases)
    EXPECT_EQ(FormatFloat(format, value), expected) << format << " of " << value;
}

}  // namespace

TEST(FormatFloat, DisplayFormatsWithBrazilianSeparators) {
  // Amounts.
  ExpectFormats("#,##0.00", {{1234.56, "1.234,56"},
                             {-1234.5, "-1.234,50"},
                             {0, "0,00"},
                             {1234567.891, "1.234.567,89"},
                             {0.5, "0,50"},
                             {123, "123,00"},
                             {100000, "100.000,00"},
                             {999.995, "1.000,00"},
                             {-0.005, "-0,01"},
                             {-0.004, "0,00"},
                             {1e17, "100.000.000.000.000.000,00"},
                             {std::nan(""), "NAN"},
                             {-HUGE_VAL, "-INF"}});
  // Balances against and along the account's nature.
  ExpectFormats("#,##0.00 D;(#,##0.00) C", {{150, "150,00 D"},
                                            {-150, "(150,00) C"},
                                            {-1234.567, "(1.234,57) C"},
                                            {0, "0,00 D"},
                                            {-0.001, "0,00 D"}});
  ExpectFormats("#,##0.00 C;(#,##0.00) D", {{-10, "(10,00) D"}});
  // Trial balance columns.
  ExpectFormats("#,##0.00;(#,##0.00);#,##0.00",
                {{1234.5, "1.234,50"}, {-1234.5, "(1.234,50)"}, {0, "0,00"}});
  ExpectFormats("#,##0.00;(#,##0.00);Zero", {{-0.001, "Zero"}});
  ExpectFormats("#,##0.00;;", {{-2, "-2,00"}});
  // Percentages.
  ExpectFormats("##0.00 %",
                {{12.345, "12,35 %"}, {100, "100,00 %"}, {1234.5, "1234,50 %"}, {-5.5, "-5,50 %"}});
  // Plain values.
  ExpectFormats(
      "0.00",
      {{1.005, "1,01"}, {-1.005, "-1,01"}, {2.675, "2,68"}, {0.125, "0,13"}, {1234.5, "1234,50"}});
  ExpectFormats("0", {{2.5, "3"}, {-2.5, "-3"}, {-0.4, "0"}});
  ExpectFormats("000", {{7, "007"}});
  ExpectFormats("#.##", {{0.5, ",5"}, {1, "1"}});
  // Rates.
  ExpectFormats("##0.00######", {{1.5, "1,50"},
                                 {5.12345678, "5,12345678"},
                                 {0.25, "0,25"},
                                 {5.123456785, "5,12345679"},
                                 {0.000000004, "0,00"},
                                 {0.000000005, "0,00000001"}});
  ExpectFormats("#,##0.00000000", {{5.25, "5,25000000"}, {1234.123456789, "1.234,12345679"}});
  // Literals.
  ExpectFormats("R$ #,##0.00", {{1234.5, "R$ 1.234,50"}, {-3, "-R$ 3,00"}});
  ExpectFormats("'Saldo: '#,##0.00", {{5, "Saldo: 5,00"}});
  ExpectFormats("\"D;0\"0", {{5, "D;05"}});
  // No format: the plain value.
  ExpectFormats("", {{1234.5, "1234,5"}, {-0.25, "-0,25"}, {0.1 + 0.2, "0,3"}});
}

TEST(FormatFloat, CurrencyKeepsEveryDigitOfLargeAmounts) {
  auto money = [](const char* text) { return Currency::FromString(text); };
  EXPECT_EQ(FormatFloat("#,##0.00", money("1234.565")), "1.234,57");
  EXPECT_EQ(FormatFloat("#,##0.00", money("-1234.565")), "-1.234,57");
  EXPECT_EQ(FormatFloat("#,##0.00", money("-0.0049")), "0,00");
  EXPECT_EQ(FormatFloat("#,##0.00", money("123456789012345.67")), "123.456.789.012.345,67");
  EXPECT_EQ(FormatCurr("#,##0.00 D;(#,##0.00) C", money("-150")), "(150,00) C");
  EXPECT_EQ(FormatFloat("##0.00######", money("1.2345")), "1,2345");
  EXPECT_EQ(FormatFloat("", money("1234.5")), "1234,5");
}
