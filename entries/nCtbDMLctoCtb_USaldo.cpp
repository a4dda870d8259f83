// What the screen shows beside the entry: the parent account (title) and
// the balance of each account at the entry's date and branch, kept in a
// small cache (on the desktop each insert, edit and delete moves it, so the
// figure stays right without reading the balances again); and the panel
// below it, with the period's differences and the user's last entries.
#include <algorithm>
#include <optional>

#include "balances/nCtbRepositorioSaldoCtb_U.h"
#include "entries/nCtbDMLctoCtb_U.h"
#include "framework/app/NutilAmbiente.h"
#include "framework/app/Nutilform.h"
#include "framework/app/TnForm.h"
#include "framework/app/TnUtilConsultaWeb.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatFloat.h"
#include "framework/core/Nutil.h"
#include "framework/ctb/HistoricoPadrao.h"
#include "framework/ctb/TnUtilControleLctoPadrao.h"
#include "framework/ctb/TnUtilCtb.h"
#include "framework/ctb/TnUtilOpcoesCtb.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnSessao.h"

using nCtbDMLctoCtb_U::DataDe;

namespace {

constexpr const char* kCampoConta[2] = {"CONTACTBDEB", "CONTACTBCRED"};
constexpr uint32_t kCorSaldo = 0x00808080;   // grey
constexpr uint32_t kCorTitulo = 0x00C08000;  // blue, red 0 green 128 blue 192
constexpr int kMargemDireita = 130;

constexpr const char* kSelectUltimosLctos =
    "select {LIMIT(10)}   L.CODIGOEMPRESA , L.CODIGOUSUARIO , L.CHAVELCTOCTB , L.TRANSCTB , "
    "L.TIPOLANCAMENTO , L.CODIGOESTAB , L.DATALCTOCTB , L.CONTACTBDEB , L.CONTACTBCRED , "
    "L.VALORLCTOCTB , L.CODIGOHISTCTB , L.COMPLHIST , L.CODIGOORIGLCTOCTB , H.DESCRHISTCTB , "
    "cast('' as varchar(100)) HISTORICO from LCTOCTB L left join HISTORICOCTB H on "
    "L.CODIGOHISTCTB = H.CODIGOHISTCTB where L.CODIGOEMPRESA = :pCodigoEmpresa and "
    "L.CODIGOUSUARIO = :pCodigousuario and L.DATALCTOCTB between :pDataIni and :pDataFim order "
    "by L.CODIGOEMPRESA, L.CHAVELCTOCTB desc ";

bool MostraSaldo(TnTipoExibeTituloSaldo tipo) {
  return tipo == teAmbos || tipo == teSaldo;
}

bool MostraTitulo(TnTipoExibeTituloSaldo tipo) {
  return tipo == teAmbos || tipo == teTitulo;
}

bool TelaPequena(const TnForm& form) {
  return form.ScreenWidth < 801 && form.ScreenHeight < 601;
}

// A balance against the account's nature reads in parentheses with the
// other side's letter.
std::string FormatarSaldo(int natureza, Currency debito, Currency credito) {
  if (natureza == 1)
    return FormatFloat("#,##0.00 D;(#,##0.00) C", debito - credito);
  return FormatFloat("#,##0.00 C;(#,##0.00) D", credito - debito);
}

}  // namespace

TnTipoExibeTituloSaldo TnCtbDMLctoCtbBase::GetTipoExibeTituloSaldo() {
  PegarConfigEmpresa(false);
  return static_cast<TnTipoExibeTituloSaldo>(FConfig.Empresa.TipoExibeTituloSaldo);
}

// ---- The balance cache ----

