#pragma once
// What every settings cache of the accounting base library shares: the
// session it belongs to and reads through.
//
// Each session holds one instance of each cache (ControleCTB() and friends
// forward to the current session's), so what one user's session cached is
// never seen by another's, and a worker's session starts with empty caches.
// A cache never outlives its session.

#include <optional>

#include "framework/core/Exceptions.h"
#include "framework/core/TDateTime.h"
#include "framework/core/Value.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnSessao.h"

class TnUtilCtbBase {
 public:
  explicit TnUtilCtbBase(TnSessao& sessao) : FSessao(sessao) {}
  virtual ~TnUtilCtbBase() = default;
  TnUtilCtbBase(const TnUtilCtbBase&) = delete;
  TnUtilCtbBase& operator=(const TnUtilCtbBase&) = delete;

  // Forgets what was read, so the next use reads the settings again.
  virtual void LimparChave() = 0;

 protected:
  TnDMConexao& Conexao() const { return FSessao.Conexao(); }

  // A date column: null reads as 0 (no date).
  static TDateTime Data(const Value& valor) {
    return valor.IsNull() ? TDateTime() : DateOf(valor.AsDateTime());
  }

 private:
  TnSessao& FSessao;
};
