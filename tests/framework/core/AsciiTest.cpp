#include "framework/core/Ascii.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TCasoCaixa {
  std::string a;
  std::string b;
  bool iguais;
};

// Lengths around each word boundary, since every load path (two halves,
// whole word, last word shifted) has its own case; and characters that
// differ only in bit 0x20 without being letters.
TEST(AsciiTest, NamesCompareAndHashWithoutRegardToLetterCase) {
  const TCasoCaixa casos[] = {
      {"", "", true},
      {"a", "A", true},
      {"ab", "AC", false},
      {"abc", "ABC", true},
      {"ab_d", "AB_D", true},
      {"valor", "VALOR", true},
      {"valor", "VALOS", false},
      {"CodigoE", "CODIGOE", true},
      {"CodigoEm", "CODIGOEM", true},
      {"CodigoEmp", "CODIGOEMP", true},
      {"CodigoEmp", "CODIGOEMQ", false},
      {"DataLctoCtb_MAIORIGUAL", "DATALCTOCTB_MAIORIGUAL", true},
      {"DataLctoCtb_MAIORIGUAL", "DATALCTOCTB_MAIORIGUAx", false},
      {"DataLctoCtb_MAIORIGUAL", "xATALCTOCTB_MAIORIGUAL", false},
      {"CODIGO@", "CODIGO`", false},
      {"CONTA[1]", "CONTA{1}", false},
      {"CONTA_DEB",
       "CONTA\x7f"
       "DEB",
       false},
      {"AB0", "AB\x10", false},
      {"situação", "SITUAÇÃO", false},
      {"situação", "SITUAçãO", true},
      {"VALOR", "VALOR ", false},
  };
  for (const auto& caso : casos) {
    EXPECT_EQ(Ascii::IguaisSemCaixa(caso.a, caso.b), caso.iguais) << caso.a << " / " << caso.b;
    EXPECT_EQ(Ascii::IguaisSemCaixa(caso.b, caso.a), caso.iguais) << caso.b << " / " << caso.a;
    if (caso.iguais) {
      EXPECT_EQ(Ascii::HashSemCaixa(caso.a), Ascii::HashSemCaixa(caso.b)) << caso.a;
    }
  }
}

TEST(AsciiTest, ANameInsideALongerTextIsReadOnlyToItsEnd) {
  const std::string texto = "CODIGOEMPRESA=1";
  for (size_t tamanho = 1; tamanho <= 13; ++tamanho) {
    const std::string_view nome(texto.data(), tamanho);
    const std::string copia = std::string("codigoempresa").substr(0, tamanho);
    EXPECT_TRUE(Ascii::IguaisSemCaixa(nome, copia)) << tamanho;
    EXPECT_EQ(Ascii::HashSemCaixa(nome), Ascii::HashSemCaixa(copia)) << tamanho;
  }
  EXPECT_TRUE(Ascii::SoAscii("DATALCTOCTB_MAIORIGUAL"));
  EXPECT_FALSE(Ascii::SoAscii("DATALCTOCTB_MAIORIGUAÇ"));
  EXPECT_FALSE(Ascii::SoAscii("É"));
}

}  // namespace
