// Balance generation over a year of N entries (2,000 analytic accounts, 5
// branches, monthly buckets, per branch) against a baseline measured in the
// same run: one aggregate query over LCTOCTB giving the same debits and
// credits per account, branch and month. The process reads the balance
// tables the triggers keep, whose size is bounded by accounts x branches x
// days; the baseline reads every entry. Each measure is the best of three.
//
// Usage: bench_balances [entries]   (default 100000; SQLite, a temp file)

#include <fmt/format.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"
#include "bench/EmpresaBench.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"

namespace {

size_t Processo(TnDMConexao& c, const std::string& de, const std::string& ate) {
  TnCtbDPGerarSaldoCtbIndividual processo;
  processo.SetConexao(&c);
  processo.Param("pCodigoEmpresa").SetValor("1");
  processo.Param("pDataInicial").SetValor(de);
  processo.Param("pDataFinal").SetValor(ate);
  processo.Param("pTipoAgruparData").SetValor("2");
  processo.Param("pRelacionarEstab").SetValor("1");
  // CTB_BENCH_FASES=1 prints the time of each phase of the run.
  std::string fase;
  auto marca = std::chrono::steady_clock::now();
  if (std::getenv("CTB_BENCH_FASES"))
    processo.GetProgresso().SetOnAtualizar([&](const TnFraProgresso& progresso) {
      if (progresso.Texto() == fase)
        return;
      const auto agora = std::chrono::steady_clock::now();
      fmt::print("    {:7.3f} s  {}\n", std::chrono::duration<double>(agora - marca).count(), fase);
      fase = progresso.Texto();
      marca = agora;
    });
  processo.Executar();
  return static_cast<size_t>(processo.nClientDataSet.RecordCount());
}

size_t Direto(TnDMConexao& c, const std::string& de, const std::string& ate) {
  const std::string w = "from LCTOCTB where CODIGOEMPRESA = 1 and DATALCTOCTB between '" + de +
                        "' and '" + ate + "' and TIPOLANCAMENTO in ('LN', 'LS')";
  auto cursor = Nutildb::ExecutarSQL(
      c,
      "select CONTACTB, CODIGOESTAB, MES, cast(sum(VALORDEB) as numeric(14,2)) VALORDEB, "
      "cast(sum(VALORCRED) as numeric(14,2)) VALORCRED from (select CONTACTBDEB CONTACTB, "
      "CODIGOESTAB, substr(DATALCTOCTB, 1, 7) MES, VALORLCTOCTB VALORDEB, 0 VALORCRED " +
          w +
          " union all select CONTACTBCRED, CODIGOESTAB, substr(DATALCTOCTB, 1, 7), 0, "
          "VALORLCTOCTB " +
          w + ") X group by CONTACTB, CODIGOESTAB, MES");
  return static_cast<size_t>(cursor->RecordCount());
}

}  // namespace

int main(int argc, char** argv) {
  const int entradas = argc > 1 ? std::atoi(argv[1]) : 100000;
  return NaEmpresaTemporaria("bench_balances", [&](TnDMConexao& conexao) {
    const double tCarga = Segundos([&] { Carregar(conexao, entradas); });
    const int64_t diarias = conexao.ExecuteScalar("select count(*) from SALDOCTB").AsInteger();
    fmt::print("entries {}: loaded in {:.1f} s ({:.0f} rows/s); SALDOCTB rows {}\n", entradas,
               tCarga, entradas / tCarga, diarias);
    struct TPeriodo {
      const char* Nome;
      const char* De;
      const char* Ate;
    };
    for (const TPeriodo& p : {TPeriodo{"year", "2024-01-01", "2024-12-31"},
                              TPeriodo{"december", "2024-12-01", "2024-12-31"}}) {
      size_t linhasProcesso = 0, linhasDireto = 0;
      const double tProcesso = Melhor([&] { linhasProcesso = Processo(conexao, p.De, p.Ate); });
      const double tDireto = Melhor([&] { linhasDireto = Direto(conexao, p.De, p.Ate); });
      fmt::print(
          "  {:<8} process {:8.3f} s ({} rows) | direct aggregate {:8.3f} s ({} rows) | "
          "process/direct {:.2f}\n",
          p.Nome, tProcesso, linhasProcesso, tDireto, linhasDireto, tProcesso / tDireto);
    }
    return 0;
  });
}
