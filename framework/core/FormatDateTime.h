#pragma once
// Dates and times as the screens show them, in Brazilian Portuguese.
//
// Specifiers (any case): d dd (day), ddd dddd (short and long weekday name),
// ddddd (dd/mm/yyyy), m mm (month), mmm mmmm (short and long month name),
// yy yyyy, h hh, n nn (minutes), s ss, z zzz (milliseconds), t (hh:nn),
// tt (hh:nn:ss), c (dd/mm/yyyy, plus hh:nn:ss when there is a time). An m or
// mm right after an h or hh format code means minutes ("hh:mm"). "/" and ":"
// print as themselves; text in '...' or "..." is copied; any other character
// is copied too. A zero date formats as 30/12/1899, the day it counts from.

#include <string>

#include "framework/core/TDateTime.h"

std::string FormatDateTime(const std::string& format, TDateTime value);

// "dd/mm/yyyy"; "" for the zero date, which means "no date".
std::string DateToStr(TDateTime value);
// "dd/mm/yyyy hh:nn:ss", or the date alone at midnight; "" for the zero date.
std::string DateTimeToStr(TDateTime value);
