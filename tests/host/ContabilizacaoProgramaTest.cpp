// `ctb post` through the built program on the demo company, on each engine:
// the per-entry report by the caller's key and its message tree, the checks
// that refuse a file
// before anything is written, and a batch that a kill leaves whole and the
// trial balance then shows.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <fmt/format.h>

#include <chrono>
#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>

#include "host/import/CsvReader.h"
#include "tests/host/TCtbPrograma.h"

namespace {

using json = nlohmann::json;

constexpr int64_t kDespesa = 4202001;  // apportioned over 101, 102, 103, 201, 302
constexpr int64_t kCaixa = 1101001;

json Lancamento(int64_t chave, int64_t deb, int64_t cred, const std::string& valor) {
  return {{"CODIGOEMPRESA", 1},          {"CHAVELCTOCTB", chave}, {"CODIGOESTAB", 1},
          {"DATALCTOCTB", "2025-08-11"}, {"CONTACTBDEB", deb},    {"CONTACTBCRED", cred},
          {"CODIGOHISTCTB", 17},         {"VALORLCTOCTB", valor}};
}

class TContabilizacaoProgramaTest : public TCtbDemoTest {
 protected:
  int Postar(const std::string& nome, const std::string& conteudo,
             const std::string& formato = "json") {
    Escrever(nome, conteudo);
    return Ctb({"post", nome, "--format", formato});
  }
  // CodigoConta -> (DEBITO, CREDITO) of the year's trial balance.
  std::map<std::string, std::pair<std::string, std::string>> Balancete() {
    EXPECT_EQ(Comando("trial-balance --company 1 --period 2025 --format csv"), 0) << FErro;
    std::istringstream csv(FSaida);
    TCsvReader leitor(csv);
    std::map<std::string, size_t> coluna;
    for (size_t i = 0; i < leitor.Header().size(); ++i)
      coluna[leitor.Header()[i]] = i;
    std::map<std::string, std::pair<std::string, std::string>> contas;
    while (auto linha = leitor.Next())
      contas[linha->Cells[coluna["CodigoConta"]]] = {linha->Cells[coluna["DEBITO"]],
                                                     linha->Cells[coluna["CREDITO"]]};
    return contas;
  }
};

TEST_P(TContabilizacaoProgramaTest, RefusedEntryIsReportedByItsKeyAndTheRestIsPosted) {
  const int64_t antes = Lancamentos();
  json primeiro = Lancamento(501, kDespesa, 0, "100.00");
  primeiro["LCTOGER"] = {
      {{"CODIGOCENTROCUSTO", 202}, {"NATURLCTOCTB", 1}, {"VALORLCTOGER", "7.00"}}};
  const json lote = {primeiro, Lancamento(502, kCaixa, kCaixa, "5.00"),
                     Lancamento(503, 0, kCaixa, "100.00")};
  ASSERT_EQ(Postar("lote.json", lote.dump()), 1) << FErro;
  const json relatorio = json::parse(FSaida)["rows"];
  ASSERT_EQ(relatorio.size(), 3u) << FSaida;
  EXPECT_EQ(relatorio[1]["CHAVE"], 502);
  EXPECT_EQ(relatorio[1]["SITUACAO"], "recusado");
  EXPECT_EQ(relatorio[1]["MENSAGEM"], "A conta a débito não pode ser igual à conta a crédito!");
  EXPECT_TRUE(relatorio[1]["CHAVENOVA"].is_null());
  EXPECT_EQ(relatorio[2]["SITUACAO"], "contabilizado");
  EXPECT_EQ(Lancamentos(), antes + 2);
  const int64_t chave = relatorio[0]["CHAVENOVA"];
  EXPECT_EQ(Contar("select count(*) from LCTOGER where CODIGOEMPRESA = 1 and CHAVELCTOCTB = " +
                   std::to_string(chave) + " and CODIGOCENTROCUSTO = 202 and ORIGEMDADO = 3"),
            1)
      << "the given row lands under the new key, beside the account's apportionment";
}

// The JSON tree, a node a line: its kind and text, indented under its parent.
std::string Arvore(const json& nos, const std::string& recuo = "") {
  std::string texto;
  for (const json& no : nos)
    texto += recuo + no["kind"].get<std::string>() + " " + no["text"].get<std::string>() + "\n" +
             Arvore(no["children"], recuo + "  ");
  return texto;
}

TEST_P(TContabilizacaoProgramaTest, TreeHoldsARefusalAndASkippedRowUnderTheirEntries) {
  json comGerencial = Lancamento(601, kDespesa, kCaixa, "30.00");
  comGerencial["LCTOGER"] = {
      {{"CODIGOCENTROCUSTO", 202}, {"NATURLCTOCTB", -1}, {"VALORLCTOGER", "30.00"}}};
  const json lote = {comGerencial, Lancamento(602, kCaixa, kCaixa, "5.00"),
                     Lancamento(603, kDespesa, kCaixa, "1.00")};
  ASSERT_EQ(Postar("lote.json", lote.dump()), 1) << FErro;
  const json saida = json::parse(FSaida);
  EXPECT_EQ(saida["rows"].size(), 3u) << FSaida;
  EXPECT_EQ(Arvore(saida["tree"]),
            "informacao Lançamento 601 da empresa 1\n"
            "  informacao Linha gerencial do centro de custo 202 a crédito\n"
            "    aviso Conta Contábil sem Distribuição Gerencial! Conta Contábil = 1101001. "
            "Lançamento ignorado...\n"
            "informacao Lançamento 602 da empresa 1\n"
            "  erro A conta a débito não pode ser igual à conta a crédito!\n")
      << "an entry with nothing to say has no node";
  ASSERT_EQ(Postar("limpo.json", json{Lancamento(604, kDespesa, kCaixa, "2.00")}.dump()), 0)
      << FErro;
  EXPECT_EQ(Arvore(json::parse(FSaida)["tree"]),
            "informacao Lançamentos contabilizados com sucesso!\n");
}

TEST_P(TContabilizacaoProgramaTest, CsvWithARowKindColumnPostsEntriesAndTheirRows) {
  ASSERT_EQ(Postar("lote.csv",
                   "TIPO,CODIGOEMPRESA,CHAVELCTOCTB,CODIGOESTAB,DATALCTOCTB,CONTACTBDEB,"
                   "CONTACTBCRED,CODIGOHISTCTB,VALORLCTOCTB,CODIGOCENTROCUSTO,NATURLCTOCTB,"
                   "VALORLCTOGER\n"
                   "G,1,9,,,,,,,202,1,3.00\n"
                   "L,1,9,1,11/08/2025,4202001,1101001,17,40.00,,,\n",
                   "csv"),
            0)
      << FErro;
  EXPECT_NE(FSaida.find("1,9,"), std::string::npos) << FSaida;
  EXPECT_EQ(Contar("select count(*) from LCTOGER where CODIGOEMPRESA = 1 and "
                   "CODIGOCENTROCUSTO = 202 and VALORLCTOGER = 3"),
            1);
}

TEST_P(TContabilizacaoProgramaTest, TheSameContentPostsAgainOnlyWithAgain) {
  const std::string lote = json{Lancamento(501, kDespesa, kCaixa, "10.00")}.dump();
  ASSERT_EQ(Postar("folha.json", lote), 0) << FErro;
  const int64_t antes = Lancamentos();
  Escrever("copia.json", lote);
  EXPECT_EQ(Comando("post copia.json"), 1);
  EXPECT_NE(FErro.find("ctb: Este conteúdo já foi contabilizado na empresa 1 em "),
            std::string::npos)
      << FErro;
  EXPECT_NE(FErro.find("(arquivo folha.json); use --again para contabilizá-lo de novo"),
            std::string::npos)
      << FErro;
  EXPECT_EQ(Lancamentos(), antes);
  EXPECT_EQ(Comando("post copia.json --again"), 0) << FErro;
  EXPECT_EQ(Lancamentos(), antes + 1);
  // The batch numbers its own transactions: the company's sequence is not
  // theirs, and the books check clean.
  EXPECT_EQ(Comando("db check --company 1"), 0) << FSaida;
}

TEST_P(TContabilizacaoProgramaTest, BadFilesAreRefusedNamingTheEntryAndWriteNothing) {
  const int64_t antes = Lancamentos();
  // A file of entry 7 with `campo` set to `valor`.
  const auto com = [](const std::string& campo, const json& valor) {
    json lancamento = Lancamento(7, kDespesa, kCaixa, "1.00");
    lancamento[campo] = valor;
    return json::array({lancamento}).dump();
  };
  struct TCaso {
    const char* Nome;
    std::string Conteudo;
    const char* Erro;  // how standard error starts
  };
  const TCaso casos[] = {
      {"lote.json", com("VALORLCTOCTB", "10.005"),
       "ctb: Lançamento 7 da empresa 1: VALORLCTOCTB: "},
      {"lote.json", com("FOO", 1), "ctb: Lançamento na posição 1: campo desconhecido: FOO"},
      {"lote.json", com("COMPLHIST", std::string(301, 'a')),
       "ctb: Lançamento 7 da empresa 1: COMPLHIST: mais de 300 caracteres"},
      {"lote.json",
       com("LCTOGER",
           json::array({{{"CODIGOCENTROCUSTO", 202}, {"NATURLCTOCTB", 0}, {"VALORLCTOGER", 1}}})),
       "ctb: Lançamento 7 da empresa 1, linha gerencial 1: NATURLCTOCTB: use 1"},
      {"lote.json", json::array({Lancamento(7, 1, 2, "1"), Lancamento(7, 1, 2, "1")}).dump(),
       "ctb: Lançamento 7 da empresa 1: chave repetida no arquivo"},
      {"lote.json", com("CODIGOEMPRESA", 77), "ctb: "},
      {"lote.json", "{\"CODIGOEMPRESA\": 1}", "ctb: O arquivo deve ser uma lista de lançamentos"},
      {"lote.csv",
       "TIPO,CODIGOEMPRESA,CHAVELCTOCTB,CODIGOCENTROCUSTO,NATURLCTOCTB,VALORLCTOGER\n"
       "G,1,8,202,1,1.00\n",
       "ctb: Linha 2: Lançamento 8 da empresa 1 não está no arquivo"},
      {"lote.txt", "[]", "ctb: O arquivo deve ser .json ou .csv"},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Erro);
    EXPECT_EQ(Postar(caso.Nome, caso.Conteudo), 1);
    EXPECT_EQ(FErro.rfind(caso.Erro, 0), 0u) << FErro;
    EXPECT_EQ(Lancamentos(), antes);
  }
}

