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
// hash, in a multiply per word instead of per byte.
inline uint64_t HashSemCaixa(std::string_view nome) {
  constexpr uint64_t kSemBitDeCaixa = ~0x2020202020202020ULL;
  uint64_t hash = nome.size() * 0x9E3779B97F4A7C15ULL;
  for (size_t i = 0; i < nome.size(); i += 8) {
    uint64_t palavra = 0;
    std::memcpy(&palavra, nome.data() + i, std::min<size_t>(8, nome.size() - i));
    hash = (hash ^ (palavra & kSemBitDeCaixa)) * 0xFF51AFD7ED558CCDULL;
    hash ^= hash >> 32;
  }
  return hash;
}

}  // namespace Ascii
