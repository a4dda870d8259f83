#include "framework/data/RecordStore.h"

#include <algorithm>
#include <bit>
#include <cassert>

TCell CellOf(const Value& value) {
  switch (value.Type()) {
    case TValueType::Boolean:
      return {TValueType::Boolean, value.AsBoolean() ? 1u : 0u};
    case TValueType::Integer:
      return {TValueType::Integer, static_cast<uint64_t>(value.AsInteger())};
    case TValueType::Float:
      return {TValueType::Float, std::bit_cast<uint64_t>(value.AsFloat())};
    case TValueType::Currency:
      return {TValueType::Currency, static_cast<uint64_t>(value.AsCurrency().Raw())};
    case TValueType::DateTime:
      return {TValueType::DateTime, std::bit_cast<uint64_t>(value.AsDateTime().Days())};
    case TValueType::Null:
    case TValueType::String:
      break;
  }
  return {value.Type(), 0};
}

Value TnRecordStore::Get(TRowId row, size_t slot) const {
  const TColumn& c = FColumns[slot];
  const uint64_t bits = c.Bits[row];
  switch (static_cast<TValueType>(c.Types[row])) {
    case TValueType::Null:
      break;
    case TValueType::Boolean:
      return Value(bits != 0);
    case TValueType::Integer:
      return Value(static_cast<int64_t>(bits));
    case TValueType::Float:
      return Value(std::bit_cast<double>(bits));
    case TValueType::Currency:
      return Value(Currency::FromRaw(static_cast<int64_t>(bits)));
    case TValueType::String:
      return Value(c.Texts[row]);
    case TValueType::DateTime:
      return Value(TDateTime(std::bit_cast<double>(bits)));
  }
  return Value();
}

void TnRecordStore::GetRow(TRowId row, Value* values) const {
  for (size_t slot = 0; slot < FColumns.size(); ++slot)
    values[slot] = Get(row, slot);
}

bool TnRecordStore::Identical(TRowId row, size_t slot, const Value& value) const {
  const TColumn& c = FColumns[slot];
  if (static_cast<TValueType>(c.Types[row]) != value.Type())
    return false;
  if (value.Type() == TValueType::String)
    return c.Texts[row] == value.Text();
  // Floats compare as the variant does: by value, not by bits.
  if (value.Type() == TValueType::Float || value.Type() == TValueType::DateTime)
    return std::bit_cast<double>(c.Bits[row]) == std::bit_cast<double>(CellOf(value).Bits);
  return c.Bits[row] == CellOf(value).Bits;
}

bool TnRecordStore::RowIdentical(TRowId row, const Value* values) const {
  for (size_t slot = 0; slot < FColumns.size(); ++slot) {
    if (!Identical(row, slot, values[slot]))
      return false;
  }
  return true;
}

void TnRecordStore::Put(TColumn& column, TRowId row, const Value& value) {
  const TCell cell = CellOf(value);
  column.Types[row] = static_cast<uint8_t>(cell.Type);
  column.Bits[row] = cell.Bits;
  if (cell.Type == TValueType::String) {
    if (column.Texts.empty())
      column.Texts.resize(FMeta.size());
    column.Texts[row] = value.Text();
  } else if (!column.Texts.empty()) {
    column.Texts[row].clear();
  }
}

void TnRecordStore::SetRow(TRowId row, const Value* values) {
  ++FStamp;
  for (size_t slot = 0; slot < FColumns.size(); ++slot)
    Put(FColumns[slot], row, values[slot]);
}

TRowId TnRecordStore::AddRow(const Value* values, int64_t order) {
  auto row = static_cast<TRowId>(FMeta.size());
  assert(row != kNoRow);
  TRowMeta meta;
  if (order == kAppendOrder) {
    FLastOrder += kOrderGap;
    meta.Order = FLastOrder;
  } else {
    meta.Order = order;
  }
  FMeta.push_back(meta);
  FLive.push_back(1);
  for (size_t slot = 0; slot < FColumns.size(); ++slot) {
    TColumn& column = FColumns[slot];
    column.Types.emplace_back();
    column.Bits.emplace_back();
    if (!column.Texts.empty())
      column.Texts.emplace_back();
    Put(column, row, values[slot]);
  }
  return row;
}

