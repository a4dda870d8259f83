#pragma once
// The order in which a cursor walks the live rows of a record store: by key
// fields (each ascending or descending), then by natural order, so equal keys
// keep insertion order and every row has exactly one place.
//
// The order is kept as a list of sorted blocks of entries. An entry carries
// the row id and a copy of its key cells (a text by its first eight bytes), so
// a search compares inside the block it reads and touches a stored row only
// to settle a tie the cells cannot decide (texts sharing their first bytes,
// values of different types). A copy of each block's last entry, side by
// side, picks the block; a copy of the last entry of each run of 32 inside
// it, kept for all blocks in one array, picks the run, and only that run of
// the block is read. Full entries are copied, not keys alone, so that a
// row's search settles equal keys by natural order on them too. An insert or
// an erase costs a binary search plus a move inside one block and a few
// copies, a look-up is logarithmic, and walking to the next row is constant
// time. Positions are (block, offset) pairs, valid until the index next
// changes.

#include <algorithm>
#include <array>
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
  // Takes every live row from `first` on (rows the store added since), all
  // at once when they are many: sorted together and merged with the entries
  // already held, instead of a search and a move inside a block for each.
  void InsertFrom(TRowId first);
  // Erases a row that is still at the place its current values give it.
  void Erase(TRowId row);
  void Clear();

  size_t Size() const { return FSize; }
  // Changes with every insert, erase or rebuild: positions taken before are stale.
  uint64_t Version() const { return FVersion; }
  size_t KeyCount() const { return FKeySlots.size(); }
  const std::vector<size_t>& KeySlots() const { return FKeySlots; }
  const std::vector<bool>& Descending() const { return FDescending; }

  TIndexPos Begin() const { return {0, 0}; }
  TIndexPos End() const { return {static_cast<uint32_t>(FBlocks.size()), 0}; }
  bool IsEnd(TIndexPos pos) const { return pos.Block >= FBlocks.size(); }
  TRowId At(TIndexPos pos) const { return RowOf(Entry(pos)); }
  TIndexPos Next(TIndexPos pos) const;
  // Begin's predecessor is End.
  TIndexPos Prior(TIndexPos pos) const;
  TIndexPos Last() const;
  // 0-based ordinal of a position (linear in the number of blocks).
  size_t Ordinal(TIndexPos pos) const;

  // Where the row stands; End when it is not in the index.
  TIndexPos Find(TRowId row) const;
  // First position whose first key.size() key fields are not below key
  // (LowerBound) or above key (UpperBound), in index order. The key's values
  // have the key fields' types.
  TIndexPos LowerBound(const std::vector<Value>& key) const;
  TIndexPos UpperBound(const std::vector<Value>& key) const;
  // The first position, in index order, whose first key.size() key fields
  // equal key and whose row `accept` takes; End when there is none. The key
  // is put in the entries' form once for the whole walk.
  template <typename Accept>
  TIndexPos FindEqual(const std::vector<Value>& key, Accept accept) const {
    // A copy of the probe, which `accept` may overwrite by searching here;
    // on the stack unless the key is long.
    const uint64_t* words = KeyProbe(key);
    std::array<uint64_t, kProbeOnStack> local;
    std::vector<uint64_t> grande;
    uint64_t* probe = local.data();
    if (FStride > local.size()) {
      grande.resize(FStride);
      probe = grande.data();
    }
    std::copy(words, words + FStride, probe);
    const TSearch search = Search(probe, &key);
    for (TIndexPos pos = Partition(search, false); !IsEnd(pos) && KeyEqualAt(pos, search);
         pos = Next(pos)) {
      if (accept(At(pos)))
        return pos;
    }
    return End();
  }

  // Compares the row's first key.size() key fields with key, in index
  // order (a descending field reverses its comparison).
  int CompareKey(TRowId row, const std::vector<Value>& key) const;
  // The same for the row at a position, from the index's own copy of its key.
  int CompareKeyAt(TIndexPos pos, const std::vector<Value>& key) const;
  // True when values (a full row) give the stored row a different key.
  bool KeyDiffers(TRowId row, const Value* values) const;

 private:
  using TBlock = std::vector<uint64_t>;
  static constexpr size_t kMaxBlock = 256;
  // Entries of a run: a block is searched by its runs' last entries, then
  // inside one run.
  static constexpr size_t kRun = 32;
  static constexpr size_t kProbeOnStack = 9;

  size_t EntryCount(const TBlock& block) const { return block.size() / FStride; }
  const uint64_t* Entry(TIndexPos pos) const {
    return FBlocks[pos.Block].data() + size_t{pos.Offset} * FStride;
  }
  const uint64_t* LastEntry(const TBlock& block) const {
    return block.data() + block.size() - FStride;
  }
  static TRowId RowOf(const uint64_t* entry) { return static_cast<TRowId>(entry[0]); }
  TValueType TypeOf(const uint64_t* entry, size_t key) const;
  TCell CellAt(const uint64_t* entry, size_t key) const {
    return {TypeOf(entry, key), entry[key + 1]};
  }
  // A key cell of a stored row or of a key value: a text by its prefix.
  TCell KeyCell(TRowId row, size_t key) const;
  static TCell KeyCell(const Value& value);
  // Fills an entry from the cell of each key field (cellOf(k)).
  template <typename CellOfKey>
  void WriteEntry(TRowId row, CellOfKey cellOf, uint64_t* entry) const;
  void WriteRowEntry(TRowId row, uint64_t* entry) const;

  // The entry a stored row or a search key would have (kept in FProbe,
  // valid until the next probe).
  const uint64_t* RowProbe(TRowId row) const;
  const uint64_t* KeyProbe(const std::vector<Value>& key) const;

  // A probe with what its comparisons need worked out once: they compare
  // the key's fields for a search key (Key given), else every key field and
  // then natural order.
  struct TSearch {
    const uint64_t* Probe;
    const std::vector<Value>* Key;
    size_t Count;
    // The fields' types all fit in an entry's first word, so the words can
    // tell most comparisons apart.
    bool ByWords;
    // Bits of an entry's first word holding the compared fields' types.
    uint64_t TypeMask;
    // Compared fields whose probe cell is a text prefix, one bit per field.
    uint64_t TextFields;
  };
  TSearch Search(const uint64_t* probe, const std::vector<Value>* key) const;
  bool KeyEqualAt(TIndexPos pos, const TSearch& search) const;
  // An entry against a probe, in index order.
  int CompareEntry(const uint64_t* entry, const TSearch& search) const;
  // The same when the words alone cannot tell: types differ, or texts share
  // their prefix.
  int CompareCellByCell(const uint64_t* entry, const TSearch& search) const;
  // First position whose entry compares at or above the probe (orEqual:
  // above it).
  TIndexPos Partition(const TSearch& search, bool orEqual) const;
  // The same with `before(entry)` telling whether an entry comes before the
  // position sought.
  template <typename Before>
  TIndexPos PartitionBy(Before before) const;
  // The number of the `count` entries from `entries` on that come before
  // the position sought.
  template <typename Before>
  size_t FirstNotBefore(const uint64_t* entries, size_t count, Before before) const;
  // Whether an entry comes before the position sought, when the search's
  // Count key cells are all compared as words.
  template <size_t Count>
  bool WordsBefore(const uint64_t* entry, const TSearch& search, bool orEqual) const;
  // Words of a block's slot in FRunLasts: room for a full block's runs.
  size_t RunSlotWords() const { return kMaxBlock / kRun * FStride; }
  size_t RunSlotStart(size_t block) const { return size_t{FRunSlots[block]} * RunSlotWords(); }
  // Keeps FLasts and FRunLasts in step with a block whose entries changed
  // from offset `from` on.
  void UpdateCopies(size_t block, size_t from);
  void InsertBlock(size_t block, TBlock entries);
  void EraseBlock(size_t block);
  void ClearBlocks();
  // The entries of the live rows from `first` on, side by side, in index
  // order.
  std::vector<uint64_t> SortedEntries(TRowId first) const;
  template <size_t Stride>
  void SortEntries(std::vector<uint64_t>& entries) const;
  // Replaces the blocks by entries already in index order, each block half
  // full so that inserts fill it before it splits.
  void FillBlocks(const std::vector<uint64_t>& entries);

  // Set at creation.
  const TnRecordStore& FStore;
  std::vector<size_t> FKeySlots;
  std::vector<bool> FDescending;
  // FDescending of the first 64 key fields, a bit each.
  uint64_t FDescendingBits = 0;
  // Words per entry: the row id with the key cells' types, then one word per
  // key cell.
  size_t FStride;

  std::vector<TBlock> FBlocks;
  // A copy of each block's last entry, side by side: picking the block
  // reads no block.
  std::vector<uint64_t> FLasts;
  // A copy of the last entry of each full run of each block, a block's side
  // by side in its slot (FRunSlots; freed slots in FFreeRunSlots, taken
  // again first). Every block's copies share one array, so that what each
  // search reads first stays in few lines and pages, most of them cached.
  std::vector<uint64_t> FRunLasts;
  std::vector<uint32_t> FRunSlots;
  std::vector<uint32_t> FFreeRunSlots;
  size_t FSize = 0;
  uint64_t FVersion = 1;

  mutable std::vector<uint64_t> FProbe;
};
