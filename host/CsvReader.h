#pragma once
// Reads comma- or semicolon-separated files the way spreadsheets write them:
// quoted cells with doubled quotes, line breaks inside quotes, CRLF, a UTF-8
// byte-order mark. The separator is the first ',' or ';' found outside quotes
// in the header line. Cells are text; typing is the caller's business.

#include <istream>
#include <optional>
#include <string>
#include <vector>

struct TCsvRow {
  int LineNumber = 0;  // line of the file where the row starts (1-based)
  std::vector<std::string> Cells;
};

class TCsvReader {
 public:
  // Reads the header at once; throws Exception when the input is empty.
  explicit TCsvReader(std::istream& input);

  const std::vector<std::string>& Header() const { return FHeader; }
  char Separator() const { return FSeparator; }
  // The next data row, or nullopt at the end. Blank lines are skipped. A
  // quote left open at the end of the input raises Exception naming its line.
  std::optional<TCsvRow> Next();

 private:
  std::optional<TCsvRow> ReadRecord();

  std::istream& FInput;
  char FSeparator = ',';
  int FLine = 0;  // lines consumed so far
  std::vector<std::string> FHeader;
};
