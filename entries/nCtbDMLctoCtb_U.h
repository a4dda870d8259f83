#pragma once
// The desktop journal-entry module: the register behind the "Lançamentos
// Contábeis" screen, and the module the posting engine and scripted
// insertion drive without a screen (import mode). The logic it shares with
// the web twin lives in TnCtbDMLctoCtbBase; this class adds what only the
// desktop screen has: the actions it creates at run time on its form (the
// splits, the linked screens, the transaction buttons), a balance cache that
// follows every insert, edit and delete (AtualizarSaldo) over a balance
// repository it owns, and the menu entry.

#include <memory>
#include <string>

#include "entries/nCtbDMLctoCtbBase_U.h"

class TnCtbRepositorioSaldoCtb;
class TnToolButton;

class TnCtbDMLctoCtb : public TnCtbDMLctoCtbBase {
 public:
  static constexpr const char* kClassName = "TnCtbDMLctoCtb";

  TnCtbDMLctoCtb();
  ~TnCtbDMLctoCtb() override;

  // The menu entries of the screen (class operation).
  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);

  void ConfigurarTabela() override;
  void SetAcessoMenu(bool value) { FAcessoMenu = value; }

  // --- The balance cache follows the entries ------------------------------
  // Moves the cached balances by an entry being inserted (1), deleted (2)
  // or altered (3), on its debit (natureza 1) or credit (-1) side.
  void AtualizarSaldo(int operacao, int natureza, int codigoEstab, TDateTime data, double conta,
                      Currency valor, const std::string& tipoLancamento);
  void AtualizarSaldosAntesGravar(TDataSetState estado) override;
  void AtualizarSaldosAntesExcluir() override;

  // --- Actions created at run time on the form ----------------------------
  void actCriarTransacaoExecute() { CriarTransacao(); }
  void actContinuarTransacaoExecute() { ContinuarTransacao(); }
  void actLctoGerDebExecute();
  void actLctoGerCredExecute();
  void actLctoAtivDebExecute();
  void actLctoAtivCredExecute();
  void actParticipanteExecute() { MostrarCadastroParticipante(); }
  void actRegistroQ100Execute() { MostrarCadastroRegistroQ100(); }
  void actDataLctoExtemp() { MostrarCadastroDataExtemp(); }
  void actLctoCtbRelacFiscalSocietario();
  void actNotaExplicaPeriodo() { MostrarNotasExplicativas(); }
  void AbrirTela(TTelaLctoCtb tela) override;

  // The toolbar steps of the screen and the transaction panel.
  void ConfigurarSPED() override;
  void ConfigurarLctoExpurgo();
  void ConfigurarDataLctoExtemp();
  void ConfigurarNotasExplicativas();
  // The fiscal/corporate action follows the company's IFRS option.
  void PegarConfigLctoExpurgo();

  // The balance-by-history strip across the top of the screen, shown while
  // the active company keeps those balances.
  void CriarMsgInformacao(TnForm& form);
  void ExibirMsgInformacao();

  void DepoisConfigurar(TnForm* form) override;
  void Refresh() override;

 protected:
  void ConfigurarAcoes(TnForm& form) override;
  void DepoisConfigEmpresa() override {
    PegarConfigLctoExpurgo();
    ExibirMsgInformacao();
  }
  std::unique_ptr<TnClientDataSet> LerMovSaldoAnterior(const TnParansSaldoCtb& parans) override;
  // Newest first.
  void PrepararUltimosLancamentos() override { nClientDataSetUltBeforeOpen(); }

 private:
  // "Criar Transação" (Ctrl+F9) and "Continuar Transação" (Ctrl+F10).
  void CriarAcoesTransacao();
  void ConfigurarAcoesSplits(TnForm& form);
  // The activity sides as toolbar buttons, shown while the company uses
  // activities.
  void ConfigurarAtividades(TnForm& form);
  void ConfigurarTelasVinculadas(TnForm& form);
  void nClientDataSetUltBeforeOpen();
  TnToolButton& CriarBotao(const char* caption, const char* hint, const char* atalho,
                           void (TnCtbDMLctoCtb::*acao)());

  // Set at creation.
  std::unique_ptr<TnCtbRepositorioSaldoCtb> FRepositorioSaldoCtb;
  // The fiscal/corporate button's action, once the form has it.
  TnAction* FactLctoSocExpurgo = nullptr;
};

// The workspace entry of the same screen; no behaviour of its own.
class TnCtbDMLctoCtbAreaTrabalho : public TnCtbDMLctoCtb {
 public:
  static constexpr const char* kClassName = "TnCtbDMLctoCtbAreaTrabalho";
  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);
};
