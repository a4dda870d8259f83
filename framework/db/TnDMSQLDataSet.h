#pragma once
// Single-row look-ups by table, columns and condition, for validations that
// ask "is there a row?" or "what is this column?". Table and column names are
// given by code; they are checked (identifiers, dotted aliases, joins) so no
// quote, semicolon or comment reaches the SQL. The condition is SQL text the
// caller built with Nutil::ValorParaSQL, or with named parameters whose values
// come apart: a text asked again with other values is then prepared once.

#include <cstdint>
#include <string>

#include "framework/core/Value.h"
#include "framework/db/TDbTypes.h"

class TnDMConexao;

class TnDMSQLDataSet {
 public:
  // The connection given, or the calling thread's current one.
  explicit TnDMSQLDataSet(TnDMConexao* conexao = nullptr) : FConexao(conexao) {}

  // The first matching row's value of one column; null when no row matches.
  Value PegarValorCampo(const std::string& tabela, const std::string& campo,
                        const std::string& where, const TParams& params = {});
  // Several columns ("A;B" or "A, B"), in that order; empty when no row.
  ValueArray PegarValorCampos(const std::string& tabela, const std::string& campos,
                              const std::string& where);
  // Whether a row matches; with a column, whether one has it not null.
  bool PegarTemRegistro(const std::string& tabela, const std::string& where,
                        const TParams& params = {});
  bool PegarTemRegistro(const std::string& tabela, const std::string& campo,
                        const std::string& where);
  // Matching rows; with a column, those where it is not null.
  int64_t PegarQtdRegistro(const std::string& tabela, const std::string& where);
  int64_t PegarQtdRegistro(const std::string& tabela, const std::string& campo,
                           const std::string& where);

 private:
  TnDMConexao& Conexao() const;

  TnDMConexao* FConexao;
};
