#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"

#include <fmt/format.h>

#include <cstdint>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

#include "balances/nCtbRepositorioSaldoCtbMoedaFuncional_U.h"
#include "balances/nCtbRepositorioSaldoCtbMoeda_U.h"
#include "balances/nCtbRepositorioSaldoCtb_U.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/Nrwutilapp.h"
#include "framework/core/Nutil.h"
#include "framework/core/Nutilinclusao.h"
#include "framework/ctb/Nctbsfuncoes_u.h"
#include "framework/ctb/TnUtilCotacao.h"
#include "framework/ctb/TnUtilCtb.h"
#include "framework/ctb/TnUtilOpcoesCtb.h"
#include "framework/data/Nutildb.h"
#include "framework/data/Nutilvariants.h"
#include "framework/db/NutilSql.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnSessao.h"

namespace {

const char* const kIndiceConta = "CONTACTB;CODIGOESTAB;DATASALDO";
const char* const kAmounts[] = {"SALDOANTERIOR", "DEBITO", "CREDITO", "MOVIMENTO", "SALDOATUAL"};

Currency Moeda(const TField* field) {
  return field == nullptr || field->IsNull() ? Currency() : field->AsCurrency();
}

Currency Arredondar(Currency valor) {
  return Nutil::RoundValor(valor, 2);
}

// The five amounts of a row, in the order of kAmounts.
struct TValores {
  Currency V[5];
  void Somar(const TValores& outro, int sinal = 1) {
    for (int i = 0; i < 5; ++i)
      V[i] += sinal > 0 ? outro.V[i] : -outro.V[i];
  }
  bool Zero() const {
    for (const Currency& c : V)
      if (c != Currency())
        return false;
    return true;
  }
};

struct TCamposValores {
  TField* F[5] = {};
  explicit TCamposValores(const TnClientDataSet& ds) {
    for (int i = 0; i < 5; ++i)
      F[i] = &ds.FieldByName(kAmounts[i]);
  }
  TValores Ler() const {
    TValores v;
    for (int i = 0; i < 5; ++i)
      v.V[i] = Moeda(F[i]);
    return v;
  }
  void Escrever(const TValores& v) const {
    for (int i = 0; i < 5; ++i)
      F[i]->SetAsCurrency(v.V[i]);
  }
};

}  // namespace

TnCtbDPGerarSaldoCtbIndividual::TnCtbDPGerarSaldoCtbIndividual() {
  CriarParametros();
  CriarCamposResultado(nClientDataSet);
  nClientDataSet.AddIndex("DEFAULT_ORDER", kIndiceConta);
  nClientDataSet.AddIndex("CHANGEINDEX", kIndiceConta);
  nClientDataSet.CreateDataSet();
  nClientDataSet.SetLogChanges(false);
}

TnCtbDPGerarSaldoCtbIndividual::~TnCtbDPGerarSaldoCtbIndividual() {
  // The worker uses this object's members: it must finish before they go.
  AguardarParalelo();
}

void TnCtbDPGerarSaldoCtbIndividual::CriarParametros() {
  auto& p = npqPowerParam;
  p.Add("pTipoSaldoCtb", "Tipo Saldo Contábil", TTipoParam::tpCombo, "0", true)
      .SetItens("Societário=0;Fiscal=1");
  p.Add("pCodigoEmpresa", "Código Empresa", TTipoParam::tpInteiro).Hint =
      "Informe apenas um código empresa";
  p.Add("pCodigoEstab", "Estabelecimento", TTipoParam::tpInclusao);
  p.Add("pContaCtb", "Conta Contábil", TTipoParam::tpInclusao).Hint =
      "quando a conta = Sintética são inclusas suas subordinadas";
  p.Add("pClassifConta", "Classificação", TTipoParam::tpInclusao);
  p.Add("pDataInicial", "Data Inicial", TTipoParam::tpData);
  p.Add("pDataFinal", "Data Final", TTipoParam::tpData);
  p.Add("pCodigoMoeda", "Moeda", TTipoParam::tpInteiro, "0").Hint =
      "Informe o código da moeda para conversão";
  p.Add("pCodigoHistCtb", "Histórico", TTipoParam::tpInclusao);
  p.Add("pFiltroOrigemLcto", "Filtro Origem Lançamentos", TTipoParam::tpTexto);
  p.Add("pRelacionarEstab", "Relacionar Filiais", TTipoParam::tpBoolean, "0", true);
  p.Add("pTipoAgruparData", "Tipo Agrupamento", TTipoParam::tpCombo, "0", true)
      .SetItens("Nenhuma=0;Diario=1;Mensal=2;");
  p.Add("pTotalizarSintetica", "Totalizar Sintéticas", TTipoParam::tpBoolean, "1", true);
  p.Add("pConsiderarFiltroLctoCtb", "Considerar Filtro Lançamentos Contábeis",
        TTipoParam::tpBoolean, "1", true);
  p.Add("pConsiderarEntraBalanco", "Considerar Entra no Balanço", TTipoParam::tpBoolean, "0", true);
  p.Add("pListarContasMovimentoZero", "Listar Contas Movimento Zero", TTipoParam::tpBoolean, "1",
        true);
  p.Add("pUsouValorCotacaoInvalida", "Usou Valor Cotação Inválida", TTipoParam::tpBoolean, "0");
  p.Add("pImplSaldoMoedaInvalida", "Implantação de Saldo em Moeda Inválida", TTipoParam::tpBoolean,
        "0");
  p.Add("pPercentualCotas", "Percentual Cotas", TTipoParam::tpNumero).Oculto = true;
  p.Add("pCodigoIdioma", "Idioma", TTipoParam::tpInteiro);
  p.Add("pIgnorarSaldoAnt", "Ignorar Saldo Anterior", TTipoParam::tpBoolean, "0").Oculto = true;
  p.Add("pUtilizarLookupNaDescricao", "Utilizar Lookup Na Descrição", TTipoParam::tpBoolean, "0");
  p.Add("pValidarPeriodoIFRS", "Validar Período IFRS", TTipoParam::tpBoolean, "1");
  p.Add("pListarSinteticasSemAnaliticas", "Listar Contas Sintéticas Sem Analíticas",
        TTipoParam::tpBoolean, "1");
  p.Add("pGerarMoedaFuncionalEmReais", "Gerar Moeda Funcional em Reais", TTipoParam::tpBoolean,
        "0");
  p.Add("pFiltrarContaCtb", "Filtrar Conta Contábil", TTipoParam::tpBoolean, "1");
}

void TnCtbDPGerarSaldoCtbIndividual::CriarCamposResultado(TnClientDataSet& ds) {
  ds.AddField("CONTACTB", TFieldType::ftFloat);
  ds.AddField("CLASSIFCONTA", TFieldType::ftString, 30);
  ds.AddField("TIPOCONTA", TFieldType::ftSmallint);
  ds.AddField("DESCRCONTA", TFieldType::ftString, 50);
  ds.AddField("CODIGOESTAB", TFieldType::ftSmallint);
  ds.AddField("DATASALDO", TFieldType::ftDate);
  for (const char* nome : kAmounts) {
    TField& f = ds.AddField(nome, TFieldType::ftBCD);
    f.SetPrecision(18);
    f.SetScale(2);
  }
  ds.AddField("SEMSALDOMOV", TFieldType::ftInteger);
  ds.AddField("SINTFILIAL", TFieldType::ftInteger);
  ds.AddField("TIPOCONTACALC", TFieldType::ftInteger);
  ds.AddField("APELIDOCONTA", TFieldType::ftString, 30);
}

