#include "framework/app/TnUtilConsultaWeb.h"

#include <map>
#include <mutex>
#include <shared_mutex>

#include "framework/core/TDateTime.h"

namespace TnUtilConsultaWeb {

namespace {

struct TRotulosColunas {
  std::shared_mutex Trava;
  std::map<std::string, std::string, std::less<>> Rotulos;
};

TRotulosColunas& RotulosColunas() {
  static TRotulosColunas rotulos;
  return rotulos;
}

}  // namespace

const char* TipoCampo(TFieldType tipo) {
  switch (tipo) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint:
      return "inteiro";
    case TFieldType::ftFloat:
    case TFieldType::ftBCD:
      return "valor";
    case TFieldType::ftDate:
      return "data";
    case TFieldType::ftBoolean:
      return "logico";
    default:
      return "texto";
  }
}

void RegistrarRotuloColuna(const std::string& coluna, const std::string& rotulo) {
  TRotulosColunas& rotulos = RotulosColunas();
  std::unique_lock trava(rotulos.Trava);
  rotulos.Rotulos[coluna] = rotulo;
}

std::string Rotulo(const TField& field) {
  if (field.DisplayLabel() != field.FieldName())
    return field.DisplayLabel();
  TRotulosColunas& rotulos = RotulosColunas();
  std::shared_lock trava(rotulos.Trava);
  const auto achado = rotulos.Rotulos.find(field.FieldName());
  return achado == rotulos.Rotulos.end() ? field.FieldName() : achado->second;
}

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
                      {"label", Rotulo(field)},
                      {"visible", field.Visible()},
                      {"type", TipoCampo(field.DataType())}});
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
