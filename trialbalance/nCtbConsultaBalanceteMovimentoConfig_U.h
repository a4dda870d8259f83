#pragma once
// The configuration of one trial balance run: what the query process reads
// from its parameters for one company and hands to every part of the trial
// balance (the balance generator, the result data set, the per-period
// balance runs). A plain value: each part keeps its own copy.

#include <cstdint>
#include <string>
#include <vector>

#include "balances/nCtbRepositorioSaldoCtbBase_U.h"
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
  // Also lists accounts without balance and movement.
  bool ImprimirContaSemSaldo = false;
  bool DetalharClienteFornecedor = false;
  // 0 "Não", 1 "Sim, sem sintética", 2 "Sim, com sintética",
  // 3 "Sim, sintética mais uma filial".
  int32_t RelacionarEstab = 0;
  bool DemonstrarUsuario = false;
  bool QuebrarMovPeriodo = false;
  bool GerarCentroCusto = false;
  TnTipoConsultaBalancete TipoConsultaBalancete = TnTipoConsultaBalancete::tpConMovDebCred;
  bool GerarMoedaFuncionalEmReais = false;
  TnTipoSaldoCtb TipoSaldoCtb = TnTipoSaldoCtb::tscSocietario;
  TDateTime DataInicial;
  TDateTime DataFinal;
  std::string FiltroLctoAtivo;  // origin inclusion expression
  int CodigoIdioma = 0;
  int CodigoMoeda = 0;  // 0 = local currency
  // The balance run groups its rows by month (one run serving every month's
  // columns) instead of covering its dates as one bucket.
  bool AgruparPorMes = false;
};

// The parameters of a trial balance run, typed. The process's by-name
// parameter table (the screens' and the generic host's way in) is read into
// one of these; a caller that knows the values hands them over directly.
struct TnParamsConsultaBalancete {
  std::vector<int64_t> Empresas;
  std::string CodigoEstab;  // establishment inclusion expression; empty = all
  TDateTime DataInicial;
  TDateTime DataFinal;
  TnTipoConsultaBalancete TipoConsultaBalancete = TnTipoConsultaBalancete::tpConMovDebCred;
  bool QuebrarMovPeriodo = false;
  bool GerarCentroCusto = false;
  bool ImpSaldoZero = false;
  TnTipoSaldoCtb TipoSaldoCtb = TnTipoSaldoCtb::tscSocietario;
  // As TnParametroConf::RelacionarEstab.
  int32_t RelacionarEstab = 0;
  bool DemonstrarUsuario = false;
  bool DetalharClienteFornecedor = false;
  bool GerarMoedaFuncionalEmReais = false;
  std::string FiltroLctoAtivo;  // origin inclusion expression
  int CodigoMoeda = 0;
  int CodigoIdioma = 0;
};

// One company's configuration out of the run's parameters.
TnParametroConf ConfiguracaoDaEmpresa(const TnParamsConsultaBalancete& params,
                                      int64_t codigoEmpresa);

// The first day of every month from the month of DataInicial to the month of
// DataFinal, across year ends: the months that get their own columns.
std::vector<TDateTime> MesesDoPeriodo(const TnParametroConf& conf);
