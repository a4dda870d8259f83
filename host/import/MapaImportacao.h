#pragma once
// A column map: how the CSV that a bank or another system writes becomes
// entries, without editing the file. A JSON document the person keeps:
//
//   { "columns": { "Data": "DATALCTOCTB", "Valor": "VALORLCTOCTB",
//                  "Conta Débito": "CONTACTBDEB", "Conta Crédito": "CONTACTBCRED",
//                  "Histórico": "COMPLHIST" },
//     "date_format": "dd/mm/yyyy",
//     "decimal_comma": true,
//     "values": { "CODIGOESTAB": 1, "CODIGOHISTCTB": 3 } }
//
// `columns`: file column (as its header writes it, any case) -> field; the
// file's other columns are left alone. `date_format`: how the file writes
// dates (dd, mm, yyyy or yy, and one separator: "dd/mm/yyyy", "dd.mm.yy",
// "yyyy-mm-dd"). `decimal_comma`: the file's numbers written "1.234,56" (the
// Brazilian form, read strictly: "10.50" is refused, never taken for 1050).
// `values`: a field given the same value on every row, written as JSON. Only these keys; the
// document is at most 1 MB. Field names are checked by the importer against the module.

#include <map>
#include <string>
#include <utility>
#include <vector>

struct TMapaImportacao {
  // Upper-cased, trimmed file column -> field name.
  std::map<std::string, std::string> Colunas;
  std::string FormatoData;
  bool VirgulaDecimal = false;
  std::vector<std::pair<std::string, std::string>> Valores;

  // The map of a document; Exception naming what is wrong.
  static TMapaImportacao DoTexto(const std::string& json);
  // The map in a file the person named; Exception when it cannot be read.
  static TMapaImportacao DoArquivo(const std::string& arquivo);

  // A date cell as YYYY-MM-DD; Exception when it does not match the format
  // or is no calendar date.
  std::string DataIso(const std::string& celula) const;
  // A number cell with a dot decimal and no grouping, for a field of at
  // most `casas` places (-1: any): with decimal_comma read by the one reader
  // of Brazilian numbers ("R$ 1.234,56" -> "1234.56"; Exception quoting the
  // cell for anything else); unchanged without it.
  std::string Numero(const std::string& celula, int casas) const;
};