int64_t TnRecordStore::NewOrderBetween(TRowId after, TRowId before) {
  int64_t low = after == kNoRow ? 0 : FMeta[after].Order;
  int64_t high = FMeta[before].Order;
  if (high - low < 2) {
    // No room left between the neighbours: spread every row out again,
    // keeping their relative order (and so every natural-order index).
    std::vector<TRowId> rows(FMeta.size());
    for (TRowId r = 0; r < rows.size(); ++r)
      rows[r] = r;
    std::sort(rows.begin(), rows.end(),
              [this](TRowId a, TRowId b) { return FMeta[a].Order < FMeta[b].Order; });
    FLastOrder = 0;
    for (TRowId r : rows)
      FMeta[r].Order = FLastOrder += kOrderGap;
    low = after == kNoRow ? 0 : FMeta[after].Order;
    high = FMeta[before].Order;
  }
  return low + (high - low) / 2;
}

void TnRecordStore::SetStatus(TRowId row, TUpdateStatus status) {
  TRowMeta& meta = FMeta[row];
  bool wasPending = meta.Status != TUpdateStatus::usUnmodified;
  bool isPending = status != TUpdateStatus::usUnmodified;
  if (!wasPending && isPending) {
    ++FChangeCount;
    meta.ChangeSeq = FNextChangeSeq++;
  } else if (wasPending && !isPending) {
    --FChangeCount;
    meta.ChangeSeq = 0;
  }
  meta.Status = status;
}

void TnRecordStore::MarkInserted(TRowId row) {
  if (FLogChanges)
    SetStatus(row, TUpdateStatus::usInserted);
}

void TnRecordStore::MarkModified(TRowId row) {
  if (!FLogChanges || FMeta[row].Status != TUpdateStatus::usUnmodified)
    return;
  std::vector<Value> before(FColumns.size());
  GetRow(row, before.data());
  FOriginals.emplace(row, std::move(before));
  SetStatus(row, TUpdateStatus::usModified);
}

void TnRecordStore::MarkDeleted(TRowId row) {
  ++FStamp;
  FLive[row] = 0;
  if (!FLogChanges)
    return;
  if (FMeta[row].Status == TUpdateStatus::usInserted) {
    SetStatus(row, TUpdateStatus::usUnmodified);
    return;
  }
  SetStatus(row, TUpdateStatus::usDeleted);
}

Value TnRecordStore::Original(TRowId row, size_t slot) const {
  if (FMeta[row].Status == TUpdateStatus::usInserted)
    return Value();
  auto it = FOriginals.find(row);
  return it == FOriginals.end() ? Get(row, slot) : it->second[slot];
}

std::vector<TRowId> TnRecordStore::ChangedRows() const {
  std::vector<TRowId> rows;
  rows.reserve(FChangeCount);
  for (TRowId r = 0; r < FMeta.size(); ++r) {
    if (FMeta[r].Status != TUpdateStatus::usUnmodified)
      rows.push_back(r);
  }
  std::sort(rows.begin(), rows.end(),
            [this](TRowId a, TRowId b) { return FMeta[a].ChangeSeq < FMeta[b].ChangeSeq; });
  return rows;
}

void TnRecordStore::MergeRow(TRowId row) {
  FOriginals.erase(row);
  SetStatus(row, TUpdateStatus::usUnmodified);
}

void TnRecordStore::RevertRow(TRowId row) {
  TRowMeta& meta = FMeta[row];
  switch (meta.Status) {
    case TUpdateStatus::usInserted:
      ++FStamp;
      FLive[row] = 0;
      break;
    case TUpdateStatus::usModified:
    case TUpdateStatus::usDeleted: {
      auto it = FOriginals.find(row);
      if (it != FOriginals.end()) {
        SetRow(row, it->second.data());
        FOriginals.erase(it);
      }
      ++FStamp;
      FLive[row] = 1;
      break;
    }
    case TUpdateStatus::usUnmodified:
      return;
  }
  SetStatus(row, TUpdateStatus::usUnmodified);
}

void TnRecordStore::Clear() {
  ++FStamp;
  for (TColumn& column : FColumns)
    column = TColumn();
  FMeta.clear();
  FLive.clear();
  FOriginals.clear();
  FChangeCount = 0;
  FLastOrder = 0;
}

void TnRecordStore::Detach(TnClientDataSet* cursor) {
  FCursors.erase(std::remove(FCursors.begin(), FCursors.end(), cursor), FCursors.end());
}
