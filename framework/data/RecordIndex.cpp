#include "framework/data/RecordIndex.h"

#include <algorithm>
#include <cassert>

TnRecordIndex::TnRecordIndex(const TnRecordStore& store, std::vector<size_t> keySlots,
                             std::vector<bool> descending)
    : FStore(store), FKeySlots(std::move(keySlots)), FDescending(std::move(descending)) {
  FDescending.resize(FKeySlots.size(), false);
}

int TnRecordIndex::CompareRows(TRowId a, TRowId b) const {
  const Value* ra = FStore.Row(a);
  const Value* rb = FStore.Row(b);
  for (size_t k = 0; k < FKeySlots.size(); ++k) {
    int c = Compare(ra[FKeySlots[k]], rb[FKeySlots[k]]);
    if (c != 0)
      return FDescending[k] ? -c : c;
  }
  int64_t oa = FStore.Order(a), ob = FStore.Order(b);
  return oa < ob ? -1 : (oa > ob ? 1 : 0);
}

int TnRecordIndex::CompareKey(TRowId row, const std::vector<Value>& key) const {
  const Value* r = FStore.Row(row);
  size_t n = std::min(key.size(), FKeySlots.size());
  for (size_t k = 0; k < n; ++k) {
    int c = Compare(r[FKeySlots[k]], key[k]);
    if (c != 0)
      return FDescending[k] ? -c : c;
  }
  return 0;
}

bool TnRecordIndex::KeyDiffers(const Value* a, const Value* b) const {
  for (size_t slot : FKeySlots) {
    if (!a[slot].IdenticalTo(b[slot]))
      return true;
  }
  return false;
}

void TnRecordIndex::Rebuild() {
  ++FVersion;
  std::vector<TRowId> rows;
  rows.reserve(FStore.RowCount());
  for (TRowId r = 0; r < FStore.RowCount(); ++r) {
    if (FStore.Live(r))
      rows.push_back(r);
  }
  std::sort(rows.begin(), rows.end(), [this](TRowId a, TRowId b) { return CompareRows(a, b) < 0; });
  FBlocks.clear();
  FSize = rows.size();
  const size_t fill = kMaxBlock / 2;
  for (size_t i = 0; i < rows.size(); i += fill) {
    size_t end = std::min(rows.size(), i + fill);
    FBlocks.emplace_back(rows.begin() + static_cast<ptrdiff_t>(i),
                         rows.begin() + static_cast<ptrdiff_t>(end));
  }
}

template <typename TBefore>
TIndexPos TnRecordIndex::Partition(TBefore before) const {
  // The first block whose last row is not before: the answer lies in it.
  auto block = std::partition_point(FBlocks.begin(), FBlocks.end(),
                                    [&](const std::vector<TRowId>& b) { return before(b.back()); });
  if (block == FBlocks.end())
    return End();
  auto offset = std::partition_point(block->begin(), block->end(), before);
  return {static_cast<uint32_t>(block - FBlocks.begin()),
          static_cast<uint32_t>(offset - block->begin())};
}

TIndexPos TnRecordIndex::Insert(TRowId row) {
  ++FSize;
  ++FVersion;
  if (FBlocks.empty()) {
    FBlocks.emplace_back(1, row);
    return Begin();
  }
  TIndexPos pos = Partition([&](TRowId r) { return CompareRows(r, row) < 0; });
  if (IsEnd(pos))
    pos = {static_cast<uint32_t>(FBlocks.size() - 1), static_cast<uint32_t>(FBlocks.back().size())};
  std::vector<TRowId>& block = FBlocks[pos.Block];
  block.insert(block.begin() + pos.Offset, row);
  if (block.size() > kMaxBlock) {
    std::vector<TRowId> upper(block.begin() + kMaxBlock / 2, block.end());
    block.resize(kMaxBlock / 2);
    FBlocks.insert(FBlocks.begin() + pos.Block + 1, std::move(upper));
    if (pos.Offset >= kMaxBlock / 2) {
      pos = {pos.Block + 1, static_cast<uint32_t>(pos.Offset - kMaxBlock / 2)};
    }
  }
  return pos;
}

void TnRecordIndex::Erase(TRowId row) {
  TIndexPos pos = Find(row);
  assert(!IsEnd(pos));
  if (IsEnd(pos))
    return;
  ++FVersion;
  std::vector<TRowId>& block = FBlocks[pos.Block];
  block.erase(block.begin() + pos.Offset);
  if (block.empty())
    FBlocks.erase(FBlocks.begin() + pos.Block);
  --FSize;
}

TIndexPos TnRecordIndex::Find(TRowId row) const {
  TIndexPos pos = Partition([&](TRowId r) { return CompareRows(r, row) < 0; });
  if (IsEnd(pos) || At(pos) != row)
    return End();
  return pos;
}

TIndexPos TnRecordIndex::LowerBound(const std::vector<Value>& key) const {
  return Partition([&](TRowId r) { return CompareKey(r, key) < 0; });
}

TIndexPos TnRecordIndex::UpperBound(const std::vector<Value>& key) const {
  return Partition([&](TRowId r) { return CompareKey(r, key) <= 0; });
}

TIndexPos TnRecordIndex::Next(TIndexPos pos) const {
  if (IsEnd(pos))
    return pos;
  if (++pos.Offset >= FBlocks[pos.Block].size())
    pos = {pos.Block + 1, 0};
  return pos;
}

TIndexPos TnRecordIndex::Prior(TIndexPos pos) const {
  if (IsEnd(pos))
    return Last();
  if (pos.Offset > 0)
    return {pos.Block, pos.Offset - 1};
  if (pos.Block == 0)
    return End();
  return {pos.Block - 1, static_cast<uint32_t>(FBlocks[pos.Block - 1].size() - 1)};
}

TIndexPos TnRecordIndex::Last() const {
  if (FBlocks.empty())
    return End();
  return {static_cast<uint32_t>(FBlocks.size() - 1),
          static_cast<uint32_t>(FBlocks.back().size() - 1)};
}

size_t TnRecordIndex::Ordinal(TIndexPos pos) const {
  size_t n = 0;
  for (uint32_t b = 0; b < pos.Block && b < FBlocks.size(); ++b)
    n += FBlocks[b].size();
  return n + pos.Offset;
}
