#include "host/import/CsvReader.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <sstream>
#include <vector>

#include "framework/core/Exceptions.h"

namespace {

// Renders every row as "line:cell|cell" so one assertion shows the whole read.
std::string ReadAll(const std::string& text) {
  std::istringstream input(text);
  TCsvReader reader(input);
  std::string out = std::string(1, reader.Separator()) + " ";
  for (const auto& h : reader.Header())
    out += h + "|";
  while (auto row = reader.Next()) {
    out += fmt::format(" {}:", row->LineNumber);
    for (const auto& c : row->Cells)
      out += c + "|";
  }
  return out;
}

}  // namespace

TEST(CsvReader, ReadsQuotedCellsLineBreaksAndBothSeparators) {
  EXPECT_EQ(ReadAll("A,B\n1,2\n"), ", A|B| 2:1|2|");
  EXPECT_EQ(ReadAll("\xEF\xBB\xBF"
                    "A;B\r\n1;\"x;y\"\r\n"),
            "; A|B| 2:1|x;y|");
  EXPECT_EQ(ReadAll("A,B\n\"say \"\"hi\"\"\",\"two\nlines\"\n3,\n"),
            ", A|B| 2:say \"hi\"|two\nlines| 4:3||");
  EXPECT_EQ(ReadAll("A\n\n7"), ", A| 3:7|");
}

// What would otherwise be read wrong is refused naming its line: an empty
// file, a quote still open at the end, bytes that are not UTF-8, a cell or a
// row past its bound. (A quote closed only by the next row's quote and
// Latin-1 text are the program's cases, on both engines.)
TEST(CsvReader, RefusesWhatItCannotReadRightNamingTheLine) {
  const std::string grande(TCsvReader::kMaxBytesCelula + 1, 'x');
  const std::string largo(TCsvReader::kMaxCelulas + 1, ',');
  const std::string naoUtf8 =
      "o texto não está em UTF-8 (use --encoding windows-1252 se o arquivo for dessa codificação)";
  struct TCaso {
    std::string Texto;
    std::string Mensagem;
  };
  for (const TCaso& caso :
       std::vector<TCaso>{{"", "Arquivo CSV vazio: falta o cabeçalho"},
                          {"A,B\n1,\"never closed\n",
                           "Aspas abertas na linha 2 do arquivo CSV não foram fechadas"},
                          {"A\n\xC0\xAF\n", "Linha 2: " + naoUtf8},
                          {"A\nok\n\xED\xA0\x80\n", "Linha 3: " + naoUtf8},  // a surrogate
                          {"A\n\xF4\x90\x80\x80\n", "Linha 2: " + naoUtf8},  // past U+10FFFF
                          {"A\nfim\xC3", "Linha 2: " + naoUtf8},             // cut short
                          {"A\n" + grande + "\n", "Linha 2: célula com mais de 65536 bytes"},
                          {"A\n" + largo + "\n", "Linha 2: mais de 1000 células na linha"}}) {
    std::istringstream input(caso.Texto);
    try {
      TCsvReader reader(input);
      while (reader.Next()) {
      }
      ADD_FAILURE() << "read: " << caso.Mensagem;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), caso.Mensagem);
    }
  }
}

TEST(CsvReader, ConvertsWindows1252WhenAsked) {
  std::istringstream input("A\nCora\xE7\xE3o \x80\x93\n");
  TCsvReader reader(input, TCodificacaoCsv::Windows1252);
  EXPECT_EQ(reader.Next()->Cells.at(0), "Coração €“");
}

// The reader takes its input a block at a time: cells, doubled quotes, line
// breaks inside quotes and CRLF ends fall on every position of a block's
// edge over a few hundred kilobytes, and each row still reads whole with its
// line number.
TEST(CsvReader, RowsReadTheSameAcrossTheReadersBlocks) {
  std::string texto = "A;B;C\r\n";
  std::vector<std::vector<std::string>> esperadas;
  std::vector<int> linhas;
  int linha = 2;
  for (int i = 0; texto.size() < 3 * TCsvReader::kBytesPorLeitura; ++i) {
    const std::string simples = std::string(static_cast<size_t>(i % 37), 'x') + std::to_string(i);
    const std::string citada = "diz \"" + std::to_string(i) + "\"" + (i % 3 == 0 ? "\nfim" : "");
    std::string celula = "\"";
    for (const char c : citada)
      celula += c == '"' ? std::string("\"\"") : std::string(1, c);
    celula += "\"";
    texto += simples + ";" + celula + ";" + std::string(static_cast<size_t>(i % 5), 'y') +
             (i % 2 == 0 ? "\r\n" : "\n");
    esperadas.push_back({simples, citada, std::string(static_cast<size_t>(i % 5), 'y')});
    linhas.push_back(linha);
    linha += i % 3 == 0 ? 2 : 1;
  }
  std::istringstream input(texto);
  TCsvReader reader(input);
  size_t lidas = 0;
  while (auto row = reader.Next()) {
    ASSERT_LT(lidas, esperadas.size());
    EXPECT_EQ(row->Cells, esperadas[lidas]) << "row " << lidas;
    EXPECT_EQ(row->LineNumber, linhas[lidas]) << "row " << lidas;
    ++lidas;
  }
  EXPECT_EQ(lidas, esperadas.size());
}
