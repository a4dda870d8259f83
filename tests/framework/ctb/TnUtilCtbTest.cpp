#include "framework/ctb/TnUtilCtb.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/core/Exceptions.h"
#include "tests/framework/ctb/CtbBancoTest.h"

namespace {

// The configuration array as one line: "null" for a null item, dates as
// dd/mm/yyyy, so one assertion shows the whole picture.
std::string Renderizar(const std::optional<ValueArray>& itens) {
  if (!itens)
    return "<sem linha>";
  std::string texto;
  for (const Value& item : *itens)
    texto += (texto.empty() ? "" : "|") + (item.IsNull() ? std::string("null") : item.AsString());
  return texto;
}

class TnUtilCtbTest : public TCtbBancoTest {};

TEST_P(TnUtilCtbTest, CfgEmpresaGivesItemsInOrderAndNullsForNullColumns) {
  Exec(
      "insert into CFGEMPRESACTB (CODIGOEMPRESA, DATAINICIALEXERC, DATAFINALEXERC, "
      "UTILORIGEMLCTOCTB, UTILNUMERODCTO, UTILLOTE, UTILCENTROCUSTO, INICIOUTILCENTROCUSTO, "
      "UTILDIFLANCAMENTO, TIPOEXIBETITULOSALDO, DATAINICIALLCTOUSU, DATAFINALLCTOUSU, "
      "UTILULTIMOSLCTO, INFORMACODIGOSYN, CODIGOPADRAO) values (1, :pIni, :pFim, '1', '0', '1', "
      "'1', :pCC, '0', 2, :pUsuIni, :pUsuFim, '1', '0', 7)",
      {{"pIni", EncodeDate(2024, 1, 1)},
       {"pFim", EncodeDate(2024, 12, 31)},
       {"pCC", EncodeDate(2024, 3, 1)},
       {"pUsuIni", EncodeDate(2024, 2, 1)},
       {"pUsuFim", EncodeDate(2024, 2, 29)}});
  Exec("insert into CFGEMPRESACTB (CODIGOEMPRESA, UTILLOTE) values (2, '1')");

  ControleCTB().SetCodigoEmpresa(1);
  const std::optional<ValueArray>& cfg = ControleCTB().GetCFGEmpresaCtb();
  EXPECT_EQ(Renderizar(cfg),
            "01/01/2024|31/12/2024|1|0|1|1|01/03/2024|0|2|01/02/2024|29/02/2024|1|0");
  ASSERT_TRUE(cfg.has_value());
  EXPECT_EQ((*cfg)[kCfgDataFinalExerc].Type(), TValueType::DateTime);
  EXPECT_EQ((*cfg)[kCfgTipoExibeTituloSaldo].AsInteger(), 2);
  EXPECT_EQ(ControleCTB().GetCodigoPadrao().AsInteger(), 7);

  ControleCTB().SetCodigoEmpresa(2);
  EXPECT_EQ(Renderizar(ControleCTB().GetCFGEmpresaCtb()),
            "null|null|null|null|1|null|null|null|null|null|null|null|null");
  EXPECT_TRUE(ControleCTB().GetCodigoPadrao().IsNull());

  ControleCTB().SetCodigoEmpresa(3);
  EXPECT_FALSE(ControleCTB().GetCFGEmpresaCtb().has_value());
}

// Each company's own groups; outside every group the nature is an error.
TEST_P(TnUtilCtbTest, NatureIsThatOfTheLongestGroupPrefixOfTheCompany) {
  CriarPlanoExemplo();
  Exec("insert into NATUREZAGRUPO (CODIGOEMPRESA, CLASSIFGRUPO, NATUREZA) values (2, '1', -1)");
  EXPECT_EQ(PlanoEspecifico().CfgPlano(2).NaturezaGrupo("1.1.01.001"), -1);
  const struct {
    int64_t Conta;
    int Natureza;
  } casos[] = {{4, 1}, {5, 1}, {8, -1}, {9, -1}, {11, 1}, {6, -1}};
  ControleCTB().SetCodigoEmpresa(1);
  for (const auto& caso : casos) {
    ControleCTB().SetConta(caso.Conta);
    EXPECT_EQ(ControleCTB().GetNatureza(), caso.Natureza) << "conta " << caso.Conta;
    EXPECT_EQ(PlanoEspecifico().CfgPlano(1).NaturezaGrupo(ControleCTB().DadosConta().ClassifConta),
              caso.Natureza)
        << "conta " << caso.Conta;
  }
  // Outside every group: raised, naming the classification.
  ControleCTB().SetConta(10);
  const std::string erro = MensagemDoErro([] { ControleCTB().GetNatureza(); });
  EXPECT_NE(erro.find("\"3.1.01.001\""), std::string::npos) << erro;
  EXPECT_THROW(PlanoEspecifico().CfgPlano(1).NaturezaGrupo("3"), Exception);
  // Another company has no groups at all.
  EXPECT_THROW(PlanoEspecifico().CfgPlano(3).NaturezaGrupo("1.1"), Exception);
}

TEST_P(TnUtilCtbTest, AccountDataParentAndDescriptionOfEachLevel) {
  CriarPlanoExemplo();
  Exec("update PLANOESPEC set TIPOCOTACAO = 2 where CODIGOEMPRESA = 1 and CONTACTB = 5");
  const struct {
    int64_t Conta;
    const char* Pai;  // "número - descrição" of the parent as the labels show it
  } casos[] = {
      {4, "3 - DISPONIVEL"},
      {3, "2 - ATIVO CIRCULANTE"},
      {2, "1 - ATIVO"},
      {1, " - "},  // the top has no parent
      {8, " - "},  // "2.1.01" is missing from the chart
  };
  ControleCTB().SetCodigoEmpresa(1);
  for (const auto& caso : casos) {
    ControleCTB().SetConta(caso.Conta, "texto do lookup");
    ASSERT_TRUE(ControleCTB().GetContaValida());
    EXPECT_EQ(ControleCTB().GetContaDebPai() + " - " + ControleCTB().GetDescrDebPai(), caso.Pai)
        << "conta " << caso.Conta;
    EXPECT_EQ(ControleCTB().GetContaCredPai() + " - " + ControleCTB().GetDescrCredPai(), caso.Pai)
        << "conta " << caso.Conta;
  }
  EXPECT_EQ(ControleCTB().GetTextoLookup(), "texto do lookup");
  // An unknown account is invalid and has no data.
  ControleCTB().SetConta(999);
  EXPECT_FALSE(ControleCTB().GetContaValida());
  EXPECT_EQ(ControleCTB().GetContaDebPai(), "");
  EXPECT_THROW(ControleCTB().DadosConta(), Exception);
  // The same account in a company without a chart is not valid either.
  ControleCTB().SetCodigoEmpresa(2);
  ControleCTB().SetConta(4);
  EXPECT_FALSE(ControleCTB().GetContaValida());
  // The rate type is neutral when unset.
  ControleCTB().SetCodigoEmpresa(1);
  ControleCTB().SetConta(4);
  EXPECT_EQ(ControleCTB().DadosConta().TipoCotacao, TTipoCotacaoConta::tcNeutra);
  ControleCTB().SetConta(5);
  EXPECT_EQ(ControleCTB().DadosConta().TipoCotacao, TTipoCotacaoConta::tcMedia);
}

// The company's row is read once while the company stays; each session
// keeps its own, and another user's change reaches ours only after we are
// told to forget.
TEST_P(TnUtilCtbTest, EachSessionCachesTheCompanyRowUntilAnotherCompanyOrLimparChaves) {
  Exec("insert into CFGEMPRESACTB (CODIGOEMPRESA, UTILLOTE) values (1, '1')");
  Exec("insert into CFGEMPRESACTB (CODIGOEMPRESA, UTILLOTE) values (2, '0')");
  TnUtilCtb& ctb = ControleCTB();
  const auto utilLote = [&ctb] { return ctb.GetCFGEmpresaCtb()->at(kCfgUtilLote).AsString(); };
  const int leituras = ctb.LeiturasEmpresa();
  ctb.SetCodigoEmpresa(1);
  EXPECT_EQ(utilLote(), "1");
  TnSessao outra(Banco().Conectar());
  {
    TUsarSessao usar(outra);
    Exec("update CFGEMPRESACTB set UTILLOTE = '0' where CODIGOEMPRESA = 1");
    TnUtilCtb& dele = ControleCTB();
    EXPECT_NE(&dele, &ctb);
    dele.SetCodigoEmpresa(1);
    EXPECT_EQ(dele.GetCFGEmpresaCtb()->at(kCfgUtilLote).AsString(), "0");
  }
  EXPECT_EQ(&ControleCTB(), &ctb);
  ctb.SetCodigoEmpresa(1);
  EXPECT_EQ(utilLote(), "1");
  EXPECT_EQ(ctb.LeiturasEmpresa(), leituras + 1);

  ctb.SetCodigoEmpresa(2);
  EXPECT_EQ(utilLote(), "0");
  EXPECT_EQ(ctb.LeiturasEmpresa(), leituras + 2);
  ctb.SetCodigoEmpresa(1);
  EXPECT_EQ(utilLote(), "0");

  Exec("update CFGEMPRESACTB set UTILLOTE = '1' where CODIGOEMPRESA = 1");
  Nctbsfuncoes::LimparChavesSingletons();
  EXPECT_EQ(utilLote(), "1");
}

CTB_INSTANTIATE_ENGINES(TnUtilCtbTest);

}  // namespace
