// A query someone wrote runs only to read, inside or outside the caller's
// transaction, and leaves the caller's transaction as it was.

#include "framework/db/ConsultaSomenteLeitura.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestDatabases.h"

namespace {

class ConsultaSomenteLeituraTest : public TDatabaseTest {};

TEST_P(ConsultaSomenteLeituraTest, RefusesWritesAndExcessRowsLeavingTheCallersTransaction) {
  Conexao().ExecuteScript(
      "create table T (ID integer not null primary key);"
      "insert into T values (1); insert into T values (2); insert into T values (3);");
  const auto consultar = [this](const std::string& sql, int64_t limite = 100) {
    return ConsultaSomenteLeitura::Executar(Conexao(), sql, {}, {limite, 5'000});
  };
  Conexao().StartTransaction();
  Conexao().ExecuteDirect("insert into T values (4)");
  EXPECT_EQ(consultar("select count(*) as N from T").Rows[0][0].AsInteger(), 4);
  const char* escritas[] = {
      "delete from T",
      "select 1; delete from T",
      "with x as (delete from T returning ID) select * from x",
  };
  for (const char* sql : escritas)
    EXPECT_THROW(consultar(sql), Exception) << sql;
  // The caller's transaction still writes, and keeps what it wrote.
  Conexao().ExecuteDirect("insert into T values (5)");
  Conexao().Commit();
  EXPECT_EQ(Contar("select count(*) from T"), 5);
  // Outside a transaction: more rows than the limit are refused, and no
  // transaction is left open.
  EXPECT_EQ(consultar("select ID from T order by ID", 5).Rows.size(), 5u);
  EXPECT_THROW(consultar("select ID from T", 4), Exception);
  EXPECT_FALSE(Conexao().InTransaction());
}

TEST(UmaConsultaTest, TakesOneQueryAndNothingElse) {
  using ConsultaSomenteLeitura::UmaConsulta;
  EXPECT_EQ(UmaConsulta(" select 1; "), "select 1");
  EXPECT_EQ(UmaConsulta("select ';' as x"), "select ';' as x");
  EXPECT_EQ(UmaConsulta("update T set ID = 1"), std::nullopt);
  EXPECT_EQ(UmaConsulta("select 1; drop table T"), std::nullopt);
}

CTB_INSTANTIATE_ENGINES(ConsultaSomenteLeituraTest);

}  // namespace
