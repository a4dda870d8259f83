#include "entries/nCtbDMLctoCtb_U.h"

#include "activities/nCtbDMLctoAtivDiferenc_U.h"
#include "balances/nCtbRepositorioSaldoCtb_U.h"
#include "deletedlog/nCtbServicoLctoCtbExcluido_U.h"
#include "framework/app/NutilAmbiente.h"
#include "framework/app/Nutilform.h"
#include "framework/app/Nutilutil.h"
#include "framework/app/TnDMDireitoUsuario.h"
#include "framework/app/TnDMPersonalizacao.h"
#include "framework/app/TnUtilConsultaWeb.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatFloat.h"
#include "framework/core/Nutil.h"
#include "framework/ctb/Nctbsfuncoes.h"
#include "framework/db/NutilSql.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"
#include "managerial/nCtbDMLctoGer_U.h"
#include "managerial/nCtbLctoGerUtil.h"

using nCtbDMLctoCtb_U::DataDe;

namespace {

constexpr const char* kCategoriaAreaTrabalho =
    "00 Áreas de Trabalho\\02 Grupo de Empresas - Holding\\02 Lançamentos";
constexpr const char* kClasseAreaTrabalho = "TnCtbDPAreaTrabalhoMoedaFuncional";

// One row of the web layout: group name, group row and columns (0: none).
struct TLayoutWeb {
  const char* Campo;
  const char* GrupoNome;
  const char* GrupoLinha;
  int Colunas;
};

constexpr TLayoutWeb kLayoutWeb[] = {
    {"TRANSCTB", "Transação", "LINHA1", 1},
    {"CHAVELCTOCTB", "Sequência", "LINHA1", 1},
    {"CODIGOESTAB", "Filial", "LINHA1", 8},
    {"DATALCTOCTB", "Data", "LINHA1", 2},
    {"CODIGOORIGLCTOCTB", "", "", 6},
    {"CODIGOLOTECTB", "", "", 3},
    {"IDSYN", "", "", 1},
    {"NUMERODCTO", "", "", 2},
    {"CONTACTBDEB", "Debite", "GPDEBITO", 10},
    {"VALORDEBITO", "Saldo", "GPDEBITO", 0},
    {"CONTACTBCRED", "Credite", "GPCREDITO", 10},
    {"VALORCREDITO", "Saldo", "GPCREDITO", 0},
    {"CODIGOHISTCTB", "", "", 2},
    {"COMPLHIST", "", "", 10},
    {"VALORLCTOCTB", "", "", 2},
    {"COTACAOMOEDA", nullptr, nullptr, 8},
    {"VALORLCTOMOEDA", nullptr, nullptr, 2},
};

}  // namespace

// ---- Creation ----

TnCtbDMLctoCtbBase::TnCtbDMLctoCtbBase() {
  SetSelectText(kSelectCliente);
  // Active histories only; the group of a history is read through it.
  RegistrarDicionarioLookup("CODIGOHISTCTBATIVO",
                            {"HISTORICOCTB", "CODIGOHISTCTB", "DESCRHISTCTB"});
  CriarCampos();
  CriarDataSetsAuxiliares();
  LigarHandlers();
  FDataHoraIniFrmCriado = Now();
  if (Nutil::EhCloud())
    Campo("COTACAOMOEDA").SetDisplayFormat("#,##0.00000000");
  if (!Nutil::EhHttpExe())
    nClientDataSet.RemoveField("NATURLCTOCTB");
  ActionList.Add("nActAbrirCadastroQ100").SetCaption("Registro Q100");
}

TnCtbDMLctoCtbBase::~TnCtbDMLctoCtbBase() = default;

TnCtbDMLctoCtb::TnCtbDMLctoCtb()
    : FRepositorioSaldoCtb(std::make_unique<TnCtbRepositorioSaldoCtb>()) {
  CriarAcoesTransacao();
}

TnCtbDMLctoCtb::~TnCtbDMLctoCtb() = default;

// What the data dictionary calls the entry's columns: the caption of a
// field that has no label of its own, as the web page and its grids show it.
constexpr std::pair<const char*, const char*> kRotulosColunas[] = {
    {"CODIGOEMPRESA", "Empresa"},
    {"TRANSCTB", "Transação"},
    {"CODIGOESTAB", "Filial"},
    {"CODIGOLOTECTB", "Lote"},
    {"CODIGOORIGLCTOCTB", "Origem"},
    {"CODIGOHISTCTB", "Histórico"},
    {"CODIGOUSUARIO", "Usuário"},
    {"ORIGEMDADO", "Origem dos Dados"},
    {"NATURLCTOCTB", "Natureza"},
    {"TIPOLANCAMENTO", "Tipo"},
    {"DATALCTOCTB", "Data"},
    {"CONTACTBDEB", "Débito"},
    {"CONTACTBCRED", "Crédito"},
    {"VALORLCTOCTB", "Valor"},
    {"COMPLHIST", "Complemento"},
    {"HISTORICO", "Histórico"},
    {"DESCRHISTCTB", "Descrição do Histórico"},
};

