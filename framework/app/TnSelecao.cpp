#include "framework/app/TnSelecao.h"

#include <algorithm>

#include "framework/core/Nutil.h"
#include "framework/db/TnSessao.h"

namespace {

std::string Chave(const std::string& nome) {
  return Nutil::UpperCase(Nutil::Trim(nome));
}

char MaiusculaAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

// Stored keys are upper case already, so this orders them as plain
// comparison does; a name in ASCII compares with them as its upper case
// would.
bool TnSelecao::TMenorSemCaixaAscii::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(MaiusculaAscii(x)) <
           static_cast<unsigned char>(MaiusculaAscii(y));
  });
}

// Modules ask for the same few names for every record: a name in ASCII is
// looked up as it is, without building its upper-case copy.
TnSelecao::TMapaParams::const_iterator TnSelecao::Encontrar(const std::string& nome) const {
  if (std::any_of(nome.begin(), nome.end(),
                  [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
    return FParams.find(Chave(nome));
  std::string_view aparado(nome);
  constexpr std::string_view kBrancos = " \t\r\n";
  aparado.remove_prefix(std::min(aparado.find_first_not_of(kBrancos), aparado.size()));
  aparado.remove_suffix(aparado.size() - (aparado.find_last_not_of(kBrancos) + 1));
  return FParams.find(aparado);
}

void TnSelecao::SetParam(const std::string& nome, Value valor) {
  auto [it, novo] = FParams.try_emplace(Chave(nome), TParam{Nutil::Trim(nome), Value()});
  it->second.Valor = std::move(valor);
}

Value TnSelecao::Param(const std::string& nome) const {
  auto it = Encontrar(nome);
  return it == FParams.end() ? Value() : it->second.Valor;
}

bool TnSelecao::TemParam(const std::string& nome) const {
  return Encontrar(nome) != FParams.end();
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
