#pragma once
// What the small registers hanging off an entry share: the company field and
// the journal-entry key field, each resolved through its dictionary and
// refused when it names nothing.

#include <cstdint>
#include <string>

#include "framework/app/TnDMClientDataSet.h"
#include "framework/data/ClientDataSet.h"

namespace nCtbRegistrosComum {

// CODIGOEMPRESA: hidden, a company of the register ("Código da empresa
// inválido!" otherwise).
TField& CriarCampoEmpresa(TnClientDataSet& cds, bool obrigatorio);

// A field holding a journal-entry key of the record's company: it must
// name an entry.
void LigarLctoCtb(TField& field);

}  // namespace nCtbRegistrosComum

// A register of one row per journal entry, keyed by company and entry key,
// opened for a company. The journal screen hands over the entry it stands
// on; the screen the register shows closes by itself once the row is
// saved.
class TnCtbDMRegistroLctoCtb : public TnDMClientDataSet {
 public:
  std::string ChavePrimaria() const override { return "CODIGOEMPRESA;CHAVELCTOCTB"; }
  std::string PegarVerificaSelecao() const override { return "CodigoEmpresa"; }

  void SetCodigoEmpresa(int64_t valor) { FCodigoEmpresa = valor; }
  void SetChaveLctoCtb(int64_t valor) { FChaveLctoCtb = valor; }

 protected:
  // Closes the module's screen, when it has one.
  void FecharTela();

  int64_t FCodigoEmpresa = 0;
  int64_t FChaveLctoCtb = 0;
};
