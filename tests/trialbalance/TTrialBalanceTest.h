#pragma once
// A small company on each engine for the trial balance, and a stand-in for
// the account balance process registered under its class name.
//
// The stand-in computes its balances from LCTOCTB as the balance process
// reports them: one row per chart account (and per establishment with the
// entries' establishments when establishments are related, plus
// establishment 0 with the sums), opening balance before the first day and
// movement by the account's group nature, synthetic accounts summing the
// analytic accounts below them. It records every run's dates so a test can
// check how the trial balance split the period.

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "framework/app/Nutilform.h"
#include "framework/app/TnDMPowerParam.h"
#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"
#include "framework/ctb/TnUtilCtb.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"
#include "schema/SchemaInstaller.h"
#include "tests/support/TestDatabases.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoSaldoPlanoIndividual_U.h"

class TFakeGerarSaldoCtb : public TnDMPowerParam {
 public:
  // Dates of every run, in order, by any instance.
  static std::vector<std::pair<TDateTime, TDateTime>>& Execucoes() {
    static std::vector<std::pair<TDateTime, TDateTime>> execucoes;
    return execucoes;
  }

  TFakeGerarSaldoCtb() {
    for (const char* alias :
         {"pTipoSaldoCtb", "pCodigoEmpresa", "pCodigoEstab", "pContaCtb", "pClassifConta",
          "pDataInicial", "pDataFinal", "pCodigoMoeda", "pCodigoHistCtb", "pFiltroOrigemLcto",
          "pRelacionarEstab", "pTipoAgruparData", "pTotalizarSintetica", "pConsiderarFiltroLctoCtb",
          "pListarContasMovimentoZero", "pCodigoIdioma", "pGerarMoedaFuncionalEmReais"})
      npqPowerParam.Add(alias, alias, TTipoParam::tpTexto);
    nClientDataSet.AddField("CONTACTB", TFieldType::ftFloat);
    nClientDataSet.AddField("CLASSIFCONTA", TFieldType::ftString, 30);
    nClientDataSet.AddField("TIPOCONTA", TFieldType::ftSmallint);
    nClientDataSet.AddField("DESCRCONTA", TFieldType::ftString, 50);
    nClientDataSet.AddField("CODIGOESTAB", TFieldType::ftSmallint);
    nClientDataSet.AddField("DATASALDO", TFieldType::ftDate);
    for (const char* campo : {"SALDOANTERIOR", "DEBITO", "CREDITO", "MOVIMENTO", "SALDOATUAL"})
      nClientDataSet.AddField(campo, TFieldType::ftBCD).SetPrecision(18);
    nClientDataSet.AddField("SEMSALDOMOV", TFieldType::ftInteger);
    nClientDataSet.AddField("SINTFILIAL", TFieldType::ftInteger);
    nClientDataSet.AddField("TIPOCONTACALC", TFieldType::ftInteger);
    nClientDataSet.AddField("APELIDOCONTA", TFieldType::ftString, 30);
    nClientDataSet.CreateDataSet();
    nClientDataSet.SetLogChanges(false);
  }

