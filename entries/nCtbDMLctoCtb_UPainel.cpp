// What the screen offers around the entry beyond its linked registers: the
// list of the entries a programmed entry already made on the date being
// keyed, the search of the last-entries grid, and the menu of the
// automatic-entry processes.
#include "entries/nCtbDMLctoCtb_U.h"
#include "entries/nDMLancamentoAutomatico_U.h"
#include "framework/app/Nutilform.h"
#include "framework/app/TnDMPowerParam.h"
#include "framework/app/TnForm.h"
#include "framework/db/TnSessao.h"

using nCtbDMLctoCtb_U::DataDe;

namespace {

constexpr const char* kAcaoLctoAuto = "actLctoAutomatico";
constexpr const char* kToolButtonLctoAuto = "ToolButtonLctoAuto";
// Menu actions are "act" followed by the class they open.
constexpr size_t kPrefixoAcao = 3;

}  // namespace

// ---- Programmed entries ----

void TnCtbDMLctoCtbBase::CriarDMLctoProgramado() {
  if (FDMLctoProgramado)
    return;
  FDMLctoProgramado =
      Nutilform::CriarDMNovo<TnDMLancamentoProgramado>(TnDMLancamentoProgramado::kClassName);
  FDMLctoProgramado->SetConexao(ConexaoDefinida());
}

void TnCtbDMLctoCtbBase::nClientDataSetDATALCTOCTBChange(TField& /*sender*/) {
  if (!Importacao())
    AtualizarGridLctosProgramados();
}

void TnCtbDMLctoCtbBase::nClientDataSetCODIGOLCTOPROGChange(TField& /*sender*/) {
  if (!Importacao())
    AtualizarGridLctosProgramados();
}

void TnCtbDMLctoCtbBase::AtualizarGridLctosProgramados() {
  if (!FExibicao.FraDifSaldo || !FDMLctoProgramado || Campo("CODIGOLCTOPROG").IsNull() ||
      Campo("DATALCTOCTB").IsNull())
    return;
  FDMLctoProgramado->SetCodigoEmpresa(PegarCodigoEmpresa());
  FDMLctoProgramado->SetCodigoLctoProg(Campo("CODIGOLCTOPROG").AsInteger());
  FDMLctoProgramado->SetDataLctoCtb(DataDe(Campo("DATALCTOCTB").AsValue()));
  FDMLctoProgramado->AtualizarLista();
  if (FConfig.Empresa.UsaDifLancamento)
    FControlarDiferenca = true;
}

void TnCtbDMLctoCtbBase::nDbGridEhLctoProgDblClick() {
  if (!FDMLctoProgramado)
    return;
  const TnClientDataSet& lista = FDMLctoProgramado->MemTableEh();
  if (!lista.Active() || lista.IsEmpty())
    return;
  OnDoubleClickGridLcto(lista.FieldByName("CHAVELCTOCTB").AsInteger());
}

// ---- Search ----

void TnCtbDMLctoCtbBase::actPesquisar() {
  TnFraValorSaldoDebCred* frame = FExibicao.FraDifSaldo.get();
  if (frame == nullptr || !frame->GridLctoPodeFocar())
    return;
  TnPainelPesquisaGrid& pesquisa = frame->PesquisaGridLcto();
  if (pesquisa.Enabled && pesquisa.Active) {
    pesquisa.Enabled = false;
    pesquisa.Active = false;
    frame->CancelarFiltroPesquisa();
    pesquisa.ModoEditor = false;
    frame->FocarGridLcto();
  } else if (pesquisa.Enabled) {
    pesquisa.Active = true;
  } else {
    pesquisa.Enabled = true;
    pesquisa.Active = true;
    if (!pesquisa.Texto.empty())
      frame->AplicarFiltroPesquisa();
    pesquisa.ModoEditor = true;
  }
}

// ---- Automatic entries ----

void TnCtbDMLctoCtbBase::ConfigurarLctoAuto(TnForm& form) {
  if (FExibicao.ToolButtonLctoAuto != nullptr)
    return;
  // A form configured again keeps its button.
  FExibicao.ToolButtonLctoAuto = form.Controle(kToolButtonLctoAuto) != nullptr
                                     ? &form.ControleComo<TnToolButton>(kToolButtonLctoAuto)
                                     : &form.Criar<TnToolButton>(kToolButtonLctoAuto);
  FExibicao.ToolButtonLctoAuto->NomeAction = kAcaoLctoAuto;
  if (TnAction* acao = form.Actions().Find(kAcaoLctoAuto))
    acao->SetOnExecute([this](TnAction&) { actLctoAuto(); });
  const auto lista =
      Nutilform::CriarDMNovo<TnDMLancamentoAutomatico>(TnDMLancamentoAutomatico::kClassName);
  TnSessao* sessao = TnSessao::AtualOuNula();
  for (const TnProcessoLctoAuto& processo :
       lista->Processos(sessao != nullptr ? sessao->Procurar<TnFormPrincipal>() : nullptr))
    nPopupMenuLctoAuto.Items.push_back({processo.NomeAcao, processo.Caption});
}

void TnCtbDMLctoCtbBase::actLctoAuto() {
  TnPopupMenuLctoAuto& menu = nPopupMenuLctoAuto;
  if (menu.Items.size() == 1) {
    actLctoAutoAbrir(menu.Items.front().NomeAcao);
  } else if (!menu.Items.empty() && FExibicao.ToolButtonLctoAuto != nullptr) {
    // Under the button, at its left edge.
    menu.X = FExibicao.ToolButtonLctoAuto->Left;
    menu.Y = FExibicao.ToolButtonLctoAuto->Top + FExibicao.ToolButtonLctoAuto->Height;
    menu.Aberto = true;
  }
}

void TnCtbDMLctoCtbBase::actLctoAutoAbrir(const std::string& nomeAcao) {
  nPopupMenuLctoAuto.Aberto = false;
  TnSessao* sessao = TnSessao::AtualOuNula();
  TnFormPrincipal* principal = sessao != nullptr ? sessao->Procurar<TnFormPrincipal>() : nullptr;
  TnAction* acao = principal != nullptr ? principal->Actions().Find(nomeAcao) : nullptr;
  if (acao == nullptr || !acao->Execute() || nomeAcao.size() <= kPrefixoAcao)
    return;
  TnObjetoRegistravel* modulo = Nutilform::Instancias().PegarDM(nomeAcao.substr(kPrefixoAcao));
  if (auto* processo = dynamic_cast<TnDMPowerParam*>(modulo))
    processo->SetChamadoLctoCtb(true);
}
