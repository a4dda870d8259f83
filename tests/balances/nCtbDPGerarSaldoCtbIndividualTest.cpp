// The balance generation process against balances computed from the entries
// the test wrote: previous balance, debits, credits and current balance of
// every analytic account, the date buckets, the establishments, the roll-up
// of synthetic and calculated accounts, quotas, currencies, refusals,
// cancelling and the parallel run.

#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"

#include <map>
#include <memory>
#include <random>
#include <set>

#include "framework/core/Nutil.h"
#include "framework/ctb/TnUtilCotacao.h"
#include "framework/ctb/TnUtilCtb.h"
#include "framework/ctb/TnUtilOpcoesCtb.h"
#include "tests/balances/TBalancesTest.h"

namespace {

using TParametros = std::map<std::string, std::string>;

struct TLinhaSaldo {
  Currency Anterior, Debito, Credito, Movimento, Atual;
  int64_t SemSaldoMov = 0, SintFilial = 0, TipoConta = 0;
  std::string Classif;
  void Somar(const TLinhaSaldo& l);
};
const std::pair<const char*, Currency TLinhaSaldo::*> kValores[] = {
    {"SALDOANTERIOR", &TLinhaSaldo::Anterior},
    {"DEBITO", &TLinhaSaldo::Debito},
    {"CREDITO", &TLinhaSaldo::Credito},
    {"MOVIMENTO", &TLinhaSaldo::Movimento},
    {"SALDOATUAL", &TLinhaSaldo::Atual}};
void TLinhaSaldo::Somar(const TLinhaSaldo& l) {
  for (const auto& [campo, valor] : kValores)
    this->*valor += l.*valor;
}
// (account, establishment, day) -> row.
using TResultado = std::map<std::tuple<int64_t, int64_t, double>, TLinhaSaldo>;

TResultado LerResultado(TnClientDataSet& ds) {
  TResultado r;
  for (ds.First(); !ds.Eof(); ds.Next()) {
    auto chave = std::make_tuple(ds.FieldByName("CONTACTB").AsInteger(),
                                 ds.FieldByName("CODIGOESTAB").AsInteger(),
                                 ds.FieldByName("DATASALDO").AsDateTime().Days());
    EXPECT_FALSE(r.contains(chave)) << "linha repetida " << std::get<0>(chave);
    TLinhaSaldo& l = r[chave];
    for (const auto& [campo, valor] : kValores)
      l.*valor = ds.FieldByName(campo).AsCurrency();
    l.SemSaldoMov = ds.FieldByName("SEMSALDOMOV").AsInteger();
    l.SintFilial = ds.FieldByName("SINTFILIAL").AsInteger();
    l.Classif = ds.FieldByName("CLASSIFCONTA").AsString();
    l.TipoConta = ds.FieldByName("TIPOCONTA").AsInteger();
  }
  return r;
}

std::string Linha(int64_t conta, int64_t estab, const TLinhaSaldo& l) {
  return fmt::format("{} e{}: ant {} D {} C {} mov {} atual {}\n", conta, estab,
                     l.Anterior.ToString(), l.Debito.ToString(), l.Credito.ToString(),
                     l.Movimento.ToString(), l.Atual.ToString());
}

// A report that asks to stop at a given checkpoint.
class TReportParar : public IReportProgresso {
 public:
  explicit TReportParar(int pararEm) : FPararEm(pararEm) {}
  bool CSLShowProgress(int atual, int total) override {
    Chamadas.emplace_back(atual, total);
    return atual == FPararEm;
  }
  std::vector<std::pair<int, int>> Chamadas;