// ---- public hooks ----

void TnCtbDPGerarSaldoCtbIndividual::GerarPrincAction(TnActionList& lista,
                                                      const TnActionHandler& handler,
                                                      const TnConjuntoModulos& /*permitidos*/) {
  AdicionarPrincAction(lista, kClassName, "Processos", kCaption, handler);
}

void TnCtbDPGerarSaldoCtbIndividual::DepoisConfigurar(TnForm* /*form*/) {
  nDatasource.DataSet = &nClientDataSet;
}

void TnCtbDPGerarSaldoCtbIndividual::LimparParamsINI() {
  TnDMPowerParam::LimparParamsINI();
  const std::pair<const char*, const char*> padroes[] = {{"pTipoSaldoCtb", "0"},
                                                         {"pCodigoMoeda", "0"},
                                                         {"pRelacionarEstab", "0"},
                                                         {"pTipoAgruparData", "0"},
                                                         {"pTotalizarSintetica", "1"},
                                                         {"pConsiderarFiltroLctoCtb", "0"},
                                                         {"pConsiderarEntraBalanco", "0"},
                                                         {"pListarContasMovimentoZero", "1"},
                                                         {"pIgnorarSaldoAnt", "0"},
                                                         {"pValidarPeriodoIFRS", "1"},
                                                         {"pListarSinteticasSemAnaliticas", "1"},
                                                         {"pGerarMoedaFuncionalEmReais", "0"}};
  for (const auto& [alias, valor] : padroes)
    Param(alias).SetValor(valor);
  for (const char* alias :
       {"pCodigoEmpresa", "pCodigoEstab", "pContaCtb", "pClassifConta", "pDataInicial",
        "pDataFinal", "pCodigoHistCtb", "pFiltroOrigemLcto", "pPercentualCotas"})
    Param(alias).Limpar();
}

void TnCtbDPGerarSaldoCtbIndividual::ExecutarParalelo() {
  FErroExecucaoParalela.clear();
  FFinalizouParalelo = false;
  TnDMPowerParam::ExecutarParalelo();
}

void TnCtbDPGerarSaldoCtbIndividual::OnProcessarResultadoParalelo(
    const TnResultadoParalelo& resultado) {
  try {
    TnDMPowerParam::OnProcessarResultadoParalelo(resultado);
  } catch (const std::exception& e) {
    FErroExecucaoParalela = e.what();
  }
  FFinalizouParalelo = true;
}

bool TnCtbDPGerarSaldoCtbIndividual::GetExisteMovimento() {
  if (!nClientDataSet.Active() || nClientDataSet.IsEmpty())
    return false;
  const TBookmark marca = nClientDataSet.GetBookmark();
  const TField& debito = nClientDataSet.FieldByName("DEBITO");
  const TField& credito = nClientDataSet.FieldByName("CREDITO");
  bool existe = false;
  for (nClientDataSet.First(); !existe && !nClientDataSet.Eof(); nClientDataSet.Next())
    existe = Moeda(&debito) != Currency() || Moeda(&credito) != Currency();
  if (nClientDataSet.BookmarkValid(marca))
    nClientDataSet.GotoBookmark(marca);
  return existe;
}

bool TnCtbDPGerarSaldoCtbIndividual::CalculandoSaldoMoedaFuncional() const {
  return dynamic_cast<const TnCtbRepositorioSaldoCtbMoedaFuncional*>(FRepositorioSaldoCtb.get()) !=
         nullptr;
}

bool TnCtbDPGerarSaldoCtbIndividual::CalculandoSaldoOutraMoeda() const {
  return dynamic_cast<const TnCtbRepositorioSaldoCtbMoeda*>(FRepositorioSaldoCtb.get()) != nullptr;
}

TDateTime TnCtbDPGerarSaldoCtbIndividual::FormatarDataSaldoTipoAgrupamento(TDateTime data) const {
  switch (FParams.Saldo.TipoAgrupamento) {
    case TTipoAgrupamento::taDiario:
      return DateOf(data);
    case TTipoAgrupamento::taMensal:
      return StartOfTheMonth(DateOf(data));
    case TTipoAgrupamento::taNenhum:
      break;
  }
  return TDateTime();
}

TDateTime TnCtbDPGerarSaldoCtbIndividual::AvaliarDataSaldo(TDateTime data) const {
  if (!data.IsZero())
    return data;
  if (FParams.Saldo.TipoAgrupamento == TTipoAgrupamento::taMensal)
    return StartOfTheMonth(FParams.Saldo.DataInicial);
  return FParams.Saldo.DataFinal;
}

// ---- the run ----

void TnCtbDPGerarSaldoCtbIndividual::Executar() {
  // The repositories and the accounting settings read through the session
  // of the process's connection.
  TUsarConexao conexao(Conexao());
  TnDMPowerParam::Executar();
  Progresso("Inicio");
  FTotalizacao.clear();
  FTotalizacaoIndex.clear();
  try {
    InicializarVariaveis();
    FParams = LerParametros();
    LimparCDS();
    if (!ParametrosObrigatoriosInconsistentes()) {
      if (FParams.ValidarPeriodoIFRS)
        ValidarPeriodoIFRS();
      CarregarRepositorioSaldo();
      PrepararCamposMovZero();
      nClientDataSet.DisableControls();
      [&] {
        if (AtualizarProcessoVisual())
          return;
        Progresso("Criando Cursor de Plano e Natureza das Contas");
        PrepararCursorPlanoEspec();
        PrepararCursorSaldoAnterior();
        PrepararCursorMovimento();
        PrepararCursorMovimentoParcial();
        Progresso("Fim Abrindo cursores:");
        if (AtualizarProcessoVisual())
          return;
        PreparaListaEstab();
        ImplantarSaldoZeroContasCtb();
        TotalizarMovimentoContaCtb();
        TotalizarSaldoAnteriorContaCtb();
        TransferirMovimentoParaClientDataSet();
        if (AtualizarProcessoVisual())
          return;
        if (CalculandoSaldoMoedaFuncional() && FParams.GerarMoedaFuncionalEmReais)
          ConverterSaldoMoedaFuncionalParaReais();
        if (FParams.Saldo.TotalizarSintetica) {
          TotalizarContasSinteticas();
          TotalizarContasCalculadas();
        }
        if (!FParams.ListarSinteticasSemAnaliticas)
          RemoverContasSinteticasSemAnaliticas();
      }();
    }
  } catch (...) {
    DestruirObjetos();
    throw;
  }
  DestruirObjetos();
}

void TnCtbDPGerarSaldoCtbIndividual::DestruirObjetos() {
  curPlanoEspec.reset();
  Nutildb::DestruirSQL(curSaldoAnterior);
  Nutildb::DestruirSQL(curMovimento);
  Nutildb::DestruirSQL(curContaCalc);
  curMovimentoParcial.reset();
  FPlano.clear();
  if (nClientDataSet.ControlsDisabled())
    nClientDataSet.EnableControls();
  if (nClientDataSet.Active())
    nClientDataSet.SetIndexFieldNames(kIndiceConta);
  Progresso("Fim procedure TnCtbDPGerarSaldoCtbIndividual.Executar;:");
  FTotalizacaoIndex.clear();
}

