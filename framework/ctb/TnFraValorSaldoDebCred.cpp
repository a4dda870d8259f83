#include "framework/ctb/TnFraValorSaldoDebCred.h"

#include "framework/core/Nutil.h"

bool TnFraValorSaldoDebCred::GridLctoPodeFocar() const {
  return FVisivel && FExibirUltimosLancamentos && dsUltimosLancamentos != nullptr &&
         dsUltimosLancamentos->Active();
}

void TnFraValorSaldoDebCred::AplicarFiltroPesquisa() {
  if (dsUltimosLancamentos == nullptr)
    return;
  const std::string procurado = Nutil::UpperCase(FPesquisaGridLcto.Texto);
  dsUltimosLancamentos->OnFilterRecord = [procurado](TnClientDataSet& dataSet, bool& aceitar) {
    aceitar = false;
    for (int i = 0; i < dataSet.FieldCount() && !aceitar; ++i) {
      const TField& campo = dataSet.Fields(i);
      aceitar = campo.Visible() &&
                Nutil::UpperCase(campo.DisplayText()).find(procurado) != std::string::npos;
    }
  };
  dsUltimosLancamentos->SetFiltered(true);
  dsUltimosLancamentos->First();
}

void TnFraValorSaldoDebCred::CancelarFiltroPesquisa() {
  if (dsUltimosLancamentos == nullptr)
    return;
  dsUltimosLancamentos->SetFiltered(false);
  dsUltimosLancamentos->OnFilterRecord = nullptr;
}
