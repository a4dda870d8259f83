#include "framework/data/RecordIndex.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstring>
#include <numeric>
#include <utility>

namespace {

// Comparison of two cells that could not be settled from the cells alone.
constexpr int kUndecided = 2;

// Keys past the eighth keep their types in extra words after the cells,
// sixteen to a word.
constexpr size_t kTypesInRowWord = 8;
constexpr size_t kTypesPerWord = 16;

template <typename T>
int Sign(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

constexpr uint64_t kSignBit = uint64_t{1} << 63;

// Index cells hold their value's bits rearranged so that two cells of the
// same type compare as unsigned integers in the order Compare gives their
// values: signed integers with the sign bit flipped, floats by sign and
// magnitude, texts by their first eight bytes in byte order.
uint64_t Ordered(TCell cell, std::string_view text) {
  switch (cell.Type) {
    case TValueType::Integer:
    case TValueType::Currency:
      return cell.Bits ^ kSignBit;
    case TValueType::Float:
    case TValueType::DateTime: {
      double d = std::bit_cast<double>(cell.Bits);
      const uint64_t bits = std::bit_cast<uint64_t>(d == 0 ? 0.0 : d);
      return (bits & kSignBit) ? ~bits : bits | kSignBit;
    }
    case TValueType::String: {
      unsigned char bytes[8] = {};
      std::memcpy(bytes, text.data(), std::min<size_t>(8, text.size()));
      uint64_t prefix = 0;
      for (unsigned char b : bytes)
        prefix = prefix << 8 | b;
      return prefix;
    }
    case TValueType::Null:
    case TValueType::Boolean:
      break;
  }
  return cell.Bits;
}

// The order of Compare on the values two index cells come from, when the
// cells are enough to tell.
int CompareCells(TCell a, TCell b) {
  if (a.Type != b.Type) {
    if (a.Type == TValueType::Null)
      return -1;
    if (b.Type == TValueType::Null)
      return 1;
    return kUndecided;
  }
  if (a.Bits != b.Bits)
    return a.Bits < b.Bits ? -1 : 1;
  return a.Type == TValueType::String ? kUndecided : 0;
}

// Whether an entry comparing so with the probe comes before the first place
// at (orEqual: above) the probe.
bool ComesBefore(int comparison, bool orEqual) {
  return orEqual ? comparison <= 0 : comparison < 0;
}

// The search of a probe (`search(probe)`) made from `like`, the search of
// an entry whose first word was `word`: a search only depends on the types of
// the probe's keys, so most entries of a sort or a merge share one.
template <typename TSearch, typename Search>
TSearch SearchLike(const TSearch& like, uint64_t word, const uint64_t* probe, Search search) {
  if (!like.ByWords || ((probe[0] ^ word) & like.TypeMask) != 0)
    return search(probe);
  TSearch same = like;
  same.Probe = probe;
  return same;
}

// Asks for every cache line of `words` words from `from` on, so that their
// misses overlap instead of following one another.
void FetchLines(const uint64_t* from, size_t words) {
  if (words == 0)
    return;
  // A step of a line's words lands once in each line but perhaps the last.
  constexpr size_t kWordsPerLine = 64 / sizeof(uint64_t);
  for (size_t word = 0; word < words; word += kWordsPerLine)
    __builtin_prefetch(from + word);
  __builtin_prefetch(from + words - 1);
}

}  // namespace

TnRecordIndex::TnRecordIndex(const TnRecordStore& store, std::vector<size_t> keySlots,
                             std::vector<bool> descending)
    : FStore(store), FKeySlots(std::move(keySlots)), FDescending(std::move(descending)) {
  FDescending.resize(FKeySlots.size(), false);
  for (size_t k = 0; k < FDescending.size() && k < 64; ++k)
    FDescendingBits |= uint64_t{FDescending[k]} << k;
  const size_t keys = FKeySlots.size();
  const size_t extra = keys > kTypesInRowWord ? keys - kTypesInRowWord : 0;
  FStride = 1 + keys + (extra + kTypesPerWord - 1) / kTypesPerWord;
  FProbe.resize(FStride);
}

// ---- Entries ----

TValueType TnRecordIndex::TypeOf(const uint64_t* entry, size_t key) const {
  if (key < kTypesInRowWord)
    return static_cast<TValueType>((entry[0] >> (32 + 4 * key)) & 15);
  const size_t k = key - kTypesInRowWord;
  const uint64_t word = entry[1 + FKeySlots.size() + k / kTypesPerWord];
  return static_cast<TValueType>((word >> (4 * (k % kTypesPerWord))) & 15);
}

TCell TnRecordIndex::KeyCell(TRowId row, size_t key) const {
  TCell cell = FStore.Cell(row, FKeySlots[key]);
  cell.Bits = Ordered(cell, cell.Type == TValueType::String ? FStore.Text(row, FKeySlots[key])
                                                            : std::string_view());
  return cell;
}

TCell TnRecordIndex::KeyCell(const Value& value) {
  TCell cell = CellOf(value);
  cell.Bits = Ordered(
      cell, cell.Type == TValueType::String ? std::string_view(value.Text()) : std::string_view());
  return cell;
}

template <typename CellOfKey>
void TnRecordIndex::WriteEntry(TRowId row, CellOfKey cellOf, uint64_t* entry) const {
  const size_t keys = FKeySlots.size();
  std::fill(entry, entry + FStride, 0);
  entry[0] = row;
  for (size_t k = 0; k < keys; ++k) {
    const TCell cell = cellOf(k);
    const auto type = static_cast<uint64_t>(cell.Type);
    if (k < kTypesInRowWord) {
      entry[0] |= type << (32 + 4 * k);
    } else {
      const size_t e = k - kTypesInRowWord;
      entry[1 + keys + e / kTypesPerWord] |= type << (4 * (e % kTypesPerWord));
    }
    entry[1 + k] = cell.Bits;
  }
}

void TnRecordIndex::WriteRowEntry(TRowId row, uint64_t* entry) const {
  WriteEntry(
      row, [&](size_t k) { return KeyCell(row, k); }, entry);
}

const uint64_t* TnRecordIndex::RowProbe(TRowId row) const {
  WriteRowEntry(row, FProbe.data());
  return FProbe.data();
}

const uint64_t* TnRecordIndex::KeyProbe(const std::vector<Value>& key) const {
  WriteEntry(
      kNoRow, [&](size_t k) { return k < key.size() ? KeyCell(key[k]) : TCell(); }, FProbe.data());
  return FProbe.data();
}

TnRecordIndex::TSearch TnRecordIndex::Search(const uint64_t* probe,
                                             const std::vector<Value>* key) const {
  TSearch search{probe, key, FKeySlots.size(), false, 0, 0};
  if (key)
    search.Count = std::min(key->size(), FKeySlots.size());
  search.ByWords = search.Count <= kTypesInRowWord;
  if (!search.ByWords)
    return search;
  search.TypeMask = ((uint64_t{1} << (4 * search.Count)) - 1) << 32;
  for (size_t k = 0; k < search.Count; ++k) {
    if (TypeOf(probe, k) == TValueType::String)
      search.TextFields |= uint64_t{1} << k;
  }
  return search;
}

inline int TnRecordIndex::CompareEntry(const uint64_t* entry, const TSearch& search) const {
  // Usual case: the same types on both sides, told apart by the first
  // differing word unless an equal text prefix comes before it.
  const uint64_t* probe = search.Probe;
  if (search.ByWords && ((entry[0] ^ probe[0]) & search.TypeMask) == 0) {
    size_t k = 0;
    while (k < search.Count && entry[k + 1] == probe[k + 1])
      ++k;
    if ((search.TextFields & ((uint64_t{1} << k) - 1)) == 0) {
      if (k < search.Count) {
        const int c = entry[k + 1] < probe[k + 1] ? -1 : 1;
        return (FDescendingBits >> k) & 1 ? -c : c;
      }
      return search.Key ? 0 : Sign(FStore.Order(RowOf(entry)), FStore.Order(RowOf(probe)));
    }
  }
  return CompareCellByCell(entry, search);
}

int TnRecordIndex::CompareCellByCell(const uint64_t* entry, const TSearch& search) const {
  const uint64_t* probe = search.Probe;
  const std::vector<Value>* key = search.Key;
  for (size_t k = 0; k < search.Count; ++k) {
    int c = CompareCells(CellAt(entry, k), CellAt(probe, k));
    if (c == kUndecided) {
      const Value stored = FStore.Get(RowOf(entry), FKeySlots[k]);
      c = key ? Compare(stored, (*key)[k])
              : Compare(stored, FStore.Get(RowOf(probe), FKeySlots[k]));
    }
    if (c != 0)
      return FDescending[k] ? -c : c;
  }
  if (key)
    return 0;
  return Sign(FStore.Order(RowOf(entry)), FStore.Order(RowOf(probe)));
}

template <typename Before>
size_t TnRecordIndex::FirstNotBefore(const uint64_t* entries, size_t count, Before before) const {
  size_t first = 0;
  while (count > 0) {
    const size_t step = count / 2;
    // The next probe is in one half or the other: fetch both while this
    // one is compared.
    __builtin_prefetch(entries + (first + step / 2) * FStride);
    __builtin_prefetch(entries + (first + step + 1 + (count - step - 1) / 2) * FStride);
    if (before(entries + (first + step) * FStride)) {
      first += step + 1;
      count -= step + 1;
    } else {
      count = step;
    }
  }
  return first;
}

template <typename Before>
TIndexPos TnRecordIndex::PartitionBy(Before before) const {
  // Appending in index order lands past the last block: no search.
  if (FBlocks.empty() || before(FLasts.data() + (FBlocks.size() - 1) * FStride))
    return End();
  const size_t block = FirstNotBefore(FLasts.data(), FBlocks.size() - 1, before);
  // The place is in the first run whose last entry does not come before
  // it. The lines of the runs' last entries, and then those of the run,
  // are fetched all at once: two waits on memory instead of one a probe.
  const TBlock& entries = FBlocks[block];
  const uint64_t* runLasts = FRunLasts.data() + RunSlotStart(block);
  const size_t runs = EntryCount(entries) / kRun;
  FetchLines(runLasts, runs * FStride);
  const size_t from = FirstNotBefore(runLasts, runs, before) * kRun;
  const size_t count = std::min(kRun, EntryCount(entries) - from);
  const uint64_t* run = entries.data() + from * FStride;
  FetchLines(run, count * FStride);
  const size_t offset = from + FirstNotBefore(run, count, before);
  return {static_cast<uint32_t>(block), static_cast<uint32_t>(offset)};
}

// Forced inline: the compiler would otherwise call it at each probe.
template <size_t Count>
[[gnu::always_inline]] inline bool TnRecordIndex::WordsBefore(const uint64_t* entry,
                                                              const TSearch& search,
                                                              bool orEqual) const {
  const uint64_t* probe = search.Probe;
  if (((entry[0] ^ probe[0]) & search.TypeMask) != 0)
    return ComesBefore(CompareCellByCell(entry, search), orEqual);
  // The first differing cell decides; equal cells end a key search, and a
  // row search on natural order.
  for (size_t k = 1; k <= Count; ++k) {
    if (entry[k] != probe[k])
      return entry[k] < probe[k];
  }
  return search.Key ? orEqual : ComesBefore(CompareEntry(entry, search), orEqual);
}

TIndexPos TnRecordIndex::Partition(const TSearch& search, bool orEqual) const {
  // Keys whose cells compare as plain words (no text, none descending), the
  // usual case, compare a fixed number of words inlined into the search: a
  // search is mostly waiting on memory, and a short comparison lets the
  // processor run ahead into the next probe while it waits.
  const uint64_t fields = (uint64_t{1} << search.Count) - 1;
  if (search.ByWords && search.Count > 0 && search.TextFields == 0 &&
      (FDescendingBits & fields) == 0) {
    // The key's cell count as a constant, so that the comparison unrolls.
    TIndexPos pos;
    const auto byWords = [&]<size_t Count>() {
      if (search.Count == Count)
        pos = PartitionBy(
            [&](const uint64_t* entry) { return WordsBefore<Count>(entry, search, orEqual); });
    };
    [&]<size_t... Count>(std::index_sequence<Count...>) {
      (byWords.template operator()<Count + 1>(), ...);
    }
    (std::make_index_sequence<kTypesInRowWord>{});
    return pos;
  }
  return PartitionBy(
      [&](const uint64_t* entry) { return ComesBefore(CompareEntry(entry, search), orEqual); });
}

void TnRecordIndex::UpdateCopies(size_t block, size_t from) {
  const TBlock& entries = FBlocks[block];
  const uint64_t* last = LastEntry(entries);
  std::copy(last, last + FStride, FLasts.begin() + static_cast<ptrdiff_t>(block * FStride));
  uint64_t* runLasts = FRunLasts.data() + RunSlotStart(block);
  for (size_t run = from / kRun; run < EntryCount(entries) / kRun; ++run) {
    const uint64_t* runLast = entries.data() + ((run + 1) * kRun - 1) * FStride;
    std::copy(runLast, runLast + FStride, runLasts + run * FStride);
  }
}

void TnRecordIndex::InsertBlock(size_t block, TBlock entries) {
  FBlocks.insert(FBlocks.begin() + static_cast<ptrdiff_t>(block), std::move(entries));
  FLasts.insert(FLasts.begin() + static_cast<ptrdiff_t>(block * FStride), FStride, 0);
  uint32_t slot;
  if (FFreeRunSlots.empty()) {
    slot = static_cast<uint32_t>(FRunLasts.size() / RunSlotWords());
    FRunLasts.resize(FRunLasts.size() + RunSlotWords());
  } else {
    slot = FFreeRunSlots.back();
    FFreeRunSlots.pop_back();
  }
  FRunSlots.insert(FRunSlots.begin() + static_cast<ptrdiff_t>(block), slot);
  UpdateCopies(block, 0);
}

void TnRecordIndex::EraseBlock(size_t block) {
  FBlocks.erase(FBlocks.begin() + static_cast<ptrdiff_t>(block));
  const auto last = FLasts.begin() + static_cast<ptrdiff_t>(block * FStride);
  FLasts.erase(last, last + static_cast<ptrdiff_t>(FStride));
  FFreeRunSlots.push_back(FRunSlots[block]);
  FRunSlots.erase(FRunSlots.begin() + static_cast<ptrdiff_t>(block));
}

void TnRecordIndex::ClearBlocks() {
  FBlocks.clear();
  FLasts.clear();
  FRunLasts.clear();
  FRunSlots.clear();
  FFreeRunSlots.clear();
}

// ---- Changes ----

void TnRecordIndex::Clear() {
  ClearBlocks();
  FSize = 0;
  ++FVersion;
}

void TnRecordIndex::Rebuild() {
  ++FVersion;
  const std::vector<uint64_t> entries = SortedEntries(0);
  FSize = entries.size() / FStride;
  FillBlocks(entries);
}

void TnRecordIndex::InsertFrom(TRowId first) {
  // A few rows into a large index: their own inserts move less than a
  // rewrite of every block would.
  constexpr size_t kFewPerEntry = 8;
  if (size_t{FStore.RowCount() - first} * kFewPerEntry < FSize) {
    for (TRowId r = first; r < FStore.RowCount(); ++r) {
      if (FStore.Live(r))
        Insert(r);
    }
    return;
  }
  ++FVersion;
  const std::vector<uint64_t> added = SortedEntries(first);
  std::vector<uint64_t> merged;
  merged.reserve(FSize * FStride + added.size());
  size_t next = 0;
  const auto rowSearch = [this](const uint64_t* probe) { return Search(probe, nullptr); };
  for (const TBlock& block : FBlocks) {
    const uint64_t word = block.front();
    const TSearch like = Search(block.data(), nullptr);
    for (size_t e = 0; e < block.size(); e += FStride) {
      const uint64_t* held = block.data() + e;
      const TSearch search = SearchLike(like, word, held, rowSearch);
      for (; next < added.size() && CompareEntry(added.data() + next, search) < 0; next += FStride)
        merged.insert(merged.end(), added.data() + next, added.data() + next + FStride);
      merged.insert(merged.end(), held, held + FStride);
    }
  }
  merged.insert(merged.end(), added.begin() + static_cast<ptrdiff_t>(next), added.end());
  FSize = merged.size() / FStride;
  FillBlocks(merged);
}

std::vector<uint64_t> TnRecordIndex::SortedEntries(TRowId first) const {
  std::vector<uint64_t> entries;
  for (TRowId r = first; r < FStore.RowCount(); ++r) {
    if (!FStore.Live(r))
      continue;
    entries.resize(entries.size() + FStride);
    WriteRowEntry(r, entries.data() + entries.size() - FStride);
  }
  // Entries of up to eight key fields are sorted as values of their own
  // size, read in place; longer ones through an order of their positions.
  const bool sorted = [&]<size_t... Stride>(std::index_sequence<Stride...>) {
    return ((FStride == Stride + 1 && (SortEntries<Stride + 1>(entries), true)) || ...);
  }
  (std::make_index_sequence<kTypesInRowWord + 1>{});
  if (sorted)
    return entries;
  const size_t count = entries.size() / FStride;
  std::vector<uint32_t> order(count);
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    const uint64_t* probe = entries.data() + size_t{b} * FStride;
    return CompareEntry(entries.data() + size_t{a} * FStride, Search(probe, nullptr)) < 0;
  });
  std::vector<uint64_t> inOrder;
  inOrder.reserve(entries.size());
  for (uint32_t i : order)
    inOrder.insert(inOrder.end(), entries.data() + size_t{i} * FStride,
                   entries.data() + size_t{i + 1} * FStride);
  return inOrder;
}

