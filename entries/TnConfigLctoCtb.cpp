#include "entries/TnConfigLctoCtb.h"

#include "framework/ctb/TnUtilCtb.h"

namespace nCtbDMLctoCtb_U {

TDateTime DataDe(const Value& valor) {
  return valor.IsNull() ? TDateTime() : DateOf(valor.AsDateTime());
}

}  // namespace nCtbDMLctoCtb_U

using nCtbDMLctoCtb_U::DataDe;

namespace {

bool Sim(const Value& valor) {
  return !valor.IsNull() && valor.AsString() == "1";
}

}  // namespace

TnConfigEmpresaLctoCtb TnConfigEmpresaLctoCtb::DaConfiguracao(
    const std::optional<ValueArray>& itens, int tipoExibeAnterior) {
  TnConfigEmpresaLctoCtb config;
  if (!itens || itens->size() < kCfgQtdItens || (*itens)[kCfgDataInicialExerc].IsNull())
    return config;
  const ValueArray& item = *itens;
  config.DataInicialExerc = DataDe(item[kCfgDataInicialExerc]);
  config.DataFinalExerc = DataDe(item[kCfgDataFinalExerc]);
  config.UsaOrigemLctoCtb = Sim(item[kCfgUtilOrigemLctoCtb]);
  config.UsaNumeroDcto = Sim(item[kCfgUtilNumeroDcto]);
  config.UsaLote = Sim(item[kCfgUtilLote]);
  config.UsaCentroCusto = Sim(item[kCfgUtilCentroCusto]);
  if (config.UsaCentroCusto)
    config.DataInicialCentroCusto = DataDe(item[kCfgInicioUtilCentroCusto]);
  config.UsaDifLancamento = Sim(item[kCfgUtilDifLancamento]);
  const Value& tipoExibe = item[kCfgTipoExibeTituloSaldo];
  config.TipoExibeTituloSaldo =
      !tipoExibe.IsNull() && tipoExibe.AsInteger() >= 0 && tipoExibe.AsInteger() <= 3
          ? static_cast<int>(tipoExibe.AsInteger())
          : tipoExibeAnterior;
  config.UsaUltimosLcto = Sim(item[kCfgUtilUltimosLcto]);
  config.InformaCodigoSyn = Sim(item[kCfgInformaCodigoSyn]);
  return config;
}

void TnCacheConfigLctoCtb::Limpar() {
  Lote.clear();
  Usuario.reset();
  Plano.reset();
  IFRS.reset();
  SPED.reset();
  FCONT.reset();
  LotesDoLote.clear();
}
