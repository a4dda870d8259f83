#pragma once
// One user's work with the engine: the connection he works through and every
// service bound to him (rights, selection, dialogs, personalisation, the
// settings caches, remembered process parameters). The host owns one session
// per signed-in user (the command line has one); a web server holds many in
// one process, so nothing a user sees may live anywhere else.
//
// Services are held by type, one instance of each per session. The layers
// above the database keep their services here and reach them through their
// own accessors (ControleCTB(), nDMSelecao() ...), which forward to the
// calling thread's current session: the only per-thread state left.
//
// A session is used by one thread at a time. A parallel run gets a session of
// its own from Derivar: a clone of the connection, a copy of the services that
// say how they cross to a worker (a `Derivar(TnSessao&) const` member), and
// empty caches; it hands back only its result.

#include <concepts>
#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "framework/db/TnDMConexao.h"

class TnSessao;

// A service that crosses to a worker's session says how.
template <class T>
concept CServicoDerivavel = requires(const T& servico, TnSessao& nova) {
  { servico.Derivar(nova) } -> std::convertible_to<std::unique_ptr<T>>;
};

class TnSessao {
 public:
  // Works through a connection of its own.
  explicit TnSessao(std::unique_ptr<TnDMConexao> conexao);
  // Works through a connection the caller keeps alive for the session's life.
  explicit TnSessao(TnDMConexao& conexao);
  ~TnSessao();
  TnSessao(const TnSessao&) = delete;
  TnSessao& operator=(const TnSessao&) = delete;

  TnDMConexao& Conexao() const { return *FConexao; }

  // The session's service of type T, made on first use: from the session
  // when T can be built from it, else default-built.
  template <class T>
  T& Servico() {
    if (T* achado = Procurar<T>())
      return *achado;
    if constexpr (std::is_constructible_v<T, TnSessao&>)
      return Instalar(std::make_shared<T>(*this));
    else
      return Instalar(std::make_shared<T>());
  }

  // The installed service of type T; nullptr when there is none.
  template <class T>
  T* Procurar() const {
    const size_t indice = IndiceServico<T>();
    return indice < FServicos.size() ? static_cast<T*>(FServicos[indice].Objeto.get()) : nullptr;
  }

  // The installed service of type T with shared ownership; empty when there
  // is none.
  template <class T>
  std::shared_ptr<T> Compartilhado() const {
    const size_t indice = IndiceServico<T>();
    return indice < FServicos.size() ? std::static_pointer_cast<T>(FServicos[indice].Objeto)
                                     : nullptr;
  }

  // Installs T (replacing the one there); the session shares its ownership.
  template <class T>
  T& Instalar(std::shared_ptr<T> servico) {
    T& instalado = *servico;
    Guardar(IndiceServico<T>(), std::shared_ptr<void>(std::move(servico)), CopiadorDe<T>());
    return instalado;
  }

  // Installs T that the caller keeps alive while it is installed; nullptr
  // removes the service.
  template <class T>
  void Emprestar(T* servico) {
    Guardar(IndiceServico<T>(), std::shared_ptr<void>(servico, [](void*) {}),
            servico ? CopiadorDe<T>() : nullptr);
  }

  // A session for a worker thread over a clone of `conexao` (usually this
  // session's own): the services that cross are copied, the rest start anew.
  std::unique_ptr<TnSessao> Derivar(const TnDMConexao& conexao) const;

  // The calling thread's current session. Atual raises Exception when none
  // was set. Not owned.
  static TnSessao& Atual();
  static TnSessao* AtualOuNula();
  static void SetAtual(TnSessao* sessao);

 private:
  using TCopiador = std::shared_ptr<void> (*)(const void* servico, TnSessao& nova);
  struct TEntrada {
    std::shared_ptr<void> Objeto;
    TCopiador Copiador = nullptr;
  };

  // Each service type gets a small number the first time it is used, so a
  // session finds its services by index instead of by name or address.
  static size_t NovoIndiceServico();
  template <class T>
  static size_t IndiceServico() {
    static const size_t indice = NovoIndiceServico();
    return indice;
  }

  template <class T>
  static TCopiador CopiadorDe() {
    if constexpr (CServicoDerivavel<T>)
      return [](const void* servico, TnSessao& nova) -> std::shared_ptr<void> {
        return std::shared_ptr<T>(static_cast<const T*>(servico)->Derivar(nova));
      };
    else
      return nullptr;
  }

  void Guardar(size_t indice, std::shared_ptr<void> objeto, TCopiador copiador);

  // Set at creation.
  std::unique_ptr<TnDMConexao> FConexaoPropria;
  TnDMConexao* FConexao;
  // By service index; an empty entry is a service not installed.
  std::vector<TEntrada> FServicos;
  // The installed indices in the order installed, for freeing newest first.
  std::vector<size_t> FOrdem;
};

// Makes a session the calling thread's current one and puts the previous one
// back when it goes out of scope.
class TUsarSessao {
 public:
  explicit TUsarSessao(TnSessao& sessao);
  ~TUsarSessao();
  TUsarSessao(const TUsarSessao&) = delete;
  TUsarSessao& operator=(const TUsarSessao&) = delete;

 private:
  TnSessao* FAnterior;
};

// Runs a block on a connection: in the current session when it already works
// through that connection, else in a session of its own over it (current
// until the guard goes out of scope). For code handed a bare connection.
class TUsarConexao {
 public:
  explicit TUsarConexao(TnDMConexao& conexao);
  TUsarConexao(const TUsarConexao&) = delete;
  TUsarConexao& operator=(const TUsarConexao&) = delete;

  TnSessao& Sessao() const { return FPropria ? *FPropria : *FAtual; }

 private:
  TnSessao* FAtual;
  std::unique_ptr<TnSessao> FPropria;
  std::unique_ptr<TUsarSessao> FUso;
};
