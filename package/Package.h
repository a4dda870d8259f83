#pragma once
// The module's registration entry: what the host calls when it loads the
// module (Iniciar) and when it unloads it (Finalizar).
//
// Start-up registers, in one fixed order, the classes the host must be able
// to create by name, and publishes the menu actions of the menu-reachable
// ones. Close-down unregisters every class of the module the host knows by
// name, registered at start-up or reachable only from the menu, and takes
// their menu actions back. Neither does anything else.

#include <string>
#include <vector>

#include "framework/app/Nutilform.h"
#include "framework/app/TnDM.h"

namespace Package {

struct TClassePacote {
  std::string Nome;
  // Empty while the class's module is not part of the build: the entry keeps
  // the class's place in the order.
  TFabricaClasse Fabrica;
  // The class's menu hook; empty for classes without a menu entry.
  TnDM::TGerarPrincAction GerarPrincAction;
};

// The start-up table, in registration order.
const std::vector<TClassePacote>& ClassesPacote();
// Every class name close-down unregisters.
const std::vector<std::string>& ClassesConhecidas();

// Raises Exception (from the registry) when a class is already registered:
// two loads of the module are a host error.
void Iniciar();
void Finalizar();

}  // namespace Package
