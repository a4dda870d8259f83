// What `entry post` reports the screen shows beside and below the entries,
// through the built `ctb` program on the demo company, on each engine.

#include <gtest/gtest.h>

#include <cctype>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>

#include "tests/host/TCtbPrograma.h"

namespace {

using json = nlohmann::json;

class TExibicaoProgramaTest : public TCtbDemoTest {
 protected:
  // "1.234,56 D" as a signed number of the debit side: "(…) C" and "… C"
  // count against it.
  static double Devedor(const json& texto) {
    std::string numero;
    for (char c : texto.get<std::string>()) {
      if (c == ',')
        numero += '.';
      else if (std::isdigit(static_cast<unsigned char>(c)))
        numero += c;
    }
    const std::string t = texto.get<std::string>();
    const bool credor = t.back() == 'C';
    const bool contraNatureza = t.front() == '(';
    // Only debit-nature accounts here: "(x) C" is -x, "x D" is x.
    EXPECT_TRUE(credor == contraNatureza) << t;
    return credor ? -std::stod(numero) : std::stod(numero);
  }
  // The balance of a side shown after its account was typed (before the
  // post), and after the post.
  static double Antes(const json& resultado, const char* lado, const char* campo) {
    for (const json& passo : resultado["display"]["fields"])
      if (passo["field"] == campo)
        return Devedor(passo[lado]["balance"]);
    ADD_FAILURE() << "sem exibição depois de " << campo;
    return 0;
  }
  static double Depois(const json& resultado, const char* lado) {
    return Devedor(resultado["display"][lado]["balance"]);
  }
};

}  // namespace

TEST_P(TExibicaoProgramaTest, BalancesShownMoveByTheAmountsPosted) {
  // Typed in the screen's order: the date before the accounts.
  nlohmann::ordered_json documentos = nlohmann::ordered_json::array();
  for (const auto& [data, valor] :
       {std::pair{"2025-08-11", "100.00"}, std::pair{"2025-08-11", "250.00"},
        std::pair{"2025-08-12", "40.00"}}) {
    const json demo = LancamentoDemo(data, valor);
    nlohmann::ordered_json documento = {{"op", "insert"}, {"company", 1}};
    for (const char* campo : {"CODIGOESTAB", "DATALCTOCTB", "CONTACTBDEB", "CONTACTBCRED",
                              "CODIGOHISTCTB", "VALORLCTOCTB"})
      documento["fields"][campo] = demo["fields"][campo];
    documentos.push_back(std::move(documento));
  }
  ASSERT_EQ(Ctb({"entry", "post"}, documentos.dump()), 0) << FSaida;
  FResultado = json::parse(FSaida);
  const double valores[] = {100, 250, 40};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const json& resultado = FResultado[i];
    // Caixa on the debit side grows, Banco on the credit side shrinks.
    EXPECT_NEAR(Depois(resultado, "debit") - Antes(resultado, "debit", "CONTACTBDEB"), valores[i],
                0.001);
    EXPECT_NEAR(Antes(resultado, "credit", "CONTACTBCRED") - Depois(resultado, "credit"),
                valores[i], 0.001);
    EXPECT_FALSE(resultado["display"]["debit"]["title"].is_null());
    // Newest first: the entry just posted heads the user's last entries.
    EXPECT_EQ(resultado["display"]["lastEntries"][0]["CHAVELCTOCTB"],
              resultado["entry"]["CHAVELCTOCTB"]);
  }
  // The second entry of the same day starts from what the first left.
  EXPECT_NEAR(Antes(FResultado[1], "debit", "CONTACTBDEB"), Depois(FResultado[0], "debit"), 0.001);
}

TEST_P(TExibicaoProgramaTest, SingleSidedEntryShowsTheDayInTheDifferences) {
  json documento = LancamentoDemo("2025-08-13", "70.00");
  documento["fields"]["CONTACTBCRED"] = nullptr;
  ASSERT_EQ(Post(documento), 0) << FSaida;
  bool achou = false;
  for (const json& dia : FResultado["display"]["differences"])
    achou = achou || (dia["DATALCTOCTB"] == "2025-08-13" && dia["DIFERENCA"] == 70.0);
  EXPECT_TRUE(achou) << FResultado["display"].dump();
}

// Who registered the entry and how it came in, as the status bar shows
// them; the strip asking for the recalculation of the balances by history
// only while the company keeps them.
TEST_P(TExibicaoProgramaTest, CreatorOriginAndTheRecalculationStripAreShown) {
  for (const bool saldosPorHistorico : {false, true}) {
    if (saldosPorHistorico)
      Conexao().ExecuteDirect("insert into EMPRESASALDOCTBHIST (CODIGOEMPRESA) values (1)");
    ASSERT_EQ(Post(LancamentoDemo()), 0) << FSaida;
    const json& exibicao = FResultado["display"];
    EXPECT_EQ(exibicao["created"].get<std::string>().rfind("Cadastrado por 1 - ", 0), 0U)
        << exibicao["created"];
    EXPECT_EQ(exibicao["origin"], "Digitado");
    EXPECT_EQ(exibicao.contains("notice"), saldosPorHistorico);
    if (saldosPorHistorico) {
      EXPECT_EQ(exibicao["notice"].get<std::string>().rfind(
                    "É importante que seja executado a rotina de recálculo dos saldos por "
                    "histórico para esta empresa, para isso acesse o menu: ",
                    0),
                0U);
    }
  }
}

CTB_INSTANTIATE_ENGINES(TExibicaoProgramaTest);
