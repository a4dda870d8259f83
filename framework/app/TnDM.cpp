#include "framework/app/TnDM.h"

#include <utility>

#include "framework/core/Nutil.h"
#include "framework/db/TnDMConexao.h"

namespace {

struct TContribuidor {
  std::string Classe;  // upper case
  TnDM::TGerarPrincAction Hook;
};

std::vector<TContribuidor>& Contribuidores() {
  static std::vector<TContribuidor> contribuidores;
  return contribuidores;
}

}  // namespace

TnDMConexao& TnDM::Conexao() const {
  return FConexao != nullptr ? *FConexao : TnDMConexao::Atual();
}

void TnDM::GerarPrincAction(TnActionList& /*lista*/, const TnActionHandler& /*handler*/,
                            const TnConjuntoModulos& /*permitidos*/) {}

void TnDM::RegistrarGerarPrincAction(const std::string& className, TGerarPrincAction hook) {
  const std::string chave = Nutil::UpperCase(className);
  for (TContribuidor& contribuidor : Contribuidores()) {
    if (contribuidor.Classe == chave) {
      contribuidor.Hook = std::move(hook);
      return;
    }
  }
  Contribuidores().push_back(TContribuidor{chave, std::move(hook)});
}

void TnDM::RemoverGerarPrincAction(const std::string& className) {
  const std::string chave = Nutil::UpperCase(className);
  std::erase_if(Contribuidores(),
                [&](const TContribuidor& contribuidor) { return contribuidor.Classe == chave; });
}

size_t TnDM::GerarPrincActions(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos) {
  const size_t antes = lista.Count();
  for (const TContribuidor& contribuidor : Contribuidores()) {
    if (contribuidor.Hook)
      contribuidor.Hook(lista, handler, permitidos);
  }
  return lista.Count() - antes;
}

TnAction& TnDM::AdicionarPrincAction(TnActionList& lista, const std::string& className,
                                     const std::string& categoria, const std::string& caption,
                                     const TnActionHandler& handler) {
  TnAction& action = lista.Add("act" + className);
  action.SetCategory(categoria);
  action.SetCaption(caption);
  action.SetOnExecute(handler);
  action.SetControlaDireito(true);
  return action;
}
