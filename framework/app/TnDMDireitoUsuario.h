#pragma once
// The logged user's rights, read from DIREITOUSUARIO (CODIGOUSUARIO,
// NOMEDIREITO, NIVEL). A right's level is one character; "8" lifts the
// restriction the right names, any other level applies it.
//
// A right without a row answers "" (no level), which is not "8": a right
// nobody granted restricts. Right names compare without regard to case.
// The rights of a user are read once, all together, on the first question
// about that user, and cached per user code until LimparCache (after the
// rights were edited). The user is the connection's, read at each question,
// so a host that changes the logged user needs no new service.
//
// Whether the rights service exists at all is a host setting: modules ask
// nDMDireitoUsuario() first and skip the right when it is null.

#include <cstdint>
#include <map>
#include <memory>
#include <string>

class TnDMConexao;
class TnSessao;

class TnDMDireitoUsuario {
 public:
  static constexpr const char* kNivelLiberado = "8";

  // The connection must outlive the service.
  explicit TnDMDireitoUsuario(TnDMConexao& conexao) : FConexao(conexao) {}

  // The level of the right for the connection's user; "" without a row.
  // Raises EDatabaseError when the table cannot be read.
  std::string PegarDireito(const std::string& nome);
  // PegarDireito(nome) == "8".
  bool TemDireitoLiberado(const std::string& nome) { return PegarDireito(nome) == kNivelLiberado; }

  void LimparCache() { FCache.clear(); }
  // A worker's session reads the same rights through its own connection.
  std::unique_ptr<TnDMDireitoUsuario> Derivar(TnSessao& nova) const;
  // How many times the table was read (one per user and cache life).
  int Leituras() const { return FLeituras; }

 private:
  TnDMConexao& FConexao;
  // Cached by user code: upper-case right name -> level.
  std::map<int64_t, std::map<std::string, std::string>> FCache;
  int FLeituras = 0;
};

// The current session's rights service; nullptr when the host runs without
// one (or the thread has no session).
TnDMDireitoUsuario* nDMDireitoUsuario();
// Into the current session; not owned: the host keeps the service alive
// while it is set (nullptr removes it).
void SetnDMDireitoUsuario(TnDMDireitoUsuario* servico);