std::string TnCtbDMLctoCtbBase::BuscarSaldo(int64_t codigoEmpresa, int codigoEstab, double conta,
                                            TDateTime data) {
  if (!cdsSaldos.FindKey({Value(data), Value(int64_t{codigoEstab}), Value(conta)})) {
    ControleCTB().SetCodigoEmpresa(PegarCodigoEmpresa());
    ControleCTB().SetConta(static_cast<int64_t>(conta));
    if (!ControleCTB().GetContaValida())
      return FormatFloat("#,##0.00", Currency());
    // An account outside every nature group shows nothing either.
    const std::optional<int> natureza =
        ControleCTB().Naturezas().ProcurarNatureza(ControleCTB().DadosConta().ClassifConta);
    if (!natureza)
      return FormatFloat("#,##0.00", Currency());
    // Sums past what an amount column holds: the help beside the field is
    // left blank rather than stop the person keying. Inside the entry's
    // transaction the read runs apart, so that its failure leaves the
    // transaction to be saved.
    const auto carregar = [&] {
      CarregarSaldoCache(codigoEmpresa, codigoEstab, conta, data, *natureza);
    };
    try {
      if (!Conexao().InTransaction())
        carregar();
      else if (!Conexao().ExecutarParcial(carregar))
        return "";
    } catch (const EDatabaseError&) {
      return "";
    }
  }
  return FormatarSaldo(static_cast<int>(cdsSaldos.FieldByName("NaturConta").AsInteger()),
                       cdsSaldos.FieldByName("ValorDebito").AsCurrency(),
                       cdsSaldos.FieldByName("ValorCredito").AsCurrency());
}

nlohmann::ordered_json TnCtbDMLctoCtbBase::AlterarCampoDebitoCreditoAjax(int64_t codigoEmpresa,
                                                                         int codigoEstab,
                                                                         int64_t conta,
                                                                         TDateTime data,
                                                                         const std::string& campo) {
  nlohmann::ordered_json saldos = {{"DEBITO", "R$ 0,00"}, {"CREDITO", "R$ 0,00"}};
  const char* chave = campo == "debito" ? "DEBITO" : campo == "credito" ? "CREDITO" : nullptr;
  if (chave == nullptr)
    return saldos;
  if (std::string saldo = BuscarSaldo(codigoEmpresa, codigoEstab, static_cast<double>(conta), data);
      !saldo.empty())
    saldos[chave] = std::move(saldo);
  return saldos;
}

// The corporate book's movement up to the end of `data` (the balance
// tables: months before, days of the month), for one branch and account.
void TnCtbDMLctoCtbBase::CarregarSaldoCache(int64_t codigoEmpresa, int codigoEstab, double conta,
                                            TDateTime data, int natureza) {
  TnParansSaldoCtb parans;
  parans.TipoSaldoCtb = TnTipoSaldoCtb::tscSocietario;
  parans.CodigoEmpresa = codigoEmpresa;
  parans.CodigoEstab = std::to_string(codigoEstab);
  parans.DataInicial = data + 1;
  parans.DataFinal = data + 1;
  parans.ContaCtbInclusion = std::to_string(static_cast<int64_t>(conta));
  parans.RelacionarFilial = true;
  parans.ConsiderarFiltroLctoCtb = false;
  TUsarConexao usarConexao(Conexao());
  std::unique_ptr<TnClientDataSet> cursor = LerMovSaldoAnterior(parans);
  Currency debito;
  Currency credito;
  for (cursor->First(); !cursor->Eof(); cursor->Next()) {
    debito += cursor->FieldByName("VALORDEB").AsCurrency();
    credito += cursor->FieldByName("VALORCRED").AsCurrency();
  }
  Nutildb::DestruirSQL(cursor);
  cdsSaldos.AppendRecord({Value(data), Value(int64_t{codigoEstab}), Value(conta),
                          Value(int64_t{natureza}), Value(debito), Value(credito)});
}

// Adds (tipoAndar 1) or subtracts (2) `valor` on the side of `natureza` of
// every cached balance of the branch and account from `data` on.
void TnCtbDMLctoCtbBase::AndarSaldos(int tipoAndar, int natureza, int codigoEstab, TDateTime data,
                                     double conta, Currency valor) {
  cdsSaldos.SetFilter("DATASALDO >= " + Nutil::ValorParaFiltro(Value(data)) +
                      " and CODIGOESTAB = " + Nutil::ValorParaFiltro(Value(int64_t{codigoEstab})) +
                      " and CONTACTB = " + Nutil::ValorParaFiltro(Value(conta)));
  cdsSaldos.SetFiltered(true);
  TField& lado = cdsSaldos.FieldByName(natureza == 1 ? "ValorDebito" : "ValorCredito");
  const Currency quantia = tipoAndar == 1 ? valor : -valor;
  for (cdsSaldos.First(); !cdsSaldos.Eof(); cdsSaldos.Next()) {
    cdsSaldos.Edit();
    lado.SetAsCurrency(Nutil::RoundValor(lado.AsCurrency() + quantia, 2));
    cdsSaldos.Post();
  }
  cdsSaldos.SetFilter("");
  cdsSaldos.SetFiltered(false);
}

