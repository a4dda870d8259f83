#pragma once
// The class registry: the host creates modules by class name. A package
// registers a factory per class at start-up (nRegisterClass) and removes it
// at close-down (nUnRegisterClass); the host and other modules then ask for
// instances by name.
//
// Two kinds of instance:
// - shared (CriarDM): one per class and name in the user's session, owned by
//   the session (TnInstanciasDM). Every CriarDM of the same class and name
//   returns the same object and counts one more use; DestruirDM releases one
//   use and frees the object with the last one; DestruirDMDefinitivo frees it
//   whatever the count. Two sessions never share an instance.
// - new (CriarDMNovo): a fresh object owned by the caller, not configured.
//
// A shared instance is configured once, when created (ConfigSobDemanda); a
// new one only when its owner calls ConfigSobDemanda. Class names compare
// without regard to case, as the host's class lookup does. Unregistering a
// class leaves its live shared instances alone: they still belong to whoever
// created them, and are freed by name as usual.
//
// The classes are the process's: registered at start-up, read by every
// session's thread (the registry locks). The instances are a session's, used
// by one thread at a time.

#include <functional>
#include <map>
#include <memory>
#include <shared_mutex>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/Exceptions.h"

// The root of every object the registry creates. The later module bases
// (TnDM and its descendants) derive from it.
class TnObjetoRegistravel {
 public:
  TnObjetoRegistravel() = default;
  virtual ~TnObjetoRegistravel() = default;
  TnObjetoRegistravel(const TnObjetoRegistravel&) = delete;
  TnObjetoRegistravel& operator=(const TnObjetoRegistravel&) = delete;

  // The registered class name (as registered) and the instance name ("" for
  // the unnamed instance); both empty for an object built directly.
  const std::string& ClassName() const { return FClassName; }
  const std::string& Name() const { return FName; }

  // Configuration of an instance on demand: the registry calls it once for a
  // shared instance; the owner of a CriarDMNovo instance calls it when needed.
  virtual void ConfigSobDemanda() {}

 private:
  friend class TnRegistroClasses;
  friend class TnInstanciasDM;
  std::string FClassName;
  std::string FName;
};

// A class of a layer that cannot derive from the registry's root (the
// accounting base library's modules) made creatable by name: the typed
// CriarDM/CriarDMNovo find the T inside.
template <class T>
class TnRegistravel : public TnObjetoRegistravel, public T {};

using TFabricaClasse = std::function<std::unique_ptr<TnObjetoRegistravel>()>;

class TnRegistroClasses {
 public:
  TnRegistroClasses() = default;
  TnRegistroClasses(const TnRegistroClasses&) = delete;
  TnRegistroClasses& operator=(const TnRegistroClasses&) = delete;

  // Raises Exception when the name is already registered (two packages
  // claiming one class is a configuration error, not something to resolve
  // silently) or empty.
  void nRegisterClass(const std::string& className, TFabricaClasse fabrica);
  // Unknown names are ignored: close-down unregisters every class a unit
  // knows, registered or not.
  void nUnRegisterClass(const std::string& className);
  bool TemClasse(const std::string& className) const;
  // Registered names in registration order.
  std::vector<std::string> ClassesRegistradas() const;

  // A new object of the class, named `name`; raises Exception for a class
  // that is not registered.
  std::unique_ptr<TnObjetoRegistravel> CriarDMNovo(const std::string& className,
                                                   const std::string& name = "") const;

 private:
  struct TClasse {
    std::string Nome;  // as registered
    TFabricaClasse Fabrica;
  };
  // Registration order is the vector's order.
  std::vector<TClasse> FClasses;
  mutable std::shared_mutex FTrava;
};

// The shared instances of one session, created through a class registry.
class TnInstanciasDM {
 public:
  explicit TnInstanciasDM(const TnRegistroClasses& registro) : FRegistro(registro) {}
  ~TnInstanciasDM();
  TnInstanciasDM(const TnInstanciasDM&) = delete;
  TnInstanciasDM& operator=(const TnInstanciasDM&) = delete;

  // Raises Exception for a class that is not registered.
  TnObjetoRegistravel& CriarDM(const std::string& className, const std::string& name = "");
  // Releases one use of the shared instance; false when there is none.
  bool DestruirDM(const std::string& className, const std::string& name = "");
  // Frees the shared instance whatever its use count; false when `modulo` is
  // not one of these shared instances (a caller-owned module is freed by its
  // owner).
  bool DestruirDMDefinitivo(const TnObjetoRegistravel* modulo);
  // The shared instance when it exists; nullptr otherwise. Never creates.
  TnObjetoRegistravel* PegarDM(const std::string& className, const std::string& name = "") const;
  // Uses counted for a shared instance (0 when it does not exist).
  int ContagemUsos(const std::string& className, const std::string& name = "") const;
  // Frees every shared instance, newest first (the session's end).
  void DestruirTodosDM();

 private:
  struct TInstancia {
    std::unique_ptr<TnObjetoRegistravel> Objeto;
    int Usos = 0;
  };
  using TChave = std::pair<std::string, std::string>;  // upper-case class, name

  void Liberar(std::map<TChave, TInstancia>::iterator it);

  const TnRegistroClasses& FRegistro;
  std::map<TChave, TInstancia> FInstancias;
  // Creation order of the shared instances, for DestruirTodosDM.
  std::vector<TChave> FOrdemCriacao;
};

// The process's class registry, and the current session's shared instances.
namespace Nutilform {

TnRegistroClasses& Registro();
// The current session's shared instances.
TnInstanciasDM& Instancias();
// Frees the current session's shared instances, newest first.
void DestruirTodosDM();

void nRegisterClass(const std::string& className, TFabricaClasse fabrica);
void nUnRegisterClass(const std::string& className);
bool TemClasse(const std::string& className);
TnObjetoRegistravel& CriarDM(const std::string& className, const std::string& name = "");
std::unique_ptr<TnObjetoRegistravel> CriarDMNovo(const std::string& className);
bool DestruirDM(const std::string& className, const std::string& name = "");
bool DestruirDMDefinitivo(const TnObjetoRegistravel* modulo);

// Registers T (default-constructible, derived from TnObjetoRegistravel).
template <class T>
void nRegisterClass(const std::string& className) {
  nRegisterClass(className, [] { return std::unique_ptr<TnObjetoRegistravel>(new T()); });
}

// The typed forms: raise Exception when the instance is not a T.
template <class T>
T& CriarDM(const std::string& className, const std::string& name = "") {
  TnObjetoRegistravel& objeto = CriarDM(className, name);
  if (T* typed = dynamic_cast<T*>(&objeto)) {
    return *typed;
  }
  DestruirDM(className, name);
  throw Exception("A classe " + className + " não é do tipo esperado");
}

template <class T>
std::unique_ptr<T> CriarDMNovo(const std::string& className) {
  std::unique_ptr<TnObjetoRegistravel> objeto = CriarDMNovo(className);
  if (T* typed = dynamic_cast<T*>(objeto.get())) {
    objeto.release();
    return std::unique_ptr<T>(typed);
  }
  throw Exception("A classe " + className + " não é do tipo esperado");
}

}  // namespace Nutilform
