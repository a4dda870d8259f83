#include "framework/core/TDateTime.h"

#include <gtest/gtest.h>

#include "framework/core/Exceptions.h"

TEST(TDateTime, CountsDaysFromThe30thOfDecember1899) {
  EXPECT_EQ(EncodeDate(1899, 12, 31).Days(), 1);
  EXPECT_EQ(EncodeDate(1900, 3, 1).Days(), 61);
  EXPECT_EQ(EncodeDate(2025, 1, 1).Days(), 45658);
  int y, m, d;
  DecodeDate(TDateTime(45658.75), y, m, d);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20250101);
  EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
  EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
  EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);  // not a leap year
}

// IncMonth clamps to the last day of a shorter month.
TEST(TDateTime, MonthArithmeticBoundariesAndDayOfWeek) {
  EXPECT_EQ(DateToIso(IncMonth(EncodeDate(2024, 1, 31))), "2024-02-29");
  EXPECT_EQ(DateToIso(IncMonth(EncodeDate(2023, 1, 31))), "2023-02-28");
  EXPECT_EQ(DateToIso(IncMonth(EncodeDate(2024, 3, 31), -1)), "2024-02-29");
  EXPECT_EQ(DateToIso(IncMonth(EncodeDate(2023, 12, 15), 2)), "2024-02-15");
  EXPECT_EQ(DateToIso(IncMonth(EncodeDate(2024, 1, 10), -13)), "2022-12-10");
  EXPECT_EQ(DateToIso(IncMonth(EncodeDateTime(2024, 1, 31, 10, 30, 0))), "2024-02-29 10:30:00");
  EXPECT_EQ(DateToIso(StartOfTheMonth(EncodeDateTime(2024, 2, 17, 8, 0, 0))), "2024-02-01");
  EXPECT_EQ(DateToIso(EndOfTheMonth(EncodeDate(2024, 2, 3))), "2024-02-29 23:59:59.999");
  EXPECT_EQ(DateToIso(DateOf(EndOfTheMonth(EncodeDate(2100, 2, 3)))), "2100-02-28");
  EXPECT_EQ(DateToIso(DateOf(EndOfTheMonth(EncodeDate(2023, 2, 3)))), "2023-02-28");
  // Years of fewer or more than four digits, a time without seconds.
  EXPECT_EQ(DateToIso(EncodeDateTime(7, 3, 4, 5, 6, 0, 0)), "0007-03-04 05:06:00");
  EXPECT_EQ(DateToIso(EncodeDateTime(9999, 12, 31, 0, 0, 0, 40) + 400), "10001-02-03 00:00:00.040");
  EXPECT_EQ(DaysInAMonth(2000, 2), 29);
  // The week starts on Sunday.
  EXPECT_EQ(DayOfWeek(EncodeDate(2025, 3, 9)), 1);   // Sunday
  EXPECT_EQ(DayOfWeek(EncodeDate(2025, 3, 15)), 7);  // Saturday
}

TEST(TDateTime, ParsesIsoAndBrazilianForms) {
  EXPECT_EQ(ParseDate("2025-03-10"), EncodeDate(2025, 3, 10));
  EXPECT_EQ(ParseDate("10/03/2025"), EncodeDate(2025, 3, 10));
  EXPECT_EQ(ParseDate("2025-03-10T14:05:09"), EncodeDateTime(2025, 3, 10, 14, 5, 9));
  EXPECT_EQ(ParseDate("2025-03-10 14:05:09.250"), EncodeDateTime(2025, 3, 10, 14, 5, 9, 250));
  for (const char* invalida : {"2025-02-30", "2025-3-1", "10/03/2025x", ""})
    EXPECT_FALSE(ParseDate(invalida)) << invalida;
}
