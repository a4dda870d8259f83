#include "framework/db/TDbTypes.h"

#include <strings.h>

#include <cctype>
#include <cstdio>

#include "framework/core/Decimal.h"
#include "framework/core/Exceptions.h"

int TDbResult::ColumnIndex(const std::string& name) const {
  for (size_t i = 0; i < Columns.size(); ++i) {
    if (strcasecmp(Columns[i].Name.c_str(), name.c_str()) == 0)
      return static_cast<int>(i);
  }
  return -1;
}

const Value& TDbResult::Get(size_t row, const std::string& name) const {
  int index = ColumnIndex(name);
  if (index < 0)
    throw EDatabaseError("Coluna não encontrada no resultado: " + name);
  return Rows.at(row).at(static_cast<size_t>(index));
}

namespace {

std::string Upper(const std::string& text) {
  std::string result = text;
  for (char& c : result)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return result;
}

// The numbers inside the first parentheses: "(14,2)" gives 14 and 2.
int ReadArguments(const std::string& text, int& first, int& second) {
  size_t open = text.find('(');
  if (open == std::string::npos)
    return 0;
  return std::sscanf(text.c_str() + open, "(%d , %d", &first, &second);
}

}  // namespace

bool ColunaDoTipoDeclarado(const std::string& declared, TDbColumn& column) {
  std::string type = Upper(declared);
  auto has = [&type](const char* part) { return type.find(part) != std::string::npos; };
  int first = 0, second = 0;
  int arguments = ReadArguments(type, first, second);
  if (has("BOOL")) {
    column.Kind = TDbColumnKind::Boolean;
  } else if (has("TIMESTAMP") || has("DATETIME")) {
    column.Kind = TDbColumnKind::DateTime;
  } else if (has("DATE")) {
    column.Kind = TDbColumnKind::Date;
  } else if (has("INT")) {
    column.Kind = TDbColumnKind::Integer;
    column.Size = has("BIGINT") || has("INT8") ? 8 : has("SMALLINT") || has("INT2") ? 2 : 4;
  } else if (has("NUMERIC") || has("DECIMAL")) {
    column.Kind = TDbColumnKind::Numeric;
    // Unconstrained numerics (sums, mostly) are read as money.
    column.Precision = arguments >= 1 ? first : 0;
    column.Scale = arguments >= 2 ? second : arguments == 1 ? 0 : 4;
  } else if (has("REAL") || has("FLOA") || has("DOUB")) {
    column.Kind = TDbColumnKind::Float;
  } else if (has("CHAR") || has("TEXT") || has("CLOB")) {
    column.Kind = TDbColumnKind::Text;
    column.Size = arguments >= 1 ? first : 0;
  } else {
    return false;
  }
  return true;
}

Value ValorNumerico(double x, int scale) {
  if (scale > 4)
    return Value(x);
  int64_t scaled = Decimal::Scale(x, scale, TRoundMode::HalfAwayFromZero);
  int64_t factor = 1;
  for (int i = scale; i < 4; ++i)
    factor *= 10;
  return Value(Currency::FromRaw(scaled * factor));
}
