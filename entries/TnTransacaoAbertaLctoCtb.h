#pragma once
// The numbered transaction (SPED or IFRS companies) the entries keyed next
// join, kept from one post to the next. Only the module's transaction steps
// change it (nCtbDMLctoCtb_UTransacao.cpp, the import's date check in
// nCtbDMLctoCtb_UCampos.cpp, the start of a post in
// nCtbDMLctoCtb_UValidacao.cpp), and a company option read anew closes it
// (nCtbDMLctoCtb_UConfig.cpp: a transaction never spans two companies'
// options); everything else reads it through GetTransacaoAberta.

#include <string>

#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"

// What the last balance check of a transaction found.
struct TDifTransacao {
  double TransCtb = 0;
  Currency Debito;
  Currency Credito;
  Currency Diferenca;
};

struct TnTransacaoAbertaLctoCtb {
  // 0 when none is open.
  double Numero = 0;
  // The date and entry type of its entries, once one of them is posted.
  TDateTime Data;
  std::string TipoLcto;
  // Numbered for the entry being inserted: its sums are that entry's alone.
  bool Nova = false;
  // Other entries of the transaction changed in the database by the last
  // post or delete: the module's record is refreshed after it.
  bool OutrasAlteradas = false;
  TDifTransacao Diferenca;

  // No transaction open; the last balance check is kept.
  void Fechar();
};
