#pragma once
// Conditions on the groups of a chart of accounts. A group is named by a
// classification ("1.1"): it holds the account of that classification and
// every account below it ("1.1.01", "1.1.01.001"), but not "1.10", which is a
// sibling that merely shares the first characters.

#include <string>

namespace Nrwutilapp {

// `tipo` 1 keeps the accounts of the groups listed, 2 keeps every other
// account. `classificacoes` lists groups separated by ";" (blanks around an
// item ignored). The result is a bare parenthesised condition on `campo`;
// with no group listed it is "1=1", because an empty selection never
// restricts. Any other `tipo` raises Exception.
std::string IncluiExcluiGruposClassif(int tipo, const std::string& classificacoes,
                                      const std::string& campo = "P.CLASSIFCONTA");

}  // namespace Nrwutilapp
