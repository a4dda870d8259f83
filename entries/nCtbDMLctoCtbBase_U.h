#pragma once
// The logic of the journal-entry register shared by its two screens: the
// desktop module (TnCtbDMLctoCtb, the "Lançamentos Contábeis" screen, also
// driven without a screen by the posting engine and scripted insertion) and
// its web twin (TnCtbDMLctoCtbCloud). Both keep the same entry record, the
// same auxiliary data sets and the same rule chain; each variant adds only
// what its screen differs in (its actions, the balance cache's upkeep, the
// information strip). Every entry, however it came in, passes through the one
// ordered rule chain of ValidarDado before it is written to LCTOCTB.
//
// Who owns what: the module owns its chain (nSQLDataSet -> provider ->
// nClientDataSet over LCTOCTB) and its auxiliary in-memory data sets. It
// never owns the form (the host's) nor the connection. What it keeps beside
// the record is four values, each in its own unit that says who changes it:
// the configuration (TnConfigLctoCtb, read by the Pegar* loaders, each part
// cached under its key so one module can serve several companies in turn),
// the open transaction (TnTransacaoAbertaLctoCtb), what the screen shows
// (TnExibicaoLctoCtb) and what it remembers of the entries it posts
// (TnMemoriaLctoCtb).
//
// What it never does: write outside the provider (a refused entry leaves
// nothing in the database), or ask a person anything in import mode.
//
// The implementation is split by concern, each file holding the shared part
// and the desktop's own part of it: nCtbDMLctoCtb_U.cpp (record, set-up,
// defaults), nCtbDMLctoCtb_UConfig.cpp (the configuration loaders and the
// company's options), nCtbDMLctoCtb_UValidacao.cpp (the checks around post,
// edit and delete; the rule chain itself is TnValidacaoLctoCtb),
// nCtbDMLctoCtb_UHistorico.cpp (origin-key text, history complement, account
// typing), nCtbDMLctoCtb_UMoeda.cpp (functional-currency fields),
// nCtbDMLctoCtb_UGravacao.cpp (what happens around the writing: new keys,
// after-post steps, import totals, what a delete undoes elsewhere, refresh),
// nCtbDMLctoCtb_UTransacao.cpp (numbered transactions that must balance, and
// the copy of deleted entries into the deleted-entry log). The web twin's
// own part is nCtbDMLctoCtbCloud_U.cpp.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "entries/TnConfigLctoCtb.h"
#include "entries/TnExibicaoLctoCtb.h"
#include "entries/TnMemoriaLctoCtb.h"
#include "entries/TnTransacaoAbertaLctoCtb.h"
#include "entries/TnValidacaoLctoCtb.h"
#include "entries/nCtbDMLctoCtbCloudUtil_U.h"
#include "entries/nDMLancamentoProgramado_U.h"
#include "framework/app/TnAction.h"
#include "framework/app/TnDMClientDataSet.h"
#include "framework/core/TDateTime.h"
#include "framework/ctb/Nctbsfuncoes_u.h"
#include "framework/ctb/TnDMValorSaldoDebCred.h"
#include "framework/ctb/TnFraValorSaldoDebCred.h"
#include "framework/ctb/TnUtilCtb.h"

class TnCtbRepositorioSaldoCtb;
class TnUtilControleLctoPadrao;
class TnToolButton;
class TnCtbDMLctoGer;
class TnCtbDMLctoAtivDiferenc;
struct TInfoLctoCtb;
struct TLadoLctoCtb;
struct TLctoAtivDiferenc;
class TnControleTransacao;
class TnServicoLctoCtbExcluido;
class TnLabel;
class TnPanel;
class TnSplitter;
struct TnParansSaldoCtb;

// What the screen shows beside each account: its parent's number and name
// (the title row), its balance, both or neither.
enum TnTipoExibeTituloSaldo { teNenhum = 0, teAmbos = 1, teSaldo = 2, teTitulo = 3 };

// The F9 menu of the automatic-entry processes (action name and caption of
// each), and where it last popped up.
struct TnPopupMenuLctoAuto {
  struct TItem {
    std::string NomeAcao;
    std::string Caption;
  };
  std::vector<TItem> Items;
  bool Aberto = false;
  int X = 0;
  int Y = 0;
};

// A screen a person opens on the current entry; each variant reaches it
// through its own action.
enum class TTelaLctoCtb {
  GerencialDebito,
  GerencialCredito,
  AtividadeDebito,
  AtividadeCredito,
  Participantes,
  DataOcorrencia,
  RegistroQ100,
  FiscalSocietario,
};

