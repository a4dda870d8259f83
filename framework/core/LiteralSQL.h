#pragma once
// SQL literals for the condition builders of this folder (inclusions, ranges,
// classification groups). They take the same forms as the connection's own
// literal rendering, so a condition built here reads like any other: integers
// as digits, decimals with a dot and no exponent, texts quoted with embedded
// quotes doubled, dates 'YYYY-MM-DD', moments 'YYYY-MM-DD HH:MM:SS'.

#include <cstdint>
#include <string>

#include "framework/core/TDateTime.h"

namespace NutilLiteralSQL {

std::string Inteiro(int64_t value);
// Raises EConvertError for a number that is not finite.
std::string Decimal(double value);
// Raises EConvertError for a text holding a NUL character.
std::string Texto(const std::string& text);
// The day alone: the time of day is dropped.
std::string Data(TDateTime date);
std::string DataHora(TDateTime moment);

}  // namespace NutilLiteralSQL
