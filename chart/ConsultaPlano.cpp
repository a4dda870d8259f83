#include "chart/ConsultaPlano.h"

#include "framework/core/Nutil.h"
#include "framework/db/NutilSql.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"

TnFrmConGrid::TCarregar CarregarPlanoEspec(TnDMConexao& conexao, int64_t codigoEmpresa) {
  return [&conexao, codigoEmpresa](TnClientDataSet& grid) {
    auto cursor = Nutildb::ExecutarSQL(
        conexao,
        "select CLASSIFCONTA, CONTACTB, DESCRCONTA, TIPOCONTA, APELIDOCONTA, "
        "TIPOCONTROLECONTABIL from PLANOESPEC where CODIGOEMPRESA = " +
            Nutil::ValorParaSQL(Value(codigoEmpresa)) + " order by CLASSIFCONTA");
    grid.CopyDataFrom(*cursor);
    Nutildb::DestruirSQL(cursor);
  };
}

void TnCtbFCPlanoEspec::FormCreate() {
  Form().Caption = "Plano de Contas";
}