void TnCtbDMLctoCtb::AtualizarSaldo(int operacao, int natureza, int codigoEstab, TDateTime data,
                                    double conta, Currency valor,
                                    const std::string& tipoLancamento) {
  // Tax entries never enter the corporate balance shown.
  if (tipoLancamento == "LF")
    return;
  const ValueArray chave = {Value(data), Value(int64_t{codigoEstab}), Value(conta)};
  if (operacao == 1) {
    if (cdsSaldos.FindKey(chave))
      AndarSaldos(1, natureza, codigoEstab, data, conta, valor);
    return;
  }
  if (operacao == 2) {
    if (!cdsSaldos.FindKey(chave))
      return;
    // The day itself is read again when shown.
    cdsSaldos.Delete();
    AndarSaldos(2, natureza, codigoEstab, data, conta, valor);
    return;
  }
  const Value dataOld = Campo("DATALCTOCTB").OldValue();
  const Value estabOld = Campo("CODIGOESTAB").OldValue();
  const Value valorOld = Campo("VALORLCTOCTB").OldValue();
  const Value contaOld = Campo(natureza == 1 ? "CONTACTBDEB" : "CONTACTBCRED").OldValue();
  if (dataOld.IsNull() || estabOld.IsNull() || valorOld.IsNull() || contaOld.IsNull())
    return;
  const int estabAnterior = static_cast<int>(estabOld.AsInteger());
  const double contaAnterior = contaOld.AsFloat();
  if (conta != contaAnterior || codigoEstab != estabAnterior || data != DataDe(dataOld)) {
    // Both the old and the new account are read again when shown.
    auto doPar = [&](int estab, double contaPar) {
      return cdsSaldos.FieldByName("CodigoEstab").AsInteger() == estab &&
             cdsSaldos.FieldByName("ContaCtb").AsFloat() == contaPar;
    };
    for (cdsSaldos.First(); !cdsSaldos.Eof();) {
      if (doPar(codigoEstab, conta) || doPar(estabAnterior, contaAnterior))
        cdsSaldos.Delete();
      else
        cdsSaldos.Next();
    }
    return;
  }
  const Currency anterior = valorOld.AsCurrency();
  if (anterior == valor || !cdsSaldos.FindKey(chave))
    return;
  if (valor > anterior)
    AndarSaldos(1, natureza, codigoEstab, data, conta, valor - anterior);
  else
    AndarSaldos(2, natureza, codigoEstab, data, conta, anterior - valor);
}

void TnCtbDMLctoCtb::AtualizarSaldosAntesGravar(TDataSetState estado) {
  if (!Tela() || !MostraSaldo(GetTipoExibeTituloSaldo()))
    return;
  const int estab = static_cast<int>(Campo("CODIGOESTAB").AsInteger());
  const TDateTime data = DataDe(Campo("DATALCTOCTB").AsValue());
  const Currency valor = Campo("VALORLCTOCTB").AsCurrency();
  const std::string tipo = Campo("TIPOLANCAMENTO").AsString();
  for (int lado = 0; lado < 2; ++lado) {
    const TField& conta = Campo(kCampoConta[lado]);
    const int natureza = lado == 0 ? 1 : -1;
    if (estado == TDataSetState::dsInsert) {
      if (!conta.IsNull())
        AtualizarSaldo(1, natureza, estab, data, conta.AsFloat(), valor, tipo);
    } else {
      AtualizarSaldo(3, natureza, estab, data, conta.AsFloat(), valor, tipo);
    }
  }
}

void TnCtbDMLctoCtb::AtualizarSaldosAntesExcluir() {
  if (!Tela())
    return;
  const int estab = static_cast<int>(Campo("CODIGOESTAB").AsInteger());
  const TDateTime data = DataDe(Campo("DATALCTOCTB").AsValue());
  for (int lado = 0; lado < 2; ++lado) {
    const TField& conta = Campo(kCampoConta[lado]);
    if (!conta.IsNull())
      AtualizarSaldo(2, lado == 0 ? 1 : -1, estab, data, conta.AsFloat(),
                     Campo("VALORLCTOCTB").AsCurrency(), Campo("TIPOLANCAMENTO").AsString());
  }
  if (Nutil::EhCloud())
    return;
  for (TnLabel* const* labels : {FExibicao.LblCta, FExibicao.LblDescr, FExibicao.LblCtaSaldo}) {
    for (int lado = 0; lado < 2; ++lado) {
      if (labels[lado] != nullptr)
        labels[lado]->Caption.clear();
    }
  }
}

