#include "managerial/nCtbDMLctoGer_U.h"

#include <vector>

#include "framework/app/Ndialogs.h"
#include "framework/app/NutilAmbiente.h"
#include "framework/app/TnDMDireitoUsuario.h"
#include "framework/app/TnDMPersonalizacao.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/FormatFloat.h"
#include "framework/core/Nutil.h"
#include "framework/ctb/Nctbsfuncoes.h"
#include "framework/ctb/TnUtilCotacao.h"
#include "framework/ctb/nCtbSMensagens.h"
#include "framework/db/NutilSql.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"
#include "managerial/nCtbLctoGerUtil.h"

using nCtbLctoGerUtil::Gravar;
using nCtbLctoGerUtil::TEventoDesligado;

namespace {

constexpr const char* kCategoria = "02 Movimentos";
constexpr const char* kMsgCentroCustoDaConta =
    "O Centro de Custo informado para esta tabela contábil, é diferente do configurado!";
constexpr const char* kFormatoValor = "#,##0.00";

TDateTime DataOuZero(const Value& valor) {
  return valor.IsNull() ? TDateTime() : DateOf(valor.AsDateTime());
}

// Restores a data set's filter, order and controls however the loop ends.
class TPercursoCompleto {
 public:
  explicit TPercursoCompleto(TnClientDataSet& cds) : FCds(cds), FFiltrado(cds.Filtered()) {
    FCds.DisableControls();
    FCds.SetFiltered(false);
  }
  ~TPercursoCompleto() {
    FCds.SetFiltered(FFiltrado);
    FCds.EnableControls();
  }
  TPercursoCompleto(const TPercursoCompleto&) = delete;
  TPercursoCompleto& operator=(const TPercursoCompleto&) = delete;

 private:
  TnClientDataSet& FCds;
  bool FFiltrado;
};

}  // namespace

// ---- Creation and menu ----

TnCtbDMLctoGer::TnCtbDMLctoGer() {
  SetSelectText(kSelect);
  CriarCampos();
  cdsGerecialAuto.AddField("ContaCtb", TFieldType::ftLargeint);
  cdsGerecialAuto.AddField("CodigoCentroCusto", TFieldType::ftLargeint);
  cdsGerecialAuto.AddField("Percentual", TFieldType::ftFloat);
  cdsGerecialAuto.AddField("DescrCentroCusto", TFieldType::ftString, 50);
  cdsGerecialAuto.CreateDataSet();
  Campo("VALORLCTOGER").GetDefinicao().OnExit = [this](TField& f) {
    nClientDataSetVALORLCTOGERDefIntExit(f);
  };
  Campo("VALORLCTOGERMOEDA").GetDefinicao().OnExit = [this](TField& f) {
    nClientDataSetVALORLCTOGERMOEDADefIntExit(f);
  };
}

void TnCtbDMLctoGer::CriarCampos() {
  TnClientDataSet& cds = nClientDataSet;
  using T = TFieldType;
  cds.AddField("CODIGOEMPRESA", T::ftSmallint, 0, true).SetVisible(false);
  TField& chave = cds.AddField("CHAVELCTOCTB", T::ftInteger, 0, true);
  chave.SetVisible(false);
  chave.GetDefinicao().SetLinkFields("CODIGOEMPRESA;CHAVELCTOCTB");
  TField& centro = cds.AddField("CODIGOCENTROCUSTO", T::ftLargeint, 0, true);
  centro.SetDisplayLabel("Centro de Custo");
  centro.GetDefinicao().SetLinkFields("CODIGOEMPRESA;CODIGOCENTROCUSTO");
  TField& natureza = cds.AddField("NATURLCTOCTB", T::ftSmallint, 0, true);
  natureza.SetDisplayLabel("Natureza");
  natureza.SetVisible(false);
  natureza.GetDefinicao().SetPropriedade("Items", "Débito=1\nCrédito=-1");
  natureza.GetDefinicao().SetPropriedade("Hint", "Natureza do lançamento contábil");
  TField& conta = cds.AddField("CONTACTB", T::ftLargeint, 0, true);
  conta.SetVisible(false);
  conta.GetDefinicao().SetLinkFields("CODIGOEMPRESA;CONTACTB");
  TField& data = cds.AddField("DATALCTOCTB", T::ftDate, 0, true);
  data.SetDisplayLabel("Data");
  data.SetVisible(false);
  data.GetDefinicao().SetPropriedade("Hint", "Data do lançamento gerencial");
  TField& valorMoeda = cds.AddField("VALORLCTOGERMOEDA", T::ftBCD, 0, false);
  valorMoeda.SetPrecision(18);
  valorMoeda.SetScale(2);
  valorMoeda.SetDisplayLabel("Valor");
  TField& valor = cds.AddField("VALORLCTOGER", T::ftBCD, 0, true);
  valor.SetPrecision(18);
  valor.SetScale(2);
  valor.SetDisplayLabel("Valor R$");
  valor.SetDisplayFormat(kFormatoValor);
  valor.GetDefinicao().SetPropriedade("Hint", "Valor do lançamento gerencial");
  TField& origem = cds.AddField("ORIGEMDADO", T::ftSmallint, 0, true);
  origem.SetVisible(false);
  origem.SetReadOnly(true);
  origem.GetDefinicao().SetPropriedade("Items", "Automático=1\nDigitado=2\nImportado=3");
  nSQLDataSet.SetCommandText(kSelect);
}

