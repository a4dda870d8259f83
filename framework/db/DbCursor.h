#pragma once
// How a query result becomes a client data set: one field per column, typed
// from the column's class, and the rows loaded without change log. Shared
// by ExecutarSQL and the provider's GetRecords.

#include "framework/data/ClientDataSet.h"
#include "framework/db/TDbTypes.h"

namespace DbCursor {

// The field type and size a column becomes: integers by size (2 SmallInt,
// 4 Integer, else LargeInt), numerics as BCD (precision and scale kept; a
// scale above 4 as Float), texts as String of the declared size.
TFieldType TipoDoCampo(const TDbColumn& column);

// Adds one field per column (a repeated name gets "_1", "_2"...).
void DefinirCampos(TnClientDataSet& dataSet, const std::vector<TDbColumn>& columns);

// Creates the data set when it has no store yet, appends the rows unlogged
// and opens it on the first row.
void Carregar(TnClientDataSet& dataSet, const TDbResult& result);

}  // namespace DbCursor
