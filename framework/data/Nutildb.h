#pragma once
// Data-set helpers of the host's database unit that need no connection.

#include <memory>
#include <string>

#include "framework/core/Value.h"
#include "framework/data/ClientDataSet.h"

namespace Nutildb {

// A new, independent data set with source's fields, index definitions and
// live rows (as loaded: no pending changes), open on its first row.
std::unique_ptr<TnClientDataSet> CloneCDS(const TnClientDataSet& source);

// The field's value in every record the cursor sees, in the current order
// (for building an inclusion list of the rows); the cursor comes back to
// where it was and no scroll event fires.
ValueArray GetFieldRecordValues(TnClientDataSet& dataSet, const std::string& fieldName);

// The current record's values of the named fields ("A;B"), in that order.
ValueArray GetCurrentRecordValues(const TnClientDataSet& dataSet, const std::string& fieldNames);

}  // namespace Nutildb
