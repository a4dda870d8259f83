#pragma once
// The connections of `ctb serve`: who is let in, on which worker, and for
// how long. The HTTP library serves each connection on one worker until it
// closes, taking connections in the order they came: a client holding a
// couple of hundred idle connections kept every other person waiting for
// the workers they held. Here a connection is let in or refused as it is
// accepted, before it takes a worker, against a bound per client address
// and one in total; there are as many workers as the total bound, so the
// connections let in never wait for one; and a connection ends when it
// sends nothing, or sends its request too slowly.
//
// A connection beyond a bound is closed at once; over plain HTTP it first
// gets "503 Service Unavailable" with {"erro": ...} and Retry-After (over
// TLS nothing can be said before the handshake, which would take a worker).

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace ConexoesWeb {

// Open at once from one client address (IPv4, or a whole IPv6 address),
// and in total, each on a worker of its own.
inline constexpr size_t kMaxPorEndereco = 64;
inline constexpr size_t kMaxConexoes = 256;
// How long a connection may wait before its next request's first byte, and
// how long a request (line, headers and body) may take to arrive.
inline constexpr std::chrono::seconds kOciosa{5};
inline constexpr std::chrono::seconds kPrazoRequisicao{15};
// Requests one connection sends before it is closed (the client opens
// another).
inline constexpr size_t kRequisicoesPorConexao = 100;

// The HTTP server under these bounds: plain when `certificado` is empty,
// TLS otherwise (is_valid() false when the files cannot be loaded).
std::unique_ptr<httplib::Server> Criar(const std::string& certificado, const std::string& chave);

// Closes the connection of the request being answered on this thread once
// the answer is written: for a refusal that leaves the request's body
// unread, which must not be taken for the next request.
void FecharAposResposta(httplib::Response& res);

}  // namespace ConexoesWeb