void TnCtbDMLctoGer::GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                                      const TnConjuntoModulos& permitidos) {
  if (!TnConjuntoModulos{TnModulo::nCtb}.Intersecta(permitidos))
    return;
  TnAction& acao =
      AdicionarPrincAction(lista, kClassName, kCategoria, "Lançamentos Gerenciais", handler);
  acao.SetLink(TnActionList::HashNome("actTnCtbDMLctoCtb"));
}

std::string TnCtbDMLctoGer::PegarVerificaSelecao() const {
  const TnDMPersonalizacao* personalizacao = nDMPersonalizacao();
  if (personalizacao != nullptr && personalizacao->ExigeSelecaoEmpresaPeriodo())
    return "CodigoEmpresa;DataLctoCtb_MAIORIGUAL;DataLctoCtb_MENORIGUAL";
  return "";
}

// ---- Configuration ----

void TnCtbDMLctoGer::SetLado(const TLadoLctoCtb& lado) {
  const bool outroEstab = lado.Lcto.CodigoEstab != FLado.Lcto.CodigoEstab;
  FLado = lado;
  PegarConfigEmpresa();
  if (outroEstab)
    ConfigurarCampoValorLCTOGERMoeda();
}

void TnCtbDMLctoGer::SetCodigoEmpresa(int64_t codigoEmpresa) {
  FLado.Lcto.CodigoEmpresa = codigoEmpresa;
  PegarConfigEmpresa();
}

void TnCtbDMLctoGer::LimparChaveConfig() {
  TnDMClientDataSet::LimparChaveConfig();
  FConfigEmpresaLida = false;
  FChaveConfigUsu.reset();
}

void TnCtbDMLctoGer::PegarConfigEmpresa() {
  int64_t empresa = FLado.Lcto.CodigoEmpresa;
  if (empresa == 0 && nClientDataSet.Active() && !nClientDataSet.IsEmpty())
    empresa = Campo("CODIGOEMPRESA").AsValue().IsNull() ? 0 : Campo("CODIGOEMPRESA").AsInteger();
  if (FConfigEmpresaLida && empresa == ChaveConfig())
    return;
  FUsaCentroCusto = false;
  FDataInicialCentroCusto = FDataInicialExerc = FDataFinalExerc = TDateTime();
  cdsGerecialAuto.EmptyDataSet();
  SetChaveConfig(empresa);
  FConfigEmpresaLida = true;
  if (empresa == 0)
    return;
  const std::string condicao = "CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(empresa));
  TnDMSQLDataSet sql(&Conexao());
  const ValueArray config = sql.PegarValorCampos(
      "CFGEMPRESACTB", "UTILCENTROCUSTO;INICIOUTILCENTROCUSTO;DATAINICIALEXERC;DATAFINALEXERC",
      condicao);
  if (config.empty())
    return;
  FUsaCentroCusto = !config[0].IsNull() && Nutil::Trim(config[0].AsString()) == "1";
  FDataInicialCentroCusto = FUsaCentroCusto ? DataOuZero(config[1]) : TDateTime();
  FDataInicialExerc = DataOuZero(config[2]);
  FDataFinalExerc = DataOuZero(config[3]);
  if (!FUsaCentroCusto)
    return;
  auto taxas = Nutildb::ExecutarSQL(
      Conexao(),
      "select RC.CONTACTB ,RC.CODIGOCENTROCUSTO ,RC.PERCRATEIO ,C.DESCRCENTROCUSTO from "
      "RATCENTROCUSTO RC join CENTROCUSTO C on C.CODIGOEMPRESA = RC.CODIGOEMPRESA and "
      "C.CODIGOCENTROCUSTO = RC.CODIGOCENTROCUSTO where RC." +
          condicao + " ");
  for (; !taxas->Eof(); taxas->Next())
    cdsGerecialAuto.AppendRecord({Value(taxas->Fields(0).AsInteger()),
                                  Value(taxas->Fields(1).AsInteger()), taxas->Fields(2).AsValue(),
                                  taxas->Fields(3).AsValue()});
  Nutildb::DestruirSQL(taxas);
}

