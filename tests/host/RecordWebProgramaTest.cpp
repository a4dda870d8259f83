// The built `ctb` on each engine keying entries on the web screen's module:
// `record TnCtbDMLctoCtbCloud post`, its required history and the
// right it shares with the desktop screen.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/host/TCtbPrograma.h"

namespace {

constexpr const char* kWeb = "TnCtbDMLctoCtbCloud";

class TCtbRecordWebTest : public TCtbDemoTest {
 protected:
  int Registrar(const nlohmann::json& documento, int usuario = 1) {
    const int status = Ctb({"record", kWeb, "post"}, documento.dump(), usuario);
    FResultado = nlohmann::json::parse(FSaida, nullptr, false);
    return status;
  }
};

}  // namespace

TEST_P(TCtbRecordWebTest, EntryPostedWithAnAliasFoundByItsKeyAndRefusedWithoutHistory) {
  const int64_t antes = Lancamentos();
  ASSERT_EQ(Registrar(LancamentoDemo("2025-08-11", 321.5)), 0) << FSaida << FErro;
  ASSERT_EQ(FResultado["result"], "posted") << FSaida;
  const int64_t chave = FResultado["entry"]["CHAVELCTOCTB"];
  EXPECT_EQ(Lancamentos(), antes + 1);
  const std::string daChave =
      " from LCTOCTB where CODIGOEMPRESA = 1 and CHAVELCTOCTB = " + std::to_string(chave);
  EXPECT_EQ(
      Contar("select count(*)" + daChave + " and CONTACTBDEB = 1101001 and VALORLCTOCTB = 321.5"),
      1);

  // The module loads its rows on demand: a listing, a correction and a
  // deletion each find the entry by its key.
  ASSERT_EQ(Comando(std::string("record ") + kWeb + " list --company 1 --format json --key " +
                    std::to_string(chave)),
            0)
      << FErro;
  const nlohmann::json listado = nlohmann::json::parse(FSaida);
  ASSERT_EQ(listado.size(), 1u) << FSaida;
  EXPECT_EQ(listado[0]["CHAVELCTOCTB"], chave);
  const nlohmann::json correcao = {
      {"op", "edit"}, {"company", 1}, {"key", chave}, {"fields", {{"VALORLCTOCTB", 400.25}}}};
  ASSERT_EQ(Registrar(correcao), 0) << FSaida << FErro;
  EXPECT_EQ(Contar("select VALORLCTOCTB * 100" + daChave), 40025);
  ASSERT_EQ(Registrar({{"op", "delete"}, {"company", 1}, {"key", chave}}), 0) << FSaida << FErro;
  EXPECT_EQ(Contar("select count(*)" + daChave), 0);
  // The web screen requires the history, and refuses on its field.
  nlohmann::json documento = LancamentoDemo("2025-08-11", 10);
  documento["fields"].erase("CODIGOHISTCTB");
  EXPECT_EQ(Registrar(documento), 1) << FSaida;
  EXPECT_EQ(FResultado["result"], "refused") << FSaida;
  EXPECT_EQ(FResultado["field"], "CODIGOHISTCTB") << FSaida;
  EXPECT_EQ(Lancamentos(), antes);
}

// The entry screen's right binds `entry post` and both screens' modules.
TEST_P(TCtbRecordWebTest, UserWithoutTheEntriesRightIsRefusedOnEveryScreen) {
  Conexao().ExecuteDirect(
      "update DIREITOUSUARIO set NIVEL = '1' where CODIGOUSUARIO = 2 and NOMEDIREITO = "
      "'actTnCtbDMLctoCtb'");
  const int64_t antes = Lancamentos();
  for (const char* linha :
       {"entry post", "record TnCtbDMLctoCtb post", "record TnCtbDMLctoCtbCloud post"}) {
    SCOPED_TRACE(linha);
    EXPECT_EQ(Comando(linha, LancamentoDemo("2025-08-11", 10).dump(), 2), 1);
    EXPECT_NE(FErro.find("O usuário 2 não tem direito a \"Lançamentos Contábeis\""),
              std::string::npos)
        << FErro;
  }
  EXPECT_EQ(Lancamentos(), antes);
}

CTB_INSTANTIATE_ENGINES(TCtbRecordWebTest);
