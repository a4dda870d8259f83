#pragma once
// `ctb accounts`: the chart-of-accounts consultation of a company, filtered
// as a person types into its column filters. `--filter COLUNA=texto` types
// a text into a column's filter (the value starts with it, or contains it
// with --anywhere; accents and case aside); `--synthetic` chooses "Sim" in
// the consultation's "Sintética" combo, which keeps the groups above every
// matching account.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
}
class TnDMConexao;
class TSessaoHost;

namespace ComandoPlano {

// A person types into a few filters; the texts are short.
inline constexpr size_t kMaxFiltros = 6;
inline constexpr size_t kMaxTextoFiltro = 100;

struct TOpcoes {
  int64_t Empresa = 0;
  std::vector<std::string> Filtros;  // "COLUNA=texto", as given
  bool Sintetica = false;
  bool QualquerParte = false;
  std::string Formato;
};

// The rows the consultation shows, in the output format. Raises Exception
// for a filter that is not COLUNA=texto, names no column of the grid or is
// longer than the bounds.
std::string Listar(TnDMConexao& conexao, const TOpcoes& opcoes);

// Adds the `accounts` command; `comando` runs it after the company access
// check.
void Registrar(CLI::App& app, std::function<std::string(TSessaoHost&)>& comando);

}  // namespace ComandoPlano
