#pragma once
// The signed-in users of the web server. Each sign-in gets a session of its
// own: a random token (the cookie), a CSRF token (sent back in a header on
// every change), the user's host session (TSessaoHost: his connection,
// rights, selection and dialogs) and the screens his browser tabs opened.
//
// One request of a session runs at a time (Usar locks the session for the
// request; another request of the same session waits); requests of
// different sessions run at once, each on its own connection. Each request
// sees the user as the database has him now: a password changed since the
// sign-in ends the session, and the rights are read again.
//
// Bounded: at most kMaxSessoesPorUsuario sessions per user (his next
// sign-in ends the one he left unused longest) and kMaxSessoes in all (a
// sign-in beyond that ends the session unused longest, whoever's it is, so
// one user can never keep the others out); each forgotten after kOcioMaximo
// without a request and after kVidaMaxima in any case; at most kMaxTelas
// screens per session (the oldest closes).

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "host/services/DigitacaoHost.h"
#include "host/services/SessaoHost.h"

// A user's host session for the web: opened as a command's is, but left
// current on no thread (TSessaoWeb::Usar makes it current for a request).
// Raises what TSessaoHost raises (a user that does not exist ...).
std::unique_ptr<TSessaoHost> AbrirSessaoHost(const SessaoHost::TOpcoesConexao& opcoes);

class TSessaoWeb {
 public:
  using TRelogio = std::chrono::steady_clock;
  // `hashSenha`: the password hash the user signed in with.
  TSessaoWeb(int64_t usuario, std::unique_ptr<TSessaoHost> host, std::string hashSenha,
             TRelogio::time_point agora);
  ~TSessaoWeb();
  TSessaoWeb(const TSessaoWeb&) = delete;
  TSessaoWeb& operator=(const TSessaoWeb&) = delete;

  const std::string& Token() const { return FToken; }
  const std::string& Csrf() const { return FCsrf; }
  int64_t Usuario() const { return FUsuario; }
  TRelogio::time_point Criada() const { return FCriada; }
  TRelogio::time_point UltimoUso() const;

  // Runs `trabalho` as this session's request: alone among its requests,
  // with the host session current on the calling thread and the user's
  // rights read again when first asked. False, running nothing, when the
  // user's password changed since the sign-in (or he is gone): the session
  // is over.
  [[nodiscard]] bool Usar(TRelogio::time_point agora,
                          const std::function<void(TSessaoHost&)>& trabalho);
  // The tab's screen, opened on first use (only inside Usar).
  DigitacaoHost::TDigitacao& Tela(const std::string& aba, const DigitacaoHost::TOpcoesDigitacao&);

  static constexpr size_t kMaxTelas = 8;

 private:
  // Set at creation.
  const std::string FToken;
  const std::string FCsrf;
  const int64_t FUsuario;
  const TRelogio::time_point FCriada;
  const std::string FHashSenha;
  std::unique_ptr<TSessaoHost> FHost;
  // Held by Usar: one request at a time.
  std::mutex FUso;
  std::map<std::string, std::unique_ptr<DigitacaoHost::TDigitacao>> FTelas;
  std::map<std::string, uint64_t> FOrdemTelas;
  uint64_t FTelasAbertas = 0;
  mutable std::mutex FTravaUso;
  TRelogio::time_point FUltimoUso;
};

class TSessoesWeb {
 public:
  using TRelogio = TSessaoWeb::TRelogio;
  // A person's browsers and devices; the total leaves every one of 50
  // users all of his.
  static constexpr size_t kMaxSessoesPorUsuario = 5;
  static constexpr size_t kMaxSessoes = 250;
  static constexpr std::chrono::minutes kOcioMaximo{30};
  static constexpr std::chrono::hours kVidaMaxima{12};

  explicit TSessoesWeb(size_t maxSessoes = kMaxSessoes,
                       size_t maxPorUsuario = kMaxSessoesPorUsuario)
      : FMaxSessoes(maxSessoes), FMaxPorUsuario(maxPorUsuario) {}

  // A new session for a user who proved who he is (with `hashSenha`),
  // ending the ones the bounds leave no room for.
  std::shared_ptr<TSessaoWeb> Criar(int64_t usuario, std::unique_ptr<TSessaoHost> host,
                                    std::string hashSenha, TRelogio::time_point agora);
  // The live session of a token; nullptr for an unknown, idle or expired
  // one (which is then forgotten).
  std::shared_ptr<TSessaoWeb> Procurar(const std::string& token, TRelogio::time_point agora);
  void Encerrar(const std::string& token);
  size_t Quantidade() const;

 private:
  bool Expirada(const TSessaoWeb& sessao, TRelogio::time_point agora) const;

  const size_t FMaxSessoes;
  const size_t FMaxPorUsuario;
  mutable std::mutex FTrava;
  std::map<std::string, std::shared_ptr<TSessaoWeb>> FSessoes;
};
