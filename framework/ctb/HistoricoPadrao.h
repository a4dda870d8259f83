#pragma once
// A standard history's dictionary tokens ("[DICTEXTOCONTADEB]" and the
// others): what each stands for in an entry, and the history a person reads
// once they are filled.
//
// The entry screen stores the tokens' values in the entry's complement, each
// followed by "|", in the order the tokens appear, and a person may edit
// them there. Entries imported or posted by other modules carry no such
// values. What is shown takes the stored value where there is one and the
// entry's own accounts and date elsewhere, so no output ever shows a
// bracketed token. Nothing here reads or writes the database.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/TDateTime.h"

namespace HistoricoPadrao {

// A history as its fixed texts and its tokens, in order. A token runs from
// "[" through the first "]" after it, or to the end when none closes it.
struct TTrecho {
  std::string Texto;
  bool Token = false;
  // A token's position in the table (Indice); -1 for a fixed text.
  int Indice = -1;
};
std::vector<TTrecho> Trechos(const std::string& historico);

// The position of a token in the table (any case, blanks around it
// ignored); -1 for a bracketed text the table does not hold.
int Indice(const std::string& token);

// What the token at `indice` stands for: the credit account's description
// (0-2) or the debit account's (3-5), as written, in lower or upper case;
// the month before the entry's date (6) or the entry's month (7) as
// "mm/yyyy"; empty for -1.
std::string Valor(int indice, const std::string& descrDebito, const std::string& descrCredito,
                  TDateTime data);

// A history as a list offers it before any entry fills it: each token in
// words, "(conta a débito)", "(conta a crédito)", "(mês anterior)",
// "(mês do lançamento)"; a bracketed text the table does not hold stays.
std::string Modelo(const std::string& historico);

// The entry a history is shown for; 0 is a side the entry lacks.
struct TLancamento {
  int64_t ContaDeb = 0;
  int64_t ContaCred = 0;
  TDateTime Data;
};
// The description of an account of the entry's company; empty when it has
// none. Asked only for tokens the complement leaves unfilled.
using TDescricaoConta = std::function<std::string(int64_t conta)>;

// The history a person reads. The complement's first "|"-separated parts
// fill the tokens in order when it holds a "|"; a token without a part (or
// with an empty one) shows what it stands for in the entry, an account
// without a description showing its code. Whatever the complement holds
// after the tokens' parts (all of it when it has no "|" or the history no
// token) follows the history after a blank.
std::string Texto(const std::string& historico, const std::string& complemento,
                  const TLancamento& lancamento, const TDescricaoConta& descricao);
// The same for a history already split by Trechos, as a report filling one
// history for many entries keeps it.
std::string Texto(const std::vector<TTrecho>& trechos, const std::string& complemento,
                  const TLancamento& lancamento, const TDescricaoConta& descricao);

}  // namespace HistoricoPadrao