void TnCtbDPGerarSaldoCtbIndividual::Progresso(const std::string& texto, int64_t maximo) {
  GetProgresso().Iniciar(texto, maximo);
}

void TnCtbDPGerarSaldoCtbIndividual::InicializarVariaveis() {
  FItemAtual = 0;
  FCancelado = false;
  Param("pImplSaldoMoedaInvalida").SetValor("0");
  Param("pUsouValorCotacaoInvalida").SetValor("0");
  FRepositorioSaldoCtb.reset();
}

TnParamsGerarSaldoCtb TnCtbDPGerarSaldoCtbIndividual::LerParametros() {
  TnParamsGerarSaldoCtb params;
  TnParansSaldoCtb& p = params.Saldo;
  p.TipoSaldoCtb = static_cast<TnTipoSaldoCtb>(Param("pTipoSaldoCtb").AsInteger(0));
  p.CodigoEmpresa = Param("pCodigoEmpresa").AsInteger(0);
  p.CodigoEstab = Nutil::Trim(Param("pCodigoEstab").AsString());
  p.ContaCtb = Nutil::Trim(Param("pContaCtb").AsString());
  p.ClassifConta = Nutil::Trim(Param("pClassifConta").AsString());
  p.DataInicial = DateOf(Param("pDataInicial").AsDate());
  p.DataFinal = DateOf(Param("pDataFinal").AsDate());
  p.CodigoMoeda = static_cast<int>(Param("pCodigoMoeda").AsInteger(0));
  p.CodigoHistCtb = Nutil::Trim(Param("pCodigoHistCtb").AsString());
  p.FiltroLctoAtivo = Nutil::Trim(Param("pFiltroOrigemLcto").AsString());
  p.RelacionarFilial = Param("pRelacionarEstab").AsBoolean(false);
  const int64_t agrupamento = Param("pTipoAgruparData").AsInteger(0);
  p.TipoAgrupamento = agrupamento == 1   ? TTipoAgrupamento::taDiario
                      : agrupamento == 2 ? TTipoAgrupamento::taMensal
                                         : TTipoAgrupamento::taNenhum;
  p.TotalizarSintetica = Param("pTotalizarSintetica").AsBoolean(true);
  p.ConsiderarFiltroLctoCtb = Param("pConsiderarFiltroLctoCtb").AsBoolean(true);
  p.ConsiderarEntraBalanco = Param("pConsiderarEntraBalanco").AsBoolean(false);
  p.CodigoIdioma = static_cast<int>(Param("pCodigoIdioma").AsInteger(0));
  params.ListarMovimentoZero = Param("pListarContasMovimentoZero").AsBoolean(true);
  params.PercentualCota = Param("pPercentualCotas").AsFloat(0.0);
  params.IgnorarSaldoAnterior = Param("pIgnorarSaldoAnt").AsBoolean(false);
  params.ValidarPeriodoIFRS = Param("pValidarPeriodoIFRS").AsBoolean(true);
  params.ListarSinteticasSemAnaliticas = Param("pListarSinteticasSemAnaliticas").AsBoolean(true);
  params.GerarMoedaFuncionalEmReais = Param("pGerarMoedaFuncionalEmReais").AsBoolean(false);
  params.FiltrarContaCtb = Param("pFiltrarContaCtb").AsBoolean(true);
  return params;
}

void TnCtbDPGerarSaldoCtbIndividual::LimparCDS() {
  nClientDataSet.SetFiltered(false);
  nClientDataSet.SetFilter("");
  nClientDataSet.SetIndexFieldNames("");
  nClientDataSet.EmptyDataSet();
  nClientDataSet.SetLogChanges(false);
}

bool TnCtbDPGerarSaldoCtbIndividual::ParametrosObrigatoriosInconsistentes() const {
  const TnParansSaldoCtb& p = FParams.Saldo;
  return p.CodigoEmpresa == 0 || p.DataInicial.IsZero() || p.DataFinal.IsZero() ||
         p.DataFinal < p.DataInicial;
}

void TnCtbDPGerarSaldoCtbIndividual::ValidarPeriodoIFRS() {
  TnUtilOpcaoIFRS& ifrs = ControleOpcaoIFRS();
  ifrs.SetCodigoEmpresa(FParams.Saldo.CodigoEmpresa);
  if (!ifrs.GetEhOptanteIFRS())
    return;
  const TDateTime opcao = ifrs.GetDATAOPCAO();
  if (FParams.Saldo.DataInicial < opcao && opcao <= FParams.Saldo.DataFinal)
    throw Exception("Períodos Inválidos: Não é possível calcular o saldo pois a adoção do IFRS(" +
                    FormatDateTime("dd/mm/yyyy", opcao) +
                    ") foi feita entre os períodos Inicial e Final informados.");
}

bool TnCtbDPGerarSaldoCtbIndividual::TemFilialComOpcaoMoedaFuncionalNoPeriodo() const {
  const TnParansSaldoCtb& p = FParams.Saldo;
  // A list of establishments asks about each of them; none asks about all.
  const auto itens =
      Nutilinclusao::LerInclusao(p.CodigoEstab, Nutilinclusao::TTipoInclusao::tiNumerica);
  if (itens.empty())
    return ControleOpcaoMoedaFuncional().TemFilialComOpcaoValida(p.CodigoEmpresa, 0, p.DataInicial,
                                                                 p.DataFinal);
  for (const auto& item : itens)
    for (int64_t estab = item.NumInicial; estab <= item.NumFinal; ++estab)
      if (ControleOpcaoMoedaFuncional().TemFilialComOpcaoValida(
              p.CodigoEmpresa, static_cast<int>(estab), p.DataInicial, p.DataFinal))
        return true;
  return false;
}

void TnCtbDPGerarSaldoCtbIndividual::CarregarRepositorioSaldo() {
  if (FParams.Saldo.CodigoMoeda == 0)
    FRepositorioSaldoCtb = std::make_unique<TnCtbRepositorioSaldoCtb>();
  else if (TemFilialComOpcaoMoedaFuncionalNoPeriodo())
    FRepositorioSaldoCtb = std::make_unique<TnCtbRepositorioSaldoCtbMoedaFuncional>();
  else
    FRepositorioSaldoCtb = std::make_unique<TnCtbRepositorioSaldoCtbMoeda>();
}

void TnCtbDPGerarSaldoCtbIndividual::PrepararCamposMovZero() {
  FCamposMovZeroPadrao.clear();
  if (!FParams.ListarMovimentoZero && FCamposAvalMovZero.empty())
    FCamposMovZeroPadrao = {"SALDOANTERIOR", "DEBITO", "CREDITO"};
}

bool TnCtbDPGerarSaldoCtbIndividual::AtualizarProcessoVisual() {
  ++FItemAtual;
  if (FReport != nullptr && FReport->CSLShowProgress(FItemAtual, kTotalCheckpoints))
    FCancelado = true;
  if (GetProgresso().Cancelado())
    FCancelado = true;
  return FCancelado;
}

