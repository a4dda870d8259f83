#include "framework/data/ClientDataSet.h"

#include <algorithm>
#include <cassert>
#include <cctype>

#include <fmt/format.h>

#include "framework/core/Exceptions.h"
#include "framework/data/filter/FilterExpression.h"

namespace {

// Buffers are cleared row after row and are mostly null already: only a
// value is assigned, with no copy of a null into every cell.
void Anular(std::vector<Value>& valores) {
  for (Value& valor : valores)
    if (!valor.IsNull())
      valor = Value();
}

bool NumberOrDate(TFieldType type) {
  switch (type) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint:
    case TFieldType::ftFloat:
    case TFieldType::ftBCD:
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime:
    case TFieldType::ftTimeStamp:
      return true;
    default:
      return false;
  }
}

std::string UpperAscii(std::string text) {
  for (char& ch : text)
    ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return text;
}

std::vector<std::string> SplitNames(const std::string& names) {
  std::vector<std::string> result;
  size_t start = 0;
  while (start <= names.size()) {
    size_t end = names.find(';', start);
    if (end == std::string::npos)
      end = names.size();
    std::string item = names.substr(start, end - start);
    size_t first = item.find_first_not_of(' ');
    if (first != std::string::npos) {
      result.push_back(item.substr(first, item.find_last_not_of(' ') - first + 1));
    }
    start = end + 1;
  }
  return result;
}

bool IsEditing(TDataSetState state) {
  return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
}

// Puts the data set in a transient state looking at another row, and back.
class TTempState {
 public:
  TTempState(TDataSetState& state, TDataSetState& saved, TRowId& tempRow, TDataSetState temp,
             TRowId row)
      : FState(state),
        FSaved(saved),
        FTempRow(tempRow),
        FOldState(state),
        FOldSaved(saved),
        FOldRow(tempRow) {
    FSaved = state;
    FState = temp;
    if (row != kNoRow)
      FTempRow = row;
  }
  ~TTempState() {
    FState = FOldState;
    FSaved = FOldSaved;
    FTempRow = FOldRow;
  }
  TTempState(const TTempState&) = delete;
  TTempState& operator=(const TTempState&) = delete;

 private:
  TDataSetState& FState;
  TDataSetState& FSaved;
  TRowId& FTempRow;
  TDataSetState FOldState, FOldSaved;
  TRowId FOldRow;
};

const Value kNull;

}  // namespace

TnClientDataSet::TnClientDataSet() = default;

TnClientDataSet::~TnClientDataSet() {
  if (FStore)
    FStore->Detach(this);
}

// ---- Structure ----

void TnClientDataSet::CheckInactive(const char* what) const {
  if (Active() || (FStore && FStore->RowCount() > 0)) {
    throw EDatabaseStateError(std::string("Não é possível ") + what +
                              " em um data set aberto ou com registros");
  }
}

void TnClientDataSet::CheckActive() const {
  if (!Active())
    throw EDatabaseStateError("Operação não permitida em um data set fechado");
}

TField& TnClientDataSet::AddField(const std::string& name, TFieldType type, int size,
                                  bool required) {
  CheckInactive("adicionar campos");
  if (FindField(name))
    throw Exception("Campo '" + name + "' já existe");
  auto field = std::make_unique<TField>(*this, name, type, size, TFieldKind::fkData);
  field->SetRequired(required);
  field->FIndex = static_cast<int>(FFields.size());
  field->FSlot = FDataCount++;
  FFieldIndex.Set(name, FFields.size());
  FFields.push_back(std::move(field));
  ReleaseStore();
  return *FFields.back();
}

TField& TnClientDataSet::AddCalcField(const std::string& name, TFieldType type, int size) {
  if (Active())
    CheckInactive("adicionar campos");
  if (FindField(name))
    throw Exception("Campo '" + name + "' já existe");
  auto field = std::make_unique<TField>(*this, name, type, size, TFieldKind::fkCalculated);
  field->FIndex = static_cast<int>(FFields.size());
  field->FSlot = FCalcCount++;
  FFieldIndex.Set(name, FFields.size());
  FFields.push_back(std::move(field));
  FCalcBuffer.assign(FCalcCount, Value());
  return *FFields.back();
}

void TnClientDataSet::RemoveField(const std::string& name) {
  TField& field = FieldByName(name);
  if (Active())
    throw EDatabaseStateError("Não é possível remover campos de um data set aberto");
  if (!field.IsCalculated())
    CheckInactive("remover campos");
  auto old = std::move(FFields);
  FFields.clear();
  FFieldIndex.Clear();
  FDataCount = FCalcCount = 0;
  for (auto& f : old) {
    if (f.get() == &field)
      continue;
    f->FIndex = static_cast<int>(FFields.size());
    f->FSlot = f->IsCalculated() ? FCalcCount++ : FDataCount++;
    FFieldIndex.Set(f->FieldName(), FFields.size());
    FFields.push_back(std::move(f));
  }
  FCalcBuffer.assign(FCalcCount, Value());
}

void TnClientDataSet::ClearFields() {
  Close();
  ReleaseStore();
  FIndex.reset();
  FFields.clear();
  FFieldIndex.Clear();
  FDataCount = FCalcCount = 0;
  FIndexFieldNames.clear();
  FIndexName.clear();
  FIndexDefs.clear();
  FRangeActive = false;
  ForgetFilterFields();
}

TField* TnClientDataSet::FindField(std::string_view name) const {
  const size_t position = FFieldIndex.Find(name);
  return position == TnFieldNameIndex::kNone ? nullptr : FFields[position].get();
}

TField& TnClientDataSet::FieldByName(std::string_view name) const {
  TField* field = FindField(name);
  if (!field)
    throw Exception(fmt::format("Campo '{}' não encontrado", name));
  return *field;
}

std::vector<TField*> TnClientDataSet::ResolveFields(const std::string& names) const {
  std::vector<TField*> fields;
  for (const std::string& name : SplitNames(names))
    fields.push_back(&FieldByName(name));
  return fields;
}

// ---- Store and indexes ----

void TnClientDataSet::AttachStore(std::shared_ptr<TnRecordStore> store) {
  ReleaseStore();
  FStore = std::move(store);
  FStore->Attach(this);
  FCacheRow = kNoRow;
  FIndex = std::make_unique<TnRecordIndex>(*FStore, std::vector<size_t>{}, std::vector<bool>{});
  FKeyFields.clear();
  FFilterKey.clear();
}

