#pragma once
// A year of journal entries for the demo company, generated from a seed.
//
// The same seed and quantity always give the same rows, on every platform:
// the generator draws from std::mt19937_64 (whose sequence the language
// fixes) through integer-only choices of its own, never through the standard
// distributions, whose results differ between library versions.
//
// Rows come in date order over the demo fiscal year, mostly on weekdays: the
// opening capital first, then each day's scheduled entries (payroll, charges,
// rent, taxes, depreciation, bank fees) and the day's business (sales on
// credit and in cash with their ICMS, services with ISS, receipts, purchases
// with recoverable ICMS, cost of goods sold, supplier payments, expenses,
// investment income). Every row moves an amount with cents between two
// distinct analytic accounts of DemoEmpresa's chart; a row is a whole
// double entry, so debits equal credits overall. With few rows some
// scheduled entries give way to keep the count exact.
//
// TGerador streams the rows, so a million of them never sit in memory.

#include <cstdint>
#include <deque>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"
#include "host/DemoEmpresa.h"

namespace DemoLancamentos {

// One LCTOCTB row as the import command reads it.
struct TLancamentoDemo {
  int CodigoEmpresa = 0;
  int CodigoEstab = 0;
  TDateTime DataLctoCtb;
  std::string TipoLancamento = "LN";
  int64_t ContaCtbDeb = 0;
  int64_t ContaCtbCred = 0;
  int CodigoHistCtb = 0;
  std::string ComplHist;
  Currency ValorLctoCtb;
  std::string NumeroDcto;  // empty: none
  int CodigoLoteCtb = 0;
  std::string CodigoOrigLctoCtb;
};

class TGerador {
 public:
  TGerador(uint64_t seed, int64_t quantidade, int codigoEmpresa);

  // The next row; false when all `quantidade` rows were given.
  bool Proximo(TLancamentoDemo& lancamento);

 private:
  struct TDia {
    TDateTime Data;
    int Peso;  // a weekday counts 10, a Saturday 1
  };

  uint64_t Sortear(uint64_t n);  // uniform in [0, n)
  int64_t SortearCentavos(int64_t minimo, int64_t maximo);
  int SortearEstab();
  void PlanejarDia(size_t indiceDia);
  void Agendados(TDateTime data, int diaUtil, bool ultimoDiaUtil);
  void Negocio(TDateTime data);
  void Acrescentar(TDateTime data, int estab, const std::string& deb, const std::string& cred,
                   int historico, int64_t centavos, std::string complemento,
                   std::string documento = {});
  void Acrescentar(TDateTime data, int estab, int64_t deb, int64_t cred, int historico,
                   int64_t centavos, std::string complemento, std::string documento = {});

  // Set at creation.
  std::mt19937_64 FRng;
  int64_t FQuantidade;
  int FCodigoEmpresa;
  std::vector<TDia> FDias;
  int64_t FPesoTotal = 0;
  // Progress through the year.
  int64_t FEntregues = 0;
  size_t FProximoDia = 0;
  int64_t FPesoAcumulado = 0;
  std::deque<TLancamentoDemo> FFila;
  // Accounts the business draws from (DemoEmpresa's chart).
  std::vector<const DemoEmpresa::TContaDemo*> FClientes, FFornecedores, FDespesas;
  // Taxes of the month, settled at its end and paid in the next month.
  int64_t FIcmsDebito = 0, FIcmsCredito = 0, FIcmsARecolher = 0;
  int64_t FIssMes = 0, FIssARecolher = 0;
  int64_t FNotaFiscal = 1000;
  int64_t FNotaEntrada = 50000;
};

// All the rows at once (for tests and small runs).
std::vector<TLancamentoDemo> Gerar(uint64_t seed, int64_t quantidade, int codigoEmpresa);

// The CSV the import command reads: a header of LCTOCTB column names, one
// line per row, dates YYYY-MM-DD, amounts with a dot. Streams the rows.
void EscreverCsv(std::ostream& saida, uint64_t seed, int64_t quantidade, int codigoEmpresa);
std::string CabecalhoCsv();
std::string LinhaCsv(const TLancamentoDemo& lancamento);
// An amount with two decimals and a dot: "1234.50", "-0.07".
std::string ValorTexto(Currency valor);

}  // namespace DemoLancamentos
