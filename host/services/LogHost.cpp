#include "host/services/LogHost.h"

#include <fmt/format.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "framework/app/NutilAmbiente.h"
#include "framework/core/Exceptions.h"

namespace LogHost {

namespace {

constexpr const char* kVariavel = "CTB_LOG";
constexpr size_t kTamanhoMaximo = 4096;

}  // namespace

void Instalar() {
  const char* caminho = std::getenv(kVariavel);
  if (caminho == nullptr || *caminho == '\0') {
    Nutil::SetLogSink([](const Nutil::TLinhaLog&) {});
    return;
  }
  const std::string arquivo(caminho);
  if (arquivo.size() > kTamanhoMaximo)
    throw Exception(fmt::format("{}: o nome do arquivo de log passa de {} caracteres", kVariavel,
                                kTamanhoMaximo));
  auto saida = std::make_shared<std::ofstream>(arquivo, std::ios::app);
  if (!*saida)
    throw Exception(
        fmt::format("{}: não foi possível abrir o arquivo de log {}", kVariavel, arquivo));
  Nutil::SetLogSink([saida](const Nutil::TLinhaLog& linha) {
    *saida << Nutil::TextoLinhaLog(linha) << '\n' << std::flush;
  });
}

}  // namespace LogHost