 private:
  int FPararEm;
};

class TProcessoContado : public TnCtbDPGerarSaldoCtbIndividual {
 public:
  void OnProcessarResultadoParalelo(const TnResultadoParalelo& resultado) override {
    ++Entregas;
    TnCtbDPGerarSaldoCtbIndividual::OnProcessarResultadoParalelo(resultado);
  }
  int Entregas = 0;
};

class TGerarSaldoTest : public TBalancesTest {
 protected:
  void SetUp() override {
    TBalancesTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    for (auto [grupo, natureza] : {std::pair{"1", 1}, {"2", -1}, {"3", -1}, {"5", 1}})
      Exec("insert into NATUREZAGRUPO (CODIGOEMPRESA, CLASSIFGRUPO, NATUREZA) values (1, :pG, :pN)",
           {{"pG", grupo}, {"pN", natureza}});
  }
  void Cotacao(int moeda, TDateTime data, double valor) {
    Exec(
        "insert into COTACAO (CODIGOMOEDA, DATACOTACAO, TIPOCOTACAO, VALORCOTACAO) values "
        "(:pMoeda, :pData, 0, :pValor)",
        {{"pMoeda", moeda}, {"pData", data}, {"pValor", valor}});
  }

  std::unique_ptr<TnCtbDPGerarSaldoCtbIndividual> Processo(TDateTime inicio, TDateTime fim,
                                                           const TParametros& params = {}) {
    auto processo = std::make_unique<TProcessoContado>();
    processo->SetConexao(&Conexao());
    processo->Param("pCodigoEmpresa").SetValor("1");
    processo->Param("pDataInicial").SetValor(DateToIso(inicio));
    processo->Param("pDataFinal").SetValor(DateToIso(fim));
    for (const auto& [alias, valor] : params)
      processo->Param(alias).SetValor(valor);
    return processo;
  }

  TResultado Rodar(TDateTime inicio, TDateTime fim, const TParametros& params = {}) {
    auto processo = Processo(inicio, fim, params);
    processo->Executar();
    return LerResultado(processo->nClientDataSet);
  }

  // What the process must show for the analytic accounts, straight from the
  // entries (their amounts in the functional currency when `emMoeda`).
  std::string Direto(const TnParansSaldoCtb& p, const std::function<bool(const TLcto&)>& aceita,
                     const std::vector<int64_t>& estabs, bool emMoeda = false) const {
    std::string texto;
    for (int64_t estab : estabs) {
      const bool porEstab = estab != 0;
      const TSaldos anterior = Esperado(p, TJanela::Anterior, aceita, porEstab, false, emMoeda);
      const TSaldos periodo = Esperado(p, TJanela::Periodo, aceita, porEstab, false, emMoeda);
      for (int64_t conta : kContasAnaliticas) {
        auto valor = [&](const TSaldos& s) {
          auto it = s.find({conta, estab, 0});
          return it == s.end() ? std::pair<Currency, Currency>() : it->second;
        };
        const auto [da, ca] = valor(anterior);
        const auto [d, c] = valor(periodo);
        const int n = conta < 20 ? 1 : -1;  // groups 1 debit, 2 and 3 credit
        TLinhaSaldo l;
        l.Anterior = n == 1 ? da - ca : ca - da;
        l.Debito = d;
        l.Credito = c;
        l.Movimento = n == 1 ? d - c : c - d;
        l.Atual = l.Anterior + l.Movimento;
        texto += Linha(conta, estab, l);
      }
    }
    return texto;
  }