  void Executar() override {
    TnDMPowerParam::Executar();
    nClientDataSet.SetIndexFieldNames("");
    nClientDataSet.EmptyDataSet();
    const int empresa = static_cast<int>(Param("pCodigoEmpresa").AsInteger());
    const TDateTime inicio = Param("pDataInicial").AsDate();
    const TDateTime fim = Param("pDataFinal").AsDate();
    const bool porEstab = Param("pRelacionarEstab").AsInteger() == 1;
    const bool listarZero = Param("pListarContasMovimentoZero").AsInteger(1) == 1;
    Execucoes().emplace_back(inicio, fim);

    struct TConta {
      int64_t Codigo;
      std::string Classif;
      int Tipo;
      std::string Descr;
    };
    std::vector<TConta> plano;
    auto contas = Nutildb::ExecutarSQL(
        "select CONTACTB, CLASSIFCONTA, TIPOCONTA, DESCRCONTA from PLANOESPEC where "
        "CODIGOEMPRESA = :e order by CLASSIFCONTA",
        {{"e", Value(empresa)}});
    for (; !contas->Eof(); contas->Next())
      plano.push_back({contas->FieldByName("CONTACTB").AsLargeInt(),
                       contas->FieldByName("CLASSIFCONTA").AsString(),
                       static_cast<int>(contas->FieldByName("TIPOCONTA").AsInteger()),
                       contas->FieldByName("DESCRCONTA").AsString()});
    const TnNaturezasGrupo& naturezas = PlanoEspecifico().CfgPlano(empresa);

    // (account, establishment) -> previous debit, previous credit, debit, credit.
    std::map<std::pair<int64_t, int64_t>, std::array<Currency, 4>> valores;
    std::set<int64_t> estabs = {0};
    auto lctos = Nutildb::ExecutarSQL(
        "select CODIGOESTAB, DATALCTOCTB, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB from LCTOCTB "
        "where CODIGOEMPRESA = :e and DATALCTOCTB <= :f",
        {{"e", Value(empresa)}, {"f", Value(fim)}});
    for (; !lctos->Eof(); lctos->Next()) {
      const int64_t estab = lctos->FieldByName("CODIGOESTAB").AsInteger();
      const bool anterior = lctos->FieldByName("DATALCTOCTB").AsDateTime() < inicio;
      const Currency valor = lctos->FieldByName("VALORLCTOCTB").AsCurrency();
      if (porEstab)
        estabs.insert(estab);
      for (int64_t e : std::set<int64_t>{0, porEstab ? estab : 0}) {
        if (!lctos->FieldByName("CONTACTBDEB").IsNull())
          valores[{lctos->FieldByName("CONTACTBDEB").AsLargeInt(), e}][anterior ? 0 : 2] += valor;
        if (!lctos->FieldByName("CONTACTBCRED").IsNull())
          valores[{lctos->FieldByName("CONTACTBCRED").AsLargeInt(), e}][anterior ? 1 : 3] += valor;
      }
    }

    for (const TConta& conta : plano) {
      for (int64_t estab : estabs) {
        // Analytic: its own values; synthetic: the analytic accounts below.
        Currency saldoAnterior, debito, credito, movimento;
        int estabsComValor = 0;
        for (const TConta& analitica : plano) {
          const bool abaixo = analitica.Classif == conta.Classif ||
                              analitica.Classif.rfind(conta.Classif + ".", 0) == 0;
          if (analitica.Tipo != 2 || !abaixo)
            continue;
          const int n = naturezas.NaturezaGrupo(analitica.Classif);
          auto v = valores[{analitica.Codigo, estab}];
          saldoAnterior += n == 1 ? v[0] - v[1] : v[1] - v[0];
          movimento += n == 1 ? v[2] - v[3] : v[3] - v[2];
          debito += v[2];
          credito += v[3];
        }
        if (estab == 0 && porEstab) {
          for (int64_t e : estabs) {
            auto v = valores[{conta.Codigo, e}];
            if (e != 0 && (v[0] != v[1] || v[2] != Currency() || v[3] != Currency()))
              ++estabsComValor;
          }
        }
        const bool zero =
            saldoAnterior == Currency() && debito == Currency() && credito == Currency();
        nClientDataSet.AppendRecord(
            {Value(static_cast<double>(conta.Codigo)), Value(conta.Classif), Value(conta.Tipo),
             Value(conta.Descr), Value(estab), Value(fim), Value(saldoAnterior), Value(debito),
             Value(credito), Value(movimento), Value(saldoAnterior + movimento),
             Value(!listarZero && zero ? 1 : 0), Value(!listarZero && estabsComValor > 1 ? 1 : 0),
             Value(0), Value("")});
      }
    }
    nClientDataSet.First();
  }
};

