#include "framework/app/TnDMPersonalizacao.h"

#include "framework/db/TnSessao.h"

std::unique_ptr<TnDMPersonalizacao> TnDMPersonalizacao::Derivar(TnSessao& /*nova*/) const {
  return std::make_unique<TnDMPersonalizacao>(*this);
}

TnDMPersonalizacao* nDMPersonalizacao() {
  TnSessao* sessao = TnSessao::AtualOuNula();
  return sessao ? sessao->Procurar<TnDMPersonalizacao>() : nullptr;
}

void SetnDMPersonalizacao(TnDMPersonalizacao* personalizacao) {
  TnSessao::Atual().Emprestar(personalizacao);
}
