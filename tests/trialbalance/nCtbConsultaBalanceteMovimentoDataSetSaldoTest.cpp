#include <gtest/gtest.h>

#include <fmt/format.h>

#include <string>
#include <vector>

#include "framework/data/ClientDataSet.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoDataSetSaldo_U.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoInterfaces_U.h"

namespace {

TnParametroConf Conf(TnTipoConsultaBalancete tipo, bool quebrar, TDateTime de, TDateTime ate) {
  TnParametroConf conf;
  conf.CodigoEmpresa = 1;
  conf.TipoConsultaBalancete = tipo;
  conf.QuebrarMovPeriodo = quebrar;
  conf.DataInicial = de;
  conf.DataFinal = ate;
  return conf;
}

// The field names in the data set's order, each followed by a space.
std::string NomesCampos(const TnClientDataSet& dataSet) {
  std::string nomes;
  for (int i = 0; i < dataSet.FieldCount(); ++i)
    nomes += dataSet.Fields(i).FieldName() + " ";
  return nomes;
}

}  // namespace

// The fields in order, month columns spanning the year end, and which
// amount columns each query type shows, with and without the monthly break
// (every month's columns follow the same rule).
TEST(DataSetSaldoTest, MonthColumnsSpanTheYearEndAndVisibilityFollowsTheQueryType) {
  // The query type and whether debits, credits and movement show.
  const std::tuple<TnTipoConsultaBalancete, bool, bool, bool> casos[] = {
      {TnTipoConsultaBalancete::tpConDebCred, true, true, false},
      {TnTipoConsultaBalancete::tpConMovDebCred, true, true, true},
      {TnTipoConsultaBalancete::tpConMov, false, false, true},
  };
  const std::vector<std::string> meses = {"112023", "122023", "012024", "022024"};
  for (const auto& [tipo, debito, credito, movimento] : casos) {
    for (bool quebrar : {false, true}) {
      SCOPED_TRACE(static_cast<int>(tipo) * 10 + quebrar);
      auto dataSet =
          TnCtbConsultaBalanceteMovimentoDataSetSaldo::New()
              ->Inicializar(Conf(tipo, quebrar, EncodeDate(2023, 11, 1), EncodeDate(2024, 2, 29)))
              ->CriarDataSet();
      // Without the break there is one group of amount columns.
      const std::vector<std::string> sufixos = quebrar ? meses : std::vector<std::string>{""};
      std::string esperado =
          "Ordem Filtros CodigoEstab Filial RelacionarFilial CodigoConta TipoConta ClassifConta "
          "DescrConta CodigoCentroCusto DescrCentroCusto SaldoAnterior ";
      for (const std::string& s : sufixos) {
        esperado += fmt::format("DEBITO{0} CREDITO{0} MOVIMENTO{0} ", s);
        EXPECT_EQ(dataSet->FieldByName("DEBITO" + s).Visible(), debito);
        EXPECT_EQ(dataSet->FieldByName("CREDITO" + s).Visible(), credito);
        EXPECT_EQ(dataSet->FieldByName("MOVIMENTO" + s).Visible(), movimento);
        EXPECT_EQ(dataSet->FieldByName("CREDITO" + s).DisplayLabel(), "Crédito");
      }
      EXPECT_EQ(NomesCampos(*dataSet), esperado + "SaldoAtual ");
      for (const char* oculto : {"Ordem", "Filtros", "CodigoEstab", "RelacionarFilial"})
        EXPECT_FALSE(dataSet->FieldByName(oculto).Visible()) << oculto;
      EXPECT_TRUE(dataSet->FieldByName("SaldoAnterior").Visible());
      EXPECT_EQ(dataSet->IndexFieldNames(),
                "ClassifConta;TipoConta;CodigoConta;CodigoEstab;CodigoCentroCusto");
    }
  }
}

TEST(DataSetSaldoTest, AmountsShowNegativesInParenthesesAndSyntheticRowsTakeTheStyle) {
  auto dataSet = TnCtbConsultaBalanceteMovimentoDataSetSaldo::New()
                     ->Inicializar(Conf(TnTipoConsultaBalancete::tpConMovDebCred, false,
                                        EncodeDate(2024, 1, 1), EncodeDate(2024, 1, 31)))
                     ->CriarDataSet();
  dataSet->Append();
  dataSet->FieldByName("TipoConta").SetAsString("S");
  dataSet->FieldByName("SaldoAnterior").SetAsFloat(-1234.5);
  dataSet->FieldByName("MOVIMENTO").SetAsFloat(1234.5);
  dataSet->Post();
  EXPECT_EQ(dataSet->FieldByName("SaldoAnterior").DisplayText(), "(1.234,50)");
  EXPECT_EQ(dataSet->FieldByName("MOVIMENTO").DisplayText(), "1.234,50");
  EXPECT_EQ(
      dataSet->FieldByName("SaldoAtual").GetDefinicao().Propriedade("DisplayFormat").AsString(),
      kFormatoValorBalancete);
  EXPECT_TRUE(LinhaComEstilo(*dataSet));
  const TnFieldDefinicao& estilo = dataSet->FieldByName("TipoConta").GetDefinicao();
  EXPECT_EQ(estilo.Propriedade(kPropEstiloCorFundo).AsInteger(), 0xC0DCC0);
  EXPECT_TRUE(estilo.Propriedade(kPropEstiloNegrito).AsBoolean());
  EXPECT_EQ(estilo.Propriedade(kPropEstiloFonte).AsString(), "Tahoma");
  dataSet->Edit();
  dataSet->FieldByName("TipoConta").SetAsString("A");
  dataSet->Post();
  EXPECT_FALSE(LinhaComEstilo(*dataSet));
}

TEST(DataSetSaldoTest, DictionaryKeysCarryCompanyAndMonthInTimeOrder) {
  const int64_t empresa = 5'000'000'000;
  const TChaveDataSet chave = MontarChaveDataSet(empresa, EncodeDate(2024, 2, 15));
  EXPECT_EQ(CapturaCodigoEmpresaChave(chave), empresa);
  EXPECT_EQ(CapturaPeriodoChave(chave), (TMesAno{2024, 2}));
  EXPECT_EQ(FormatarPeriodo(CapturaPeriodoChave(chave)), "022024");
  EXPECT_LT(chave, MontarChaveDataSet(empresa, EncodeDate(2024, 3, 1)));
  EXPECT_LT(MontarChaveDataSet(empresa, EncodeDate(2023, 12, 31)), chave);
}
