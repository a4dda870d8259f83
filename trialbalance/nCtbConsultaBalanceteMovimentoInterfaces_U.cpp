#include "trialbalance/nCtbConsultaBalanceteMovimentoInterfaces_U.h"

#include <charconv>

#include "framework/core/FormatDateTime.h"
#include "framework/core/Nutil.h"

std::string FormatarPeriodo(TDateTime data) {
  return FormatDateTime("mmyyyy", data);
}

std::string MontarChaveDataSet(const std::string& codigoEmpresa, TDateTime data) {
  return Nutil::Trim(codigoEmpresa) + "|" + FormatarPeriodo(data);
}

int CapturaCodigoEmpresaChave(const std::string& chave) {
  const std::string texto = Nutil::Trim(chave.substr(0, chave.find('|')));
  int valor = 0;
  auto [fim, erro] = std::from_chars(texto.data(), texto.data() + texto.size(), valor);
  if (erro != std::errc() || fim != texto.data() + texto.size())
    return 0;
  return valor;
}

std::string CapturaPeriodoChave(const std::string& chave) {
  const size_t barra = chave.find('|');
  if (barra == std::string::npos)
    return "";
  return chave.substr(barra + 1, 6);
}
