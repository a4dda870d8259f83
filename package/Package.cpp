#include "package/Package.h"

#include <memory>

#include "activities/nCtbDMLctoAtivDiferenc_U.h"
#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"
#include "chart/ConsultaPlano.h"
#include "chart/ConsultaPlanoFiltros.h"
#include "entries/nCtbDMLctoCtbCloud_U.h"
#include "entries/nCtbDMLctoCtb_U.h"
#include "entries/nCtbDMNotaExplicaPeriodo_U.h"
#include "entries/nCtbDPLctoCtbAnalitico_U.h"
#include "entries/nDMLancamentoAutomatico_U.h"
#include "entries/nDMLancamentoProgramado_U.h"
#include "framework/ctb/TnDMValorSaldoDebCred.h"
#include "managerial/nCtbDMLctoGer_U.h"
#include "posting/Npowerpinserelctoctb_u.h"
#include "registers/nCtbDCLctoCtbExtemp_U.h"
#include "registers/nCtbDCOrigemLctoCtb_U.h"
#include "registers/nCtbDMCentroCustoConta_U.h"
#include "registers/nCtbDMLctoCtbExtemp_U.h"
#include "registers/nCtbDMLctoCtbParticipante_U.h"
#include "registers/nCtbDMLctoCtbQ100_U.h"
#include "registers/nCtbDMRelacLctoCtbIFRS_U.h"
#include "trialbalance/nCtbDPConsultaBalanceteMovimento_U.h"
#include "trialbalance/nCtbDPGerarSaldoGerIndividual_U.h"

namespace {

template <class T>
TFabricaClasse Fabrica() {
  return [] { return std::unique_ptr<TnObjetoRegistravel>(new T()); };
}

}  // namespace