bool TnCtbDMLctoGer::GetUsaCentroCusto() {
  PegarConfigEmpresa();
  return FUsaCentroCusto;
}

TDateTime TnCtbDMLctoGer::GetDataInicialCentroCusto() {
  PegarConfigEmpresa();
  return FDataInicialCentroCusto;
}

TDateTime TnCtbDMLctoGer::GetDataInicialExerc() {
  PegarConfigEmpresa();
  return FDataInicialExerc;
}

TDateTime TnCtbDMLctoGer::GetDataFinalExerc() {
  PegarConfigEmpresa();
  return FDataFinalExerc;
}

void TnCtbDMLctoGer::PegarConfigUsuario() {
  const int64_t usuario = Conexao().CodigoUsuario();
  if (usuario == 0) {
    FUsuarioLimitado = false;
    FDataInicialUsu = GetDataInicialExerc();
    FDataFinalUsu = GetDataFinalExerc();
    return;
  }
  if (FChaveConfigUsu == usuario)
    return;
  TnDMDireitoUsuario* direitos = nDMDireitoUsuario();
  FUsuarioLimitado = direitos != nullptr && !direitos->TemDireitoLiberado("DireitoLctoCtb");
  if (FUsuarioLimitado) {
    TnDMSQLDataSet sql(&Conexao());
    const ValueArray janela =
        sql.PegarValorCampos("CFGEMPRESACTB", "DATAINICIALLCTOUSU, DATAFINALLCTOUSU",
                             Nutil::ValorParaSQL(Campo("CODIGOEMPRESA"), "=", true));
    if (janela.size() < 2 || janela[0].IsNull() || janela[1].IsNull())
      throw Exception(nCtbSPeriodoLancUsuNaoEspecificado);
    FDataInicialUsu = DataOuZero(janela[0]);
    FDataFinalUsu = DataOuZero(janela[1]);
  }
  FChaveConfigUsu = usuario;
}

bool TnCtbDMLctoGer::GetUsuarioLimitado() {
  PegarConfigUsuario();
  return FUsuarioLimitado;
}

TDateTime TnCtbDMLctoGer::GetDataInicialUsu() {
  PegarConfigUsuario();
  return FDataInicialUsu;
}

TDateTime TnCtbDMLctoGer::GetDataFinalUsu() {
  PegarConfigUsuario();
  return FDataFinalUsu;
}

void TnCtbDMLctoGer::VerificarLimiteUsuario() {
  TField& data = Campo("DATALCTOCTB");
  const TDateTime inicio = GetDataInicialUsu();
  const TDateTime fim = GetDataFinalUsu();
  auto dentro = [&](TDateTime d) { return d >= inicio && d <= fim; };
  TDateTime testada = DataOuZero(data.AsValue());
  if (nClientDataSet.State() != TDataSetState::dsInsert && !data.OldValue().IsNull()) {
    const TDateTime antiga = DataOuZero(data.OldValue());
    if (antiga == testada) {
      testada = antiga;
    } else if (!dentro(antiga)) {
      // Moving an entry out of a closed period is as forbidden as editing it.
      throw EnField(nCtbS::Formatar(nCtbSDataLctoForaDoLimiteUsuData, DateToStr(inicio),
                                    DateToStr(fim), DateToStr(antiga)),
                    "DATALCTOCTB");
    }
  }
  if (!dentro(testada))
    throw EnField(nCtbS::Formatar(nCtbSDataLctoForaDoLimiteUsu, DateToStr(inicio), DateToStr(fim)),
                  "DATALCTOCTB");
}

bool TnCtbDMLctoGer::EhOptanteMoedaFuncional() {
  ControleOpcaoMoedaFuncional().Posicionar(FLado.Lcto.CodigoEmpresa, FLado.Lcto.CodigoEstab,
                                           FLado.Lcto.DataLctoCtb);
  return ControleOpcaoMoedaFuncional().GetUtilizaMoedaFunc();
}

