#include "framework/app/TnSelecao.h"

#include "framework/core/Nutil.h"
#include "framework/db/TnSessao.h"

namespace {

std::string Chave(const std::string& nome) {
  return Nutil::UpperCase(Nutil::Trim(nome));
}

}  // namespace

void TnSelecao::SetParam(const std::string& nome, Value valor) {
  auto [it, novo] = FParams.try_emplace(Chave(nome), TParam{Nutil::Trim(nome), Value()});
  it->second.Valor = std::move(valor);
}

Value TnSelecao::Param(const std::string& nome) const {
  auto it = FParams.find(Chave(nome));
  return it == FParams.end() ? Value() : it->second.Valor;
}

bool TnSelecao::TemParam(const std::string& nome) const {
  return FParams.find(Chave(nome)) != FParams.end();
}

bool TnSelecao::RemoverParam(const std::string& nome) {
  return FParams.erase(Chave(nome)) > 0;
}

std::vector<std::string> TnSelecao::Nomes() const {
  std::vector<std::string> nomes;
  for (const auto& [chave, param] : FParams) {
    nomes.push_back(param.Nome);
  }
  return nomes;
}

bool TnSelecao::Atende(const std::string& requisitos) const {
  for (const std::string& item : Nutil::StrToStrArray(requisitos, ";")) {
    const std::string nome = Nutil::Trim(item);
    if (nome.empty()) {
      continue;
    }
    const Value valor = Param(nome);
    if (valor.IsNull() ||
        (valor.Type() == TValueType::String && !Nutil::TemDados(valor.AsString()))) {
      return false;
    }
  }
  return true;
}

TnDMSelecao& nDMSelecao() {
  return TnSessao::Atual().Servico<TnDMSelecao>();
}
