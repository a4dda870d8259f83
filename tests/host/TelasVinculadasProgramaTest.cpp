// The registers an entry offers, keyed through `ctb entry post` of the built
// program on each engine, the analytic entry that asks to be changed on its
// own screen and what the screen shows of a programmed entry. (The right
// `entry post` needs is RecordProgramaTest's.)

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/host/TCtbPrograma.h"

namespace {

using json = nlohmann::json;

class TTelasVinculadasProgramaTest : public TCtbDemoTest {};

// A screen the entry does not offer refuses its key and writes nothing.
TEST_P(TTelasVinculadasProgramaTest, KeyOfAScreenTheEntryDoesNotOfferIsRefused) {
  struct TCaso {
    const char* Chave;
    json Campos;
    const char* Mensagem;
  };
  const TCaso casos[] = {
      {"q100", {{"CODIGOIMOVEL", 1}}, "Registro Q100: o lançamento não oferece esta tela"},
      {"relation",
       {{"CHAVELCTOCTBSOC", 1}},
       "Lançamento Fiscal/Societário: o lançamento não oferece esta tela"},
      {"extemporaneous",
       {{"DATAEXTEMP", "2025-01-02"}},
       "Data da ocorrência: o lançamento não oferece esta tela"},
  };
  for (const TCaso& caso : casos) {
    json documento = LancamentoDemo();
    documento[caso.Chave] = caso.Campos;
    Recusa(documento, caso.Mensagem);
  }
}

// The SPED company's books start on 01/01/2025: an extemporaneous entry's
// fact must be older.
TEST_P(TTelasVinculadasProgramaTest, DateOfOccurrenceIsKeyedOnTheScreenThePostOffers) {
  const auto extemporaneo = [](const char* data) {
    json documento = LancamentoDemo();
    documento["company"] = 2;
    documento["fields"]["CODIGOORIGLCTOCTB"] = "XX";
    documento["extemporaneous"] = {{"DATAEXTEMP", data}};
    return documento;
  };
  Recusa(extemporaneo("2025-02-01"),
         "Data da ocorrência: A data da ocorrência deve ser anterior à data de início da "
         "escrituração.",
         "DATAEXTEMP");
  ASSERT_EQ(Post(extemporaneo("2024-12-15")), 0) << FSaida;
  EXPECT_EQ(FResultado["screens"][0]["class"], "TnCtbDMLctoCtbExtemp") << FSaida;
  EXPECT_EQ(
      Contar("select count(*) from LCTOCTBEXTEMP where CODIGOEMPRESA = 2 and CHAVELCTOCTB = " +
             std::to_string(ChavePostada()) + " and DATAEXTEMP = '2024-12-15'"),
      1);
}

TEST_P(TTelasVinculadasProgramaTest, ParticipantsAreKeyedByTheirActionAfterThePost) {
  Conexao().ExecuteDirect(
      "insert into PARTICIPANTE (CODIGOEMPRESA, CODIGOPART, NOMEPART) values (1, 3, 'Três')");
  json documento = LancamentoDemo();
  documento["participants"] = {{"CODIGOPARTDEB", 3}};
  ASSERT_EQ(Post(documento), 0) << FSaida;
  EXPECT_EQ(Contar("select count(*) from LCTOCTBPARTICIPANTE where CODIGOEMPRESA = 1 and "
                   "CODIGOPARTDEB = 3 and CODIGOPARTCRED is null and CHAVELCTOCTB = " +
                   std::to_string(ChavePostada())),
            1);
}

// A rural producer's entry offers the Q100 record after the post; a new
// record starts with the one participant the entry's accounts link.
TEST_P(TTelasVinculadasProgramaTest, Q100RecordStartsWithTheParticipantOfTheEntrysAccounts) {
  Conexao().ExecuteDirect("update ESTAB set CAEPF = 2 where CODIGOEMPRESA = 1 and CODIGOESTAB = 1");
  Conexao().ExecuteDirect(
      "insert into PLANOESPECPARTICIPANTE (CODIGOEMPRESA, CONTACTB, CODIGOPART) select "
      "CODIGOEMPRESA, CONTACTB, 7 from PLANOESPEC where CODIGOEMPRESA = 1 and APELIDOCONTA = "
      "'CAIXA'");
  json documento = LancamentoDemo();
  documento["q100"] = {
      {"CODIGOIMOVEL", 5}, {"TIPODOCUMENTO", 1}, {"TIPOLANCAMENTO", 2}, {"ORIGEMRECURSO", "112"}};
  ASSERT_EQ(Post(documento), 0) << FSaida;
  EXPECT_EQ(Contar("select CODIGOPESSOA from LCTOCTBQ100 where CODIGOEMPRESA = 1 and "
                   "CHAVELCTOCTB = " +
                   std::to_string(ChavePostada())),
            7);
}

TEST_P(TTelasVinculadasProgramaTest, AnalyticEntryOpensTheAnalyticScreenOnItsTransaction) {
  ASSERT_EQ(Post(LancamentoDemo()), 0) << FSaida;
  const int64_t chave = ChavePostada();
  Conexao().ExecuteDirect(
      "update LCTOCTB set ORIGEMDADO = 5, TRANSCTB = 4242 where "
      "CODIGOEMPRESA = 1 and CHAVELCTOCTB = " +
      std::to_string(chave));
  const json edicao = {{"op", "edit"},
                       {"company", 1},
                       {"key", chave},
                       {"fields", {{"COMPLHIST", "outro"}}},
                       {"answers", {"Sim"}}};
  EXPECT_EQ(Post(edicao), 1);
  EXPECT_EQ(FResultado["result"], "aborted") << FSaida;
  ASSERT_EQ(FResultado["screens"].size(), 1U) << FSaida;
  EXPECT_EQ(FResultado["screens"][0]["class"], "TnCtbDPLctoCtbAnalitico");
  EXPECT_EQ(FResultado["screens"][0]["caption"], "Lançamento Analítico - Transação 4242");
  EXPECT_EQ(Contar("select count(*) from LCTOCTB where COMPLHIST = 'outro'"), 0);
}

// What the entry screen shows below an entry of a programmed entry: the
// entries it made before on the date.
TEST_P(TTelasVinculadasProgramaTest, ProgrammedEntriesOfTheDateAreShownBelowTheNext) {
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

CTB_INSTANTIATE_ENGINES(TTelasVinculadasProgramaTest);

}  // namespace
