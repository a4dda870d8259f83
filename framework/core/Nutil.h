#pragma once
// The host's everyday helpers: the two money roundings, a division that
// cannot fail, ";"-separated lists, history text, accent folding and the
// literals a data-set filter text is built from. Texts are UTF-8 throughout.
//
// Two roundings exist and are not interchangeable: RoundValor rounds a half
// away from zero (1.005 -> 1.01, -1.005 -> -1.01), RoundTo rounds a half to
// the even neighbour (2.345 -> 2.34, 2.355 -> 2.36). Both work on the decimal
// digits a person reads, never on the binary double.

#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/Currency.h"
#include "framework/core/Value.h"

namespace Nutil {

// x rounded to `places` decimal places, half away from zero.
double RoundValor(double x, int places);
Currency RoundValor(Currency x, int places);

// x rounded to the power of ten `digit` (RoundTo(x, -2): cents; RoundTo(x, 2):
// hundreds), half to even.
double RoundTo(double x, int digit);
Currency RoundTo(Currency x, int digit);

// a / b, or 0 when b is 0: shares and rates of an empty total are zero.
double Dividir(double a, double b);
Currency Dividir(Currency a, Currency b);

// Splits at every separator, keeping empty items ("a;;b" has three); an empty
// text has no items. Items are not trimmed.
std::vector<std::string> StrToStrArray(const std::string& text, const std::string& separator = ";");
// True when some item equals text exactly (case and blanks count).
bool InStrArray(const std::string& text, const std::vector<std::string>& array);

// The history line of an entry: the standard history's description, a blank
// and the complement, both trimmed; either alone when the other is empty.
std::string MontarHist(const std::string& descricao, const std::string& complemento);

// Folds accented Latin letters to their bare letter ("Lançamento" ->
// "Lancamento", "Ü" -> "U"); every other character is kept as it is.
std::string LimparAcentuacao(const std::string& text);

// True when the text has something other than blanks.
bool TemDados(const std::string& text);
// prefix + text when text is not blank, else "": builds messages in which an
// empty part adds nothing, not even its label.
std::string TemDados(const std::string& prefix, const std::string& text);

// Appends item to a separated list: no separator before the first item, and
// an empty item adds nothing (so conditions can be added unconditionally).
void Add(std::string& list, const std::string& item, const std::string& separator);

// The literal of a value inside a data-set filter text: texts quoted with
// embedded quotes doubled ('D''Avila'), numbers with a dot and no grouping,
// Booleans True/False, dates quoted as 'dd/mm/yyyy' (with ' hh:nn:ss' when the
// value has a time of day), null as null.
std::string ValorParaFiltro(const Value& value);

std::string Trim(const std::string& text);
// A whole text as a 64-bit integer (optional minus and digits, nothing else);
// false, with `value` untouched, otherwise.
bool TryStrToInt64(const std::string& text, int64_t& value);
// Case mapping of ASCII and of the accented Latin letters (ç <-> Ç, ã <-> Ã).
std::string UpperCase(const std::string& text);
std::string LowerCase(const std::string& text);

// Characters of a UTF-8 text (a column's size counts characters, not bytes).
size_t Caracteres(const std::string& text);
// The first `caracteres` characters of a UTF-8 text: never half of one.
std::string PrimeirosCaracteres(const std::string& text, size_t caracteres);

}  // namespace Nutil
