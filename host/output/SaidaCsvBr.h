#pragma once
// A data set for a Brazilian spreadsheet: what a person reads, as the
// spreadsheet of a Brazilian desktop opens it with a double click. UTF-8 with
// a byte-order mark (without it the accents come out wrong), ";" between
// cells, CRLF line ends, headings for people (SaidaFormatos::
// TitulosParaPessoas), the visible columns only. Numbers with a decimal
// comma and no grouping (an amount with the decimals its display format
// shows), dates dd/mm/yyyy, moments dd/mm/yyyy hh:nn:ss, Booleans Sim/Não,
// null empty. A cell holding ";", a quote or a line break is quoted with its
// quotes doubled.
//
// The machine CSV (SaidaCsv) is another format and stays as it is.

#include <string>

class TnClientDataSet;

namespace SaidaCsvBr {

inline constexpr const char* kBom = "\xEF\xBB\xBF";

// The byte-order mark, the heading line and the rows.
std::string Escrever(TnClientDataSet& dataSet);

// The halves of Escrever without the mark, for a caller that puts a column
// of its own first (`antes`, a cell already written, with its ";").
std::string Cabecalho(TnClientDataSet& dataSet, const std::string& antes = "");
std::string Linhas(TnClientDataSet& dataSet, const std::string& antes = "");

}  // namespace SaidaCsvBr
