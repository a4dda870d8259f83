#pragma once
// A data set as a person reads it on a terminal: aligned columns headed by
// the display labels, a dashed line under the header. Hidden fields (not
// visible, or pfHidden) are left out. Numbers go right-aligned through their
// DisplayFormat, money (BCD) without one as the trial balance shows amounts
// (negatives in parentheses: "(1.234,56)"), other numbers in
// their shortest Brazilian form; dates dd/mm/yyyy (with hh:nn:ss for a
// moment); Booleans Sim/Não; null blank. Widths count characters, not bytes.
// Every line ends in "\n", without trailing blanks. Control characters of a
// text never reach the terminal raw: they are shown escaped ("\n", "\x1b").

#include <string>

class TnClientDataSet;

namespace SaidaTabela {

// Every record the cursor sees, from the first; the cursor comes back to
// where it was.
std::string Escrever(TnClientDataSet& dataSet);

// `texto` with its control characters escaped, as a table shows it.
std::string Visivel(const std::string& texto);

}  // namespace SaidaTabela
