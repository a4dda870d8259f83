#include <gtest/gtest.h>

#include <string>

#include "framework/core/Exceptions.h"
#include "framework/ctb/TnUtilCtb.h"
#include "framework/db/TnDMConexao.h"
#include "host/reports/ComandoBalancete.h"
#include "schema/SchemaInstaller.h"
#include "tests/support/TestDatabases.h"
#include "trialbalance/nCtbDPConsultaBalanceteMovimento_U.h"

class ComandoBalanceteTest : public TSchemaTest {
 protected:
  void SetUp() override {
    TSchemaTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    for (const char* sql : {
             "insert into EMPRESA (CODIGOEMPRESA, NOMEEMPRESA) values (1, 'EMPRESA UM')",
             "insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB, INSCRFEDERAL) values "
             "(1, 0, 'EMPRESA UM', '00.000.001/0001-00'), (1, 1, 'MATRIZ', null)",
             "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, TIPOCONTA, "
             "DESCRCONTA) values (1, 1, '1', 1, 'ATIVO'), (1, 11, '1.01', 2, 'CAIXA'), "
             "(1, 3, '3', 1, 'RECEITAS'), (1, 31, '3.01', 2, 'VENDAS')",
             "insert into NATUREZAGRUPO (CODIGOEMPRESA, CLASSIFGRUPO, NATUREZA) values "
             "(1, '1', 1), (1, '3', -1)",
             // CAIXA: 500 in January, 800 out in February.
             "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
             "TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB) values "
             "(1, 1, 1, '2024-01-10', 'LN', 11, 31, 500), "
             "(1, 2, 1, '2024-02-10', 'LN', 31, 11, 800)",
         })
      Conexao().ExecuteDirect(sql);
    FOpcoes.Empresas = "1";
    FOpcoes.DataInicial = "2024-01-01";
    FOpcoes.DataFinal = "2024-02-29";
    FOpcoes.Mensal = true;
  }

  ComandoBalancete::TOpcoes FOpcoes;
};

TEST_P(ComandoBalanceteTest, TablePrintsTheBandsAboveTheVisibleColumns) {
  const std::string texto =
      ComandoBalancete::Executar(Conexao(), FOpcoes, ComandoBalancete::TFormato::Tabela, "");
  // CAIXA ends at -300: negatives in parentheses; synthetic rows marked.
  for (const char* parte : {"  1 - EMPRESA UM", "CNPJ: 00.000.001/0001-00",
                            "Período: 01/01/2024 a 29/02/2024", "(300,00)", "\n*", "ATIVO"})
    EXPECT_NE(texto.find(parte), std::string::npos) << parte << "\n" << texto;
  for (const char* oculta : {"Filtros", "RelacionarFilial"})
    EXPECT_EQ(texto.find(oculta), std::string::npos) << oculta;
  // The month captions stand on one line, above the columns.
  const size_t meses = texto.find("01/2024");
  ASSERT_NE(meses, std::string::npos);
  EXPECT_LT(meses, texto.find("Saldo Anterior"));
}

TEST_P(ComandoBalanceteTest, CsvAndJsonCarryEveryRowAndARefusalNamesTheOption) {
  const std::string csv =
      ComandoBalancete::Executar(Conexao(), FOpcoes, ComandoBalancete::TFormato::Csv, "");
  EXPECT_EQ(csv.rfind("Ordem,Filtros,CodigoEstab", 0), 0u) << csv;
  EXPECT_NE(csv.find("MOVIMENTO022024"), std::string::npos);
  const std::string json =
      ComandoBalancete::Executar(Conexao(), FOpcoes, ComandoBalancete::TFormato::Json, "");
  EXPECT_NE(json.find("\"company\": 1"), std::string::npos);
  EXPECT_NE(json.find("\"MOVIMENTO012024\": 500"), std::string::npos) << json;

  FOpcoes.DataFinal = "31/02/2024";
  const std::string erro = MensagemDoErro(
      [&] { ComandoBalancete::Executar(Conexao(), FOpcoes, ComandoBalancete::TFormato::Csv, ""); });
  EXPECT_NE(erro.find("--to"), std::string::npos) << erro;
}

CTB_INSTANTIATE_ENGINES(ComandoBalanceteTest);