// ---- Labels beside the accounts ----

void TnCtbDMLctoCtbBase::ExibeSaldo(int lado) {
  if (FExibicao.LblCtaSaldo[lado] == nullptr)
    return;
  FExibicao.LblCtaSaldo[lado]->Caption.clear();
  if (FExibicao.PanelSaldo[lado] == nullptr || !FExibicao.PanelSaldo[lado]->Visible ||
      !nClientDataSet.Active())
    return;
  const TField& conta = Campo(kCampoConta[lado]);
  const int64_t estab = Campo("CODIGOESTAB").AsInteger();
  const TDateTime data = DataDe(Campo("DATALCTOCTB").AsValue());
  if (Campo("TIPOLANCAMENTO").AsString() == "LF" || !MostraSaldo(GetTipoExibeTituloSaldo()) ||
      (estab == 0 && data.IsZero()) || conta.IsNull())
    return;
  FExibicao.LblCtaSaldo[lado]->Caption = BuscarSaldo(
      Campo("CODIGOEMPRESA").AsInteger(), static_cast<int>(estab), conta.AsFloat(), data);
}

void TnCtbDMLctoCtbBase::ExibeTitulo(int lado) {
  if (FExibicao.FraTitulo[lado] == nullptr || !FExibicao.FraTitulo[lado]->Visible)
    return;
  const TnTipoExibeTituloSaldo tipo = GetTipoExibeTituloSaldo();
  const int64_t conta = nClientDataSet.Active() ? Campo(kCampoConta[lado]).AsInteger() : 0;
  if (!MostraTitulo(tipo) || conta == 0) {
    FExibicao.LblCta[lado]->Caption.clear();
    FExibicao.LblDescr[lado]->Caption.clear();
    return;
  }
  ControleCTB().SetCodigoEmpresa(PegarCodigoEmpresa());
  const TnFraField* frame = EdFindFieldControl(Campo(kCampoConta[lado]));
  ControleCTB().SetConta(conta, frame != nullptr ? frame->Descricao : "");
  FExibicao.LblCta[lado]->Caption =
      lado == 0 ? ControleCTB().GetContaDebPai() : ControleCTB().GetContaCredPai();
  FExibicao.LblDescr[lado]->Caption =
      lado == 0 ? ControleCTB().GetDescrDebPai() : ControleCTB().GetDescrCredPai();
}

// ---- Controls ----

// Where the balance sits: right of the account's description box, kept
// 130 pixels from the form's right edge on a small screen or a narrow
// form, never left of the account's edit + 130.
int TnCtbDMLctoCtbBase::LeftPanelSaldo() const {
  const TnForm& form = *Form();
  const TnFraField* conta = EdFindFieldControl(Campo("CONTACTBDEB"));
  const int x = conta != nullptr ? conta->Left : 0;
  const int w = conta != nullptr ? conta->Width : 0;
  const int minimo = x + kMargemDireita;
  const int direita = std::max(form.ClientWidth - kMargemDireita, minimo);
  if (TelaPequena(form))
    return direita;
  return x + w + 2 < form.ClientWidth - kMargemDireita ? x + w + 2 : direita;
}

void TnCtbDMLctoCtbBase::ConfigurarControlSaldo(TnTipoExibeTituloSaldo tipo) {
  TnForm* form = Form();
  if (form == nullptr || form->ClassName() == "TnFrmCadGrid")
    return;
  for (int lado = 0; lado < 2; ++lado) {
    if (FExibicao.PanelSaldo[lado] != nullptr)
      continue;
    const TnFraField* conta = EdFindFieldControl(Campo(kCampoConta[lado]));
    const std::string pai = conta != nullptr ? conta->Name() : "";
    TnPanel& panel = form->Criar<TnPanel>(kPanelSaldo[lado], pai);
    panel.Width = conta != nullptr ? conta->Width : 0;
    panel.Visible = false;
    TnLabel& label = form->Criar<TnLabel>(kLblCtaSaldo[lado], kPanelSaldo[lado]);
    label.Color = kCorSaldo;
    label.Bold = true;
    label.Top = panel.Top + 4;
    label.Left = 1;
    FExibicao.PanelSaldo[lado] = &panel;
    FExibicao.LblCtaSaldo[lado] = &label;
  }
  const bool visivel = MostraSaldo(tipo);
  const int left = visivel ? LeftPanelSaldo() : 0;
  for (TnPanel* panel : FExibicao.PanelSaldo) {
    panel->Visible = visivel;
    if (visivel)
      panel->Left = left;
  }
}

