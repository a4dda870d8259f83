#pragma once
// The web twin of the journal-entry module: the register the web client
// keys entries on. It shares every rule of the entry with the desktop module
// (TnCtbDMLctoCtbBase) and differs in what its screen is:
// - its actions are declared in its action list at creation, each with the
//   caption, hint and shortcut the page shows ("Vincular Participantes" and
//   "Criar Transação" share Ctrl+F9; the first one enabled wins), where the
//   desktop creates them on its form at run time;
// - the history is required, a key typed in CHAVELCTOCTB is a key (it does
//   not jump to that entry), the balance texts are editable cells of the
//   page's grid and the account fields carry badges;
// - its balance cache reads each missing balance through a repository made
//   for that read alone and is never moved by what is posted: the balances
//   it shows are those of when they were read, for as long as the module
//   lives (a host that wants fresh figures opens a new module);
// - an information widget asks for the recalculation of the balances by
//   history where the company keeps them;
// - the fiscal/corporate relation is a detail screen of the page, so its
//   action does nothing here.

#include <memory>
#include <string>
#include <vector>

#include "entries/nCtbDMLctoCtbBase_U.h"

class TnCtbDMLctoAtivDiferenc;

// One alert of the widget container above the page's fields.
struct TnWidgetAlerta {
  std::string Nome;
  std::string Tipo;  // "information"
  std::string Mensagem;
};

// The widget container of the page: where it sits among the page's
// components and whether it is shown.
struct TnWidgetContainer {
  std::string Nome;
  int Posicao = 0;
  bool Visible = false;
  std::vector<TnWidgetAlerta> Widgets;
};

class TnCtbDMLctoCtbCloud : public TnCtbDMLctoCtbBase {
 public:
  static constexpr const char* kClassName = "TnCtbDMLctoCtbCloud";
  static constexpr const char* kCategoriaAcoes = "Actions Tervani";

  TnCtbDMLctoCtbCloud();
  ~TnCtbDMLctoCtbCloud() override;

  // The menu entry of the web screen: the same entry as the desktop's, for
  // the accounting menu only, governed by the desktop entry's right.
  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);

  // --- Declared actions (ActionList) and their handlers ------------------
  TnAction& nActPesquisar;
  TnAction& nActLancamentosAutomaticos;
  TnAction& nActGerenciaisDebito;
  TnAction& nActGerenciaisCredito;
  TnAction& nActVincularParticipantes;
  TnAction& nActRegistroQ100;
  TnAction& nActUltimosLancamentos;
  TnAction& nActCriarTransacao;
  TnAction& nActContinuarTransacao;
  TnAction& nActLctoAtivDebito;
  TnAction& nActLctoAtivCredito;
  TnAction& nActLancamentoFiscalSocietario;
  TnAction& nActNotasExplicativasPeriodo;
  TnAction& nActDataOcorrencia;

  void nActGerenciaisDebitoExecute() { AbrirGerencial("CONTACTBDEB", 1); }
  void nActGerenciaisCreditoExecute() { AbrirGerencial("CONTACTBCRED", -1); }
  void nActVincularParticipantesExecute() { MostrarCadastroParticipante(); }
  void nActRegistroQ100Execute() { MostrarCadastroRegistroQ100(); }
  void nActUltimosLancamentosExecute();
  void nActCriarTransacaoExecute() { CriarTransacao(); }
  void nActContinuarTransacaoExecute() { ContinuarTransacao(); }
  void nActLctoAtivDebitoExecute() { LctoAtiv(Campo("CONTACTBDEB")); }
  void nActLctoAtivCreditoExecute() { LctoAtiv(Campo("CONTACTBCRED")); }
  // The web page relates fiscal and corporate entries in a detail screen:
  // the action has nothing to do.
  void nActLancamentoFiscalSocietarioExecute() {}
  void nActNotasExplicativasPeriodoExecute() { MostrarNotasExplicativas(); }
  void nActDataOcorrenciaExecute() { MostrarCadastroDataExtemp(); }
  void AbrirTela(TTelaLctoCtb tela) override;

  // The activity split of the side whose account field is given (a field
  // named ...CRED is the credit side).
  void LctoAtiv(const TField& field);
  TnCtbDMLctoAtivDiferenc& GetDMLctoAtiv() { return GetDMLctoATiv(); }

  // --- Information widget --------------------------------------------------
  // Whether the module's company keeps balances by history (their
  // recalculation is then worth a word).
  bool GetMostrarMsgInformacao();
  const TnWidgetContainer& GetWidgetContainer() const { return FWidgetContainer; }

  // The transaction field and the two transaction actions: enabled when
  // the company keeps transactions and the module was opened without a
  // filter.
  void ConfigurarSPED() override;

  // The web page's balances are read when first shown and stay as read.
  void AtualizarSaldosAntesGravar(TDataSetState /*estado*/) override {}
  void AtualizarSaldosAntesExcluir() override {}

 protected:
  void ConfigurarAcoes(TnForm& form) override;
  // The widget follows the company the module is on.
  void DepoisConfigEmpresa() override;
  std::unique_ptr<TnClientDataSet> LerMovSaldoAnterior(const TnParansSaldoCtb& parans) override;

 private:
  TnAction& Declarar(const char* nome, const char* caption, const char* hint, const char* atalho,
                     void (TnCtbDMLctoCtbCloud::*handler)());
  void ConfigurarCamposWeb();
  void AtualizarWidgetInformacao();

  TnWidgetContainer FWidgetContainer;
  int64_t FEmpresaWidget = 0;
};