class TnCtbDMLctoCtbBase : public TnDMClientDataSet {
 public:
  // The menu entry both screens are opened from.
  static constexpr const char* kCategoriaMenu = "02 Movimentos";
  static constexpr const char* kCaptionMenu = "Lançamentos Contábeis";
  static constexpr int kImagemMenu = 100;
  static constexpr const char* kSelectProvider =
      "Select t_t.CODIGOEMPRESA,t_t.CHAVELCTOCTB,t_t.CODIGOLCTOPROG,t_t.CODIGOESTAB,"
      "t_t.CODIGOLOTECTB,t_t.DATALCTOCTB,t_t.TIPOLANCAMENTO,t_t.NUMERODCTO,"
      "t_t.CODIGOORIGLCTOCTB,t_t.CONTACTBDEB,t_t.CONTACTBCRED,t_t.CODIGOHISTCTB,t_t.COMPLHIST,"
      "t_t.COTACAOMOEDA,t_t.VALORLCTOMOEDA,t_t.VALORLCTOCTB,t_t.LCTOCONCILDEB,"
      "t_t.LCTOCONCILCRED,t_t.CODIGOUSUARIO,t_t.DATAHORALCTOCTB,t_t.CHAVEORIGEM,t_t.ORIGEMDADO,"
      "t_t.TRANSCTB,t_t.CODIGOESTABORI from LCTOCTB t_t ORDER BY "
      "t_t.CodigoEmpresa,t_t.ChaveLctoCtb";
  // The client data set's command: the provider's columns and three more.
  static constexpr const char* kSelectCliente =
      "Select t_t.CODIGOEMPRESA,t_t.CHAVELCTOCTB,t_t.CODIGOLCTOPROG,t_t.CODIGOESTAB,"
      "t_t.CODIGOLOTECTB,t_t.DATALCTOCTB,t_t.TIPOLANCAMENTO,t_t.NUMERODCTO,"
      "t_t.CODIGOORIGLCTOCTB,t_t.CONTACTBDEB,t_t.CONTACTBCRED,t_t.CODIGOHISTCTB,t_t.COMPLHIST,"
      "t_t.COTACAOMOEDA,t_t.VALORLCTOMOEDA,t_t.VALORLCTOCTB,t_t.LCTOCONCILDEB,"
      "t_t.LCTOCONCILCRED,t_t.CODIGOUSUARIO,t_t.DATAHORALCTOCTB,t_t.CHAVEORIGEM,t_t.ORIGEMDADO,"
      "t_t.TRANSCTB,t_t.CODIGOESTABORI, t_t.IDSYN, t_t.DESCRCONTACTBDEB, t_t.DESCRCONTACTBCRED "
      "from LCTOCTB t_t ORDER BY t_t.CodigoEmpresa,t_t.ChaveLctoCtb";

  // DataModuleCreate.
  TnCtbDMLctoCtbBase();
  ~TnCtbDMLctoCtbBase() override;

  // The three module groups the screen belongs to.
  static const TnConjuntoModulos& GrupoModulos(int indice);

  // --- Auxiliary data sets (filled by the loaders) -------------------------
  TnClientDataSet cdsGerecialGrupo;
  TnClientDataSet cdsContasDupla;
  TnClientDataSet cdsPercentRatCta;
  TnClientDataSet cdsSaldos;
  TnClientDataSet nClientDataSetUlt;
  TnActionList ActionList;

  // --- Framework hooks -----------------------------------------------------
  std::string PegarVerificaSelecao() const override;
  // The selection the screen requires: company and period when the
  // personalisation asks for it.
  static std::string PegarVerificaSelecaoPadrao();
  bool PegarTipoObjeto() const override { return true; }
  std::string ChavePrimaria() const override { return "CODIGOEMPRESA;CHAVELCTOCTB"; }
  void AntesConfigurar(TnForm* form) override;
  void ConfigurarCampo(TField& field) override;
  void DepoisConfigurar(TnForm* form) override;
  void ConfigurarAutoValor(TnClientDataSet& sender) override;
  void ValidarDado() override;
  bool ValidarImportacao(TnListaMensagem* sender) override;
  void LimparChaveConfig() override;
  nlohmann::ordered_json PegarJsonConfigExtra() const override;

  void ConfigurarTipoLcto();
  void ConfigurarAutoValorInterno(TnClientDataSet& sender);
  // The module's own writes: a field the person may not edit (disabled on
  // the screen) still takes its defaults and derived values.
  static void Atribuir(TField& field, const Value& valor) {
    TnValidacaoLctoCtb::Atribuir(field, valor);
  }

