#include "framework/data/FieldNameIndex.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "framework/core/Ascii.h"

namespace {

bool MesmoNome(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  // Code names a field as it was declared, so most look-ups match exactly.
  if (std::memcmp(a.data(), b.data(), a.size()) == 0)
    return true;
  return Ascii::IguaisSemCaixa(a, b);
}

}  // namespace

size_t TnFieldNameIndex::SlotOf(std::string_view name, uint64_t hash) const {
  const size_t mask = FSlots.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const TSlot& slot = FSlots[i];
    if (slot.Position == kNone || (slot.Hash == hash && MesmoNome(slot.Name, name)))
      return i;
  }
}

size_t TnFieldNameIndex::Find(std::string_view name) const {
  if (FSlots.empty())
    return kNone;
  // Literals lie close together and a fixed distance apart: the address is
  // mixed by a multiplication so that they spread over the whole memo.
  const uint64_t endereco = std::bit_cast<uintptr_t>(name.data());
  TLembrada& lembrada = FLembradas[(endereco * 0x9E3779B97F4A7C15ULL) >> (64 - kBitsLembradas)];
  if (lembrada.Endereco == name.data() && name.data() != nullptr && lembrada.Slot < FSlots.size()) {
    const TSlot& slot = FSlots[lembrada.Slot];
    if (slot.Position != kNone && slot.Name.size() == name.size() &&
        std::memcmp(slot.Name.data(), name.data(), name.size()) == 0)
      return slot.Position;
  }
  const size_t indice = SlotOf(name, Ascii::HashSemCaixa(name));
  if (FSlots[indice].Position != kNone)
    lembrada = TLembrada{name.data(), indice};
  return FSlots[indice].Position;
}

void TnFieldNameIndex::Set(std::string_view name, size_t position) {
  if ((FCount + 1) * 2 > FSlots.size())
    Grow();
  const uint64_t hash = Ascii::HashSemCaixa(name);
  TSlot& slot = FSlots[SlotOf(name, hash)];
  if (slot.Position == kNone) {
    slot.Hash = hash;
    slot.Name = std::string(name);
    ++FCount;
  }
  slot.Position = position;
}

void TnFieldNameIndex::Grow() {
  std::vector<TSlot> antigos = std::move(FSlots);
  FSlots.assign(std::max<size_t>(16, antigos.size() * 2), TSlot());
  for (TSlot& slot : antigos) {
    if (slot.Position != kNone)
      FSlots[SlotOf(slot.Name, slot.Hash)] = std::move(slot);
  }
}

void TnFieldNameIndex::Clear() {
  FSlots.clear();
  FCount = 0;
}
