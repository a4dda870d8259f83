// The built `ctb` on each engine: `record CLASS post|list` on the demo
// company, every way a class is refused, and the web screen's module keying
// entries: its required history and the right it shares with the desktop
// screen.

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/host/TCtbPrograma.h"

namespace {

// Fields are typed in the order written.
using json = nlohmann::ordered_json;

class TCtbRecordTest : public TCtbDemoTest {
 protected:
  void SetUp() override {
    TCtbDemoTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    FChave = Contar("select min(CHAVELCTOCTB) from LCTOCTB where CODIGOEMPRESA = 1");
  }

  // `record CLASS post` of one document; its result parsed into FResultado.
  int Registrar(const std::string& classe, const json& documento, int usuario = 1) {
    const int status = Ctb({"record", classe, "post"}, documento.dump(), usuario);
    FResultado = nlohmann::json::parse(FSaida, nullptr, false);
    return status;
  }

  json Q100(const json& campos) const {
    json todos = {{"CHAVELCTOCTB", FChave},
                  {"CODIGOIMOVEL", 5},
                  {"TIPODOCUMENTO", 1},
                  {"TIPOLANCAMENTO", 2},
                  {"CODIGOPESSOA", 8}};
    todos.update(campos);
    return {{"op", "insert"}, {"company", 1}, {"fields", todos}};
  }

  int64_t FChave = 0;
};

TEST_P(TCtbRecordTest, Q100PostedThenListedByKey) {
  ASSERT_EQ(Registrar("TnCtbDMLctoCtbQ100", Q100({{"ORIGEMRECURSO", "112"}})), 0)
      << FSaida << FErro;
  EXPECT_EQ(FResultado["result"], "posted");
  ASSERT_EQ(Comando("record TnCtbDMLctoCtbQ100 list --company 1 --format json --key " +
                    std::to_string(FChave)),
            0)
      << FErro;
  const nlohmann::json linhas = nlohmann::json::parse(FSaida);
  ASSERT_EQ(linhas.size(), 1u) << FSaida;
  EXPECT_EQ(linhas[0]["ORIGEMRECURSO"], "112");
  EXPECT_EQ(linhas[0]["CODIGOPESSOA"], 8);
  // An edit: the bank account opens only with origin 111, in typing order,
  // and must be one of the company's.
  const auto editar = [&](const json& campos) {
    return Registrar("TnCtbDMLctoCtbQ100",
                     {{"op", "edit"}, {"company", 1}, {"key", FChave}, {"fields", campos}});
  };
  EXPECT_EQ(editar({{"CODIGOCONTABANCARIA", 77}, {"ORIGEMRECURSO", "111"}}), 1);
  EXPECT_EQ(FResultado["message"], "Campo 'CODIGOCONTABANCARIA' não pode ser modificado");
  EXPECT_EQ(editar({{"ORIGEMRECURSO", "111"}, {"CODIGOCONTABANCARIA", 77}}), 1);
  EXPECT_EQ(FResultado["message"], "CODIGOCONTABANCARIA: 77 não existe, verifique.") << FSaida;
  EXPECT_EQ(Contar("select count(*) from LCTOCTBQ100 where ORIGEMRECURSO = '112'"), 1);
}

// No bookkeeping option for the demo company: the books start on
// 31/12/1899, so any occurrence date is refused and nothing is written.
TEST_P(TCtbRecordTest, ExtemporaneousDateRefusedOnItsField) {
  EXPECT_EQ(Registrar("TnCtbDMLctoCtbExtemp",
                      {{"op", "insert"},
                       {"company", 1},
                       {"fields", {{"CHAVELCTOCTB", FChave}, {"DATAEXTEMP", "2024-12-31"}}}}),
            1);
  EXPECT_EQ(FResultado["result"], "refused");
  EXPECT_EQ(FResultado["field"], "DATAEXTEMP");
  EXPECT_EQ(FResultado["message"],
            "A data da ocorrência deve ser anterior à data de início da escrituração.");
  EXPECT_EQ(Contar("select count(*) from LCTOCTBEXTEMP"), 0);
}

TEST_P(TCtbRecordTest, RefusedClassesAndSelections) {
  Conexao().ExecuteDirect(
      "update DIREITOUSUARIO set NIVEL = '1' where CODIGOUSUARIO = 2 and NOMEDIREITO = "
      "'actTnCtbDMLctoCtbQ100'");
  const struct {
    const char* Linha;
    int Usuario;
    std::string Erro;
  } casos[] = {
      {"TnNada list --company 1", 1, "Classe desconhecida: TnNada"},
      {"TnCtbDPGerarSaldoCtbIndividual list --company 1", 1,
       "TnCtbDPGerarSaldoCtbIndividual não é um cadastro"},
      {"TnCtbDMLctoCtbQ100 list --company 1", 2,
       "O usuário 2 não tem direito a \"Lançamento Contábil - Registro Q100\""},
      {"TnCtbDCOrigemLctoCtb post", 1, "TnCtbDCOrigemLctoCtb é uma consulta"},
      {"TnCtbDMLctoGer post", 1, "TnCtbDMLctoGer não tem registros de empresa e chave"},
      {"TnCtbDMLctoCtbParticipante list --company 1 --from 2025-01-01", 1,
       "TnCtbDMLctoCtbParticipante não tem data"},
      {"TnCtbDMLctoCtbQ100 list --company 1 --key x", 1,
       "Chave inválida em --key para CHAVELCTOCTB: \"x\""},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.Erro);
    EXPECT_EQ(Comando(std::string("record ") + caso.Linha, "{}", caso.Usuario), 1) << FSaida;
    EXPECT_NE(FErro.find(caso.Erro), std::string::npos) << FErro;
  }
}

