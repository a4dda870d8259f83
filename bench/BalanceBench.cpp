// Balance generation over a year of N entries (2,000 analytic accounts, 5
// branches, monthly buckets, per branch) against a baseline measured in the
// same run: one aggregate query over LCTOCTB giving the same debits and
// credits per account, branch and month. The process reads the balance
// tables the triggers keep, whose size is bounded by accounts x branches x
// days; the baseline reads every entry. Each measure is the best of three.
//
// Usage: bench_balances [entries]   (default 100000; SQLite, a temp file)

#include <fmt/format.h>

#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"
#include "schema/SchemaInstaller.h"

namespace {

constexpr int kContas = 2000;
constexpr int kFiliais = 5;
constexpr int kLote = 10000;
constexpr int kGrupos = 20;  // synthetic groups of 100 accounts

double Segundos(const std::function<void()>& corpo) {
  auto inicio = std::chrono::steady_clock::now();
  corpo();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
}

double Melhor(const std::function<void()>& corpo) {
  double melhor = 1e300;
  for (int i = 0; i < 3; ++i)
    melhor = std::min(melhor, Segundos(corpo));
  return melhor;
}

void CriarEmpresa(TnDMConexao& c) {
  c.StartTransaction();
  for (int f = 1; f <= kFiliais; ++f)
    c.ExecuteDirect("insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB) values (1, :p, 'F')",
                    {{"p", f}});
  c.ExecuteDirect(
      "insert into NATUREZAGRUPO (CODIGOEMPRESA, CLASSIFGRUPO, NATUREZA) values (1, '1', 1)");
  c.ExecuteDirect(
      "insert into NATUREZAGRUPO (CODIGOEMPRESA, CLASSIFGRUPO, NATUREZA) values (1, '2', -1)");
  const std::string sql =
      "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, DESCRCONTA, TIPOCONTA, "
      "TIPOCONTACALC, TIPOCOTACAO) values (1, :pConta, :pClassif, 'CONTA', :pTipo, 1, 1)";
  for (int raiz = 1; raiz <= 2; ++raiz)
    c.ExecuteDirect(sql, {{"pConta", raiz}, {"pClassif", std::to_string(raiz)}, {"pTipo", 1}});
  for (int g = 0; g < kGrupos; ++g) {
    const int raiz = g < kGrupos / 2 ? 1 : 2;
    const std::string grupo = fmt::format("{}.{:02}", raiz, g);
    c.ExecuteDirect(sql, {{"pConta", 100 + g}, {"pClassif", grupo}, {"pTipo", 1}});
    for (int k = 0; k < kContas / kGrupos; ++k)
      c.ExecuteDirect(sql, {{"pConta", 10000 + g * 100 + k},
                            {"pClassif", fmt::format("{}.{:03}", grupo, k)},
                            {"pTipo", 2}});
  }
  c.Commit();
}

void Carregar(TnDMConexao& c, int entradas) {
  std::mt19937_64 gerador(42);
  auto sorteio = [&](int de, int ate) {
    return std::uniform_int_distribution<int>(de, ate)(gerador);
  };
  const std::string sql =
      "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
      "TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB) values (1, :p1, :p2, :p3, 'LN', "
      ":p4, :p5, :p6)";
  TParams params(6);
  for (int i = 0; i < entradas; ++i) {
    if (i % kLote == 0)
      c.StartTransaction();
    const ValueArray valores = {Value(i + 1),
                                Value(sorteio(1, kFiliais)),
                                Value(EncodeDate(2024, 1, 1) + sorteio(0, 365)),
                                Value(int64_t{10000} + sorteio(0, kContas - 1)),
                                Value(int64_t{10000} + sorteio(0, kContas - 1)),
                                Value(Currency::FromRaw(int64_t{sorteio(1, 1000000)} * 100))};
    for (size_t k = 0; k < params.size(); ++k)
      params[k] = {"", valores[k]};
    c.ExecuteDirect(sql, params);
    if (i % kLote == kLote - 1 || i == entradas - 1)
      c.Commit();
  }
  c.ExecuteScript("ANALYZE");
}

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
  const std::string nome =
      (std::filesystem::temp_directory_path() / fmt::format("ctb_bench_balances_{}.db", getpid()))
          .string();
  int status = 0;
  try {
    TnDMConexao conexao(TTipoConexao::SQLite, nome);
    SchemaInstaller::Instalar(conexao);
    CriarEmpresa(conexao);
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
  } catch (const std::exception& e) {
    fmt::print(stderr, "bench_balances: {}\n", e.what());
    status = 1;
  }
  for (const char* sufixo : {"", "-wal", "-shm"})
    std::filesystem::remove(nome + sufixo);
  return status;
}
