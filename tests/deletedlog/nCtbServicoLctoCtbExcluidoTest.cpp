// The deleted-entry log service on each engine: which copies a log makes
// for a company with and without splits in use, the collective log and its
// filter, a restore under another key, and ids numbered per company.
#include "deletedlog/nCtbServicoLctoCtbExcluido_U.h"

#include <gtest/gtest.h>

#include <string>

#include "schema/SchemaInstaller.h"
#include "tests/support/TestDatabases.h"

namespace {

using nCtbServicoLctoCtbExcluidoRepositorio_U::CriarFiltroIn;

class TnServicoLctoCtbExcluidoTest : public TSchemaTest {
 protected:
  void SetUp() override {
    TSchemaTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    // Company 1 keeps cost centres, company 2 uses none.
    Exec("insert into CFGEMPRESACTB (CODIGOEMPRESA, UTILCENTROCUSTO) values (1, '1'), (2, '0')");
    for (const std::string e : {"1", "2"}) {
      Exec(
          "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
          "TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, COMPLHIST, VALORLCTOCTB) values (" +
          e + ", 10, 1, '2024-03-10', 'LN', 101, 102, 'ALUGUEL MARCO', 100), (" + e +
          ", 11, 1, '2024-03-10', 'LN', 101, 102, 'energia', 40), (" + e +
          ", 12, 1, '2024-03-10', 'LN', 101, 102, 'Aluguel abril', 70)");
      // Splits of entry 10 only.
      Exec(
          "insert into LCTOGER (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOCENTROCUSTO, NATURLCTOCTB, "
          "CONTACTB, DATALCTOCTB, VALORLCTOGER) values (" +
          e + ", 10, 5, 1, 101, '2024-03-10', 60), (" + e + ", 10, 6, 1, 101, '2024-03-10', 40)");
      Exec(
          "insert into LCTOATIVDIFERENC (CODIGOEMPRESA, CHAVELCTOCTB, CONTACTB, CODIGOATIVDIF, "
          "NATURLCTOCTB, DATALCTOCTB, VALORLCTOATIV, ORIGEMDADO) values (" +
          e + ", 10, 101, 3, 1, '2024-03-10', 100, 1)");
    }
  }

