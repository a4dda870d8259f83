#pragma once
// Balances in the functional currency of the establishments that adopted
// one: no conversion, the amounts are already in that currency. The book
// path reads SALDOCTBMOEDAMENSAL and SALDOCTBMOEDA of the currency; the
// history path reads the entries' VALORLCTOMOEDA together with the
// functional-currency zeroing records (ZERAMENTOCTBMOEDA).
//
// The zeroing records are not entries: the entry filter reaches them only
// through the origin "ZZ", and reaches the entries only through the other
// origins. A reduction whose filter names no origin at all has nothing to
// take out.

#include "balances/nCtbRepositorioSaldoCtbBase_U.h"

enum class TTipoSaldo { tsSaldoAnterior, tsSaldoAtual };

class TnCtbRepositorioSaldoCtbMoedaFuncional : public TnCtbRepositorioSaldoCtbBase {
 public:
  std::string GetSqlSaldoCtbAnteriorOri(const TnParansSaldoCtb& parans,
                                        bool incluirOrigem) const override;
  std::string GetSqlSaldoCtbAnterior(const TnParansSaldoCtb& parans) const override;
  std::string GetSqlLctoCtbAtualOri(const TnParansSaldoCtb& parans,
                                    bool incluirOrigem) const override;
  std::string GetSqlSaldoCtbAtual(const TnParansSaldoCtb& parans) const override;
  std::string GetSqlReduzirOrigemSaldoAnterior(const TnParansSaldoCtb& parans) const override;

  // The entries' side of the history path; empty when the origin filter is
  // included and names only "ZZ".
  std::string GetSqlLctoCtb(const TnParansSaldoCtb& parans, bool incluirOrigem,
                            TTipoSaldo tipoSaldo) const;
  // The zeroing side; empty when the origin filter is included and lacks "ZZ".
  std::string GetSqlZeramentoMoedaFuncional(const TnParansSaldoCtb& parans, bool incluirOrigem,
                                            TTipoSaldo tipoSaldo) const;

  // The origin list of the entry filter.
  std::string GetFiltroOrigem(const TnParansSaldoCtb& parans) const;
  bool TemFiltroOrigemZZ(const TnParansSaldoCtb& parans) const;
  bool TemFiltroOrigemDiferenteZZ(const TnParansSaldoCtb& parans) const;
  // The entry filter's window on DATAZERAMENTO.
  std::string GetFiltroExternalData(const TnParansSaldoCtb& parans) const;

 private:
  // The union of both sides, summed per account, [establishment] and, for
  // the period, day. Empty when both sides are.
  std::string MontarSqlOri(const TnParansSaldoCtb& parans, bool incluirOrigem,
                           TTipoSaldo tipoSaldo) const;
};
