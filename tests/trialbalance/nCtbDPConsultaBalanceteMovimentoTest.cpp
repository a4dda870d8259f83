#include <gtest/gtest.h>

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "framework/app/TnAction.h"
#include "framework/data/ClientDataSet.h"
#include "tests/trialbalance/TTrialBalanceTest.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoFactory_U.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoProcessarSaldo_U.h"
#include "trialbalance/nCtbDPConsultaBalanceteMovimento_U.h"
#include "trialbalance/nCtbDPGerarSaldoGerIndividual_U.h"

namespace {

bool Localizar(TnClientDataSet& dataSet, int64_t conta, int64_t estab = 0) {
  return dataSet.Locate("CodigoConta;CodigoEstab", {Value(conta), Value(estab)});
}

// Which of `contas` have a row for all establishments, in the order given.
std::string Presentes(TnClientDataSet& dataSet, std::initializer_list<int64_t> contas) {
  std::string texto;
  for (int64_t conta : contas)
    if (Localizar(dataSet, conta))
      texto += fmt::format("{}{}", texto.empty() ? "" : " ", conta);
  return texto;
}

// The columns bound under `band`, in its order.
std::string Colunas(const TnGridBand* band) {
  std::string texto;
  for (const TnGridBand* coluna : band->Colunas())
    texto += (texto.empty() ? "" : " ") + coluna->Coluna;
  return texto;
}

double Valor(TnClientDataSet& dataSet, const std::string& campo) {
  return dataSet.FieldByName(campo).AsFloat();
}

// "FIELD=value" of the current row for each field asked, so that one
// assertion compares the whole row.
std::string Campos(TnClientDataSet& dataSet, std::initializer_list<const char*> campos) {
  std::string texto;
  for (const char* campo : campos)
    texto += fmt::format("{}{}={}", texto.empty() ? "" : " ", campo,
                         dataSet.FieldByName(campo).AsValue().Type() == TValueType::String
                             ? dataSet.FieldByName(campo).AsString()
                             : fmt::format("{}", Valor(dataSet, campo)));
  return texto;
}

// Every field of every row, in the data set's order.
std::string Linhas(TnClientDataSet& dataSet) {
  std::string texto;
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
    for (int i = 0; i < dataSet.FieldCount(); ++i)
      texto += dataSet.Fields(i).AsValue().DebugString() + "|";
    texto += "\n";
  }
  return texto;
}

}  // namespace

class ConsultaBalanceteTest : public TTrialBalanceTest {
 protected:
  void SetUp() override {
    TTrialBalanceTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    FProcesso = std::make_unique<TnCtbDPConsultaBalanceteMovimento>();
    Parametro("pCodigoEmpresa", "1");
    Parametro("pDataInicial", "15/01/2024");
    Parametro("pDataFinal", "10/03/2024");
  }
  void TearDown() override {
    FProcesso.reset();
    TTrialBalanceTest::TearDown();
  }

  void Parametro(const std::string& alias, const std::string& valor) {
    FProcesso->Param(alias).SetValor(valor);
  }
  TnClientDataSet& Executar(int64_t empresa = 1) {
    FProcesso->Executar();
    EXPECT_EQ(FProcesso->Mensagens().Texto(), "");
    TnClientDataSet* dataSet = FProcesso->RetornaDataSet(empresa);
    EXPECT_NE(dataSet, nullptr);
    return *dataSet;
  }

  std::unique_ptr<TnCtbDPConsultaBalanceteMovimento> FProcesso;
};

// The typed parameters as "Field=value" tokens, each between spaces.
std::string Lidos(const TnParamsConsultaBalancete& p) {
  return fmt::format(
      " Empresas={} DataInicial={} DataFinal={} Tipo={} Quebrar={} CentroCusto={} SaldoZero={} "
      "Livro={} Relacionar={} Estab={} Origens={} Moeda={} Idioma={} EmReais={} ",
      fmt::join(p.Empresas, ","), DateToIso(p.DataInicial), DateToIso(p.DataFinal),
      static_cast<int>(p.TipoConsultaBalancete), p.QuebrarMovPeriodo, p.GerarCentroCusto,
      p.ImpSaldoZero, static_cast<int>(p.TipoSaldoCtb), p.RelacionarEstab, p.CodigoEstab,
      p.FiltroLctoAtivo, p.CodigoMoeda, p.CodigoIdioma, p.GerarMoedaFuncionalEmReais);
}

