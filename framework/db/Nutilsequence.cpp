#include "framework/db/Nutilsequence.h"

#include <optional>

#include "framework/core/Exceptions.h"
#include "framework/db/TnDMConexao.h"

namespace Nutilsequence {
namespace {

std::optional<int64_t> Incrementar(TnDMConexao& conexao, const std::string& nome) {
  TDbResult result = conexao.ExecuteQuery(
      "update SEQUENCIA set VALOR = VALOR + 1 where NOME = :pNome returning VALOR",
      {{"pNome", nome}});
  if (result.Rows.empty())
    return std::nullopt;
  return result.Rows.front().front().AsInteger();
}

// Draws from the sequence, creating it first with `criar` when it is
// missing. `criar` must do nothing when the row exists.
template <typename Criar>
int64_t Proximo(TnDMConexao& conexao, const std::string& nome, Criar criar) {
  if (auto valor = Incrementar(conexao, nome))
    return *valor;
  criar();
  if (auto valor = Incrementar(conexao, nome))
    return *valor;
  throw EDatabaseError("Não foi possível criar a sequência " + nome);
}

}  // namespace

int64_t PegarProximaSequence(TnDMConexao& conexao, const std::string& nome) {
  return Proximo(conexao, nome, [&] {
    conexao.ExecuteDirect(
        "insert into SEQUENCIA (NOME, VALOR) values (:pNome, 0) on conflict (NOME) do nothing",
        {{"pNome", nome}});
  });
}

int64_t ProximaChaveLctoCtb(TnDMConexao& conexao, int64_t codigoEmpresa) {
  std::string nome = "DYN_GENCHAVELCTOCTB(" + std::to_string(codigoEmpresa) + ")";
  return Proximo(conexao, nome, [&] {
    conexao.ExecuteDirect(
        "insert into SEQUENCIA (NOME, VALOR) select :pNome, coalesce(max(CHAVELCTOCTB), 0) "
        "from LCTOCTB where CODIGOEMPRESA = :pCodigoEmpresa on conflict (NOME) do nothing",
        {{"pNome", nome}, {"pCodigoEmpresa", codigoEmpresa}});
  });
}

}  // namespace Nutilsequence
