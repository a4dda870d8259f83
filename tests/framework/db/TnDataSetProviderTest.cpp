#include "framework/db/TnDataSetProvider.h"

#include <gtest/gtest.h>

#include "framework/core/Exceptions.h"
#include "framework/db/Nutildb.h"
#include "framework/db/Nutilexception.h"
#include "framework/db/TnSQLDataSet.h"
#include "tests/support/TestDatabases.h"

namespace {

// The chain a register module owns: SQL data set -> provider -> client data
// set, over a table keyed by (CODIGOEMPRESA, CHAVELCTOCTB).
class TnDataSetProviderTest : public TDatabaseTest {
 protected:
  void SetUp() override {
    TDatabaseTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    AbrirSessao();
    Conexao().ExecuteScript(
        "create table LCTO (CODIGOEMPRESA integer not null, CHAVELCTOCTB integer not null, "
        "VALOR numeric(18,2), COMPL varchar(60), DATAHORA timestamp, "
        "SITUACAO smallint not null default 7, primary key (CODIGOEMPRESA, CHAVELCTOCTB));"
        "create table LOGLCTO (CHAVELCTOCTB integer, ACAO varchar(10))");
    Conexao().ExecuteDirect(
        "insert into LCTO (CODIGOEMPRESA, CHAVELCTOCTB, VALOR, COMPL) values "
        "(1, 1, 10, 'a'), (1, 2, 20, 'b')");
    FSql.SetCommandText(
        "select CODIGOEMPRESA, CHAVELCTOCTB, VALOR, COMPL, DATAHORA, SITUACAO "
        "from LCTO order by 2");
    FProvider.SetDataSet(&FSql);
    FCds.SetProvider(&FProvider);
    FProvider.GetRecords(FCds);
    for (const char* chave : {"CODIGOEMPRESA", "CHAVELCTOCTB"})
      FCds.FieldByName(chave).SetProviderFlags(pfInUpdate | pfInWhere | pfInKey);
  }

  // The table as one string: "key:valor:compl " per row.
  std::string Tabela() {
    auto cursor =
        Nutildb::ExecutarSQL("select CHAVELCTOCTB, VALOR, COMPL from LCTO order by CHAVELCTOCTB");
    std::string text;
    for (; !cursor->Eof(); cursor->Next())
      text += cursor->Fields(0).AsString() + ":" + cursor->Fields(1).AsString() + ":" +
              cursor->Fields(2).AsString() + " ";
    return text;
  }
  void Inserir(int chave, const char* complemento) {
    FCds.Append();
    FCds.FieldByName("CODIGOEMPRESA").SetAsInteger(1);
    FCds.FieldByName("CHAVELCTOCTB").SetAsInteger(chave);
    FCds.FieldByName("VALOR").SetAsFloat(chave * 1.5);
    if (complemento != nullptr)
      FCds.FieldByName("COMPL").SetAsString(complemento);
    FCds.Post();
  }
  // Edits the current record and posts it.
  void Editar(std::initializer_list<std::pair<const char*, Value>> campos) {
    FCds.Edit();
    for (const auto& [campo, valor] : campos)
      FCds.FieldByName(campo).SetValue(valor);
    FCds.Post();
  }
  // Every failed record of `cds` is answered with `acao`; the last message
  // is kept.
  void Reconciliar(TReconcileAction acao, TnClientDataSet& cds) {
    cds.OnReconcileError = [this, acao](TnClientDataSet&, const std::string& mensagem, TUpdateKind,
                                        TReconcileAction& action) {
      FMensagem = mensagem;
      action = acao;
    };
  }