void TnCtbDMLctoCtbBase::CriarCampos() {
  for (const auto& [coluna, rotulo] : kRotulosColunas)
    TnUtilConsultaWeb::RegistrarRotuloColuna(coluna, rotulo);
  TnClientDataSet& cds = nClientDataSet;
  auto campo = [&](const char* nome, TFieldType tipo, int tamanho, bool requerido,
                   const char* rotulo) -> TField& {
    TField& f = cds.AddField(nome, tipo, tamanho, requerido);
    if (rotulo != nullptr)
      f.SetDisplayLabel(rotulo);
    return f;
  };
  auto link = [](TField& f, const char* dicionario, const char* campos) {
    if (dicionario != nullptr)
      f.GetDefinicao().SetDicionarioLookup(dicionario);
    f.GetDefinicao().SetLinkFields(campos);
  };
  using T = TFieldType;
  campo("CODIGOEMPRESA", T::ftSmallint, 0, true, nullptr).SetVisible(false);
  campo("TRANSCTB", T::ftLargeint, 0, false, "Transação");
  TField& chave = campo("CHAVELCTOCTB", T::ftInteger, 0, true, nullptr);
  chave.GetDefinicao().SetAutoIncremento(true);
  chave.GetDefinicao().SetPropriedade("NomeSequence", "DYN_GENCHAVELCTOCTB(CODIGOEMPRESA)");
  chave.GetDefinicao().SetPropriedade("ExpressaoEnabled",
                                      "DIFERENTE(FORMSTATE(\"nCtbDMLctoCtb\"),\"dsInsert\")");
  link(campo("CODIGOLCTOPROG", T::ftSmallint, 0, false, "Lançamento Programado"),
       "CODIGOLCTOPROGESPEC", "CODIGOEMPRESA;CODIGOLCTOPROG");
  link(campo("CODIGOESTAB", T::ftSmallint, 0, true, nullptr), nullptr, "CODIGOEMPRESA;CODIGOESTAB");
  link(campo("CODIGOLOTECTB", T::ftInteger, 0, false, nullptr), nullptr,
       "CODIGOEMPRESA;CODIGOLOTECTB");
  TField& data = campo("DATALCTOCTB", T::ftDate, 0, true, "Data");
  data.SetDisplayFormat("dd/mm/yyyy - dddd");
  data.GetDefinicao().SetPropriedade("Hint", "Data do lançamento contábil");
  TField& tipo = campo("TIPOLANCAMENTO", T::ftFixedChar, 2, true, "Tipo Lançamento");
  tipo.GetDefinicao().SetPropriedade("DefaultExpression", "'LN'");
  tipo.GetDefinicao().SetPropriedade("Items", "Normal=LN\nSocietário=LS\nFiscal=LF");
  tipo.GetDefinicao().SetPropriedade("Hint",
                                     "Informe o tipo do lançamento para o controle dos saldos");
  campo("IDSYN", T::ftInteger, 0, false, "Código SYN").SetReadOnly(true);
  campo("NUMERODCTO", T::ftString, 20, false, "Número Documento")
      .GetDefinicao()
      .SetPropriedade("CharCase", "ecUpperCase");
  link(campo("CODIGOORIGLCTOCTB", T::ftString, 2, false, nullptr), nullptr, "CODIGOORIGLCTOCTB");
  link(campo("CONTACTBDEB", T::ftLargeint, 0, false, "Debite"), "CONTACTB",
       "CODIGOEMPRESA;CONTACTBDEB");
  cds.AddCalcField("VALORDEBITO", T::ftString, 30).SetDisplayLabel("Saldo");
  Campo("VALORDEBITO")
      .GetDefinicao()
      .SetPropriedade("ExpressaoInicial", "IF( VAZIO(DATALCTOCTB), \"R$ 0,00\", )");
  link(campo("CONTACTBCRED", T::ftLargeint, 0, false, "Credite"), "CONTACTB",
       "CODIGOEMPRESA;CONTACTBCRED");
  cds.AddCalcField("VALORCREDITO", T::ftString, 30).SetDisplayLabel("Saldo");
  Campo("VALORCREDITO")
      .GetDefinicao()
      .SetPropriedade("ExpressaoInicial", "IF( VAZIO(DATALCTOCTB), \"R$ 0,00\", )");
  // An entry never reaches an account the company's chart does not have.
  for (const char* conta : {"CONTACTBDEB", "CONTACTBCRED"})
    Campo(conta).GetDefinicao().SetPropriedade("ValidarLookup", Value(true));
  link(campo("CODIGOHISTCTB", T::ftSmallint, 0, false, nullptr), "CODIGOHISTCTBATIVO",
       "CODIGOHISTCTB");
  campo("COMPLHIST", T::ftString, 300, false, "Complemento").SetDisplayWidth(12);
  const char* kExpressaoMoeda =
      "EXTERNO(\"UTILIZAMOEDAFUNC\" , [CODIGOEMPRESA,CODIGOESTAB,DATALCTOCTB])";
  TField& cotacao = campo("COTACAOMOEDA", T::ftBCD, 0, false, "Cotação");
  cotacao.SetPrecision(18);
  cotacao.SetScale(8);
  cotacao.SetDisplayFormat("##0.00######");
  TField& valorMoeda = campo("VALORLCTOMOEDA", T::ftBCD, 0, false, "Valor");
  valorMoeda.SetPrecision(18);
  valorMoeda.SetScale(2);
  for (TField* f : {&cotacao, &valorMoeda}) {
    f->GetDefinicao().SetPropriedade("ExpressaoEnabled", kExpressaoMoeda);
    f->GetDefinicao().SetPropriedade("ExpressaoVisible", kExpressaoMoeda);
  }
  TField& valor = campo("VALORLCTOCTB", T::ftBCD, 0, true, "Valor R$");
  valor.SetPrecision(18);
  valor.SetScale(2);
  valor.SetDisplayFormat("#,##0.00");
  valor.GetDefinicao().SetPropriedade("Hint", "Valor do Lançamento Contábil");
  campo("LCTOCONCILDEB", T::ftFixedChar, 1, false, "Lançamento Débito").SetVisible(false);
  campo("LCTOCONCILCRED", T::ftFixedChar, 1, false, "Lançamento Credito").SetVisible(false);
  TField& usuario = campo("CODIGOUSUARIO", T::ftSmallint, 0, false, nullptr);
  usuario.SetVisible(false);
  usuario.GetDefinicao().SetPropriedade("Importar", false);
  TField& momento = campo("DATAHORALCTOCTB", T::ftTimeStamp, 0, true, "Data e Hora");
  momento.SetVisible(false);
  momento.SetProviderFlags(pfInUpdate);
  momento.GetDefinicao().SetPropriedade("Importar", false);
  campo("CHAVEORIGEM", T::ftString, 25, false, "Chave Origem Lançamento");
  campo("ORIGEMDADO", T::ftSmallint, 0, true, nullptr)
      .GetDefinicao()
      .SetPropriedade("Items", "Automático=1\nDigitado=2\nImportado=3\nAnalítico=5");
  campo("CODIGOESTABORI", T::ftSmallint, 0, false, nullptr).SetVisible(false);
  campo("DESCRCONTACTBDEB", T::ftString, 50, false, nullptr).SetVisible(false);
  campo("DESCRCONTACTBCRED", T::ftString, 50, false, nullptr).SetVisible(false);
  cds.AddCalcField("NATURLCTOCTB", T::ftSmallint)
      .GetDefinicao()
      .SetPropriedade("Items", "Débito=1\nCrédito=-1");
  nSQLDataSet.SetCommandText(kSelectProvider);
}

