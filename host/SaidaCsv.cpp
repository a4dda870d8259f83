#include "host/SaidaCsv.h"

#include "framework/data/ClientDataSet.h"
#include "host/SaidaFormatos.h"

namespace {

std::string Valor(const TField& field) {
  if (field.IsNull())
    return "";
  if (IsNumericFieldType(field.DataType()))
    return SaidaFormatos::NumeroComPonto(field);
  switch (field.DataType()) {
    case TFieldType::ftDate:
    case TFieldType::ftDateTime:
    case TFieldType::ftTimeStamp:
      return SaidaFormatos::DataIso(field, ' ');
    case TFieldType::ftBoolean:
      return field.AsBoolean() ? "1" : "0";
    default:
      return SaidaCsv::Campo(field.AsString());
  }
}

}  // namespace

namespace SaidaCsv {

std::string Campo(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos)
    return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"')
      quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string Escrever(TnClientDataSet& dataSet) {
  std::string out;
  for (int i = 0; i < dataSet.FieldCount(); ++i)
    out += (i ? "," : "") + Campo(dataSet.Fields(i).FieldName());
  out += "\n";
  TBookmark lugar = dataSet.GetBookmark();
  dataSet.DisableControls();
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
    for (int i = 0; i < dataSet.FieldCount(); ++i)
      out += (i ? "," : "") + Valor(dataSet.Fields(i));
    out += "\n";
  }
  if (dataSet.BookmarkValid(lugar))
    dataSet.GotoBookmark(lugar);
  dataSet.EnableControls();
  return out;
}

}  // namespace SaidaCsv
