#pragma once
// The automatic-entry processes are modules of the application, each offered
// by its menu action under the category "Lançamentos Automáticos"; this list
// is what the journal-entry screen asks to fill its F9 menu: created by class
// name, it names those actions as the application's main window holds them.
// It runs nothing itself.

#include <string>
#include <vector>

#include "framework/app/TnDM.h"

class TnForm;

// One process of the list: the menu action that starts it and its caption.
struct TnProcessoLctoAuto {
  std::string NomeAcao;
  std::string Caption;
};

class TnDMLancamentoAutomatico : public TnDM {
 public:
  static constexpr const char* kClassName = "TnDMLancamentoAutomatico";
  static constexpr const char* kCategoria = "Lançamentos Automáticos";

  // The visible actions of the category in the main window's order; none
  // without a main window.
  std::vector<TnProcessoLctoAuto> Processos(const TnForm* principal) const;
};
