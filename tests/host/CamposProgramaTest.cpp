// The entry's fields and the chart consultation through the built `ctb`
// program, on each engine: what typing a date, a key or a programmed entry
// does in `entry post`, and `ctb accounts`.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <utility>

#include "tests/host/TCtbPrograma.h"

namespace {

using json = nlohmann::json;

class TCamposProgramaTest : public TCtbDemoTest {};

}  // namespace

TEST_P(TCamposProgramaTest, IfrsEntryOnTheOptionDateTakesTheAdoptionOrigin) {
  // The demo's IFRS company opted on 01/01.
  for (const auto& [data, origem] : {std::pair{"2025-01-01", "AI"}, {"2025-01-02", "CB"}}) {
    json documento = LancamentoDemo(data);
    documento["company"] = 3;
    ASSERT_EQ(Post(documento), 0) << FSaida;
    EXPECT_EQ(FResultado["entry"]["CODIGOORIGLCTOCTB"], origem);
  }
}

// A key or transaction number typed while editing is a search; one outside
// the period moves nothing and changes nothing.
TEST_P(TCamposProgramaTest, TypedKeyOrTransactionOutsideThePeriodIsAnInformation) {
  ASSERT_EQ(Post(LancamentoDemo()), 0) << FSaida;
  const int64_t chave = ChavePostada();
  for (const char* campo : {"CHAVELCTOCTB", "TRANSCTB"}) {
    const json edicao = {{"op", "edit"},
                         {"company", 1},
                         {"key", chave},
                         {"selection", {{"from", "2025-08-01"}, {"to", "2025-08-31"}}},
                         {"fields", {{campo, 999999}}}};
    ASSERT_EQ(Post(edicao), 0) << FSaida;
    EXPECT_EQ(
        FResultado["informations"],
        json::array({"Este lançamento encontra-se fora do período selecionado ou não existe!"}))
        << campo;
    EXPECT_EQ(FResultado["entry"]["CHAVELCTOCTB"], chave) << campo;
    EXPECT_EQ(Contar("select count(*) from LCTOCTB where CHAVELCTOCTB = 999999 or TRANSCTB = "
                     "999999"),
              0)
        << campo;
  }
}

TEST_P(TCamposProgramaTest, EmptyProgrammedEntryCodeIsRefusedOnItsField) {
  // The field is open only to a company that keeps programmed entries.
  Conexao().ExecuteDirect(
      "insert into LCTOPROG (CODIGOEMPRESA, CODIGOLCTOPROG, DESCRLCTOPROG) values (1, 1, "
      "'Aluguel')");
  json documento = LancamentoDemo();
  documento["fields"]["CODIGOLCTOPROG"] = nullptr;
  Recusa(documento, "O código do Lançamento Programado é Obrigatório", "CODIGOLCTOPROG");
}

TEST_P(TCamposProgramaTest, EntryWithoutHistoryOnAnAccountWithHistoryGroupsIsInformed) {
  Escrever("grupos.csv", "CODIGOEMPRESA,CONTACTB,CODIGOGRUPOHISTCTB\n1,1101001,1\n");
  ASSERT_EQ(Comando("load PLESPGRHISTCTB grupos.csv"), 0) << FErro;
  json documento = LancamentoDemo();
  documento["fields"].erase("CODIGOHISTCTB");
  ASSERT_EQ(Post(documento), 0) << FSaida;
  EXPECT_EQ(FResultado["informations"],
            json::array({"Histórico utilizado não pertence ao Grupo de Histórico vinculado, "
                         "verifique."}));
}

// `accounts` keeps the groups above a match when asked, and refuses an
// unknown column and a company that does not exist.
TEST_P(TCamposProgramaTest, AccountsKeepTheGroupsAboveAMatchWhenAskedAndRefuseWhatIsNot) {
  const std::vector<std::string> caixa = {
      "accounts", "--company", "1", "--filter", "DESCRCONTA=caixa geral", "--format", "csv"};
  std::vector<std::string> comGrupos = caixa;
  comGrupos.push_back("--synthetic");
  ASSERT_EQ(Ctb(comGrupos), 0) << FErro;
  for (const char* grupo : {"\n1,", "\n1.1,", "\n1.1.01,", "\n1.1.01.001,"})
    EXPECT_NE(FSaida.find(grupo), std::string::npos) << FSaida;
  EXPECT_EQ(FSaida.find("\n2,"), std::string::npos) << FSaida;
  ASSERT_EQ(Ctb(caixa), 0) << FErro;
  EXPECT_EQ(FSaida.find("\n1,"), std::string::npos) << FSaida;
  EXPECT_NE(FSaida.find("\n1.1.01.001,"), std::string::npos) << FSaida;
  Falha("accounts --company 1 --filter SENHA=x", "A consulta não tem a coluna SENHA");
  Falha("accounts --company 9", "Empresa 9 não cadastrada");
}

CTB_INSTANTIATE_ENGINES(TCamposProgramaTest);
