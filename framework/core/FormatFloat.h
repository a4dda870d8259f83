#pragma once
// Numbers as the screens show them, with Brazilian separators whatever the
// machine's locale: thousands ".", decimals ",".
//
// A format has up to three sections, "positive;negative;zero". The negative
// section prints the magnitude (its own literals say it is negative, as in
// "(#,##0.00) C"); without one, the positive section is used with a leading
// "-". An empty or missing zero section uses the positive one, and so does a
// negative value that rounds to zero on the shown digits (no "-0,00").
//
// In a section: "0" is a digit always shown, "#" a digit shown when
// significant, a "," anywhere turns thousands grouping on, the first "." is
// where the decimal comma goes (omitted when no decimal digit is shown).
// Text in '...' or "..." and every other character are copied where they
// stand. Digits are rounded half away from zero on the decimal value, so
// FormatFloat("0.00", 1.005) is "1,01". An empty format prints the shortest
// exact decimal ("1234,5"). Exponent formats are not supported.

#include <string>

#include "framework/core/Currency.h"

std::string FormatFloat(const std::string& format, double value);
std::string FormatFloat(const std::string& format, Currency value);
// The same as FormatFloat, for amounts.
std::string FormatCurr(const std::string& format, Currency value);
