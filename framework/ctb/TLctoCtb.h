#pragma once
// One journal entry (a row of LCTOCTB) as typed values: what the entry
// module hands its companions (the differences panel, the managerial and
// activity splits) and what the writers that assemble entries fill, instead
// of each keeping its own list of loose fields.
//
// Widths are the schema's: company, key, batch, accounts, history and
// transaction 64-bit; amounts Currency, exact; the rate TTaxaFixa; the date
// a calendar day (a time read with it is dropped). Zero and empty stand for
// "none" (an entry without a credit side has ContaCtbCred 0, a new one no
// key yet).
//
// It carries the entry's own columns; who recorded it and when, the
// reconciliation flags and the links to other modules stay in the data set.
// It never touches the database.

#include <cstdint>
#include <string>

#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"
#include "framework/core/TaxaFixa.h"

class TnClientDataSet;

struct TLctoCtb {
  int64_t CodigoEmpresa = 0;
  int64_t ChaveLctoCtb = 0;
  int CodigoEstab = 0;
  int64_t CodigoLoteCtb = 0;
  TDateTime DataLctoCtb;
  std::string TipoLancamento;  // "LN" normal, "LS" corporate, "LF" tax
  std::string NumeroDcto;
  std::string CodigoOrigLctoCtb;  // the origin register's code ("CB", "IP" ...)
  int64_t ContaCtbDeb = 0;
  int64_t ContaCtbCred = 0;
  int64_t CodigoHistCtb = 0;
  std::string ComplHist;
  TTaxaFixa CotacaoMoeda;
  Currency ValorLctoMoeda;
  Currency ValorLctoCtb;
  int64_t TransCtb = 0;
  int OrigemDado = 0;  // 1 automatic, 2 typed, 3 imported, 5 analytic

  // The account of one side (natureza 1 debit, -1 credit), to read or to set.
  int64_t Conta(int natureza) const { return natureza == 1 ? ContaCtbDeb : ContaCtbCred; }
  int64_t& Conta(int natureza) { return natureza == 1 ? ContaCtbDeb : ContaCtbCred; }

  // The current record of `cds`, as it is now or as it was read
  // (OldValue: the entry before an edit or a delete). A field the data set
  // lacks reads as none, so a cursor naming some columns gives what it has;
  // null reads as none.
  static TLctoCtb DoRegistro(const TnClientDataSet& cds);
  static TLctoCtb DoRegistroAnterior(const TnClientDataSet& cds);
  // Writes every field the data set has into its current record (in insert
  // or edit): amounts as they are, any other member at none as null.
  void ParaRegistro(TnClientDataSet& cds) const;

  friend bool operator==(const TLctoCtb&, const TLctoCtb&) = default;
};

// One side of an entry: the entry and which of its accounts. The managerial
// and activity splits hang from a side; its amount is the entry's.
struct TLadoLctoCtb {
  TLctoCtb Lcto;
  int Natureza = 1;  // 1 debit, -1 credit

  int64_t ContaCtb() const { return Lcto.Conta(Natureza); }
};