  static std::string Analiticas(const TResultado& r, const std::vector<int64_t>& estabs) {
    std::string texto;
    for (int64_t estab : estabs)
      for (int64_t conta : kContasAnaliticas)
        for (const auto& [chave, l] : r)
          if (std::get<0>(chave) == conta && std::get<1>(chave) == estab)
            texto += Linha(conta, estab, l);
    return texto;
  }
};

// ---- the balances themselves ----

// The analytic rows of a run against the entries its parameters keep: each
// period, establishment relation and book, a history filter, and the entry
// filter. The user's active filter (origin IM over the whole quarter) counts
// only when the filter is considered, and then takes its entries out of the
// previous balance too; origins given with the run replace it and take
// their entries out of the period only.
TEST_P(TGerarSaldoTest, RandomEntriesMatchDirectComputationFromEntries) {
  using enum TnTipoSaldoCtb;
  // The period, the branches related, the book, the history filter ("" for
  // none), pConsiderarFiltroLctoCtb and pFiltroOrigemLcto.
  const std::tuple<TDateTime, TDateTime, bool, TnTipoSaldoCtb, std::string, bool, std::string>
      casos[] = {
          {Dia(1, 1), Dia(3, 31), false, tscSocietario, "", false, ""},
          {Dia(2, 1), Dia(2, 29), true, tscSocietario, "", false, ""},
          {Dia(2, 15), Dia(3, 10), true, tscFiscal, "", false, ""},
          {Dia(2, 15), Dia(3, 10), false, tscFiscal, "1", false, ""},
          {Dia(3, 1), Dia(3, 31), true, tscSocietario, "2", false, ""},
          {Dia(3, 31), Dia(3, 31), false, tscSocietario, "", false, ""},
          {Dia(2, 1), Dia(3, 31), true, tscSocietario, "", true, "AA"},
          {Dia(2, 15), Dia(3, 31), false, tscSocietario, "", true, ""},
      };
  AtivarFiltroUsuario(Dia(1, 1), Dia(3, 31), "IM");
  SemearTresMeses(0);  // the entries on the days where the periods turn
  for (uint64_t semente : {7u, 99u, 2024u}) {
    std::mt19937_64 gerador(semente);
    for (int i = 0; i < 60; ++i)
      Inserir(Sortear(gerador));
    for (const auto& [inicio, fim, relacionar, livro, historico, filtrar, origem] : casos) {
      SCOPED_TRACE(fmt::format("semente {} {}..{} filiais={} livro={} hist={} filtro={} {}",
                               semente, DateToIso(inicio), DateToIso(fim), relacionar,
                               static_cast<int>(livro), historico, filtrar, origem));
      auto aceita = [&](const TLcto& l) {
        const bool fora =
            origem.empty() ? l.Origem == "IM" : l.Origem == origem && l.Data >= inicio;
        return (historico.empty() || l.Hist == std::stoi(historico)) && !(filtrar && fora);
      };
      const std::vector<int64_t> estabs =
          relacionar ? std::vector<int64_t>{0, 1, 2} : std::vector<int64_t>{0};
      const TResultado r = Rodar(inicio, fim,
                                 {{"pRelacionarEstab", relacionar ? "1" : "0"},
                                  {"pTipoSaldoCtb", std::to_string(static_cast<int>(livro))},
                                  {"pCodigoHistCtb", historico},
                                  {"pConsiderarFiltroLctoCtb", filtrar ? "1" : "0"},
                                  {"pFiltroOrigemLcto", origem}});
      EXPECT_EQ(Direto(Parans(inicio, fim, relacionar, livro), aceita, estabs),
                Analiticas(r, estabs));
      for (const auto& [chave, l] : r)
        EXPECT_EQ(fim.Days(), std::get<2>(chave)) << "sem agrupamento a data é a final";
    }
  }
}

// Every account of the chart (16) gets a row in every bucket, and each bucket
// matches the entries before and within its days, so a bucket's close is
// carried into the next one. By month, January from the 15th and March up
// to the 10th are read by day, February (a whole month) from the month table.
TEST_P(TGerarSaldoTest, BucketsAndQuotas) {
  SemearTresMeses();
  struct TBalde {
    TDateTime Data, De, Ate;
  };
  std::vector<TBalde> diarios;
  for (int dia = 10; dia <= 16; ++dia)
    diarios.push_back({Dia(2, dia), Dia(2, dia), Dia(2, dia)});
  // The grouping, the branches related and the buckets.
  const std::tuple<const char*, bool, std::vector<TBalde>> casos[] = {
      {"2",
       true,
       {{Dia(1, 1), Dia(1, 15), Dia(1, 31)},
        {Dia(2, 1), Dia(2, 1), Dia(2, 29)},
        {Dia(3, 1), Dia(3, 1), Dia(3, 10)}}},
      {"1", false, diarios},
  };
  for (const auto& [agrupar, relacionar, baldes] : casos) {
    SCOPED_TRACE(agrupar);
    const std::vector<int64_t> estabs =
        relacionar ? std::vector<int64_t>{0, 1, 2} : std::vector<int64_t>{0};
    const TResultado r =
        Rodar(baldes.front().De, baldes.back().Ate,
              {{"pTipoAgruparData", agrupar}, {"pRelacionarEstab", relacionar ? "1" : "0"}});
    EXPECT_EQ(16u * estabs.size() * baldes.size(), r.size());
    for (const TBalde& balde : baldes) {
      TResultado doBalde;
      for (const auto& [chave, l] : r)
        if (std::get<2>(chave) == balde.Data.Days())
          doBalde[{std::get<0>(chave), std::get<1>(chave), 0}] = l;
      EXPECT_EQ(16u * estabs.size(), doBalde.size()) << DateToIso(balde.Data);
      EXPECT_EQ(Direto(Parans(balde.De, balde.Ate, relacionar), {}, estabs),
                Analiticas(doBalde, estabs))
          << DateToIso(balde.Data);
    }
  }
  // A quota scales balances and movement, not debits and credits.
  const TResultado inteiro = Rodar(Dia(2, 15), Dia(3, 31));
  const TResultado metade = Rodar(Dia(2, 15), Dia(3, 31), {{"pPercentualCotas", "50"}});
  const TResultado semAnterior = Rodar(Dia(2, 15), Dia(3, 31), {{"pIgnorarSaldoAnt", "1"}});
  auto meio = [](Currency c) {
    return Nutil::RoundValor(Currency::FromDouble(c.ToDouble() / 2), 2);
  };
  for (int64_t conta : kContasAnaliticas) {
    const auto chave = std::make_tuple(conta, int64_t{0}, Dia(3, 31).Days());
    const TLinhaSaldo& a = inteiro.at(chave);
    const TLinhaSaldo& b = metade.at(chave);
    EXPECT_EQ(a.Debito, b.Debito) << conta;
    EXPECT_EQ(a.Credito, b.Credito) << conta;
    EXPECT_EQ(meio(a.Anterior), b.Anterior) << conta;
    EXPECT_EQ(meio(a.Movimento), b.Movimento) << conta;
    EXPECT_EQ(b.Anterior + b.Movimento, b.Atual) << conta;
    const TLinhaSaldo& c = semAnterior.at(chave);
    EXPECT_EQ(a.Anterior, c.Anterior) << conta;
    EXPECT_EQ(c.Movimento, c.Atual) << conta;
  }
}

// ---- roll-ups ----

TEST_P(TGerarSaldoTest, SyntheticTotalsEqualTheirAnalyticAccountsAtEveryLevel) {
  SemearTresMeses();
  InserirConta(70, "5", 1);  // a synthetic account with nothing beneath it
  for (const std::string relacionar : {"0", "1"}) {
    const TResultado r =
        Rodar(Dia(1, 20), Dia(3, 5), {{"pRelacionarEstab", relacionar}, {"pTipoAgruparData", "2"}});
    int sinteticas = 0;
    for (const auto& [chave, s] : r) {
      if (s.TipoConta != 1)
        continue;
      ++sinteticas;
      TLinhaSaldo soma;
      for (const auto& [outra, a] : r)
        if (a.TipoConta == 2 && std::get<1>(outra) == std::get<1>(chave) &&
            std::get<2>(outra) == std::get<2>(chave) && a.Classif.starts_with(s.Classif + "."))
          soma.Somar(a);
      EXPECT_EQ(Linha(std::get<0>(chave), std::get<1>(chave), soma),
                Linha(std::get<0>(chave), std::get<1>(chave), s))
          << s.Classif << " filiais=" << relacionar;
    }
    EXPECT_EQ((relacionar == "1" ? 3 : 1) * 10 * 3, sinteticas);
  }
  // Without roll-up no synthetic row is created at all; the empty synthetic
  // account can be left out alone.
  for (const auto& [chave, l] : Rodar(Dia(1, 1), Dia(3, 31), {{"pTotalizarSintetica", "0"}}))
    EXPECT_EQ(2, l.TipoConta) << std::get<0>(chave);
  std::set<int64_t> sinteticasListadas;
  for (const auto& [chave, l] :
       Rodar(Dia(1, 1), Dia(1, 31), {{"pListarSinteticasSemAnaliticas", "0"}}))
    if (l.TipoConta == 1)
      sinteticasListadas.insert(std::get<0>(chave));
  EXPECT_EQ((std::set<int64_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}), sinteticasListadas);
}