  // --- Titles and balances beside the accounts, the differences and
  // last-entries panel (nCtbDMLctoCtb_USaldo.cpp) ---------------------------
  // The names of the controls on the form, for the hosts that read them.
  static constexpr const char* kPanelSaldo[2] = {"PanelDeb", "PanelCred"};
  static constexpr const char* kLblCtaSaldo[2] = {"LblCtaSaldoDeb", "LblCtaSaldoCred"};
  static constexpr const char* kFraTitulo[2] = {"FraDeb", "FraCred"};
  static constexpr const char* kLblCta[2] = {"LblCtaDeb", "LblCtaCred"};
  static constexpr const char* kLblDescr[2] = {"LblDescrDeb", "LblDescrCred"};
  static constexpr const char* kFraDifSeparador = "FraDifSeparador";
  TnTipoExibeTituloSaldo GetTipoExibeTituloSaldo();
  // The balance of an account at the end of a day in a branch, as shown:
  // "1.234,56 D", "(250,00) C"; "0,00" for an account the chart lacks.
  std::string BuscarSaldo(int64_t codigoEmpresa, int codigoEstab, double conta, TDateTime data);
  // The web page's balance of one side: {"DEBITO", "CREDITO"}, the side
  // named by `campo` ("debito" or "credito") read, the other "R$ 0,00".
  nlohmann::ordered_json AlterarCampoDebitoCreditoAjax(int64_t codigoEmpresa, int codigoEstab,
                                                       int64_t conta, TDateTime data,
                                                       const std::string& campo);
  // Whether the company controls activities (OPCAOIFRS.CTRLAATIVIDADE): the
  // web page then offers the activity details of an entry.
  bool HabilitarDetalhesCloudAjax(int64_t codigoEmpresa);
  // Whether the web page offers the activity details of the account.
  bool HabilitarCreditoDebitoDetalheCloudAjax(int64_t conta);
  // {"AbreDebito", "AbreCredito"}: the sides whose managerial detail the web
  // page opens by itself, an apportionment account at the date whose
  // apportionment does not reach 100% (only where the company keeps cost
  // centres).
  nlohmann::ordered_json VerificaAbreGerCloudAjax(int64_t codigoEmpresa, int64_t contaDeb,
                                                  int64_t contaCred, TDateTime data);
  void ExibeSaldoDeb() { ExibeSaldo(0); }
  void ExibeSaldoCred() { ExibeSaldo(1); }
  void ExibeTituloDeb() { ExibeTitulo(0); }
  void ExibeTituloCred() { ExibeTitulo(1); }
  void ConfigurarControlSaldo(TnTipoExibeTituloSaldo tipo);
  void ConfigurarControlTitulo(TnTipoExibeTituloSaldo tipo);
  // The title row above an account field (FFraDeb or FFraCred and their
  // labels), created once; the account field's configuration calls it.
  void CriarTituloConta(const char* campoConta);
  void nClientDataSetCONTACTBDEBDefIntAntesConfigurar(TField& sender);
  void nClientDataSetCONTACTBCREDDefIntAntesConfigurar(TField& sender);
  void ReorganizaLayout();
  void FormResize(TnForm& form);
  void FormShow(TnForm& form);
  TnForm& CriarForm() override;
  void CarregarValorDifeLctoCtb(TnTipoOperacao operacao);
  const TnDifLctoCtb& GetDifLctoCtb() const { return FExibicao.DifLctoCtb; }
  bool GetControlarDiferenca() const;
  void CheckDifSaldo();
  void CriarFraDifSaldo(TnForm* form);
  TnFraValorSaldoDebCred* GetFraDifSaldo() const { return FExibicao.FraDifSaldo.get(); }
  TnClientDataSet* GetCDSDiferenca() const { return FExibicao.CDSDiferenca; }
  TnClientDataSet* GetCDSDifTransacao() const { return FExibicao.CDSDifTransacao; }
  void MostrarDiferenca();
  // The entry double-clicked in the panel's grid becomes the current one.
  void OnDoubleClickGridLcto(int64_t chaveLctoCtb);
  // The user's last ten entries of the selection, newest first.
  std::unique_ptr<TnClientDataSet> GetUltimosLctosUsu();
  void CarregarUltimosLctoUsuario();
  bool GetExibirUltimosLancamentos();
  // The panes the web page shows below the entry.
  nlohmann::ordered_json PegarJsonConteudo() override;
  void nClientDataSetCalcFields(TnClientDataSet& dataSet) override;
  // Before a post or a delete, with a screen: what the variant keeps of
  // the cached balances follows.
  virtual void AtualizarSaldosAntesGravar(TDataSetState estado) = 0;
  virtual void AtualizarSaldosAntesExcluir() = 0;
  // After a post or a delete: the panel follows the entry.
  void AtualizarDiferencaDepoisGravar();
  // Computes the period and shows the panel, when the screen has one.
  void ConfigurarPainelDiferenca();

