#pragma once
// A typed column of a client data set. A field never stores its value: it
// reads and writes the current record of its data set (the stored row, the
// edit buffer while editing, or the calculated buffer). Every value written is
// coerced to the field's type first, so a row only ever holds values of its
// columns' types: integers as 64-bit integers, BCD of scale <= 4 as Currency,
// texts cut to the field's size, dates without time of day.
//
// The field's definition (GetDefinicao) carries what the host's field
// dictionary adds on top of the column: enter/exit handlers, dictionary
// properties by name and the lookup link.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/Value.h"

class TnClientDataSet;
class TField;

enum class TFieldType {
  ftUnknown,
  ftSmallint,
  ftInteger,
  ftLargeint,
  ftFloat,
  ftBCD,
  ftString,
  ftFixedChar,
  ftDate,
  ftTime,
  ftDateTime,
  ftTimeStamp,
  ftBoolean,
  ftMemo,
};

// Data fields live in the rows and in the change log; calculated fields are
// recomputed by OnCalcFields whenever a record becomes current.
enum class TFieldKind { fkData, fkCalculated };

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// How the provider uses a field when it writes the delta.
enum TProviderFlag : unsigned {
  pfInUpdate = 1,  // written by inserts and updates
  pfInWhere = 2,   // part of the optimistic where clause
  pfInKey = 4,     // identifies the row
  pfHidden = 8,    // travels with the delta but is never shown
};
using TProviderFlags = unsigned;

// Replaceable formatter for DisplayText with a DisplayFormat.
using TDisplayFormatter =
    std::function<std::string(const Value& value, const std::string& format, TFieldType type)>;

// What the host's field dictionary attaches to a field.
class TnFieldDefinicao {
 public:
  // Run by the screen when focus enters or leaves the field's control, and
  // before the framework builds that control.
  std::function<void(TField& sender)> OnEnter;
  std::function<void(TField& sender)> OnExit;
  std::function<void(TField& sender)> AntesConfigurar;

  // Dictionary properties by name ("GrupoNome", "LinkLookupDataSetNome"...);
  // an unknown name reads as null. The value read is the definition's own,
  // not a copy: setting the property again changes it.
  const Value& Propriedade(std::string_view name) const;
  bool TemPropriedade(std::string_view name) const;
  void SetPropriedade(const std::string& name, const Value& value);

  // Names of the dictionary properties this data module overrides, in the
  // order they were first added, each once.
  const std::vector<std::string>& PropriedadesAlteradas() const { return FPropriedadesAlteradas; }
  void AddPropriedadeAlterada(const std::string& name);

  // The lookup dictionary that resolves this field, and the fields that link
  // the record to it ("A;B").
  const std::string& DicionarioLookup() const { return FDicionarioLookup; }
  void SetDicionarioLookup(const std::string& name) { FDicionarioLookup = name; }
  const std::string& LinkFields() const { return FLinkFields; }
  void SetLinkFields(const std::string& names) { FLinkFields = names; }

  bool AutoIncremento() const { return FAutoIncremento; }
  void SetAutoIncremento(bool on) { FAutoIncremento = on; }

 private:
  // Transparent: a name given as a literal is looked up without a copy.
  std::map<std::string, Value, std::less<>> FPropriedades;
  std::vector<std::string> FPropriedadesAlteradas;
  std::string FDicionarioLookup;
  std::string FLinkFields;
  bool FAutoIncremento = false;
};

class TField {
 public:
  TField(TnClientDataSet& dataSet, std::string fieldName, TFieldType dataType, int size,
         TFieldKind kind);
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  // Set at creation.
  const std::string& FieldName() const { return FFieldName; }
  TFieldType DataType() const { return FDataType; }
  TFieldKind FieldKind() const { return FFieldKind; }
  bool IsCalculated() const { return FFieldKind == TFieldKind::fkCalculated; }
  int Size() const { return FSize; }
  TnClientDataSet& DataSet() const { return *FDataSet; }
  // Position among the data set's fields.
  int Index() const { return FIndex; }

  // BCD: total digits and decimals. Scale defaults to 2 for a BCD field.
  int Precision() const { return FPrecision; }
  int Scale() const { return FScale; }
  void SetPrecision(int precision) { FPrecision = precision; }
  void SetScale(int scale);

