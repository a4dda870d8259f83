#include "posting/Npowerpinserelctoctb_u.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <charconv>

#include "entries/nCtbDMLctoCtb_U.h"
#include "framework/app/Ndialogs.h"
#include "framework/app/Nutilform.h"
#include "framework/app/TnSelecao.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/ctb/Nctbsfuncoes.h"
#include "framework/ctb/nCtbSMensagens.h"
#include "framework/db/NutilSql.h"
#include "framework/db/Nutilexception.h"
#include "framework/db/Nutilsequence.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"
#include "managerial/nCtbDMLctoGer_U.h"

namespace {

constexpr const char* kSelecaoLcto = "CodigoEmpresa;DataLctoCtb_MAIORIGUAL;DataLctoCtb_MENORIGUAL";
constexpr int kOrigemDigitado = 2;

// The text of a value as a parameter holds it; null for an empty one.
Value TextoOuNulo(const Value& valor) {
  if (valor.IsNull() ||
      (valor.Type() == TValueType::String && Nutil::Trim(valor.AsString()).empty()))
    return Value();
  return valor;
}

template <class T>
bool ParaInteiro(const Value& valor, T& numero) {
  if (valor.Type() == TValueType::Integer) {
    numero = static_cast<T>(valor.AsInteger());
    return static_cast<int64_t>(numero) == valor.AsInteger();
  }
  if (valor.Type() != TValueType::String)
    return false;
  const std::string texto = Nutil::Trim(valor.AsString());
  const char* inicio = texto.data() + (texto.rfind('+', 0) == 0 ? 1 : 0);
  const char* fim = texto.data() + texto.size();
  const auto [ptr, erro] = std::from_chars(inicio, fim, numero);
  return erro == std::errc() && ptr == fim && inicio != fim;
}

std::string Texto(const Value& valor) {
  return valor.IsNull() ? std::string() : valor.AsString();
}

[[noreturn]] void Recusar(const char* tipo, const Value& valor) {
  throw Exception(
      fmt::format("O parâmetro '{}' não pode ser convertido para {}!", Texto(valor), tipo));
}

template <class T>
std::optional<int64_t> ConverteInteiro(const Value& valor) {
  if (TextoOuNulo(valor).IsNull())
    return std::nullopt;
  T numero = 0;
  if (!ParaInteiro(valor, numero))
    Recusar("inteiro", valor);
  return numero;
}

}  // namespace

TnPowerPInsereLctoCtb::TnPowerPInsereLctoCtb() {
  npqPowerParam.Add(kParamEmpresa, "Empresa", TTipoParam::tpInteiro, "", true);
  cdsLctoCtbErroPK.AddField("CodigoEmpresa", TFieldType::ftLargeint);
  cdsLctoCtbErroPK.AddField("ChaveLctoCtb", TFieldType::ftLargeint);
  cdsLctoCtbErroPK.AddField("ChaveLctoCtbNovo", TFieldType::ftLargeint);
  cdsLctoCtbErroPK.CreateDataSet();
  cdsLctoCtbErroPK.SetIndexFieldNames("CodigoEmpresa;ChaveLctoCtb");
}

TnPowerPInsereLctoCtb::~TnPowerPInsereLctoCtb() = default;

int64_t TnPowerPInsereLctoCtb::CodigoEmpresa() {
  return Param(kParamEmpresa).AsInteger();
}

// ---- The run ----

void TnPowerPInsereLctoCtb::Executar() {
  TnDMPowerParam::Executar();
  FErro.clear();
  FInseridos.clear();
  cdsLctoCtbErroPK.EmptyDataSet();
  TnDMConexao& conexao = Conexao();
  conexao.StartTransaction();
  try {
    ExecutarInterno();
    conexao.Commit();
  } catch (const std::exception& erro) {
    FErro = erro.what();
    if (conexao.InTransaction())
      conexao.RollBack();
    Esvaziar();
    FInseridos.clear();
    cdsLctoCtbErroPK.EmptyDataSet();
    Ndialogs::nMessageDlg(std::string(kMsgNenhumLancamento) + "\n\n\n\n" + FErro,
                          TMsgDlgType::mtError, BotoesOk());
    return;
  }
  Ndialogs::nMessageDlg(kMsgFinalizada, TMsgDlgType::mtInformation, BotoesOk());
}