void TnCtbDMLctoCtbBase::CriarDataSetsAuxiliares() {
  cdsGerecialGrupo.AddField("ClassifGrupo", TFieldType::ftString, 30);
  cdsGerecialGrupo.CreateDataSet();

  cdsContasDupla.AddField("CONTACTB", TFieldType::ftFloat);
  cdsContasDupla.CreateDataSet();
  cdsContasDupla.SetIndexFieldNames("CONTACTB");

  cdsPercentRatCta.AddField("CODIGOEMPRESA", TFieldType::ftFloat);
  cdsPercentRatCta.AddField("CONTACTB", TFieldType::ftFloat);
  cdsPercentRatCta.AddField("PERCENTRAT", TFieldType::ftInteger);
  cdsPercentRatCta.CreateDataSet();
  cdsPercentRatCta.SetIndexFieldNames("CODIGOEMPRESA;CONTACTB");

  cdsSaldos.AddField("DataSaldo", TFieldType::ftDate);
  cdsSaldos.AddField("CodigoEstab", TFieldType::ftInteger);
  cdsSaldos.AddField("ContaCtb", TFieldType::ftFloat);
  cdsSaldos.AddField("NaturConta", TFieldType::ftInteger);
  cdsSaldos.AddField("ValorDebito", TFieldType::ftBCD);
  cdsSaldos.AddField("ValorCredito", TFieldType::ftBCD);
  cdsSaldos.CreateDataSet();
  cdsSaldos.SetIndexFieldNames("DataSaldo;CodigoEstab;ContaCtb");

  TnClientDataSet& ult = nClientDataSetUlt;
  ult.AddField("CODIGOEMPRESA", TFieldType::ftSmallint);
  ult.AddField("CODIGOUSUARIO", TFieldType::ftSmallint);
  ult.AddField("CHAVELCTOCTB", TFieldType::ftInteger).SetDisplayLabel("Sequência");
  ult.AddField("TRANSCTB", TFieldType::ftLargeint);
  ult.AddField("TIPOLANCAMENTO", TFieldType::ftFixedChar, 2);
  ult.AddField("CODIGOESTAB", TFieldType::ftSmallint).SetDisplayLabel("Filial");
  ult.AddField("DATALCTOCTB", TFieldType::ftDate);
  ult.AddField("CONTACTBDEB", TFieldType::ftLargeint);
  ult.AddField("CONTACTBCRED", TFieldType::ftLargeint);
  ult.AddField("VALORLCTOCTB", TFieldType::ftBCD);
  ult.AddField("CODIGOHISTCTB", TFieldType::ftSmallint);
  ult.AddField("COMPLHIST", TFieldType::ftString, 300);
  ult.AddField("CODIGOORIGLCTOCTB", TFieldType::ftString, 2);
  ult.AddField("HISTORICO", TFieldType::ftString, 300);
  ult.AddField("DESCRHISTCTB", TFieldType::ftString, 100);
  // The history column shows the code's description and the complement
  // together.
  for (const char* oculto :
       {"CODIGOEMPRESA", "CODIGOUSUARIO", "CODIGOHISTCTB", "COMPLHIST", "DESCRHISTCTB"})
    ult.FieldByName(oculto).SetVisible(false);
  ult.CreateDataSet();
  ult.AddIndex("nClientDataSetIndex3", "CHAVELCTOCTB", "CHAVELCTOCTB");
}