void TnCtbDPGerarSaldoCtbIndividual::PrepararCursorPlanoEspec() {
  TnParansSaldoCtb& p = FParams.Saldo;
  curPlanoEspec = FRepositorioSaldoCtb->CriarPlanoEspec(p);
  p.ContaCtbInclusion.clear();
  if ((!p.ContaCtb.empty() || !p.ClassifConta.empty()) && curPlanoEspec->RecordCount() < 5 &&
      FParams.FiltrarContaCtb)
    p.ContaCtbInclusion =
        Nutilvariants::MontarInclusao(Nutildb::GetFieldRecordValues(*curPlanoEspec, "CONTACTB"));
  curPlanoEspec->SetIndexFieldNames("CONTACTB");
  TnMapPlanoEspec map;
  Nfieldmapper_u::FieldMapper::MapearFields(*curPlanoEspec, map);
  const TField& cotacao = curPlanoEspec->FieldByName("TIPOCOTACAO");
  FPlano.clear();
  for (curPlanoEspec->First(); !curPlanoEspec->Eof(); curPlanoEspec->Next()) {
    TLinhaPlano linha;
    linha.Conta = map.CONTACTB->AsInteger();
    linha.TipoConta = static_cast<int>(map.TIPOCONTA->AsInteger());
    linha.Classif = map.CLASSIFCONTA->AsString();
    linha.Descr = map.DESCRCONTA->AsString();
    linha.TipoContaCalc = static_cast<int>(map.TIPOCONTACALC->AsInteger());
    linha.TipoCotacao = static_cast<int>(cotacao.AsInteger());
    linha.Apelido = map.APELIDOCONTA->AsString();
    if (linha.TipoContaCalc == 2)
      p.PossuiContaCalculada = true;
    FPlano.emplace(linha.Conta, std::move(linha));
  }
}

const TnCtbDPGerarSaldoCtbIndividual::TLinhaPlano* TnCtbDPGerarSaldoCtbIndividual::LinhaPlano(
    int64_t conta) const {
  auto it = FPlano.find(conta);
  return it == FPlano.end() ? nullptr : &it->second;
}

int TnCtbDPGerarSaldoCtbIndividual::Natureza(const TLinhaPlano& linha) const {
  try {
    return PlanoEspecifico().CfgPlano(FParams.Saldo.CodigoEmpresa).NaturezaGrupo(linha.Classif);
  } catch (const std::exception&) {
    throw Exception("Conta contábil código " + std::to_string(linha.Conta) +
                    " possui uma classificação inválida!");
  }
}

void TnCtbDPGerarSaldoCtbIndividual::PrepararCursorSaldoAnterior() {
  Progresso("Abrindo Cursor de Saldo Anterior");
  if (CalculandoSaldoOutraMoeda())
    curSaldoAnterior = CriarSaldoAnteriorMoeda(FParams.Saldo.CodigoMoeda);
  else
    curSaldoAnterior = FRepositorioSaldoCtb->CriarMovSaldoCtbAnterior(FParams.Saldo);
}

void TnCtbDPGerarSaldoCtbIndividual::PrepararCursorMovimento() {
  Progresso("Abrindo Cursor de Movimentação");
  curMovimento = FRepositorioSaldoCtb->CriarMovSaldoCtbAtual(FParams.Saldo);
}

void TnCtbDPGerarSaldoCtbIndividual::PrepararCursorMovimentoParcial() {
  curMovimentoParcial = std::make_unique<TnClientDataSet>();
  CriarCamposResultado(*curMovimentoParcial);
  curMovimentoParcial->CreateDataSet();
  curMovimentoParcial->SetLogChanges(false);
}

void TnCtbDPGerarSaldoCtbIndividual::PreparaListaEstab() {
  Progresso("Controle do Relacionar Filiais");
  const TnParansSaldoCtb& p = FParams.Saldo;
  std::string sql = "select CODIGOESTAB from ESTAB ";
  if (p.RelacionarFilial)
    sql += "where CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(int64_t{p.CodigoEmpresa})) +
           Nutilinclusao::FilterInterval("CODIGOESTAB", p.CodigoEstab,
                                         Nutilinclusao::TTipoInclusao::tiNumerica);
  else
    sql += "where 0=1 ";
  std::set<int> estabs{0};
  auto cursor = Nutildb::ExecutarSQL(sql);
  for (cursor->First(); !cursor->Eof(); cursor->Next())
    estabs.insert(static_cast<int>(cursor->FieldByName("CODIGOESTAB").AsInteger()));
  Nutildb::DestruirSQL(cursor);
  FListaEstab.assign(estabs.begin(), estabs.end());
  Progresso("Fim Criando lista filiais:");
}

std::vector<TDateTime> TnCtbDPGerarSaldoCtbIndividual::Buckets() const {
  std::vector<TDateTime> buckets;
  TDateTime d = FormatarDataSaldoTipoAgrupamento(FParams.Saldo.DataInicial);
  while (true) {
    buckets.push_back(d);
    if (d.IsZero())
      break;
    d = FParams.Saldo.TipoAgrupamento == TTipoAgrupamento::taDiario ? IncDay(d) : IncMonth(d);
    if (FParams.Saldo.DataFinal < d)
      break;
  }
  return buckets;
}

void TnCtbDPGerarSaldoCtbIndividual::ImplantarSaldoZeroContasCtb() {
  Progresso("Implantando Contas Selecionada sem Movimento e sem Saldo Anterior");
  const Value zero(Currency{});
  for (TDateTime d : Buckets()) {
    for (int estab : FListaEstab)
      for (const auto& [conta, linha] : FPlano) {
        if (linha.TipoConta != 2 && !FParams.Saldo.TotalizarSintetica)
          continue;
        curMovimentoParcial->AppendRecordUnlogged(
            {Value(static_cast<double>(conta)), Value(linha.Classif),
             Value(int64_t{linha.TipoConta}), Value(linha.Descr), Value(int64_t{estab}), Value(d),
             zero, zero, zero, zero, zero, Value(int64_t{0}), Value(int64_t{0}),
             Value(int64_t{linha.TipoContaCalc}), Value(linha.Apelido)});
      }
  }
  Progresso("Fim Repeat until:");
}

