#include "host/output/SaidaJson.h"

#include <fmt/format.h>

#include "framework/data/ClientDataSet.h"
#include "host/output/SaidaFormatos.h"

namespace {

const SaidaFormatos::TGrafia kGrafiaJson{"null", "\"", 'T', "true", "false", SaidaJson::Texto};

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
  SaidaFormatos::ParaCadaLinha(dataSet, [&] {
    out += primeiro ? "\n  {" : ",\n  {";
    primeiro = false;
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
      const TField& field = dataSet.Fields(i);
      out += (i ? ", " : "") + Texto(field.FieldName()) + ": " +
             SaidaFormatos::Valor(field, kGrafiaJson);
    }
    out += "}";
  });
  return out + (primeiro ? "]\n" : "\n]\n");
}

}  // namespace SaidaJson
