#include "framework/db/NutilSql.h"

#include "framework/core/LiteralSQL.h"
#include "framework/data/Field.h"
#include "framework/db/Nutildb.h"

namespace Nutil {

std::string ValorParaSQL(const Value& value) {
  switch (value.Type()) {
    case TValueType::Null:
      return "NULL";
    case TValueType::Boolean:
      return value.AsBoolean() ? "'1'" : "'0'";
    case TValueType::Integer:
      return NutilLiteralSQL::Inteiro(value.AsInteger());
    case TValueType::Float:
      return NutilLiteralSQL::Decimal(value.AsFloat());
    case TValueType::Currency:
      return value.AsCurrency().ToString();
    case TValueType::String:
      return NutilLiteralSQL::Texto(value.AsString());
    case TValueType::DateTime: {
      // A moment at midnight is stored as the day alone, like DATE columns.
      TDateTime moment = value.AsDateTime();
      return moment == DateOf(moment) ? NutilLiteralSQL::Data(moment)
                                      : NutilLiteralSQL::DataHora(moment);
    }
  }
  return "NULL";
}

std::string ValorParaSQL(const Value& value, TDbColumnKind kind) {
  if (value.IsNull())
    return "NULL";
  switch (kind) {
    case TDbColumnKind::Integer:
      return ValorParaSQL(Value(value.AsInteger()));
    case TDbColumnKind::Float:
      return ValorParaSQL(Value(value.AsFloat()));
    case TDbColumnKind::Numeric:
      return ValorParaSQL(Value(value.AsCurrency()));
    case TDbColumnKind::Text:
      return NutilLiteralSQL::Texto(value.AsString());
    case TDbColumnKind::Date:
      return ValorParaSQL(Value(DateOf(value.AsDateTime())));
    case TDbColumnKind::DateTime:
      return ValorParaSQL(Value(value.AsDateTime()));
    case TDbColumnKind::Boolean:
      return ValorParaSQL(Value(value.AsBoolean()));
  }
  return ValorParaSQL(value);
}

std::string ValorParaSQL(const Value& value, const std::string& op) {
  if (value.IsNull()) {
    if (op == "=")
      return " is null";
    if (op == "<>" || op == "!=")
      return " is not null";
  }
  return " " + op + " " + ValorParaSQL(value);
}

TDbColumnKind TipoColunaDoCampo(const TField& field) {
  switch (field.DataType()) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint:
      return TDbColumnKind::Integer;
    case TFieldType::ftFloat:
      return TDbColumnKind::Float;
    case TFieldType::ftBCD:
      return TDbColumnKind::Numeric;
    case TFieldType::ftDate:
      return TDbColumnKind::Date;
    case TFieldType::ftTime:
    case TFieldType::ftDateTime:
    case TFieldType::ftTimeStamp:
      return TDbColumnKind::DateTime;
    case TFieldType::ftBoolean:
      return TDbColumnKind::Boolean;
    default:
      return TDbColumnKind::Text;
  }
}

std::string ValorParaSQL(const TField& field, const std::string& op, bool comNome) {
  Nutildb::VerificarIdentificador(field.FieldName());
  const Value& value = field.AsValue();
  std::string comparacao = value.IsNull()
                               ? ValorParaSQL(value, op)
                               : " " + op + " " + ValorParaSQL(value, TipoColunaDoCampo(field));
  return comNome ? field.FieldName() + comparacao : comparacao;
}

}  // namespace Nutil
