#pragma once
// `ctb demo`, the main job: a demo company with a realistic chart, a year of
// generated entries imported through the journal-entry module as any import
// is, that year's trial balance with monthly columns, and the year-end
// checks: the asset total against its accounts and the balance sheet's tie.
// Beside it an IFRS company with activity control (the next number) and a
// SPED company (the one after) whose year is keyed in transactions
// (DemoTransacoes).
//
// Running it again with --replace rebuilds the demo company: its registers
// are replaced and its entries deleted before the new import, so the result
// depends only on the seed and the number of entries. Without it a company
// of that number is never touched.

#include <cstdint>
#include <ostream>
#include <string>

class TnDMConexao;

namespace ComandoDemo {

struct TOpcoesDemo {
  int64_t CodigoEmpresa = 1;
  int64_t Lancamentos = 20000;
  uint64_t Semente = 2025;
  // When set, every entry the demo made (its three companies) is written
  // there at the end, read back from the database, as a plain-text
  // double-entry journal, so other ledger tools can total the same books.
  std::string ArquivoJournal;
  // A company of the same number may be replaced, chart and entries.
  bool Substituir = false;
};

// Writes the import report and the trial balance to `saida`; returns the
// exit status (0 when every generated entry was stored and the import's day
// check passed). Raises Exception, before writing anything, when the company
// exists and `Substituir` is off.
int Executar(TnDMConexao& conexao, const TOpcoesDemo& opcoes, std::ostream& saida);

}  // namespace ComandoDemo
