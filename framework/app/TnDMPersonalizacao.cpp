#include "framework/app/TnDMPersonalizacao.h"

#include <atomic>

namespace {

std::atomic<TnDMPersonalizacao*> gPersonalizacao{nullptr};

}  // namespace

TnDMPersonalizacao* nDMPersonalizacao() {
  return gPersonalizacao.load();
}

void SetnDMPersonalizacao(TnDMPersonalizacao* personalizacao) {
  gPersonalizacao.store(personalizacao);
}
