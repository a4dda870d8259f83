#include "registers/nCtbDCLctoCtbExtemp_U.h"

#include "registers/nCtbDMLctoCtbExtemp_U.h"

namespace {

constexpr const char* kCaption = "Data da Ocorrência do Lançamento Extemporâneo";

}  // namespace

TnCtbDCLctoCtbExtemp::TnCtbDCLctoCtbExtemp() {
  SetSelectText(
      "Select t_t.CODIGOEMPRESA,t_t.CHAVELCTOCTB,t_t.DATAEXTEMP from LCTOCTBEXTEMP t_t ORDER BY "
      "t_t.CODIGOEMPRESA,t_t.CHAVELCTOCTB");
  nCtbLctoCtbExtemp::CriarCampos(nClientDataSet, false, "Data");
  nClientDataSet.SetIndexFieldNames("CODIGOEMPRESA;CHAVELCTOCTB");
}

void TnCtbDCLctoCtbExtemp::GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                                            const TnConjuntoModulos& permitidos) {
  if (TnConjuntoModulos{TnModulo::nCtb}.Intersecta(permitidos))
    AdicionarPrincAction(lista, kClassName, "02 Movimentos\\00 Consultas", kCaption, handler);
}

void TnCtbDCLctoCtbExtemp::DepoisConfigurar(TnForm* form) {
  TnDMClientDataSet::DepoisConfigurar(form);
  if (form != nullptr)
    form->Caption = kCaption;
}