void TnPowerPInsereLctoCtb::ExecutarInterno() {
  if (FAoExecutar)
    FAoExecutar();
}

std::vector<TnChaveTrocada> TnPowerPInsereLctoCtb::ChavesTrocadas() {
  std::vector<TnChaveTrocada> trocas;
  for (cdsLctoCtbErroPK.First(); !cdsLctoCtbErroPK.Eof(); cdsLctoCtbErroPK.Next())
    trocas.push_back({cdsLctoCtbErroPK.FieldByName("CodigoEmpresa").AsInteger(),
                      cdsLctoCtbErroPK.FieldByName("ChaveLctoCtb").AsInteger(),
                      cdsLctoCtbErroPK.FieldByName("ChaveLctoCtbNovo").AsInteger()});
  return trocas;
}

// ---- Arguments ----

Value TnPowerPInsereLctoCtb::VerificaParametro(const Value& argumento) {
  if (argumento.Type() != TValueType::String)
    return argumento;
  if (TnpqParamItem* item = npqPowerParam.ParamUnCheck(Nutil::Trim(argumento.AsString())))
    return TextoOuNulo(Value(item->AsString()));
  return argumento;
}

std::optional<int64_t> TnPowerPInsereLctoCtb::ConverteParamInteiro(const Value& valor) {
  return ConverteInteiro<int32_t>(valor);
}

std::optional<int64_t> TnPowerPInsereLctoCtb::ConverteParamInteiro64(const Value& valor) {
  return ConverteInteiro<int64_t>(valor);
}

double TnPowerPInsereLctoCtb::ConverteParamNumerico(const Value& valor) {
  if (TextoOuNulo(valor).IsNull())
    return 0;
  if (valor.IsNumeric())
    return valor.AsFloat();
  if (valor.Type() == TValueType::String) {
    // A decimal comma, as people here write it, or a dot.
    std::string texto = Nutil::Trim(valor.AsString());
    std::replace(texto.begin(), texto.end(), ',', '.');
    double numero = 0;
    const auto [ptr, erro] = std::from_chars(texto.data(), texto.data() + texto.size(), numero);
    if (erro == std::errc() && ptr == texto.data() + texto.size())
      return numero;
  }
  Recusar("numérico", valor);
}

Currency TnPowerPInsereLctoCtb::ConverteParamValor(const Value& valor) {
  if (valor.Type() != TValueType::String)
    return Currency::FromDouble(ConverteParamNumerico(valor));
  std::string texto = Nutil::Trim(valor.AsString());
  if (texto.empty())
    return Currency();
  std::replace(texto.begin(), texto.end(), ',', '.');
  try {
    return Currency::FromString(texto);
  } catch (const EConvertError&) {
    Recusar("numérico", valor);
  }
}

std::string TnPowerPInsereLctoCtb::ConverteParamCaracter(const Value& valor) {
  if (valor.IsNull())
    return {};
  if (valor.Type() == TValueType::Boolean)
    Recusar("caracter", valor);
  return valor.AsString();
}

TDateTime TnPowerPInsereLctoCtb::ConverteParamData(const Value& valor) {
  if (valor.Type() == TValueType::DateTime)
    return valor.AsDateTime();
  if (valor.Type() == TValueType::String)
    if (std::optional<TDateTime> data = ParseDate(Nutil::Trim(valor.AsString())))
      return *data;
  Recusar("data", valor);
}

