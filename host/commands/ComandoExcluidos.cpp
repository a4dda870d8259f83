#include "host/commands/ComandoExcluidos.h"

#include <fmt/format.h>

#include <utility>
#include <vector>

#include "deletedlog/nCtbServicoLctoCtbExcluido_U.h"
#include "framework/app/TnDMDireitoUsuario.h"
#include "framework/core/Exceptions.h"
#include "framework/core/TDateTime.h"
#include "framework/db/Nutildb.h"
#include "framework/db/Nutilsequence.h"
#include "framework/db/TnDMConexao.h"
#include "host/common/HostComum.h"

namespace {

// The entry dates of the period, open ends taking the widest bounds.
TParams Periodo(const ComandoExcluidos::TOpcoes& opcoes) {
  return {{"pEmpresa", Value(opcoes.Empresa)},
          {"pDe", Value(HostComum::DataDaOpcao(opcoes.De, "--from", HostComum::DataMinima()))},
          {"pAte", Value(HostComum::DataDaOpcao(opcoes.Ate, "--to", HostComum::DataMaxima()))}};
}

constexpr const char* kDoPeriodo =
    " from LCTOCTBEXCLUIDO E where E.CODIGOEMPRESA = :pEmpresa and E.DATALCTOCTB between :pDe "
    "and :pAte";

// The log's columns as a person reads them; csv and json keep the names.
constexpr std::pair<const char*, const char*> kRotulos[] = {
    {"IDLCTOCTBEXCL", "Id"},         {"CHAVELCTOCTB", "Chave"},
    {"TRANSCTB", "Transação"},       {"CODIGOESTAB", "Filial"},
    {"DATALCTOCTB", "Data"},         {"CONTACTBDEB", "Débito"},
    {"CONTACTBCRED", "Crédito"},     {"CODIGOHISTCTB", "Histórico"},
    {"COMPLHIST", "Complemento"},    {"VALORLCTOCTB", "Valor"},
    {"DATAEXCLUSAO", "Excluído em"}, {"USUARIOEXCLUSAO", "Excluído por"},
    {"GERENCIAIS", "Gerenciais"},    {"ATIVIDADES", "Atividades"}};

bool TemCopias(TnDMConexao& conexao, const char* tabela, int64_t empresa, int64_t id) {
  return conexao
             .ExecuteScalar(std::string("select count(*) from ") + tabela +
                                " where CODIGOEMPRESA = :pEmpresa and IDLCTOCTBEXCL = :pId",
                            {{"pEmpresa", Value(empresa)}, {"pId", Value(id)}})
             .AsInteger() > 0;
}

// Runs `trabalho` in one transaction of its own.
template <typename F>
auto EmTransacao(TnDMConexao& conexao, F trabalho) {
  conexao.StartTransaction();
  try {
    auto resultado = trabalho();
    conexao.Commit();
    return resultado;
  } catch (...) {
    conexao.RollBack();
    throw;
  }
}

}  // namespace

