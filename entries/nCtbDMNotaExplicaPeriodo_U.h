#pragma once
// The explanatory notes of a period are a register of the accounting base
// library, outside this module, which only opens it from the journal-entry
// screen. What is here is what that call relies on: created by class name,
// a form titled with the selection's company and period, shown modally. It
// stores nothing: the notes and their table are that register's.

#include "framework/app/TnDMClientDataSet.h"

class TnCtbDMNotaExplicaPeriodo : public TnDMClientDataSet {
 public:
  static constexpr const char* kClassName = "TnCtbDMNotaExplicaPeriodo";
  TnForm& CriarForm() override;
};
