#pragma once
// The host's external variables: values the host publishes by name
// ("gCodigoEmpresaAtiva", "gDATALCTOCTB_MAIORIGUAL") for modules and field
// expressions to read. Names compare without regard to case; an unknown
// variable reads as null. They belong to the current session; a worker's
// session starts with a copy.
//
// Whether the host keeps external variables at all (the web host does) is a
// host setting of its own: MantemExternalVars.

#include <string>

#include "framework/core/Value.h"

namespace Nutilutil {

Value PegarValorExternalVar(const std::string& nome);
void SetValorExternalVar(const std::string& nome, Value valor);
bool TemExternalVar(const std::string& nome);
void LimparExternalVars();

bool MantemExternalVars();
void SetMantemExternalVars(bool value);

}  // namespace Nutilutil
