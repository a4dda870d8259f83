#include "host/server/ConexoesWeb.h"

#include <fmt/format.h>
#include <netdb.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

#include "host/server/AlocadorWeb.h"

namespace ConexoesWeb {

namespace {

using TRelogio = std::chrono::steady_clock;

// An answer being written may wait this long for the client to read.
constexpr std::chrono::seconds kPrazoEscrita{60};
// How often a wait looks whether the server was stopped.
constexpr std::chrono::milliseconds kPasso{200};

thread_local bool tFecharAposResposta = false;

// The numeric address and port of a socket's peer, or of its own end.
bool Endereco(socket_t socket, bool remoto, std::string& ip, int& porta) {
  sockaddr_storage endereco{};
  socklen_t tamanho = sizeof(endereco);
  auto* geral = reinterpret_cast<sockaddr*>(&endereco);
  if ((remoto ? ::getpeername(socket, geral, &tamanho) : ::getsockname(socket, geral, &tamanho)) !=
      0)
    return false;
  char numero[NI_MAXHOST];
  char servico[NI_MAXSERV];
  if (::getnameinfo(geral, tamanho, numero, sizeof(numero), servico, sizeof(servico),
                    NI_NUMERICHOST | NI_NUMERICSERV) != 0)
    return false;
  ip = numero;
  porta = std::atoi(servico);
  return true;
}

// The connections let in, by client address; refuses one beyond a bound.
class TAdmissao {
 public:
  bool Entrar(const std::string& endereco) {
    std::lock_guard trava(FTrava);
    const auto achado = FPorEndereco.find(endereco);
    const size_t doEndereco = achado == FPorEndereco.end() ? 0 : achado->second;
    if (FTotal >= kMaxConexoes || doEndereco >= kMaxPorEndereco)
      return false;
    ++FPorEndereco[endereco];
    ++FTotal;
    return true;
  }
  void Sair(const std::string& endereco) {
    std::lock_guard trava(FTrava);
    if (--FPorEndereco[endereco] == 0)
      FPorEndereco.erase(endereco);
    --FTotal;
  }

 private:
  std::mutex FTrava;
  // At most kMaxConexoes addresses: one is kept only while it has a
  // connection.
  std::map<std::string, size_t> FPorEndereco;
  size_t FTotal = 0;
};

// A connection's bytes, over TLS or not, read through a buffer (the library
// reads a request's line and headers a byte at a time). A read waits at
// most until the request's deadline, and no wait outlives the server.
class TFluxo : public httplib::Stream {
 public:
  TFluxo(socket_t socket, SSL* ssl, const std::atomic<socket_t>& escuta)
      : FSocket(socket), FSsl(ssl), FEscuta(escuta) {}

  // Waits for the next request's first byte (at most kOciosa); the request
  // then has kPrazoRequisicao to arrive whole.
  bool EsperarRequisicao() {
    if (!Guardado() && !Aguardar(POLLIN, TRelogio::now() + kOciosa))
      return false;
    FPrazo = TRelogio::now() + kPrazoRequisicao;
    return true;
  }

  // A request did not arrive whole in time: the connection ends after the
  // library's answer to it.
  bool Esgotada() const { return FEsgotada; }

  bool is_readable() const override { return Guardado() || Aguardar(POLLIN, FPrazo); }
  bool is_writable() const override { return Aguardar(POLLOUT, TRelogio::now() + kPrazoEscrita); }

  ssize_t read(char* destino, size_t tamanho) override {
    if (FInicio == FFim) {
      if (!is_readable()) {
        FEsgotada = true;
        return -1;
      }
      const ssize_t lidos = FSsl != nullptr
                                ? SSL_read(FSsl, FBuffer, static_cast<int>(sizeof(FBuffer)))
                                : ::recv(FSocket, FBuffer, sizeof(FBuffer), 0);
      if (lidos <= 0)
        return lidos < 0 ? -1 : 0;
      FInicio = 0;
      FFim = static_cast<size_t>(lidos);
    }
    const size_t copiados = std::min(tamanho, FFim - FInicio);
    std::memcpy(destino, FBuffer + FInicio, copiados);
    FInicio += copiados;
    return static_cast<ssize_t>(copiados);
  }

  ssize_t write(const char* origem, size_t tamanho) override {
    if (!is_writable())
      return -1;
    if (FSsl == nullptr)
      return ::send(FSocket, origem, tamanho, MSG_NOSIGNAL);
    const int escritos =
        SSL_write(FSsl, origem, static_cast<int>(std::min<size_t>(tamanho, INT_MAX)));
    return escritos > 0 ? escritos : -1;
  }

  void get_remote_ip_and_port(std::string& ip, int& porta) const override {
    Endereco(FSocket, true, ip, porta);
  }
  void get_local_ip_and_port(std::string& ip, int& porta) const override {
    Endereco(FSocket, false, ip, porta);
  }
  socket_t socket() const override { return FSocket; }

 private:
  // Bytes already received and not yet read.
  bool Guardado() const { return FInicio < FFim || (FSsl != nullptr && SSL_pending(FSsl) > 0); }

