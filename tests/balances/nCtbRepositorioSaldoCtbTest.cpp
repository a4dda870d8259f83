// The local-currency and other-currency repositories against balances
// computed from the entries: both paths (balance tables, history), both
// books, with and without establishments, starts on and off the first of a
// month, and the removal of the entries an entry filter selects.

#include "balances/nCtbRepositorioSaldoCtb_U.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "balances/nCtbRepositorioSaldoCtbMoeda_U.h"
#include "framework/core/Nutil.h"
#include "framework/db/Nutildb.h"
#include "tests/balances/TBalancesTest.h"

namespace {

struct TPeriodo {
  TDateTime Inicio;
  TDateTime Fim;
};

std::vector<TPeriodo> Periodos() {
  return {{EncodeDate(2024, 1, 1), EncodeDate(2024, 3, 31)},
          {EncodeDate(2024, 2, 1), EncodeDate(2024, 2, 29)},
          {EncodeDate(2024, 2, 15), EncodeDate(2024, 3, 10)},
          {EncodeDate(2024, 3, 31), EncodeDate(2024, 3, 31)}};
}

std::string Caso(const TPeriodo& periodo, bool relacionar, TnTipoSaldoCtb livro) {
  return fmt::format("{}..{} filiais={} livro={}", DateToIso(periodo.Inicio),
                     DateToIso(periodo.Fim), relacionar, static_cast<int>(livro));
}

class TRepositorioSaldoCtbTest : public TBalancesTest {
 protected:
  void SetUp() override {
    TBalancesTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    SemearTresMeses();
  }

  // Previous balance and period movement of `p` against the entries that
  // `aceita` keeps, on the accounts of `contas` (all when empty).
  void Conferir(TnCtbRepositorioSaldoCtbBase& repositorio, const TnParansSaldoCtb& p,
                const std::function<bool(const TLcto&)>& aceita = {},
                const std::set<int64_t>& contas = {}) {
    auto nasContas = [&](TSaldos s) {
      if (!contas.empty())
        std::erase_if(s, [&](const auto& i) { return !contas.contains(std::get<0>(i.first)); });
      return s;
    };
    auto anterior = repositorio.CriarMovSaldoCtbAnterior(p);
    ASSERT_TRUE(anterior);
    EXPECT_EQ(Texto(nasContas(Esperado(p, TJanela::Anterior, aceita, p.RelacionarFilial))),
              Texto(Ler(*anterior)));
    EXPECT_EQ(anterior->FindField("CODIGOESTAB") != nullptr, p.RelacionarFilial);
    auto atual = repositorio.CriarMovSaldoCtbAtual(p);
    ASSERT_TRUE(atual);
    EXPECT_EQ(Texto(nasContas(Esperado(p, TJanela::Periodo, aceita, p.RelacionarFilial, true))),
              Texto(Ler(*atual)));
  }

