#include "schema/SchemaInstaller.h"

#include <fmt/format.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/db/TnDMConexao.h"
#include "schema/SchemaScripts.h"

namespace SchemaInstaller {

namespace {

std::string Dialeto(const TnDMConexao& conexao) {
  return conexao.PegarTipoCon() == TTipoConexao::SQLite ? "sqlite" : "postgresql";
}

std::string Script(const TnDMConexao& conexao, const std::string& nome) {
  return std::string(SchemaScripts::Get(Dialeto(conexao) + "/" + nome));
}

// Runs `work` in a transaction of its own level: committed when it returns,
// rolled back when it raises.
void EmTransacao(TnDMConexao& conexao, const std::function<void()>& work) {
  conexao.StartTransaction();
  try {
    work();
  } catch (...) {
    conexao.RollBack();
    throw;
  }
  conexao.Commit();
}

// A Citus coordinator: the database has the extension that distributes
// tables over worker nodes.
bool Distribuido(TnDMConexao& conexao) {
  return conexao.PegarTipoCon() == TTipoConexao::PostgreSQL &&
         conexao.ExecuteScalar("select count(*) from pg_extension where extname = 'citus'")
                 .AsInteger() > 0;
}

// The statements of a script, each with its closing ";": a ";" inside a
// quoted text or name, a dollar-quoted body or a comment does not end one.
constexpr const char* kLetrasMarca =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_";

std::vector<std::string> Instrucoes(const std::string& script) {
  std::vector<std::string> instrucoes;
  size_t inicio = 0;
  size_t i = 0;
  auto fechar = [&](const std::string& fim) {
    const size_t achado = script.find(fim, i);
    i = achado == std::string::npos ? script.size() : achado + fim.size();
  };
  while (i < script.size()) {
    const char c = script[i];
    if (c == '\'' || c == '"') {
      ++i;
      fechar(std::string(1, c));
    } else if (script.compare(i, 2, "--") == 0) {
      fechar("\n");
    } else if (script.compare(i, 2, "/*") == 0) {
      i += 2;
      fechar("*/");
    } else if (const size_t fimMarca = script.find_first_not_of(kLetrasMarca, i + 1);
               c == '$' && fimMarca != std::string::npos && script[fimMarca] == '$') {
      const std::string marca = script.substr(i, fimMarca - i + 1);
      i = fimMarca + 1;
      fechar(marca);
    } else if (c == ';') {
      instrucoes.push_back(script.substr(inicio, ++i - inicio));
      inicio = i;
    } else {
      ++i;
    }
  }
  if (script.find_first_not_of(" \t\r\n", inicio) != std::string::npos)
    instrucoes.push_back(script.substr(inicio));
  return instrucoes;
}

// Runs a schema script. Citus propagates a DDL statement to the workers as
// the text the client sent, so a script sent whole would reach them as many
// statements where one is expected: on a coordinator it goes one statement
// at a time.
void RodarScript(TnDMConexao& conexao, bool distribuido, const std::string& script) {
  if (!distribuido) {
    conexao.ExecuteScript(script);
    return;
  }
  for (const std::string& instrucao : Instrucoes(script))
    conexao.ExecuteScript(instrucao);
}

// Somebody must be able to grant rights: when nobody holds the right to
// administer users, user 1 (created when missing) gets it.
void GarantirAdministrador(TnDMConexao& conexao) {
  const TParams direito = {{"pDireito", Value(kDireitoAdministrarUsuarios)}};
  if (conexao
          .ExecuteScalar("select count(*) from DIREITOUSUARIO where upper(NOMEDIREITO) = "
                         "upper(:pDireito) and NIVEL = '8'",
                         direito)
          .AsInteger() > 0)
    return;
  const TParams usuario = {{"pUsuario", Value(kUsuarioAdministrador)},
                           {"pDireito", Value(kDireitoAdministrarUsuarios)}};
  conexao.ExecuteDirect(
      "insert into USUARIO (CODIGOUSUARIO, NOMEUSUARIO) values (:pUsuario, 'Administrador') "
      "on conflict (CODIGOUSUARIO) do nothing",
      {usuario.front()});
  conexao.ExecuteDirect(
      "delete from DIREITOUSUARIO where CODIGOUSUARIO = :pUsuario and upper(NOMEDIREITO) = "
      "upper(:pDireito)",
      usuario);
  conexao.ExecuteDirect(
      "insert into DIREITOUSUARIO (CODIGOUSUARIO, NOMEDIREITO, NIVEL) values (:pUsuario, "
      ":pDireito, '8')",
      usuario);
}

// Steps from one version to the next, run after the script (which creates
// what is missing: version 2 brought PERSONALIZACAO, version 3 the
// managerial balance tables and their triggers, and IMPORTACAOARQUIVO, which
// starts empty; version 4 LOTESALDOFAIXA and triggers that leave its blocks
// of keys to the batch writer, which a program that names such blocks needs,
// so it asks for the upgrade; version 5 partial indexes on the entry columns
// most entries leave empty; version 7 the unique keys of SQLite's batch
// journals, which its triggers add into; version 8 drops the index of
// entries by batch (LOTECTB), which no statement searches and every stored
// entry paid for; version 9 SQLite's view of an entry's balance columns, a
// row per entry, which a program that reads it there needs; version 10 the
// income statement's group types, which the check of GRUPODEMONSCTB refused
// before; version 11 the cost centres allowed per account and the statement
// rows already imported (IMPORTACAOEXTRATO), new tables the script creates);
// version 12 the entries' indexes by account side carrying the type and
// establishment, which the web ledger counts from; step k takes version k
// to k + 1.
void Atualizar(TnDMConexao& conexao, int deVersao) {
  if (deVersao == 1)
    GarantirAdministrador(conexao);
  // The cost-centre splits written before version 3 are in no balance yet.
  if (deVersao == 2)
    conexao.ExecuteScript(Script(conexao, "rebuild_balances.sql"));
  // An entry without a transaction, origin key or scheduled entry stays out
  // of the index on that column: the script re-creates them partial.
  if (deVersao == 4) {
    conexao.ExecuteScript(
        "DROP INDEX IF EXISTS IX_LCTOCTB_TRANS; DROP INDEX IF EXISTS IX_LCTOCTB_ORIGEM; "
        "DROP INDEX IF EXISTS IX_LCTOCTB_LCTOPROG;");
    conexao.ExecuteScript(std::string(SchemaScripts::Get("tables.sql")));
  }
  if (deVersao == 7)
    conexao.ExecuteScript("DROP INDEX IF EXISTS IX_LCTOCTB_LOTE;");
  if (deVersao == 11) {
    conexao.ExecuteScript(
        "DROP INDEX IF EXISTS IX_LCTOCTB_DEB; DROP INDEX IF EXISTS IX_LCTOCTB_CRED;");
    conexao.ExecuteScript(std::string(SchemaScripts::Get("tables.sql")));
  }
  // SQLite cannot change a check: the table is made again under the script's
  // definition, its rows copied over (the old types are all still valid).
  if (deVersao == 9) {
    conexao.ExecuteScript("ALTER TABLE GRUPODEMONSCTB RENAME TO GRUPODEMONSCTB_V9;");
    // PostgreSQL's key index keeps the table's old name, which the new key wants.
    if (conexao.PegarTipoCon() == TTipoConexao::PostgreSQL)
      conexao.ExecuteScript("ALTER INDEX GRUPODEMONSCTB_PKEY RENAME TO GRUPODEMONSCTB_V9_PKEY;");
    conexao.ExecuteScript(std::string(SchemaScripts::Get("tables.sql")));
    conexao.ExecuteScript(
        "INSERT INTO GRUPODEMONSCTB (CODIGOEMPRESA, CLASSIFGRUPO, TIPOGRUPO) "
        "SELECT CODIGOEMPRESA, CLASSIFGRUPO, TIPOGRUPO FROM GRUPODEMONSCTB_V9; "
        "DROP TABLE GRUPODEMONSCTB_V9;");
  }
}

}  // namespace

// Looked up in the catalog rather than by querying the table: on PostgreSQL a
// failed statement would spoil the transaction the caller runs in.
bool TabelaExiste(TnDMConexao& conexao, const std::string& tabela) {
  const std::string sql =
      conexao.PegarTipoCon() == TTipoConexao::SQLite
          ? "select count(*) from sqlite_master where type = 'table' and upper(name) = :pNome"
          : "select count(*) from information_schema.tables "
            "where table_schema = current_schema() and upper(table_name) = :pNome";
  return conexao.ExecuteScalar(sql, {{"pNome", Value(tabela)}}).AsInteger() > 0;
}

std::string TResultadoInstalacao::Descricao() const {
  switch (Acao) {
    case TAcaoInstalacao::Criado:
      return fmt::format("Esquema criado (versão {})", VersaoAtual);
    case TAcaoInstalacao::Atualizado:
      return fmt::format("Esquema atualizado da versão {} para a versão {}", VersaoAnterior,
                         VersaoAtual);
    case TAcaoInstalacao::Mantido:
      return fmt::format("Esquema já na versão {}", VersaoAtual);
    case TAcaoInstalacao::Reaplicado:
      break;
  }
  return fmt::format("Esquema já na versão {}; visões, funções e gatilhos recriados", VersaoAtual);
}

int VersaoInstalada(TnDMConexao& conexao) {
  if (!TabelaExiste(conexao, "VERSAOSCHEMA"))
    return 0;
  Value versao = conexao.ExecuteScalar("select max(VERSAO) from VERSAOSCHEMA");
  return versao.IsNull() ? 0 : static_cast<int>(versao.AsInteger());
}

TResultadoInstalacao Instalar(TnDMConexao& conexao, TModoInstalacao modo) {
  TResultadoInstalacao resultado;
  EmTransacao(conexao, [&] {
    // Two programs installing at once (two demos starting together) take
    // turns: their re-created triggers and functions would otherwise
    // deadlock, and the second reads the version the first left. (A
    // program already writing would still meet a re-run script: demos do
    // not re-run a current one.)
    if (conexao.PegarTipoCon() == TTipoConexao::PostgreSQL)
      conexao.ExecuteScalar("select pg_advisory_xact_lock(hashtext('ctb: instalar o esquema'))");
    resultado.VersaoAnterior = VersaoInstalada(conexao);
    if (resultado.VersaoAnterior > kVersaoSchema)
      throw Exception(fmt::format(
          "O banco de dados está na versão {} do esquema, mais nova que a versão {} que "
          "este programa conhece; use um programa atualizado",
          resultado.VersaoAnterior, kVersaoSchema));
    if (resultado.VersaoAnterior == kVersaoSchema && modo == TModoInstalacao::SeDesatualizado) {
      resultado.Acao = TAcaoInstalacao::Mantido;
      return;
    }
    // Re-creating what exists is announced as a notice per table on
    // PostgreSQL: only warnings are worth showing here.
    if (conexao.PegarTipoCon() == TTipoConexao::PostgreSQL)
      conexao.ExecuteDirect("SET LOCAL client_min_messages = warning");
    const bool distribuido = Distribuido(conexao);
    // The balance triggers are re-created on distributed tables, which
    // Citus allows only under this setting (schema/postgresql/citus.sql);
    // the tables, functions and triggers created before the distribution
    // and changed after it in one transaction need one connection per node.
    if (distribuido) {
      conexao.ExecuteDirect("SET LOCAL citus.enable_unsafe_triggers = on");
      conexao.ExecuteDirect("SET LOCAL citus.multi_shard_modify_mode = 'sequential'");
    }
    RodarScript(conexao, distribuido, std::string(SchemaScripts::Get("tables.sql")));
    RodarScript(conexao, distribuido, Script(conexao, "schema.sql"));
    if (resultado.VersaoAnterior == 0) {
      GarantirAdministrador(conexao);
      resultado.Acao = TAcaoInstalacao::Criado;
    } else if (resultado.VersaoAnterior < kVersaoSchema) {
      for (int versao = resultado.VersaoAnterior; versao < kVersaoSchema; ++versao)
        Atualizar(conexao, versao);
      resultado.Acao = TAcaoInstalacao::Atualizado;
    } else {
      resultado.Acao = TAcaoInstalacao::Reaplicado;
    }
    // After the upgrade steps, which may make a table again.
    if (distribuido)
      RodarScript(conexao, distribuido, Script(conexao, "citus.sql"));
    conexao.ExecuteDirect("update VERSAOSCHEMA set VERSAO = :pVersao",
                          {{"pVersao", Value(kVersaoSchema)}});
    resultado.VersaoAtual = kVersaoSchema;
  });
  return resultado;
}

void RecalcularSaldos(TnDMConexao& conexao, std::optional<int64_t> codigoEmpresa) {
  std::string script;
  if (codigoEmpresa) {
    script = Script(conexao, "rebuild_balances_company.sql");
    const std::string marca = "{CODIGOEMPRESA}";
    const std::string codigo = std::to_string(*codigoEmpresa);
    for (size_t pos = script.find(marca); pos != std::string::npos;
         pos = script.find(marca, pos + codigo.size()))
      script.replace(pos, marca.size(), codigo);
  } else {
    script = Script(conexao, "rebuild_balances.sql");
  }
  EmTransacao(conexao, [&] { conexao.ExecuteScript(script); });
}

std::string ConsultaDiferencasSaldos() {
  return std::string(SchemaScripts::Get("check_balances.sql"));
}

TDbResult VerificarSaldos(TnDMConexao& conexao) {
  return conexao.ExecuteQuery("select * from (" + ConsultaDiferencasSaldos() +
                              ") DIFERENCA order by 1, 3, 4, 5, 10, 6, 7, 8, 9, 2");
}

}  // namespace SchemaInstaller
