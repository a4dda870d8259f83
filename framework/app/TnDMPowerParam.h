#pragma once
// The process module: a run driven by parameters (a balance generation, a
// trial balance), with its messages, its progress and a result data set.
//
// Parameters are items by alias ("pCodigoEmpresa"), each with a caption, a
// kind, a default text and the value as text; typed readers convert it.
// Every run remembers the values per class in the user's session, so the next
// process of that class starts from them (CarregarParamsINI); LimparParamsINI
// forgets them and puts the defaults back.
//
// ExecutarParalelo runs Executar on a worker thread in a session of its own
// (TnSessao::Derivar: a clone of the module's connection, the caller's
// selection and rights, empty caches). The module
// belongs to the worker until the result is delivered: the caller pumps
// (ProcessarParalelo) or waits (AguardarParalelo), and the result reaches
// OnProcessarResultadoParalelo exactly once, on the caller's thread. An
// exception of the worker is the result's error; an exception raised while
// delivering is reported (messages and ErroEntregaParalelo), not lost.
// A subclass whose Executar uses its own members calls AguardarParalelo in
// its destructor: the base waits for the worker only after the subclass's
// members are gone.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "framework/app/TnDM.h"
#include "framework/core/TDateTime.h"
#include "framework/data/ClientDataSet.h"

class TnDMConexao;
class TnSessao;

enum class TTipoParam { tpTexto, tpInteiro, tpNumero, tpData, tpBoolean, tpCombo, tpInclusao };

class TnpqParamItem {
 public:
  TnpqParamItem(std::string alias, std::string caption, TTipoParam tipo)
      : FAlias(std::move(alias)), FCaption(std::move(caption)), FTipo(tipo) {}

  const std::string& Alias() const { return FAlias; }
  const std::string& Caption() const { return FCaption; }
  TTipoParam Tipo() const { return FTipo; }
  std::string Hint;
  bool Obrigatorio = false;
  bool Oculto = false;
  bool Enabled = true;

  // The text the parameter screen starts with; also the value of a new item.
  const std::string& Default() const { return FDefault; }
  void SetDefault(const std::string& texto);
  // Combo items "Caption=value;Caption=value" (a trailing ";" is allowed).
  const std::string& Itens() const { return FItens; }
  void SetItens(const std::string& itens) { FItens = itens; }
  std::vector<std::pair<std::string, std::string>> ItensCombo() const;

  const std::string& AsString() const { return FValor; }
  // Raises Exception for a combo value that is not one of its items.
  void SetValor(const std::string& texto);
  void Limpar() { FValor.clear(); }
  bool Vazio() const;
  // Typed readers: `padrao` when the text does not convert.
  int64_t AsInteger(int64_t padrao = 0) const;
  double AsFloat(double padrao = 0) const;
  TDateTime AsDate(TDateTime padrao = TDateTime()) const;
  // True when the text converts to 1 ("1", "True", "S" also read true).
  bool AsBoolean(bool padrao = false) const;

 private:
  std::string FAlias;
  std::string FCaption;
  TTipoParam FTipo;
  std::string FDefault;
  std::string FItens;
  std::string FValor;
};

// The parameter panel: the items in the order added, by alias (compared
// without regard to case).
class TnpqPowerParam {
 public:
  TnpqParamItem& Add(const std::string& alias, const std::string& caption, TTipoParam tipo,
                     const std::string& padrao = "", bool obrigatorio = false);
  // Raises Exception for an unknown alias.
  TnpqParamItem& Param(const std::string& alias);
  // nullptr for an unknown alias.
  TnpqParamItem* ParamUnCheck(const std::string& alias);
  size_t Count() const { return FItens.size(); }
  TnpqParamItem& Item(size_t i) { return *FItens.at(i); }
  void EdEnabledField(const std::string& alias, bool enabled) { Param(alias).Enabled = enabled; }

 private:
  std::vector<std::unique_ptr<TnpqParamItem>> FItens;
};

// Remembered values of one process class: upper-case alias -> text.
using TnValoresParams = std::map<std::string, std::string>;

struct TnResultadoParalelo {
  bool Sucesso = true;
  std::string Erro;  // the worker's exception text when it failed
  // What the run remembered of its parameters, for the caller's session.
  std::optional<TnValoresParams> ParamsLembrados;
};

class TnDMPowerParam : public TnDM {
 public:
  TnDMPowerParam();
  ~TnDMPowerParam() override;

  TnpqPowerParam npqPowerParam;
  // The result of the run.
  TnClientDataSet nClientDataSet;

  TnpqParamItem& Param(const std::string& alias) { return npqPowerParam.Param(alias); }

  // The base: clears the messages, refuses a required parameter left empty
  // (Exception with its caption) and remembers the values of the class.
  virtual void Executar();

  // Starts Executar on a worker; raises Exception while a run is pending.
  void ExecutarParalelo();
  bool EmExecucaoParalela() const { return FThread.joinable() || FResultadoPendente; }
  // Delivers the result when the worker finished; true when it delivered now.
  bool ProcessarParalelo();
  // Waits for the worker and delivers; false when nothing was pending.
  bool AguardarParalelo();
  // The base handler: a failed run becomes an error message.
  virtual void OnProcessarResultadoParalelo(const TnResultadoParalelo& resultado);
  // Text of the exception the last delivery raised ("" when none).
  const std::string& ErroEntregaParalelo() const { return FErroEntrega; }

  // Remembered values of this class: saved by Executar, loaded on demand.
  void GravarParamsINI();
  void CarregarParamsINI();
  // Every item back to its default; the class's remembered values forgotten.
  virtual void LimparParamsINI();

  void Msg(TTipoMensagem tipo, const std::string& texto) { Mensagens().Add(tipo, texto); }

  // Started from the journal-entry screen (its automatic-entry menu) rather
  // than from the main menu.
  bool GetChamadoLctoCtb() const { return FChamadoLctoCtb; }
  void SetChamadoLctoCtb(bool value) { FChamadoLctoCtb = value; }

 private:
  std::string ChaveClasse() const;
  void Entregar();

  std::thread FThread;
  std::atomic<bool> FTerminou{false};
  bool FResultadoPendente = false;
  TnResultadoParalelo FResultado;
  std::unique_ptr<TnSessao> FSessaoParalela;
  TnDMConexao* FConexaoAnterior = nullptr;
  std::string FErroEntrega;
  bool FChamadoLctoCtb = false;
};
