// The three balance repositories (local currency, another currency,
// functional currency) against balances computed from the entries: both
// paths (balance tables, history), both books, with and without
// establishments, starts on and off the first of a month, the narrowing
// filters and the removal of the entries an entry filter selects. What the
// repositories share runs as one table over the three; what one of them adds
// has its own test below.

#include "balances/nCtbRepositorioSaldoCtb_U.h"

#include <algorithm>
#include <set>

#include "balances/nCtbRepositorioSaldoCtbMoedaFuncional_U.h"
#include "balances/nCtbRepositorioSaldoCtbMoeda_U.h"
#include "framework/core/Nutil.h"
#include "tests/balances/TBalancesTest.h"

namespace {

// How a repository's cursors are shaped and what they sum.
struct TTipoRepositorio {
  const char* Nome;
  int Moeda;            // CodigoMoeda of its queries
  bool AnteriorPorDia;  // previous balance per establishment and day, always
  bool Funcional;       // currency amounts; zeroing records on the history path
  std::unique_ptr<TnCtbRepositorioSaldoCtbBase> (*Criar)();
};

template <class T>
std::unique_ptr<TnCtbRepositorioSaldoCtbBase> Novo() {
  return std::make_unique<T>();
}

const TTipoRepositorio kLocal = {"moeda local", 0, false, false, &Novo<TnCtbRepositorioSaldoCtb>};
const TTipoRepositorio kOutraMoeda = {"outra moeda", 0, true, false,
                                      &Novo<TnCtbRepositorioSaldoCtbMoeda>};
const TTipoRepositorio kFuncional = {"moeda funcional", kMoedaFuncional, false, true,
                                     &Novo<TnCtbRepositorioSaldoCtbMoedaFuncional>};
const TTipoRepositorio* const kRepositorios[] = {&kLocal, &kOutraMoeda, &kFuncional};

// The entries of the histories `historicos` names; every entry when it names
// none ("" or "-1").
std::function<bool(const TLcto&)> DosHistoricos(const std::string& historicos) {
  if (historicos.empty() || historicos == "-1")
    return {};
  std::set<int> aceitos;
  for (const std::string& h : Nutil::StrToStrArray(historicos))
    aceitos.insert(std::stoi(h));
  return [aceitos](const TLcto& l) { return l.Hist && aceitos.contains(*l.Hist); };
}

// The balances of `s` on the accounts of `contas` (all when empty).
TSaldos NasContas(TSaldos s, const std::set<int64_t>& contas) {
  if (!contas.empty())
    std::erase_if(s, [&](const auto& i) { return !contas.contains(std::get<0>(i.first)); });
  return s;
}

class TRepositorioSaldoCtbTest : public TBalancesTest {
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

