#include "host/ValorDigitado.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
