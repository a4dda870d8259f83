#pragma once
// The demo entries as a plain-text double-entry journal, the format the
// classic command-line ledger tools read, so their per-account totals can be
// compared with our trial balance:
//
//   account 1 ATIVO  ; type: A
//   account 1 ATIVO:1.1 ATIVO CIRCULANTE  ; type: A
//   ...
//
//   2025/01/02 Venda de mercadorias a prazo - NF-e 001000 - ...
//       ; filial: 1
//       1 ATIVO:1.1 ATIVO CIRCULANTE:1.1.02 CLIENTES:1.1.02.003 Cliente ...  1234.56
//       3 RECEITAS:3.1 RECEITA OPERACIONAL:3.1.01 RECEITA BRUTA:3.1.01.001 ...
//
// First every account of the chart declared with its type (A asset, L
// liability, E equity, R revenue, X expense), so the tools' balance sheet
// and income statement place it; then one transaction per entry, its branch
// as a tag, the debit account with the amount, then the credit account with
// the amount left out (the tools infer its negative). Account names are the
// path from the first level down, each level its classification and name,
// so each synthetic level of our chart is a parent account there too and
// the reports show names.

#include <cstdint>
#include <ostream>
#include <string>

#include "host/DemoLancamentos.h"

namespace ExportarJournal {

// "1.1.01.001" -> "1 ATIVO:1.1 ATIVO CIRCULANTE:1.1.01 DISPONÍVEL:1.1.01.001
// Caixa Geral". Raises Exception when a level is not in the demo chart.
std::string NomeConta(const std::string& classif);

// The account type the tools read: "A", "L", "E", "R" or "X".
std::string TipoConta(const std::string& classif);

// The declarations of every account of the demo chart, then a blank line.
std::string Declaracoes();

// One transaction, ending with a blank line. Raises Exception when an
// account is not in the demo chart.
std::string Transacao(const DemoLancamentos::TLancamentoDemo& lancamento);

// Streams the declarations and the generator's rows as a journal.
void Escrever(std::ostream& saida, uint64_t seed, int64_t quantidade, int codigoEmpresa);

}  // namespace ExportarJournal
