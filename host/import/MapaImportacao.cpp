#include "host/import/MapaImportacao.h"

#include <fmt/format.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/core/TDateTime.h"
#include "host/common/HostComum.h"
#include "host/common/ValorDigitado.h"

namespace {

constexpr size_t kMaxBytesMapa = size_t{1024} * 1024;

std::string Texto(const nlohmann::json& valor, const std::string& onde) {
  if (valor.is_string())
    return valor.get<std::string>();
  if (valor.is_number_integer())
    return std::to_string(valor.get<int64_t>());
  throw Exception("Mapa de colunas: " + onde + " deve ser um texto ou um número inteiro");
}

// The format's letters checked: dd, mm, yyyy or yy, in any order, with the
// same one separator between them.
void VerificarFormatoData(const std::string& formato) {
  std::string letras;
  char separador = 0;
  for (char c : formato) {
    if (c == 'd' || c == 'm' || c == 'y')
      letras += c;
    else if (separador == 0 || separador == c)
      separador = c;
    else
      separador = '!';
  }
  const bool partes = std::count(letras.begin(), letras.end(), 'd') == 2 &&
                      std::count(letras.begin(), letras.end(), 'm') == 2 &&
                      (std::count(letras.begin(), letras.end(), 'y') == 4 ||
                       std::count(letras.begin(), letras.end(), 'y') == 2);
  if (!partes || separador == '!' || formato.size() > 10)
    throw Exception("Mapa de colunas: date_format inválido: \"" + formato +
                    "\" (use dd, mm e yyyy ou yy, como dd/mm/yyyy)");
}

}  // namespace

TMapaImportacao TMapaImportacao::DoTexto(const std::string& json) {
  if (json.size() > kMaxBytesMapa)
    throw Exception("Mapa de colunas: o arquivo passa de 1 MB");
  nlohmann::json documento;
  try {
    documento = nlohmann::json::parse(json);
  } catch (const nlohmann::json::parse_error& erro) {
    throw Exception("Mapa de colunas: JSON inválido: " + HostComum::ErroDeSintaxe(json, erro.byte));
  }
  if (!documento.is_object())
    throw Exception("Mapa de colunas: o documento deve ser um objeto JSON");
  TMapaImportacao mapa;
  for (const auto& [chave, valor] : documento.items()) {
    if (chave == "columns" && valor.is_object()) {
      for (const auto& [coluna, campo] : valor.items())
        mapa.Colunas[Nutil::UpperCase(Nutil::Trim(coluna))] =
            Nutil::Trim(Texto(campo, "columns." + coluna));
    } else if (chave == "date_format" && valor.is_string()) {
      mapa.FormatoData = valor.get<std::string>();
      VerificarFormatoData(mapa.FormatoData);
    } else if (chave == "decimal_comma" && valor.is_boolean()) {
      mapa.VirgulaDecimal = valor.get<bool>();
    } else if (chave == "values" && valor.is_object()) {
      for (const auto& [campo, fixo] : valor.items())
        mapa.Valores.emplace_back(Nutil::Trim(campo), Texto(fixo, "values." + campo));
    } else {
      throw Exception("Mapa de colunas: chave desconhecida ou de tipo errado: \"" + chave +
                      "\" (aceitas: columns, date_format, decimal_comma, values)");
    }
  }
  if (mapa.Colunas.empty())
    throw Exception("Mapa de colunas: \"columns\" deve nomear ao menos uma coluna");
  return mapa;
}

TMapaImportacao TMapaImportacao::DoArquivo(const std::string& arquivo) {
  return DoTexto(HostComum::InicioDoArquivo(arquivo, kMaxBytesMapa, "o mapa de colunas"));
}

std::string TMapaImportacao::DataIso(const std::string& celula) const {
  const std::string texto = Nutil::Trim(celula);
  int dia = 0, mes = 0, ano = 0;
  bool confere = texto.size() == FormatoData.size();
  for (size_t i = 0; confere && i < texto.size(); ++i) {
    const char letra = FormatoData[i];
    const bool digito = texto[i] >= '0' && texto[i] <= '9';
    if (letra != 'd' && letra != 'm' && letra != 'y') {
      confere = texto[i] == letra;
      continue;
    }
    confere = digito;
    int& parte = letra == 'd' ? dia : letra == 'm' ? mes : ano;
    parte = parte * 10 + (texto[i] - '0');
  }
  if (confere && std::count(FormatoData.begin(), FormatoData.end(), 'y') == 2)
    ano += 2000;
  const std::optional<TDateTime> data =
      confere ? TryEncodeDate(ano, mes, dia) : std::optional<TDateTime>();
  if (!data)
    throw Exception(fmt::format("data inválida: '{}' (o mapa diz {})", texto, FormatoData));
  return DateToIso(*data);
}

std::string TMapaImportacao::Numero(const std::string& celula, int casas) const {
  return VirgulaDecimal ? ValorDigitado::LerNumeroBrasileiro(celula, casas) : celula;
}
