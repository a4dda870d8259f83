#include "framework/db/Nutilsequence.h"

#include <optional>

#include "framework/core/Exceptions.h"
#include "framework/db/TnDMConexao.h"

namespace Nutilsequence {
namespace {

std::optional<int64_t> Incrementar(TnDMConexao& conexao, const std::string& sql,
                                   const TParams& params) {
  TDbResult result = conexao.ExecuteQuery(sql, params);
  if (result.Rows.empty())
    return std::nullopt;
  return result.Rows.front().front().AsInteger();
}

// Draws from the sequence with `incrementar` (an UPDATE ... RETURNING),
// creating it first with `criar` when it is missing. `criar` must do nothing
// when the row exists.
template <typename Criar>
int64_t Proximo(TnDMConexao& conexao, const std::string& nome, const std::string& incrementar,
                const TParams& params, Criar criar) {
  if (auto valor = Incrementar(conexao, incrementar, params))
    return *valor;
  criar();
  if (auto valor = Incrementar(conexao, incrementar, params))
    return *valor;
  throw EDatabaseError("Não foi possível criar a sequência " + nome);
}

}  // namespace

int64_t PegarProximaSequence(TnDMConexao& conexao, const std::string& nome) {
  return Proximo(conexao, nome,
                 "update SEQUENCIA set VALOR = VALOR + 1 where NOME = :pNome returning VALOR",
                 {{"pNome", nome}}, [&] {
                   conexao.ExecuteDirect(
                       "insert into SEQUENCIA (NOME, VALOR) values (:pNome, 0) "
                       "on conflict (NOME) do nothing",
                       {{"pNome", nome}});
                 });
}

int64_t ProximaChaveLctoCtb(TnDMConexao& conexao, int64_t codigoEmpresa) {
  const std::string nome = "DYN_GENCHAVELCTOCTB";
  const TParams params = {{"pNome", nome}, {"pCodigoEmpresa", codigoEmpresa}};
  // Keys also arrive from outside the sequence (a loaded or imported key, an
  // edited one): each draw steps past the company's highest key, one look
  // at the end of the primary key's index, so the sequence never hands out
  // a key that exists and a database left behind catches up by itself. The
  // row and the look-up stay inside the company's rows.
  return Proximo(
      conexao, nome,
      "update SEQUENCIAEMPRESA set VALOR = (select case when coalesce(max(CHAVELCTOCTB), 0) > "
      "SEQUENCIAEMPRESA.VALOR then max(CHAVELCTOCTB) + 1 else SEQUENCIAEMPRESA.VALOR + 1 end "
      "from LCTOCTB where CODIGOEMPRESA = :pCodigoEmpresa) "
      "where CODIGOEMPRESA = :pCodigoEmpresa and NOME = :pNome returning VALOR",
      params, [&] {
        conexao.ExecuteDirect(
            "insert into SEQUENCIAEMPRESA (CODIGOEMPRESA, NOME, VALOR) "
            "values (:pCodigoEmpresa, :pNome, 0) on conflict (CODIGOEMPRESA, NOME) do nothing",
            params);
      });
}

void DevolverChaveLctoCtb(TnDMConexao& conexao, int64_t codigoEmpresa, int64_t chave) {
  conexao.ExecuteDirect(
      "update SEQUENCIAEMPRESA set VALOR = VALOR - 1 where CODIGOEMPRESA = :pCodigoEmpresa and "
      "NOME = 'DYN_GENCHAVELCTOCTB' and VALOR = :pChave",
      {{"pCodigoEmpresa", codigoEmpresa}, {"pChave", chave}});
}

}  // namespace Nutilsequence
