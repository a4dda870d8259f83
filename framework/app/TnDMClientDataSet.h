#pragma once
// The register data module: a table the person browses and edits through a
// screen, or that another module or an import drives without one.
//
// The module owns the chain nSQLDataSet -> nDataSetProvider ->
// nClientDataSet over its select text, and routes every event of the data set
// and of the provider to a virtual handler (nClientDataSetBeforePost...).
// A subclass overrides a handler and calls the inherited one first.
//
// Life of a module:
// 1. created (registry or directly); a subclass does its creation step in
//    its constructor, after this one has built the chain;
// 2. Configurar(form): AntesConfigurar(form), ConfigurarTabela, the fields
//    (defined from the select's columns when the module defined none), on a
//    form each field definition's AntesConfigurar (the form's controls for
//    the field are being built), ConfigurarCampo(field) per field,
//    DepoisConfigurar(form). The field configuration runs once; a form
//    created later (CriarForm) gets its own AntesConfigurar, the fields'
//    AntesConfigurar and DepoisConfigurar;
// 3. opened on the selection (Abrir): the select gets a where with the
//    selection parameters the module requires (PegarVerificaSelecao, or the
//    manual requirement) and the opening filter;
// 4. edited: a new record and every post get their default values
//    (ConfigurarAutoValor); a post is checked (ValidarDado) and, outside
//    import mode, applied to the database at once; in import mode the
//    import machinery applies per batch (AplicarAtualizacoes) inside its
//    transaction.
//
// Not thread-safe: a module belongs to the host's UI (or request) thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "framework/app/TnDM.h"
#include "framework/app/TnForm.h"
#include "framework/app/TnSelecao.h"
#include "framework/data/ClientDataSet.h"
#include "framework/db/Nutilsequence.h"
#include "framework/db/TnDataSetProvider.h"
#include "framework/db/TnSQLDataSet.h"

// A linked detail screen the web form offers under the record.
struct TnInfoDetalhe {
  std::string Nome;
  std::string Caption;
  std::string Classe;
  std::string CamposMestre;   // "A;B" of this module
  std::string CamposDetalhe;  // "A;B" of the detail module
  std::string Filtro;         // "FIELD;value" fixed on the detail
};

// A dictionary whose rows describe the codes a field holds: the table, its
// key columns ("CODIGOEMPRESA;CONTACTB": the last one takes the field's
// value, the others the record's values of the same name) and the column
// that describes a code.
struct TnDicionarioLookup {
  TnDicionarioLookup(std::string tabela, std::string camposChave, std::string campoDescricao);

  // Fixed once made, so the split names never fall behind CamposChave.
  const std::string Tabela;
  const std::string CamposChave;
  const std::string CampoDescricao;
  // CamposChave's names, split once: every validated row reads them.
  const std::vector<std::string> NomesChave;
};

class TnDMClientDataSet : public TnDM {
 public:
  TnDMClientDataSet();
  ~TnDMClientDataSet() override;

  // The chain, in the order it is built.
  TnSQLDataSet nSQLDataSet;
  TnDataSetProvider nDataSetProvider;
  TnClientDataSet nClientDataSet;

  // The select the module opens (without the selection's where).
  const std::string& SelectText() const { return FSelectText; }
  void SetSelectText(std::string text) { FSelectText = std::move(text); }

  // --- Configuration -----------------------------------------------------
  void Configurar(TnForm* form);
  bool Configurado() const { return FConfigurado; }
  virtual void AntesConfigurar(TnForm* form);
  virtual void ConfigurarTabela();
  virtual void ConfigurarCampo(TField& field);
  virtual void DepoisConfigurar(TnForm* form);
  // Default values of a new or modified record; sender is the data set the
  // record belongs to.
  virtual void ConfigurarAutoValor(TnClientDataSet& sender);
  // Runs ConfigurarCampo again, so expressions that depend on other fields
  // are re-evaluated.
  void ChecarConfigurarCampo(TField& field) { ConfigurarCampo(field); }

