// The registers a person reaches from the current entry, each created by
// class name for the time its screen is shown; the toolbar buttons and the
// transaction panel the screen gets for the company's options (read in
// nCtbDMLctoCtb_UConfig.cpp).
#include <fmt/format.h>

#include "entries/ITransactionView_U.h"
#include "entries/nCtbDMLctoCtb_U.h"
#include "entries/nCtbDMNotaExplicaPeriodo_U.h"
#include "entries/nCtbDPLctoCtbAnalitico_U.h"
#include "framework/app/NutilAmbiente.h"
#include "framework/app/Nutilform.h"
#include "framework/app/Nutilutil.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/ctb/TnUtilControleLctoPadrao.h"
#include "framework/db/NutilSql.h"
#include "registers/nCtbDMLctoCtbExtemp_U.h"
#include "registers/nCtbDMLctoCtbParticipante_U.h"
#include "registers/nCtbDMLctoCtbQ100_U.h"
#include "registers/nCtbDMRelacLctoCtbIFRS_U.h"

using nCtbDMLctoCtb_U::DataDe;

namespace {

// The selection parameter the relation screen opens on.
constexpr const char* kParamLctoFiscal = "CHAVELCTOCTBFIS";
// The origin of an extemporaneous entry.
constexpr const char* kOrigemExtemporaneo = "XX";

// The transaction panel: where it sits and how the number stands out.
constexpr const char* kPanelTrans = "PanelTrans";
constexpr int kTopoPanelTrans = 60;
constexpr int kFonteTransacao = 10;

}  // namespace

// ---- Showing a linked screen ----

void TnCtbDMLctoCtbBase::MostrarTelaVinculada(TnDMClientDataSet& modulo) {
  if (FOnTelaVinculada)
    FOnTelaVinculada(modulo);
  modulo.CriarForm().ShowModal();
}

template <class T>
std::unique_ptr<T> TnCtbDMLctoCtbBase::CriarTelaVinculada(const char* classe) {
  auto modulo = Nutilform::CriarDMNovo<T>(classe);
  modulo->SetConexao(ConexaoDefinida());
  modulo->ConfigSobDemanda();
  return modulo;
}

void TnCtbDMLctoCtbBase::MostrarTelaIndividual(const char* classe, bool abrir) {
  std::unique_ptr<TnDMClientDataSet> modulo = CriarTelaVinculada<TnDMClientDataSet>(classe);
  // A register form of its own, decorations and all.
  modulo->SetModoForm(2);
  modulo->SetTelaSecundaria(false);
  modulo->CriarForm();
  if (abrir)
    modulo->Abrir();
  MostrarTelaVinculada(*modulo);
}

// ---- The screens ----

void TnCtbDMLctoCtb::actLctoCtbRelacFiscalSocietario() {
  if (Nutil::Trim(Campo("TIPOLANCAMENTO").AsString()) != "LF" || Nutil::EhCloud())
    return;
  nDMSelecao().CriarParam(kParamLctoFiscal, Campo("CHAVELCTOCTB").AsValue());
  try {
    MostrarTelaIndividual(TnCtbDMRelacLctoCtbIFRS::kClassName, true);
  } catch (...) {
    nDMSelecao().DeletarParam(kParamLctoFiscal);
    throw;
  }
  nDMSelecao().DeletarParam(kParamLctoFiscal);
}

void TnCtbDMLctoCtbBase::MostrarNotasExplicativas() {
  MostrarTelaIndividual(TnCtbDMNotaExplicaPeriodo::kClassName, false);
}

void TnCtbDMLctoCtbBase::MostrarCadastroRegistroQ100() {
  if (Importacao() || !(TemTela() || FModoAnalitico) || Nutil::EhCloud() || !EhProdutorRural())
    return;
  auto q100 = CriarTelaVinculada<TnDMClientDataSet>(TnCtbDMLctoCtbQ100::kClassName);
  q100->Abrir(&Selecao());
  q100->CriarForm();
  TnClientDataSet& cds = q100->nClientDataSet;
  const Value empresa = Campo("CODIGOEMPRESA").AsValue();
  const Value chave = Campo("CHAVELCTOCTB").AsValue();
  cds.SetFiltered(false);
  cds.SetFilter("    CODIGOEMPRESA = " + Nutil::ValorParaSQL(empresa) +
                " and CHAVELCTOCTB = " + Nutil::ValorParaSQL(chave));
  cds.SetFiltered(true);
  // The entry's record, or a new one when it has none yet.
  cds.Edit();
  Atribuir(cds.FieldByName("CODIGOEMPRESA"), empresa);
  Atribuir(cds.FieldByName("CHAVELCTOCTB"), chave);
  MostrarTelaVinculada(*q100);
}

