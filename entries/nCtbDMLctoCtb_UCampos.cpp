// What the entry's fields do as a person types and leaves them: the date
// (the screen's period, the open transaction, the origin an IFRS company's
// period asks for), an entry key typed to move to that entry, a programmed
// entry's code, and the account lookups limited by the entry type. The
// account, batch and branch fields are in nCtbDMLctoCtb_UHistorico.cpp.
#include "entries/nCtbDMLctoCtb_U.h"

#include "framework/app/Ndialogs.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/ctb/Nctbsfuncoes.h"
#include "framework/ctb/TnUtilControleLctoPadrao.h"
#include "framework/ctb/TnUtilOpcoesCtb.h"
#include "framework/db/NutilSql.h"

using nCtbDMLctoCtb_U::DataDe;

namespace {

constexpr const char* kMsgDataTransacao =
    "Atenção, a data informada é diferente da data inicial da transação!\r\nDeseja cancelar ou "
    "criar uma nova transação?";
constexpr const char* kBtnCriarNova = "Criar Nova";
constexpr const char* kMsgLancamentoInexistente =
    "Este lançamento encontra-se fora do período selecionado ou não existe!";
constexpr const char* kMsgLctoProgObrigatorio = "O código do Lançamento Programado é Obrigatório";

// The fields a person still fills after a programmed entry wrote the rest,
// in the order the screen visits them.
constexpr const char* kCamposLctoPadrao[] = {"CODIGOESTAB",   "NUMERODCTO",  "DATALCTOCTB",
                                             "CODIGOHISTCTB", "CONTACTBDEB", "CONTACTBCRED",
                                             "COMPLHIST"};

// The accounts an entry type may use, as a lookup condition.
std::string FiltroTipoControleContabil(const std::string& tipo) {
  const auto valor = [](const char* codigo) { return Nutil::ValorParaFiltro(Value(codigo)); };
  if (tipo == "LN")
    return "TIPOCONTROLECONTABIL = " + valor("LN");
  if (tipo == "LS")
    return "TIPOCONTROLECONTABIL in (" + valor("LN") + ", " + valor("LS") + ")";
  if (tipo == "LF")
    return "TIPOCONTROLECONTABIL in (" + valor("LN") + ", " + valor("LF") + ")";
  return "";
}

}  // namespace

void TnCtbDMLctoCtbBase::LigarHandlersCampos() {
  Campo("DATALCTOCTB").GetDefinicao().OnExit = [this](TField& f) {
    nClientDataSetDATALCTOCTBDefIntExit(f);
  };
  Campo("CHAVELCTOCTB").OnSetText = [this](TField& f, const std::string& t) {
    nClientDataSetCHAVELCTOCTBSetText(f, t);
  };
  Campo("TRANSCTB").OnSetText = [this](TField& f, const std::string& t) {
    nClientDataSetTRANSCTBSetText(f, t);
  };
  Campo("CODIGOLCTOPROG").GetDefinicao().OnExit = [this](TField& f) {
    nClientDataSetCODIGOLCTOPROGDefIntExit(f);
  };
  Campo("DATALCTOCTB").OnChange = [this](TField& f) { nClientDataSetDATALCTOCTBChange(f); };
  Campo("CODIGOLCTOPROG").OnChange = [this](TField& f) { nClientDataSetCODIGOLCTOPROGChange(f); };
  Campo("CONTACTBDEB").GetDefinicao().AntesConfigurar = [this](TField& f) {
    nClientDataSetCONTACTBDEBDefIntAntesConfigurar(f);
  };
  Campo("CONTACTBCRED").GetDefinicao().AntesConfigurar = [this](TField& f) {
    nClientDataSetCONTACTBCREDDefIntAntesConfigurar(f);
  };
}

// ---- Date ----

void TnCtbDMLctoCtbBase::nClientDataSetDATALCTOCTBDefIntExit(TField& sender) {
  ChecarConfigurarCampo(sender);
  if (!DataSetEditando())
    return;
  const TField& data = Campo("DATALCTOCTB");
  if (!data.IsNull())
    Nctbsfuncoes::VerificarPeriodoSelecionado(data, GetDataInicialSelecao(), GetDataFinalSelecao());
  if ((GetPossuiSPED() || GetEhOptanteIFRS()) && Importacao())
    SeguirTransacaoPelaData();
  if (GetEhOptanteIFRS() && !data.IsNull())
    SugerirOrigemIFRS(DataDe(data.AsValue()));
}

void TnCtbDMLctoCtbBase::SeguirTransacaoPelaData() {
  TField& trans = Campo("TRANSCTB");
  const TField& data = Campo("DATALCTOCTB");
  if (FTransacao.Data.IsZero()) {
    if (FTransacao.Numero != 0)
      Atribuir(trans, Value(static_cast<int64_t>(FTransacao.Numero)));
    return;
  }
  if (data.IsNull() || DataDe(data.AsValue()) == DateOf(FTransacao.Data))
    return;
  const std::string resposta = Ndialogs::nMessageDlg(kMsgDataTransacao, TMsgDlgType::mtConfirmation,
                                                     {kBtnCancelar, kBtnCriarNova});
  if (resposta == kBtnCancelar) {
    if (Form() != nullptr)
      Form()->FocarCampo("DATALCTOCTB");
    throw EAbort();
  }
  GetNextTransacao();
  Atribuir(trans, Value(static_cast<int64_t>(FTransacao.Numero)));
  FTransacao.Data = DataDe(data.AsValue());
}

