#pragma once
// ASCII character classes and case, whatever the locale: names that go into
// statement text, and names code compares without regard to case (fields,
// selection parameters), are ASCII.

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

// Eight characters of a name at once, for comparing and hashing: every load
// is whole. The short last word of a long name is its last eight bytes, some
// already seen; a name under eight bytes is two overlapping halves, the rest
// zeros.
inline uint64_t Palavra(std::string_view nome, size_t inicio) {
  const char* const p = nome.data() + inicio;
  const size_t resto = nome.size() - inicio;
  uint64_t palavra = 0;
  if (resto >= 8) {
    std::memcpy(&palavra, p, 8);
    return palavra;
  }
  if (nome.size() >= 8) {
    std::memcpy(&palavra, nome.data() + nome.size() - 8, 8);
    return palavra;
  }
  if (resto >= 4) {
    uint32_t inicial = 0;
    uint32_t final = 0;
    std::memcpy(&inicial, p, 4);
    std::memcpy(&final, p + resto - 4, 4);
    return uint64_t{inicial} | (uint64_t{final} << 32);
  }
  for (size_t j = 0; j < resto; ++j)
    palavra |= uint64_t{static_cast<unsigned char>(p[j])} << (8 * j);
  return palavra;
}

// True when no character of the name is past 0x7F.
inline bool SoAscii(std::string_view nome) {
  uint64_t bits = 0;
  for (size_t i = 0; i < nome.size(); i += 8)
    bits |= Palavra(nome, i);
  return (bits & 0x8080808080808080ULL) == 0;
}

// The word with its lower-case ASCII letters made upper case, all eight at
// once: a byte's high bit marks it from 'a' on and past 'z', bytes of 0x80
// and over are left alone, and no sum carries into the next byte.
constexpr uint64_t MaiusculasDaPalavra(uint64_t palavra) {
  constexpr uint64_t kUns = 0x0101010101010101ULL;
  const uint64_t ascii = palavra & (0x7F * kUns);
  const uint64_t desdeA = ascii + (0x80 - 'a') * kUns;
  const uint64_t alemDeZ = ascii + (0x80 - 'z' - 1) * kUns;
  const uint64_t minusculas = desdeA & ~alemDeZ & ~palavra & (0x80 * kUns);
  return palavra - (minusculas >> 2);
}

// Names are compared for every field and selection look-up, so a word at a
// time rather than a character.
inline bool IguaisSemCaixa(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); i += 8) {
    const uint64_t x = Palavra(a, i);
    const uint64_t y = Palavra(b, i);
    if (x != y && MaiusculasDaPalavra(x) != MaiusculasDaPalavra(y))
      return false;
  }
  return true;
}

// Two names equal but for ASCII case differ only in bit 0x20 of their
// letters: hashing each 8-byte word with that bit cleared gives them one
// hash, in a multiply per word instead of per byte.
inline uint64_t HashSemCaixa(std::string_view nome) {
  constexpr uint64_t kSemBitDeCaixa = ~0x2020202020202020ULL;
  const auto misturar = [](uint64_t hash, uint64_t palavra) {
    hash = (hash ^ (palavra & kSemBitDeCaixa)) * 0xFF51AFD7ED558CCDULL;
    return hash ^ (hash >> 32);
  };
  uint64_t hash = nome.size() * 0x9E3779B97F4A7C15ULL;
  for (size_t i = 0; i < nome.size(); i += 8)
    hash = misturar(hash, Palavra(nome, i));
  return hash;
}

}  // namespace Ascii
