#pragma once
// Where the trial balance's parts come from: each operation is the part's
// New followed by Inicializar(conf), so every caller gets a fresh,
// configured object.

#include <memory>

#include "trialbalance/nCtbConsultaBalanceteMovimentoInterfaces_U.h"

class TnConsultaBalanceteMovimentoFactory
    : public IConsultaBalanceteFactory,
      public std::enable_shared_from_this<TnConsultaBalanceteMovimentoFactory> {
 public:
  static std::shared_ptr<IConsultaBalanceteFactory> New();

  std::shared_ptr<IGerarSaldoBalancete> GerarSaldoBalancete(const TnParametroConf& conf) override;
  std::shared_ptr<IDataSetSaldo> DataSetSaldo(const TnParametroConf& conf) override;
  std::shared_ptr<ISaldoPlanoIndividual> GerarSaldoPlanoIndividual(
      const TnParametroConf& conf) override;
};

// A new factory.
std::shared_ptr<IConsultaBalanceteFactory> Factory();
