#pragma once
// The posting engine: posts into the ledger a batch of journal entries that
// another module of the application prepared (payroll, invoicing and the
// like), with their managerial (cost-centre) rows.
//
// The caller fills cdsLctoCtb (one row per entry, keyed by a key of its own)
// and cdsLctoGer (the managerial rows, linked to their entry by that key),
// sets the options and calls Contabilizar. The engine numbers the
// transactions, gives every entry a new key, runs each entry through the
// journal-entry module in import mode (its own rule chain refuses what it
// refuses) and each managerial row through the managerial module, and
// writes both tables every 100 entries and at the end. A refused entry
// never stops the run: it is reported, counted and the rest goes on; at
// the end any count turns into the exception "Problemas encontrados: N".
//
// A write is one transaction of the writer's (nested in the caller's when
// one is open). A key another writer stored since it was drawn is replaced
// by the next free one (cdsLctoCtbErroPK) and the entry's managerial rows
// follow it.
//
// Who owns what: the engine owns its three tables and, during one
// Contabilizar only, the journal-entry module (whose managerial companion
// writes the managerial rows). It never owns the message sinks nor the
// connection, and opens no database transaction of its own: a caller that
// wants the whole batch or nothing wraps the run in one.
//
// Every message is also kept with the entry it concerns (Resultados), so a
// caller can report each entry by its own key. Messages go to the flat list
// when the caller gave one, else to the tree: under the caller's node, a
// node per entry that has something to say, holding its messages and, a
// node per managerial row, the messages of its rows.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/app/ITreeMessager.h"
#include "framework/app/TnDM.h"
#include "framework/data/ClientDataSet.h"

class TnCtbDMLctoCtb;
class TnCtbDMLctoGer;
class TnDataSetProvider;
class TnSQLDataSet;
class TnDelta;
class TnDMClientDataSet;

// What became of one entry of the batch.
struct TnResultadoContabilizacao {
  int64_t CodigoEmpresa = 0;
  double ChaveLctoCtb = 0;      // the caller's key
  double ChaveLctoCtbNovo = 0;  // the key it was stored under; 0 when refused
  int64_t TransCtb = 0;
  bool Recusado = false;
  std::vector<TnMensagem> Mensagens;
};

class TnDMContabilizaContabil : public TnDM {
 public:
  static constexpr const char* kClassName = "TnDMContabilizaContabil";
  // The message types Msg takes.
  static constexpr int kMsgErro = 0;
  static constexpr int kMsgGerencialIgnorado = 4;
  static constexpr int kMsgSucesso = 5;

  // DataModuleCreate: messages off, no message list, auto-increment on, the
  // three tables created without change log.
  TnDMContabilizaContabil();
  ~TnDMContabilizaContabil() override;

  // Input: CodigoEmpresa, ChaveLctoCtb, CodigoEstab, CodigoLoteCtb,
  // DataLctoCtb, CodigoOrigLctoCtb, ContaCtbDeb, ContaCtbCred,
  // CodigoHistCtb, ComplHist, ValorLctoCtb, ChaveOrigem, TransCTB.
  TnClientDataSet cdsLctoCtb;
  // Input: CodigoEmpresa, ChaveLctoCtb, CodigoCentroCusto, NaturLctoCtb,
  // ContaCtb, DataLctoCtb, ValorLctoGer.
  TnClientDataSet cdsLctoGer;
  // Keys that hit a duplicate while writing: CodigoEmpresa, ChaveLctoCtb,
  // ChaveLctoCtbNovo.
  TnClientDataSet cdsLctoCtbErroPK;

  // Posts the batch. Raises Exception "Problemas encontrados: N" when N
  // entries or rows failed; the others are written all the same.
  void Contabilizar();
  // Empties the three tables for the next batch.
  void LimparCDS();
  // Numbers TransCTB: balanced groups of single-sided entries (in company,
  // establishment and key order) share a number; every double entry has
  // one of its own, after them.
  void ConfigurarTransacao();
  // Delivered only while messages are on: to the flat list, else to the
  // tree under the caller's node.
  void Msg(int tipo, const std::string& texto);

