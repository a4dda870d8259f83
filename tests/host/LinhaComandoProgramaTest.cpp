// The command line as people meet it, through the built `ctb`: a slip of
// any kind is a bad command line (exit 2) with one hint per kind of value,
// the nearest word for a mistyped one, a help in Portuguese that fits an
// 80-column terminal, and `entry post` speaking in lines to a person.

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "framework/core/Nutil.h"
#include "tests/host/TCtbPrograma.h"

namespace {

using json = nlohmann::json;

class TLinhaComandoTest : public TCtbProgramaTest {};

struct TCasoErro {
  std::vector<std::string> Args;
  std::string Erro;  // standard error
};

// What reaches no database runs once, on SQLite.
TEST_P(TLinhaComandoTest, EveryBadValueOrWordIsABadCommandLineWithOneHintPerKind) {
  if (Tipo() != TTipoConexao::SQLite)
    GTEST_SKIP() << "no database involved";
  const std::string dica = " não é uma data válida (use AAAA-MM-DD ou dd/mm/aaaa)\n";
  for (const TCasoErro& caso : std::vector<TCasoErro>{
           {Palavras("ledger --company 1 --account 1 --from 2025-13-01 --to 2025-12-31"),
            "ctb: --from: \"2025-13-01\"" + dica},
           {Palavras("trial-balance --company 1 --from 2025-01-01 --to 31/02/2025"),
            "ctb: --to: \"31/02/2025\"" + dica},
           {Palavras("balances --company 1 --from ontem --to 2025-01-31"),
            "ctb: --from: \"ontem\"" + dica},
           {Palavras("deleted list --company 1 --to 2025-1-32"), "ctb: --to: \"2025-1-32\"" + dica},
           {Palavras("record TnCtbDMLctoCtb list --company 1 --from x"),
            "ctb: --from: \"x\"" + dica},
           {Palavras("statements --company 1 --from 2025-02-01 --to 2025-01-01"),
            "ctb: A data inicial (--from 2025-02-01) é posterior à data final (--to 2025-01-01)\n"},
           {Palavras("journal --company 1 --period 2025-13"),
            "ctb: Período inválido: \"2025-13\" (use AAAA, AAAA-MM ou AAAA-T1 .. AAAA-T4, como "
            "2025, 2025-03, 2025-Q1)\n"},
           {Palavras("trial-balance --company 1 --period 2025 --type 5"),
            "ctb: Valor inválido em --type: 5 (0, 1 ou 2)\n"},
           {Palavras("db rebuild-balances --company um"),
            "ctb: Valor inválido em --company: um (número inteiro positivo)\n"},
           {Palavras("ledger --company 1 --period 2025 --format tabel"),
            "ctb: Valor inválido em --format: tabel (table, csv, csv-br, json ou xlsx)\n"
            "Você quis dizer table?\n"},
           {Palavras("journal --company 1 --period 2025 --csv-br --format csv"),
            "ctb: Opções que não podem ir juntas: --format e --csv-br\n"},
           // A mistyped word: the nearest one.
           {{"trial-balace"},
            "ctb: Comando desconhecido: trial-balace\nVocê quis dizer "
            "trial-balance?\n"},
           {{"trial", "--period", "2025"},
            "ctb: Comando desconhecido: trial\nVocê quis dizer "
            "trial-balance?\n"},
           {{"deleted", "lsit"}, "ctb: Comando desconhecido: lsit\nVocê quis dizer list?\n"},
           {Palavras("ledger --compnay 1"),
            "ctb: Argumento não reconhecido: --compnay 1\nVocê quis dizer --company?\n"},
           {Palavras("journal --company 1 --peroid 2025"),
            "ctb: Argumento não reconhecido: --peroid 2025\nVocê quis dizer --period?\n"},
       }) {
    EXPECT_EQ(Executar(caso.Args), 2) << caso.Erro;
    EXPECT_EQ(FErro, caso.Erro);
  }
  EXPECT_FALSE(std::filesystem::exists(FPasta / "ctb.db"));
}

// A word missing or near none: what is missing or unknown and what is
// accepted, within 80 columns, and no database made; without --db the
// database is ctb.db in the current folder.
TEST_P(TLinhaComandoTest, AWordMissingOrNearNoneListsTheAcceptedOnesAndTheDatabaseIsCtbDb) {
  if (Tipo() != TTipoConexao::SQLite)
    GTEST_SKIP() << "no database involved";
  for (const TCasoErro& caso : std::vector<TCasoErro>{
           {{}, "ctb: Falta o comando\nComandos aceitos: db, load, sql"},
           {{"xyz"}, "ctb: Comando desconhecido: xyz\nComandos aceitos: db, load, sql"},
           {{"db"}, "ctb: Falta o comando\nComandos aceitos: init, rebuild-balances, check"},
           {{"--bogus", "db", "init"}, "ctb: Argumento não reconhecido: --bogus\n"},
           {{"db", "init", "--bogus"}, "ctb: Argumento não reconhecido: --bogus\nOpções aceitas:"},
           {{"db", "init", "extra"}, "ctb: Argumento não reconhecido: extra\n"},
           {{"load", "MOEDA"}, "ctb: Falta ARQUIVO, que é obrigatório"},
           {{"import", "entries", "a.csv"}, "ctb: Falta --company, que é obrigatório"},
           {{"--user", "x", "db", "init"}, "ctb: Valor inválido em --user: x"},
           {{"db", "init", "--db", "a.db", "--pg", "x"},
            "ctb: Opções que não podem ir juntas: --db e --pg"}}) {
    EXPECT_EQ(Executar(caso.Args), 2) << caso.Erro;
    EXPECT_EQ(FErro.rfind(caso.Erro, 0), 0u) << FErro;  // how standard error starts
    std::istringstream texto(FErro);
    for (std::string linha; std::getline(texto, linha);)
      EXPECT_LE(Nutil::Caracteres(linha), 80u) << linha;
  }
  EXPECT_FALSE(std::filesystem::exists(FPasta / "ctb.db"));
  EXPECT_EQ(Executar({"db", "init", "--version"}), 0);
  EXPECT_EQ(FSaida, "ctb 1.0\n");
  EXPECT_EQ(Executar({"db", "init"}), 0) << FErro;
  EXPECT_TRUE(std::filesystem::exists(FPasta / "ctb.db"));
}

// Every command's help: Portuguese, one section of options, within 80
// columns; the program's commands grouped by what they are for.
TEST_P(TLinhaComandoTest, TheHelpOfEveryCommandIsPortugueseAndFitsEightyColumns) {
  if (Tipo() != TTipoConexao::SQLite)
    GTEST_SKIP() << "no database involved";
  ASSERT_EQ(Executar({"--help"}), 0) << FErro;
  const std::string raiz = FSaida;
  size_t anterior = 0;
  for (const char* grupo :
       {"\nDia a dia:\n", "\nRelatórios:\n", "\nAdministração:\n", "\nIntegração:\n"}) {
    const size_t onde = raiz.find(grupo);
    ASSERT_NE(onde, std::string::npos) << grupo << raiz;
    EXPECT_GT(onde, anterior) << grupo;
    anterior = onde;
  }
  // Every command the helps list, from the root down: under a section, two
  // spaces and a word in lower case name a command; a class goes first
  // where the usage asks for one.
  const std::regex subcomando(R"(^  ([a-z][a-z-]*) )");
  std::vector<std::vector<std::string>> pendentes = {{}};
  size_t vistos = 0;
  while (!pendentes.empty()) {
    std::vector<std::string> comando = pendentes.back();
    pendentes.pop_back();
    ++vistos;
    const std::string nome = fmt::format("ctb {}", fmt::join(comando, " "));
    comando.push_back("--help");
    ASSERT_EQ(Executar(comando), 0) << nome << FErro;
    comando.back() = "X";
    if (FSaida.find(" CLASSE COMANDO\n") == std::string::npos)
      comando.pop_back();
    std::istringstream texto(FSaida);
    for (std::string linha; std::getline(texto, linha);) {
      EXPECT_LE(Nutil::Caracteres(linha), 80u) << nome << ": " << linha;
      if (std::smatch achado; std::regex_search(linha, achado, subcomando)) {
        pendentes.push_back(comando);
        pendentes.back().push_back(achado[1]);
      }
    }
    for (const char* ingles : {"Usage", "OPTIONS", "Options", "Positionals", "REQUIRED", "TEXT",
                               "INT", "POSITIVE", "SUBCOMMAND", "Excludes", "Subcommands", " in ["})
      EXPECT_EQ(FSaida.find(ingles), std::string::npos) << nome << ": " << ingles << "\n" << FSaida;
    EXPECT_EQ(FSaida.find("Opções:"), FSaida.rfind("Opções:")) << nome << FSaida;
  }
  EXPECT_GE(vistos, 30u);
  ASSERT_EQ(Executar({"trial-balance", "--help"}), 0);
  for (const char* tipo : {"--type 0, 1 ou 2", "--user número inteiro positivo", "--from data",
                           "--period período", "Empresas (1;3;5-7) (obrigatória)"})
    EXPECT_NE(FSaida.find(tipo), std::string::npos) << tipo << "\n" << FSaida;
}

TEST_P(TLinhaComandoTest, EntryPostSpeaksInLinesToAPersonAndInJsonToAProgram) {
  Demo();
  Escrever("um.json", LancamentoDemo().dump());
  ASSERT_EQ(Comando("entry post um.json --format table"), 0) << FErro;
  const int64_t chave = Contar("select max(CHAVELCTOCTB) from LCTOCTB where CODIGOEMPRESA = 1");
  EXPECT_EQ(FSaida, "Lançamento " + std::to_string(chave) + " gravado\n");
  // A list stops at the first refusal; its line names the field by its label.
  json lista = json::array({LancamentoDemo(), LancamentoDemo("2025-08-12", "1,5")});
  Escrever("dois.json", lista.dump());
  EXPECT_EQ(Comando("entry post dois.json --format table"), 1);
  EXPECT_EQ(FSaida, "Lançamento " + std::to_string(chave + 1) +
                        " gravado\nLançamento não gravado: Valor R$: número inválido: "
                        "'1,5' (use ponto como separador decimal)\n")
      << FErro;
  // Piped, or asked for, the results as JSON.
  for (const char* linha : {"entry post um.json", "entry post um.json --format json"}) {
    ASSERT_EQ(Comando(linha), 0) << FErro;
    EXPECT_EQ(json::parse(FSaida)["result"], "posted") << linha;
  }
}

TEST_P(TLinhaComandoTest, DocumentMistakesAreNamedInPortugueseByLabelAndPlace) {
  Demo();
  // A JSON text that does not parse, wherever one is read: the place only.
  Escrever("doc.json", "{\n  \"company\": 1,\n  \"fields\": {x}\n}");
  for (const auto& [linha, erro] : std::vector<std::pair<std::string, std::string>>{
           {"entry post doc.json", "JSON inválido"},
           {"post doc.json", "JSON inválido"},
           {"import entries doc.json --company 1 --map doc.json", "Mapa de colunas: JSON inválido"},
       }) {
    EXPECT_EQ(Comando(linha), 1) << linha;
    EXPECT_EQ(FErro, "ctb: " + erro + ": erro de sintaxe na linha 3, coluna 14\n") << linha;
  }
  // A field refuses a text by its label, a bad date with the hint of every
  // date; an unknown field lists those the screen has.
  json documento = LancamentoDemo("2025-13-11");
  Recusa(documento, "Data: \"2025-13-11\" não é uma data válida (use AAAA-MM-DD ou dd/mm/aaaa)",
         "DATALCTOCTB");
  documento = LancamentoDemo();
  documento["fields"]["DATALCTO"] = "2025-08-11";
  EXPECT_EQ(Post(documento), 1);
  const std::string recusa = FResultado["message"];
  EXPECT_EQ(recusa.rfind("Campo desconhecido em \"fields\": \"DATALCTO\" (aceitos: ", 0), 0u)
      << recusa;
  EXPECT_NE(recusa.find("DATALCTOCTB, "), std::string::npos) << recusa;
  EXPECT_NE(recusa.find(". Você quis dizer DATALCTOCTB?"), std::string::npos) << recusa;
}

// The lists a person reads are headed by labels; a program still gets the
// column names.
TEST_P(TLinhaComandoTest, ListsOnATableAreHeadedByLabels) {
  Demo();
  struct TCaso {
    std::string Linha, Tabela, Csv;
  };
  for (const TCaso& caso : std::vector<TCaso>{
           {"accounts --company 1 --filter APELIDOCONTA=CAIXA",
            "Classificação    Conta  Descrição    Tipo  Apelido  Controle contábil",
            "CLASSIFCONTA,CONTACTB,DESCRCONTA,TIPOCONTA,APELIDOCONTA,TIPOCONTROLECONTABIL"},
           {"deleted list --company 1 --period 2025",
            "Id  Chave  Transação  Filial  Data  Débito  Crédito  Histórico  Complemento  Valor  "
            "Excluído em  Excluído por  Gerenciais  Atividades",
            "IDLCTOCTBEXCL,CHAVELCTOCTB,TRANSCTB,CODIGOESTAB,DATALCTOCTB,CONTACTBDEB,CONTACTBCRED,"
            "CODIGOHISTCTB,COMPLHIST,VALORLCTOCTB,DATAEXCLUSAO,USUARIOEXCLUSAO,GERENCIAIS,"
            "ATIVIDADES"},
       }) {
    for (const auto& [formato, cabecalho] : std::vector<std::pair<std::string, std::string>>{
             {"table", caso.Tabela}, {"csv", caso.Csv}}) {
      ASSERT_EQ(Comando(caso.Linha + " --format " + formato), 0) << FErro;
      EXPECT_EQ(FSaida.substr(0, FSaida.find('\n')), cabecalho) << caso.Linha;
    }
  }
}

CTB_INSTANTIATE_ENGINES(TLinhaComandoTest);

}  // namespace
