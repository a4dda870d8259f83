#include "host/DemoLancamentos.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/CsvReader.h"
#include "host/DemoEmpresa.h"
#include "host/ExportarJournal.h"

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
  std::map<int, Currency> aPagar;  // salaries payable: credits minus debits
  std::set<int64_t> contasUsadas;
  for (const TLancamentoDemo& l : linhas) {
    const int mes = MonthOf(l.DataLctoCtb);
    depreciacoes[mes] += l.ContaCtbDeb == depreciacao;
    folhas[mes] += l.ContaCtbDeb == folha;
    if (l.ContaCtbCred == salariosAPagar)
      aPagar[0] += l.ValorLctoCtb;
    if (l.ContaCtbDeb == salariosAPagar)
      aPagar[0] -= l.ValorLctoCtb;
    contasUsadas.insert(l.ContaCtbDeb);
    contasUsadas.insert(l.ContaCtbCred);
  }
  for (int mes = 1; mes <= 12; ++mes) {
    EXPECT_EQ(depreciacoes[mes], 4) << mes;
    EXPECT_EQ(folhas[mes], 3) << mes;
  }
  // Each month's payroll is paid the next month: December's stays payable
  // (163,000.00 a month raised 5% from May).
  EXPECT_EQ(aPagar[0], Currency::FromString("171150.00"));
  EXPECT_GT(contasUsadas.size(), 50u);
}

TEST(DemoLancamentos, CsvHasTheHeaderAndOneLinePerRowQuotedWhereNeeded) {
  std::ostringstream saida;
  DemoLancamentos::EscreverCsv(saida, 9, 750, 1);
  std::istringstream entrada(saida.str());
  TCsvReader leitor(entrada);
  EXPECT_EQ(leitor.Header(),
            (std::vector<std::string>{"CODIGOEMPRESA", "CODIGOESTAB", "DATALCTOCTB",
                                      "TIPOLANCAMENTO", "CONTACTBDEB", "CONTACTBCRED",
                                      "CODIGOHISTCTB", "COMPLHIST", "VALORLCTOCTB", "NUMERODCTO",
                                      "CODIGOLOTECTB", "CODIGOORIGLCTOCTB"}));
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

// An account's name is its classification path with names; the tools'
// balance sheet and income statement place an account by its declared type,
// and a contra account keeps its group's type.
TEST(ExportarJournal, AccountNamesAreTheClassificationPathAndTypesFollowTheGroup) {
  EXPECT_EQ(ExportarJournal::NomeConta("1.1.01.001"),
            "1 ATIVO:1.1 ATIVO CIRCULANTE:1.1.01 DISPONÍVEL:1.1.01.001 Caixa Geral");
  EXPECT_EQ(ExportarJournal::NomeConta("3"), "3 RECEITAS");
  const std::vector<std::pair<std::string, std::string>> casos = {
      {"1.1.01.001", "A"}, {"1.2.04", "A"}, {"2.1.01", "L"},     {"2.3.01", "E"},
      {"3.1.02", "R"},     {"4.1", "X"},    {"5.1.01.001", "E"},
  };
  for (const auto& [classif, tipo] : casos)
    EXPECT_EQ(ExportarJournal::TipoConta(classif), tipo) << classif;
}

// Reads the journal back as a ledger tool would: each transaction's elided
// posting takes the negative of the rest, and per-account totals must equal
// those of the rows it came from.
TEST(ExportarJournal, EveryTransactionBalancesAndAccountTotalsMatchTheRows) {
  const uint64_t seed = 5;
  const int64_t quantidade = 1200;
  std::ostringstream saida;
  ExportarJournal::Escrever(saida, seed, quantidade, 1);

  std::map<std::string, Currency> doJournal;
  std::istringstream entrada(saida.str());
  std::string linha;
  int transacoes = 0, filiais = 0;
  std::set<std::string> declaradas;
  std::vector<std::string> postagens;
  auto fechar = [&] {
    if (postagens.empty())
      return;
    ++transacoes;
    ASSERT_EQ(postagens.size(), 2u);
    Currency soma;
    std::string semValor;
    for (const std::string& p : postagens) {
      const size_t separador = p.find("  ", 4);
      if (separador == std::string::npos) {
        EXPECT_TRUE(semValor.empty()) << "duas postagens sem valor";
        semValor = p.substr(4);
      } else {
        const Currency valor = Currency::FromString(p.substr(separador + 2));
        doJournal[p.substr(4, separador - 4)] += valor;
        soma += valor;
      }
    }
    ASSERT_FALSE(semValor.empty());
    doJournal[semValor] -= soma;
    postagens.clear();
  };
  while (std::getline(entrada, linha)) {
    if (linha.starts_with("account ")) {
      EXPECT_EQ(transacoes, 0) << "declaração depois das transações: " << linha;
      declaradas.insert(linha.substr(8, linha.find("  ; type: ") - 8));
    } else if (linha.empty()) {
      fechar();
    } else if (linha.starts_with("    ; filial: ")) {
      ++filiais;
    } else if (linha.starts_with("    ")) {
      postagens.push_back(linha);
    } else {
      ASSERT_TRUE(postagens.empty()) << linha;
      ASSERT_GE(linha.size(), 11u);
      EXPECT_EQ(linha.substr(0, 5), "2025/") << linha;
      EXPECT_EQ(linha[7], '/') << linha;
      EXPECT_EQ(linha[10], ' ') << linha;
    }
  }
  fechar();
  EXPECT_EQ(transacoes, quantidade);
  EXPECT_EQ(filiais, quantidade);
  for (const auto& [conta, saldo] : doJournal)
    EXPECT_EQ(declaradas.count(conta), 1u) << "conta sem declaração: " << conta;

  std::map<std::string, Currency> dasLinhas;
  const auto contas = PorCodigo();
  for (const TLancamentoDemo& l : DemoLancamentos::Gerar(seed, quantidade, 1)) {
    dasLinhas[ExportarJournal::NomeConta(contas.at(l.ContaCtbDeb)->ClassifConta)] += l.ValorLctoCtb;
    dasLinhas[ExportarJournal::NomeConta(contas.at(l.ContaCtbCred)->ClassifConta)] -=
        l.ValorLctoCtb;
  }
  EXPECT_EQ(doJournal, dasLinhas);
}

}  // namespace
