#include "host/import/RegrasExtrato.h"

#include <fmt/format.h>

#include <functional>

#include "framework/core/Exceptions.h"
#include "host/common/HostComum.h"
#include "host/common/JsonEstrito.h"
#include "host/common/ValorDigitado.h"
#include "host/import/ImportacaoHost.h"

namespace {

constexpr size_t kMaxBytesRegras = size_t{1024} * 1024;

using json = nlohmann::ordered_json;

Exception Erro(const std::string& onde, const std::string& mensagem) {
  return Exception("Regras do extrato: " + onde + ": " + mensagem);
}

std::string Texto(const json& valor, const std::string& onde, const char* chave) {
  if (!valor.is_string())
    throw Erro(onde, fmt::format("\"{}\" deve ser um texto", chave));
  return valor.get<std::string>();
}

Currency Valor(const json& valor, const std::string& onde, const char* chave) {
  if (!valor.is_string())
    throw Erro(onde, fmt::format("\"{}\" deve ser um texto, como \"-1.234,56\"", chave));
  try {
    return Currency::FromString(ValorDigitado::LerNumeroBrasileiro(valor.get<std::string>(), 2));
  } catch (const Exception& erro) {
    throw Erro(onde, fmt::format("\"{}\": {}", chave, erro.what()));
  }
}

// The destination's "account" and "history", the other keys left to the
// caller (`outras` tells whether one is known).
TDestinoExtrato Destino(TnDMConexao& conexao, int64_t codigoEmpresa, const json& objeto,
                        const std::string& onde,
                        const std::function<bool(const std::string&)>& outras) {
  if (!objeto.is_object())
    throw Erro(onde, "deve ser um objeto JSON");
  TDestinoExtrato destino;
  bool conta = false, historico = false;
  for (const auto& [chave, valor] : objeto.items()) {
    if (chave == "account") {
      const std::string texto = valor.is_number_integer() ? std::to_string(valor.get<int64_t>())
                                                          : Texto(valor, onde, "account");
      const std::optional<int64_t> codigo =
          ImportacaoHost::ContaDoTexto(conexao, codigoEmpresa, texto);
      if (!codigo)
        throw Erro(onde, "conta não encontrada (código, apelido ou classificação): " + texto);
      destino.Conta = *codigo;
      conta = true;
    } else if (chave == "history") {
      if (!valor.is_number_integer() || valor.get<int64_t>() <= 0 || valor.get<int64_t>() > 32767)
        throw Erro(onde, "\"history\" deve ser o código de um histórico padrão");
      destino.Historico = valor.get<int64_t>();
      historico = true;
    } else if (!outras(chave)) {
      throw Erro(onde, "chave desconhecida: \"" + chave + "\"");
    }
  }
  if (!conta || !historico)
    throw Erro(onde, "\"account\" e \"history\" são obrigatórios");
  return destino;
}

TRegraExtrato LerRegra(TnDMConexao& conexao, int64_t codigoEmpresa, const json& objeto,
                       int numero) {
  const std::string onde = fmt::format("regra {}", numero);
  TRegraExtrato regra;
  regra.Numero = numero;
  regra.Destino = Destino(conexao, codigoEmpresa, objeto, onde, [&](const std::string& chave) {
    const json& valor = objeto.at(chave);
    if (chave == "field") {
      const std::string campo = Texto(valor, onde, "field");
      if (campo != "description" && campo != "document")
        throw Erro(onde, "\"field\" deve ser \"description\" ou \"document\"");
      regra.NoDocumento = campo == "document";
    } else if (chave == "contains") {
      regra.Contem = ExtratoBancario::DescricaoNormalizada(Texto(valor, onde, "contains"));
      if (regra.Contem.empty())
        throw Erro(onde, "\"contains\" vazio");
    } else if (chave == "regex") {
      const std::string expressao = Texto(valor, onde, "regex");
      if (expressao.empty() || expressao.size() > TRegrasExtrato::kMaxBytesRegex)
        throw Erro(onde, fmt::format("\"regex\" deve ter de 1 a {} bytes",
                                     TRegrasExtrato::kMaxBytesRegex));
      try {
        regra.Expressao.emplace(expressao, std::regex::ECMAScript | std::regex::icase);
      } catch (const std::regex_error&) {
        throw Erro(onde, "expressão regular inválida: " + expressao);
      }
    } else if (chave == "min") {
      regra.Minimo = Valor(valor, onde, "min");
    } else if (chave == "max") {
      regra.Maximo = Valor(valor, onde, "max");
    } else {
      return false;
    }
    return true;
  });
  if (regra.Contem.empty() && !regra.Expressao && !regra.Minimo && !regra.Maximo)
    throw Erro(onde, "a regra precisa de uma condição: contains, regex, min ou max");
  return regra;
}

}  // namespace

