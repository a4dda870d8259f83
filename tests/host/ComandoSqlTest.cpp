#include "host/commands/ComandoSql.h"

#include <gtest/gtest.h>

#include "framework/core/Exceptions.h"
#include "tests/support/TestDatabases.h"

namespace {

class ComandoSqlTest : public TDatabaseTest {
 protected:
  void SetUp() override {
    TDatabaseTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    Conexao().ExecuteScript(
        "create table HIST (CODIGO integer primary key, DESCR varchar(40), VALOR numeric(18,2))");
    Conexao().ExecuteDirect("insert into HIST values (1, 'Pago; a \"vista\"', 12.5), (2, null, 3)");
  }
  std::string Csv(const std::string& sql) {
    return ComandoSql::Executar(Conexao(), sql, Saida::TFormatoSaida::Csv);
  }
  int64_t Linhas() { return Contar("select count(*) from HIST"); }
};

TEST_P(ComandoSqlTest, PrintsTheRowsOfOneQuery) {
  EXPECT_EQ(Csv("  select CODIGO, DESCR, VALOR from HIST order by CODIGO ;"),
            "CODIGO,DESCR,VALOR\n"
            "1,\"Pago; a \"\"vista\"\"\",12.50\n"
            "2,,3.00\n");
  EXPECT_EQ(ComandoSql::Executar(Conexao(), "select count(*) as N from HIST where DESCR = 'a;b'",
                                 Saida::TFormatoSaida::Json),
            "[\n  {\"N\": 0}\n]\n");
  EXPECT_FALSE(Conexao().InTransaction());
}

TEST_P(ComandoSqlTest, RefusesAnythingButAQueryAndWritesNothing) {
  for (const char* sql : {"delete from HIST", "select 1; delete from HIST",
                          "update HIST set VALOR = 0", "drop table HIST", ""})
    EXPECT_THROW(Csv(sql), Exception) << sql;
  // Passes the text check; the read-only transaction stops it.
  EXPECT_THROW(Csv("with t as (select 1) delete from HIST"), EDatabaseError);
  EXPECT_EQ(Linhas(), 2);
  EXPECT_FALSE(Conexao().InTransaction());
  EXPECT_EQ(Csv("select count(*) as N from HIST"), "N\n2\n") << "the connection is usable";
}

CTB_INSTANTIATE_ENGINES(ComandoSqlTest);

}  // namespace
