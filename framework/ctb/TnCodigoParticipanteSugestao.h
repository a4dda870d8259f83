#pragma once
// The participant a register of an entry suggests for it (the Q100 record's
// person): the one participant the entry names, else the one participant
// linked to its accounts. Nothing is suggested when there is a choice to make.

#include <cstdint>
#include <optional>

class TnDMConexao;

class TnCodigoParticipanteSugestao {
 public:
  static std::optional<int64_t> TryGetStatic(TnDMConexao& conexao, int64_t codigoEmpresa,
                                             int64_t chaveLctoCtb);
};
