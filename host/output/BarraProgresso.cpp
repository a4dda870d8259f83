#include "host/output/BarraProgresso.h"

#include <fmt/format.h>

#include <algorithm>
#include <iostream>

#include "host/common/Terminal.h"
#include "host/output/SaidaFormatos.h"

struct TBarraProgresso::TEstado {
  size_t Largura = 80;
  bool Desenhada = false;
  std::string Ultima;
};

namespace {

constexpr size_t kLarguraBarra = 30;

std::string Linha(const TnFraProgresso& progresso) {
  if (progresso.Maximo() <= 0)
    return progresso.Texto();
  const int percentual = progresso.Percentual();
  const auto cheios = static_cast<size_t>(percentual) * kLarguraBarra / 100;
  return fmt::format("[{}{}] {:3}% {}", std::string(cheios, '#'),
                     std::string(kLarguraBarra - cheios, ' '), percentual, progresso.Texto());
}

}  // namespace

TBarraProgresso::TBarraProgresso() {
  if (!Terminal::PessoaAssiste())
    return;
  FEstado = std::make_shared<TEstado>();
  if (const size_t largura = Terminal::Largura(); largura > 1)
    FEstado->Largura = largura;
}

TBarraProgresso::~TBarraProgresso() {
  Apagar();
}

TnFraProgresso::THook TBarraProgresso::Hook() {
  if (!FEstado)
    return {};
  // The last column stays free: a line that fills the terminal wraps on some
  // of them, and the carriage return would then redraw one line too low.
  return [estado = FEstado](const TnFraProgresso& progresso) {
    const std::string linha = SaidaFormatos::Primeiros(Linha(progresso), estado->Largura - 1);
    if (estado->Desenhada && linha == estado->Ultima)
      return;
    estado->Ultima = linha;
    estado->Desenhada = true;
    std::cerr << "\r\x1b[K" << linha << std::flush;
  };
}

void TBarraProgresso::Apagar() {
  if (!FEstado || !FEstado->Desenhada)
    return;
  std::cerr << "\r\x1b[K" << std::flush;
  FEstado->Desenhada = false;
}
