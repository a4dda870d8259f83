#pragma once
// What the reports over entries share (ledger, journal, statements): the
// company's chart, histories and establishments read once, the debits and
// credits before a date from the balance tables (the same tables and book
// the trial balance reads, so the reports agree with it), the period's
// bounds and the output to the terminal or a file.
//
// Every statement is parameterised and bounded: the chart, the histories
// and the establishments by the registers' size, the balances by accounts,
// establishments and months; the entries are read by the reports themselves
// in windows of one account and month (ledger) or one day (journal).

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"
#include "framework/ctb/HistoricoPadrao.h"
#include "framework/db/TDbTypes.h"
#include "host/reports/SaidaRelatorio.h"

namespace CLI {
class App;
}
class TnDMConexao;
class TSessaoHost;

namespace RelatorioContabil {

// The options every report takes.
struct TOpcoesRelatorio {
  int64_t Empresa = 0;
  std::string De;
  std::string Ate;
  int Estab = 0;  // 0: every establishment
  int Livro = 0;  // 0 corporate, 1 tax
  std::string Formato;
  std::string Arquivo;
};

// --company, the period (--from and --to, or --period), [--estab], --book,
// --format (or --csv-br) and --out.
void AdicionarOpcoes(CLI::App& comando, TOpcoesRelatorio& opcoes, bool comEstab);
// The company and the establishment exist and the user may see them;
// Exception otherwise.
void VerificarAcesso(TSessaoHost& sessao, const TOpcoesRelatorio& opcoes);
// --format, else the extension of --out, else table.
ComandoBalancete::TFormato Formato(const TOpcoesRelatorio& opcoes);

// Columns the entry reports share.
extern const SaidaRelatorio::TColuna kColunaEstab, kColunaData, kColunaChave, kColunaDebito,
    kColunaCredito, kColunaHistorico;

struct TConta {
  int64_t ContaCtb = 0;
  std::string Classif;
  std::string Descr;
  std::string Apelido;
  bool Sintetica = false;
};

// True when `classif` is `grupo` or lies below it ("1.1" holds "1.1.01",
// not "1.10").
bool SobGrupo(const std::string& classif, const std::string& grupo);

class TPlano {
 public:
  // The company's chart in classification order.
  TPlano(TnDMConexao& conexao, int64_t empresa);

  const std::vector<TConta>& Contas() const { return FContas; }
  // nullptr when the company has no such account.
  const TConta* PorCodigo(int64_t contaCtb) const;
  // A code or an alias (any case); nullptr when neither matches.
  const TConta* PorCodigoOuApelido(const std::string& texto) const;
  // The analytic accounts at or below `grupo`, in classification order.
  std::vector<const TConta*> AnaliticasSob(const std::string& grupo) const;
  // The description of an account, empty for an unknown one.
  const std::string& Descricao(int64_t contaCtb) const;
  // The widest description, in characters (for the table's columns).
  size_t LarguraDescricao() const;

 private:
  std::vector<TConta> FContas;
  std::map<int64_t, size_t> FPorCodigo;
};

// The entry types a book takes, as the trial balance reads them: "LN" and
// "LS" (0, corporate) or "LF" (1, tax). Statements filter with
// kFiltroLivro and add these parameters.
inline constexpr const char* kFiltroLivro = "TIPOLANCAMENTO in (:pTipoNormal, :pTipoLivro)";
void AdicionarLivro(TParams& params, int livro);

struct TDebitoCredito {
  Currency Debito;
  Currency Credito;
  // Debits minus credits.
  Currency Saldo() const { return Debito - Credito; }
  TDebitoCredito& operator+=(const TDebitoCredito& outro);
};

// Per account and establishment, what the balance tables hold before `data`
// (whole months from the month table, the days of the last month from the
// day table).
using TSaldos = std::map<std::pair<int64_t, int>, TDebitoCredito>;
TSaldos SaldosAntesDe(TnDMConexao& conexao, int64_t empresa, TDateTime data, int livro);

// An account's sum over the establishments; only `estab` when it is not 0.
TDebitoCredito SaldoDaConta(const TSaldos& saldos, int64_t contaCtb, int estab = 0);

// Standard histories by code, each split into its texts and tokens once.
using THistoricos = std::map<int, std::vector<HistoricoPadrao::TTrecho>>;
THistoricos Historicos(TnDMConexao& conexao);
// An entry's history as a person reads it: its standard history, the
// tokens filled from the complement or the entry's accounts and date, and
// the rest of the complement.
std::string TextoHistorico(const THistoricos& historicos, const TPlano& plano, const Value& codigo,
                           const Value& complemento,
                           const HistoricoPadrao::TLancamento& lancamento);
// The company's establishments in code order.
std::vector<int> Estabelecimentos(TnDMConexao& conexao, int64_t empresa);
std::string NomeEmpresa(TnDMConexao& conexao, int64_t empresa);

// The last day of each month of the period that ends a window: the period
// split at month ends, as (first day, last day) pairs.
std::vector<std::pair<TDateTime, TDateTime>> Meses(TDateTime inicio, TDateTime fim);

// While alive, SQLite's page cache of the connection stays small: a report
// reads the entries once, in order, and a page it leaves it does not read
// again, so the cache sized for writing would only grow the process to its
// own size. The size before comes back at the end.
class TLeituraCorrida {
 public:
  explicit TLeituraCorrida(TnDMConexao& conexao);
  ~TLeituraCorrida();
  TLeituraCorrida(const TLeituraCorrida&) = delete;
  TLeituraCorrida& operator=(const TLeituraCorrida&) = delete;

 private:
  TnDMConexao& FConexao;
  // None on other engines.
  std::optional<int64_t> FTamanhoAntes;
};

// Rows held, then handed on in the order of their integer column `chave`
// and, within one key, of `lado`: a report reads a day in the order of an
// index and puts it in key order here, where SQLite would sort every row of
// the period. Holds what one Fechar hands on, in buffers reused from one to
// the next.
class TLinhasEmOrdem {
 public:
  using TEscrever = std::function<void(const ValueArray&)>;
  TLinhasEmOrdem(size_t chave, std::optional<size_t> lado, TEscrever escrever);

  void Acrescentar(const ValueArray& linha);
  // Hands on the rows held, in order, and forgets them.
  void Fechar();

 private:
  struct TPosicao {
    int64_t Chave = 0, Lado = 0;
    size_t Linha = 0;
    auto operator<=>(const TPosicao&) const = default;
  };

  size_t FChave;
  std::optional<size_t> FLado;
  TEscrever FEscrever;
  std::vector<ValueArray> FLinhas;
  size_t FQuantas = 0;
  std::vector<TPosicao> FPosicoes;
};

// "D" for a debit balance, "C" for a credit one, empty for zero.
std::string NaturezaDoSaldo(Currency saldo);

// Runs `escrever` with the writer of `formato`: into `arquivo` when one is
// named (xlsx needs one), else onto `saida`. Returns the line the program
// prints after it: empty, or "<relatorio> gravado em <arquivo>".
std::string Emitir(ComandoBalancete::TFormato formato, std::vector<SaidaRelatorio::TColuna> colunas,
                   const std::string& arquivo, const std::string& relatorio, std::ostream& saida,
                   const std::function<void(SaidaRelatorio::TEscritor&)>& escrever);

}  // namespace RelatorioContabil
