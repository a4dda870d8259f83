#pragma once
// The books of some companies as a plain-text double-entry journal, the
// format the classic command-line ledger tools read, so their balance sheet
// can be compared with ours:
//
//   account Empresa 1:1 ATIVO  ; type: A
//   account Empresa 1:1 ATIVO:1.1 ATIVO CIRCULANTE  ; type: A
//   ...
//
//   2025/01/02 Venda de mercadorias a prazo - NF-e 001000 - ...
//       ; filial: 1
//       Empresa 1:1 ATIVO:...:1.1.02.003 Atacadão do Vale Ltda  1234.56
//       Empresa 1:3 RECEITAS:...:3.1.01.001 Venda de Mercadorias  -1234.56
//
// Everything is read from the database: first every account of each
// company's chart, declared with the type its statement group gives it (A
// asset, L liability, E equity, R revenue, X expense; an account outside
// the groups, as a calculated one, has none), so the tools' balance sheet
// places it; then the corporate book's entries of the period, day by day.
// An entry is a transaction of its own, or, when it belongs to a
// transaction of the journal-entry module (single-sided entries keyed to
// balance together), a posting of that transaction; every posting carries
// its amount, debits positive and credits negative. Account names are the
// company and the path from the first level down, each level its
// classification and name, so each company is a tree of its own and each
// synthetic level a parent account.

#include <ostream>
#include <string>
#include <vector>

#include "framework/core/TDateTime.h"

class TnDMConexao;

namespace ExportarJournal {

// Writes the declarations and the entries of `empresas` from `inicio` to
// `fim`.
void Escrever(TnDMConexao& conexao, const std::vector<int64_t>& empresas, TDateTime inicio,
              TDateTime fim, std::ostream& saida);

}  // namespace ExportarJournal
