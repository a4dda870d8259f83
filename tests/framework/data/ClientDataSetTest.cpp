#include "framework/data/ClientDataSet.h"

#include <gtest/gtest.h>

#include "framework/core/Exceptions.h"
#include "framework/data/filter/FilterExpression.h"

namespace {

// CONTA (integer), ESTAB (small integer), NOME (string 10), VALOR (BCD 2).
void CreateContas(TnClientDataSet& ds) {
  ds.AddField("CONTA", TFieldType::ftInteger);
  ds.AddField("ESTAB", TFieldType::ftSmallint);
  ds.AddField("NOME", TFieldType::ftString, 10);
  ds.AddField("VALOR", TFieldType::ftBCD, 2);
  ds.CreateDataSet();
}

void Add(TnClientDataSet& ds, std::initializer_list<ValueArray> linhas) {
  for (const ValueArray& linha : linhas)
    ds.AppendRecord(linha);
}

// Edits one field of the current record and posts it.
void Editar(TnClientDataSet& ds, const char* campo, const Value& valor) {
  ds.Edit();
  ds.FieldByName(campo).SetValue(valor);
  ds.Post();
}

// The rows the cursor sees, in order: "conta/estab/nome;...".
std::string Rows(TnClientDataSet& ds) {
  std::string text;
  TBookmark mark = ds.GetBookmark();
  for (ds.First(); !ds.Eof(); ds.Next()) {
    if (!text.empty())
      text += ";";
    text += ds.FieldByName("CONTA").AsString() + "/" + ds.FieldByName("ESTAB").AsString() + "/" +
            ds.FieldByName("NOME").AsString();
  }
  if (ds.BookmarkValid(mark))
    ds.GotoBookmark(mark);
  return text;
}

// Records every data-set event by name.
void TraceEvents(TnClientDataSet& ds, std::string& log) {
  using T = TnClientDataSet;
  const std::pair<const char*, T::TNotifyEvent T::*> events[] = {
      {"BeforeInsert", &T::BeforeInsert}, {"OnNewRecord", &T::OnNewRecord},
      {"AfterInsert", &T::AfterInsert},   {"BeforeEdit", &T::BeforeEdit},
      {"AfterEdit", &T::AfterEdit},       {"BeforePost", &T::BeforePost},
      {"AfterPost", &T::AfterPost},       {"BeforeCancel", &T::BeforeCancel},
      {"AfterCancel", &T::AfterCancel},   {"BeforeDelete", &T::BeforeDelete},
      {"AfterDelete", &T::AfterDelete},   {"BeforeScroll", &T::BeforeScroll},
      {"AfterScroll", &T::AfterScroll}};
  for (const auto& [name, event] : events)
    ds.*event = [&log, nome = name](T&) { log += std::string(nome) + " "; };
}

// Every test of the cursor starts from an empty CONTAS data set.
class ClientDataSet : public ::testing::Test {
 protected:
  ClientDataSet() { CreateContas(ds); }
  TnClientDataSet ds;
};

}  // namespace

TEST_F(ClientDataSet, EventsFireInTheClassicOrder) {
  std::string log;
  TraceEvents(ds, log);

  ds.Append();
  EXPECT_EQ(ds.State(), TDataSetState::dsInsert);
  ds.FieldByName("CONTA").SetAsInteger(1);
  ds.Post();
  EXPECT_EQ(log,
            "BeforeInsert BeforeScroll OnNewRecord AfterInsert AfterScroll BeforePost AfterPost ");

  log.clear();
  ds.Edit();
  ds.FieldByName("NOME").SetAsString("x");
  ds.Append();  // posts the edit first
  ds.Cancel();
  EXPECT_EQ(log,
            "BeforeEdit AfterEdit BeforePost AfterPost BeforeInsert BeforeScroll OnNewRecord "
            "AfterInsert AfterScroll BeforeCancel BeforeScroll AfterCancel AfterScroll ");

  log.clear();
  ds.Edit();
  ds.Next();  // nothing typed: the edit is cancelled, not posted
  ds.Delete();
  EXPECT_EQ(log,
            "BeforeEdit AfterEdit BeforeCancel AfterCancel BeforeScroll AfterScroll BeforeDelete "
            "BeforeScroll AfterDelete AfterScroll ");
  EXPECT_EQ(ds.RecordCount(), 0);
  EXPECT_EQ(ds.FieldByName("NOME").AsString(), "");
}

