#pragma once
// ASCII character classes and case, whatever the locale: names that go into
// statement text, and names code compares without regard to case (fields,
// selection parameters), are ASCII.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace Ascii {

constexpr bool Digito(char c) {
  return c >= '0' && c <= '9';
}

constexpr bool Letra(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A character an identifier may hold: letter, digit or underscore.
constexpr bool DePalavra(char c) {
  return Letra(c) || Digito(c) || c == '_';
}

constexpr char Maiuscula(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline bool IguaisSemCaixa(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return Maiuscula(x) == Maiuscula(y); });
}

// Two names equal but for ASCII case differ only in bit 0x20 of their
// letters: hashing each 8-byte word with that bit cleared gives them one
// hash, in a multiply per word instead of per byte. Whole words load in one
// move; only the last, short one is gathered byte by byte.
inline uint64_t HashSemCaixa(std::string_view nome) {
  constexpr uint64_t kSemBitDeCaixa = ~0x2020202020202020ULL;
  const auto misturar = [](uint64_t hash, uint64_t palavra) {
    hash = (hash ^ (palavra & kSemBitDeCaixa)) * 0xFF51AFD7ED558CCDULL;
    return hash ^ (hash >> 32);
  };
  uint64_t hash = nome.size() * 0x9E3779B97F4A7C15ULL;
  size_t i = 0;
  for (; i + 8 <= nome.size(); i += 8) {
    uint64_t palavra = 0;
    std::memcpy(&palavra, nome.data() + i, 8);
    hash = misturar(hash, palavra);
  }
  if (i < nome.size()) {
    uint64_t palavra = 0;
    for (size_t j = 0; i + j < nome.size(); ++j)
      palavra |= uint64_t{static_cast<unsigned char>(nome[i + j])} << (8 * j);
    hash = misturar(hash, palavra);
  }
  return hash;
}

}  // namespace Ascii