// A batch of entries, each with a managerial row: killed on the way it
// leaves all or nothing; posted, the trial balance moves by its total. (The
// 10,000-entry run is bench/post_vs_import.sh's, on an optimised build.)
TEST_P(TContabilizacaoProgramaTest, KilledBatchLeavesAllOrNothingAndTheTrialBalanceShowsIt) {
  constexpr int kQuantidade = 300;
  json lote = json::array();
  int64_t centavos = 0;
  for (int i = 1; i <= kQuantidade; ++i) {
    const int64_t valor = 100 + i % 997;
    centavos += valor;
    json l = Lancamento(i, kDespesa, kCaixa, fmt::format("{}.{:02}", valor / 100, valor % 100));
    l["DATALCTOCTB"] = fmt::format("2025-{:02}-15", 1 + i % 12);
    l["LCTOGER"] = {{{"CODIGOCENTROCUSTO", 202}, {"NATURLCTOCTB", 1}, {"VALORLCTOGER", "0.01"}}};
    lote.push_back(l);
  }
  Escrever("lote.json", lote.dump());
  const auto antes = Balancete();
  const int64_t lancamentos = Lancamentos();
  const pid_t filho = Iniciar(NoBanco(Palavras("post lote.json --format csv")));
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  ::kill(filho, SIGKILL);
  Aguardar(filho);
  const int64_t gravados = Lancamentos() - lancamentos;
  ASSERT_TRUE(gravados == 0 || gravados == kQuantidade) << gravados;
  if (gravados == 0) {
    ASSERT_EQ(Comando("post lote.json --format csv"), 0) << FErro;
  }
  EXPECT_EQ(Lancamentos(), lancamentos + kQuantidade);
  EXPECT_EQ(Contar("select count(*) from LCTOGER where CODIGOEMPRESA = 1 and CODIGOCENTROCUSTO "
                   "= 202 and ORIGEMDADO = 3 and VALORLCTOGER = 0.01"),
            kQuantidade);
  const auto depois = Balancete();
  // An account without movement is not in the trial balance.
  const auto total = [](const auto& contas, int64_t conta, bool credito) -> int64_t {
    const auto it = contas.find(std::to_string(conta));
    if (it == contas.end())
      return 0;
    const std::string& texto = credito ? it->second.second : it->second.first;
    return std::llround(std::stod(texto.empty() ? "0" : texto) * 100);
  };
  EXPECT_EQ(total(depois, kDespesa, false) - total(antes, kDespesa, false), centavos);
  EXPECT_EQ(total(depois, kCaixa, true) - total(antes, kCaixa, true), centavos);
}

CTB_INSTANTIATE_ENGINES(TContabilizacaoProgramaTest);

}  // namespace