// BeforePost may refuse; a required field left null is refused after it.
TEST_F(ClientDataSet, RefusedPostKeepsStateAndTypedValues) {
  int beforePost = 0;
  ds.BeforePost = [&](TnClientDataSet& d) {
    ++beforePost;
    if (d.FieldByName("VALOR").AsCurrency() <= Currency(0))
      throw Exception("Valor inválido");
  };
  TField& conta = ds.FieldByName("CONTA");
  conta.SetRequired(true);
  conta.SetDisplayLabel("Conta");
  ds.Append();
  ds.FieldByName("ESTAB").SetAsInteger(7);
  EXPECT_THROW(ds.Post(), Exception);
  EXPECT_EQ(ds.State(), TDataSetState::dsInsert);
  EXPECT_EQ(ds.FieldByName("ESTAB").AsInteger(), 7);
  EXPECT_EQ(ds.ChangeCount(), 0);
  ds.FieldByName("VALOR").SetAsFloat(10);
  try {
    ds.Post();
    FAIL() << "Post accepted a null required field";
  } catch (const EnField& e) {
    EXPECT_EQ(e.Message(), "Campo 'Conta' deve ter um valor");
    EXPECT_EQ(e.FieldName(), "CONTA");
  }
  EXPECT_EQ(beforePost, 2);
  EXPECT_EQ(ds.State(), TDataSetState::dsInsert);
  conta.SetAsInteger(1);
  ds.Post();
  EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(ds.RecordCount(), 1);
}

TEST_F(ClientDataSet, WritingOutsideEditRaises) {
  Add(ds, {{1, 1, "a", 1}});
  EXPECT_THROW(ds.FieldByName("CONTA").SetAsInteger(2), EDatabaseStateError);
  EXPECT_THROW(ds.FieldByName("NADA"), Exception);
  EXPECT_EQ(&ds.FieldByName("conta"), &ds.FieldByName("CONTA"));
  ds.FieldByName("CONTA").SetReadOnly(true);
  ds.Edit();
  EXPECT_THROW(ds.FieldByName("CONTA").SetAsInteger(2), EDatabaseStateError);
}

TEST_F(ClientDataSet, OldValueIsTheValueAsLastApplied) {
  ds.AppendRecordUnlogged({1, 1, "a", 5.0});
  ds.First();
  ds.Edit();
  ds.FieldByName("NOME").SetAsString("b");
  EXPECT_EQ(ds.FieldByName("NOME").OldValue().AsString(), "a");
  EXPECT_EQ(ds.FieldByName("NOME").NewValue().AsString(), "b");
  ds.Post();
  Editar(ds, "NOME", "c");
  EXPECT_EQ(ds.FieldByName("NOME").OldValue().AsString(), "a");
  ds.MergeChangeLog();
  EXPECT_EQ(ds.FieldByName("NOME").OldValue().AsString(), "c");
  ds.Append();
  EXPECT_TRUE(ds.FieldByName("NOME").OldValue().IsNull());
}

TEST_F(ClientDataSet, ChangeLogRecordsInsertModifyDelete) {
  ds.AppendRecordUnlogged({1, 1, "um", 1.0});
  ds.AppendRecordUnlogged({2, 1, "dois", 2.0});
  ds.AppendRecordUnlogged({3, 1, "tres", 3.0});
  EXPECT_EQ(ds.ChangeCount(), 0);

  ds.Locate("CONTA", {2});
  Editar(ds, "VALOR", 20);
  EXPECT_EQ(ds.UpdateStatus(), TUpdateStatus::usModified);
  ds.Locate("CONTA", {3});
  ds.Delete();
  Add(ds, {{4, 1, "quatro", 4}, {5, 1, "cinco", 5}});
  ds.Delete();  // inserted then deleted: leaves nothing in the log

  TnDelta delta = ds.GetDelta();
  std::string text;
  TField& conta = ds.FieldByName("CONTA");
  TField& valor = ds.FieldByName("VALOR");
  for (size_t i = 0; i < delta.Count(); ++i) {
    const char* kinds[] = {"M", "I", "D"};
    text += std::string(kinds[static_cast<int>(delta[i].UpdateKind)]) + ":" +
            delta.OldValue(i, conta).AsString() + ">" + delta.NewValue(i, conta).AsString() + "," +
            delta.OldValue(i, valor).AsString() + ">" + delta.NewValue(i, valor).AsString() +
            (delta.FieldChanged(i, valor) ? "*" : "") + (delta.FieldChanged(i, conta) ? "#" : "") +
            " ";
  }
  EXPECT_EQ(text, "M:2>2,2>20* D:3>3,3>3 I:>4,>4*# ");
  EXPECT_EQ(ds.ChangeCount(), 3);
  EXPECT_EQ(Rows(ds), "1/1/um;2/1/dois;4/1/quatro");

  ds.CancelUpdates();
  EXPECT_EQ(ds.ChangeCount(), 0);
  EXPECT_EQ(Rows(ds), "1/1/um;2/1/dois;3/1/tres");
  ds.Locate("CONTA", {2});
  EXPECT_EQ(ds.FieldByName("VALOR").AsCurrency(), Currency(2));

  // With the log off, inserts and edits leave nothing pending.
  ds.SetLogChanges(false);
  Add(ds, {{6, 1, "seis", 6}});
  Editar(ds, "NOME", "b");
  EXPECT_EQ(ds.ChangeCount(), 0);
  EXPECT_EQ(ds.UpdateStatus(), TUpdateStatus::usUnmodified);
}

