#include "framework/app/TnForm.h"

#include <gtest/gtest.h>

namespace {

// Controls are found by name without regard to case, and only as their kind.
TEST(TnFormTest, FindsControlsByNameAndKind) {
  TnForm form("FrmLctoCtb", "TnFrmVisDataSet");
  form.Criar<TnPanel>("PanelTrans");
  TnLabel& rotulo = form.Criar<TnLabel>("LabelChaveOrigem", "PanelTrans");
  TnFraField& deb = form.Criar<TnFraField>("FraDeb");
  form.AddStatusPanel(300);

  EXPECT_EQ(&form.Label("labelchaveorigem"), &rotulo);
  EXPECT_EQ(&form.FraField("FraDeb"), &deb);
  EXPECT_EQ(form.Controle("Nada"), nullptr);
  EXPECT_THROW(form.Label("Nada"), Exception);
  EXPECT_THROW(form.Label("FraDeb"), Exception);  // another kind
  EXPECT_NO_THROW(form.StatusPanel(1));
  EXPECT_THROW(form.StatusPanel(2), Exception);
}

TEST(TnFormTest, RefusesDuplicateNamesAndUnknownParentsAndRemovesWithChildren) {
  TnForm form("F");
  form.Criar<TnLabel>("Label1");
  EXPECT_THROW(form.Criar<TnPanel>("LABEL1"), Exception);
  EXPECT_THROW(form.Criar<TnPanel>("Panel1", "PanelInexistente"), Exception);
  EXPECT_THROW(form.Criar<TnPanel>(""), Exception);
  form.CriarAction("actA", "A", "", nullptr);
  EXPECT_THROW(form.CriarAction("actA", "A", "", nullptr), Exception);
  EXPECT_EQ(form.ControleCount(), 1u);
  // Removing a control takes its children.
  EXPECT_TRUE(form.Remover("Label1"));
  form.Criar<TnPanel>("P");
  form.Criar<TnPanel>("Q", "P");
  form.Criar<TnLabel>("L", "Q");
  form.Criar<TnLabel>("Fora");
  EXPECT_TRUE(form.Remover("P"));
  EXPECT_FALSE(form.Remover("P"));
  ASSERT_EQ(form.ControleCount(), 1u);
  EXPECT_EQ(form.ControleAt(0).Name(), "Fora");
}

TEST(TnFormTest, ToolButtonsFireTheirActionUntilDisabled) {
  TnForm form("F");
  int criadas = 0;
  TnToolButton& b1 = form.CriarToolButton("Criar Transação", "Cria uma transação", "Ctrl+F9",
                                          [&](TnAction&) { ++criadas; });
  TnToolButton& b2 = form.CriarToolButton("Continuar Transação", "", "Ctrl+F10", nullptr);
  EXPECT_NE(b1.Name(), b2.Name());
  TnAction* action = form.Actions().Find(b1.NomeAction);
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(action->Caption(), "Criar Transação");
  EXPECT_EQ(action->Hint(), "Cria uma transação");

  EXPECT_TRUE(form.PressionarAtalho("ctrl+f9"));
  form.EdEnabledAction(*action, false);
  EXPECT_FALSE(b1.Enabled);
  EXPECT_TRUE(b2.Enabled);
  EXPECT_FALSE(form.PressionarAtalho("Ctrl+F9"));
  EXPECT_FALSE(form.PressionarAtalho("Ctrl+F11"));
  EXPECT_EQ(criadas, 1);
}

TEST(TnFormTest, ModalShowsAreCountedCloseAsksEveryHandlerResizeTellsTheSize) {
  TnForm form("F");
  std::vector<std::string> ordem;
  form.AddOnShow([&](TnForm&) { ordem.push_back("show"); });
  EXPECT_EQ(form.ShowModal(), TModalResult::mrCancel);
  form.SetOnShowModal([&](TnForm& f) {
    ordem.push_back("modal");
    f.ModalResult = TModalResult::mrOk;
  });
  EXPECT_EQ(form.ShowModal(), TModalResult::mrOk);
  EXPECT_EQ(form.ShowModalCount(), 2);
  EXPECT_EQ(ordem, (std::vector<std::string>{"show", "show", "modal"}));

  bool permitir = false;
  int segundo = 0;
  form.AddOnCloseQuery([&](TnForm&) { return permitir; });
  form.AddOnCloseQuery([&](TnForm&) {
    ++segundo;
    return true;
  });
  form.Show();
  EXPECT_FALSE(form.Close());
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(segundo, 0);
  permitir = true;
  EXPECT_TRUE(form.Close());
  EXPECT_TRUE(form.Fechado());
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(segundo, 1);
  // Resizing runs the chain with the new size.
  int largura = 0;
  form.AddOnResize([&](TnForm& f) { largura = f.ClientWidth; });
  form.Resize(1024, 700);
  EXPECT_EQ(largura, 1024);
  EXPECT_EQ(form.ClientHeight, 700);
}

}  // namespace