TEST_P(TGerarSaldoTest, CalculatedAccountIsOneAccountMinusAnother) {
  SemearTresMeses();
  InserirConta(50, "1.1.01.009", 2, "CONTA", "LN", 2);
  Exec(
      "insert into CALCPLANOESPEC (CODIGOEMPRESA, CONTACTB, CONTACTBCALC, OPERACAO) values "
      "(1, 50, 11, 1), (1, 50, 21, 2)");
  const TResultado r =
      Rodar(Dia(1, 10), Dia(3, 20), {{"pRelacionarEstab", "1"}, {"pTipoAgruparData", "2"}});
  int linhas = 0;
  for (const auto& [chave, a] : r) {
    if (std::get<0>(chave) != 50)
      continue;
    ++linhas;
    const auto [conta, estab, dia] = chave;
    // 50 = 11 - 21, that is 50 + 21 = 11.
    TLinhaSaldo soma = a;
    soma.Somar(r.at({21, estab, dia}));
    EXPECT_EQ(Linha(11, estab, r.at({11, estab, dia})), Linha(11, estab, soma))
        << DateToIso(TDateTime(dia));
  }
  EXPECT_EQ(3 * 3, linhas);
}

TEST_P(TGerarSaldoTest, ZeroMovementMarksAndBranchSums) {
  Inserir({1, Dia(2, 5), "LN", 11, 21, 1, "DG", kCem, std::nullopt});
  Inserir({2, Dia(2, 6), "LN", 11, 21, 1, "DG", kCem, std::nullopt});
  Inserir({2, Dia(2, 6), "LN", 12, 22, 1, "DG", kCem, std::nullopt});
  const TResultado r = Rodar(Dia(2, 1), Dia(2, 29),
                             {{"pRelacionarEstab", "1"}, {"pListarContasMovimentoZero", "0"}});
  // "account:no-movement mark/branch-sum mark" of the all-branches rows.
  auto marcas = [](const TResultado& res) {
    std::string texto;
    for (int64_t conta : {11, 12, 13, 21}) {
      const TLinhaSaldo& l = res.at({conta, 0, Dia(2, 29).Days()});
      texto += fmt::format("{}:{}/{} ", conta, l.SemSaldoMov, l.SintFilial);
    }
    return texto;
  };
  // 13 never moved; two establishments have values under 11 and 21, one
  // under 12.
  EXPECT_EQ(marcas(r), "11:0/1 12:0/0 13:1/0 21:0/1 ");
  EXPECT_EQ(Currency(200), r.at({11, 0, Dia(2, 29).Days()}).Debito);
  // Listing them clears the mark.
  EXPECT_EQ(marcas(Rodar(Dia(2, 1), Dia(2, 29))), "11:0/0 12:0/0 13:0/0 21:0/0 ");
  // The caller's own fields: judged on debits alone, the credited account has
  // no movement; a field that is not an amount is refused.
  auto comCampos = [&](const std::vector<std::string>& campos) {
    auto processo = Processo(Dia(2, 1), Dia(2, 29), {{"pListarContasMovimentoZero", "0"}});
    processo->SetCamposAvaliaMovimentoZero(campos);
    processo->Executar();
    return LerResultado(processo->nClientDataSet);
  };
  EXPECT_EQ(marcas(comCampos({"DEBITO"})), "11:0/0 12:0/0 13:1/0 21:1/0 ");
  EXPECT_THROW(comCampos({"CONTACTB"}), Exception);
}