template <size_t Stride>
void TnRecordIndex::SortEntries(std::vector<uint64_t>& entries) const {
  if (entries.empty())
    return;
  using TEntry = std::array<uint64_t, Stride>;
  std::vector<TEntry> values(entries.size() / Stride);
  std::memcpy(values.data(), entries.data(), entries.size() * sizeof(uint64_t));
  const uint64_t word = values.front()[0];
  const auto rowSearch = [this](const uint64_t* probe) { return Search(probe, nullptr); };
  const TSearch like = rowSearch(values.front().data());
  // Keys of one type each, no text and none descending (the usual index):
  // the cells compare as words, then natural order.
  const bool byWords =
      like.TextFields == 0 && (FDescendingBits & ((uint64_t{1} << (Stride - 1)) - 1)) == 0 &&
      std::all_of(values.begin(), values.end(),
                  [&](const TEntry& e) { return ((e[0] ^ word) & like.TypeMask) == 0; });
  if (byWords) {
    std::sort(values.begin(), values.end(), [this](const TEntry& a, const TEntry& b) {
      for (size_t k = 1; k < Stride; ++k) {
        if (a[k] != b[k])
          return a[k] < b[k];
      }
      return FStore.Order(RowOf(a.data())) < FStore.Order(RowOf(b.data()));
    });
  } else {
    std::sort(values.begin(), values.end(), [&](const TEntry& a, const TEntry& b) {
      return CompareEntry(a.data(), SearchLike(like, word, b.data(), rowSearch)) < 0;
    });
  }
  std::memcpy(entries.data(), values.data(), entries.size() * sizeof(uint64_t));
}

