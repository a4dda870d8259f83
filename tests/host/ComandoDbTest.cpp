#include "host/ComandoDb.h"

#include <gtest/gtest.h>

#include <sstream>

#include "framework/core/Exceptions.h"
#include "framework/db/TnDMConexao.h"
#include "host/ComandoLoad.h"
#include "schema/SchemaInstaller.h"
#include "tests/support/TestDatabases.h"

namespace {

class TComandoDbTest : public TDatabaseTest {
 protected:
  // Every balance table as one text, to compare whole pictures.
  std::string Saldos() {
    std::string text;
    for (const char* sql :
         {"select CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, VALORDEB, "
          "VALORCRED from SALDOCTB order by 1, 2, 3, 4, 5",
          "select CODIGOEMPRESA, CONTACTB, DATASALDO, VALORDEB, VALORCRED from SALDOCTBMENSAL "
          "order by 1, 2, 3",
          "select CODIGOEMPRESA, CONTACTB, DATASALDO, CODIGOHISTCTB, VALORDEB, VALORCRED from "
          "SALDOCTBMENSALHIST order by 1, 2, 3, 4",
          "select CODIGOEMPRESA, CONTACTB, DATASALDO, CODIGOMOEDA, VALORDEB, VALORCRED from "
          "SALDOCTBMOEDA order by 1, 2, 3, 4",
          "select CODIGOEMPRESA, CONTACTB, DATASALDO, CODIGOMOEDA, VALORDEB, VALORCRED from "
          "SALDOCTBMOEDAMENSAL order by 1, 2, 3, 4"}) {
      for (const ValueArray& row : Conexao().ExecuteQuery(sql).Rows) {
        for (const Value& value : row)
          text += value.AsString() + "|";
        text += "\n";
      }
      text += "--\n";
    }
    return text;
  }
};

TEST_P(TComandoDbTest, RebuildRestoresBalanceTablesEmptiedByHand) {
  EXPECT_THROW(ComandoDb::RecalcularSaldos(Conexao(), std::nullopt), Exception);
  EXPECT_EQ(ComandoDb::Inicializar(Conexao()), "Esquema criado (versão 3)");
  std::istringstream opcao("CODIGOEMPRESA,CODIGOESTAB,DATAINICIAL,CODIGOMOEDA\n1,1,2025-01-01,2\n");
  ComandoLoad::Carregar(Conexao(), "OPCAOMOEDAFUNCIONAL", opcao);
  std::istringstream lancamentos(
      "CODIGOEMPRESA,CHAVELCTOCTB,CODIGOESTAB,DATALCTOCTB,TIPOLANCAMENTO,CONTACTBDEB,"
      "CONTACTBCRED,CODIGOHISTCTB,VALORLCTOCTB,VALORLCTOMOEDA\n"
      "1,1,1,2025-01-05,LN,1101,2101,3,100.10,20.02\n"
      "1,2,1,2025-01-20,LN,1101,,,50.00,\n"
      "1,3,2,2025-02-03,LS,,2101,4,7.25,1.45\n"
      "2,1,1,2025-03-01,LN,1101,3101,,900,\n");
  ComandoLoad::Carregar(Conexao(), "LCTOCTB", lancamentos);
  const std::string esperado = Saldos();
  ASSERT_NE(esperado.find("20.02"), std::string::npos) << esperado;

  for (const char* tabela :
       {"SALDOCTB", "SALDOCTBMENSAL", "SALDOCTBMENSALHIST", "SALDOCTBMOEDA", "SALDOCTBMOEDAMENSAL"})
    Conexao().ExecuteDirect(std::string("delete from ") + tabela);
  ASSERT_FALSE(SchemaInstaller::VerificarSaldos(Conexao()).Rows.empty());

  EXPECT_EQ(ComandoDb::RecalcularSaldos(Conexao(), 2),
            "Saldos recalculados da empresa 2: 2 saldos diários, 2 mensais");
  EXPECT_EQ(ComandoDb::RecalcularSaldos(Conexao(), std::nullopt),
            "Saldos recalculados de todas as empresas: 6 saldos diários, 5 mensais");
  EXPECT_EQ(Saldos(), esperado);
  EXPECT_TRUE(SchemaInstaller::VerificarSaldos(Conexao()).Rows.empty());
}

CTB_INSTANTIATE_ENGINES(TComandoDbTest);

}  // namespace