void TnCtbDMLctoCtbBase::LigarHandlers() {
  Campo("CONTACTBDEB").OnSetText = [this](TField& f, const std::string& t) {
    nClientDataSetCONTACTBDEBSetText(f, t);
  };
  Campo("CONTACTBCRED").OnSetText = [this](TField& f, const std::string& t) {
    nClientDataSetCONTACTBCREDSetText(f, t);
  };
  Campo("CONTACTBDEB").OnChange = [this](TField& f) { nClientDataSetCONTACTBDEBChange(f); };
  Campo("CONTACTBCRED").OnChange = [this](TField& f) { nClientDataSetCONTACTBCREDChange(f); };
  Campo("CODIGOHISTCTB").OnSetText = [this](TField& f, const std::string& t) {
    nClientDataSetCODIGOHISTCTBSetText(f, t);
  };
  Campo("CODIGOHISTCTB").OnChange = [this](TField& f) { nClientDataSetCODIGOHISTCTBChange(f); };
  Campo("CODIGOLOTECTB").OnChange = [this](TField& f) { nClientDataSetCODIGOLOTECTBChange(f); };
  Campo("CODIGOESTAB").GetDefinicao().OnExit = [this](TField& f) {
    nClientDataSetCODIGOESTABDefIntExit(f);
  };
  Campo("COTACAOMOEDA").GetDefinicao().OnEnter = [this](TField& f) {
    nClientDataSetCOTACAOMOEDADefIntEnter(f);
  };
  Campo("COTACAOMOEDA").GetDefinicao().OnExit = [this](TField& f) {
    nClientDataSetCOTACAOMOEDADefIntExit(f);
  };
  Campo("VALORLCTOMOEDA").GetDefinicao().OnExit = [this](TField& f) {
    nClientDataSetVALORLCTOMOEDADefIntExit(f);
  };
  Campo("VALORLCTOCTB").GetDefinicao().OnExit = [this](TField& f) {
    nClientDataSetVALORLCTOCTBDefIntExit(f);
  };
  Campo("TRANSCTB").OnGetText = [this](TField& f, std::string& t, bool exibir) {
    nClientDataSetTRANSCTBGetText(f, t, exibir);
  };
  Campo("TRANSCTB").GetDefinicao().OnExit = [this](TField& f) {
    nClientDataSetTRANSCTBDefIntExit(f);
  };
  LigarHandlersCampos();
}

// ---- Menu and registration ----

const TnConjuntoModulos& TnCtbDMLctoCtbBase::GrupoModulos(int indice) {
  static const TnConjuntoModulos kGrupos[3] = {
      {TnModulo::nCtb},
      {TnModulo::nFin},
      {TnModulo::nFis, TnModulo::nFpg, TnModulo::nPat, TnModulo::nCtr, TnModulo::nEst},
  };
  return kGrupos[indice];
}

void TnCtbDMLctoCtb::GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                                      const TnConjuntoModulos& permitidos) {
  const std::string selecao = PegarVerificaSelecaoPadrao();
  for (int i = 0; i < 3; ++i) {
    if (!GrupoModulos(i).Intersecta(permitidos))
      continue;
    TnAction& acao = AdicionarPrincAction(lista, kClassName, kCategoriaMenu, kCaptionMenu, handler);
    acao.SetImageIndex(kImagemMenu);
    acao.SetVerificaSelecao(selecao);
    if (i == 0) {
      acao.SetIndex(0);
      acao.SetShortCut("Ctrl+Shift+L");
    } else {
      acao.SetIndex(1);
      acao.SetMenuItem(false);
      acao.SetControlaDireito(false);
    }
  }
}

