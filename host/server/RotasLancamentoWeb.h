#pragma once
// What the journal-entry page of `ctb serve` reads to key an entry's
// managerial (cost-centre) and activity splits beside the entry itself:
//
//   GET /api/lancamentos/rateio      ?empresa&aba&data[&debito&credito]: per
//                                    side, whether its account takes
//                                    managerial splits ("gerencial"), whether
//                                    the page opens them by itself ("abre")
//                                    and whether it takes activities
//   GET /api/lancamentos/rateio/automatico ?empresa&tipo=gerencial|atividades
//                                    &lado&conta&data&valor: the rows the
//                                    side's "Refaz rateio automático" makes,
//                                    computed by the split module, not written
//   GET /api/lancamentos/rateio/percentuais ?empresa&conta: the account's
//                                    rates, as the rates dialog lists them
//   GET /api/lancamentos/centros     ?empresa&conta[&texto]: the cost centres
//                                    a split of the account may name
//   GET /api/lancamentos/atividades ?empresa&conta&data[&texto]: the
//                                    activities a split of the account may
//                                    name at the date
//   GET /api/lancamentos/programados ?empresa&codigo&data: the entries the
//                                    programmed entry already made on the
//                                    date, as the programmed-entries module
//                                    lists them
//
// Each runs through the server's read of the page (`leitura`): the session,
// the company and the right of the entries' menu entry are checked before
// the work. Nothing here writes: the splits are written with the entry, by
// the `managerial` and `activities` of the document the page posts.

#include <cstdint>
#include <functional>

#include <nlohmann/json.hpp>

class TnDMConexao;
class TnDMClientDataSet;

namespace httplib {
struct Request;
}

namespace RotasLancamentoWeb {

// A cost-centre or activity search lists at most kMaxCentros.
inline constexpr size_t kMaxCentros = 20;

struct TPedido {
  const httplib::Request& Req;
  TnDMConexao& Conexao;
  int64_t Empresa;
  // The module of the request's tab, open on the company.
  std::function<TnDMClientDataSet&()> Tela;
};
using TTrabalho = std::function<nlohmann::ordered_json(const TPedido&)>;

// Registers every route above through `leitura`.
void Registrar(const std::function<void(const char* rota, TTrabalho trabalho)>& leitura);

}  // namespace RotasLancamentoWeb