  std::string FMensagem;
  TnSQLDataSet FSql;
  TnDataSetProvider FProvider;
  TnClientDataSet FCds;
};

TEST_P(TnDataSetProviderTest, TableNameIsTheFirstTableOfTheSelectUnlessTheEventSaysOtherwise) {
  EXPECT_EQ(FProvider.GetTableName(), "LCTO");
  FProvider.OnGetTableName = [](TnDataSetProvider&, TnSQLDataSet*, std::string& name) {
    name = "LOGLCTO";
  };
  EXPECT_EQ(FProvider.GetTableName(), "LOGLCTO");
  FProvider.OnGetTableName = [](TnDataSetProvider&, TnSQLDataSet*, std::string& name) {
    name = "LCTO; delete from LCTO";
  };
  EXPECT_THROW(FProvider.GetTableName(), Exception);
}

TEST_P(TnDataSetProviderTest, UpdateWritesOnlyTheChangedFieldsFindingTheRowByTheOldKey) {
  // Another user changes VALOR after we read: our update must not undo it.
  Conexao().ExecuteDirect("update LCTO set VALOR = 99 where CHAVELCTOCTB = 1");
  FCds.First();
  Editar({{"COMPL", "novo"}, {"CHAVELCTOCTB", 5}});
  EXPECT_EQ(FCds.ApplyUpdates(0), 0);
  EXPECT_EQ(FCds.ChangeCount(), 0);
  EXPECT_EQ(Tabela(), "2:20:b 5:99:novo ");
  ASSERT_EQ(FProvider.ComandosExecutados().size(), 1u);
  EXPECT_EQ(FProvider.ComandosExecutados()[0],
            "update LCTO set CHAVELCTOCTB = :N_CHAVELCTOCTB, COMPL = :N_COMPL where "
            "CODIGOEMPRESA = :O_CODIGOEMPRESA and CHAVELCTOCTB = :O_CHAVELCTOCTB and "
            "COMPL = :O_COMPL");
}

// Another user deleted the row, or changed the very column we change (a lost
// update), since we read it. Ours is refused and nothing is written; his
// change stays and ours stays pending, an error unless the answer cancels.
TEST_P(TnDataSetProviderTest, ARowChangedByAnotherUserSinceReadIsNotOverwrittenAndStaysPending) {
  const struct {
    const char* OutroUsuario;
    int MaxErros;
    const char* Tabela;
  } casos[] = {{"update LCTO set COMPL = 'dele' where CHAVELCTOCTB = 2", 0, "1:10:a 2:20:dele "},
               {"delete from LCTO where CHAVELCTOCTB = 2", -1, "1:10:a "}};
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.OutroUsuario);
    FProvider.GetRecords(FCds);
    Conexao().ExecuteDirect(caso.OutroUsuario);
    FCds.Last();
    Editar({{"COMPL", "meu"}, {"VALOR", 21}});
    Reconciliar(TReconcileAction::raSkip, FCds);
    EXPECT_EQ(FCds.ApplyUpdates(caso.MaxErros), 1);
    EXPECT_EQ(FMensagem, "Registro não encontrado ou alterado por outro usuário");
    EXPECT_EQ(Tabela(), caso.Tabela);
    EXPECT_EQ(FCds.ChangeCount(), 1);
    Reconciliar(TReconcileAction::raCancel, FCds);
    EXPECT_EQ(FCds.ApplyUpdates(0), 0);
    EXPECT_EQ(FCds.ChangeCount(), 1);
  }
}

// Every insert lists the same columns, whatever its row left null (so the
// rows share one statement), except a null column with a default, which is
// left out for the table to fill.
TEST_P(TnDataSetProviderTest, InsertWritesNullsExceptWhereTheColumnHasADefault) {
  FCds.FieldByName("DATAHORA").SetProviderFlags(pfInUpdate);
  Inserir(3, "c");
  Inserir(4, nullptr);
  Editar({{"SITUACAO", 2}});
  Inserir(5, "e");
  FCds.First();
  FCds.Delete();
  EXPECT_EQ(FCds.ApplyUpdates(0), 0);
  EXPECT_EQ(Tabela(), "2:20:b 3:4.5:c 4:6: 5:7.5:e ");
  EXPECT_EQ(Contar("select sum(SITUACAO) from LCTO where CHAVELCTOCTB > 2"), 7 + 2 + 7);
  const std::string insercao =
      "insert into LCTO (CODIGOEMPRESA, CHAVELCTOCTB, VALOR, COMPL, DATAHORA) values "
      "(:N_CODIGOEMPRESA, :N_CHAVELCTOCTB, :N_VALOR, :N_COMPL, :N_DATAHORA)";
  EXPECT_EQ(
      FProvider.ComandosExecutados(),
      (std::vector<std::string>{insercao,
                                "insert into LCTO (CODIGOEMPRESA, CHAVELCTOCTB, VALOR, COMPL, "
                                "DATAHORA, SITUACAO) values (:N_CODIGOEMPRESA, "
                                ":N_CHAVELCTOCTB, :N_VALOR, :N_COMPL, :N_DATAHORA, "
                                ":N_SITUACAO)",
                                insercao,
                                "delete from LCTO where CODIGOEMPRESA = :O_CODIGOEMPRESA and "
                                "CHAVELCTOCTB = :O_CHAVELCTOCTB"}));
}

