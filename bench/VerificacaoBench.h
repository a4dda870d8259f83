#pragma once
// The checks a benchmark makes of what its run left behind: each named check
// collects its differences (the first few printed as they come), and the
// summary prints one line per check and says whether none differed.

#include <fmt/format.h>

#include <map>
#include <string>
#include <vector>

#include "framework/db/TnDMConexao.h"
#include "schema/SchemaInstaller.h"

class TVerificacao {
 public:
  static constexpr size_t kDiferencasMostradas = 10;

  explicit TVerificacao(const std::vector<std::string>& checks) {
    for (const std::string& check : checks)
      FContagem.emplace(check, 0);
  }

  void Diferenca(const std::string& check, const std::string& texto) {
    if (FContagem[check]++ < kDiferencasMostradas)
      fmt::print("  DIFFERS {}: {}\n", check, texto);
  }

  // One line per check; true when none differed.
  bool Resumo() const {
    bool ok = true;
    for (const auto& [check, contagem] : FContagem) {
      fmt::print("  check {:<12} {}\n", check,
                 contagem == 0 ? std::string("ok") : fmt::format("{} difference(s)", contagem));
      ok = ok && contagem == 0;
    }
    return ok;
  }

 private:
  std::map<std::string, size_t> FContagem;
};

// Every balance row that differs from a recomputation from the entries is a
// difference of the check "balances".
inline void VerificarSaldos(TnDMConexao& conexao, TVerificacao& verificacao) {
  const TDbResult diferencas = SchemaInstaller::VerificarSaldos(conexao);
  for (const ValueArray& linha : diferencas.Rows) {
    std::string texto;
    for (size_t i = 0; i < linha.size(); ++i)
      texto += fmt::format("{}{}={}", i == 0 ? "" : " ", diferencas.Columns[i].Name,
                           linha[i].IsNull() ? "null" : linha[i].AsString());
    verificacao.Diferenca("balances", texto);
  }
}
