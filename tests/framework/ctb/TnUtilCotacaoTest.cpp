#include "framework/ctb/TnUtilCotacao.h"

#include <gtest/gtest.h>

#include "framework/ctb/TnUtilOpcoesCtb.h"
#include "framework/ctb/nCtbSMensagens.h"
#include "tests/framework/ctb/CtbBancoTest.h"

namespace {

class TnUtilCotacaoTest : public TCtbBancoTest {
 protected:
  void Cotacao(int moeda, TDateTime data, int tipo, double valor) {
    Exec(
        "insert into COTACAO (CODIGOMOEDA, DATACOTACAO, TIPOCOTACAO, VALORCOTACAO) values "
        "(:pMoeda, :pData, :pTipo, :pValor)",
        {{"pMoeda", moeda}, {"pData", data}, {"pTipo", tipo}, {"pValor", valor}});
  }
};

TEST_P(TnUtilCotacaoTest, ConvertsAtTheDaysRateAndFlagsAMissingOne) {
  Cotacao(2, EncodeDate(2024, 1, 2), 0, 5.0);
  Cotacao(2, EncodeDate(2024, 1, 4), 0, 4.0);
  Cotacao(2, EncodeDate(2024, 1, 3), 2, 9.0);  // another type: not the conversion rate
  Cotacao(3, EncodeDate(2024, 1, 3), 0, 2.0);  // another currency
  const struct {
    TDateTime Data;
    int64_t Convertido;
    bool Invalida;
  } casos[] = {
      {EncodeDate(2024, 1, 2), 20, false},
      {EncodeDate(2024, 1, 3), 20, true},  // last earlier rate, flagged
      {EncodeDate(2024, 1, 4), 25, false},
      {EncodeDate(2024, 1, 9), 25, true},
      {EncodeDate(2024, 1, 1), 0, true},  // no rate at all
  };
  for (const auto& caso : casos) {
    ControleCotacao().DadosCotacao(2, caso.Data + 0.5);  // the time of day is ignored
    EXPECT_EQ(ControleCotacao().ConverterValorEmMoeda(Currency(100)), Currency(caso.Convertido))
        << DateToIso(caso.Data);
    EXPECT_EQ(ControleCotacao().GetUsouCotacaoInvalida(), caso.Invalida) << DateToIso(caso.Data);
  }
  ControleCotacao().DadosCotacao(3, EncodeDate(2024, 1, 3));
  EXPECT_EQ(ControleCotacao().ConverterValorEmMoeda(Currency::FromString("10.01")),
            Currency::FromString("5.01"));
  EXPECT_FALSE(ControleCotacao().GetUsouCotacaoInvalida());
}

TEST_P(TnUtilCotacaoTest, LastValidRateIsPerTypeAndNeverForTheNeutralType) {
  Cotacao(2, EncodeDate(2024, 1, 2), 2, 5.5);
  Cotacao(2, EncodeDate(2024, 1, 10), 2, 5.8);
  Cotacao(2, EncodeDate(2024, 1, 5), 1, 7.0);
  ControleCotacao().DadosCotacao(2, EncodeDate(2024, 1, 9));
  EXPECT_EQ(ControleCotacao().GetUltimaCotacaoValida(TTipoCotacaoConta::tcMedia).ToDouble(), 5.5);
  EXPECT_EQ(ControleCotacao().GetUltimaCotacaoValida(TTipoCotacaoConta::tcNeutra).ToDouble(), 0.0);
  EXPECT_EQ(ControleCotacao().GetUltimaCotacaoValida(TTipoCotacaoConta::tcHistorica).ToDouble(),
            0.0);
  ControleCotacao().DadosCotacao(2, EncodeDate(2024, 1, 10));
  EXPECT_EQ(ControleCotacao().GetUltimaCotacaoValida(TTipoCotacaoConta::tcMedia).ToDouble(), 5.8);
  ControleCotacao().DadosCotacao(2, EncodeDate(2024, 1, 1));
  EXPECT_EQ(ControleCotacao().GetUltimaCotacaoValida(TTipoCotacaoConta::tcMedia).ToDouble(), 0.0);
}

TEST_P(TnUtilCotacaoTest, FunctionalCurrencyHoldsInsideItsWindowOnly) {
  Exec("insert into MOEDA (CODIGOMOEDA, DESCRMOEDA, CIFRAOUSIMBOLO) values (2, 'Dólar', 'US$')");
  Exec(
      "insert into OPCAOMOEDAFUNCIONAL (CODIGOEMPRESA, CODIGOESTAB, DATAINICIAL, DATAFINAL, "
      "CODIGOMOEDA) values (1, 1, :pIni, :pFim, 2)",
      {{"pIni", EncodeDate(2024, 1, 1)}, {"pFim", EncodeDate(2024, 6, 30)}});
  Cotacao(2, EncodeDate(2024, 2, 1), 2, 4.9);
  TnUtilOpcaoMoedaFuncional& opcao = ControleOpcaoMoedaFuncional();

  opcao.Posicionar(1, 1, EncodeDate(2023, 12, 31));
  EXPECT_FALSE(opcao.GetUtilizaMoedaFunc());
  EXPECT_EQ(opcao.GetCifraOuSimbolo(), "");
  opcao.Posicionar(1, 1, EncodeDate(2024, 2, 15));
  EXPECT_TRUE(opcao.GetUtilizaMoedaFunc());
  EXPECT_EQ(opcao.GetCifraOuSimbolo(), "US$");
  EXPECT_EQ(opcao.GetCotacao().GetUltimaCotacaoValida(TTipoCotacaoConta::tcMedia).ToDouble(), 4.9);
  opcao.Posicionar(1, 2, EncodeDate(2024, 2, 15));
  EXPECT_FALSE(opcao.GetUtilizaMoedaFunc());
  opcao.Posicionar(1, 1, EncodeDate(2024, 7, 1));
  EXPECT_FALSE(opcao.GetUtilizaMoedaFunc());

  EXPECT_TRUE(
      opcao.TemFilialComOpcaoValida(1, 0, EncodeDate(2024, 6, 30), EncodeDate(2024, 12, 31)));
  EXPECT_TRUE(opcao.TemFilialComOpcaoValida(1, 1, EncodeDate(2023, 1, 1), EncodeDate(2024, 1, 1)));
  EXPECT_FALSE(
      opcao.TemFilialComOpcaoValida(1, 2, EncodeDate(2024, 1, 1), EncodeDate(2024, 12, 31)));
  EXPECT_FALSE(
      opcao.TemFilialComOpcaoValida(1, 0, EncodeDate(2024, 7, 1), EncodeDate(2024, 12, 31)));
  EXPECT_FALSE(
      opcao.TemFilialComOpcaoValida(2, 0, EncodeDate(2024, 1, 1), EncodeDate(2024, 12, 31)));
}

TEST_P(TnUtilCotacaoTest, UserLimitFallsBackToTheCompanyWindowAndRaisesWithoutOne) {
  Exec(
      "insert into CFGEMPRESACTB (CODIGOEMPRESA, DATAINICIALLCTOUSU, DATAFINALLCTOUSU) values (1, "
      ":pIni, :pFim)",
      {{"pIni", EncodeDate(2024, 3, 1)}, {"pFim", EncodeDate(2024, 3, 31)}});
  Exec(
      "insert into LIMITEUSUARIOCTB (CODIGOEMPRESA, CODIGOUSUARIO, DATAINICIAL, DATAFINAL) values "
      "(1, 5, :pIni, :pFim)",
      {{"pIni", EncodeDate(2024, 1, 1)}, {"pFim", EncodeDate(2024, 1, 31)}});
  TnUtilCtbLimiteUsuario& limite = ControleCtbLimiteUsuario();
  EXPECT_TRUE(limite.VerificarLimiteUsuario(1, 5, EncodeDate(2024, 1, 31) + 0.9));
  EXPECT_FALSE(limite.VerificarLimiteUsuario(1, 5, EncodeDate(2024, 3, 1)));
  EXPECT_EQ(limite.GetDataInicialLimite(), EncodeDate(2024, 1, 1));
  EXPECT_TRUE(limite.VerificarLimiteUsuario(1, 6, EncodeDate(2024, 3, 1)));
  EXPECT_EQ(limite.GetDataFinalLimite(), EncodeDate(2024, 3, 31));
  EXPECT_FALSE(limite.VerificarLimiteUsuario(1, 6, EncodeDate(2024, 4, 1)));
  EXPECT_EQ(MensagemDoErro([&] { limite.VerificarLimiteUsuario(2, 6, EncodeDate(2024, 4, 1)); }),
            nCtbSPeriodoLancUsuNaoEspecificado);
}

TEST_P(TnUtilCotacaoTest, CompanyOptionsFollowTheirDates) {
  Exec("insert into OPCAOIFRS (CODIGOEMPRESA, DATAOPCAO, CTRLAATIVIDADE) values (1, :pData, 1)",
       {{"pData", EncodeDate(2024, 1, 1)}});
  Exec("insert into OPCAOFCONT (CODIGOEMPRESA, DATAOPCAO) values (1, :pData)",
       {{"pData", EncodeDate(2023, 1, 1)}});
  Exec("insert into OPCAOSPEDCTBDET (CODIGOEMPRESA, CODIGOESTAB, DATAOPCAO) values (1, 2, :pData)",
       {{"pData", EncodeDate(2024, 5, 1)}});
  Exec(
      "insert into EXERCICIOSOCIALCTB (CODIGOEMPRESA, DATAINICIAL, DATAFINAL, SITUACAO) values "
      "(1, :pIni, :pFim, 3)",
      {{"pIni", EncodeDate(2023, 1, 1)}, {"pFim", EncodeDate(2023, 12, 31)}});

  ControleOpcaoIFRS().SetCodigoEmpresa(1);
  EXPECT_TRUE(ControleOpcaoIFRS().GetEhOptanteIFRS());
  EXPECT_EQ(ControleOpcaoIFRS().GetDATAOPCAO(), EncodeDate(2024, 1, 1));
  EXPECT_TRUE(ControleOpcaoIFRS().GetCTRLAATIVIDADE());
  ControleOpcaoIFRS().SetCodigoEmpresa(2);
  EXPECT_FALSE(ControleOpcaoIFRS().GetEhOptanteIFRS());
  EXPECT_FALSE(ControleOpcaoIFRS().GetCTRLAATIVIDADE());

  UtilFCONT().SetCodigoEmpresa(1);
  UtilFCONT().ProcurarOpcao(EncodeDate(2022, 12, 31));
  EXPECT_FALSE(UtilFCONT().GetEhOptanteFCONT());
  UtilFCONT().ProcurarOpcao(EncodeDate(2024, 2, 1));
  EXPECT_EQ(UtilFCONT().GetDataOpcao(), EncodeDate(2023, 1, 1));

  ControleSPEDContabil().SetCodigoEmpresa(1);
  ControleSPEDContabil().SetDataFinal(EncodeDate(2024, 4, 30));
  EXPECT_FALSE(ControleSPEDContabil().GetEhOpSPEDCtb());
  ControleSPEDContabil().SetDataFinal(EncodeDate(2024, 5, 31));
  EXPECT_TRUE(ControleSPEDContabil().GetEhOpSPEDCtb());

  ControleExercicioSocialCtb().SetCodigoEmpresa(1);
  ControleExercicioSocialCtb().SetData(EncodeDate(2023, 6, 1));
  EXPECT_EQ(ControleExercicioSocialCtb().GetSituacaoExercicio(), kSituacaoExercicioFechado);
  ControleExercicioSocialCtb().SetData(EncodeDate(2024, 6, 1));
  EXPECT_EQ(ControleExercicioSocialCtb().GetSituacaoExercicio(), kSituacaoExercicioAberto);
}

CTB_INSTANTIATE_ENGINES(TnUtilCotacaoTest);

}  // namespace
