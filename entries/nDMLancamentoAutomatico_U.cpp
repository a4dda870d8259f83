#include "entries/nDMLancamentoAutomatico_U.h"

#include "framework/app/TnForm.h"

std::vector<TnProcessoLctoAuto> TnDMLancamentoAutomatico::Processos(const TnForm* principal) const {
  std::vector<TnProcessoLctoAuto> processos;
  if (principal == nullptr)
    return processos;
  const TnActionList& acoes = principal->Actions();
  for (size_t i = 0; i < acoes.Count(); ++i) {
    if (acoes[i].Category() == kCategoria && acoes[i].Visible())
      processos.push_back({acoes[i].Name(), acoes[i].Caption()});
  }
  return processos;
}
