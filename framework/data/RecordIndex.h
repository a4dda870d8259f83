#pragma once
// The order in which a cursor walks the live rows of a record store: by key
// fields (each ascending or descending), then by natural order, so equal keys
// keep insertion order and every row has exactly one place.
//
// The order is kept as a list of sorted blocks of row ids, so an insert or an
// erase costs a binary search plus a move inside one block, a lookup is
// logarithmic, and walking to the next row is constant time. Positions are
// (block, offset) pairs, valid until the index next changes.

#include <cstdint>
#include <vector>

#include "framework/data/RecordStore.h"

struct TIndexPos {
  uint32_t Block = 0;
  uint32_t Offset = 0;
  friend bool operator==(TIndexPos a, TIndexPos b) = default;
};

class TnRecordIndex {
 public:
  // keySlots: row slots of the key fields, in key order; descending: one
  // flag per key field. No key fields: natural order.
  TnRecordIndex(const TnRecordStore& store, std::vector<size_t> keySlots,
                std::vector<bool> descending);

  // Rebuilds from every live row of the store.
  void Rebuild();
  // Returns where the row now stands.
  TIndexPos Insert(TRowId row);
  // Erases a row that is still at the place its current values give it.
  void Erase(TRowId row);
  void Clear() { FBlocks.clear(), FSize = 0, ++FVersion; }

  size_t Size() const { return FSize; }
  // Changes with every insert, erase or rebuild: positions taken before are stale.
  uint64_t Version() const { return FVersion; }
  size_t KeyCount() const { return FKeySlots.size(); }
  const std::vector<size_t>& KeySlots() const { return FKeySlots; }

  TIndexPos Begin() const { return {0, 0}; }
  TIndexPos End() const { return {static_cast<uint32_t>(FBlocks.size()), 0}; }
  bool IsEnd(TIndexPos pos) const { return pos.Block >= FBlocks.size(); }
  TRowId At(TIndexPos pos) const { return FBlocks[pos.Block][pos.Offset]; }
  TIndexPos Next(TIndexPos pos) const;
  // Begin's predecessor is End.
  TIndexPos Prior(TIndexPos pos) const;
  TIndexPos Last() const;
  // 0-based ordinal of a position (linear in the number of blocks).
  size_t Ordinal(TIndexPos pos) const;

  // Where the row stands; End when it is not in the index.
  TIndexPos Find(TRowId row) const;
  // First position whose first key.size() key fields are not below key
  // (LowerBound) or above key (UpperBound), in index order.
  TIndexPos LowerBound(const std::vector<Value>& key) const;
  TIndexPos UpperBound(const std::vector<Value>& key) const;

  // Compares the row's first key.size() key fields with key, in index
  // order (a descending field reverses its comparison).
  int CompareKey(TRowId row, const std::vector<Value>& key) const;
  // True when two value arrays (full rows) give different keys.
  bool KeyDiffers(const Value* a, const Value* b) const;

 private:
  static constexpr size_t kMaxBlock = 512;

  int CompareRows(TRowId a, TRowId b) const;
  // First position for which before(row) is false (before is monotone).
  template <typename TBefore>
  TIndexPos Partition(TBefore before) const;

  // Set at creation.
  const TnRecordStore& FStore;
  std::vector<size_t> FKeySlots;
  std::vector<bool> FDescending;

  std::vector<std::vector<TRowId>> FBlocks;
  size_t FSize = 0;
  uint64_t FVersion = 1;
};