// The by-name parameter table reads into the typed parameters: what a
// screen types reaches the run as the host's own values would. Each case
// sets one parameter alone, so a field read from another one shows.
TEST(ConsultaBalanceteParametros, TheTableReadsIntoTheTypedParameters) {
  // The parameter, the text typed and the token read.
  const std::tuple<const char*, const char*, const char*> casos[] = {
      {"pCodigoEmpresa", "1;3-4", "Empresas=1,3,4"},
      {"pDataInicial", "15/01/2024", "DataInicial=2024-01-15"},
      {"pDataFinal", "2024-03-10", "DataFinal=2024-03-10"},
      {"pTipoConsultaBalancete", "", "Tipo=1"},
      {"pTipoConsultaBalancete", "2", "Tipo=2"},
      {"pTipoConsultaBalancete", "0", "Tipo=0"},
      {"pQuebrarMovPeriodo", "1", "Quebrar=true"},
      {"pGerarCentroCusto", "1", "CentroCusto=true"},
      {"pImpSaldoZero", "", "SaldoZero=false"},
      {"pImpSaldoZero", "1", "SaldoZero=true"},
      {"pTipoSaldoCtb", "1", "Livro=1"},
      {"pRelacionarEstab", "3", "Relacionar=3"},
      {"pCodigoEstab", "1;2", "Estab=1;2"},
      {"pFiltroOrigemLcto", " IM ", "Origens=IM"},
      {"pCodigoMoeda", "2", "Moeda=2"},
      {"pCodigoIdioma", "", "Idioma=0"},
      {"pGerarMoedaFuncionalEmReais", "S", "EmReais=true"},
  };
  for (const auto& [alias, texto, lido] : casos) {
    TnCtbDPConsultaBalanceteMovimento processo;
    processo.Param(alias).SetValor(texto);
    const std::string lidos = Lidos(processo.LerParametros());
    EXPECT_NE(lidos.find(fmt::format(" {} ", lido)), std::string::npos)
        << alias << "=" << texto << ":" << lidos;
  }
}

TEST_P(ConsultaBalanceteTest, MonthlyBreakFoldsTheMonthsOfOneRun) {
  LancarMovimento();
  Parametro("pQuebrarMovPeriodo", "1");
  TnClientDataSet& cds = Executar();
  // One balance run over the whole period, whatever the months.
  EXPECT_EQ(TGerarSaldoCtbObservado::Execucoes(),
            (std::vector<std::pair<TDateTime, TDateTime>>{{Dia(2024, 1, 15), Dia(2024, 3, 10)}}));
  // CAIXA: 1000 + 50 before 15/01; -300 in January, +400 in February, +150
  // up to 10/03 (the 70 of 20/03 is out of the period).
  ASSERT_TRUE(Localizar(cds, 11));
  EXPECT_EQ(Campos(cds, {"SaldoAnterior", "DEBITO012024", "CREDITO012024", "MOVIMENTO012024",
                         "DEBITO022024", "MOVIMENTO022024", "DEBITO032024", "SaldoAtual",
                         "TipoConta", "ClassifConta"}),
            "SaldoAnterior=1050 DEBITO012024=0 CREDITO012024=300 MOVIMENTO012024=-300 "
            "DEBITO022024=400 MOVIMENTO022024=400 DEBITO032024=150 SaldoAtual=1300 TipoConta=A "
            "ClassifConta=1.1.01");
  // A credit-nature account: the balance grows with credits.
  ASSERT_TRUE(Localizar(cds, 31));
  EXPECT_EQ(Campos(cds, {"SaldoAnterior", "CREDITO022024", "SaldoAtual"}),
            "SaldoAnterior=1050 CREDITO022024=200 SaldoAtual=1250");
  ASSERT_TRUE(Localizar(cds, 1));
  EXPECT_EQ(cds.FieldByName("TipoConta").AsString(), "S");
  // An account first moving in the second month gets its row then.
  ASSERT_TRUE(Localizar(cds, 13));
  EXPECT_EQ(Campos(cds, {"SaldoAnterior", "DEBITO012024", "DEBITO022024", "CREDITO032024",
                         "MOVIMENTO032024", "SaldoAtual"}),
            "SaldoAnterior=0 DEBITO012024=0 DEBITO022024=200 CREDITO032024=150 "
            "MOVIMENTO032024=-150 SaldoAtual=50");

  // Under an origin filter each month is a run of its own, each starting the
  // day after the one before ended.
  TGerarSaldoCtbObservado::Execucoes().clear();
  Parametro("pFiltroOrigemLcto", "IM");
  Executar();
  EXPECT_EQ(TGerarSaldoCtbObservado::Execucoes(),
            (std::vector<std::pair<TDateTime, TDateTime>>{{Dia(2024, 1, 15), Dia(2024, 1, 31)},
                                                          {Dia(2024, 2, 1), Dia(2024, 2, 29)},
                                                          {Dia(2024, 3, 1), Dia(2024, 3, 10)}}));
}

