#include "host/demo/DemoLancamentos.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/demo/DemoEmpresa.h"
#include "host/import/CsvReader.h"

namespace {

using DemoLancamentos::TLancamentoDemo;

// One row as one line, so two runs compare as a whole.
std::string Texto(const std::vector<TLancamentoDemo>& linhas) {
  std::string texto;
  for (const TLancamentoDemo& l : linhas)
    texto += DemoLancamentos::LinhaCsv(l) + "\n";
  return texto;
}

std::map<int64_t, const DemoEmpresa::TContaDemo*> PorCodigo() {
  std::map<int64_t, const DemoEmpresa::TContaDemo*> mapa;
  for (const DemoEmpresa::TContaDemo& conta : DemoEmpresa::PlanoContas())
    mapa.emplace(conta.ContaCtb, &conta);
  return mapa;
}

TEST(DemoLancamentos, SameSeedSameRowsOtherSeedOtherRows) {
  const std::string a = Texto(DemoLancamentos::Gerar(42, 3000, 1));
  EXPECT_EQ(a, Texto(DemoLancamentos::Gerar(42, 3000, 1)));
  EXPECT_NE(a, Texto(DemoLancamentos::Gerar(43, 3000, 1)));
  // A run of fewer rows is not a prefix of a longer one (the year is spread
  // over the count), but it is just as repeatable.
  EXPECT_EQ(Texto(DemoLancamentos::Gerar(7, 10, 2)), Texto(DemoLancamentos::Gerar(7, 10, 2)));
}

TEST(DemoLancamentos, EveryRowIsAPositiveEntryBetweenTwoAnalyticAccountsOf2025) {
  const auto contas = PorCodigo();
  const TDateTime inicio = EncodeDate(2025, 1, 1), fim = EncodeDate(2025, 12, 31);
  for (int64_t quantidade : {1, 37, 499, 500, 5000}) {
    SCOPED_TRACE(quantidade);
    const auto linhas = DemoLancamentos::Gerar(quantidade * 31, quantidade, 3);
    ASSERT_EQ(static_cast<int64_t>(linhas.size()), quantidade);
    int sabados = 0;
    TDateTime anterior = inicio;
    for (const TLancamentoDemo& l : linhas) {
      const std::string linha = DemoLancamentos::LinhaCsv(l);
      EXPECT_EQ(l.CodigoEmpresa, 3);
      EXPECT_GE(l.CodigoEstab, 1);
      EXPECT_LE(l.CodigoEstab, 3);
      EXPECT_GE(l.DataLctoCtb, inicio) << linha;
      EXPECT_LE(l.DataLctoCtb, fim) << linha;
      EXPECT_GE(l.DataLctoCtb, anterior) << "fora de ordem: " << linha;
      anterior = l.DataLctoCtb;
      EXPECT_NE(DayOfWeek(l.DataLctoCtb), 1) << "domingo: " << linha;
      sabados += DayOfWeek(l.DataLctoCtb) == 7;
      EXPECT_GT(l.ValorLctoCtb, Currency()) << linha;
      EXPECT_EQ(l.ValorLctoCtb, l.ValorLctoCtb.Rounded(2)) << linha;
      EXPECT_NE(l.ContaCtbDeb, l.ContaCtbCred) << linha;
      for (int64_t conta : {l.ContaCtbDeb, l.ContaCtbCred}) {
        auto it = contas.find(conta);
        ASSERT_NE(it, contas.end()) << linha;
        EXPECT_EQ(it->second->TipoConta, 2) << linha;
        EXPECT_FALSE(it->second->Calculada) << linha;
      }
      EXPECT_EQ(l.CodigoLoteCtb, MonthOf(l.DataLctoCtb));
      EXPECT_EQ(l.TipoLancamento, "LN");
    }
    EXPECT_LT(sabados * 10, quantidade + 10) << "fins de semana demais";
    // The opening capital comes first, on the first day.
    EXPECT_EQ(linhas.front().DataLctoCtb, inicio);
    EXPECT_EQ(linhas.front().ContaCtbCred, DemoEmpresa::Conta("2.3.01.001").ContaCtb);
    if (quantidade >= 500) {
      EXPECT_EQ(MonthOf(linhas.back().DataLctoCtb), 12);
    }
  }
}

TEST(DemoLancamentos, AYearHasItsScheduledEntriesEveryMonth) {
  const auto linhas = DemoLancamentos::Gerar(1, 20000, 1);
  const int64_t depreciacao = DemoEmpresa::Conta("4.2.02.009").ContaCtb;
  const int64_t folha = DemoEmpresa::Conta("4.2.01.001").ContaCtb;
  const int64_t salariosAPagar = DemoEmpresa::Conta("2.1.02.001").ContaCtb;
  std::map<int, int> depreciacoes, folhas;
  Currency aPagar, folhaDeDezembro;  // salaries payable: credits minus debits
  std::set<int64_t> contasUsadas;
  for (const TLancamentoDemo& l : linhas) {
    const int mes = MonthOf(l.DataLctoCtb);
    depreciacoes[mes] += l.ContaCtbDeb == depreciacao;
    folhas[mes] += l.ContaCtbDeb == folha;
    if (l.ContaCtbDeb == folha && mes == 12)
      folhaDeDezembro += l.ValorLctoCtb;
    if (l.ContaCtbCred == salariosAPagar)
      aPagar += l.ValorLctoCtb;
    if (l.ContaCtbDeb == salariosAPagar)
      aPagar -= l.ValorLctoCtb;
    contasUsadas.insert(l.ContaCtbDeb);
    contasUsadas.insert(l.ContaCtbCred);
  }
  for (int mes = 1; mes <= 12; ++mes) {
    EXPECT_EQ(depreciacoes[mes], 4) << mes;
    EXPECT_EQ(folhas[mes], 3) << mes;
  }
  // Each month's payroll is paid the next month: December's stays payable.
  EXPECT_GT(folhaDeDezembro, Currency());
  EXPECT_EQ(aPagar, folhaDeDezembro);
  EXPECT_GT(contasUsadas.size(), 50u);
}

// The books an accountant checks first, kept month by month from the rows:
// no bank, cash, stock or supplier account on the wrong side at any month
// end, and a profit of 3% to 15% of net sales for the year.
class TLivrosDoAno {
 public:
  void Lancar(const TLancamentoDemo& l) {
    if (MonthOf(l.DataLctoCtb) != FMes)
      FecharMes();
    FMes = MonthOf(l.DataLctoCtb);
    const int64_t centavos = l.ValorLctoCtb.Raw() / (Currency::kScale / 100);
    FSaldos[Classif(l.ContaCtbDeb)] += centavos;
    FSaldos[Classif(l.ContaCtbCred)] -= centavos;
  }
  // The accounts found on the wrong side at a month end, "MM classif saldo".
  std::string FecharMes() {
    for (const auto& [classif, saldo] : FSaldos) {
      const bool devedora = classif.starts_with("1.1.01") || classif.starts_with("1.1.04") ||
                            classif.starts_with("1.1.02");
      if ((devedora && saldo < 0) || (classif.starts_with("2.1.01") && saldo > 0))
        FErros += std::to_string(FMes) + " " + classif + " " + std::to_string(saldo) + "\n";
    }
    return FErros;
  }
  // Net profit over net sales, in hundredths of a percent.
  int64_t Margem() const {
    int64_t vendasLiquidas = 0, resultado = 0;
    for (const auto& [classif, saldo] : FSaldos) {
      if (classif.starts_with("3.1"))
        vendasLiquidas -= saldo;
      if (classif[0] == '3' || classif[0] == '4')
        resultado -= saldo;
    }
    return vendasLiquidas > 0 ? resultado * 10000 / vendasLiquidas : 0;
  }

