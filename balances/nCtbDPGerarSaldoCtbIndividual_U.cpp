#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"

#include <fmt/format.h>

#include <algorithm>
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

// An amount as the result's two-decimal fields keep it.
Currency Gravado(Currency valor) {
  return valor.Rounded(2);
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

// The rows of a run before they reach the result: one cell per account,
// establishment and date bucket, laid out in the order of the result's
// index. Finding a row's cell is arithmetic, not a search, and every step
// after the movement is a walk in that order. A cell holds a row once it is
// present: every listed establishment and bucket of every account from the
// start, any other when a movement reaches it.
struct TnCtbDPGerarSaldoCtbIndividual::TGradeSaldo {
  struct TCelula {
    TValores Valores;
    int SemSaldoMov = 0;
    bool Presente = false;
  };
  std::vector<std::pair<int64_t, const TLinhaPlano*>> Contas;
  std::vector<int64_t> Estabs;
  std::vector<TDateTime> Buckets;
  std::vector<TCelula> Celulas;
  size_t Presentes = 0;

  TCelula& Celula(size_t conta, size_t estab, size_t bucket) {
    return Celulas[(conta * Estabs.size() + estab) * Buckets.size() + bucket];
  }
  // The position of an establishment or a bucket; one not seen yet widens
  // the layout.
  size_t Estab(int64_t estab) { return Posicao(Estabs, estab, true); }
  size_t Bucket(TDateTime bucket) { return Posicao(Buckets, bucket, false); }

 private:
  template <typename T>
  size_t Posicao(std::vector<T>& eixo, T valor, bool deEstabs) {
    auto it = std::lower_bound(eixo.begin(), eixo.end(), valor);
    const auto posicao = static_cast<size_t>(it - eixo.begin());
    if (it != eixo.end() && *it == valor)
      return posicao;
    const size_t estabs = Estabs.size(), buckets = Buckets.size();
    eixo.insert(it, valor);
    std::vector<TCelula> novas(Contas.size() * Estabs.size() * Buckets.size());
    for (size_t c = 0; c < Contas.size(); ++c)
      for (size_t e = 0; e < estabs; ++e)
        for (size_t b = 0; b < buckets; ++b) {
          const size_t e2 = deEstabs && e >= posicao ? e + 1 : e;
          const size_t b2 = !deEstabs && b >= posicao ? b + 1 : b;
          novas[(c * Estabs.size() + e2) * Buckets.size() + b2] =
              Celulas[(c * estabs + e) * buckets + b];
        }
    Celulas = std::move(novas);
    return posicao;
  }
};

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
  Executar(LerParametros());
}

