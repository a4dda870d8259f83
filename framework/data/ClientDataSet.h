#pragma once
// The in-memory table with a cursor that every register, process and
// repository of the host works through.
//
// Who owns what: the rows and their change log live in a TnRecordStore that
// the data set shares with its clone cursors (CloneCursor); each cursor owns
// its fields, position, active index, range and filter. A change made through
// one cursor is seen by all of them, and every cursor's index is kept current
// as rows are inserted, changed and deleted, so look-ups stay logarithmic
// while appends and FindKey calls interleave.
//
// States follow the classic data-access vocabulary: inactive, browse, edit,
// insert, plus the transient set-key, calc-fields and filter states in which
// fields read and write other buffers. Events fire in the classic order, and
// an exception raised by a Before* event leaves the data set as it was.
//
// The change log records inserts, modifies and deletes as they are posted
// (unless LogChanges is off); ApplyUpdates hands them to a provider as a
// delta and merges what the provider applied.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/Value.h"
#include "framework/data/DataSetProvider.h"
#include "framework/data/Field.h"
#include "framework/data/FieldNameIndex.h"
#include "framework/data/RecordIndex.h"
#include "framework/data/RecordStore.h"

class TFilterExpression;
struct TFilterEquality;

enum class TDataSetState {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter
};

enum TLocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned;

// A row id of the shared store; -1 is no bookmark.
using TBookmark = int64_t;

class TnClientDataSet {
 public:
  using TNotifyEvent = std::function<void(TnClientDataSet& dataSet)>;
  using TFilterRecordEvent = std::function<void(TnClientDataSet& dataSet, bool& accept)>;
  using TReconcileErrorEvent =
      std::function<void(TnClientDataSet& dataSet, const std::string& message, TUpdateKind kind,
                         TReconcileAction& action)>;

  TnClientDataSet();
  // Virtual: a cursor of a query is a data set that also owns its statement.
  virtual ~TnClientDataSet();
  TnClientDataSet(const TnClientDataSet&) = delete;
  TnClientDataSet& operator=(const TnClientDataSet&) = delete;

  const std::string& Name() const { return FName; }
  void SetName(const std::string& name) { FName = name; }

  // Structure. Fields are added while the data set has no rows yet.
  TField& AddField(const std::string& name, TFieldType type, int size = 0, bool required = false);
  TField& AddCalcField(const std::string& name, TFieldType type, int size = 0);
  void RemoveField(const std::string& name);
  // Drops every field (and the rows).
  void ClearFields();
  // Creates empty rows for the fields and opens.
  void CreateDataSet();
  // Case-insensitive; raises "Campo 'X' não encontrado".
  TField& FieldByName(std::string_view name) const;
  TField* FindField(std::string_view name) const;
  TField& Fields(int index) const { return *FFields[static_cast<size_t>(index)]; }
  int FieldCount() const { return static_cast<int>(FFields.size()); }

  // Opening and closing keeps the rows: a closed data set reopens on them.
  void Open();
  void Close();
  bool Active() const { return FState != TDataSetState::dsInactive; }
  void SetActive(bool active) { active ? Open() : Close(); }
  TDataSetState State() const { return FState; }

  // Editing.
  void Append();
  void Insert();
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  bool Modified() const { return FModified; }
  // Defaults set by code are not the person's change: clearing the flag
  // lets leaving an untouched new record cancel it.
  void ClearModified() { FModified = false; }
  // Append, assign the values in field order, Post.
  void AppendRecord(const ValueArray& values);
  // Loading a query result: the row joins the data without events, change
  // log or cursor move. Values are coerced to the field types.
  void AppendRecordUnlogged(const ValueArray& values);
  // The same for `count` rows, `linha(i, values)` giving row i's values in
  // field order: every index takes them together at the end (sorted once
  // and merged), which costs far less than an insert per row.
  void AppendRecordsUnlogged(size_t count, const std::function<void(size_t, ValueArray&)>& linha);

  // Navigation in the order of the active index, over the rows that pass the
  // range and the filter.
  void First();
  void Last();
  void Next();
  void Prior();
  int MoveBy(int distance);
  bool Eof() const { return FEof; }
  bool Bof() const { return FBof; }
  // 1-based position of the current record; 0 when there is none.
  int RecNo() const;
  int RecordCount() const;
  bool IsEmpty() const;
  TBookmark GetBookmark() const;
  void GotoBookmark(TBookmark bookmark);
  bool BookmarkValid(TBookmark bookmark) const;

