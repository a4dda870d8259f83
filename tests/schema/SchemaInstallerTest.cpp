#include "schema/SchemaInstaller.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <string>
#include <tuple>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/db/Nutilsequence.h"
#include "framework/db/TnDMConexao.h"
#include "tests/support/TestDatabases.h"

namespace {

class TSchemaInstallerTest : public TDatabaseTest {};

TEST_P(TSchemaInstallerTest, SecondInstallKeepsDataAndRecreatesTriggers) {
  EXPECT_EQ(SchemaInstaller::VersaoInstalada(Conexao()), 0);
  auto primeira = SchemaInstaller::Instalar(Conexao());
  EXPECT_EQ(primeira.Acao, SchemaInstaller::TAcaoInstalacao::Criado);
  EXPECT_EQ(primeira.Descricao(),
            fmt::format("Esquema criado (versão {})", SchemaInstaller::kVersaoSchema));
  Conexao().ExecuteDirect(
      "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
      "TIPOLANCAMENTO, CONTACTBDEB, VALORLCTOCTB) values (1, 1, 1, '2025-01-02', 'LN', 11, 7.5)");

  auto segunda = SchemaInstaller::Instalar(Conexao());
  EXPECT_EQ(segunda.Acao, SchemaInstaller::TAcaoInstalacao::Reaplicado);
  EXPECT_EQ(segunda.VersaoAnterior, SchemaInstaller::kVersaoSchema);
  EXPECT_EQ(Contar("select count(*) from VERSAOSCHEMA"), 1);
  EXPECT_EQ(Contar("select count(*) from LCTOCTB"), 1);
  // The triggers still work after being re-created.
  Conexao().ExecuteDirect(
      "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
      "TIPOLANCAMENTO, CONTACTBDEB, VALORLCTOCTB) values (1, 2, 1, '2025-01-02', 'LN', 11, 2.5)");
  EXPECT_EQ(Conexao()
                .ExecuteScalar("select VALORDEB from SALDOCTB where CONTACTB = 11")
                .AsCurrency()
                .ToString(),
            "10");
  EXPECT_TRUE(SchemaInstaller::VerificarSaldos(Conexao()).Rows.empty());
}

// Entry keys and transaction numbers drawn before they were kept per company
// go on from where they were, past the company's highest value, never below
// it; the log's ids, once global, go on past each company's highest id.
TEST_P(TSchemaInstallerTest, ReinstallMovesEntryKeySequencesToTheirCompany) {
  SchemaInstaller::Instalar(Conexao());
  Conexao().ExecuteScript(
      "insert into SEQUENCIA (NOME, VALOR) values ('DYN_GENCHAVELCTOCTB(3)', 77);"
      "insert into SEQUENCIA (NOME, VALOR) values ('DYN_GENCHAVELCTOCTB(12)', 5);"
      "insert into SEQUENCIA (NOME, VALOR) values ('GEN_IDLCTOCTBEXCL', 9);"
      "insert into SEQUENCIA (NOME, VALOR) values ('GEN_TRANSCTB(3)', 15);"
      "insert into SEQUENCIA (NOME, VALOR) values ('GEN_OUTRA', 4);"
      "insert into LCTOCTBEXCLUIDO (IDLCTOCTBEXCL, CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, "
      "DATALCTOCTB, TIPOLANCAMENTO, VALORLCTOCTB) values (6, 12, 7, 1, '2025-01-02', 'LN', 1);"
      "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
      "TIPOLANCAMENTO, CONTACTBDEB, VALORLCTOCTB) values (12, 40, 1, '2025-01-02', 'LN', 11, 1);");
  SchemaInstaller::Instalar(Conexao());
  EXPECT_EQ(Nutilsequence::ProximaChaveLctoCtb(Conexao(), 3), 78);
  EXPECT_EQ(Nutilsequence::ProximaChaveLctoCtb(Conexao(), 12), 41);
  EXPECT_EQ(Nutilsequence::ProximaChaveLctoCtb(Conexao(), 4), 1);
  EXPECT_EQ(Nutilsequence::ProximaTransacao(Conexao(), 3), 16);
  EXPECT_EQ(Nutilsequence::ProximoIdLctoCtbExcl(Conexao(), 12), 7);
  EXPECT_EQ(Nutilsequence::ProximoIdLctoCtbExcl(Conexao(), 3), 1);
  EXPECT_EQ(Contar("select count(*) from SEQUENCIA"), 1);
  EXPECT_EQ(Nutilsequence::PegarProximaSequence(Conexao(), "GEN_OUTRA"), 5);
}

TEST_P(TSchemaInstallerTest, RefusesDatabaseNewerThanProgramWithoutTouchingIt) {
  SchemaInstaller::Instalar(Conexao());
  Conexao().ExecuteDirect("update VERSAOSCHEMA set VERSAO = 99");
  Conexao().ExecuteScript("drop view VLCTOCTBSALDO");
  const std::string erro = MensagemDoErro([&] { SchemaInstaller::Instalar(Conexao()); });
  EXPECT_NE(erro.find("versão 99"), std::string::npos) << erro;
  EXPECT_FALSE(Conexao().InTransaction());
  EXPECT_EQ(SchemaInstaller::VersaoInstalada(Conexao()), 99);
  // The script did not run: the dropped view is still missing.
  EXPECT_THROW(Conexao().ExecuteQuery("select * from VLCTOCTBSALDO"), EDatabaseError);
}

// How many of the named indexes of this schema have a definition like
// `padrao`. The definitions are read only for this schema's indexes (the
// subquery is kept apart): read for every schema's, one another test drops
// meanwhile fails with "could not open relation".
std::string DefinicoesPg(const std::string& nomes, const std::string& padrao) {
  return "select count(*) from (select upper(indexdef) as definicao from pg_indexes where "
         "schemaname = current_schema() and upper(indexname) in (" +
         nomes + ") offset 0) indices where definicao like " + padrao;
}

// Each older version is brought to the current one by its own step, seen
// through one query before and after: version 1 had no right to administer
// users, so user 1 becomes the administrator (created when missing) so that
// somebody can grant rights, and the personalisation table arrives; version 2
// kept no cost-centre balances, so the splits already written are balanced;
// version 4 indexed every entry on its transaction, origin key and scheduled
// entry, so the entries without one are left out; version 6 had no unique
// keys on SQLite's batch journals, which its triggers need; version 7
// indexed the entries by batch, which nothing searches; version 11's indexes
// of entries by account side lacked the type and establishment.
TEST_P(TSchemaInstallerTest, UpgradeFromEachOlderVersionAppliesItsOwnStep) {
  const std::string parciais =
      Conexao().PegarTipoCon() == TTipoConexao::SQLite
          ? "select count(*) from sqlite_master where type = 'index' and name in "
            "('IX_LCTOCTB_TRANS', 'IX_LCTOCTB_ORIGEM', 'IX_LCTOCTB_LCTOPROG') and sql like "
            "'%WHERE%IS NOT NULL'"
          : DefinicoesPg("'IX_LCTOCTB_TRANS', 'IX_LCTOCTB_ORIGEM', 'IX_LCTOCTB_LCTOPROG'",
                         "'%WHERE%IS NOT NULL)'");
  const std::string lote =
      Conexao().PegarTipoCon() == TTipoConexao::SQLite
          ? "select count(*) from sqlite_master where name = 'IX_LCTOCTB_LOTE'"
          : "select count(*) from pg_indexes where schemaname = current_schema() and "
            "upper(indexname) = 'IX_LCTOCTB_LOTE'";
  const std::string lados =
      Conexao().PegarTipoCon() == TTipoConexao::SQLite
          ? "select count(*) from sqlite_master where name in ('IX_LCTOCTB_DEB', "
            "'IX_LCTOCTB_CRED') and sql like '%TIPOLANCAMENTO, CODIGOESTAB)'"
          : DefinicoesPg("'IX_LCTOCTB_DEB', 'IX_LCTOCTB_CRED'", "'%TIPOLANCAMENTO, CODIGOESTAB)'");
  // The version, what takes the database back to it, the query, and its
  // result before (nullptr: it cannot run) and after the upgrade.
  std::vector<std::tuple<int, std::string, std::string, const char*, const char*>> casos = {
      {1, "delete from DIREITOUSUARIO; delete from USUARIO; drop table PERSONALIZACAO",
       "select (select count(*) from DIREITOUSUARIO d join USUARIO u on u.CODIGOUSUARIO = "
       "d.CODIGOUSUARIO where d.CODIGOUSUARIO = 1 and NOMEDIREITO = "
       "'DireitoAdministrarUsuarios' and NIVEL = '8') * 10 + (select count(*) from "
       "PERSONALIZACAO)",
       nullptr, "10"},
      {2,
       "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
       "TIPOLANCAMENTO, CONTACTBDEB, VALORLCTOCTB) values (1, 1, 2, '2025-01-02', 'LN', 11, 10);"
       "insert into LCTOGER (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOCENTROCUSTO, NATURLCTOCTB, "
       "CONTACTB, DATALCTOCTB, VALORLCTOGER) values (1, 1, 7, 1, 11, '2025-01-02', 10);"
       "delete from SALDOGER; delete from SALDOGERMENSAL",
       "select coalesce(sum(VALORDEB), 0) from SALDOGERMENSAL where CODIGOESTAB = 2 and "
       "CODIGOCENTROCUSTO = 7 and DATASALDO = '2025-01-01'",
       "0", "10"},
      {4,
       "drop index IX_LCTOCTB_TRANS; drop index IX_LCTOCTB_ORIGEM; drop index "
       "IX_LCTOCTB_LCTOPROG; create index IX_LCTOCTB_TRANS on LCTOCTB (CODIGOEMPRESA, TRANSCTB);"
       "create index IX_LCTOCTB_ORIGEM on LCTOCTB (CODIGOEMPRESA, CHAVEORIGEM);"
       "create index IX_LCTOCTB_LCTOPROG on LCTOCTB (CODIGOEMPRESA, CODIGOLCTOPROG)",
       parciais, "0", "3"},
      {7, "create index IX_LCTOCTB_LOTE on LCTOCTB (CODIGOEMPRESA, CODIGOLOTECTB)", lote, "1", "0"},
      {11,
       "drop index IX_LCTOCTB_DEB; drop index IX_LCTOCTB_CRED; create index IX_LCTOCTB_DEB on "
       "LCTOCTB (CODIGOEMPRESA, CONTACTBDEB, DATALCTOCTB); create index IX_LCTOCTB_CRED on "
       "LCTOCTB (CODIGOEMPRESA, CONTACTBCRED, DATALCTOCTB)",
       lados, "0", "2"},
  };
  if (Conexao().PegarTipoCon() == TTipoConexao::SQLite)
    casos.emplace_back(6, "drop index IX_LOTESALDOCTB_CHAVE; drop index IX_LOTESALDOGER_CHAVE",
                       "select count(*) from sqlite_master where name in "
                       "('IX_LOTESALDOCTB_CHAVE', 'IX_LOTESALDOGER_CHAVE')",
                       "0", "2");
  SchemaInstaller::Instalar(Conexao());
  for (const auto& [versao, regredir, sql, antes, depois] : casos) {
    SCOPED_TRACE(versao);
    Conexao().ExecuteScript(regredir +
                            fmt::format("; update VERSAOSCHEMA set VERSAO = {}", versao));
    auto consulta = [&] { return Conexao().ExecuteScalar(sql).AsCurrency().ToString(); };
    if (antes) {
      ASSERT_EQ(consulta(), antes);
    }
    EXPECT_EQ(SchemaInstaller::Instalar(Conexao()).Descricao(),
              fmt::format("Esquema atualizado da versão {} para a versão {}", versao,
                          SchemaInstaller::kVersaoSchema));
    EXPECT_EQ(consulta(), depois);
    EXPECT_TRUE(SchemaInstaller::VerificarSaldos(Conexao()).Rows.empty());
  }
}

// Version 9 checked the statements' groups against the five types it knew;
// the upgrade keeps its groups and takes the income statement's types.
TEST_P(TSchemaInstallerTest, UpgradeFromNineTakesTheIncomeStatementsGroupTypes) {
  SchemaInstaller::Instalar(Conexao());
  Conexao().ExecuteScript(
      "drop table GRUPODEMONSCTB; create table GRUPODEMONSCTB (CODIGOEMPRESA SMALLINT NOT NULL, "
      "CLASSIFGRUPO VARCHAR(30) NOT NULL, TIPOGRUPO CHAR(1) NOT NULL CHECK (TIPOGRUPO IN ('A', "
      "'P', 'L', 'R', 'D')), PRIMARY KEY (CODIGOEMPRESA, CLASSIFGRUPO)); insert into "
      "GRUPODEMONSCTB values (1, '3', 'R'); update VERSAOSCHEMA set VERSAO = 9");
  const std::string custo = "insert into GRUPODEMONSCTB values (1, '4.1', 'C')";
  EXPECT_FALSE(MensagemDoErro([&] { Conexao().ExecuteDirect(custo); }).empty());
  EXPECT_EQ(SchemaInstaller::Instalar(Conexao()).Acao,
            SchemaInstaller::TAcaoInstalacao::Atualizado);
  Conexao().ExecuteDirect(custo);
  EXPECT_EQ(Conexao()
                .ExecuteScalar("select count(*) from GRUPODEMONSCTB where CLASSIFGRUPO = '3' and "
                               "TIPOGRUPO = 'R'")
                .AsInteger(),
            1);
  EXPECT_FALSE(MensagemDoErro([&] {
                 Conexao().ExecuteDirect("insert into GRUPODEMONSCTB values (1, '5', 'X')");
               }).empty());
}

CTB_INSTANTIATE_ENGINES(TSchemaInstallerTest);

}  // namespace
