#pragma once
// The host's personalisation: choices an installation makes once for every
// user. Modules read it through nDMPersonalizacao(), which is null when the
// host runs without personalisation (then no personalised rule applies).
//
// Flags are a bit set; the modules read:
// - kFlagSelecaoEmpresaPeriodo (bit value 2): a screen opens only on a
//   selection of company and period.
// GetPermiDataFinal is the last date entries may carry (zero: no limit).

#include <memory>

#include "framework/core/TDateTime.h"

class TnSessao;

class TnDMPersonalizacao {
 public:
  static constexpr int kFlagSelecaoEmpresaPeriodo = 2;

  int Flags() const { return FFlags; }
  void SetFlags(int flags) { FFlags = flags; }
  bool TemFlag(int flag) const { return (FFlags & flag) == flag; }
  bool ExigeSelecaoEmpresaPeriodo() const { return TemFlag(kFlagSelecaoEmpresaPeriodo); }

  TDateTime GetPermiDataFinal() const { return FPermiDataFinal; }
  void SetPermiDataFinal(TDateTime data) { FPermiDataFinal = data; }

  // A worker's session sees the same choices.
  std::unique_ptr<TnDMPersonalizacao> Derivar(TnSessao& nova) const;

 private:
  int FFlags = 0;
  TDateTime FPermiDataFinal;
};

// The current session's; not owned: the host keeps it alive while it is set
// (nullptr removes it).
TnDMPersonalizacao* nDMPersonalizacao();
void SetnDMPersonalizacao(TnDMPersonalizacao* personalizacao);
