#pragma once
// The demo entries as a plain-text double-entry journal, the format the
// classic command-line ledger tools read, so their per-account totals can be
// compared with our trial balance:
//
//   2025/01/02 Venda de mercadorias a prazo - NF-e 001000 - ...
//       1:1.1:1.1.02:1.1.02.003  1234.56
//       3:3.1:3.1.01:3.1.01.001
//
// One transaction per entry: the debit account with the amount, then the
// credit account with the amount left out (the tools infer its negative).
// Account names are the classification path from the first level down, so
// each synthetic level of our chart is a parent account there too.

#include <cstdint>
#include <ostream>
#include <string>

#include "host/DemoLancamentos.h"

namespace ExportarJournal {

// "1.1.01.001" -> "1:1.1:1.1.01:1.1.01.001".
std::string NomeConta(const std::string& classif);

// One transaction, ending with a blank line. Raises Exception when an
// account is not in the demo chart.
std::string Transacao(const DemoLancamentos::TLancamentoDemo& lancamento);

// Streams the generator's rows as a journal.
void Escrever(std::ostream& saida, uint64_t seed, int64_t quantidade, int codigoEmpresa);

}  // namespace ExportarJournal