void TnCtbDMLctoCtbAreaTrabalho::GerarPrincAction(TnActionList& lista,
                                                  const TnActionHandler& handler,
                                                  const TnConjuntoModulos& permitidos) {
  if (!GrupoModulos(0).Intersecta(permitidos))
    return;
  TnAction& acao =
      AdicionarPrincAction(lista, kClassName, kCategoriaAreaTrabalho, kCaptionMenu, handler);
  acao.SetIndex(25);
  acao.SetVerificaSelecao(TnCtbDMLctoCtbBase::PegarVerificaSelecaoPadrao());
  acao.SetMenuItem(false);
  acao.SetClasseAreaTrabalho(kClasseAreaTrabalho);
  acao.SetLink(TnActionList::HashNome(std::string("act") + TnCtbDMLctoCtb::kClassName));
}

// ---- What the module says about itself ----

std::string TnCtbDMLctoCtbBase::PegarVerificaSelecaoPadrao() {
  const TnDMPersonalizacao* personalizacao = nDMPersonalizacao();
  if (personalizacao != nullptr && personalizacao->ExigeSelecaoEmpresaPeriodo())
    return "CodigoEmpresa;DataLctoCtb_MAIORIGUAL;DataLctoCtb_MENORIGUAL";
  return "";
}

std::string TnCtbDMLctoCtbBase::PegarVerificaSelecao() const {
  return PegarVerificaSelecaoPadrao();
}

TDateTime TnCtbDMLctoCtbBase::GetDataInicialSelecao() const {
  return DataDe(Selecao().Param(kSelDataInicial));
}

TDateTime TnCtbDMLctoCtbBase::GetDataFinalSelecao() const {
  return DataDe(Selecao().Param(kSelDataFinal));
}

bool TnCtbDMLctoCtbBase::GetFilialSelecionada() const {
  return Selecao().CodigoEstab() != 0;
}

nlohmann::ordered_json TnCtbDMLctoCtbBase::PegarJsonConfigExtra() const {
  TnDMDireitoUsuario* direitos = nDMDireitoUsuario();
  nlohmann::ordered_json ordenado;
  ordenado["DireitoAlteraDadoFixoLancamentoProg"] =
      direitos != nullptr && direitos->PegarDireito("DireitoAlteraDadoFixoLancamentoProg") !=
                                 TnDMDireitoUsuario::kNivelLiberado;
  ordenado["UsaLote"] = FConfig.Empresa.UsaLote;
  ordenado["UsaNumeroDcto"] = FConfig.Empresa.UsaNumeroDcto;
  ordenado["FilialSelecionada"] = GetFilialSelecionada();
  ordenado["UsaOrigemLctoCtb"] = FConfig.Empresa.UsaOrigemLctoCtb;
  ordenado["DataInicialSelecao"] = DateToIso(GetDataInicialSelecao());
  ordenado["DataFinalSelecao"] = DateToIso(GetDataFinalSelecao());
  ordenado["PertenceLote"] = FConfig.Lote.PertenceLote;
  ordenado["DataInicialLote"] = DateToIso(FConfig.Lote.DataInicialLote);
  ordenado["DataFinalLote"] = DateToIso(FConfig.Lote.DataFinalLote);
  ordenado["EhOptanteIFRS"] = LerOpcaoIFRS(PegarCodigoEmpresa());
  ordenado["UsaAtividades"] = FConfig.Empresa.UsaAtividades;
  ordenado["UsaCentroCusto"] = FConfig.Empresa.UsaCentroCusto;
  return ordenado;
}

// ---- Configuration hooks ----

void TnCtbDMLctoCtbBase::AntesConfigurar(TnForm* form) {
  TnDMClientDataSet::AntesConfigurar(form);
  if (Nutil::EhCloud() && !Nutil::EhExecutavelnWeb()) {
    Nctbsfuncoes::LimparChavesSingletons();
    FTipoForm = 5;  // the web form type
    for (const TLayoutWeb& linha : kLayoutWeb) {
      TField* field = nClientDataSet.FindField(linha.Campo);
      if (field == nullptr)
        continue;
      const std::string nome = linha.Campo;
      if (nome == "CODIGOORIGLCTOCTB") {
        if (!FConfig.Empresa.UsaOrigemLctoCtb)
          continue;
        EdEnabledField(*field, true);
        EdVisibleField(*field, true);
      }
      TnFieldDefinicao& def = field->GetDefinicao();
      for (const char* propriedade : {"GrupoNome", "GrupoColuna", "Colunas", "GrupoLinha"})
        def.AddPropriedadeAlterada(propriedade);
      if (linha.GrupoNome != nullptr) {
        def.SetPropriedade("GrupoNome", linha.GrupoNome);
        def.SetPropriedade("GrupoLinha", linha.GrupoLinha);
        def.SetPropriedade("GrupoColuna", "");
      }
      if (linha.Colunas > 0)
        def.SetPropriedade("Colunas", linha.Colunas);
      if (nome == "CONTACTBDEB" || nome == "CONTACTBCRED") {
        for (const char* propriedade : {"LinkLookupDescFindField", "LinkLookupDescShowFields",
                                        "LinkLookupDataSetNome", "LinkLookupKeyFields"})
          def.AddPropriedadeAlterada(propriedade);
      }
      if (nome == "COTACAOMOEDA")
        field->SetDisplayLabel("Valor da Cotação");
    }
    // The date after the establishment, the origin after the date.
    Campo("DATALCTOCTB").GetDefinicao().SetPropriedade("Posicao", "CODIGOESTAB");
    if (FConfig.Empresa.UsaOrigemLctoCtb)
      Campo("CODIGOORIGLCTOCTB").GetDefinicao().SetPropriedade("Posicao", "DATALCTOCTB");
  }
  Campo("DATALCTOCTB").SetDisplayWidth(22);
  Campo("VALORDEBITO").SetVisible(Nutil::EhHttpExe());
  Campo("VALORCREDITO").SetVisible(Nutil::EhHttpExe());
  if (!Nutil::EhCloud() && !TelaSecundaria() && form != nullptr) {
    form->AddStatusPanel(300);
    form->AddStatusPanel(75);
  }
}