void TnCtbDMLctoCtbBase::CriarTituloConta(const char* campoConta) {
  TnForm* form = Form();
  const int lado = std::string(campoConta) == kCampoConta[0] ? 0 : 1;
  if (form == nullptr || FExibicao.FraTitulo[lado] != nullptr)
    return;
  const TnFraField* conta = EdFindFieldControl(Campo(campoConta));
  TnPanel& titulo = form->Criar<TnPanel>(kFraTitulo[lado], conta != nullptr ? conta->Name() : "");
  titulo.Visible = false;
  FExibicao.FraTitulo[lado] = &titulo;
  const int topo = (conta != nullptr ? conta->EditTop : 0) + 4;
  const auto criarLabel = [&](const char* nome) {
    TnLabel& label = form->Criar<TnLabel>(nome, kFraTitulo[lado]);
    label.Color = kCorTitulo;
    label.Top = topo;
    return &label;
  };
  FExibicao.LblCta[lado] = criarLabel(kLblCta[lado]);
  FExibicao.LblDescr[lado] = criarLabel(kLblDescr[lado]);
}

void TnCtbDMLctoCtbBase::nClientDataSetCONTACTBDEBDefIntAntesConfigurar(TField& sender) {
  if (!Nutil::EhCloud() && !Importacao())
    CriarTituloConta(sender.FieldName().c_str());
}

void TnCtbDMLctoCtbBase::nClientDataSetCONTACTBCREDDefIntAntesConfigurar(TField& sender) {
  if (!Nutil::EhCloud() && !Importacao())
    CriarTituloConta(sender.FieldName().c_str());
}

void TnCtbDMLctoCtbBase::ConfigurarControlTitulo(TnTipoExibeTituloSaldo tipo) {
  TnForm* form = Form();
  if (form == nullptr || form->ClassName() == "TnFrmCadGrid")
    return;
  for (int lado = 0; lado < 2; ++lado) {
    // Built with the account field's controls; none in import mode.
    if (FExibicao.FraTitulo[lado] == nullptr)
      continue;
    const bool visivel = MostraTitulo(tipo);
    FExibicao.FraTitulo[lado]->Visible = visivel;
    if (!visivel)
      continue;
    const TnFraField* conta = EdFindFieldControl(Campo(kCampoConta[lado]));
    const int left = conta != nullptr ? conta->Left : 0;
    const int width = conta != nullptr ? conta->Width : 0;
    FExibicao.FraTitulo[lado]->Top = 0;
    FExibicao.LblCta[lado]->Left = left;
    FExibicao.LblCta[lado]->Width = std::max(width - 4, 0);
    FExibicao.LblDescr[lado]->Left = left + 3;
    FExibicao.LblDescr[lado]->Width = width;
  }
}

void TnCtbDMLctoCtbBase::ReorganizaLayout() {
  TnForm* form = Form();
  if (form == nullptr)
    return;
  TnFraField* memo = EdFindFieldControl(Campo("COMPLHIST"));
  if (GetControlarDiferenca() && memo != nullptr) {
    // The panel below takes room from the complement.
    if (FExibicao.ComplHeight == 0)
      FExibicao.ComplHeight = memo->Height;
    memo->Height = TelaPequena(*form) ? FExibicao.ComplHeight - 35 : FExibicao.ComplHeight;
    if (TnFraField* cotacao = EdFindFieldControl(Campo("COTACAOMOEDA")))
      cotacao->Top = memo->Top + memo->Height + 1;
  }
  if (!Nutil::EhCloud() && MostraSaldo(GetTipoExibeTituloSaldo()) &&
      FExibicao.PanelSaldo[0] != nullptr && FExibicao.PanelSaldo[1] != nullptr &&
      FExibicao.LblCtaSaldo[0] != nullptr && FExibicao.LblCtaSaldo[1] != nullptr) {
    const int left = LeftPanelSaldo();
    FExibicao.PanelSaldo[0]->Left = left;
    FExibicao.PanelSaldo[1]->Left = left;
  }
}

