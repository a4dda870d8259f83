#include "host/CsvReader.h"

#include <fmt/format.h>

#include "framework/core/Exceptions.h"

namespace {

char DetectSeparator(const std::string& line) {
  bool quoted = false;
  for (char ch : line) {
    if (ch == '"')
      quoted = !quoted;
    if (!quoted && (ch == ',' || ch == ';'))
      return ch;
  }
  return ',';
}

// Whether `texto` is well-formed UTF-8 (no overlong forms, no surrogates).
bool EhUtf8(const std::string& texto) {
  const auto* p = reinterpret_cast<const unsigned char*>(texto.data());
  const auto* fim = p + texto.size();
  while (p < fim) {
    if (*p < 0x80) {
      ++p;
      continue;
    }
    int seguintes = 0;
    unsigned minimo = 0;
    unsigned codigo = 0;
    if ((*p & 0xE0) == 0xC0) {
      seguintes = 1, minimo = 0x80, codigo = *p & 0x1F;
    } else if ((*p & 0xF0) == 0xE0) {
      seguintes = 2, minimo = 0x800, codigo = *p & 0x0F;
    } else if ((*p & 0xF8) == 0xF0) {
      seguintes = 3, minimo = 0x10000, codigo = *p & 0x07;
    } else {
      return false;
    }
    if (fim - p <= seguintes)
      return false;
    for (int i = 1; i <= seguintes; ++i) {
      if ((p[i] & 0xC0) != 0x80)
        return false;
      codigo = (codigo << 6) | (p[i] & 0x3F);
    }
    if (codigo < minimo || codigo > 0x10FFFF || (codigo >= 0xD800 && codigo <= 0xDFFF))
      return false;
    p += seguintes + 1;
  }
  return true;
}

}  // namespace

TCsvReader::TCsvReader(std::istream& input) : FInput(input) {
  int first = FInput.peek();
  if (first == 0xEF) {
    char bom[3];
    FInput.read(bom, 3);
    if (!(bom[1] == '\xBB' && bom[2] == '\xBF'))
      FInput.seekg(0);
  }
  std::string headerLine;
  std::streampos start = FInput.tellg();
  if (!std::getline(FInput, headerLine))
    throw Exception("Arquivo CSV vazio: falta o cabeçalho");
  FSeparator = DetectSeparator(headerLine);
  FInput.clear();
  FInput.seekg(start);
  auto header = ReadRecord();
  if (!header)
    throw Exception("Arquivo CSV vazio: falta o cabeçalho");
  FHeader = std::move(header->Cells);
}

std::optional<TCsvRow> TCsvReader::Next() {
  while (true) {
    auto row = ReadRecord();
    if (!row)
      return std::nullopt;
    bool blank = row->Cells.size() == 1 && row->Cells[0].empty();
    if (!blank)
      return row;
  }
}

std::optional<TCsvRow> TCsvReader::ReadRecord() {
  if (FInput.peek() == std::char_traits<char>::eof())
    return std::nullopt;
  TCsvRow row;
  row.LineNumber = FLine + 1;
  std::string cell;
  bool quoted = false;
  bool cellWasQuoted = false;
  int quoteLine = 0;  // where the open quote was opened
  auto terminar = [&](std::string celula) {
    if (celula.size() > kMaxBytesCelula)
      throw Exception(
          fmt::format("Linha {}: célula com mais de {} bytes", row.LineNumber, kMaxBytesCelula));
    if (!EhUtf8(celula))
      throw Exception(fmt::format("Linha {}: o texto não está em UTF-8", row.LineNumber));
    if (row.Cells.size() == kMaxCelulas)
      throw Exception(
          fmt::format("Linha {}: mais de {} células na linha", row.LineNumber, kMaxCelulas));
    row.Cells.push_back(std::move(celula));
  };
  int ch;
  while ((ch = FInput.get()) != std::char_traits<char>::eof()) {
    if (quoted) {
      if (ch == '"') {
        const int next = FInput.peek();
        if (next == '"') {
          cell += '"';
          FInput.get();
        } else if (next == FSeparator || next == '\n' || next == '\r' ||
                   next == std::char_traits<char>::eof()) {
          quoted = false;
        } else {
          // Text right after a closing quote: the quote that opened the
          // cell was never closed, and the cell swallowed the lines since.
          throw Exception(fmt::format("Aspas abertas na linha {} do arquivo CSV não foram fechadas",
                                      quoteLine));
        }
      } else {
        if (ch == '\n')
          ++FLine;
        cell += static_cast<char>(ch);
      }
    } else if (ch == '"' && cell.empty() && !cellWasQuoted) {
      quoted = cellWasQuoted = true;
      quoteLine = FLine + 1;
    } else if (ch == FSeparator) {
      terminar(std::move(cell));
      cell.clear();
      cellWasQuoted = false;
    } else if (ch == '\n') {
      ++FLine;
      break;
    } else if (ch != '\r') {
      cell += static_cast<char>(ch);
    }
  }
  if (quoted) {
    throw Exception(
        fmt::format("Aspas abertas na linha {} do arquivo CSV não foram fechadas", quoteLine));
  }
  if (ch == std::char_traits<char>::eof())
    ++FLine;
  terminar(std::move(cell));
  return row;
}
