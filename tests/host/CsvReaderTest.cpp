#include "host/CsvReader.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <sstream>

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

TEST(CsvReader, RefusesAnEmptyFileAndAnUnclosedQuote) {
  std::istringstream empty("");
  EXPECT_THROW(TCsvReader reader(empty), Exception);
  std::istringstream open("A,B\n1,\"never closed\n");
  TCsvReader reader(open);
  try {
    reader.Next();
    FAIL() << "an open quote must be refused";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Aspas abertas na linha 2 do arquivo CSV não foram fechadas");
  }
}