namespace {

// Writes every record except those whose CONTA is in FFail.
class TFakeProvider : public IDataSetProvider {
 public:
  std::vector<int64_t> FFail;
  std::string FLog;
  int ApplyUpdates(TnDelta& delta, int maxErrors) override {
    int errors = 0;
    TField& conta = delta.DataSet().FieldByName("CONTA");
    for (size_t i = 0; i < delta.Count(); ++i) {
      const Value& key = delta[i].UpdateKind == TUpdateKind::ukDelete ? delta.OldValue(i, conta)
                                                                      : delta.NewValue(i, conta);
      if (std::find(FFail.begin(), FFail.end(), key.AsInteger()) != FFail.end()) {
        delta[i].ErrorMessage = "falhou";
        if (++errors > maxErrors && maxErrors >= 0)
          break;
        continue;
      }
      if (key.AsInteger() == 9)
        delta.SetNewValue(i, conta, 90);  // a renumbered key
      FLog += delta.NewValue(i, conta).AsString() + " ";
      delta[i].Applied = true;
    }
    return errors;
  }
};

}  // namespace

TEST_F(ClientDataSet, ApplyUpdatesMergesAppliedRowsAndKeepsFailedOnes) {
  TFakeProvider provider;
  provider.FFail = {2};
  EXPECT_THROW(ds.ApplyUpdates(0), Exception);
  ds.SetProvider(&provider);
  ds.SetIndexFieldNames("CONTA");
  Add(ds, {{1, 1, "a", 1}, {2, 1, "b", 1}, {9, 1, "c", 1}});
  EXPECT_EQ(ds.ApplyUpdates(-1), 1);
  EXPECT_EQ(provider.FLog, "1 90 ");
  EXPECT_EQ(ds.ChangeCount(), 1);
  EXPECT_TRUE(ds.FindKey({90}));
  EXPECT_EQ(ds.UpdateStatus(), TUpdateStatus::usUnmodified);
  EXPECT_TRUE(ds.FindKey({2}));
  EXPECT_EQ(ds.UpdateStatus(), TUpdateStatus::usInserted);
}

// An order left for another and taken again is the rows' order now, also
// when a deleted row came back or every row was replaced under the other
// (rows posted, edited and deleted meanwhile: see AnIndexTakenBack... below).
TEST_F(ClientDataSet, OrderTakenAgainHoldsARowBroughtBackAndRowsReplacedUnderAnother) {
  Add(ds, {{2, 1, "a", 0}, {1, 1, "b", 0}, {3, 1, "c", 0}});
  ds.MergeChangeLog();
  ds.SetIndexFieldNames("CONTA");
  ds.SetIndexFieldNames("NOME");
  ds.Locate("NOME", {"b"});
  ds.Delete();
  ds.SetIndexFieldNames("CONTA");
  ds.SetIndexFieldNames("NOME");
  ds.CancelUpdates();
  ds.SetIndexFieldNames("CONTA");
  EXPECT_EQ(Rows(ds), "1/1/b;2/1/a;3/1/c");
  ds.SetIndexFieldNames("NOME");
  ds.EmptyDataSet();
  Add(ds, {{9, 1, "x", 0}, {8, 1, "y", 0}, {7, 1, "z", 0}});
  ds.SetIndexFieldNames("CONTA");
  EXPECT_EQ(Rows(ds), "7/1/z;8/1/y;9/1/x");
}

