#include "host/import/ArquivoImportado.h"

#include <fmt/format.h>

#include "framework/core/Exceptions.h"
#include "framework/core/FormatDateTime.h"
#include "framework/db/TnDMConexao.h"

namespace ArquivoImportado {

void VerificarInedito(TnDMConexao& conexao, int64_t codigoEmpresa, const std::string& hash,
                      bool deNovo, TOperacao operacao) {
  if (deNovo)
    return;
  const TDbResult anterior = conexao.ExecuteQuery(
      "select NOMEARQUIVO, DATAIMPORTACAO, CODIGOUSUARIO from IMPORTACAOARQUIVO "
      "where CODIGOEMPRESA = :pEmpresa and HASHCONTEUDO = :pHash",
      {{"pEmpresa", Value(codigoEmpresa)}, {"pHash", Value(hash)}});
  if (anterior.Rows.empty())
    return;
  const auto& linha = anterior.Rows.front();
  const bool importacao = operacao == TOperacao::Importacao;
  throw Exception(fmt::format(
      "Este conteúdo já foi {} na empresa {} em {} pelo usuário {} (arquivo {}); use --again "
      "para {} de novo",
      importacao ? "importado" : "contabilizado", codigoEmpresa,
      FormatDateTime("dd/mm/yyyy hh:nn", linha.at(1).AsDateTime()), linha.at(2).AsInteger(),
      linha.at(0).AsString(), importacao ? "importá-lo" : "contabilizá-lo"));
}

void Registrar(TnDMConexao& conexao, int64_t codigoEmpresa, const std::string& hash,
               const std::string& nomeArquivo) {
  conexao.ExecuteDirect(
      "insert into IMPORTACAOARQUIVO (CODIGOEMPRESA, HASHCONTEUDO, NOMEARQUIVO, DATAIMPORTACAO, "
      "CODIGOUSUARIO) values (:pEmpresa, :pHash, :pNome, :pMomento, :pUsuario) "
      "on conflict (CODIGOEMPRESA, HASHCONTEUDO) do update set NOMEARQUIVO = excluded.NOMEARQUIVO, "
      "DATAIMPORTACAO = excluded.DATAIMPORTACAO, CODIGOUSUARIO = excluded.CODIGOUSUARIO",
      {{"pEmpresa", Value(codigoEmpresa)},
       {"pHash", Value(hash)},
       {"pNome", Value(nomeArquivo.substr(0, 255))},
       {"pMomento", Value(Now())},
       {"pUsuario", Value(conexao.CodigoUsuario())}});
}

}  // namespace ArquivoImportado