void TnCtbDMLctoCtbBase::FormResize(TnForm& /*form*/) {
  ReorganizaLayout();
}

void TnCtbDMLctoCtbBase::FormShow(TnForm& /*form*/) {
  ReorganizaLayout();
}

TnForm& TnCtbDMLctoCtbBase::CriarForm() {
  TnForm& form = TnDMClientDataSet::CriarForm();
  PegarConfigEmpresa();
  if (!Nutil::EhCloud() && !Importacao() && TemTela()) {
    ExibeTituloDeb();
    ExibeSaldoDeb();
    ExibeTituloCred();
    ExibeSaldoCred();
  }
  return form;
}

// ---- Web balances ----

void TnCtbDMLctoCtbBase::nClientDataSetCalcFields(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetCalcFields(dataSet);
  if (!Nutil::EhHttpExe() || Importacao())
    return;
  const int64_t empresa = Campo("CODIGOEMPRESA").AsInteger();
  const TDateTime data = DataDe(Campo("DATALCTOCTB").AsValue());
  if (TField* natureza = nClientDataSet.FindField("NATURLCTOCTB")) {
    if (VerificarContaRateio(empresa, Campo("CONTACTBDEB").AsValue(), data))
      natureza->SetAsInteger(1);
    if (VerificarContaRateio(empresa, Campo("CONTACTBCRED").AsValue(), data))
      natureza->SetAsInteger(-1);
  }
  const int estab = static_cast<int>(Campo("CODIGOESTAB").AsInteger());
  for (int lado = 0; lado < 2; ++lado) {
    TField& saldo = Campo(lado == 0 ? "VALORDEBITO" : "VALORCREDITO");
    saldo.SetAsString(Campo("DATALCTOCTB").IsNull()
                          ? "R$ 0,00"
                          : BuscarSaldo(empresa, estab, Campo(kCampoConta[lado]).AsFloat(), data));
  }
}

// ---- The differences panel ----

void TnCtbDMLctoCtbBase::CarregarValorDifeLctoCtb(TnTipoOperacao operacao) {
  TnDifLctoCtb& dif = FExibicao.DifLctoCtb;
  dif.Operacao = operacao;
  dif.Novo = operacao == toExclusao ? TLctoCtb() : TLctoCtb::DoRegistro(nClientDataSet);
  dif.Anterior = nClientDataSet.State() == TDataSetState::dsInsert
                     ? TLctoCtb()
                     : TLctoCtb::DoRegistroAnterior(nClientDataSet);
}

bool TnCtbDMLctoCtbBase::GetControlarDiferenca() const {
  // A screen opened on one entry has no period to show.
  if (FiltroAbertura().find("CHAVELCTOCTB") != std::string::npos)
    return false;
  return (FControlarDiferenca || FConfig.Empresa.UsaUltimosLcto) && !Importacao();
}

void TnCtbDMLctoCtbBase::CheckDifSaldo() {
  if (!FExibicao.DMDifSaldo)
    FExibicao.DMDifSaldo =
        Nutilform::CriarDMNovo<TnDMValorSaldoDebCred>(TnDMValorSaldoDebCred::kClassName);
  FExibicao.DMDifSaldo->SetTipoDiferenca(tdDiaFilial);
  FExibicao.DMDifSaldo->SetSelecao(Selecao().CodigoEmpresa(), GetDataInicialSelecao(),
                                   GetDataFinalSelecao());
  FExibicao.DMDifSaldo->SetIgnorarFiscal(GetEhOptanteIFRS());
  FExibicao.CDSDiferenca = &FExibicao.DMDifSaldo->cdsDiferenca();
  FExibicao.DMDifSaldo->CalcularDiferencas();
  if (TemTransacoes()) {
    FExibicao.DMDifSaldo->AbrirDiferencaTransacao();
    FExibicao.CDSDifTransacao = &FExibicao.DMDifSaldo->cdsDifTransacao();
    FExibicao.CDSDifTransacao->SetIndexFieldNames("TRANSCTB");
  }
}

