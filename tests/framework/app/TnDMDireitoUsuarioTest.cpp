#include "framework/app/TnDMDireitoUsuario.h"

#include <gtest/gtest.h>

#include "tests/support/TestDatabases.h"

namespace {

class TnDMDireitoUsuarioTest : public TDatabaseTest {};

// One read per user until the cache is cleared; a missing table is a
// database error, not "no right".
TEST_P(TnDMDireitoUsuarioTest, ReadsTheLevelOfTheConnectionsUserOnceUntilCleared) {
  Conexao().ExecuteScript(
      "CREATE TABLE DIREITOUSUARIO (CODIGOUSUARIO SMALLINT NOT NULL, NOMEDIREITO VARCHAR(100) "
      "NOT NULL, NIVEL CHAR(1), PRIMARY KEY (CODIGOUSUARIO, NOMEDIREITO));"
      "insert into DIREITOUSUARIO values (1, 'DireitoLctoIgual', '8'), (1, 'DireitoLctoCtb', '1'), "
      "(2, 'DireitoLctoIgual', '3'), (2, 'DireitoControlaLancamentoExcluido', '8')");
  Conexao().SetCodigoUsuario(1);
  TnDMDireitoUsuario direitos(Conexao());
  EXPECT_EQ(direitos.PegarDireito("DireitoLctoIgual"), "8");
  EXPECT_EQ(direitos.PegarDireito("DIREITOLCTOCTB"), "1");
  EXPECT_TRUE(direitos.TemDireitoLiberado("DireitoLctoIgual"));
  EXPECT_FALSE(direitos.TemDireitoLiberado("DireitoLctoCtb"));
  // Granted to another user only: no row for this one.
  EXPECT_EQ(direitos.PegarDireito("DireitoControlaLancamentoExcluido"), "");
  EXPECT_FALSE(direitos.TemDireitoLiberado("DireitoControlaLancamentoExcluido"));
  EXPECT_EQ(direitos.Leituras(), 1);

  Conexao().ExecuteDirect(
      "update DIREITOUSUARIO set NIVEL = '8' where CODIGOUSUARIO = 1 and NOMEDIREITO = "
      "'DireitoLctoCtb'");
  EXPECT_EQ(direitos.PegarDireito("DireitoLctoCtb"), "1");
  direitos.LimparCache();
  EXPECT_EQ(direitos.PegarDireito("DireitoLctoCtb"), "8");
  EXPECT_EQ(direitos.Leituras(), 2);

  Conexao().SetCodigoUsuario(2);
  EXPECT_EQ(direitos.PegarDireito("DireitoLctoIgual"), "3");
  EXPECT_TRUE(direitos.TemDireitoLiberado("DireitoControlaLancamentoExcluido"));
  Conexao().SetCodigoUsuario(7);  // a user with no rights at all
  EXPECT_EQ(direitos.PegarDireito("DireitoLctoIgual"), "");
  Conexao().ExecuteDirect("DROP TABLE DIREITOUSUARIO");
  direitos.LimparCache();
  EXPECT_THROW(direitos.PegarDireito("DireitoLctoIgual"), EDatabaseError);
}

CTB_INSTANTIATE_ENGINES(TnDMDireitoUsuarioTest);

}  // namespace
