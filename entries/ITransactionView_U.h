#pragma once
// What the journal-entry module asks of the analytic entry screen (another
// module of the application, created by class name): to open on one
// transaction of the current company.

#include <cstdint>

class ITransactionView {
 public:
  virtual ~ITransactionView() = default;
  virtual void AbrirTransacao(int64_t transacao) = 0;
};
