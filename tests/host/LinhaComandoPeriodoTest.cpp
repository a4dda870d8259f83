#include <gtest/gtest.h>

#include <string>

#include "framework/core/Exceptions.h"
#include "host/common/LinhaComando.h"
#include "host/import/MapaImportacao.h"

namespace {

TEST(LinhaComando, PeriodShortcutsGiveTheirFirstAndLastDays) {
  struct TCaso {
    std::string Periodo, De, Ate;
  };
  for (const TCaso& caso :
       {TCaso{"2025", "2025-01-01", "2025-12-31"}, TCaso{"2024-02", "2024-02-01", "2024-02-29"},
        TCaso{"2025-Q4", "2025-10-01", "2025-12-31"},
        TCaso{"2025-t2", "2025-04-01", "2025-06-30"}}) {
    const auto [de, ate] = LinhaComando::DatasDoPeriodo(caso.Periodo);
    EXPECT_EQ(de, caso.De) << caso.Periodo;
    EXPECT_EQ(ate, caso.Ate) << caso.Periodo;
  }
  for (const char* ruim :
       {"", "2025-00", "2025-13", "2025-Q0", "2025-Q5", "1850", "2025-3", "2025-03-01", "abcd"})
    EXPECT_THROW(LinhaComando::DatasDoPeriodo(ruim), Exception) << ruim;
}

TEST(MapaImportacao, DatesAndNumbersAsTheMapWritesThem) {
  TMapaImportacao mapa = TMapaImportacao::DoTexto(
      R"({"columns": {"a": "B"}, "date_format": "dd.mm.yy", "decimal_comma": true})");
  EXPECT_EQ(mapa.DataIso("05.03.25"), "2025-03-05");
  EXPECT_EQ(mapa.Numero("-1.234.567,8", 2), "-1234567.8");
  for (const char* ruim : {"5.03.25", "05/03/25", "31.02.25", "05.03.2025", "aa.03.25"})
    EXPECT_THROW(mapa.DataIso(ruim), Exception) << ruim;
  mapa = TMapaImportacao::DoTexto(R"({"columns": {"a": "B"}, "date_format": "yyyy-mm-dd"})");
  EXPECT_EQ(mapa.DataIso("2025-12-31"), "2025-12-31");
  EXPECT_EQ(mapa.Numero("1.5", 2), "1.5");
}

}  // namespace
