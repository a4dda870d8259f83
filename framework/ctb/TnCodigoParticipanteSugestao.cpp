#include "framework/ctb/TnCodigoParticipanteSugestao.h"

#include "framework/db/TnDMConexao.h"

namespace {

// The single participant code the query's rows hold, none when they hold
// none or several.
std::optional<int64_t> Unico(TnDMConexao& conexao, const std::string& sql, const TParams& params) {
  const TDbResult linhas = conexao.ExecuteQuery(sql, params);
  if (linhas.Rows.size() != 1 || linhas.Rows[0][0].IsNull())
    return std::nullopt;
  return linhas.Rows[0][0].AsInteger();
}

}  // namespace

std::optional<int64_t> TnCodigoParticipanteSugestao::TryGetStatic(TnDMConexao& conexao,
                                                                  int64_t codigoEmpresa,
                                                                  int64_t chaveLctoCtb) {
  const TParams params = {{"pEmpresa", Value(codigoEmpresa)}, {"pChave", Value(chaveLctoCtb)}};
  if (auto daEntrada = Unico(
          conexao,
          "select CODIGOPART from (select CODIGOPARTDEB as CODIGOPART from LCTOCTBPARTICIPANTE "
          "where CODIGOEMPRESA = :pEmpresa and CHAVELCTOCTB = :pChave union select CODIGOPARTCRED "
          "from LCTOCTBPARTICIPANTE where CODIGOEMPRESA = :pEmpresa and CHAVELCTOCTB = :pChave) P "
          "where CODIGOPART is not null",
          params))
    return daEntrada;
  return Unico(conexao,
               "select distinct PP.CODIGOPART from LCTOCTB L join PLANOESPECPARTICIPANTE PP on "
               "PP.CODIGOEMPRESA = L.CODIGOEMPRESA and PP.CONTACTB in (L.CONTACTBDEB, "
               "L.CONTACTBCRED) where L.CODIGOEMPRESA = :pEmpresa and L.CHAVELCTOCTB = :pChave",
               params);
}
