#pragma once
// The pieces of the web server's protection that need no network: random
// tokens, their comparison, the session cookie, the slowing of failed
// sign-ins and the headers every response carries. docs/security.md says
// what each one protects.

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>

namespace SegurancaWeb {

// 32 random bytes from the operating system's generator, as 64 hex digits:
// the session token and the CSRF token.
std::string NovoToken();
// Compares in constant time (a wrong guess tells nothing of how close it
// came); texts of different length are different.
bool TokensIguais(const std::string& a, const std::string& b);

// The session cookie's name: under TLS with the "__Host-" prefix, which the
// browser accepts only from a secure origin, for the whole site.
std::string NomeCookie(bool tls);
// The Set-Cookie value: HttpOnly, SameSite=Strict, Path=/, Secure under TLS,
// Max-Age in seconds (0 deletes the cookie).
std::string CookieSessao(const std::string& token, bool tls, long maxAgeSegundos);
// The value of cookie `nome` in a Cookie header; "" when absent.
std::string LerCookie(const std::string& cabecalho, const std::string& nome);

// The headers of every response: a Content Security Policy that lets the
// page run only the server's own script and style, and no framing.
extern const char* const kPoliticaConteudo;

// Failed sign-ins slowed per key (the user, the address: the caller asks
// for both). Up to kLivres failures cost nothing; each one after that
// doubles the wait before the next try, up to kEsperaMaxima. A success
// clears the key. The table holds at most kMaxChaves keys: when full, the
// keys idle for an hour are forgotten, then the oldest, so a flood of
// addresses cannot grow it without bound.
class TLimitadorTentativas {
 public:
  using TRelogio = std::chrono::steady_clock;
  static constexpr int kLivres = 3;
  static constexpr std::chrono::seconds kEsperaMaxima{300};
  static constexpr size_t kMaxChaves = 10000;

  // The wait left before `chave` may try again; zero when it may now.
  std::chrono::seconds Espera(const std::string& chave, TRelogio::time_point agora);
  void Falhou(const std::string& chave, TRelogio::time_point agora);
  void Acertou(const std::string& chave);
  size_t Chaves() const;

 private:
  struct TFalhas {
    int Quantidade = 0;
    TRelogio::time_point Ultima;
  };
  void Esquecer(TRelogio::time_point agora);

  mutable std::mutex FTrava;
  std::map<std::string, TFalhas> FFalhas;
};

}  // namespace SegurancaWeb
