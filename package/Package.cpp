#include "package/Package.h"

#include <memory>

#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"
#include "entries/nCtbDMLctoCtb_U.h"

namespace {

template <class T>
TFabricaClasse Fabrica() {
  return [] { return std::unique_ptr<TnObjetoRegistravel>(new T()); };
}

}  // namespace

namespace Package {

const std::vector<TClassePacote>& ClassesPacote() {
  // One line per class; a module that lands fills in its factory (and menu
  // hook) on its own line, so the order never moves.
  static const std::vector<TClassePacote> classes = {
      {"TnCtbDMLctoGerDebitoCloud", {}, {}},
      {"TnCtbDMLctoGerCreditoCloud", {}, {}},
      {"TnCtbDMLctoCtbExtemp", {}, {}},
      {"TnCtbDMLctoCtbParticipante", {}, {}},
      {TnCtbDMLctoCtbAreaTrabalho::kClassName, Fabrica<TnCtbDMLctoCtbAreaTrabalho>(),
       &TnCtbDMLctoCtbAreaTrabalho::GerarPrincAction},
      {"TnCtbDCLctoAtivDiferenc", {}, {}},
      {TnCtbDPGerarSaldoCtbIndividual::kClassName, Fabrica<TnCtbDPGerarSaldoCtbIndividual>(),
       &TnCtbDPGerarSaldoCtbIndividual::GerarPrincAction},
      {"TnCtbDCLctoCtbExtemp", {}, {}},
      {"TnCtbDMLctoCtbQ100", {}, {}},
      {"TnCtbDCOrigemLctoCtb", {}, {}},
      {"TnCtbDPConsultaBalanceteMovimento", {}, {}},
      {"TnCtbDPConsultaBalanceteMovimentoAreaTrabalhoEmprestimo", {}, {}},
      {"TnCtbDPConsultaBalanceteMovimentoAreaTrabalhoParcelamento", {}, {}},
  };
  return classes;
}

const std::vector<std::string>& ClassesConhecidas() {
  static const std::vector<std::string> nomes = [] {
    std::vector<std::string> todos;
    for (const TClassePacote& classe : ClassesPacote())
      todos.push_back(classe.Nome);
    // Reached from the menu only, never registered at start-up.
    for (const char* nome : {"TnCtbDMLctoCtb", "TnCtbDMLctoCtbCloud", "TnCtbDMLctoGer"})
      todos.emplace_back(nome);
    return todos;
  }();
  return nomes;
}

void Iniciar() {
  for (const TClassePacote& classe : ClassesPacote()) {
    if (classe.Fabrica)
      Nutilform::nRegisterClass(classe.Nome, classe.Fabrica);
    if (classe.GerarPrincAction)
      TnDM::RegistrarGerarPrincAction(classe.Nome, classe.GerarPrincAction);
  }
}

void Finalizar() {
  for (const std::string& nome : ClassesConhecidas()) {
    Nutilform::nUnRegisterClass(nome);
    TnDM::RemoverGerarPrincAction(nome);
  }
}

}  // namespace Package
