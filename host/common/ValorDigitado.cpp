#include "host/common/ValorDigitado.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <string_view>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/core/TDateTime.h"
#include "framework/data/Field.h"

namespace ValorDigitado {

namespace {

bool SoDigitos(std::string_view texto) {
  return !texto.empty() &&
         std::all_of(texto.begin(), texto.end(), [](unsigned char c) { return std::isdigit(c); });
}

int BytesDoInteiro(TFieldType tipo) {
  switch (tipo) {
    case TFieldType::ftSmallint:
      return 2;
    case TFieldType::ftInteger:
      return 4;
    default:
      return 8;
  }
}

}  // namespace

std::string VerificarInteiro(const std::string& texto, int bytes) {
  int64_t inteiro = 0;
  const char* inicio = texto.data() + (!texto.empty() && texto[0] == '+' ? 1 : 0);
  auto [fim, ec] = std::from_chars(inicio, texto.data() + texto.size(), inteiro);
  if (ec == std::errc::result_out_of_range)
    return fmt::format("número inteiro fora do limite: '{}'", texto);
  if (ec != std::errc() || fim != texto.data() + texto.size())
    return fmt::format("número inteiro inválido: '{}'", texto);
  if (bytes > 0 && bytes < 8) {
    const int64_t limite = (int64_t{1} << (bytes * 8 - 1)) - 1;
    if (inteiro > limite || inteiro < -limite - 1)
      return fmt::format("número inteiro fora do limite da coluna: '{}'", texto);
  }
  return "";
}

TDecimal AnalisarDecimal(const std::string& texto) {
  std::string_view resto(texto);
  if (!resto.empty() && (resto[0] == '-' || resto[0] == '+'))
    resto.remove_prefix(1);
  TDecimal numero;
  const size_t ponto = resto.find('.');
  std::string_view inteiros = resto.substr(0, ponto);
  std::string_view casas = ponto == std::string_view::npos ? "" : resto.substr(ponto + 1);
  if (!SoDigitos(inteiros) || (ponto != std::string_view::npos && !SoDigitos(casas)))
    return numero;
  numero.Valido = true;
  inteiros.remove_prefix(std::min(inteiros.find_first_not_of('0'), inteiros.size()));
  numero.DigitosInteiros = inteiros.size();
  numero.Casas = casas.size();
  return numero;
}

std::string LerNumeroBrasileiro(const std::string& celula, int casas) {
  const std::string aparado = Nutil::Trim(celula);
  std::string_view resto = aparado;
  const auto tirar = [&resto](std::string_view prefixo) {
    if (resto.substr(0, prefixo.size()) != prefixo)
      return false;
    resto.remove_prefix(prefixo.size());
    return true;
  };
  const auto tirarEspacos = [&] {
    while (tirar(" ") || tirar("\xC2\xA0")) {
    }
  };
  const auto recusar = [&celula] {
    return Exception(fmt::format(
        "número inválido: '{}' (use vírgula decimal e ponto só entre milhares: 1.234,56)", celula));
  };
  bool negativo = false;
  if (resto.size() >= 2 && resto.front() == '(' && resto.back() == ')') {
    negativo = true;
    resto = resto.substr(1, resto.size() - 2);
    tirarEspacos();
  }
  bool sinal = false;
  const auto lerSinal = [&] {
    if (sinal || resto.empty() || (resto[0] != '-' && resto[0] != '+'))
      return;
    if (negativo)
      throw recusar();
    sinal = true;
    negativo = resto[0] == '-';
    resto.remove_prefix(1);
    tirarEspacos();
  };
  lerSinal();
  if (tirar("R$"))
    tirarEspacos();
  lerSinal();
  const size_t virgula = resto.find(',');
  std::string_view inteiros = resto.substr(0, virgula);
  const std::string_view decimais =
      virgula == std::string_view::npos ? std::string_view() : resto.substr(virgula + 1);
  if (virgula != std::string_view::npos && !SoDigitos(decimais))
    throw recusar();
  std::string numero = negativo ? "-" : "";
  // The first group has one to three digits, each further group exactly
  // three: "1.2345" or "12.3" is no amount a person wrote on purpose.
  for (bool primeiro = true;; primeiro = false) {
    const size_t ponto = inteiros.find('.');
    const std::string_view grupo = inteiros.substr(0, ponto);
    const bool agrupado = !primeiro || ponto != std::string_view::npos;
    if (!SoDigitos(grupo) || (agrupado && grupo.size() > 3) ||
        (agrupado && !primeiro && grupo.size() != 3))
      throw recusar();
    numero += grupo;
    if (ponto == std::string_view::npos)
      break;
    inteiros.remove_prefix(ponto + 1);
  }
  if (casas >= 0 && decimais.size() > static_cast<size_t>(casas))
    throw Exception(fmt::format("'{}' tem mais de {} casas decimais", celula, casas));
  if (!decimais.empty())
    numero += "." + std::string(decimais);
  return numero;
}

std::string VerificarDecimal(const std::string& texto, int casas, int precisao) {
  const TDecimal numero = AnalisarDecimal(texto);
  if (!numero.Valido)
    return fmt::format("número inválido: '{}' (use ponto como separador decimal)", texto);
  if (casas >= 0 && numero.Casas > static_cast<size_t>(casas))
    return fmt::format("'{}' tem mais de {} casas decimais", texto, casas);
  int digitos = precisao > 0 ? precisao - std::max(casas, 0) : -1;
  if (casas == 2 && (digitos < 0 || digitos > kDigitosInteirosValor))
    digitos = kDigitosInteirosValor;
  if (digitos >= 0 && numero.DigitosInteiros > static_cast<size_t>(digitos))
    return fmt::format("'{}' tem mais de {} dígitos inteiros", texto, digitos);
  return "";
}

std::string VerificarData(const std::string& texto) {
  if (ParseDate(Nutil::Trim(texto)))
    return "";
  return fmt::format("\"{}\" não é uma data válida (use AAAA-MM-DD ou dd/mm/aaaa)", texto);
}

std::string Verificar(const TField& field, const std::string& texto) {
  if (field.OnSetText)
    return "";
  switch (field.DataType()) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint:
      return VerificarInteiro(texto, BytesDoInteiro(field.DataType()));
    case TFieldType::ftBCD:
      return VerificarDecimal(texto, field.Scale(), field.Precision());
    case TFieldType::ftFloat:
      return VerificarDecimal(texto, -1, 0);
    case TFieldType::ftDate:
    case TFieldType::ftDateTime:
    case TFieldType::ftTimeStamp:
      // Blank clears the field, as on the screen.
      return Nutil::Trim(texto).empty() ? "" : VerificarData(texto);
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
      if (field.Size() > 0 && Nutil::Caracteres(texto) > static_cast<size_t>(field.Size()))
        return fmt::format("texto com mais de {} caracteres", field.Size());
      return "";
    default:
      return "";
  }
}

}  // namespace ValorDigitado
