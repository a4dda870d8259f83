#pragma once
// The consultation grid of the extemporaneous dates: every row of the
// company, shown, never changed.

#include "framework/app/TnAction.h"
#include "framework/app/TnDMClientDataSet.h"

class TnCtbDCLctoCtbExtemp : public TnDMClientDataSet {
 public:
  static constexpr const char* kClassName = "TnCtbDCLctoCtbExtemp";

  TnCtbDCLctoCtbExtemp();

  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);

  std::string ChavePrimaria() const override { return "CODIGOEMPRESA;CHAVELCTOCTB"; }
  std::string PegarVerificaSelecao() const override { return "CodigoEmpresa"; }
  bool SomenteConsulta() const override { return true; }
  void DepoisConfigurar(TnForm* form) override;
};
