#include "host/SaidaFormatos.h"

#include <fmt/format.h>

#include <algorithm>

#include "framework/core/FormatDateTime.h"
#include "framework/core/FormatFloat.h"
#include "framework/data/Field.h"

namespace SaidaFormatos {

std::string NumeroComPonto(const TField& field) {
  const Value& value = field.AsValue();
  switch (field.DataType()) {
    case TFieldType::ftBCD: {
      int scale = std::clamp(field.Scale(), 0, 4);
      std::string text =
          FormatFloat(scale > 0 ? "0." + std::string(scale, '0') : "0", value.AsCurrency());
      std::replace(text.begin(), text.end(), ',', '.');
      return text;
    }
    case TFieldType::ftFloat:
      return fmt::format("{}", value.AsFloat());
    default:
      return std::to_string(value.AsInteger());
  }
}

std::string DataIso(const TField& field, char separador) {
  TDateTime moment = field.AsDateTime();
  std::string text = FormatDateTime("yyyy-mm-dd", moment);
  if (field.DataType() != TFieldType::ftDate)
    text += separador + FormatDateTime("hh:nn:ss", moment);
  return text;
}

}  // namespace SaidaFormatos