TEST_F(ClientDataSet, InsertPlacesTheRecordBeforeTheCurrentOneAndMoveByStopsAtTheEnds) {
  Add(ds, {{1, 1, "a", 0}, {2, 1, "b", 0}});
  ds.First();
  ds.Next();
  ds.Insert();
  ds.FieldByName("CONTA").SetAsInteger(3);
  ds.Post();
  EXPECT_EQ(Rows(ds), "1/1/a;3//;2/1/b");
  EXPECT_EQ(ds.RecNo(), 2);
  // MoveBy stops at the ends and says how far it went.
  ds.First();
  EXPECT_TRUE(ds.Bof());
  EXPECT_EQ(ds.MoveBy(5), 2);
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.RecNo(), 3);
  EXPECT_EQ(ds.MoveBy(-5), -2);
  EXPECT_TRUE(ds.Bof());
}

TEST_F(ClientDataSet, FindKeyNearestAndRangeRespectTheFilter) {
  // A malformed filter raises at once; an unknown field, when filtering.
  EXPECT_THROW(ds.SetFilter("CONTA = "), EFilterError);
  EXPECT_EQ(ds.Filter(), "");
  ds.SetFilter("NADA = 1");
  EXPECT_THROW(ds.SetFiltered(true), Exception);
  for (int conta = 1; conta <= 5; ++conta) {
    for (int estab = 1; estab <= 2; ++estab)
      Add(ds, {{conta, estab, "n" + std::to_string(conta), 0}});
  }
  ds.SetIndexFieldNames("CONTA;ESTAB");
  ds.SetFilter("ESTAB = 2");
  ds.SetFiltered(true);
  EXPECT_FALSE(ds.FindKey({3, 1}));  // exists, but filtered out
  EXPECT_TRUE(ds.FindKey({3}));
  EXPECT_EQ(ds.FieldByName("ESTAB").AsInteger(), 2);
  EXPECT_TRUE(ds.FindKey({"4", "2"}));  // texts are coerced to the key types

  ds.SetKey();
  ds.FieldByName("CONTA").SetAsInteger(2);
  ds.FieldByName("ESTAB").SetAsInteger(1);
  ds.GotoNearest();
  EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(ds.FieldByName("CONTA").AsInteger(), 2);
  EXPECT_EQ(ds.FieldByName("ESTAB").AsInteger(), 2);

  ds.SetRange({2}, {4});
  EXPECT_EQ(Rows(ds), "2/2/n2;3/2/n3;4/2/n4");
  EXPECT_EQ(ds.RecordCount(), 3);
  EXPECT_FALSE(ds.FindKey({5}));
  ds.FindNearest({9});
  EXPECT_EQ(ds.FieldByName("CONTA").AsInteger(), 4);
  ds.SetFiltered(false);
  EXPECT_EQ(ds.RecordCount(), 6);
  ds.CancelRange();
  EXPECT_EQ(ds.RecordCount(), 10);
}

