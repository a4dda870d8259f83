#pragma once
// The rows of a client data set and their change log, shared by the data set
// and every clone cursor made from it.
//
// Rows live in one flat vector of values (row r's fields are the values
// r * FieldCount() .. r * FieldCount() + FieldCount() - 1), so loading a row
// costs no allocation of its own. A row id is stable for the life of the
// store: a deleted row stays in place (its id is never reused) until the
// store is emptied, which keeps bookmarks and index entries of clones valid.
//
// The change log is per row: its update status, the values as last applied
// (kept only once the row is modified), and the sequence of its first change
// so the delta replays changes in the order they were made.

#include <cstdint>
#include <limits>
#include <unordered_map>
#include <vector>

#include "framework/core/Value.h"

enum class TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };

using TRowId = uint32_t;
inline constexpr TRowId kNoRow = std::numeric_limits<TRowId>::max();

class TnClientDataSet;

class TnRecordStore {
 public:
  explicit TnRecordStore(size_t fieldCount) : FFieldCount(fieldCount), FNullRow(fieldCount) {}

  size_t FieldCount() const { return FFieldCount; }
  // Every row id ever given out, dead ones included.
  TRowId RowCount() const { return static_cast<TRowId>(FMeta.size()); }

  const Value* Row(TRowId row) const { return FValues.data() + Offset(row); }
  Value* MutableRow(TRowId row) { return FValues.data() + Offset(row); }

  // A live row is part of the data; a deleted row with a logged delete is
  // not live but still answers the delta.
  bool Live(TRowId row) const { return FMeta[row].Live; }
  TUpdateStatus Status(TRowId row) const { return FMeta[row].Status; }
  // Natural (insertion) order key; see NewOrderBefore.
  int64_t Order(TRowId row) const { return FMeta[row].Order; }
  uint64_t ChangeSeq(TRowId row) const { return FMeta[row].ChangeSeq; }

  // Adds a row at the end of the natural order (or at `order` when given).
  TRowId AddRow(const Value* values, int64_t order = kAppendOrder);
  // An order key between `before`'s predecessor `after` (kNoRow: none) and
  // `before`; renumbers every row when the gap is used up.
  int64_t NewOrderBetween(TRowId after, TRowId before);

  // Change log. Each records the change on a row whose values the caller has
  // already written (or is about to drop).
  bool LogChanges() const { return FLogChanges; }
  void SetLogChanges(bool on) { FLogChanges = on; }
  void MarkInserted(TRowId row);
  // Keeps `before` as the row's applied values when it had none yet.
  void MarkModified(TRowId row, const Value* before);
  // Removes the row; an inserted row vanishes from the log altogether.
  void MarkDeleted(TRowId row);
  // Values as last applied: the original for a modified or deleted row, the
  // current values otherwise. Null values for an inserted row.
  const Value* Original(TRowId row) const;

  // Rows with pending changes, in the order of their first change.
  std::vector<TRowId> ChangedRows() const;
  size_t ChangeCount() const { return FChangeCount; }
  // The row's change becomes applied: it is now as last applied.
  void MergeRow(TRowId row);
  // The row returns to its applied values (an inserted row disappears).
  void RevertRow(TRowId row);

  // Drops every row and the log.
  void Clear();

  // Cursors sharing these rows, told about every change to keep their
  // indexes current.
  void Attach(TnClientDataSet* cursor) { FCursors.push_back(cursor); }
  void Detach(TnClientDataSet* cursor);
  const std::vector<TnClientDataSet*>& Cursors() const { return FCursors; }

  static constexpr int64_t kAppendOrder = std::numeric_limits<int64_t>::min();

 private:
  struct TRowMeta {
    int64_t Order = 0;
    uint64_t ChangeSeq = 0;
    TUpdateStatus Status = TUpdateStatus::usUnmodified;
    bool Live = true;
  };
  static constexpr int64_t kOrderGap = int64_t{1} << 20;

  size_t Offset(TRowId row) const { return static_cast<size_t>(row) * FFieldCount; }
  void SetStatus(TRowId row, TUpdateStatus status);

  // Set at creation.
  size_t FFieldCount;
  std::vector<Value> FNullRow;

  // The rows.
  std::vector<Value> FValues;
  std::vector<TRowMeta> FMeta;
  int64_t FLastOrder = 0;

  // The change log.
  bool FLogChanges = true;
  std::unordered_map<TRowId, std::vector<Value>> FOriginals;
  uint64_t FNextChangeSeq = 1;
  size_t FChangeCount = 0;

  std::vector<TnClientDataSet*> FCursors;
};