// The rows go with the index kept for them: it reads them by reference.
void TnClientDataSet::ReleaseStore() {
  if (FStore)
    FStore->Detach(this);
  FStore.reset();
  FRetiredIndex.reset();
}

void TnClientDataSet::EnsureStore() {
  if (!FStore)
    AttachStore(std::make_shared<TnRecordStore>(FDataCount));
  if (FEditBuffer.size() != FDataCount)
    FEditBuffer.assign(FDataCount, Value());
  if (FKeyBuffer.size() != FDataCount)
    FKeyBuffer.assign(FDataCount, Value());
  if (FKeyAssigned.size() != FDataCount)
    FKeyAssigned.assign(FDataCount, false);
  if (FCalcBuffer.size() != FCalcCount)
    FCalcBuffer.assign(FCalcCount, Value());
}

void TnClientDataSet::CreateDataSet() {
  Close();
  ReleaseStore();
  EnsureStore();
  Open();
}

void TnClientDataSet::BuildIndex(const std::string& fields, const std::string& descFields) {
  std::vector<size_t> slots;
  std::vector<bool> desc;
  std::vector<std::string> descNames;
  for (const std::string& d : SplitNames(descFields))
    descNames.push_back(UpperAscii(d));
  for (TField* field : ResolveFields(fields)) {
    if (field->IsCalculated()) {
      throw Exception("Campo calculado '" + field->FieldName() + "' não pode ser indexado");
    }
    slots.push_back(field->FSlot);
    desc.push_back(std::find(descNames.begin(), descNames.end(), UpperAscii(field->FieldName())) !=
                   descNames.end());
  }
  TRowId current = FCurrentRow;
  FKeyFields = ResolveFields(fields);
  std::unique_ptr<TnRecordIndex> left = std::move(FIndex);
  if (RetiredIndexCurrent() && FRetiredIndex->KeySlots() == slots &&
      FRetiredIndex->Descending() == desc) {
    FIndex = std::move(FRetiredIndex);
  } else {
    FIndex = std::make_unique<TnRecordIndex>(*FStore, std::move(slots), std::move(desc));
    FIndex->Rebuild();
  }
  FRetiredIndex = std::move(left);
  FRetiredStamp = FStore->Stamp();
  FRetiredRows = FStore->RowCount();
  FRangeActive = false;
  BoundFilterToIndex();
  if (Active()) {
    if (current != kNoRow && IsVisible(current)) {
      GoToRow(current);
    } else {
      SetCurrent(FirstPos());
    }
  }
}

void TnClientDataSet::SetIndexFieldNames(const std::string& names) {
  if (Active())
    CheckBrowseMode();
  EnsureStore();
  ResolveFields(names);
  FIndexFieldNames = names;
  FIndexName.clear();
  BuildIndex(names, "");
}

void TnClientDataSet::AddIndex(const std::string& name, const std::string& fields,
                               const std::string& descFields) {
  ResolveFields(fields);
  FIndexDefs[UpperAscii(name)] = {fields, descFields};
}

void TnClientDataSet::SetIndexName(const std::string& name) {
  if (Active())
    CheckBrowseMode();
  EnsureStore();
  if (name.empty()) {
    FIndexName.clear();
    FIndexFieldNames.clear();
    BuildIndex("", "");
    return;
  }
  auto it = FIndexDefs.find(UpperAscii(name));
  if (it == FIndexDefs.end())
    throw Exception("Índice '" + name + "' não encontrado");
  FIndexName = name;
  FIndexFieldNames.clear();
  BuildIndex(it->second.Fields, it->second.DescFields);
}

std::vector<std::string> TnClientDataSet::IndexFields() const {
  std::string fields = FIndexFieldNames;
  if (!FIndexName.empty())
    fields = FIndexDefs.at(UpperAscii(FIndexName)).Fields;
  std::vector<std::string> names;
  for (TField* field : ResolveFields(fields))
    names.push_back(field->FieldName());
  return names;
}

void TnClientDataSet::RebuildAllCursors() {
  for (TnClientDataSet* cursor : FStore->Cursors()) {
    TRowId current = cursor->FCurrentRow;
    cursor->FIndex->Rebuild();
    if (!cursor->Active())
      continue;
    if (current != kNoRow && cursor->IsVisible(current)) {
      cursor->GoToRow(current);
    } else {
      cursor->SetCurrent(cursor->FirstPos());
    }
  }
}

// Called on every cursor before a row leaves the data: a cursor standing on
// it moves to its neighbour.
void TnClientDataSet::CursorRowRemoving(TRowId row) {
  if (FIndex->Find(row) == FIndex->End())
    return;
  TRowId neighbour = FCurrentRow == row ? NeighbourOf(row) : kNoRow;
  FIndex->Erase(row);
  if (FCurrentRow == row) {
    if (neighbour == kNoRow) {
      SetEmptyPosition();
    } else {
      GoToRow(neighbour);
    }
  }
}

TRowId TnClientDataSet::NeighbourOf(TRowId row) const {
  TIndexPos pos = FIndex->Find(row);
  if (FIndex->IsEnd(pos))
    return kNoRow;
  TIndexPos next = SeekForward(FIndex->Next(pos));
  if (!FIndex->IsEnd(next))
    return FIndex->At(next);
  TIndexPos prior = SeekBackward(FIndex->Prior(pos));
  return FIndex->IsEnd(prior) ? kNoRow : FIndex->At(prior);
}

bool TnClientDataSet::RetiredIndexCurrent() const {
  return FRetiredIndex && FRetiredStamp == FStore->Stamp() && FRetiredRows == FStore->RowCount();
}

