#include "trialbalance/nCtbConsultaBalanceteMovimentoInterfaces_U.h"

#include "framework/core/FormatDateTime.h"

std::string FormatarPeriodo(TDateTime data) {
  return FormatDateTime("mmyyyy", data);
}

TChaveDataSet MontarChaveDataSet(int64_t codigoEmpresa, TDateTime data) {
  return TChaveDataSet{codigoEmpresa, FormatarPeriodo(data)};
}

int64_t CapturaCodigoEmpresaChave(const TChaveDataSet& chave) {
  return chave.CodigoEmpresa;
}

const std::string& CapturaPeriodoChave(const TChaveDataSet& chave) {
  return chave.Periodo;
}
