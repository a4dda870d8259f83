#include "framework/app/Nutilutil.h"

#include <atomic>
#include <map>
#include <memory>

#include "framework/core/Nutil.h"
#include "framework/db/TnSessao.h"

namespace {

// The session's variables, by upper-case name. A worker's session starts
// with a copy.
struct TVariaveisExternas {
  std::map<std::string, Value> Valores;
  std::unique_ptr<TVariaveisExternas> Derivar(TnSessao& /*nova*/) const {
    return std::make_unique<TVariaveisExternas>(*this);
  }
};

std::map<std::string, Value>& Variaveis() {
  return TnSessao::Atual().Servico<TVariaveisExternas>().Valores;
}

std::atomic<bool> gMantem{false};

std::string Chave(const std::string& nome) {
  return Nutil::UpperCase(Nutil::Trim(nome));
}

}  // namespace

namespace Nutilutil {

Value PegarValorExternalVar(const std::string& nome) {
  auto it = Variaveis().find(Chave(nome));
  return it == Variaveis().end() ? Value() : it->second;
}

void SetValorExternalVar(const std::string& nome, Value valor) {
  Variaveis()[Chave(nome)] = std::move(valor);
}

bool TemExternalVar(const std::string& nome) {
  return Variaveis().count(Chave(nome)) > 0;
}

void LimparExternalVars() {
  Variaveis().clear();
}

bool MantemExternalVars() {
  return gMantem.load();
}
void SetMantemExternalVars(bool value) {
  gMantem.store(value);
}

}  // namespace Nutilutil