  // Until the socket is ready or the deadline passes; false also once the
  // server stopped listening.
  bool Aguardar(short evento, TRelogio::time_point prazo) const {
    for (;;) {
      if (FEscuta == INVALID_SOCKET)
        return false;
      const auto agora = TRelogio::now();
      if (agora >= prazo)
        return false;
      const auto espera = std::min<TRelogio::duration>(prazo - agora, kPasso);
      pollfd pronto{FSocket, evento, 0};
      const int resultado =
          ::poll(&pronto, 1,
                 static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(espera).count()));
      if (resultado > 0)
        return (pronto.revents & (evento | POLLHUP | POLLERR)) != 0;
      if (resultado < 0 && errno != EINTR)
        return false;
    }
  }

  const socket_t FSocket;
  SSL* const FSsl;
  const std::atomic<socket_t>& FEscuta;
  TRelogio::time_point FPrazo;
  char FBuffer[4096];
  size_t FInicio = 0;
  size_t FFim = 0;
  bool FEsgotada = false;
};

// Takes each connection the library accepts on the accepting thread itself:
// the server decides there whether it gets a worker.
class TFilaNaEscuta : public httplib::TaskQueue {
 public:
  explicit TFilaNaEscuta(std::function<void()> aoParar) : FAoParar(std::move(aoParar)) {}
  void enqueue(std::function<void()> tarefa) override { tarefa(); }
  void shutdown() override { FAoParar(); }

 private:
  const std::function<void()> FAoParar;
};

template <class TBase>
class TServidorLimitado final : public TBase {
 public:
  static constexpr bool kTls = std::is_same_v<TBase, httplib::SSLServer>;

  template <class... TArgs>
  explicit TServidorLimitado(TArgs&&... args) : TBase(std::forward<TArgs>(args)...) {
    // What the answers' Keep-Alive header tells the client.
    this->set_keep_alive_max_count(kRequisicoesPorConexao);
    this->set_keep_alive_timeout(kOciosa.count());
    this->new_task_queue = [this] {
      FTrabalhadores.emplace(kMaxConexoes);
      return new TFilaNaEscuta([this] { FTrabalhadores->shutdown(); });
    };
  }

 private:
  // On the accepting thread: a worker, or the door.
  bool process_and_close_socket(socket_t socket) override {
    std::string endereco;
    int porta = 0;
    if (!Endereco(socket, true, endereco, porta) || !FAdmissao.Entrar(endereco)) {
      Recusar(socket);
      return false;
    }
    FTrabalhadores->enqueue([this, socket, endereco] {
      AlocadorWeb::SemCacheNaThread();
      Atender(socket);
      FAdmissao.Sair(endereco);
    });
    return true;
  }

  void Atender(socket_t socket) {
    // What the socket waits for on its own (a TLS record, an answer's
    // last bytes) is bounded too.
    const auto limitar = [socket](int opcao, std::chrono::seconds prazo) {
      const timeval tempo{static_cast<time_t>(prazo.count()), 0};
      ::setsockopt(socket, SOL_SOCKET, opcao, &tempo, sizeof(tempo));
    };
    limitar(SO_RCVTIMEO, kPrazoRequisicao);
    limitar(SO_SNDTIMEO, kPrazoEscrita);
    SSL* ssl = nullptr;
    if constexpr (kTls)
      ssl = SSL_new(this->ssl_context());
    TFluxo fluxo(socket, ssl, this->svr_sock_);
    bool aberta = true;
    if constexpr (kTls) {
      // The handshake waits for the client's first byte as a request does.
      aberta = ssl != nullptr && SSL_set_fd(ssl, socket) == 1 && fluxo.EsperarRequisicao() &&
               SSL_accept(ssl) == 1;
    }
    if (aberta) {
      for (size_t restantes = kRequisicoesPorConexao; restantes > 0 && fluxo.EsperarRequisicao();
           --restantes) {
        bool fechada = false;
        tFecharAposResposta = false;
        if (!this->process_request(fluxo, restantes == 1, fechada, nullptr) || fechada ||
            tFecharAposResposta || fluxo.Esgotada())
          break;
      }
      if (ssl != nullptr)
        SSL_shutdown(ssl);
    }
    if (ssl != nullptr)
      SSL_free(ssl);
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
  }

  // Over plain HTTP the client is told why; over TLS nothing can be said
  // before a handshake.
  static void Recusar(socket_t socket) {
    if constexpr (!kTls) {
      static const std::string kCorpo =
          R"({"erro":"Conexões demais abertas com o servidor; tente de novo em alguns segundos"})";
      static const std::string kResposta = fmt::format(
          "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json; "
          "charset=utf-8\r\nContent-Length: {}\r\nRetry-After: {}\r\nConnection: "
          "close\r\nCache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n\r\n{}",
          kCorpo.size(), kOciosa.count(), kCorpo);
      ::send(socket, kResposta.data(), kResposta.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    }
    ::shutdown(socket, SHUT_WR);
    ::close(socket);
  }

  TAdmissao FAdmissao;
  // One per connection let in: none waits for another's.
  std::optional<httplib::ThreadPool> FTrabalhadores;
};

}  // namespace

std::unique_ptr<httplib::Server> Criar(const std::string& certificado, const std::string& chave) {
  if (certificado.empty())
    return std::make_unique<TServidorLimitado<httplib::Server>>();
  return std::make_unique<TServidorLimitado<httplib::SSLServer>>(certificado.c_str(),
                                                                 chave.c_str());
}

void FecharAposResposta(httplib::Response& res) {
  res.set_header("Connection", "close");
  tFecharAposResposta = true;
}

}  // namespace ConexoesWeb