  // --- Configuration loaders ----------------------------------------------
  void PegarConfigEmpresa(bool forcar = false);
  void PegarConfigPlano();
  void PegarConfigLote();
  void PegarConfigUsuario();
  void PegarConfigAtividade(int64_t codigoEmpresa);
  // What the loaders read, and under which keys (how many times each
  // really read: cache tests).
  const TnConfigLctoCtb& Config() const { return FConfig; }
  const TnCacheConfigLctoCtb& CacheConfig() const { return FCacheConfig; }

  // --- Switches ----------------------------------------------------------
  bool GetEhOptanteIFRS();
  bool GetEhOptanteFCONT();
  bool GetPossuiSPED();
  void SetControlarDiferenca(bool value) { FControlarDiferenca = value; }
  bool GetAutomatico() const { return FAutomatico; }
  void SetAutomatico(bool value) { FAutomatico = value; }
  bool GetModoAnalitico() const { return FModoAnalitico; }
  void SetModoAnalitico(bool value) { FModoAnalitico = value; }
  bool GetApplyUpdatesManual() const { return FApplyUpdatesManual; }
  void SetApplyUpdatesManual(bool value) { FApplyUpdatesManual = value; }
  bool GetLctoGerConcBanc() const { return FLctoGerConcBanc; }
  void SetLctoGerConcBanc(bool value) { FLctoGerConcBanc = value; }
  bool GetAcessoMenu() const { return FAcessoMenu; }
  // The framework's edit-lock option of this module (CheckEditLock).
  void SetOpcaoEditLock(bool value) { FOpcaoEditLock = value; }
  bool GetControleEditLock() const { return FControleEditLock; }
  // The form type the web layout asks for (5) ; 0 until configured.
  int GetTipoForm() const { return FTipoForm; }

  // The selection the module was opened on.
  TDateTime GetDataInicialSelecao() const;
  TDateTime GetDataFinalSelecao() const;
  bool GetFilialSelecionada() const;

  // --- Transactions (SPED or IFRS companies) ------------------------------
  // The open transaction; its number is 0 when none is open.
  const TnTransacaoAbertaLctoCtb& GetTransacaoAberta() const { return FTransacao; }
  double GetTransacaoAtual() const { return FTransacao.Numero; }
  // An import resuming the open transaction at a date already keyed.
  void SetDataTransacaoAberta(TDateTime value) { FTransacao.Data = value; }
  // Draws the company's next number into the open transaction.
  void GetNextTransacao();
  // Closes the open transaction. Checking, an unbalanced one is reported
  // (without asking) or asked about (asking: "Não" keeps it open, false).
  bool CloseTransacao(bool verificar, bool perguntar);
  // After a post (and before a delete): closes the transaction once it
  // balances, or at once when the entry is a double entry or an edit.
  void CanCloseTransacao(bool inserindo);
  // Whether the transaction of the current entry is unbalanced; the sums
  // found are kept (GetDifTransacao).
  bool PossuiDifTransacao();
  // Keeps the unbalanced-transactions list in step with one transaction's
  // sums: its row goes when it balances, is added or edited otherwise.
  void AtualizarCdsDifTransacao(const TDifTransacao& dif);
  // The debit and credit sums of a stored transaction of the company.
  TDifTransacao SomarTransacao(int64_t codigoEmpresa, double transCtb);
  // Before an edit that changed the date: offers to move the other entries
  // of the transaction to the new date.
  void VerificaAtualizarDatasTransacao();
  // Before a delete: offers to delete the other entries of the transaction,
  // logged in the deleted-entry log first.
  void VerificaDeltarLancamentosTransacao();
  // Imported transaction numbers mapped to fresh ones (import mode).
  TnControleTransacao& GetControleTransacao();
  // "Criar Transação": a new number for the entries to come (the open one
  // closed first); "Continuar Transação": the current entry's transaction
  // takes the next entries. Both start a new entry.
  void CriarTransacao();
  void ContinuarTransacao();
  void nClientDataSetTRANSCTBGetText(TField& sender, std::string& text, bool displayText);
  void nClientDataSetTRANSCTBDefIntExit(TField& sender);

  // --- Deleted-entry log -------------------------------------------------
  // Creates the log service on first need.
  void ConfigurarServLctoCtbExcl();
  TnServicoLctoCtbExcluido& ServicoLctoCtbExcl();

  // Import totals per company, establishment and date, examined by
  // ValidarImportacao (filled after each post of an import with the
  // balance check on).
  TnClientDataSet* GetVICDS(bool criar);

  // Whether a post of this module inserted an entry on its screen.
  bool GetTeveInsercao() const { return FTeveInsercao; }