void TnCtbDPGerarSaldoCtbIndividual::Executar(const TnParamsGerarSaldoCtb& params) {
  TUsarConexao conexao(Conexao());
  Mensagens().Limpar();
  Progresso("Inicio");
  try {
    InicializarVariaveis();
    FParams = params;
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
  FGrade.reset();
  FPlano.clear();
  if (nClientDataSet.ControlsDisabled())
    nClientDataSet.EnableControls();
  if (nClientDataSet.Active() && nClientDataSet.IndexFieldNames() != kIndiceConta)
    nClientDataSet.SetIndexFieldNames(kIndiceConta);
  Progresso("Fim procedure TnCtbDPGerarSaldoCtbIndividual.Executar;:");
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
  params.PercentualCota = TTaxaFixa::FromValue(Value(Param("pPercentualCotas").AsFloat(0.0)));
  params.IgnorarSaldoAnterior = Param("pIgnorarSaldoAnt").AsBoolean(false);
  params.ValidarPeriodoIFRS = Param("pValidarPeriodoIFRS").AsBoolean(true);
  params.ListarSinteticasSemAnaliticas = Param("pListarSinteticasSemAnaliticas").AsBoolean(true);
  params.GerarMoedaFuncionalEmReais = Param("pGerarMoedaFuncionalEmReais").AsBoolean(false);
  params.FiltrarContaCtb = Param("pFiltrarContaCtb").AsBoolean(true);
  return params;
}

void TnCtbDPGerarSaldoCtbIndividual::LimparCDS() {
  // Emptied first, the previous result is not sorted again on its way out.
  nClientDataSet.EmptyDataSet();
  nClientDataSet.SetFiltered(false);
  nClientDataSet.SetFilter("");
  nClientDataSet.SetIndexFieldNames("");
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
  FValoresMovZero.clear();
  if (FParams.ListarMovimentoZero)
    return;
  if (FCamposAvalMovZero.empty())
    FCamposMovZeroPadrao = {"SALDOANTERIOR", "DEBITO", "CREDITO"};
  const std::vector<std::string>& campos =
      FCamposAvalMovZero.empty() ? FCamposMovZeroPadrao : FCamposAvalMovZero;
  // Rows are judged before they reach the result, by their amounts only.
  for (const std::string& nome : campos) {
    const int indice = nClientDataSet.FieldByName(nome).Index();
    const int primeiro = nClientDataSet.FieldByName(kAmounts[0]).Index();
    if (indice < primeiro || indice >= primeiro + 5)
      throw Exception("Campo '" + nome + "' não é um valor do saldo");
    FValoresMovZero.push_back(static_cast<size_t>(indice - primeiro));
  }
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
  FGrade = std::make_unique<TGradeSaldo>();
  TGradeSaldo& grade = *FGrade;
  for (const auto& [conta, linha] : FPlano)
    if (linha.TipoConta == 2 || FParams.Saldo.TotalizarSintetica)
      grade.Contas.emplace_back(conta, &linha);
  grade.Estabs.assign(FListaEstab.begin(), FListaEstab.end());
  grade.Buckets = Buckets();
  grade.Celulas.resize(grade.Contas.size() * grade.Estabs.size() * grade.Buckets.size());
  for (TGradeSaldo::TCelula& celula : grade.Celulas)
    celula.Presente = true;
  grade.Presentes = grade.Celulas.size();
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
  Progresso("Totalizando as Contas pela Quebra de Data", curMovimento->RecordCount());

  TGradeSaldo& grade = *FGrade;
  using TChave = std::tuple<int64_t, int64_t, double>;
  Currency debito, credito;
  // The movement comes by account: the account's cell row is a walk.
  size_t indiceConta = 0;
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
    while (grade.Contas[indiceConta].first < conta)
      ++indiceConta;
    TGradeSaldo::TCelula& celula =
        grade.Celula(indiceConta, grade.Estab(estab), grade.Bucket(bucket));
    if (!celula.Presente) {
      celula.Presente = true;
      ++grade.Presentes;
    }
    celula.Valores.V[1] = Gravado(Arredondar(debito));
    celula.Valores.V[2] = Gravado(Arredondar(credito));
    debito = credito = Currency();
  }
  Progresso("Fim Totalizando movimento:");
}

Currency TnCtbDPGerarSaldoCtbIndividual::Cota(Currency valor) const {
  if (FParams.PercentualCota == TTaxaFixa())
    return valor;
  return TParteExata(valor, FParams.PercentualCota).Centavos(TRoundMode::HalfAwayFromZero);
}