void TnCtbDMLctoGer::ConfigurarCampoValorLCTOGERMoeda() {
  TField& valorMoeda = Campo("VALORLCTOGERMOEDA");
  const bool mostrar =
      !Nutil::EhCloud() && FLado.Lcto.CodigoEmpresa != 0 && EhOptanteMoedaFuncional();
  if (mostrar)
    valorMoeda.SetDisplayLabel("Valor " + ControleOpcaoMoedaFuncional().GetCifraOuSimbolo());
  EdVisibleField(valorMoeda, mostrar);
}

void TnCtbDMLctoGer::AntesConfigurar(TnForm* form) {
  TnDMClientDataSet::AntesConfigurar(form);
  ConfigurarCampoValorLCTOGERMoeda();
}

void TnCtbDMLctoGer::DepoisConfigurar(TnForm* form) {
  TnDMClientDataSet::DepoisConfigurar(form);
  TField& valorMoeda = Campo("VALORLCTOGERMOEDA");
  if (Nutil::EhCloud()) {
    valorMoeda.SetDisplayLabel("Valor Moeda");
    valorMoeda.GetDefinicao().SetPropriedade(
        "ExpressaoValidacao", "EXTERNO(\"VALIDAMOEDAFUNCSEMDATA\", [CODIGOEMPRESA, CHAVELCTOCTB])");
  } else {
    valorMoeda.GetDefinicao().SetPropriedade(
        "ExpressaoValidacao",
        "EXTERNO(\"VALIDAMOEDAFUNC\", [CODIGOEMPRESA, DATALCTOCTB, CHAVELCTOCTB])");
  }
  if (form == nullptr)
    return;
  form->AddOnCloseQuery([this](TnForm&) { return CadastroOnCloseQuery(); });
  if (!Nutil::EhCloud() && form->Actions().Find("actRefazLctoGerAuto") == nullptr) {
    form->CriarAction("actConsultaPercAuto", "Consulta rateios rateios", "Ctrl+F6",
                      [this](TnAction&) { actConsultaPercAutoExecute(); })
        .SetHint("Consulta dos rateios automático para conta contábil");
    form->CriarAction("actRefazLctoGerAuto", "Refaz rateio automático", "F6",
                      [this](TnAction&) { actRefazLctoGerAutoExecute(); })
        .SetHint("Refazer lançamentos com rateio automático");
  }
}

void TnCtbDMLctoGer::Refresh() {
  TnDMClientDataSet::Refresh();
  PegarConfigEmpresa();
  CalcularTotais();
}

// ---- New rows, origin, values ----

void TnCtbDMLctoGer::nClientDataSetAfterInsert(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetAfterInsert(dataSet);
  auto propriedade = [&](const char* campo, const Value& valor, bool preenchido) {
    if (preenchido)
      Campo(campo).SetValue(valor);
  };
  const TLctoCtb& lcto = FLado.Lcto;
  propriedade("CODIGOEMPRESA", Value(lcto.CodigoEmpresa), lcto.CodigoEmpresa != 0);
  propriedade("CHAVELCTOCTB", Value(lcto.ChaveLctoCtb), lcto.ChaveLctoCtb != 0);
  propriedade("NATURLCTOCTB", Value(FLado.Natureza), FLado.Natureza != 0);
  propriedade("CONTACTB", Value(FLado.ContaCtb()), FLado.ContaCtb() != 0);
  propriedade("DATALCTOCTB", Value(lcto.DataLctoCtb), !lcto.DataLctoCtb.IsZero());
  if (!Nutil::EhCloud() && (lcto.ValorLctoCtb != Currency() || FValorLctoGer != Currency())) {
    // The new row starts with what is still to split.
    Campo("VALORLCTOGER").SetAsCurrency(Nutil::RoundValor(lcto.ValorLctoCtb - FValorLctoGer, 2));
    PreencherValorMoeda();
  }
}

void TnCtbDMLctoGer::PreencherValorMoeda() {
  const TTaxaFixa cotacao = FLado.Lcto.CotacaoMoeda;
  if (cotacao > TTaxaFixa() && EhOptanteMoedaFuncional())
    Campo("VALORLCTOGERMOEDA")
        .SetAsCurrency(TaxaFixa::DividirEmCentavos(Campo("VALORLCTOGER").AsCurrency(), cotacao,
                                                   TRoundMode::HalfAwayFromZero));
}

