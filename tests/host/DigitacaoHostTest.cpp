#include "host/services/DigitacaoHost.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/db/TnDMConexao.h"
#include "tests/host/TnTesteDMLcto.h"
#include "tests/support/TestDatabases.h"

namespace {

using json = nlohmann::ordered_json;

class TDigitacaoHostTest : public TSchemaTest {
 protected:
  void SetUp() override {
    TSchemaTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    Conexao().ExecuteScript(
        "INSERT INTO PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, DESCRCONTA, TIPOCONTA, "
        "APELIDOCONTA) VALUES (1, 1101, '1.1.01', 'Caixa', 2, 'CAIXA'), "
        "(1, 2101, '2.1.01', 'Fornecedores', 2, 'FORNEC');"
        "INSERT INTO HISTORICOCTB (CODIGOHISTCTB, DESCRHISTCTB) VALUES (3, 'Pagamento')");
    TnTesteDMLcto::Registrar();
    FOpcoes.Classe = TnTesteDMLcto::kNomeClasse;
  }

  // An insert of 150.00 on 10/03/2025 from CAIXA to 2101 with history 3,
  // with the answers given.
  static json Insercao(const std::string& valor, std::vector<std::string> respostas = {}) {
    json documento = {{"op", "insert"}, {"company", 1}};
    documento["fields"] = {{"DATALCTOCTB", "2025-03-10"},
                           {"CONTACTBDEB", "CAIXA"},
                           {"CONTACTBCRED", "2101"},
                           {"CODIGOHISTCTB", 3},
                           {"VALORLCTOCTB", valor}};
    documento["answers"] = respostas;
    return documento;
  }

  json Rodar(const json& documento) {
    return DigitacaoHost::Executar(Conexao(), documento, FOpcoes).Saida;
  }

  // The entries, or those that match `onde`.
  int64_t Quantos(const std::string& onde = "1 = 1") {
    return Contar("SELECT count(*) FROM LCTOCTB WHERE " + onde);
  }

