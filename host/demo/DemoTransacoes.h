#pragma once
// The demo's SPED company: the demo registers plus the SPED option, and a
// year keyed through the journal-entry module as a person keys it on the
// screen, so its entries come in numbered transactions: some are one double
// entry, others several single-sided entries that the module keeps open
// until they balance. A few entries keyed by mistake are then deleted by a
// user with the log right, and one whole transaction with them, so the
// deleted-entry log has something to list and restore.
//
// The same company number gives the same entries on every run; the
// company's entries and log are replaced.

#include <cstdint>
#include <string>

class TnDMConexao;

namespace DemoTransacoes {

struct TResumo {
  int64_t Lancamentos = 0;
  int64_t Transacoes = 0;
  int64_t Excluidos = 0;
};

// Raises Exception naming the document the module refused.
TResumo Criar(TnDMConexao& conexao, int64_t codigoEmpresa);

// "Empresa N (SPED): ... lançamentos em ... transações; ... no registro de excluídos".
std::string Descricao(int64_t codigoEmpresa, const TResumo& resumo);

}  // namespace DemoTransacoes
