#include "host/import/ResumoSha256.h"

#include <fmt/format.h>

namespace {

constexpr std::array<uint32_t, 64> kK = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

uint32_t Rotacionar(uint32_t x, int n) {
  return (x >> n) | (x << (32 - n));
}

}  // namespace

TResumoSha256::TResumoSha256()
    : FEstado{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
              0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void TResumoSha256::Bloco(const unsigned char* bloco) {
  std::array<uint32_t, 64> w{};
  for (size_t i = 0; i < 16; ++i)
    w[i] = static_cast<uint32_t>(bloco[4 * i]) << 24 |
           static_cast<uint32_t>(bloco[4 * i + 1]) << 16 |
           static_cast<uint32_t>(bloco[4 * i + 2]) << 8 | static_cast<uint32_t>(bloco[4 * i + 3]);
  for (size_t i = 16; i < 64; ++i) {
    const uint32_t s0 = Rotacionar(w[i - 15], 7) ^ Rotacionar(w[i - 15], 18) ^ (w[i - 15] >> 3);
    const uint32_t s1 = Rotacionar(w[i - 2], 17) ^ Rotacionar(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  std::array<uint32_t, 8> v = FEstado;
  for (size_t i = 0; i < 64; ++i) {
    const uint32_t s1 = Rotacionar(v[4], 6) ^ Rotacionar(v[4], 11) ^ Rotacionar(v[4], 25);
    const uint32_t escolha = (v[4] & v[5]) ^ (~v[4] & v[6]);
    const uint32_t t1 = v[7] + s1 + escolha + kK[i] + w[i];
    const uint32_t s0 = Rotacionar(v[0], 2) ^ Rotacionar(v[0], 13) ^ Rotacionar(v[0], 22);
    const uint32_t maioria = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
    v = {t1 + s0 + maioria, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
  }
  for (size_t i = 0; i < 8; ++i)
    FEstado[i] += v[i];
}

void TResumoSha256::Adicionar(const char* dados, size_t tamanho) {
  FBits += static_cast<uint64_t>(tamanho) * 8;
  for (size_t i = 0; i < tamanho; ++i) {
    FPendente[FQuantosPendentes++] = static_cast<unsigned char>(dados[i]);
    if (FQuantosPendentes == FPendente.size()) {
      Bloco(FPendente.data());
      FQuantosPendentes = 0;
    }
  }
}

std::string TResumoSha256::Hex() {
  const uint64_t bits = FBits;
  const char um = static_cast<char>(0x80);
  Adicionar(&um, 1);
  const char zero = 0;
  while (FQuantosPendentes != 56)
    Adicionar(&zero, 1);
  for (int i = 7; i >= 0; --i) {
    const char byte = static_cast<char>((bits >> (8 * i)) & 0xFF);
    Adicionar(&byte, 1);
  }
  std::string hex;
  for (uint32_t palavra : FEstado)
    hex += fmt::format("{:08x}", palavra);
  return hex;
}

std::string TResumoSha256::DoFluxo(std::istream& entrada) {
  TResumoSha256 resumo;
  char buffer[64 * 1024];
  while (entrada.read(buffer, sizeof buffer) || entrada.gcount() > 0)
    resumo.Adicionar(buffer, static_cast<size_t>(entrada.gcount()));
  return resumo.Hex();
}
