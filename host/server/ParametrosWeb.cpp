#include "host/server/ParametrosWeb.h"

#include <fmt/format.h>
#include <httplib.h>

#include <regex>

#include "framework/app/TnDMDireitoUsuario.h"
#include "framework/db/TnDMConexao.h"
#include "host/reports/ComandoBalancete.h"
#include "host/services/SessaoHost.h"

namespace ParametrosWeb {

int64_t Inteiro(const httplib::Request& req, const char* nome, int64_t minimo, int64_t maximo,
                std::optional<int64_t> padrao) {
  if (!req.has_param(nome) || req.get_param_value(nome).empty()) {
    if (padrao)
      return *padrao;
    throw Exception(fmt::format("Informe o parâmetro {}", nome));
  }
  const std::string texto = req.get_param_value(nome);
  static const std::regex kNumero("-?[0-9]{1,18}");
  if (!std::regex_match(texto, kNumero) || std::stoll(texto) < minimo || std::stoll(texto) > maximo)
    throw Exception(
        fmt::format("Parâmetro {} inválido: use um número de {} a {}", nome, minimo, maximo));
  return std::stoll(texto);
}

std::string Data(const httplib::Request& req, const char* nome) {
  std::string texto = req.get_param_value(nome);
  static const std::regex kData("[0-9]{4}-[0-9]{2}-[0-9]{2}|[0-9]{2}/[0-9]{2}/[0-9]{4}");
  if (!std::regex_match(texto, kData))
    throw Exception(fmt::format("Parâmetro {} inválido: use AAAA-MM-DD ou DD/MM/AAAA", nome));
  return texto;
}

TDateTime DataDoParametro(const httplib::Request& req, const char* nome) {
  const std::optional<TDateTime> data = ParseDate(Data(req, nome));
  if (!data)
    throw Exception(fmt::format("Parâmetro {} inválido: não é uma data", nome));
  return DateOf(*data);
}

std::string Texto(const httplib::Request& req, const char* nome, size_t maximo) {
  std::string texto = req.get_param_value(nome);
  if (texto.size() > maximo)
    throw Exception(fmt::format("Parâmetro {} longo demais: até {} caracteres", nome, maximo));
  return texto;
}

void VerificarDireitoBalancete(TSessaoHost& host) {
  TnDMDireitoUsuario* direitos = nDMDireitoUsuario();
  if (direitos == nullptr || !direitos->TemDireitoLiberado(ComandoBalancete::kDireitoConsulta))
    throw ERecusa(fmt::format(
        "O usuário {} não tem o direito de abrir o Balancete Débito Crédito Movimento ({})",
        host.Conexao().CodigoUsuario(), ComandoBalancete::kDireitoConsulta));
}

}  // namespace ParametrosWeb
