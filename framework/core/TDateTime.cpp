#include "framework/core/TDateTime.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "framework/core/Exceptions.h"

namespace {

// The number `count` ASCII digits at `text` make, or -1 when one is not a
// digit (the text's terminating null included: nothing past it is read).
int Digits(const char* text, int count) {
  int value = 0;
  for (int i = 0; i < count; ++i) {
    if (text[i] < '0' || text[i] > '9')
      return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// `value` as `count` digits at `text`, zeros first.
void WriteDigits(char* text, int value, int count) {
  for (int i = count - 1; i >= 0; --i) {
    text[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

// Days between 1970-01-01 and 1899-12-30.
constexpr int kUnixEpochDays = 25569;
constexpr double kMillisecondsPerDay = 86400000.0;

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

void CivilFromDays(long z, int& y, int& m, int& d) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long yy = static_cast<long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

long DayNumber(TDateTime date) {
  return static_cast<long>(std::floor(date.Days()));
}

// Milliseconds past midnight, rounded so that 23:59:59.999 survives the double.
long MillisecondsOfDay(TDateTime date) {
  double fraction = date.Days() - std::floor(date.Days());
  long ms = std::lround(fraction * kMillisecondsPerDay);
  return ms >= 86400000 ? 86399999 : ms;
}

}  // namespace

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInAMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<TDateTime> TryEncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInAMonth(year, month)) {
    return std::nullopt;
  }
  return TDateTime(static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDays));
}

TDateTime EncodeDate(int year, int month, int day) {
  auto date = TryEncodeDate(year, month, day);
  if (!date)
    throw EConvertError(fmt::format("Data inválida: {}/{}/{}", day, month, year));
  return *date;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999) {
    throw EConvertError(fmt::format("Hora inválida: {}:{}:{}", hour, minute, second));
  }
  double ms = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond;
  return EncodeDate(year, month, day) + ms / kMillisecondsPerDay;
}

void DecodeDate(TDateTime date, int& year, int& month, int& day) {
  CivilFromDays(DayNumber(date) - kUnixEpochDays, year, month, day);
}

void DecodeTime(TDateTime date, int& hour, int& minute, int& second, int& millisecond) {
  long ms = MillisecondsOfDay(date);
  hour = static_cast<int>(ms / 3600000);
  minute = static_cast<int>(ms / 60000 % 60);
  second = static_cast<int>(ms / 1000 % 60);
  millisecond = static_cast<int>(ms % 1000);
}

int YearOf(TDateTime date) {
  int y, m, d;
  DecodeDate(date, y, m, d);
  return y;
}

int MonthOf(TDateTime date) {
  int y, m, d;
  DecodeDate(date, y, m, d);
  return m;
}

int DayOf(TDateTime date) {
  int y, m, d;
  DecodeDate(date, y, m, d);
  return d;
}

int DayOfWeek(TDateTime date) {
  // 30/12/1899 was a Saturday.
  long n = (DayNumber(date) + 6) % 7;
  return static_cast<int>(n < 0 ? n + 7 : n) + 1;
}

TDateTime DateOf(TDateTime moment) {
  return TDateTime(static_cast<double>(DayNumber(moment)));
}

TDateTime IncMonth(TDateTime date, int months) {
  int y, m, d;
  DecodeDate(date, y, m, d);
  int index = y * 12 + (m - 1) + months;
  int year = index / 12;
  int month = index % 12 + 1;
  int day = std::min(d, DaysInAMonth(year, month));
  double timeOfDay = date.Days() - std::floor(date.Days());
  return EncodeDate(year, month, day) + timeOfDay;
}

TDateTime IncDay(TDateTime date, int days) {
  return date + days;
}

TDateTime StartOfTheMonth(TDateTime date) {
  int y, m, d;
  DecodeDate(date, y, m, d);
  return EncodeDate(y, m, 1);
}

TDateTime EndOfTheMonth(TDateTime date) {
  int y, m, d;
  DecodeDate(date, y, m, d);
  return EncodeDateTime(y, m, DaysInAMonth(y, m), 23, 59, 59, 999);
}

TDateTime Date() {
  return DateOf(Now());
}

// Records keyed in a batch each stamp the time: the local time of a second
// is worked out once, and only the milliseconds are added within it.
TDateTime Now() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  struct TSegundoLocal {
    std::time_t Segundos = -1;
    std::tm Local{};
  };
  thread_local TSegundoLocal segundo;
  if (segundo.Segundos != seconds) {
    localtime_r(&seconds, &segundo.Local);
    segundo.Segundos = seconds;
  }
  const std::tm& local = segundo.Local;
  return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min, local.tm_sec, static_cast<int>(ms));
}

