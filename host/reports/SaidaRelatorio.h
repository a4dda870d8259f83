#pragma once
// The output of the reports that read entries (ledger, journal, statements):
// rows written as they are read, so a report of a million entries never sits
// in memory, in the four formats of the trial balance.
//
// - table: title lines, the column header under each title, then the rows;
//   every column at a fixed width given by the report (texts are never cut:
//   the last column is the free text), amounts Brazilian with negatives in
//   parentheses, dates dd/mm/yyyy; control characters escaped.
// - csv: one header of column names, then every row (titles are left out:
//   each row carries what a program needs); dot decimals, ISO dates.
// - csv-br: the same rows for a Brazilian spreadsheet: headings for people,
//   ";" between cells, comma decimals, dd/mm/yyyy dates, UTF-8 with BOM.
// - json: an array of objects, one row per line, keys the column names.
// - xlsx: one sheet written row by row (constant memory): titles and the
//   header in bold, totals in bold, amounts and dates as numbers with their
//   formats.

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"
#include "host/reports/ComandoBalancete.h"

namespace SaidaRelatorio {

enum class TTipoColuna { Texto, Inteiro, Data, Valor };

struct TColuna {
  std::string Nome;    // csv header, json key
  std::string Rotulo;  // table and xlsx header
  TTipoColuna Tipo = TTipoColuna::Texto;
  size_t Largura = 0;  // in the table; 0 leaves the column out of it
};

// An empty cell, a text, an integer, a date or an amount.
using TCelula = std::variant<std::monostate, std::string, int64_t, TDateTime, Currency>;

class TEscritor {
 public:
  virtual ~TEscritor() = default;
  // A title line and the column header under it (table and xlsx).
  virtual void Titulo(const std::string& texto) = 0;
  // A line of its own under the rows (table and xlsx).
  virtual void Nota(const std::string& texto) = 0;
  // One cell per column, in column order; `destaque` marks totals.
  virtual void Linha(const std::vector<TCelula>& celulas, bool destaque = false) = 0;
  // Ends the output (json closes its array; xlsx writes the file). Raises
  // Exception when the file cannot be written.
  virtual void Fechar() = 0;
};

// The writer of `formato`: text formats write to `saida`, xlsx to the file
// `arquivo` (sheet `planilha`). Raises Exception when the file cannot be
// created.
std::unique_ptr<TEscritor> Criar(ComandoBalancete::TFormato formato, std::vector<TColuna> colunas,
                                 std::ostream& saida, const std::string& arquivo,
                                 const std::string& planilha);

// An amount as the table shows it: "1.234,56", negatives "(1.234,56)".
std::string ValorTabela(Currency valor);

}  // namespace SaidaRelatorio
