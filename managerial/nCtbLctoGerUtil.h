#pragma once
// Small helpers of the split modules (managerial and activity rows).

#include "framework/core/Value.h"
#include "framework/data/ClientDataSet.h"

namespace nCtbLctoGerUtil {

// Writes a field the person may not edit (its read-only flag lifted for the
// write and restored however it ends).
void Gravar(TField& field, const Value& valor);

// Detaches a data-set event for a scope: the row-maintenance loops post and
// delete rows without the per-row handlers a person's edit runs.
class TEventoDesligado {
 public:
  explicit TEventoDesligado(TnClientDataSet::TNotifyEvent& evento)
      : FEvento(evento), FGuardado(std::move(evento)) {
    FEvento = nullptr;
  }
  ~TEventoDesligado() { FEvento = std::move(FGuardado); }
  TEventoDesligado(const TEventoDesligado&) = delete;
  TEventoDesligado& operator=(const TEventoDesligado&) = delete;

 private:
  TnClientDataSet::TNotifyEvent& FEvento;
  TnClientDataSet::TNotifyEvent FGuardado;
};

}  // namespace nCtbLctoGerUtil