void TnRecordIndex::FillBlocks(const std::vector<uint64_t>& entries) {
  ClearBlocks();
  const size_t fill = kMaxBlock / 2 * FStride;
  // The runs' copies in place at once, not moved each time they outgrow it.
  FRunLasts.reserve((entries.size() + fill - 1) / fill * RunSlotWords());
  for (size_t i = 0; i < entries.size(); i += fill) {
    const size_t end = std::min(entries.size(), i + fill);
    InsertBlock(FBlocks.size(), TBlock(entries.begin() + static_cast<ptrdiff_t>(i),
                                       entries.begin() + static_cast<ptrdiff_t>(end)));
  }
}

TIndexPos TnRecordIndex::Insert(TRowId row) {
  ++FSize;
  ++FVersion;
  const uint64_t* probe = RowProbe(row);
  TIndexPos pos = Partition(Search(probe, nullptr), false);
  if (FBlocks.empty()) {
    InsertBlock(0, TBlock(probe, probe + FStride));
    return Begin();
  }
  if (IsEnd(pos)) {
    pos = {static_cast<uint32_t>(FBlocks.size() - 1),
           static_cast<uint32_t>(EntryCount(FBlocks.back()))};
  }
  TBlock& block = FBlocks[pos.Block];
  block.insert(block.begin() + static_cast<ptrdiff_t>(pos.Offset * FStride), probe,
               probe + FStride);
  if (EntryCount(block) > kMaxBlock) {
    const auto half = static_cast<ptrdiff_t>(kMaxBlock / 2 * FStride);
    // Room for the block to fill up again without moving.
    TBlock upper;
    upper.reserve((kMaxBlock + 1) * FStride);
    upper.assign(block.begin() + half, block.end());
    block.resize(static_cast<size_t>(half));
    UpdateCopies(pos.Block, pos.Offset);
    InsertBlock(pos.Block + 1, std::move(upper));
    if (pos.Offset >= kMaxBlock / 2)
      pos = {pos.Block + 1, static_cast<uint32_t>(pos.Offset - kMaxBlock / 2)};
    return pos;
  }
  UpdateCopies(pos.Block, pos.Offset);
  return pos;
}

