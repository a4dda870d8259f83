// The web client's questions about an entry being keyed, asked of either
// screen's module by name.
#include "entries/nCtbDMLctoCtbBase_U.h"
#include "framework/db/NutilSql.h"
#include "framework/db/TnDMSQLDataSet.h"

bool TnCtbDMLctoCtbBase::HabilitarDetalhesCloudAjax(int64_t codigoEmpresa) {
  TnDMSQLDataSet sql(&Conexao());
  const Value controle =
      sql.PegarValorCampo("OPCAOIFRS", "CTRLAATIVIDADE",
                          "CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(codigoEmpresa)));
  return !controle.IsNull() && controle.AsInteger() > 0;
}

bool TnCtbDMLctoCtbBase::HabilitarCreditoDebitoDetalheCloudAjax(int64_t conta) {
  return VerificarHabilitarDetalhesCloud(conta);
}

nlohmann::ordered_json TnCtbDMLctoCtbBase::VerificaAbreGerCloudAjax(int64_t codigoEmpresa,
                                                                    int64_t contaDeb,
                                                                    int64_t contaCred,
                                                                    TDateTime data) {
  nlohmann::ordered_json abre = {{"AbreDebito", false}, {"AbreCredito", false}};
  ControleCTB().SetCodigoEmpresa(codigoEmpresa);
  const std::optional<ValueArray>& config = ControleCTB().GetCFGEmpresaCtb();
  if (!config || config->size() <= kCfgUtilCentroCusto || (*config)[kCfgUtilCentroCusto].IsNull() ||
      (*config)[kCfgUtilCentroCusto].AsString() != "1")
    return abre;
  PegarConfigEmpresa();
  const auto abrir = [&](int64_t conta) {
    return VerificarContaRateio(codigoEmpresa, Value(conta), data) &&
           VerificarPorcentContaRateio(codigoEmpresa, conta) != 100;
  };
  abre["AbreDebito"] = abrir(contaDeb);
  abre["AbreCredito"] = abrir(contaCred);
  return abre;
}
