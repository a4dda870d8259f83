#include "trialbalance/nCtbConsultaBalanceteMovimentoInterfaces_U.h"

#include <fmt/format.h>

TMesAno MesDaData(TDateTime data) {
  int ano = 0;
  int mes = 0;
  int dia = 0;
  DecodeDate(data, ano, mes, dia);
  return TMesAno{ano, mes};
}

std::string FormatarPeriodo(TMesAno periodo) {
  return fmt::format("{:02}{:04}", periodo.Mes, periodo.Ano);
}

TChaveDataSet MontarChaveDataSet(int64_t codigoEmpresa, TDateTime data) {
  return TChaveDataSet{codigoEmpresa, MesDaData(data)};
}

int64_t CapturaCodigoEmpresaChave(const TChaveDataSet& chave) {
  return chave.CodigoEmpresa;
}

TMesAno CapturaPeriodoChave(const TChaveDataSet& chave) {
  return chave.Periodo;
}