void TnCtbDPGerarSaldoCtbIndividual::TotalizarMovimentoContaCtb() {
  if (!curMovimento)
    return;
  const bool rf = FParams.Saldo.RelacionarFilial;
  TnMapMovSaldoCtb mov;
  Nfieldmapper_u::FieldMapper::MapearFields(*curMovimento, mov);
  curMovimento->SetIndexFieldNames(rf && mov.CODIGOESTAB ? "CONTACTB;CODIGOESTAB;DATASALDO"
                                                         : "CONTACTB;DATASALDO");
  curMovimentoParcial->SetIndexFieldNames(kIndiceConta);
  TCamposValores parcial(*curMovimentoParcial);
  Progresso("Totalizando as Contas pela Quebra de Data", curMovimento->RecordCount());

  using TChave = std::tuple<int64_t, int64_t, double>;
  Currency debito, credito;
  curMovimento->First();
  while (!curMovimento->Eof()) {
    GetProgresso().Incrementar();
    const int64_t conta = mov.CONTACTB->AsInteger();
    const TLinhaPlano* linha = LinhaPlano(conta);
    if (linha == nullptr || linha->TipoConta != 2) {
      curMovimento->Next();
      continue;
    }
    const TDateTime dia = DateOf(mov.DATASALDO->AsDateTime());
    debito += ConverterValorEmMoeda(Moeda(mov.VALORDEB), dia);
    credito += ConverterValorEmMoeda(Moeda(mov.VALORCRED), dia);
    const int64_t estab = rf && mov.CODIGOESTAB ? mov.CODIGOESTAB->AsInteger() : 0;
    const TDateTime bucket = FormatarDataSaldoTipoAgrupamento(dia);
    const TChave chave{conta, estab, bucket.Days()};
    curMovimento->Next();
    if (!curMovimento->Eof()) {
      const int64_t estabProx = rf && mov.CODIGOESTAB ? mov.CODIGOESTAB->AsInteger() : 0;
      const TChave proxima{
          mov.CONTACTB->AsInteger(), estabProx,
          FormatarDataSaldoTipoAgrupamento(DateOf(mov.DATASALDO->AsDateTime())).Days()};
      if (proxima == chave)
        continue;
    }
    const Value contaValor(static_cast<double>(conta));
    if (curMovimentoParcial->FindKey({contaValor, Value(estab), Value(bucket)})) {
      curMovimentoParcial->Edit();
    } else {
      const Value zero(Currency{});
      curMovimentoParcial->AppendRecordUnlogged(
          {contaValor, Value(linha->Classif), Value(int64_t{linha->TipoConta}), Value(linha->Descr),
           Value(estab), Value(bucket), zero, zero, zero, zero, zero, Value(int64_t{0}),
           Value(int64_t{0}), Value(int64_t{linha->TipoContaCalc}), Value(linha->Apelido)});
      curMovimentoParcial->FindKey({contaValor, Value(estab), Value(bucket)});
      curMovimentoParcial->Edit();
    }
    parcial.F[1]->SetAsCurrency(Arredondar(debito));
    parcial.F[2]->SetAsCurrency(Arredondar(credito));
    curMovimentoParcial->Post();
    debito = credito = Currency();
  }
  Progresso("Fim Totalizando movimento:");
}

Currency TnCtbDPGerarSaldoCtbIndividual::Cota(Currency valor) const {
  if (FParams.PercentualCota == 0)
    return valor;
  return Arredondar(Currency::FromDouble(valor.ToDouble() * FParams.PercentualCota / 100.0));
}

void TnCtbDPGerarSaldoCtbIndividual::TotalizarSaldoAnteriorContaCtb() {
  Progresso("Implantando Saldo Anterior e Saldo Atual", curMovimentoParcial->RecordCount());
  const bool rf = FParams.Saldo.RelacionarFilial;
  // The previous balance by account and establishment key.
  std::map<std::pair<int64_t, int64_t>, std::pair<Currency, Currency>> anterior;
  if (curSaldoAnterior) {
    TnMapMovSaldoCtb map;
    Nfieldmapper_u::FieldMapper::MapearFields(*curSaldoAnterior, map);
    for (curSaldoAnterior->First(); !curSaldoAnterior->Eof(); curSaldoAnterior->Next()) {
      auto& item = anterior[{map.CONTACTB->AsInteger(),
                             rf && map.CODIGOESTAB ? map.CODIGOESTAB->AsInteger() : 0}];
      item.first += Moeda(map.VALORDEB);
      item.second += Moeda(map.VALORCRED);
    }
  }
  TnClientDataSet& ds = *curMovimentoParcial;
  ds.SetIndexFieldNames(kIndiceConta);
  TCamposValores campos(ds);
  const TField& fConta = ds.FieldByName("CONTACTB");
  const TField& fEstab = ds.FieldByName("CODIGOESTAB");
  TField& fSemSaldo = ds.FieldByName("SEMSALDOMOV");
  int64_t contaAtual = -1, estabAtual = -1;
  int natureza = 0;
  Currency saldo;
  for (ds.First(); !ds.Eof(); ds.Next()) {
    GetProgresso().Incrementar();
    const int64_t conta = fConta.AsInteger();
    const int64_t estab = fEstab.AsInteger();
    const bool novaConta = conta != contaAtual;
    if (novaConta) {
      const TLinhaPlano* linha = LinhaPlano(conta);
      TLinhaPlano avulsa;
      if (linha == nullptr) {
        avulsa.Conta = conta;
        avulsa.Classif = ds.FieldByName("CLASSIFCONTA").AsString();
        linha = &avulsa;
      }
      natureza = Natureza(*linha);
    }
    if (novaConta || estab != estabAtual) {
      saldo = Currency();
      auto it = anterior.find({conta, estab});
      if (it != anterior.end()) {
        const auto [d, c] = it->second;
        saldo = natureza == 1 ? d - c : natureza == -1 ? c - d : Currency();
      }
      saldo = Cota(saldo);
    }
    contaAtual = conta;
    estabAtual = estab;
    TValores v = campos.Ler();
    Currency movimento = natureza == 1    ? v.V[1] - v.V[2]
                         : natureza == -1 ? v.V[2] - v.V[1]
                                          : Currency();
    movimento = Cota(movimento);
    const Currency atual = FParams.IgnorarSaldoAnterior ? movimento : saldo + movimento;
    ds.Edit();
    campos.F[0]->SetAsCurrency(saldo);
    campos.F[3]->SetAsCurrency(movimento);
    campos.F[4]->SetAsCurrency(atual);
    fSemSaldo.SetAsInteger(ContaTemMovimentoZero(ds));
    ds.Post();
    saldo = atual;
  }
  Progresso("Fim Implantando saldo anterior e saldo atual:");
}

bool TnCtbDPGerarSaldoCtbIndividual::AvaliarMovimentoZero(const TnClientDataSet& ds) const {
  const std::vector<std::string>& campos =
      FCamposAvalMovZero.empty() ? FCamposMovZeroPadrao : FCamposAvalMovZero;
  for (const std::string& nome : campos)
    if (Moeda(&ds.FieldByName(nome)) != Currency())
      return false;
  return true;
}

int TnCtbDPGerarSaldoCtbIndividual::ContaTemMovimentoZero(const ValueArray& linha) const {
  if (FParams.ListarMovimentoZero)
    return 0;
  const std::vector<std::string>& campos =
      FCamposAvalMovZero.empty() ? FCamposMovZeroPadrao : FCamposAvalMovZero;
  for (const std::string& nome : campos) {
    const Value& valor = linha.at(static_cast<size_t>(nClientDataSet.FieldByName(nome).Index()));
    if (!valor.IsNull() && valor.AsCurrency() != Currency())
      return 0;
  }
  return 1;
}

int TnCtbDPGerarSaldoCtbIndividual::ContaTemMovimentoZero(const TnClientDataSet& ds) const {
  if (FParams.ListarMovimentoZero)
    return 0;
  return AvaliarMovimentoZero(ds) ? 1 : 0;
}