  TnCtbRepositorioSaldoCtb FRepositorio;
};

TEST_P(TRepositorioSaldoCtbTest, BookPathMatchesEntriesForEveryStartBookAndBranchSetting) {
  for (const TPeriodo& periodo : Periodos())
    for (bool relacionar : {false, true})
      for (TnTipoSaldoCtb livro : {TnTipoSaldoCtb::tscSocietario, TnTipoSaldoCtb::tscFiscal}) {
        SCOPED_TRACE(Caso(periodo, relacionar, livro));
        Conferir(FRepositorio, Parans(periodo.Inicio, periodo.Fim, relacionar, livro));
      }
}

TEST_P(TRepositorioSaldoCtbTest, PreviousBalanceAddsDailyPartOnlyWhenStartIsNotFirstOfMonth) {
  for (const TPeriodo& periodo : Periodos()) {
    SCOPED_TRACE(DateToIso(periodo.Inicio));
    const bool primeiro = DayOf(periodo.Inicio) == 1;
    for (bool historico : {false, true}) {
      TnParansSaldoCtb p = Parans(periodo.Inicio, periodo.Fim);
      p.CodigoHistCtb = historico ? "1" : "";
      const std::string sql = historico ? FRepositorio.GetSqlSaldoCtbAnteriorOri(p, false)
                                        : FRepositorio.GetSqlSaldoCtbAnterior(p);
      EXPECT_EQ(sql.find(" union all ") == std::string::npos, primeiro) << sql;
      EXPECT_EQ(sql.find("aliasmssql") == std::string::npos, primeiro) << sql;
    }
  }
}

TEST_P(TRepositorioSaldoCtbTest, HistoryPathReadsOnlyEntriesOfTheChosenHistories) {
  for (const std::string historicos : {"1", "1;2", "2"}) {
    std::set<int> aceitos;
    for (const std::string& h : Nutil::StrToStrArray(historicos))
      aceitos.insert(std::stoi(h));
    for (const TPeriodo& periodo : Periodos())
      for (bool relacionar : {false, true}) {
        SCOPED_TRACE(historicos + " " + Caso(periodo, relacionar, TnTipoSaldoCtb::tscFiscal));
        TnParansSaldoCtb p =
            Parans(periodo.Inicio, periodo.Fim, relacionar, TnTipoSaldoCtb::tscFiscal);
        p.CodigoHistCtb = historicos;
        Conferir(FRepositorio, p,
                 [&](const TLcto& l) { return l.Hist && aceitos.contains(*l.Hist); });
      }
  }
}

TEST_P(TRepositorioSaldoCtbTest, HistoryMinusOneIsNoHistoryFilter) {
  TnParansSaldoCtb p = Parans(Dia(2, 15), Dia(3, 10), true);
  p.CodigoHistCtb = "-1";
  EXPECT_EQ(FRepositorio.GetFiltroHistoricoInclusion(p), "");
  Conferir(FRepositorio, p);
}

TEST_P(TRepositorioSaldoCtbTest, BranchAndAccountInclusionsNarrowBothPaths) {
  for (const std::string historico : {"", "1;2"}) {
    SCOPED_TRACE(historico);
    TnParansSaldoCtb p = Parans(Dia(2, 15), Dia(3, 10), true);
    p.CodigoEstab = "2";
    p.ContaCtbInclusion = "11;12;21";
    p.CodigoHistCtb = historico;
    Conferir(
        FRepositorio, p,
        [&](const TLcto& l) { return l.Estab == 2 && (historico.empty() || l.Hist.has_value()); },
        {11, 12, 21});
  }
}

TEST_P(TRepositorioSaldoCtbTest, ClassificationFilterJoinsTheChartInPeriodStatements) {
  for (const std::string historico : {"", "1;2"}) {
    SCOPED_TRACE(historico);
    TnParansSaldoCtb p = Parans(Dia(1, 1), Dia(3, 31));
    p.FiltroClassificacao = "'1.1.01.001', '2.1.01.002'";
    p.ContaCtbInclusion = "12";  // dropped: the classifications decide
    p.CodigoHistCtb = historico;
    auto atual = FRepositorio.CriarMovSaldoCtbAtual(p);
    TSaldos esperado = Esperado(
        p, TJanela::Periodo, [&](const TLcto& l) { return historico.empty() || l.Hist; }, false,
        true);
    std::erase_if(esperado, [](const auto& item) {
      return std::get<0>(item.first) != 11 && std::get<0>(item.first) != 22;
    });
    EXPECT_EQ(Texto(esperado), Texto(Ler(*atual)));
  }
}

TEST_P(TRepositorioSaldoCtbTest, BookFilterNamesNormalEntriesAndTheBooksOwnType) {
  TnParansSaldoCtb p = Parans(Dia(1, 1), Dia(1, 31));
  EXPECT_EQ(FRepositorio.GetFiltroTipoLancamento(p), " and TIPOLANCAMENTO in ('LN', 'LS') ");
  p.TipoSaldoCtb = TnTipoSaldoCtb::tscFiscal;
  EXPECT_EQ(FRepositorio.GetFiltroTipoLancamento(p), " and TIPOLANCAMENTO in ('LN', 'LF') ");
  // Another book without a history filter has no cursor at all.
  p.TipoSaldoCtb = static_cast<TnTipoSaldoCtb>(2);
  EXPECT_FALSE(FRepositorio.CriarMovSaldoCtbAnterior(p));
  EXPECT_FALSE(FRepositorio.CriarMovSaldoCtbAtual(p));
  p.CodigoHistCtb = "1";
  EXPECT_TRUE(FRepositorio.CriarMovSaldoCtbAtual(p));
}

// ---------------------------------------------------------------------------
// Reductions by origin
// ---------------------------------------------------------------------------

TEST_P(TRepositorioSaldoCtbTest, UsersActiveFilterTakesItsWindowAndOriginsOut) {
  AtivarFiltroUsuario(Dia(1, 10), Dia(2, 20), "IM");
  auto filtrado = [&](const TLcto& l) {
    return !(l.Origem == "IM" && l.Data >= Dia(1, 10) && l.Data <= Dia(2, 20));
  };
  for (bool relacionar : {false, true})
    for (const std::string historico : {"", "1;2"}) {
      SCOPED_TRACE(fmt::format("filiais={} hist={}", relacionar, historico));
      TnParansSaldoCtb p = Parans(Dia(2, 15), Dia(3, 10), relacionar);
      p.CodigoHistCtb = historico;
      p.ConsiderarFiltroLctoCtb = true;
      Conferir(FRepositorio, p,
               [&](const TLcto& l) { return filtrado(l) && (historico.empty() || l.Hist); });
      // Without ConsiderarFiltroLctoCtb the filter is ignored.
      p.ConsiderarFiltroLctoCtb = false;
      Conferir(FRepositorio, p, [&](const TLcto& l) { return historico.empty() || l.Hist; });
    }
}

TEST_P(TRepositorioSaldoCtbTest, GivenOriginsUseThePeriodAsWindow) {
  TnParansSaldoCtb p = Parans(Dia(2, 15), Dia(3, 10), true);
  p.ConsiderarFiltroLctoCtb = true;
  p.FiltroLctoAtivo = "IM;AA";
  // Nothing before the start lies inside the window: the previous balance
  // stays whole.
  Conferir(FRepositorio, p, [&](const TLcto& l) {
    return l.Data < p.DataInicial || (l.Origem != "IM" && l.Origem != "AA");
  });
}

TEST_P(TRepositorioSaldoCtbTest, ReductionAppendsNegativeRowsForAccountsTheCursorLacks) {
  auto so11 = [](TSaldos s) {
    std::erase_if(s, [](const auto& i) { return std::get<0>(i.first) != 11; });
    return s;
  };
  auto deIM = [](const TLcto& l) { return l.Origem == "IM"; };
  for (bool relacionar : {false, true}) {
    SCOPED_TRACE(relacionar);
    // Cursors narrowed to account 11; the reductions are not.
    TnParansSaldoCtb estreito = Parans(Dia(2, 15), Dia(3, 31), relacionar);
    estreito.ContaCtbInclusion = "11";
    TnParansSaldoCtb p = Parans(Dia(2, 15), Dia(3, 31), relacionar);
    p.FiltroLctoAtivo = "IM";

    auto atual = FRepositorio.CriarMovSaldoCtbAtual(estreito);
    FRepositorio.ReduzirLctoCtbAtualOri(*atual, p);
    const TSaldos esperado = Subtrair(so11(Esperado(p, TJanela::Periodo, {}, relacionar, true)),
                                      Esperado(p, TJanela::Periodo, deIM, relacionar, true));
    EXPECT_EQ(Texto(esperado), Texto(Ler(*atual)));

    AtivarFiltroUsuario(Dia(1, 1), Dia(3, 31), "IM");
    p.FiltroLctoAtivo = "";
    auto anterior = FRepositorio.CriarMovSaldoCtbAnterior(estreito);
    FRepositorio.ReduzirLctoCtbAnteriorOri(*anterior, p);
    const TSaldos esperadoAnterior = Subtrair(so11(Esperado(p, TJanela::Anterior, {}, relacionar)),
                                              Esperado(p, TJanela::Anterior, deIM, relacionar));
    EXPECT_EQ(Texto(esperadoAnterior), Texto(Ler(*anterior)));
    Exec("delete from FILTROLCTOCTB");

    bool negativo = false;
    for (const auto& [chave, valores] : Ler(*anterior))
      negativo = negativo || (std::get<0>(chave) != 11 && valores.first <= Currency() &&
                              valores.second <= Currency());
    EXPECT_TRUE(negativo);
  }
}

// ---------------------------------------------------------------------------
// Randomized
// ---------------------------------------------------------------------------

class TRepositorioSaldoCtbAleatorioTest : public TBalancesTest {};

TEST_P(TRepositorioSaldoCtbAleatorioTest, EveryAccountMatchesEntriesForRandomEntrySets) {
  // CTB_SEED replays a failed run.
  const char* fixa = std::getenv("CTB_SEED");
  const uint64_t semente = fixa ? std::strtoull(fixa, nullptr, 10) : std::random_device{}();
  SCOPED_TRACE(fmt::format("semente {}", semente));
  std::mt19937_64 gerador(semente);
  TnCtbRepositorioSaldoCtb repositorio;
  for (int rodada = 0; rodada < 4; ++rodada) {
    Exec("delete from LCTOCTB where CODIGOEMPRESA = 1");
    FLctos.clear();
    const int quantidade = std::uniform_int_distribution<int>(1, 80)(gerador);
    for (int i = 0; i < quantidade; ++i)
      Inserir(Sortear(gerador));
    for (int consulta = 0; consulta < 4; ++consulta) {
      const TDateTime inicio = Dia(1, 1) + std::uniform_int_distribution<int>(0, 90)(gerador);
      const TDateTime fim = inicio + std::uniform_int_distribution<int>(0, 40)(gerador);
      const bool relacionar = std::uniform_int_distribution<int>(0, 1)(gerador) == 1;
      const auto livro =
          static_cast<TnTipoSaldoCtb>(std::uniform_int_distribution<int>(0, 1)(gerador));
      const bool historico = std::uniform_int_distribution<int>(0, 2)(gerador) == 0;
      SCOPED_TRACE(fmt::format("rodada {} consulta {} hist={} {}", rodada, consulta, historico,
                               Caso({inicio, fim}, relacionar, livro)));
      TnParansSaldoCtb p = Parans(inicio, fim, relacionar, livro);
      p.CodigoHistCtb = historico ? "1" : "";
      auto anterior = repositorio.CriarMovSaldoCtbAnterior(p);
      auto atual = repositorio.CriarMovSaldoCtbAtual(p);
      auto aceita = [&](const TLcto& l) { return !historico || l.Hist == 1; };
      // Every analytic account, with or without movement.
      for (int64_t conta : kContasAnaliticas) {
        auto daConta = [&](const TSaldos& s) {
          TSaldos r;
          for (const auto& [chave, valores] : s)
            if (std::get<0>(chave) == conta)
              r[chave] = valores;
          return r;
        };
        EXPECT_EQ(Texto(daConta(Esperado(p, TJanela::Anterior, aceita, relacionar))),
                  Texto(daConta(Ler(*anterior))))
            << "conta " << conta;
        EXPECT_EQ(Texto(daConta(Esperado(p, TJanela::Periodo, aceita, relacionar, true))),
                  Texto(daConta(Ler(*atual))))
            << "conta " << conta;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Other currency
// ---------------------------------------------------------------------------

class TRepositorioSaldoCtbMoedaTest : public TRepositorioSaldoCtbTest {
 protected:
  TnCtbRepositorioSaldoCtbMoeda FMoeda;
};

TEST_P(TRepositorioSaldoCtbMoedaTest, PreviousBalanceComesPerBranchAndDayWhateverRelacionar) {
  for (bool relacionar : {false, true})
    for (const std::string historico : {"", "1"}) {
      SCOPED_TRACE(fmt::format("filiais={} hist={}", relacionar, historico));
      TnParansSaldoCtb p = Parans(Dia(2, 15), Dia(3, 10), relacionar);
      p.CodigoHistCtb = historico;
      auto anterior = FMoeda.CriarMovSaldoCtbAnterior(p);
      ASSERT_TRUE(anterior->FindField("CODIGOESTAB"));
      ASSERT_TRUE(anterior->FindField("DATASALDO"));
      auto aceita = [&](const TLcto& l) { return historico.empty() || l.Hist == 1; };
      EXPECT_EQ(Texto(Esperado(p, TJanela::Anterior, aceita, true, true)), Texto(Ler(*anterior)));
      // Rows come in account, establishment and day order.
      ValueArray ultima;
      for (anterior->First(); !anterior->Eof(); anterior->Next()) {
        ValueArray chave{anterior->FieldByName("CONTACTB").AsValue(),
                         anterior->FieldByName("CODIGOESTAB").AsValue(),
                         anterior->FieldByName("DATASALDO").AsValue()};
        if (!ultima.empty() && historico.empty()) {
          EXPECT_FALSE(std::lexicographical_compare(
              chave.begin(), chave.end(), ultima.begin(), ultima.end(),
              [](const Value& x, const Value& y) { return Compare(x, y) < 0; }));
        }
        ultima = chave;
      }
      // The period is the local currency's.
      auto atual = FMoeda.CriarMovSaldoCtbAtual(p);
      EXPECT_EQ(Texto(Esperado(p, TJanela::Periodo, aceita, relacionar, true)), Texto(Ler(*atual)));
    }
}

TEST_P(TRepositorioSaldoCtbMoedaTest, ImplantationDateKeepsOnlyLaterDays) {
  for (const std::string historico : {"", "1;2"}) {
    SCOPED_TRACE(historico);
    TnParansSaldoCtb p = Parans(Dia(3, 1), Dia(3, 31));
    p.DataImplSaldoCtb = Dia(1, 31);
    p.CodigoHistCtb = historico;
    auto anterior = FMoeda.CriarMovSaldoCtbAnterior(p);
    EXPECT_EQ(
        Texto(Esperado(
            p, TJanela::Anterior,
            [&](const TLcto& l) { return l.Data > Dia(1, 31) && (historico.empty() || l.Hist); },
            true, true)),
        Texto(Ler(*anterior)));
  }
}

TEST_P(TRepositorioSaldoCtbMoedaTest, ReductionOfPreviousBalanceMatchesTheDay) {
  AtivarFiltroUsuario(Dia(1, 10), Dia(2, 20), "IM;AA");
  TnParansSaldoCtb p = Parans(Dia(3, 1), Dia(3, 31));
  p.ConsiderarFiltroLctoCtb = true;
  auto anterior = FMoeda.CriarMovSaldoCtbAnterior(p);
  EXPECT_EQ(Texto(Esperado(
                p, TJanela::Anterior,
                [&](const TLcto& l) {
                  return !((l.Origem == "IM" || l.Origem == "AA") && l.Data >= Dia(1, 10) &&
                           l.Data <= Dia(2, 20));
                },
                true, true)),
            Texto(Ler(*anterior)));
}

TEST_P(TRepositorioSaldoCtbMoedaTest, ImplantationRowsFollowBranchAccountAndBookFilters) {
  struct TImpl {
    int Estab, Moeda;
    int64_t Conta;
    const char* Tipo;
    int Natureza;
    int64_t Centavos;
  };
  const TImpl impl[] = {{2, 0, 21, "LN", -1, 50000},
                        {1, 2, 11, "LN", 1, 100000},
                        {1, 0, 11, "LS", 1, 70000},
                        {1, 0, 12, "LF", 1, 30000},
                        {2, 2, 11, "LN", 1, 10000}};
  for (const TImpl& i : impl)
    Exec(
        "insert into IMPLSALDOCTB (CODIGOEMPRESA, CODIGOESTAB, CODIGOMOEDA, CONTACTB, "
        "TIPOLANCAMENTO, DATASALDO, NATUREZASALDO, VALORSALDO) values (1, :pE, :pM, :pC, :pT, "
        "'2023-12-31', :pN, :pV)",
        {{"pE", i.Estab},
         {"pM", i.Moeda},
         {"pC", i.Conta},
         {"pT", i.Tipo},
         {"pN", i.Natureza},
         {"pV", Currency::FromRaw(i.Centavos * 100)}});
  auto linhas = [&](const TnParansSaldoCtb& p) {
    auto cursor = FMoeda.CriarMovImpSaldoCtb(p);
    std::string texto;
    for (; !cursor->Eof(); cursor->Next())
      texto +=
          fmt::format("{}/{}/{} {} {} {:.2f}\n", cursor->FieldByName("CODIGOESTAB").AsInteger(),
                      cursor->FieldByName("CODIGOMOEDA").AsInteger(),
                      cursor->FieldByName("CONTACTB").AsInteger(),
                      DateToIso(cursor->FieldByName("DATASALDO").AsDateTime()),
                      cursor->FieldByName("NATUREZASALDO").AsInteger(),
                      cursor->FieldByName("VALORSALDO").AsCurrency().ToDouble());
    return texto;
  };
  TnParansSaldoCtb p = Parans(Dia(1, 1), Dia(1, 31));
  EXPECT_EQ(linhas(p),
            "1/0/11 2023-12-31 1 700.00\n1/2/11 2023-12-31 1 1000.00\n"
            "2/0/21 2023-12-31 -1 500.00\n2/2/11 2023-12-31 1 100.00\n");
  p.TipoSaldoCtb = TnTipoSaldoCtb::tscFiscal;
  p.CodigoEstab = "1";
  EXPECT_EQ(linhas(p), "1/0/12 2023-12-31 1 300.00\n1/2/11 2023-12-31 1 1000.00\n");
  p.CodigoEstab = "";
  p.ContaCtbInclusion = "21";
  EXPECT_EQ(linhas(p), "2/0/21 2023-12-31 -1 500.00\n");
}

CTB_INSTANTIATE_ENGINES(TRepositorioSaldoCtbTest);
CTB_INSTANTIATE_ENGINES(TRepositorioSaldoCtbAleatorioTest);
CTB_INSTANTIATE_ENGINES(TRepositorioSaldoCtbMoedaTest);

}  // namespace
