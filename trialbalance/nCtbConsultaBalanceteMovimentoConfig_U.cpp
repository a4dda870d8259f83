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
