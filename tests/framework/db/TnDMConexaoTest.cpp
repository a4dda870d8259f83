#include "framework/db/TnDMConexao.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "framework/core/Currency.h"
#include "framework/core/Exceptions.h"
#include "framework/db/Nutildb.h"
#include "framework/db/Nutilexception.h"
#include "tests/support/TestDatabases.h"

namespace {

class TnDMConexaoTest : public TDatabaseTest {
 protected:
  void CriarTabelaLcto() {
    Conexao().ExecuteScript(
        "create table LCTO (CODIGOEMPRESA smallint not null, CHAVELCTOCTB integer not null, "
        "CONTACTB bigint, DATALCTOCTB date, DATAHORA timestamp, VALOR numeric(18,2), "
        "COTACAO numeric(18,8), TAXA double precision, COMPL varchar(30), "
        "primary key (CODIGOEMPRESA, CHAVELCTOCTB))");
  }
  int64_t Inserir(int chave, int empresa = 1) {
    return Conexao().ExecuteDirect(
        "insert into LCTO (CODIGOEMPRESA, CHAVELCTOCTB) values (:pEmp, :pChave)",
        {{"pEmp", empresa}, {"pChave", chave}});
  }
  int64_t Linhas(const std::string& tabela) { return Contar("select count(*) from " + tabela); }
};

// A row as "type:value" items, so one assertion checks every value and its type.
std::string Tipada(const ValueArray& linha) {
  const char* tipos[] = {"null", "bool", "int", "float", "cur", "str", "date"};
  std::string texto;
  for (const Value& v : linha)
    texto += std::string(tipos[static_cast<int>(v.Type())]) + ":" + v.DebugString() + " ";
  return texto;
}

std::string Descrever(const TDbColumn& c) {
  const char* kinds[] = {"Integer", "Float", "Numeric", "Text", "Date", "DateTime", "Boolean"};
  return c.Name + ":" + kinds[static_cast<int>(c.Kind)] + "/" + std::to_string(c.Size) + "/" +
         std::to_string(c.Precision) + "," + std::to_string(c.Scale);
}

TEST_P(TnDMConexaoTest, ResultColumnsCarryTheDeclaredTypes) {
  CriarTabelaLcto();
  Conexao().ExecuteDirect(
      "insert into LCTO values (1, 7, 1101, '2025-03-10', "
      "'2025-03-10 14:30:05', 150.25, 5.12345678, 0.5, 'x')");
  TDbResult result = Conexao().ExecuteQuery(
      "select CODIGOEMPRESA, CHAVELCTOCTB, CONTACTB, DATALCTOCTB, DATAHORA, VALOR, COTACAO, TAXA, "
      "COMPL, cast(sum(VALOR) as numeric(14,2)) TOTAL, cast('' as varchar(100)) HISTORICO, "
      "CAST(VALOR AS NUMERIC ( 18 , 4 )) AS V4 "
      "from LCTO group by CODIGOEMPRESA, CHAVELCTOCTB, CONTACTB, DATALCTOCTB, DATAHORA, VALOR, "
      "COTACAO, TAXA, COMPL");
  std::string columns;
  for (const auto& column : result.Columns)
    columns += Descrever(column) + " ";
  EXPECT_EQ(columns,
            "CODIGOEMPRESA:Integer/2/0,0 CHAVELCTOCTB:Integer/4/0,0 CONTACTB:Integer/8/0,0 "
            "DATALCTOCTB:Date/0/0,0 DATAHORA:DateTime/0/0,0 VALOR:Numeric/0/18,2 "
            "COTACAO:Numeric/0/18,8 TAXA:Float/0/0,0 COMPL:Text/30/0,0 TOTAL:Numeric/0/14,2 "
            "HISTORICO:Text/100/0,0 V4:Numeric/0/18,4 ");
  ASSERT_EQ(result.Rows.size(), 1u);
  EXPECT_EQ(Tipada(result.Rows[0]),
            "int:1 int:7 int:1101 date:2025-03-10 date:2025-03-10 14:30:05 cur:150.25 "
            "float:5.12345678 float:0.5 str:'x' cur:150.25 str:'' cur:150.25 ");
}

// Colons inside texts and casts are not parameters.
TEST_P(TnDMConexaoTest, DatesAndMoneyRoundTripThroughParameters) {
  CriarTabelaLcto();
  TDateTime dia = EncodeDate(2024, 2, 29);
  TDateTime momento = EncodeDateTime(2024, 12, 31, 23, 59, 58);
  for (int chave = 1; chave <= 10; ++chave) {
    Conexao().ExecuteDirect(
        "insert into LCTO (CODIGOEMPRESA, CHAVELCTOCTB, DATALCTOCTB, DATAHORA, VALOR, COMPL) "
        "values (:pEmp, :pChave, :pData, :pMomento, :pValor, 'hora :pEmp 10:30')",
        {{"pEmp", 1},
         {"pChave", chave},
         {"pData", dia},
         {"pMomento", momento},
         {"pValor", Currency::FromString("0.10")}});
  }
  TDbResult result = Conexao().ExecuteQuery(
      "select DATALCTOCTB, DATAHORA, VALOR, COMPL from LCTO where DATALCTOCTB between :pIni and "
      ":pFim and DATAHORA = :pMomento",
      {{"pIni", EncodeDate(2024, 2, 1)}, {"pFim", dia}, {"pMomento", momento}});
  ASSERT_EQ(result.Rows.size(), 10u);
  EXPECT_EQ(Tipada(result.Rows[0]),
            "date:2024-02-29 date:2024-12-31 23:59:58 cur:0.1 str:'hora :pEmp 10:30' ");
  if (Tipo() == TTipoConexao::PostgreSQL) {
    Value casted = Conexao().ExecuteScalar(
        "select CHAVELCTOCTB::numeric(14,2) + :pMais from LCTO where CHAVELCTOCTB = 1",
        {{"pMais", 1}});
    EXPECT_TRUE(casted.IdenticalTo(Value(Currency(2)))) << casted.DebugString();
  }
  // Ten REAL dimes do not sum to exactly 1 in binary; the cast column reads
  // back as the exact amount.
  Value total = Conexao().ExecuteScalar("select cast(sum(VALOR) as numeric(14,2)) TOTAL from LCTO");
  EXPECT_TRUE(total.IdenticalTo(Value(Currency(1)))) << total.DebugString();
}

// The limit macro cuts the rows; a write counts the rows it touched; a
// scalar of no row is null.
TEST_P(TnDMConexaoTest, LimitRowsAffectedAndScalarOfNoRow) {
  CriarTabelaLcto();
  for (int chave = 1; chave <= 20; ++chave)
    Inserir(chave);
  TDbResult result = Conexao().ExecuteQuery(
      "select {LIMIT(10)}   L.CHAVELCTOCTB from LCTO L where L.CODIGOEMPRESA = :pEmp "
      "order by L.CODIGOEMPRESA, L.CHAVELCTOCTB desc ",
      {{"pEmp", 1}});
  ASSERT_EQ(result.Rows.size(), 10u);
  EXPECT_EQ(result.Rows.front()[0].AsInteger(), 20);
  EXPECT_EQ(result.Rows.back()[0].AsInteger(), 11);
  EXPECT_EQ(
      Conexao().ExecuteDirect("update LCTO set COMPL = 'a' where CHAVELCTOCTB > :p", {{"p", 2}}),
      18);
  EXPECT_TRUE(Conexao().ExecuteScalar("select COMPL from LCTO where CHAVELCTOCTB = 99").IsNull());
}

// A clone reaches the same database as the same user, and sees a write
// only once the outermost level commits.
TEST_P(TnDMConexaoTest, NestedCommitWritesAtTheOutermostLevelAndInnerRollBackUndoesAll) {
  CriarTabelaLcto();
  Conexao().SetCodigoUsuario(7);
  Conexao().SetCodigoEstab(3);
  auto outra = Conexao().Clonar();
  EXPECT_EQ(outra->CodigoUsuario(), 7);
  EXPECT_EQ(outra->CodigoEstab(), 3);
  Conexao().StartTransaction();
  Conexao().StartTransaction();
  Inserir(1);
  Conexao().Commit();
  EXPECT_TRUE(Conexao().InTransaction());
  EXPECT_EQ(outra->ExecuteScalar("select count(*) from LCTO").AsInteger(), 0);
  Conexao().Commit();
  EXPECT_FALSE(Conexao().InTransaction());
  EXPECT_EQ(outra->ExecuteScalar("select count(*) from LCTO").AsInteger(), 1);
  EXPECT_THROW(Conexao().Commit(), EDatabaseError);

  // An inner RollBack undoes all and makes the outer Commit raise.
  Conexao().StartTransaction();
  Inserir(11);
  Conexao().StartTransaction();
  Inserir(12);
  Conexao().RollBack();
  EXPECT_TRUE(Conexao().InTransaction());
  // Nothing may run in autocommit while the outer level still believes it
  // is inside a transaction.
  EXPECT_THROW(Inserir(3), EDatabaseError);
  EXPECT_THROW(Conexao().Commit(), EDatabaseError);
  EXPECT_FALSE(Conexao().InTransaction());
  EXPECT_EQ(Linhas("LCTO"), 1);

  // The connection is usable again, and an outer RollBack after an inner one
  // is quiet.
  Conexao().StartTransaction();
  Conexao().StartTransaction();
  Conexao().RollBack();
  EXPECT_NO_THROW(Conexao().RollBack());
  Inserir(4);
  EXPECT_EQ(Linhas("LCTO"), 2);

  // A read-only transaction reads and refuses writes.
  Conexao().StartTransactionRO();
  EXPECT_EQ(Linhas("LCTO"), 2);
  EXPECT_THROW(Inserir(5), EDatabaseError);
  Conexao().CommitRO();
  Inserir(5);
  EXPECT_EQ(Linhas("LCTO"), 3);

  // Reopening leaves no transaction behind.
  Conexao().StartTransaction();
  Conexao().Reabrir();
  EXPECT_FALSE(Conexao().InTransaction());
  EXPECT_EQ(Linhas("LCTO"), 3);
}

TEST_P(TnDMConexaoTest, ConstraintFailuresCarryTheirKind) {
  Conexao().ExecuteScript(
      "create table PAI (ID integer not null primary key, NOME varchar(10) not null, "
      "  QTD integer check (QTD >= 0));"
      "create table FILHO (ID integer not null primary key, PAI integer references PAI(ID));"
      "insert into PAI values (1, 'um', 1);");
  struct TCaso {
    const char* Sql;
    int Kind;
  } casos[] = {
      {"insert into PAI values (1, 'dois', 1)", 1}, {"insert into FILHO values (1, 99)", 2},
      {"insert into PAI values (2, null, 1)", 3},   {"insert into PAI values (3, 'tres', -1)", 4},
      {"insert into NAOEXISTE values (1)", 0},
  };
  // Inside a transaction, so the failures must also leave it usable.
  Conexao().StartTransaction();
  for (const auto& caso : casos) {
    try {
      Conexao().ExecuteDirect(caso.Sql);
      ADD_FAILURE() << "no failure: " << caso.Sql;
    } catch (const EDatabaseError& error) {
      EXPECT_EQ(Nutilexception::ErroBanco(error), caso.Kind) << caso.Sql << ": " << error.what();
      if (caso.Kind == 1) {
        EXPECT_EQ(Nutildb::TraduzirErroBD(error),
                  "Registro duplicado: já existe um registro com esta chave.");
      }
    }
  }
  // A read whose failure the caller gets past runs apart.
  EXPECT_FALSE(
      Conexao().ExecutarParcial([this] { Conexao().ExecuteQuery("select * from NAOEXISTE"); }));
  Conexao().ExecuteDirect("insert into PAI values (2, 'dois', 2)");
  Conexao().Commit();
  EXPECT_EQ(Linhas("PAI"), 2);
  // Bare, it loses the transaction on PostgreSQL, which then writes nothing.
  if (Tipo() == TTipoConexao::PostgreSQL) {
    Conexao().StartTransaction();
    Conexao().ExecuteDirect("insert into PAI values (3, 'tres', 3)");
    EXPECT_THROW(Conexao().ExecuteQuery("select * from NAOEXISTE"), EDatabaseError);
    EXPECT_THROW(Conexao().Commit(), EDatabaseError);
    EXPECT_EQ(Linhas("PAI"), 2);
  }
  EXPECT_EQ(Nutilexception::ErroBanco(Exception("x")), 0);
}

TEST_P(TnDMConexaoTest, StatementsArePreparedOncePerText) {
  CriarTabelaLcto();
  int64_t antes = Conexao().PreparedCount();
  const std::string insert =
      "insert into LCTO (CODIGOEMPRESA, CHAVELCTOCTB, VALOR) values (:pEmp, :pChave, :pValor)";
  for (int chave = 1; chave <= 50; ++chave)
    Conexao().ExecuteDirect(insert, {{"pEmp", 1}, {"pChave", chave}, {"pValor", chave * 1.5}});
  for (int i = 0; i < 50; ++i)
    Conexao().ExecuteQuery("select VALOR from LCTO where CHAVELCTOCTB = :p", {{"p", i}});
  EXPECT_EQ(Conexao().PreparedCount() - antes, 2);
  EXPECT_EQ(Linhas("LCTO"), 50);
  // A run that gives a null keeps no value of the run before it.
  Conexao().ExecuteDirect(insert, {{"pEmp", 1}, {"pChave", 51}, {"pValor", Value()}});
  EXPECT_TRUE(Conexao().ExecuteScalar("select VALOR from LCTO where CHAVELCTOCTB = 51").IsNull());
  // Texts run once (values written in them) push out only one another: the
  // insert run on every entry stays prepared.
  for (size_t i = 0; i < kMaxPreparedStatements + 10; ++i)
    Conexao().ExecuteScalar("select " + std::to_string(i));
  antes = Conexao().PreparedCount();
  Conexao().ExecuteDirect(insert, {{"pEmp", 2}, {"pChave", 1}, {"pValor", 1.0}});
  EXPECT_EQ(Conexao().PreparedCount() - antes, 0);
  // More texts run again than the cache keeps: the oldest are dropped and
  // prepared again when they come back, and still run.
  for (size_t i = 0; i < kMaxPreparedStatements + 10; ++i)
    for (int vez = 0; vez < 3; ++vez)
      Conexao().ExecuteScalar("select " + std::to_string(i) + " + 1");
  antes = Conexao().PreparedCount();
  Conexao().ExecuteDirect(insert, {{"pEmp", 2}, {"pChave", 2}, {"pValor", 1.0}});
  EXPECT_EQ(Conexao().PreparedCount() - antes, 1);
}

// The statements the cache drops are released on the server, also those
// whose release a failed statement skipped the first time.
TEST_P(TnDMConexaoTest, DroppedStatementsAreReleasedOnTheServer) {
  if (Tipo() != TTipoConexao::PostgreSQL)
    GTEST_SKIP() << "SQLite finalizes a dropped statement in the program";
  Conexao().StartTransaction();
  for (size_t i = 0; i < 3 * kMaxPreparedStatements; ++i) {
    for (int vez = 0; vez < 3; ++vez)
      Conexao().ExecuteScalar("select " + std::to_string(i));
    if (i % 100 == 99) {
      EXPECT_ANY_THROW(
          Conexao().ExecuteDirect("insert into SEMTABELA" + std::to_string(i) + " values (1)"));
    }
  }
  Conexao().Commit();
  // The cache's statements, the count itself, and the one the statement
  // before it dropped, released in the count's exchange after the count.
  EXPECT_LE(Contar("select count(*) from pg_prepared_statements"),
            static_cast<int64_t>(kMaxPreparedStatements) + 2);
}

// A batch stops at its first failure: the statements before it stand, the
// failed one leaves nothing, the rest never run, and a transaction goes on.
// Past 256 statements PostgreSQL sends the batch in several pipelines, and
// in a transaction both engines send rows of one insert text together (a
// long run, on PostgreSQL, as COPY): a failure must still fall on its own
// statement, and every row keep its own values, texts with the characters
// COPY escapes among them.
TEST_P(TnDMConexaoTest, ABatchStopsAtItsFirstFailureKeepingTheStatementsBeforeIt) {
  constexpr const char* kCompl = "c{}\t\\N\n\\\r.";
  struct TCaso {
    int Comandos;
    int Falha;  // the statement that repeats key 1; -1: none
    bool EmTransacao;
  };
  const TCaso casos[] = {
      {5, -1, true},    {5, 0, true},     {5, 2, true},  {5, 4, true},      {300, -1, true},
      {300, 100, true}, {300, 280, true}, {5, 2, false}, {300, 280, false},
  };
  CriarTabelaLcto();
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(testing::Message() << caso.Comandos << " statements, failure at " << caso.Falha
                                    << (caso.EmTransacao ? " in a transaction" : ""));
    Conexao().ExecuteDirect("delete from LCTO");
    Inserir(1);
    std::vector<TnDMConexao::TComando> comandos;
    for (int i = 0; i < caso.Comandos; ++i) {
      const int chave = i == caso.Falha ? 1 : i + 2;
      comandos.push_back(
          {"insert into LCTO (CODIGOEMPRESA, CHAVELCTOCTB, COMPL, VALOR) "
           "values (:pEmp, :pChave, :pCompl, :pValor)",
           {{"pEmp", 1},
            {"pChave", chave},
            {"pCompl", i % 3 == 0 ? Value() : Value(fmt::format(kCompl, chave))},
            {"pValor", Value(Currency::FromString(fmt::format("{}.25", chave)))}}});
    }
    if (caso.EmTransacao)
      Conexao().StartTransaction();
    const int64_t preparados = Conexao().PreparedCount();
    const TnDMConexao::TResultadoLote lote = Conexao().ExecuteBatch(comandos);
    const int feitos = caso.Falha < 0 ? caso.Comandos : caso.Falha;
    EXPECT_EQ(lote.Afetados, std::vector<int64_t>(static_cast<size_t>(feitos), 1));
    EXPECT_LE(Conexao().PreparedCount() - preparados, 7)
        << "one text, and its sizes of several rows";
    if (Tipo() == TTipoConexao::PostgreSQL && caso.EmTransacao && caso.Falha < 0 &&
        caso.Comandos >= 64) {
      EXPECT_EQ(Conexao().PreparedCount(), preparados) << "the rows went as COPY";
    }
    ASSERT_EQ(static_cast<bool>(lote.Erro), caso.Falha >= 0);
    if (lote.Erro) {
      try {
        std::rethrow_exception(lote.Erro);
      } catch (const EDatabaseError& erro) {
        EXPECT_EQ(erro.Kind(), TDatabaseErrorKind::DuplicateKey);
      }
    }
    if (caso.EmTransacao) {
      EXPECT_EQ(Inserir(1, 2), 1);
      Conexao().Commit();
    }
    EXPECT_EQ(Linhas("LCTO where CODIGOEMPRESA = 1"), 1 + feitos);
    EXPECT_EQ(Conexao()
                  .ExecuteScalar("select max(CHAVELCTOCTB) from LCTO where CODIGOEMPRESA = 1")
                  .AsInteger(),
              1 + feitos)
        << "only the statements before the failure";
    EXPECT_EQ(Linhas("LCTO where CODIGOEMPRESA = 1 and CHAVELCTOCTB > 1 and (VALOR <> "
                     "CHAVELCTOCTB + 0.25 or (COMPL is null) <> ((CHAVELCTOCTB - 2) % 3 = 0))"),
              0)
        << "every row with its own values";
    for (const ValueArray& linha :
         Conexao()
             .ExecuteQuery("select CHAVELCTOCTB, COMPL from LCTO where CODIGOEMPRESA = 1 and "
                           "CHAVELCTOCTB > 1 and COMPL is not null")
             .Rows)
      ASSERT_EQ(linha[1].AsString(), fmt::format(kCompl, linha[0].AsInteger()));
    Conexao().ExecuteDirect("delete from LCTO where CODIGOEMPRESA = 2");
  }
}

