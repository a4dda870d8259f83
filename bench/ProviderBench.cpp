// Entries per second written into LCTOCTB (with its balance triggers)
// through the provider, against two baselines measured in the same run: a
// prepared INSERT loop into the same table, and the same loop into a copy of
// the schema without the balance triggers; and the same loop under the batch
// writer (TLoteSaldos: the balances moved once per transaction, grouped).
// Every path commits once per 1,000 rows. On PostgreSQL (when CTB_TEST_PG names a server) it also
// measures what the per-statement savepoint costs.
//
// Usage: bench_provider [rows]   (default 20000)

#include <fmt/format.h>

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "bench/Cronometro.h"
#include "framework/data/ClientDataSet.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDataSetProvider.h"
#include "framework/db/TnSQLDataSet.h"
#include "schema/LoteSaldos.h"
#include "schema/SchemaInstaller.h"

namespace {

constexpr int kLote = 1000;

const char* const kColunas =
    "CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, TIPOLANCAMENTO, CONTACTBDEB, "
    "CONTACTBCRED, CODIGOHISTCTB, COMPLHIST, VALORLCTOCTB, CODIGOUSUARIO, DATAHORALCTOCTB";

// Entry i of a company: spread over a year, 50 debit and 30 credit accounts.
ValueArray Lancamento(int empresa, int i) {
  TDateTime data = EncodeDate(2025, 1, 1) + static_cast<double>(i % 365);
  return {Value(empresa),
          Value(i + 1),
          Value(1),
          Value(data),
          Value("N"),
          Value(int64_t{1101} + i % 50),
          Value(int64_t{2101} + i % 30),
          Value(1),
          Value(fmt::format("Lançamento {} de teste", i)),
          Value(Currency::FromRaw(int64_t{1000000} + i * 37)),
          Value(1),
          Value(data + 0.5)};
}

// How a transaction's balances move: by the per-row triggers; by the batch
// writer's journal, applied grouped before the commit; or, the batch's keys
// named as fresh, summed from the stored rows before the commit.
enum class TSaldos { Gatilhos, Diario, ChavesNovas };

void LoopPreparado(TnDMConexao& conexao, int empresa, int linhas,
                   TSaldos modo = TSaldos::Gatilhos) {
  std::string sql = fmt::format(
      "insert into LCTOCTB ({}) values (:p1, :p2, :p3, :p4, :p5, :p6, :p7, :p8, :p9, :p10, "
      ":p11, :p12)",
      kColunas);
  TParams params(12);
  std::optional<TLoteSaldos> saldos;
  for (int i = 0; i < linhas; ++i) {
    if (i % kLote == 0) {
      conexao.StartTransaction();
      if (modo != TSaldos::Gatilhos)
        saldos.emplace(conexao);
      if (modo == TSaldos::ChavesNovas)
        saldos->ChavesNovas(empresa, i + 1, std::min(linhas, i + kLote));
    }
    ValueArray valores = Lancamento(empresa, i);
    for (size_t k = 0; k < params.size(); ++k)
      params[k] = {"", valores[k]};
    conexao.ExecuteDirect(sql, params);
    if (i % kLote == kLote - 1 || i == linhas - 1) {
      if (saldos) {
        saldos->Aplicar();
        saldos.reset();
      }
      conexao.Commit();
    }
  }
}

// comTratamento: a reconcile handler is set, as a module that recovers from
// duplicate keys has; the provider then keeps the per-statement savepoints.
void PeloProvider(TnDMConexao& conexao, int empresa, int linhas, bool comTratamento) {
  TnSQLDataSet sql(&conexao);
  sql.SetCommandText(fmt::format("select {} from LCTOCTB where 1 = 0", kColunas));
  TnDataSetProvider provider(&sql);
  TnClientDataSet cds;
  cds.SetProvider(&provider);
  provider.GetRecords(cds);
  if (comTratamento)
    cds.OnReconcileError = [](TnClientDataSet&, const std::string&, TUpdateKind,
                              TReconcileAction& action) { action = TReconcileAction::raAbort; };
  for (const char* chave : {"CODIGOEMPRESA", "CHAVELCTOCTB"})
    cds.FieldByName(chave).SetProviderFlags(pfInUpdate | pfInWhere | pfInKey);
  for (int i = 0; i < linhas; ++i) {
    cds.AppendRecord(Lancamento(empresa, i));
    if (i % kLote == kLote - 1 || i == linhas - 1) {
      if (cds.ApplyUpdates(0) != 0)
        throw Exception("o provedor recusou um lançamento");
      cds.EmptyDataSet();
    }
  }
}

void SemGatilhos(TnDMConexao& conexao) {
  if (conexao.PegarTipoCon() == TTipoConexao::SQLite)
    conexao.ExecuteScript(
        "DROP TRIGGER TR_LCTOCTB_SALDO_INS; DROP TRIGGER TR_LCTOCTB_SALDO_DEL; "
        "DROP TRIGGER TR_LCTOCTB_SALDO_UPD;");
  else
    conexao.ExecuteScript(
        "DROP TRIGGER TR_LCTOCTB_SALDO ON LCTOCTB; DROP TRIGGER TR_LCTOCTB_SALDO_INS ON LCTOCTB");
}

// Statements in a transaction (each under its savepoint) against the same
// statements in autocommit, where the driver takes none.
void CustoDoSavepoint(TnDMConexao& conexao, int linhas) {
  auto loop = [&] {
    for (int i = 0; i < linhas; ++i)
      conexao.ExecuteQuery("select :p", {{"p", Value(i)}});
  };
  double semTransacao = Segundos(loop);
  conexao.StartTransaction();
  double comSavepoint = Segundos(loop);
  conexao.Commit();
  fmt::print("  savepoint: {:.1f} us per statement ({:.1f} us with it, {:.1f} us without)\n",
             (comSavepoint - semTransacao) * 1e6 / linhas, comSavepoint * 1e6 / linhas,
             semTransacao * 1e6 / linhas);
}

// A fresh database per measurement, removed at the end.
class TBanco {
 public:
  TBanco(TTipoConexao tipo, int numero) : FTipo(tipo) {
    std::string id = fmt::format("{}_{}", getpid(), numero);
    if (tipo == TTipoConexao::SQLite) {
      FNome =
          (std::filesystem::temp_directory_path() / ("ctb_bench_provider_" + id + ".db")).string();
      FConexao = std::make_unique<TnDMConexao>(tipo, FNome);
    } else {
      FServidor = std::getenv("CTB_TEST_PG");
      FNome = "bench_provider_" + id;
      TnDMConexao(tipo, FServidor).ExecuteScript("CREATE SCHEMA " + FNome);
      FConexao = std::make_unique<TnDMConexao>(
          tipo, FServidor + " options='-c search_path=" + FNome + "'");
    }
    SchemaInstaller::Instalar(*FConexao);
  }
  ~TBanco() {
    FConexao.reset();
    if (FTipo == TTipoConexao::SQLite) {
      for (const char* sufixo : {"", "-wal", "-shm"})
        std::filesystem::remove(FNome + sufixo);
    } else {
      TnDMConexao(FTipo, FServidor).ExecuteScript("DROP SCHEMA " + FNome + " CASCADE");
    }
  }
  TBanco(const TBanco&) = delete;
  TBanco& operator=(const TBanco&) = delete;
  TnDMConexao& Conexao() { return *FConexao; }