// ---- currencies ----

TEST_P(TGerarSaldoTest, LocalCurrencyImplantationIsConvertedAtItsDateAndFlagged) {
  // Currency 3 is nobody's functional currency; establishment 2 keeps none.
  Exec(
      "insert into IMPLSALDOCTB (CODIGOEMPRESA, CODIGOESTAB, CODIGOMOEDA, CONTACTB, "
      "TIPOLANCAMENTO, DATASALDO, NATUREZASALDO, VALORSALDO) values (1, 2, 0, 11, 'LN', "
      "'2023-12-31', 1, 1000)");
  Cotacao(3, EncodeDate(2023, 12, 31), 5.0);
  Cotacao(3, Dia(1, 10), 4.0);
  Cotacao(3, Dia(2, 10), 2.0);
  Inserir({2, Dia(1, 10), "LN", 11, 21, 1, "DG", kCem, std::nullopt});
  Inserir({2, Dia(2, 10), "LN", 11, 21, 1, "DG", kCem, std::nullopt});
  auto processo = Processo(Dia(2, 1), Dia(2, 29), {{"pCodigoMoeda", "3"}, {"pCodigoEstab", "2"}});
  processo->Executar();
  EXPECT_TRUE(processo->CalculandoSaldoOutraMoeda());
  const TResultado r = LerResultado(processo->nClientDataSet);
  const TLinhaSaldo& caixa = r.at({11, 0, Dia(2, 29).Days()});
  // 1,000.00 at 5 plus 100.00 at 4; the period's 100.00 at 2.
  EXPECT_EQ(Linha(11, 0, caixa), "11 e0: ant 225 D 50 C 0 mov 50 atual 275\n");
  EXPECT_EQ(Currency(25), r.at({21, 0, Dia(2, 29).Days()}).Anterior);
  auto avisos = [&] {
    return processo->Param("pImplSaldoMoedaInvalida").AsString() +
           processo->Param("pUsouValorCotacaoInvalida").AsString() + " " +
           DateToIso(processo->ParansSaldoCtb().DataImplSaldoCtb);
  };
  EXPECT_EQ(avisos(), "10 2023-12-31");
  // Grouped by month, the whole month still converts at each day's rate.
  const TResultado mensal =
      Rodar(Dia(2, 1), Dia(2, 29),
            {{"pCodigoMoeda", "3"}, {"pCodigoEstab", "2"}, {"pTipoAgruparData", "2"}});
  EXPECT_EQ(Currency(50), mensal.at({11, 0, Dia(2, 1).Days()}).Debito);

  // A day without its own rate converts at the last one and says so.
  Inserir({2, Dia(2, 20), "LN", 11, 21, 1, "DG", kCem, std::nullopt});
  processo->Executar();
  EXPECT_EQ(avisos(), "11 2023-12-31");
  EXPECT_EQ(Currency(100),
            LerResultado(processo->nClientDataSet).at({11, 0, Dia(2, 29).Days()}).Debito);
}

