#pragma once
// The class registry: the host creates modules by class name. A package
// registers a factory per class at start-up (nRegisterClass) and removes it
// at close-down (nUnRegisterClass); the host and other modules then ask for
// instances by name.
//
// Two kinds of instance:
// - shared (CriarDM): one per class and name, owned by the registry. Every
//   CriarDM of the same class and name returns the same object and counts
//   one more use; DestruirDM releases one use and frees the object with the
//   last one; DestruirDMDefinitivo frees it whatever the count.
// - new (CriarDMNovo): a fresh object owned by the caller, not configured.
//
// A shared instance is configured once, when created (ConfigSobDemanda); a
// new one only when its owner calls ConfigSobDemanda. Class names compare
// without regard to case, as the host's class lookup does. Unregistering a
// class leaves its live shared instances alone: they still belong to whoever
// created them, and are freed by name as usual.
//
// Not thread-safe: the registry is used from the host's UI (or request)
// thread only.

#include <functional>
#include <map>
#include <memory>
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
  std::string FClassName;
  std::string FName;
};

using TFabricaClasse = std::function<std::unique_ptr<TnObjetoRegistravel>()>;

class TnRegistroClasses {
 public:
  TnRegistroClasses() = default;
  ~TnRegistroClasses();
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

  // Raise Exception for a class that is not registered.
  TnObjetoRegistravel& CriarDM(const std::string& className, const std::string& name = "");
  std::unique_ptr<TnObjetoRegistravel> CriarDMNovo(const std::string& className);

  // Releases one use of the shared instance; false when there is none.
  bool DestruirDM(const std::string& className, const std::string& name = "");
  // Frees the shared instance whatever its use count; false when `modulo` is
  // not a shared instance of this registry (a caller-owned module is freed
  // by its owner).
  bool DestruirDMDefinitivo(const TnObjetoRegistravel* modulo);
  // The shared instance when it exists; nullptr otherwise. Never creates.
  TnObjetoRegistravel* PegarDM(const std::string& className, const std::string& name = "") const;
  // Uses counted for a shared instance (0 when it does not exist).
  int ContagemUsos(const std::string& className, const std::string& name = "") const;
  // Frees every shared instance, newest first (host shut-down).
  void DestruirTodosDM();

 private:
  struct TClasse {
    std::string Nome;  // as registered
    TFabricaClasse Fabrica;
  };
  struct TInstancia {
    std::unique_ptr<TnObjetoRegistravel> Objeto;
    int Usos = 0;
  };
  using TChave = std::pair<std::string, std::string>;  // upper-case class, name

  const TClasse& Classe(const std::string& className) const;
  std::unique_ptr<TnObjetoRegistravel> Instanciar(const TClasse& classe,
                                                  const std::string& name) const;
  void Liberar(std::map<TChave, TInstancia>::iterator it);

  // Registration order is the vector's order.
  std::vector<TClasse> FClasses;
  std::map<TChave, TInstancia> FInstancias;
  // Creation order of the shared instances, for DestruirTodosDM.
  std::vector<TChave> FOrdemCriacao;
};

// The process-wide registry the host and the modules share.
namespace Nutilform {

TnRegistroClasses& Registro();

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
