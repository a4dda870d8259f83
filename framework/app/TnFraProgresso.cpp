#include "framework/app/TnFraProgresso.h"

#include <algorithm>

#include "framework/core/Exceptions.h"

void TnFraProgresso::Iniciar(const std::string& texto, int64_t maximo) {
  FTexto = texto;
  FMaximo = std::max<int64_t>(maximo, 0);
  FPosicao = 0;
  Notificar();
}

void TnFraProgresso::SetTexto(const std::string& texto) {
  FTexto = texto;
  Notificar();
}

void TnFraProgresso::SetPosicao(int64_t posicao) {
  FPosicao = std::clamp<int64_t>(posicao, 0, FMaximo);
  Notificar();
}

int TnFraProgresso::Percentual() const {
  if (FMaximo <= 0) {
    return 0;
  }
  return static_cast<int>(FPosicao * 100 / FMaximo);
}

void TnFraProgresso::VerificarCancelamento() const {
  if (Cancelado()) {
    throw EAbort();
  }
}

void TnFraProgresso::Notificar() const {
  if (FOnAtualizar) {
    FOnAtualizar(*this);
  }
}

size_t TnListaMensagem::Quantidade(TTipoMensagem tipo) const {
  return static_cast<size_t>(std::count_if(FMensagens.begin(), FMensagens.end(),
                                           [&](const TnMensagem& m) { return m.Tipo == tipo; }));
}

std::string TnListaMensagem::Texto() const {
  std::string texto;
  for (const TnMensagem& m : FMensagens) {
    if (m.Tipo == TTipoMensagem::tmErro) {
      texto += "Erro: ";
    } else if (m.Tipo == TTipoMensagem::tmAviso) {
      texto += "Aviso: ";
    }
    texto += m.Texto + "\n";
  }
  return texto;
}
