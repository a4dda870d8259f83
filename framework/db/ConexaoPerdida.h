#pragma once
// The server, or a node of a cluster behind it, stopped answering: no
// statement of the transaction can go on, and nothing of it stays. A
// caller that sorts failures by row (an import) stops at this one.

#include <string>

#include "framework/core/Exceptions.h"

class EConexaoPerdida : public EDatabaseError {
 public:
  explicit EConexaoPerdida(const std::string& engineMessage)
      : EDatabaseError(
            "A conexão com o banco de dados caiu: um servidor parou ou não responde. Nada da "
            "transação foi gravado.\n" +
            engineMessage) {}
};
