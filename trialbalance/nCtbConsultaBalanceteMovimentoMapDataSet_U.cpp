#include "trialbalance/nCtbConsultaBalanceteMovimentoMapDataSet_U.h"

Nfieldmapper_u::TFieldBindings TMapCdsSaldoPlano::Bindings() {
  return {
      {"CODIGOESTAB", &CodigoEstab},
      {"FILIAL", &Filial, true},
      {"SINTFILIAL", &SintFilial, true},
      {"CODIGOCENTROCUSTO", &CodigoCentroCusto, true},
      {"CONTACTB", &ContaCtb},
      {"TIPOCONTA", &TipoConta},
      {"CLASSIFCONTA", &ClassifConta},
      {"DATASALDO", &DataSaldo},
      {"DESCRCONTA", &DescrConta},
      {"SALDOANTERIOR", &SaldoAnterior},
      {"DEBITO", &Debito},
      {"CREDITO", &Credito},
      {"MOVIMENTO", &Movimento},
      {"SALDOATUAL", &SaldoAtual},
      {"SEMSALDOMOV", &SemSaldoMov},
  };
}

void TMapCdsSaldoPlano::Mapear(const TnClientDataSet& dataSet) {
  Nfieldmapper_u::FieldMapper::MapearFields(dataSet, *this);
}
