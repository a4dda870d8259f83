#include "framework/data/RecordStore.h"

#include <algorithm>
#include <cassert>

TRowId TnRecordStore::AddRow(const Value* values, int64_t order) {
  auto row = static_cast<TRowId>(FMeta.size());
  assert(row != kNoRow);
  FValues.insert(FValues.end(), values, values + FFieldCount);
  TRowMeta meta;
  if (order == kAppendOrder) {
    FLastOrder += kOrderGap;
    meta.Order = FLastOrder;
  } else {
    meta.Order = order;
  }
  FMeta.push_back(meta);
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

void TnRecordStore::MarkModified(TRowId row, const Value* before) {
  if (!FLogChanges)
    return;
  if (FMeta[row].Status == TUpdateStatus::usUnmodified) {
    FOriginals.emplace(row, std::vector<Value>(before, before + FFieldCount));
    SetStatus(row, TUpdateStatus::usModified);
  }
}

void TnRecordStore::MarkDeleted(TRowId row) {
  TRowMeta& meta = FMeta[row];
  meta.Live = false;
  if (!FLogChanges)
    return;
  if (meta.Status == TUpdateStatus::usInserted) {
    SetStatus(row, TUpdateStatus::usUnmodified);
    return;
  }
  SetStatus(row, TUpdateStatus::usDeleted);
}

const Value* TnRecordStore::Original(TRowId row) const {
  if (FMeta[row].Status == TUpdateStatus::usInserted)
    return FNullRow.data();
  auto it = FOriginals.find(row);
  return it == FOriginals.end() ? Row(row) : it->second.data();
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
      meta.Live = false;
      break;
    case TUpdateStatus::usModified:
    case TUpdateStatus::usDeleted: {
      auto it = FOriginals.find(row);
      if (it != FOriginals.end()) {
        std::move(it->second.begin(), it->second.end(), MutableRow(row));
        FOriginals.erase(it);
      }
      meta.Live = true;
      break;
    }
    case TUpdateStatus::usUnmodified:
      return;
  }
  SetStatus(row, TUpdateStatus::usUnmodified);
}

void TnRecordStore::Clear() {
  FValues.clear();
  FMeta.clear();
  FOriginals.clear();
  FChangeCount = 0;
  FLastOrder = 0;
}

void TnRecordStore::Detach(TnClientDataSet* cursor) {
  FCursors.erase(std::remove(FCursors.begin(), FCursors.end(), cursor), FCursors.end());
}
