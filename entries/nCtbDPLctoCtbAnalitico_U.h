#pragma once
// The analytic entry screen belongs to another module of the application;
// this module only opens it on a transaction. What is here is what that call
// relies on: created by class name, it shows the entries of the transaction
// (of the selection's company, when one is selected) on its own form, modally.

#include <cstdint>

#include "entries/ITransactionView_U.h"
#include "framework/app/TnDMClientDataSet.h"

class TnCtbDPLctoCtbAnalitico : public TnDMClientDataSet, public ITransactionView {
 public:
  static constexpr const char* kClassName = "TnCtbDPLctoCtbAnalitico";
  TnCtbDPLctoCtbAnalitico();
  std::string ChavePrimaria() const override { return "CODIGOEMPRESA;CHAVELCTOCTB"; }
  void AbrirTransacao(int64_t transacao) override;
};
