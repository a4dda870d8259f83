#pragma once
// A data set for another program: comma separator, a header of field names,
// every field, one line per record ("\n"). A value holding a comma, a quote
// or a line break is quoted with its quotes doubled (RFC 4180). Numbers with
// a dot and no grouping (BCD with its scale's decimals), dates YYYY-MM-DD,
// moments YYYY-MM-DD HH:MM:SS, Booleans 1/0, null empty.

#include <string>

class TnClientDataSet;

namespace SaidaCsv {

std::string Escrever(TnClientDataSet& dataSet);

// The two halves of Escrever, for a caller that puts a column of its own
// first (`antes`, written as given, e.g. "CodigoEmpresa,") in every line.
std::string Cabecalho(TnClientDataSet& dataSet, const std::string& antes = "");
std::string Linhas(TnClientDataSet& dataSet, const std::string& antes = "");

// One value as a CSV with `separador` writes it: quoted, its quotes doubled,
// when it holds the separator, a quote or a line break.
std::string Campo(const std::string& text, char separador = ',');

}  // namespace SaidaCsv
