#include "framework/data/FieldNameIndex.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

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

// Look-ups from one buffer whose text changes in place: the memo of the
// buffer's address never answers for the text it held before, whether the
// new text is another name, an absent one, the same name moved, or the same
// name after the table grew and its slots moved.
TEST(FieldNameIndex, TheSameAddressWithAnotherTextFindsThatText) {
  TnFieldNameIndex indice;
  indice.Set("VALORDEB", 1);
  indice.Set("VALORCRED", 2);
  char buffer[16] = {};
  const auto buscar = [&](const char* texto) {
    std::snprintf(buffer, sizeof buffer, "%s", texto);
    return indice.Find(std::string_view(buffer));
  };
  EXPECT_EQ(buscar("VALORDEB"), 1u);
  EXPECT_EQ(buscar("VALORCRED"), 2u);
  EXPECT_EQ(buscar("VALORDEX"), TnFieldNameIndex::kNone);
  EXPECT_EQ(buscar("valordeb"), 1u);
  indice.Set("VALORDEB", 7);
  EXPECT_EQ(buscar("VALORDEB"), 7u);
  for (size_t i = 0; i < 100; ++i)
    indice.Set("CAMPO" + std::to_string(i), 10 + i);
  EXPECT_EQ(buscar("VALORDEB"), 7u);
  EXPECT_EQ(buscar("CAMPO42"), 52u);
  indice.Clear();
  EXPECT_EQ(buscar("CAMPO42"), TnFieldNameIndex::kNone);
  indice.Set("OUTRO", 3);
  EXPECT_EQ(buscar("CAMPO42"), TnFieldNameIndex::kNone);
  EXPECT_EQ(buscar("OUTRO"), 3u);
}

}  // namespace
