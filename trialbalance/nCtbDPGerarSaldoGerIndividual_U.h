#pragma once
// Managerial balances: per account and cost centre, from the cost-centre
// splits of the entries (LCTOGER), for the trial balance's values per cost
// centre. Only what the trial balance reads: analytic accounts that have
// splits, opening balance before the first day, debits and credits of the
// period, movement and closing balance by the account's nature; per
// establishment when establishments are related (the entry's
// establishment), with establishment 0 holding the company's sums. No
// synthetic roll-up, no currency conversion, no grouping by date.
//
// Registered by class name ("TnCtbDPGerarSaldoGerIndividual") and created
// new by the trial balance; the result is nClientDataSet.

#include "framework/app/TnDMPowerParam.h"

class TnCtbDPGerarSaldoGerIndividual : public TnDMPowerParam {
 public:
  static constexpr const char* kClassName = "TnCtbDPGerarSaldoGerIndividual";

  TnCtbDPGerarSaldoGerIndividual();
  ~TnCtbDPGerarSaldoGerIndividual() override;

  void Executar() override;

 private:
  void CriarDataSet();
};