  void SetMsgExibir(bool value) { FMsgExibir = value; }
  void SetMsgLista(TnListaMensagem* value) { FMsgLista = value; }
  void SetMsgTreeLista(ITreeMessager* value) { FMsgTreeLista = value; }
  // The node the run's messages go under; null for the tree's top.
  void SetMsgItem(TnNoMensagem* value) { FMsgItem = value; }
  bool ConciliarAuto() const { return FConciliarAuto; }
  void SetConciliarAuto(bool value) { FConciliarAuto = value; }
  bool UtilizaAutoIncrementar() const { return FUtilizaAutoIncrementar; }
  void SetUtilizaAutoIncrementar(bool value) { FUtilizaAutoIncrementar = value; }

  // Failures counted in the last run.
  int ControleErros() const { return FControleErros; }
  // Whether a duplicate key was replaced while writing the last run.
  bool KeyviolComAutoInc() const { return FKeyviolComAutoInc; }
  // The entries of the last run, in the order they were posted.
  const std::vector<TnResultadoContabilizacao>& Resultados() const { return FResultados; }

 private:
  void CriarTabelas();
  void CriarDMLcto();
  void DestruirDMLcto();
  // Analytic accounts of the company under an account linked to cost
  // centres: the accounts that take managerial rows.
  std::unique_ptr<TnClientDataSet> CriarContaCtbRateio(int64_t codigoEmpresa);
  // One entry through the journal-entry module; false when it refused it.
  bool PostarLancamento();
  // The entry's managerial rows, on the sides whose account takes them.
  void PostarGerenciais(double contaDeb, double contaCred, TnClientDataSet* contasRateio);
  void PostarGerencial();
  // Writes the entries posted so far, then their managerial rows, and
  // empties both modules.
  void Gravar();
  // The module's pending rows to the table, found by the key fields; a
  // failure of the writing itself is reported, not counted.
  void GravarModulo(TnDMClientDataSet& modulo, const char* tabela, const char* chave);
  // A message about the entry at `indice` of the results; `gerencial` names
  // the managerial row it concerns, empty when it is the entry's own.
  void MsgLcto(size_t indice, int tipo, const std::string& texto,
               const std::string& gerencial = {});
  // The result of a stored entry, by its company and new key.
  size_t IndiceDaChave(int64_t codigoEmpresa, double chaveNova) const;
  void DoClientDataSetReconcileErrorCTB(TnClientDataSet& dataSet, const std::string& message,
                                        TUpdateKind kind, TReconcileAction& action);
  void DoClientDataSetReconcileErrorGER(TnClientDataSet& dataSet, const std::string& message,
                                        TUpdateKind kind, TReconcileAction& action);
  void DoDataSetProviderBeforeUpdateRecordGER(TnDelta& delta, size_t record);

  // Options, set by the caller.
  bool FMsgExibir = false;
  bool FUtilizaAutoIncrementar = true;
  bool FConciliarAuto = false;
  TnListaMensagem* FMsgLista = nullptr;    // not owned
  ITreeMessager* FMsgTreeLista = nullptr;  // not owned
  TnNoMensagem* FMsgItem = nullptr;        // FMsgTreeLista's

  // One run.
  int FControleErros = 0;
  double FChaveNova = 0;
  bool FKeyviolComAutoInc = false;
  std::unique_ptr<TnCtbDMLctoCtb> FDMLctoCtb;
  TnCtbDMLctoGer* FDMLctoGer = nullptr;  // FDMLctoCtb's companion
  std::vector<TnResultadoContabilizacao> FResultados;
  // (company, new key) -> index of FResultados.
  std::map<std::pair<int64_t, double>, size_t> FIndicePorChave;
  // Index of FResultados -> the entry's node in the tree, once it has one.
  std::map<size_t, TnNoMensagem*> FNoPorLcto;
};