  // Indexes. IndexFieldNames "A;B;C" (all ascending) and named indexes are
  // exclusive: setting one clears the other. Changing the index keeps the
  // current record and cancels the range.
  const std::string& IndexFieldNames() const { return FIndexFieldNames; }
  void SetIndexFieldNames(const std::string& names);
  void AddIndex(const std::string& name, const std::string& fields,
                const std::string& descFields = "");
  const std::string& IndexName() const { return FIndexName; }
  void SetIndexName(const std::string& name);
  // Key field names of the active index, in order.
  std::vector<std::string> IndexFields() const;

  // Exact match on the first values.size() fields of the active index.
  bool FindKey(const ValueArray& values);
  // The first record whose key is not below values (the last when none is).
  void FindNearest(const ValueArray& values);
  // Key-edit mode: field assignments fill a search key, then GotoKey or
  // GotoNearest searches on the leading assigned index fields.
  void SetKey();
  bool GotoKey();
  void GotoNearest();
  // Only records whose leading index fields lie between start and end
  // (inclusive, in index order) are seen.
  void SetRange(const ValueArray& start, const ValueArray& end);
  void CancelRange();
  bool RangeActive() const { return FRangeActive; }

  // Locate moves to the first matching record in the current order; Lookup
  // answers without moving. fields: "A;B".
  bool Locate(const std::string& fields, const ValueArray& values, TLocateOptions options = 0);
  Value Lookup(const std::string& keyFields, const ValueArray& keyValues,
               const std::string& resultField);

  // Filter text (parsed at once; a malformed text raises EFilterError).
  const std::string& Filter() const { return FFilterText; }
  void SetFilter(const std::string& text);
  bool Filtered() const { return FFiltered; }
  void SetFiltered(bool filtered);

  // Shares source's rows with a position, index, range and filter of its
  // own. keepSettings copies source's index, range and filter.
  void CloneCursor(TnClientDataSet& source, bool keepSettings = false);
  // Replaces this data set's fields and rows by a copy of source's, without
  // change log (the rows are as loaded).
  void CopyDataFrom(const TnClientDataSet& source);

  // Change log.
  bool LogChanges() const;
  void SetLogChanges(bool on);
  int ChangeCount() const;
  TUpdateStatus UpdateStatus() const;
  void MergeChangeLog();
  void CancelUpdates();
  void RevertRecord();
  void SetProvider(IDataSetProvider* provider) { FProvider = provider; }
  IDataSetProvider* Provider() const { return FProvider; }
  // Hands the pending changes to the provider; returns the failed count.
  int ApplyUpdates(int maxErrors);
  TnDelta GetDelta();

  void EmptyDataSet();