void TnCtbDMLctoCtb::ConfigurarTabela() {
  TnDMClientDataSet::ConfigurarTabela();
  if (!Nutil::EhCloud()) {
    // An account or a history may be typed as a nickname or classification.
    for (const char* nome : {"CONTACTBDEB", "CONTACTBCRED", "CODIGOHISTCTB"})
      Campo(nome).GetDefinicao().SetPropriedade("ValidChars", "*");
  }
}

void TnCtbDMLctoCtbBase::DepoisConfigurar(TnForm* form) {
  TnDMClientDataSet::DepoisConfigurar(form);
  if (form != nullptr) {
    if (!Nutil::EhCloud() && form->Controle("LbDataSetChaveOrigem") == nullptr) {
      TnLabel& label = form->Criar<TnLabel>("LbDataSetChaveOrigem");
      label.Top = 3;
      label.Left = 0;
      label.Width = 250;
      label.Color = 0x00808080;
    }
    ConfigurarAcoes(*form);
    AtualizarAcoesEmpresa();
    if (Nutil::EhHttp() && form->ClassName() == "TnFrmVisDataSet")
      AdicionarDetalhesWeb();
  }
  CheckEditLock();
  ConfigurarTipoLcto();
  if (form != nullptr) {
    form->AddOnResize([this](TnForm& f) { FormResize(f); });
    form->AddOnShow([this](TnForm& f) { FormShow(f); });
  }
  if (!Nutil::EhHttp())
    ConfigurarPainelDiferenca();
}

void TnCtbDMLctoCtb::ConfigurarAcoes(TnForm& form) {
  struct TAcao {
    const char* Nome;
    const char* Caption;
    const char* Atalho;
    TnAction** Guardar;
  };
  const TAcao acoes[] = {
      {"actPesquisar", "Pesquisar...", "Ctrl+F3", nullptr},
      {"actLctoAutomatico", "Lançamentos Automáticos", "F9", nullptr},
      {"actLctoGerDeb", "Lançamentos gerenciais a débito", "Ctrl+F7", &FExibicao.ActLctoGerDeb},
      {"actLctoGerCred", "Lançamentos gerenciais a crédito", "Ctrl+F8", &FExibicao.ActLctoGerCred},
      {"actVincularParticipantes", "Vincular Participantes", "Ctrl+F9", nullptr},
      {"actRegistroQ100", "Registro Q100", "Ctrl+Q", &FExibicao.ActRegistroQ100},
      {"actUltimosLancamentos", "Exibir os últimos lançamentos", "Ctrl+U", nullptr},
  };
  for (const TAcao& a : acoes) {
    TnAction* acao = form.Actions().Find(a.Nome);
    if (acao == nullptr)
      acao = &form.CriarAction(a.Nome, a.Caption, a.Atalho, nullptr);
    if (a.Guardar != nullptr)
      *a.Guardar = acao;
  }
  ConfigurarAcoesSplits(form);
  ConfigurarTelasVinculadas(form);
}

