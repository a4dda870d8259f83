#include "framework/app/Nutilutil.h"

#include <atomic>
#include <map>
#include <mutex>

#include "framework/core/Nutil.h"

namespace {

std::mutex gMutex;
std::map<std::string, Value>& Variaveis() {
  static std::map<std::string, Value> variaveis;
  return variaveis;
}
std::atomic<bool> gMantem{false};

std::string Chave(const std::string& nome) {
  return Nutil::UpperCase(Nutil::Trim(nome));
}

}  // namespace

namespace Nutilutil {

Value PegarValorExternalVar(const std::string& nome) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = Variaveis().find(Chave(nome));
  return it == Variaveis().end() ? Value() : it->second;
}

void SetValorExternalVar(const std::string& nome, Value valor) {
  std::lock_guard<std::mutex> lock(gMutex);
  Variaveis()[Chave(nome)] = std::move(valor);
}

bool TemExternalVar(const std::string& nome) {
  std::lock_guard<std::mutex> lock(gMutex);
  return Variaveis().count(Chave(nome)) > 0;
}

void LimparExternalVars() {
  std::lock_guard<std::mutex> lock(gMutex);
  Variaveis().clear();
}

bool MantemExternalVars() {
  return gMantem.load();
}
void SetMantemExternalVars(bool value) {
  gMantem.store(value);
}

}  // namespace Nutilutil
