#pragma once
// The pieces of the web server's protection that need no network: random
// tokens, their comparison, the session cookie, the slowing of failed
// sign-ins and the headers every response carries. docs/security.md says
// what each one protects.

#include <chrono>
#include <cstddef>
#include <cstdint>
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

// Password checks of failed sign-ins, counted so that a guesser slows
// himself, not the account's owner nor the others behind his address:
// - the account from one address (the pair): kLivresPar failures cost
//   nothing, each one after that doubles the wait before the pair's next
//   check, up to kEsperaMaxima;
// - the address across accounts: the same after kLivresEndereco failures;
// - the account from every address: at most kConferenciasPorConta failed
//   checks a minute (a fixed wait of at most a minute, reached only by
//   guessers on several addresses at once).
// A check is reserved before it runs and counts as a failure until it
// succeeds, all keys at once under one lock, so concurrent guesses see each
// other; while it runs, the wait it causes has not started yet. A success clears the pair and gives
// the account its check back; the address keeps its count (a guesser signing in to his own account
// would otherwise wipe it). A key an hour without failures starts again.
// The table holds at most kMaxChaves keys: when full, the keys idle for an
// hour are forgotten, then the oldest tenth, so a flood of addresses cannot
// grow it without bound.
class TLimitadorTentativas {
 public:
  using TRelogio = std::chrono::steady_clock;
  static constexpr int kLivresPar = 3;
  static constexpr int kLivresEndereco = 20;
  static constexpr int kConferenciasPorConta = 10;
  static constexpr std::chrono::seconds kEsperaMaxima{300};
  static constexpr size_t kMaxChaves = 10000;

  // Reserves a check of `usuario`'s password for `endereco`: zero when it
  // may run now (counted as failed until Acertou), else the wait left.
  std::chrono::seconds Reservar(int64_t usuario, const std::string& endereco,
                                TRelogio::time_point agora);
  // The reserved check failed: the pair's and the address's waits start
  // from now, when the failure is answered.
  void Falhou(int64_t usuario, const std::string& endereco, TRelogio::time_point agora);
  void Acertou(int64_t usuario, const std::string& endereco);
  size_t Chaves() const;

 private:
  struct TFalhas {
    int Quantidade = 0;
    // Checks reserved and not answered yet.
    int EmCurso = 0;
    // The last failure; for the account, the start of its minute.
    TRelogio::time_point Ultima;
  };
  // The key's count, started again when older than `vida`.
  TFalhas& Vigente(const std::string& chave, TRelogio::duration vida, TRelogio::time_point agora);
  static std::chrono::seconds Espera(const TFalhas& falhas, int livres, TRelogio::time_point agora);
  void Esquecer(TRelogio::time_point agora);

  mutable std::mutex FTrava;
  std::map<std::string, TFalhas> FFalhas;
};

}  // namespace SegurancaWeb