void TnCtbDMLctoCtbBase::AdicionarDetalhesWeb() {
  if (!InfoDetalhes().empty())
    return;
  if (FConfig.Empresa.UsaCentroCusto) {
    AddInfoDetalhe({"debitosGerenciais", "Débitos Gerenciais", "TnCtbDMLctoGerDebitoCloud",
                    "CODIGOEMPRESA;CHAVELCTOCTB;CONTACTBDEB;DATALCTOCTB",
                    "CODIGOEMPRESA;CHAVELCTOCTB;CONTACTB;DATALCTOCTB", ""});
    AddInfoDetalhe({"creditosGerenciais", "Créditos Gerenciais", "TnCtbDMLctoGerCreditoCloud",
                    "CODIGOEMPRESA;CHAVELCTOCTB;CONTACTBCRED;DATALCTOCTB",
                    "CODIGOEMPRESA;CHAVELCTOCTB;CONTACTB;DATALCTOCTB", ""});
  }
  AddInfoDetalhe({"debito", "Atividades - Débito", "TnCtbDMLctoAtivDiferenc",
                  "CODIGOEMPRESA;CHAVELCTOCTB", "CODIGOEMPRESA;CHAVELCTOCTB", "NATURLCTOCTB;1"});
  AddInfoDetalhe({"credito", "Atividades - Crédito", "TnCtbDMLctoAtivDiferenc",
                  "CODIGOEMPRESA;CHAVELCTOCTB", "CODIGOEMPRESA;CHAVELCTOCTB", "NATURLCTOCTB;-1"});
  if (!Nutil::EhCloud())
    AddInfoDetalhe({"relacionarLancamento", "Relacionar Lançamento Fiscal/Societário",
                    "nCtbDMRelacLctoCtbIFRS", "CODIGOEMPRESA;CHAVELCTOCTB",
                    "CODIGOEMPRESA;CHAVELCTOCTBFIS", ""});
}

void TnCtbDMLctoCtbBase::ConfigurarTipoLcto() {
  EdVisibleField(Campo("TIPOLANCAMENTO"), GetEhOptanteFCONT() || GetEhOptanteIFRS());
}

bool TnCtbDMLctoCtbBase::DataSetEditando() const {
  const TDataSetState estado = nClientDataSet.State();
  return estado == TDataSetState::dsEdit || estado == TDataSetState::dsInsert;
}

void TnCtbDMLctoCtbBase::ConfigurarCampo(TField& field) {
  TnDMClientDataSet::ConfigurarCampo(field);
  const std::string nome = field.FieldName();
  const bool ativo = nClientDataSet.Active();
  const bool inserindo = nClientDataSet.State() == TDataSetState::dsInsert;
  auto valor = [&](const char* campo) { return ativo ? Campo(campo).AsValue() : Value(); };

  if (!Nutil::EhCloud() && !Importacao() && !TelaSecundaria() && TemTela()) {
    if (nome == "VALORLCTOMOEDA" && ativo)
      AjustarLabelValorMoedaFuncional();
    if (nome == "ORIGEMDADO")
      MostrarCadastro();
  }
  if (nome == "CHAVEORIGEM" && !Nutil::EhCloud()) {
    if (TnLabel* label = GetLbDataSetChaveOrigem())
      label->Caption = TextoChaveOrigem();
  }
  if (nome == "CHAVELCTOCTB")
    EdEnabledField(field, !inserindo);
  else if (nome == "CODIGOESTAB")
    EdEnabledField(field, !(inserindo && GetFilialSelecionada()));
  else if (nome == "CODIGOORIGLCTOCTB") {
    EdEnabledField(field, FConfig.Empresa.UsaOrigemLctoCtb);
    EdVisibleField(field, FConfig.Empresa.UsaOrigemLctoCtb);
  } else if (nome == "IDSYN")
    EdVisibleField(field, FConfig.Empresa.InformaCodigoSyn);
  else if (nome == "NUMERODCTO") {
    EdEnabledField(field, FConfig.Empresa.UsaNumeroDcto);
    EdVisibleField(field, FConfig.Empresa.UsaNumeroDcto);
  } else if (nome == "CODIGOLOTECTB") {
    EdEnabledField(field, FConfig.Empresa.UsaLote);
    EdVisibleField(field, FConfig.Empresa.UsaLote);
  } else if (nome == "DATALCTOCTB")
    EdEnabledField(field, true);

  if (FConfig.Empresa.UsaLote) {
    if (nome == "CODIGOORIGLCTOCTB" && FConfig.Empresa.UsaOrigemLctoCtb &&
        FConfig.Lote.PertenceLote && !FConfig.Lote.CodigoOrigLctoCtb.empty())
      EdEnabledField(field, false);
    if (nome == "DATALCTOCTB" && !FConfig.Lote.DataInicialLote.IsZero() &&
        FConfig.Lote.DataInicialLote == FConfig.Lote.DataFinalLote)
      EdEnabledField(field, false);
  }
  if (nome == "DATALCTOCTB" && inserindo && !GetDataInicialSelecao().IsZero() &&
      GetDataInicialSelecao() == GetDataFinalSelecao())
    EdEnabledField(field, false);

  static const char* const kCamposLctoProg[] = {
      "CONTACTBDEB",   "CONTACTBCRED",   "CODIGOHISTCTB", "COMPLHIST",    "DATALCTOCTB",
      "CODIGOLOTECTB", "TIPOLANCAMENTO", "NUMERODCTO",    "VALORLCTOCTB", "CODIGOORIGLCTOCTB"};
  bool campoLctoProg = false;
  for (const char* c : kCamposLctoProg)
    campoLctoProg = campoLctoProg || nome == c;
  TnDMDireitoUsuario* direitos = nDMDireitoUsuario();
  if (campoLctoProg && direitos != nullptr &&
      direitos->PegarDireito("DireitoAlteraDadoFixoLancamentoProg") !=
          TnDMDireitoUsuario::kNivelLiberado) {
    const Value prog = valor("CODIGOLCTOPROG");
    if (!prog.IsNull() && prog.AsInteger() != 0) {
      EdEnabledField(field, false);
    } else if (nome == "CODIGOLOTECTB") {
      EdEnabledField(field, FConfig.Empresa.UsaLote);
    } else if (nome == "NUMERODCTO") {
      EdEnabledField(field, FConfig.Empresa.UsaNumeroDcto);
    } else if (nome == "CODIGOORIGLCTOCTB") {
      EdEnabledField(field, FConfig.Empresa.UsaOrigemLctoCtb);
    } else {
      EdEnabledField(field, true);
    }
  }
}

