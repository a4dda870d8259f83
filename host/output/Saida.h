#pragma once
// The output formats of the `ctb` commands that print a data set.

#include <string>

class TnClientDataSet;

namespace Saida {

enum class TFormatoSaida { Tabela, Csv, Json, CsvBr };

// "table", "csv", "json" or "csv-br"; Exception for any other name.
TFormatoSaida FormatoDoNome(const std::string& nome);

// Table on a terminal; csv when standard output is a pipe or a file, since
// a program is then the likely reader.
TFormatoSaida FormatoPadrao();

std::string Escrever(TnClientDataSet& dataSet, TFormatoSaida formato);

}  // namespace Saida
