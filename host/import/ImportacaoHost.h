#pragma once
// The host's import machinery: `ctb import entries FILE.csv --company N`.
//
// The module is created by class name in import mode (no screen, nothing
// written at each post) and fed one record per row of a CSV file whose
// header names the table's columns: Append, every cell set typed by its
// field (dates YYYY-MM-DD or dd/mm/yyyy, decimals with a dot; an empty cell
// leaves what the module put there), the record's key from its sequence when
// the file has no key column, Post. A row the module refuses is
// cancelled and reported with its line, field and message; the other rows
// go on. Every TamanhoLote rows the pending records are applied inside one
// transaction of their own and committed, so an import stopped at any point
// leaves each stored row whole and the balance tables (kept by triggers)
// equal to the stored rows. At the end the module checks the import as a
// whole (ValidarImportacao) and its messages are reported.
//
// A key drawn for a row that is then refused goes to the next row, and the
// last one left over goes back to the sequence: refused rows consume no key.
// A column named RECUSA (the message column of a rejects file) is never
// read, so a rejects file, once fixed, imports as it is.

#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "framework/app/TnFraProgresso.h"

class TnDMConexao;
class TnDMClientDataSet;

#include "host/import/CsvReader.h"
#include "host/import/MapaImportacao.h"

namespace ImportacaoHost {

// The column of a rejects file that holds each row's refusal.
inline constexpr const char* kColunaRecusa = "RECUSA";

inline constexpr const char* kClassePadrao = "TnCtbDMLctoCtb";
// Each batch pays a commit and one grouped write of every balance row its
// entries touch, whatever its size: at 5,000 rows the demo load writes half
// the bytes it wrote at 1,000 and takes about a sixth less time, for 4 MB
// more memory. Larger batches gained nothing clear and cost more memory.
inline constexpr int kTamanhoLotePadrao = 5000;

struct TOpcoesImportacao {
  std::string Classe = kClassePadrao;
  // Fills CODIGOEMPRESA when the file has no such column; the selection's
  // company.
  int64_t CodigoEmpresa = 0;
  int TamanhoLote = kTamanhoLotePadrao;
  TCodificacaoCsv Codificacao = TCodificacaoCsv::Utf8;
  // Watches the module's progress (text, position out of the input's size).
  TnFraProgresso::THook Progresso;
  // Called with the module once it is open, before the first row.
  std::function<void(TnDMClientDataSet&)> AoAbrir;
  // Called inside the transaction of the first batch that stores rows,
  // before its commit.
  std::function<void()> AoGravarPrimeiroLote;
  // A column map (the file's columns, dates and numbers); none: the header
  // names the fields and accounts are codes.
  const TMapaImportacao* Mapa = nullptr;
  // The command's: the content may be imported again; where the refused
  // rows go ("" nowhere).
  bool DeNovo = false;
  std::string ArquivoRecusas;
  // Called once a row's record is posted, with the row and the entry key it
  // drew (0: the file gave it), inside the transaction of its batch: what it
  // writes is stored or undone with the row. What it raises refuses the row.
  std::function<void(const TCsvRow&, int64_t)> AoGravarLinha;
};

// The rows an import reads: the header naming the fields, then each row as
// it comes (nullopt at the end). A CSV file gives them, or a reader that
// turns another format into rows of fields.
struct TLinhasImportacao {
  std::vector<std::string> Cabecalho;
  char Separador = ',';
  std::function<std::optional<TCsvRow>()> Proxima;
  // For the progress: the input's size, and how far it was read (0: unknown).
  int64_t Tamanho = 0;
  std::function<int64_t()> Posicao;
};

struct TRecusa {
  int Linha = 0;      // line of the file where the row starts
  std::string Campo;  // "" when the refusal names no field
  std::string Mensagem;
  std::vector<std::string> Celulas;  // the row as the file has it
};

struct TResultadoImportacao {
  int64_t Gravadas = 0;
  std::vector<TRecusa> Recusas;
  // What ValidarImportacao said, and its verdict.
  std::vector<TnMensagem> Mensagens;
  bool Aceita = true;
  int Lotes = 0;  // transactions committed
  // The file's header and separator, for the rejects file.
  std::vector<std::string> Cabecalho;
  char Separador = ',';
};

// Raises Exception for a bad header (an unknown column, a repeated one), an
// unknown class, or a batch the database refused (the earlier batches stay
// stored); whatever escapes a row that is not a refusal (a fault, a cancel
// asked through the progress) stops the import the same way.
TResultadoImportacao Importar(TnDMConexao& conexao, std::istream& csv,
                              const TOpcoesImportacao& opcoes);
TResultadoImportacao Importar(TnDMConexao& conexao, const TLinhasImportacao& linhas,
                              const TOpcoesImportacao& opcoes);

// The account a person typed, as on the screen: its code, its alias or its
// classification in the company's chart; nullopt when there is no such
// account (a code is taken as written: the module checks it).
std::optional<int64_t> ContaDoTexto(TnDMConexao& conexao, int64_t codigoEmpresa,
                                    const std::string& texto);

// One line per refused row ("linha N: CAMPO: mensagem"), then the module's
// messages, then "N linhas gravadas, M recusadas".
std::string Relatorio(const TResultadoImportacao& resultado);
// The same without the last line.
std::string RecusasEMensagens(const TResultadoImportacao& resultado);

// The refused rows as a CSV to fix and import again: the file's header and
// a last column RECUSA ("CAMPO: mensagem"), each refused row's cells as read
// (UTF-8), the file's separator. Exception when it cannot be written.
void EscreverRecusas(const TResultadoImportacao& resultado, const std::string& arquivo);

// The command: the report and the exit status (1 when a row was refused or
// the module refused the import). `arquivo` "-" reads standard input. A
// content the company imported before is refused unless `DeNovo`; the
// content is recorded with the first rows stored. Loads the module's package
// first. Raises Exception when the file cannot be opened.
struct TSaidaImportacao {
  std::string Texto;
  int Status = 0;
};
TSaidaImportacao ComandoImportEntries(TnDMConexao& conexao, const std::string& arquivo,
                                      TOpcoesImportacao opcoes);

}  // namespace ImportacaoHost