// Inserts go to the database together; one refused in the middle (a
// duplicate key: kind 1) is reconciled alone, positioned on its record, and
// the ones after it are still written, in order, unless the answer aborts:
// then every record already written rolls back. A correction writes the
// new key, and the data set keeps it.
TEST_P(TnDataSetProviderTest, AnInsertRefusedAmongOthersIsReconciledAloneAndTheRestWritten) {
  struct TCaso {
    TReconcileAction Acao;
    const char* Tabela;
    int Pendentes;
    int Erros;
    int MaxErros;  // a corrected record is no error, even where none is allowed
  };
  const TCaso casos[] = {
      {TReconcileAction::raSkip, "1:10:a 2:20:b 3:4.5:c 4:6:d 5:7.5:e ", 1, 1, -1},
      {TReconcileAction::raCancel, "1:10:a 2:20:b 3:4.5:c 4:6:d 5:7.5:e ", 1, 0, -1},
      {TReconcileAction::raCorrect, "1:10:a 2:20:b 3:4.5:c 4:6:d 5:7.5:e 9:1.5:dup ", 0, 0, 0},
      {TReconcileAction::raAbort, "1:10:a 2:20:b ", 4, 1, -1},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(static_cast<int>(caso.Acao));
    std::vector<std::string> erros;
    FCds.OnReconcileError = [&](TnClientDataSet& ds, const std::string& mensagem, TUpdateKind uk,
                                TReconcileAction& action) {
      erros.push_back(ds.FieldByName("COMPL").AsString() + ": " +
                      std::to_string(Nutilexception::ErroBancoAtual()) +
                      (uk == TUpdateKind::ukInsert ? " insert" : " other"));
      EXPECT_FALSE(mensagem.empty());
      if (caso.Acao == TReconcileAction::raCorrect)
        FProvider.SetNewValue("CHAVELCTOCTB", Value(9));
      action = caso.Acao;
    };
    Inserir(3, "c");
    Inserir(1, "dup");
    Inserir(4, "d");
    Inserir(5, "e");
    EXPECT_EQ(FCds.ApplyUpdates(caso.MaxErros), caso.Erros);
    EXPECT_EQ(erros, std::vector<std::string>{"dup: 1 insert"});
    EXPECT_EQ(Tabela(), caso.Tabela);
    EXPECT_EQ(FCds.ChangeCount(), caso.Pendentes);
    EXPECT_FALSE(Conexao().InTransaction());
    EXPECT_EQ(FCds.Locate("CHAVELCTOCTB", {Value(9)}), caso.Acao == TReconcileAction::raCorrect);
    Conexao().ExecuteDirect("delete from LCTO where CHAVELCTOCTB > 2");
    FProvider.GetRecords(FCds);
  }
}

TEST_P(TnDataSetProviderTest, MoreErrorsThanAllowedRollBackWhileSkipKeepsTheGoodRows) {
  Inserir(3, "c");
  Inserir(1, "dup");
  // A batch that cannot recover runs without savepoints and still rolls back.
  EXPECT_EQ(FCds.ApplyUpdates(0), 1);
  EXPECT_TRUE(Conexao().IsolarComandos()) << "the connection gets its setting back";
  EXPECT_EQ(Tabela(), "1:10:a 2:20:b ");
  EXPECT_EQ(FCds.ChangeCount(), 2);
  EXPECT_EQ(FCds.ApplyUpdates(-1), 1);
  EXPECT_EQ(Tabela(), "1:10:a 2:20:b 3:4.5:c ");
  EXPECT_EQ(FCds.ChangeCount(), 1);
}

// BeforeUpdateRecord sees each record's new value when set, else the old,
// and may write a row itself.
TEST_P(TnDataSetProviderTest, BeforeUpdateRecordSeesTheValuesAndMayWriteARowItself) {
  std::string visto;
  FProvider.BeforeUpdateRecord = [&](TnDataSetProvider&, TnSQLDataSet* source, TnDelta& delta,
                                     size_t record, TUpdateKind kind, bool& applied) {
    EXPECT_EQ(source, &FSql);
    for (const char* campo : {"CHAVELCTOCTB", "VALOR", "COMPL"})
      visto += Nutildb::PegarValorDelta(delta, record, campo).AsString() + " ";
    if (kind != TUpdateKind::ukDelete)
      return;
    Value chave = Nutildb::PegarValorDelta(delta, record, "CHAVELCTOCTB");
    Nutildb::ExecutarSQLDireto("insert into LOGLCTO values (:c, 'excluido')", {{"c", chave}});
    applied = true;
  };
  FCds.First();
  FCds.Delete();
  Editar({{"COMPL", "novo"}});
  Inserir(3, "c");
  EXPECT_EQ(FCds.ApplyUpdates(0), 0);
  EXPECT_EQ(visto, "1 10 a 2 20 novo 3 4.5 c ");
  EXPECT_EQ(Tabela(), "1:10:a 2:20:novo 3:4.5:c ") << "the handled delete wrote nothing itself";
  EXPECT_EQ(Nutildb::ExecutarSQL("select CHAVELCTOCTB from LOGLCTO")->Fields(0).AsInteger(), 1);
  EXPECT_EQ(FCds.ChangeCount(), 0);
}

