#include "managerial/nCtbLctoGerUtil.h"

namespace nCtbLctoGerUtil {

void Gravar(TField& field, const Value& valor) {
  const bool somenteLeitura = field.ReadOnly();
  field.SetReadOnly(false);
  try {
    field.SetValue(valor);
  } catch (...) {
    field.SetReadOnly(somenteLeitura);
    throw;
  }
  field.SetReadOnly(somenteLeitura);
}

}  // namespace nCtbLctoGerUtil
