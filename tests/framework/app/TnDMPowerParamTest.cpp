#include "framework/app/TnDMPowerParam.h"

#include <gtest/gtest.h>

#include "framework/app/TnSelecao.h"
#include "framework/core/Exceptions.h"
#include "tests/support/TestDatabases.h"

namespace {

// A process with the parameter kinds of the balance generation.
class TProcessoTeste : public TnDMPowerParam {
 public:
  TProcessoTeste() {
    npqPowerParam.Add("pTipoSaldoCtb", "Tipo Saldo Contábil", TTipoParam::tpCombo, "0", true)
        .SetItens("Societário=0;Fiscal=1");
    npqPowerParam.Add("pCodigoEmpresa", "Informe apenas um código empresa", TTipoParam::tpInteiro);
    npqPowerParam.Add("pDataInicial", "Data Inicial", TTipoParam::tpData);
    npqPowerParam.Add("pTotalizarSintetica", "Totalizar Sintéticas", TTipoParam::tpBoolean, "1",
                      true);
  }
  // Set by the worker: the session and connection it ran on, what it read
  // there and the company the session's selection held.
  TnSessao* SessaoDoExecutar = nullptr;
  TnDMConexao* ConexaoDoExecutar = nullptr;
  int64_t EmpresaSelecionada = 0;
  int64_t Lido = 0;
  std::string Falhar;
  int Entregas = 0;
  bool FalharNaEntrega = false;

  void Executar() override {
    TnDMPowerParam::Executar();
    SessaoDoExecutar = &TnSessao::Atual();
    ConexaoDoExecutar = &TnDMConexao::Atual();
    EmpresaSelecionada = nDMSelecao().Selecao().CodigoEmpresa();
    if (!Falhar.empty())
      throw Exception(Falhar);
    Lido = Conexao().ExecuteScalar("select count(*) from T").AsInteger();
    Msg(TTipoMensagem::tmInformacao, "empresa " + Param("pCodigoEmpresa").AsString());
  }
  void OnProcessarResultadoParalelo(const TnResultadoParalelo& resultado) override {
    TnDMPowerParam::OnProcessarResultadoParalelo(resultado);
    ++Entregas;
    if (FalharNaEntrega)
      throw Exception("falhou ao mostrar o resultado");
  }
};

TEST(TnDMPowerParam, ParametersStartAtTheirDefaultsConvertTheirTextAndRequiredOnesAreChecked) {
  TProcessoTeste processo;
  EXPECT_EQ(processo.Param("ptiposaldoctb").AsString(), "0");
  EXPECT_TRUE(processo.Param("pTotalizarSintetica").AsBoolean());
  EXPECT_EQ(processo.Param("pCodigoEmpresa").AsInteger(-1), -1);
  processo.Param("pCodigoEmpresa").SetValor(" 12 ");
  processo.Param("pDataInicial").SetValor("01/02/2024");
  EXPECT_EQ(processo.Param("pCodigoEmpresa").AsInteger(), 12);
  EXPECT_EQ(processo.Param("pDataInicial").AsDate(), EncodeDate(2024, 2, 1));
  EXPECT_THROW(processo.Param("pTipoSaldoCtb").SetValor("2"), Exception);
  processo.Param("pTipoSaldoCtb").SetValor("1");
  auto itens = processo.Param("pTipoSaldoCtb").ItensCombo();
  ASSERT_EQ(itens.size(), 2U);
  EXPECT_EQ(itens[1].first + "=" + itens[1].second, "Fiscal=1");
  EXPECT_EQ(processo.npqPowerParam.ParamUnCheck("pNada"), nullptr);
  EXPECT_THROW(processo.Param("pNada"), Exception);
  EXPECT_THROW(processo.npqPowerParam.Add("PCODIGOEMPRESA", "x", TTipoParam::tpTexto), Exception);
  // A run refuses an empty required parameter.
  processo.Param("pTotalizarSintetica").SetValor("");
  EXPECT_EQ(MensagemDoErro([&] { processo.TnDMPowerParam::Executar(); }),
            "O parâmetro Totalizar Sintéticas é obrigatório!");
}

TEST(TnDMPowerParam, RunRemembersValuesPerClassUntilLimparParamsINI) {
  TSessaoDeTeste sessao;
  {
    TProcessoTeste processo;
    processo.Param("pCodigoEmpresa").SetValor("3");
    processo.Param("pTotalizarSintetica").SetValor("0");
    processo.TnDMPowerParam::Executar();
  }
  TProcessoTeste outro;
  const auto valores = [&outro] {
    return outro.Param("pCodigoEmpresa").AsString() + "|" +
           outro.Param("pTotalizarSintetica").AsString();
  };
  EXPECT_EQ(valores(), "|1");
  outro.CarregarParamsINI();
  EXPECT_EQ(valores(), "3|0");
  outro.LimparParamsINI();
  EXPECT_EQ(valores(), "|1");
  TProcessoTeste terceiro;
  terceiro.Param("pCodigoEmpresa").SetValor("9");
  terceiro.CarregarParamsINI();
  EXPECT_EQ(terceiro.Param("pCodigoEmpresa").AsString(), "9") << "nothing is remembered any more";
}

TEST(TnDM, MenuContributorsAddTheirActionsInRegistrationOrder) {
  struct TA : TnDM {
    static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                                 const TnConjuntoModulos& permitidos) {
      if (permitidos.Intersecta({TnModulo::nCtb}))
        AdicionarPrincAction(lista, "TA", "Processos", "A", handler);
    }
  };
  TnDM::RegistrarGerarPrincAction<TA>("TA");
  TnDM::RegistrarGerarPrincAction<TnDM>("TnDM");
  TnActionList lista;
  int executadas = 0;
  EXPECT_EQ(TnDM::GerarPrincActions(lista, [&](TnAction&) { ++executadas; }, {TnModulo::nFin}), 0U);
  EXPECT_EQ(TnDM::GerarPrincActions(lista, [&](TnAction&) { ++executadas; }, {TnModulo::nCtb}), 1U);
  EXPECT_EQ(lista[0].Name() + "|" + lista[0].Category() + "|" + lista[0].Caption(),
            "actTA|Processos|A");
  EXPECT_TRUE(lista[0].ControlaDireito());
  lista[0].Execute();
  EXPECT_EQ(executadas, 1);
  TnDM::RemoverGerarPrincAction("ta");
  TnDM::RemoverGerarPrincAction("TnDM");
  EXPECT_EQ(TnDM::GerarPrincActions(lista, nullptr, {TnModulo::nCtb}), 0U);
}

