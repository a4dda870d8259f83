#pragma once
// Balances in the local currency. The book path reads the balance tables the
// entry triggers keep: months before the start month from SALDOCTBMENSAL and,
// when the period does not start on the first of a month, the days of the
// start month from SALDOCTB; the period itself from SALDOCTB. The history
// path reads SALDOCTBMENSALHIST for whole months and the entries (LCTOCTB)
// for the partial month and the period.

#include "balances/nCtbRepositorioSaldoCtbBase_U.h"

class TnCtbRepositorioSaldoCtb : public TnCtbRepositorioSaldoCtbBase {
 public:
  std::string GetSqlSaldoCtbAnteriorOri(const TnParansSaldoCtb& parans,
                                        bool incluirOrigem) const override;
  std::string GetSqlSaldoCtbAnterior(const TnParansSaldoCtb& parans) const override;
  std::string GetSqlLctoCtbAtualOri(const TnParansSaldoCtb& parans,
                                    bool incluirOrigem) const override;
  std::string GetSqlSaldoCtbAtual(const TnParansSaldoCtb& parans) const override;
  std::string GetSqlReduzirOrigemSaldoAnterior(const TnParansSaldoCtb& parans) const override;

  // The entries of the start month before the start day, each counted on
  // its debit account and on its credit account.
  std::string GetSqlLctoCtbAnterior(const TnParansSaldoCtb& parans) const;
};
