// Standard histories with dictionary tokens as the built `ctb` program shows
// them after `entry post`, in the user's last entries, the ledger and the
// journal, on each engine: in words, with what a person typed kept.

#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/host/TCtbPrograma.h"

namespace {

using json = nlohmann::json;

// Every token kind; Caixa Geral (CAIXA) is debited and Banco do Brasil
// (BANCO) credited on 11/08/2025.
constexpr const char* kHistoricos =
    "CODIGOHISTCTB,DESCRHISTCTB,CODIGOGRUPOHISTCTB,STATUS\n"
    "90,Do [DICTEXTOCONTACRED] [DICTEXTOCONTACREDLOWER] [DICTEXTOCONTACREDUPPER],1,0\n"
    "91,Ao [DICTEXTOCONTADEB] [DICTEXTOCONTADEBLOWER] [DICTEXTOCONTADEBUPPER],1,0\n"
    "92,De [DICDATAMESANOANTERIOR] a [DICDATAMESANOATUAL],1,0\n";

class THistoricoProgramaTest : public TCtbDemoTest {
 protected:
  // The history of each of `chaves` in the command's json rows of the day.
  std::map<int64_t, std::string> Historicos(const std::string& linha,
                                            const std::map<int64_t, std::string>& chaves) {
    std::map<int64_t, std::string> historicos;
    EXPECT_EQ(Comando(linha + " --company 1 --from 2025-08-11 --to 2025-08-11 --format json"), 0)
        << FErro;
    for (const json& row : json::parse(FSaida))
      if (row["CHAVELCTOCTB"].is_number() && chaves.count(row["CHAVELCTOCTB"]))
        historicos[row["CHAVELCTOCTB"]] = row["HISTORICO"];
    return historicos;
  }
};

}  // namespace

TEST_P(THistoricoProgramaTest, TokensOfEveryKindShowInWordsAndTypedComplementsAreKept) {
  Escrever("h.csv", kHistoricos);
  ASSERT_EQ(Comando("load HISTORICOCTB h.csv"), 0) << FErro;
  const struct {
    int Historico;
    const char* Complemento;  // nullptr: not typed
    const char* Esperado;
  } casos[] = {
      {90, nullptr,
       "Do Banco do Brasil S.A. - C/C banco do brasil s.a. - c/c BANCO DO BRASIL S.A. - C/C"},
      {91, nullptr, "Ao Caixa Geral caixa geral CAIXA GERAL"},
      {92, nullptr, "De 07/2025 a 08/2025"},
      // A person's own words for the tokens, and after them.
      {92, "julho|agosto|NF 12", "De julho a agosto NF 12"},
      {91, "Caixa da loja|||", "Ao Caixa da loja caixa geral CAIXA GERAL"},
      // A complement without parts follows the history filled from the entry.
      {92, "NF 12", "De 07/2025 a 08/2025 NF 12"},
  };
  std::map<int64_t, std::string> esperados;
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.Esperado);
    ASSERT_EQ(
        Ctb({"entry", "post"}, LancamentoDemoComHistorico(caso.Historico, caso.Complemento).dump()),
        0)
        << FSaida << FErro;
    FResultado = json::parse(FSaida);
    const json& ultimo = FResultado["display"]["lastEntries"][0];
    EXPECT_EQ(ultimo["CHAVELCTOCTB"], ChavePostada());
    EXPECT_EQ(ultimo["HISTORICO"], caso.Esperado);
    esperados[ChavePostada()] = caso.Esperado;
  }
  EXPECT_EQ(Historicos("journal", esperados), esperados);
  // Each entry once on either side of the ledger.
  for (const char* conta : {"CAIXA", "BANCO"})
    EXPECT_EQ(Historicos(std::string("ledger --account ") + conta, esperados), esperados) << conta;
  // The other formats show the same words.
  for (const char* formato : {"table", "csv"}) {
    ASSERT_EQ(Comando(std::string("journal --company 1 --from 2025-08-11 --to 2025-08-11 "
                                  "--format ") +
                      formato),
              0)
        << FErro;
    EXPECT_NE(FSaida.find("De julho a agosto NF 12"), std::string::npos) << formato;
    EXPECT_EQ(FSaida.find('['), std::string::npos) << formato;
  }
}

CTB_INSTANTIATE_ENGINES(THistoricoProgramaTest);
