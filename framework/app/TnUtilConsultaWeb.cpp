#include "framework/app/TnUtilConsultaWeb.h"

#include "framework/core/TDateTime.h"

namespace TnUtilConsultaWeb {

nlohmann::ordered_json ValorJson(const Value& valor) {
  switch (valor.Type()) {
    case TValueType::Null:
      return nullptr;
    case TValueType::Boolean:
      return valor.AsBoolean();
    case TValueType::Integer:
      return valor.AsInteger();
    case TValueType::Float:
    case TValueType::Currency:
      return valor.AsFloat();
    case TValueType::DateTime:
      return DateToIso(valor.AsDateTime());
    default:
      return valor.AsString();
  }
}

nlohmann::ordered_json RegistroJson(const TnClientDataSet& dataSet) {
  nlohmann::ordered_json registro = nlohmann::ordered_json::object();
  if (!dataSet.Active() || dataSet.IsEmpty())
    return registro;
  for (int i = 0; i < dataSet.FieldCount(); ++i) {
    const TField& field = dataSet.Fields(i);
    if (!field.IsCalculated())
      registro[field.FieldName()] = ValorJson(field.AsValue());
  }
  return registro;
}

nlohmann::ordered_json SerializarDataset(TnClientDataSet& dataSet) {
  nlohmann::ordered_json campos = nlohmann::ordered_json::array();
  for (int i = 0; i < dataSet.FieldCount(); ++i) {
    const TField& field = dataSet.Fields(i);
    campos.push_back({{"name", field.FieldName()},
                      {"label", field.DisplayLabel()},
                      {"visible", field.Visible()}});
  }
  nlohmann::ordered_json linhas = nlohmann::ordered_json::array();
  if (dataSet.Active() && !dataSet.IsEmpty()) {
    const TBookmark posicao = dataSet.GetBookmark();
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
      linhas.push_back(RegistroJson(dataSet));
    dataSet.GotoBookmark(posicao);
  }
  return {{"fields", std::move(campos)}, {"rows", std::move(linhas)}};
}

}  // namespace TnUtilConsultaWeb
