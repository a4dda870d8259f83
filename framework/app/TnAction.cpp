#include "framework/app/TnAction.h"

#include <array>
#include <utility>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"

namespace {

constexpr std::array<std::pair<TnModulo, const char*>, 7> kNomesModulos{{
    {TnModulo::nCtb, "nCtb"},
    {TnModulo::nFin, "nFin"},
    {TnModulo::nFis, "nFis"},
    {TnModulo::nFpg, "nFpg"},
    {TnModulo::nPat, "nPat"},
    {TnModulo::nCtr, "nCtr"},
    {TnModulo::nEst, "nEst"},
}};

uint32_t Bit(TnModulo modulo) {
  return 1u << static_cast<unsigned>(modulo);
}

// Named keys, in their canonical spelling.
constexpr std::array<const char*, 15> kTeclasNomeadas{"Esc",  "Enter", "Tab",  "Space", "BkSp",
                                                      "Ins",  "Del",   "Home", "End",   "PgUp",
                                                      "PgDn", "Up",    "Down", "Left",  "Right"};

std::string TeclaCanonica(const std::string& tecla) {
  const std::string upper = Nutil::UpperCase(tecla);
  if (tecla.size() == 1) {
    const char c = upper[0];
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      return upper;
    }
    return "";
  }
  if (upper.size() <= 3 && upper[0] == 'F') {
    const std::string numero = upper.substr(1);
    if (numero.find_first_not_of("0123456789") == std::string::npos && numero[0] != '0') {
      const int n = std::stoi(numero);
      if (n >= 1 && n <= 12) {
        return "F" + numero;
      }
    }
    return "";
  }
  for (const char* nome : kTeclasNomeadas) {
    if (Nutil::UpperCase(nome) == upper) {
      return nome;
    }
  }
  return "";
}

}  // namespace

std::string NomeModulo(TnModulo modulo) {
  for (const auto& [m, nome] : kNomesModulos) {
    if (m == modulo) {
      return nome;
    }
  }
  return "";
}

TnModulo ModuloPorNome(const std::string& nome) {
  for (const auto& [m, texto] : kNomesModulos) {
    if (nome == texto) {
      return m;
    }
  }
  throw Exception("Módulo desconhecido: " + nome);
}

TnConjuntoModulos::TnConjuntoModulos(std::initializer_list<TnModulo> modulos) {
  for (TnModulo m : modulos) {
    Incluir(m);
  }
}

void TnConjuntoModulos::Incluir(TnModulo modulo) {
  FBits |= Bit(modulo);
}

bool TnConjuntoModulos::Contem(TnModulo modulo) const {
  return (FBits & Bit(modulo)) != 0;
}

uint32_t HashNomeAcao(const std::string& nome) {
  uint32_t hash = 2166136261u;
  for (char c : nome) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash;
}

std::string NormalizarAtalho(const std::string& atalho) {
  const std::string texto = Nutil::Trim(atalho);
  if (texto.empty()) {
    return "";
  }
  bool ctrl = false;
  bool shift = false;
  bool alt = false;
  std::vector<std::string> partes = Nutil::StrToStrArray(texto, "+");
  // "Ctrl++" is not supported: every part must be a word.
  const std::string tecla = TeclaCanonica(Nutil::Trim(partes.back()));
  if (tecla.empty()) {
    throw Exception("Atalho inválido: " + atalho);
  }
  partes.pop_back();
  for (const std::string& parte : partes) {
    const std::string mod = Nutil::UpperCase(Nutil::Trim(parte));
    bool* flag = mod == "CTRL" ? &ctrl : mod == "SHIFT" ? &shift : mod == "ALT" ? &alt : nullptr;
    if (flag == nullptr || *flag) {
      throw Exception("Atalho inválido: " + atalho);
    }
    *flag = true;
  }
  std::string resultado;
  if (ctrl) {
    resultado += "Ctrl+";
  }
  if (shift) {
    resultado += "Shift+";
  }
  if (alt) {
    resultado += "Alt+";
  }
  return resultado + tecla;
}

bool TnAction::Execute() {
  if (!FEnabled || !FVisible || !FOnExecute) {
    return false;
  }
  FOnExecute(*this);
  return true;
}

TnAction& TnActionList::Add(const std::string& name) {
  FActions.push_back(std::make_unique<TnAction>(name));
  return *FActions.back();
}

TnAction* TnActionList::Find(const std::string& name) {
  for (auto& a : FActions) {
    if (a->Name() == name) {
      return a.get();
    }
  }
  return nullptr;
}

const TnAction* TnActionList::Find(const std::string& name) const {
  return const_cast<TnActionList*>(this)->Find(name);
}

const TnAction* TnActionList::FindByHash(uint32_t hash) const {
  for (const auto& a : FActions) {
    if (HashNomeAcao(a->Name()) == hash) {
      return a.get();
    }
  }
  return nullptr;
}

TnAction* TnActionList::FindByShortCut(const std::string& atalho) {
  const std::string canonico = NormalizarAtalho(atalho);
  if (canonico.empty()) {
    return nullptr;
  }
  for (auto& a : FActions) {
    if (a->Enabled() && a->Visible() &&
        (a->ShortCut() == canonico || a->SecondaryShortCut() == canonico)) {
      return a.get();
    }
  }
  return nullptr;
}
