#pragma once
// A small company on each engine for the trial balance, and the account
// balance process it runs, observed.

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <string>
#include <utility>
#include <vector>

#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"
#include "framework/app/Nutilform.h"
#include "framework/core/TDateTime.h"
#include "framework/ctb/TnUtilCtb.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"
#include "package/Package.h"
#include "schema/SchemaInstaller.h"
#include "tests/support/TestDatabases.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoSaldoPlanoIndividual_U.h"

// The account balance process, registered under its class name for the run,
// recording every run's dates so a test can check how the trial balance
// split the period.
class TGerarSaldoCtbObservado : public TnCtbDPGerarSaldoCtbIndividual {
 public:
  // Dates of every run, in order, by any instance.
  static std::vector<std::pair<TDateTime, TDateTime>>& Execucoes() {
    static std::vector<std::pair<TDateTime, TDateTime>> execucoes;
    return execucoes;
  }

  using TnCtbDPGerarSaldoCtbIndividual::Executar;
  void Executar(const TnParamsGerarSaldoCtb& params) override {
    Execucoes().emplace_back(params.Saldo.DataInicial, params.Saldo.DataFinal);
    TnCtbDPGerarSaldoCtbIndividual::Executar(params);
  }
};

class TTrialBalanceTest : public TSchemaTest {
 protected:
  void SetUp() override {
    TSchemaTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    // The module as the host loads it, with the balance process observed.
    Package::Iniciar();
    Nutilform::nUnRegisterClass(kClasseGerarSaldoCtb);
    Nutilform::nRegisterClass<TGerarSaldoCtbObservado>(kClasseGerarSaldoCtb);
    TGerarSaldoCtbObservado::Execucoes().clear();
    CriarEmpresa(1, "EMPRESA UM");
  }
  void TearDown() override {
    Nutilform::DestruirTodosDM();
    Package::Finalizar();
    TSchemaTest::TearDown();
  }

  static TDateTime Dia(int ano, int mes, int dia) { return EncodeDate(ano, mes, dia); }

  // Chart: 1 ATIVO > 1.1 > 1.1.01 CAIXA, 1.1.02 BANCO, 1.1.03 CLIENTES >
  // 1.1.03.001; 2 > 2.01 FORNECEDORES; 3 > 3.01 VENDAS; 4 > 4.01 (never
  // moves); 5 > 5.01, 5.02 (opposite opening balances: group 5 nets to 0).
  // Customers are 1.1.03, suppliers 2.01.
  void CriarEmpresa(int e, const std::string& nome) {
    Exec(
        fmt::format("insert into EMPRESA (CODIGOEMPRESA, NOMEEMPRESA) values ({}, '{}')", e, nome));
    Exec(fmt::format(
        "insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB, INSCRFEDERAL) values ({0}, 0, "
        "'{1}', '00.000.00{0}/0001-00'), ({0}, 1, 'MATRIZ', null), ({0}, 2, 'FILIAL SUL', null)",
        e, nome));
    struct {
      int64_t Conta;
      const char* Classif;
      int Tipo;
      const char* Descr;
    } contas[] = {
        {1, "1", 1, "ATIVO"},       {2, "1.1", 1, "CIRCULANTE"},  {11, "1.1.01", 2, "CAIXA"},
        {12, "1.1.02", 2, "BANCO"}, {3, "1.1.03", 1, "CLIENTES"}, {13, "1.1.03.001", 2, "CLI X"},
        {4, "2", 1, "PASSIVO"},     {21, "2.01", 2, "FORNEC"},    {5, "3", 1, "RECEITAS"},
        {31, "3.01", 2, "VENDAS"},  {6, "4", 1, "DESPESAS"},      {41, "4.01", 2, "ALUGUEL"},
        {7, "5", 1, "COMPENSACAO"}, {51, "5.01", 2, "COMP D"},    {52, "5.02", 2, "COMP C"},
    };
    for (const auto& c : contas)
      Exec(
          fmt::format("insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, TIPOCONTA, "
                      "DESCRCONTA) values ({}, {}, '{}', {}, '{}')",
                      e, c.Conta, c.Classif, c.Tipo, c.Descr));
    Exec(fmt::format(
        "insert into NATUREZAGRUPO (CODIGOEMPRESA, CLASSIFGRUPO, NATUREZA) values ({0}, '1', 1), "
        "({0}, '2', -1), ({0}, '3', -1), ({0}, '4', 1), ({0}, '5', 1)",
        e));
    Exec(
        fmt::format("insert into CFGPLANOESPEC (CODIGOEMPRESA, CLASSIFCLIENTE, CLASSIFFORNEC) "
                    "values ({}, '1.1.03', '2.01')",
                    e));
  }

  void Lcto(int64_t empresa, int estab, TDateTime data, int64_t deb, int64_t cred,
            const std::string& valor) {
    Exec(fmt::format(
        "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
        "TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB) values ({}, {}, {}, '{}', 'LN', "
        "{}, {}, {})",
        empresa, ++FChave, estab, DateToIso(data), deb, cred, valor));
  }

  // Entries of company 1, keys 1 to 8 in this order (amounts by hand in the
  // tests).
  void LancarMovimento() {
    Lcto(1, 1, Dia(2023, 12, 10), 11, 31, "1000");
    Lcto(1, 1, Dia(2023, 12, 1), 51, 52, "100");
    Lcto(1, 1, Dia(2024, 1, 10), 11, 31, "50");
    Lcto(1, 1, Dia(2024, 1, 20), 12, 11, "300");
    Lcto(1, 2, Dia(2024, 2, 5), 13, 31, "200");
    Lcto(1, 1, Dia(2024, 2, 20), 11, 21, "400");
    Lcto(1, 2, Dia(2024, 3, 5), 11, 13, "150");
    Lcto(1, 1, Dia(2024, 3, 20), 12, 11, "70");
  }

 private:
  int FChave = 0;
};
