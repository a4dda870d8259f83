#include "trialbalance/nCtbConsultaBalanceteMovimentoDataSetSaldo_U.h"

#include "framework/data/ClientDataSet.h"

namespace {

const char* const kIndiceBalancete =
    "ClassifConta;TipoConta;CodigoConta;CodigoEstab;CodigoCentroCusto";

void DefinirPropriedade(TField& field, const std::string& nome, const Value& valor) {
  field.GetDefinicao().SetPropriedade(nome, valor);
  field.GetDefinicao().AddPropriedadeAlterada(nome);
}

void DefinirLabel(TnClientDataSet& dataSet, const std::string& campo, const std::string& label) {
  TField& field = dataSet.FieldByName(campo);
  field.SetDisplayLabel(label);
  DefinirPropriedade(field, "DisplayLabel", label);
}

}  // namespace

std::string GetFieldNamePeriodo(const std::string& prefixo, TDateTime data) {
  return prefixo + FormatarPeriodo(MesDaData(data));
}

bool LinhaComEstilo(const TnClientDataSet& dataSet) {
  const TField* tipo = dataSet.FindField("TipoConta");
  if (tipo == nullptr || !tipo->GetDefinicao().TemPropriedade(kPropEstiloValor))
    return false;
  return tipo->AsString() == tipo->GetDefinicao().Propriedade(kPropEstiloValor).AsString();
}

std::shared_ptr<IDataSetSaldo> TnCtbConsultaBalanceteMovimentoDataSetSaldo::New() {
  return std::make_shared<TnCtbConsultaBalanceteMovimentoDataSetSaldo>();
}

std::shared_ptr<IDataSetSaldo> TnCtbConsultaBalanceteMovimentoDataSetSaldo::Inicializar(
    const TnParametroConf& conf) {
  FParam = conf;
  return shared_from_this();
}

std::unique_ptr<TnClientDataSet> TnCtbConsultaBalanceteMovimentoDataSetSaldo::CriarDataSet() {
  std::unique_ptr<TnClientDataSet> dataSet = CriarDataSetSaldo();
  SetarDefinicaoFields(*dataSet);
  return dataSet;
}

std::unique_ptr<TnClientDataSet> TnCtbConsultaBalanceteMovimentoDataSetSaldo::CriarDataSetSaldo() {
  auto dataSet = std::make_unique<TnClientDataSet>();
  Configurar(*dataSet);
  dataSet->CreateDataSet();
  dataSet->SetLogChanges(false);
  dataSet->SetIndexFieldNames(kIndiceBalancete);
  return dataSet;
}

void TnCtbConsultaBalanceteMovimentoDataSetSaldo::Configurar(TnClientDataSet& dataSet) {
  dataSet.AddField("Ordem", TFieldType::ftInteger);
  dataSet.AddField("Filtros", TFieldType::ftString, 500);
  dataSet.AddField("CodigoEstab", TFieldType::ftFloat);
  dataSet.AddField("Filial", TFieldType::ftString, 10);
  dataSet.AddField("RelacionarFilial", TFieldType::ftInteger);
  dataSet.AddField("CodigoConta", TFieldType::ftInteger);
  dataSet.AddField("TipoConta", TFieldType::ftString, 10);
  dataSet.AddField("ClassifConta", TFieldType::ftString, 50);
  dataSet.AddField("DescrConta", TFieldType::ftString, 500);
  dataSet.AddField("CodigoCentroCusto", TFieldType::ftInteger);
  dataSet.AddField("DescrCentroCusto", TFieldType::ftString, 50);
  dataSet.AddField("SaldoAnterior", TFieldType::ftFloat);
  ConfigurarVariableFields(dataSet);
  dataSet.AddField("SaldoAtual", TFieldType::ftFloat);
}

void TnCtbConsultaBalanceteMovimentoDataSetSaldo::ConfigurarVariableFields(
    TnClientDataSet& dataSet) {
  if (!FParam.QuebrarMovPeriodo) {
    for (const char* campo : {"DEBITO", "CREDITO", "MOVIMENTO"})
      dataSet.AddField(campo, TFieldType::ftFloat);
    return;
  }
  for (TDateTime mes : MesesDoPeriodo(FParam)) {
    for (const char* prefixo : {"DEBITO", "CREDITO", "MOVIMENTO"})
      dataSet.AddField(GetFieldNamePeriodo(prefixo, mes), TFieldType::ftFloat);
  }
}

