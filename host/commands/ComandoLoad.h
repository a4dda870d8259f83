#pragma once
// `ctb load TABLE FILE.csv`: register rows from a CSV file into one table.
//
// The header names the columns, in any order and case; each must be a real
// column of the table. Cells are typed by the table's own column kinds:
// empty = null, integers as digits, decimals with a dot (no more places than
// the column keeps), dates YYYY-MM-DD, moments YYYY-MM-DD HH:MM[:SS], flags
// 0/1. The whole file is one transaction: the first bad row stops the load
// and nothing is written. The table name is checked against the catalog and
// never reaches SQL unless it is a plain identifier of an existing table.

#include <cstdint>
#include <functional>
#include <istream>
#include <string>

#include "host/import/CsvReader.h"

class TnDMConexao;

namespace ComandoLoad {

struct TResultadoLoad {
  std::string Tabela;  // as the database names it, upper case
  int64_t Linhas = 0;
};

// Called with the CODIGOEMPRESA of each row that has one, before the row is
// written; it raises to refuse the company (and so the whole file).
using TVerificarEmpresa = std::function<void(int64_t)>;

// Raises EnField (message and column) for a bad cell or an unknown column,
// Exception for a bad table name, a bad header or a row the database refused
// (the message names the line). Nothing is loaded then.
TResultadoLoad Carregar(TnDMConexao& conexao, const std::string& tabela, std::istream& csv,
                        const TVerificarEmpresa& verificarEmpresa = {},
                        TCodificacaoCsv codificacao = TCodificacaoCsv::Utf8);

// The same from a file; raises Exception when it cannot be opened.
TResultadoLoad CarregarArquivo(TnDMConexao& conexao, const std::string& tabela,
                               const std::string& arquivo,
                               const TVerificarEmpresa& verificarEmpresa = {},
                               TCodificacaoCsv codificacao = TCodificacaoCsv::Utf8);

// "3 linhas carregadas em HISTORICOCTB".
std::string Descricao(const TResultadoLoad& resultado);

}  // namespace ComandoLoad
