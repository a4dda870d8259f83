#pragma once
// A bank statement as rows: one bank account per file, each row a date, a
// signed amount (positive: money came in, the bank account is debited), a
// document number and a description. Read from a CSV through a column map
// (the map of `import entries`: its columns name DATALCTOCTB, VALORLCTOCTB,
// COMPLHIST and optionally NUMERODCTO, and its "values" go to every entry),
// or from an OFX file through libofx.
//
// A row the reader cannot take whole (a date or amount it cannot read, a
// zero amount, a description too long) comes back refused, with the field at
// fault and the cell quoted as written; the other rows go on. What makes the
// whole file unreadable raises Exception.
//
// OFX: libofx reads the structure, the texts (in UTF-8, whatever the file's
// charset) and the document (CHECKNUM, else REFNUM); the description is
// MEMO, else NAME. Amounts and dates are read from the text of TRNAMT and
// DTPOSTED: libofx gives an amount as a double and takes "1.000,50" for 1
// and "abc" for 0 without a word, and a date as a moment of the machine's
// time zone. A TRNAMT is a sign, digits and a dot (or comma) with at most two
// places; libofx's double must agree with it, which also proves each text
// paired with its transaction. The date is DTPOSTED's day as the bank wrote
// it.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/Currency.h"
#include "host/import/CsvReader.h"
#include "host/import/MapaImportacao.h"

struct TLinhaExtrato {
  int Linha = 0;     // line of the file where the row starts
  std::string Data;  // YYYY-MM-DD
  Currency Valor;
  std::string Documento, Descricao;
  std::vector<std::string> Celulas;  // as the file has them
  // Why the reader refused the row ("": it did not), and the field at fault.
  std::string Recusa, CampoRecusa;
};

struct TExtrato {
  // The header of the rows' cells and the separator, for a rejects file.
  std::vector<std::string> Cabecalho;
  char Separador = ',';
  std::vector<TLinhaExtrato> Linhas;
  // Fields given to every entry (a CSV map's "values").
  std::vector<std::pair<std::string, std::string>> Valores;
};

namespace ExtratoBancario {

// The longest description an entry keeps as its complement: a longer one is
// refused before any rule reads it.
inline constexpr size_t kMaxCaracteresDescricao = 300;
inline constexpr size_t kMaxBytesOfx = size_t{16} * 1024 * 1024;

// Whether the file starts as OFX does (an OFX header or element in its
// first bytes); Exception when it cannot be opened.
bool EhOfx(const std::string& arquivo);
// Whether a text's first bytes are an OFX's.
bool EhTextoOfx(const std::string& inicio);

// Exception for a map that names other fields or misses one it needs, and
// for a header without a mapped column.
TExtrato LerCsv(std::istream& csv, const TMapaImportacao& mapa, TCodificacaoCsv codificacao);

// Exception for a file libofx cannot read, larger than kMaxBytesOfx, with
// more than one bank account, or whose amounts libofx read otherwise.
// `nomeExibido`: how the messages name the file ("": its path).
TExtrato LerOfx(const std::string& arquivo, const std::string& nomeExibido = "");

// A description as fingerprints and rules read it: upper case, no accents,
// one space between words.
std::string DescricaoNormalizada(const std::string& descricao);

// The SHA-256 (hex) of the bank account, the row's date, amount, document
// (digits without leading zeros) and normalised description.
std::string Impressao(int64_t contaBanco, const TLinhaExtrato& linha);

}  // namespace ExtratoBancario
