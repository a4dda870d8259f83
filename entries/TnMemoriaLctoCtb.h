#pragma once
// What the journal-entry module remembers of the entries it posts, from one
// event to the next: the last entry saved (the duplicate question compares
// the next one with it), the stored values of the entry a post is changing
// (the split steps after the post follow what changed) and the entry a
// delete is taking away (its splits go after it). Only the module's post
// and delete steps (nCtbDMLctoCtb_UValidacao.cpp, nCtbDMLctoCtb_UGravacao.cpp)
// change it; the rule chain and the split steps read it.

#include <cstdint>

#include "entries/nCtbDMLctoCtbCloudUtil_U.h"
#include "framework/core/TDateTime.h"
#include "framework/data/ClientDataSet.h"

struct TnMemoriaLctoCtb {
  TUltLctoCtb Ultimo;
  // The state the last post started from (insert or edit).
  TDataSetState Operacao = TDataSetState::dsInactive;
  // The stored accounts, date and amount of the entry being posted; zero for
  // an insert or when no split follows the post.
  int64_t ContaDebAnterior = 0;
  int64_t ContaCredAnterior = 0;
  TDateTime DataAnterior;
  Currency ValorAnterior;
  int64_t EmpresaExcluida = 0;
  int64_t ChaveExcluida = 0;

  // After a post: the record becomes the last entry saved.
  void GuardarUltimo(const TnClientDataSet& registro);
  // Before a post: the record's stored values (none for an insert).
  void GuardarAnterior(const TnClientDataSet& registro);
  // Whether the edit being posted changed the date, a side's account or the
  // amount of the stored entry.
  bool AlterouData(const TnClientDataSet& registro) const;
  bool AlterouContaDebito(const TnClientDataSet& registro) const;
  bool AlterouContaCredito(const TnClientDataSet& registro) const;
  bool AlterouValor(const TnClientDataSet& registro) const;
};

namespace nCtbDMLctoCtb_U {
// An account field's number; zero for null.
int64_t ContaDe(const TField& field);
}  // namespace nCtbDMLctoCtb_U
