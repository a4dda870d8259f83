#pragma once
// Dates and moments as the host counts them: days since 30/12/1899, the time
// of day as the fraction. 0 means "no date", which the rules test for, so a
// TDateTime is never 30/12/1899 in practice. Dates before 1900 are not used.

#include <compare>
#include <optional>
#include <string>

class TDateTime {
 public:
  constexpr TDateTime() = default;
  constexpr explicit TDateTime(double days) : FDays(days) {}

  constexpr double Days() const { return FDays; }
  constexpr bool IsZero() const { return FDays == 0; }

  friend constexpr auto operator<=>(TDateTime a, TDateTime b) = default;
  friend constexpr bool operator==(TDateTime a, TDateTime b) = default;
  friend constexpr TDateTime operator+(TDateTime d, double days) {
    return TDateTime(d.FDays + days);
  }
  friend constexpr TDateTime operator-(TDateTime d, double days) {
    return TDateTime(d.FDays - days);
  }
  friend constexpr double operator-(TDateTime a, TDateTime b) { return a.FDays - b.FDays; }

 private:
  double FDays = 0;
};

bool IsLeapYear(int year);
int DaysInAMonth(int year, int month);
// Throws EConvertError for a date that does not exist.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond = 0);
std::optional<TDateTime> TryEncodeDate(int year, int month, int day);
void DecodeDate(TDateTime date, int& year, int& month, int& day);
void DecodeTime(TDateTime date, int& hour, int& minute, int& second, int& millisecond);
int YearOf(TDateTime date);
int MonthOf(TDateTime date);
int DayOf(TDateTime date);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime date);

TDateTime DateOf(TDateTime moment);
// Adds months keeping the day, clamped to the target month's last day
// (31/01 + 1 month = 28/02 or 29/02); the time of day is kept.
TDateTime IncMonth(TDateTime date, int months = 1);
TDateTime IncDay(TDateTime date, int days = 1);
// First day of the month at 00:00.
TDateTime StartOfTheMonth(TDateTime date);
// Last day of the month at 23:59:59.999; DateOf gives the day alone.
TDateTime EndOfTheMonth(TDateTime date);

TDateTime Date();  // today, no time
TDateTime Now();   // this moment, local time

// "YYYY-MM-DD" (or "YYYY-MM-DD HH:MM:SS[.mmm]" when there is a time): the form
// stored in SQLite text columns and exchanged in JSON and CSV.
std::string DateToIso(TDateTime date);
// Accepts "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS[.fff]]" (also with a "T"), and
// "dd/mm/yyyy" with an optional time. nullopt for anything else.
std::optional<TDateTime> ParseDate(const std::string& text);