  // "keys of the log | id of each | manager copies | activity copies"
  std::string Log(int empresa) {
    const std::string onde = " where CODIGOEMPRESA = " + std::to_string(empresa);
    std::string chaves, ids;
    for (const ValueArray& linha :
         Conexao()
             .ExecuteQuery("select CHAVELCTOCTB, IDLCTOCTBEXCL from LCTOCTBEXCLUIDO" + onde +
                           " order by IDLCTOCTBEXCL")
             .Rows) {
      chaves += std::to_string(linha[0].AsInteger()) + " ";
      ids += std::to_string(linha[1].AsInteger()) + " ";
    }
    return chaves + "| " + ids + "| " +
           std::to_string(Contar("select count(*) from LCTOGEREXCLUIDO" + onde)) + " | " +
           std::to_string(Contar("select count(*) from LCTOATIVDIFERENCEXCL" + onde));
  }
};

// Without splits in use the copy is one statement and the split tables stay
// empty even when the entry has splits; with either in use every entry gets
// an id and both split copies. Each company numbers its log from 1.
TEST_P(TnServicoLctoCtbExcluidoTest, IndividualLogCopiesSplitsOnlyWhenTheCompanyUsesThem) {
  struct TCaso {
    int Empresa;
    std::string Esperado;
  };
  for (const TCaso& caso : {TCaso{1, "10 11 | 1 2 | 2 | 1"}, TCaso{2, "10 11 | 1 2 | 0 | 0"}}) {
    TnServicoLctoCtbExcluido servico(Conexao());
    servico.SetCodigoEmpresa(caso.Empresa);
    servico.InserirLctoCtbExclIndividual(10);
    servico.InserirLctoCtbExclIndividual(11);
    EXPECT_EQ(Log(caso.Empresa), caso.Esperado) << caso.Empresa;
  }
  EXPECT_EQ(Contar("select count(*) from LCTOCTBEXCLUIDO where USUARIOEXCLUSAO = 1 and "
                   "DATAEXCLUSAO is not null and COMPLHIST = 'ALUGUEL MARCO'"),
            2);
}

TEST_P(TnServicoLctoCtbExcluidoTest, CollectiveLogFollowsTheFilter) {
  struct TCaso {
    int Empresa;
    std::string Complemento;
    double ChaveInicial;
    std::string Esperado;
    TDateTime Dia;  // the period's first and last day; zero: none
  };
  // Activity control comes with the IFRS option.
  Exec(
      "insert into OPCAOIFRS (CODIGOEMPRESA, DATAOPCAO, CTRLAATIVIDADE) values "
      "(1, '2024-01-01', 1)");
  const TCaso casos[] = {
      // Lower case matches upper case anywhere in the complement.
      {2, "aluguel", 0, "10 12 | 1 2 | 0 | 0", TDateTime()},
      {2, "", 11, "11 12 | 1 2 | 0 | 0", TDateTime()},
      // A one-day period takes the entries of that day.
      {2, "", 0, "10 11 12 | 1 2 3 | 0 | 0", EncodeDate(2024, 3, 10)},
      // With splits in use, only the entry that has them gets their copies.
      {1, "", 0, "10 11 12 | 1 2 3 | 2 | 1", TDateTime()},
  };
  for (const TCaso& caso : casos) {
    for (const char* tabela : {"LCTOCTBEXCLUIDO", "LCTOGEREXCLUIDO", "LCTOATIVDIFERENCEXCL"})
      Exec(std::string("delete from ") + tabela);
    Exec("delete from SEQUENCIAEMPRESA where NOME = 'GEN_IDLCTOCTBEXCL'");
    TnServicoLctoCtbExcluido servico(Conexao());
    servico.SetCodigoEmpresa(caso.Empresa);
    TParansLctoCtbExcl filtro;
    filtro.ComplementoHist = caso.Complemento;
    filtro.ChaveInicial = caso.ChaveInicial;
    filtro.DataInicial = filtro.DataFinal = caso.Dia;
    servico.InserirLctoCtbExclColetivo(filtro);
    EXPECT_EQ(Log(caso.Empresa), caso.Esperado) << caso.Complemento << caso.ChaveInicial;
  }
}

// The restored rows carry the key given; the log's entry row goes, the
// other logged entries and its split copies stay; the balances follow the
// restored entry.
TEST_P(TnServicoLctoCtbExcluidoTest, RestoreUnderAnotherKeyBringsBackTheEntryAndItsSplits) {
  TnServicoLctoCtbExcluido servico(Conexao());
  servico.SetCodigoEmpresa(1);
  servico.InserirLctoCtbExclIndividual(10);
  servico.InserirLctoCtbExclIndividual(11);
  for (const char* tabela : {"LCTOGER", "LCTOATIVDIFERENC", "LCTOCTB"})
    Exec(std::string("delete from ") + tabela + " where CODIGOEMPRESA = 1 and CHAVELCTOCTB = 10");
  servico.RestaurarLctoCtbExclIndividual(1, 77, true, true);
  EXPECT_EQ(Contar("select count(*) from LCTOCTB where CODIGOEMPRESA = 1 and CHAVELCTOCTB = 77 "
                   "and VALORLCTOCTB = 100 and COMPLHIST = 'ALUGUEL MARCO'"),
            1);
  EXPECT_EQ(Contar("select count(*) from LCTOGER where CODIGOEMPRESA = 1 and CHAVELCTOCTB = 77"),
            2);
  EXPECT_EQ(
      Contar("select count(*) from LCTOATIVDIFERENC where CODIGOEMPRESA = 1 and CHAVELCTOCTB = 77"),
      1);
  EXPECT_EQ(Log(1), "11 | 2 | 2 | 1");
  EXPECT_TRUE(SchemaInstaller::VerificarSaldos(Conexao()).Rows.empty());
  // The same id of another company is another entry.
  servico.SetCodigoEmpresa(2);
  servico.InserirLctoCtbExclIndividual(12);
  servico.ExcluirLctoCtbExclIndividual(1);
  EXPECT_EQ(Log(2), "| | 0 | 0");
}

TEST_P(TnServicoLctoCtbExcluidoTest, SameCompanyAgainDoesNotReadTheOptionsAgain) {
  TnServicoLctoCtbExcluido servico(Conexao());
  servico.SetCodigoEmpresa(1);
  EXPECT_TRUE(servico.GetUtilizaCentroCusto());
  Exec("update CFGEMPRESACTB set UTILCENTROCUSTO = '0' where CODIGOEMPRESA = 1");
  servico.SetCodigoEmpresa(1);
  EXPECT_TRUE(servico.GetUtilizaCentroCusto());
  servico.SetCodigoEmpresa(2);
  servico.SetCodigoEmpresa(1);
  EXPECT_FALSE(servico.GetUtilizaCentroCusto());
}

TEST(CriarFiltroIn, LongListsBecomeGroupsJoinedByOr) {
  EXPECT_EQ(CriarFiltroIn("CODIGOESTAB", "1;2;3;4;5", 2),
            "((CODIGOESTAB in (1, 2)) or (CODIGOESTAB in (3, 4)) or (CODIGOESTAB = 5))");
  EXPECT_EQ(CriarFiltroIn("CODIGOESTAB", "", 2), "");
}

CTB_INSTANTIATE_ENGINES(TnServicoLctoCtbExcluidoTest);

}  // namespace
