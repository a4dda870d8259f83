#include "host/HostComum.h"

#include <fmt/format.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "framework/app/TnUtilConsultaWeb.h"
#include "framework/core/Exceptions.h"
#include "framework/data/ClientDataSet.h"
#include "framework/db/TnDMConexao.h"
#include "package/Package.h"

namespace HostComum {

nlohmann::ordered_json RegistroJson(const TnClientDataSet& dataSet) {
  return TnUtilConsultaWeb::RegistroJson(dataSet);
}

void CarregarPacote() {
  if (!Package::Carregado())
    Package::Iniciar();
}

TDateTime DataMinima() {
  return EncodeDate(1900, 1, 1);
}

TDateTime DataMaxima() {
  return EncodeDate(9999, 12, 31);
}

TDateTime DataDaOpcao(const std::string& texto, const char* opcao, TDateTime padrao) {
  if (texto.empty())
    return padrao;
  const std::optional<TDateTime> lida = ParseDate(texto);
  if (!lida)
    throw Exception(
        fmt::format("Data inválida em {}: \"{}\" (use AAAA-MM-DD ou dd/mm/aaaa)", opcao, texto));
  return DateOf(*lida);
}

TArquivoTemporario::TArquivoTemporario() {
  char modelo[] = "/tmp/ctb-XXXXXX";
  const int descritor = ::mkstemp(modelo);
  if (descritor < 0)
    throw Exception("Não foi possível criar um arquivo temporário");
  ::close(descritor);
  FCaminho = modelo;
}

TArquivoTemporario::~TArquivoTemporario() {
  std::remove(FCaminho.c_str());
}

}  // namespace HostComum