void TnCtbDMLctoGer::ConfigurarAutoValor(TnClientDataSet& sender) {
  TnDMClientDataSet::ConfigurarAutoValor(sender);
  if (!FPodeAlterarOrigem)
    return;
  TField& origem = Campo("ORIGEMDADO");
  if (Importacao())
    Gravar(origem, Value(kOrigemImportado));
  else if (!(nClientDataSet.State() == TDataSetState::dsInsert && !origem.IsNull()))
    Gravar(origem, Value(kOrigemDigitado));
}

bool TnCtbDMLctoGer::EditandoOuInserindo() const {
  const TDataSetState estado = nClientDataSet.State();
  return estado == TDataSetState::dsEdit || estado == TDataSetState::dsInsert;
}

void TnCtbDMLctoGer::nClientDataSetVALORLCTOGERMOEDADefIntExit(TField& sender) {
  const TTaxaFixa cotacao = FLado.Lcto.CotacaoMoeda;
  if (!EditandoOuInserindo() || cotacao <= TTaxaFixa() || sender.AsString().empty() ||
      !EhOptanteMoedaFuncional())
    return;
  Campo("VALORLCTOGER")
      .SetAsCurrency(TaxaFixa::MultiplicarEmCentavos(sender.AsCurrency(), cotacao,
                                                     TRoundMode::HalfAwayFromZero));
}

void TnCtbDMLctoGer::nClientDataSetVALORLCTOGERDefIntExit(TField& sender) {
  if (!EditandoOuInserindo() || FLado.Lcto.CotacaoMoeda <= TTaxaFixa() ||
      sender.AsString().empty() || !Campo("VALORLCTOGERMOEDA").IsNull() ||
      !EhOptanteMoedaFuncional())
    return;
  PreencherValorMoeda();
}

// ---- Validation ----

void TnCtbDMLctoGer::ValidarDado() {
  TnDMClientDataSet::ValidarDado();
  if (Nutil::EhHttpExe()) {
    // The web posts each row alone: its side is the row's.
    FLado.Lcto.CodigoEmpresa = Campo("CODIGOEMPRESA").AsInteger();
    FLado.Lcto.ChaveLctoCtb = Campo("CHAVELCTOCTB").AsInteger();
    FLado.Natureza = static_cast<int>(Campo("NATURLCTOCTB").AsInteger());
    FLado.Lcto.Conta(FLado.Natureza) = Campo("CONTACTB").AsInteger();
    FLado.Lcto.DataLctoCtb = DataOuZero(Campo("DATALCTOCTB").AsValue());
  }
  if (!Importacao())
    ValidarCentroCusto();
  if (!GetUsaCentroCusto())
    throw EnField(nCtbSEmpresaNaoUsaCentroCusto, "CODIGOCENTROCUSTO");
  if (DataOuZero(Campo("DATALCTOCTB").AsValue()) < GetDataInicialCentroCusto())
    throw EnField(nCtbSDataCentroCustoInicial, "CODIGOCENTROCUSTO");
  if (Campo("VALORLCTOGER").AsCurrency() <= Currency())
    throw EnField(nCtbSLctoDebCredZerado, "VALORLCTOGER");
  const Value tipo = ValorDoLote("CENTROCUSTO", "TIPOCENTROCUSTO",
                                 Nutil::ValorParaSQL(Campo("CODIGOEMPRESA"), "=", true) + " and " +
                                     Nutil::ValorParaSQL(Campo("CODIGOCENTROCUSTO"), "=", true));
  if (tipo.IsNull() || tipo.AsInteger() == 1)
    throw EnField(std::string(nCtbSTipoCentroCustoSintetico) +
                      (Importacao() ? " Centro de Custo = " + Campo("CODIGOCENTROCUSTO").AsString()
                                    : std::string()),
                  "CODIGOCENTROCUSTO");
  if (GetUsuarioLimitado())
    VerificarLimiteUsuario();
  if (Nutil::EhHttpExe() && !Importacao() && nClientDataSet.State() == TDataSetState::dsInsert) {
    auto inteiro = [&](const char* campo) {
      const Value& valor = Campo(campo).AsValue();
      return Nutil::ValorParaSQL(Value(valor.IsNull() ? 0 : valor.AsInteger()));
    };
    TnDMSQLDataSet sql(&Conexao());
    if (sql.PegarTemRegistro("LCTOGER", "CODIGOCENTROCUSTO",
                             // A blank before each AND: "1AND" is no SQL either engine reads.
                             "CODIGOEMPRESA = " + inteiro("CODIGOEMPRESA") +
                                 " AND CHAVELCTOCTB = " + inteiro("CHAVELCTOCTB") +
                                 " AND CODIGOCENTROCUSTO  = " + inteiro("CODIGOCENTROCUSTO") +
                                 " AND NATURLCTOCTB  = " + inteiro("NATURLCTOCTB")))
      throw Exception("Já existe lançamento para o centro de custo com código " +
                      Campo("CODIGOCENTROCUSTO").AsString() +
                      ". Para alterar utilize a opção de Editar.");
  }
}