  // --- What the module says about itself -----------------------------------
  // "A;B": the fields that identify a row (the provider finds rows by them).
  virtual std::string ChavePrimaria() const { return ""; }
  // The selection the module requires before opening ("" = none).
  virtual std::string PegarVerificaSelecao() const { return ""; }
  virtual bool PegarTipoObjeto() const { return false; }
  // A consultation module: its records are shown, never inserted, edited or
  // deleted (the data set refuses, raising Exception).
  virtual bool SomenteConsulta() const { return false; }
  // The framework's own record checks: required fields, and codes that
  // must exist in their dictionary (fields whose definition has the
  // property "ValidarLookup", unless IgnorarLookup); raises EnField. A
  // definition's "FiltroLookup" (SQL the module builds) narrows the rows a
  // code may name; its "MensagemLookup" replaces the message.
  virtual void ValidarDado();
  // After an import; false refuses it. The base accepts.
  virtual bool ValidarImportacao(TnListaMensagem* sender);
  // Clears the company key the module's cached settings were loaded for.
  virtual void LimparChaveConfig() { FChaveConfig = 0; }
  virtual nlohmann::ordered_json PegarJsonConfigExtra() const;
  // The base: the current record's data fields by name.
  virtual nlohmann::ordered_json PegarJsonConteudo();
  // Reopens on the same selection, on the same record when it still exists.
  virtual void Refresh();
  // Closes the module's form; false when the form refused to close.
  virtual bool VerificarClose();
  // Creates the module's own form (once) and configures it.
  virtual TnForm& CriarForm();
  // Called when the form goes away (DestruirForm or the module's end).
  virtual void DoFormDestroy();
  void DestruirForm();
  TnForm* Form() const { return FForm; }
  void SetForm(TnForm* form) { FForm = form; }

  // --- Opening -------------------------------------------------------------
  // The selection requirement in force: the manual one when set.
  std::string VerificaSelecao() const;
  void SetVerificaSelecaoManual(const std::string& requisitos) {
    FVerificaSelecaoManual = requisitos;
  }
  // Opens on the selection; raises Exception naming the missing parameters
  // when the selection does not meet the requirement. Without a selection,
  // the host's (nDMSelecao()).
  void Abrir(const TnSelecao* selecao = nullptr);
  void Fechar() { nClientDataSet.Close(); }
  // SQL condition added to every opening ("" = none).
  const std::string& FiltroAbertura() const { return FFiltroAbertura; }
  void SetFiltroAbertura(const std::string& filtro) { FFiltroAbertura = filtro; }
  // On-demand loading: opening fetches no rows; FetchRegistros adds them.
  bool CarregarDetalhesDinamicamente() const { return FSobDemanda; }
  void SetCarregarDetalhesDinamicamente(bool value) { FSobDemanda = value; }
  // Adds the rows matching the SQL condition (within the opening's where)
  // that are not loaded yet (by ChavePrimaria); returns how many. Values
  // passed as `parametros` keep the statement's text the same from one
  // call to the next, so it is prepared once.
  int FetchRegistros(const std::string& condicao, const TParams& parametros = {});
  // The selection the module was opened on.
  const TnSelecao& Selecao() const { return FSelecao; }
  // The select text as last run.
  const std::string& UltimoSQL() const { return FUltimoSQL; }

  // --- Applying ------------------------------------------------------------
  // On by default: a post or delete outside import mode is written at once.
  bool AplicarAoGravar() const { return FAplicarAoGravar; }
  void SetAplicarAoGravar(bool value) { FAplicarAoGravar = value; }
  // Writes the pending changes (all or nothing); raises Exception with the
  // last error text when a record failed, leaving the changes pending.
  void AplicarAtualizacoes();
  const std::string& UltimoErro() const { return FUltimoErro; }
  void LimparUltimoErro() { FUltimoErro.clear(); }
  // Drops every pending change and loaded row (after the caller rolled back
  // the work they belonged to): a record being edited is cancelled.
  void DescartarPendentes();

