#pragma once
// The cost centres an account may take (CENTROCUSTOCONTA): one row per
// company and account holding an inclusion expression of cost-centre codes
// ("201;202;300-399"). An account without a row takes every cost centre of
// its company; once it has one, a managerial split of the account on any
// other cost centre is refused.

#include <string>

#include "framework/app/TnAction.h"
#include "framework/app/TnDMClientDataSet.h"

class TnCtbDMCentroCustoConta : public TnDMClientDataSet {
 public:
  static constexpr const char* kClassName = "TnCtbDMCentroCustoConta";

  TnCtbDMCentroCustoConta();

  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);

  std::string ChavePrimaria() const override { return "CODIGOEMPRESA;CONTACTB"; }
  void DepoisConfigurar(TnForm* form) override;
  // An analytic account of the company's chart, and an expression every
  // single code of which is an analytic cost centre of the company: a
  // summary one never takes a split.
  void ValidarDado() override;
};
