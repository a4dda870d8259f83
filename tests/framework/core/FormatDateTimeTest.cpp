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
  const char* longDays[] = {"domingo",      "segunda-feira", "terça-feira", "quarta-feira",
                            "quinta-feira", "sexta-feira",   "sábado"};
  const char* shortDays[] = {"dom", "seg", "ter", "qua", "qui", "sex", "sáb"};
  for (int i = 0; i < 7; ++i) {
    TDateTime day = EncodeDate(2025, 3, 9 + i);  // 09/03/2025 was a Sunday
    EXPECT_EQ(FormatDateTime("dddd", day), longDays[i]);
    EXPECT_EQ(FormatDateTime("ddd", day), shortDays[i]);
  }
  const char* longMonths[] = {"janeiro",  "fevereiro", "março",    "abril",
                              "maio",     "junho",     "julho",    "agosto",
                              "setembro", "outubro",   "novembro", "dezembro"};
  const char* shortMonths[] = {"jan", "fev", "mar", "abr", "mai", "jun",
                               "jul", "ago", "set", "out", "nov", "dez"};
  for (int m = 1; m <= 12; ++m) {
    EXPECT_EQ(FormatDateTime("mmmm", EncodeDate(2024, m, 15)), longMonths[m - 1]);
    EXPECT_EQ(FormatDateTime("MMM", EncodeDate(2024, m, 15)), shortMonths[m - 1]);
  }
}

TEST(FormatDateTime, ZeroDateIsEmptyForDateToStrOnly) {
  EXPECT_EQ(DateToStr(TDateTime()), "");
  EXPECT_EQ(DateTimeToStr(TDateTime()), "");
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy", TDateTime()), "30/12/1899");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2025, 3, 10)), "10/03/2025");
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(2025, 3, 10, 8, 30, 0)), "10/03/2025 08:30:00");
}
