#pragma once
// The managerial (cost-centre) splits of one journal-entry side: the register
// behind the "Lançamentos Gerenciais" screen, and the module the journal-entry
// module drives without a screen after each post to move, delete and
// re-apportion an entry's splits (LCTOGER).
//
// One module edits one entry side at a time: its caller sets the side
// (SetLado: the entry's company, key, date and amount, and the nature, 1
// debit or -1 credit, that picks its account), then filters the rows on that
// side (AtualizarFiltroChaveLctoCtb). A side has at most one row per cost centre.
//
// Who owns what: the module owns its chain over LCTOGER and the company's
// apportionment rates (cdsGerecialAuto, read with the company configuration).
// It never owns the form nor the connection.
//
// The row-maintenance operations (deletions, date move, apportionment) work
// on the whole client data set and apply their changes at the end, unless
// ApplyUpdatesManual leaves them for the caller to apply.
//
// The implementation is split by concern: nCtbDMLctoGer_U.cpp (record,
// configuration, validation, totals, row maintenance) and
// nCtbDMLctoGer_URateio.cpp (the automatic apportionment and the deletions
// that precede a regeneration).

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>

#include "framework/app/TnAction.h"
#include "framework/app/TnDMClientDataSet.h"
#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"
#include "framework/ctb/TLctoCtb.h"

// What the parameter panel above the grid shows, as formatted there.
struct TnPainelLctoGer {
  std::string CodigoEmpresa;
  std::string ChaveLctoCtb;
  std::string DataLctoCtb;
  std::string TituloConta;  // "Débito" or "Crédito"
  std::string ContaCtb;
  std::string ValorLctoCtb;
  std::string ValorLctoGer;
  std::string Diferenca;
  bool DiferencaEmVermelho = false;
};

class TnCtbDMLctoGer : public TnDMClientDataSet {
 public:
  static constexpr const char* kClassName = "TnCtbDMLctoGer";
  static constexpr const char* kSelect =
      "Select t_t.CODIGOEMPRESA,t_t.CHAVELCTOCTB,t_t.CODIGOCENTROCUSTO,t_t.NATURLCTOCTB,"
      "t_t.CONTACTB,t_t.DATALCTOCTB,t_t.VALORLCTOGER,t_t.VALORLCTOGERMOEDA,t_t.ORIGEMDADO from "
      "LCTOGER t_t ORDER BY t_t.CODIGOEMPRESA,t_t.CHAVELCTOCTB,t_t.NATURLCTOCTB,"
      "t_t.CODIGOCENTROCUSTO";
  static constexpr int kOrigemAutomatico = 1;
  static constexpr int kOrigemDigitado = 2;
  static constexpr int kOrigemImportado = 3;