int64_t TnPowerPInsereLctoCtb::InserirLcto(const TArgumentos& argumentos) {
  TArgumentos valores;
  std::transform(argumentos.begin(), argumentos.end(), valores.begin(),
                 [this](const Value& argumento) { return VerificaParametro(argumento); });
  // A script leaves a code out with nil, "" or -1.
  const auto codigo = [](std::optional<int64_t> numero) {
    return numero == -1 ? std::nullopt : numero;
  };
  TnDadosLctoScript dados;
  dados.CodigoEstab = codigo(ConverteParamInteiro(valores[0]));
  dados.CodigoLoteCtb = codigo(ConverteParamInteiro(valores[1]));
  dados.NumeroDcto = ConverteParamCaracter(valores[2]);
  dados.DataLctoCtb = ConverteParamData(valores[3]);
  dados.CodigoOrigLctoCtb = ConverteParamCaracter(valores[4]);
  dados.CodigoHistCtb = codigo(ConverteParamInteiro(valores[5]));
  dados.ComplHist = ConverteParamCaracter(valores[6]);
  dados.ContaCtbDeb = codigo(ConverteParamInteiro64(valores[7]));
  dados.ContaCtbCred = codigo(ConverteParamInteiro64(valores[8]));
  dados.ValorLctoCtb = ConverteParamValor(valores[9]);
  return ExecutaInsercao(dados);
}

// ---- Parameter helpers ----

int64_t TnPowerPInsereLctoCtb::ContaDoTexto(const std::string& texto) {
  const std::string conta = Nutil::Trim(texto);
  int64_t numero = 0;
  if (ParaInteiro(Value(conta), numero))
    return numero;
  const int64_t empresa = Param(kParamEmpresa).AsInteger();
  if (empresa <= 0)
    throw Exception("Campo/Valor para empresa não encontrado");
  // A classification names its account; the part before a blank is the
  // classification of a text copied from the chart ("1.1.01.001 Caixa").
  const std::string classificacao = conta.substr(0, conta.find(' '));
  const Value codigo = Conexao().ExecuteScalar(
      "select min(CONTACTB) from PLANOESPEC where CODIGOEMPRESA = :pEmpresa and "
      "trim(CLASSIFCONTA) = :pClassif",
      {{"pEmpresa", Value(empresa)}, {"pClassif", Value(classificacao)}});
  if (!codigo.IsNull())
    return codigo.AsInteger();
  const std::string apelido = Nctbsfuncoes::ProcurarApelido(Conexao(), empresa, {}, conta);
  if (apelido.empty())
    throw Exception(nCtbSApelidoInexistente);
  return std::stoll(apelido);
}

std::string TnPowerPInsereLctoCtb::DescricaoHistorico(const Value& codigo) {
  int64_t numero = 0;
  if (!ParaInteiro(codigo.Type() == TValueType::String ? codigo : Value(Texto(codigo)), numero))
    return {};
  TnDMSQLDataSet sql(&Conexao());
  return Texto(sql.PegarValorCampo("HISTORICOCTB", "DESCRHISTCTB",
                                   "CODIGOHISTCTB = " + Nutil::ValorParaSQL(Value(numero))));
}

// ---- Custom apportionment ----

void TnPowerPInsereLctoCtb::ConfigurarRateio(int64_t codigoCentroCusto, TTaxaFixa percentual) {
  FCCustoPerc.push_back({codigoCentroCusto, percentual});
}

void TnPowerPInsereLctoCtb::VerificaSomaPercentuais() const {
  TTaxaFixa soma;
  for (const TRateio& rateio : FCCustoPerc)
    soma += rateio.Percentual;
  // Compared in hundredths of a percent, so 33.33 + 33.33 + 33.34 is 100.
  const TTaxaFixa centesimos = soma.Rounded(2, TRoundMode::HalfEven);
  if (centesimos < TTaxaFixa::FromRaw(TTaxaFixa::kScale / 100) || centesimos > TTaxaFixa(100))
    throw Exception(nCtbSRatCenCustoValPerc);
}

// ---- One insertion ----

