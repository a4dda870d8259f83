#pragma once
// The programmed entries of the application are a module outside this one;
// the journal-entry screen only docks its list below the entry. What is here
// is what that screen relies on: created by class name, told the company,
// the programmed entry and the date being keyed, it lists in its memory
// table the entries already keyed from that programmed entry on that date,
// so a person sees how far the sequence went and can jump to one of them.
//
// It reads LCTOCTB and writes nothing.

#include <cstdint>

#include "framework/app/TnDM.h"
#include "framework/core/TDateTime.h"
#include "framework/data/ClientDataSet.h"

class TnDMLancamentoProgramado : public TnDM {
 public:
  static constexpr const char* kClassName = "TnDMLancamentoProgramado";

  void SetCodigoEmpresa(int64_t value) { FCodigoEmpresa = value; }
  void SetCodigoLctoProg(int64_t value) { FCodigoLctoProg = value; }
  void SetDataLctoCtb(TDateTime value) { FDataLctoCtb = value; }
  // Reads the list again for what was set: CODIGOEMPRESA, CHAVELCTOCTB,
  // DATALCTOCTB, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB, COMPLHIST, by key.
  void AtualizarLista();
  // The list the grid shows; empty (and inactive) until the first reading.
  TnClientDataSet& MemTableEh() { return FMemTableEh; }

 private:
  // Set by the caller.
  int64_t FCodigoEmpresa = 0;
  int64_t FCodigoLctoProg = 0;
  TDateTime FDataLctoCtb;
  // Owned.
  TnClientDataSet FMemTableEh;
};
