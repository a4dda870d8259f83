#include "chart/ConsultaPlanoFiltros.h"

#include "chart/ConsultaPlano.h"

void TnCtbFCPlanoEspecFiltros::FormCreate() {
  TnForm& form = Form();
  form.Caption = "Plano de Contas";
  form.ClientWidth = 1214;
  form.ClientHeight = 775;
  TnComboBox& combo = form.Criar<TnComboBox>(kCombo);
  combo.Rotulo = "Sintética";
  combo.Items = {"Não", "Sim"};
  combo.ItemIndex = 0;
  combo.Hint = "Selecione se os registro devem ser filtrados na pesquisa. Ctrl+F alternar o valor.";
  combo.OnChange = [this, &combo] { SetFFiltroTitulo(combo.Text() == "Sim"); };
  form.CriarAction("actAlternarFiltrarTitulo", "Sintética", "Ctrl+F",
                   [&combo](TnAction&) { combo.Escolher(combo.Text() == "Sim" ? "Não" : "Sim"); });
  SetCampoClassif("CLASSIFCONTA");
  SetCampoTipo("TIPOCONTA");
  SetFFiltroTitulo(combo.Text() == "Sim");
}

namespace nCtbFCPlanoEspecFiltros_U {

void Consultar(TnCtbFCPlanoEspecFiltros& consulta, TnDMConexao& conexao,
               const TConsultaPlano& pedido) {
  consulta.Abrir(CarregarPlanoEspec(conexao, pedido.CodigoEmpresa));
  consulta.SetPesquisarQualquerParte(pedido.QualquerParte);
  consulta.ComboFiltrarTitulo().Escolher(pedido.Sintetica ? "Sim" : "Não");
  consulta.FormShow();
  for (const auto& [campo, texto] : pedido.Filtros)
    consulta.DigitarFiltro(campo, texto);
  // Every typed edit counts once the person has finished typing.
  consulta.SetEditAtual(-1);
  consulta.AtualizarFiltro(true);
}

}  // namespace nCtbFCPlanoEspecFiltros_U