TnCtbDMLctoCtb& TnPowerPInsereLctoCtb::DMLctoCtb() {
  if (!FDMLctoCtb) {
    auto modulo = Nutilform::CriarDMNovo<TnCtbDMLctoCtb>(TnCtbDMLctoCtb::kClassName);
    modulo->SetConexao(&Conexao());
    modulo->SetIgnorarLookup(true);
    modulo->SetImportacao(true);
    modulo->SetTemTela(false);
    modulo->SetAplicarAoGravar(false);
    modulo->SetPodeConfigurarVisual(false);
    modulo->SetVerificaSelecaoManual(kSelecaoLcto);
    modulo->ConfigSobDemanda();
    modulo->Configurar(nullptr);
    // Inserting only: none of the stored entries is loaded.
    modulo->SetCarregarDetalhesDinamicamente(true);
    // A duplicate key is the process's to settle; any other failure stays
    // the module's.
    modulo->nClientDataSet.OnReconcileError = [this,
                                               anterior = modulo->nClientDataSet.OnReconcileError](
                                                  TnClientDataSet& ds, const std::string& mensagem,
                                                  TUpdateKind kind, TReconcileAction& action) {
      if (kind != TUpdateKind::ukInsert || Nutilexception::ErroBancoAtual() != 1 ||
          !DoClientDataSetReconcileErrorCTB(action))
        anterior(ds, mensagem, kind, action);
    };
    FDMLctoCtb = std::move(modulo);
  }
  if (!FDMLctoCtb->nClientDataSet.Active()) {
    TnSelecao selecao;
    selecao.SetParam(kSelCodigoEmpresa, Value(CodigoEmpresa()));
    selecao.SetParam(kSelDataInicial, Value(EncodeDate(1900, 1, 1)));
    selecao.SetParam(kSelDataFinal, Value(EncodeDate(9999, 12, 31)));
    FDMLctoCtb->Abrir(&selecao);
  }
  return *FDMLctoCtb;
}

TnCtbDMLctoGer& TnPowerPInsereLctoCtb::DMLctoGer() {
  if (!FDMLctoGer) {
    auto modulo = Nutilform::CriarDMNovo<TnCtbDMLctoGer>(TnCtbDMLctoGer::kClassName);
    modulo->SetConexao(&Conexao());
    modulo->SetIgnorarLookup(true);
    modulo->SetImportacao(true);
    modulo->SetApplyUpdatesManual(true);
    modulo->SetVerificaSelecaoManual("CodigoEmpresa");
    modulo->ConfigSobDemanda();
    modulo->SetCarregarDetalhesDinamicamente(true);
    FDMLctoGer = std::move(modulo);
  }
  if (!FDMLctoGer->nClientDataSet.Active())
    FDMLctoGer->Abrir(&DMLctoCtb().Selecao());
  return *FDMLctoGer;
}

int64_t TnPowerPInsereLctoCtb::ExecutaInsercao(const TnDadosLctoScript& dados) {
  TnCtbDMLctoCtb& lancamentos = DMLctoCtb();
  lancamentos.LimparUltimoErro();
  lancamentos.SetPodeLancarGerencial(FLancGerencialAuto);
  lancamentos.SetApplyUpdatesManual(true);
  if (!FLancGerencialAuto)
    VerificaSomaPercentuais();
  try {
    PreencherLinha(dados);
    lancamentos.nClientDataSet.Post();
    InserirRateioPersonalizado(dados);
    Gravar();
  } catch (...) {
    Esvaziar();
    throw;
  }
  Esvaziar();
  return FInseridos.back().ChaveLctoCtb;
}