void TnCtbDPGerarSaldoCtbIndividual::TransferirMovimentoParaClientDataSet() {
  Progresso("Totalizando Estab e Transferindo Movimento", curMovimentoParcial->RecordCount());
  const bool rf = FParams.Saldo.RelacionarFilial;
  TnClientDataSet& origem = *curMovimentoParcial;
  origem.SetIndexFieldNames("CONTACTB;DATASALDO;CODIGOESTAB");
  // The result takes its rows unindexed and is sorted once at the end: each
  // group's establishment-0 row gets its sums before it is appended.
  nClientDataSet.SetIndexFieldNames("");
  TCamposValores deOrigem(origem);
  const TField& fConta = origem.FieldByName("CONTACTB");
  const TField& fEstab = origem.FieldByName("CODIGOESTAB");
  const TField& fData = origem.FieldByName("DATASALDO");
  const size_t iData = static_cast<size_t>(fData.Index());
  const size_t iSemSaldo = static_cast<size_t>(origem.FieldByName("SEMSALDOMOV").Index());
  const size_t iSintFilial = static_cast<size_t>(origem.FieldByName("SINTFILIAL").Index());
  size_t iValores[5];
  for (size_t k = 0; k < 5; ++k)
    iValores[k] = static_cast<size_t>(deOrigem.F[k]->Index());
  const size_t nCampos = static_cast<size_t>(origem.FieldCount());

  std::vector<ValueArray> grupo;
  origem.First();
  while (!origem.Eof()) {
    const double conta = fConta.AsFloat();
    const TDateTime data = fData.AsDateTime();
    const Value dataSaldo(AvaliarDataSaldo(data));
    TValores soma;
    int comValores = 0;
    grupo.clear();
    std::optional<size_t> linhaZero;
    for (; !origem.Eof() && fConta.AsFloat() == conta && fData.AsDateTime() == data;
         origem.Next()) {
      GetProgresso().Incrementar();
      soma.Somar(deOrigem.Ler());
      const bool zero = fEstab.AsInteger() == 0;
      if (!rf && !zero)
        continue;
      ValueArray valores;
      valores.reserve(nCampos);
      for (size_t i = 0; i < nCampos; ++i)
        valores.push_back(i == iData ? dataSaldo : origem.Fields(static_cast<int>(i)).AsValue());
      if (zero && !linhaZero)
        linhaZero = grupo.size();
      grupo.push_back(std::move(valores));
      if (!FParams.ListarMovimentoZero && !AvaliarMovimentoZero(origem))
        ++comValores;
    }
    if (linhaZero) {
      ValueArray& linha = grupo[*linhaZero];
      for (size_t k = 0; k < 5; ++k)
        linha[iValores[k]] = Value(soma.V[k]);
      linha[iSemSaldo] = Value(int64_t{ContaTemMovimentoZero(linha)});
      if (rf && !FParams.ListarMovimentoZero && comValores > 1)
        linha[iSintFilial] = Value(int64_t{1});
    }
    for (const ValueArray& linha : grupo)
      nClientDataSet.AppendRecordUnlogged(linha);
  }
  nClientDataSet.SetIndexFieldNames(kIndiceConta);
  Progresso("Fim Totalizando estab e tranferindo movimento:");
}

void TnCtbDPGerarSaldoCtbIndividual::TotalizarContasSinteticas() {
  Progresso("Totalizando as Contas Títulos", nClientDataSet.RecordCount());
  // Synthetic accounts by classification.
  std::map<std::string, int64_t> sinteticas;
  for (const auto& [conta, linha] : FPlano)
    if (linha.TipoConta == 1)
      sinteticas.emplace(linha.Classif, conta);

  TnClientDataSet& ds = nClientDataSet;
  TCamposValores campos(ds);
  const TField& fConta = ds.FieldByName("CONTACTB");
  const TField& fClassif = ds.FieldByName("CLASSIFCONTA");
  const TField& fData = ds.FieldByName("DATASALDO");
  const TField& fEstab = ds.FieldByName("CODIGOESTAB");
  const TField& fSemSaldo = ds.FieldByName("SEMSALDOMOV");
  for (ds.First(); !ds.Eof(); ds.Next()) {
    GetProgresso().Incrementar();
    const TValores valores = campos.Ler();
    const TDateTime data = fData.AsDateTime();
    const int estab = static_cast<int>(fEstab.AsInteger());
    const int semSaldoMov = static_cast<int>(fSemSaldo.AsInteger());
    (void)fConta;
    // Every synthetic whose classification is the row's own or an ancestor
    // receives the row.
    for (std::string c = Nutil::Trim(fClassif.AsString()); !c.empty();
         c = Nctbsfuncoes_u::RetirarUltimoNivelClassificacao(c)) {
      auto sintetica = sinteticas.find(c);
      if (sintetica == sinteticas.end())
        continue;
      const std::string chave =
          fmt::format("{};{};{}", c, static_cast<int64_t>(data.Days()), estab);
      auto it = FTotalizacaoIndex.find(chave);
      if (it == FTotalizacaoIndex.end()) {
        TnTotalizaoSintetica nova;
        nova.ContaCtb = static_cast<double>(sintetica->second);
        nova.Classif = c;
        nova.Data = data;
        nova.CodigoEstab = estab;
        FTotalizacao.push_back(nova);
        it = FTotalizacaoIndex.emplace(chave, FTotalizacao.size() - 1).first;
      }
      TnTotalizaoSintetica& t = FTotalizacao[it->second];
      t.SaldoAnterior += valores.V[0];
      t.Debito += valores.V[1];
      t.Credito += valores.V[2];
      t.Movimento += valores.V[3];
      t.SaldoAtual += valores.V[4];
      if (semSaldoMov == 0)
        t.SemSaldoMov = 0;
    }
  }
  Progresso("Incluindo contas Sintéticas", static_cast<int64_t>(FTotalizacao.size()));
  for (const TnTotalizaoSintetica& t : FTotalizacao) {
    GetProgresso().Incrementar();
    if (!ds.FindKey(
            {Value(t.ContaCtb), Value(int64_t{t.CodigoEstab}), Value(AvaliarDataSaldo(t.Data))}))
      continue;
    ds.Edit();
    campos.Escrever({{t.SaldoAnterior, t.Debito, t.Credito, t.Movimento, t.SaldoAtual}});
    ds.FieldByName("SEMSALDOMOV").SetAsInteger(t.SemSaldoMov);
    ds.FieldByName("SINTFILIAL").SetAsInteger(0);
    ds.Post();
  }
  Progresso("Fim Totalizando contas títulos:");
}

