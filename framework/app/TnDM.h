#pragma once
// The plain data module: the root of every module the host creates by class
// name (registers, processes, services without a screen).
//
// A module owns its progress frame and its message list, and works on one
// connection: the one the host gives it (SetConexao, not owned), else the
// calling thread's current connection at the moment it asks.
//
// Menu entries are a class-level matter: the host builds its menu before any
// module exists. Each class publishes a static
//   static void GerarPrincAction(TnActionList&, const TnActionHandler&,
//                                const TnConjuntoModulos& permitidos);
// and registers it under its class name (RegistrarGerarPrincAction<T>); the
// host asks every registered contributor at once (GerarPrincActions). A
// subclass "overrides" the hook by declaring its own static of that name.
#include <functional>
#include <string>
#include <vector>

#include "framework/app/Nutilform.h"
#include "framework/app/TnAction.h"
#include "framework/app/TnFraProgresso.h"

class TnDMConexao;

class TnDM : public TnObjetoRegistravel {
 public:
  using TGerarPrincAction = std::function<void(TnActionList& lista, const TnActionHandler& handler,
                                               const TnConjuntoModulos& permitidos)>;

  TnDM() = default;
  ~TnDM() override = default;

  TnFraProgresso& GetProgresso() { return FProgresso; }
  TnListaMensagem& Mensagens() { return FMensagens; }
  const TnListaMensagem& Mensagens() const { return FMensagens; }

  // The module's connection: the one set, else TnDMConexao::Atual() (which
  // raises Exception when the thread has none).
  TnDMConexao& Conexao() const;
  void SetConexao(TnDMConexao* conexao) { FConexao = conexao; }
  TnDMConexao* ConexaoDefinida() const { return FConexao; }

  // The class-level menu hook of the base: contributes nothing.
  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);

  // The menu contributors, by class name (case-insensitive), in registration
  // order. Registering a class twice replaces its contributor.
  static void RegistrarGerarPrincAction(const std::string& className, TGerarPrincAction hook);
  template <class T>
  static void RegistrarGerarPrincAction(const std::string& className) {
    RegistrarGerarPrincAction(className, &T::GerarPrincAction);
  }
  static void RemoverGerarPrincAction(const std::string& className);
  // Runs every contributor; returns how many actions were added.
  static size_t GerarPrincActions(TnActionList& lista, const TnActionHandler& handler,
                                  const TnConjuntoModulos& permitidos);

 protected:
  // The usual entry: "act" + class name, category, caption, the handler,
  // rights controlled.
  static TnAction& AdicionarPrincAction(TnActionList& lista, const std::string& className,
                                        const std::string& categoria, const std::string& caption,
                                        const TnActionHandler& handler);

 private:
  TnDMConexao* FConexao = nullptr;  // not owned
  TnFraProgresso FProgresso;
  TnListaMensagem FMensagens;
};
