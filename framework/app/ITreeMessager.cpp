#include "framework/app/ITreeMessager.h"

#include <algorithm>

namespace {

bool TemErro(const TnNoMensagem& no) {
  return no.Tipo == TTipoMensagem::tmErro ||
         std::any_of(no.Filhos.begin(), no.Filhos.end(),
                     [](const std::unique_ptr<TnNoMensagem>& filho) { return TemErro(*filho); });
}

}  // namespace

TnNoMensagem* TnArvoreMensagem::Add(TnNoMensagem* pai, TTipoMensagem tipo,
                                    const std::string& texto) {
  TnNoMensagem& destino = pai != nullptr ? *pai : FRaiz;
  destino.Filhos.push_back(std::make_unique<TnNoMensagem>(TnNoMensagem{tipo, texto, {}}));
  return destino.Filhos.back().get();
}

bool TnArvoreMensagem::TemErro() const {
  return ::TemErro(FRaiz);
}
