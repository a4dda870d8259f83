#include "entries/TnExibicaoLctoCtb.h"

#include "framework/app/TnAction.h"
#include "framework/app/TnForm.h"

void TnExibicaoLctoCtb::MostrarAcoesEmpresa(const TnConfigEmpresaLctoCtb& config,
                                            bool produtorRural, TnForm* form) const {
  for (TnAction* acao : {ActLctoGerDeb, ActLctoGerCred}) {
    if (acao != nullptr)
      acao->SetVisible(config.UsaCentroCusto);
  }
  if (ActRegistroQ100 != nullptr)
    ActRegistroQ100->SetVisible(produtorRural);
  for (TnAction* acao : {ActLctoAtivDeb, ActLctoAtivCred}) {
    if (acao != nullptr && form != nullptr)
      form->EdVisibleAction(*acao, config.UsaAtividades);
  }
}
