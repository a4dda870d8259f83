#include "host/server/SegurancaWeb.h"

#include <fmt/format.h>
#include <sodium.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

namespace SegurancaWeb {

namespace {

constexpr size_t kBytesToken = 32;
constexpr std::chrono::hours kEsquecerApos{1};

void IniciarSodium() {
  if (sodium_init() < 0)
    throw std::runtime_error("Não foi possível iniciar o gerador de números aleatórios");
}

}  // namespace

const char* const kPoliticaConteudo =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
    "connect-src 'self'; form-action 'self'; frame-ancestors 'none'; base-uri 'none'";

std::string NovoToken() {
  IniciarSodium();
  std::array<unsigned char, kBytesToken> bytes{};
  randombytes_buf(bytes.data(), bytes.size());
  std::string hex(kBytesToken * 2 + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), bytes.data(), bytes.size());
  hex.pop_back();
  return hex;
}

bool TokensIguais(const std::string& a, const std::string& b) {
  return a.size() == b.size() && !a.empty() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string NomeCookie(bool tls) {
  return tls ? "__Host-ctb_sessao" : "ctb_sessao";
}

std::string CookieSessao(const std::string& token, bool tls, long maxAgeSegundos) {
  return NomeCookie(tls) + "=" + token + "; Path=/; Max-Age=" + std::to_string(maxAgeSegundos) +
         "; HttpOnly; SameSite=Strict" + (tls ? "; Secure" : "");
}

std::string LerCookie(const std::string& cabecalho, const std::string& nome) {
  size_t inicio = 0;
  while (inicio < cabecalho.size()) {
    size_t fim = cabecalho.find(';', inicio);
    if (fim == std::string::npos)
      fim = cabecalho.size();
    size_t primeiro = cabecalho.find_first_not_of(' ', inicio);
    if (primeiro < fim) {
      const std::string par = cabecalho.substr(primeiro, fim - primeiro);
      const size_t igual = par.find('=');
      if (igual != std::string::npos && par.compare(0, igual, nome) == 0 && igual == nome.size())
        return par.substr(igual + 1);
    }
    inicio = fim + 1;
  }
  return "";
}

namespace {

// The keys of the table: an account from one address, an address across
// accounts, an account from every address.
std::string ChavePar(int64_t usuario, const std::string& endereco) {
  return fmt::format("par:{}@{}", usuario, endereco);
}
std::string ChaveEndereco(const std::string& endereco) {
  return "endereco:" + endereco;
}
std::string ChaveConta(int64_t usuario) {
  return fmt::format("conta:{}", usuario);
}

constexpr std::chrono::minutes kMinutoConta{1};
// One reservation touches three keys.
constexpr size_t kChavesPorReserva = 3;

}  // namespace

std::chrono::seconds TLimitadorTentativas::Reservar(int64_t usuario, const std::string& endereco,
                                                    TRelogio::time_point agora) {
  std::lock_guard<std::mutex> trava(FTrava);
  Esquecer(agora);
  TFalhas& par = Vigente(ChavePar(usuario, endereco), kEsquecerApos, agora);
  TFalhas& doEndereco = Vigente(ChaveEndereco(endereco), kEsquecerApos, agora);
  TFalhas& conta = Vigente(ChaveConta(usuario), kMinutoConta, agora);
  std::chrono::seconds espera =
      std::max(Espera(par, kLivresPar, agora), Espera(doEndereco, kLivresEndereco, agora));
  if (conta.Quantidade >= kConferenciasPorConta)
    espera = std::max(espera,
                      std::chrono::ceil<std::chrono::seconds>(conta.Ultima + kMinutoConta - agora));
  if (espera.count() > 0)
    return espera;
  for (TFalhas* falhas : {&par, &doEndereco}) {
    ++falhas->Quantidade;
    ++falhas->EmCurso;
    falhas->Ultima = agora;
  }
  ++conta.Quantidade;
  return std::chrono::seconds(0);
}

void TLimitadorTentativas::Falhou(int64_t usuario, const std::string& endereco,
                                  TRelogio::time_point agora) {
  std::lock_guard<std::mutex> trava(FTrava);
  for (const std::string& chave : {ChavePar(usuario, endereco), ChaveEndereco(endereco)}) {
    const auto it = FFalhas.find(chave);
    if (it != FFalhas.end()) {
      it->second.EmCurso = std::max(it->second.EmCurso - 1, 0);
      it->second.Ultima = std::max(it->second.Ultima, agora);
    }
  }
}

void TLimitadorTentativas::Acertou(int64_t usuario, const std::string& endereco) {
  std::lock_guard<std::mutex> trava(FTrava);
  FFalhas.erase(ChavePar(usuario, endereco));
  for (const std::string& chave : {ChaveEndereco(endereco), ChaveConta(usuario)}) {
    const auto it = FFalhas.find(chave);
    if (it != FFalhas.end()) {
      it->second.Quantidade = std::max(it->second.Quantidade - 1, 0);
      it->second.EmCurso = std::max(it->second.EmCurso - 1, 0);
    }
  }
}

size_t TLimitadorTentativas::Chaves() const {
  std::lock_guard<std::mutex> trava(FTrava);
  return FFalhas.size();
}

TLimitadorTentativas::TFalhas& TLimitadorTentativas::Vigente(const std::string& chave,
                                                             TRelogio::duration vida,
                                                             TRelogio::time_point agora) {
  TFalhas& falhas = FFalhas[chave];
  if (falhas.EmCurso == 0 && (falhas.Quantidade == 0 || agora - falhas.Ultima >= vida))
    falhas = TFalhas{0, 0, agora};
  return falhas;
}

std::chrono::seconds TLimitadorTentativas::Espera(const TFalhas& falhas, int livres,
                                                  TRelogio::time_point agora) {
  if (falhas.Quantidade <= livres)
    return std::chrono::seconds(0);
  const int excesso = std::min(falhas.Quantidade - livres, 16);
  const std::chrono::seconds espera = std::min(std::chrono::seconds(1L << excesso), kEsperaMaxima);
  // A check still running counts its wait from its answer, however slow.
  if (falhas.EmCurso > 0)
    return espera;
  const auto liberada = falhas.Ultima + espera;
  if (liberada <= agora)
    return std::chrono::seconds(0);
  // Rounded up: a wait of half a second is still a wait.
  return std::chrono::ceil<std::chrono::seconds>(liberada - agora);
}

void TLimitadorTentativas::Esquecer(TRelogio::time_point agora) {
  // Swept only when full: a failure costs no walk over the table before.
  if (FFalhas.size() + kChavesPorReserva <= kMaxChaves)
    return;
  std::erase_if(FFalhas,
                [&](const auto& item) { return agora - item.second.Ultima > kEsquecerApos; });
  if (FFalhas.size() + kChavesPorReserva <= kMaxChaves)
    return;
  // Still full: the oldest tenth goes at once, so a flood of addresses pays
  // this walk once per thousand keys, not on every try.
  std::vector<std::map<std::string, TFalhas>::iterator> chaves;
  chaves.reserve(FFalhas.size());
  for (auto it = FFalhas.begin(); it != FFalhas.end(); ++it)
    chaves.push_back(it);
  const auto fim = chaves.begin() + static_cast<std::ptrdiff_t>(kMaxChaves / 10);
  std::nth_element(chaves.begin(), fim, chaves.end(), [](const auto& a, const auto& b) {
    return a->second.Ultima < b->second.Ultima;
  });
  for (auto it = chaves.begin(); it != fim; ++it)
    FFalhas.erase(*it);
}

}  // namespace SegurancaWeb
