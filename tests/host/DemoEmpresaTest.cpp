#include "host/demo/DemoEmpresa.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/db/TnDMConexao.h"
#include "tests/support/TestDatabases.h"

namespace {

using DemoEmpresa::TContaDemo;

std::string Pai(const std::string& classif) {
  const size_t ponto = classif.rfind('.');
  return ponto == std::string::npos ? std::string() : classif.substr(0, ponto);
}

// Codes, classifications and aliases unique; calculated accounts analytic
// and apart from the others; every account with a nature.
TEST(DemoEmpresaPlano, HasAboutOneHundredFiftyAccountsInFourLevelsWithTheirParents) {
  const auto& plano = DemoEmpresa::PlanoContas();
  EXPECT_GE(plano.size(), 140u);
  EXPECT_LE(plano.size(), 170u);
  std::map<std::string, const TContaDemo*> porClassif;
  std::set<int64_t> codigos;
  std::set<std::string> apelidos;
  std::map<size_t, int> porNivel;
  int calculadas = 0;
  for (const TContaDemo& conta : plano) {
    EXPECT_TRUE(porClassif.emplace(conta.ClassifConta, &conta).second) << conta.ClassifConta;
    EXPECT_TRUE(codigos.insert(conta.ContaCtb).second) << conta.ClassifConta;
    EXPECT_TRUE(conta.ApelidoConta.empty() || apelidos.insert(conta.ApelidoConta).second)
        << conta.ApelidoConta;
    EXPECT_NE(DemoEmpresa::Natureza(conta.ClassifConta), 0) << conta.ClassifConta;
    if (conta.Calculada) {
      ++calculadas;
      EXPECT_EQ(conta.TipoConta, 2) << conta.ClassifConta;
      EXPECT_TRUE(conta.ClassifConta.starts_with("5.")) << conta.ClassifConta;
    }
    const size_t nivel = std::count(conta.ClassifConta.begin(), conta.ClassifConta.end(), '.') + 1;
    ++porNivel[nivel];
    // Level widths 1, 1, 2, 3 digits: "1", "1.1", "1.1.01", "1.1.01.001".
    static const size_t kTamanho[] = {0, 1, 3, 6, 10};
    ASSERT_LE(nivel, 4u) << conta.ClassifConta;
    EXPECT_EQ(conta.ClassifConta.size(), kTamanho[nivel]) << conta.ClassifConta;
    EXPECT_EQ(conta.TipoConta, nivel == 4 ? 2 : 1) << conta.ClassifConta;
    EXPECT_FALSE(conta.DescrConta.empty());
  }
  EXPECT_EQ(porNivel.size(), 4u);
  for (const TContaDemo& conta : plano) {
    const std::string pai = Pai(conta.ClassifConta);
    if (pai.empty())
      continue;
    auto it = porClassif.find(pai);
    ASSERT_NE(it, porClassif.end()) << "sem pai: " << conta.ClassifConta;
    EXPECT_EQ(it->second->TipoConta, 1) << pai;
  }
  EXPECT_GE(calculadas, 2);
  for (const char* apelido : {"CAIXA", "BANCO", "VENDAS", "CMV", "CAPITAL", "SALARIOS"})
    EXPECT_TRUE(apelidos.count(apelido)) << apelido;
  EXPECT_EQ(DemoEmpresa::Analiticas("1.1.02").size(), 8u);
  EXPECT_TRUE(DemoEmpresa::Analiticas("1.1").empty());  // only direct children
  // The reduced code is the classification's digits.
  EXPECT_EQ(DemoEmpresa::Conta("1.1.01.001").ContaCtb, 1101001);
  EXPECT_EQ(DemoEmpresa::Conta("2.1").ContaCtb, 21);
  EXPECT_THROW(DemoEmpresa::Conta("9.9"), Exception);
}

TEST(DemoEmpresaPlano, ReducingAccountsTakeTheNatureOfTheirGroup) {
  const std::pair<int, std::vector<const char*>> casos[] = {
      {1, {"1.1.01.001", "1.2.04.002", "1.2.04", "4.2.05.001"}},
      {-1, {"2.1.01.001", "2.3.01.002", "3.1.01.001", "3.1.02.001", "5.1.01.002"}},
      {0, {"12", ""}},
  };
  for (const auto& [natureza, classifs] : casos)
    for (const char* classif : classifs)
      EXPECT_EQ(DemoEmpresa::Natureza(classif), natureza) << classif;
}

class TDemoEmpresaTest : public TSchemaTest {
 protected:
};

TEST_P(TDemoEmpresaTest, CreatesTwoCompaniesAndRecreatesOneWithoutDuplicates) {
  DemoEmpresa::Criar(Conexao(), 1);
  DemoEmpresa::Criar(Conexao(), 2);
  DemoEmpresa::Criar(Conexao(), 1);
  EXPECT_FALSE(Conexao().InTransaction());

  const auto tamanho = static_cast<int64_t>(DemoEmpresa::PlanoContas().size());
  for (int empresa : {1, 2}) {
    SCOPED_TRACE(empresa);
    const std::string onde = " where CODIGOEMPRESA = " + std::to_string(empresa);
    EXPECT_EQ(Contar("select count(*) from PLANOESPEC" + onde), tamanho);
    EXPECT_EQ(Contar("select count(*) from ESTAB" + onde), 3);
    EXPECT_EQ(Contar("select count(*) from EMPRESA" + onde), 1);
    EXPECT_EQ(Contar("select count(*) from CFGEMPRESACTB" + onde +
                     " and UTILLOTE = '1' and "
                     "UTILCENTROCUSTO = '1' and UTILORIGEMLCTOCTB = '1'"),
              1);
    EXPECT_EQ(Contar("select count(*) from EMPRESAUSUARIO" + onde), 2);
    EXPECT_EQ(Contar("select count(*) from LOTECTB" + onde), 13);
    // Each account under cost centres is apportioned in full.
    EXPECT_EQ(Contar("select count(*) from (select CONTACTB from RATCENTROCUSTO" + onde +
                     " group by CONTACTB having abs(sum(PERCRATEIO) - 100) > 0.000001) t"),
              0);
    EXPECT_GT(Contar("select count(*) from RATCENTROCUSTO" + onde), 0);
    // Every analytic account has a nature group that is a prefix of it.
    EXPECT_EQ(Contar("select count(*) from PLANOESPEC P" + onde +
                     " and TIPOCONTA = 2 and not exists (select 1 from NATUREZAGRUPO N where "
                     "N.CODIGOEMPRESA = P.CODIGOEMPRESA and (P.CLASSIFCONTA = N.CLASSIFGRUPO or "
                     "P.CLASSIFCONTA like N.CLASSIFGRUPO || '.%'))"),
              0);
    // Formulas name accounts of the chart, and only calculated ones take them.
    EXPECT_EQ(Contar("select count(*) from CALCPLANOESPEC C" + onde +
                     " and (not exists (select 1 from PLANOESPEC P where P.CODIGOEMPRESA = "
                     "C.CODIGOEMPRESA and P.CONTACTB = C.CONTACTB and P.TIPOCONTACALC = 2) "
                     "or not exists (select 1 from PLANOESPEC P where P.CODIGOEMPRESA = "
                     "C.CODIGOEMPRESA and P.CONTACTB = C.CONTACTBCALC))"),
              0);
    EXPECT_EQ(Contar("select count(*) from CFGPLANOESPEC" + onde +
                     " and CLASSIFCLIENTE = '1.1.02' and CLASSIFFORNEC = '2.1.01'"),
              1);
    EXPECT_EQ(Contar("select count(*) from CFGPLANOESPECPESSOA C" + onde +
                     " and exists (select 1 from PLANOESPEC P where P.CODIGOEMPRESA = "
                     "C.CODIGOEMPRESA and P.CLASSIFCONTA = C.CLASSIFCONTA and P.TIPOCONTA = 2)"),
              16);
  }
  // Shared registers are written once.
  EXPECT_EQ(Contar("select count(*) from USUARIO"), 2);
  EXPECT_EQ(Contar("select count(*) from ORIGEMLCTOCTB where CODIGOORIGLCTOCTB in ('CB','IP')"), 2);
  EXPECT_EQ(Contar("select count(*) from OPCAOSISTEMA"), 1);
  const auto direitos = static_cast<int64_t>(DemoEmpresa::Direitos().size());
  EXPECT_EQ(Contar("select count(*) from DIREITOUSUARIO where CODIGOUSUARIO = 1 and NIVEL = '8'"),
            direitos);
  EXPECT_EQ(Contar("select count(*) from DIREITOUSUARIO where CODIGOUSUARIO = 2 and "
                   "NOMEDIREITO = 'DireitoLctoCtb' and NIVEL <> '8'"),
            1);
  EXPECT_GT(Contar("select count(*) from HISTORICOCTB where DESCRHISTCTB like '%[DIC%'"), 3);
  EXPECT_EQ(Contar("select count(*) from PLANOESPEC where APELIDOCONTA = 'CAIXA'"), 2);
}

TEST_P(TDemoEmpresaTest, AFailureLeavesNothingBehind) {
  // The currency register is written after the histories and origins: its
  // failure must take them back too.
  Conexao().ExecuteDirect("drop table MOEDA");
  EXPECT_THROW(DemoEmpresa::Criar(Conexao(), 7), Exception);
  EXPECT_FALSE(Conexao().InTransaction());
  EXPECT_EQ(Contar("select count(*) from EMPRESA"), 0);
  EXPECT_EQ(Contar("select count(*) from PLANOESPEC"), 0);
  EXPECT_EQ(Contar("select count(*) from HISTORICOCTB"), 0);
}

CTB_INSTANTIATE_ENGINES(TDemoEmpresaTest);

}  // namespace