  // Previous balance and period movement of `parans`, in the currency of
  // `r`, against the entries (and, for the functional currency's history
  // path, the zeroing records) that `aceita` keeps, on the accounts of
  // `contas` (all when empty).
  void Conferir(const TTipoRepositorio& r, const TnParansSaldoCtb& parans,
                const std::function<bool(const TLcto&)>& aceita = {},
                const std::set<int64_t>& contas = {}) {
    TnParansSaldoCtb p = parans;
    p.CodigoMoeda = r.Moeda;
    const std::vector<TLcto>* zeramentos =
        r.Funcional && TnCtbRepositorioSaldoCtbBase::TemFiltroHistorico(p) ? &FZeramentos : nullptr;
    const bool anteriorPorEstab = r.AnteriorPorDia || p.RelacionarFilial;
    auto repositorio = r.Criar();
    auto anterior = repositorio->CriarMovSaldoCtbAnterior(p);
    ASSERT_TRUE(anterior);
    EXPECT_EQ(Texto(NasContas(Esperado(p, TJanela::Anterior, aceita, anteriorPorEstab,
                                       r.AnteriorPorDia, r.Funcional, zeramentos),
                              contas)),
              Texto(Ler(*anterior)));
    EXPECT_EQ(anterior->FindField("CODIGOESTAB") != nullptr, anteriorPorEstab);
    EXPECT_EQ(anterior->FindField("DATASALDO") != nullptr, r.AnteriorPorDia);
    auto atual = repositorio->CriarMovSaldoCtbAtual(p);
    ASSERT_TRUE(atual);
    EXPECT_EQ(Texto(NasContas(Esperado(p, TJanela::Periodo, aceita, p.RelacionarFilial, true,
                                       r.Funcional, zeramentos),
                              contas)),
              Texto(Ler(*atual)));
  }
};

TEST_P(TRepositorioSaldoCtbTest, EveryRepositoryMatchesEntriesOnBothPathsBooksAndBranches) {
  const std::pair<TDateTime, TDateTime> periodos[] = {{Dia(1, 1), Dia(3, 31)},
                                                      {Dia(2, 1), Dia(2, 29)},
                                                      {Dia(2, 15), Dia(3, 10)},
                                                      {Dia(3, 31), Dia(3, 31)}};
  for (const TTipoRepositorio* r : kRepositorios)
    for (const auto& [inicio, fim] : periodos)
      for (bool relacionar : {false, true})
        for (TnTipoSaldoCtb livro : {TnTipoSaldoCtb::tscSocietario, TnTipoSaldoCtb::tscFiscal})
          for (const std::string historicos : {"", "-1", "2", "1;2"}) {
            SCOPED_TRACE(fmt::format("{} hist={} {}..{} filiais={} livro={}", r->Nome, historicos,
                                     DateToIso(inicio), DateToIso(fim), relacionar,
                                     static_cast<int>(livro)));
            TnParansSaldoCtb p = Parans(inicio, fim, relacionar, livro);
            p.CodigoHistCtb = historicos;
            Conferir(*r, p, DosHistoricos(historicos));
          }
}

// The user's active filter takes its own window and origins out, on both
// sides of the start; origins given with the query take the period as their
// window, so the previous balance stays whole. Without
// ConsiderarFiltroLctoCtb nothing is taken out. Each runs over all branches,
// by branch, and narrowed to branch 1 and three accounts.
TEST_P(TRepositorioSaldoCtbTest, EntryFilterAndInclusionsNarrowBothPaths) {
  auto fora = [](TDateTime de, TDateTime ate) {
    return [=](const TLcto& l) {
      return !((l.Origem == "IM" || l.Origem == "AA") && l.Data >= de && l.Data <= ate);
    };
  };
  for (const TTipoRepositorio* r : kRepositorios)
    for (const int modo : {0, 1, 2})
      for (const std::string historico : {"", "1;2"}) {
        SCOPED_TRACE(fmt::format("{} modo={} hist={}", r->Nome, modo, historico));
        auto base = [&](const TLcto& l) {
          return (historico.empty() || l.Hist) && (modo < 2 || l.Estab == 1);
        };
        const std::set<int64_t> contas =
            modo < 2 ? std::set<int64_t>{} : std::set<int64_t>{11, 12, 21};
        TnParansSaldoCtb p = Parans(Dia(2, 15), Dia(3, 10), modo > 0);
        if (modo == 2) {
          p.CodigoEstab = "1";
          p.ContaCtbInclusion = "11;12;21";
        }
        p.CodigoHistCtb = historico;
        p.ConsiderarFiltroLctoCtb = true;
        AtivarFiltroUsuario(Dia(1, 10), Dia(2, 20), "IM;AA");
        const auto doUsuario = fora(Dia(1, 10), Dia(2, 20));
        Conferir(
            *r, p, [&](const TLcto& l) { return doUsuario(l) && base(l); }, contas);
        p.ConsiderarFiltroLctoCtb = false;
        Conferir(*r, p, base, contas);
        Exec("delete from FILTROLCTOCTB");

        p.ConsiderarFiltroLctoCtb = true;
        p.FiltroLctoAtivo = "IM;AA";
        const auto doPeriodo = fora(p.DataInicial, p.DataFinal);
        Conferir(
            *r, p, [&](const TLcto& l) { return doPeriodo(l) && base(l); }, contas);
      }
}

// ---------------------------------------------------------------------------
// Local currency
// ---------------------------------------------------------------------------

// The classification filter joins the chart in the period statements.
TEST_P(TRepositorioSaldoCtbTest, ClassificationFilterAndAnotherBook) {
  TnCtbRepositorioSaldoCtb repositorio;
  for (const std::string historico : {"", "1;2"}) {
    SCOPED_TRACE(historico);
    TnParansSaldoCtb p = Parans(Dia(1, 1), Dia(3, 31));
    p.FiltroClassificacao = "'1.1.01.001', '2.1.01.002'";
    p.ContaCtbInclusion = "12";  // dropped: the classifications decide
    p.CodigoHistCtb = historico;
    auto atual = repositorio.CriarMovSaldoCtbAtual(p);
    const TSaldos esperado = Esperado(
        p, TJanela::Periodo, [&](const TLcto& l) { return historico.empty() || l.Hist; }, false,
        true);
    EXPECT_EQ(Texto(NasContas(esperado, {11, 22})), Texto(Ler(*atual)));
  }
  // Another book without a history filter has no cursor at all.
  TnParansSaldoCtb p = Parans(Dia(1, 1), Dia(1, 31), false, static_cast<TnTipoSaldoCtb>(2));
  EXPECT_FALSE(repositorio.CriarMovSaldoCtbAnterior(p));
  EXPECT_FALSE(repositorio.CriarMovSaldoCtbAtual(p));
  p.CodigoHistCtb = "1";
  EXPECT_TRUE(repositorio.CriarMovSaldoCtbAtual(p));
}

TEST_P(TRepositorioSaldoCtbTest, ReductionAppendsNegativeRowsForAccountsTheCursorLacks) {
  TnCtbRepositorioSaldoCtb repositorio;
  auto deIM = [](const TLcto& l) { return l.Origem == "IM"; };
  for (bool relacionar : {false, true}) {
    SCOPED_TRACE(relacionar);
    // Cursors narrowed to account 11; the reductions are not.
    TnParansSaldoCtb estreito = Parans(Dia(2, 15), Dia(3, 31), relacionar);
    estreito.ContaCtbInclusion = "11";
    TnParansSaldoCtb p = Parans(Dia(2, 15), Dia(3, 31), relacionar);
    p.FiltroLctoAtivo = "IM";

    auto atual = repositorio.CriarMovSaldoCtbAtual(estreito);
    repositorio.ReduzirLctoCtbAtualOri(*atual, p);
    const TSaldos esperado =
        Subtrair(NasContas(Esperado(p, TJanela::Periodo, {}, relacionar, true), {11}),
                 Esperado(p, TJanela::Periodo, deIM, relacionar, true));
    EXPECT_EQ(Texto(esperado), Texto(Ler(*atual)));

    AtivarFiltroUsuario(Dia(1, 1), Dia(3, 31), "IM");
    p.FiltroLctoAtivo = "";
    auto anterior = repositorio.CriarMovSaldoCtbAnterior(estreito);
    repositorio.ReduzirLctoCtbAnteriorOri(*anterior, p);
    const TSaldos esperadoAnterior =
        Subtrair(NasContas(Esperado(p, TJanela::Anterior, {}, relacionar), {11}),
                 Esperado(p, TJanela::Anterior, deIM, relacionar));
    EXPECT_EQ(Texto(esperadoAnterior), Texto(Ler(*anterior)));
    Exec("delete from FILTROLCTOCTB");
    // The IM entries of the fixture credit 21 in branch 1: a row the cursor lacked.
    EXPECT_LT(Ler(*anterior).at({21, relacionar ? 1 : 0, 0}).second, Currency());
  }
}

// ---------------------------------------------------------------------------
// Another currency
// ---------------------------------------------------------------------------

TEST_P(TRepositorioSaldoCtbTest, OtherCurrencyPreviousRowsComeInOrderSinceTheImplantation) {
  TnCtbRepositorioSaldoCtbMoeda repositorio;
  TnParansSaldoCtb p = Parans(Dia(2, 15), Dia(3, 10), false);
  auto anterior = repositorio.CriarMovSaldoCtbAnterior(p);
  // Rows come in account, establishment and day order.
  ValueArray ultima;
  for (anterior->First(); !anterior->Eof(); anterior->Next()) {
    ValueArray chave{anterior->FieldByName("CONTACTB").AsValue(),
                     anterior->FieldByName("CODIGOESTAB").AsValue(),
                     anterior->FieldByName("DATASALDO").AsValue()};
    EXPECT_FALSE(std::lexicographical_compare(
        chave.begin(), chave.end(), ultima.begin(), ultima.end(),
        [](const Value& x, const Value& y) { return Compare(x, y) < 0; }));
    ultima = chave;
  }
  for (const std::string historico : {"", "1;2"}) {
    SCOPED_TRACE(historico);
    p = Parans(Dia(3, 1), Dia(3, 31));
    p.DataImplSaldoCtb = Dia(1, 31);
    p.CodigoHistCtb = historico;
    EXPECT_EQ(
        Texto(Esperado(
            p, TJanela::Anterior,
            [&](const TLcto& l) { return l.Data > Dia(1, 31) && (historico.empty() || l.Hist); },
            true, true)),
        Texto(Ler(*repositorio.CriarMovSaldoCtbAnterior(p))));
  }
}

TEST_P(TRepositorioSaldoCtbTest, ImplantationRowsFollowBranchAccountAndBookFilters) {
  Exec(
      "insert into IMPLSALDOCTB (CODIGOEMPRESA, CODIGOESTAB, CODIGOMOEDA, CONTACTB, "
      "TIPOLANCAMENTO, DATASALDO, NATUREZASALDO, VALORSALDO) values "
      "(1, 2, 0, 21, 'LN', '2023-12-31', -1, 500), (1, 1, 2, 11, 'LN', '2023-12-31', 1, 1000), "
      "(1, 1, 0, 11, 'LS', '2023-12-31', 1, 700), (1, 1, 0, 12, 'LF', '2023-12-31', 1, 300), "
      "(1, 2, 2, 11, 'LN', '2023-12-31', 1, 100)");
  TnCtbRepositorioSaldoCtbMoeda repositorio;
  auto linhas = [&](const TnParansSaldoCtb& p) {
    auto cursor = repositorio.CriarMovImpSaldoCtb(p);
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

// ---------------------------------------------------------------------------
// Functional currency: the origin "ZZ" alone reaches the zeroing records
// ---------------------------------------------------------------------------

TEST_P(TRepositorioSaldoCtbTest, FunctionalOriginZZReachesOnlyTheZeroingRecords) {
  TnCtbRepositorioSaldoCtbMoedaFuncional repositorio;
  TnParansSaldoCtb p = Parans(Dia(2, 15), Dia(3, 31), true);
  p.CodigoMoeda = kMoedaFuncional;
  p.CodigoHistCtb = "1;2";
  p.ConsiderarFiltroLctoCtb = true;
  auto comHistoria = [](const TLcto& l) { return l.Hist.has_value(); };

  p.FiltroLctoAtivo = "ZZ";
  const std::string sql = repositorio.GetSqlReduzirOrigemSaldoAnterior(p);
  EXPECT_NE(sql.find("ZERAMENTOCTBMOEDA"), std::string::npos);
  EXPECT_EQ(sql.find("LCTOCTB"), std::string::npos);
  // The window is the period: the period loses its zeroing records, the
  // previous balance keeps them.
  Conferir(kFuncional, p, [&](const TLcto& l) {
    return comHistoria(l) && !(l.Origem == "ZZ" && l.Data >= p.DataInicial);
  });

  // The user's filter window reaches the previous zeroing records.
  p.FiltroLctoAtivo = "";
  AtivarFiltroUsuario(Dia(1, 1), Dia(2, 10), "ZZ");
  Conferir(kFuncional, p, [&](const TLcto& l) {
    return comHistoria(l) && !(l.Origem == "ZZ" && l.Data <= Dia(2, 10));
  });
  // A filter naming no origin takes nothing out.
  Exec("update FILTROLCTOCTB set ORIGENS = '', DATAFINAL = '2024-03-31'");
  EXPECT_EQ(repositorio.GetSqlReduzirOrigemSaldoAnterior(p), "");
  EXPECT_EQ(repositorio.GetSqlLctoCtbAtualOri(p, true), "");
  Conferir(kFuncional, p, comHistoria);

  // No establishment keeps currency 3.
  p = Parans(Dia(2, 15), Dia(3, 31));
  p.CodigoMoeda = 3;
  EXPECT_TRUE(repositorio.CriarMovSaldoCtbAnterior(p)->IsEmpty());
  EXPECT_TRUE(repositorio.CriarMovSaldoCtbAtual(p)->IsEmpty());
}

CTB_INSTANTIATE_ENGINES(TRepositorioSaldoCtbTest);

}  // namespace