TEST_P(TGerarSaldoTest, FunctionalCurrencyReadsTheCurrencyAmountsAndConvertsBackToReais) {
  SemearTresMeses();
  Exec("update PLANOESPEC set TIPOCOTACAO = 0 where CODIGOEMPRESA = 1");
  Cotacao(kMoedaFuncional, Dia(3, 31), 2.5);
  auto processo =
      Processo(Dia(2, 1), Dia(3, 31),
               {{"pCodigoMoeda", std::to_string(kMoedaFuncional)}, {"pCodigoEstab", "1"}});
  processo->Executar();
  ASSERT_TRUE(processo->CalculandoSaldoMoedaFuncional());
  const TResultado moeda = LerResultado(processo->nClientDataSet);
  auto doEstab1 = [](const TLcto& l) { return l.Estab == 1; };
  EXPECT_EQ(Direto(Parans(Dia(2, 1), Dia(3, 31)), doEstab1, {0}, true), Analiticas(moeda, {0}));
  processo->Param("pGerarMoedaFuncionalEmReais").SetValor("1");
  processo->Executar();
  const TResultado reais = LerResultado(processo->nClientDataSet);
  auto vezes = [](Currency c) {
    return Nutil::RoundValor(Currency::FromDouble(c.ToDouble() * 2.5), 2);
  };
  for (int64_t conta : kContasAnaliticas) {
    const auto chave = std::make_tuple(conta, int64_t{0}, Dia(3, 31).Days());
    const TLinhaSaldo& a = moeda.at(chave);
    const TLinhaSaldo& b = reais.at(chave);
    EXPECT_EQ(vezes(a.Anterior), b.Anterior) << conta;
    EXPECT_EQ(vezes(a.Debito), b.Debito) << conta;
    EXPECT_EQ(vezes(a.Atual), b.Atual) << conta;
  }
  // Synthetic accounts are rolled up from the converted rows.
  const TLinhaSaldo& disponivel = reais.at({3, 0, Dia(3, 31).Days()});
  EXPECT_EQ(reais.at({11, 0, Dia(3, 31).Days()}).Atual + reais.at({12, 0, Dia(3, 31).Days()}).Atual,
            disponivel.Atual);
}