// One run grouped by month against a run per month folded the way the trial
// balance folds them: the same rows and columns, on random entries, for each
// relation of establishments, with and without the accounts without
// balance.
TEST_P(ConsultaBalanceteTest, OneRunByMonthFoldsLikeARunPerMonth) {
  std::mt19937 gerador(14);
  auto sorteio = [&](int de, int ate) {
    return std::uniform_int_distribution<int>(de, ate)(gerador);
  };
  const int64_t analiticas[] = {11, 12, 13, 21, 31, 41, 51, 52};
  for (int i = 0; i < 80; ++i) {
    const int64_t debito = analiticas[sorteio(0, 7)];
    const int64_t credito = analiticas[sorteio(0, 7)];
    if (debito != credito)
      Lcto(1, sorteio(1, 2), Dia(2023, 12, 1) + sorteio(0, 120), debito, credito,
           std::to_string(sorteio(1, 99999)) + "." + std::to_string(sorteio(10, 99)));
  }
  const std::pair<TDateTime, TDateTime> meses[] = {{Dia(2024, 1, 15), Dia(2024, 1, 31)},
                                                   {Dia(2024, 2, 1), Dia(2024, 2, 29)},
                                                   {Dia(2024, 3, 1), Dia(2024, 3, 10)}};
  for (int relacionar : {0, 1, 2, 3})
    for (bool zero : {false, true}) {
      SCOPED_TRACE(fmt::format("relacionar {} zero {}", relacionar, zero));
      TnParametroConf conf;
      conf.CodigoEmpresa = 1;
      conf.DataInicial = meses[0].first;
      conf.DataFinal = meses[2].second;
      conf.QuebrarMovPeriodo = true;
      conf.RelacionarEstab = relacionar;
      conf.ImprimirContaSemSaldo = zero;
      conf.TipoSaldoCtb = TnTipoSaldoCtb::tscSocietario;
      TGerarSaldoCtbObservado::Execucoes().clear();
      TnDicionarioDataSetSaldo umaExecucao =
          TnCtbConsultaBalanceteMovimentoProcessarSaldo::New()->Inicializar(conf)->Executar();
      EXPECT_EQ(TGerarSaldoCtbObservado::Execucoes().size(), 1u);

      auto dobrar = std::make_shared<TnCtbConsultaBalanceteMovimentoProcessarSaldo>();
      dobrar->Inicializar(conf);
      std::unique_ptr<TnClientDataSet> porMes = Factory()->DataSetSaldo(conf)->CriarDataSet();
      for (const auto& [de, ate] : meses) {
        auto plano = TnCtbConsultaBalanceteMovimentoSaldoPlanoIndividual::New()->Inicializar(conf);
        for (const auto& [chave, saldo] : plano->Executar(de, ate))
          dobrar->ProcessarSaldoBalancete(1, MesDaData(de), *saldo, *porMes);
      }
      EXPECT_EQ(Linhas(*umaExecucao.at("")), Linhas(*porMes));
    }
}

