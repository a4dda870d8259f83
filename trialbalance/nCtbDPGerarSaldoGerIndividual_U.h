#pragma once
// The managerial balance process: the balances of a company and period per
// account and, below each analytic account, per cost centre.
//
// The account rows are the balance generation process's own (the same
// selection run through it: synthetic roll-up, establishments, date
// buckets), with CODIGOCENTROCUSTO null. Below them come the cost-centre
// rows, read from the managerial balance tables (SALDOGER, SALDOGERMENSAL:
// the LCTOGER splits under their entry's establishment and type): one row
// per analytic account, cost centre, establishment and bucket that has a
// split or an opening balance, with opening balance, debits, credits,
// movement and closing balance by the account's nature. Their
// CLASSIFCONTA is the account's classification with the cost centre as one
// more level, so that a reader that drops the last level finds the account.
// When every side of an account's entries is split in full, its cost-centre
// rows add up to the account row; an unsplit part shows as the difference.
//
// Amounts are in local currency only: another currency is refused. The
// entry filter (pConsiderarFiltroLctoCtb, pFiltroOrigemLcto) takes the
// filtered entries out of the account rows and their splits out of the
// cost-centre rows; pClassifCentroCusto keeps only the cost centres it
// names (codes). Three parameters the trial balance sets change nothing:
// cost centres have no hierarchy here, so there are no synthetic
// cost-centre rows (pListarCentroSint) and merging is always the one above
// (pTipoMesclarPlano); there is no managerial zeroing to leave out
// (pConsiderarZeramentoGer).
//
// Registered by class name ("TnCtbDPGerarSaldoGerIndividual") and created
// new by the trial balance; the result is nClientDataSet.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/app/TnDMPowerParam.h"
#include "framework/data/ClientDataSet.h"
#include "framework/db/TDbTypes.h"

class TnCtbDPGerarSaldoCtbIndividual;

class TnCtbDPGerarSaldoGerIndividual : public TnDMPowerParam {
 public:
  static constexpr const char* kClassName = "TnCtbDPGerarSaldoGerIndividual";

  TnCtbDPGerarSaldoGerIndividual();
  ~TnCtbDPGerarSaldoGerIndividual() override;

  // Raises Exception for a currency other than the local one.
  void Executar() override;

 private:
  struct TParamsGer;
  struct TConta;
  struct TLinhaMov;
  class TGrade;

  void CriarParametros();
  void CriarDataSet();
  TParamsGer LerParametros();
  // The account rows: the balance generation process over the same
  // selection. It stays alive for its bucket rules.
  std::unique_ptr<TnCtbDPGerarSaldoCtbIndividual> GerarSaldoContabil();
  // The analytic accounts of its result, with their natures.
  std::map<int64_t, TConta> ContasAnaliticas(TnClientDataSet& saldo, int64_t empresa) const;
  // Opening balances and movement of the cost centres of those accounts,
  // less the entries the entry filter takes out; marks the accounts that
  // have any.
  TGrade MontarGrade(const TParamsGer& params, const TnCtbDPGerarSaldoCtbIndividual& contabil,
                     std::map<int64_t, TConta>& contas) const;
  std::vector<TLinhaMov> LerMovimento(const std::string& sql, const TParams& parametros) const;
  void TransferirContas(TnClientDataSet& saldo, const std::map<int64_t, TConta>& contas,
                        bool listarSemRateio);
  void TransferirCentros(const TParamsGer& params, const TnCtbDPGerarSaldoCtbIndividual& contabil,
                         const TGrade& grade, const std::map<int64_t, TConta>& contas);
  std::map<int64_t, std::string> DescricoesCentros(int64_t empresa) const;
};
