#include "host/output/SaidaCsvBr.h"

#include <fmt/format.h>

#include <algorithm>

#include "framework/data/ClientDataSet.h"
#include "host/output/SaidaCsv.h"
#include "host/output/SaidaFormatos.h"

namespace {

// The decimals the display format shows ("#,##0.00;(#,##0.00)" shows 2);
// -1 when it has none to say.
int CasasDoFormato(const std::string& formato) {
  const std::string primeiro = formato.substr(0, formato.find(';'));
  const size_t ponto = primeiro.find('.');
  if (ponto == std::string::npos)
    return -1;
  return static_cast<int>(
      std::count(primeiro.begin() + static_cast<std::ptrdiff_t>(ponto), primeiro.end(), '0'));
}

std::string Numero(const TField& field) {
  std::string texto;
  const int casas = CasasDoFormato(field.DisplayFormat());
  if (field.DataType() == TFieldType::ftFloat && casas >= 0)
    texto = fmt::format("{:.{}f}", field.AsFloat(), casas);
  else
    texto = SaidaFormatos::NumeroComPonto(field);
  std::replace(texto.begin(), texto.end(), '.', ',');
  return texto == "-0,00" ? "0,00" : texto;
}

std::string Valor(const TField& field) {
  if (field.IsNull())
    return "";
  if (IsNumericFieldType(field.DataType()))
    return Numero(field);
  return SaidaFormatos::DataOuSimNao(field).value_or(SaidaCsv::Campo(field.AsString(), ';'));
}

}  // namespace

namespace SaidaCsvBr {

std::string Cabecalho(TnClientDataSet& dataSet, const std::string& antes) {
  std::string linha = antes;
  const std::vector<TField*> campos = SaidaFormatos::CamposVisiveis(dataSet);
  const std::vector<std::string> titulos = SaidaFormatos::TitulosParaPessoas(campos);
  for (size_t i = 0; i < titulos.size(); ++i)
    linha += (i ? ";" : "") + SaidaCsv::Campo(titulos[i], ';');
  return linha + "\r\n";
}

std::string Linhas(TnClientDataSet& dataSet, const std::string& antes) {
  const std::vector<TField*> campos = SaidaFormatos::CamposVisiveis(dataSet);
  std::string out;
  SaidaFormatos::ParaCadaLinha(dataSet, [&] {
    out += antes;
    for (size_t i = 0; i < campos.size(); ++i)
      out += (i ? ";" : "") + Valor(*campos[i]);
    out += "\r\n";
  });
  return out;
}

std::string Escrever(TnClientDataSet& dataSet) {
  return kBom + Cabecalho(dataSet) + Linhas(dataSet);
}

}  // namespace SaidaCsvBr
