#pragma once
// What the journal-entry screen shows beside and below the entry, read from
// its headless form and panel for `entry post` results: the title (parent
// account) and balance of each account as the labels show them, the
// period's differences, the unbalanced transactions and the user's last
// entries.

#include <nlohmann/json.hpp>

class TnCtbDMLctoCtbBase;

namespace ExibicaoLancamento {

// {"debit": {"title": {"account", "description"}, "balance"}, "credit": …};
// a title or a balance the screen does not show is null.
nlohmann::ordered_json Contas(const TnCtbDMLctoCtbBase& modulo);
// The accounts and, when the panel is shown, "differences",
// "transactionDifferences" (SPED or IFRS companies), "lastEntries" and
// "programmedEntries" (rows of the panel's grids).
nlohmann::ordered_json Completa(const TnCtbDMLctoCtbBase& modulo);

}  // namespace ExibicaoLancamento
