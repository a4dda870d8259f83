#include "framework/core/FormatDateTime.h"

#include <gtest/gtest.h>

TEST(FormatDateTime, DisplayFormats) {
  TDateTime moment = EncodeDateTime(2025, 3, 10, 14, 5, 9, 7);
  const std::pair<const char*, const char*> cases[] = {
      {"dd/mm/yyyy", "10/03/2025"},
      {"mm/yyyy", "03/2025"},
      {"mmyyyy", "032025"},
      {"DD/MM/YYYY", "10/03/2025"},
      {"dd/mm/yyyy - dddd", "10/03/2025 - segunda-feira"},
      {"dd/mm/yyyy hh:nn:ss", "10/03/2025 14:05:09"},
      {"d/m/yy", "10/3/25"},
      {"ddd, d 'de' mmmm 'de' yyyy", "seg, 10 de março de 2025"},
      {"\"mm\" mmm", "mm mar"},
      {"hh:mm", "14:05"},        // m after an hour is the minute
      {"hh 'h' mm", "14 h 05"},  // literals between do not break the rule
      {"mm hh:mm:ss", "03 14:05:09"},
      {"hh:nn mm", "14:05 03"},  // another format code in between does
      {"h:n:s.zzz", "14:5:9.007"},
      {"t | tt", "14:05 | 14:05:09"},
      {"ddddd", "10/03/2025"},
      {"c", "10/03/2025 14:05:09"},
  };
  for (const auto& [format, expected] : cases) {
    EXPECT_EQ(FormatDateTime(format, moment), expected) << format;
  }
  // The last instant of a month must not spill into the next one.
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn:ss.zzz", EndOfTheMonth(EncodeDate(2024, 12, 1))),
            "31/12/2024 23:59:59.999");
}

TEST(FormatDateTime, PortugueseDayAndMonthNames) {
  std::string dias, meses;
  for (int i = 0; i < 7; ++i)
    dias += FormatDateTime("dddd ddd|", EncodeDate(2025, 3, 9 + i));  // 09/03/2025 was a Sunday
  for (int m = 1; m <= 12; ++m)
    meses += FormatDateTime("mmmm MMM|", EncodeDate(2024, m, 15));
  EXPECT_EQ(dias,
            "domingo dom|segunda-feira seg|terça-feira ter|quarta-feira qua|quinta-feira qui|"
            "sexta-feira sex|sábado sáb|");
  EXPECT_EQ(meses,
            "janeiro jan|fevereiro fev|março mar|abril abr|maio mai|junho jun|julho jul|"
            "agosto ago|setembro set|outubro out|novembro nov|dezembro dez|");
}

TEST(FormatDateTime, ZeroDateIsEmptyForDateToStrOnly) {
  EXPECT_EQ(DateToStr(TDateTime()), "");
  EXPECT_EQ(DateTimeToStr(TDateTime()), "");
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy", TDateTime()), "30/12/1899");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2025, 3, 10)), "10/03/2025");
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(2025, 3, 10, 8, 30, 0)), "10/03/2025 08:30:00");
}
