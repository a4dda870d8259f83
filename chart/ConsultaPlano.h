#pragma once
// The chart-of-accounts consultation (PLANOESPEC of one company), plain:
// a filtered grid shows only the accounts that match.
#include <cstdint>

#include "framework/app/TnFrmConGrid.h"

class TnDMConexao;

// The chart of a company as the consultations show it, ordered by
// classification.
TnFrmConGrid::TCarregar CarregarPlanoEspec(TnDMConexao& conexao, int64_t codigoEmpresa);

class TnCtbFCPlanoEspec : public TnFrmConGrid {
 public:
  static constexpr const char* kClassName = "TnCtbFCPlanoEspec";
  TnCtbFCPlanoEspec() : TnFrmConGrid("FrmCtbFCPlanoEspec") { FormCreate(); }
  void FormCreate();
};
