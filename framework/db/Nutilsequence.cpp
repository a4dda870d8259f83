#include "framework/db/Nutilsequence.h"

#include <fmt/format.h>

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

namespace {

// Values also arrive from outside the sequence (a loaded or imported key,
// an edited one, a transaction number typed on the screen): each draw steps
// past the company's highest value of the column, one look at the end of an
// index that leads with the company, so the sequence never hands out a value
// that exists and a database left behind catches up by itself. The row and
// the look-up stay inside the company's rows.
int64_t ProximoDaEmpresa(TnDMConexao& conexao, int64_t codigoEmpresa, const char* nome,
                         const char* tabela, const char* coluna) {
  const TParams params = {{"pNome", std::string(nome)}, {"pCodigoEmpresa", codigoEmpresa}};
  return Proximo(
      conexao, nome,
      fmt::format("update SEQUENCIAEMPRESA set VALOR = (select case when coalesce(max({1}), 0) > "
                  "SEQUENCIAEMPRESA.VALOR then max({1}) + 1 else SEQUENCIAEMPRESA.VALOR + 1 end "
                  "from {0} where CODIGOEMPRESA = :pCodigoEmpresa) "
                  "where CODIGOEMPRESA = :pCodigoEmpresa and NOME = :pNome returning VALOR",
                  tabela, coluna),
      params, [&] {
        conexao.ExecuteDirect(
            "insert into SEQUENCIAEMPRESA (CODIGOEMPRESA, NOME, VALOR) "
            "values (:pCodigoEmpresa, :pNome, 0) on conflict (CODIGOEMPRESA, NOME) do nothing",
            params);
      });
}

}  // namespace

int64_t ProximaChaveLctoCtb(TnDMConexao& conexao, int64_t codigoEmpresa) {
  return ProximoDaEmpresa(conexao, codigoEmpresa, "DYN_GENCHAVELCTOCTB", "LCTOCTB", "CHAVELCTOCTB");
}

int64_t ProximaTransacao(TnDMConexao& conexao, int64_t codigoEmpresa) {
  return ProximoDaEmpresa(conexao, codigoEmpresa, "GEN_TRANSCTB", "LCTOCTB", "TRANSCTB");
}

int64_t ProximoIdLctoCtbExcl(TnDMConexao& conexao, int64_t codigoEmpresa) {
  return ProximoDaEmpresa(conexao, codigoEmpresa, "GEN_IDLCTOCTBEXCL", "LCTOCTBEXCLUIDO",
                          "IDLCTOCTBEXCL");
}

}  // namespace Nutilsequence