// CAIXA (11) moves in both establishments, BANCO (12) only in 1, ATIVO (1)
// is synthetic; by branch, each row carries the filter its drill-down opens
// with.
TEST_P(ConsultaBalanceteTest, EachBranchRelationKeepsItsRowsAndTheirDrillDownFilters) {
  LancarMovimento();
  const std::pair<const char*, std::set<std::pair<int64_t, int64_t>>> casos[] = {
      {"0", {{11, 0}, {12, 0}, {1, 0}}},
      {"1", {{11, 1}, {11, 2}, {12, 1}, {1, 0}}},
      {"2", {{11, 0}, {11, 1}, {11, 2}, {12, 0}, {12, 1}, {1, 0}}},
      {"3", {{11, 0}, {11, 1}, {11, 2}, {12, 1}, {1, 0}}},
  };
  for (const auto& [relacionar, esperado] : casos) {
    SCOPED_TRACE(relacionar);
    Parametro("pRelacionarEstab", relacionar);
    TnClientDataSet& cds = Executar();
    std::set<std::pair<int64_t, int64_t>> obtido;
    for (cds.First(); !cds.Eof(); cds.Next())
      if (const int64_t conta = cds.FieldByName("CodigoConta").AsInteger();
          conta == 11 || conta == 12 || conta == 1)
        obtido.insert({conta, cds.FieldByName("CodigoEstab").AsInteger()});
    EXPECT_EQ(obtido, esperado);
    if (std::string(relacionar) != "1")
      continue;
    ASSERT_TRUE(Localizar(cds, 11, 2));
    EXPECT_EQ(cds.FieldByName("Filial").AsString(), "FILIAL SUL");
    auto filtros = nlohmann::json::parse(cds.FieldByName("Filtros").AsString());
    EXPECT_EQ(filtros, (nlohmann::json{{"pCodigoEmpresa", "1"},
                                       {"pCodigoEstab", "2"},
                                       {"pContaCtb", "11"},
                                       {"pDataInicial", "15/01/2024"},
                                       {"pDataFinal", "10/03/2024"},
                                       {"pTipoSaldoCtb", "0"}}));
    ASSERT_TRUE(Localizar(cds, 1, 0));
    EXPECT_EQ(nlohmann::json::parse(cds.FieldByName("Filtros").AsString())["pCodigoEstab"], "");
  }
}

// Accounts without balance leave, but a synthetic above values stays;
// customers and suppliers are hidden unless detailed.
TEST_P(ConsultaBalanceteTest, AccountsWithoutBalanceAndPeopleLeaveUnlessAsked) {
  LancarMovimento();
  Exec("insert into CFGPLANOESPECPESSOA (CODIGOEMPRESA, CLASSIFCONTA) values (1, '3.01')");
  TnClientDataSet& semZero = Executar();
  // 4/4.01 never moved; group 5 nets to zero while 5.01 and 5.02 hold
  // opposite balances. 1.1.03 is the customers' group, 2.01 the suppliers,
  // 3.01 a person account; 1.1.03.001, below the group, is still shown.
  EXPECT_EQ(Presentes(semZero, {41, 6, 7, 51, 52, 3, 21, 31, 13}), "7 51 52 13");
  ASSERT_TRUE(Localizar(semZero, 7));
  EXPECT_EQ(Campos(semZero, {"SaldoAnterior", "DEBITO"}), "SaldoAnterior=0 DEBITO=0");
  Parametro("pImpSaldoZero", "1");
  EXPECT_EQ(Presentes(Executar(), {41, 6}), "41 6");
  Parametro("pDetalharClienteFornecedor", "1");
  EXPECT_EQ(Presentes(Executar(), {3, 21, 31}), "3 21 31");
}

TEST_P(ConsultaBalanceteTest, NovemberToFebruaryGivesFourMonthColumnsAndBandsAndTheUser) {
  Parametro("pDataInicial", "01/11/2023");
  Parametro("pDataFinal", "29/02/2024");
  Parametro("pQuebrarMovPeriodo", "1");
  Parametro("pTipoConsultaBalancete", "0");
  Parametro("pCodigoEstab", "0");
  TnClientDataSet& cds = Executar();
  const TnGridBands* bands = FProcesso->Bandas(1);
  ASSERT_NE(bands, nullptr);

  // The company's bands above the account columns; one band per month.
  EXPECT_EQ(bands->Raiz.Find("Empresa")->Caption, "1 - EMPRESA UM");
  EXPECT_EQ(bands->Raiz.Find("CNPJ")->Caption, "CNPJ: 00.000.001/0001-00");
  EXPECT_EQ(bands->Raiz.Find("BalanceteMovimento")->Caption, "Balancete - Débito e Crédito");
  EXPECT_EQ(Colunas(bands->Raiz.Find("Vazio")),
            "Filial CodigoConta TipoConta ClassifConta DescrConta CodigoCentroCusto "
            "DescrCentroCusto");
  EXPECT_EQ(bands->Raiz.Find("Periodo")->Caption, "Período: 01/11/2023 a 29/02/2024");
  std::vector<std::string> meses;
  for (const auto& band : bands->Raiz.Find("Usuario")->Bands)
    meses.push_back(band->Caption);
  EXPECT_EQ(meses,
            (std::vector<std::string>{"   ", "11/2023", "12/2023", "01/2024", "02/2024", "    "}));
  ASSERT_NE(bands->Raiz.Find("122023"), nullptr);
  EXPECT_EQ(Colunas(bands->Raiz.Find("122023")), "Debito122023 Credito122023 Movimento122023");
  // Every bound column exists in the company's data set.
  for (const TnGridBand* coluna : bands->Raiz.Colunas())
    EXPECT_NE(cds.FindField(coluna->Coluna), nullptr) << coluna->Coluna;

  // The user band names the logged user when asked.
  Exec("update USUARIO set NOMEUSUARIO = 'ANA' where CODIGOUSUARIO = 1");
  Parametro("pDemonstrarUsuario", "1");
  Parametro("pQuebrarMovPeriodo", "0");
  Parametro("pTipoConsultaBalancete", "1");
  Executar();
  ASSERT_NE(FProcesso->Bandas(1)->Raiz.Find("Usuario"), nullptr);
  EXPECT_EQ(FProcesso->Bandas(1)->Raiz.Find("Usuario")->Caption, "ANA");
  EXPECT_EQ(FProcesso->Bandas(1)->Raiz.Find("BalanceteMovimento")->Caption,
            "Balancete - Débito, Crédito e Movimento");
}

