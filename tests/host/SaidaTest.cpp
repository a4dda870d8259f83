#include "host/output/Saida.h"

#include <gtest/gtest.h>

#include "framework/core/Exceptions.h"
#include "framework/core/TDateTime.h"
#include "framework/data/ClientDataSet.h"
#include "host/output/SaidaCsv.h"
#include "host/output/SaidaJson.h"
#include "host/output/SaidaTabela.h"

namespace {

// Two rows covering what the writers treat apart: a label, a hidden field,
// money with and without a display format, a date, a Boolean, texts with a
// comma, quotes and an accent, and nulls.
class SaidaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FCds.AddField("CODIGO", TFieldType::ftInteger).SetDisplayLabel("Código");
    FCds.AddField("DESCRICAO", TFieldType::ftString, 30).SetDisplayLabel("Descrição");
    FCds.AddField("VALOR", TFieldType::ftBCD);
    FCds.AddField("SALDO", TFieldType::ftBCD).SetDisplayFormat("#,##0.00;(#,##0.00)");
    FCds.AddField("DATA", TFieldType::ftDate);
    FCds.AddField("OCULTO", TFieldType::ftInteger).SetVisible(false);
    FCds.AddField("ATIVO", TFieldType::ftBoolean);
    FCds.CreateDataSet();
    FCds.AppendRecord({Value(1), Value("Caixa, geral"), Value(1234.5), Value(-10),
                       Value(EncodeDate(2025, 3, 10)), Value(9), Value(true)});
    FCds.AppendRecord(
        {Value(22), Value("Diz \"olá\""), Value(), Value(0.5), Value(), Value(), Value(false)});
    FCds.First();
    FCds.Next();
  }
  TnClientDataSet FCds;
};

TEST_F(SaidaTest, TableAlignsLabelledVisibleColumnsInBrazilianFormat) {
  EXPECT_EQ(SaidaTabela::Escrever(FCds),
            "Código  Descrição        VALOR    SALDO  DATA        ATIVO\n"
            "------  ------------  --------  -------  ----------  -----\n"
            "     1  Caixa, geral  1.234,50  (10,00)  10/03/2025  Sim\n"
            "    22  Diz \"olá\"                  0,50              Não\n");
  EXPECT_EQ(FCds.RecNo(), 2) << "the cursor comes back";
}

TEST_F(SaidaTest, CsvHasEveryFieldDotDecimalsAndRfc4180Quoting) {
  EXPECT_EQ(SaidaCsv::Escrever(FCds),
            "CODIGO,DESCRICAO,VALOR,SALDO,DATA,OCULTO,ATIVO\n"
            "1,\"Caixa, geral\",1234.50,-10.00,2025-03-10,9,1\n"
            "22,\"Diz \"\"olá\"\"\",,0.50,,,0\n");
  EXPECT_EQ(SaidaCsv::Campo("a\nb"), "\"a\nb\"");
  EXPECT_EQ(SaidaCsv::Campo("plain text"), "plain text");
}

TEST_F(SaidaTest, JsonIsAnArrayOfObjectsWithNumbersDatesAndNulls) {
  EXPECT_EQ(SaidaJson::Escrever(FCds),
            "[\n"
            "  {\"CODIGO\": 1, \"DESCRICAO\": \"Caixa, geral\", \"VALOR\": 1234.50, "
            "\"SALDO\": -10.00, \"DATA\": \"2025-03-10\", \"OCULTO\": 9, \"ATIVO\": true},\n"
            "  {\"CODIGO\": 22, \"DESCRICAO\": \"Diz \\\"olá\\\"\", \"VALOR\": null, "
            "\"SALDO\": 0.50, \"DATA\": null, \"OCULTO\": null, \"ATIVO\": false}\n"
            "]\n");
  EXPECT_EQ(SaidaJson::Texto("a\\b\n\x01"), "\"a\\\\b\\n\\u0001\"");
}

TEST_F(SaidaTest, AnEmptyDataSetPrintsItsHeaderOnly) {
  FCds.EmptyDataSet();
  EXPECT_EQ(SaidaJson::Escrever(FCds), "[]\n");
  EXPECT_EQ(SaidaCsv::Escrever(FCds), "CODIGO,DESCRICAO,VALOR,SALDO,DATA,OCULTO,ATIVO\n");
  EXPECT_EQ(SaidaTabela::Escrever(FCds),
            "Código  Descrição  VALOR  SALDO  DATA  ATIVO\n"
            "------  ---------  -----  -----  ----  -----\n");
}

// The names that work are the program's own --format cases.
TEST(SaidaFormato, AnUnknownNameIsRefused) {
  EXPECT_THROW(Saida::FormatoDoNome("xml"), Exception);
}

}  // namespace