// Writes new values into a stored row, moving it in every index of every
// cursor (the retired ones that still match the rows too) whose key changed.
void TnClientDataSet::WriteRow(TRowId row, const std::vector<Value>& values, bool logged) {
  std::vector<TnRecordIndex*> moved;
  std::vector<TnClientDataSet*> retiredKept;
  const auto leave = [&](TnRecordIndex& index) {
    if (index.KeyDiffers(row, values.data())) {
      index.Erase(row);
      moved.push_back(&index);
    }
  };
  for (TnClientDataSet* cursor : FStore->Cursors()) {
    leave(*cursor->FIndex);
    if (cursor->RetiredIndexCurrent()) {
      leave(*cursor->FRetiredIndex);
      retiredKept.push_back(cursor);
    }
  }
  if (logged)
    FStore->MarkModified(row);
  FStore->SetRow(row, values.data());
  for (TnRecordIndex* index : moved)
    index->Insert(row);
  for (TnClientDataSet* cursor : retiredKept)
    cursor->FRetiredStamp = FStore->Stamp();
}

// ---- Open and close ----

void TnClientDataSet::Open() {
  if (Active())
    return;
  DoEvent(BeforeOpen);
  EnsureStore();
  if (!FIndexFieldNames.empty()) {
    BuildIndex(FIndexFieldNames, "");
  } else if (!FIndexName.empty()) {
    const TIndexDef& def = FIndexDefs.at(UpperAscii(FIndexName));
    BuildIndex(def.Fields, def.DescFields);
  } else {
    FIndex->Rebuild();
  }
  if (FFiltered)
    ResolveFilter();
  FState = TDataSetState::dsBrowse;
  SetCurrent(FirstPos());
  DoEvent(AfterOpen);
  if (!IsEmpty())
    DoEvent(AfterScroll);
}

void TnClientDataSet::Close() {
  if (!Active())
    return;
  DoEvent(BeforeClose);
  if (IsEditing(FState) || FState == TDataSetState::dsSetKey)
    FState = TDataSetState::dsBrowse;
  FState = TDataSetState::dsInactive;
  FCurrentRow = kNoRow;
  FEof = FBof = true;
  FModified = false;
  DoEvent(AfterClose);
}

// ---- Field values ----

const Value& TnClientDataSet::FieldValue(const TField& field) const {
  if (field.IsCalculated())
    return FCalcBuffer[field.FSlot];
  if (FTempRow != kNoRow)
    return StoredValue(FTempRow, field.FSlot);
  TDataSetState state = FState == TDataSetState::dsCalcFields ? FSavedState : FState;
  if (IsEditing(state))
    return FEditBuffer[field.FSlot];
  if (state == TDataSetState::dsSetKey)
    return FKeyBuffer[field.FSlot];
  if (FCurrentRow == kNoRow || !FStore)
    return kNull;
  return StoredValue(FCurrentRow, field.FSlot);
}

// Values of stored rows are read into a per-cursor copy of the row, each
// field once until the cursor moves or the store changes.
const Value& TnClientDataSet::StoredValue(TRowId row, size_t slot) const {
  if (row != FCacheRow || FStore->Stamp() != FCacheStamp || FRowCache.size() != FDataCount) {
    if (FRowCache.size() != FDataCount) {
      FRowCache.assign(FDataCount, Value());
      FRowCacheGen.assign(FDataCount, 0);
    }
    FCacheRow = row;
    FCacheStamp = FStore->Stamp();
    ++FCacheGen;
  }
  if (FRowCacheGen[slot] != FCacheGen) {
    FRowCache[slot] = FStore->Get(row, slot);
    FRowCacheGen[slot] = FCacheGen;
  }
  return FRowCache[slot];
}

Value TnClientDataSet::FieldOldValue(const TField& field) const {
  if (field.IsCalculated() || FState == TDataSetState::dsInsert)
    return Value();
  TRowId row = FTempRow != kNoRow ? FTempRow : FCurrentRow;
  if (row == kNoRow || !FStore)
    return Value();
  return FStore->Original(row, field.FSlot);
}

void TnClientDataSet::SetFieldValue(TField& field, const Value& value) {
  if (FState == TDataSetState::dsSetKey) {
    if (field.IsCalculated())
      return;
    FKeyBuffer[field.FSlot] = field.Coerce(value);
    FKeyAssigned[field.FSlot] = true;
    return;
  }
  if (FState == TDataSetState::dsCalcFields) {
    if (!field.IsCalculated()) {
      throw EDatabaseStateError("Campo '" + field.FieldName() +
                                "' não pode ser modificado no cálculo de campos");
    }
    FCalcBuffer[field.FSlot] = field.Coerce(value);
    return;
  }
  if (!IsEditing(FState)) {
    throw EDatabaseStateError("Data set não está em modo de edição ou inserção");
  }
  if (field.IsCalculated()) {
    FCalcBuffer[field.FSlot] = field.Coerce(value);
    return;
  }
  if (field.ReadOnly()) {
    throw EDatabaseStateError("Campo '" + field.DisplayLabel() + "' não pode ser modificado");
  }
  Value coerced = field.Coerce(value);
  Value& slot = FEditBuffer[field.FSlot];
  if (field.OnValidate) {
    // The handler sees the new value; a refusal puts the old one back.
    Value old = std::move(slot);
    slot = std::move(coerced);
    try {
      field.OnValidate(field);
    } catch (...) {
      slot = std::move(old);
      throw;
    }
  } else {
    slot = std::move(coerced);
  }
  FModified = true;
  if (field.OnChange && FFieldChangesDisabled == 0)
    field.OnChange(field);
  CalculateFields();
}

void TnClientDataSet::CalculateFields() const {
  if (FCalcCount == 0)
    return;
  Anular(FCalcBuffer);
  if (!OnCalcFields)
    return;
  if (FTempRow == kNoRow && FCurrentRow == kNoRow && !IsEditing(FState))
    return;
  TTempState guard(FState, FSavedState, FTempRow, TDataSetState::dsCalcFields, kNoRow);
  // The handler takes the data set as every event does; in this state it can
  // only set calculated fields, whose buffer is mutable.
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-const-cast)
  OnCalcFields(const_cast<TnClientDataSet&>(*this));
}

// ---- Position ----

TIndexPos TnClientDataSet::CurrentPos() const {
  if (FCurrentRow == kNoRow)
    return FIndex->End();
  if (FPosVersion != FIndex->Version()) {
    FPos = FIndex->Find(FCurrentRow);
    FPosVersion = FIndex->Version();
  }
  return FPos;
}

bool TnClientDataSet::InRange(TRowId row) const {
  if (!FRangeActive)
    return true;
  return FIndex->CompareKey(row, FRangeStart) >= 0 && FIndex->CompareKey(row, FRangeEnd) <= 0;
}

