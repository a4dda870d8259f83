#include "framework/data/FieldNameIndex.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Enough names to grow the table several times, each found in any case; a
// name set again in another case is the same name; one that differs in more
// than case is another.
TEST(FieldNameIndex, FindsEveryNameInAnyCaseAndOnlyThoseNames) {
  TnFieldNameIndex indice;
  EXPECT_EQ(indice.Find("CONTACTB"), TnFieldNameIndex::kNone);
  constexpr size_t kNomes = 200;
  auto nome = [](size_t i) { return "CAMPO_" + std::to_string(i * 7919) + "_VALORLCTO"; };
  for (size_t i = 0; i < kNomes; ++i)
    indice.Set(nome(i), i);
  for (size_t i = 0; i < kNomes; ++i) {
    std::string minusculo = nome(i);
    for (char& c : minusculo)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(indice.Find(nome(i)), i);
    EXPECT_EQ(indice.Find(minusculo), i);
  }
  indice.Set("campo_0_valorlcto", 999);
  EXPECT_EQ(indice.Find("CAMPO_0_VALORLCTO"), 999u);
  EXPECT_EQ(indice.Find("CAMPO_0_VALORLCT"), TnFieldNameIndex::kNone);
  // '_' and DEL differ only in bit 0x20, as the cases of a letter do: they
  // hash alike, but only letters fold.
  indice.Set("A_B", 1);
  EXPECT_EQ(indice.Find("A\x7f"
                        "B"),
            TnFieldNameIndex::kNone);
  EXPECT_EQ(indice.Find("a_b"), 1u);
  indice.Clear();
  EXPECT_EQ(indice.Find("A_B"), TnFieldNameIndex::kNone);
}

}  // namespace