 private:
  static const std::string& Classif(int64_t conta) {
    static const auto contas = PorCodigo();
    return contas.at(conta)->ClassifConta;
  }
  std::map<std::string, int64_t> FSaldos;
  int FMes = 1;
  std::string FErros;
};

TEST(DemoLancamentos, BooksStayOnTheirSidesEveryMonthAndTheYearEndsInProfit) {
  const struct {
    int64_t Quantidade;
    uint64_t Semente;
  } casos[] = {{2000, 2025}, {2000, 7}, {2000, 99}, {5000, 3}, {20000, 2025}, {1'000'000, 2025}};
  for (const auto& caso : casos) {
    SCOPED_TRACE(testing::Message() << caso.Quantidade << " lançamentos, semente " << caso.Semente);
    DemoLancamentos::TGerador gerador(caso.Semente, caso.Quantidade, 1);
    TLivrosDoAno livros;
    TLancamentoDemo lancamento;
    int64_t linhas = 0;
    while (gerador.Proximo(lancamento)) {
      livros.Lancar(lancamento);
      ++linhas;
    }
    EXPECT_EQ(linhas, caso.Quantidade);
    // The income taxes close the year.
    EXPECT_EQ(lancamento.CodigoHistCtb, 27) << DemoLancamentos::LinhaCsv(lancamento);
    EXPECT_EQ(livros.FecharMes(), "");
    EXPECT_GE(livros.Margem(), 300);
    EXPECT_LE(livros.Margem(), 1500);
  }
}

TEST(DemoLancamentos, CsvHasAHeaderAndOneLinePerRowQuotedWhereNeeded) {
  std::ostringstream saida;
  DemoLancamentos::EscreverCsv(saida, 9, 750, 1);
  std::istringstream entrada(saida.str());
  TCsvReader leitor(entrada);
  // The header names what the demo imports: every program-level test reads it.
  const auto linhas = DemoLancamentos::Gerar(9, 750, 1);
  size_t n = 0;
  while (auto linha = leitor.Next()) {
    ASSERT_LT(n, linhas.size());
    ASSERT_EQ(linha->Cells.size(), 12u) << linha->LineNumber;
    EXPECT_EQ(linha->Cells[2], DateToIso(linhas[n].DataLctoCtb));
    EXPECT_EQ(linha->Cells[7], linhas[n].ComplHist);
    EXPECT_EQ(Currency::FromString(linha->Cells[8]), linhas[n].ValorLctoCtb);
    ++n;
  }
  EXPECT_EQ(n, 750u);
}

TEST(DemoLancamentos, AmountsAlwaysCarryTwoDecimals) {
  const std::pair<const char*, const char*> casos[] = {{"1234.5", "1234.50"}, {"0.07", "0.07"},
                                                       {"-12.3", "-12.30"},   {"100", "100.00"},
                                                       {"0.005", "0.01"},     {"-0.05", "-0.05"}};
  for (const auto& [valor, texto] : casos)
    EXPECT_EQ(DemoLancamentos::ValorTexto(Currency::FromString(valor)), texto) << valor;
}

}  // namespace