bool TnClientDataSet::PassesFilter(TRowId row) const {
  if (!FFiltered)
    return true;
  // Stored fields against constants, with no handler to call: read from the
  // row itself, without the evaluator or a filter state.
  if (!FFilterIguais.empty() && !OnFilterRecord)
    return std::all_of(FFilterIguais.begin(), FFilterIguais.end(), [&](const auto& igualdade) {
      return igualdade.second->Holds(FStore->Get(row, igualdade.first));
    });
  TTempState guard(FState, FSavedState, FTempRow, TDataSetState::dsFilter, row);
  if (FCalcCount > 0)
    CalculateFields();
  bool accept = true;
  if (FFilterExpr) {
    accept = FFilterExpr->Matches([this](size_t i) { return FieldValue(*FFilterFields[i]); });
  }
  // As above: the handler reads the row being filtered.
  if (accept && OnFilterRecord)
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-const-cast)
    OnFilterRecord(const_cast<TnClientDataSet&>(*this), accept);
  return accept;
}

bool TnClientDataSet::IsVisible(TRowId row) const {
  return FStore->Live(row) && InRange(row) && PassesFilter(row);
}

TIndexPos TnClientDataSet::SeekForward(TIndexPos pos) const {
  while (!FIndex->IsEnd(pos)) {
    TRowId row = FIndex->At(pos);
    if (FRangeActive && FIndex->CompareKey(row, FRangeEnd) > 0)
      return FIndex->End();
    if (FilterBounded() && FIndex->CompareKeyAt(pos, FFilterKey) > 0)
      return FIndex->End();
    if (IsVisible(row))
      return pos;
    pos = FIndex->Next(pos);
  }
  return pos;
}

TIndexPos TnClientDataSet::SeekBackward(TIndexPos pos) const {
  while (!FIndex->IsEnd(pos)) {
    TRowId row = FIndex->At(pos);
    if (FRangeActive && FIndex->CompareKey(row, FRangeStart) < 0)
      return FIndex->End();
    if (FilterBounded() && FIndex->CompareKeyAt(pos, FFilterKey) < 0)
      return FIndex->End();
    if (IsVisible(row))
      return pos;
    pos = FIndex->Prior(pos);
  }
  return pos;
}

TIndexPos TnClientDataSet::FirstPos() const {
  if (FRangeActive)
    return SeekForward(FIndex->LowerBound(FRangeStart));
  return SeekForward(FilterBounded() ? FIndex->LowerBound(FFilterKey) : FIndex->Begin());
}

TIndexPos TnClientDataSet::LastPos() const {
  if (FRangeActive)
    return SeekBackward(FIndex->Prior(FIndex->UpperBound(FRangeEnd)));
  if (FilterBounded())
    return SeekBackward(FIndex->Prior(FIndex->UpperBound(FFilterKey)));
  return SeekBackward(FIndex->Last());
}

void TnClientDataSet::SetCurrent(TIndexPos pos) {
  if (FIndex->IsEnd(pos)) {
    SetEmptyPosition();
    return;
  }
  FPos = pos;
  FPosVersion = FIndex->Version();
  FCurrentRow = FIndex->At(pos);
  FEof = FBof = false;
  CalculateFields();
}

void TnClientDataSet::SetEmptyPosition() {
  FCurrentRow = kNoRow;
  FEof = FBof = true;
  Anular(FCalcBuffer);
}

void TnClientDataSet::GoToRow(TRowId row) {
  if (row == kNoRow) {
    SetEmptyPosition();
    return;
  }
  SetCurrent(FIndex->Find(row));
}

void TnClientDataSet::CheckBrowseMode() {
  CheckActive();
  if (FState == TDataSetState::dsSetKey) {
    FState = TDataSetState::dsBrowse;
  } else if (IsEditing(FState)) {
    if (FModified) {
      Post();
    } else {
      Cancel();
    }
  }
}

void TnClientDataSet::First() {
  CheckBrowseMode();
  DoEvent(BeforeScroll);
  SetCurrent(FirstPos());
  FBof = true;
  DoEvent(AfterScroll);
}

void TnClientDataSet::Last() {
  CheckBrowseMode();
  DoEvent(BeforeScroll);
  SetCurrent(LastPos());
  FEof = true;
  DoEvent(AfterScroll);
}

void TnClientDataSet::Next() {
  MoveBy(1);
}
void TnClientDataSet::Prior() {
  MoveBy(-1);
}

int TnClientDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  DoEvent(BeforeScroll);
  int moved = 0;
  if (FCurrentRow != kNoRow) {
    TIndexPos pos = CurrentPos();
    if (distance > 0)
      FBof = false;
    if (distance < 0)
      FEof = false;
    while (distance > 0 && !FEof) {
      TIndexPos next = SeekForward(FIndex->Next(pos));
      if (FIndex->IsEnd(next)) {
        FEof = true;
      } else {
        pos = next, ++moved, --distance;
      }
    }
    while (distance < 0 && !FBof) {
      TIndexPos prior = SeekBackward(FIndex->Prior(pos));
      if (FIndex->IsEnd(prior)) {
        FBof = true;
      } else {
        pos = prior, --moved, ++distance;
      }
    }
    bool eof = FEof, bof = FBof;
    if (moved != 0)
      SetCurrent(pos);
    FEof = eof, FBof = bof;
  }
  DoEvent(AfterScroll);
  return moved;
}

int TnClientDataSet::RecNo() const {
  if (!Active() || FCurrentRow == kNoRow)
    return 0;
  if (FState == TDataSetState::dsInsert)
    return 0;
  if (!FFiltered && !FRangeActive)
    return static_cast<int>(FIndex->Ordinal(CurrentPos())) + 1;
  int n = 0;
  for (TIndexPos pos = FirstPos(); !FIndex->IsEnd(pos); pos = SeekForward(FIndex->Next(pos))) {
    ++n;
    if (FIndex->At(pos) == FCurrentRow)
      return n;
  }
  return 0;
}

int TnClientDataSet::RecordCount() const {
  if (!Active())
    return 0;
  if (!FFiltered && !FRangeActive)
    return static_cast<int>(FIndex->Size());
  int n = 0;
  for (TIndexPos pos = FirstPos(); !FIndex->IsEnd(pos); pos = SeekForward(FIndex->Next(pos)))
    ++n;
  return n;
}