// A filter of stored fields equal to constants is tested on the stored
// values, not by the evaluator, and where it fixes the leading fields of the
// index only their block is walked: it must let through exactly the rows,
// in the same order both ways, that the evaluator does over every row (an
// `or` of a false comparison brings the evaluator back).
TEST_F(ClientDataSet, EqualityFiltersLetThroughTheRowsTheEvaluatorDoes) {
  Add(ds, {{2, 2, "b", 2.5},
           {1, 1, "a", 1},
           {2, 1, "b", 2},
           {3, 2, "", 0},
           {2, 1, "d", 2},
           {4, Value(), "c", 1}});
  struct TCaso {
    const char* Filtro;
    const char* Linhas;  // in the order of the rows; nullptr: whatever the evaluator says
  };
  const auto deTras = [](TnClientDataSet& d) {
    std::string linhas;
    for (d.Last(); !d.Bof(); d.Prior())
      linhas += d.FieldByName("NOME").AsString() + d.FieldByName("VALOR").AsString() + ";";
    return linhas;
  };
  for (const char* indice : {"", "CONTA", "ESTAB;CONTA", "CONTA;ESTAB", "VALOR;CONTA;ESTAB"}) {
    ds.SetIndexFieldNames(indice);
    for (const TCaso& caso :
         std::vector<TCaso>{{"CONTA = 2", "2/2/b;2/1/b;2/1/d"},
                            {"2 = CONTA and ESTAB = 2", "2/2/b"},
                            {"NOME = 'b' and (ESTAB = 1 and CONTA = 2)", "2/1/b"},
                            {"ESTAB = 1 and CONTA = 2.0", "2/1/b;2/1/d"},
                            {"ESTAB = 1", "1/1/a;2/1/b;2/1/d"},
                            {"ESTAB = null", ""},
                            {"VALOR = 2.5", "2/2/b"},
                            {"VALOR = 2 and CONTA = 2", "2/1/b;2/1/d"},
                            {"CONTA = 2.5", ""},
                            {"CONTA = '3'", nullptr},
                            {"NOME = ''", nullptr},
                            {"CONTA = 2 or ESTAB = 2", "2/2/b;2/1/b;3/2/;2/1/d"},
                            {"CONTA <> 2", "1/1/a;3/2/;4//c"},
                            {"not ESTAB = 1", "2/2/b;3/2/;4//c"}}) {
      ds.SetFilter(std::string("(") + caso.Filtro + ") or 1 = 0");
      ds.SetFiltered(true);
      const std::string linhas = Rows(ds);
      const std::string linhasDeTras = deTras(ds);
      const int quantas = ds.RecordCount();
      ds.SetFilter(caso.Filtro);
      EXPECT_EQ(Rows(ds), linhas) << indice << ": " << caso.Filtro;
      EXPECT_EQ(deTras(ds), linhasDeTras) << indice << ": " << caso.Filtro;
      EXPECT_EQ(ds.RecordCount(), quantas) << indice << ": " << caso.Filtro;
      if (caso.Linhas && *indice == '\0') {
        EXPECT_EQ(linhas, caso.Linhas) << caso.Filtro;
      }
    }
  }
}

// Switching between two orders reuses the index left behind; rows posted
// and edited meanwhile must be in it where a fresh index puts them.
TEST_F(ClientDataSet, AnIndexTakenBackHoldsTheRowsPostedAndEditedMeanwhile) {
  for (int conta : {5, 3, 8, 1})
    Add(ds, {{conta, conta % 3, "x", 0}});
  ds.SetIndexFieldNames("CONTA");
  ds.SetIndexFieldNames("ESTAB");
  Add(ds, {{4, 2, "novo", 0}});
  ds.First();
  Editar(ds, "CONTA", 9);
  ds.SetIndexFieldNames("CONTA");
  Add(ds, {{2, 0, "outro", 0}});
  ds.SetIndexFieldNames("ESTAB");
  TnClientDataSet novo;
  novo.CloneCursor(ds);
  const auto confere = [&] {
    for (const char* indice : {"CONTA", "ESTAB", "CONTA"}) {
      ds.SetIndexFieldNames(indice);
      novo.SetIndexFieldNames(std::string(indice) + ";NOME");
      novo.SetIndexFieldNames(indice);
      EXPECT_EQ(Rows(ds), Rows(novo)) << indice;
    }
  };
  confere();
  EXPECT_EQ(Rows(ds), "1/1/x;2/0/outro;4/2/novo;5/2/x;8/2/x;9/0/x");
  ds.SetIndexFieldNames("");  // back to the order the rows came in
  EXPECT_EQ(Rows(ds), "5/2/x;9/0/x;8/2/x;1/1/x;4/2/novo;2/0/outro");
  ds.SetIndexFieldNames("ESTAB");
  ds.Delete();
  confere();
}

TEST_F(ClientDataSet, RecordThatStopsMatchingLeavesTheViewAndDeleteWorksFiltered) {
  for (int conta = 1; conta <= 4; ++conta)
    Add(ds, {{conta, conta % 2, "x", 0}});
  ds.OnFilterRecord = [](TnClientDataSet& d, bool& accept) {
    accept = d.FieldByName("ESTAB").AsInteger() == 1;
  };
  ds.SetFiltered(true);
  EXPECT_EQ(Rows(ds), "1/1/x;3/1/x");
  ds.First();
  Editar(ds, "ESTAB", 0);
  EXPECT_EQ(ds.FieldByName("CONTA").AsInteger(), 3);
  EXPECT_EQ(Rows(ds), "3/1/x");
  ds.Delete();
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_TRUE(ds.Eof());
  ds.SetFiltered(false);
  EXPECT_EQ(Rows(ds), "1/0/x;2/0/x;4/0/x");
}

