#include <gtest/gtest.h>

#include "framework/core/Exceptions.h"
#include "framework/db/NutilSql.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMSQLDataSet.h"
#include "tests/support/TestDatabases.h"

namespace {

class NutildbCursorTest : public TDatabaseTest {
 protected:
  void SetUp() override {
    TDatabaseTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    AbrirSessao();
    Conexao().ExecuteScript(
        "create table LCTO (CODIGOEMPRESA smallint not null, CHAVELCTOCTB integer not null, "
        "CONTACTB bigint, DATALCTOCTB date, DATAHORA timestamp, VALOR numeric(18,2), "
        "TAXA double precision, COMPL varchar(30), ATIVO boolean, "
        "primary key (CODIGOEMPRESA, CHAVELCTOCTB))");
    Conexao().ExecuteDirect(
        "insert into LCTO values (1, 7, 1101, '2025-03-10', '2025-03-10 14:30:05', 150.25, 0.5, "
        "'um', true), (1, 8, 2101, '2025-03-11', null, 10, null, null, false), "
        "(2, 1, 3101, '2025-04-01', null, 1, null, 'dois', null)");
  }
};

std::string DescreverCampos(const TnClientDataSet& cds) {
  std::string text;
  for (int i = 0; i < cds.FieldCount(); ++i) {
    const TField& f = cds.Fields(i);
    text += f.FieldName() + ":" + FieldTypeName(f.DataType()) + "/" + std::to_string(f.Size()) +
            (f.DataType() == TFieldType::ftBCD
                 ? "/" + std::to_string(f.Precision()) + "," + std::to_string(f.Scale())
                 : "") +
            (f.ReadOnly() ? "" : "/rw") + " ";
  }
  return text;
}

// The current row's values, "|" between them.
std::string Linha(const TnClientDataSet& cds) {
  std::string text;
  for (int i = 0; i < cds.FieldCount(); ++i)
    text += (i ? "|" : "") + cds.Fields(i).AsValue().DebugString();
  return text;
}

TEST_P(NutildbCursorTest, ExecutarSQLTypesFieldsOpensOnTheFirstRowAndHonoursTheFetchLimit) {
  auto cursor = Nutildb::ExecutarSQL(
      "select CODIGOEMPRESA, CHAVELCTOCTB, CONTACTB, DATALCTOCTB, DATAHORA, VALOR, TAXA, COMPL, "
      "ATIVO from LCTO where CODIGOEMPRESA = :pEmpresa order by CHAVELCTOCTB",
      {{"pEmpresa", Value(1)}});
  EXPECT_EQ(
      DescreverCampos(*cursor),
      "CODIGOEMPRESA:SmallInt/0 CHAVELCTOCTB:Integer/0 CONTACTB:LargeInt/0 DATALCTOCTB:Date/0 "
      "DATAHORA:DateTime/0 VALOR:BCD/0/18,2 TAXA:Float/0 COMPL:String/30 ATIVO:Boolean/0 ");
  ASSERT_EQ(cursor->RecordCount(), 2);
  EXPECT_EQ(cursor->RecNo(), 1);
  EXPECT_EQ(cursor->ChangeCount(), 0);
  EXPECT_EQ(Linha(*cursor), "1|7|1101|2025-03-10|2025-03-10 14:30:05|150.25|0.5|'um'|True");
  cursor->Next();
  EXPECT_EQ(Linha(*cursor), "1|8|2101|2025-03-11|null|10|null|null|False");
  // The fields are read-only: a cursor is a result, not a register.
  cursor->Edit();
  EXPECT_THROW(cursor->FieldByName("COMPL").SetAsString("x"), Exception);
  cursor->Cancel();
  Nutildb::DestruirSQL(cursor);
  EXPECT_EQ(cursor, nullptr);
  // A fetch limit keeps the first rows.
  cursor = Nutildb::ExecutarSQL(
      "select CHAVELCTOCTB from LCTO order by CODIGOEMPRESA, "
      "CHAVELCTOCTB {LIMIT(10)}",
      {}, 2);
  EXPECT_EQ(cursor->RecordCount(), 2);
}

TEST_P(NutildbCursorTest, RefreshSQLReportsWhetherTheRowsChanged) {
  auto cursor = Nutildb::ExecutarSQL(
      "select CHAVELCTOCTB, VALOR from LCTO where CODIGOEMPRESA = :p order by CHAVELCTOCTB",
      {{"p", Value(1)}});
  cursor->Last();
  EXPECT_FALSE(Nutildb::RefreshSQL(*cursor));
  EXPECT_EQ(cursor->RecNo(), 2) << "an unchanged cursor keeps its place";

  Nutildb::ExecutarSQLDireto("update LCTO set VALOR = 11 where CHAVELCTOCTB = 8");
  EXPECT_TRUE(Nutildb::RefreshSQL(*cursor));
  EXPECT_EQ(cursor->RecNo(), 1);
  cursor->Last();
  EXPECT_EQ(cursor->FieldByName("VALOR").AsCurrency(), Currency::FromString("11"));

  Nutildb::ExecutarSQLDireto("insert into LCTO (CODIGOEMPRESA, CHAVELCTOCTB) values (1, 9)");
  EXPECT_TRUE(Nutildb::RefreshSQL(*cursor));
  EXPECT_EQ(cursor->RecordCount(), 3);
  EXPECT_FALSE(Nutildb::RefreshSQL(*cursor));

  TnClientDataSet outro;
  EXPECT_THROW(Nutildb::RefreshSQL(outro), Exception);
  Nutildb::DestruirSQL(cursor);
}

TEST_P(NutildbCursorTest, PegarValorCampoReadsOneSeveralOrNoRowAndRefusesNamesCarryingSql) {
  TnDMSQLDataSet sql;
  EXPECT_EQ(sql.PegarValorCampo("LCTO", "COMPL", "CODIGOEMPRESA = 2").AsString(), "dois");
  EXPECT_TRUE(sql.PegarValorCampo("LCTO", "COMPL", "CODIGOEMPRESA = 9").IsNull());

  ValueArray values = sql.PegarValorCampos("LCTO", "CONTACTB;COMPL", "CHAVELCTOCTB = 7");
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].AsInteger(), 1101);
  EXPECT_EQ(values[1].AsString(), "um");
  EXPECT_TRUE(sql.PegarValorCampos("LCTO", "CONTACTB, COMPL", "CHAVELCTOCTB = 70").empty());
  ValueArray joined =
      sql.PegarValorCampos("LCTO L JOIN LCTO M ON M.CODIGOEMPRESA = L.CODIGOEMPRESA",
                           "L.CHAVELCTOCTB, M.COMPL", "L.CODIGOEMPRESA = 2");
  ASSERT_EQ(joined.size(), 2u);
  EXPECT_EQ(joined[1].AsString(), "dois");

  EXPECT_TRUE(sql.PegarTemRegistro("LCTO", "CODIGOEMPRESA = 1"));
  EXPECT_FALSE(sql.PegarTemRegistro("LCTO", "CODIGOEMPRESA = 3"));
  EXPECT_FALSE(sql.PegarTemRegistro("LCTO", "COMPL", "CHAVELCTOCTB = 8"));
  EXPECT_EQ(sql.PegarQtdRegistro("LCTO", "CODIGOEMPRESA = 1"), 2);
  EXPECT_EQ(sql.PegarQtdRegistro("LCTO", "TAXA", ""), 1);
  // Names given by code cannot carry SQL.
  for (const char* tabela : {"LCTO; drop table LCTO", "LCTO --", "LCTO where 'a'='a'", " "})
    EXPECT_THROW(sql.PegarTemRegistro(tabela, ""), Exception) << tabela;
  for (const char* campo :
       {"COMPL; drop", "COMPL)", "1COMPL", "COMPL.", "'x'", "COMPLÇ", "COMPL\xe7"})
    EXPECT_THROW(sql.PegarValorCampo("LCTO", campo, ""), Exception) << campo;
  EXPECT_EQ(sql.PegarQtdRegistro("LCTO", ""), 3) << "nothing ran";
}

