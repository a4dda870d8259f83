#include "framework/db/TnSessao.h"

#include <algorithm>
#include <atomic>

#include "framework/core/Exceptions.h"

namespace {

// The one piece of per-thread state: which session the calling thread works
// in. Everything else belongs to a session.
thread_local TnSessao* gSessaoAtual = nullptr;

std::atomic<size_t> gProximoIndiceServico{0};

}  // namespace

TnSessao::TnSessao(std::unique_ptr<TnDMConexao> conexao)
    : FConexaoPropria(std::move(conexao)), FConexao(FConexaoPropria.get()) {}

TnSessao::TnSessao(TnDMConexao& conexao) : FConexao(&conexao) {}

TnSessao::~TnSessao() {
  // Services go newest first, before the connection they may read through,
  // with their session current: a module freed here may still reach its
  // settings. Then the session is current nowhere.
  // A service freed here may itself reach (and so create) another one: each
  // is taken out of the order before it goes, and the loop runs until none
  // is left.
  TnSessao* anterior = gSessaoAtual == this ? nullptr : gSessaoAtual;
  gSessaoAtual = this;
  while (!FOrdem.empty()) {
    const size_t indice = FOrdem.back();
    FOrdem.pop_back();
    std::shared_ptr<void> objeto = std::move(FServicos[indice].Objeto);
    FServicos[indice] = TEntrada{};
    objeto.reset();
  }
  gSessaoAtual = anterior;
}

size_t TnSessao::NovoIndiceServico() {
  return gProximoIndiceServico.fetch_add(1);
}

void TnSessao::Guardar(size_t indice, std::shared_ptr<void> objeto, TCopiador copiador) {
  if (indice >= FServicos.size())
    FServicos.resize(indice + 1);
  const bool instalado = objeto != nullptr;
  std::erase(FOrdem, indice);
  if (instalado)
    FOrdem.push_back(indice);
  FServicos[indice] = TEntrada{std::move(objeto), instalado ? copiador : nullptr};
}

std::unique_ptr<TnSessao> TnSessao::Derivar(const TnDMConexao& conexao) const {
  auto nova = std::make_unique<TnSessao>(conexao.Clonar());
  for (size_t indice : FOrdem) {
    const TEntrada& entrada = FServicos[indice];
    if (entrada.Copiador)
      nova->Guardar(indice, entrada.Copiador(entrada.Objeto.get(), *nova), entrada.Copiador);
  }
  return nova;
}

TnSessao& TnSessao::Atual() {
  if (!gSessaoAtual)
    throw Exception("Nenhuma sessão foi aberta para esta thread");
  return *gSessaoAtual;
}

TnSessao* TnSessao::AtualOuNula() {
  return gSessaoAtual;
}

void TnSessao::SetAtual(TnSessao* sessao) {
  gSessaoAtual = sessao;
}

TUsarSessao::TUsarSessao(TnSessao& sessao) : FAnterior(TnSessao::AtualOuNula()) {
  TnSessao::SetAtual(&sessao);
}

TUsarSessao::~TUsarSessao() {
  TnSessao::SetAtual(FAnterior);
}

TUsarConexao::TUsarConexao(TnDMConexao& conexao) : FAtual(TnSessao::AtualOuNula()) {
  if (FAtual && &FAtual->Conexao() == &conexao)
    return;
  FPropria = std::make_unique<TnSessao>(conexao);
  FUso = std::make_unique<TUsarSessao>(*FPropria);
}