  // --- Writing -------------------------------------------------------------
  // Fills the current record with the next entry of its programmed entry
  // (CODIGOLCTOPROG), which starts or continues that template's sequence.
  void InserirLctoProg();
  // Whether the entry belongs to a rural cash-book group, as its main entry
  // or as one of its details.
  bool GetLancLCDPR(int64_t codigoEmpresa, int64_t chave);
  // Removes the entry's rural cash-book group: the links, the main entry
  // and every other detail entry (the entry itself goes by its own delete).
  void ExcluirLancamentosLCDPR(int64_t codigoEmpresa, int64_t chave);
  void Refresh() override;

  // --- What the screen says about the entry (nCtbDMLctoCtb_UInformacao.cpp)
  // The desktop status bar: who registered the entry and when (panel 1),
  // how it came in (panel 2).
  void MostrarCadastro();
  // The balance-by-history strip's text, and whether the company keeps
  // those balances (their recalculation is then worth a word).
  static constexpr const char* kFraMsgInfo = "FraMsgInfo";
  static constexpr const char* kAcaoRecalcularSaldoHistorico =
      "actTnCtbDPRecalcularSaldoCtbHistorico";
  static std::string TextoMsgInformacao();
  bool TemSaldosPorHistorico(int64_t codigoEmpresa);

  // --- Managerial and activity splits (nCtbDMLctoCtb_UGerencial.cpp) -------
  // Whether this module keeps the cost-centre splits of what it posts, and
  // its activity splits: callers that post (the posting engine, scripts, a
  // bulk load) turn the first on; the activities are on by default.
  bool GetPodeLancarGerencial() const { return FPodeLancarGerencial; }
  void SetPodeLancarGerencial(bool value) { FPodeLancarGerencial = value; }
  bool GetPodeLancarAtividade() const { return FPodeLancarAtividade; }
  void SetPodeLancarAtividade(bool value) { FPodeLancarAtividade = value; }
  // The companion modules, created on first use and owned here.
  TnCtbDMLctoGer& GetDMLctoGer();
  TnCtbDMLctoAtivDiferenc& GetDMLctoATiv();
  // The current entry's side (natureza 1 debit, -1 credit) as a post hands
  // it to the managerial module: without the branch and the rate, which only
  // the managerial screen's currency column uses (MostrarCadastroGerencial
  // hands them).
  TLadoLctoCtb LadoGerencial(int natureza) const;
  void CarregarLadoGerencial(int natureza);
  // Loads the managerial rows of the selection matching the managerial
  // module's entry key, account and nature, as `campos` names them.
  void AtualizarFiltroLctoGer(const std::vector<std::string>& campos);
  void MostrarCadastroGerencial(int64_t conta);
  void MostrarCadastroAtividade(const TInfoLctoCtb& info);
  void ProcessarAtividades();
  // Writes the activity rows of the batch's entries (see FAtividadesPendentes).
  void GravarAtividadesPendentes();
  // Drops what the companion modules hold unapplied (after the caller rolled
  // back the work they belonged to).
  void DescartarSplitsPendentes();
  // Opens the screen on the current entry as the variant's action does.
  virtual void AbrirTela(TTelaLctoCtb tela) = 0;

  // --- Linked screens and company switches (nCtbDMLctoCtb_UTelas.cpp) -----
  // The registers hanging off the current entry, each created by class name
  // for the time its screen is shown: participants, Q100, the date of an
  // extemporaneous entry, the fiscal/corporate relation, the period's
  // explanatory notes, the analytic view of the transaction.
  void MostrarCadastroParticipante();
  void MostrarNotasExplicativas();
  void MostrarCadastroRegistroQ100();
  void MostrarCadastroDataExtemp();
  bool PodeMostrarCadastroDataExtemp() const;
  void ExibirLancamentoAnalitico();
  // --- Programmed entries, search and automatic entries
  // (nCtbDMLctoCtb_UPainel.cpp) ------------------------------------------------
  // The programmed-entries list below the entry follows the date and the
  // programmed entry typed.
  void nClientDataSetDATALCTOCTBChange(TField& sender);
  void nClientDataSetCODIGOLCTOPROGChange(TField& sender);
  void AtualizarGridLctosProgramados();
  // The entry of the programmed-entries grid's current row becomes the
  // current one.
  void nDbGridEhLctoProgDblClick();
  TnDMLancamentoProgramado* GetDMLctoProgramado() const { return FDMLctoProgramado.get(); }
  // "Pesquisar..." (Ctrl+F3): the search panel of the last-entries grid,
  // switched on, to the keyboard, or off.
  void actPesquisar();
  // "Lançamentos Automáticos" (F9): one process starts at once, several pop
  // the menu up under the toolbar button; choosing one runs actLctoAutoAbrir.
  void actLctoAuto();
  void actLctoAutoAbrir(const std::string& nomeAcao);
  TnPopupMenuLctoAuto nPopupMenuLctoAuto;
  TnToolButton* GetToolButtonLctoAuto() const { return FExibicao.ToolButtonLctoAuto; }

