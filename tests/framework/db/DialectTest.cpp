#include "framework/db/Dialect.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "framework/core/Exceptions.h"

namespace {

// The expected text is SQLite's; PostgreSQL's is the same with '$' for '?'.
struct TCase {
  const char* Sql;
  std::string Sqlite;
  std::vector<std::string> Names;
};

TEST(Dialect, PlaceholdersOnlyOutsideQuotesCommentsAndCasts) {
  const TCase cases[] = {
      {"select * from T where A = :pA and B = :pB",
       "select * from T where A = ?1 and B = ?2",
       {"pA", "pB"}},
      {"select ':pX' , \":pY\" from T where A = :pA",
       "select ':pX' , \":pY\" from T where A = ?1",
       {"pA"}},
      {"select 'it''s :no' from T where A=:p1", "select 'it''s :no' from T where A=?1", {"p1"}},
      {"select A::numeric(14,2) from T where B = :pB",
       "select A::numeric(14,2) from T where B = ?1",
       {"pB"}},
      {"select 1 -- :pComment\nwhere A = :pA /* :pBlock */",
       "select 1 -- :pComment\nwhere A = ?1 /* :pBlock */",
       {"pA"}},
      // A name used twice is one parameter, whatever its case.
      {"where A = :pEmp1 or B = :PEMP1 or C = :pX",
       "where A = ?1 or B = ?1 or C = ?2",
       {"pEmp1", "pX"}},
      {"select '10:30' , x from T", "select '10:30' , x from T", {}},
  };
  for (const auto& c : cases) {
    auto sqlite = Dialect::Preparar(c.Sql, TTipoConexao::SQLite);
    std::string postgres = c.Sqlite;
    std::replace(postgres.begin(), postgres.end(), '?', '$');
    EXPECT_EQ(sqlite.Text, c.Sqlite) << c.Sql;
    EXPECT_EQ(Dialect::Preparar(c.Sql, TTipoConexao::PostgreSQL).Text, postgres) << c.Sql;
    EXPECT_EQ(sqlite.ParamNames, c.Names) << c.Sql;
  }
}

TEST(Dialect, LimitMacroMovesToTheEndOfTheStatement) {
  const std::pair<const char*, const char*> cases[] = {
      {"select {LIMIT(10)}   L.A from L order by L.A desc ",
       "select    L.A from L order by L.A desc LIMIT 10"},
      {"select A from L {limit( 3 )};", "select A from L LIMIT 3"},
      {"select '{LIMIT(10)}' from L", "select '{LIMIT(10)}' from L"},
      {"select '{' || A || '}' from L", "select '{' || A || '}' from L"},
  };
  for (const auto& [sql, expected] : cases)
    EXPECT_EQ(Dialect::Preparar(sql, TTipoConexao::PostgreSQL).Text, expected) << sql;
  EXPECT_THROW(Dialect::Preparar("select {LIMIT(x)} A from L", TTipoConexao::SQLite),
               EDatabaseError);
}

TEST(Dialect, ParametersBindByNameOrPosition) {
  auto sql = Dialect::Preparar("where A = :pA and B = :pB and C = :pa", TTipoConexao::SQLite);
  auto byName = Dialect::OrdenarParametros(sql, {{"PB", 2}, {"pa", "x"}});
  ASSERT_EQ(byName.size(), 2u);
  EXPECT_TRUE(byName[0].IdenticalTo(Value("x")));
  EXPECT_TRUE(byName[1].IdenticalTo(Value(2)));
  auto byPosition = Dialect::OrdenarParametros(sql, {{"", 1}, {"", 2}});
  EXPECT_TRUE(byPosition[1].IdenticalTo(Value(2)));

  EXPECT_THROW(Dialect::OrdenarParametros(sql, {{"pA", 1}}), EDatabaseError);
  EXPECT_THROW(Dialect::OrdenarParametros(sql, {{"pA", 1}, {"pB", 1}, {"pC", 1}}), EDatabaseError);
  EXPECT_THROW(Dialect::OrdenarParametros(sql, {{"", 1}}), EDatabaseError);
}

}  // namespace