TEST_F(ClientDataSet, CloneCursorSharesRowsWithItsOwnPositionAndIndex) {
  Add(ds, {{2, 1, "b", 0}, {1, 1, "a", 0}, {3, 1, "c", 0}});
  TnClientDataSet clone;
  clone.CloneCursor(ds);
  clone.SetIndexFieldNames("CONTA");
  clone.SetFilter("CONTA >= 2");
  clone.SetFiltered(true);
  EXPECT_EQ(Rows(clone), "2/1/b;3/1/c");
  EXPECT_EQ(Rows(ds), "2/1/b;1/1/a;3/1/c");

  ASSERT_TRUE(clone.FindKey({3}));
  Editar(clone, "NOME", "C");
  ds.Last();
  EXPECT_EQ(ds.FieldByName("NOME").AsString(), "C");
  EXPECT_EQ(ds.UpdateStatus(), TUpdateStatus::usInserted);

  Add(ds, {{0, 1, "z", 0}});
  ds.First();
  ds.Delete();  // the row the clone stands on
  EXPECT_EQ(clone.FieldByName("CONTA").AsInteger(), 3);
  EXPECT_EQ(Rows(clone), "3/1/C");
  EXPECT_EQ(Rows(ds), "1/1/a;3/1/C;0/1/z");
  clone.SetFiltered(false);
  EXPECT_EQ(Rows(clone), "0/1/z;1/1/a;3/1/C");
}

TEST_F(ClientDataSet, LocateAndLookup) {
  Add(ds, {{1, 1, "Caixa", 0}, {2, 1, "Banco", 0}});
  EXPECT_TRUE(ds.Locate("NOME", {"BAN"}, loCaseInsensitive | loPartialKey));
  EXPECT_EQ(ds.FieldByName("CONTA").AsInteger(), 2);
  EXPECT_FALSE(ds.Locate("NOME", {"banco"}));
  EXPECT_EQ(ds.FieldByName("CONTA").AsInteger(), 2);
  ds.First();
  EXPECT_EQ(ds.Lookup("CONTA;ESTAB", {2, 1}, "NOME").AsString(), "Banco");
  EXPECT_EQ(ds.FieldByName("CONTA").AsInteger(), 1);
  EXPECT_TRUE(ds.Lookup("CONTA", {7}, "NOME").IsNull());
}

TEST_F(ClientDataSet, EmptyDataSetLeavesNothingToDeleteAndControlsNest) {
  Add(ds, {{1, 1, "a", 0}});
  ds.EmptyDataSet();
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_EQ(ds.ChangeCount(), 0);
  EXPECT_THROW(ds.Delete(), EDatabaseStateError);
  ds.DisableControls();
  ds.DisableControls();
  ds.EnableControls();
  EXPECT_TRUE(ds.ControlsDisabled());
  ds.EnableControls();
  EXPECT_FALSE(ds.ControlsDisabled());
}

TEST(ClientDataSetSchema, CalculatedFieldsFollowTheRecordAndStayOutOfTheLog) {
  TnClientDataSet ds;
  ds.AddField("VALOR", TFieldType::ftBCD, 2);
  ds.AddCalcField("DOBRO", TFieldType::ftBCD);
  ds.OnCalcFields = [](TnClientDataSet& d) {
    d.FieldByName("DOBRO").SetAsCurrency(d.FieldByName("VALOR").AsCurrency() * 2);
  };
  ds.CreateDataSet();
  ds.AppendRecord({1.5});
  ds.AppendRecord({4});
  ds.First();
  EXPECT_EQ(ds.FieldByName("DOBRO").AsString(), "3");
  ds.Edit();
  ds.FieldByName("VALOR").SetAsFloat(10);
  EXPECT_EQ(ds.FieldByName("DOBRO").AsString(), "20");
  ds.Post();
  ds.SetFilter("DOBRO > 10");
  ds.SetFiltered(true);
  EXPECT_EQ(ds.RecordCount(), 1);
  TnDelta delta = ds.GetDelta();
  EXPECT_TRUE(delta.NewValue(0, ds.FieldByName("DOBRO")).IsNull());
}