void TnCtbDPGerarSaldoCtbIndividual::TotalizarContasCalculadas() {
  const TnParansSaldoCtb& p = FParams.Saldo;
  const std::string empresa = Nutil::ValorParaSQL(Value(int64_t{p.CodigoEmpresa}));
  std::string sql;
  if (!p.ClassifConta.empty()) {
    sql =
        "select CP.CONTACTB ,CP.CONTACTBCALC ,CP.OPERACAO from CALCPLANOESPEC CP join "
        "PLANOESPEC P on CP.CODIGOEMPRESA = P.CODIGOEMPRESA and CP.CONTACTB = P.CONTACTB  "
        "where CP.CODIGOEMPRESA = " +
        empresa + " " + "and " + Nrwutilapp::IncluiExcluiGruposClassif(1, p.ClassifConta) + " ";
    if (!p.ContaCtb.empty())
      sql += Nctbsfuncoes_u::QuebrarFiltro(Nutilinclusao::FilterInterval(
                 "CP.CONTACTB", p.ContaCtb, Nutilinclusao::TTipoInclusao::tiNumerica)) +
             " ";
    sql += " order by CP.CONTACTB, CP.CONTACTBCALC";
  } else {
    sql = "select CONTACTB ,CONTACTBCALC ,OPERACAO from CALCPLANOESPEC  where CODIGOEMPRESA = " +
          empresa + " ";
    if (!p.ContaCtb.empty())
      sql += Nctbsfuncoes_u::QuebrarFiltro(Nutilinclusao::FilterInterval(
                 "CONTACTB", p.ContaCtb, Nutilinclusao::TTipoInclusao::tiNumerica)) +
             " ";
    sql += "order by CONTACTB, CONTACTBCALC";
  }
  curContaCalc = Nutildb::ExecutarSQL(sql);
  if (curContaCalc->IsEmpty())
    return;
  TotalizarContasCalculadasPorFilial();
  TotalizarContasCalculadasFilialZero();
}

void TnCtbDPGerarSaldoCtbIndividual::TotalizarContasCalculadasPorFilial() {
  // Formulas: calculated account -> (component, operation).
  std::map<int64_t, std::vector<std::pair<int64_t, int64_t>>> formulas;
  for (curContaCalc->First(); !curContaCalc->Eof(); curContaCalc->Next())
    formulas[curContaCalc->FieldByName("CONTACTB").AsInteger()].emplace_back(
        curContaCalc->FieldByName("CONTACTBCALC").AsInteger(),
        curContaCalc->FieldByName("OPERACAO").AsInteger());

  std::vector<TDateTime> buckets;
  for (TDateTime d : Buckets())
    buckets.push_back(AvaliarDataSaldo(d));
  TnClientDataSet& ds = nClientDataSet;
  TCamposValores campos(ds);
  Progresso("Incluindo contas Sintéticas");
  for (TDateTime data : buckets)
    for (int estab : FListaEstab) {
      if (FParams.Saldo.RelacionarFilial == (estab == 0))
        continue;
      for (const auto& [conta, linha] : FPlano) {
        if (linha.TipoContaCalc != 2)
          continue;
        auto formula = formulas.find(conta);
        if (formula == formulas.end())
          continue;
        TValores soma;
        for (const auto& [componente, operacao] : formula->second) {
          GetProgresso().Incrementar();
          if (ds.FindKey(
                  {Value(static_cast<double>(componente)), Value(int64_t{estab}), Value(data)}))
            soma.Somar(campos.Ler(), operacao == 1 ? 1 : -1);
        }
        if (!ds.FindKey({Value(static_cast<double>(conta)), Value(int64_t{estab}), Value(data)}))
          continue;
        TValores proprio = campos.Ler();
        proprio.Somar(soma);
        ds.Edit();
        campos.Escrever(proprio);
        ds.FieldByName("SEMSALDOMOV").SetAsInteger(ContaTemMovimentoZero(ds));
        ds.Post();
      }
    }
}

void TnCtbDPGerarSaldoCtbIndividual::TotalizarContasCalculadasFilialZero() {
  // Without establishments the calculation above already wrote the
  // establishment-0 rows, the only ones there are.
  if (!FParams.Saldo.RelacionarFilial)
    return;
  Progresso("Totalizando na filial zero");
  TnClientDataSet& ds = nClientDataSet;
  TCamposValores campos(ds);
  struct TSoma {
    TValores Valores;
    int ComValores = 0;
  };
  std::map<std::pair<double, double>, TSoma> somas;
  const TField& fConta = ds.FieldByName("CONTACTB");
  const TField& fData = ds.FieldByName("DATASALDO");
  const TField& fEstab = ds.FieldByName("CODIGOESTAB");
  for (ds.First(); !ds.Eof(); ds.Next()) {
    const TLinhaPlano* linha = LinhaPlano(fConta.AsInteger());
    if (linha == nullptr || linha->TipoContaCalc != 2 || fEstab.AsInteger() == 0)
      continue;
    TSoma& s = somas[{fConta.AsFloat(), fData.AsDateTime().Days()}];
    s.Valores.Somar(campos.Ler());
    if (!FParams.ListarMovimentoZero && !AvaliarMovimentoZero(ds))
      ++s.ComValores;
  }
  for (const auto& [chave, soma] : somas) {
    if (!ds.FindKey({Value(chave.first), Value(int64_t{0}), Value(TDateTime(chave.second))}))
      continue;
    ds.Edit();
    campos.Escrever(soma.Valores);
    ds.FieldByName("SEMSALDOMOV").SetAsInteger(ContaTemMovimentoZero(ds));
    ds.FieldByName("SINTFILIAL")
        .SetAsInteger(!FParams.ListarMovimentoZero && soma.ComValores > 1 ? 1 : 0);
    ds.Post();
  }
}

void TnCtbDPGerarSaldoCtbIndividual::RemoverContasSinteticasSemAnaliticas() {
  const std::string sql = "select P.CONTACTB from PLANOESPEC P where P.CODIGOEMPRESA = " +
                          Nutil::ValorParaSQL(Value(int64_t{FParams.Saldo.CodigoEmpresa})) +
                          " and P.TIPOCONTA = 1 " + "and not exists( " + "select 1 " +
                          "from PLANOESPEC S " + "where S.CODIGOEMPRESA = P.CODIGOEMPRESA " +
                          "and S.CLASSIFCONTA like P.CLASSIFCONTA||'%' " + "and S.TIPOCONTA = 2 " +
                          ")";
  auto cursor = Nutildb::ExecutarSQL(sql);
  nClientDataSet.SetIndexFieldNames("CONTACTB");
  for (cursor->First(); !cursor->Eof(); cursor->Next()) {
    const Value conta(static_cast<double>(cursor->FieldByName("CONTACTB").AsInteger()));
    while (nClientDataSet.FindKey({conta}))
      nClientDataSet.Delete();
  }
  Nutildb::DestruirSQL(cursor);
  nClientDataSet.SetIndexFieldNames(kIndiceConta);
}

// ---- currencies ----

Currency TnCtbDPGerarSaldoCtbIndividual::ConverterValorEmMoeda(Currency valor, TDateTime data) {
  if (!CalculandoSaldoOutraMoeda())
    return valor;
  TnUtilCotacao& cotacao = ControleCotacao();
  cotacao.DadosCotacao(FParams.Saldo.CodigoMoeda, data);
  const double convertido = cotacao.ConverterValorEmMoeda(valor.ToDouble());
  Param("pUsouValorCotacaoInvalida").SetValor(cotacao.GetUsouCotacaoInvalida() ? "1" : "0");
  return Currency::FromDouble(convertido);
}

void TnCtbDPGerarSaldoCtbIndividual::SomarImplantacao(int64_t conta, int natureza, Currency valor,
                                                      Currency& debito, Currency& credito) {
  const TLinhaPlano* linha = LinhaPlano(conta);
  if (linha == nullptr)
    return;
  const std::optional<int> naturezaConta =
      PlanoEspecifico().CfgPlano(FParams.Saldo.CodigoEmpresa).ProcurarNatureza(linha->Classif);
  if (naturezaConta == 1)
    (natureza == 1 ? debito : credito) += valor;
  else if (naturezaConta == -1)
    (natureza == -1 ? credito : debito) += valor;
}

