#pragma once
// Inclusion expressions: what a user types (or a multi-select writes) to pick
// some codes of a column, turned into an SQL condition on that column.
//
// Syntax. Items are separated by ";" or ","; blanks around an item are
// ignored and empty items are skipped, so "0;123;456;" and "1, 3" are fine.
// An item is one code ("7") or an interval of codes ("5-9", both ends
// included; "-3--1" is an interval of negative codes in the numeric kind). In
// the text kind an item may be quoted ('A-B', 'D''Avila'): a quoted item is
// always one code, taken literally, so codes holding "-", ";" or "," can be
// listed. Repeated items count once.
//
// Condition. The single codes become "COL = x" (one) or "COL in (x, y)"
// (several, in the order typed); each interval becomes "COL between a and b".
// More than one of these are joined with " or " inside parentheses. An empty
// expression gives an empty text: no condition at all, not even the "and".
//
// A malformed expression raises Exception naming the bad item; nothing else is
// ever raised for what a user typed.

#include <cstdint>
#include <string>
#include <vector>

namespace Nutilinclusao {

// The kind of column the codes belong to: numeric codes are written bare,
// text codes as quoted literals.
enum class TTipoInclusao { tiNumerica = 1, tiTexto = 2 };

// One item of an expression. For the numeric kind NumInicial/NumFinal hold
// the codes and the texts their canonical digits; for the text kind only the
// texts are used. A single code has Final equal to Inicial.
struct TItemInclusao {
  bool Intervalo = false;
  std::string Inicial;
  std::string Final;
  int64_t NumInicial = 0;
  int64_t NumFinal = 0;
};

// The items of an expression, in the order typed, without repeats.
std::vector<TItemInclusao> LerInclusao(const std::string& expressao, TTipoInclusao tipo);

// The condition of `expressao` on column `campo`. With `comAnd` the condition
// is preceded by "and "; `recuo` blanks come before everything, so the usual
// call (true, 1) gives " and CODIGOESTAB in (1, 2)" and (false, 0) the bare
// condition.
std::string FilterInterval(const std::string& campo, const std::string& expressao,
                           TTipoInclusao tipo, bool comAnd = true, int recuo = 1);

// The condition text alone (no "and", no blanks): "" for an empty list.
std::string MontarCondicao(const std::string& campo, const std::vector<TItemInclusao>& itens,
                           TTipoInclusao tipo);

}  // namespace Nutilinclusao