// ---- Default values ----

void TnCtbDMLctoCtbBase::ConfigurarAutoValor(TnClientDataSet& sender) {
  TnDMClientDataSet::ConfigurarAutoValor(sender);
  TnControleFieldsManutencaoTela::Controlar(*this, [&] { ConfigurarAutoValorInterno(sender); });
}

void TnCtbDMLctoCtbBase::ConfigurarAutoValorInterno(TnClientDataSet& sender) {
  TnClientDataSet& cds = nClientDataSet;
  PegarConfigEmpresa();
  const bool inserindo = cds.State() == TDataSetState::dsInsert;
  // 1. Who and when.
  if (inserindo || Nctbsfuncoes::HouveAlteracoes(cds)) {
    Atribuir(Campo("CODIGOUSUARIO"), Value(Conexao().CodigoUsuario()));
    Atribuir(Campo("DATAHORALCTOCTB"), Value(Now()));
  }
  // 2. A one-day selection fixes the date.
  TField& data = Campo("DATALCTOCTB");
  if (data.IsNull()) {
    const TDateTime inicial = GetDataInicialSelecao();
    if (!inicial.IsZero() && inicial == GetDataFinalSelecao())
      Atribuir(data, Value(inicial));
  }
  // 3. Reconciliation flags.
  for (const char* nome : {"LCTOCONCILDEB", "LCTOCONCILCRED"}) {
    if (Campo(nome).IsNull())
      Atribuir(Campo(nome), Value("0"));
  }
  // 4. No batches.
  if (!FConfig.Empresa.UsaLote && &sender == &cds && !TelaSecundaria())
    Atribuir(Campo("CODIGOLOTECTB"), Value());
  // 5. The batch's origin and date.
  PegarConfigLote();
  if (FConfig.Lote.PertenceLote) {
    if (!FConfig.Lote.CodigoOrigLctoCtb.empty())
      Atribuir(Campo("CODIGOORIGLCTOCTB"), Value(FConfig.Lote.CodigoOrigLctoCtb));
    if (data.IsNull() && !FConfig.Lote.DataInicialLote.IsZero() &&
        FConfig.Lote.DataInicialLote == FConfig.Lote.DataFinalLote)
      Atribuir(data, Value(FConfig.Lote.DataInicialLote));
  }
  // 6. Origin.
  TField& origem = Campo("CODIGOORIGLCTOCTB");
  if (Nutil::Trim(origem.AsString()).empty()) {
    if (Importacao())
      Atribuir(origem, Value("IP"));
    else if (!Nutil::EhHttpExe())
      Atribuir(origem, Value("CB"));
  }
  // 7. How the entry came in.
  TField& origemDado = Campo("ORIGEMDADO");
  if (FAutomatico)
    Atribuir(origemDado, Value(1));
  else if (Importacao() || (!origemDado.IsNull() && origemDado.AsInteger() == 8))
    Atribuir(origemDado, Value(3));
  else if (FModoAnalitico)
    Atribuir(origemDado, Value(5));
  else
    Atribuir(origemDado, Value(2));
  // 8. No document numbers.
  if (!FConfig.Empresa.UsaNumeroDcto && !TelaSecundaria())
    Atribuir(Campo("NUMERODCTO"), Value());
  // 9. The logged establishment.
  TField& estab = Campo("CODIGOESTAB");
  if (!Nutil::EhHttpExe() && Tela() && inserindo && GetFilialSelecionada() &&
      (estab.IsNull() || estab.AsInteger() != Conexao().CodigoEstab()))
    Atribuir(estab, Value(Conexao().CodigoEstab()));
  // 10. Entry type.
  TField& tipo = Campo("TIPOLANCAMENTO");
  if (Tela() && inserindo && Nutil::Trim(tipo.AsString()).empty())
    Atribuir(tipo, Value("LN"));
  // 11. Currency fields without the option; nothing of this is a change of
  // the person's.
  LimparCamposMoedaFuncional();
  cds.ClearModified();
}

void TnCtbDMLctoCtb::PegarConfigLctoExpurgo() {
  if (FactLctoSocExpurgo != nullptr)
    FactLctoSocExpurgo->SetVisible(GetEhOptanteIFRS());
}
