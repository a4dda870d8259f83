#include "framework/app/TnSelecao.h"

#include <algorithm>

#include "framework/core/Ascii.h"
#include "framework/core/Nutil.h"
#include "framework/db/TnSessao.h"

namespace {

std::string Chave(const std::string& nome) {
  return Nutil::UpperCase(Nutil::Trim(nome));
}

}  // namespace

// Stored keys are upper case already; a name in ASCII hashes and compares
// with them as its upper case would.
size_t TnSelecao::THashSemCaixaAscii::operator()(std::string_view nome) const {
  return static_cast<size_t>(Ascii::HashSemCaixa(nome));
}

bool TnSelecao::TIgualSemCaixaAscii::operator()(std::string_view a, std::string_view b) const {
  return Ascii::IguaisSemCaixa(a, b);
}

TnSelecao::TMapaParams::const_iterator TnSelecao::Encontrar(std::string_view nome) const {
  if (!Ascii::SoAscii(nome))
    return FParams.find(Chave(std::string(nome)));
  constexpr std::string_view kBrancos = " \t\r\n";
  const auto branco = [&](char c) { return kBrancos.find(c) != std::string_view::npos; };
  if (nome.empty() || (!branco(nome.front()) && !branco(nome.back())))
    return FParams.find(nome);
  std::string_view aparado = nome;
  aparado.remove_prefix(std::min(aparado.find_first_not_of(kBrancos), aparado.size()));
  aparado.remove_suffix(aparado.size() - (aparado.find_last_not_of(kBrancos) + 1));
  return FParams.find(aparado);
}

void TnSelecao::SetParam(const std::string& nome, Value valor) {
  auto [it, novo] = FParams.try_emplace(Chave(nome), TParam{Nutil::Trim(nome), Value()});
  it->second.Valor = std::move(valor);
}

Value TnSelecao::Param(std::string_view nome) const {
  auto it = Encontrar(nome);
  return it == FParams.end() ? Value() : it->second.Valor;
}

bool TnSelecao::TemParam(std::string_view nome) const {
  return Encontrar(nome) != FParams.end();
}

bool TnSelecao::RemoverParam(const std::string& nome) {
  return FParams.erase(Chave(nome)) > 0;
}

std::vector<std::string> TnSelecao::Nomes() const {
  std::vector<const TMapaParams::value_type*> ordem;
  ordem.reserve(FParams.size());
  for (const auto& item : FParams)
    ordem.push_back(&item);
  std::sort(ordem.begin(), ordem.end(), [](auto* a, auto* b) { return a->first < b->first; });
  std::vector<std::string> nomes;
  nomes.reserve(ordem.size());
  for (const auto* item : ordem)
    nomes.push_back(item->second.Nome);
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
