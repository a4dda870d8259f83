#pragma once
// ASCII character classes and case, whatever the locale: names that go into
// statement text, and names code compares without regard to case (fields,
// selection parameters), are ASCII.

#include <algorithm>
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

}  // namespace Ascii
