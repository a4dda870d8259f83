#pragma once
// Machine texts of values shared by the csv and json writers.

#include <string>

class TField;

namespace SaidaFormatos {

// The field's current value with a dot decimal and no grouping; BCD with
// exactly its scale's decimals. Only for numeric fields with a value.
std::string NumeroComPonto(const TField& field);

// Dates "YYYY-MM-DD"; moments "YYYY-MM-DD" + separator + "HH:MM:SS".
std::string DataIso(const TField& field, char separador);

}  // namespace SaidaFormatos
