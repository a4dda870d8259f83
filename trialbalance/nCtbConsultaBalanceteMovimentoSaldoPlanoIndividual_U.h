#pragma once
// One balance run for the trial balance: the account balance process
// ("TnCtbDPGerarSaldoCtbIndividual", the shared instance named
// "ConsultaBalancete") or, for values per cost centre, a new managerial
// balance process ("TnCtbDPGerarSaldoGerIndividual"), both created by class
// name and run: the account balance process on its typed parameters, the
// managerial one (another module's) filled by parameter alias. The result is the process's own
// data set, so the object keeps the process until it is destroyed: the
// shared instance is released by name, the managerial one freed.

#include <memory>

#include "trialbalance/nCtbConsultaBalanceteMovimentoInterfaces_U.h"

class TnDMPowerParam;

inline constexpr const char* kClasseGerarSaldoCtb = "TnCtbDPGerarSaldoCtbIndividual";
inline constexpr const char* kClasseGerarSaldoGer = "TnCtbDPGerarSaldoGerIndividual";
inline constexpr const char* kNomeInstanciaConsulta = "ConsultaBalancete";
// The order the trial balance walks a balance data set in.
inline constexpr const char* kIndiceSaldoPlano =
    "CLASSIFCONTA;TIPOCONTA;DESCRCONTA;CONTACTB;DATASALDO;CODIGOESTAB";

class TnCtbConsultaBalanceteMovimentoSaldoPlanoIndividual
    : public ISaldoPlanoIndividual,
      public std::enable_shared_from_this<TnCtbConsultaBalanceteMovimentoSaldoPlanoIndividual> {
 public:
  static std::shared_ptr<ISaldoPlanoIndividual> New();
  ~TnCtbConsultaBalanceteMovimentoSaldoPlanoIndividual() override;

  std::shared_ptr<ISaldoPlanoIndividual> Inicializar(const TnParametroConf& conf) override;
  TnDicionarioDataSetPlano Executar(TDateTime dataInicial, TDateTime dataFinal) override;

 private:
  TnDMPowerParam& ExecutarSaldoGerencial(TDateTime dataInicial, TDateTime dataFinal);
  TnDMPowerParam& ExecutarSaldoContabil(TDateTime dataInicial, TDateTime dataFinal);
  void AddDataSet(TnClientDataSet& dataSet, TDateTime dataInicial);
  void LiberarProcesso();

  TnParametroConf FParam;
  TnDicionarioDataSetPlano FLstDataSetSaldo;
  // The process whose data set FLstDataSetSaldo holds: the managerial one is
  // owned here; the account one is the registry's shared instance.
  std::unique_ptr<TnDMPowerParam> FProcessoGerencial;
  bool FUsaProcessoContabil = false;
};
