#pragma once
// `ctb statements`: the balance sheet (Balanço Patrimonial) at the end of a
// period and the income statement (Demonstração do Resultado) for it, each
// beside the previous period (as many whole months before it when the period
// is made of whole months, else as many days); the columns are headed by
// their periods.
//
// Which chart groups are assets, liabilities and equity, and which make each
// section of the income statement (gross revenue, its deductions, costs,
// operating expenses, financial result, income taxes), is the company's
// setting GRUPODEMONSCTB (an account belongs to the longest prefix listed).
// Figures come from the balance tables of the book, as in the trial balance.
// The balance sheet signs them by the group: assets debits minus credits,
// the others credits minus debits, so a reducing account (accumulated
// depreciation) subtracts from its group. The income statement signs every
// figure by its effect on the result (credits minus debits): revenue
// positive, deductions, costs, expenses and taxes negative, and each step's
// result (receita líquida, lucro bruto, resultado antes dos tributos, lucro
// líquido) is the sum of the sections above it. Every group's own line is
// listed at any level, so the lines above a total always add up to it.
// The result not yet closed into equity sits in the balance sheet as the
// period's result (the income statement's bottom line) plus, when there is
// any, the result of earlier periods, so that assets = liabilities + equity
// + result.

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"
#include "host/reports/RelatorioContabil.h"

namespace CLI {
class App;
}
class TnDMConexao;
class TSessaoHost;

namespace ComandoDemonstracoes {

struct TOpcoes {
  RelatorioContabil::TOpcoesRelatorio Relatorio;
  int Nivel = 0;  // deepest classification level listed; 0: all
  bool Zeradas = false;
};

// This period's figure and the previous period's.
struct TValores {
  Currency Atual;
  Currency Anterior;
  TValores& operator+=(const TValores& outro);
};

struct TLinha {
  std::string Classif;
  std::string Descr;
  TValores Valores;
  bool Total = false;
};

struct TDemonstracoes {
  TDateTime Inicio, Fim, InicioAnterior, FimAnterior;
  std::vector<TLinha> Balanco;
  std::vector<TLinha> Resultado;
  TValores Ativo, Passivo, PatrimonioLiquido;
  // The income statement's bottom line, and what earlier periods left
  // unclosed (revenue and expense balances before the period).
  TValores ResultadoPeriodo, ResultadoAnterior;

  // Assets = liabilities + equity + result, in both columns.
  bool Confere() const;
  // "Ativo X = Passivo Y + Patrimônio Líquido Z + Resultado W (confere)" at
  // the end of the period.
  std::string Equacao() const;
};

// Exception when the company has no statement groups or one of an unknown
// type.
TDemonstracoes Calcular(TnDMConexao& conexao, int64_t empresa, TDateTime inicio, TDateTime fim,
                        int livro, int nivel, bool zeradas);

// Writes both statements; returns the line to print after them (empty, or
// the file written).
std::string Executar(TnDMConexao& conexao, const TOpcoes& opcoes, std::ostream& saida);

// Adds the `statements` command; when it is chosen, `comando` runs it in the
// session after the access checks.
void Registrar(CLI::App& app, std::function<std::string(TSessaoHost&)>& comando);

}  // namespace ComandoDemonstracoes