// Each company asked gets its own data set and bands, in the order asked;
// one that fails (company 3 knows no group nature) is reported, and the
// others still run.
TEST_P(ConsultaBalanceteTest, EachCompanyGetsItsOwnDataSetAndAFailingOneIsReported) {
  CriarEmpresa(2, "EMPRESA DOIS");
  CriarEmpresa(3, "SEM NATUREZAS");
  Exec("delete from NATUREZAGRUPO where CODIGOEMPRESA = 3");
  LancarMovimento();
  Lcto(2, 1, Dia(2024, 2, 1), 12, 31, "75");
  // Without a row for "all branches" the header names the company by its
  // first branch.
  Exec("delete from ESTAB where CODIGOEMPRESA = 2 and CODIGOESTAB = 0");
  Exec("update ESTAB set INSCRFEDERAL = '22' where CODIGOEMPRESA = 2 and CODIGOESTAB = 1");
  Parametro("pCodigoEmpresa", "3;2;1");
  FProcesso->Executar();
  ASSERT_EQ(FProcesso->Mensagens().Count(), 1u);
  EXPECT_EQ(FProcesso->Mensagens().Mensagens()[0].Tipo, TTipoMensagem::tmErro);
  EXPECT_EQ(FProcesso->Mensagens().Mensagens()[0].Texto.rfind(
                "Encontrado Problema a Executar a Consulta: ", 0),
            0u);
  EXPECT_FALSE(Conexao().InTransaction());
  EXPECT_EQ(FProcesso->Empresas(), (std::vector<int64_t>{3, 2, 1}));
  EXPECT_NE(FProcesso->RetornaDataSet(3), nullptr);
  TnClientDataSet& um = *FProcesso->RetornaDataSet(1);
  TnClientDataSet& dois = *FProcesso->RetornaDataSet(2);
  EXPECT_EQ(um.Name() + " " + dois.Name(), "Cds1 Cds2");
  EXPECT_EQ(FProcesso->Bandas(2)->Raiz.Find("Empresa")->Caption, "2 - EMPRESA DOIS");
  EXPECT_EQ(FProcesso->Bandas(2)->Raiz.Find("CNPJ")->Caption, "CNPJ: 22");
  EXPECT_EQ(FProcesso->Bandas(1)->Raiz.Find("Empresa")->Caption, "1 - EMPRESA UM");
  ASSERT_TRUE(Localizar(dois, 12));
  EXPECT_EQ(Campos(dois, {"DEBITO"}), "DEBITO=75");
  EXPECT_FALSE(Localizar(dois, 11));
  ASSERT_TRUE(Localizar(um, 12));
  EXPECT_EQ(Campos(um, {"DEBITO"}), "DEBITO=300");
}

