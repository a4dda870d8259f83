// The managerial balance process over a company whose every entry side is
// split in full over cost centres: whatever the period, grouping, book,
// establishments and entry filter, each account row equals the sum of its
// cost-centre rows.

#include "trialbalance/nCtbDPGerarSaldoGerIndividual_U.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <tuple>

#include "framework/core/Currency.h"
#include "framework/core/Exceptions.h"
#include "tests/trialbalance/TTrialBalanceTest.h"

namespace {

struct TCaso {
  const char* Nome;
  const char* De;
  const char* Ate;
  const char* Agrupamento;  // 0 none, 1 daily, 2 monthly
  const char* Relacionar;
  const char* Livro;
  const char* Origens;
};

const TCaso kCasos[] = {
    {"meio de mes a meio de mes", "15/01/2024", "10/03/2024", "0", "0", "0", ""},
    {"meses inteiros por filial", "01/12/2023", "29/02/2024", "0", "1", "0", ""},
    {"diario por filial", "15/01/2024", "25/01/2024", "1", "1", "0", ""},
    {"mensal atravessando meses", "15/01/2024", "20/03/2024", "2", "1", "0", ""},
    {"livro fiscal", "01/01/2024", "31/03/2024", "0", "1", "1", ""},
    {"filtro de origens", "01/01/2024", "31/03/2024", "0", "1", "0", "XX"},
};

using TChave = std::tuple<int64_t, int64_t, double>;  // account, establishment, date
using TValores = std::array<Currency, 5>;
const char* const kValores[] = {"SALDOANTERIOR", "DEBITO", "CREDITO", "MOVIMENTO", "SALDOATUAL"};

class GerarSaldoGerTest : public TTrialBalanceTest {
 protected:
  void SetUp() override {
    TTrialBalanceTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    LancarMovimento();
    // A tax entry and an entry of origin XX, for the book and the filter.
    Exec("update LCTOCTB set TIPOLANCAMENTO = 'LF' where CHAVELCTOCTB = 5");
    Exec("update LCTOCTB set CODIGOORIGLCTOCTB = 'XX' where CHAVELCTOCTB = 6");
    // Debit sides 60/40 over centres 1 and 2, credit sides whole on 3.
    Exec(
        "insert into LCTOGER (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOCENTROCUSTO, NATURLCTOCTB, "
        "CONTACTB, DATALCTOCTB, VALORLCTOGER) "
        "select CODIGOEMPRESA, CHAVELCTOCTB, 1, 1, CONTACTBDEB, DATALCTOCTB, VALORLCTOCTB * 0.6 "
        "from LCTOCTB union all "
        "select CODIGOEMPRESA, CHAVELCTOCTB, 2, 1, CONTACTBDEB, DATALCTOCTB, VALORLCTOCTB * 0.4 "
        "from LCTOCTB union all "
        "select CODIGOEMPRESA, CHAVELCTOCTB, 3, -1, CONTACTBCRED, DATALCTOCTB, VALORLCTOCTB "
        "from LCTOCTB");
  }

  TnClientDataSet& Executar(const TCaso& caso) {
    FProcesso.SetConexao(&Conexao());
    for (auto [alias, valor] : {std::pair{"pCodigoEmpresa", "1"},
                                {"pDataInicial", caso.De},
                                {"pDataFinal", caso.Ate},
                                {"pTipoAgruparData", caso.Agrupamento},
                                {"pRelacionarEstab", caso.Relacionar},
                                {"pTipoSaldoCtb", caso.Livro},
                                {"pFiltroOrigemLcto", caso.Origens}})
      FProcesso.Param(alias).SetValor(valor);
    FProcesso.Executar();
    return FProcesso.nClientDataSet;
  }

  TnCtbDPGerarSaldoGerIndividual FProcesso;
};

TEST_P(GerarSaldoGerTest, CostCentreRowsAddUpToTheirAccount) {
  for (const TCaso& caso : kCasos) {
    SCOPED_TRACE(caso.Nome);
    TnClientDataSet& ds = Executar(caso);
    std::map<TChave, TValores> contas, centros;
    for (ds.First(); !ds.Eof(); ds.Next()) {
      if (ds.FieldByName("TIPOCONTA").AsInteger() != 2)
        continue;
      const TChave chave{ds.FieldByName("CONTACTB").AsLargeInt(),
                         ds.FieldByName("CODIGOESTAB").AsInteger(),
                         ds.FieldByName("DATASALDO").AsDateTime().Days()};
      const bool centro = !ds.FieldByName("CODIGOCENTROCUSTO").IsNull();
      TValores& valores = (centro ? centros : contas)[chave];
      for (size_t k = 0; k < 5; ++k)
        valores[k] += ds.FieldByName(kValores[k]).AsCurrency();
    }
    ASSERT_FALSE(centros.empty());
    for (const auto& [chave, valores] : contas) {
      auto it = centros.find(chave);
      const TValores somados = it == centros.end() ? TValores{} : it->second;
      for (size_t k = 0; k < 5; ++k)
        EXPECT_EQ(somados[k].ToString(), valores[k].ToString())
            << kValores[k] << " conta " << std::get<0>(chave) << " estab " << std::get<1>(chave);
    }
  }
}

TEST_P(GerarSaldoGerTest, CostCentreRowsFollowTheirAccountWithTheCentreAsOneMoreLevel) {
  Exec(
      "insert into CENTROCUSTO (CODIGOEMPRESA, CODIGOCENTROCUSTO, DESCRCENTROCUSTO) values "
      "(1, 2, 'VENDAS')");
  TnClientDataSet& ds = Executar(kCasos[0]);
  std::vector<std::tuple<std::string, std::string, std::string>> banco;
  for (ds.First(); !ds.Eof(); ds.Next())
    if (ds.FieldByName("CONTACTB").AsLargeInt() == 12)
      banco.emplace_back(ds.FieldByName("CODIGOCENTROCUSTO").AsString(),
                         ds.FieldByName("CLASSIFCONTA").AsString(),
                         ds.FieldByName("DESCRCENTROCUSTO").AsString());
  EXPECT_EQ(banco, (decltype(banco){
                       {"", "1.1.02", ""}, {"1", "1.1.02.1", ""}, {"2", "1.1.02.2", "VENDAS"}}));
}

TEST_P(GerarSaldoGerTest, AnotherCurrencyIsRefused) {
  FProcesso.Param("pCodigoMoeda").SetValor("2");
  EXPECT_THROW(Executar(kCasos[0]), Exception);
}

CTB_INSTANTIATE_ENGINES(GerarSaldoGerTest);

}  // namespace