  // Called with each linked screen's module just before its form is shown
  // modally: a host keys there what a person would type.
  using TOnTelaVinculada = std::function<void(TnDMClientDataSet& modulo)>;
  void SetOnTelaVinculada(TOnTelaVinculada handler) { FOnTelaVinculada = std::move(handler); }
  // The transaction field and the actions that open transactions follow
  // the company's SPED and IFRS options.
  virtual void ConfigurarSPED() = 0;
  void ConfigurarLctoProg();
  TnPanel* GetPanelTrans() const { return FExibicao.PanelTrans; }

  // --- Validation --------------------------------------------------------
  void ValidarAlteracaoLctoCtb();
  void VerificarLimiteUsuario();
  bool ContaDePartidaDobrada(const Value& conta);
  bool EhProdutorRural();
  bool VerificarContaRateio(int64_t codigoEmpresa, const Value& conta, TDateTime data);
  int VerificarPorcentContaRateio(int64_t codigoEmpresa, int64_t conta);
  bool LctoRegistroFoiDuplicado(int64_t codigoEmpresa, int64_t chave);
  void CheckEditLock();

  // --- Origin key and history complement ---------------------------------
  std::string TextoChaveOrigem() const;
  bool AlterarChaveOrigem();
  void FormatarComplementoHistorico();
  std::string FormatarComplementoHistorico(int64_t codigoHistCtb, int64_t contaDeb,
                                           int64_t contaCred, int64_t chaveLctoCtb, TDateTime data,
                                           const std::string& complemento);
  std::string FormatarComplementoHistoricoAjax(const std::string& json);
  std::string PegarDicionariosConta(const std::string& historico);
  std::string PegarDescricaoConta(int64_t contaDeb, int64_t contaCred, double chaveLctoCtb,
                                  const std::string& dicionarios, const std::string& texto,
                                  TDateTime data);
  std::string GetComplementoHist(const std::string& complemento, int64_t chave);
  std::string GetHistorico(const Value& codigo);
  void DoGetHistorico(void* sender, std::string& historico);
  std::string GetDescricaoConta(int64_t conta);
  static std::string GetDescricaoTipoLancamentoConta(const std::string& tipo) {
    return TnValidacaoLctoCtb::GetDescricaoTipoLancamentoConta(tipo);
  }
  void DoDepoisCriarFiltroCODIGOHISTCTB(void* sender, std::string& filtro);
  const std::string& GetDescrHistCtb() const { return FExibicao.DescrHistCtb; }
  TnLabel* GetLbDataSetChaveOrigem() const;

  // --- Account typing ------------------------------------------------------
  std::string ProcurarApelido(const std::string& apelido);
  const Nctbsfuncoes_u::TMascGrupos& GetMascGrupos();

  // --- Functional currency -----------------------------------------------
  void SugerirCotacaoMoeda();
  TTipoCotacaoConta GetTipoCotacaoMoeda();
  void AjustarLabelValorMoedaFuncional();
  void LimparCamposMoedaFuncional();

  // Field handlers, bound at creation (public so a host can fire them).
  void nClientDataSetCONTACTBDEBSetText(TField& sender, const std::string& text);
  void nClientDataSetCONTACTBCREDSetText(TField& sender, const std::string& text);
  void nClientDataSetCONTACTBDEBChange(TField& sender);
  void nClientDataSetCONTACTBCREDChange(TField& sender);
  void nClientDataSetCODIGOHISTCTBSetText(TField& sender, const std::string& text);
  void nClientDataSetCODIGOHISTCTBChange(TField& sender);
  void nClientDataSetCODIGOLOTECTBChange(TField& sender);
  void nClientDataSetCODIGOESTABDefIntExit(TField& sender);
  void nClientDataSetCOTACAOMOEDADefIntEnter(TField& sender);
  void nClientDataSetCOTACAOMOEDADefIntExit(TField& sender);
  void nClientDataSetVALORLCTOMOEDADefIntExit(TField& sender);
  void nClientDataSetVALORLCTOCTBDefIntExit(TField& sender);

  // --- Field handlers and lookups (nCtbDMLctoCtb_UCampos.cpp) ---------------
  void nClientDataSetDATALCTOCTBDefIntExit(TField& sender);
  // A key or transaction number typed on the screen while editing moves to
  // that entry (loading it when it lies in the selected period) instead of
  // changing the current entry.
  void nClientDataSetCHAVELCTOCTBSetText(TField& sender, const std::string& text);
  void nClientDataSetTRANSCTBSetText(TField& sender, const std::string& text);
  void LocalizarDigitado(TField& sender, const std::string& text);
  void nClientDataSetCODIGOLCTOPROGDefIntExit(TField& sender);
  // Focus on the first field a programmed entry left for the person.
  void FocalizaCamposLctoPadrao();
  // The account lookups of an IFRS company offer only the accounts whose
  // control type the entry type admits.
  void DoDepoisCriarFiltroCONTACTB(void* sender, std::string& filtro);

