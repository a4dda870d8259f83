// The rules of a statement import: which rule takes a row (normalised
// texts, anchored expressions, amount bounds, the document, first match
// wins), each refusal of a rules document, and the fingerprint that tells
// an imported row again.

#include "host/import/RegrasExtrato.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/Exceptions.h"
#include "tests/support/TestDatabases.h"

namespace {

class TRegrasExtratoTest : public TSchemaTest {
 protected:
  TRegrasExtrato Regras(const std::string& json) {
    return TRegrasExtrato::DoTexto(Conexao(), 1, json);
  }
};

TLinhaExtrato Linha(const std::string& descricao, const std::string& valor,
                    const std::string& documento = "") {
  TLinhaExtrato linha;
  linha.Data = "2025-01-10";
  linha.Descricao = descricao;
  linha.Valor = Currency::FromString(valor);
  linha.Documento = documento;
  return linha;
}

TEST_P(TRegrasExtratoTest, TheFirstRuleWhoseConditionsAllHoldTakesTheRow) {
  const TRegrasExtrato regras = Regras(R"({"rules": [
      {"contains": "tarifa bancaria", "max": "-0,01", "account": 1, "history": 1},
      {"regex": "^pix recebido .*luzia$", "min": "0,01", "account": 2, "history": 1},
      {"field": "document", "contains": "ALUG", "account": 3, "history": 1},
      {"min": "1.000,00", "max": "2.000,00", "account": 4, "history": 1}]})");
  struct TCaso {
    TLinhaExtrato Linha;
    int Regra;  // 0: none
  };
  for (const TCaso& caso : std::vector<TCaso>{
           {Linha("Tarifa   Bancária mensal", "-12.50"), 1},
           {Linha("TARIFA BANCARIA", "5.00"), 0},
           {Linha("PIX RECEBIDO COMERCIAL SANTA LUZIA", "10.00"), 2},
           {Linha("PIX RECEBIDO COMERCIAL SANTA LUZIA LTDA", "10.00"), 0},
           {Linha("PAGAMENTO", "-3200.00", "ALUG01"), 3},
           {Linha("TARIFA BANCARIA ALUGUEL", "-10.00", "ALUG01"), 1},
           {Linha("DEPOSITO", "2000.00"), 4},
           {Linha("DEPOSITO", "2000.01"), 0},
       }) {
    SCOPED_TRACE(caso.Linha.Descricao + " " + caso.Linha.Valor.ToString());
    const TRegraExtrato* regra = regras.Regra(caso.Linha);
    EXPECT_EQ(regra == nullptr ? 0 : regra->Numero, caso.Regra);
  }
}

TEST_P(TRegrasExtratoTest, ARulesDocumentIsRefusedNamingTheRuleAndTheFault) {
  const std::string expressaoLonga = std::string(201, 'a');
  struct TCaso {
    std::string Json, Mensagem;
  };
  for (const TCaso& caso : std::vector<TCaso>{
           {R"({"rules": [{"account": 1, "history": 1}]})",
            "Regras do extrato: regra 1: a regra precisa de uma condição: contains, regex, min "
            "ou max"},
           {R"({"rules": [{"regex": "(", "account": 1, "history": 1}]})",
            "Regras do extrato: regra 1: expressão regular inválida: ("},
           {R"({"rules": [{"regex": ")" + expressaoLonga + R"(", "account": 1, "history": 1}]})",
            "Regras do extrato: regra 1: \"regex\" deve ter de 1 a 200 bytes"},
           {R"({"rules": [{"contains": "X", "account": 1}]})",
            "Regras do extrato: regra 1: \"account\" e \"history\" são obrigatórios"},
           {R"({"rules": [{"min": 10, "account": 1, "history": 1}]})",
            "Regras do extrato: regra 1: \"min\" deve ser um texto, como \"-1.234,56\""},
           {R"({"rules": [{"max": "10.50", "account": 1, "history": 1}]})",
            "Regras do extrato: regra 1: \"max\": número inválido: '10.50' (use vírgula decimal e "
            "ponto só entre milhares: 1.234,56)"},
           {R"({"rules": [{"contains": "X", "account": 1, "history": 1},
                          {"contains": "Y", "account": "NENHUMA", "history": 1}]})",
            "Regras do extrato: regra 2: conta não encontrada (código, apelido ou "
            "classificação): NENHUMA"},
           {R"({"rules": [{"contains": "X", "account": 1, "history": 1, "cor": 1}]})",
            "Regras do extrato: regra 1: chave desconhecida: \"cor\""},
           {R"({"suspense": {"account": 1}})",
            "Regras do extrato: suspense: \"account\" e \"history\" são obrigatórios"},
           {R"({"regras": []})",
            "Regras do extrato: chave desconhecida ou de tipo errado: \"regras\" (aceitas: "
            "rules, suspense, values)"},
       }) {
    SCOPED_TRACE(caso.Json);
    EXPECT_EQ(MensagemDoErro([&] { Regras(caso.Json); }), caso.Mensagem);
  }
}

// Case, accents, spacing and a document's leading zeros are how two
// exports write one row; the amount, the date and the words are the row.
TEST_P(TRegrasExtratoTest, TheFingerprintIgnoresOnlyHowARowIsWritten) {
  const std::string impressao =
      ExtratoBancario::Impressao(1101003, Linha("Tarifa  Bancária", "-12.50", "000123"));
  EXPECT_EQ(ExtratoBancario::Impressao(1101003, Linha("TARIFA BANCARIA ", "-12.5", "123")),
            impressao);
  for (const TLinhaExtrato& outra :
       {Linha("TARIFA BANCARIA", "12.50", "123"), Linha("TARIFA BANCARIA 2", "-12.50", "123"),
        Linha("TARIFA BANCARIA", "-12.50", "124")})
    EXPECT_NE(ExtratoBancario::Impressao(1101003, outra), impressao) << outra.Descricao;
  EXPECT_NE(ExtratoBancario::Impressao(1101004, Linha("TARIFA BANCARIA", "-12.50", "123")),
            impressao);
}

INSTANTIATE_TEST_SUITE_P(SQLite, TRegrasExtratoTest, ::testing::Values(TTipoConexao::SQLite),
                         NomeDoMotor);

}  // namespace