  void DisableControls() { ++FDisableCount; }
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount > 0; }
  // While disabled (nested calls count), setting a field runs no OnChange.
  void DisableFieldChanges() { ++FFieldChangesDisabled; }
  void EnableFieldChanges() { --FFieldChangesDisabled; }

  TNotifyEvent BeforeInsert, OnNewRecord, AfterInsert;
  TNotifyEvent BeforeEdit, AfterEdit;
  TNotifyEvent BeforePost, AfterPost;
  TNotifyEvent BeforeCancel, AfterCancel;
  TNotifyEvent BeforeDelete, AfterDelete;
  TNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TNotifyEvent BeforeScroll, AfterScroll;
  TNotifyEvent OnCalcFields;
  TFilterRecordEvent OnFilterRecord;
  TReconcileErrorEvent OnReconcileError;

 private:
  friend class TField;
  friend class TnDelta;

  struct TIndexDef {
    std::string Fields;
    std::string DescFields;
  };

  // Fields.
  const Value& FieldValue(const TField& field) const;
  void SetFieldValue(TField& field, const Value& value);
  Value FieldOldValue(const TField& field) const;
  const Value& StoredValue(TRowId row, size_t slot) const;
  std::vector<TField*> ResolveFields(const std::string& names) const;
  void CheckInactive(const char* what) const;
  void CheckActive() const;

  // Store and indexes.
  void EnsureStore();
  void ReleaseStore();
  void AttachStore(std::shared_ptr<TnRecordStore> store);
  void BuildIndex(const std::string& fields, const std::string& descFields);
  void RebuildAllCursors();
  void CursorRowRemoving(TRowId row);
  void CursorResync();
  void WriteRow(TRowId row, const std::vector<Value>& values, bool logged);
  // Adds a row as loaded (no log, no index): values coerced to the fields.
  TRowId AddLoadedRow(const ValueArray& values);
  bool RetiredIndexCurrent() const;

  // Position.
  TIndexPos CurrentPos() const;
  bool IsVisible(TRowId row) const;
  bool InRange(TRowId row) const;
  bool PassesFilter(TRowId row) const;
  bool FilterBounded() const { return FFiltered && !FFilterKey.empty(); }
  TIndexPos SeekForward(TIndexPos pos) const;
  TIndexPos SeekBackward(TIndexPos pos) const;
  TIndexPos FirstPos() const;
  TIndexPos LastPos() const;
  void SetCurrent(TIndexPos pos);
  void GoToRow(TRowId row);
  void SetEmptyPosition();
  TRowId NeighbourOf(TRowId row) const;
  TRowId FindRow(const std::vector<TField*>& fields, const ValueArray& values,
                 TLocateOptions options) const;
  bool FindKeyRow(const ValueArray& key);
  // Values coerced to the active index's key fields.
  void CoerceKey(const ValueArray& values, ValueArray& key) const;
  ValueArray CoerceKey(const ValueArray& values) const;

  // State.
  void CheckBrowseMode();
  bool EndSetKeyOrEditing();
  // Insert and Append: the new record's events and buffer.
  void BeginInsert(bool append);
  void CalculateFields() const;
  void ResolveFilter();
  void ForgetFilterFields();
  void BoundFilterToIndex();
  void DoEvent(const TNotifyEvent& event) {
    if (event)
      event(*this);
  }

  std::string FName;

  // Structure: set before rows exist.
  std::vector<std::unique_ptr<TField>> FFields;
  TnFieldNameIndex FFieldIndex;
  size_t FDataCount = 0;
  size_t FCalcCount = 0;

  // Rows, shared with clones.
  std::shared_ptr<TnRecordStore> FStore;
  IDataSetProvider* FProvider = nullptr;

  // Cursor.
  mutable TDataSetState FState = TDataSetState::dsInactive;
  std::unique_ptr<TnRecordIndex> FIndex;
  // The index the cursor last left, with the store's state it matches:
  // code that switches between two orders and back builds neither again.
  // Rows posted and written through this store keep it matching; anything
  // else (a delete, a revert, a reload) leaves it to be rebuilt.
  std::unique_ptr<TnRecordIndex> FRetiredIndex;
  uint64_t FRetiredStamp = 0;
  TRowId FRetiredRows = 0;
  std::vector<TField*> FKeyFields;  // the active index's
  mutable TIndexPos FPos;
  mutable uint64_t FPosVersion = 0;
  TRowId FCurrentRow = kNoRow;
  bool FEof = true;
  bool FBof = true;

  // Buffers: the record being edited, the calculated values of the current
  // record, the search key; FTempRow is the row a filter or calculation
  // looks at instead of the current one.
  std::vector<Value> FEditBuffer;
  std::vector<Value> FLoadBuffer;
  mutable std::vector<Value> FCalcBuffer;
  std::vector<Value> FKeyBuffer;
  std::vector<bool> FKeyAssigned;
  mutable TRowId FTempRow = kNoRow;
  // The values of one stored row read so far (see StoredValue).
  mutable std::vector<Value> FRowCache;
  mutable std::vector<uint64_t> FRowCacheGen;
  mutable uint64_t FCacheGen = 0;
  mutable TRowId FCacheRow = kNoRow;
  mutable uint64_t FCacheStamp = 0;
  ValueArray FSearchKey;
  mutable TDataSetState FSavedState = TDataSetState::dsInactive;
  bool FModified = false;
  TRowId FInsertBefore = kNoRow;

  // Index settings.
  std::string FIndexFieldNames;
  std::string FIndexName;
  std::map<std::string, TIndexDef> FIndexDefs;

  // Range.
  bool FRangeActive = false;
  ValueArray FRangeStart;
  ValueArray FRangeEnd;

  // Filter.
  std::string FFilterText;
  std::unique_ptr<TFilterExpression> FFilterExpr;
  std::vector<TField*> FFilterFields;
  // A filter of stored fields equal to constants, tested on the store's
  // values: each field's slot and its comparison in FFilterExpr. Empty for
  // any other filter.
  std::vector<std::pair<size_t, const TFilterEquality*>> FFilterIguais;
  // The constants such a filter gives the leading fields of the active
  // index (empty: none): its rows are one block of the index, and walks
  // start and stop at the block's edges instead of reading every row.
  ValueArray FFilterKey;
  bool FFiltered = false;

  int FDisableCount = 0;
  int FFieldChangesDisabled = 0;
};
