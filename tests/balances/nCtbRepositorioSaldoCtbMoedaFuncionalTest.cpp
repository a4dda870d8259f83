// The functional-currency repository: the currency's balance tables on the
// book path, the entries' currency amounts plus the zeroing records on the
// history path, and the origin "ZZ" that alone reaches the zeroing records.

#include "balances/nCtbRepositorioSaldoCtbMoedaFuncional_U.h"

#include "tests/balances/TBalancesTest.h"

namespace {

class TRepositorioSaldoCtbMoedaFuncionalTest : public TBalancesTest {
 protected:
  void SetUp() override {
    TBalancesTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    SemearTresMeses();
    const Currency cento50 = Currency::FromRaw(1500000);
    const Currency oitenta = Currency::FromRaw(800000);
    InserirZeramento({1, Dia(1, 31), "LN", 21, 11, 1, "ZZ", Currency(), cento50});
    InserirZeramento({1, Dia(2, 20), "LN", 22, 12, 2, "ZZ", Currency(), oitenta});
    InserirZeramento({1, Dia(3, 5), "LF", 14, std::nullopt, 1, "ZZ", Currency(), oitenta});
  }

  TnParansSaldoCtb ParansMoeda(TDateTime inicio, TDateTime fim, bool relacionar = false) {
    TnParansSaldoCtb p = Parans(inicio, fim, relacionar);
    p.CodigoMoeda = kMoedaFuncional;
    return p;
  }

  // Previous balance and period movement against the entries' currency
  // amounts (and the zeroing records `zeramento` keeps).
  void Conferir(const TnParansSaldoCtb& p, const std::function<bool(const TLcto&)>& aceita,
                const std::function<bool(const TLcto&)>& zeramento) {
    std::vector<TLcto> zeramentos;
    for (const TLcto& z : FZeramentos)
      if (zeramento && zeramento(z))
        zeramentos.push_back(z);
    auto anterior = FRepositorio.CriarMovSaldoCtbAnterior(p);
    EXPECT_EQ(
        Texto(Esperado(p, TJanela::Anterior, aceita, p.RelacionarFilial, false, true, &zeramentos)),
        Texto(Ler(*anterior)));
    auto atual = FRepositorio.CriarMovSaldoCtbAtual(p);
    EXPECT_EQ(
        Texto(Esperado(p, TJanela::Periodo, aceita, p.RelacionarFilial, true, true, &zeramentos)),
        Texto(Ler(*atual)));
  }

  TnCtbRepositorioSaldoCtbMoedaFuncional FRepositorio;
};

TEST_P(TRepositorioSaldoCtbMoedaFuncionalTest, BookPathReadsTheCurrencysBalanceTables) {
  for (TDateTime inicio : {Dia(2, 1), Dia(2, 15), Dia(3, 31)})
    for (bool relacionar : {false, true}) {
      SCOPED_TRACE(fmt::format("{} filiais={}", DateToIso(inicio), relacionar));
      const TnParansSaldoCtb p = ParansMoeda(inicio, Dia(3, 31), relacionar);
      EXPECT_EQ(FRepositorio.GetSqlSaldoCtbAnterior(p).find(" union all ") == std::string::npos,
                DayOf(inicio) == 1);
      Conferir(p, {}, {});
    }
  // No establishment keeps currency 3.
  TnParansSaldoCtb outra = ParansMoeda(Dia(2, 15), Dia(3, 31));
  outra.CodigoMoeda = 3;
  EXPECT_TRUE(FRepositorio.CriarMovSaldoCtbAnterior(outra)->IsEmpty());
  EXPECT_TRUE(FRepositorio.CriarMovSaldoCtbAtual(outra)->IsEmpty());
}

TEST_P(TRepositorioSaldoCtbMoedaFuncionalTest, HistoryPathAddsZeroingRecords) {
  for (bool relacionar : {false, true})
    for (const std::string historico : {"1", "1;2"}) {
      SCOPED_TRACE(fmt::format("filiais={} hist={}", relacionar, historico));
      TnParansSaldoCtb p = ParansMoeda(Dia(2, 15), Dia(3, 31), relacionar);
      p.CodigoHistCtb = historico;
      auto daHistoria = [&](const TLcto& l) {
        return l.Hist && (*l.Hist == 1 || historico == "1;2");
      };
      Conferir(p, daHistoria, daHistoria);
    }
}

TEST_P(TRepositorioSaldoCtbMoedaFuncionalTest, OriginZZReachesOnlyTheZeroingRecords) {
  TnParansSaldoCtb p = ParansMoeda(Dia(2, 15), Dia(3, 31), true);
  p.CodigoHistCtb = "1;2";
  p.ConsiderarFiltroLctoCtb = true;
  auto comHistoria = [](const TLcto& l) { return l.Hist.has_value(); };

  p.FiltroLctoAtivo = "ZZ";
  std::string sql = FRepositorio.GetSqlReduzirOrigemSaldoAnterior(p);
  EXPECT_NE(sql.find("ZERAMENTOCTBMOEDA"), std::string::npos);
  EXPECT_EQ(sql.find("LCTOCTB"), std::string::npos);
  // The period loses its zeroing records; the window is the period, so the
  // previous balance keeps them.
  Conferir(p, comHistoria,
           [&](const TLcto& z) { return comHistoria(z) && z.Data < p.DataInicial; });

  p.FiltroLctoAtivo = "IM";
  sql = FRepositorio.GetSqlReduzirOrigemSaldoAnterior(p);
  EXPECT_EQ(sql.find("ZERAMENTOCTBMOEDA"), std::string::npos);
  EXPECT_NE(sql.find("LCTOCTB"), std::string::npos);
  Conferir(
      p,
      [&](const TLcto& l) {
        return comHistoria(l) && (l.Data < p.DataInicial || l.Origem != "IM");
      },
      comHistoria);
}

TEST_P(TRepositorioSaldoCtbMoedaFuncionalTest, UsersFilterWindowReducesPreviousZeroings) {
  AtivarFiltroUsuario(Dia(1, 1), Dia(2, 10), "ZZ");
  TnParansSaldoCtb p = ParansMoeda(Dia(2, 15), Dia(3, 31));
  p.CodigoHistCtb = "1;2";
  p.ConsiderarFiltroLctoCtb = true;
  auto comHistoria = [](const TLcto& l) { return l.Hist.has_value(); };
  Conferir(p, comHistoria, [&](const TLcto& z) {
    return comHistoria(z) && !(z.Data >= Dia(1, 1) && z.Data <= Dia(2, 10));
  });
}

TEST_P(TRepositorioSaldoCtbMoedaFuncionalTest, FilterNamingNoOriginTakesNothingOut) {
  AtivarFiltroUsuario(Dia(1, 1), Dia(3, 31), "");
  TnParansSaldoCtb p = ParansMoeda(Dia(2, 15), Dia(3, 31));
  p.CodigoHistCtb = "1;2";
  p.ConsiderarFiltroLctoCtb = true;
  EXPECT_EQ(FRepositorio.GetSqlReduzirOrigemSaldoAnterior(p), "");
  EXPECT_EQ(FRepositorio.GetSqlLctoCtbAtualOri(p, true), "");
  auto comHistoria = [](const TLcto& l) { return l.Hist.has_value(); };
  Conferir(p, comHistoria, comHistoria);
}

CTB_INSTANTIATE_ENGINES(TRepositorioSaldoCtbMoedaFuncionalTest);

}  // namespace
