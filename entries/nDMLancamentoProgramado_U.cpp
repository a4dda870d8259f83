#include "entries/nDMLancamentoProgramado_U.h"

#include "framework/db/DbCursor.h"
#include "framework/db/TnDMConexao.h"

namespace {

constexpr const char* kSelectLctosProgramados =
    "select CODIGOEMPRESA, CHAVELCTOCTB, DATALCTOCTB, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB, "
    "COMPLHIST from LCTOCTB where CODIGOEMPRESA = :pEmpresa and CODIGOLCTOPROG = :pLctoProg and "
    "DATALCTOCTB = :pData order by CHAVELCTOCTB";

}  // namespace

void TnDMLancamentoProgramado::AtualizarLista() {
  const TDbResult lista =
      Conexao().ExecuteQuery(kSelectLctosProgramados, {{"pEmpresa", Value(FCodigoEmpresa)},
                                                       {"pLctoProg", Value(FCodigoLctoProg)},
                                                       {"pData", Value(DateOf(FDataLctoCtb))}});
  if (FMemTableEh.Active())
    FMemTableEh.EmptyDataSet();
  else
    DbCursor::DefinirCampos(FMemTableEh, lista.Columns);
  DbCursor::Carregar(FMemTableEh, lista);
}
