#pragma once
// A range typed as two bounds (initial, final) turned into an SQL condition.
// Either bound may be missing (null or blank text): then only the other one
// limits the range, and with neither there is no condition at all.

#include <string>

#include "framework/core/Value.h"

namespace Nutilfiltro_u {

// How the bounds are read and written: integers as digits, decimals with a
// dot, texts quoted, dates as the day alone, moments with their time.
enum class TTipoCampoFiltro { tcInteiro, tcDecimal, tcTexto, tcData, tcDataHora };

// " and EXPR between a and b", " and EXPR >= a", " and EXPR <= b" or "".
// Without `comAnd` the condition comes bare ("EXPR between a and b"). A bound
// that does not convert to the type raises EConvertError; an initial bound
// after the final one raises Exception, since such a range selects nothing.
std::string FiltroEntre(const std::string& expressao, const Value& valorInicial,
                        const Value& valorFinal, TTipoCampoFiltro tipo, bool comAnd = true);

}  // namespace Nutilfiltro_u