std::unique_ptr<TnClientDataSet> TnCtbDPGerarSaldoCtbIndividual::CriarSaldoAnteriorMoeda(
    int codigoMoeda) {
  auto& repositorio = dynamic_cast<TnCtbRepositorioSaldoCtbMoeda&>(*FRepositorioSaldoCtb);
  const bool rf = FParams.Saldo.RelacionarFilial;

  // Implantations by (establishment, currency, account): the first row of
  // each key counts.
  struct TImpl {
    int Natureza = 0;
    Currency Valor;
  };
  using TChaveImpl = std::tuple<int64_t, int64_t, int64_t>;
  std::map<TChaveImpl, TImpl> implantacoes;
  std::vector<TChaveImpl> ordemImpl;
  auto impl = repositorio.CriarMovImpSaldoCtb(FParams.Saldo);
  if (!impl->IsEmpty()) {
    impl->First();
    if (!impl->FieldByName("DATASALDO").IsNull())
      FParams.Saldo.DataImplSaldoCtb = DateOf(impl->FieldByName("DATASALDO").AsDateTime());
  }
  for (impl->First(); !impl->Eof(); impl->Next()) {
    const TChaveImpl chave{impl->FieldByName("CODIGOESTAB").AsInteger(),
                           impl->FieldByName("CODIGOMOEDA").AsInteger(),
                           impl->FieldByName("CONTACTB").AsInteger()};
    if (implantacoes
            .emplace(chave, TImpl{static_cast<int>(impl->FieldByName("NATUREZASALDO").AsInteger()),
                                  Moeda(&impl->FieldByName("VALORSALDO"))})
            .second)
      ordemImpl.push_back(chave);
  }
  Nutildb::DestruirSQL(impl);
  const TDateTime dataImpl = FParams.Saldo.DataImplSaldoCtb;

  // Converted previous balance by (account, establishment or 0).
  std::map<std::pair<int64_t, int64_t>, std::pair<Currency, Currency>> saldos;
  std::set<std::pair<int64_t, int64_t>> tratadas;  // (account, establishment)
  auto acumular = [&](int64_t conta, int64_t estab, Currency d, Currency c) {
    auto& item = saldos[{conta, rf ? estab : 0}];
    item.first += Arredondar(d);
    item.second += Arredondar(c);
  };
  // The implanted value of one account and establishment, in the currency.
  auto implantado = [&](int64_t conta, int64_t estab, Currency& d, Currency& c) {
    auto it = implantacoes.find({estab, codigoMoeda, conta});
    if (it != implantacoes.end()) {
      SomarImplantacao(conta, it->second.Natureza, it->second.Valor, d, c);
      return;
    }
    it = implantacoes.find({estab, 0, conta});
    if (it == implantacoes.end())
      return;
    Param("pImplSaldoMoedaInvalida").SetValor("1");
    SomarImplantacao(conta, it->second.Natureza, it->second.Valor, d, c);
    if (d != Currency())
      d = ConverterValorEmMoeda(d, dataImpl);
    if (c != Currency())
      c = ConverterValorEmMoeda(c, dataImpl);
  };

  auto prev = repositorio.CriarMovSaldoCtbAnterior(FParams.Saldo);
  if (prev) {
    TnMapMovSaldoCtb map;
    Nfieldmapper_u::FieldMapper::MapearFields(*prev, map);
    prev->SetIndexFieldNames("CONTACTB;CODIGOESTAB;DATASALDO");
    prev->First();
    while (!prev->Eof()) {
      const int64_t conta = map.CONTACTB->AsInteger();
      const int64_t estab = map.CODIGOESTAB->AsInteger();
      Currency d, c;
      if (!dataImpl.IsZero())
        implantado(conta, estab, d, c);
      for (; !prev->Eof() && map.CONTACTB->AsInteger() == conta &&
             map.CODIGOESTAB->AsInteger() == estab;
           prev->Next()) {
        const TDateTime dia = DateOf(map.DATASALDO->AsDateTime());
        d += ConverterValorEmMoeda(Moeda(map.VALORDEB), dia);
        c += ConverterValorEmMoeda(Moeda(map.VALORCRED), dia);
      }
      acumular(conta, estab, d, c);
      tratadas.insert({conta, estab});
    }
    Nutildb::DestruirSQL(prev);
  }
  // Implanted accounts without days after the implantation: their own
  // currency first, then the local-currency implantations.
  for (int64_t moeda : {int64_t{codigoMoeda}, int64_t{0}})
    for (const TChaveImpl& chave : ordemImpl) {
      const auto [estab, moedaImpl, conta] = chave;
      if (moedaImpl != moeda || tratadas.contains({conta, estab}))
        continue;
      Currency d, c;
      implantado(conta, estab, d, c);
      acumular(conta, estab, d, c);
      tratadas.insert({conta, estab});
    }

  auto resultado = std::make_unique<TnClientDataSet>();
  resultado->AddField("CONTACTB", TFieldType::ftLargeint);
  if (rf)
    resultado->AddField("CODIGOESTAB", TFieldType::ftSmallint);
  resultado->AddField("VALORDEB", TFieldType::ftBCD).SetScale(2);
  resultado->AddField("VALORCRED", TFieldType::ftBCD).SetScale(2);
  resultado->CreateDataSet();
  resultado->SetLogChanges(false);
  for (const auto& [chave, valores] : saldos) {
    ValueArray linha{Value(chave.first)};
    if (rf)
      linha.push_back(Value(chave.second));
    linha.push_back(Value(valores.first));
    linha.push_back(Value(valores.second));
    resultado->AppendRecordUnlogged(linha);
  }
  if (!rf)
    resultado->SetIndexFieldNames("CONTACTB");
  return resultado;
}

void TnCtbDPGerarSaldoCtbIndividual::ConverterSaldoMoedaFuncionalParaReais() {
  TnUtilCotacao& cotacao = ControleCotacao();
  cotacao.DadosCotacao(FParams.Saldo.CodigoMoeda, FParams.Saldo.DataFinal);
  std::map<int, double> taxas;  // by rate type
  TnClientDataSet& ds = nClientDataSet;
  TCamposValores campos(ds);
  const TField& fConta = ds.FieldByName("CONTACTB");
  const TField& fTipo = ds.FieldByName("TIPOCONTA");
  for (ds.First(); !ds.Eof(); ds.Next()) {
    if (fTipo.AsInteger() != 2)
      continue;
    const TLinhaPlano* linha = LinhaPlano(fConta.AsInteger());
    const int tipo = linha != nullptr ? linha->TipoCotacao : 0;
    auto taxa = taxas.find(tipo);
    if (taxa == taxas.end())
      taxa = taxas.emplace(tipo, cotacao.GetUltimaCotacaoValida(tipo)).first;
    TValores v = campos.Ler();
    for (Currency& valor : v.V)
      valor = Arredondar(Currency::FromDouble(valor.ToDouble() * taxa->second));
    ds.Edit();
    campos.Escrever(v);
    ds.Post();
  }
}
