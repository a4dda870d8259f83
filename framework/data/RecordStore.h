#pragma once
// The rows of a client data set and their change log, shared by the data set
// and every clone cursor made from it.
//
// Rows are stored by column: each column keeps one type tag and one 8-byte
// cell per row (the integer, the bits of the float or date, the ten-thousandths
// of a currency), and texts in a string per row that only columns which ever
// held a text allocate (short texts stay inside the string). Adding a row
// costs no allocation of its own, numbers are read without touching a Value,
// and a key field is a dense array the indexes compare cheaply. Any value
// type can go in any column; the fields coerce before writing, so in practice
// a column holds its field's type or null.
//
// A row id is stable for the life of the store: a deleted row stays in place
// (its id is never reused) until the store is emptied, which keeps bookmarks
// and index entries of clones valid.
//
// The change log is per row: its update status, the values as last applied
// (kept only once the row is modified), and the sequence of its first change
// so the delta replays changes in the order they were made.

#include <cstdint>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/core/Value.h"

enum class TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };

using TRowId = uint32_t;
inline constexpr TRowId kNoRow = std::numeric_limits<TRowId>::max();

// A value as a column stores it: its type and its 8-byte cell (unused for
// null and texts).
struct TCell {
  TValueType Type = TValueType::Null;
  uint64_t Bits = 0;
};

// The cell of a value that is not a text.
TCell CellOf(const Value& value);

class TnClientDataSet;

class TnRecordStore {
 public:
  explicit TnRecordStore(size_t fieldCount) : FColumns(fieldCount) {}

  size_t FieldCount() const { return FColumns.size(); }
  // Every row id ever given out, dead ones included.
  TRowId RowCount() const { return static_cast<TRowId>(FMeta.size()); }

  // Values. Texts are read in place with Text.
  Value Get(TRowId row, size_t slot) const;
  void GetRow(TRowId row, Value* values) const;
  TCell Cell(TRowId row, size_t slot) const {
    const TColumn& c = FColumns[slot];
    return {static_cast<TValueType>(c.Types[row]), c.Bits[row]};
  }
  std::string_view Text(TRowId row, size_t slot) const { return FColumns[slot].Texts[row]; }
  // Same type and content (see Value::IdenticalTo).
  bool Identical(TRowId row, size_t slot, const Value& value) const;
  bool RowIdentical(TRowId row, const Value* values) const;
  // Overwrites a row's values; changes Stamp.
  void SetRow(TRowId row, const Value* values);
  // Changes whenever stored values change in place or a row leaves or comes
  // back (not when rows are added: RowCount tells those).
  uint64_t Stamp() const { return FStamp; }

  // A live row is part of the data; a deleted row with a logged delete is
  // not live but still answers the delta.
  bool Live(TRowId row) const { return FLive[row] != 0; }
  TUpdateStatus Status(TRowId row) const { return FMeta[row].Status; }
  // Natural (insertion) order key; see NewOrderBetween.
  int64_t Order(TRowId row) const { return FMeta[row].Order; }
  uint64_t ChangeSeq(TRowId row) const { return FMeta[row].ChangeSeq; }

  // Adds a row at the end of the natural order (or at `order` when given).
  TRowId AddRow(const Value* values, int64_t order = kAppendOrder);
  // An order key between `before`'s predecessor `after` (kNoRow: none) and
  // `before`; renumbers every row when the gap is used up.
  int64_t NewOrderBetween(TRowId after, TRowId before);

  // Change log.
  bool LogChanges() const { return FLogChanges; }
  void SetLogChanges(bool on) { FLogChanges = on; }
  void MarkInserted(TRowId row);
  // Called before the row's values change: keeps them as the applied values
  // when the row had none yet.
  void MarkModified(TRowId row);
  // Removes the row; an inserted row vanishes from the log altogether.
  void MarkDeleted(TRowId row);
  // Value as last applied: the original for a modified or deleted row, the
  // current value otherwise; null for an inserted row.
  Value Original(TRowId row, size_t slot) const;

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
  struct TColumn {
    std::vector<uint8_t> Types;  // TValueType
    std::vector<uint64_t> Bits;
    // Empty until the column holds its first text; then one per row.
    std::vector<std::string> Texts;
  };
  struct TRowMeta {
    int64_t Order = 0;
    uint64_t ChangeSeq = 0;
    TUpdateStatus Status = TUpdateStatus::usUnmodified;
  };
  static constexpr int64_t kOrderGap = int64_t{1} << 20;

  void Put(TColumn& column, TRowId row, const Value& value);
  void SetStatus(TRowId row, TUpdateStatus status);

  std::vector<TColumn> FColumns;
  std::vector<TRowMeta> FMeta;
  // Apart from the rest of the row's state: every look-up asks.
  std::vector<uint8_t> FLive;
  int64_t FLastOrder = 0;
  uint64_t FStamp = 0;

  // The change log.
  bool FLogChanges = true;
  std::unordered_map<TRowId, std::vector<Value>> FOriginals;
  uint64_t FNextChangeSeq = 1;
  size_t FChangeCount = 0;

  std::vector<TnClientDataSet*> FCursors;
};