bool TnClientDataSet::IsEmpty() const {
  return !Active() || (FCurrentRow == kNoRow && FState != TDataSetState::dsInsert);
}

TBookmark TnClientDataSet::GetBookmark() const {
  return FCurrentRow == kNoRow ? -1 : static_cast<TBookmark>(FCurrentRow);
}

bool TnClientDataSet::BookmarkValid(TBookmark bookmark) const {
  return Active() && bookmark >= 0 && bookmark < static_cast<TBookmark>(FStore->RowCount()) &&
         IsVisible(static_cast<TRowId>(bookmark));
}

void TnClientDataSet::GotoBookmark(TBookmark bookmark) {
  CheckBrowseMode();
  if (!BookmarkValid(bookmark))
    throw Exception("Registro não encontrado");
  DoEvent(BeforeScroll);
  GoToRow(static_cast<TRowId>(bookmark));
  DoEvent(AfterScroll);
}

// ---- Editing ----

void TnClientDataSet::Insert() {
  BeginInsert(false);
}

void TnClientDataSet::Append() {
  BeginInsert(true);
}

void TnClientDataSet::BeginInsert(bool append) {
  CheckBrowseMode();
  DoEvent(BeforeInsert);
  DoEvent(BeforeScroll);
  // Inserted in natural order, the new record goes before the current one;
  // appended, or in an index, its place is the end or its key's.
  FInsertBefore = !append && FIndex->KeyCount() == 0 ? FCurrentRow : kNoRow;
  Anular(FEditBuffer);
  FState = TDataSetState::dsInsert;
  FModified = false;
  CalculateFields();
  try {
    DoEvent(OnNewRecord);
  } catch (...) {
    FState = TDataSetState::dsBrowse;
    CalculateFields();
    throw;
  }
  FModified = false;
  DoEvent(AfterInsert);
  DoEvent(AfterScroll);
}

void TnClientDataSet::Edit() {
  CheckActive();
  if (IsEditing(FState))
    return;
  CheckBrowseMode();
  if (FCurrentRow == kNoRow) {
    Insert();
    return;
  }
  DoEvent(BeforeEdit);
  FStore->GetRow(FCurrentRow, FEditBuffer.data());
  FState = TDataSetState::dsEdit;
  FModified = false;
  DoEvent(AfterEdit);
}

// Post and Cancel both leave a key search without touching any record; true
// when a record is being edited or inserted.
bool TnClientDataSet::EndSetKeyOrEditing() {
  CheckActive();
  if (FState == TDataSetState::dsSetKey) {
    FState = TDataSetState::dsBrowse;
    return false;
  }
  return IsEditing(FState);
}

void TnClientDataSet::Post() {
  if (!EndSetKeyOrEditing())
    return;
  DoEvent(BeforePost);
  for (const auto& field : FFields) {
    if (!field->IsCalculated() && field->Required() && FEditBuffer[field->FSlot].IsNull()) {
      throw EnField("Campo '" + field->DisplayLabel() + "' deve ter um valor", field->FieldName());
    }
  }
  TRowId row;
  if (FState == TDataSetState::dsInsert) {
    int64_t order = TnRecordStore::kAppendOrder;
    if (FInsertBefore != kNoRow && FStore->Live(FInsertBefore)) {
      TIndexPos before = FIndex->Find(FInsertBefore);
      TIndexPos prior = FIndex->Prior(before);
      order =
          FStore->NewOrderBetween(FIndex->IsEnd(prior) ? kNoRow : FIndex->At(prior), FInsertBefore);
    }
    row = FStore->AddRow(FEditBuffer.data(), order);
    FStore->MarkInserted(row);
    for (TnClientDataSet* cursor : FStore->Cursors()) {
      TIndexPos pos = cursor->FIndex->Insert(row);
      if (cursor == this) {
        FPos = pos;
        FPosVersion = FIndex->Version();
      }
      // A new row leaves the stamp as it was.
      if (cursor->FRetiredIndex && cursor->FRetiredStamp == FStore->Stamp() &&
          cursor->FRetiredRows + 1 == FStore->RowCount()) {
        cursor->FRetiredIndex->Insert(row);
        cursor->FRetiredRows = FStore->RowCount();
      }
    }
  } else {
    row = FCurrentRow;
    if (!FStore->RowIdentical(row, FEditBuffer.data()))
      WriteRow(row, FEditBuffer, true);
  }
  FState = TDataSetState::dsBrowse;
  FModified = false;
  // A record that no longer passes the range or filter leaves the view.
  if (!IsVisible(row)) {
    GoToRow(NeighbourOf(row));
  } else if (FPosVersion == FIndex->Version() && FIndex->At(FPos) == row) {
    SetCurrent(FPos);
  } else {
    GoToRow(row);
  }
  DoEvent(AfterPost);
}

void TnClientDataSet::Cancel() {
  if (!EndSetKeyOrEditing())
    return;
  bool inserting = FState == TDataSetState::dsInsert;
  DoEvent(BeforeCancel);
  if (inserting)
    DoEvent(BeforeScroll);
  FState = TDataSetState::dsBrowse;
  FModified = false;
  if (FCurrentRow != kNoRow) {
    GoToRow(FCurrentRow);
  } else {
    SetEmptyPosition();
  }
  DoEvent(AfterCancel);
  if (inserting)
    DoEvent(AfterScroll);
}

void TnClientDataSet::Delete() {
  CheckActive();
  if (FState == TDataSetState::dsInsert || FState == TDataSetState::dsSetKey) {
    Cancel();
    return;
  }
  if (FCurrentRow == kNoRow) {
    throw EDatabaseStateError("Operação não permitida em um data set vazio");
  }
  CheckBrowseMode();
  DoEvent(BeforeDelete);
  DoEvent(BeforeScroll);
  TRowId row = FCurrentRow;
  for (TnClientDataSet* cursor : FStore->Cursors())
    cursor->CursorRowRemoving(row);
  FStore->MarkDeleted(row);
  DoEvent(AfterDelete);
  DoEvent(AfterScroll);
}