namespace Package {

const std::vector<TClassePacote>& ClassesPacote() {
  using enum TTipoClasse;
  using TEmprestimo = TnCtbDPConsultaBalanceteMovimentoAreaTrabalhoEmprestimo;
  using TParcelamento = TnCtbDPConsultaBalanceteMovimentoAreaTrabalhoParcelamento;
  // One line per class; a module that lands fills in its factory (and menu
  // hook) on its own line, so the order never moves.
  static const std::vector<TClassePacote> classes = {
      {TnCtbDMLctoGerDebitoCloud::kClassName, tcInicio, Fabrica<TnCtbDMLctoGerDebitoCloud>(),
       &TnCtbDMLctoGerDebitoCloud::GerarPrincAction},
      {TnCtbDMLctoGerCreditoCloud::kClassName, tcInicio, Fabrica<TnCtbDMLctoGerCreditoCloud>(),
       &TnCtbDMLctoGerCreditoCloud::GerarPrincAction},
      {TnCtbDMLctoCtbExtemp::kClassName, tcInicio, Fabrica<TnCtbDMLctoCtbExtemp>(),
       &TnCtbDMLctoCtbExtemp::GerarPrincAction},
      {TnCtbDMLctoCtbParticipante::kClassName, tcInicio, Fabrica<TnCtbDMLctoCtbParticipante>(),
       &TnCtbDMLctoCtbParticipante::GerarPrincAction},
      {TnCtbDMLctoCtbAreaTrabalho::kClassName, tcInicio, Fabrica<TnCtbDMLctoCtbAreaTrabalho>(),
       &TnCtbDMLctoCtbAreaTrabalho::GerarPrincAction},
      {TnCtbDCLctoAtivDiferenc::kClassName, tcInicio, Fabrica<TnCtbDCLctoAtivDiferenc>(),
       &TnCtbDCLctoAtivDiferenc::GerarPrincAction},
      {TnCtbDPGerarSaldoCtbIndividual::kClassName, tcInicio,
       Fabrica<TnCtbDPGerarSaldoCtbIndividual>(),
       &TnCtbDPGerarSaldoCtbIndividual::GerarPrincAction},
      {TnCtbDCLctoCtbExtemp::kClassName, tcInicio, Fabrica<TnCtbDCLctoCtbExtemp>(),
       &TnCtbDCLctoCtbExtemp::GerarPrincAction},
      {TnCtbDMLctoCtbQ100::kClassName, tcInicio, Fabrica<TnCtbDMLctoCtbQ100>(),
       &TnCtbDMLctoCtbQ100::GerarPrincAction},
      {TnCtbDCOrigemLctoCtb::kClassName, tcInicio, Fabrica<TnCtbDCOrigemLctoCtb>(),
       &TnCtbDCOrigemLctoCtb::GerarPrincAction},
      {TnCtbDPConsultaBalanceteMovimento::kClassName, tcInicio,
       Fabrica<TnCtbDPConsultaBalanceteMovimento>(),
       &TnCtbDPConsultaBalanceteMovimento::GerarPrincAction},
      {TEmprestimo::kClassName, tcInicio, Fabrica<TEmprestimo>(), &TEmprestimo::GerarPrincAction},
      {TParcelamento::kClassName, tcInicio, Fabrica<TParcelamento>(),
       &TParcelamento::GerarPrincAction},
      {TnCtbDMLctoCtb::kClassName, tcMenu, Fabrica<TnCtbDMLctoCtb>(),
       &TnCtbDMLctoCtb::GerarPrincAction},
      {TnCtbDMLctoCtbCloud::kClassName, tcMenu, Fabrica<TnCtbDMLctoCtbCloud>(),
       &TnCtbDMLctoCtbCloud::GerarPrincAction},
      {TnCtbDMLctoGer::kClassName, tcMenu, Fabrica<TnCtbDMLctoGer>(),
       &TnCtbDMLctoGer::GerarPrincAction},
      {TnCtbDMLctoAtivDiferenc::kClassName, tcMenu, Fabrica<TnCtbDMLctoAtivDiferenc>(),
       &TnCtbDMLctoAtivDiferenc::GerarPrincAction},
      {TnPowerPInsereLctoCtb::kClassName, tcMenu, Fabrica<TnPowerPInsereLctoCtb>(), {}},
      {TnCtbDMRelacLctoCtbIFRS::kClassName, tcMenu, Fabrica<TnCtbDMRelacLctoCtbIFRS>(),
       &TnCtbDMRelacLctoCtbIFRS::GerarPrincAction},
      {TnCtbFCPlanoEspec::kClassName, tcMenu, Fabrica<TnCtbFCPlanoEspec>(), {}},
      {TnCtbDMCentroCustoConta::kClassName, tcMenu, Fabrica<TnCtbDMCentroCustoConta>(),
       &TnCtbDMCentroCustoConta::GerarPrincAction},
      {TnCtbFCPlanoEspecFiltros::kClassName, tcMenu, Fabrica<TnCtbFCPlanoEspecFiltros>(), {}},
      {TnCtbDPGerarSaldoGerIndividual::kClassName,
       tcOutroModulo,
       Fabrica<TnCtbDPGerarSaldoGerIndividual>(),
       {}},
      {TnDMValorSaldoDebCred::kClassName,
       tcOutroModulo,
       Fabrica<TnRegistravel<TnDMValorSaldoDebCred>>(),
       {}},
      {TnCtbDPLctoCtbAnalitico::kClassName, tcOutroModulo, Fabrica<TnCtbDPLctoCtbAnalitico>(), {}},
      {TnCtbDMNotaExplicaPeriodo::kClassName,
       tcOutroModulo,
       Fabrica<TnCtbDMNotaExplicaPeriodo>(),
       {}},
      {TnDMLancamentoProgramado::kClassName,
       tcOutroModulo,
       Fabrica<TnDMLancamentoProgramado>(),
       {}},
      {TnDMLancamentoAutomatico::kClassName,
       tcOutroModulo,
       Fabrica<TnDMLancamentoAutomatico>(),
       {}},
  };
  return classes;
}

const std::vector<std::string>& ClassesConhecidas() {
  static const std::vector<std::string> nomes = [] {
    std::vector<std::string> todos;
    for (const TClassePacote& classe : ClassesPacote())
      todos.push_back(classe.Nome);
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

bool Carregado() {
  for (const TClassePacote& classe : ClassesPacote())
    if (classe.Fabrica && Nutilform::TemClasse(classe.Nome))
      return true;
  return false;
}

}  // namespace Package
