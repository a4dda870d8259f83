// The trial balance with cost centres against the same trial balance
// without them, in the same run, over a year of N entries (the company of
// bench_balances). Every side of an entry on an account of the second root
// (half the chart) is split over 2 or 3 of 10 cost centres, so the
// cost-centre rows of those accounts must add up to their account rows: the
// program checks it and exits 1 on any difference. Each measure is the best
// of three.
//
// Usage: bench_trialbalance_cc [entries]   (default 1000000; SQLite, a temp file)

#include <fmt/format.h>

#include <array>
#include <cstdlib>
#include <map>
#include <string>

#include "bench/EmpresaBench.h"
#include "host/reports/ComandoBalancete.h"
#include "trialbalance/nCtbDPConsultaBalanceteMovimento_U.h"

namespace {

constexpr int kCentros = 10;

bool Rateada(int64_t conta) {
  return conta >= 10000 + kContas / 2;
}

// One side of an entry over 2 or 3 cost centres, the last taking the rest.
void Ratear(TnDMConexao& c, const TLctoBench& lcto, int64_t conta, int natureza) {
  const int partes = 2 + lcto.Chave % 2;
  Currency resto = lcto.Valor;
  for (int k = 0; k < partes; ++k) {
    const Currency parte =
        k == partes - 1 ? resto : Currency::FromRaw(lcto.Valor.Raw() / partes / 100 * 100);
    resto -= parte;
    c.ExecuteDirect(
        "insert into LCTOGER (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOCENTROCUSTO, NATURLCTOCTB, "
        "CONTACTB, DATALCTOCTB, VALORLCTOGER) values (1, :p1, :p2, :p3, :p4, :p5, :p6)",
        {{"p1", Value(lcto.Chave)},
         {"p2", Value((lcto.Chave + k) % kCentros + 1)},
         {"p3", Value(natureza)},
         {"p4", Value(conta)},
         {"p5", Value(lcto.Data)},
         {"p6", Value(parte)}});
  }
}

// Rows of the trial balance and the accounts whose cost-centre rows do not
// add up to their row (debits, credits and movement).
struct TResultado {
  size_t Linhas = 0;
  int Diferencas = 0;
};

TResultado Balancete(TnDMConexao& c, bool centros, bool mensal) {
  ComandoBalancete::TOpcoes opcoes;
  opcoes.Empresas = "1";
  opcoes.DataInicial = "2024-01-01";
  opcoes.DataFinal = "2024-12-31";
  opcoes.CentrosCusto = centros;
  opcoes.Mensal = mensal;
  auto processo = ComandoBalancete::Consultar(c, opcoes);
  TnClientDataSet& ds = *processo->RetornaDataSet(1);
  TResultado resultado{static_cast<size_t>(ds.RecordCount()), 0};
  if (!centros || mensal)
    return resultado;
  std::map<int64_t, std::array<Currency, 2>> contas, somas;
  for (ds.First(); !ds.Eof(); ds.Next()) {
    if (ds.FieldByName("TipoConta").AsString() != "A")
      continue;
    auto& alvo = ds.FieldByName("CodigoCentroCusto").IsNull() ? contas : somas;
    auto& valores = alvo[ds.FieldByName("CodigoConta").AsLargeInt()];
    valores[0] += ds.FieldByName("DEBITO").AsCurrency();
    valores[1] += ds.FieldByName("CREDITO").AsCurrency();
  }
  for (const auto& [conta, valores] : contas)
    if (Rateada(conta) && somas[conta] != valores)
      ++resultado.Diferencas;
  return resultado;
}

}  // namespace

int main(int argc, char** argv) {
  const int entradas = argc > 1 ? std::atoi(argv[1]) : 1000000;
  return NaEmpresaTemporaria("bench_trialbalance_cc", [&](TnDMConexao& conexao) {
    const double tCarga = Segundos([&] {
      Carregar(conexao, entradas, [&](const TLctoBench& lcto) {
        if (Rateada(lcto.Debito))
          Ratear(conexao, lcto, lcto.Debito, 1);
        if (Rateada(lcto.Credito))
          Ratear(conexao, lcto, lcto.Credito, -1);
      });
    });
    fmt::print(
        "entries {}: loaded in {:.1f} s; LCTOGER rows {}, SALDOGER rows {}, SALDOGERMENSAL rows "
        "{}\n",
        entradas, tCarga, conexao.ExecuteScalar("select count(*) from LCTOGER").AsInteger(),
        conexao.ExecuteScalar("select count(*) from SALDOGER").AsInteger(),
        conexao.ExecuteScalar("select count(*) from SALDOGERMENSAL").AsInteger());
    int status = 0;
    for (const bool mensal : {false, true}) {
      TResultado sem, com;
      const double tSem = Melhor([&] { sem = Balancete(conexao, false, mensal); });
      const double tCom = Melhor([&] { com = Balancete(conexao, true, mensal); });
      fmt::print(
          "  year{:<9} without cost centres {:7.3f} s ({} rows) | with {:7.3f} s ({} rows) | "
          "with/without {:.2f}\n",
          mensal ? " by month" : "", tSem, sem.Linhas, tCom, com.Linhas, tCom / tSem);
      if (com.Diferencas > 0) {
        fmt::print(stderr, "  {} accounts whose cost-centre rows do not add up\n", com.Diferencas);
        status = 1;
      }
    }
    return status;
  });
}
