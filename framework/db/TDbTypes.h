#pragma once
// What a statement gives back, independent of the engine that ran it: the
// result columns with the type class the data sets build their fields from,
// and the rows as Values. Rows are fetched whole; nothing here holds an
// engine handle, so a result outlives the statement and the connection.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/Value.h"

enum class TTipoConexao { SQLite, PostgreSQL };

enum class TDbColumnKind { Integer, Float, Numeric, Text, Date, DateTime, Boolean };

struct TDbColumn {
  // In upper case on every engine (PostgreSQL folds unquoted names to lower
  // case, SQLite keeps the text's case; the module names columns in upper).
  std::string Name;
  TDbColumnKind Kind = TDbColumnKind::Text;
  // Integer: bytes (2, 4, 8). Text: declared length, 0 when unbounded.
  int Size = 0;
  // Numeric only: declared precision (0 when unconstrained) and scale.
  // Scale <= 4 reads as Currency, a larger scale as a double.
  int Precision = 0;
  int Scale = 0;
};

struct TDbResult {
  std::vector<TDbColumn> Columns;
  std::vector<ValueArray> Rows;
  int64_t RowsAffected = 0;

  // Column position by name, compared without regard to case; -1 when absent.
  int ColumnIndex(const std::string& name) const;
  // Row `row`, column `name`; raises EDatabaseError for an unknown column.
  const Value& Get(size_t row, const std::string& name) const;
};

// Parameters of a statement, bound by name (":pName" in the text, "pName"
// here, without regard to case). When every name is empty the values bind by
// position, in the order the parameters first appear in the text.
using TParams = std::vector<std::pair<std::string, Value>>;

// The column type class of a declared SQL type ("NUMERIC(14,2)",
// "VARCHAR(100)", "BIGINT", "DATE"...); false when the text names no type we
// know, and the caller then takes the class from the values.
bool ColunaDoTipoDeclarado(const std::string& declared, TDbColumn& column);

// A number read from a NUMERIC(p,scale) column: Currency rounded half away
// from zero to the scale when the scale fits (<= 4), the double otherwise.
Value ValorNumerico(double x, int scale);
