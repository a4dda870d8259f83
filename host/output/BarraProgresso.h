#pragma once
// The progress bar of long commands, drawn on standard error while a person
// watches (both outputs on a terminal); nothing at all when either is a pipe
// or a file. The bar redraws one line in place, never wider than the
// terminal, and is erased when the object ends, so whatever the command
// prints next starts on a clean line.

#include <memory>

#include "framework/app/TnFraProgresso.h"

class TBarraProgresso {
 public:
  TBarraProgresso();
  ~TBarraProgresso();
  TBarraProgresso(const TBarraProgresso&) = delete;
  TBarraProgresso& operator=(const TBarraProgresso&) = delete;

  // The hook to give a TnFraProgresso; empty when nobody watches.
  TnFraProgresso::THook Hook();
  // Erases the bar now (before printing); it comes back at the next update.
  void Apagar();

 private:
  struct TEstado;
  std::shared_ptr<TEstado> FEstado;  // null when nobody watches
};
