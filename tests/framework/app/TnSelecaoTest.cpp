#include "framework/app/TnSelecao.h"

#include <gtest/gtest.h>

#include "framework/app/Nutilutil.h"
#include "framework/app/TnDMPersonalizacao.h"
#include "tests/support/TestDatabases.h"

namespace {

TEST(TnSelecaoTest, ParametersAreFoundWhateverTheCase) {
  TnSelecao selecao;
  selecao.SetParam("CODIGOEMPRESA", Value(12));
  selecao.SetParam(kSelDataInicial, Value(EncodeDate(2025, 3, 1)));
  selecao.SetParam("datalctoctb_menorigual", Value(EncodeDate(2025, 3, 31)));
  EXPECT_EQ(selecao.CodigoEmpresa(), 12);
  EXPECT_EQ(selecao.Param("CodigoEmpresa").AsInteger(), 12);
  EXPECT_EQ(selecao.DataInicial(), EncodeDate(2025, 3, 1));
  EXPECT_EQ(selecao.DataFinal(), EncodeDate(2025, 3, 31));
  EXPECT_EQ(selecao.CodigoEstab(), 0);
  EXPECT_TRUE(selecao.Param(kSelCodigoEstab).IsNull());
  EXPECT_EQ(selecao.Param(" codigoEmpresa\t").AsInteger(), 12) << "blanks around are no part";
  selecao.SetParam("Situação", Value(3));
  EXPECT_EQ(selecao.Param("SITUAÇÃO").AsInteger(), 3) << "accented letters too";
  EXPECT_TRUE(selecao.Param("SITUACAO").IsNull());
  selecao.RemoverParam("situação");
  EXPECT_EQ(selecao.Nomes(), (std::vector<std::string>{"CODIGOEMPRESA", "DataLctoCtb_MAIORIGUAL",
                                                       "datalctoctb_menorigual"}));
}

TEST(TnSelecaoTest, ARequirementIsMetOnlyWhenEveryNameHasAValue) {
  TnSelecao selecao;
  const std::string requisito = "CodigoEmpresa;DataLctoCtb_MAIORIGUAL;DataLctoCtb_MENORIGUAL";
  EXPECT_TRUE(selecao.Atende(""));
  EXPECT_FALSE(selecao.Atende(requisito));
  selecao.SetParam("CodigoEmpresa", Value(1));
  selecao.SetParam(kSelDataInicial, Value(EncodeDate(2025, 1, 1)));
  EXPECT_FALSE(selecao.Atende(requisito));
  selecao.SetParam(kSelDataFinal, Value());  // set, but null
  EXPECT_FALSE(selecao.Atende(requisito));
  selecao.SetParam(kSelDataFinal, Value(EncodeDate(2025, 1, 31)));
  EXPECT_TRUE(selecao.Atende(requisito));
  selecao.SetParam("CodigoEmpresa", Value("  "));
  EXPECT_FALSE(selecao.Atende("CodigoEmpresa"));
}

TEST(TnSelecaoTest, ModulesAddAndRemoveTheirParameters) {
  TSessaoDeTeste sessao;
  TnDMSelecao& servico = nDMSelecao();
  servico.CriarParam("CHAVELCTOCTBFIS", Value(57));
  EXPECT_EQ(nDMSelecao().Selecao().Param("ChaveLctoCtbFis").AsInteger(), 57);
  servico.DeletarParam("chavelctoctbfis");
  EXPECT_FALSE(nDMSelecao().Selecao().TemParam("CHAVELCTOCTBFIS"));
  EXPECT_FALSE(servico.Selecao().RemoverParam("CHAVELCTOCTBFIS"));
}

TEST(TnSelecaoTest, ExternalVariablesReadAsNullUntilSet) {
  TSessaoDeTeste sessao;
  Nutilutil::LimparExternalVars();
  EXPECT_TRUE(Nutilutil::PegarValorExternalVar("gCodigoEmpresaAtiva").IsNull());
  Nutilutil::SetValorExternalVar("gCodigoEmpresaAtiva", Value(" 5 "));
  Nutilutil::SetValorExternalVar("gDATALCTOCTB_MAIORIGUAL", Value(EncodeDate(2025, 2, 1)));
  EXPECT_EQ(Nutilutil::PegarValorExternalVar("GCODIGOEMPRESAATIVA").AsString(), " 5 ");
  EXPECT_EQ(Nutilutil::PegarValorExternalVar("gDATALCTOCTB_MAIORIGUAL").AsDateTime(),
            EncodeDate(2025, 2, 1));
  EXPECT_TRUE(Nutilutil::TemExternalVar("gcodigoempresaativa"));
  Nutilutil::LimparExternalVars();
  EXPECT_FALSE(Nutilutil::TemExternalVar("gCodigoEmpresaAtiva"));
}

TEST(TnSelecaoTest, PersonalisationRequiresSelectionOnlyWithBitValueTwo) {
  TnDMPersonalizacao personalizacao;
  for (const auto& [flags, exige] : std::vector<std::pair<int, bool>>{
           {0, false}, {1, false}, {2, true}, {3, true}, {4, false}, {6, true}}) {
    personalizacao.SetFlags(flags);
    EXPECT_EQ(personalizacao.ExigeSelecaoEmpresaPeriodo(), exige) << flags;
  }
}

}  // namespace