bool TnCtbDMLctoCtbBase::PodeMostrarCadastroDataExtemp() const {
  return Nutil::Trim(Campo("CODIGOORIGLCTOCTB").AsString()) == kOrigemExtemporaneo;
}

void TnCtbDMLctoCtbBase::MostrarCadastroDataExtemp() {
  if (!Tela() || !PodeMostrarCadastroDataExtemp())
    return;
  auto extemp = CriarTelaVinculada<TnCtbDMLctoCtbExtemp>(TnCtbDMLctoCtbExtemp::kClassName);
  extemp->SetCodigoEmpresa(Campo("CODIGOEMPRESA").AsInteger());
  extemp->SetCodigoEstab(Campo("CODIGOESTAB").AsInteger());
  extemp->SetChaveLctoCtb(Campo("CHAVELCTOCTB").AsInteger());
  extemp->CriarForm();
  extemp->CarregarLctoCtb();
  MostrarTelaVinculada(*extemp);
}

void TnCtbDMLctoCtbBase::MostrarCadastroParticipante() {
  if (!((Tela() && !Nutil::EhCloud()) || FModoAnalitico))
    return;
  auto participantes =
      CriarTelaVinculada<TnCtbDMLctoCtbParticipante>(TnCtbDMLctoCtbParticipante::kClassName);
  participantes->SetCodigoEmpresa(Campo("CODIGOEMPRESA").AsInteger());
  participantes->SetChaveLctoCtb(Campo("CHAVELCTOCTB").AsInteger());
  participantes->SetContaDebito(Campo("CONTACTBDEB").AsInteger());
  participantes->SetContaCredito(Campo("CONTACTBCRED").AsInteger());
  participantes->SetAlterouContaCredito(FMemoria.AlterouContaCredito(nClientDataSet));
  participantes->SetAlterouContaDebito(FMemoria.AlterouContaDebito(nClientDataSet));
  participantes->Abrir(&Selecao());
  TnForm& form = participantes->CriarForm();
  form.AddOnShow([](TnForm& tela) {
    tela.ClientHeight = 200;
    tela.ClientWidth = 900;
  });
  participantes->FiltrarChaveLctoCtb();
  form.Position = 6;
  MostrarTelaVinculada(*participantes);
}

void TnCtbDMLctoCtbBase::ExibirLancamentoAnalitico() {
  auto analitico = CriarTelaVinculada<TnDMClientDataSet>(TnCtbDPLctoCtbAnalitico::kClassName);
  if (auto* visao = dynamic_cast<ITransactionView*>(analitico.get())) {
    if (FOnTelaVinculada)
      FOnTelaVinculada(*analitico);
    visao->AbrirTransacao(Campo("TRANSCTB").AsInteger());
  }
  analitico.reset();
  Refresh();
}

// ---- Toolbar and transaction panel ----

TnToolButton& TnCtbDMLctoCtb::CriarBotao(const char* caption, const char* hint, const char* atalho,
                                         void (TnCtbDMLctoCtb::*acao)()) {
  return Form()->CriarToolButton(caption, hint, atalho,
                                 [this, acao](TnAction&) { (this->*acao)(); });
}

void TnCtbDMLctoCtb::ConfigurarLctoExpurgo() {
  if (Form() == nullptr || FactLctoSocExpurgo != nullptr)
    return;
  const TnToolButton& botao =
      CriarBotao("Lançamento Fiscal/Societário", "Relacionar Lançamento Fiscal/Societário",
                 "Ctrl+R", &TnCtbDMLctoCtb::actLctoCtbRelacFiscalSocietario);
  FactLctoSocExpurgo = Form()->Actions().Find(botao.NomeAction);
  PegarConfigLctoExpurgo();
}

void TnCtbDMLctoCtb::ConfigurarDataLctoExtemp() {
  if (Form() != nullptr)
    CriarBotao("Data da Ocorrência", "Data da Ocorrência do Lançamento Extemporâneo", "Ctrl+X",
               &TnCtbDMLctoCtb::actDataLctoExtemp);
}

void TnCtbDMLctoCtb::ConfigurarNotasExplicativas() {
  if (Form() != nullptr)
    CriarBotao("Notas Explicativas no Período",
               "Cadastrar as Notas Explicativas relacionadas ao período", "Ctrl+N",
               &TnCtbDMLctoCtb::actNotaExplicaPeriodo);
}

