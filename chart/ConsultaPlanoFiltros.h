#pragma once
// The chart-of-accounts consultation with the synthetic-account filter:
// the combo "Sintética" of its configuration panel ("Não" at start; Ctrl+F
// switches it) keeps the groups above a matching account.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "chart/nFrmConGridPlanosFiltros_U.h"

class TnDMConexao;

class TnCtbFCPlanoEspecFiltros : public TnFrmConGridPlanosFiltros {
 public:
  static constexpr const char* kClassName = "TnCtbFCPlanoEspecFiltros";
  TnCtbFCPlanoEspecFiltros() : TnFrmConGridPlanosFiltros("FrmCtbFCPlanoEspecFiltros") {
    FormCreate();
  }
  void FormCreate();
  TnComboBox& ComboFiltrarTitulo() { return Form().ControleComo<TnComboBox>(kCombo); }

 private:
  static constexpr const char* kCombo = "nFraCtrlNDComboBoxFiltrarTitulo";
};

namespace nCtbFCPlanoEspecFiltros_U {

// What a person asks of the consultation: the company, the texts typed
// into the column filters (in the order typed) and the combo's choices.
struct TConsultaPlano {
  int64_t CodigoEmpresa = 0;
  std::vector<std::pair<std::string, std::string>> Filtros;
  bool Sintetica = false;
  bool QualquerParte = false;
};

// Opens the consultation on the company's chart and types the filters; the
// grid (ClientDataSet) then shows what the person sees. Exception naming a
// column the grid does not have.
void Consultar(TnCtbFCPlanoEspecFiltros& consulta, TnDMConexao& conexao,
               const TConsultaPlano& pedido);

}  // namespace nCtbFCPlanoEspecFiltros_U