void TnClientDataSet::AppendRecord(const ValueArray& values) {
  Append();
  try {
    size_t n = std::min(values.size(), FFields.size());
    for (size_t i = 0; i < n; ++i) {
      if (!FFields[i]->IsCalculated())
        FFields[i]->SetValue(values[i]);
    }
    Post();
  } catch (...) {
    if (IsEditing(FState))
      Cancel();
    throw;
  }
}

TRowId TnClientDataSet::AddLoadedRow(const ValueArray& values) {
  FLoadBuffer.resize(FDataCount);
  size_t given = values.size();
  for (const auto& field : FFields) {
    if (field->IsCalculated())
      continue;
    size_t i = static_cast<size_t>(field->FIndex);
    FLoadBuffer[field->FSlot] = i < given ? field->Coerce(values[i]) : Value();
  }
  return FStore->AddRow(FLoadBuffer.data());
}

void TnClientDataSet::AppendRecordUnlogged(const ValueArray& values) {
  if (!FStore)
    EnsureStore();
  TRowId row = AddLoadedRow(values);
  for (TnClientDataSet* cursor : FStore->Cursors())
    cursor->FIndex->Insert(row);
  if (Active() && FCurrentRow == kNoRow && !IsEditing(FState) && IsVisible(row))
    GoToRow(row);
}

void TnClientDataSet::AppendRecordsUnlogged(size_t count,
                                            const std::function<void(size_t, ValueArray&)>& linha) {
  if (!FStore)
    EnsureStore();
  const TRowId first = FStore->RowCount();
  ValueArray values;
  for (size_t i = 0; i < count; ++i) {
    linha(i, values);
    AddLoadedRow(values);
  }
  for (TnClientDataSet* cursor : FStore->Cursors())
    cursor->FIndex->InsertFrom(first);
  if (!Active() || FCurrentRow != kNoRow || IsEditing(FState))
    return;
  for (TRowId row = first; row < FStore->RowCount(); ++row) {
    if (IsVisible(row)) {
      GoToRow(row);
      return;
    }
  }
}

void TnClientDataSet::EnableControls() {
  if (FDisableCount > 0)
    --FDisableCount;
}

// ---- Searching ----

void TnClientDataSet::CoerceKey(const ValueArray& values, ValueArray& key) const {
  if (values.size() > FIndex->KeyCount()) {
    throw Exception("O índice ativo tem menos campos que os valores procurados");
  }
  key.resize(values.size());
  for (size_t i = 0; i < values.size(); ++i)
    key[i] = FKeyFields[i]->Coerce(values[i]);
}

ValueArray TnClientDataSet::CoerceKey(const ValueArray& values) const {
  ValueArray key;
  CoerceKey(values, key);
  return key;
}

bool TnClientDataSet::FindKeyRow(const ValueArray& key) {
  const TIndexPos pos = FIndex->FindEqual(key, [this](TRowId row) { return IsVisible(row); });
  if (FIndex->IsEnd(pos))
    return false;
  DoEvent(BeforeScroll);
  SetCurrent(pos);
  DoEvent(AfterScroll);
  return true;
}

bool TnClientDataSet::FindKey(const ValueArray& values) {
  CheckBrowseMode();
  CoerceKey(values, FSearchKey);
  return FindKeyRow(FSearchKey);
}

void TnClientDataSet::FindNearest(const ValueArray& values) {
  CheckBrowseMode();
  ValueArray key = CoerceKey(values);
  TIndexPos pos = FIndex->LowerBound(key);
  if (FRangeActive && !FIndex->IsEnd(pos) && FIndex->CompareKey(FIndex->At(pos), FRangeStart) < 0) {
    pos = FIndex->LowerBound(FRangeStart);
  }
  pos = SeekForward(pos);
  if (FIndex->IsEnd(pos))
    pos = LastPos();
  DoEvent(BeforeScroll);
  SetCurrent(pos);
  DoEvent(AfterScroll);
}

void TnClientDataSet::SetKey() {
  CheckBrowseMode();
  Anular(FKeyBuffer);
  std::fill(FKeyAssigned.begin(), FKeyAssigned.end(), false);
  FState = TDataSetState::dsSetKey;
}

bool TnClientDataSet::GotoKey() {
  CheckActive();
  ValueArray key;
  for (size_t slot : FIndex->KeySlots()) {
    if (!FKeyAssigned[slot])
      break;
    key.push_back(FKeyBuffer[slot]);
  }
  FState = TDataSetState::dsBrowse;
  return FindKeyRow(key);
}

void TnClientDataSet::GotoNearest() {
  CheckActive();
  ValueArray key;
  for (size_t slot : FIndex->KeySlots()) {
    if (!FKeyAssigned[slot])
      break;
    key.push_back(FKeyBuffer[slot]);
  }
  FState = TDataSetState::dsBrowse;
  FindNearest(key);
}

void TnClientDataSet::SetRange(const ValueArray& start, const ValueArray& end) {
  CheckBrowseMode();
  FRangeStart = CoerceKey(start);
  FRangeEnd = CoerceKey(end);
  FRangeActive = true;
  DoEvent(BeforeScroll);
  SetCurrent(FirstPos());
  DoEvent(AfterScroll);
}

void TnClientDataSet::CancelRange() {
  CheckBrowseMode();
  if (!FRangeActive)
    return;
  FRangeActive = false;
  DoEvent(BeforeScroll);
  SetCurrent(FirstPos());
  DoEvent(AfterScroll);
}

namespace {

bool LocateMatches(const Value& stored, const Value& wanted, TLocateOptions options) {
  if (!(options & (loCaseInsensitive | loPartialKey)) || stored.Type() != TValueType::String) {
    return Compare(stored, wanted) == 0 && stored.IsNull() == wanted.IsNull();
  }
  std::string a = stored.AsString(), b = wanted.AsString();
  if (options & loCaseInsensitive)
    a = UpperAscii(a), b = UpperAscii(b);
  if (options & loPartialKey)
    return a.compare(0, b.size(), b) == 0;
  return a == b;
}

}  // namespace

