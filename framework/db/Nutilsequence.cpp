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

const char* const kSequenciaChave = "DYN_GENCHAVELCTOCTB";

// Draws `quantidade` values at once, as that many single draws, and returns
// the last. Values also arrive from outside the sequence (a loaded or
// imported key, an edited one, a transaction number typed on the screen):
// each draw steps past the company's highest value of the column, one look
// at the end of an index that leads with the company, so the sequence never
// hands out a value that exists and a database left behind catches up by
// itself. The row and the look-up stay inside the company's rows.
int64_t ProximoDaEmpresa(TnDMConexao& conexao, int64_t codigoEmpresa, const char* nome,
                         const char* tabela, const char* coluna, int64_t quantidade = 1) {
  const TParams sequencia = {{"pNome", std::string(nome)}, {"pCodigoEmpresa", codigoEmpresa}};
  TParams params = sequencia;
  params.emplace_back("pQuantidade", quantidade);
  return Proximo(
      conexao, nome,
      fmt::format("update SEQUENCIAEMPRESA set VALOR = (select case when coalesce(max({1}), 0) > "
                  "SEQUENCIAEMPRESA.VALOR then max({1}) + :pQuantidade else "
                  "SEQUENCIAEMPRESA.VALOR + :pQuantidade end "
                  "from {0} where CODIGOEMPRESA = :pCodigoEmpresa) "
                  "where CODIGOEMPRESA = :pCodigoEmpresa and NOME = :pNome returning VALOR",
                  tabela, coluna),
      params, [&] {
        conexao.ExecuteDirect(
            "insert into SEQUENCIAEMPRESA (CODIGOEMPRESA, NOME, VALOR) "
            "values (:pCodigoEmpresa, :pNome, 0) on conflict (CODIGOEMPRESA, NOME) do nothing",
            sequencia);
      });
}

// The last of `quantidade` entry keys drawn at once.
int64_t ReservarChaves(TnDMConexao& conexao, int64_t codigoEmpresa, int64_t quantidade) {
  return ProximoDaEmpresa(conexao, codigoEmpresa, kSequenciaChave, "LCTOCTB", "CHAVELCTOCTB",
                          quantidade);
}

}  // namespace

int64_t ProximaChaveLctoCtb(TnDMConexao& conexao, int64_t codigoEmpresa) {
  return ReservarChaves(conexao, codigoEmpresa, 1);
}

TBlocoChavesLctoCtb::TBlocoChavesLctoCtb(TnDMConexao& conexao, int64_t tamanho)
    : FConexao(conexao), FTamanho(tamanho) {
  if (tamanho <= 0)
    throw Exception("O bloco de chaves deve ter tamanho positivo");
}

int64_t TBlocoChavesLctoCtb::Proxima(int64_t codigoEmpresa) {
  if (codigoEmpresa != FEmpresa || FUltimaEntregue == FFim) {
    Devolver();
    FEmpresa = codigoEmpresa;
    FFim = ReservarChaves(FConexao, codigoEmpresa, FTamanho);
    FUltimaEntregue = FFim - FTamanho;
    FSemGerenciais.reset();
  }
  return ++FUltimaEntregue;
}

bool TBlocoChavesLctoCtb::SemGerenciaisGravados(int64_t codigoEmpresa, int64_t chave) {
  if (codigoEmpresa != FEmpresa || chave <= FFim - FTamanho || chave > FUltimaEntregue)
    return false;
  if (!FSemGerenciais)
    FSemGerenciais =
        FConexao
            .ExecuteQuery(
                "select 1 from LCTOGER where CODIGOEMPRESA = :pCodigoEmpresa and "
                "CHAVELCTOCTB between :pInicio and :pFim {LIMIT(1)}",
                {{"pCodigoEmpresa", FEmpresa}, {"pInicio", FFim - FTamanho + 1}, {"pFim", FFim}})
            .Rows.empty();
  return *FSemGerenciais;
}

void TBlocoChavesLctoCtb::Devolver() {
  if (FUltimaEntregue == FFim)
    return;
  // Only while the sequence still ends at the block: a single draw of the
  // same transaction past it keeps its keys.
  FConexao.ExecuteDirect(
      "update SEQUENCIAEMPRESA set VALOR = :pUltima where CODIGOEMPRESA = :pCodigoEmpresa and "
      "NOME = :pNome and VALOR = :pFim",
      {{"pUltima", FUltimaEntregue},
       {"pCodigoEmpresa", FEmpresa},
       {"pNome", kSequenciaChave},
       {"pFim", FFim}});
  FUltimaEntregue = FFim;
}

void DevolverChaveLctoCtb(TnDMConexao& conexao, int64_t codigoEmpresa, int64_t chave) {
  conexao.ExecuteDirect(
      "update SEQUENCIAEMPRESA set VALOR = VALOR - 1 where CODIGOEMPRESA = :pCodigoEmpresa and "
      "NOME = :pNome and VALOR = :pChave",
      {{"pCodigoEmpresa", codigoEmpresa}, {"pNome", kSequenciaChave}, {"pChave", chave}});
}

int64_t ProximaTransacao(TnDMConexao& conexao, int64_t codigoEmpresa) {
  return ProximoDaEmpresa(conexao, codigoEmpresa, "GEN_TRANSCTB", "LCTOCTB", "TRANSCTB");
}

int64_t ProximoIdLctoCtbExcl(TnDMConexao& conexao, int64_t codigoEmpresa) {
  return ProximoDaEmpresa(conexao, codigoEmpresa, "GEN_IDLCTOCTBEXCL", "LCTOCTBEXCLUIDO",
                          "IDLCTOCTBEXCL");
}

}  // namespace Nutilsequence
