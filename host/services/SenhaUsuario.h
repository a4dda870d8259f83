#pragma once
// The users' passwords for the web: kept in USUARIO.SENHAHASH as an Argon2id
// hash (salt and cost inside the text), never as the password itself.
//
// The cost is the library's interactive level (a few tenths of a second and
// 64 MiB per check), high enough that a stolen table yields passwords only
// slowly, low enough for a sign-in.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

class TnDMConexao;

namespace SenhaUsuario {

inline constexpr size_t kTamanhoMinimo = 8;
inline constexpr size_t kTamanhoMaximo = 128;
// Password checks running at once in one process (the others wait).
inline constexpr ptrdiff_t kConferenciasSimultaneas = 4;

// Exception unless the password has kTamanhoMinimo to kTamanhoMaximo bytes.
void Validar(const std::string& senha);
std::string GerarHash(const std::string& senha);
bool Conferir(const std::string& hash, const std::string& senha);

// Sets the password of `usuario` (Exception when the user does not exist or
// the password is refused by Validar).
void Gravar(TnDMConexao& conexao, int64_t usuario, const std::string& senha);
// The hash `senha` matched when `usuario` exists, has a password and
// `senha` is it; nothing otherwise. A user without a password costs the same
// time as a wrong one, so the answer does not tell which users have one.
std::optional<std::string> Autenticar(TnDMConexao& conexao, int64_t usuario,
                                      const std::string& senha);
// The stored hash of `usuario`; "" when he has none or does not exist. A
// new password, even the same one, gives a new hash (a new salt).
std::string HashGravado(TnDMConexao& conexao, int64_t usuario);
// True when some user has a password: without one nobody can sign in.
bool AlgumaGravada(TnDMConexao& conexao);
// Spends the time of one check and answers nothing: for a sign-in that
// fails before a password could be checked.
void SimularConferencia(const std::string& senha);

}  // namespace SenhaUsuario
