// The activity sides on the journal-entry screen: two toolbar buttons while
// the company uses activities, and the activity screen handed the plan's
// activities of the side it opens on.
#include <gtest/gtest.h>

#include "activities/nCtbDMLctoAtivDiferenc_U.h"
#include "framework/app/Nutilform.h"
#include "framework/core/FormatDateTime.h"
#include "tests/managerial/TSplitsTest.h"

namespace {

class TAtividadesTelaTest : public TSplitsTest {
 protected:
  TnCtbDMLctoCtb& Tela(int64_t empresa) {
    FTelas.push_back(Nutilform::CriarDMNovo<TnCtbDMLctoCtb>("TnCtbDMLctoCtb"));
    FForms.push_back(std::make_unique<TnForm>("FrmAtividades"));
    TnCtbDMLctoCtb& modulo = *FTelas.back();
    modulo.Configurar(FForms.back().get());
    TnSelecao selecao;
    selecao.SetParam(kSelCodigoEmpresa, Value(empresa));
    selecao.SetParam(kSelDataInicial, Value(EncodeDate(2024, 1, 1)));
    selecao.SetParam(kSelDataFinal, Value(EncodeDate(2024, 12, 31)));
    modulo.Abrir(&selecao);
    return modulo;
  }
  void TearDown() override {
    FTelas.clear();
    FForms.clear();
    TSplitsTest::TearDown();
  }

  std::vector<std::unique_ptr<TnCtbDMLctoCtb>> FTelas;
  std::vector<std::unique_ptr<TnForm>> FForms;
};

TEST_P(TAtividadesTelaTest, SidesAreButtonsOnlyWhileTheCompanyUsesActivities) {
  for (const int64_t empresa : {1, 2}) {
    SCOPED_TRACE(empresa);
    TnForm& form = *Tela(empresa).Form();
    std::vector<std::string> botoes;
    for (size_t i = 0; i < form.ControleCount(); ++i) {
      const TnControle& controle = form.ControleAt(i);
      if (controle.Tipo() != TTipoControle::ToolButton || !controle.Visible)
        continue;
      const TnAction& acao =
          *form.Actions().Find(static_cast<const TnToolButton&>(controle).NomeAction);
      if (acao.Caption().starts_with("Atividades"))
        botoes.push_back(acao.Caption() + " " + acao.ShortCut());
    }
    const std::vector<std::string> esperados = {"Atividades - débito Ctrl+F11",
                                                "Atividades - crédito Ctrl+F12"};
    EXPECT_EQ(botoes, empresa == 2 ? esperados : std::vector<std::string>());
  }
}

TEST_P(TAtividadesTelaTest, ScreenOfASideIsHandedThePlanActivitiesOfItsAccountInForce) {
  Plano({{4, 1, 60}, {4, 2, 40}, {101, 3, 100}});
  const int64_t chave = Postar(Lancamentos(2), 401, 101, "10.00");
  TnCtbDMLctoCtb& tela = Tela(2);
  ASSERT_TRUE(tela.nClientDataSet.Locate("CHAVELCTOCTB", {Value(chave)}));
  TnCtbDMLctoAtivDiferenc& atividades = tela.GetDMLctoATiv();
  std::string oferecidas;
  // The lookup keeps those in force on the entry's date (2 starts in July).
  std::string filtro = "CODIGOEMPRESA = 2";
  atividades.CriarForm().SetOnShowModal([&](TnForm&) {
    TnClientDataSet* cds = atividades.GetCdsAtividades();
    ASSERT_NE(cds, nullptr);
    for (cds->First(); !cds->Eof(); cds->Next())
      oferecidas += cds->FieldByName("CODIGOATIVDIF").AsString() + " ";
    atividades.DoDepoisCriarFiltroAtividade(nullptr, filtro);
  });
  ASSERT_TRUE(tela.Form()->PressionarAtalho("Ctrl+F11"));
  EXPECT_EQ(oferecidas, "1 2 ");
  EXPECT_EQ(filtro, "CODIGOEMPRESA = 2 and ( CODIGOATIVDIF = 1)");
}

CTB_INSTANTIATE_ENGINES(TAtividadesTelaTest);

}  // namespace
