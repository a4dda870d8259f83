#pragma once
// Helpers of the host's variant unit.

#include <string>

#include "framework/core/Value.h"

namespace Nutilvariants {

// The inclusion text of a list of values, for "in (...)" conditions of
// filters and SQL: numbers as "1,2,3", texts quoted as "'A','B'" (quotes
// doubled), dates quoted as dd/mm/yyyy. Nulls are left out; duplicates are
// kept once, in order of first appearance.
std::string MontarInclusao(const ValueArray& values);

}  // namespace Nutilvariants
