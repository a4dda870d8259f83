#include "host/SaidaFormatos.h"

#include <fmt/format.h>

#include <algorithm>

#include "framework/core/FormatDateTime.h"
#include "framework/core/FormatFloat.h"
#include "framework/data/ClientDataSet.h"
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

std::string Valor(const TField& field, const TGrafia& grafia) {
  if (field.IsNull())
    return grafia.Nulo;
  if (IsNumericFieldType(field.DataType()))
    return NumeroComPonto(field);
  switch (field.DataType()) {
    case TFieldType::ftDate:
    case TFieldType::ftDateTime:
    case TFieldType::ftTimeStamp:
      return grafia.Aspas + DataIso(field, grafia.SeparadorDataHora) + grafia.Aspas;
    case TFieldType::ftBoolean:
      return field.AsBoolean() ? grafia.Verdadeiro : grafia.Falso;
    default:
      return grafia.Texto(field.AsString());
  }
}

void ParaCadaLinha(TnClientDataSet& dataSet, const std::function<void()>& visitar) {
  TBookmark lugar = dataSet.GetBookmark();
  dataSet.DisableControls();
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
    visitar();
  if (dataSet.BookmarkValid(lugar))
    dataSet.GotoBookmark(lugar);
  dataSet.EnableControls();
}

}  // namespace SaidaFormatos
