#include "framework/db/DbCursor.h"

#include <string>

namespace DbCursor {

TFieldType TipoDoCampo(const TDbColumn& column) {
  switch (column.Kind) {
    case TDbColumnKind::Integer:
      return column.Size == 2   ? TFieldType::ftSmallint
             : column.Size == 4 ? TFieldType::ftInteger
                                : TFieldType::ftLargeint;
    case TDbColumnKind::Numeric:
      return column.Scale > 4 ? TFieldType::ftFloat : TFieldType::ftBCD;
    case TDbColumnKind::Float:
      return TFieldType::ftFloat;
    case TDbColumnKind::Text:
      return TFieldType::ftString;
    case TDbColumnKind::Date:
      return TFieldType::ftDate;
    case TDbColumnKind::DateTime:
      return TFieldType::ftDateTime;
    case TDbColumnKind::Boolean:
      return TFieldType::ftBoolean;
  }
  return TFieldType::ftString;
}

void DefinirCampos(TnClientDataSet& dataSet, const std::vector<TDbColumn>& columns) {
  for (const TDbColumn& column : columns) {
    std::string name = column.Name;
    for (int n = 1; dataSet.FindField(name); ++n)
      name = column.Name + "_" + std::to_string(n);
    TFieldType type = TipoDoCampo(column);
    TField& field =
        dataSet.AddField(name, type, type == TFieldType::ftString ? column.Size : 0, false);
    // An unconstrained NUMERIC keeps every decimal Currency holds.
    if (type == TFieldType::ftBCD) {
      field.SetPrecision(column.Precision);
      field.SetScale(column.Precision > 0 ? column.Scale : 4);
    }
  }
}

void Carregar(TnClientDataSet& dataSet, const TDbResult& result) {
  if (!dataSet.Active())
    dataSet.CreateDataSet();
  // Fields take their column by name, so a data set defined beforehand may
  // order its fields as it likes and have fields the query lacks.
  std::vector<int> coluna(static_cast<size_t>(dataSet.FieldCount()), -1);
  for (int i = 0; i < dataSet.FieldCount(); ++i) {
    if (!dataSet.Fields(i).IsCalculated())
      coluna[static_cast<size_t>(i)] = result.ColumnIndex(dataSet.Fields(i).FieldName());
  }
  dataSet.AppendRecordsUnlogged(result.Rows.size(), [&](size_t linha, ValueArray& values) {
    const ValueArray& row = result.Rows[linha];
    values.resize(coluna.size());
    for (size_t i = 0; i < coluna.size(); ++i)
      values[i] = coluna[i] >= 0 ? row[static_cast<size_t>(coluna[i])] : Value();
  });
  dataSet.First();
}

}  // namespace DbCursor
