// Rows per second of importing a generated demo year through the
// journal-entry module when it keeps the cost-centre splits of what it loads
// (the demo company: cost centres in use, 113 apportionment rates), against
// the same import on the same company without cost centres, in the same run.
//
// The run is also a check, and exits 1 when it fails: every entry side on an
// apportioned account is split to the cent, and the company without cost
// centres has no split at all.
//
// Usage: bench_splits [rows] [seed]   (default 100000 2025; SQLite, a temp folder)

#include <fmt/format.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/Cronometro.h"
#include "bench/PastaTemporaria.h"
#include "entries/nCtbDMLctoCtb_U.h"
#include "framework/core/Exceptions.h"
#include "framework/db/TnDMConexao.h"
#include "host/common/HostComum.h"
#include "host/demo/DemoEmpresa.h"
#include "host/demo/DemoLancamentos.h"
#include "host/import/ImportacaoHost.h"
#include "schema/SchemaInstaller.h"

namespace {

constexpr int kEmpresa = 1;

struct TMedida {
  double Segundos = 0;
  int64_t Gravadas = 0;
  int64_t Recusadas = 0;
};

TMedida Importar(TnDMConexao& conexao, const std::string& csv, bool centrosDeCusto) {
  SchemaInstaller::Instalar(conexao);
  DemoEmpresa::Criar(conexao, kEmpresa);
  if (!centrosDeCusto)
    conexao.ExecuteDirect("update CFGEMPRESACTB set UTILCENTROCUSTO = '0'");
  ImportacaoHost::TOpcoesImportacao opcoes;
  opcoes.CodigoEmpresa = kEmpresa;
  // As a bulk load does: the module keeps the splits of what it posts.
  opcoes.AoAbrir = [](TnDMClientDataSet& modulo) {
    dynamic_cast<TnCtbDMLctoCtb&>(modulo).SetPodeLancarGerencial(true);
  };
  std::ifstream entrada(csv, std::ios::binary);
  ImportacaoHost::TResultadoImportacao resultado;
  TMedida medida;
  medida.Segundos =
      Segundos([&] { resultado = ImportacaoHost::Importar(conexao, entrada, opcoes); });
  medida.Gravadas = resultado.Gravadas;
  medida.Recusadas = static_cast<int64_t>(resultado.Recusas.size());
  return medida;
}

// Sides on an apportioned account whose splits do not add up to the entry.
int64_t LadosSemRateioCompleto(TnDMConexao& conexao) {
  int64_t total = 0;
  for (const auto& [coluna, natureza] :
       {std::pair<const char*, int>{"CONTACTBDEB", 1}, {"CONTACTBCRED", -1}})
    total += conexao
                 .ExecuteScalar(fmt::format(
                     "select count(*) from LCTOCTB L where L.{0} in (select CONTACTB from "
                     "RATCENTROCUSTO R where R.CODIGOEMPRESA = L.CODIGOEMPRESA) and "
                     "round(coalesce((select sum(G.VALORLCTOGER) from LCTOGER G where "
                     "G.CODIGOEMPRESA = L.CODIGOEMPRESA and G.CHAVELCTOCTB = L.CHAVELCTOCTB "
                     "and G.NATURLCTOCTB = {1}), 0), 2) <> round(L.VALORLCTOCTB, 2)",
                     coluna, natureza))
                 .AsInteger();
  return total;
}

int Executar(int64_t linhas, uint64_t semente) {
  TPastaTemporaria pasta("ctb-bench-splits");
  const std::string csv = pasta.Arquivo("lancamentos.csv");
  {
    std::ofstream saida(csv);
    DemoLancamentos::EscreverCsv(saida, semente, linhas, kEmpresa);
  }
  HostComum::CarregarPacote();
  TnDMConexao comCentros(TTipoConexao::SQLite, pasta.Arquivo("com.db"));
  const TMedida com = Importar(comCentros, csv, true);
  TnDMConexao semCentros(TTipoConexao::SQLite, pasta.Arquivo("sem.db"));
  const TMedida sem = Importar(semCentros, csv, false);

  const int64_t splits = comCentros.ExecuteScalar("select count(*) from LCTOGER").AsInteger();
  const double taxaCom = static_cast<double>(com.Gravadas) / com.Segundos;
  const double taxaSem = static_cast<double>(sem.Gravadas) / sem.Segundos;
  fmt::print("rows {} (seed {})\n", linhas, semente);
  fmt::print("  with cost centres      {:9.0f} rows/s  ({:.2f} s, {} stored, {} splits)\n", taxaCom,
             com.Segundos, com.Gravadas, splits);
  fmt::print("  without cost centres   {:9.0f} rows/s  ({:.2f} s, {} stored)\n", taxaSem,
             sem.Segundos, sem.Gravadas);
  fmt::print("  with / without         {:9.2f}\n", taxaCom / taxaSem);

  bool ok = com.Recusadas == 0 && sem.Recusadas == 0 && com.Gravadas == linhas &&
            sem.Gravadas == linhas && splits > 0;
  const int64_t incompletos = LadosSemRateioCompleto(comCentros);
  const int64_t semCentrosSplits =
      semCentros.ExecuteScalar("select count(*) from LCTOGER").AsInteger();
  if (incompletos != 0 || semCentrosSplits != 0) {
    fmt::print("  check: {} sides not split to the cent; {} splits without cost centres\n",
               incompletos, semCentrosSplits);
    ok = false;
  }
  fmt::print("  check: {}\n", ok ? "ok" : "FAILED");
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t linhas = argc > 1 ? std::atoll(argv[1]) : 100000;
  const uint64_t semente = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 2025;
  if (linhas <= 0) {
    fmt::print(stderr, "usage: bench_splits [rows] [seed]\n");
    return 2;
  }
  try {
    return Executar(linhas, semente);
  } catch (const std::exception& erro) {
    fmt::print(stderr, "bench_splits: {}\n", erro.what());
    return 1;
  }
}
