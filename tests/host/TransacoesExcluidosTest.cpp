// The built `ctb` on each engine: transactions keyed through `entry post`
// in the demo's SPED company (company 2), two processes keying at once,
// and `deleted list|restore|purge` with and without the rights.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "schema/SchemaInstaller.h"
#include "tests/host/TCtbPrograma.h"

namespace {

using json = nlohmann::json;

constexpr const char* kPerguntaEncerrar =
    "Atenção, está transação possui diferença entre os lançamentos de Débito/Crédito!\r\nTem "
    "certeza que deseja encerra-la?";

// An entry of the SPED company with the sides given.
json Lcto(const std::string& lados, const std::string& valor,
          const std::string& data = "2025-03-15") {
  json campos = {
      {"CODIGOESTAB", 1}, {"DATALCTOCTB", data}, {"CODIGOHISTCTB", 3}, {"VALORLCTOCTB", valor}};
  if (lados.find('D') != std::string::npos)
    campos["CONTACTBDEB"] = "CAIXA";
  if (lados.find('C') != std::string::npos)
    campos["CONTACTBCRED"] = "BANCO";
  return {{"op", "insert"}, {"company", 2}, {"fields", campos}};
}

class TCtbTransacoesTest : public TCtbDemoTest {
 protected:
  std::string Motor() const {
    return std::string(Tipo() == TTipoConexao::SQLite ? "--db" : "--pg") + " '" +
           Banco().Parametros() + "'";
  }
  // The transaction part of result `i`: "number debit credit difference open".
  std::string Transacao(const json& resultado) {
    const json& t = resultado["transaction"];
    return std::to_string(t["TRANSCTB"].get<int64_t>()) + " " + t["debit"].dump() + " " +
           t["credit"].dump() + " " + t["difference"].dump() + (t["open"] ? " aberta" : " fechada");
  }
  // The company's last number drawn (deleted entries keep theirs).
  int64_t UltimaTransacao() {
    return Contar(
        "select VALOR from SEQUENCIAEMPRESA where CODIGOEMPRESA = 2 and NOME = 'GEN_TRANSCTB'");
  }
};

TEST_P(TCtbTransacoesTest, EntryPostKeepsTheTransactionOpenAcrossTheArrayUntilItBalances) {
  const int64_t n = UltimaTransacao() + 1;
  ASSERT_EQ(Post(json::array(
                {Lcto("D", "100.00"), Lcto("C", "60.00"), Lcto("C", "40.00"), Lcto("DC", "5.00")})),
            0)
      << FSaida;
  const std::string t = std::to_string(n);
  EXPECT_EQ(Transacao(FResultado[0]), t + " 100.0 0.0 100.0 aberta");
  EXPECT_EQ(Transacao(FResultado[1]), t + " 100.0 60.0 40.0 aberta");
  EXPECT_EQ(Transacao(FResultado[2]), t + " 100.0 100.0 0.0 fechada");
  EXPECT_EQ(Transacao(FResultado[3]), std::to_string(n + 1) + " 5.0 5.0 0.0 fechada");
}

// A document may close the open transaction: when it does not balance the
// module asks, and "Não" keeps it open for the next document.
TEST_P(TCtbTransacoesTest, ADocumentClosesTheTransactionAskingWhenItDoesNotBalance) {
  struct TCaso {
    const char* Resposta;
    const char* Estado;
    int64_t ProximaNaMesma;
  };
  for (const TCaso& caso : {TCaso{"Sim", "fechada", 0}, TCaso{"Não", "aberta", 1}}) {
    const int64_t n = UltimaTransacao() + 1;
    json fechar = Lcto("C", "30.00");
    fechar["transaction"] = "close";
    fechar["answers"] = {caso.Resposta};
    ASSERT_EQ(Post(json::array({Lcto("D", "100.00"), fechar, Lcto("C", "70.00")})), 0) << FSaida;
    EXPECT_EQ(FResultado[1]["questions"].back()["text"], kPerguntaEncerrar);
    EXPECT_EQ(Transacao(FResultado[1]), std::to_string(n) + " 100.0 30.0 70.0 " + caso.Estado);
    EXPECT_EQ(FResultado[2]["transaction"]["TRANSCTB"] == n, caso.ProximaNaMesma == 1)
        << caso.Resposta;
  }
  // Without an answer nothing of the document stays.
  json fechar = Lcto("D", "30.00");
  fechar["transaction"] = "close";
  const int64_t antes = Lancamentos();
  EXPECT_EQ(Post(fechar), 1);
  EXPECT_EQ(FResultado["result"], "question");
  EXPECT_EQ(Lancamentos(), antes);
}

TEST_P(TCtbTransacoesTest, TwoProcessesKeyingOneCompanyNeverShareANumber) {
  const int64_t antes = Contar("select count(*) from LCTOCTB where CODIGOEMPRESA = 2");
  constexpr int kPorProcesso = 12;
  for (const char* nome : {"a.json", "b.json"}) {
    json documentos = json::array();
    for (int i = 0; i < kPorProcesso; ++i)
      documentos.push_back(Lcto(i % 3 == 0 ? "D" : (i % 3 == 1 ? "C" : "DC"),
                                std::to_string(10 + i - i % 3) + ".00"));
    Escrever(nome, documentos.dump());
  }
  const std::string ctb = std::string(CTB_EXECUTABLE) + " " + Motor() + " entry post ";
  const std::string comando = "cd '" + FPasta.string() + "' && (" + ctb + "a.json > a.out 2>&1 & " +
                              ctb + "b.json > b.out 2>&1 & wait)";
  ASSERT_EQ(std::system(comando.c_str()), 0);
  std::vector<int64_t> numeros;
  for (const char* saida : {"a.out", "b.out"}) {
    std::ifstream arquivo(FPasta / saida);
    const json resultados = json::parse(arquivo);
    ASSERT_EQ(resultados.size(), static_cast<size_t>(kPorProcesso)) << resultados.dump();
    // Each process keys a single debit and credit pair (one transaction)
    // and a double entry (another) in every three documents.
    for (size_t i = 0; i < resultados.size(); i += 3) {
      ASSERT_EQ(resultados[i]["result"], "posted") << resultados[i].dump();
      numeros.push_back(resultados[i]["transaction"]["TRANSCTB"]);
      numeros.push_back(resultados[i + 2]["transaction"]["TRANSCTB"]);
    }
  }
  EXPECT_EQ(std::set<int64_t>(numeros.begin(), numeros.end()).size(), numeros.size());
  EXPECT_EQ(Contar("select count(*) from LCTOCTB where CODIGOEMPRESA = 2"),
            antes + 2 * kPorProcesso);
}

// An entry of company 1 (cost centres in use) with a managerial and an
// activity split, deleted by a user with the log right: the log lists it,
// a restore brings all three back once and the balances follow.
TEST_P(TCtbTransacoesTest, DeletedEntriesAreListedRestoredOnceAndPurgedUnderTheirRights) {
  ASSERT_EQ(Post(LancamentoDemo("2025-08-11", "321.00")), 0) << FSaida;
  const int64_t chave = ChavePostada();
  const std::string k = std::to_string(chave);
  Conexao().ExecuteScript(fmt::format(
      "insert into LCTOGER (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOCENTROCUSTO, NATURLCTOCTB, "
      "CONTACTB, DATALCTOCTB, VALORLCTOGER) values (1, {0}, 101, 1, 1101001, '2025-08-11', 321);"
      "insert into LCTOATIVDIFERENC (CODIGOEMPRESA, CHAVELCTOCTB, CONTACTB, CODIGOATIVDIF, "
      "NATURLCTOCTB, DATALCTOCTB, VALORLCTOATIV, ORIGEMDADO) values "
      "(1, {0}, 1101001, 7, 1, '2025-08-11', 321, 1);",
      k));
  ASSERT_EQ(Post({{"op", "delete"}, {"company", 1}, {"key", chave}}), 0) << FSaida;
  // The splits would go with the entry through their own modules.
  Conexao().ExecuteScript("delete from LCTOGER where CHAVELCTOCTB = " + k +
                          "; delete from LCTOATIVDIFERENC where CHAVELCTOCTB = " + k + ";");
  // The balance rows the entry alone held left with it, none kept at zero.
  EXPECT_TRUE(SchemaInstaller::VerificarSaldos(Conexao()).Rows.empty());

  ASSERT_EQ(Comando("deleted list --company 1 --format json"), 0) << FErro;
  const json lista = json::parse(FSaida);
  ASSERT_EQ(lista.size(), 1u) << FSaida;
  EXPECT_EQ(lista[0]["CHAVELCTOCTB"], chave);
  EXPECT_EQ(lista[0]["GERENCIAIS"], 1);
  EXPECT_EQ(lista[0]["ATIVIDADES"], 1);
  const std::string id = std::to_string(lista[0]["IDLCTOCTBEXCL"].get<int64_t>());

  const std::string restaurar = "deleted restore --company 1 --id " + id;
  const struct {
    std::string Linha;
    int Usuario;
    int Status;
    std::string Mensagem;
  } casos[] = {
      {restaurar, 2, 1, "O usuário 2 não tem o direito DireitoRestaurarLancamentoExcluido"},
      {"deleted list --company 9", 1, 1, "Empresa 9 não cadastrada"},
      {restaurar + " --same-key", 1, 0,
       "Lançamento excluído " + id + " restaurado com a chave " + k},
      {restaurar, 1, 1, "O lançamento excluído " + id + " não está no registro da empresa 1"},
  };
  for (const auto& caso : casos) {
    EXPECT_EQ(Comando(caso.Linha, "", caso.Usuario), caso.Status) << FErro;
    EXPECT_NE((FSaida + FErro).find(caso.Mensagem), std::string::npos) << FSaida << FErro;
  }
  for (const char* tabela : {"LCTOCTB", "LCTOGER", "LCTOATIVDIFERENC"})
    EXPECT_EQ(Contar(std::string("select count(*) from ") + tabela +
                     " where CODIGOEMPRESA = 1 and CHAVELCTOCTB = " + k),
              1)
        << tabela;
  EXPECT_TRUE(SchemaInstaller::VerificarSaldos(Conexao()).Rows.empty());
}

TEST_P(TCtbTransacoesTest, RestoreRefusesATakenKeyAndPurgeNeedsTheLogRight) {
  // The demo's SPED company logged entries deleted by mistake.
  ASSERT_EQ(Comando("deleted list --company 2 --from 2025-12-01 --to 2025-12-31 --format csv"), 0)
      << FErro;
  EXPECT_EQ(std::count(FSaida.begin(), FSaida.end(), '\n'), 3) << FSaida;
  const int64_t ocupada = Contar("select min(CHAVELCTOCTB) from LCTOCTB where CODIGOEMPRESA = 2");
  EXPECT_EQ(Comando("deleted restore --company 2 --id 1 --key " + std::to_string(ocupada)), 1);
  EXPECT_NE(FErro.find("A chave " + std::to_string(ocupada) + " já existe na empresa 2"),
            std::string::npos)
      << FErro;
  Conexao().ExecuteDirect(
      "update DIREITOUSUARIO set NIVEL = '1' where CODIGOUSUARIO = 2 and NOMEDIREITO = "
      "'DireitoControlaLancamentoExcluido'");
  const std::string eliminar = "deleted purge --company 2 --from 2025-11-01 --to 2025-11-30";
  EXPECT_EQ(Comando(eliminar, "", 2), 1);
  EXPECT_EQ(Comando("deleted list --company 2", "", 2), 1);
  EXPECT_EQ(Contar("select count(*) from LCTOCTBEXCLUIDO where CODIGOEMPRESA = 2"), 4);
  EXPECT_EQ(Comando(eliminar), 0) << FErro;
  EXPECT_EQ(FSaida, "2 lançamento(s) eliminado(s) do registro de excluídos\n");
  EXPECT_EQ(Contar("select count(*) from LCTOCTBEXCLUIDO where CODIGOEMPRESA = 2"), 2);
  // Without the log right a delete leaves no copy.
  ASSERT_EQ(Post(Lcto("DC", "12.34", "2025-08-15"), 2), 0) << FSaida;
  ASSERT_EQ(Post({{"op", "delete"},
                  {"company", 2},
                  {"key", FResultado["entry"]["CHAVELCTOCTB"]},
                  {"answers", {"Não"}}},
                 2),
            0)
      << FSaida;
  EXPECT_EQ(Contar("select count(*) from LCTOCTBEXCLUIDO where CODIGOEMPRESA = 2"), 2);
}

CTB_INSTANTIATE_ENGINES(TCtbTransacoesTest);

}  // namespace