  // --- State ---------------------------------------------------------------
  bool Importacao() const { return FImportacao; }
  void SetImportacao(bool value) { FImportacao = value; }
  // The import's balance check: the module keeps per-day debit and credit
  // totals of what it imports and ValidarImportacao reports the days that
  // do not balance.
  bool VerificarBalancoImportacao() const { return FVerificarBalancoImportacao; }
  void SetVerificarBalancoImportacao(bool value) { FVerificarBalancoImportacao = value; }
  bool Copia() const { return FCopia; }
  void SetCopia(bool value) { FCopia = value; }
  int ModoForm() const { return FModoForm; }
  void SetModoForm(int value) { FModoForm = value; }
  bool TelaSecundaria() const { return FTelaSecundaria; }
  void SetTelaSecundaria(bool value) { FTelaSecundaria = value; }
  bool TemTela() const { return FTemTela; }
  void SetTemTela(bool value) { FTemTela = value; }
  // A screen drives the module: it has one and is not importing.
  bool Tela() const { return FTemTela && !FImportacao; }
  const std::string& CampoLink() const { return FCampoLink; }
  void SetCampoLink(const std::string& value) { FCampoLink = value; }
  bool IgnorarLookup() const { return FIgnorarLookup; }
  void SetIgnorarLookup(bool value) { FIgnorarLookup = value; }
  bool PodeConfigurarVisual() const { return FPodeConfigurarVisual; }
  void SetPodeConfigurarVisual(bool value) { FPodeConfigurarVisual = value; }

  // --- Fields --------------------------------------------------------------
  // On the field and on its frame of the form, when there is one.
  void EdEnabledField(TField& field, bool enabled);
  void EdVisibleField(TField& field, bool visible);
  void EdRequiredField(TField& field, bool required);
  // The frame of the form that edits the field; nullptr when none.
  TnFraField* EdFindFieldControl(const TField& field) const;
  // A column of the row the field's code points at in its dictionary
  // (the definition's DicionarioLookup, else the field name); null when the
  // field is empty, has no dictionary or the row does not exist.
  Value EdFindValueDataSetLookup(const std::string& fieldName, const std::string& resultField);
  // A column of the first row of `tabela` under `where` (null when none);
  // while importing, read once until the module's next batch is applied.
  Value ValorDoLote(const std::string& tabela, const std::string& campo, const std::string& where);
  // The first registration of a name holds; a later one of the same name is
  // the same dictionary again (each module registers its own when built).
  static void RegistrarDicionarioLookup(const std::string& nome,
                                        const TnDicionarioLookup& dicionario);
  static const TnDicionarioLookup* DicionarioLookup(const std::string& nome);
  // The field's dictionary: its definition's DicionarioLookup, else the one
  // named after the field; nullptr when none.
  static const TnDicionarioLookup* DicionarioDoCampo(const TField& field);
  // Draws the field's next value from its sequence when the field is empty
  // (null or 0); returns the field's value. The sequence is the definition's
  // property "NomeSequence", else the field's known one (CHAVELCTOCTB:
  // "DYN_GENCHAVELCTOCTB(CODIGOEMPRESA)"); names in parentheses take the
  // record's values. Raises Exception when the field has no sequence.
  int64_t DMAutoIncrementarCheck(TField& field);
  // While set, entry keys (DYN_GENCHAVELCTOCTB) come from this batch's block
  // instead of a draw each; the caller keeps it alive and clears it.
  void SetBlocoChaves(Nutilsequence::TBlocoChavesLctoCtb* bloco) { FBlocoChaves = bloco; }
  Nutilsequence::TBlocoChavesLctoCtb* BlocoChaves() const { return FBlocoChaves; }
  void SelecionarConteudo(TField& field);
  const std::string& CampoConteudoSelecionado() const { return FCampoSelecionado; }

  void AddInfoDetalhe(TnInfoDetalhe info) { FInfoDetalhes.push_back(std::move(info)); }
  const std::vector<TnInfoDetalhe>& InfoDetalhes() const { return FInfoDetalhes; }

  // The company the loaders work for: the record's CODIGOEMPRESA, else the
  // selection's company.
  int64_t PegarCodigoEmpresa() const;
  // The company key the cached settings were loaded for (0 = none).
  int64_t ChaveConfig() const { return FChaveConfig; }
  void SetChaveConfig(int64_t chave) { FChaveConfig = chave; }

