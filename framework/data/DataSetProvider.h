#pragma once
// The bridge between a client data set's change log and the database. The
// data set hands its pending changes to a provider as a delta; the provider
// writes each record (insert, update of the changed fields, delete by key
// fields) and marks it applied or gives its error. The data set then merges
// the applied records and keeps the failed ones pending.

#include <cstddef>
#include <string>
#include <vector>

#include "framework/core/Value.h"
#include "framework/data/RecordStore.h"

class TnClientDataSet;
class TField;

enum class TUpdateKind { ukModify, ukInsert, ukDelete };

// What the data set does with a record the provider could not write.
enum class TReconcileAction { raSkip, raAbort, raCorrect, raCancel };

struct TnDeltaRecord {
  TUpdateKind UpdateKind = TUpdateKind::ukModify;
  TRowId Row = kNoRow;
  // Set by the provider.
  bool Applied = false;
  std::string ErrorMessage;
};

// The pending changes of one data set, in the order they were made. Field
// positions are the data set's field indexes; calculated fields read null.
class TnDelta {
 public:
  TnDelta(TnClientDataSet& dataSet, std::vector<TnDeltaRecord> records);

  TnClientDataSet& DataSet() const { return *FDataSet; }
  size_t Count() const { return FRecords.size(); }
  TnDeltaRecord& operator[](size_t i) { return FRecords[i]; }
  const TnDeltaRecord& operator[](size_t i) const { return FRecords[i]; }

  // Values as last applied (null for an insert) and as they are now (the
  // applied values for a delete).
  Value OldValue(size_t record, const TField& field) const;
  Value NewValue(size_t record, const TField& field) const;
  // True when a modify changed the field (always for an insert).
  bool FieldChanged(size_t record, const TField& field) const;
  // Corrects a record before it is written again (a new key after a
  // duplicate, say); the data set keeps the corrected value.
  void SetNewValue(size_t record, const TField& field, const Value& value);

  size_t ErrorCount() const;

 private:
  TnClientDataSet* FDataSet;
  std::vector<TnDeltaRecord> FRecords;
};

class IDataSetProvider {
 public:
  virtual ~IDataSetProvider() = default;
  // Writes the delta's records in order, marking each Applied or giving its
  // ErrorMessage. Stops once more than maxErrors records failed (maxErrors
  // -1: never stops). Returns the number of failed records.
  virtual int ApplyUpdates(TnDelta& delta, int maxErrors) = 0;
};