TEST_P(TCtbRecordTest, ConsultationListsTheSharedOrigins) {
  ASSERT_EQ(Comando("record tnctbdcorigemlctoctb list --company 1 --format csv"), 0) << FErro;
  EXPECT_EQ(FSaida.substr(0, FSaida.find('\n')), "CODIGOORIGLCTOCTB,DESCRORIGLCTOCTB");
  EXPECT_EQ(static_cast<int64_t>(std::count(FSaida.begin(), FSaida.end(), '\n')),
            Contar("select count(*) from ORIGEMLCTOCTB") + 1);
}

// The relation opens on its fiscal entry, taken from the document.
TEST_P(TCtbRecordTest, RelationOfAFiscalToACorporateEntry) {
  nlohmann::json fiscal = LancamentoDemo();
  fiscal["fields"]["TIPOLANCAMENTO"] = "LF";
  nlohmann::json societario = LancamentoDemo();
  societario["fields"]["TIPOLANCAMENTO"] = "LS";
  ASSERT_EQ(Post(nlohmann::json::array({fiscal, societario})), 0) << FSaida;
  const int64_t fis = FResultado[0]["entry"]["CHAVELCTOCTB"];
  const int64_t soc = FResultado[1]["entry"]["CHAVELCTOCTB"];
  const auto relacionar = [&](int64_t chaveSoc) {
    return Registrar("TnCtbDMRelacLctoCtbIFRS",
                     {{"op", "insert"},
                      {"company", 1},
                      {"fields", {{"CHAVELCTOCTBFIS", fis}, {"CHAVELCTOCTBSOC", chaveSoc}}}});
  };
  EXPECT_EQ(relacionar(fis), 1) << "a fiscal entry is no corporate counterpart";
  EXPECT_EQ(FResultado["field"], "CHAVELCTOCTBSOC");
  ASSERT_EQ(relacionar(soc), 0) << FSaida;
  EXPECT_EQ(Contar("select CHAVELCTOCTBSOC from RELACLCTOCTBIFRS where CHAVELCTOCTBFIS = " +
                   std::to_string(fis)),
            soc);
}

CTB_INSTANTIATE_ENGINES(TCtbRecordTest);

// The web screen's module, keyed as `record TnCtbDMLctoCtbCloud post`.
class TCtbRecordWebTest : public TCtbRecordTest {
 protected:
  static constexpr const char* kWeb = "TnCtbDMLctoCtbCloud";
};

TEST_P(TCtbRecordWebTest, EntryPostedWithAnAliasFoundByItsKeyAndRefusedWithoutHistory) {
  const int64_t antes = Lancamentos();
  ASSERT_EQ(Registrar(kWeb, LancamentoDemo("2025-08-11", 321.5)), 0) << FSaida << FErro;
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
  ASSERT_EQ(Registrar(kWeb, correcao), 0) << FSaida << FErro;
  EXPECT_EQ(Contar("select VALORLCTOCTB * 100" + daChave), 40025);
  ASSERT_EQ(Registrar(kWeb, {{"op", "delete"}, {"company", 1}, {"key", chave}}), 0)
      << FSaida << FErro;
  EXPECT_EQ(Contar("select count(*)" + daChave), 0);
  // The web screen requires the history, and refuses on its field.
  json documento = LancamentoDemo("2025-08-11", 10);
  documento["fields"].erase("CODIGOHISTCTB");
  EXPECT_EQ(Registrar(kWeb, documento), 1) << FSaida;
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

}  // namespace
