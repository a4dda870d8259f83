#include "host/import/CsvReader.h"

#include <fmt/format.h>

#include <algorithm>

#include "framework/core/Ascii.h"
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

// Windows-1252 bytes 0x80 to 0x9F; the rest above 0x7F are Latin-1's.
constexpr char16_t kWindows1252[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

std::string DeWindows1252(const std::string& texto) {
  std::string utf8;
  utf8.reserve(texto.size() + texto.size() / 8);
  for (const char c : texto) {
    const auto byte = static_cast<unsigned char>(c);
    const unsigned codigo = byte >= 0x80 && byte < 0xA0 ? kWindows1252[byte - 0x80] : byte;
    if (codigo < 0x80) {
      utf8 += static_cast<char>(codigo);
    } else if (codigo < 0x800) {
      utf8 += static_cast<char>(0xC0 | (codigo >> 6));
      utf8 += static_cast<char>(0x80 | (codigo & 0x3F));
    } else {
      utf8 += static_cast<char>(0xE0 | (codigo >> 12));
      utf8 += static_cast<char>(0x80 | ((codigo >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (codigo & 0x3F));
    }
  }
  return utf8;
}

}  // namespace

bool EhUtf8(const std::string& texto) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(texto[i]); };
  size_t i = 0;
  while (i < texto.size()) {
    const unsigned primeiro = byte(i);
    if (primeiro < 0x80) {
      ++i;
      continue;
    }
    size_t seguintes = 0;
    unsigned minimo = 0;
    unsigned codigo = 0;
    if ((primeiro & 0xE0) == 0xC0) {
      seguintes = 1, minimo = 0x80, codigo = primeiro & 0x1F;
    } else if ((primeiro & 0xF0) == 0xE0) {
      seguintes = 2, minimo = 0x800, codigo = primeiro & 0x0F;
    } else if ((primeiro & 0xF8) == 0xF0) {
      seguintes = 3, minimo = 0x10000, codigo = primeiro & 0x07;
    } else {
      return false;
    }
    if (texto.size() - i <= seguintes)
      return false;
    for (size_t k = 1; k <= seguintes; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80)
        return false;
      codigo = (codigo << 6) | (byte(i + k) & 0x3F);
    }
    if (codigo < minimo || codigo > 0x10FFFF || (codigo >= 0xD800 && codigo <= 0xDFFF))
      return false;
    i += seguintes + 1;
  }
  return true;
}

TCodificacaoCsv CodificacaoDoNome(const std::string& nome) {
  if (nome == "utf-8")
    return TCodificacaoCsv::Utf8;
  if (nome == "windows-1252")
    return TCodificacaoCsv::Windows1252;
  throw Exception("Codificação desconhecida: " + nome + " (utf-8 ou windows-1252)");
}

TCsvReader::TCsvReader(std::istream& input, TCodificacaoCsv codificacao)
    : FInput(input), FCodificacao(codificacao) {
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

int TCsvReader::Ler() {
  if (FPosicao == FFim && !Encher())
    return std::char_traits<char>::eof();
  return static_cast<unsigned char>(FBuffer[FPosicao++]);
}

int TCsvReader::Espiar() {
  if (FPosicao == FFim && !Encher())
    return std::char_traits<char>::eof();
  return static_cast<unsigned char>(FBuffer[FPosicao]);
}

bool TCsvReader::Encher() {
  FBuffer.resize(kBytesPorLeitura);
  FFim = static_cast<size_t>(std::max<std::streamsize>(
      0, FInput.rdbuf()->sgetn(FBuffer.data(), static_cast<std::streamsize>(FBuffer.size()))));
  FPosicao = 0;
  return FFim > 0;
}

// The characters of a cell up to the next one that means something to the
// reader, taken from the buffer at once: outside quotes the separator, a
// line break or a carriage return; inside them the quote, line breaks
// counted on the way.
void TCsvReader::AcrescentarComuns(std::string& cell, bool quoted) {
  const char* const inicio = FBuffer.data() + FPosicao;
  const char* const fim = FBuffer.data() + FFim;
  const char* p = inicio;
  if (quoted) {
    p = std::find(inicio, fim, '"');
    FLine += static_cast<int>(std::count(inicio, p, '\n'));
  } else {
    const char separador = FSeparator;
    p = std::find_if(inicio, fim,
                     [separador](char c) { return c == separador || c == '\n' || c == '\r'; });
  }
  cell.append(inicio, p);
  FPosicao += static_cast<size_t>(p - inicio);
}

std::optional<TCsvRow> TCsvReader::ReadRecord() {
  if (Espiar() == std::char_traits<char>::eof())
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
    if (FCodificacao == TCodificacaoCsv::Windows1252)
      celula = DeWindows1252(celula);
    else if (!Ascii::SoAscii(celula) && !EhUtf8(celula))
      throw Exception(fmt::format(
          "Linha {}: o texto não está em UTF-8 (use --encoding windows-1252 se o arquivo for "
          "dessa codificação)",
          row.LineNumber));
    if (row.Cells.size() == kMaxCelulas)
      throw Exception(
          fmt::format("Linha {}: mais de {} células na linha", row.LineNumber, kMaxCelulas));
    row.Cells.push_back(std::move(celula));
  };
  int ch;
  while ((ch = Ler()) != std::char_traits<char>::eof()) {
    if (quoted) {
      if (ch == '"') {
        const int next = Espiar();
        if (next == '"') {
          cell += '"';
          Ler();
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
        AcrescentarComuns(cell, true);
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
      AcrescentarComuns(cell, false);
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
