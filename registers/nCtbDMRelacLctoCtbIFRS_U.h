#pragma once
// The relation between a fiscal entry ("LF") and its corporate counterpart
// ("LS") of a company that reports under IFRS (RELACLCTOCTBIFRS): one row
// per fiscal entry. The journal screen opens it on the fiscal entry it
// stands on (the selection carries CHAVELCTOCTBFIS).
//
// Each key must name an entry of its own type: the fiscal key a fiscal
// entry, the corporate key a corporate one.

#include <string>

#include "framework/app/TnAction.h"
#include "framework/app/TnDMClientDataSet.h"

class TnCtbDMRelacLctoCtbIFRS : public TnDMClientDataSet {
 public:
  static constexpr const char* kClassName = "TnCtbDMRelacLctoCtbIFRS";

  TnCtbDMRelacLctoCtbIFRS();

  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);

  std::string ChavePrimaria() const override { return "CODIGOEMPRESA;CHAVELCTOCTBFIS"; }
  std::string PegarVerificaSelecao() const override { return "CODIGOEMPRESA;CHAVELCTOCTBFIS"; }
  void DepoisConfigurar(TnForm* form) override;
};
