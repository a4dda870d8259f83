#pragma once
// Writes a client data set's pending changes to one table, and fills a
// client data set from its SQL data set.
//
// Each record of the delta becomes one statement built from the fields'
// ProviderFlags: an insert writes every data field with pfInUpdate, a null
// one as null unless its column has a default (which leaving it out lets
// the table give), so that the rows of a delta mostly share one text; an
// update writes only the fields it changed that have pfInUpdate, finding the
// row by the key fields' old values; a delete finds it by the key. The key
// is the fields given by SetKeyFields, else those with pfInKey, else those
// with pfInWhere. The texts depend only on which fields are written, with
// the values as parameters, so the connection's statement cache prepares
// each shape once.
//
// ApplyUpdates runs inside one transaction (nested in the caller's when one
// is open): the applied records are committed together. A record that
// fails goes to OnUpdateError, else to the client data set's
// OnReconcileError (called while the error is being handled, so
// Nutilexception::ErroBancoAtual gives its kind: 1 = duplicate key), and the
// action answered decides:
//   raSkip    the record stays pending with its error (the default);
//   raAbort   nothing is written: the transaction rolls back, every record
//             stays pending;
//   raCorrect the record is written again with its corrected values (the
//             handler set them with TnDelta::SetNewValue);
//   raCancel  the error is ignored: the record stays pending without error.
// More than maxErrors failures (maxErrors >= 0) also roll everything back.
// AfterApplyUpdates runs inside the transaction, before the commit, so what
// it writes is kept or lost with the records (an exception rolls all back).
// An EAbort, or an exception of a handler, rolls back and propagates.
// Consecutive inserts are sent to the engine together (one exchange with
// PostgreSQL instead of one per row): BeforeUpdateRecord is called for each
// of them as they are queued, so a handler of a later insert runs before the
// earlier inserts reach the table. A failed insert is reconciled as above
// and the ones after it are sent again; updates and deletes go one by one.
// With maxErrors 0 and no BeforeUpdateRecord, OnUpdateError or
// OnReconcileError, nothing can recover from a failure, so the batch runs
// without the connection's per-statement savepoints (IsolarComandos).

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/data/ClientDataSet.h"
#include "framework/data/DataSetProvider.h"
#include "framework/db/TnDMConexao.h"

class TnSQLDataSet;

class TnDataSetProvider : public IDataSetProvider {
 public:
  // A handler that writes the record itself sets applied; the provider then
  // writes nothing for it.
  using TBeforeUpdateRecordEvent =
      std::function<void(TnDataSetProvider& sender, TnSQLDataSet* sourceDS, TnDelta& delta,
                         size_t record, TUpdateKind updateKind, bool& applied)>;
  using TGetTableNameEvent =
      std::function<void(TnDataSetProvider& sender, TnSQLDataSet* dataSet, std::string& tableName)>;
  using TAfterApplyUpdatesEvent = std::function<void(TnDataSetProvider& sender)>;
  using TUpdateErrorEvent =
      std::function<void(TnDataSetProvider& sender, TnClientDataSet& dataSet,
                         const Exception& error, TUpdateKind updateKind, TReconcileAction& action)>;

  explicit TnDataSetProvider(TnSQLDataSet* dataSet = nullptr) : FDataSet(dataSet) {}

  TnSQLDataSet* DataSet() const { return FDataSet; }
  void SetDataSet(TnSQLDataSet* dataSet) { FDataSet = dataSet; }
  // Used when there is no SQL data set; else the data set's connection.
  void SetConexao(TnDMConexao* conexao) { FConexao = conexao; }
  TnDMConexao& Conexao() const;

  // "A;B": the fields that find a row, instead of the pfInKey flags.
  void SetKeyFields(const std::string& names) { FKeyFields = names; }
  const std::string& KeyFields() const { return FKeyFields; }

  // OnGetTableName, else the table fixed by SetTableName, else the first
  // table after "from" in the SQL data set's statement.
  std::string GetTableName();
  void SetTableName(const std::string& name) { FTableName = name; }

  // Runs the SQL data set and loads its rows into target, unlogged. A target
  // without fields gets one per column first. Opens target on its first row.
  void GetRecords(TnClientDataSet& target);

  int ApplyUpdates(TnDelta& delta, int maxErrors) override;

  // While OnUpdateError or OnReconcileError handles a failed record: sets
  // the value that record is written with when the answer is raCorrect.
  void SetNewValue(const std::string& fieldName, const Value& value);
  TnDelta* DeltaEmReconciliacao() const { return FDeltaReconciliando; }
  size_t RegistroEmReconciliacao() const { return FRegistroReconciliando; }

  // Statements the provider ran for the last ApplyUpdates, in order.
  const std::vector<std::string>& ComandosExecutados() const { return FComandos; }

  TBeforeUpdateRecordEvent BeforeUpdateRecord;
  TGetTableNameEvent OnGetTableName;
  TAfterApplyUpdatesEvent AfterApplyUpdates;
  TUpdateErrorEvent OnUpdateError;

 private:
  // The statement that writes the record; none for a modify that changed
  // nothing the table keeps.
  std::optional<TnDMConexao::TComando> Comando(const TnDelta& delta, size_t record,
                                               const std::string& table,
                                               const std::vector<TField*>& key);
  TnDMConexao::TComando ComandoInclusao(const TnDelta& delta, size_t record,
                                        const std::string& table);
  void GravarRegistro(TnDelta& delta, size_t record, const std::string& table,
                      const std::vector<TField*>& key);
  TReconcileAction Reconciliar(TnDelta& delta, size_t record, const Exception& error);
  std::vector<TField*> CamposChave(const TnClientDataSet& dataSet) const;
  static bool NomesDeColunaValidos(const TnClientDataSet& dataSet);

  TnSQLDataSet* FDataSet;
  TnDMConexao* FConexao = nullptr;
  std::string FKeyFields;
  std::string FTableName;
  std::vector<std::string> FComandos;
  // Every column name of the delta being applied is fit for a statement.
  bool FNomesVerificados = false;
  // The insert text of the last row inserted and the fields it gave values
  // for: the rows of a delta mostly give the same ones. Kept for one
  // ApplyUpdates.
  std::vector<const TField*> FCamposInclusao;
  std::string FSqlInclusao;
  // Per field of the delta being applied: whether its column has a default,
  // so that an insert leaves it out when null.
  std::vector<bool> FTemPadrao;
  // The record being reconciled, for SetNewValue.
  TnDelta* FDeltaReconciliando = nullptr;
  size_t FRegistroReconciliando = 0;
};
