#include "host/output/SaidaTabela.h"

#include <fmt/format.h>

#include <algorithm>
#include <vector>

#include "framework/app/TnUtilConsultaWeb.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/FormatFloat.h"
#include "framework/data/ClientDataSet.h"
#include "host/output/SaidaFormatos.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoDataSetSaldo_U.h"

namespace {

using SaidaFormatos::Largura;

std::string ValorBruto(const TField& field) {
  if (field.IsNull())
    return "";
  if (!field.DisplayFormat().empty() || field.OnGetText)
    return field.DisplayText();
  if (field.DataType() == TFieldType::ftBCD)
    return FormatCurr(kFormatoValorBalancete, field.AsCurrency());
  if (field.DataType() == TFieldType::ftFloat)
    return FormatFloat("", field.AsFloat());
  return SaidaFormatos::DataOuSimNao(field).value_or(field.AsString());
}

std::string Valor(const TField& field) {
  return SaidaTabela::Visivel(ValorBruto(field));
}

std::string Linha(const std::vector<std::string>& celulas, const std::vector<size_t>& larguras,
                  const std::vector<bool>& aDireita) {
  std::string linha;
  for (size_t i = 0; i < celulas.size(); ++i) {
    std::string espaco(larguras[i] - Largura(celulas[i]), ' ');
    linha += (i ? "  " : "") + (aDireita[i] ? espaco + celulas[i] : celulas[i] + espaco);
  }
  linha.erase(linha.find_last_not_of(' ') + 1);
  return linha + "\n";
}

}  // namespace

namespace SaidaTabela {

std::string Visivel(const std::string& texto) {
  std::string visivel;
  visivel.reserve(texto.size());
  for (const char c : texto) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F)
      visivel += c;
    else if (c == '\n')
      visivel += "\\n";
    else if (c == '\t')
      visivel += "\\t";
    else if (c == '\r')
      visivel += "\\r";
    else
      visivel += fmt::format("\\x{:02x}", byte);
  }
  return visivel;
}

std::string Escrever(TnClientDataSet& dataSet) {
  const std::vector<TField*> campos = SaidaFormatos::CamposVisiveis(dataSet);
  std::vector<std::string> titulos;
  std::vector<size_t> larguras;
  std::vector<bool> aDireita;
  for (const TField* field : campos) {
    titulos.push_back(TnUtilConsultaWeb::Rotulo(*field));
    larguras.push_back(Largura(titulos.back()));
    aDireita.push_back(IsNumericFieldType(field->DataType()));
  }
  std::vector<std::vector<std::string>> linhas;
  TBookmark lugar = dataSet.GetBookmark();
  dataSet.DisableControls();
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
    std::vector<std::string> celulas;
    for (size_t i = 0; i < campos.size(); ++i) {
      celulas.push_back(Valor(*campos[i]));
      larguras[i] = std::max(larguras[i], Largura(celulas.back()));
    }
    linhas.push_back(std::move(celulas));
  }
  if (dataSet.BookmarkValid(lugar))
    dataSet.GotoBookmark(lugar);
  dataSet.EnableControls();

  std::string out = Linha(titulos, larguras, aDireita);
  std::vector<std::string> tracos;
  tracos.reserve(larguras.size());
  for (size_t largura : larguras)
    tracos.emplace_back(largura, '-');
  out += Linha(tracos, larguras, aDireita);
  for (const auto& celulas : linhas)
    out += Linha(celulas, larguras, aDireita);
  return out;
}

}  // namespace SaidaTabela