 protected:
  void nClientDataSetBeforeOpen(TnClientDataSet& dataSet) override;
  void nClientDataSetAfterInsert(TnClientDataSet& dataSet) override;
  void nClientDataSetBeforeEdit(TnClientDataSet& dataSet) override;
  void nClientDataSetBeforePost(TnClientDataSet& dataSet) override;
  void nClientDataSetAfterPost(TnClientDataSet& dataSet) override;
  void nClientDataSetAfterScroll(TnClientDataSet& dataSet) override;
  void nClientDataSetBeforeDelete(TnClientDataSet& dataSet) override;
  void nClientDataSetAfterDelete(TnClientDataSet& dataSet) override;
  void nClientDataSetAfterCancel(TnClientDataSet& dataSet) override;
  void nDataSetProviderBeforeUpdateRecord(TnDataSetProvider& sender, TnSQLDataSet* sourceDS,
                                          TnDelta& delta, size_t record, TUpdateKind updateKind,
                                          bool& applied) override;
  void nDataSetProviderGetTableName(TnDataSetProvider& sender, TnSQLDataSet* dataSet,
                                    std::string& tableName) override;
  void nDataSetProviderAfterApplyUpdates(TnDataSetProvider& sender) override;
  void nClientDataSetBeforePostInterno(TnClientDataSet& dataSet);
  void LimparCachesDoLote();
  // Whether a classification, or a group above it, is in cdsGerecialGrupo.
  bool ProcurarClassifRateio(std::string classif);

 protected:
  // The variant's own actions on the form (DepoisConfigurar, with a form).
  virtual void ConfigurarAcoes(TnForm& form) = 0;
  // What the variant's screen follows of the company's settings, once they
  // are loaded.
  virtual void DepoisConfigEmpresa() {}
  // The movement of the balance tables before `parans` for the cache.
  virtual std::unique_ptr<TnClientDataSet> LerMovSaldoAnterior(const TnParansSaldoCtb& parans) = 0;
  // The transaction field on its panel, styled, the first time the company
  // uses transactions; true when the panel was made now.
  bool MontarPanelTransacao(bool usa);
  // The last-entries list, right before it is loaded.
  virtual void PrepararUltimosLancamentos() {}

  void CriarCampos();
  void CriarDataSetsAuxiliares();
  void LigarHandlers();
  void AplicarConfigEmpresaPadrao();
  void AtualizarAcoesEmpresa();
  // The detail screens the web form offers under the entry.
  void AdicionarDetalhesWeb();
  void AdicionarConta(double conta);
  // What the rule chain needs of this module beyond the record, the
  // settings and the session: the values, and the answers (below).
  TnContextoValidacaoLctoCtb ContextoValidacao();
  class TConsultasDoModulo;
  // Runs `uso` with the rule chain over this module's current record.
  template <class F>
  decltype(auto) ComValidacao(F&& uso);
  // Rule 1 of the chain: the entry's transaction number.
  void NumerarTransacao();
  bool UsaTransacao();
  // The transaction steps around the writing.
  void TransacaoDepoisInserir();
  void TransacaoDepoisGravar();
  void FixarInicioTransacao();
  void TransacaoAntesExcluir();
  void TransacaoDepoisCancelar();
  // On a delete applied to the database, for a user with the right.
  void CopiarLctoExcluido(const Value& codigoEmpresa, const Value& chave);
  void SetTextConta(TField& sender, const std::string& text);
  void ContaAlterada(TField& sender);
  void PosicionarMoedaFuncional();
  // The programmed-entry library on this module's company, record and the
  // given programmed entry.
  TnUtilControleLctoPadrao& PosicionarLctoProg(int64_t codigoLctoProg);
  // After a post.
  void SomarTotaisImportacao();
  void GerarLctosProgramadosPeriodo();
  // On a delete applied to the database: the reconciliation links of the
  // entry are undone.
  void DesfazerConciliacoes(const Value& codigoEmpresa, const Value& chave);
  bool DataSetEditando() const;
  // After a post: moves, deletes and re-apportions the entry's managerial
  // rows; offers the managerial screen when `oferecerTela`.
  void ProcessarLctoGerencial(bool oferecerTela);
  void ProcessarLctoGerencialLado(const char* campoConta, bool oferecerTela);
  // After a delete: the entry's managerial and activity rows go with it.
  void ExcluirSplitsDoLancamento(int64_t codigoEmpresa, int64_t chave);
  // The activity side of the current entry (natureza 1 debit, -1 credit).
  TInfoLctoCtb InfoLado(int natureza) const;
  // The managerial or activity screen of a side, after the unsaved-entry
  // guard (false: the connection asks to do nothing while unsaved).
  void AbrirGerencial(const char* campoConta, int natureza);
  void AbrirAtividades(int natureza);
  bool AvisarLancamentoNaoGravado(const char* mensagem);
  TField& Campo(const char* nome) const { return nClientDataSet.FieldByName(nome); }
  // Field handlers (nCtbDMLctoCtb_UCampos.cpp).
  void LigarHandlersCampos();
  // An import that keys a new date: the open transaction follows, or a new
  // one starts when the person says so.
  void SeguirTransacaoPelaData();
  // The origin an IFRS company's date asks for ("AA" re-worked year, "AI"
  // the option date).
  void SugerirOrigemIFRS(TDateTime data);
  bool Tela() const { return TnDMClientDataSet::Tela(); }

