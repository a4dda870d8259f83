#pragma once
// `ctb balances`: runs the balance generation process for a company and a
// period and prints its result data set. Every option fills one parameter of
// the process; options left out keep the process's own defaults.
//
// With --cost-centres it runs the managerial balance process instead: the
// same account rows, each analytic account followed by its cost-centre rows
// (CODIGOCENTROCUSTO, DESCRCENTROCUSTO). Options that process has no
// parameter for are refused rather than ignored.

#include <optional>
#include <string>

#include "host/output/Saida.h"

namespace CLI {
class App;
}
class TnDMConexao;
class TnCtbDPGerarSaldoCtbIndividual;
class TnCtbDPGerarSaldoGerIndividual;
struct TnParamsGerarSaldoCtb;

namespace ComandoBalances {

struct TOpcoes {
  std::optional<int64_t> Empresa;
  // YYYY-MM-DD or dd/mm/yyyy.
  std::string De;
  std::string Ate;
  std::string Estab;
  std::string Contas;
  std::string Classif;
  // none, day or month.
  std::string Agrupamento = "none";
  bool PorFilial = false;
  std::optional<int> Livro;
  std::optional<int> Moeda;
  std::string Historico;
  std::string Origens;
  std::optional<int> ContasZero;
  std::optional<int> Sinteticas;
  std::optional<int> FiltroLcto;
  std::optional<int> EntraBalanco;
  std::optional<double> Cotas;
  std::optional<int> Idioma;
  bool IgnorarSaldoAnterior = false;
  std::optional<int> ValidarIFRS;
  std::optional<int> SinteticasSemAnaliticas;
  bool MoedaFuncionalEmReais = false;
  std::optional<int> PreFiltro;
  bool CentrosCusto = false;
  // Cost-centre codes (1;3;5-7); with CentrosCusto only.
  std::string Centros;
  std::string Formato;
};

// The subcommand's options, bound to `opcoes`.
void AdicionarOpcoes(CLI::App& comando, TOpcoes& opcoes);

// The process's parameters from the options, over the defaults of its
// parameter table. Raises Exception for a date that does not read as one.
TnParamsGerarSaldoCtb Parametros(TnCtbDPGerarSaldoCtbIndividual& processo, const TOpcoes& opcoes);
// The managerial process's parameters, by name. Raises Exception also for an
// option it has no parameter for.
void PreencherParametros(TnCtbDPGerarSaldoGerIndividual& processo, const TOpcoes& opcoes);

// Runs the process on `conexao` and renders its result; a progress bar
// while a person watches.
std::string Executar(TnDMConexao& conexao, const TOpcoes& opcoes, Saida::TFormatoSaida formato);

}  // namespace ComandoBalances
