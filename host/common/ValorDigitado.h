#pragma once
// One rule for values typed as text, on every path that takes them (entry
// post, import, load):
// - integers: an optional sign and digits, within the column's size;
// - decimals: an optional sign, digits, optionally a dot and digits: no
//   comma, no thousands separator, no exponent, no more places written than
//   the column keeps (10.005 into money is refused, never rounded; "1.500"
//   too, since a person may have meant a thousands separator) and, for
//   money (2 places), at most 12 integer digits: amounts are summed as
//   numeric(14,2), and SQLite would alter a larger one silently;
// - texts: at most the column's size in characters (not bytes);
// - dates: AAAA-MM-DD or dd/mm/aaaa (a time may follow), one hint for any
//   other text, on the command line too.
// Numbers written the Brazilian way ("1.234,56") have a reader of their own
// that turns them into that form first.
// A value refused says why; nothing is cut or rounded on the way.

#include <cstddef>
#include <string>

class TField;

namespace ValorDigitado {

inline constexpr int kDigitosInteirosValor = 12;

struct TDecimal {
  bool Valido = false;
  size_t DigitosInteiros = 0;  // without leading zeros
  size_t Casas = 0;            // as written: "1.500" has 3
};
TDecimal AnalisarDecimal(const std::string& texto);

// A number written the Brazilian way, as the dot text the rule above reads:
// an optional "R$", a sign or parentheses for a negative, digits with "."
// only between groups of exactly three, and "," before at most `casas`
// places (-1: any): "R$ -1.234,5" -> "-1234.5", "(10,00)" -> "-10.00".
// Anything else ("10.50", "12.3", "1.2345,00", "1e3") is refused with an
// Exception quoting the cell as written: nothing is guessed, multiplied or
// shifted to fit.
std::string LerNumeroBrasileiro(const std::string& celula, int casas);

// The reason `texto` does not fit a decimal column of `casas` places and
// `precisao` digits in all (0: no limit); empty when it fits.
std::string VerificarDecimal(const std::string& texto, int casas, int precisao);

// The reason `texto` is not an integer of `bytes` bytes (8 or less; 0: 64
// bits); empty when it is one.
std::string VerificarInteiro(const std::string& texto, int bytes);

// The reason `texto` is not a date: "\"x\" não é uma data válida (use
// AAAA-MM-DD ou dd/mm/aaaa)"; empty when it is one (spaces around ignored).
std::string VerificarData(const std::string& texto);

// The reason `texto` cannot be typed into `field`; empty when it can. A
// field that reads its own text (OnSetText: an account typed as an alias)
// is left to that handler.
std::string Verificar(const TField& field, const std::string& texto);

}  // namespace ValorDigitado
