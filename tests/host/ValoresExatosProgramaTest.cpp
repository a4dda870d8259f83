// Values stored exactly as typed, through the built `ctb` on each engine,
// on every path an entry comes in by (`entry post`, `import entries`,
// `post`): a text is kept whole or refused, never cut; a JSON number is
// taken as written or refused naming its key.

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "tests/host/TCtbPrograma.h"

namespace {

using json = nlohmann::json;

enum class TCaminho { EntryPost, Import, Post, Load };
constexpr TCaminho kCaminhos[] = {TCaminho::EntryPost, TCaminho::Import, TCaminho::Post};
constexpr TCaminho kCaminhosJson[] = {TCaminho::EntryPost, TCaminho::Post};

const char* Nome(TCaminho caminho) {
  switch (caminho) {
    case TCaminho::EntryPost:
      return "entry post";
    case TCaminho::Import:
      return "import entries";
    case TCaminho::Post:
      return "post";
    case TCaminho::Load:
      return "load LCTOCTB";
  }
  return "";
}

// A cell of a CSV as written: quoted, its quotes doubled.
std::string Celula(const std::string& texto) {
  std::string celula = "\"";
  for (char c : texto)
    celula += c == '"' ? std::string("\"\"") : std::string(1, c);
  return celula + "\"";
}

// A CSV of one row: `colunas` with `campo` written as `escrito` (added
// when it is not among them).
std::string Csv(std::vector<std::pair<std::string, std::string>> colunas, const std::string& campo,
                const std::string& escrito) {
  const auto dada = std::find_if(colunas.begin(), colunas.end(),
                                 [&](const auto& coluna) { return coluna.first == campo; });
  if (dada == colunas.end())
    colunas.emplace_back(campo, escrito);
  else
    dada->second = escrito;
  std::string cabecalho, linha;
  for (const auto& [nome, celula] : colunas) {
    cabecalho += (cabecalho.empty() ? "" : ",") + nome;
    linha += (linha.empty() ? "" : ",") + Celula(celula);
  }
  return cabecalho + "\n" + linha + "\n";
}

class TValoresExatosTest : public TCtbDemoTest {
 protected:
  // Sends an entry of the demo company by `caminho`, its field `campo`
  // written as `escrito` (JSON text on the JSON paths, a cell in the CSV);
  // returns the exit status, what the program said in FSaida and FErro.
  int Enviar(TCaminho caminho, const std::string& campo, const std::string& escrito) {
    const std::string marca = "\"@VALOR@\"";
    const auto comValor = [&](json documento, const json::json_pointer& onde) {
      documento[onde] = "@VALOR@";
      std::string texto = documento.dump();
      return texto.replace(texto.find(marca), marca.size(), escrito);
    };
    switch (caminho) {
      case TCaminho::EntryPost:
        return Ctb({"entry", "post"},
                   comValor(LancamentoDemo(), json::json_pointer("/fields/" + campo)));
      case TCaminho::Import:
        Escrever("lancamentos.csv", Csv({{"CODIGOESTAB", "1"},
                                         {"DATALCTOCTB", "2025-08-11"},
                                         {"CONTACTBDEB", "1101001"},
                                         {"CONTACTBCRED", "1101003"},
                                         {"CODIGOHISTCTB", "3"},
                                         {"VALORLCTOCTB", "99.00"}},
                                        campo, escrito));
        return Comando("import entries lancamentos.csv --company 1 --again");
      case TCaminho::Load:
        Escrever("lancamentos.csv", Csv({{"CODIGOEMPRESA", "1"},
                                         {"CHAVELCTOCTB", "999999"},
                                         {"CODIGOESTAB", "1"},
                                         {"DATALCTOCTB", "2025-08-11"},
                                         {"TIPOLANCAMENTO", "LN"},
                                         {"CONTACTBDEB", "1101001"},
                                         {"CONTACTBCRED", "1101003"},
                                         {"VALORLCTOCTB", "99.00"}},
                                        campo, escrito));
        return Comando("load LCTOCTB lancamentos.csv");
      case TCaminho::Post: {
        const json lancamento = {{"CODIGOEMPRESA", 1},     {"CHAVELCTOCTB", 900},
                                 {"CODIGOESTAB", 1},       {"DATALCTOCTB", "2025-08-11"},
                                 {"CONTACTBDEB", 1101001}, {"CONTACTBCRED", 1101003},
                                 {"CODIGOHISTCTB", 3},     {"VALORLCTOCTB", "99.00"}};
        Escrever("lote.json",
                 comValor(json::array({lancamento}), json::json_pointer("/0/" + campo)));
        return Comando("post lote.json");
      }
    }
    return -1;
  }
  // What the newest entry of the demo company holds in `campo`.
  Value Gravado(const std::string& campo) {
    const TDbResult linhas = Conexao().ExecuteQuery(
        "select " + campo +
        " from LCTOCTB where CODIGOEMPRESA = 1 and CHAVELCTOCTB = (select max(CHAVELCTOCTB) from "
        "LCTOCTB where CODIGOEMPRESA = 1)");
    return linhas.Rows.empty() ? Value() : linhas.Rows[0].at(0);
  }
  // Sends the value by every path in `caminhos` and expects each to refuse
  // it, saying `mensagem`, and to write nothing.
  template <size_t N>
  void Recusado(const TCaminho (&caminhos)[N], const std::string& campo, const std::string& escrito,
                const std::string& mensagem) {
    for (TCaminho caminho : caminhos) {
      SCOPED_TRACE(std::string(Nome(caminho)) + ": " + campo + " = " + escrito.substr(0, 40));
      const int64_t antes = Lancamentos();
      EXPECT_EQ(Enviar(caminho, campo, escrito), 1);
      EXPECT_NE((FSaida + FErro).find(mensagem), std::string::npos) << FSaida << FErro;
      EXPECT_EQ(Lancamentos(), antes);
    }
  }
};

std::string Repetido(const std::string& texto, int vezes) {
  std::string repetido;
  for (int i = 0; i < vezes; ++i)
    repetido += texto;
  return repetido;
}

// A column's size counts characters: 300 of them are kept whole whatever
// their bytes, and one more is refused, never cut.
TEST_P(TValoresExatosTest, TextsAreBoundedInCharactersAndNeverCut) {
  for (const std::string& texto : {Repetido("ç", 300), std::string(299, 'a') + "ç"}) {
    for (TCaminho caminho : kCaminhos) {
      SCOPED_TRACE(Nome(caminho));
      const std::string escrito = caminho == TCaminho::Import ? texto : json(texto).dump();
      ASSERT_EQ(Enviar(caminho, "COMPLHIST", escrito), 0) << FSaida << FErro;
      EXPECT_EQ(Gravado("COMPLHIST").AsString(), texto);
    }
  }
  Recusado(kCaminhos, "COMPLHIST", json(Repetido("ç", 301)).dump(), "300 caracteres");
}

// A JSON number is the number written or a refusal naming its key.
TEST_P(TValoresExatosTest, JsonNumbersAreTakenAsWrittenOrRefusedNamingTheKey) {
  struct TCaso {
    std::string Campo, Escrito, Mensagem;
  };
  for (const TCaso& caso : std::vector<TCaso>{
           {"VALORLCTOCTB", "1e3",
            "Número com expoente não aceito em \"VALORLCTOCTB\": 1e3 (escreva todos os dígitos, "
            "como 1000.00)"},
           {"VALORLCTOCTB", "1.5e2", "Número com expoente não aceito em \"VALORLCTOCTB\": 1.5e2"},
           {"CODIGOHISTCTB", "3E0", "Número com expoente não aceito em \"CODIGOHISTCTB\": 3E0"},
           {"VALORLCTOCTB", "10.0000", ": '10.0000' tem mais de 2 casas decimais"},
           {"VALORLCTOCTB", "1e400", "Número fora do intervalo em \"VALORLCTOCTB\": 1e400"},
           {"CODIGOESTAB", "1.0", ": número inteiro inválido: '1.0'"},
           {"VALORLCTOCTB", "\"1.00\", \"VALORLCTOCTB\": \"2.00\"",
            "Chave repetida em um objeto: \"VALORLCTOCTB\""},
           {"VALORLCTOCTB", "1,00", "JSON inválido: erro de sintaxe na linha 1, coluna "},
       })
    Recusado(kCaminhosJson, caso.Campo, caso.Escrito, caso.Mensagem);
  // A decimal written with the places the field keeps is stored as written.
  for (TCaminho caminho : kCaminhosJson) {
    ASSERT_EQ(Enviar(caminho, "VALORLCTOCTB", "12.30"), 0) << FSaida << FErro;
    EXPECT_EQ(Gravado("VALORLCTOCTB").AsCurrency(), Currency::FromString("12.30"));
  }
}

// A date of `post` is a date: a time part would be dropped without a word.
TEST_P(TValoresExatosTest, PostRefusesADateWithATimePart) {
  Recusado({TCaminho::Post}, "DATALCTOCTB", "\"2025-08-11T10:30:00\"",
           "DATALCTOCTB: data inválida \"2025-08-11T10:30:00\"");
}

// An entry stands in an establishment and on analytic accounts of its
// company's chart, whichever path brings it: the engine behind `post`
// ignores the screen's look-ups and `load` writes rows as they are; both
// refuse it all the same.
TEST_P(TValoresExatosTest, AnEstablishmentOrAccountOutsideTheCompanyIsRefusedOnEveryPath) {
  constexpr TCaminho kTodos[] = {TCaminho::EntryPost, TCaminho::Import, TCaminho::Post,
                                 TCaminho::Load};
  Recusado(kTodos, "CODIGOESTAB", "99", "Estabelecimento 99 não cadastrado na empresa 1");
  Recusado(kTodos, "CONTACTBDEB", "9999999", "9999999 não existe, verifique.");
  Recusado(kTodos, "CONTACTBDEB", "1101", "A conta a débito é sintética!");
}

// A key beyond the 32-bit column is refused wherever a key is taken,
// instead of being stored by SQLite and overflowing the company's next key.
TEST_P(TValoresExatosTest, AKeyBeyondItsColumnIsRefusedOnEveryPath) {
  const std::string grande = "99999999999";
  Recusado({TCaminho::Import}, "CHAVELCTOCTB", grande,
           "CHAVELCTOCTB: Valor 99999999999 fora do intervalo do campo 'CHAVELCTOCTB'");
  Recusado({TCaminho::Post}, "CHAVELCTOCTB", grande,
           "CHAVELCTOCTB: 99999999999 fora do intervalo de 1 a 2147483647");
  for (const char* op : {"edit", "delete"}) {
    EXPECT_EQ(Post(json{{"op", op}, {"company", 1}, {"key", 99999999999}}), 1) << op;
    EXPECT_EQ(FResultado["message"], "\"key\": 99999999999 fora do intervalo de 1 a 2147483647")
        << FSaida << FErro;
  }

  ASSERT_EQ(Post(LancamentoDemo()), 0) << FSaida << FErro;
  ASSERT_EQ(
      Post(json{{"op", "delete"}, {"company", 1}, {"key", ChavePostada()}, {"answers", {"Sim"}}}),
      0)
      << FSaida << FErro;
  const int64_t id =
      Contar("select max(IDLCTOCTBEXCL) from LCTOCTBEXCLUIDO where CODIGOEMPRESA = 1");
  Falha("deleted restore --company 1 --id " + std::to_string(id) + " --key " + grande,
        "Chave 99999999999 fora do intervalo do campo 'CHAVELCTOCTB' (de 1 a 2147483647)");
  // The company's entries go on as before.
  EXPECT_EQ(Post(LancamentoDemo()), 0) << FSaida << FErro;
}

CTB_INSTANTIATE_ENGINES(TValoresExatosTest);

}  // namespace