// A row the table does not take (a trigger skips it) counts as a statement
// that wrote nothing, also when the rows went in one insert or one COPY.
TEST_P(TnDMConexaoTest, ABatchCountsTheRowsEachStatementWrote) {
  CriarTabelaLcto();
  Conexao().ExecuteScript(
      Tipo() == TTipoConexao::PostgreSQL
          ? "create function PULAR_TERCA() returns trigger language plpgsql as $$ begin "
            "if NEW.CHAVELCTOCTB % 3 = 0 then return null; end if; return NEW; end $$; "
            "create trigger TR_PULAR before insert on LCTO for each row "
            "execute function PULAR_TERCA()"
          : "create trigger TR_PULAR before insert on LCTO for each row "
            "when NEW.CHAVELCTOCTB % 3 = 0 begin select raise(ignore); end");
  for (const int linhas : {10, 100}) {
    SCOPED_TRACE(testing::Message() << linhas << " rows");
    Conexao().ExecuteDirect("delete from LCTO");
    std::vector<TnDMConexao::TComando> comandos;
    std::vector<int64_t> esperados;
    for (int chave = 1; chave <= linhas; ++chave) {
      comandos.push_back({"insert into LCTO (CODIGOEMPRESA, CHAVELCTOCTB) values (:pEmp, :pChave)",
                          {{"pEmp", 1}, {"pChave", chave}}});
      esperados.push_back(chave % 3 == 0 ? 0 : 1);
    }
    Conexao().StartTransaction();
    const TnDMConexao::TResultadoLote lote = Conexao().ExecuteBatch(comandos);
    Conexao().Commit();
    EXPECT_FALSE(lote.Erro);
    EXPECT_EQ(lote.Afetados, esperados);
    EXPECT_EQ(Linhas("LCTO"), linhas - linhas / 3);
  }
}

CTB_INSTANTIATE_ENGINES(TnDMConexaoTest);

}  // namespace
