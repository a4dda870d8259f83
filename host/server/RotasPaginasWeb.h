#pragma once
// The web pages beside the journal entries: the ledger of one account a
// page at a time, the search of the company's entries and the deleted
// entries with their restore. Each route runs
// in the signed-in user's session through the server's own checks (the
// session; the CSRF token on a change) and checks the company and the
// right before reading:
//
//   GET /api/paginas/razao     ?empresa&conta&de&ate[&estab&livro&pagina
//                              &tamanho]: one page of the ledger of an
//                              analytic account (the trial balance's right)
//   GET /api/paginas/pesquisa  ?empresa&de&ate[&conta&valor&texto&pagina]:
//                              the entries found (the entries' right)
//   GET /api/paginas/demonstracoes ?empresa&de&ate[&livro&nivel&zeradas]:
//                              the balance sheet and the income statement
//                              beside the previous period (the trial
//                              balance's right)
//   GET /api/paginas/excluidos ?empresa&de&ate: the deleted entries of the
//                              period (DireitoControlaLancamentoExcluido)
//   POST /api/paginas/excluidos/restaurar {"empresa", "id"}: one put back
//                              under a new key (DireitoRestaurarLancamentoExcluido)
//   POST /api/paginas/importar multipart: "empresa", "conta", "extrato"
//                              (CSV or OFX), "mapa" (a CSV's), "regras",
//                              ["codificacao"], ["confirmar" = "1"]: the
//                              rows it would post and refuse, or posted
//                              (the entries' right), all in memory within
//                              the server's body limit

#include <functional>

#include <nlohmann/json.hpp>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib
class TSessaoHost;

namespace RotasPaginasWeb {

// The ledger's page holds at most kMaxPagina rows (kPaginaPadrao when the
// request names no size); a search answers kPaginaPesquisa entries a page.
inline constexpr int kMaxPagina = 500;
inline constexpr int kPaginaPadrao = 100;
inline constexpr int kPaginaPesquisa = 50;

// A route's work: its JSON answer, or Exception (400) / ParametrosWeb::ERecusa (403).
using TTrabalho = std::function<nlohmann::ordered_json(const httplib::Request&, TSessaoHost&)>;
// The server's way of running a work in the request's session (`mudanca`:
// the request changes something, so the CSRF token is checked first).
using TAtender = std::function<void(const httplib::Request&, httplib::Response&, bool mudanca,
                                    const TTrabalho&)>;

void Registrar(httplib::Server& http, const TAtender& atender);

}  // namespace RotasPaginasWeb