  // Presentation and editing.
  bool Required() const { return FRequired; }
  void SetRequired(bool required) { FRequired = required; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool visible) { FVisible = visible; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }
  // The field name when no label was given.
  const std::string& DisplayLabel() const;
  void SetDisplayLabel(const std::string& label) { FDisplayLabel = label; }
  const std::string& DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const std::string& format) { FDisplayFormat = format; }
  const std::string& EditFormat() const { return FEditFormat; }
  void SetEditFormat(const std::string& format) { FEditFormat = format; }
  int DisplayWidth() const;
  void SetDisplayWidth(int width) { FDisplayWidth = width; }
  TAlignment Alignment() const;
  void SetAlignment(TAlignment alignment) { FAlignment = alignment, FAlignmentSet = true; }
  TProviderFlags ProviderFlags() const { return FProviderFlags; }
  void SetProviderFlags(TProviderFlags flags) { FProviderFlags = flags; }
  bool HasProviderFlag(TProviderFlag flag) const { return (FProviderFlags & flag) != 0; }
  int Tag() const { return FTag; }
  void SetTag(int tag) { FTag = tag; }

  // The current record's value.
  const Value& AsValue() const;
  bool IsNull() const { return AsValue().IsNull(); }
  std::string AsString() const { return AsValue().AsString(); }
  int64_t AsInteger() const { return AsValue().AsInteger(); }
  int64_t AsLargeInt() const { return AsValue().AsInteger(); }
  double AsFloat() const { return AsValue().AsFloat(); }
  Currency AsCurrency() const { return AsValue().AsCurrency(); }
  TDateTime AsDateTime() const { return AsValue().AsDateTime(); }
  bool AsBoolean() const { return AsValue().AsBoolean(); }

  // Writes the current record (edit or insert state; calculated fields in
  // OnCalcFields). Runs OnValidate, then OnChange.
  void SetValue(const Value& value);
  void SetAsString(const std::string& text) { SetValue(Value(text)); }
  void SetAsInteger(int64_t value) { SetValue(Value(value)); }
  void SetAsLargeInt(int64_t value) { SetValue(Value(value)); }
  void SetAsFloat(double value) { SetValue(Value(value)); }
  void SetAsCurrency(Currency value) { SetValue(Value(value)); }
  void SetAsDateTime(TDateTime value) { SetValue(Value(value)); }
  void SetAsBoolean(bool value) { SetValue(Value(value)); }
  void Clear() { SetValue(Value()); }

  // The value as last applied (loaded or merged); the stored value before
  // the current edit for a record without pending changes; null while
  // inserting.
  Value OldValue() const;
  // The value being written (the current record's value).
  const Value& NewValue() const { return AsValue(); }

  // Text for editing (OnGetText with displayText false, else EditFormat,
  // else the plain text) and for showing (OnGetText with displayText true,
  // else DisplayFormat, else the plain text).
  std::string Text() const;
  std::string DisplayText() const;
  // Typed text: OnSetText when set, else converted to the field's type.
  void SetText(const std::string& text);

  // The value coerced to this field's type; EConvertError names the field.
  Value Coerce(const Value& value) const;

  TnFieldDefinicao& GetDefinicao() { return FDefinicao; }
  const TnFieldDefinicao& GetDefinicao() const { return FDefinicao; }

  std::function<void(TField& sender)> OnChange;
  std::function<void(TField& sender)> OnValidate;
  std::function<void(TField& sender, const std::string& text)> OnSetText;
  std::function<void(TField& sender, std::string& text, bool displayText)> OnGetText;

  // The formatter DisplayText uses with a DisplayFormat; by default numbers
  // go through FormatFloat and dates through FormatDateTime.
  static void SetDisplayFormatter(TDisplayFormatter formatter);
  static std::string DefaultDisplayFormatter(const Value& value, const std::string& format,
                                             TFieldType type);

 private:
  friend class TnClientDataSet;
  friend class TnDelta;

  // Set at creation.
  TnClientDataSet* FDataSet;
  std::string FFieldName;
  TFieldType FDataType;
  TFieldKind FFieldKind;
  int FSize;
  int FPrecision = 0;
  int FScale = 0;
  int FIndex = 0;
  // Slot in the row (data fields) or in the calculated buffer.
  size_t FSlot = 0;

  bool FRequired = false;
  bool FVisible = true;
  bool FReadOnly = false;
  std::string FDisplayLabel;
  std::string FDisplayFormat;
  std::string FEditFormat;
  int FDisplayWidth = 0;
  TAlignment FAlignment = TAlignment::taLeftJustify;
  bool FAlignmentSet = false;
  TProviderFlags FProviderFlags = pfInUpdate | pfInWhere;
  int FTag = 0;
  TnFieldDefinicao FDefinicao;
};

// Type name for messages ("Integer", "String"...).
const char* FieldTypeName(TFieldType type);
bool IsNumericFieldType(TFieldType type);
bool IsTextFieldType(TFieldType type);
