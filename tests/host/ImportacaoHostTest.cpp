#include "host/import/ImportacaoHost.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/db/TnDMConexao.h"
#include "schema/SchemaInstaller.h"
#include "tests/host/TnTesteDMLcto.h"
#include "tests/support/TestDatabases.h"

namespace {

class TImportacaoHostTest : public TSchemaTest {
 protected:
  void SetUp() override {
    TSchemaTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    TnTesteDMLcto::Registrar();
    FOpcoes.Classe = TnTesteDMLcto::kNomeClasse;
    FOpcoes.CodigoEmpresa = 1;
  }

  ImportacaoHost::TResultadoImportacao Importar(const std::string& csv) {
    std::istringstream entrada(csv);
    return ImportacaoHost::Importar(Conexao(), entrada, FOpcoes);
  }

  // The stored complements in key order, "a|b|c".
  std::string Complementos() {
    std::string texto;
    for (const ValueArray& row :
         Conexao().ExecuteQuery("SELECT COMPLHIST FROM LCTOCTB ORDER BY CHAVELCTOCTB").Rows)
      texto += (texto.empty() ? "" : "|") + row[0].AsString();
    return texto;
  }

  ImportacaoHost::TOpcoesImportacao FOpcoes;
};

// A header naming no column, or one twice, stops before any row; then the
// good rows are stored and the bad ones reported.
TEST_P(TImportacaoHostTest, StoresTheGoodRowsAndReportsTheBadOnesWithLineFieldAndMessage) {
  EXPECT_THROW(Importar("DATALCTOCTB,CONTA\n2025-03-01,1\n"), Exception);
  EXPECT_THROW(Importar("DATALCTOCTB,datalctoctb\n2025-03-01,2025-03-01\n"), Exception);
  EXPECT_EQ(Complementos(), "");
  const std::string csv =
      "DATALCTOCTB,CONTACTBDEB,CONTACTBCRED,VALORLCTOCTB,COMPLHIST\n"
      "2025-03-10,1101,2101,100.50,um\n"                    // line 2
      "2025-03-10,1101,2101,0,valor zero\n"                 // line 3: refused
      "10/03/2025,1101,,40.25,\"dois,\nem duas linhas\"\n"  // lines 4-5
      "2025-02-30,1101,2101,10.00,data ruim\n"              // line 6: refused
      "2025-03-11,1101,2101,abc,valor ruim\n"               // line 7: refused
      "2025-03-11,,,10.00,sem contas\n"                     // line 8: refused
      "2025-03-11,1101,2101,5.00,tres,sobra\n"              // line 9: refused
      "2025-03-12,2101,1101,7.00,quatro\n"                  // line 10
      "2025-03-12,1101,2101,9.00,FALHA APOS\n";             // line 11: refused after its post
  ImportacaoHost::TResultadoImportacao resultado = Importar(csv);
  EXPECT_EQ(resultado.Gravadas, 3);
  EXPECT_EQ(Complementos(), "um|dois,\nem duas linhas|quatro");
  // Every stored row is whole: the company came from the option, the
  // module's defaults are there.
  EXPECT_EQ(Conexao()
                .ExecuteScalar("SELECT count(*) FROM LCTOCTB WHERE CODIGOEMPRESA = 1 AND "
                               "CODIGOESTAB = 1 AND TIPOLANCAMENTO = 'N'")
                .AsInteger(),
            3);

  ASSERT_EQ(resultado.Recusas.size(), 6u);
  const ImportacaoHost::TRecusa esperadas[] = {
      {3, "VALORLCTOCTB", "O valor do lançamento deve ser maior que zero", {}},
      {6, "DATALCTOCTB", "", {}},
      {7, "VALORLCTOCTB", "", {}},
      {8, "CONTACTBDEB", "Informe a conta de débito ou de crédito", {}},
      {9, "", "A linha tem 6 colunas; o cabeçalho, 5", {}},
      {11, "", "falha após o post", {}},
  };
  for (size_t i = 0; i < resultado.Recusas.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(resultado.Recusas[i].Linha, esperadas[i].Linha);
    EXPECT_EQ(resultado.Recusas[i].Campo, esperadas[i].Campo);
    if (!esperadas[i].Mensagem.empty())
      EXPECT_EQ(resultado.Recusas[i].Mensagem, esperadas[i].Mensagem);
    else
      EXPECT_FALSE(resultado.Recusas[i].Mensagem.empty());
  }

  // The debit-only row of the 10th leaves that day unbalanced.
  ASSERT_EQ(resultado.Mensagens.size(), 1u);
  EXPECT_EQ(resultado.Mensagens[0].Texto, "Diferença em: 2025-03-10 débito 140,75 crédito 100,50");
  const std::string relatorio = ImportacaoHost::Relatorio(resultado);
  EXPECT_EQ(relatorio.substr(0, relatorio.find('\n')),
            "linha 3: VALORLCTOCTB: O valor do lançamento deve ser maior que zero");
  EXPECT_NE(relatorio.find("\nlinha 9: A linha tem 6 colunas; o cabeçalho, 5\n"),
            std::string::npos);
  EXPECT_NE(relatorio.find("\nAviso: Diferença em: 2025-03-10"), std::string::npos);
  EXPECT_EQ(relatorio.substr(relatorio.rfind('\n') + 1), "3 linhas gravadas, 6 recusadas");
  EXPECT_EQ(SchemaInstaller::VerificarSaldos(Conexao()).Rows.size(), 0u);
}

TEST_P(TImportacaoHostTest, EachBatchCommitsSoAFaultMidBatchKeepsTheEarlierOnes) {
  FOpcoes.TamanhoLote = 3;
  int abertos = 0;
  FOpcoes.AoAbrir = [&](TnDMClientDataSet& modulo) {
    ++abertos;
    EXPECT_TRUE(modulo.Importacao());
    EXPECT_FALSE(modulo.TemTela());
    EXPECT_FALSE(modulo.AplicarAoGravar());
  };
  std::string csv = "DATALCTOCTB;CONTACTBDEB;CONTACTBCRED;VALORLCTOCTB;COMPLHIST\n";
  for (int i = 1; i <= 8; ++i)
    csv += "2025-03-0" + std::to_string(i) + ";1101;2101;1" + std::to_string(i) + ".00;" +
           (i == 8 ? "FALHA" : "r" + std::to_string(i)) + "\n";
  EXPECT_THROW(Importar(csv), std::runtime_error);
  EXPECT_EQ(abertos, 1);
  // Two batches of three committed; the seventh row waited for its batch.
  EXPECT_EQ(Complementos(), "r1|r2|r3|r4|r5|r6");
  EXPECT_FALSE(Conexao().InTransaction());
  EXPECT_GT(Contar("SELECT count(*) FROM SALDOCTB"), 0);
  EXPECT_EQ(SchemaInstaller::VerificarSaldos(Conexao()).Rows.size(), 0u);
}

// A batch counts when it commits rows: the last one, whose rows were all
// refused, commits nothing.
TEST_P(TImportacaoHostTest, CountsOnlyTheBatchesThatStoredRows) {
  FOpcoes.TamanhoLote = 2;
  const struct {
    std::vector<const char*> Valores;  // 0 is refused
    int Gravadas, Lotes;
  } casos[] = {
      {{"1", "2", "3", "4"}, 4, 2},
      {{"1", "2", "3"}, 3, 2},
      {{"1", "2", "0"}, 2, 1},
      {{"0", "0", "0"}, 0, 0},
  };
  for (const auto& caso : casos) {
    std::string csv = "DATALCTOCTB,CONTACTBDEB,VALORLCTOCTB\n";
    for (const char* valor : caso.Valores)
      csv += std::string("2025-03-01,1101,") + valor + "\n";
    SCOPED_TRACE(csv);
    const ImportacaoHost::TResultadoImportacao resultado = Importar(csv);
    EXPECT_EQ(resultado.Gravadas, caso.Gravadas);
    EXPECT_EQ(resultado.Lotes, caso.Lotes);
  }
}

TEST_P(TImportacaoHostTest, ABatchTheDatabaseRefusesIsRolledBackWhole) {
  FOpcoes.TamanhoLote = 2;
  // The second batch collides with a key already stored.
  Conexao().ExecuteDirect(
      "INSERT INTO LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
      "TIPOLANCAMENTO, CONTACTBDEB, VALORLCTOCTB, COMPLHIST) "
      "VALUES (1, 4, 1, '2025-03-01', 'N', 1101, 1, 'antes')");
  const std::string csv =
      "CHAVELCTOCTB,DATALCTOCTB,CONTACTBDEB,VALORLCTOCTB,COMPLHIST\n"
      "1,2025-03-02,1101,1.00,a\n2,2025-03-02,1101,1.00,b\n"
      "3,2025-03-02,1101,1.00,c\n4,2025-03-02,1101,1.00,d\n";
  const std::string erro = MensagemDoErro([&] { Importar(csv); });
  EXPECT_NE(erro.find("Lote das linhas 4 a 5"), std::string::npos) << erro;
  EXPECT_EQ(Complementos(), "a|b|antes");
  EXPECT_EQ(SchemaInstaller::VerificarSaldos(Conexao()).Rows.size(), 0u);
}

TEST_P(TImportacaoHostTest, ProgressRunsToTheEndOfASeekableInput) {
  int64_t ultimo = -1, maximo = 0;
  FOpcoes.Progresso = [&](const TnFraProgresso& progresso) {
    EXPECT_GE(progresso.Posicao(), ultimo);
    ultimo = progresso.Posicao();
    maximo = progresso.Maximo();
  };
  std::string csv = "DATALCTOCTB,CONTACTBDEB,VALORLCTOCTB\n";
  for (int i = 0; i < 200; ++i)
    csv += "2025-03-01,1101,1.00\n";
  EXPECT_EQ(Importar(csv).Gravadas, 200);
  EXPECT_EQ(maximo, static_cast<int64_t>(csv.size()));
  EXPECT_EQ(ultimo, maximo);
}

CTB_INSTANTIATE_ENGINES(TImportacaoHostTest);

}  // namespace
