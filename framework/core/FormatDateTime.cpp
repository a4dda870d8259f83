#include "framework/core/FormatDateTime.h"

#include <cctype>
#include <cmath>

#include <fmt/format.h>

namespace {

constexpr const char* kLongDayNames[] = {"domingo",      "segunda-feira", "terça-feira",
                                         "quarta-feira", "quinta-feira",  "sexta-feira",
                                         "sábado"};
constexpr const char* kShortDayNames[] = {"dom", "seg", "ter", "qua", "qui", "sex", "sáb"};
constexpr const char* kLongMonthNames[] = {"janeiro",  "fevereiro", "março",    "abril",
                                           "maio",     "junho",     "julho",    "agosto",
                                           "setembro", "outubro",   "novembro", "dezembro"};
constexpr const char* kShortMonthNames[] = {"jan", "fev", "mar", "abr", "mai", "jun",
                                            "jul", "ago", "set", "out", "nov", "dez"};

struct TDateParts {
  int Year, Month, Day, Hour, Minute, Second, Millisecond, WeekDay;
};

TDateParts Decode(TDateTime value) {
  TDateParts p{};
  DecodeDate(value, p.Year, p.Month, p.Day);
  DecodeTime(value, p.Hour, p.Minute, p.Second, p.Millisecond);
  p.WeekDay = DayOfWeek(value);
  return p;
}

// value with at least `width` digits, zero-padded.
std::string Padded(int value, size_t width) {
  return fmt::format("{:0{}}", value, width);
}

bool HasTime(const TDateParts& p) {
  return p.Hour || p.Minute || p.Second || p.Millisecond;
}

void Format(const std::string& format, const TDateParts& p, std::string& out) {
  // Set after an hour format code, so that a following m/mm reads as minutes;
  // any other format code clears it, literals do not.
  bool afterHour = false;
  size_t i = 0;
  while (i < format.size()) {
    char ch = format[i];
    if (ch == '\'' || ch == '"') {
      size_t close = format.find(ch, i + 1);
      if (close == std::string::npos)
        close = format.size();
      out.append(format, i + 1, close - i - 1);
      i = close + 1;
      continue;
    }
    char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    size_t run = 1;
    while (i + run < format.size() &&
           std::tolower(static_cast<unsigned char>(format[i + run])) == lower) {
      ++run;
    }
    switch (lower) {
      case 'd':
        if (run >= 5) {
          Format("dd/mm/yyyy", p, out);
          run = 5;
        } else if (run == 4) {
          out += kLongDayNames[p.WeekDay - 1];
        } else if (run == 3) {
          out += kShortDayNames[p.WeekDay - 1];
        } else {
          out += Padded(p.Day, run == 2 ? 2 : 1);
        }
        afterHour = false;
        break;
      case 'm':
        if (run > 4)
          run = 4;
        if (run <= 2 && afterHour) {
          out += Padded(p.Minute, run == 2 ? 2 : 1);
        } else if (run == 4) {
          out += kLongMonthNames[p.Month - 1];
        } else if (run == 3) {
          out += kShortMonthNames[p.Month - 1];
        } else {
          out += Padded(p.Month, run == 2 ? 2 : 1);
        }
        afterHour = false;
        break;
      case 'y':
        if (run <= 2) {
          out += fmt::format("{:02}", p.Year % 100);
        } else {
          out += fmt::format("{:04}", p.Year);
        }
        afterHour = false;
        break;
      case 'h':
        if (run > 2)
          run = 2;
        out += Padded(p.Hour, run == 2 ? 2 : 1);
        afterHour = true;
        break;
      case 'n':
        if (run > 2)
          run = 2;
        out += Padded(p.Minute, run == 2 ? 2 : 1);
        afterHour = false;
        break;
      case 's':
        if (run > 2)
          run = 2;
        out += Padded(p.Second, run == 2 ? 2 : 1);
        afterHour = false;
        break;
      case 'z':
        run = run >= 3 ? 3 : 1;
        out += Padded(p.Millisecond, run == 3 ? 3 : 1);
        afterHour = false;
        break;
      case 't':
        if (run > 2)
          run = 2;
        Format(run == 2 ? "hh:nn:ss" : "hh:nn", p, out);
        afterHour = false;
        break;
      case 'c':
        run = 1;
        Format(HasTime(p) ? "dd/mm/yyyy hh:nn:ss" : "dd/mm/yyyy", p, out);
        afterHour = false;
        break;
      default:
        // Separators and any other character print as they are.
        out.append(format, i, run);
        break;
    }
    i += run;
  }
}

}  // namespace

std::string FormatDateTime(const std::string& format, TDateTime value) {
  std::string out;
  Format(format, Decode(value), out);
  return out;
}

std::string DateToStr(TDateTime value) {
  return value.IsZero() ? std::string() : FormatDateTime("dd/mm/yyyy", value);
}

std::string DateTimeToStr(TDateTime value) {
  return value.IsZero() ? std::string() : FormatDateTime("c", value);
}
