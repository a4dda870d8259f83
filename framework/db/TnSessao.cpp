#include "framework/db/TnSessao.h"

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
  // A session that ends must not stay current on this thread. Services go
  // before the connection they may read through.
  if (gSessaoAtual == this)
    gSessaoAtual = nullptr;
  FServicos.clear();
}

size_t TnSessao::NovoIndiceServico() {
  return gProximoIndiceServico.fetch_add(1);
}

void TnSessao::Guardar(size_t indice, std::shared_ptr<void> objeto, TCopiador copiador) {
  if (indice >= FServicos.size())
    FServicos.resize(indice + 1);
  const bool instalado = objeto != nullptr;
  FServicos[indice] = TEntrada{std::move(objeto), instalado ? copiador : nullptr};
}

std::unique_ptr<TnSessao> TnSessao::Derivar(const TnDMConexao& conexao) const {
  auto nova = std::make_unique<TnSessao>(conexao.Clonar());
  nova->FServicos.resize(FServicos.size());
  for (size_t i = 0; i < FServicos.size(); ++i) {
    const TEntrada& entrada = FServicos[i];
    if (entrada.Objeto && entrada.Copiador)
      nova->FServicos[i] =
          TEntrada{entrada.Copiador(entrada.Objeto.get(), *nova), entrada.Copiador};
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
