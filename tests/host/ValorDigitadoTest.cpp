#include "host/common/ValorDigitado.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/data/ClientDataSet.h"

namespace {

// One rule for typed values, field kind by field kind.
TEST(ValorDigitado, OneRuleForTypedValues) {
  TnClientDataSet cds;
  cds.AddField("VALOR", TFieldType::ftBCD);
  cds.AddField("TAXA", TFieldType::ftFloat);
  cds.AddField("CODIGO", TFieldType::ftSmallint);
  cds.AddField("TEXTO", TFieldType::ftString, 3);
  cds.AddField("CONTA", TFieldType::ftLargeint);
  cds.CreateDataSet();
  cds.FieldByName("CONTA").OnSetText = [](TField&, const std::string&) {};
  struct TCaso {
    const char* Campo;
    std::string Texto;
    std::string Erro;
  };
  for (const TCaso& caso : std::vector<TCaso>{
           {"VALOR", "150.50", ""},
           {"VALOR", "-999999999999.99", ""},
           {"VALOR", "1,50", "número inválido: '1,50' (use ponto como separador decimal)"},
           {"VALOR", "1.500", "'1.500' tem mais de 2 casas decimais"},
           {"VALOR", "1e3", "número inválido: '1e3' (use ponto como separador decimal)"},
           {"VALOR", "true", "número inválido: 'true' (use ponto como separador decimal)"},
           {"VALOR", "1000000000000", "'1000000000000' tem mais de 12 dígitos inteiros"},
           {"TAXA", "0.12345678", ""},
           {"CODIGO", "32767", ""},
           {"CODIGO", "32768", "número inteiro fora do limite da coluna: '32768'"},
           {"CODIGO", "7.0", "número inteiro inválido: '7.0'"},
           {"TEXTO", "çãé", ""},
           {"TEXTO", "abcd", "texto com mais de 3 caracteres"},
           {"CONTA", "CAIXA", ""}}) {
    EXPECT_EQ(ValorDigitado::Verificar(cds.FieldByName(caso.Campo), caso.Texto), caso.Erro)
        << caso.Campo << " " << caso.Texto;
  }
}

// A Brazilian number is read exactly as written or refused quoting the
// cell: never multiplied or shifted to fit.
TEST(ValorDigitado, BrazilianNumbersAreReadNeverGuessed) {
  struct TCaso {
    std::string Celula;
    std::string Lido;  // "" when refused
  };
  for (const TCaso& caso : std::vector<TCaso>{
           {"10,50", "10.50"},
           {"1.234,56", "1234.56"},
           {"1.234.567,8", "1234567.8"},
           {"1.234", "1234"},
           {"1234,5", "1234.5"},
           {" 7 ", "7"},
           {"R$ 10,00", "10.00"},
           {"R$10,00", "10.00"},
           {"R$\xC2\xA0"
            "10,00",
            "10.00"},
           {"-R$ 1.000,00", "-1000.00"},
           {"R$ -1.000,00", "-1000.00"},
           {"+3,00", "3.00"},
           {"-0,01", "-0.01"},
           {"(1.234,56)", "-1234.56"},
           {"(R$ 5,00)", "-5.00"},
           {"10.50", ""},
           {"12.3", ""},
           {"1.2345,00", ""},
           {"1234.567,00", ""},
           {".123,00", ""},
           {"1..234", ""},
           {"10,", ""},
           {",50", ""},
           {"1,2,3", ""},
           {"1e3", ""},
           {"R$", ""},
           {"", ""},
           {"--5", ""},
           {"(-5,00)", ""},
           {"(5,00", ""},
           {"5 R$", ""},
           {"1 234,00", ""},
       }) {
    if (caso.Lido.empty()) {
      try {
        ValorDigitado::LerNumeroBrasileiro(caso.Celula, 2);
        ADD_FAILURE() << "aceito: " << caso.Celula;
      } catch (const Exception& erro) {
        EXPECT_EQ(std::string(erro.what()),
                  "número inválido: '" + caso.Celula +
                      "' (use vírgula decimal e ponto só entre milhares: 1.234,56)");
      }
    } else {
      EXPECT_EQ(ValorDigitado::LerNumeroBrasileiro(caso.Celula, 2), caso.Lido) << caso.Celula;
    }
  }
  // More places than the field keeps are refused, never rounded away.
  EXPECT_THROW(ValorDigitado::LerNumeroBrasileiro("10,005", 2), Exception);
  EXPECT_EQ(ValorDigitado::LerNumeroBrasileiro("0,12345", -1), "0.12345");
}

}  // namespace