// SPED books at the selection's end, or IFRS. Asked of the library, not of
// GetPossuiSPED: that one keeps its answer (and resets the open transaction)
// by company, and before the first entry has no date to ask with.
bool TnCtbDMLctoCtbBase::TemTransacoes() {
  if (GetEhOptanteIFRS())
    return true;
  ControleSPEDContabil().SetCodigoEmpresa(Selecao().CodigoEmpresa());
  ControleSPEDContabil().SetDataFinal(GetDataFinalSelecao());
  return ControleSPEDContabil().GetEhOpSPEDCtb();
}

void TnCtbDMLctoCtbBase::CriarFraDifSaldo(TnForm* form) {
  if (!FExibicao.FraDifSaldo) {
    FExibicao.FraDifSaldo = std::make_unique<TnFraValorSaldoDebCred>();
    FExibicao.FraDifSaldo->SetLctoProgramado(ControleLctoPadrao().GetUsaLctoProg());
    if (form != nullptr && form->Controle(kFraDifSeparador) == nullptr) {
      FExibicao.FraDifSeparador = &form->Criar<TnSplitter>(kFraDifSeparador);
      FExibicao.FraDifSeparador->Align = "alBottom";
      FExibicao.FraDifSeparador->Visible = false;
    }
  }
  TnFraValorSaldoDebCred& frame = *FExibicao.FraDifSaldo;
  frame.dsDiferenca = FExibicao.CDSDiferenca;
  frame.dsUltimosLancamentos = &nClientDataSetUlt;
  if (FDMLctoProgramado) {
    frame.dsLctoProgramado = &FDMLctoProgramado->MemTableEh();
    frame.SetOnDoubleClickGridLctoProg([this] { nDbGridEhLctoProgDblClick(); });
  }
  frame.SetCodigoEmpresa(Selecao().CodigoEmpresa());
  frame.SetDataIniSelecao(GetDataInicialSelecao());
  frame.SetDataFimSelecao(GetDataFinalSelecao());
  const bool transacoes = TemTransacoes();
  frame.SetOptanteSPED(transacoes);
  if (transacoes) {
    if (PegarCodigoEmpresa() != 0)
      frame.SetCodigoEmpresa(PegarCodigoEmpresa());
    frame.dsDifTransacao = FExibicao.CDSDifTransacao;
  }
  frame.SetExibirUltimosLancamentos(GetExibirUltimosLancamentos());
  frame.SetExibirDiferencas(FConfig.Empresa.UsaDifLancamento);
  frame.SetOnDoubleClickGridLcto([this](int64_t chave) { OnDoubleClickGridLcto(chave); });
  CarregarUltimosLctoUsuario();
}

void TnCtbDMLctoCtbBase::ConfigurarPainelDiferenca() {
  // A company that controls differences sees them from the start, not only
  // after its first post.
  if (FConfig.Empresa.UsaDifLancamento)
    FControlarDiferenca = true;
  if (!GetControlarDiferenca() || !TemTela() || Nutil::EhHttpExe() ||
      Selecao().CodigoEmpresa() == 0)
    return;
  CheckDifSaldo();
  CriarFraDifSaldo(Form());
  MostrarDiferenca();
}

void TnCtbDMLctoCtbBase::MostrarDiferenca() {
  if (!FExibicao.FraDifSaldo)
    return;
  FExibicao.FraDifSaldo->Mostrar();
  if (FExibicao.FraDifSeparador != nullptr)
    FExibicao.FraDifSeparador->Visible = true;
}

void TnCtbDMLctoCtbBase::AtualizarDiferencaDepoisGravar() {
  if (!FExibicao.DMDifSaldo)
    return;
  if (GetControlarDiferenca()) {
    // A changed entry type may move the entry in or out of what is counted.
    if (FExibicao.DifLctoCtb.Operacao == toAlteracao &&
        FExibicao.DifLctoCtb.Novo.TipoLancamento != FExibicao.DifLctoCtb.Anterior.TipoLancamento)
      FExibicao.DMDifSaldo->CalcularDiferencas();
    else
      FExibicao.DMDifSaldo->CalcularDiferencaRecord(FExibicao.DifLctoCtb);
    MostrarDiferenca();
  }
  CarregarUltimosLctoUsuario();
  MostrarDiferenca();
}