  // DataModuleCreate.
  TnCtbDMLctoGer();

  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);

  // The company's apportionment rates: ContaCtb, CodigoCentroCusto,
  // Percentual, DescrCentroCusto.
  TnClientDataSet cdsGerecialAuto;

  // --- Framework hooks -----------------------------------------------------
  std::string ChavePrimaria() const override {
    return "CODIGOEMPRESA;CHAVELCTOCTB;NATURLCTOCTB;CODIGOCENTROCUSTO";
  }
  std::string PegarVerificaSelecao() const override;
  bool PegarTipoObjeto() const override { return true; }
  void AntesConfigurar(TnForm* form) override;
  void DepoisConfigurar(TnForm* form) override;
  void ConfigurarAutoValor(TnClientDataSet& sender) override;
  void ValidarDado() override;
  void Refresh() override;
  void LimparChaveConfig() override;

  // --- The entry side --------------------------------------------------------
  const TLadoLctoCtb& Lado() const { return FLado; }
  // Replaces the side: the company's configuration is read again when the
  // company changes, the currency column placed again when the branch does.
  void SetLado(const TLadoLctoCtb& lado);
  // The company alone, for a caller that brings its rows whole (the posting
  // engine): its configuration is read again when it changes.
  void SetCodigoEmpresa(int64_t codigoEmpresa);
  Currency GetValorLctoGer() const { return FValorLctoGer; }
  bool GetApplyUpdatesManual() const { return FApplyUpdatesManual; }
  void SetApplyUpdatesManual(bool value) { FApplyUpdatesManual = value; }

  // --- Company and user settings ---------------------------------------------
  bool GetUsaCentroCusto();
  TDateTime GetDataInicialCentroCusto();
  TDateTime GetDataInicialExerc();
  TDateTime GetDataFinalExerc();
  bool GetUsuarioLimitado();
  TDateTime GetDataInicialUsu();
  TDateTime GetDataFinalUsu();
  void PegarConfigEmpresa();
  void PegarConfigUsuario();
  void VerificarLimiteUsuario();
  bool EhOptanteMoedaFuncional();
  void ConfigurarCampoValorLCTOGERMoeda();

  // --- Totals and the panel ----------------------------------------------------
  void CalcularTotais();
  void MostrarTotais();
  void MostrarParams();
  const TnPainelLctoGer& Painel() const { return FPainel; }
  // Asks before closing a screen whose splits do not add up to the entry.
  bool CadastroOnCloseQuery();
  // The cost-centre lookup's filter, once created: narrowed to the cost
  // centres the side's account allows (CENTROCUSTOCONTA), the condition the
  // row's validation then holds the typed cost centre to.
  void DoDepoisCriarFiltroConta(void* coluna, std::string& filtro);

  // --- Row maintenance -------------------------------------------------------
  void AtualizarFiltroChaveLctoCtb();
  // Whether the rows shown are one side's: an entry key and an account.
  bool FiltraLado() const { return FLado.Lcto.ChaveLctoCtb != 0 && FLado.ContaCtb() != 0; }
  // The entry (company and key) whose splits are known to be none stored, so
  // its sides read nothing from the database; nullopt: none known.
  void SetEntradaSemGravados(std::optional<std::pair<int64_t, int64_t>> entrada) {
    FEntradaSemGravados = entrada;
  }
  void ExcluirChaveLctoCtb();
  void TrocarDataLctoCtb(TDateTime dataNova);
  void AplicarAtualizacoesGerenciais();
  // VALORLCTOGER of the side's other cost centres and the entry's amount.
  nlohmann::ordered_json RetornaValorGerencialAjax(int64_t codigoEmpresa, int64_t chaveLctoCtb,
                                                   int64_t codigoCentroCusto, int naturLctoCtb);

  // --- Automatic apportionment ---------------------------------------------
  void InserirLctoGerAuto();
  void InserirLctoGer(int64_t codigoEmpresa, int64_t chaveLctoCtb, int natureza, int64_t contaCtb,
                      TDateTime dataLcto, Currency valorLcto);
  void InserirLctoGer(Currency valorLcto, int64_t codigoEmpresa, int64_t chaveLctoCtb, int natureza,
                      int64_t contaCtb, TDateTime dataLcto, const std::string& codigoCentroCusto);
  void InserirLctoGer(int64_t codigoEmpresa, int64_t chaveLctoCtb, int64_t codigoCentroCusto,
                      int natureza, int64_t contaCtb, TDateTime dataLcto, Currency valorLcto,
                      int origemDado);
  void ExcluirLctoGer(int64_t codigoEmpresa, int64_t chaveLctoCtb, int origem);
  void ExcluirLctoGer(const std::string& codigoEmpresa, TDateTime dataInicial, TDateTime dataFinal,
                      const std::string& codigoCentroCusto);
  void ExcluirLctoGerDebCred();
  void ExcluirLctoGerAuto();
  void actRefazLctoGerAutoExecute();
  void actConsultaPercAutoExecute();

  // Field handlers (public so a host can fire them).
  void nClientDataSetVALORLCTOGERDefIntExit(TField& sender);
  void nClientDataSetVALORLCTOGERMOEDADefIntExit(TField& sender);

 protected:
  TField& Campo(const char* nome) const { return nClientDataSet.FieldByName(nome); }
  void nClientDataSetAfterInsert(TnClientDataSet& dataSet) override;
  void nClientDataSetAfterPost(TnClientDataSet& dataSet) override;
  void nClientDataSetBeforeDelete(TnClientDataSet& dataSet) override;
  void nClientDataSetAfterDelete(TnClientDataSet& dataSet) override;

 private:
  void CriarCampos();
  void ValidarCentroCusto();
  // The side's company, or the current row's when no side is set.
  int64_t EmpresaDoLadoOuDaLinha() const;
  // The condition on CENTROCUSTO of the cost centres the side's account
  // allows ("" when it limits none), read once per company and account.
  const std::string& FiltroCentroCusto();
  // The functional-currency value of a local amount at the entry's rate.
  void PreencherValorMoeda();
  // Deletes, over every row (filter off, delete handlers detached), those
  // `excluir` accepts, from the last to the first; then applies.
  void ExcluirLinhas(const std::function<bool()>& excluir);
  // Applies the pending changes unless the caller applies them.
  void AplicarSeAutomatico();
  // One automatic row by the insert statement (the caller's transaction).
  void InserirLinhaDireta(int64_t codigoEmpresa, int64_t chaveLctoCtb, int natureza, int64_t centro,
                          int64_t contaCtb, TDateTime dataLcto, Currency valor);
  // One automatic row in the client data set, replacing the side's row of
  // the same cost centre.
  void InserirOuAtualizarLinha(int64_t codigoEmpresa, int64_t chaveLctoCtb, int natureza,
                               int64_t centro, int64_t contaCtb, TDateTime dataLcto,
                               Currency valor);
  bool DaLinhaDoLancamento() const;
  bool EditandoOuInserindo() const;

  // Set at creation.
  bool FPodeAlterarOrigem = true;

  // The entry side, set by the caller. Its branch, date and rate place the
  // functional-currency column and convert its amounts.
  TLadoLctoCtb FLado;
  bool FApplyUpdatesManual = false;

  // Sum of the rows in view (CalcularTotais).
  Currency FValorLctoGer;
  TnPainelLctoGer FPainel;

  // Company settings, cached by the base's company key.
  bool FUsaCentroCusto = false;
  TDateTime FDataInicialCentroCusto;
  TDateTime FDataInicialExerc;
  TDateTime FDataFinalExerc;
  bool FConfigEmpresaLida = false;

  // User settings, cached by the user's code.
  bool FUsuarioLimitado = false;
  TDateTime FDataInicialUsu;
  TDateTime FDataFinalUsu;
  std::optional<int64_t> FChaveConfigUsu;

  // The filter last applied to the side.
  std::string FFiltro;
  // The cost centres the account allows (ProcurarConta), read once per
  // company and account.
  std::string FFiltroCentroCusto;
  std::pair<int64_t, int64_t> FContaDoFiltroCentroCusto{0, 0};
  std::optional<std::pair<int64_t, int64_t>> FEntradaSemGravados;
};

// The web client's debit and credit screens: the nature follows the screen.
class TnCtbDMLctoGerDebitoCloud : public TnCtbDMLctoGer {
 public:
  static constexpr const char* kClassName = "TnCtbDMLctoGerDebitoCloud";
  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);
  void DepoisConfigurar(TnForm* form) override;

 protected:
  void nClientDataSetBeforePost(TnClientDataSet& dataSet) override;
  virtual int Natureza() const { return 1; }
};

class TnCtbDMLctoGerCreditoCloud : public TnCtbDMLctoGerDebitoCloud {
 public:
  static constexpr const char* kClassName = "TnCtbDMLctoGerCreditoCloud";
  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);

 protected:
  int Natureza() const override { return -1; }
};
