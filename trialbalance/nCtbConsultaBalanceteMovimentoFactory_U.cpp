#include "trialbalance/nCtbConsultaBalanceteMovimentoFactory_U.h"

#include "trialbalance/nCtbConsultaBalanceteMovimentoDataSetSaldo_U.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoProcessarSaldo_U.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoSaldoPlanoIndividual_U.h"

std::shared_ptr<IConsultaBalanceteFactory> TnConsultaBalanceteMovimentoFactory::New() {
  return std::make_shared<TnConsultaBalanceteMovimentoFactory>();
}

std::shared_ptr<IGerarSaldoBalancete> TnConsultaBalanceteMovimentoFactory::GerarSaldoBalancete(
    const TnParametroConf& conf) {
  return TnCtbConsultaBalanceteMovimentoProcessarSaldo::New()->Inicializar(conf);
}

std::shared_ptr<IDataSetSaldo> TnConsultaBalanceteMovimentoFactory::DataSetSaldo(
    const TnParametroConf& conf) {
  return TnCtbConsultaBalanceteMovimentoDataSetSaldo::New()->Inicializar(conf);
}

std::shared_ptr<ISaldoPlanoIndividual>
TnConsultaBalanceteMovimentoFactory::GerarSaldoPlanoIndividual(const TnParametroConf& conf) {
  return TnCtbConsultaBalanceteMovimentoSaldoPlanoIndividual::New()->Inicializar(conf);
}

std::shared_ptr<IConsultaBalanceteFactory> Factory() {
  return TnConsultaBalanceteMovimentoFactory::New();
}
