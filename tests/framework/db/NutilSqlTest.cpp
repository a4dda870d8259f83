#include "framework/db/NutilSql.h"

#include <gtest/gtest.h>

#include "framework/core/Exceptions.h"
#include "tests/support/TestDatabases.h"

namespace {

TEST(ValorParaSQL, LiteralOfEachValueTypeColumnKindAndOperator) {
  const std::pair<Value, const char*> cases[] = {
      {Value(), "NULL"},
      {Value(true), "'1'"},
      {Value(false), "'0'"},
      {Value(-42), "-42"},
      {Value(int64_t{9007199254740993}), "9007199254740993"},
      {Value(1234.5), "1234.5"},
      {Value(0.00001), "0.00001"},
      {Value(1e20), "100000000000000000000"},
      {Value(Currency::FromString("-0.01")), "-0.01"},
      {Value("D'Avila"), "'D''Avila'"},
      {Value("a\\'; drop table T; --"), "'a\\''; drop table T; --'"},
      {Value(EncodeDate(2025, 3, 10)), "'2025-03-10'"},
      {Value(EncodeDateTime(2025, 3, 10, 8, 5, 9)), "'2025-03-10 08:05:09'"},
  };
  for (const auto& [value, literal] : cases)
    EXPECT_EQ(Nutil::ValorParaSQL(value), literal) << value.DebugString();
  EXPECT_THROW(Nutil::ValorParaSQL(Value(std::string("a\0b", 3))), EConvertError);
  // As a column kind, and after an operator (null as is / is not null).
  EXPECT_EQ(Nutil::ValorParaSQL(Value(EncodeDateTime(2025, 3, 10, 8, 5, 9)), TDbColumnKind::Date),
            "'2025-03-10'");
  EXPECT_EQ(Nutil::ValorParaSQL(Value("12"), TDbColumnKind::Integer), "12");
  EXPECT_EQ(Nutil::ValorParaSQL(Value(12), TDbColumnKind::Text), "'12'");
  EXPECT_EQ(Nutil::ValorParaSQL(Value(1.5), TDbColumnKind::Numeric), "1.5");
  EXPECT_EQ(Nutil::ValorParaSQL(Value(), TDbColumnKind::Integer), "NULL");
  EXPECT_EQ(Nutil::ValorParaSQL(Value("X"), "="), " = 'X'");
  EXPECT_EQ(Nutil::ValorParaSQL(Value(3), "<>"), " <> 3");
  EXPECT_EQ(Nutil::ValorParaSQL(Value(), "="), " is null");
  EXPECT_EQ(Nutil::ValorParaSQL(Value(), "<>"), " is not null");
}

class ValorParaSQLBanco : public TDatabaseTest {};

// Hostile texts go into a statement built by concatenation, come back
// unchanged, and the statement did nothing else.
TEST_P(ValorParaSQLBanco, NoTextChangesTheStatement) {
  Conexao().ExecuteScript(
      "create table T (ID integer not null primary key, TXT varchar(200), FLAG varchar(1), "
      "  DIA date, VALOR numeric(18,2));"
      "create table VITIMA (ID integer);"
      "insert into VITIMA values (1);");
  const std::string textos[] = {
      "O'Brien",
      "'; delete from VITIMA; --",
      "\\'; delete from VITIMA; --",
      "a\\",
      "''''",
      "x' or '1'='1",
      "/* */ ; drop table VITIMA",
      "Lançamento çãõ ü",
      ":pNome e ::int",
      "O'Brien \\n; drop VITIMA;--\"x\"",
  };
  int id = 0;
  for (const auto& texto : textos) {
    ++id;
    Conexao().ExecuteDirect(
        "insert into T (ID, TXT, FLAG, DIA, VALOR) values (" + Nutil::ValorParaSQL(Value(id)) +
        ", " + Nutil::ValorParaSQL(Value(texto)) + ", " + Nutil::ValorParaSQL(Value(true)) + ", " +
        Nutil::ValorParaSQL(Value(EncodeDate(2025, 1, 31))) + ", " +
        Nutil::ValorParaSQL(Value(Currency::FromString("10.05"))) + ")");
    TDbResult row = Conexao().ExecuteQuery("select TXT, FLAG, DIA, VALOR from T where TXT" +
                                           Nutil::ValorParaSQL(Value(texto), "="));
    ASSERT_EQ(row.Rows.size(), 1u) << texto;
    EXPECT_TRUE(row.Rows[0][0].IdenticalTo(Value(texto))) << texto;
    EXPECT_TRUE(row.Rows[0][1].IdenticalTo(Value("1")));
    EXPECT_TRUE(row.Rows[0][2].IdenticalTo(Value(EncodeDate(2025, 1, 31))));
    EXPECT_TRUE(row.Rows[0][3].IdenticalTo(Value(Currency::FromString("10.05"))));
  }
  EXPECT_EQ(Contar("select count(*) from VITIMA"), 1);
  EXPECT_EQ(Contar("select count(*) from T"), id);
  EXPECT_EQ(Conexao()
                .ExecuteScalar("select count(*) from T where FLAG" +
                               Nutil::ValorParaSQL(Value(true), "="))
                .AsInteger(),
            id);
}

CTB_INSTANTIATE_ENGINES(ValorParaSQLBanco);

}  // namespace