class TnDMPowerParamParaleloTest : public TDatabaseTest {
 protected:
  void SetUp() override {
    TDatabaseTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    Conexao().ExecuteScript("create table T (A integer)");
    Conexao().ExecuteDirect("insert into T (A) values (1), (2)");
    AbrirSessao();
  }
};

TEST_P(TnDMPowerParamParaleloTest, RunsInASessionOfItsOwnAndDeliversOnce) {
  nDMSelecao().CriarParam(kSelCodigoEmpresa, Value(int64_t{4}));
  TProcessoTeste processo;
  processo.Param("pCodigoEmpresa").SetValor("1");
  processo.ExecutarParalelo();
  EXPECT_THROW(processo.ExecutarParalelo(), Exception);
  EXPECT_TRUE(processo.AguardarParalelo());
  EXPECT_FALSE(processo.AguardarParalelo());
  EXPECT_FALSE(processo.ProcessarParalelo());
  EXPECT_EQ(processo.Entregas, 1);
  EXPECT_EQ(processo.Lido, 2);
  ASSERT_NE(processo.ConexaoDoExecutar, nullptr);
  EXPECT_NE(processo.ConexaoDoExecutar, &Conexao());
  EXPECT_NE(processo.SessaoDoExecutar, &Sessao());
  EXPECT_EQ(processo.EmpresaSelecionada, 4) << "the worker runs on the caller's selection";
  EXPECT_EQ(&processo.Conexao(), &Conexao()) << "the caller's connection is back";
  EXPECT_EQ(processo.Mensagens().Texto(), "empresa 1\n");
  EXPECT_FALSE(processo.EmExecucaoParalela());
  // What the run remembered reaches the caller's session.
  TProcessoTeste seguinte;
  seguinte.CarregarParamsINI();
  EXPECT_EQ(seguinte.Param("pCodigoEmpresa").AsString(), "1");
}

// A failure of the worker is the result's error, delivered by pumping; one
// while delivering is reported, not lost, and the module can run again.
TEST_P(TnDMPowerParamParaleloTest, FailuresOfTheWorkerOrOfTheDeliveryAreReported) {
  TProcessoTeste processo;
  processo.Falhar = "sem empresa";
  processo.ExecutarParalelo();
  while (!processo.ProcessarParalelo())
    std::this_thread::yield();
  EXPECT_EQ(processo.Entregas, 1);
  EXPECT_EQ(processo.Mensagens().Texto(), "Erro: sem empresa\n");
  processo.Falhar.clear();
  processo.FalharNaEntrega = true;
  processo.ExecutarParalelo();
  EXPECT_TRUE(processo.AguardarParalelo());
  EXPECT_EQ(processo.Entregas, 2);
  EXPECT_EQ(processo.ErroEntregaParalelo(), "falhou ao mostrar o resultado");
  EXPECT_TRUE(processo.Mensagens().TemErro());
  processo.FalharNaEntrega = false;
  processo.ExecutarParalelo();
  EXPECT_TRUE(processo.AguardarParalelo());
  EXPECT_EQ(processo.Entregas, 3);
  EXPECT_EQ(processo.ErroEntregaParalelo(), "");
}

CTB_INSTANTIATE_ENGINES(TnDMPowerParamParaleloTest);

}  // namespace