void TnPowerPInsereLctoCtb::PreencherLinha(const TnDadosLctoScript& dados) {
  TnClientDataSet& cds = FDMLctoCtb->nClientDataSet;
  if (cds.State() == TDataSetState::dsEdit)
    cds.Cancel();
  if (cds.State() != TDataSetState::dsInsert)
    cds.Append();
  TField& empresa = cds.FieldByName("CODIGOEMPRESA");
  if (empresa.IsNull())
    empresa.SetAsInteger(CodigoEmpresa());
  FChaveNova = Nutilsequence::ProximaChaveLctoCtb(Conexao(), empresa.AsInteger());
  cds.FieldByName("CHAVELCTOCTB").SetAsInteger(FChaveNova);
  cds.FieldByName("DATALCTOCTB").SetValue(Value(DateOf(dados.DataLctoCtb)));
  cds.FieldByName("VALORLCTOCTB").SetAsCurrency(dados.ValorLctoCtb);
  const auto inteiro = [&](const char* campo, std::optional<int64_t> valor) {
    if (valor)
      cds.FieldByName(campo).SetValue(Value(*valor));
  };
  const auto texto = [&](const char* campo, const std::string& valor) {
    if (!valor.empty())
      cds.FieldByName(campo).SetValue(Value(valor));
  };
  inteiro("CODIGOESTAB", dados.CodigoEstab);
  inteiro("CODIGOLOTECTB", dados.CodigoLoteCtb);
  texto("NUMERODCTO", dados.NumeroDcto);
  texto("CODIGOORIGLCTOCTB", dados.CodigoOrigLctoCtb);
  inteiro("CODIGOHISTCTB", dados.CodigoHistCtb);
  texto("COMPLHIST", dados.ComplHist);
  inteiro("CONTACTBDEB", dados.ContaCtbDeb);
  inteiro("CONTACTBCRED", dados.ContaCtbCred);
}

void TnPowerPInsereLctoCtb::InserirRateioPersonalizado(const TnDadosLctoScript& dados) {
  if (!FDMLctoCtb->Config().Empresa.UsaCentroCusto || FLancGerencialAuto || FCCustoPerc.empty())
    return;
  TnCtbDMLctoGer& gerencial = DMLctoGer();
  gerencial.LimparUltimoErro();
  const int64_t empresa = FDMLctoCtb->nClientDataSet.FieldByName("CODIGOEMPRESA").AsInteger();
  for (const auto& [natureza, conta] :
       {std::pair{1, dados.ContaCtbDeb}, {-1, dados.ContaCtbCred}}) {
    if (!conta)
      continue;
    for (const TRateio& rateio : FCCustoPerc)
      gerencial.InserirLctoGer(
          empresa, FChaveNova, rateio.CodigoCentroCusto, natureza, *conta, dados.DataLctoCtb,
          TParteExata(dados.ValorLctoCtb, rateio.Percentual).Centavos(TRoundMode::HalfEven),
          kOrigemDigitado);
  }
}

void TnPowerPInsereLctoCtb::Gravar() {
  TnCtbDMLctoCtb& lancamentos = *FDMLctoCtb;
  TnClientDataSet& cds = lancamentos.nClientDataSet;
  const int64_t empresa = cds.FieldByName("CODIGOEMPRESA").AsInteger();
  const TDateTime data = cds.FieldByName("DATALCTOCTB").AsDateTime();
  const Currency valor = cds.FieldByName("VALORLCTOCTB").AsCurrency();
  try {
    lancamentos.AplicarAtualizacoes();
    if (lancamentos.Config().Empresa.UsaCentroCusto && FLancGerencialAuto)
      GravarGerencial(lancamentos.GetDMLctoGer());
    if (FDMLctoGer)
      GravarGerencial(*FDMLctoGer);
  } catch (const std::exception& erro) {
    std::string mensagem = erro.what();
    std::replace(mensagem.begin(), mensagem.end(), '\n', ' ');
    Msg(TTipoMensagem::tmErro, mensagem);
    std::string texto = "Erro no LANÇAMENTO: " + lancamentos.UltimoErro();
    if (FDMLctoGer && !FDMLctoGer->UltimoErro().empty())
      texto += "\n\nErro GERENCIAL: " + FDMLctoGer->UltimoErro();
    if (lancamentos.UltimoErro().empty() && (!FDMLctoGer || FDMLctoGer->UltimoErro().empty()))
      texto = "Erro no LANÇAMENTO: " + mensagem;
    throw Exception(texto);
  }
  FInseridos.push_back({ChaveFinal(empresa, FChaveNova), data, valor});
}