void TnCtbDMLctoCtbBase::OnDoubleClickGridLcto(int64_t chaveLctoCtb) {
  TnClientDataSet& cds = nClientDataSet;
  if (cds.State() == TDataSetState::dsEdit)
    cds.Cancel();
  else if (cds.State() == TDataSetState::dsInsert)
    cds.Post();
  cds.Locate("CODIGOEMPRESA;CHAVELCTOCTB", {Value(PegarCodigoEmpresa()), Value(chaveLctoCtb)});
}

// ---- The user's last entries ----

bool TnCtbDMLctoCtbBase::GetExibirUltimosLancamentos() {
  PegarConfigEmpresa();
  return FConfig.Empresa.UsaUltimosLcto;
}

std::unique_ptr<TnClientDataSet> TnCtbDMLctoCtbBase::GetUltimosLctosUsu() {
  return Nutildb::ExecutarSQL(Conexao(), kSelectUltimosLctos,
                              {{"pCodigoEmpresa", Value(Selecao().CodigoEmpresa())},
                               {"pCodigousuario", Value(Conexao().CodigoUsuario())},
                               {"pDataIni", Value(GetDataInicialSelecao())},
                               {"pDataFim", Value(GetDataFinalSelecao())}});
}

void TnCtbDMLctoCtbBase::CarregarUltimosLctoUsuario() {
  if (!GetExibirUltimosLancamentos())
    return;
  TnClientDataSet& ult = nClientDataSetUlt;
  PrepararUltimosLancamentos();
  ult.DisableControls();
  ult.EmptyDataSet();
  std::unique_ptr<TnClientDataSet> cursor = GetUltimosLctosUsu();
  for (; !cursor->Eof(); cursor->Next()) {
    ult.Append();
    for (int i = 0; i < cursor->FieldCount(); ++i) {
      const TField& origem = cursor->Fields(i);
      if (TField* destino = ult.FindField(origem.FieldName()))
        destino->SetValue(origem.AsValue());
    }
    const HistoricoPadrao::TLancamento lancamento = {
        cursor->FieldByName("CONTACTBDEB").AsInteger(),
        cursor->FieldByName("CONTACTBCRED").AsInteger(),
        cursor->FieldByName("DATALCTOCTB").AsDateTime()};
    ult.FieldByName("HISTORICO")
        .SetAsString(
            HistoricoPadrao::Texto(cursor->FieldByName("DESCRHISTCTB").AsString(),
                                   cursor->FieldByName("COMPLHIST").AsString(), lancamento,
                                   [this](int64_t conta) { return GetDescricaoConta(conta); }));
    ult.Post();
  }
  ult.First();
  ult.EnableControls();
  Nutildb::DestruirSQL(cursor);
}

std::unique_ptr<TnClientDataSet> TnCtbDMLctoCtb::LerMovSaldoAnterior(
    const TnParansSaldoCtb& parans) {
  return FRepositorioSaldoCtb->CriarMovSaldoCtbAnterior(parans);
}

// Newest first, except on the web page, which orders its own grid.
void TnCtbDMLctoCtb::nClientDataSetUltBeforeOpen() {
  if (!Nutil::EhCloud())
    nClientDataSetUlt.SetIndexName("nClientDataSetIndex3");
}

nlohmann::ordered_json TnCtbDMLctoCtbBase::PegarJsonConteudo() {
  if (GetControlarDiferenca())
    CheckDifSaldo();
  CarregarUltimosLctoUsuario();
  nlohmann::ordered_json grids = nlohmann::ordered_json::array();
  auto grade = [&](TnClientDataSet* dataSet, const char* caption) {
    if (dataSet == nullptr)
      return;
    nlohmann::ordered_json grid = TnUtilConsultaWeb::SerializarDataset(*dataSet);
    grid["Caption"] = caption;
    grids.push_back(std::move(grid));
  };
  if (GetExibirUltimosLancamentos())
    grade(&nClientDataSetUlt, "Últimos Lançamentos");
  grade(FExibicao.CDSDiferenca, "Diferenças no Período");
  grade(FExibicao.CDSDifTransacao, "Diferenças por Transação");
  nlohmann::ordered_json conteudo;
  conteudo["grids"] = std::move(grids);
  conteudo["Name"] = "cxGrids";
  conteudo["twcxGrid"] = true;
  return conteudo;
}
