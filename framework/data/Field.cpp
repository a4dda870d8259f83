#include "framework/data/Field.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "framework/core/Decimal.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/FormatFloat.h"
#include "framework/core/Nutil.h"
#include "framework/data/ClientDataSet.h"

namespace {

TDisplayFormatter& Formatter() {
  static TDisplayFormatter formatter = &TField::DefaultDisplayFormatter;
  return formatter;
}

bool IsBlankText(const Value& value) {
  if (value.Type() != TValueType::String)
    return false;
  return value.Text().find_first_not_of(" \t\r\n") == std::string::npos;
}

int64_t Pow10(int n) {
  int64_t p = 1;
  while (n-- > 0)
    p *= 10;
  return p;
}

}  // namespace

// ---- Definition ----

const Value& TnFieldDefinicao::Propriedade(std::string_view name) const {
  static const Value kAusente;
  auto it = FPropriedades.find(name);
  return it == FPropriedades.end() ? kAusente : it->second;
}

bool TnFieldDefinicao::TemPropriedade(std::string_view name) const {
  return FPropriedades.find(name) != FPropriedades.end();
}

void TnFieldDefinicao::SetPropriedade(const std::string& name, const Value& value) {
  FPropriedades[name] = value;
}

void TnFieldDefinicao::AddPropriedadeAlterada(const std::string& name) {
  if (std::find(FPropriedadesAlteradas.begin(), FPropriedadesAlteradas.end(), name) ==
      FPropriedadesAlteradas.end()) {
    FPropriedadesAlteradas.push_back(name);
  }
}

// ---- Field ----

TField::TField(TnClientDataSet& dataSet, std::string fieldName, TFieldType dataType, int size,
               TFieldKind kind)
    : FDataSet(&dataSet),
      FFieldName(std::move(fieldName)),
      FDataType(dataType),
      FFieldKind(kind),
      FSize(size) {
  if (dataType == TFieldType::ftBCD) {
    FPrecision = 18;
    FScale = size > 0 ? size : 2;
  }
}

void TField::SetScale(int scale) {
  FScale = std::clamp(scale, 0, 15);
}

const std::string& TField::DisplayLabel() const {
  return FDisplayLabel.empty() ? FFieldName : FDisplayLabel;
}

int TField::DisplayWidth() const {
  if (FDisplayWidth > 0)
    return FDisplayWidth;
  switch (FDataType) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
      return FSize > 0 ? FSize : 20;
    case TFieldType::ftDate:
      return 10;
    case TFieldType::ftDateTime:
    case TFieldType::ftTimeStamp:
      return 18;
    case TFieldType::ftBoolean:
      return 5;
    default:
      return 10;
  }
}

TAlignment TField::Alignment() const {
  if (FAlignmentSet)
    return FAlignment;
  return IsNumericFieldType(FDataType) ? TAlignment::taRightJustify : TAlignment::taLeftJustify;
}

const Value& TField::AsValue() const {
  return FDataSet->FieldValue(*this);
}

Value TField::OldValue() const {
  return FDataSet->FieldOldValue(*this);
}

void TField::SetValue(const Value& value) {
  FDataSet->SetFieldValue(*this, value);
}