// Every date a statement binds passes here: the digits are written in
// place, a tenth of what formatting them costs.
std::string DateToIso(TDateTime date) {
  int y, m, d, h, n, s, ms;
  DecodeDate(date, y, m, d);
  DecodeTime(date, h, n, s, ms);
  char text[] = "0000-00-00 00:00:00.000";
  std::string iso;
  if (y < 0 || y > 9999) {
    iso = fmt::format(FMT_COMPILE("{:04}-{:02}-{:02}"), y, m, d);
  } else {
    WriteDigits(text, y, 4);
    WriteDigits(text + 5, m, 2);
    WriteDigits(text + 8, d, 2);
    iso.assign(text, 10);
  }
  if (h || n || s || ms) {
    WriteDigits(text + 11, h, 2);
    WriteDigits(text + 14, n, 2);
    WriteDigits(text + 17, s, 2);
    iso.append(text + 10, 9);
  }
  if (ms) {
    WriteDigits(text + 20, ms, 3);
    iso.append(text + 19, 4);
  }
  return iso;
}

// Every date column a query reads passes here. Digits where the ISO form
// puts them are read directly, as sscanf would read them; any other text
// goes to sscanf, whose leniencies (spaces, signs) are kept.
std::optional<TDateTime> ParseDate(const std::string& text) {
  int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0, consumed = 0;
  double fractionOfSecond = 0;
  const char* rest = nullptr;
  const char* iso = text.c_str();
  if ((y = Digits(iso, 4)) >= 0 && iso[4] == '-' && (m = Digits(iso + 5, 2)) >= 0 &&
      iso[7] == '-' && (d = Digits(iso + 8, 2)) >= 0) {
    rest = iso + 10;
  } else if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &y, &m, &d, &consumed) == 3 &&
             consumed == 10) {
    rest = text.c_str() + consumed;
  } else if (std::sscanf(text.c_str(), "%2d/%2d/%4d%n", &d, &m, &y, &consumed) == 3 &&
             consumed == 10) {
    rest = text.c_str() + consumed;
  } else {
    return std::nullopt;
  }
  auto date = TryEncodeDate(y, m, d);
  if (!date)
    return std::nullopt;
  if (*rest == '\0')
    return date;
  if (*rest != ' ' && *rest != 'T')
    return std::nullopt;
  ++rest;
  consumed = 0;
  if ((h = Digits(rest, 2)) >= 0 && rest[2] == ':' && (n = Digits(rest + 3, 2)) >= 0)
    consumed = 5;
  else if (std::sscanf(rest, "%2d:%2d%n", &h, &n, &consumed) != 2)
    return std::nullopt;
  rest += consumed;
  if (*rest == ':') {
    consumed = 0;
    if ((s = Digits(rest + 1, 2)) >= 0)
      consumed = 3;
    else if (std::sscanf(rest, ":%2d%n", &s, &consumed) != 1)
      return std::nullopt;
    rest += consumed;
    if (*rest == '.') {
      consumed = 0;
      if (std::sscanf(rest, "%lf%n", &fractionOfSecond, &consumed) != 1)
        return std::nullopt;
      rest += consumed;
    }
  }
  if (*rest != '\0' || h > 23 || n > 59 || s > 59)
    return std::nullopt;
  int ms = static_cast<int>(std::lround(fractionOfSecond * 1000));
  return EncodeDateTime(y, m, d, h, n, s, ms > 999 ? 999 : ms);
}
