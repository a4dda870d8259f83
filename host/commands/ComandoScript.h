#pragma once
// `ctb script FILE.lua [--param NAME=VALUE]… [--tempo S]`: runs an accountant's script
// as the scripted insertion process, in one database transaction, and
// prints what it inserted: the script's messages, the count, the keys, the
// total and the keys the writing replaced; exit status 1 when the run
// inserted nothing because it failed ("Nenhum lançamento foi feito.").
//
// The company is the parameter pCodigoEmpresa, checked against the user's
// companies before anything runs. Free queries (`consulta`) are the
// administrator's, as with `ctb sql`. The file and each parameter are
// bounded (TnScriptInsereLctoCtb); the run's time is 60 s or --tempo S (1 to
// 60), and a run stuck past it inside a library function ends the process,
// with nothing committed (TnScriptLua's watchdog).

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace CLI {
class App;
}
class TSessaoHost;
struct TnLctoInserido;
struct TnChaveTrocada;

namespace ComandoScript {

// "NOME=VALOR" split at the first "="; Exception without one.
std::pair<std::string, std::string> Parametro(const std::string& texto);

// The report of a committed run.
std::string Relatorio(const std::vector<std::string>& mensagens,
                      const std::vector<TnLctoInserido>& inseridos,
                      const std::vector<TnChaveTrocada>& trocadas);

// Adds the command; `codigoSaida` gets its exit status.
void Registrar(CLI::App& app, std::function<std::string(TSessaoHost&)>& comando, int& codigoSaida);

}  // namespace ComandoScript
