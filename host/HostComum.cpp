#include "host/HostComum.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "framework/app/TnUtilConsultaWeb.h"
#include "framework/core/Exceptions.h"
#include "framework/data/ClientDataSet.h"
#include "framework/db/TnDMConexao.h"
#include "host/LinhaComando.h"
#include "package/Package.h"

namespace HostComum {

nlohmann::ordered_json RegistroJson(const TnClientDataSet& dataSet) {
  return TnUtilConsultaWeb::RegistroJson(dataSet);
}

void CarregarPacote() {
  if (!Package::Carregado())
    Package::Iniciar();
}

std::string ErroDeSintaxe(const std::string& texto, const nlohmann::json::parse_error& erro) {
  const auto lido =
      texto.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(erro.byte, texto.size()));
  const auto linha = std::count(texto.begin(), lido, '\n') + 1;
  const auto coluna = lido - std::find(std::make_reverse_iterator(lido), texto.rend(), '\n').base();
  return "erro de sintaxe na linha " + std::to_string(linha) + ", coluna " + std::to_string(coluna);
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
  return LinhaComando::Data(texto, opcao);
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