TEST_P(ConsultaBalanceteTest, CostCentreRowsFollowTheirAccountFromTheManagerialBalance) {
  LancarMovimento();
  Exec(
      "insert into CENTROCUSTO (CODIGOEMPRESA, CODIGOCENTROCUSTO, DESCRCENTROCUSTO) values "
      "(1, 100, 'ADMINISTRACAO')");
  // The 300 of 20/01 (entry 4: D12 C11) split 200/100 over two centres on
  // its debit side, whole on its credit side; the 50 of 10/01 (entry 3,
  // before the period) on its credit side.
  Exec(
      "insert into LCTOGER (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOCENTROCUSTO, NATURLCTOCTB, "
      "CONTACTB, DATALCTOCTB, VALORLCTOGER) values (1, 4, 100, 1, 12, '2024-01-20', 200), "
      "(1, 4, 200, 1, 12, '2024-01-20', 100), (1, 4, 100, -1, 11, '2024-01-20', 300), "
      "(1, 3, 100, -1, 31, '2024-01-10', 50)");
  Parametro("pGerarCentroCusto", "1");
  TnClientDataSet& cds = Executar();
  // BANCO moved only by entry 4: its centres add up to it, right below it.
  std::vector<std::tuple<std::string, std::string, double>> banco;
  for (cds.First(); !cds.Eof(); cds.Next())
    if (cds.FieldByName("CodigoConta").AsInteger() == 12)
      banco.emplace_back(cds.FieldByName("CodigoCentroCusto").AsString(),
                         cds.FieldByName("DescrCentroCusto").AsString(), Valor(cds, "MOVIMENTO"));
  EXPECT_EQ(banco,
            (decltype(banco){{"", "", 300}, {"100", "ADMINISTRACAO", 200}, {"200", "", 100}}));
  ASSERT_TRUE(cds.Locate("CodigoConta;CodigoCentroCusto", {Value(12), Value(100)}));
  EXPECT_EQ(cds.FieldByName("ClassifConta").AsString(), "1.1.02");
  ASSERT_TRUE(cds.Locate("CodigoConta;CodigoCentroCusto", {Value(11), Value(100)}));
  EXPECT_EQ(Campos(cds, {"CREDITO", "MOVIMENTO"}), "CREDITO=300 MOVIMENTO=-300");
  // A credit-nature account's split before the period opens its balance.
  ASSERT_TRUE(cds.Locate("CodigoConta;CodigoCentroCusto", {Value(31), Value(100)}));
  EXPECT_EQ(Campos(cds, {"SaldoAnterior", "SaldoAtual"}), "SaldoAnterior=50 SaldoAtual=50");

  // By month, from one run grouped by month: each month in its columns.
  Parametro("pQuebrarMovPeriodo", "1");
  TnClientDataSet& mensal = Executar();
  ASSERT_TRUE(mensal.Locate("CodigoConta;CodigoCentroCusto", {Value(12), Value(100)}));
  EXPECT_EQ(Campos(mensal, {"DEBITO012024", "DEBITO022024", "SaldoAtual"}),
            "DEBITO012024=200 DEBITO022024=0 SaldoAtual=200");
  ASSERT_TRUE(mensal.Locate("CodigoConta;CodigoCentroCusto", {Value(31), Value(100)}));
  EXPECT_EQ(Campos(mensal, {"SaldoAnterior", "SaldoAtual"}), "SaldoAnterior=50 SaldoAtual=50");
}

CTB_INSTANTIATE_ENGINES(ConsultaBalanceteTest);

TEST(ConsultaBalanceteMenuTest, ThreeEntriesShareTheMainActionsRight) {
  Package::Iniciar();
  TnActionList lista;
  TnDM::GerarPrincActions(
      lista, [](TnAction&) {}, TnConjuntoModulos{TnModulo::nCtb});
  Package::Finalizar();
  const TnAction* principal = lista.Find("actTnCtbDPConsultaBalanceteMovimento");
  ASSERT_NE(principal, nullptr);
  EXPECT_TRUE(principal->ControlaDireito());
  // Each workspace's entry opens the main one.
  for (const char* nome : {"actTnCtbDPConsultaBalanceteMovimentoAreaTrabalhoEmprestimo",
                           "actTnCtbDPConsultaBalanceteMovimentoAreaTrabalhoParcelamento"}) {
    const TnAction* acao = lista.Find(nome);
    ASSERT_NE(acao, nullptr) << nome;
    EXPECT_EQ(lista.FindByHash(acao->Link()), principal);
  }
  TnActionList outroModulo;
  TnDM::GerarPrincActions(
      outroModulo, [](TnAction&) {}, TnConjuntoModulos{TnModulo::nFin});
  EXPECT_EQ(outroModulo.Find("actTnCtbDPConsultaBalanceteMovimento"), nullptr);
}
