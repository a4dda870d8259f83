#pragma once
// Reads comma- or semicolon-separated files the way spreadsheets write them:
// quoted cells with doubled quotes, line breaks inside quotes, CRLF, a UTF-8
// byte-order mark. The separator is the first ',' or ';' found outside quotes
// in the header line. Cells are text; typing is the caller's business.
//
// Input is bounded and checked before anything reads a cell: a cell must be
// UTF-8 and at most kMaxBytesCelula bytes, a row at most kMaxCelulas cells;
// a closing quote must end its cell (text right after it means the quote
// that opened the cell was never closed, and the cell swallowed the rows
// that followed). Each raises Exception naming the line.

#include <istream>
#include <optional>
#include <string>
#include <vector>

// How the file's bytes are written: UTF-8 (checked), or Windows-1252
// (converted to UTF-8 as read, for files saved by older spreadsheets).
enum class TCodificacaoCsv { Utf8, Windows1252 };

// Whether `texto` is well-formed UTF-8 (no overlong forms, no surrogates).
bool EhUtf8(const std::string& texto);

// "utf-8" or "windows-1252"; raises Exception for any other name.
TCodificacaoCsv CodificacaoDoNome(const std::string& nome);

struct TCsvRow {
  int LineNumber = 0;  // line of the file where the row starts (1-based)
  std::vector<std::string> Cells;
};

class TCsvReader {
 public:
  static constexpr size_t kMaxBytesCelula = 64 * 1024;
  static constexpr size_t kMaxCelulas = 1000;
  // Bytes taken from the stream at a time.
  static constexpr size_t kBytesPorLeitura = 64 * 1024;

  // Reads the header at once; throws Exception when the input is empty.
  explicit TCsvReader(std::istream& input, TCodificacaoCsv codificacao = TCodificacaoCsv::Utf8);

  const std::vector<std::string>& Header() const { return FHeader; }
  char Separator() const { return FSeparator; }
  // The next data row, or nullopt at the end. Blank lines are skipped. A
  // quote left open raises Exception naming the line where it opened.
  std::optional<TCsvRow> Next();

 private:
  std::optional<TCsvRow> ReadRecord();
  // Characters come from the reader's own buffer, filled a block at a
  // time (the stream's get() builds a sentry for each), and a cell's plain
  // run is appended at once. The stream's position runs ahead of the rows
  // read by up to a block.
  int Ler();
  int Espiar();
  bool Encher();
  void AcrescentarComuns(std::string& cell, bool quoted);

  std::istream& FInput;
  TCodificacaoCsv FCodificacao;
  char FSeparator = ',';
  int FLine = 0;  // lines consumed so far
  std::vector<std::string> FHeader;
  std::vector<char> FBuffer;
  size_t FPosicao = 0;
  size_t FFim = 0;
};
