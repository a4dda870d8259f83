#pragma once
// The debit/credit differences of a company's period, as the entry screens
// show them below the entry: the days (per branch) whose debits and credits
// differ, and the numbered transactions that do not balance.
//
// The journal-entry module creates it by class name once per screen, tells
// it the selection (company, period), asks it to compute the period once
// (CalcularDiferencas), and afterwards hands it the before/after values of
// every entry it saves or deletes (CalcularDiferencaRecord), so the panel
// stays right without reading the period again. It owns its data sets; the
// panel only points at them.
//
// It never writes to the database. Statements run on the current session's
// connection.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"
#include "framework/ctb/TLctoCtb.h"
#include "framework/data/ClientDataSet.h"

// What happened to the entry whose values are handed over.
enum TnTipoOperacao { toInsercao = 0, toAlteracao = 1, toExclusao = 2 };

// The entry being saved, after (Novo) and before (Anterior) the operation:
// none (a default record) on the side an insertion or a deletion lacks.
struct TnDifLctoCtb {
  TnTipoOperacao Operacao = toInsercao;
  TLctoCtb Novo;
  TLctoCtb Anterior;
};

// Which differences are computed; only the one by day and branch exists.
enum TnTipoDiferenca { tdDiaFilial = 0 };

class TnDMValorSaldoDebCred {
 public:
  static constexpr const char* kClassName = "TnDMValorSaldoDebCred";

  TnDMValorSaldoDebCred();
  virtual ~TnDMValorSaldoDebCred() = default;
  TnDMValorSaldoDebCred(const TnDMValorSaldoDebCred&) = delete;
  TnDMValorSaldoDebCred& operator=(const TnDMValorSaldoDebCred&) = delete;

  void SetTipoDiferenca(TnTipoDiferenca tipo) { FTipoDiferenca = tipo; }
  TnTipoDiferenca GetTipoDiferenca() const { return FTipoDiferenca; }
  // The selection the differences are computed over.
  void SetSelecao(int64_t codigoEmpresa, TDateTime dataInicial, TDateTime dataFinal);
  // Tax-only entries ("LF") left out (a company that reports under IFRS).
  void SetIgnorarFiscal(bool value) { FIgnorarFiscal = value; }

  // Its own differences: CODIGOESTAB, DATALCTOCTB, VALORDEBITO, VALORCREDITO,
  // DIFERENCA, one row per day and branch whose totals differ, by date.
  TnClientDataSet& cdsDiferenca() { return FCdsDiferenca; }
  // An empty data set with the fields of the differences (for a caller that
  // keeps its own copy), labelled by ConfigurarFields.
  std::unique_ptr<TnClientDataSet> CriarCDSMovimentacao() const;
  static void ConfigurarFields(TnClientDataSet& cds);
  // Reads the period's totals and fills `destino` (its own data set when
  // none is given).
  void CalcularDiferencas(TnClientDataSet* destino = nullptr);
  // Moves the totals by what the saved or deleted entry changed and shows
  // the days again; days outside the selection are ignored.
  void CalcularDiferencaRecord(const TnDifLctoCtb& dif);

  // The numbered transactions of the period that do not balance: TRANSCTB,
  // VALORDEBITO, VALORCREDITO, DIFERENCA.
  void AbrirDiferencaTransacao();
  TnClientDataSet& cdsDifTransacao() { return FCdsDifTransacao; }

 private:
  using TChaveDia = std::pair<double, int>;  // date, branch
  struct TTotais {
    Currency Debito;
    Currency Credito;
  };
  // Adds (sinal 1) or takes back (-1) one side of the record: an entry of
  // another company or outside the selection changes nothing.
  void Somar(const TLctoCtb& lcto, int sinal);
  void MostrarDias(TnClientDataSet& destino) const;

  // Set by the caller.
  TnTipoDiferenca FTipoDiferenca = tdDiaFilial;
  int64_t FCodigoEmpresa = 0;
  TDateTime FDataInicial;
  TDateTime FDataFinal;
  bool FIgnorarFiscal = false;
  // The period's totals, read by CalcularDiferencas and moved by each
  // record since.
  std::map<TChaveDia, TTotais> FTotais;
  TnClientDataSet FCdsDiferenca;
  TnClientDataSet FCdsDifTransacao;
};
