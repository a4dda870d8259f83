#include "host/SegurancaWeb.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <stdexcept>

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

std::chrono::seconds TLimitadorTentativas::Espera(const std::string& chave,
                                                  TRelogio::time_point agora) {
  std::lock_guard<std::mutex> trava(FTrava);
  const auto it = FFalhas.find(chave);
  if (it == FFalhas.end() || it->second.Quantidade <= kLivres)
    return std::chrono::seconds(0);
  const int excesso = std::min(it->second.Quantidade - kLivres, 16);
  const std::chrono::seconds espera = std::min(std::chrono::seconds(1L << excesso), kEsperaMaxima);
  const auto liberada = it->second.Ultima + espera;
  if (liberada <= agora)
    return std::chrono::seconds(0);
  // Rounded up: a wait of half a second is still a wait.
  return std::chrono::ceil<std::chrono::seconds>(liberada - agora);
}

void TLimitadorTentativas::Falhou(const std::string& chave, TRelogio::time_point agora) {
  std::lock_guard<std::mutex> trava(FTrava);
  Esquecer(agora);
  TFalhas& falhas = FFalhas[chave];
  ++falhas.Quantidade;
  falhas.Ultima = agora;
}

void TLimitadorTentativas::Acertou(const std::string& chave) {
  std::lock_guard<std::mutex> trava(FTrava);
  FFalhas.erase(chave);
}

size_t TLimitadorTentativas::Chaves() const {
  std::lock_guard<std::mutex> trava(FTrava);
  return FFalhas.size();
}

void TLimitadorTentativas::Esquecer(TRelogio::time_point agora) {
  // Swept only when full: a failure costs no walk over the table before.
  if (FFalhas.size() < kMaxChaves)
    return;
  std::erase_if(FFalhas,
                [&](const auto& item) { return agora - item.second.Ultima > kEsquecerApos; });
  while (FFalhas.size() >= kMaxChaves) {
    const auto maisAntiga = std::min_element(
        FFalhas.begin(), FFalhas.end(),
        [](const auto& a, const auto& b) { return a.second.Ultima < b.second.Ultima; });
    FFalhas.erase(maisAntiga);
  }
}

}  // namespace SegurancaWeb
