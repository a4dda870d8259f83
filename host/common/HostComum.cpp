#include "host/common/HostComum.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string_view>

#include "framework/app/TnUtilConsultaWeb.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/data/ClientDataSet.h"
#include "framework/db/TnDMConexao.h"
#include "host/common/LinhaComando.h"
#include "package/Package.h"

namespace HostComum {

nlohmann::ordered_json RegistroJson(const TnClientDataSet& dataSet) {
  return TnUtilConsultaWeb::RegistroJson(dataSet);
}

void CarregarPacote() {
  if (!Package::Carregado())
    Package::Iniciar();
}

std::string InicioDoArquivo(const std::string& arquivo, size_t limite, const std::string& oQue) {
  std::ifstream entrada(arquivo, std::ios::binary);
  if (!entrada)
    throw Exception("Não foi possível abrir " + oQue + " " + arquivo);
  std::string texto(limite + 1, '\0');
  entrada.read(texto.data(), static_cast<std::streamsize>(texto.size()));
  texto.resize(static_cast<size_t>(entrada.gcount()));
  return texto;
}

std::string ErroDeSintaxe(const std::string& texto, size_t byte) {
  const std::string_view antes(texto.data(), std::min(byte == 0 ? 0 : byte - 1, texto.size()));
  const size_t inicioLinha = antes.rfind('\n') + 1;  // npos + 1: the first line
  return "erro de sintaxe na linha " +
         std::to_string(std::count(antes.begin(), antes.end(), '\n') + 1) + ", coluna " +
         std::to_string(Nutil::Caracteres(std::string(antes.substr(inicioLinha))) + 1);
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