  DigitacaoHost::TOpcoesDigitacao FOpcoes;
};

// An insert types each field in order and reaches the table; the screen
// then holds only the entries of the document's company and month.
TEST_P(TDigitacaoHostTest, InsertTypesEachFieldInOrderReachesTheTableAndTheScreensMonth) {
  DigitacaoHost::TDigitacao digitacao(Conexao(), FOpcoes);
  json resultado = digitacao.Executar(Insercao("150.00"));
  ASSERT_EQ(resultado["result"], "posted") << resultado.dump();
  EXPECT_EQ(resultado["questions"], json::array());
  EXPECT_EQ(resultado["informations"], json::array());
  const json& entry = resultado["entry"];
  EXPECT_EQ(entry["CONTACTBDEB"], 1101);  // the alias, resolved
  EXPECT_EQ(entry["CONTACTBCRED"], 2101);
  EXPECT_EQ(entry["DATALCTOCTB"], "2025-03-10");
  EXPECT_EQ(entry["VALORLCTOCTB"], 150.0);
  EXPECT_EQ(entry["COMPLHIST"], "Pagamento");  // filled by the history's exit
  EXPECT_GT(entry["CHAVELCTOCTB"].get<int64_t>(), 0);

  const std::vector<std::string> esperada = {
      "enter:DATALCTOCTB",   "exit:DATALCTOCTB",   "enter:CONTACTBDEB",  "set:CONTACTBDEB",
      "exit:CONTACTBDEB",    "enter:CONTACTBCRED", "set:CONTACTBCRED",   "exit:CONTACTBCRED",
      "enter:CODIGOHISTCTB", "exit:CODIGOHISTCTB", "enter:VALORLCTOCTB", "exit:VALORLCTOCTB"};
  auto* modulo = dynamic_cast<TnTesteDMLcto*>(digitacao.Modulo());
  ASSERT_NE(modulo, nullptr);
  EXPECT_EQ(modulo->Trilha(), esperada);
  EXPECT_TRUE(modulo->TemTela());
  EXPECT_NE(modulo->Form(), nullptr);

  EXPECT_EQ(Quantos(), 1);
  EXPECT_EQ(Quantos("CHAVELCTOCTB = " + entry["CHAVELCTOCTB"].dump() +
                    " AND CONTACTBDEB = 1101 AND CONTACTBCRED = 2101 AND VALORLCTOCTB = 150 AND "
                    "COMPLHIST = 'Pagamento'"),
            1);

  json abril = Insercao("80.00");
  abril["fields"]["DATALCTOCTB"] = "2025-04-02";
  ASSERT_EQ(digitacao.Executar(abril)["result"], "posted");
  EXPECT_EQ(Quantos(), 2);
  const TnClientDataSet& registros = digitacao.Modulo()->nClientDataSet;
  ASSERT_EQ(registros.RecordCount(), 1);
  EXPECT_EQ(registros.FieldByName("VALORLCTOCTB").AsCurrency(), Currency::FromString("80"));
}

TEST_P(TDigitacaoHostTest, EditAndDeleteFindTheEntryByCompanyAndKey) {
  json inserido = Rodar(Insercao("150.00"));
  ASSERT_EQ(inserido["result"], "posted") << inserido.dump();
  const int64_t chave = inserido["entry"]["CHAVELCTOCTB"].get<int64_t>();

  json edicao = {{"op", "edit"}, {"company", 1}, {"key", chave}};
  edicao["fields"] = {{"VALORLCTOCTB", 275.5}, {"CONTACTBCRED", "FORNEC"}};
  json editado = Rodar(edicao);
  ASSERT_EQ(editado["result"], "posted") << editado.dump();
  EXPECT_EQ(editado["entry"]["VALORLCTOCTB"], 275.5);
  // The debit account untouched.
  EXPECT_EQ(Quantos("CHAVELCTOCTB = " + std::to_string(chave) +
                    " AND VALORLCTOCTB = 275.50 AND CONTACTBCRED = 2101 AND CONTACTBDEB = 1101"),
            1);

  json semEntrada = Rodar({{"op", "delete"}, {"company", 1}, {"key", chave + 100}});
  EXPECT_EQ(semEntrada["result"], "refused");
  EXPECT_EQ(Quantos(), 1);

  json removido = Rodar({{"op", "delete"},
                         {"company", 1},
                         {"key", chave},
                         {"selection", {{"from", "2025-03-01"}, {"to", "2025-03-31"}}}});
  ASSERT_EQ(removido["result"], "posted") << removido.dump();
  EXPECT_EQ(removido["entry"]["CHAVELCTOCTB"], chave);
  EXPECT_EQ(Quantos(), 0);
}

// A screen left open while another user changes the entry: the edit keyed on
// the stale record is refused and his change stays.
TEST_P(TDigitacaoHostTest, AnEditOfAnEntryChangedSinceItWasReadIsRefused) {
  const json marco = {{"from", "2025-03-01"}, {"to", "2025-03-31"}};
  DigitacaoHost::TDigitacao digitacao(Conexao(), FOpcoes);
  json insercao = Insercao("150.00");
  insercao["selection"] = marco;
  json inserido = digitacao.Executar(insercao);
  ASSERT_EQ(inserido["result"], "posted") << inserido.dump();
  const int64_t chave = inserido["entry"]["CHAVELCTOCTB"].get<int64_t>();
  Conexao().ExecuteDirect("UPDATE LCTOCTB SET VALORLCTOCTB = 99 WHERE CHAVELCTOCTB = " +
                          std::to_string(chave));

  json edicao = {{"op", "edit"}, {"company", 1}, {"key", chave}, {"selection", marco}};
  edicao["fields"] = {{"VALORLCTOCTB", "200.00"}};
  json editado = digitacao.Executar(edicao);
  EXPECT_EQ(editado["result"], "refused") << editado.dump();
  EXPECT_NE(editado.value("message", "").find("alterado por outro usuário"), std::string::npos)
      << editado.dump();
  EXPECT_EQ(Quantos("CHAVELCTOCTB = " + std::to_string(chave) + " AND VALORLCTOCTB = 99"), 1);
}

TEST_P(TDigitacaoHostTest, RefusalsCarryTheFieldAndTheExactMessageAndWriteNothing) {
  struct TCaso {
    std::string Campo;  // typed, and named by the refusal
    std::string Valor;
    std::string Mensagem;
  } casos[] = {
      {"VALORLCTOCTB", "0", "O valor do lançamento deve ser maior que zero"},
      {"CONTACTBDEB", "BANCO", "Conta não encontrada: BANCO"},
      {"DATALCTOCTB", "", "Informe a data do lançamento"},
      {"VALORLCTOCTB", "abc", ""},
      {"DATALCTOCTB", "2025-02-30", ""},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Campo + "=" + caso.Valor);
    json documento = Insercao("150.00");
    documento["fields"][caso.Campo] = caso.Valor;
    DigitacaoHost::TSaidaComando saida =
        DigitacaoHost::ComandoEntryPost(Conexao(), documento.dump(), FOpcoes);
    EXPECT_EQ(saida.Status, 1);
    json resultado = json::parse(saida.Texto);
    EXPECT_EQ(resultado["result"], "refused");
    EXPECT_EQ(resultado["field"], caso.Campo);
    if (!caso.Mensagem.empty())
      EXPECT_EQ(resultado["message"], caso.Mensagem);
    else
      EXPECT_FALSE(resultado["message"].get<std::string>().empty());
    EXPECT_FALSE(resultado.contains("entry"));
    EXPECT_EQ(Quantos(), 0);
  }
  // Each refused entry drew its key before its transaction opened, so the
  // draw stayed (the company's sequence is never held until a commit): the
  // next entry's key comes after all of them.
  EXPECT_EQ(Rodar(Insercao("150.00"))["entry"]["CHAVELCTOCTB"], std::size(casos) + 1);
}