TEST_P(TnDataSetProviderTest, AnExceptionOfAfterApplyUpdatesLosesTheWholeBatch) {
  FProvider.AfterApplyUpdates = [](TnDataSetProvider&) { throw Exception("gerencial falhou"); };
  Inserir(3, "c");
  EXPECT_THROW(FCds.ApplyUpdates(0), Exception);
  EXPECT_EQ(Tabela(), "1:10:a 2:20:b ");
  EXPECT_EQ(FCds.ChangeCount(), 1);
}

TEST_P(TnDataSetProviderTest, TextsWithQuotesBackslashesAndSemicolonsRoundTrip) {
  const std::string texto = "it's \\ C:\\dir; drop table LCTO; --";
  Inserir(3, texto.c_str());
  FCds.First();
  Editar({{"COMPL", "'; \\'"}});
  EXPECT_EQ(FCds.ApplyUpdates(0), 0);
  EXPECT_EQ(Tabela(), "1:10:'; \\' 2:20:b 3:4.5:" + texto + " ");
}

TEST_P(TnDataSetProviderTest, GravarCDSWritesByTheGivenKeyReusingOneStatementPerShape) {
  TnClientDataSet cds;
  cds.AddField("CODIGOEMPRESA", TFieldType::ftInteger);
  cds.AddField("CHAVELCTOCTB", TFieldType::ftInteger);
  cds.AddField("VALOR", TFieldType::ftBCD);
  cds.AddField("COMPL", TFieldType::ftString, 60);
  cds.CreateDataSet();
  for (int chave = 10; chave < 60; ++chave)
    cds.AppendRecord({Value(1), Value(chave), Value(1.0), Value("g")});
  int64_t antes = Conexao().PreparedCount();
  EXPECT_EQ(Nutildb::GravarCDS("LCTO", cds, "CODIGOEMPRESA;CHAVELCTOCTB"), 0);
  EXPECT_LE(Conexao().PreparedCount() - antes, 4)
      << "one insert text for 50 rows, and the table's defaults read once";
  EXPECT_EQ(Contar("select count(*) from LCTO"), 52);
  EXPECT_EQ(cds.Provider(), nullptr) << "the data set's own provider comes back";

  cds.First();
  cds.Edit();
  cds.FieldByName("VALOR").SetAsFloat(2.0);
  cds.Post();
  EXPECT_EQ(Nutildb::GravarCDS("LCTO", cds, "CODIGOEMPRESA;CHAVELCTOCTB"), 0);
  EXPECT_EQ(
      Conexao().ExecuteScalar("select sum(VALOR) from LCTO where CHAVELCTOCTB >= 10").AsFloat(),
      51.0);

  // A column whose name is not an identifier refuses every row it would
  // write, and says why; nothing reaches the table.
  TnClientDataSet ruim;
  ruim.AddField("CODIGOEMPRESA", TFieldType::ftInteger);
  ruim.AddField("CHAVELCTOCTB", TFieldType::ftInteger);
  ruim.AddField("COMPL) values (1, 99, 'x'); --", TFieldType::ftString, 60);
  ruim.CreateDataSet();
  ruim.AppendRecord({Value(1), Value(98), Value("y")});
  Reconciliar(TReconcileAction::raSkip, ruim);
  EXPECT_EQ(Nutildb::GravarCDS("LCTO", ruim, "CODIGOEMPRESA;CHAVELCTOCTB", -1), 1);
  EXPECT_NE(FMensagem.find("Nome inválido para o comando SQL"), std::string::npos) << FMensagem;
  EXPECT_EQ(Contar("select count(*) from LCTO"), 52);
}

// Without the per-statement savepoint a failure on PostgreSQL aborts the
// transaction (with it, the default, the transaction goes on: see
// TnDMConexaoTest.ConstraintFailuresCarryTheirKind).
TEST_P(TnDataSetProviderTest, IsolarComandosDecidesWhetherAFailureAbortsTheTransaction) {
  const std::string duplicado = "insert into LCTO (CODIGOEMPRESA, CHAVELCTOCTB) values (1, 1)";
  const std::string outro = "insert into LCTO (CODIGOEMPRESA, CHAVELCTOCTB) values (1, 9)";
  Conexao().SetIsolarComandos(false);
  Conexao().StartTransaction();
  EXPECT_THROW(Conexao().ExecuteDirect(duplicado), EDatabaseError);
  if (Tipo() == TTipoConexao::PostgreSQL)
    EXPECT_THROW(Conexao().ExecuteDirect(outro), EDatabaseError);
  else
    EXPECT_EQ(Conexao().ExecuteDirect(outro), 1);
  Conexao().RollBack();
  Conexao().SetIsolarComandos(true);
  EXPECT_EQ(Tabela(), "1:10:a 2:20:b ");
}

CTB_INSTANTIATE_ENGINES(TnDataSetProviderTest);

}  // namespace