int64_t TnCtbDMLctoGer::EmpresaDoLadoOuDaLinha() const {
  return FLado.Lcto.CodigoEmpresa != 0 ? FLado.Lcto.CodigoEmpresa
                                       : Campo("CODIGOEMPRESA").AsInteger();
}

const std::string& TnCtbDMLctoGer::FiltroCentroCusto() {
  const std::pair<int64_t, int64_t> conta{
      EmpresaDoLadoOuDaLinha(),
      FLado.ContaCtb() != 0 ? FLado.ContaCtb() : Campo("CONTACTB").AsInteger()};
  if (conta != FContaDoFiltroCentroCusto) {
    FFiltroCentroCusto = Nctbsfuncoes::ProcurarConta(Conexao(), conta.first, conta.second);
    FContaDoFiltroCentroCusto = conta;
  }
  return FFiltroCentroCusto;
}

void TnCtbDMLctoGer::DoDepoisCriarFiltroConta(void* /*coluna*/, std::string& filtro) {
  const std::string& contas = FiltroCentroCusto();
  if (!contas.empty())
    filtro = filtro.empty() ? contas : filtro + " and " + contas;
}

// The cost centre must be one of the company's that the account allows.
void TnCtbDMLctoGer::ValidarCentroCusto() {
  FiltroCentroCusto();
  std::string sql = " Select CODIGOCENTROCUSTO from  CENTROCUSTO where CODIGOEMPRESA = " +
                    Nutil::ValorParaSQL(Value(EmpresaDoLadoOuDaLinha()));
  if (!FFiltroCentroCusto.empty())
    sql += " and " + FFiltroCentroCusto;
  auto centros = Nutildb::ExecutarSQL(Conexao(), sql);
  centros->SetIndexFieldNames("CODIGOCENTROCUSTO");
  const bool achou = !Campo("CODIGOCENTROCUSTO").IsNull() &&
                     centros->FindKey({Campo("CODIGOCENTROCUSTO").AsValue()});
  Nutildb::DestruirSQL(centros);
  if (!achou)
    throw EnField(kMsgCentroCustoDaConta, "VALORLCTOGER");
}

// ---- Totals and the panel ----

void TnCtbDMLctoGer::CalcularTotais() {
  if (Importacao() || !nClientDataSet.Active())
    return;
  const TBookmark atual = nClientDataSet.IsEmpty() ? -1 : nClientDataSet.GetBookmark();
  Currency soma;
  nClientDataSet.DisableControls();
  for (nClientDataSet.First(); !nClientDataSet.Eof(); nClientDataSet.Next())
    soma += Campo("VALORLCTOGER").AsCurrency();
  if (atual >= 0 && nClientDataSet.BookmarkValid(atual))
    nClientDataSet.GotoBookmark(atual);
  nClientDataSet.EnableControls();
  FValorLctoGer = soma;
  MostrarTotais();
}

void TnCtbDMLctoGer::MostrarTotais() {
  FPainel.ValorLctoGer = FormatFloat(kFormatoValor, FValorLctoGer);
  const Currency diferenca = FLado.Lcto.ValorLctoCtb - FValorLctoGer;
  FPainel.Diferenca = FormatFloat(kFormatoValor, diferenca);
  FPainel.DiferencaEmVermelho = Nutil::RoundValor(diferenca, 2) != Currency();
}