// ---- refusals, parameters and the run ----

// An adoption after the first day and up to the last one, included, splits
// the period; on the first day, or with the check off, the run goes on. An
// account outside every group of known nature is refused by its code.
TEST_P(TGerarSaldoTest, IfrsAdoptionInsideThePeriodAndAccountWithoutNatureAreRefused) {
  SemearTresMeses();
  Exec("insert into OPCAOIFRS (CODIGOEMPRESA, DATAOPCAO) values (1, '2024-02-01')");
  const std::tuple<TDateTime, TDateTime, TParametros, bool> casos[] = {
      {Dia(1, 1), Dia(3, 31), {}, true},
      {Dia(1, 1), Dia(2, 1), {}, true},
      {Dia(2, 1), Dia(3, 31), {}, false},
      {Dia(1, 1), Dia(3, 31), {{"pValidarPeriodoIFRS", "0"}}, false},
  };
  for (const auto& [inicio, fim, params, recusa] : casos) {
    SCOPED_TRACE(DateToIso(inicio) + " a " + DateToIso(fim));
    EXPECT_EQ(MensagemDoErro([&] { EXPECT_FALSE(Rodar(inicio, fim, params).empty()); }),
              recusa ? "Períodos Inválidos: Não é possível calcular o saldo pois a adoção do "
                       "IFRS(01/02/2024) foi feita entre os períodos Inicial e Final "
                       "informados."
                     : "");
  }
  InserirConta(60, "9.1", 2);
  EXPECT_EQ(MensagemDoErro([&] { Rodar(Dia(2, 1), Dia(2, 29)); }),
            "Conta contábil código 60 possui uma classificação inválida!");
}

