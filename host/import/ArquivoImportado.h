#pragma once
// The files a company imported or posted, known by their content hash
// (SHA-256): a second import of the same content (the same file, a copy,
// another name) would store its entries twice, so it is refused unless the
// person says it is meant. Table IMPORTACAOARQUIVO (schema/README.md).

#include <cstdint>
#include <string>

class TnDMConexao;

namespace ArquivoImportado {

// What the command did with the content: `import entries` imports it,
// `post` posts it; the refusal says which.
enum class TOperacao { Importacao, Contabilizacao };

// Exception naming when and as what the content was imported, unless
// `deNovo`; reads only.
void VerificarInedito(TnDMConexao& conexao, int64_t codigoEmpresa, const std::string& hash,
                      bool deNovo, TOperacao operacao = TOperacao::Importacao);

// Records the import (or refreshes the record of a repeated one) in the
// caller's transaction, so it is stored with the first rows it stores.
void Registrar(TnDMConexao& conexao, int64_t codigoEmpresa, const std::string& hash,
               const std::string& nomeArquivo);

}  // namespace ArquivoImportado