Value TField::Coerce(const Value& value) const {
  if (value.IsNull())
    return value;
  if (!IsTextFieldType(FDataType) && IsBlankText(value))
    return Value();
  try {
    switch (FDataType) {
      case TFieldType::ftSmallint:
      case TFieldType::ftInteger:
      case TFieldType::ftLargeint: {
        int64_t i = value.AsInteger();
        int64_t low = FDataType == TFieldType::ftSmallint  ? -32768
                      : FDataType == TFieldType::ftInteger ? std::numeric_limits<int32_t>::min()
                                                           : std::numeric_limits<int64_t>::min();
        int64_t high = FDataType == TFieldType::ftSmallint  ? 32767
                       : FDataType == TFieldType::ftInteger ? std::numeric_limits<int32_t>::max()
                                                            : std::numeric_limits<int64_t>::max();
        if (i < low || i > high) {
          throw EConvertError("Valor " + std::to_string(i) + " fora do intervalo do campo '" +
                              FFieldName + "'");
        }
        return Value(i);
      }
      case TFieldType::ftFloat:
        return Value(value.AsFloat());
      case TFieldType::ftBCD: {
        if (FScale <= 4) {
          if (value.Type() == TValueType::Currency || value.Type() == TValueType::Integer ||
              value.Type() == TValueType::String) {
            return Value(value.AsCurrency().Rounded(FScale));
          }
          int64_t scaled = Decimal::Scale(value.AsFloat(), FScale, TRoundMode::HalfAwayFromZero);
          return Value(Currency::FromRaw(scaled * Pow10(4 - FScale)));
        }
        return Value(Decimal::Round(value.AsFloat(), FScale, TRoundMode::HalfAwayFromZero));
      }
      case TFieldType::ftString:
      case TFieldType::ftFixedChar: {
        // The size counts characters: a text is never cut inside one.
        if (value.Type() == TValueType::String &&
            (FSize <= 0 || value.Text().size() <= static_cast<size_t>(FSize) ||
             Nutil::Caracteres(value.Text()) <= static_cast<size_t>(FSize))) {
          return value;
        }
        std::string text = value.AsString();
        if (FSize > 0)
          text = Nutil::PrimeirosCaracteres(text, static_cast<size_t>(FSize));
        return Value(std::move(text));
      }
      case TFieldType::ftMemo:
        return value.Type() == TValueType::String ? value : Value(value.AsString());
      case TFieldType::ftDate:
        return Value(DateOf(value.AsDateTime()));
      case TFieldType::ftTime: {
        double days = value.AsDateTime().Days();
        return Value(TDateTime(days - std::floor(days)));
      }
      case TFieldType::ftDateTime:
      case TFieldType::ftTimeStamp:
        return Value(value.AsDateTime());
      case TFieldType::ftBoolean:
        return Value(value.AsBoolean());
      case TFieldType::ftUnknown:
        return value;
    }
  } catch (const EConvertError& e) {
    std::string message = e.Message();
    if (message.find("'" + FFieldName + "'") == std::string::npos) {
      message += " (campo '" + FFieldName + "')";
    }
    throw EConvertError(message);
  }
  return value;
}

std::string TField::Text() const {
  if (OnGetText) {
    std::string text;
    // The event's sender is the field, as the handlers take it; reading
    // the text changes nothing.
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-const-cast)
    OnGetText(const_cast<TField&>(*this), text, false);
    return text;
  }
  const Value& value = AsValue();
  if (value.IsNull())
    return "";
  if (!FEditFormat.empty())
    return Formatter()(value, FEditFormat, FDataType);
  return value.AsString();
}

std::string TField::DisplayText() const {
  if (OnGetText) {
    std::string text;
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-const-cast)
    OnGetText(const_cast<TField&>(*this), text, true);
    return text;
  }
  const Value& value = AsValue();
  if (value.IsNull())
    return "";
  if (!FDisplayFormat.empty())
    return Formatter()(value, FDisplayFormat, FDataType);
  return value.AsString();
}

void TField::SetText(const std::string& text) {
  if (OnSetText) {
    OnSetText(*this, text);
    return;
  }
  SetValue(Value(text));
}

void TField::SetDisplayFormatter(TDisplayFormatter formatter) {
  Formatter() = formatter ? std::move(formatter) : TDisplayFormatter(&DefaultDisplayFormatter);
}

std::string TField::DefaultDisplayFormatter(const Value& value, const std::string& format,
                                            TFieldType type) {
  switch (type) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint:
    case TFieldType::ftFloat:
      return FormatFloat(format, value.AsFloat());
    case TFieldType::ftBCD:
      return value.Type() == TValueType::Currency ? FormatFloat(format, value.AsCurrency())
                                                  : FormatFloat(format, value.AsFloat());
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime:
    case TFieldType::ftTimeStamp:
      return FormatDateTime(format, value.AsDateTime());
    default:
      return value.AsString();
  }
}

const char* FieldTypeName(TFieldType type) {
  switch (type) {
    case TFieldType::ftUnknown:
      return "Unknown";
    case TFieldType::ftSmallint:
      return "SmallInt";
    case TFieldType::ftInteger:
      return "Integer";
    case TFieldType::ftLargeint:
      return "LargeInt";
    case TFieldType::ftFloat:
      return "Float";
    case TFieldType::ftBCD:
      return "BCD";
    case TFieldType::ftString:
      return "String";
    case TFieldType::ftFixedChar:
      return "FixedChar";
    case TFieldType::ftDate:
      return "Date";
    case TFieldType::ftTime:
      return "Time";
    case TFieldType::ftDateTime:
      return "DateTime";
    case TFieldType::ftTimeStamp:
      return "TimeStamp";
    case TFieldType::ftBoolean:
      return "Boolean";
    case TFieldType::ftMemo:
      return "Memo";
  }
  return "Unknown";
}

bool IsNumericFieldType(TFieldType type) {
  return type == TFieldType::ftSmallint || type == TFieldType::ftInteger ||
         type == TFieldType::ftLargeint || type == TFieldType::ftFloat || type == TFieldType::ftBCD;
}

bool IsTextFieldType(TFieldType type) {
  return type == TFieldType::ftString || type == TFieldType::ftFixedChar ||
         type == TFieldType::ftMemo;
}