CTB_INSTANTIATE_ENGINES(NutildbCursorTest);

TEST(ValorParaSQLDoCampo, RendersNameOperatorAndValueAsTheFieldType) {
  TnClientDataSet cds;
  cds.AddField("EMP", TFieldType::ftSmallint);
  cds.AddField("DATA", TFieldType::ftDate);
  cds.AddField("VALOR", TFieldType::ftBCD);
  cds.AddField("COMPL", TFieldType::ftString, 20);
  cds.CreateDataSet();
  cds.AppendRecord({Value(3), Value(EncodeDate(2025, 1, 31)), Value(1.5), Value("d'x")});
  struct TCaso {
    const char* Campo;
    const char* Op;
    bool ComNome;
    std::string Esperado;
  };
  const TCaso casos[] = {
      {"EMP", "=", true, "EMP = 3"},
      {"EMP", ">=", false, " >= 3"},
      {"DATA", "<", true, "DATA < '2025-01-31'"},
      {"VALOR", "=", true, "VALOR = 1.5"},
      {"COMPL", "<>", true, "COMPL <> 'd''x'"},
  };
  for (const TCaso& caso : casos)
    EXPECT_EQ(Nutil::ValorParaSQL(cds.FieldByName(caso.Campo), caso.Op, caso.ComNome),
              caso.Esperado)
        << caso.Campo;
  cds.Edit();
  cds.FieldByName("COMPL").Clear();
  cds.Post();
  EXPECT_EQ(Nutil::ValorParaSQL(cds.FieldByName("COMPL"), "="), "COMPL is null");
  EXPECT_EQ(Nutil::ValorParaSQL(cds.FieldByName("COMPL"), "<>"), "COMPL is not null");
}

}  // namespace