 protected:
  // Client data set events.
  virtual void nClientDataSetBeforeOpen(TnClientDataSet& dataSet);
  virtual void nClientDataSetBeforeInsert(TnClientDataSet& dataSet);
  virtual void nClientDataSetNewRecord(TnClientDataSet& dataSet);
  virtual void nClientDataSetAfterInsert(TnClientDataSet& dataSet);
  virtual void nClientDataSetBeforeEdit(TnClientDataSet& dataSet);
  virtual void nClientDataSetBeforePost(TnClientDataSet& dataSet);
  virtual void nClientDataSetAfterPost(TnClientDataSet& dataSet);
  virtual void nClientDataSetBeforeDelete(TnClientDataSet& dataSet);
  virtual void nClientDataSetAfterDelete(TnClientDataSet& dataSet);
  virtual void nClientDataSetAfterCancel(TnClientDataSet& dataSet);
  virtual void nClientDataSetAfterScroll(TnClientDataSet& dataSet);
  virtual void nClientDataSetCalcFields(TnClientDataSet& dataSet);
  // The base keeps the message as the last error text and skips the record.
  virtual void DoReconcileError(TnClientDataSet& dataSet, const std::string& message,
                                TUpdateKind kind, TReconcileAction& action);
  // Provider events.
  virtual void nDataSetProviderBeforeUpdateRecord(TnDataSetProvider& sender, TnSQLDataSet* sourceDS,
                                                  TnDelta& delta, size_t record,
                                                  TUpdateKind updateKind, bool& applied);
  virtual void nDataSetProviderGetTableName(TnDataSetProvider& sender, TnSQLDataSet* dataSet,
                                            std::string& tableName);
  virtual void nDataSetProviderAfterApplyUpdates(TnDataSetProvider& sender);

 private:
  void LigarEventos();
  void DefinirCampos();
  // Each field definition's AntesConfigurar, in field order.
  void AntesConfigurarCampos();
  void AplicarChavePrimaria();
  void AplicarSeGravando();
  void ValidarLookups();
  // The values of the dictionary's key for the field's code: the company's,
  // the linked fields', the code's last.
  ValueArray ValoresChaveLookup(const TField& field, const TnDicionarioLookup& dicionario) const;
  // The where of the dictionary row the field's code names, its values bound:
  // one text per dictionary, whatever the code.
  struct TCondicaoLookup {
    std::string Where;
    TParams Params;
  };
  static TCondicaoLookup CondicaoLookup(const TnDicionarioLookup& dicionario,
                                        const ValueArray& chave);
  // The select with the opening's where and the extra condition.
  std::string MontarSQL(const std::string& condicao, TParams& params) const;

  // Set at creation / configuration.
  std::string FSelectText;
  bool FConfigurado = false;
  TnForm* FForm = nullptr;  // the form in use (not owned unless FFormProprio)
  std::unique_ptr<TnForm> FFormProprio;

  // Opening.
  TnSelecao FSelecao;
  std::string FVerificaSelecaoManual;
  std::string FFiltroAbertura;
  std::string FUltimoSQL;
  bool FSobDemanda = false;

  // Applying.
  bool FAplicarAoGravar = true;
  std::string FUltimoErro;
  Nutilsequence::TBlocoChavesLctoCtb* FBlocoChaves = nullptr;

  // State the host sets.
  bool FImportacao = false;
  bool FVerificarBalancoImportacao = false;
  bool FCopia = false;
  int FModoForm = 2;
  bool FTelaSecundaria = false;
  bool FTemTela = false;
  std::string FCampoLink;
  bool FIgnorarLookup = false;
  bool FPodeConfigurarVisual = true;
  // Codes an import found in their dictionary (table and condition), until
  // its batch is applied: a batch of thousands of rows on a few hundred
  // codes asks the database once per code.
  std::unordered_set<std::string> FLookupsDoLote;
  std::unordered_map<std::string, Value> FValoresDoLote;

  // Cached by company key.
  int64_t FChaveConfig = 0;

  std::vector<TnInfoDetalhe> FInfoDetalhes;
  std::string FCampoSelecionado;
};

// Runs a step with the field change events of a module quiet: defaults set
// by the step must not trigger the handlers that react to typing. The
// handlers come back even when the step raises.
class TnControleFieldsManutencaoTela {
 public:
  static void Controlar(TnDMClientDataSet& modulo, const std::function<void()>& proc);
};
