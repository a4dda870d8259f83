// Appending balance rows through the editing path and loaded at once, and as
// many FindKey calls on the three-field index the balance process walks with,
// at ten thousand rows (the index fits the cache) and at a million (it does
// not); each against the same work on plain standard containers in the same run
// (the rows in a std::vector, the live index a std::multimap of the key; the
// look-ups a std::lower_bound on the rows sorted by key).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include "framework/data/ClientDataSet.h"

namespace {

constexpr int kEstabs = 4;
constexpr int kDays = 25;

// Ten thousand rows (the index fits the cache) and a million, each run once.
void Tamanhos(benchmark::internal::Benchmark* b) {
  b->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);
}

void CreateSaldo(TnClientDataSet& ds) {
  ds.AddField("CONTACTB", TFieldType::ftLargeint);
  ds.AddField("CODIGOESTAB", TFieldType::ftSmallint);
  ds.AddField("DATASALDO", TFieldType::ftDate);
  ds.AddField("VALORDEB", TFieldType::ftBCD, 2);
  ds.AddField("VALORCRED", TFieldType::ftBCD, 2);
  ds.CreateDataSet();
  ds.SetIndexFieldNames("CONTACTB;CODIGOESTAB;DATASALDO");
}

// Row i: a key of its own, as balance rows have one per account,
// establishment and day. The account is i modulo the number of accounts,
// scattered by a prime factor so the index really sorts; the establishment
// and the day come from the quotient. Each pass over the accounts appends
// one establishment and day in a shuffled account order.
void RowKey(int rows, int i, int64_t& conta, int& estab, TDateTime& data) {
  const int contas = rows / (kEstabs * kDays);
  conta = 1000000 + (static_cast<int64_t>(i) * 7919) % contas;
  estab = (i / contas) % kEstabs;
  data = EncodeDate(2024, 1, 1) + static_cast<double>((i / contas / kEstabs) % kDays);
}

void BM_Append(benchmark::State& state) {
  const auto rows = static_cast<int>(state.range(0));
  for (auto _ : state) {
    TnClientDataSet ds;
    CreateSaldo(ds);
    TField& conta = ds.FieldByName("CONTACTB");
    TField& estab = ds.FieldByName("CODIGOESTAB");
    TField& data = ds.FieldByName("DATASALDO");
    TField& deb = ds.FieldByName("VALORDEB");
    for (int i = 0; i < rows; ++i) {
      int64_t c;
      int e;
      TDateTime d;
      RowKey(rows, i, c, e, d);
      ds.Append();
      conta.SetAsLargeInt(c);
      estab.SetAsInteger(e);
      data.SetAsDateTime(d);
      deb.SetAsCurrency(Currency::FromRaw(i));
      ds.Post();
    }
    benchmark::DoNotOptimize(ds.RecordCount());
  }
  state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_Append)->Apply(Tamanhos);

// The same rows loaded at once (AppendRecordsUnlogged): the index takes them
// together at the end instead of one insert each.
void BM_AppendLoad(benchmark::State& state) {
  const auto rows = static_cast<int>(state.range(0));
  for (auto _ : state) {
    TnClientDataSet ds;
    CreateSaldo(ds);
    ds.AppendRecordsUnlogged(static_cast<size_t>(rows), [&](size_t i, ValueArray& values) {
      int64_t c;
      int e;
      TDateTime d;
      RowKey(rows, static_cast<int>(i), c, e, d);
      values = {c, e, d, Currency::FromRaw(static_cast<int64_t>(i)), Currency()};
    });
    benchmark::DoNotOptimize(ds.RecordCount());
  }
  state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_AppendLoad)->Apply(Tamanhos);

void BM_FindKey(benchmark::State& state) {
  const auto rows = static_cast<int>(state.range(0));
  TnClientDataSet ds;
  CreateSaldo(ds);
  for (int i = 0; i < rows; ++i) {
    int64_t c;
    int e;
    TDateTime d;
    RowKey(rows, i, c, e, d);
    ds.AppendRecordUnlogged({c, e, d, Currency::FromRaw(i), Currency()});
  }
  int64_t found = 0;
  for (auto _ : state) {
    for (int i = 0; i < rows; ++i) {
      int64_t c;
      int e;
      TDateTime d;
      RowKey(rows, (i * 31) % rows, c, e, d);
      found += ds.FindKey({c, e, d});
    }
  }
  if (found != static_cast<int64_t>(state.iterations()) * rows)
    state.SkipWithError("key missing");
  state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_FindKey)->Apply(Tamanhos);

struct TLinha {
  int64_t Conta;
  int Estab;
  double Data;
  Currency Debito;
  Currency Credito;
  auto Chave() const { return std::tuple(Conta, Estab, Data); }
};

TLinha Linha(int rows, int i) {
  int64_t c;
  int e;
  TDateTime d;
  RowKey(rows, i, c, e, d);
  return {c, e, d.Days(), Currency::FromRaw(i), Currency()};
}

void BM_AppendBaseline(benchmark::State& state) {
  const auto rows = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<TLinha> linhas;
    std::multimap<std::tuple<int64_t, int, double>, size_t> indice;
    for (int i = 0; i < rows; ++i) {
      linhas.push_back(Linha(rows, i));
      indice.emplace(linhas.back().Chave(), linhas.size() - 1);
    }
    benchmark::DoNotOptimize(indice.size());
  }
  state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_AppendBaseline)->Apply(Tamanhos);

void BM_FindKeyBaseline(benchmark::State& state) {
  const auto rows = static_cast<int>(state.range(0));
  std::vector<TLinha> linhas;
  for (int i = 0; i < rows; ++i)
    linhas.push_back(Linha(rows, i));
  std::stable_sort(linhas.begin(), linhas.end(),
                   [](const TLinha& a, const TLinha& b) { return a.Chave() < b.Chave(); });
  int64_t found = 0;
  for (auto _ : state) {
    for (int i = 0; i < rows; ++i) {
      const auto chave = Linha(rows, (i * 31) % rows).Chave();
      auto it = std::lower_bound(linhas.begin(), linhas.end(), chave,
                                 [](const TLinha& l, const auto& k) { return l.Chave() < k; });
      found += it != linhas.end() && it->Chave() == chave;
      benchmark::DoNotOptimize(it);
    }
  }
  if (found != static_cast<int64_t>(state.iterations()) * rows)
    state.SkipWithError("key missing");
  state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_FindKeyBaseline)->Apply(Tamanhos);

}  // namespace
