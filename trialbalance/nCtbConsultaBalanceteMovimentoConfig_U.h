#pragma once
// The configuration of one trial balance run: what the query process reads
// from its parameters for one company and hands to every part of the trial
// balance (the balance generator, the result data set, the per-period
// balance runs). A plain value: each part keeps its own copy.

#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/TDateTime.h"

// Which amount columns the trial balance shows.
enum class TnTipoConsultaBalancete : int {
  tpConDebCred = 0,     // debits and credits
  tpConMovDebCred = 1,  // debits, credits and movement
  tpConMov = 2,         // movement only
};

// 0, 1 or 2 as the type; any other value reads as debits, credits and
// movement, the parameter's default.
TnTipoConsultaBalancete TipoConsultaBalanceteDoInteiro(int64_t valor);

struct TnParametroConf {
  int64_t CodigoEmpresa = 0;
  std::string CodigoEstab;  // establishment inclusion expression
  // "1" also lists accounts without balance and movement; passed on to the
  // balance process as it is.
  std::string ImpSaldoZero;
  bool ImprimirContaSemSaldo = false;
  bool DetalharClienteFornecedor = false;
  // 0 "Não", 1 "Sim, sem sintética", 2 "Sim, com sintética",
  // 3 "Sim, sintética mais uma filial".
  int32_t RelacionarEstab = 0;
  bool DemonstrarUsuario = false;
  bool QuebrarMovPeriodo = false;
  bool GerarCentroCusto = false;
  TnTipoConsultaBalancete TipoConsultaBalancete = TnTipoConsultaBalancete::tpConMovDebCred;
  std::string GerarMoedaFuncionalEmReais;
  std::string TipoSaldoCtb;
  TDateTime DataInicial;
  TDateTime DataFinal;
  std::string FiltroLctoAtivo;
  std::string CodigoIdioma;
  std::string CodigoMoeda;
  // The balance run groups its rows by month (one run serving every month's
  // columns) instead of covering its dates as one bucket.
  bool AgruparPorMes = false;
};

// The first day of every month from the month of DataInicial to the month of
// DataFinal, across year ends: the months that get their own columns.
std::vector<TDateTime> MesesDoPeriodo(const TnParametroConf& conf);
