#include "host/services/SenhaUsuario.h"

#include <fmt/format.h>
#include <sodium.h>

#include <array>
#include <semaphore>

#include "framework/core/Exceptions.h"
#include "framework/db/TnDMConexao.h"

namespace SenhaUsuario {

namespace {

void IniciarSodium() {
  if (sodium_init() < 0)
    throw Exception("Não foi possível iniciar a biblioteca de criptografia");
}

// The hash a missing password is checked against, so that both paths cost
// one Argon2id run.
const std::string& HashSemSenha() {
  static const std::string hash = GerarHash("sem senha cadastrada");
  return hash;
}

}  // namespace

void Validar(const std::string& senha) {
  if (senha.size() < kTamanhoMinimo || senha.size() > kTamanhoMaximo)
    throw Exception(
        fmt::format("A senha deve ter de {} a {} caracteres", kTamanhoMinimo, kTamanhoMaximo));
}

std::string GerarHash(const std::string& senha) {
  IniciarSodium();
  std::array<char, crypto_pwhash_STRBYTES> hash{};
  if (crypto_pwhash_str_alg(hash.data(), senha.data(), senha.size(),
                            crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE,
                            crypto_pwhash_ALG_ARGON2ID13) != 0)
    throw Exception("Memória insuficiente para calcular o resumo da senha");
  return std::string(hash.data());
}

bool Conferir(const std::string& hash, const std::string& senha) {
  IniciarSodium();
  // Each check takes 64 MiB: the server's many workers take turns here, so
  // a burst of sign-ins costs at most kConferenciasSimultaneas of them.
  static std::counting_semaphore<kConferenciasSimultaneas> vagas(kConferenciasSimultaneas);
  vagas.acquire();
  const bool confere = crypto_pwhash_str_verify(hash.c_str(), senha.data(), senha.size()) == 0;
  vagas.release();
  return confere;
}

void Gravar(TnDMConexao& conexao, int64_t usuario, const std::string& senha) {
  Validar(senha);
  const TParams params = {{"pUsuario", Value(usuario)}, {"pHash", Value(GerarHash(senha))}};
  if (conexao
          .ExecuteScalar("select count(*) from USUARIO where CODIGOUSUARIO = :pUsuario",
                         {params.front()})
          .AsInteger() == 0)
    throw Exception(fmt::format("Usuário {} não cadastrado", usuario));
  conexao.ExecuteDirect("update USUARIO set SENHAHASH = :pHash where CODIGOUSUARIO = :pUsuario",
                        params);
}

std::optional<std::string> Autenticar(TnDMConexao& conexao, int64_t usuario,
                                      const std::string& senha) {
  std::string hash = HashGravado(conexao, usuario);
  if (senha.size() > kTamanhoMaximo || hash.empty()) {
    SimularConferencia(senha);
    return std::nullopt;
  }
  if (!Conferir(hash, senha))
    return std::nullopt;
  return hash;
}

std::string HashGravado(TnDMConexao& conexao, int64_t usuario) {
  const TDbResult linha =
      conexao.ExecuteQuery("select SENHAHASH from USUARIO where CODIGOUSUARIO = :pUsuario",
                           {{"pUsuario", Value(usuario)}});
  if (linha.Rows.empty() || linha.Get(0, "SENHAHASH").IsNull())
    return "";
  return linha.Get(0, "SENHAHASH").AsString();
}

bool AlgumaGravada(TnDMConexao& conexao) {
  return conexao.ExecuteScalar("select count(*) from USUARIO where SENHAHASH is not null")
             .AsInteger() > 0;
}

void SimularConferencia(const std::string& senha) {
  Conferir(HashSemSenha(), senha.substr(0, kTamanhoMaximo));
}

}  // namespace SenhaUsuario