 private:
  TTipoConexao FTipo;
  std::string FNome;
  std::string FServidor;
  std::unique_ptr<TnDMConexao> FConexao;
};

// Each path writes into a database of its own, so none runs against the
// rows and balances another left behind. SQLite works inside this process:
// its cost is the process's CPU time, which the load of a shared machine
// hardly moves; PostgreSQL's includes the server's, so wall time.
double Caminho(TTipoConexao tipo, int numero, bool gatilhos,
               const std::function<void(TnDMConexao&)>& escrever) {
  TBanco banco(tipo, numero);
  if (!gatilhos)
    SemGatilhos(banco.Conexao());
  const TTempos tempos = Tempos([&] { escrever(banco.Conexao()); });
  return tipo == TTipoConexao::SQLite ? tempos.Cpu : tempos.Parede;
}

void Medir(TTipoConexao tipo, int linhas) {
  double tLoop = Caminho(tipo, 1, true, [&](TnDMConexao& c) { LoopPreparado(c, 1, linhas); });
  double tProvider =
      Caminho(tipo, 2, true, [&](TnDMConexao& c) { PeloProvider(c, 1, linhas, false); });
  double tTratamento =
      Caminho(tipo, 3, true, [&](TnDMConexao& c) { PeloProvider(c, 1, linhas, true); });
  double tSemGatilhos =
      Caminho(tipo, 4, false, [&](TnDMConexao& c) { LoopPreparado(c, 1, linhas); });
  double tLote =
      Caminho(tipo, 6, true, [&](TnDMConexao& c) { LoopPreparado(c, 1, linhas, TSaldos::Diario); });
  double tNovas = Caminho(
      tipo, 7, true, [&](TnDMConexao& c) { LoopPreparado(c, 1, linhas, TSaldos::ChavesNovas); });
  fmt::print("{} ({} rows, commit per {}, rates from {} time):\n",
             tipo == TTipoConexao::SQLite ? "SQLite" : "PostgreSQL", linhas, kLote,
             tipo == TTipoConexao::SQLite ? "CPU" : "wall");
  fmt::print("  prepared loop, triggers     {:9.0f} rows/s\n", linhas / tLoop);
  fmt::print("  prepared loop, no triggers  {:9.0f} rows/s\n", linhas / tSemGatilhos);
  fmt::print(
      "  prepared loop, batch writer {:9.0f} rows/s   vs loop {:.2f}, vs no triggers {:.2f}\n",
      linhas / tLote, tLoop / tLote, tSemGatilhos / tLote);
  fmt::print(
      "  prepared loop, fresh keys   {:9.0f} rows/s   vs loop {:.2f}, vs no triggers {:.2f}\n",
      linhas / tNovas, tLoop / tNovas, tSemGatilhos / tNovas);
  fmt::print(
      "  provider                    {:9.0f} rows/s   vs loop {:.2f}, vs no triggers {:.2f}\n",
      linhas / tProvider, tLoop / tProvider, tSemGatilhos / tProvider);
  fmt::print("  provider + reconcile hook   {:9.0f} rows/s   vs loop {:.2f}\n",
             linhas / tTratamento, tLoop / tTratamento);
  if (tipo == TTipoConexao::PostgreSQL) {
    TBanco banco(tipo, 5);
    CustoDoSavepoint(banco.Conexao(), linhas / 4);
  }
}

}  // namespace

int main(int argc, char** argv) {
  int linhas = argc > 1 ? std::atoi(argv[1]) : 20000;
  if (linhas <= 0)
    linhas = 20000;
  try {
    Medir(TTipoConexao::SQLite, linhas);
    if (std::getenv("CTB_TEST_PG"))
      Medir(TTipoConexao::PostgreSQL, linhas);
  } catch (const std::exception& error) {
    fmt::print(stderr, "bench_provider: {}\n", error.what());
    return 1;
  }
  return 0;
}
