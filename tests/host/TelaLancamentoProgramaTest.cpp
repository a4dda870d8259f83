// The built `ctb` on each engine: what the entry screen shows below the
// entry of a programmed entry. (The right `entry post` needs is
// RecordWebProgramaTest's.)

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/host/TCtbPrograma.h"

namespace {

using json = nlohmann::json;

class TTelaLancamentoProgramaTest : public TCtbDemoTest {};

TEST_P(TTelaLancamentoProgramaTest, ProgrammedEntriesOfTheDateAreShownBelowTheNext) {
  Conexao().ExecuteDirect(
      "insert into LCTOPROG (CODIGOEMPRESA, CODIGOLCTOPROG, DESCRLCTOPROG) values (1, 1, "
      "'Aluguel')");
  json documentos = json::array();
  for (int i = 0; i < 2; ++i) {
    json documento = LancamentoDemo("2025-08-14");
    documento["fields"]["CODIGOLCTOPROG"] = 1;
    documentos.push_back(std::move(documento));
  }
  ASSERT_EQ(Post(documentos), 0) << FSaida;
  EXPECT_EQ(FResultado[0]["display"]["programmedEntries"], json::array()) << FSaida;
  const json& lista = FResultado[1]["display"]["programmedEntries"];
  ASSERT_EQ(lista.size(), 1U) << FSaida;
  EXPECT_EQ(lista[0]["CHAVELCTOCTB"], FResultado[0]["entry"]["CHAVELCTOCTB"]);
}

CTB_INSTANTIATE_ENGINES(TTelaLancamentoProgramaTest);

}  // namespace
