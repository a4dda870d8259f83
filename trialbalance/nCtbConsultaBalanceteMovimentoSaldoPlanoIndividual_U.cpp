#include "trialbalance/nCtbConsultaBalanceteMovimentoSaldoPlanoIndividual_U.h"

#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"
#include "framework/app/Nutilform.h"
#include "framework/app/TnDMPowerParam.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/Nutil.h"

namespace {

// The managerial process takes its dates by alias, as text.
std::string TextoData(TDateTime data) {
  return DateToStr(data);
}

bool FiltroSomenteZeramento(const std::string& filtro) {
  const std::string texto = Nutil::UpperCase(Nutil::Trim(filtro));
  return texto == "ZZ" || texto == "'ZZ'";
}

}  // namespace

std::shared_ptr<ISaldoPlanoIndividual> TnCtbConsultaBalanceteMovimentoSaldoPlanoIndividual::New() {
  return std::make_shared<TnCtbConsultaBalanceteMovimentoSaldoPlanoIndividual>();
}

TnCtbConsultaBalanceteMovimentoSaldoPlanoIndividual::
    ~TnCtbConsultaBalanceteMovimentoSaldoPlanoIndividual() {
  LiberarProcesso();
}

std::shared_ptr<ISaldoPlanoIndividual>
TnCtbConsultaBalanceteMovimentoSaldoPlanoIndividual::Inicializar(const TnParametroConf& conf) {
  FParam = conf;
  return shared_from_this();
}

void TnCtbConsultaBalanceteMovimentoSaldoPlanoIndividual::LiberarProcesso() {
  FLstDataSetSaldo.clear();
  FProcessoGerencial.reset();
  if (FUsaProcessoContabil) {
    FUsaProcessoContabil = false;
    Nutilform::DestruirDM(kClasseGerarSaldoCtb, kNomeInstanciaConsulta);
  }
}

TnDicionarioDataSetPlano TnCtbConsultaBalanceteMovimentoSaldoPlanoIndividual::Executar(
    TDateTime dataInicial, TDateTime dataFinal) {
  LiberarProcesso();
  TnDMPowerParam& processo = FParam.GerarCentroCusto
                                 ? ExecutarSaldoGerencial(dataInicial, dataFinal)
                                 : ExecutarSaldoContabil(dataInicial, dataFinal);
  AddDataSet(processo.nClientDataSet, dataInicial);
  return FLstDataSetSaldo;
}

TnDMPowerParam& TnCtbConsultaBalanceteMovimentoSaldoPlanoIndividual::ExecutarSaldoGerencial(
    TDateTime dataInicial, TDateTime dataFinal) {
  FProcessoGerencial = Nutilform::CriarDMNovo<TnDMPowerParam>(kClasseGerarSaldoGer);
  FProcessoGerencial->ConfigSobDemanda();
  TnDMPowerParam& processo = *FProcessoGerencial;
  processo.Param("pCodigoEmpresa").SetValor(std::to_string(FParam.CodigoEmpresa));
  processo.Param("pCodigoEstab").SetValor(FParam.CodigoEstab);
  // The book too, so that the cost-centre rows count the entries the
  // account rows count.
  processo.Param("pTipoSaldoCtb").SetValor(std::to_string(static_cast<int>(FParam.TipoSaldoCtb)));
  processo.Param("pClassifCentroCusto").SetValor("");
  processo.Param("pContaCtb").SetValor("");
  processo.Param("pClassifContaCtb").SetValor("");
  processo.Param("pDataInicial").SetValor(TextoData(dataInicial));
  processo.Param("pDataFinal").SetValor(TextoData(dataFinal));
  processo.Param("pCodigoMoeda").SetValor(std::to_string(FParam.CodigoMoeda));
  processo.Param("pRelacionarEstab").SetValor(FParam.RelacionarEstab != 0 ? "1" : "0");
  processo.Param("pTipoAgruparData").SetValor(FParam.AgruparPorMes ? "2" : "0");
  processo.Param("pTipoMesclarPlano").SetValor("2");
  processo.Param("pConsiderarFiltroLctoCtb").SetValor("1");
  processo.Param("pFiltroOrigemLcto").SetValor(FParam.FiltroLctoAtivo);
  processo.Param("pListarContasMovimentoZero").SetValor(FParam.ImprimirContaSemSaldo ? "1" : "0");
  processo.Param("pListarCentroSint").SetValor("1");
  processo.Param("pListarSinteticasSemAnaliticas").SetValor("0");
  processo.Param("pListaContaSemRateio").SetValor("1");
  processo.Param("pCodigoIdioma").SetValor(std::to_string(FParam.CodigoIdioma));
  if (FiltroSomenteZeramento(FParam.FiltroLctoAtivo))
    processo.Param("pConsiderarZeramentoGer").SetValor("0");
  processo.Executar();
  return processo;
}

TnDMPowerParam& TnCtbConsultaBalanceteMovimentoSaldoPlanoIndividual::ExecutarSaldoContabil(
    TDateTime dataInicial, TDateTime dataFinal) {
  auto& processo = Nutilform::CriarDM<TnCtbDPGerarSaldoCtbIndividual>(kClasseGerarSaldoCtb,
                                                                      kNomeInstanciaConsulta);
  FUsaProcessoContabil = true;
  // What the trial balance does not decide stays as the process's table
  // holds it.
  TnParamsGerarSaldoCtb params = processo.LerParametros();
  TnParansSaldoCtb& saldo = params.Saldo;
  saldo.CodigoEmpresa = FParam.CodigoEmpresa;
  saldo.CodigoEstab = Nutil::Trim(FParam.CodigoEstab);
  saldo.TipoSaldoCtb = FParam.TipoSaldoCtb;
  saldo.ContaCtb.clear();
  saldo.ClassifConta.clear();
  saldo.DataInicial = DateOf(dataInicial);
  saldo.DataFinal = DateOf(dataFinal);
  saldo.CodigoHistCtb.clear();
  saldo.FiltroLctoAtivo = Nutil::Trim(FParam.FiltroLctoAtivo);
  saldo.RelacionarFilial = FParam.RelacionarEstab != 0;
  saldo.TipoAgrupamento =
      FParam.AgruparPorMes ? TTipoAgrupamento::taMensal : TTipoAgrupamento::taNenhum;
  saldo.TotalizarSintetica = true;
  saldo.ConsiderarFiltroLctoCtb = true;
  saldo.CodigoMoeda = FParam.CodigoMoeda;
  saldo.CodigoIdioma = FParam.CodigoIdioma;
  params.ListarMovimentoZero = FParam.ImprimirContaSemSaldo;
  params.GerarMoedaFuncionalEmReais = FParam.GerarMoedaFuncionalEmReais;
  processo.Executar(params);
  return processo;
}

void TnCtbConsultaBalanceteMovimentoSaldoPlanoIndividual::AddDataSet(TnClientDataSet& dataSet,
                                                                     TDateTime dataInicial) {
  dataSet.SetIndexFieldNames(kIndiceSaldoPlano);
  dataSet.First();
  FLstDataSetSaldo.clear();
  FLstDataSetSaldo.emplace(MontarChaveDataSet(FParam.CodigoEmpresa, dataInicial), &dataSet);
}
