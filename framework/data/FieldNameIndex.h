#pragma once
// Field positions by name, names compared without regard to ASCII case. An
// open-addressed table whose size is a power of two, at most half full: a
// look-up is a hash, a mask and, nearly always, one comparison, with no node
// to follow and no upper-case copy of the name; a name asked for again by
// the same literal skips the hash.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TnFieldNameIndex {
 public:
  static constexpr size_t kNone = static_cast<size_t>(-1);

  // Sets the position of a name, adding the name when it is absent.
  void Set(std::string_view name, size_t position);
  // The position of a name, or kNone.
  size_t Find(std::string_view name) const;
  void Clear();

 private:
  struct TSlot {
    uint64_t Hash = 0;
    std::string Name;
    size_t Position = kNone;
  };
  // The slot that holds the name, or the empty one where it would go.
  size_t SlotOf(std::string_view name, uint64_t hash) const;
  void Grow();

  // Code asks for the same fields by the same literals, row after row: the
  // slot last found for a name's address is tried first, and taken when it
  // holds that very name, byte for byte (a name has one slot, so whatever
  // the address held before, the slot is right). A data set is used by one
  // thread at a time, so the memo needs no lock.
  struct TLembrada {
    const char* Endereco = nullptr;
    size_t Slot = 0;
  };
  static constexpr int kBitsLembradas = 8;
  static constexpr size_t kLembradas = size_t{1} << kBitsLembradas;

  std::vector<TSlot> FSlots;
  size_t FCount = 0;
  mutable std::array<TLembrada, kLembradas> FLembradas{};
};
