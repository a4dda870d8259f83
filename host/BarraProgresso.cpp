#include "host/BarraProgresso.h"

#include <fmt/format.h>

#include <algorithm>
#include <iostream>

#include "host/Terminal.h"

struct TBarraProgresso::TEstado {
  size_t Largura = 80;
  bool Desenhada = false;
  std::string Ultima;
};

namespace {

constexpr size_t kLarguraBarra = 30;

// The first `largura` characters of a UTF-8 text.
std::string Cortar(const std::string& texto, size_t largura) {
  size_t caracteres = 0;
  for (size_t i = 0; i < texto.size(); ++i) {
    if ((static_cast<unsigned char>(texto[i]) & 0xC0) != 0x80 && caracteres++ == largura)
      return texto.substr(0, i);
  }
  return texto;
}

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
    const std::string linha = Cortar(Linha(progresso), estado->Largura - 1);
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
