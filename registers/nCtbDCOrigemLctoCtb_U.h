#pragma once
// The consultation of the entry origin codes (ORIGEMLCTOCTB), shared by
// every company: shown, never changed here.

#include <string>

#include "framework/app/TnAction.h"
#include "framework/app/TnDMClientDataSet.h"

class TnCtbDCOrigemLctoCtb : public TnDMClientDataSet {
 public:
  static constexpr const char* kClassName = "TnCtbDCOrigemLctoCtb";

  TnCtbDCOrigemLctoCtb();

  // One entry per menu that offers the consultation, each for its own
  // modules.
  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);

  std::string ChavePrimaria() const override { return "CODIGOORIGLCTOCTB"; }
  bool SomenteConsulta() const override { return true; }
  void DepoisConfigurar(TnForm* form) override;
};