class TTrialBalanceTest : public TDatabaseTest {
 protected:
  void SetUp() override {
    TDatabaseTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    SchemaInstaller::Instalar(Conexao());
    Conexao().SetCodigoUsuario(1);
    TnDMConexao::SetAtual(&Conexao());
    PlanoEspecifico().LimparChave();
    // The stand-in replaces whatever process the registry holds for the run.
    Nutilform::nUnRegisterClass(kClasseGerarSaldoCtb);
    Nutilform::nRegisterClass<TFakeGerarSaldoCtb>(kClasseGerarSaldoCtb);
    TFakeGerarSaldoCtb::Execucoes().clear();
    CriarEmpresa(1, "EMPRESA UM");
  }
  void TearDown() override {
    Nutilform::Registro().DestruirTodosDM();
    Nutilform::nUnRegisterClass(kClasseGerarSaldoCtb);
    PlanoEspecifico().LimparChave();
    TnDMConexao::SetAtual(nullptr);
    TDatabaseTest::TearDown();
  }

  void Exec(const std::string& sql) { Conexao().ExecuteDirect(sql); }

  static TDateTime Dia(int ano, int mes, int dia) { return EncodeDate(ano, mes, dia); }

  // Chart: 1 ATIVO > 1.1 > 1.1.01 CAIXA, 1.1.02 BANCO, 1.1.03 CLIENTES >
  // 1.1.03.001; 2 > 2.01 FORNECEDORES; 3 > 3.01 VENDAS; 4 > 4.01 (never
  // moves); 5 > 5.01, 5.02 (opposite opening balances: group 5 nets to 0).
  // Customers are 1.1.03, suppliers 2.01.
  void CriarEmpresa(int empresa, const std::string& nome) {
    const std::string e = std::to_string(empresa);
    Exec("insert into EMPRESA (CODIGOEMPRESA, NOMEEMPRESA) values (" + e + ", '" + nome + "')");
    Exec("insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB, INSCRFEDERAL) values (" + e +
         ", 0, '" + nome + "', '00.000.00" + e + "/0001-00')");
    Exec("insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB) values (" + e +
         ", 1, 'MATRIZ')");
    Exec("insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB) values (" + e +
         ", 2, 'FILIAL SUL')");
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
          "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, TIPOCONTA, "
          "DESCRCONTA) values (" +
          e + ", " + std::to_string(c.Conta) + ", '" + c.Classif + "', " + std::to_string(c.Tipo) +
          ", '" + c.Descr + "')");
    for (const auto& [grupo, natureza] : {std::pair{"1", 1}, std::pair{"2", -1}, std::pair{"3", -1},
                                          std::pair{"4", 1}, std::pair{"5", 1}})
      Exec("insert into NATUREZAGRUPO (CODIGOEMPRESA, CLASSIFGRUPO, NATUREZA) values (" + e +
           ", '" + grupo + "', " + std::to_string(natureza) + ")");
    Exec("insert into CFGPLANOESPEC (CODIGOEMPRESA, CLASSIFCLIENTE, CLASSIFFORNEC) values (" + e +
         ", '1.1.03', '2.01')");
  }

  void Lcto(int empresa, int estab, TDateTime data, int64_t deb, int64_t cred,
            const std::string& valor) {
    Exec(
        "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
        "TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB) values (" +
        std::to_string(empresa) + ", " + std::to_string(++FChave) + ", " + std::to_string(estab) +
        ", '" + DateToIso(data) + "', 'LN', " + std::to_string(deb) + ", " + std::to_string(cred) +
        ", " + valor + ")");
  }

  // Entries of company 1 (amounts by hand in the tests):
  //   10/12/2023 e1 D11 C31 1000    10/01/2024 e1 D11 C31 50
  //   01/12/2023 e1 D51 C52 100     20/01/2024 e1 D12 C11 300
  //   05/02/2024 e2 D13 C31 200     20/02/2024 e1 D11 C21 400
  //   05/03/2024 e2 D11 C13 150     20/03/2024 e1 D12 C11 70
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
