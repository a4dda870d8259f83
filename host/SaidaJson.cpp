#include "host/SaidaJson.h"

#include <fmt/format.h>

#include "framework/data/ClientDataSet.h"
#include "host/SaidaFormatos.h"

namespace {

std::string Valor(const TField& field) {
  if (field.IsNull())
    return "null";
  if (IsNumericFieldType(field.DataType()))
    return SaidaFormatos::NumeroComPonto(field);
  switch (field.DataType()) {
    case TFieldType::ftDate:
    case TFieldType::ftDateTime:
    case TFieldType::ftTimeStamp:
      return "\"" + SaidaFormatos::DataIso(field, 'T') + "\"";
    case TFieldType::ftBoolean:
      return field.AsBoolean() ? "true" : "false";
    default:
      return SaidaJson::Texto(field.AsString());
  }
}

}  // namespace

namespace SaidaJson {

std::string Texto(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20)
          out += fmt::format("\\u{:04x}", static_cast<unsigned>(c));
        else
          out += c;
    }
  }
  return out + "\"";
}

std::string Escrever(TnClientDataSet& dataSet) {
  std::string out = "[";
  bool primeiro = true;
  TBookmark lugar = dataSet.GetBookmark();
  dataSet.DisableControls();
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
    out += primeiro ? "\n  {" : ",\n  {";
    primeiro = false;
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
      const TField& field = dataSet.Fields(i);
      out += (i ? ", " : "") + Texto(field.FieldName()) + ": " + Valor(field);
    }
    out += "}";
  }
  if (dataSet.BookmarkValid(lugar))
    dataSet.GotoBookmark(lugar);
  dataSet.EnableControls();
  return out + (primeiro ? "]\n" : "\n]\n");
}

}  // namespace SaidaJson
