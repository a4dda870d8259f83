#include "host/output/SaidaCsv.h"

#include "framework/data/ClientDataSet.h"
#include "host/output/SaidaFormatos.h"

namespace {

std::string CampoComVirgula(const std::string& text) {
  return SaidaCsv::Campo(text);
}

const SaidaFormatos::TGrafia kGrafiaCsv{"", "", ' ', "1", "0", CampoComVirgula};

}  // namespace

namespace SaidaCsv {

std::string Campo(const std::string& text, char separador) {
  if (text.find_first_of(std::string(1, separador) + "\"\r\n") == std::string::npos)
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