std::vector<std::string> TnCtbConsultaBalanceteMovimentoDataSetSaldo::CamposValor(
    const std::string& prefixo) const {
  if (!FParam.QuebrarMovPeriodo)
    return {prefixo};
  std::vector<std::string> campos;
  for (TDateTime mes : MesesDoPeriodo(FParam))
    campos.push_back(GetFieldNamePeriodo(prefixo, mes));
  return campos;
}

void TnCtbConsultaBalanceteMovimentoDataSetSaldo::SetarDefinicaoFields(TnClientDataSet& dataSet) {
  ConfigurarDisplayLabel(dataSet);
  ConfigurarVisible(dataSet);
  ConfigurarDisplayText(dataSet);
  ConfigurarStyles(dataSet);
}

void TnCtbConsultaBalanceteMovimentoDataSetSaldo::ConfigurarDisplayLabel(TnClientDataSet& dataSet) {
  DefinirLabel(dataSet, "Filial", "Filial");
  DefinirLabel(dataSet, "CodigoConta", "Conta Contábil");
  DefinirLabel(dataSet, "TipoConta", "S/A");
  DefinirLabel(dataSet, "ClassifConta", "Classificação Conta");
  DefinirLabel(dataSet, "DescrConta", "Descrição");
  DefinirLabel(dataSet, "CodigoCentroCusto", "Centro de Custo");
  DefinirLabel(dataSet, "DescrCentroCusto", "Descrição");
  DefinirLabel(dataSet, "SaldoAnterior", "Saldo Anterior");
  DefinirLabel(dataSet, "SaldoAtual", "Saldo Atual");
  for (const auto& [prefixo, label] :
       {std::pair{"DEBITO", "Débito"}, std::pair{"CREDITO", "Crédito"},
        std::pair{"MOVIMENTO", "Movimento"}}) {
    for (const std::string& campo : CamposValor(prefixo))
      DefinirLabel(dataSet, campo, label);
  }
}

void TnCtbConsultaBalanceteMovimentoDataSetSaldo::ConfigurarVisible(TnClientDataSet& dataSet) {
  for (const char* campo : {"Ordem", "Filtros", "CodigoEstab", "RelacionarFilial"})
    dataSet.FieldByName(campo).SetVisible(false);
  const bool mostraMovimento =
      FParam.TipoConsultaBalancete != TnTipoConsultaBalancete::tpConDebCred;
  const bool mostraDebCred = FParam.TipoConsultaBalancete != TnTipoConsultaBalancete::tpConMov;
  for (const std::string& campo : CamposValor("MOVIMENTO"))
    dataSet.FieldByName(campo).SetVisible(mostraMovimento);
  for (const char* prefixo : {"DEBITO", "CREDITO"}) {
    for (const std::string& campo : CamposValor(prefixo))
      dataSet.FieldByName(campo).SetVisible(mostraDebCred);
  }
}

void TnCtbConsultaBalanceteMovimentoDataSetSaldo::ConfigurarDisplayText(TnClientDataSet& dataSet) {
  std::vector<std::string> campos = {"SaldoAnterior", "SaldoAtual"};
  for (const char* prefixo : {"DEBITO", "CREDITO", "MOVIMENTO"}) {
    for (std::string& campo : CamposValor(prefixo))
      campos.push_back(std::move(campo));
  }
  for (const std::string& campo : campos) {
    TField& field = dataSet.FieldByName(campo);
    field.SetDisplayFormat(kFormatoValorBalancete);
    DefinirPropriedade(field, "DisplayFormat", kFormatoValorBalancete);
  }
}

void TnCtbConsultaBalanceteMovimentoDataSetSaldo::ConfigurarStyles(TnClientDataSet& dataSet) {
  TField& tipo = dataSet.FieldByName("TipoConta");
  DefinirPropriedade(tipo, kPropEstiloValor, "S");
  DefinirPropriedade(tipo, kPropEstiloCorFundo, kCorFundoSintetica);
  DefinirPropriedade(tipo, kPropEstiloCorFonte, kCorFonteDefault);
  DefinirPropriedade(tipo, kPropEstiloNegrito, true);
  DefinirPropriedade(tipo, kPropEstiloAltura, -11);
  DefinirPropriedade(tipo, kPropEstiloFonte, "Tahoma");
  DefinirPropriedade(tipo, kPropEstiloAplicarLinha, true);
}
