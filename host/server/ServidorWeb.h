#pragma once
// `ctb serve`: the web host over the same database as the commands. A user
// signs in with his code and password and gets a session of his own
// (SessoesWeb); every request then runs in his host session, so his rights
// and his companies are checked by the same rules as on the command line.
//
// Pages (embedded, ArquivosWeb): /entrar (sign-in), /balancete (the trial
// balance), /lancamentos (keying journal entries). The JSON interface under
// /api/:
//
//   POST /api/entrar      {"usuario": N, "senha": "..."} -> {"usuario", "csrf"}
//   POST /api/sair        ends the session
//   GET  /api/sessao      {"usuario", "nome", "csrf", "empresas": [{"codigo",
//                         "nome", "exercicio": {"de", "ate"}}]}
//   GET  /api/balancete   ?empresa&de&ate[&mensal&tipo&estab&livro&zero]
//                         [&formato=json|csv|csv-br|xlsx] (csv and xlsx are
//                         downloads, the command's own outputs)
//   GET  /api/razao       ?filtros=<a trial balance row's Filtros>: the
//                         entries behind the row (the ledger of its account)
//   POST /api/lancamentos {"aba": "...", "documento": {...}}: one `entry
//                         post` document on the screen of that browser tab,
//                         its amounts typed as the page shows them
//                         ("1.234,56"; PaginaLancamento::Executar)
//   GET  /api/lancamentos/tela     ?empresa&aba: the tab's screen (fields,
//                                  switches, panels, actions)
//   GET  /api/lancamentos/paineis  ?empresa&aba: the panels (last entries,
//                                  differences) of the tab's screen
//   GET  /api/lancamentos/contas   ?empresa&texto: accounts found
//   GET  /api/lancamentos/conta    ?empresa&aba&lado&conta&data[&estab]:
//                                  title and balance beside one account
//   GET  /api/lancamentos/historico ?empresa&codigo&data[&debito&credito
//                                  &complemento]: a history in words
//   GET  /api/lancamentos/registro ?empresa&chave: an entry and its splits
//   GET  /api/lancamentos/rateio…, /centros: what keying the splits reads
//                                  (RotasLancamentoWeb)
//
// The ledger, search and deleted-entry pages (/razao, /excluidos) and their
// routes under /api/paginas/ are RotasPaginasWeb's.
//
// The journal-entry routes need the right of the entries' menu entry
// (actTnCtbDMLctoCtb) besides the company, as the command does.
//
// Every POST but the sign-in carries the session's CSRF token in the header
// X-CSRF-Token; the sign-in takes only JSON (a cross-site form cannot send
// it). Errors answer {"erro": "..."} in Portuguese: 400 bad input, 401 no
// session or a failed sign-in, 403 refused (CSRF, company, right), 413 a
// body over kMaxCorpo, 415 a compressed body, 429 sign-ins slowed.
// Connections are let in and timed by ConexoesWeb.

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

#include "host/services/SessaoHost.h"

namespace CLI {
class App;
}

namespace ServidorWeb {

inline constexpr size_t kMaxCorpo = 1024 * 1024;
inline constexpr const char* kCabecalhoCsrf = "X-CSRF-Token";

struct TOpcoes {
  SessaoHost::TOpcoesConexao Conexao;
  std::string Endereco = "127.0.0.1";
  int Porta = 8080;         // 0: any free port (the line printed names it)
  std::string Certificado;  // both or neither: HTTPS
  std::string Chave;
};

// Serves until SIGINT or SIGTERM; writes "Servidor em http[s]://ADDR:PORT/"
// and the address to open on this machine ("Abra ... no navegador") to
// `aviso` once it listens. Exception when the address cannot be bound or
// the certificate or key cannot be loaded.
void Servir(const TOpcoes& opcoes, std::ostream& aviso);

// Adds the `serve` command over the database `conexao` names (filled by the
// global options); started by the administrator, who answers for what the
// server opens to the network.
void Registrar(CLI::App& app, std::function<std::string(TSessaoHost&)>& comando,
               const SessaoHost::TOpcoesConexao& conexao);

}  // namespace ServidorWeb