void TnCtbDMLctoGer::MostrarParams() {
  const TLctoCtb& lcto = FLado.Lcto;
  FPainel.CodigoEmpresa = std::to_string(lcto.CodigoEmpresa);
  FPainel.ChaveLctoCtb = std::to_string(lcto.ChaveLctoCtb);
  FPainel.DataLctoCtb = DateToStr(lcto.DataLctoCtb);
  FPainel.TituloConta = FLado.Natureza == -1 ? "Crédito" : "Débito";
  FPainel.ContaCtb = std::to_string(FLado.ContaCtb());
  FPainel.ValorLctoCtb = FormatFloat(kFormatoValor, lcto.ValorLctoCtb);
  MostrarTotais();
}

bool TnCtbDMLctoGer::CadastroOnCloseQuery() {
  CalcularTotais();
  const Currency diferenca = FValorLctoGer - FLado.Lcto.ValorLctoCtb;
  if (Nutil::RoundValor(diferenca, 2) == Currency())
    return true;
  return Ndialogs::nConfirmar(nCtbS::Formatar(nCtbSDiferencaEntreLctoGerencialEContabil,
                                              FormatFloat(kFormatoValor, diferenca)));
}

void TnCtbDMLctoGer::nClientDataSetAfterPost(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetAfterPost(dataSet);
  CalcularTotais();
}

void TnCtbDMLctoGer::nClientDataSetBeforeDelete(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetBeforeDelete(dataSet);
  if (dataSet.State() != TDataSetState::dsInsert && GetUsuarioLimitado())
    VerificarLimiteUsuario();
}

void TnCtbDMLctoGer::nClientDataSetAfterDelete(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetAfterDelete(dataSet);
  CalcularTotais();
}

// ---- Row maintenance ----

void TnCtbDMLctoGer::AtualizarFiltroChaveLctoCtb() {
  std::string filtro;
  if (FiltraLado()) {
    auto valor = [&](const Value& v) {
      return CarregarDetalhesDinamicamente() ? Nutil::ValorParaSQL(v) : Nutil::ValorParaFiltro(v);
    };
    filtro = "CHAVELCTOCTB = " + valor(Value(FLado.Lcto.ChaveLctoCtb)) +
             " and NATURLCTOCTB = " + valor(Value(FLado.Natureza)) +
             " and CONTACTB = " + valor(Value(FLado.ContaCtb()));
  }
  if (filtro == FFiltro && nClientDataSet.Filtered() == !filtro.empty())
    return;
  nClientDataSet.DisableControls();
  nClientDataSet.SetFiltered(false);
  nClientDataSet.SetFilter(filtro);
  nClientDataSet.SetFiltered(!filtro.empty());
  nClientDataSet.EnableControls();
  FFiltro = filtro;
  const bool semGravados =
      FEntradaSemGravados ==
      std::make_optional(std::pair{FLado.Lcto.CodigoEmpresa, FLado.Lcto.ChaveLctoCtb});
  if (CarregarDetalhesDinamicamente() && !filtro.empty() && nClientDataSet.IsEmpty() &&
      !semGravados)
    FetchRegistros(
        "CODIGOEMPRESA = :pGerEmpresa and CHAVELCTOCTB = :pGerChave and NATURLCTOCTB = "
        ":pGerNatureza and CONTACTB = :pGerConta",
        {{"pGerEmpresa", Value(FLado.Lcto.CodigoEmpresa)},
         {"pGerChave", Value(FLado.Lcto.ChaveLctoCtb)},
         {"pGerNatureza", Value(FLado.Natureza)},
         {"pGerConta", Value(FLado.ContaCtb())}});
}

bool TnCtbDMLctoGer::DaLinhaDoLancamento() const {
  return Campo("CODIGOEMPRESA").AsInteger() == FLado.Lcto.CodigoEmpresa &&
         Campo("CHAVELCTOCTB").AsInteger() == FLado.Lcto.ChaveLctoCtb;
}

void TnCtbDMLctoGer::AplicarSeAutomatico() {
  if (!FApplyUpdatesManual)
    AplicarAtualizacoesGerenciais();
}

void TnCtbDMLctoGer::AplicarAtualizacoesGerenciais() {
  if (nClientDataSet.ChangeCount() > 0)
    AplicarAtualizacoes();
}

void TnCtbDMLctoGer::ExcluirLinhas(const std::function<bool()>& excluir) {
  TnClientDataSet& cds = nClientDataSet;
  {
    TPercursoCompleto percurso(cds);
    TEventoDesligado antes(cds.BeforeDelete);
    TEventoDesligado depois(cds.AfterDelete);
    std::vector<TBookmark> alvos;
    for (cds.Last(); !cds.Bof(); cds.Prior()) {
      if (excluir())
        alvos.push_back(cds.GetBookmark());
    }
    for (const TBookmark alvo : alvos) {
      cds.GotoBookmark(alvo);
      cds.Delete();
    }
  }
  AplicarSeAutomatico();
  CalcularTotais();
}

