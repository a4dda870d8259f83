#pragma once
// A year of journal entries for the demo company, generated from a seed.
//
// The same seed and quantity always give the same rows, on every platform:
// the generator draws from std::mt19937_64 (whose sequence the language
// fixes) through integer-only choices of its own, never through the standard
// distributions, whose results differ between library versions.
//
// The year is that of a distribution company an accountant would sign:
// capital paid in and a development-bank loan on the first day, fixed
// assets bought with them; goods bought on credit into stock (the ICMS on
// them recoverable) and their cost taken out of stock with each sale; sales
// on credit, received in instalments weeks later, and in cash, deposited;
// ICMS on sales offset each month and paid the next; payroll with its INSS
// and FGTS, paid the next month; rent, utilities, fees, depreciation; loan
// instalments and interest; income taxes on the year's profit.
//
// The generator keeps every account's running balance and lets none of the
// bank, cash, stock or supplier accounts cross to the wrong side at any
// moment: stock is bought before it is sold, a supplier is paid what its
// invoices owe, a payment that a bank cannot cover is first funded by a
// transfer from another bank or a working-capital loan. The company's size
// follows the quantity asked: the monthly costs are planned as shares of
// the net sales expected from that many entries, so the year ends with a
// profit of a few percent of net sales at any size from a couple of
// thousand entries up.
//
// Rows come in date order, mostly on weekdays; each is a whole double entry
// between two distinct analytic accounts of DemoEmpresa's chart, with cents.
// The calendar's entries (payroll, rent, taxes, depreciation, loan) are set
// before the business of the day is drawn around them, so the count is
// exact. Below a few hundred rows only the capital and the business are
// generated. TGerador streams the rows, so a million never sit in memory.

#include <cstdint>
#include <deque>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"
#include "host/demo/DemoEmpresa.h"

namespace DemoLancamentos {

// One LCTOCTB row as the import command reads it.
struct TLancamentoDemo {
  int64_t CodigoEmpresa = 0;
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
  TGerador(uint64_t seed, int64_t quantidade, int64_t codigoEmpresa);

  // The next row; false when all `quantidade` rows were given.
  bool Proximo(TLancamentoDemo& lancamento);

 private:
  using TConta = DemoEmpresa::TContaDemo;
  struct TDia {
    TDateTime Data;
    int Peso;  // a weekday counts 10, a Saturday 1
    bool UltimoDiaUtil = false;
  };
  // The calendar's entries: each gives one row (none when its amount is nil).
  enum class TEvento {
    Capital,
    Financiamento,
    Imobilizado,
    Aluguel,
    Salarios,
    Fgts,
    Inss,
    Icms,
    Consumo,
    Honorarios,
    Amortizacao,
    JurosFinanciamento,
    Folha,
    InssPatronal,
    FgtsPatronal,
    Depreciacao,
    PacoteTarifas,
    ApuracaoIcms,
    TributosLucro
  };
  struct TAgendado {
    TEvento Evento;
    int Indice;  // the establishment, asset, utility or tax it concerns
  };
  // An instalment to receive from a customer or to pay to a supplier.
  struct TTitulo {
    const TConta* Pessoa;
    int Estab;
    int64_t Centavos;
    std::string Documento;
    std::string Complemento;
  };

  uint64_t Sortear(uint64_t n);  // uniform in [0, n)
  int64_t SortearCentavos(int64_t minimo, int64_t maximo);
  int SortearEstab();
  const TConta& BancoDeRecebimento();
  const TConta& BancoMaisRico();
  void MontarAgenda();
  // A share of the expected net sales; the development-bank loan, an
  // asset's cost and a month of payroll, planned on it.
  int64_t Planejado(int64_t milesimos) const;
  int64_t Financiamento() const;
  int64_t CustoImobilizado(int bem) const;
  int64_t Folha(int estab, int mes) const;
  void PlanejarDia(size_t indiceDia);
  void Preencher(size_t indiceDia, int64_t alvo, bool fimDoAno);
  void Agendado(size_t indiceDia, const TAgendado& agendado);
  void Negocio(TDateTime data);
  void Vender(TDateTime data, bool prazo);
  void Comprar(TDateTime data, int estab, int64_t custoMinimo);
  static void Parcelar(std::multimap<TDateTime, TTitulo>& titulos, TDateTime data,
                       const TConta& pessoa, int estab, int64_t total, int parcelas,
                       const std::string& documento, const std::string& prefixo);
  bool Liquidar(TDateTime data, std::multimap<TDateTime, TTitulo>& titulos, bool receber);
  void Pagar(TDateTime data, int estab, const TConta& debito, const TConta& banco, int historico,
             int64_t centavos, std::string complemento, std::string documento = {});
  void Prover(TDateTime data, const TConta& banco, int64_t centavos);
  void Transferir(TDateTime data, const TConta& de, const TConta& para, int64_t centavos);
  void FimDeMes(TDateTime data);
  int64_t Saldo(const TConta& conta) const;  // debits minus credits, cents
  void Acrescentar(TDateTime data, int estab, const TConta& deb, const TConta& cred, int historico,
                   int64_t centavos, std::string complemento, std::string documento = {});

  // Set at creation.
  std::mt19937_64 FRng;
  int64_t FQuantidade;
  int64_t FCodigoEmpresa;
  std::vector<TDia> FDias;
  int64_t FPesoTotal = 0;
  std::vector<std::vector<TAgendado>> FAgenda;  // per day
  int64_t FLinhasAgendadas = 0;
  // The year's net sales the costs are planned on, in cents.
  int64_t FVendasPrevistas = 0;
  std::vector<const TConta*> FClientes, FFornecedores, FDespesas, FBancos;
  // Progress through the year.
  int64_t FEntregues = 0;
  int64_t FGeradas = 0;
  int64_t FAgendadasFeitas = 0;
  size_t FProximoDia = 0;
  int64_t FPesoAcumulado = 0;
  std::deque<TLancamentoDemo> FFila;
  // Running balances by account, and the year's result before income taxes.
  std::unordered_map<int64_t, int64_t> FSaldos;
  int64_t FResultado = 0;
  std::multimap<TDateTime, TTitulo> FAReceber, FAPagar;
  // Taxes and payroll charges of the month, paid in the next.
  int64_t FIcmsARecolher = 0, FInssARecolher = 0, FFgtsARecolher = 0;
  int64_t FNotaFiscal = 1000;
  int64_t FNotaEntrada = 50000;
  int FContratosGiro = 0;
};

// All the rows at once (for tests and small runs).
std::vector<TLancamentoDemo> Gerar(uint64_t seed, int64_t quantidade, int64_t codigoEmpresa);

// The CSV the import command reads: a header of LCTOCTB column names, one
// line per row, dates YYYY-MM-DD, amounts with a dot. Streams the rows.
void EscreverCsv(std::ostream& saida, uint64_t seed, int64_t quantidade, int64_t codigoEmpresa);
std::string CabecalhoCsv();
std::string LinhaCsv(const TLancamentoDemo& lancamento);
// An amount with two decimals and a dot: "1234.50", "-0.07".
std::string ValorTexto(Currency valor);

}  // namespace DemoLancamentos