void TnCtbDPGerarSaldoCtbIndividual::TotalizarSaldoAnteriorContaCtb() {
  TGradeSaldo& grade = *FGrade;
  Progresso("Implantando Saldo Anterior e Saldo Atual", static_cast<int64_t>(grade.Presentes));
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
  for (size_t c = 0; c < grade.Contas.size(); ++c) {
    const auto [conta, linha] = grade.Contas[c];
    std::optional<int> natureza;
    for (size_t e = 0; e < grade.Estabs.size(); ++e) {
      Currency saldo;
      bool primeira = true;
      for (size_t b = 0; b < grade.Buckets.size(); ++b) {
        TGradeSaldo::TCelula& celula = grade.Celula(c, e, b);
        if (!celula.Presente)
          continue;
        GetProgresso().Incrementar();
        if (!natureza)
          natureza = Natureza(*linha);
        if (primeira) {
          auto it = anterior.find({conta, grade.Estabs[e]});
          if (it != anterior.end()) {
            const auto [d, c2] = it->second;
            saldo = *natureza == 1 ? d - c2 : *natureza == -1 ? c2 - d : Currency();
          }
          saldo = Cota(saldo);
          primeira = false;
        }
        Currency* v = celula.Valores.V;
        Currency movimento = *natureza == 1    ? v[1] - v[2]
                             : *natureza == -1 ? v[2] - v[1]
                                               : Currency();
        movimento = Cota(movimento);
        const Currency atual = FParams.IgnorarSaldoAnterior ? movimento : saldo + movimento;
        v[0] = Gravado(saldo);
        v[3] = Gravado(movimento);
        v[4] = Gravado(atual);
        celula.SemSaldoMov = ContaTemMovimentoZero(v);
        saldo = atual;
      }
    }
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

bool TnCtbDPGerarSaldoCtbIndividual::AvaliarMovimentoZero(const Currency* valores) const {
  for (size_t i : FValoresMovZero)
    if (valores[i] != Currency())
      return false;
  return true;
}

int TnCtbDPGerarSaldoCtbIndividual::ContaTemMovimentoZero(const Currency* valores) const {
  if (FParams.ListarMovimentoZero)
    return 0;
  return AvaliarMovimentoZero(valores) ? 1 : 0;
}

int TnCtbDPGerarSaldoCtbIndividual::ContaTemMovimentoZero(const TnClientDataSet& ds) const {
  if (FParams.ListarMovimentoZero)
    return 0;
  return AvaliarMovimentoZero(ds) ? 1 : 0;
}

void TnCtbDPGerarSaldoCtbIndividual::TransferirMovimentoParaClientDataSet() {
  TGradeSaldo& grade = *FGrade;
  Progresso("Totalizando Estab e Transferindo Movimento", static_cast<int64_t>(grade.Presentes));
  const bool rf = FParams.Saldo.RelacionarFilial;
  // The result takes its rows unindexed, by account, date and establishment,
  // and is sorted once at the end: each group's establishment-0 row gets the
  // group's sums before it is appended.
  nClientDataSet.SetIndexFieldNames("");
  const Value zero(int64_t{0});
  ValueArray linha(static_cast<size_t>(nClientDataSet.FieldCount()));
  auto campo = [&](const char* nome) -> Value& {
    return linha[static_cast<size_t>(nClientDataSet.FieldByName(nome).Index())];
  };
  Value& vConta = campo("CONTACTB");
  Value& vClassif = campo("CLASSIFCONTA");
  Value& vTipo = campo("TIPOCONTA");
  Value& vDescr = campo("DESCRCONTA");
  Value& vEstab = campo("CODIGOESTAB");
  Value& vData = campo("DATASALDO");
  Value& vSemSaldo = campo("SEMSALDOMOV");
  Value& vSintFilial = campo("SINTFILIAL");
  Value& vTipoCalc = campo("TIPOCONTACALC");
  Value& vApelido = campo("APELIDOCONTA");
  Value* vValores[5];
  for (size_t k = 0; k < 5; ++k)
    vValores[k] = &campo(kAmounts[k]);
  for (size_t c = 0; c < grade.Contas.size(); ++c) {
    const auto [conta, plano] = grade.Contas[c];
    vConta = Value(static_cast<double>(conta));
    vClassif = Value(plano->Classif);
    vTipo = Value(int64_t{plano->TipoConta});
    vDescr = Value(plano->Descr);
    vTipoCalc = Value(int64_t{plano->TipoContaCalc});
    vApelido = Value(plano->Apelido);
    for (size_t b = 0; b < grade.Buckets.size(); ++b) {
      vData = Value(AvaliarDataSaldo(grade.Buckets[b]));
      TValores soma;
      int comValores = 0;
      std::optional<size_t> estabZero;
      for (size_t e = 0; e < grade.Estabs.size(); ++e) {
        const TGradeSaldo::TCelula& celula = grade.Celula(c, e, b);
        if (!celula.Presente)
          continue;
        GetProgresso().Incrementar();
        soma.Somar(celula.Valores);
        if (!rf && grade.Estabs[e] != 0)
          continue;
        if (grade.Estabs[e] == 0 && !estabZero)
          estabZero = e;
        if (!FParams.ListarMovimentoZero && !AvaliarMovimentoZero(celula.Valores.V))
          ++comValores;
      }
      for (size_t e = 0; e < grade.Estabs.size(); ++e) {
        const TGradeSaldo::TCelula& celula = grade.Celula(c, e, b);
        if (!celula.Presente || (!rf && grade.Estabs[e] != 0))
          continue;
        const bool somada = estabZero == e;
        const TValores& valores = somada ? soma : celula.Valores;
        vEstab = Value(grade.Estabs[e]);
        for (size_t k = 0; k < 5; ++k)
          *vValores[k] = Value(valores.V[k]);
        vSemSaldo = Value(int64_t{somada ? ContaTemMovimentoZero(soma.V) : celula.SemSaldoMov});
        vSintFilial = somada && rf && !FParams.ListarMovimentoZero && comValores > 1
                          ? Value(int64_t{1})
                          : zero;
        nClientDataSet.AppendRecordUnlogged(linha);
      }
    }
  }
  FGrade.reset();
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
  const TField& fClassif = ds.FieldByName("CLASSIFCONTA");
  const TField& fData = ds.FieldByName("DATASALDO");
  const TField& fEstab = ds.FieldByName("CODIGOESTAB");
  const TField& fSemSaldo = ds.FieldByName("SEMSALDOMOV");
  // Totals by (establishment, date) slot and synthetic account.
  std::map<std::pair<int, double>, size_t> slots;
  std::vector<std::map<int64_t, TnTotalizaoSintetica>> totais;
  // The synthetic accounts a row rolls up into: its classification's own and
  // its ancestors'. Rows come account by account, so this changes seldom.
  std::string classif;
  std::vector<std::pair<std::string, int64_t>> destinos;
  bool primeira = true;
  for (ds.First(); !ds.Eof(); ds.Next()) {
    GetProgresso().Incrementar();
    if (primeira || fClassif.AsString() != classif) {
      primeira = false;
      classif = fClassif.AsString();
      destinos.clear();
      for (std::string c = Nutil::Trim(classif); !c.empty();
           c = Nctbsfuncoes_u::RetirarUltimoNivelClassificacao(c)) {
        auto sintetica = sinteticas.find(c);
        if (sintetica != sinteticas.end())
          destinos.emplace_back(c, sintetica->second);
      }
    }
    if (destinos.empty())
      continue;
    const TValores valores = campos.Ler();
    const TDateTime data = fData.AsDateTime();
    const int estab = static_cast<int>(fEstab.AsInteger());
    const bool comSaldoMov = fSemSaldo.AsInteger() == 0;
    const size_t slot = slots.try_emplace({estab, data.Days()}, slots.size()).first->second;
    if (slot == totais.size())
      totais.emplace_back();
    for (const auto& [c, conta] : destinos) {
      auto [it, nova] = totais[slot].try_emplace(conta);
      TnTotalizaoSintetica& t = it->second;
      if (nova) {
        t.ContaCtb = static_cast<double>(conta);
        t.Classif = c;
        t.Data = data;
        t.CodigoEstab = estab;
      }
      t.SaldoAnterior += valores.V[0];
      t.Debito += valores.V[1];
      t.Credito += valores.V[2];
      t.Movimento += valores.V[3];
      t.SaldoAtual += valores.V[4];
      if (comSaldoMov)
        t.SemSaldoMov = 0;
    }
  }
  size_t quantos = 0;
  for (const auto& porConta : totais)
    quantos += porConta.size();
  Progresso("Incluindo contas Sintéticas", static_cast<int64_t>(quantos));
  TField& fSintFilial = ds.FieldByName("SINTFILIAL");
  for (const auto& porConta : totais)
    for (const auto& [conta, t] : porConta) {
      GetProgresso().Incrementar();
      if (!ds.FindKey(
              {Value(t.ContaCtb), Value(int64_t{t.CodigoEstab}), Value(AvaliarDataSaldo(t.Data))}))
        continue;
      ds.Edit();
      campos.Escrever({{t.SaldoAnterior, t.Debito, t.Credito, t.Movimento, t.SaldoAtual}});
      ds.FieldByName("SEMSALDOMOV").SetAsInteger(t.SemSaldoMov);
      fSintFilial.SetAsInteger(0);
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
  const Currency convertido = cotacao.ConverterValorEmMoeda(valor);
  Param("pUsouValorCotacaoInvalida").SetValor(cotacao.GetUsouCotacaoInvalida() ? "1" : "0");
  return convertido;
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
  std::map<int, TTaxaFixa> taxas;  // by rate type
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
      valor = TaxaFixa::MultiplicarEmCentavos(valor, taxa->second, TRoundMode::HalfAwayFromZero);
    ds.Edit();
    campos.Escrever(v);
    ds.Post();
  }
}
