#include "host/SaidaCsv.h"

#include "framework/data/ClientDataSet.h"
#include "host/SaidaFormatos.h"

namespace {

const SaidaFormatos::TGrafia kGrafiaCsv{"", "", ' ', "1", "0", SaidaCsv::Campo};

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

std::string Cabecalho(TnClientDataSet& dataSet, const std::string& antes) {
  std::string out = antes;
  for (int i = 0; i < dataSet.FieldCount(); ++i)
    out += (i ? "," : "") + Campo(dataSet.Fields(i).FieldName());
  return out + "\n";
}

std::string Linhas(TnClientDataSet& dataSet, const std::string& antes) {
  std::string out;
  SaidaFormatos::ParaCadaLinha(dataSet, [&] {
    out += antes;
    for (int i = 0; i < dataSet.FieldCount(); ++i)
      out += (i ? "," : "") + SaidaFormatos::Valor(dataSet.Fields(i), kGrafiaCsv);
    out += "\n";
  });
  return out;
}

std::string Escrever(TnClientDataSet& dataSet) {
  return Cabecalho(dataSet) + Linhas(dataSet);
}

}  // namespace SaidaCsv
