#pragma once
// The session of one `ctb` command: the database the global options name
// (an SQLite file, --db, default ctb.db in the current folder, or a
// PostgreSQL server, --pg), the logged user (--user) and the host services
// the modules reach, installed in the user's session (TnSessao, current on
// the calling thread while the command runs) the same way for every command:
// - the connection;
// - the rights service over DIREITOUSUARIO (nDMDireitoUsuario);
// - the personalisation of the installation, read from PERSONALIZACAO
//   (nDMPersonalizacao);
// - the selection (nDMSelecao), holding the company the command was allowed
//   to act on;
// - the session's default dialog service, without a person behind it: a
//   question nobody can answer stops the work instead of waiting (entry post
//   brings its answers).
// - the modules' log lines, kept from the terminal (LogHost).
//
// The session also owns the access rules every command goes through: the
// logged user must exist in USUARIO; a company must exist and be listed for
// him in EMPRESAUSUARIO; the users, rights and installation tables need the
// right to administer users.

#include <cstdint>
#include <memory>
#include <string>

#include "framework/app/TnDMDireitoUsuario.h"
#include "framework/app/TnDMPersonalizacao.h"
#include "framework/db/TnSessao.h"

namespace SessaoHost {

struct TOpcoesConexao {
  std::string ArquivoSQLite = "ctb.db";
  std::string ConninfoPg;  // non-empty: PostgreSQL instead of the file
  int64_t CodigoUsuario = 1;
};

// What the command needs of the database: its schema (most commands), or
// it creates or upgrades the schema itself (db init, demo).
enum class TEsquema { Exigido, CriadoPeloComando };

}  // namespace SessaoHost

class TSessaoHost {
 public:
  // Opens the database and installs the services. A command that needs the
  // schema refuses a missing SQLite file (nothing is created) and a
  // database without the schema or with an older one, naming `ctb db init`.
  // On a database with the schema the user must exist. On one without it
  // (or with an older one) only the future administrator, user 1, may go on.
  TSessaoHost(const SessaoHost::TOpcoesConexao& opcoes, SessaoHost::TEsquema esquema);
  TSessaoHost(const TSessaoHost&) = delete;
  TSessaoHost& operator=(const TSessaoHost&) = delete;

  TnDMConexao& Conexao() { return *FConexao; }
  TnSessao& Sessao() { return FSessao; }
  TnDMDireitoUsuario& Direitos() { return *FDireitos; }
  // True when the database had the current schema when the session opened.
  bool TinhaEsquema() const { return FTinhaEsquema; }

  // After the command installed the schema: checks the user and reads the
  // personalisation, as the constructor does on a database with the schema.
  void EsquemaInstalado();

  // Raises Exception unless the company exists and the user may act on it;
  // the company then becomes the selection's.
  void VerificarEmpresa(int64_t codigoEmpresa);
  // Every company of an inclusion expression ("1;3;5-7"): each single code,
  // and each registered company of an interval (an interval without one is
  // refused).
  void VerificarEmpresas(const std::string& expressao);
  // A report's filters name what exists in the companies verified so far:
  // each establishment code of an inclusion expression ("1;3-5": the single
  // codes each, an interval at least one), and at least one account under
  // the classification groups ("1.1;2"). Empty expressions filter nothing.
  void VerificarEstabelecimentos(const std::string& expressao);
  void VerificarClassificacao(const std::string& grupos);
  // Raises Exception unless the user holds the right to administer users.
  void VerificarAdministrador();
  // Loading into the users, rights and installation tables needs the
  // administrator's right (raises Exception without it); the rows of any
  // other table are checked by company: returns true for those.
  bool VerificarTabelaCarga(const std::string& tabela);

 private:
  void VerificarUsuario();
  void CarregarPersonalizacao();

  TnSessao FSessao;
  TUsarSessao FUsarSessao;
  // The session's, set at creation.
  TnDMConexao* FConexao;
  TnDMDireitoUsuario* FDireitos;
  TnDMPersonalizacao* FPersonalizacao;
  // The companies VerificarEmpresa accepted, as an SQL list of numbers.
  std::string FEmpresasVerificadas;
  bool FTinhaEsquema = false;
};
