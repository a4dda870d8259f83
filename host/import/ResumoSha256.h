#pragma once
// SHA-256 of a byte stream, as lowercase hex: the content hash by which an
// import recognises a file it has seen (any copy, any name).

#include <array>
#include <cstdint>
#include <istream>
#include <string>

class TResumoSha256 {
 public:
  TResumoSha256();
  void Adicionar(const char* dados, size_t tamanho);
  // The digest of everything added; the object is spent afterwards.
  std::string Hex();

  // The digest of a whole stream, read to its end.
  static std::string DoFluxo(std::istream& entrada);

 private:
  void Bloco(const unsigned char* bloco);

  std::array<uint32_t, 8> FEstado;
  std::array<unsigned char, 64> FPendente{};
  size_t FQuantosPendentes = 0;
  uint64_t FBits = 0;
};