TRowId TnClientDataSet::FindRow(const std::vector<TField*>& fields, const ValueArray& values,
                                TLocateOptions options) const {
  if (fields.size() != values.size()) {
    throw Exception("Número de valores diferente do número de campos procurados");
  }
  ValueArray wanted;
  for (size_t i = 0; i < fields.size(); ++i) {
    wanted.push_back(options ? values[i] : fields[i]->Coerce(values[i]));
  }
  // The active index answers when its leading fields are the ones searched.
  const auto& slots = FIndex->KeySlots();
  bool indexed = options == 0 && !fields.empty() && fields.size() <= slots.size();
  for (size_t i = 0; indexed && i < fields.size(); ++i) {
    indexed = !fields[i]->IsCalculated() && fields[i]->FSlot == slots[i];
  }
  auto rowMatches = [&](TRowId row) {
    for (size_t i = 0; i < fields.size(); ++i) {
      if (fields[i]->IsCalculated())
        return false;
      if (!LocateMatches(FStore->Get(row, fields[i]->FSlot), wanted[i], options))
        return false;
    }
    return true;
  };
  if (indexed) {
    const TIndexPos pos =
        FIndex->FindEqual(wanted, [&](TRowId row) { return rowMatches(row) && IsVisible(row); });
    return FIndex->IsEnd(pos) ? kNoRow : FIndex->At(pos);
  }
  for (TIndexPos pos = FirstPos(); !FIndex->IsEnd(pos); pos = SeekForward(FIndex->Next(pos))) {
    if (rowMatches(FIndex->At(pos)))
      return FIndex->At(pos);
  }
  return kNoRow;
}

bool TnClientDataSet::Locate(const std::string& fields, const ValueArray& values,
                             TLocateOptions options) {
  CheckBrowseMode();
  TRowId row = FindRow(ResolveFields(fields), values, options);
  if (row == kNoRow)
    return false;
  DoEvent(BeforeScroll);
  GoToRow(row);
  DoEvent(AfterScroll);
  return true;
}

Value TnClientDataSet::Lookup(const std::string& keyFields, const ValueArray& keyValues,
                              const std::string& resultField) {
  CheckBrowseMode();
  TField& result = FieldByName(resultField);
  TRowId row = FindRow(ResolveFields(keyFields), keyValues, 0);
  if (row == kNoRow || result.IsCalculated())
    return Value();
  return FStore->Get(row, result.FSlot);
}

// ---- Filter ----

void TnClientDataSet::SetFilter(const std::string& text) {
  auto expr = TFilterExpression::Parse(text);
  if (Active())
    CheckBrowseMode();
  FFilterText = text;
  bool blank = text.find_first_not_of(" \t\r\n") == std::string::npos;
  FFilterExpr = blank ? nullptr : std::move(expr);
  ForgetFilterFields();
  if (FFiltered && Active()) {
    ResolveFilter();
    SetCurrent(FirstPos());
  }
}

void TnClientDataSet::ResolveFilter() {
  ForgetFilterFields();
  if (!FFilterExpr)
    return;
  for (const std::string& name : FFilterExpr->FieldNames()) {
    FFilterFields.push_back(&FieldByName(name));
  }
  for (const TFilterEquality& igualdade : FFilterExpr->Equalities()) {
    const TField& field = *FFilterFields[igualdade.FieldIndex];
    if (field.IsCalculated()) {
      FFilterIguais.clear();
      return;
    }
    FFilterIguais.emplace_back(field.FSlot, &igualdade);
  }
  BoundFilterToIndex();
}

void TnClientDataSet::ForgetFilterFields() {
  FFilterFields.clear();
  FFilterIguais.clear();
  FFilterKey.clear();
}

// Only numbers and dates: their comparison in the filter is the index's
// own, so the rows equal to a constant are exactly the index's block of it.
// A handler only ever narrows what the expression lets through.
void TnClientDataSet::BoundFilterToIndex() {
  FFilterKey.clear();
  if (FFilterIguais.empty() || FKeyFields.size() != FIndex->KeySlots().size())
    return;
  for (const TField* field : FKeyFields) {
    const auto igualdade =
        std::find_if(FFilterIguais.begin(), FFilterIguais.end(),
                     [&](const auto& candidata) { return candidata.first == field->FSlot; });
    if (igualdade == FFilterIguais.end() || !NumberOrDate(field->DataType()))
      break;
    const Value& literal = igualdade->second->Literal;
    Value key;
    try {
      key = field->Coerce(literal);
    } catch (const Exception&) {
      break;
    }
    if (literal.IsNull() || key.IsNull() || Compare(key, literal) != 0)
      break;
    FFilterKey.push_back(std::move(key));
  }
}

void TnClientDataSet::SetFiltered(bool filtered) {
  if (Active())
    CheckBrowseMode();
  if (filtered && Active())
    ResolveFilter();
  FFiltered = filtered;
  if (Active())
    SetCurrent(FirstPos());
}

// ---- Clones and copies ----

void TnClientDataSet::CloneCursor(TnClientDataSet& source, bool keepSettings) {
  source.CheckActive();
  Close();
  FFields.clear();
  FFieldIndex.Clear();
  FDataCount = FCalcCount = 0;
  for (const auto& f : source.FFields) {
    if (f->IsCalculated())
      continue;
    auto field = std::make_unique<TField>(*this, f->FieldName(), f->DataType(), f->Size(),
                                          TFieldKind::fkData);
    field->FPrecision = f->FPrecision;
    field->FScale = f->FScale;
    field->FRequired = f->FRequired;
    field->FVisible = f->FVisible;
    field->FReadOnly = f->FReadOnly;
    field->FDisplayLabel = f->FDisplayLabel;
    field->FDisplayFormat = f->FDisplayFormat;
    field->FEditFormat = f->FEditFormat;
    field->FDisplayWidth = f->FDisplayWidth;
    field->FProviderFlags = f->FProviderFlags;
    field->FIndex = static_cast<int>(FFields.size());
    field->FSlot = f->FSlot;
    FDataCount = std::max(FDataCount, f->FSlot + 1);
    FFieldIndex.Set(f->FieldName(), FFields.size());
    FFields.push_back(std::move(field));
  }
  AttachStore(source.FStore);
  FProvider = source.FProvider;
  FIndexDefs = source.FIndexDefs;
  FIndexFieldNames.clear();
  FIndexName.clear();
  FFilterText.clear();
  FFilterExpr.reset();
  ForgetFilterFields();
  FFiltered = false;
  FRangeActive = false;
  if (keepSettings) {
    FIndexFieldNames = source.FIndexFieldNames;
    FIndexName = source.FIndexName;
    if (!source.FFilterText.empty())
      SetFilter(source.FFilterText);
    FFiltered = source.FFiltered;
  }
  Open();
  if (keepSettings && source.FRangeActive)
    SetRange(source.FRangeStart, source.FRangeEnd);
}

