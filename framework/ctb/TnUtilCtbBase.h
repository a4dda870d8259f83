#pragma once
// What every settings singleton of the accounting base library shares: the
// connection it reads through and the company key its cache belongs to.
//
// The singletons live for the whole process and are reached through global
// accessors (ControleCTB() ...). They never own the connection: they read
// through the one given to SetConexao or, without one, the calling thread's
// current connection (TnDMConexao::Atual). Reading through another
// connection than last time drops every cached key, since the same company
// may hold other settings in another database. Not thread-safe: the cache
// is shared by the process.

#include <optional>

#include "framework/core/Exceptions.h"
#include "framework/core/TDateTime.h"
#include "framework/core/Value.h"
#include "framework/db/TnDMConexao.h"

class TnUtilCtbBase {
 public:
  virtual ~TnUtilCtbBase() = default;

  void SetConexao(TnDMConexao* conexao) {
    FConexao = conexao;
    FUltimaConexao = nullptr;
    LimparChave();
  }
  TnDMConexao* GetConexao() const { return FConexao; }

  // Forgets what was read, so the next use reads the settings again.
  virtual void LimparChave() = 0;

 protected:
  TnDMConexao& Conexao() {
    TnDMConexao* conexao = FConexao ? FConexao : TnDMConexao::AtualOuNulo();
    if (!conexao)
      throw Exception("As configurações contábeis não têm conexão com o banco de dados!");
    if (conexao != FUltimaConexao) {
      LimparChave();
      FUltimaConexao = conexao;
    }
    return *conexao;
  }

  // A date column: null reads as 0 (no date).
  static TDateTime Data(const Value& valor) {
    return valor.IsNull() ? TDateTime() : DateOf(valor.AsDateTime());
  }

 private:
  TnDMConexao* FConexao = nullptr;
  // The connection the cache was read through.
  TnDMConexao* FUltimaConexao = nullptr;
};
