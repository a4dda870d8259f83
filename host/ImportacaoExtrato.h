#pragma once
// `ctb import statement FILE --company N --account BANCO --rules RULES.json`:
// a bank statement (CSV through a column map, or OFX) posted as entries of
// one bank account.
//
// Each row becomes one entry: the bank account on the side the amount's sign
// gives (positive: debited), the other account and the standard history from
// the first rule that takes the row (or the rules' suspense account), the
// amount without its sign, the row's date, document and description (the
// complement). A row no rule takes is refused, never half posted. The
// entries go through the journal-entry module as `import entries` feeds it
// (ImportacaoHost::Importar: its checks, splits, transactions and batches),
// a refused row reported by its line in the statement.
//
// Every row posted is remembered by its fingerprint and occurrence
// (IMPORTACAOEXTRATO, stored with the entry in the same transaction): the
// n-th of equal rows in a statement is the n-th remembered one. A row
// already remembered is skipped and counted, so an overlapping statement,
// in either format and under any name, posts only its new rows; the
// refused ones are not remembered and post once the rules take them.

#include <cstdint>
#include <string>

#include "host/CsvReader.h"
#include "host/ImportacaoHost.h"

class TnDMConexao;

namespace ImportacaoExtrato {

struct TOpcoesExtrato {
  int64_t CodigoEmpresa = 0;
  std::string Conta;  // the bank account as typed: code, alias or classification
  std::string ArquivoRegras;
  std::string ArquivoMapa;     // a CSV's; "" for OFX
  std::string ArquivoRecusas;  // "" nowhere
  TCodificacaoCsv Codificacao = TCodificacaoCsv::Utf8;
};

// The report ("linha N: CAMPO: mensagem" per refused row, then "N já
// importadas, M gravadas" and the refused count) and the exit status (1
// when a row was refused or the module refused the import). Exception for a
// file, map or rules that cannot be read, and an unknown bank account.
ImportacaoHost::TSaidaImportacao ComandoImportStatement(TnDMConexao& conexao,
                                                        const std::string& arquivo,
                                                        const TOpcoesExtrato& opcoes);

}  // namespace ImportacaoExtrato