  // Set at creation.
  TDateTime FDataHoraIniFrmCriado;
  std::unique_ptr<TnClientDataSet> FVICDS;
  int ixVICODIGOEMPRESA = 0;
  int ixVICODIGOESTAB = 0;
  int ixVIDATALCTOCTB = 0;
  int ixVIVALORLCTOCTBCred = 0;
  int ixVIVALORLCTOCTBDeb = 0;

  // The four values the module keeps beside its record.
  TnConfigLctoCtb FConfig;
  TnCacheConfigLctoCtb FCacheConfig;
  TnTransacaoAbertaLctoCtb FTransacao;
  TnExibicaoLctoCtb FExibicao;
  TnMemoriaLctoCtb FMemoria;
  // In import mode, per batch of stored entries (emptied when the batch is
  // applied): the rule chain's look-ups.
  mutable TnCacheValidacaoLctoCtb FCacheLote;

  // Chart settings (PegarConfigPlano).
  Nctbsfuncoes_u::TMascGrupos FMascGrupos;

  // Set by the caller.
  bool FControlarDiferenca = false;
  bool FAutomatico = false;
  bool FModoAnalitico = false;
  bool FApplyUpdatesManual = false;
  bool FLctoGerConcBanc = false;
  bool FAcessoMenu = true;
  bool FOpcaoEditLock = false;
  bool FPodeLancarGerencial = false;
  bool FPodeLancarAtividade = true;
  bool FTeveInsercao = false;
  bool FGerandoLctosPeriodo = false;

  // Post bookkeeping.
  std::unique_ptr<TnControleTransacao> FControleTransacao;
  std::unique_ptr<TnServicoLctoCtbExcluido> FServicoLctoCtbExcl;
  bool FControleEditLock = false;
  int FTipoForm = 0;

  // History complement.
  std::string FFiltroCODIGOHISTCTB;
  bool FFiltroCODIGOHISTCTBAtualizar = false;
  std::unique_ptr<TnClientDataSet> FcurGrupos;

  // Companion modules (created on first use).
  std::unique_ptr<TnCtbDMLctoGer> FDMLctoGer;
  std::unique_ptr<TnCtbDMLctoAtivDiferenc> FDMLctoAtiv;
  // Without a screen, the activity rows of the entries inserted wait for
  // their batch and go with it, in its transaction, all in one exchange.
  std::vector<TLctoAtivDiferenc> FAtividadesPendentes;

  // Titles, balances and the differences panel (nCtbDMLctoCtb_USaldo.cpp).
  // lado: 0 debit, 1 credit.
  void ExibeSaldo(int lado);
  void ExibeTitulo(int lado);
  int LeftPanelSaldo() const;
  bool TemTransacoes();
  void CarregarSaldoCache(int64_t codigoEmpresa, int codigoEstab, double conta, TDateTime data,
                          int natureza);
  void AndarSaldos(int tipoAndar, int natureza, int codigoEstab, TDateTime data, double conta,
                   Currency valor);
  // Linked screens: the host's hook and the module-independent part of
  // showing one.
  TOnTelaVinculada FOnTelaVinculada;
  void MostrarTelaVinculada(TnDMClientDataSet& modulo);
  // A register created by class name on this module's connection.
  template <class T>
  std::unique_ptr<T> CriarTelaVinculada(const char* classe);
  void MostrarTelaIndividual(const char* classe, bool abrir);
  bool LerOpcaoIFRS(int64_t codigoEmpresa) const;
  // What of the linked screens follows the company once it is known
  // (opening, refresh).
  void AtualizarTelasEmpresa();

  // Programmed entries, automatic entries (nCtbDMLctoCtb_UPainel.cpp).
  void CriarDMLctoProgramado();
  void ConfigurarLctoAuto(TnForm& form);
  std::unique_ptr<TnDMLancamentoProgramado> FDMLctoProgramado;
};
