#include "trialbalance/nCtbConsultaBalanceteMovimentoConfig_U.h"

TnTipoConsultaBalancete TipoConsultaBalanceteDoInteiro(int64_t valor) {
  switch (valor) {
    case 0:
      return TnTipoConsultaBalancete::tpConDebCred;
    case 2:
      return TnTipoConsultaBalancete::tpConMov;
    default:
      return TnTipoConsultaBalancete::tpConMovDebCred;
  }
}

std::vector<TDateTime> MesesDoPeriodo(const TnParametroConf& conf) {
  std::vector<TDateTime> meses;
  if (conf.DataInicial.IsZero() || conf.DataFinal < conf.DataInicial)
    return meses;
  for (TDateTime mes = StartOfTheMonth(conf.DataInicial); mes <= conf.DataFinal;
       mes = IncMonth(mes, 1))
    meses.push_back(mes);
  return meses;
}

TnParametroConf ConfiguracaoDaEmpresa(const TnParamsConsultaBalancete& params,
                                      int64_t codigoEmpresa) {
  TnParametroConf conf;
  conf.CodigoEmpresa = codigoEmpresa;
  conf.CodigoEstab = params.CodigoEstab;
  conf.DataInicial = params.DataInicial;
  conf.DataFinal = params.DataFinal;
  conf.TipoConsultaBalancete = params.TipoConsultaBalancete;
  conf.QuebrarMovPeriodo = params.QuebrarMovPeriodo;
  conf.GerarCentroCusto = params.GerarCentroCusto;
  conf.ImprimirContaSemSaldo = params.ImpSaldoZero;
  conf.TipoSaldoCtb = params.TipoSaldoCtb;
  conf.RelacionarEstab = params.RelacionarEstab;
  conf.DemonstrarUsuario = params.DemonstrarUsuario;
  conf.DetalharClienteFornecedor = params.DetalharClienteFornecedor;
  conf.GerarMoedaFuncionalEmReais = params.GerarMoedaFuncionalEmReais;
  conf.FiltroLctoAtivo = params.FiltroLctoAtivo;
  conf.CodigoMoeda = params.CodigoMoeda;
  conf.CodigoIdioma = params.CodigoIdioma;
  return conf;
}
