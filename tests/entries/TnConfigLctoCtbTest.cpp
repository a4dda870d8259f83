// The company settings the module works under, read from the configuration
// items alone: no database, no module.

#include "entries/TnConfigLctoCtb.h"

#include <gtest/gtest.h>

#include "framework/ctb/TnUtilCtb.h"

namespace {

// Fiscal year 2024, everything kept, display type 2, cost centres from March.
ValueArray Itens() {
  ValueArray itens(kCfgQtdItens);
  itens[kCfgDataInicialExerc] = Value(EncodeDate(2024, 1, 1));
  itens[kCfgDataFinalExerc] = Value(EncodeDate(2024, 12, 31));
  for (int item : {kCfgUtilOrigemLctoCtb, kCfgUtilNumeroDcto, kCfgUtilLote, kCfgUtilCentroCusto,
                   kCfgUtilDifLancamento, kCfgUtilUltimosLcto, kCfgInformaCodigoSyn})
    itens[item] = Value("1");
  itens[kCfgInicioUtilCentroCusto] = Value(EncodeDate(2024, 3, 1));
  itens[kCfgTipoExibeTituloSaldo] = Value(int64_t{2});
  return itens;
}

TEST(TnConfigEmpresaLctoCtb, WithoutARowOrAFiscalYearTheDefaultsHold) {
  ValueArray semExercicio = Itens();
  semExercicio[kCfgDataInicialExerc] = Value();
  for (const std::optional<ValueArray>& itens :
       {std::optional<ValueArray>(), std::optional<ValueArray>(semExercicio),
        std::optional<ValueArray>(ValueArray(3))}) {
    const TnConfigEmpresaLctoCtb config = TnConfigEmpresaLctoCtb::DaConfiguracao(itens, 0);
    EXPECT_TRUE(config.UsaLote && config.UsaNumeroDcto && config.UsaOrigemLctoCtb &&
                config.UsaUltimosLcto && config.InformaCodigoSyn);
    EXPECT_FALSE(config.UsaCentroCusto || config.UsaDifLancamento);
    EXPECT_TRUE(config.DataInicialExerc.IsZero());
    EXPECT_EQ(config.TipoExibeTituloSaldo, 0);
  }
}

TEST(TnConfigEmpresaLctoCtb, EachItemReachesItsSetting) {
  const TnConfigEmpresaLctoCtb config = TnConfigEmpresaLctoCtb::DaConfiguracao(Itens(), 0);
  EXPECT_EQ(config.DataInicialExerc, EncodeDate(2024, 1, 1));
  EXPECT_EQ(config.DataFinalExerc, EncodeDate(2024, 12, 31));
  EXPECT_TRUE(config.UsaCentroCusto && config.UsaDifLancamento);
  EXPECT_EQ(config.DataInicialCentroCusto, EncodeDate(2024, 3, 1));
  EXPECT_EQ(config.TipoExibeTituloSaldo, 2);

  // A flag is on only when it is "1"; the cost-centre start goes with them.
  using C = TnConfigEmpresaLctoCtb;
  for (const auto& [item, valor, campo] :
       {std::tuple{kCfgUtilLote, Value("0"), &C::UsaLote},
        {kCfgUtilNumeroDcto, Value(), &C::UsaNumeroDcto},
        {kCfgUtilOrigemLctoCtb, Value("S"), &C::UsaOrigemLctoCtb},
        {kCfgUtilUltimosLcto, Value("0"), &C::UsaUltimosLcto},
        {kCfgInformaCodigoSyn, Value("0"), &C::InformaCodigoSyn},
        {kCfgUtilCentroCusto, Value("0"), &C::UsaCentroCusto}}) {
    ValueArray itens = Itens();
    itens[item] = valor;
    const TnConfigEmpresaLctoCtb lida = TnConfigEmpresaLctoCtb::DaConfiguracao(itens, 0);
    EXPECT_FALSE(lida.*campo) << "item " << item;
    if (item == kCfgUtilCentroCusto) {
      EXPECT_TRUE(lida.DataInicialCentroCusto.IsZero());
    }
  }

  // A display type outside 0..3 leaves the one shown before.
  for (int64_t tipo : {-1, 4}) {
    ValueArray itens = Itens();
    itens[kCfgTipoExibeTituloSaldo] = Value(tipo);
    EXPECT_EQ(TnConfigEmpresaLctoCtb::DaConfiguracao(itens, 3).TipoExibeTituloSaldo, 3) << tipo;
  }
}

}  // namespace