void TnCtbDMLctoCtbBase::SugerirOrigemIFRS(TDateTime data) {
  const int64_t empresa = PegarCodigoEmpresa();
  TControleExercicioSocialCtb& exercicio = ControleExercicioSocialCtb();
  exercicio.SetCodigoEmpresa(empresa);
  exercicio.SetData(data);
  // A re-worked period takes only adjustment entries; the test comes first.
  if (exercicio.GetSituacaoExercicio() == kSituacaoExercicioReelaborado) {
    Atribuir(Campo("CODIGOORIGLCTOCTB"), Value("AA"));
    return;
  }
  ControleOpcaoIFRS().SetCodigoEmpresa(empresa);
  if (data == DateOf(ControleOpcaoIFRS().GetDATAOPCAO()))
    Atribuir(Campo("CODIGOORIGLCTOCTB"), Value("AI"));
}

// ---- Entry key ----

void TnCtbDMLctoCtbBase::nClientDataSetCHAVELCTOCTBSetText(TField& sender,
                                                           const std::string& text) {
  LocalizarDigitado(sender, text);
}

void TnCtbDMLctoCtbBase::nClientDataSetTRANSCTBSetText(TField& sender, const std::string& text) {
  LocalizarDigitado(sender, text);
}

void TnCtbDMLctoCtbBase::LocalizarDigitado(TField& sender, const std::string& text) {
  TnClientDataSet& cds = nClientDataSet;
  const bool modo2 = ModoForm() == 2;
  const bool move = TemTela() && (cds.State() == TDataSetState::dsEdit ||
                                  (cds.State() == TDataSetState::dsInsert && modo2));
  if (!move) {
    sender.SetValue(Value(text));
    return;
  }
  int64_t numero = 0;  // a text that is no number names no entry
  Nutil::TryStrToInt64(Nutil::Trim(text), numero);
  const Value empresa = Campo("CODIGOEMPRESA").AsValue();
  const std::string coluna = sender.FieldName();
  std::string condicao;
  if (modo2)
    condicao = Nutil::ValorParaSQL(Campo("CODIGOEMPRESA"), "=") + " and " + coluna + " = " +
               Nutil::ValorParaSQL(Value(numero)) + " and DataLctoCtb Between " +
               Nutil::ValorParaSQL(Value(GetDataInicialSelecao())) + " and " +
               Nutil::ValorParaSQL(Value(GetDataFinalSelecao()));
  cds.Cancel();
  const std::string campos = "CODIGOEMPRESA;" + coluna;
  bool achou = numero != 0 && cds.Locate(campos, {empresa, Value(numero)});
  if (!achou && numero != 0 && modo2) {
    FetchRegistros(condicao);
    achou = cds.Locate(campos, {empresa, Value(numero)});
  }
  if (!achou)
    Ndialogs::nMessageDlg(kMsgLancamentoInexistente, TMsgDlgType::mtInformation, BotoesOk());
}

// ---- Programmed entry ----

void TnCtbDMLctoCtbBase::nClientDataSetCODIGOLCTOPROGDefIntExit(TField& sender) {
  if (!DataSetEditando())
    return;
  if (sender.IsNull()) {
    if (Form() != nullptr)
      Form()->FocarCampo(sender.FieldName());
    throw EnField(kMsgLctoProgObrigatorio, sender.FieldName());
  }
  TnUtilControleLctoPadrao& padrao = PosicionarLctoProg(sender.AsInteger());
  if (padrao.VerificarSequencia())
    return;
  padrao.LimparChaveOld();
  InserirLctoProg();
}

void TnCtbDMLctoCtbBase::FocalizaCamposLctoPadrao() {
  TnForm* form = Form();
  if (form == nullptr)
    return;
  form->FocarCampo("VALORLCTOCTB");
  for (const char* nome : kCamposLctoPadrao) {
    const TnFraField* controle = EdFindFieldControl(Campo(nome));
    if (controle != nullptr && controle->Visible && controle->Enabled) {
      form->FocarCampo(nome);
      return;
    }
  }
}

// ---- Account lookups ----

void TnCtbDMLctoCtbBase::DoDepoisCriarFiltroCONTACTB(void* /*sender*/, std::string& filtro) {
  if (!GetEhOptanteIFRS())
    return;
  const std::string termo =
      FiltroTipoControleContabil(Nutil::Trim(Campo("TIPOLANCAMENTO").AsString()));
  if (termo.empty())
    return;
  if (filtro.empty())
    filtro = termo;
  else
    filtro += " and (" + termo + ")";
}
