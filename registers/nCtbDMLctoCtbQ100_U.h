#pragma once
// The rural producer's Q100 register data of an entry (LCTOCTBQ100): one
// row per journal entry, with the property, the origin of the money, the
// bank account it moved through, the document and entry kinds and the
// person involved.
//
// The bank account belongs only to money of origin "111": it is required
// then, and cleared (and closed to typing) for any other origin, so no row
// keeps a bank account another origin does not have.

#include <string>

#include "framework/app/TnAction.h"
#include "framework/app/TnDMClientDataSet.h"
#include "registers/nCtbRegistrosComum.h"

class TnCtbDMLctoCtbQ100 : public TnCtbDMRegistroLctoCtb {
 public:
  static constexpr const char* kClassName = "TnCtbDMLctoCtbQ100";
  static constexpr const char* kOrigemComContaBancaria = "111";

  TnCtbDMLctoCtbQ100();

  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);

  void AntesConfigurar(TnForm* form) override;
  void ConfigurarCampo(TField& field) override;
  void DepoisConfigurar(TnForm* form) override;
  void ValidarDado() override;

  // The bank account follows the origin of the money (see above).
  void ControlaCampoCodigoContaBancaria();

 protected:
  void nClientDataSetBeforeOpen(TnClientDataSet& dataSet) override;
  void nClientDataSetAfterPost(TnClientDataSet& dataSet) override;
  void nClientDataSetAfterDelete(TnClientDataSet& dataSet) override;
  void nClientDataSetAfterCancel(TnClientDataSet& dataSet) override;

 private:
  // The company's own bank accounts and the shared ones.
  void FiltrarContaBancaria();
  // A new record shown on its screen starts with the participant the entry
  // points at, when it points at one.
  void SugerirParticipante();
};
