#pragma once
// What the small registers hanging off an entry share: the company field and
// the journal-entry key field, each resolved through its dictionary and
// refused when it names nothing.

#include "framework/data/ClientDataSet.h"

namespace nCtbRegistrosComum {

// CODIGOEMPRESA: hidden, a company of the register ("Código da empresa
// inválido!" otherwise).
TField& CriarCampoEmpresa(TnClientDataSet& cds, bool obrigatorio);

// A field holding a journal-entry key of the record's company: it must
// name an entry.
void LigarLctoCtb(TField& field);

}  // namespace nCtbRegistrosComum