bool TnCtbDMLctoCtbBase::MontarPanelTransacao(bool usa) {
  TnForm* form = Form();
  TField& trans = Campo("TRANSCTB");
  TnFraField* frame = EdFindFieldControl(trans);
  bool montado = false;
  if (FExibicao.PanelTrans == nullptr && !Copia() && usa && frame != nullptr) {
    frame->Align = "alCustom";
    frame->Top = 8;
    frame->Left = 2;
    frame->CorTitulo = kCorVermelho;
    frame->CorEdit = kCorBarraRolagem;
    frame->Negrito = true;
    frame->TamanhoFonte = kFonteTransacao;
    frame->Height = frame->EditTop + frame->EditHeight + 3;
    TnPanel& panel = form->Criar<TnPanel>(kPanelTrans);
    panel.Align = "alTop";
    panel.Top = kTopoPanelTrans;
    panel.Height = frame->Height + 15;
    frame->Parent = kPanelTrans;
    FExibicao.PanelTrans = &panel;
    montado = true;
  }
  EdRequiredField(trans, usa);
  EdVisibleField(trans, usa);
  if (FExibicao.PanelTrans != nullptr)
    FExibicao.PanelTrans->Visible = usa;
  return montado;
}

void TnCtbDMLctoCtb::ConfigurarSPED() {
  TnForm* form = Form();
  if (form == nullptr || Nutil::EhCloud())
    return;
  if (!MontarPanelTransacao(UsaTransacao()))
    return;
  const bool livre = FiltroAbertura().empty();
  for (const auto& [caption, atalho, acao] :
       {std::tuple{"Criar Transação", "Ctrl+F9", &TnCtbDMLctoCtb::actCriarTransacaoExecute},
        std::tuple{"Continuar Transação", "Ctrl+F10",
                   &TnCtbDMLctoCtb::actContinuarTransacaoExecute}}) {
    const TnToolButton& botao = CriarBotao(caption, caption, atalho, acao);
    form->EdEnabledAction(*form->Actions().Find(botao.NomeAction), livre);
  }
}

// ---- Programmed entries ----

void TnCtbDMLctoCtbBase::ConfigurarLctoProg() {
  ControleLctoPadrao().SetCodigoEmpresa(PegarCodigoEmpresa());
  const bool usa = ControleLctoPadrao().GetUsaLctoProg();
  TField& prog = Campo("CODIGOLCTOPROG");
  EdEnabledField(prog, usa);
  EdVisibleField(prog, usa);
}

// ---- Configuration ----

void TnCtbDMLctoCtb::ConfigurarTelasVinculadas(TnForm& form) {
  if (TnAction* participantes = form.Actions().Find("actVincularParticipantes"))
    participantes->SetOnExecute([this](TnAction&) { actParticipanteExecute(); });
  if (FExibicao.ActRegistroQ100 != nullptr)
    FExibicao.ActRegistroQ100->SetOnExecute([this](TnAction&) { actRegistroQ100Execute(); });
  if (TnAction* pesquisar = form.Actions().Find("actPesquisar"))
    pesquisar->SetOnExecute([this](TnAction&) { actPesquisar(); });
  ConfigurarLctoAuto(form);
  CriarDMLctoProgramado();
  ConfigurarSPED();
  ConfigurarLctoProg();
  ConfigurarLctoExpurgo();
  ConfigurarNotasExplicativas();
  ConfigurarDataLctoExtemp();
}

void TnCtbDMLctoCtbBase::AtualizarTelasEmpresa() {
  if (Form() == nullptr)
    return;
  ConfigurarSPED();
  ConfigurarLctoProg();
  DepoisConfigEmpresa();
}

void TnCtbDMLctoCtb::AbrirTela(TTelaLctoCtb tela) {
  switch (tela) {
    case TTelaLctoCtb::GerencialDebito:
      return actLctoGerDebExecute();
    case TTelaLctoCtb::GerencialCredito:
      return actLctoGerCredExecute();
    case TTelaLctoCtb::AtividadeDebito:
      return actLctoAtivDebExecute();
    case TTelaLctoCtb::AtividadeCredito:
      return actLctoAtivCredExecute();
    case TTelaLctoCtb::Participantes:
      return actParticipanteExecute();
    case TTelaLctoCtb::DataOcorrencia:
      return actDataLctoExtemp();
    case TTelaLctoCtb::RegistroQ100:
      return actRegistroQ100Execute();
    case TTelaLctoCtb::FiscalSocietario:
      return actLctoCtbRelacFiscalSocietario();
  }
}
