#include "entries/nCtbDMLctoCtbCloudUtil_U.h"

#include <algorithm>

#include "entries/nCtbDMLctoCtbBase_U.h"
#include "framework/app/TnSelecao.h"
#include "framework/db/NutilSql.h"
#include "framework/db/TnDMSQLDataSet.h"

static_assert(static_cast<int>(tetNenhum) == teNenhum && static_cast<int>(tetAmbos) == teAmbos &&
                  static_cast<int>(tetSaldo) == teSaldo && static_cast<int>(tetTitulo) == teTitulo,
              "the web page's display option reads as the desktop's");

namespace {

// A classification counts when it has a digit other than zero ("0" and
// "0.0" name no group).
bool ClassificacaoPositiva(const Value& classificacao) {
  if (classificacao.IsNull())
    return false;
  const std::string texto = classificacao.AsString();
  return std::any_of(texto.begin(), texto.end(), [](char c) { return c >= '1' && c <= '9'; });
}

}  // namespace

bool VerificarHabilitarDetalhesCloud(int64_t conta) {
  const TnSelecao& selecao = nDMSelecao().Selecao();
  const std::string condicao =
      "CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(selecao.CodigoEmpresa())) +
      " AND CONTACTB = " + Nutil::ValorParaSQL(Value(conta));
  TnDMSQLDataSet sql;
  if (sql.PegarQtdRegistro("ATIVDIFERENCPLESPECRATEIO", "CONTACTB", condicao) > 0)
    return true;
  return ClassificacaoPositiva(sql.PegarValorCampo("PLANOESPEC", "CLASSIFCONTA", condicao));
}
