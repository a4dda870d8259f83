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
  int ch;
  while ((ch = FInput.get()) != std::char_traits<char>::eof()) {
    if (quoted) {
      if (ch == '"') {
        if (FInput.peek() == '"') {
          cell += '"';
          FInput.get();
        } else {
          quoted = false;
        }
      } else {
        if (ch == '\n')
          ++FLine;
        cell += static_cast<char>(ch);
      }
    } else if (ch == '"' && cell.empty() && !cellWasQuoted) {
      quoted = cellWasQuoted = true;
    } else if (ch == FSeparator) {
      row.Cells.push_back(std::move(cell));
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
        fmt::format("Aspas abertas na linha {} do arquivo CSV não foram fechadas", row.LineNumber));
  }
  if (ch == std::char_traits<char>::eof())
    ++FLine;
  row.Cells.push_back(std::move(cell));
  return row;
}
