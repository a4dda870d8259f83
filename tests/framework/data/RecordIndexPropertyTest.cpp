// The data set's index against a plain reference: random appends, loads of many rows at once,
// key edits, deletes and reverts, after each step the cursor's order, FindKey, and a clone cursor
// on another index must agree with a stable sort of the live rows by Compare. The values are
// chosen to strain the index's shortcuts: texts sharing long prefixes, nulls, descending fields,
// equal keys.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "framework/data/ClientDataSet.h"

namespace {

struct TRefRow {
  int64_t Id;
  Value Nome, Conta, Data;
  bool Live = true;
};

struct TIndexCase {
  const char* Fields;
  const char* Desc;
  std::vector<int> Keys;  // positions among NOME, CONTA, DATA
  std::vector<bool> Descending;
};

Value Pick(std::mt19937& gen, int field) {
  const int n = std::uniform_int_distribution<int>(0, 5)(gen);
  if (n == 0)
    return Value();
  switch (field) {
    case 0:
      return Value(std::string("CONTA-DE-PREFIXO-LONGO-") + std::to_string(n % 4));
    case 1:
      return Value(int64_t{n - 3});
    default:
      return Value(EncodeDate(2024, 1, n));
  }
}

const Value& Field(const TRefRow& row, int field) {
  return field == 0 ? row.Nome : field == 1 ? row.Conta : row.Data;
}

// Live reference rows in index order (ids), equal keys in insertion order.
std::vector<int64_t> Expected(const std::vector<TRefRow>& rows, const TIndexCase& index) {
  std::vector<const TRefRow*> live;
  for (const TRefRow& r : rows)
    if (r.Live)
      live.push_back(&r);
  std::stable_sort(live.begin(), live.end(), [&](const TRefRow* a, const TRefRow* b) {
    for (size_t k = 0; k < index.Keys.size(); ++k) {
      int c = Compare(Field(*a, index.Keys[k]), Field(*b, index.Keys[k]));
      if (c != 0)
        return index.Descending[k] ? c > 0 : c < 0;
    }
    return false;
  });
  std::vector<int64_t> ids;
  for (const TRefRow* r : live)
    ids.push_back(r->Id);
  return ids;
}

std::vector<int64_t> Walk(TnClientDataSet& ds) {
  std::vector<int64_t> ids;
  for (ds.First(); !ds.Eof(); ds.Next())
    ids.push_back(ds.FieldByName("ID").AsInteger());
  return ids;
}

class RecordIndexProperty : public ::testing::TestWithParam<TIndexCase> {};

TEST_P(RecordIndexProperty, AgreesWithAStableSortOnRandomChanges) {
  const TIndexCase& index = GetParam();
  const TIndexCase byId{"ID", "", {}, {}};
  TnClientDataSet ds;
  ds.AddField("ID", TFieldType::ftInteger);
  ds.AddField("NOME", TFieldType::ftString, 30);
  ds.AddField("CONTA", TFieldType::ftLargeint);
  ds.AddField("DATA", TFieldType::ftDate);
  ds.AddIndex("K", index.Fields, index.Desc);
  ds.CreateDataSet();
  ds.SetIndexName("K");
  TnClientDataSet clone;
  clone.CloneCursor(ds);
  clone.SetIndexFieldNames("CONTA;ID");

  std::mt19937 gen(20240601);
  std::vector<TRefRow> rows;
  auto random = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(gen); };
  for (int step = 0; step < 1500; ++step) {
    const int op = random(11);
    std::vector<int64_t> live = Expected(rows, byId);
    auto novaLinha = [&] {
      return rows.emplace_back(
          TRefRow{static_cast<int64_t>(rows.size()), Pick(gen, 0), Pick(gen, 1), Pick(gen, 2)});
    };
    if (op == 10) {
      // A load of a few rows goes an insert each, of many merged at once.
      ds.AppendRecordsUnlogged(static_cast<size_t>(random(40)), [&](size_t, ValueArray& values) {
        const TRefRow row = novaLinha();
        values = {row.Id, row.Nome, row.Conta, row.Data};
      });
    } else if (op < 5 || live.empty()) {
      const TRefRow row = novaLinha();
      ds.AppendRecord({row.Id, row.Nome, row.Conta, row.Data});
    } else {
      // At most one row per step, so the count fits an int.
      const int vivas = static_cast<int>(live.size());
      TRefRow& row = rows[static_cast<size_t>(live[static_cast<size_t>(random(vivas))])];
      ASSERT_TRUE(ds.Locate("ID", {row.Id}));
      if (op < 8) {
        const int field = random(3);
        const Value value = Pick(gen, field);
        ds.Edit();
        ds.FieldByName(field == 0 ? "NOME" : field == 1 ? "CONTA" : "DATA").SetValue(value);
        ds.Post();
        (field == 0 ? row.Nome : field == 1 ? row.Conta : row.Data) = value;
      } else if (op == 8) {
        ds.Delete();
        row.Live = false;
      } else {
        ds.MergeChangeLog();
      }
    }
    if (step % 50 != 0)
      continue;
    const std::vector<int64_t> order = Expected(rows, index);
    ASSERT_EQ(Walk(ds), order) << "step " << step;
    const TIndexCase byConta{"CONTA;ID", "", {1}, {false}};
    ASSERT_EQ(Walk(clone), Expected(rows, byConta)) << "step " << step;
    // FindKey on every key a row has lands on the first row of that key.
    for (int64_t id : order) {
      const TRefRow& row = rows[static_cast<size_t>(id)];
      ValueArray key;
      for (int k : index.Keys)
        key.push_back(Field(row, k));
      ASSERT_TRUE(ds.FindKey(key));
      const auto first = std::find_if(order.begin(), order.end(), [&](int64_t other) {
        for (size_t k = 0; k < key.size(); ++k)
          if (Compare(Field(rows[static_cast<size_t>(other)], index.Keys[k]), key[k]) != 0)
            return false;
        return true;
      });
      ASSERT_EQ(ds.FieldByName("ID").AsInteger(), *first);
    }
  }
  ds.CancelUpdates();
  EXPECT_EQ(Walk(ds).size(), Walk(clone).size());
}

INSTANTIATE_TEST_SUITE_P(
    Indexes, RecordIndexProperty,
    ::testing::Values(TIndexCase{"NOME;CONTA", "", {0, 1}, {false, false}},
                      TIndexCase{"CONTA;DATA", "DATA", {1, 2}, {false, true}},
                      TIndexCase{"DATA;NOME;CONTA", "NOME", {2, 0, 1}, {false, true, false}},
                      // No text, none descending: the cells compare as words.
                      TIndexCase{"CONTA;DATA", "", {1, 2}, {false, false}}));

}  // namespace