void TnRecordIndex::Erase(TRowId row) {
  TIndexPos pos = Find(row);
  assert(!IsEnd(pos));
  if (IsEnd(pos))
    return;
  ++FVersion;
  TBlock& block = FBlocks[pos.Block];
  const auto at = block.begin() + static_cast<ptrdiff_t>(pos.Offset * FStride);
  block.erase(at, at + static_cast<ptrdiff_t>(FStride));
  if (block.empty()) {
    EraseBlock(pos.Block);
  } else {
    UpdateCopies(pos.Block, pos.Offset);
  }
  --FSize;
}

// ---- Searching ----

TIndexPos TnRecordIndex::Find(TRowId row) const {
  TIndexPos pos = Partition(Search(RowProbe(row), nullptr), false);
  if (IsEnd(pos) || At(pos) != row)
    return End();
  return pos;
}

TIndexPos TnRecordIndex::LowerBound(const std::vector<Value>& key) const {
  return Partition(Search(KeyProbe(key), &key), false);
}

TIndexPos TnRecordIndex::UpperBound(const std::vector<Value>& key) const {
  return Partition(Search(KeyProbe(key), &key), true);
}

bool TnRecordIndex::KeyEqualAt(TIndexPos pos, const TSearch& search) const {
  return CompareEntry(Entry(pos), search) == 0;
}

