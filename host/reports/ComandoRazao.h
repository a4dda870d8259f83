#pragma once
// `ctb ledger` (Razão): the entries of one account, a range of accounts or
// the accounts under a classification over a period. Per account (and per
// establishment with --by-branch): the opening balance, every entry in date
// and key order (date, key, establishment, counterpart account and its
// description, debit, credit, the running balance with D/C, the history and
// its complement) and the account's totals. An entry whose two sides are
// both selected shows under each.
//
// The opening balance comes from the balance tables, the entries from
// LCTOCTB one account and month at a time, both for the book's entry types,
// so the last running balance is the trial balance's closing balance.

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "host/reports/RelatorioContabil.h"

namespace CLI {
class App;
}
class TnDMConexao;
class TSessaoHost;

namespace ComandoRazao {

struct TOpcoes {
  RelatorioContabil::TOpcoesRelatorio Relatorio;
  // Exactly one of the three selects the accounts.
  std::string Conta;    // a code or an alias; a synthetic one means its group
  std::string Contas;   // "A-B": the analytic codes from A to B
  std::string Classif;  // a classification group
  bool PorFilial = false;
};

// One account's entries between :pInicio and :pFim on either side, unordered:
// DATALCTOCTB, CHAVELCTOCTB, CODIGOESTAB, LADO (1 debit, 2 credit), CONTRA
// (the other side's account), CODIGOHISTCTB, COMPLHIST, VALORLCTOCTB; with
// :pEmpresa, :pConta, :pEstab (0: all) and the book's parameters
// (RelatorioContabil::AdicionarLivro).
extern const std::string kSqlLancamentosDaConta;

// The same entries counted per day, each side from its index alone: a row
// per day and side, DATALCTOCTB and the count, unordered.
extern const std::string kSqlDiasDaConta;

// Writes the ledger; returns the line to print after it (empty, or the file
// written). Raises Exception for a selection that names no account.
std::string Executar(TnDMConexao& conexao, const TOpcoes& opcoes, std::ostream& saida);

// Adds the `ledger` command; when it is chosen, `comando` runs it in the
// session after the access checks.
void Registrar(CLI::App& app, std::function<std::string(TSessaoHost&)>& comando);

}  // namespace ComandoRazao
