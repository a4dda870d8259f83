#pragma once
// Balances to be converted into another currency. A day's movement converts
// at that day's rate, so the previous balance comes day by day (per account,
// establishment and day, since the last balance implantation) instead of as
// one sum; establishments are always kept, whatever RelacionarFilial says.
// The period statements are the local currency's. Adds the query of the
// balance implantation rows the conversion starts from.

#include "balances/nCtbRepositorioSaldoCtb_U.h"

class TnCtbRepositorioSaldoCtbMoeda : public TnCtbRepositorioSaldoCtb {
 public:
  std::string GetSqlSaldoCtbAnteriorOri(const TnParansSaldoCtb& parans,
                                        bool incluirOrigem) const override;
  std::string GetSqlSaldoCtbAnterior(const TnParansSaldoCtb& parans) const override;

  // Matches on account, establishment and day, the key of its previous
  // balance rows.
  void ReduzirLctoCtbAnteriorOri(TnClientDataSet& cursor, const TnParansSaldoCtb& parans) override;

  // Balance implantation rows: CODIGOESTAB, CODIGOMOEDA, CONTACTB, DATASALDO,
  // NATUREZASALDO, VALORSALDO ordered by establishment, currency and account.
  std::string GetSqlImpSaldoCtb(const TnParansSaldoCtb& parans) const;
  std::unique_ptr<TnClientDataSet> CriarMovImpSaldoCtb(const TnParansSaldoCtb& parans);
};