bool TRegraExtrato::Aceita(const TLinhaExtrato& linha) const {
  if ((Minimo && linha.Valor < *Minimo) || (Maximo && linha.Valor > *Maximo))
    return false;
  const std::string texto =
      ExtratoBancario::DescricaoNormalizada(NoDocumento ? linha.Documento : linha.Descricao);
  if (!Contem.empty() && texto.find(Contem) == std::string::npos)
    return false;
  try {
    return !Expressao || std::regex_search(texto, *Expressao);
  } catch (const std::regex_error&) {
    throw Exception(fmt::format("a expressão da regra {} não pôde ser avaliada", Numero));
  }
}

TRegrasExtrato TRegrasExtrato::DoTexto(TnDMConexao& conexao, int64_t codigoEmpresa,
                                       const std::string& texto) {
  if (texto.size() > kMaxBytesRegras)
    throw Exception("Regras do extrato: o arquivo passa de 1 MB");
  const json documento = JsonEstrito::Analisar(texto, 4);
  if (!documento.is_object())
    throw Exception("Regras do extrato: o documento deve ser um objeto JSON");
  TRegrasExtrato regras;
  for (const auto& [chave, valor] : documento.items()) {
    if (chave == "rules" && valor.is_array()) {
      if (valor.size() > kMaxRegras)
        throw Exception(fmt::format("Regras do extrato: mais de {} regras", kMaxRegras));
      for (const json& regra : valor)
        regras.Regras.push_back(
            LerRegra(conexao, codigoEmpresa, regra, static_cast<int>(regras.Regras.size()) + 1));
    } else if (chave == "values" && valor.is_object()) {
      for (const auto& [campo, fixo] : valor.items()) {
        if (!fixo.is_string() && !fixo.is_number_integer())
          throw Erro("values." + campo, "deve ser um texto ou um número inteiro");
        regras.Valores.emplace_back(campo, fixo.is_string() ? fixo.get<std::string>()
                                                            : std::to_string(fixo.get<int64_t>()));
      }
    } else if (chave == "suspense") {
      regras.Transitoria = Destino(conexao, codigoEmpresa, valor, "suspense",
                                   [](const std::string&) { return false; });
    } else {
      throw Exception("Regras do extrato: chave desconhecida ou de tipo errado: \"" + chave +
                      "\" (aceitas: rules, suspense, values)");
    }
  }
  if (regras.Regras.empty() && !regras.Transitoria)
    throw Exception("Regras do extrato: \"rules\" deve ter ao menos uma regra");
  return regras;
}

TRegrasExtrato TRegrasExtrato::DoArquivo(TnDMConexao& conexao, int64_t codigoEmpresa,
                                         const std::string& arquivo) {
  return DoTexto(conexao, codigoEmpresa,
                 HostComum::InicioDoArquivo(arquivo, kMaxBytesRegras, "as regras do extrato"));
}

const TRegraExtrato* TRegrasExtrato::Regra(const TLinhaExtrato& linha) const {
  for (const TRegraExtrato& regra : Regras)
    if (regra.Aceita(linha))
      return &regra;
  return nullptr;
}
