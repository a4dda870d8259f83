#pragma once
// A data set as JSON: an array of objects, one per record (one per line),
// keys the field names in field order, every field. Numbers are JSON
// numbers (money, BCD, with its scale's decimals: 150.20), dates
// "YYYY-MM-DD", moments "YYYY-MM-DDTHH:MM:SS", Booleans true/false, null as
// null.

#include <string>

class TnClientDataSet;

namespace SaidaJson {

std::string Escrever(TnClientDataSet& dataSet);

// A JSON string literal of a UTF-8 text.
std::string Texto(const std::string& text);

}  // namespace SaidaJson
