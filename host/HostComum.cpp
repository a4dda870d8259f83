#include "host/HostComum.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

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
