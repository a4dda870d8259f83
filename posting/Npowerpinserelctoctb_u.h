#pragma once
// The scripted insertion process: a parameterised process whose run inserts
// journal entries, one per InserirLcto, through the journal-entry module
// (without a screen, in import mode, every rule of its chain applied) and
// writes each at once. The whole run is one database transaction: an
// exception anywhere rolls back every entry of the run, and the run then
// reports "Nenhum lançamento foi feito." with the reason.
//
// Each entry's managerial (cost-centre) rows are the journal-entry module's
// automatic apportionment, or, once the caller switched to custom shares
// (SetLancGerencialAuto(false) and ConfigurarRateio), those shares of the
// entry's amount on each side; either way they are written right after
// their entry, under its final key.
//
// A duplicate key while writing an entry (a key sequence behind the table)
// takes the next key of the sequence; the change is kept in the key-change
// log (cdsLctoCtbErroPK) and the entry's managerial rows follow it.
//
// The work of a run is ExecutarInterno: what the host set (a script's
// `executar`), nothing otherwise.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/app/TnDMPowerParam.h"
#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"
#include "framework/core/TaxaFixa.h"
#include "framework/core/Value.h"

class TnCtbDMLctoCtb;
class TnCtbDMLctoGer;
class TnDMClientDataSet;
class TnDelta;

// The typed arguments of one insertion; a code without a value and an
// empty text are "not given".
struct TnDadosLctoScript {
  std::optional<int64_t> CodigoEstab;
  std::optional<int64_t> CodigoLoteCtb;
  std::string NumeroDcto;
  TDateTime DataLctoCtb;
  std::string CodigoOrigLctoCtb;
  std::optional<int64_t> CodigoHistCtb;
  std::string ComplHist;
  std::optional<int64_t> ContaCtbDeb;
  std::optional<int64_t> ContaCtbCred;
  Currency ValorLctoCtb;
};

// An entry the run inserted, under the key it was written with.
struct TnLctoInserido {
  int64_t ChaveLctoCtb = 0;
  TDateTime DataLctoCtb;
  Currency ValorLctoCtb;
};

// A key the writing replaced.
struct TnChaveTrocada {
  int64_t CodigoEmpresa = 0;
  int64_t ChaveLctoCtb = 0;
  int64_t ChaveLctoCtbNovo = 0;
};

class TnPowerPInsereLctoCtb : public TnDMPowerParam {
 public:
  static constexpr const char* kClassName = "TnPowerPInsereLctoCtb";
  static constexpr const char* kParamEmpresa = "pCodigoEmpresa";
  static constexpr const char* kMsgFinalizada = "Operação finalizada.";
  static constexpr const char* kMsgNenhumLancamento = "Nenhum lançamento foi feito.";

  // DataModuleCreate: the company parameter and the key-change log.
  TnPowerPInsereLctoCtb();
  ~TnPowerPInsereLctoCtb() override;

  // CodigoEmpresa, ChaveLctoCtb, ChaveLctoCtbNovo, indexed by the first two.
  TnClientDataSet cdsLctoCtbErroPK;

  int64_t CodigoEmpresa();

  // The run: the inherited checks, then ExecutarInterno inside one database
  // transaction; committed with "Operação finalizada.", or rolled back with
  // "Nenhum lançamento foi feito." and the reason (Falhou, Erro).
  void Executar() override;
  bool Falhou() const { return !FErro.empty(); }
  const std::string& Erro() const { return FErro; }
  const std::vector<TnLctoInserido>& Inseridos() const { return FInseridos; }
  std::vector<TnChaveTrocada> ChavesTrocadas();

  // --- Insertion ---------------------------------------------------------------
  // The ten arguments in order: establishment, batch, document number, date,
  // origin, history, history text, debit account, credit account, value.
  // An argument whose text names a parameter of the process takes that
  // parameter's value; each is then converted as its field needs.
  using TArgumentos = std::array<Value, 10>;
  int64_t InserirLcto(const TArgumentos& argumentos);
  // The typed form; returns the key the entry was written with.
  int64_t ExecutaInsercao(const TnDadosLctoScript& dados);

  // Custom apportionment: one share of every later entry's amount.
  void ConfigurarRateio(int64_t codigoCentroCusto, TTaxaFixa percentual);
  void LimparRateio() { FCCustoPerc.clear(); }
  // The shares must add up to between 0.01 % and 100 %.
  void VerificaSomaPercentuais() const;
  bool GetLancGerencialAuto() const { return FLancGerencialAuto; }
  void SetLancGerencialAuto(bool value) { FLancGerencialAuto = value; }

  // --- Parameter helpers ---------------------------------------------------------
  // The parameter's value, or the text itself when it names none.
  Value VerificaParametro(const Value& argumento);
  // An account typed as a person types it on the parameter screen: its
  // code, or a nickname, or a classification of the company's chart.
  int64_t ContaDoTexto(const std::string& texto);
  // The description of a standard history ("" when there is none).
  std::string DescricaoHistorico(const Value& codigo);

  // Integers of 32 and 64 bits; none for a null or empty value.
  static std::optional<int64_t> ConverteParamInteiro(const Value& valor);
  static std::optional<int64_t> ConverteParamInteiro64(const Value& valor);
  static double ConverteParamNumerico(const Value& valor);
  // An amount: a text is read as the decimal it spells, never as a double.
  static Currency ConverteParamValor(const Value& valor);
  static std::string ConverteParamCaracter(const Value& valor);
  static TDateTime ConverteParamData(const Value& valor);

  // The work of the next runs.
  void SetAoExecutar(std::function<void()> trabalho) { FAoExecutar = std::move(trabalho); }

 protected:
  // Runs inside the run's transaction.
  virtual void ExecutarInterno();

 private:
  struct TRateio {
    int64_t CodigoCentroCusto;
    TTaxaFixa Percentual;  // 25 is 25 %
  };

  TnCtbDMLctoCtb& DMLctoCtb();
  TnCtbDMLctoGer& DMLctoGer();
  void PreencherLinha(const TnDadosLctoScript& dados);
  void InserirRateioPersonalizado(const TnDadosLctoScript& dados);
  void Gravar();
  void GravarGerencial(TnCtbDMLctoGer& gerencial);
  // The key log's part in the writing: the entry's duplicate key, and the
  // managerial rows of an entry whose key changed.
  // False when the record cannot be corrected (left to the module).
  bool DoClientDataSetReconcileErrorCTB(TReconcileAction& action);
  void DoDataSetProviderBeforeUpdateRecordGER(TnDelta& delta, size_t record);
  void LigarChavesGerencial(TnCtbDMLctoGer& gerencial);
  int64_t ChaveFinal(int64_t codigoEmpresa, int64_t chave);
  void Esvaziar();

  std::unique_ptr<TnCtbDMLctoCtb> FDMLctoCtb;
  std::unique_ptr<TnCtbDMLctoGer> FDMLctoGer;
  int64_t FChaveNova = 0;
  bool FLancGerencialAuto = true;
  std::vector<TRateio> FCCustoPerc;
  std::vector<TnCtbDMLctoGer*> FGerenciaisLigados;
  std::vector<TnLctoInserido> FInseridos;
  std::string FErro;
  std::function<void()> FAoExecutar;
};
