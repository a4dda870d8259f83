#pragma once
// The module's registration entry: what the host calls when it loads the
// module (Iniciar) and when it unloads it (Finalizar). The table here is the
// only list of the module's classes: no other code registers them.
//
// Start-up registers, in one fixed order, the classes the host must be able
// to create by name, then the menu-reachable modules and the stand-ins for
// other modules of the application that this one creates by name, and
// publishes the menu actions. Close-down unregisters every class of the
// module the host knows by name and takes their menu actions back. Neither
// does anything else.

#include <string>
#include <vector>

#include "framework/app/Nutilform.h"
#include "framework/app/TnDM.h"

namespace Package {

enum class TTipoClasse {
  // Created by name without a menu entry: the start-up list proper.
  tcInicio,
  // Reached from the menu. Our hosts have no menu to go through, so they
  // create it by name as its menu action would.
  tcMenu,
  // A module of the application outside this one that this one creates by
  // name; the stand-in keeps the contract this module relies on.
  tcOutroModulo,
};

struct TClassePacote {
  std::string Nome;
  TTipoClasse Tipo = TTipoClasse::tcInicio;
  // Empty while the class's module is not part of the build: the entry keeps
  // the class's place in the order.
  TFabricaClasse Fabrica;
  // The class's menu hook; empty for classes without a menu entry.
  TnDM::TGerarPrincAction GerarPrincAction;
};

// Every class of the module, in registration order.
const std::vector<TClassePacote>& ClassesPacote();
// Every class name close-down unregisters.
const std::vector<std::string>& ClassesConhecidas();

// Raises Exception (from the registry) when a class is already registered:
// two loads of the module are a host error.
void Iniciar();
void Finalizar();
// Whether the module is loaded (some class of the table is registered).
bool Carregado();

}  // namespace Package
