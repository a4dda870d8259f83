#include "host/output/SaidaFormatos.h"

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

std::optional<std::string> DataOuSimNao(const TField& field) {
  switch (field.DataType()) {
    case TFieldType::ftDate:
      return FormatDateTime("dd/mm/yyyy", field.AsDateTime());
    case TFieldType::ftDateTime:
    case TFieldType::ftTimeStamp:
      return FormatDateTime("dd/mm/yyyy hh:nn:ss", field.AsDateTime());
    case TFieldType::ftBoolean:
      return field.AsBoolean() ? "Sim" : "Não";
    default:
      return std::nullopt;
  }
}

std::vector<TField*> CamposVisiveis(TnClientDataSet& dataSet) {
  std::vector<TField*> campos;
  for (int i = 0; i < dataSet.FieldCount(); ++i) {
    TField& field = dataSet.Fields(i);
    if (field.Visible() && !field.HasProviderFlag(pfHidden))
      campos.push_back(&field);
  }
  return campos;
}

namespace {

// "03/2025" when the name ends in a month and year ("DEBITO032025").
std::string MesDoNome(const std::string& nome) {
  if (nome.size() <= 6)
    return "";
  const std::string fim = nome.substr(nome.size() - 6);
  if (!std::all_of(fim.begin(), fim.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return "";
  const int mes = std::stoi(fim.substr(0, 2));
  return mes >= 1 && mes <= 12 ? fim.substr(0, 2) + "/" + fim.substr(2) : "";
}

}  // namespace

std::vector<std::string> TitulosParaPessoas(const std::vector<TField*>& campos) {
  std::vector<std::string> titulos;
  for (const TField* field : campos) {
    std::string titulo = field->DisplayLabel();
    if (const std::string mes = MesDoNome(field->FieldName()); !mes.empty())
      titulo += " " + mes;
    if (std::find(titulos.begin(), titulos.end(), titulo) != titulos.end() && !titulos.empty())
      titulo += " " + titulos.back();
    titulos.push_back(titulo);
  }
  return titulos;
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
