#pragma once
// A statement with its parameters: the first link of the chain that fills a
// client data set (TnSQLDataSet -> TnDataSetProvider -> TnClientDataSet), and
// the object a module keeps for a statement it runs again and again.
//
// The connection is the one given, or the calling thread's current one at
// the moment the statement runs.

#include <cstdint>
#include <string>

#include "framework/db/TDbTypes.h"

class TnDMConexao;

class TnSQLDataSet {
 public:
  explicit TnSQLDataSet(TnDMConexao* conexao = nullptr) : FConexao(conexao) {}

  const std::string& CommandText() const { return FCommandText; }
  void SetCommandText(std::string text) { FCommandText = std::move(text); }
  TParams& Params() { return FParams; }
  const TParams& Params() const { return FParams; }
  void SetParams(TParams params) { FParams = std::move(params); }
  // Sets the named parameter, adding it when absent.
  void SetParam(const std::string& name, const Value& value);

  TnDMConexao& Conexao() const;
  void SetConexao(TnDMConexao* conexao) { FConexao = conexao; }

  // Runs the statement and returns its rows.
  TDbResult Abrir() const;
  // Runs the statement; the rows affected.
  int64_t ExecSQL() const;

 private:
  TnDMConexao* FConexao;
  std::string FCommandText;
  TParams FParams;
};
