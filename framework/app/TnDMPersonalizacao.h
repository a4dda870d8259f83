#pragma once
// The host's personalisation: choices an installation makes once for every
// user. Modules read it through nDMPersonalizacao(), which is null when the
// host runs without personalisation (then no personalised rule applies).
//
// Flags are a bit set; the modules read:
// - kFlagSelecaoEmpresaPeriodo (bit value 2): a screen opens only on a
//   selection of company and period.
// GetPermiDataFinal is the last date entries may carry (zero: no limit).

#include "framework/core/TDateTime.h"

class TnDMPersonalizacao {
 public:
  static constexpr int kFlagSelecaoEmpresaPeriodo = 2;

  int Flags() const { return FFlags; }
  void SetFlags(int flags) { FFlags = flags; }
  bool TemFlag(int flag) const { return (FFlags & flag) == flag; }
  bool ExigeSelecaoEmpresaPeriodo() const { return TemFlag(kFlagSelecaoEmpresaPeriodo); }

  TDateTime GetPermiDataFinal() const { return FPermiDataFinal; }
  void SetPermiDataFinal(TDateTime data) { FPermiDataFinal = data; }

 private:
  int FFlags = 0;
  TDateTime FPermiDataFinal;
};

// Not owned: the host keeps it alive while it is set.
TnDMPersonalizacao* nDMPersonalizacao();
void SetnDMPersonalizacao(TnDMPersonalizacao* personalizacao);