void TnCtbDMLctoGer::ExcluirChaveLctoCtb() {
  ExcluirLinhas([this] { return DaLinhaDoLancamento(); });
}

void TnCtbDMLctoGer::TrocarDataLctoCtb(TDateTime dataNova) {
  TnClientDataSet& cds = nClientDataSet;
  {
    TPercursoCompleto percurso(cds);
    TEventoDesligado antes(cds.BeforePost);
    TEventoDesligado depois(cds.AfterPost);
    for (cds.First(); !cds.Eof(); cds.Next()) {
      if (!DaLinhaDoLancamento())
        continue;
      cds.Edit();
      Campo("DATALCTOCTB").SetAsDateTime(dataNova);
      cds.Post();
    }
  }
  FLado.Lcto.DataLctoCtb = dataNova;
  AplicarSeAutomatico();
}

nlohmann::ordered_json TnCtbDMLctoGer::RetornaValorGerencialAjax(int64_t codigoEmpresa,
                                                                 int64_t chaveLctoCtb,
                                                                 int64_t codigoCentroCusto,
                                                                 int naturLctoCtb) {
  const std::string empresa = Nutil::ValorParaSQL(Value(codigoEmpresa));
  const std::string chave = Nutil::ValorParaSQL(Value(chaveLctoCtb));
  nlohmann::ordered_json resultado = nlohmann::ordered_json::object();
  const Value outros = Conexao().ExecuteScalar(
      "SELECT cast(SUM(VALORLCTOGER) as numeric(16,2)) AS VALORLCTOGER   FROM LCTOGER  WHERE "
      "CODIGOEMPRESA = " +
      empresa + "   AND CHAVELCTOCTB = " + chave +
      "   AND NATURLCTOCTB = " + Nutil::ValorParaSQL(Value(naturLctoCtb)) +
      "   AND CODIGOCENTROCUSTO <> " + Nutil::ValorParaSQL(Value(codigoCentroCusto)));
  resultado["VALORLCTOGER"] = outros.IsNull() ? 0.0 : outros.AsFloat();
  const TDbResult lcto = Conexao().ExecuteQuery(
      "SELECT VALORLCTOCTB AS VALORLCTOCTB   FROM LCTOCTB  WHERE CODIGOEMPRESA = " + empresa +
      "   AND CHAVELCTOCTB = " + chave);
  if (!lcto.Rows.empty())
    resultado["VALORLCTOCTB"] = lcto.Rows[0][0].AsFloat();
  return resultado;
}

// ---- The web screens ----

void TnCtbDMLctoGerDebitoCloud::GerarPrincAction(TnActionList& lista,
                                                 const TnActionHandler& handler,
                                                 const TnConjuntoModulos& permitidos) {
  if (!TnConjuntoModulos{TnModulo::nCtb}.Intersecta(permitidos))
    return;
  AdicionarPrincAction(lista, kClassName, kCategoria, "Lançamentos Gerenciais - Débitos", handler)
      .SetLink(TnActionList::HashNome("actTnCtbDMLctoCtb"));
}

void TnCtbDMLctoGerCreditoCloud::GerarPrincAction(TnActionList& lista,
                                                  const TnActionHandler& handler,
                                                  const TnConjuntoModulos& permitidos) {
  if (!TnConjuntoModulos{TnModulo::nCtb}.Intersecta(permitidos))
    return;
  AdicionarPrincAction(lista, kClassName, kCategoria, "Lançamentos Gerenciais - Créditos", handler)
      .SetLink(TnActionList::HashNome("actTnCtbDMLctoCtb"));
}

void TnCtbDMLctoGerDebitoCloud::DepoisConfigurar(TnForm* form) {
  TnCtbDMLctoGer::DepoisConfigurar(form);
  Campo("NATURLCTOCTB").SetRequired(false);
}

void TnCtbDMLctoGerDebitoCloud::nClientDataSetBeforePost(TnClientDataSet& dataSet) {
  if (dataSet.State() == TDataSetState::dsInsert)
    Campo("NATURLCTOCTB").SetAsInteger(Natureza());
  TnCtbDMLctoGer::nClientDataSetBeforePost(dataSet);
}
