#include "framework/ctb/nCtbSMensagens.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// The message filled with distinct recognisable values: <0>, <1>, ...
std::string PreencherTudo(const nCtbS::TMensagem& m) {
  switch (m.NumArgumentos) {
    case 0:
      return nCtbS::Formatar(m.Texto);
    case 1:
      return nCtbS::Formatar(m.Texto, "<0>");
    case 2:
      return nCtbS::Formatar(m.Texto, "<0>", "<1>");
    case 3:
      return nCtbS::Formatar(m.Texto, "<0>", "<1>", "<2>");
  }
  ADD_FAILURE() << m.Id << " takes " << m.NumArgumentos << " values";
  return "";
}

}  // namespace

// Every message is listed once, takes exactly the values it declares and
// shows them all; a placeholder counts by its index, escaped braces not at all.
TEST(nCtbSMensagens, EachMessageOnceTakingExactlyTheValuesItDeclaresAndShowingThemAll) {
  EXPECT_EQ(nCtbS::ContarArgumentos("sem valores"), 0);
  EXPECT_EQ(nCtbS::ContarArgumentos("{1} e {0}"), 2);
  EXPECT_EQ(nCtbS::ContarArgumentos("{{0}} literal"), 0);
  EXPECT_EQ(nCtbS::ContarArgumentos("{2}"), 3);
  std::set<std::string> ids;
  for (const auto& m : nCtbS::Mensagens()) {
    EXPECT_TRUE(ids.insert(std::string(m.Id)).second) << m.Id;
    EXPECT_EQ(nCtbS::ContarArgumentos(m.Texto), m.NumArgumentos) << m.Id;
    std::string texto = PreencherTudo(m);
    for (int i = 0; i < m.NumArgumentos; ++i)
      EXPECT_NE(texto.find("<" + std::to_string(i) + ">"), std::string::npos) << m.Id << " " << i;
    EXPECT_EQ(texto.find_first_of("{}"), std::string::npos) << m.Id;
    EXPECT_GT(texto.size(), 20u) << m.Id;
    EXPECT_TRUE(texto.back() == '!' || texto.back() == '.' || texto.back() == '?') << m.Id;
  }
}

TEST(nCtbSMensagens, DatesAndAmountsLandWhereTheSentenceNeedsThem) {
  EXPECT_EQ(nCtbS::Formatar(nCtbSDataLctoForaDoExercicio, "01/01/2024", "31/12/2024"),
            "A data do lançamento deve estar dentro do exercício social: de 01/01/2024 a "
            "31/12/2024!");
  EXPECT_EQ(
      nCtbS::Formatar(nCtbSDataLctoForaDoLimiteUsuData, "01/03/2024", "31/03/2024", "15/02/2024"),
      "O lançamento não pode ser alterado: sua data original, 15/02/2024, está fora do "
      "período permitido ao usuário: de 01/03/2024 a 31/03/2024!");
  EXPECT_EQ(nCtbS::Formatar(nCtbSDiferencaEntreLctoGerencialEContabil, "-1.234,56"),
            "Há uma diferença de -1.234,56 entre o total dos lançamentos gerenciais e o valor do "
            "lançamento contábil!\r\nDeseja sair assim mesmo?");
}
