#pragma once
// `ctb journal` (Diário): the entries of a period in date and key order, each
// with its establishment, both accounts and their descriptions, the debit and
// the credit, the history and its complement; numbered pages of a fixed
// number of entries, each closed by its totals, and the period's totals at
// the end. The entries are read one day at a time; the totals count each
// entry on the sides it has, as the balances do, so the period's debits and
// credits are the trial balance's.

#include <functional>
#include <ostream>
#include <string>

#include "host/reports/RelatorioContabil.h"

namespace CLI {
class App;
}
class TnDMConexao;
class TSessaoHost;

namespace ComandoDiario {

struct TOpcoes {
  RelatorioContabil::TOpcoesRelatorio Relatorio;
  int LinhasPorPagina = 50;
};

// Writes the journal; returns the line to print after it (empty, or the
// file written).
std::string Executar(TnDMConexao& conexao, const TOpcoes& opcoes, std::ostream& saida);

// Adds the `journal` command; when it is chosen, `comando` runs it in the
// session after the access checks.
void Registrar(CLI::App& app, std::function<std::string(TSessaoHost&)>& comando);

}  // namespace ComandoDiario