namespace ComandoExcluidos {

void VerificarDireito(TnDMConexao& conexao, const char* direito) {
  TnDMDireitoUsuario* direitos = nDMDireitoUsuario();
  if (direitos == nullptr || !direitos->TemDireitoLiberado(direito))
    throw Exception(
        fmt::format("O usuário {} não tem o direito {}", conexao.CodigoUsuario(), direito));
}

std::string Listar(TnDMConexao& conexao, const TOpcoes& opcoes, Saida::TFormatoSaida formato) {
  VerificarDireito(conexao, kDireitoLog);
  auto cursor = Nutildb::ExecutarSQL(
      conexao,
      std::string("select E.IDLCTOCTBEXCL, E.CHAVELCTOCTB, E.TRANSCTB, E.CODIGOESTAB, "
                  "E.DATALCTOCTB, E.CONTACTBDEB, E.CONTACTBCRED, E.CODIGOHISTCTB, E.COMPLHIST, "
                  "E.VALORLCTOCTB, E.DATAEXCLUSAO, E.USUARIOEXCLUSAO, (select count(*) from "
                  "LCTOGEREXCLUIDO G where G.CODIGOEMPRESA = E.CODIGOEMPRESA and "
                  "G.IDLCTOCTBEXCL = E.IDLCTOCTBEXCL) GERENCIAIS, (select count(*) from "
                  "LCTOATIVDIFERENCEXCL A where A.CODIGOEMPRESA = E.CODIGOEMPRESA and "
                  "A.IDLCTOCTBEXCL = E.IDLCTOCTBEXCL) ATIVIDADES") +
          kDoPeriodo + " order by E.DATALCTOCTB, E.IDLCTOCTBEXCL",
      Periodo(opcoes));
  for (const auto& [coluna, rotulo] : kRotulos)
    cursor->FieldByName(coluna).SetDisplayLabel(rotulo);
  return Saida::Escrever(*cursor, formato);
}

std::string Restaurar(TnDMConexao& conexao, const TOpcoes& opcoes) {
  VerificarDireito(conexao, kDireitoRestaurar);
  if (!opcoes.Id)
    throw Exception("Informe o lançamento excluído (--id)");
  if (opcoes.Chave && (*opcoes.Chave < 1 || *opcoes.Chave > HostComum::kMaxChaveLctoCtb))
    throw Exception(fmt::format("Chave {} fora do intervalo do campo 'CHAVELCTOCTB' (de 1 a {})",
                                *opcoes.Chave, HostComum::kMaxChaveLctoCtb));
  const int64_t empresa = opcoes.Empresa;
  const int64_t id = *opcoes.Id;
  return EmTransacao(conexao, [&] {
    const Value chaveLogada = conexao.ExecuteScalar(
        "select CHAVELCTOCTB from LCTOCTBEXCLUIDO where CODIGOEMPRESA = :pEmpresa and "
        "IDLCTOCTBEXCL = :pId",
        {{"pEmpresa", Value(empresa)}, {"pId", Value(id)}});
    if (chaveLogada.IsNull())
      throw Exception(fmt::format(
          "O lançamento excluído {} não está no registro da empresa {} (já foi restaurado ou "
          "eliminado)",
          id, empresa));
    const int64_t chave = opcoes.Chave ? *opcoes.Chave
                          : opcoes.MesmaChave
                              ? chaveLogada.AsInteger()
                              : Nutilsequence::ProximaChaveLctoCtb(conexao, empresa);
    if (conexao
            .ExecuteScalar("select count(*) from LCTOCTB where CODIGOEMPRESA = :pEmpresa and "
                           "CHAVELCTOCTB = :pChave",
                           {{"pEmpresa", Value(empresa)}, {"pChave", Value(chave)}})
            .AsInteger() > 0)
      throw Exception(
          fmt::format("A chave {} já existe na empresa {}; restaure o lançamento com outra chave",
                      chave, empresa));
    TnServicoLctoCtbExcluido servico(conexao);
    servico.SetCodigoEmpresa(empresa);
    servico.RestaurarLctoCtbExclIndividual(id, chave,
                                           TemCopias(conexao, "LCTOGEREXCLUIDO", empresa, id),
                                           TemCopias(conexao, "LCTOATIVDIFERENCEXCL", empresa, id));
    return fmt::format("Lançamento excluído {} restaurado com a chave {}", id, chave);
  });
}

std::string Eliminar(TnDMConexao& conexao, const TOpcoes& opcoes) {
  VerificarDireito(conexao, kDireitoLog);
  if (!opcoes.Id && (opcoes.De.empty() || opcoes.Ate.empty()))
    throw Exception("Informe o lançamento excluído (--id) ou o período (--from e --to)");
  const TParams periodo = Periodo(opcoes);
  return EmTransacao(conexao, [&] {
    std::vector<int64_t> ids;
    if (opcoes.Id) {
      ids.push_back(*opcoes.Id);
    } else {
      for (const ValueArray& linha :
           conexao.ExecuteQuery(std::string("select E.IDLCTOCTBEXCL") + kDoPeriodo, periodo).Rows)
        ids.push_back(linha.front().AsInteger());
    }
    TnServicoLctoCtbExcluido servico(conexao);
    servico.SetCodigoEmpresa(opcoes.Empresa);
    int64_t eliminados = 0;
    for (const int64_t id : ids) {
      const TParams chave = {{"pEmpresa", Value(opcoes.Empresa)}, {"pId", Value(id)}};
      eliminados += conexao
                        .ExecuteScalar(
                            "select count(*) from LCTOCTBEXCLUIDO where CODIGOEMPRESA = "
                            ":pEmpresa and IDLCTOCTBEXCL = :pId",
                            chave)
                        .AsInteger();
      servico.ExcluirLctoCtbExclIndividual(id);
      // The split copies go with their entry: nothing restores them later.
      for (const char* tabela : {"LCTOGEREXCLUIDO", "LCTOATIVDIFERENCEXCL"})
        conexao.ExecuteDirect(std::string("delete from ") + tabela +
                                  " where CODIGOEMPRESA = :pEmpresa and IDLCTOCTBEXCL = :pId",
                              chave);
    }
    if (opcoes.Id && eliminados == 0)
      throw Exception(fmt::format("O lançamento excluído {} não está no registro da empresa {}",
                                  *opcoes.Id, opcoes.Empresa));
    return fmt::format("{} lançamento(s) eliminado(s) do registro de excluídos", eliminados);
  });
}

}  // namespace ComandoExcluidos
