#include "host/output/Saida.h"

#include <unistd.h>

#include "framework/core/Exceptions.h"
#include "host/output/SaidaCsv.h"
#include "host/output/SaidaCsvBr.h"
#include "host/output/SaidaJson.h"
#include "host/output/SaidaTabela.h"

namespace Saida {

TFormatoSaida FormatoDoNome(const std::string& nome) {
  if (nome == "table")
    return TFormatoSaida::Tabela;
  if (nome == "csv")
    return TFormatoSaida::Csv;
  if (nome == "json")
    return TFormatoSaida::Json;
  if (nome == "csv-br")
    return TFormatoSaida::CsvBr;
  throw Exception("Formato de saída desconhecido: \"" + nome +
                  "\" (use table, csv, csv-br ou json)");
}

TFormatoSaida FormatoPadrao() {
  return isatty(STDOUT_FILENO) ? TFormatoSaida::Tabela : TFormatoSaida::Csv;
}

std::string Escrever(TnClientDataSet& dataSet, TFormatoSaida formato) {
  switch (formato) {
    case TFormatoSaida::Csv:
      return SaidaCsv::Escrever(dataSet);
    case TFormatoSaida::Json:
      return SaidaJson::Escrever(dataSet);
    case TFormatoSaida::CsvBr:
      return SaidaCsvBr::Escrever(dataSet);
    case TFormatoSaida::Tabela:
      break;
  }
  return SaidaTabela::Escrever(dataSet);
}

}  // namespace Saida