// A small account selection narrows the queries to its accounts; a missing
// or inverted period ends silently with an empty result, a one-day one does
// not.
TEST_P(TGerarSaldoTest, SmallAccountSelectionNarrowsAndAMissingPeriodGivesNothing) {
  SemearTresMeses();
  EXPECT_TRUE(Rodar(Dia(3, 1), Dia(2, 1)).empty());
  EXPECT_FALSE(Rodar(Dia(2, 15), Dia(2, 15)).empty()) << "a one-day period is a period";
  EXPECT_TRUE(Rodar(Dia(3, 1), Dia(3, 31), {{"pCodigoEmpresa", ""}}).empty());
  EXPECT_TRUE(Rodar(Dia(3, 1), Dia(3, 31), {{"pDataFinal", ""}}).empty());
  auto processo = Processo(Dia(2, 1), Dia(2, 29), {{"pContaCtb", "3"}});
  processo->Executar();
  EXPECT_EQ("3,11,12", processo->ParansSaldoCtb().ContaCtbInclusion);
  const TResultado r = LerResultado(processo->nClientDataSet);
  EXPECT_EQ(3u, r.size());
  const TResultado todas = Rodar(Dia(2, 1), Dia(2, 29));
  EXPECT_EQ(Linha(11, 0, todas.at({11, 0, Dia(2, 29).Days()})),
            Linha(11, 0, r.at({11, 0, Dia(2, 29).Days()})));
}

TEST_P(TGerarSaldoTest, ReportCancelStopsAtTheCheckpoint) {
  SemearTresMeses();
  auto processo = Processo(Dia(1, 1), Dia(3, 31));
  // The checkpoint reached, whether rows came and whether anything moved.
  auto rodar = [&] {
    processo->Executar();
    return fmt::format("item {} vazio {} movimento {}", processo->GetItemAtual(),
                       processo->nClientDataSet.IsEmpty(), processo->GetExisteMovimento());
  };
  TReportParar relatorio(2), continuar(0);
  processo->SetReport(&relatorio);
  EXPECT_EQ(rodar(), "item 2 vazio true movimento false");
  EXPECT_EQ((std::vector<std::pair<int, int>>{{1, 8}, {2, 8}}), relatorio.Chamadas);
  processo->SetReport(&continuar);
  EXPECT_EQ(rodar(), "item 3 vazio false movimento true");
  // The person cancels through the progress frame.
  processo->GetProgresso().Cancelar();
  EXPECT_EQ(rodar(), "item 1 vazio true movimento false");
}

TEST_P(TGerarSaldoTest, ParallelRunDeliversItsResultOnce) {
  SemearTresMeses();
  const TResultado sequencial = Rodar(Dia(2, 1), Dia(3, 31), {{"pRelacionarEstab", "1"}});
  auto processo = Processo(Dia(2, 1), Dia(3, 31), {{"pRelacionarEstab", "1"}});
  auto& contado = dynamic_cast<TProcessoContado&>(*processo);
  processo->ExecutarParalelo();
  EXPECT_FALSE(processo->GetFinalizouParalelo());
  EXPECT_TRUE(processo->AguardarParalelo());
  EXPECT_FALSE(processo->AguardarParalelo());
  EXPECT_EQ(fmt::format("{} {} '{}' {}", contado.Entregas, processo->GetFinalizouParalelo(),
                        processo->GetErroExecucaoParalela(), processo->Mensagens().TemErro()),
            "1 true '' false");
  const TResultado paralelo = LerResultado(processo->nClientDataSet);
  EXPECT_EQ(Analiticas(sequencial, {0, 1, 2}), Analiticas(paralelo, {0, 1, 2}));

  // A failed run is delivered once too, as an error message.
  Exec("insert into OPCAOIFRS (CODIGOEMPRESA, DATAOPCAO) values (1, '2024-03-01')");
  ControleOpcaoIFRS().LimparChave();
  processo->ExecutarParalelo();
  processo->AguardarParalelo();
  EXPECT_EQ(2, contado.Entregas);
  EXPECT_TRUE(processo->Mensagens().TemErro());
}

CTB_INSTANTIATE_ENGINES(TGerarSaldoTest);

}  // namespace
