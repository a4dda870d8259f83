#include "framework/app/Nutilform.h"

#include <algorithm>
#include <mutex>

#include "framework/core/Nutil.h"
#include "framework/db/TnSessao.h"

namespace {

std::string Normalizar(const std::string& text) {
  return Nutil::UpperCase(Nutil::Trim(text));
}

}  // namespace

void TnRegistroClasses::nRegisterClass(const std::string& className, TFabricaClasse fabrica) {
  if (Nutil::Trim(className).empty() || !fabrica) {
    throw Exception("Registro de classe sem nome ou sem fábrica");
  }
  const std::string chave = Normalizar(className);
  std::unique_lock trava(FTrava);
  if (std::any_of(FClasses.begin(), FClasses.end(),
                  [&](const TClasse& c) { return Normalizar(c.Nome) == chave; })) {
    throw Exception("Classe já registrada: " + className);
  }
  FClasses.push_back(TClasse{className, std::move(fabrica)});
}

void TnRegistroClasses::nUnRegisterClass(const std::string& className) {
  const std::string chave = Normalizar(className);
  std::unique_lock trava(FTrava);
  std::erase_if(FClasses, [&](const TClasse& c) { return Normalizar(c.Nome) == chave; });
}

bool TnRegistroClasses::TemClasse(const std::string& className) const {
  const std::string chave = Normalizar(className);
  std::shared_lock trava(FTrava);
  return std::any_of(FClasses.begin(), FClasses.end(),
                     [&](const TClasse& c) { return Normalizar(c.Nome) == chave; });
}

std::vector<std::string> TnRegistroClasses::ClassesRegistradas() const {
  std::shared_lock trava(FTrava);
  std::vector<std::string> nomes;
  nomes.reserve(FClasses.size());
  for (const TClasse& c : FClasses) {
    nomes.push_back(c.Nome);
  }
  return nomes;
}

std::unique_ptr<TnObjetoRegistravel> TnRegistroClasses::CriarDMNovo(const std::string& className,
                                                                    const std::string& name) const {
  const std::string chave = Normalizar(className);
  TClasse classe;
  {
    std::shared_lock trava(FTrava);
    auto achou = std::find_if(FClasses.begin(), FClasses.end(),
                              [&](const TClasse& c) { return Normalizar(c.Nome) == chave; });
    if (achou == FClasses.end()) {
      throw Exception("Classe não registrada: " + className);
    }
    classe = *achou;
  }
  // The factory runs outside the lock: it may reach the registry itself.
  std::unique_ptr<TnObjetoRegistravel> objeto = classe.Fabrica();
  if (!objeto) {
    throw Exception("A fábrica da classe " + classe.Nome + " não criou o objeto");
  }
  objeto->FClassName = classe.Nome;
  objeto->FName = name;
  return objeto;
}

TnInstanciasDM::~TnInstanciasDM() {
  DestruirTodosDM();
}

TnObjetoRegistravel& TnInstanciasDM::CriarDM(const std::string& className,
                                             const std::string& name) {
  const TChave chave{Normalizar(className), Normalizar(name)};
  auto it = FInstancias.find(chave);
  if (it != FInstancias.end()) {
    ++it->second.Usos;
    return *it->second.Objeto;
  }
  std::unique_ptr<TnObjetoRegistravel> objeto = FRegistro.CriarDMNovo(className, name);
  // Configured before it becomes visible: a configuration that fails leaves
  // no half-built shared instance behind.
  objeto->ConfigSobDemanda();
  TInstancia& instancia = FInstancias[chave];
  instancia.Objeto = std::move(objeto);
  instancia.Usos = 1;
  FOrdemCriacao.push_back(chave);
  return *instancia.Objeto;
}

void TnInstanciasDM::Liberar(std::map<TChave, TInstancia>::iterator it) {
  std::erase(FOrdemCriacao, it->first);
  // Detached before it is destroyed, so a destructor that reaches the
  // registry (freeing its own companions by name) finds a consistent map.
  std::unique_ptr<TnObjetoRegistravel> objeto = std::move(it->second.Objeto);
  FInstancias.erase(it);
  objeto.reset();
}

bool TnInstanciasDM::DestruirDM(const std::string& className, const std::string& name) {
  auto it = FInstancias.find(TChave{Normalizar(className), Normalizar(name)});
  if (it == FInstancias.end()) {
    return false;
  }
  if (--it->second.Usos <= 0) {
    Liberar(it);
  }
  return true;
}

bool TnInstanciasDM::DestruirDMDefinitivo(const TnObjetoRegistravel* modulo) {
  for (auto it = FInstancias.begin(); it != FInstancias.end(); ++it) {
    if (it->second.Objeto.get() == modulo) {
      Liberar(it);
      return true;
    }
  }
  return false;
}

TnObjetoRegistravel* TnInstanciasDM::PegarDM(const std::string& className,
                                             const std::string& name) const {
  auto it = FInstancias.find(TChave{Normalizar(className), Normalizar(name)});
  return it == FInstancias.end() ? nullptr : it->second.Objeto.get();
}

int TnInstanciasDM::ContagemUsos(const std::string& className, const std::string& name) const {
  auto it = FInstancias.find(TChave{Normalizar(className), Normalizar(name)});
  return it == FInstancias.end() ? 0 : it->second.Usos;
}

void TnInstanciasDM::DestruirTodosDM() {
  while (!FOrdemCriacao.empty()) {
    auto it = FInstancias.find(FOrdemCriacao.back());
    if (it == FInstancias.end()) {
      FOrdemCriacao.pop_back();
      continue;
    }
    Liberar(it);
  }
}

namespace Nutilform {

TnRegistroClasses& Registro() {
  static TnRegistroClasses registro;
  return registro;
}

TnInstanciasDM& Instancias() {
  TnSessao& sessao = TnSessao::Atual();
  if (TnInstanciasDM* instancias = sessao.Procurar<TnInstanciasDM>())
    return *instancias;
  return sessao.Instalar(std::make_shared<TnInstanciasDM>(Registro()));
}

void DestruirTodosDM() {
  if (TnSessao* sessao = TnSessao::AtualOuNula())
    if (TnInstanciasDM* instancias = sessao->Procurar<TnInstanciasDM>())
      instancias->DestruirTodosDM();
}

void nRegisterClass(const std::string& className, TFabricaClasse fabrica) {
  Registro().nRegisterClass(className, std::move(fabrica));
}
void nUnRegisterClass(const std::string& className) {
  Registro().nUnRegisterClass(className);
}
bool TemClasse(const std::string& className) {
  return Registro().TemClasse(className);
}
TnObjetoRegistravel& CriarDM(const std::string& className, const std::string& name) {
  return Instancias().CriarDM(className, name);
}
std::unique_ptr<TnObjetoRegistravel> CriarDMNovo(const std::string& className) {
  return Registro().CriarDMNovo(className);
}
bool DestruirDM(const std::string& className, const std::string& name) {
  return Instancias().DestruirDM(className, name);
}
bool DestruirDMDefinitivo(const TnObjetoRegistravel* modulo) {
  return Instancias().DestruirDMDefinitivo(modulo);
}

}  // namespace Nutilform