void TnClientDataSet::CopyDataFrom(const TnClientDataSet& source) {
  ClearFields();
  for (const auto& f : source.FFields) {
    TField& field = f->IsCalculated() ? AddCalcField(f->FieldName(), f->DataType(), f->Size())
                                      : AddField(f->FieldName(), f->DataType(), f->Size());
    field.FPrecision = f->FPrecision;
    field.FScale = f->FScale;
    field.FRequired = f->FRequired;
    field.FVisible = f->FVisible;
    field.FReadOnly = f->FReadOnly;
    field.FDisplayLabel = f->FDisplayLabel;
    field.FDisplayFormat = f->FDisplayFormat;
    field.FEditFormat = f->FEditFormat;
    field.FDisplayWidth = f->FDisplayWidth;
    field.FProviderFlags = f->FProviderFlags;
    field.FTag = f->FTag;
  }
  EnsureStore();
  if (source.FStore) {
    std::vector<Value> values(FDataCount);
    for (TRowId r = 0; r < source.FStore->RowCount(); ++r) {
      if (!source.FStore->Live(r))
        continue;
      source.FStore->GetRow(r, values.data());
      FStore->AddRow(values.data());
    }
  }
  FIndexDefs = source.FIndexDefs;
  FStore->SetLogChanges(source.LogChanges());
  Open();
}

// ---- Change log ----

bool TnClientDataSet::LogChanges() const {
  return !FStore || FStore->LogChanges();
}

void TnClientDataSet::SetLogChanges(bool on) {
  if (!FStore)
    EnsureStore();
  FStore->SetLogChanges(on);
}

int TnClientDataSet::ChangeCount() const {
  return FStore ? static_cast<int>(FStore->ChangeCount()) : 0;
}

TUpdateStatus TnClientDataSet::UpdateStatus() const {
  if (FState == TDataSetState::dsInsert)
    return TUpdateStatus::usInserted;
  if (FCurrentRow == kNoRow)
    return TUpdateStatus::usUnmodified;
  return FStore->Status(FCurrentRow);
}

void TnClientDataSet::MergeChangeLog() {
  CheckBrowseMode();
  for (TRowId row : FStore->ChangedRows())
    FStore->MergeRow(row);
}

void TnClientDataSet::CancelUpdates() {
  CheckActive();
  if (IsEditing(FState))
    Cancel();
  for (TRowId row : FStore->ChangedRows())
    FStore->RevertRow(row);
  RebuildAllCursors();
}

void TnClientDataSet::RevertRecord() {
  CheckActive();
  if (IsEditing(FState))
    Cancel();
  if (FCurrentRow == kNoRow)
    return;
  FStore->RevertRow(FCurrentRow);
  RebuildAllCursors();
}

TnDelta TnClientDataSet::GetDelta() {
  std::vector<TnDeltaRecord> records;
  for (TRowId row : FStore->ChangedRows()) {
    TnDeltaRecord record;
    record.Row = row;
    switch (FStore->Status(row)) {
      case TUpdateStatus::usInserted:
        record.UpdateKind = TUpdateKind::ukInsert;
        break;
      case TUpdateStatus::usDeleted:
        record.UpdateKind = TUpdateKind::ukDelete;
        break;
      default:
        record.UpdateKind = TUpdateKind::ukModify;
        break;
    }
    records.push_back(record);
  }
  return TnDelta(*this, std::move(records));
}

int TnClientDataSet::ApplyUpdates(int maxErrors) {
  CheckBrowseMode();
  if (!FProvider)
    throw Exception("Data set sem provedor para aplicar as alterações");
  if (FStore->ChangeCount() == 0)
    return 0;
  TnDelta delta = GetDelta();
  int errors = FProvider->ApplyUpdates(delta, maxErrors);
  for (size_t i = 0; i < delta.Count(); ++i) {
    if (delta[i].Applied)
      FStore->MergeRow(delta[i].Row);
  }
  return errors;
}

void TnClientDataSet::EmptyDataSet() {
  CheckActive();
  if (IsEditing(FState))
    Cancel();
  FStore->Clear();
  for (TnClientDataSet* cursor : FStore->Cursors()) {
    cursor->FIndex->Clear();
    if (cursor->FState != TDataSetState::dsInactive)
      cursor->FState = TDataSetState::dsBrowse;
    cursor->SetEmptyPosition();
  }
}

// ---- Delta ----

TnDelta::TnDelta(TnClientDataSet& dataSet, std::vector<TnDeltaRecord> records)
    : FDataSet(&dataSet), FRecords(std::move(records)) {}

Value TnDelta::OldValue(size_t record, const TField& field) const {
  if (field.IsCalculated())
    return Value();
  return FDataSet->FStore->Original(FRecords[record].Row, field.FSlot);
}

Value TnDelta::NewValue(size_t record, const TField& field) const {
  if (field.IsCalculated())
    return Value();
  return FDataSet->FStore->Get(FRecords[record].Row, field.FSlot);
}

bool TnDelta::FieldChanged(size_t record, const TField& field) const {
  switch (FRecords[record].UpdateKind) {
    case TUpdateKind::ukInsert:
      return !field.IsCalculated();
    case TUpdateKind::ukDelete:
      return false;
    case TUpdateKind::ukModify:
      return !OldValue(record, field).IdenticalTo(NewValue(record, field));
  }
  return false;
}

void TnDelta::SetNewValue(size_t record, const TField& field, const Value& value) {
  if (field.IsCalculated())
    return;
  TRowId row = FRecords[record].Row;
  std::vector<Value> values(FDataSet->FDataCount);
  FDataSet->FStore->GetRow(row, values.data());
  values[field.FSlot] = field.Coerce(value);
  FDataSet->WriteRow(row, values, false);
}

size_t TnDelta::ErrorCount() const {
  return static_cast<size_t>(std::count_if(FRecords.begin(), FRecords.end(), [](const auto& r) {
    return !r.Applied && !r.ErrorMessage.empty();
  }));
}