void TnPowerPInsereLctoCtb::GravarGerencial(TnCtbDMLctoGer& gerencial) {
  LigarChavesGerencial(gerencial);
  gerencial.AplicarAtualizacoesGerenciais();
}

void TnPowerPInsereLctoCtb::Esvaziar() {
  if (FDMLctoGer)
    FDMLctoGer->DescartarPendentes();
  if (FDMLctoCtb) {
    FDMLctoCtb->DescartarPendentes();
    FDMLctoCtb->DescartarSplitsPendentes();
  }
}

// ---- Keys replaced while writing ----

int64_t TnPowerPInsereLctoCtb::ChaveFinal(int64_t codigoEmpresa, int64_t chave) {
  if (cdsLctoCtbErroPK.FindKey({Value(codigoEmpresa), Value(chave)}))
    return cdsLctoCtbErroPK.FieldByName("ChaveLctoCtbNovo").AsInteger();
  return chave;
}

bool TnPowerPInsereLctoCtb::DoClientDataSetReconcileErrorCTB(TReconcileAction& action) {
  TnDataSetProvider& provider = FDMLctoCtb->nDataSetProvider;
  TnDelta* delta = provider.DeltaEmReconciliacao();
  if (delta == nullptr)
    return false;
  const size_t registro = provider.RegistroEmReconciliacao();
  const TnClientDataSet& cds = FDMLctoCtb->nClientDataSet;
  const int64_t empresa = delta->NewValue(registro, cds.FieldByName("CODIGOEMPRESA")).AsInteger();
  const int64_t antiga = delta->NewValue(registro, cds.FieldByName("CHAVELCTOCTB")).AsInteger();
  const int64_t nova = Nutilsequence::ProximaChaveLctoCtb(Conexao(), empresa);
  provider.SetNewValue("CHAVELCTOCTB", Value(nova));
  action = TReconcileAction::raCorrect;
  if (cdsLctoCtbErroPK.FindKey({Value(empresa), Value(antiga)})) {
    cdsLctoCtbErroPK.Edit();
  } else {
    cdsLctoCtbErroPK.Append();
    cdsLctoCtbErroPK.FieldByName("CodigoEmpresa").SetAsInteger(empresa);
    cdsLctoCtbErroPK.FieldByName("ChaveLctoCtb").SetAsInteger(antiga);
  }
  cdsLctoCtbErroPK.FieldByName("ChaveLctoCtbNovo").SetAsInteger(nova);
  cdsLctoCtbErroPK.Post();
  return true;
}

void TnPowerPInsereLctoCtb::DoDataSetProviderBeforeUpdateRecordGER(TnDelta& delta, size_t record) {
  const TnClientDataSet& cds = delta.DataSet();
  const TField& chave = cds.FieldByName("CHAVELCTOCTB");
  const int64_t empresa = delta.NewValue(record, cds.FieldByName("CODIGOEMPRESA")).AsInteger();
  const int64_t antiga = delta.NewValue(record, chave).AsInteger();
  const int64_t nova = ChaveFinal(empresa, antiga);
  if (nova != antiga)
    delta.SetNewValue(record, chave, Value(nova));
}

void TnPowerPInsereLctoCtb::LigarChavesGerencial(TnCtbDMLctoGer& gerencial) {
  if (std::find(FGerenciaisLigados.begin(), FGerenciaisLigados.end(), &gerencial) !=
      FGerenciaisLigados.end())
    return;
  FGerenciaisLigados.push_back(&gerencial);
  auto anterior = gerencial.nDataSetProvider.BeforeUpdateRecord;
  gerencial.nDataSetProvider.BeforeUpdateRecord =
      [this, anterior](TnDataSetProvider& sender, TnSQLDataSet* sourceDS, TnDelta& delta,
                       size_t record, TUpdateKind updateKind, bool& applied) {
        if (anterior)
          anterior(sender, sourceDS, delta, record, updateKind, applied);
        if (updateKind == TUpdateKind::ukInsert)
          DoDataSetProviderBeforeUpdateRecordGER(delta, record);
      };
}
