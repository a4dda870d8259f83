#include "framework/app/TnAction.h"

#include <gtest/gtest.h>

#include "framework/core/Exceptions.h"

namespace {

TEST(TnActionTest, HashIsFnv1a32OfTheName) {
  // Reference vectors of FNV-1a 32, then the value work areas store to point
  // at the journal-entry screen: a change here breaks saved links.
  EXPECT_EQ(HashNomeAcao(""), 0x811C9DC5u);
  EXPECT_EQ(HashNomeAcao("a"), 0xE40C292Cu);
  EXPECT_EQ(HashNomeAcao("foobar"), 0xBF9CF968u);
  EXPECT_EQ(HashNomeAcao("actTnCtbDMLctoCtb"), 0xC8580662u);
  EXPECT_EQ(HashNomeAcao("actTnCtbDPConsultaBalanceteMovimento"), 0x2CF0BCF4u);
  EXPECT_NE(HashNomeAcao("acttnctbdmlctoctb"), HashNomeAcao("actTnCtbDMLctoCtb"));
}

TEST(TnActionTest, ShortcutsTakeOneCanonicalForm) {
  const struct {
    const char* Texto;
    const char* Esperado;
  } casos[] = {
      {"Ctrl+Shift+L", "Ctrl+Shift+L"}, {"shift+ctrl+l", "Ctrl+Shift+L"}, {"F9", "F9"},
      {"ctrl+f3", "Ctrl+F3"},           {"Ctrl+F12", "Ctrl+F12"},         {"esc", "Esc"},
      {"Alt+Ctrl+1", "Ctrl+Alt+1"},     {" Ctrl + Q ", "Ctrl+Q"},         {"", ""},
  };
  for (const auto& caso : casos) {
    EXPECT_EQ(NormalizarAtalho(caso.Texto), caso.Esperado) << caso.Texto;
  }
  for (const char* invalido : {"Crtl+F3", "F13", "F0", "Ctrl+", "Ctrl+Ctrl+A", "Ctrl+AB", "+"}) {
    EXPECT_THROW(NormalizarAtalho(invalido), Exception) << invalido;
  }
  // A refused shortcut leaves the action without one.
  TnAction a("actX");
  EXPECT_THROW(a.SetShortCut("Ctrl+Shift+Ç"), Exception);
  EXPECT_EQ(a.ShortCut(), "");
}

TEST(TnActionTest, ModuleSetsOfferAScreenOnlyWhenTheyMeet) {
  const TnConjuntoModulos permitidos{TnModulo::nFin, TnModulo::nFis};
  EXPECT_TRUE(TnConjuntoModulos({TnModulo::nCtb, TnModulo::nFin}).Intersecta(permitidos));
  EXPECT_FALSE(TnConjuntoModulos({TnModulo::nCtb}).Intersecta(permitidos));
  EXPECT_FALSE(TnConjuntoModulos().Intersecta(permitidos));
  EXPECT_TRUE(TnConjuntoModulos().Vazio());
  EXPECT_TRUE(permitidos.Contem(TnModulo::nFis));
  EXPECT_FALSE(permitidos.Contem(TnModulo::nEst));
  for (TnModulo m : {TnModulo::nCtb, TnModulo::nFin, TnModulo::nFis, TnModulo::nFpg, TnModulo::nPat,
                     TnModulo::nCtr, TnModulo::nEst}) {
    EXPECT_EQ(ModuloPorNome(NomeModulo(m)), m);
  }
  EXPECT_EQ(NomeModulo(TnModulo::nCtb), "nCtb");
  EXPECT_EQ(NomeModulo(TnModulo::nFin), "nFin");
  EXPECT_THROW(ModuloPorNome("nXyz"), Exception);
}

TEST(TnActionTest, ListFindsLinksAndShortcutsOfEnabledActionsOnly) {
  TnActionList lista;
  int execucoes = 0;
  TnAction& principal = lista.Add("actTnCtbDMLctoCtb");
  principal.SetShortCut("Ctrl+Shift+L");
  principal.SetOnExecute([&](TnAction& a) {
    EXPECT_EQ(&a, &principal);
    ++execucoes;
  });
  TnAction& area = lista.Add("actTnCtbDMLctoCtbAreaTrabalho");
  area.SetLink(TnActionList::HashNome("actTnCtbDMLctoCtb"));
  area.SetShortCut("F9");
  area.SetSecondaryShortCut("Esc");

  EXPECT_EQ(lista.FindByHash(area.Link()), &principal);
  EXPECT_EQ(lista.FindByHash(12345u), nullptr);
  EXPECT_EQ(lista.Find("actTnCtbDMLctoCtbAreaTrabalho"), &area);
  EXPECT_EQ(lista.FindByShortCut("ctrl+shift+l"), &principal);
  EXPECT_EQ(lista.FindByShortCut("Esc"), &area);
  EXPECT_FALSE(area.Execute());  // no handler

  EXPECT_TRUE(principal.Execute());
  principal.SetEnabled(false);
  EXPECT_FALSE(principal.Execute());
  EXPECT_EQ(lista.FindByShortCut("Ctrl+Shift+L"), nullptr);
  principal.SetEnabled(true);
  principal.SetVisible(false);
  EXPECT_FALSE(principal.Execute());
  EXPECT_EQ(execucoes, 1);
}

}  // namespace
