#include "framework/data/Nutildb.h"

#include "framework/core/Nutil.h"

namespace Nutildb {

std::unique_ptr<TnClientDataSet> CloneCDS(const TnClientDataSet& source) {
  auto clone = std::make_unique<TnClientDataSet>();
  clone->CopyDataFrom(source);
  return clone;
}

ValueArray GetFieldRecordValues(TnClientDataSet& dataSet, const std::string& fieldName) {
  TField& field = dataSet.FieldByName(fieldName);
  ValueArray values;
  // A clone walks the rows so the caller's cursor, its events and its
  // position stay untouched.
  TnClientDataSet walker;
  walker.CloneCursor(dataSet, true);
  walker.OnFilterRecord = dataSet.OnFilterRecord;
  if (field.IsCalculated()) {
    values.assign(static_cast<size_t>(walker.RecordCount()), Value());
    return values;
  }
  TField& walkerField = walker.FieldByName(fieldName);
  for (walker.First(); !walker.Eof(); walker.Next())
    values.push_back(walkerField.AsValue());
  return values;
}

ValueArray GetCurrentRecordValues(const TnClientDataSet& dataSet, const std::string& fieldNames) {
  ValueArray values;
  for (const std::string& name : Nutil::StrToStrArray(fieldNames, ";")) {
    values.push_back(dataSet.FieldByName(Nutil::Trim(name)).AsValue());
  }
  return values;
}

}  // namespace Nutildb