// Questions are answered in order and "Não" aborts. One left unanswered,
// even one asked after the write or one the module turns into its own
// refusal, is reported as a question, and nothing is written until the
// answer comes.
TEST_P(TDigitacaoHostTest, QuestionsAreAnsweredInOrderOrStopBeforeAnythingIsWritten) {
  const std::string limite = "Valor de 12.000,00 acima do limite. Confirma?";
  struct TCaso {
    std::string Valor, Complemento, Pergunta;
    std::vector<std::string> Respostas;
    std::string Resultado;
    int64_t Linhas;
  } casos[] = {
      {"12000.00", "", limite, {"Sim"}, "posted", 1},
      {"12000.00", "", limite, {"Não"}, "aborted", 0},
      {"12000.00", "", limite, {}, "question", 0},
      {"150.00", "IMPRIMIR", "Imprimir o lançamento?", {}, "question", 0},
      {"150.00", "IMPRIMIR", "Imprimir o lançamento?", {"Sim"}, "posted", 1},
      {"150.00", "CONFERIR", "Conferir o lançamento?", {}, "question", 0},
      {"150.00", "CONFERIR", "Conferir o lançamento?", {"Sim"}, "posted", 1},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Complemento + " " + caso.Resultado);
    Conexao().ExecuteDirect("DELETE FROM LCTOCTB");
    json documento = Insercao(caso.Valor, caso.Respostas);
    if (!caso.Complemento.empty())
      documento["fields"]["COMPLHIST"] = caso.Complemento;
    json resultado = Rodar(documento);
    EXPECT_EQ(resultado["result"], caso.Resultado) << resultado.dump();
    EXPECT_FALSE(resultado.contains("field")) << resultado.dump();
    ASSERT_EQ(resultado["questions"].size(), 1u);
    EXPECT_EQ(resultado["questions"][0]["text"], caso.Pergunta);
    EXPECT_EQ(resultado["questions"][0]["buttons"], json::array({"Sim", "Não"}));
    EXPECT_EQ(resultado["questions"][0]["answer"],
              caso.Respostas.empty() ? json() : json(caso.Respostas[0]));
    EXPECT_EQ(Quantos(), caso.Linhas);
    if (caso.Linhas == 0) {
      EXPECT_EQ(Contar("SELECT count(*) FROM SALDOCTB"), 0);
    }
  }
}

TEST_P(TDigitacaoHostTest, AnArrayRunsOnOneScreenAndStopsAtTheFirstResultNotPosted) {
  json segunda = Insercao("20.00");
  segunda["fields"].erase("DATALCTOCTB");  // the screen remembers the last date
  json recusada = Insercao("0");
  json entrada = json::array({Insercao("10.00"), segunda, recusada, Insercao("30.00")});
  DigitacaoHost::TSaidaComando saida =
      DigitacaoHost::ComandoEntryPost(Conexao(), entrada.dump(), FOpcoes);
  EXPECT_EQ(saida.Status, 1);
  json resultados = json::parse(saida.Texto);
  ASSERT_EQ(resultados.size(), 3u);
  EXPECT_EQ(resultados[0]["result"], "posted");
  EXPECT_EQ(resultados[1]["result"], "posted");
  EXPECT_EQ(resultados[1]["entry"]["DATALCTOCTB"], "2025-03-10");
  EXPECT_EQ(resultados[2]["result"], "refused");
  EXPECT_EQ(Quantos(), 2);

  json postadas = json::array({Insercao("10.00"), Insercao("20.00")});
  EXPECT_EQ(DigitacaoHost::ComandoEntryPost(Conexao(), postadas.dump(), FOpcoes).Status, 0);
}

// Informations are recorded and never stop; without a screen the module
// asks nothing.
TEST_P(TDigitacaoHostTest, InformationsNeverStopAndWithoutAScreenNothingIsAsked) {
  json semHistorico = Insercao("80.00");
  semHistorico["fields"].erase("CODIGOHISTCTB");
  json resultado = Rodar(semHistorico);
  EXPECT_EQ(resultado["result"], "posted");
  EXPECT_EQ(resultado["informations"], json::array({"Lançamento sem histórico padrão"}));
  EXPECT_EQ(resultado["questions"], json::array());
  json semTela = Insercao("12000.00");
  semTela["screen"] = false;
  resultado = Rodar(semTela);
  EXPECT_EQ(resultado["result"], "posted") << resultado.dump();
  EXPECT_EQ(resultado["questions"], json::array());
  EXPECT_EQ(Quantos(), 2);
}

TEST_P(TDigitacaoHostTest, BadDocumentsAreRefusedOrRaised) {
  json operacao = Insercao("1.00");
  operacao["op"] = "move";
  EXPECT_EQ(Rodar(operacao)["result"], "refused");
  json classe = Insercao("1.00");
  DigitacaoHost::TOpcoesDigitacao outra;
  outra.Classe = "TnClasseQueNaoExiste";
  EXPECT_EQ(DigitacaoHost::Executar(Conexao(), classe, outra).Saida["result"], "refused");
  EXPECT_THROW(DigitacaoHost::ComandoEntryPost(Conexao(), "{ nope", FOpcoes), Exception);
  EXPECT_THROW(DigitacaoHost::ComandoEntryPost(Conexao(), "42", FOpcoes), Exception);
}

CTB_INSTANTIATE_ENGINES(TDigitacaoHostTest);

}  // namespace