int TnRecordIndex::CompareKey(TRowId row, const std::vector<Value>& key) const {
  const size_t n = std::min(key.size(), FKeySlots.size());
  for (size_t k = 0; k < n; ++k) {
    int c = CompareCells(KeyCell(row, k), KeyCell(key[k]));
    if (c == kUndecided)
      c = Compare(FStore.Get(row, FKeySlots[k]), key[k]);
    if (c != 0)
      return FDescending[k] ? -c : c;
  }
  return 0;
}

int TnRecordIndex::CompareKeyAt(TIndexPos pos, const std::vector<Value>& key) const {
  return CompareEntry(Entry(pos), Search(KeyProbe(key), &key));
}

bool TnRecordIndex::KeyDiffers(TRowId row, const Value* values) const {
  for (size_t slot : FKeySlots) {
    if (!FStore.Identical(row, slot, values[slot]))
      return true;
  }
  return false;
}

// ---- Walking ----

TIndexPos TnRecordIndex::Next(TIndexPos pos) const {
  if (IsEnd(pos))
    return pos;
  if (++pos.Offset >= EntryCount(FBlocks[pos.Block]))
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
  return {pos.Block - 1, static_cast<uint32_t>(EntryCount(FBlocks[pos.Block - 1]) - 1)};
}

TIndexPos TnRecordIndex::Last() const {
  if (FBlocks.empty())
    return End();
  return {static_cast<uint32_t>(FBlocks.size() - 1),
          static_cast<uint32_t>(EntryCount(FBlocks.back()) - 1)};
}

size_t TnRecordIndex::Ordinal(TIndexPos pos) const {
  size_t n = 0;
  for (uint32_t b = 0; b < pos.Block && b < FBlocks.size(); ++b)
    n += EntryCount(FBlocks[b]);
  return n + pos.Offset;
}
