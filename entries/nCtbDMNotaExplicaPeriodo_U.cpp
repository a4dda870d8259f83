#include "entries/nCtbDMNotaExplicaPeriodo_U.h"

#include <fmt/format.h>

#include "framework/core/FormatDateTime.h"

TnForm& TnCtbDMNotaExplicaPeriodo::CriarForm() {
  TnForm& form = TnDMClientDataSet::CriarForm();
  const TnSelecao& selecao = nDMSelecao().Selecao();
  form.Caption =
      fmt::format("Notas Explicativas no Período - Empresa {}: {} a {}", selecao.CodigoEmpresa(),
                  DateToStr(selecao.DataInicial()), DateToStr(selecao.DataFinal()));
  return form;
}
