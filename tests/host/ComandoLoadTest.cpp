#include "host/commands/ComandoLoad.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/db/TnDMConexao.h"
#include "tests/support/TestDatabases.h"

namespace {

class TComandoLoadTest : public TSchemaTest {
 protected:
  ComandoLoad::TResultadoLoad Carregar(const std::string& tabela, const std::string& csv) {
    std::istringstream input(csv);
    return ComandoLoad::Carregar(Conexao(), tabela, input);
  }

  // The table's rows in key order, one "a|b|c" line each.
  std::string Linhas(const std::string& sql) {
    std::string text;
    for (const ValueArray& row : Conexao().ExecuteQuery(sql).Rows) {
      for (size_t i = 0; i < row.size(); ++i)
        text += (i ? "|" : "") + (row[i].IsNull() ? std::string("null") : row[i].AsString());
      text += "\n";
    }
    return text;
  }
};

TEST_P(TComandoLoadTest, LoadsColumnsInAnyOrderAndCaseTypedByTheTable) {
  auto resultado = Carregar("historicoctb",
                            "descrHistCtb,CODIGOHISTCTB,codigogrupohistctb\n"
                            "\"Pagamento, parcial\",1,\n"
                            "Recebimento,2,7\n");
  EXPECT_EQ(resultado.Tabela, "HISTORICOCTB");
  EXPECT_EQ(resultado.Linhas, 2);
  EXPECT_EQ(ComandoLoad::Descricao(resultado), "2 linhas carregadas em HISTORICOCTB");
  EXPECT_EQ(Linhas("select CODIGOHISTCTB, DESCRHISTCTB, CODIGOGRUPOHISTCTB, STATUS from "
                   "HISTORICOCTB order by 1"),
            "1|Pagamento, parcial|null|0\n2|Recebimento|7|0\n");

  Carregar("COTACAO",
           "CODIGOMOEDA;DATACOTACAO;TIPOCOTACAO;VALORCOTACAO\n"
           "2;2025-01-31;1;5.12345678\n"
           "2;2025-02-28;1;-0.5\n");
  EXPECT_EQ(Linhas("select DATACOTACAO, VALORCOTACAO from COTACAO order by 1"),
            "31/01/2025|5.12345678\n28/02/2025|-0.5\n");
  Carregar("OPCAOMOEDAFUNCIONAL",
           "CODIGOEMPRESA,CODIGOESTAB,DATAINICIAL,DATAFINAL,CODIGOMOEDA\n1,1,2024-01-01,,2\n");
  EXPECT_EQ(Linhas("select DATAINICIAL, DATAFINAL from OPCAOMOEDAFUNCIONAL"), "01/01/2024|null\n");
}

struct TLinhaRuim {
  const char* Caso;
  const char* Tabela;
  const char* Csv;
  const char* Mensagem;  // a part of the message
  const char* Campo;     // the column at fault; "" when none is
};

// Every bad file loads nothing, not even the good rows before the bad one.
// (The typed-value rule itself is ValorDigitadoTest's; these prove each kind
// reaches it with the line and the column.)
TEST_P(TComandoLoadTest, BadRowStopsTheLoadNamingLineAndColumn) {
  // Long enough for PostgreSQL to take the rows as COPY, which fails whole.
  std::string chaveRepetidaNoFim = "CODIGOHISTCTB,DESCRHISTCTB\n";
  for (int chave = 1; chave <= 99; ++chave)
    chaveRepetidaNoFim += fmt::format("{},h\n", chave);
  chaveRepetidaNoFim += "1,b\n";
  const std::vector<TLinhaRuim> casos = {
      {"data inexistente", "COTACAO",
       "CODIGOMOEDA,DATACOTACAO,TIPOCOTACAO,VALORCOTACAO\n1,2025-01-02,1,1\n1,2025-02-30,1,1\n",
       "Linha 3, coluna DATACOTACAO: data inválida: '2025-02-30'", "DATACOTACAO"},
      {"data brasileira", "COTACAO",
       "CODIGOMOEDA,DATACOTACAO,TIPOCOTACAO,VALORCOTACAO\n1,02/01/2025,1,1\n",
       "Linha 2, coluna DATACOTACAO: data inválida", "DATACOTACAO"},
      {"texto em coluna inteira", "HISTORICOCTB", "CODIGOHISTCTB,DESCRHISTCTB\n1,a\nabc,b\n",
       "Linha 3, coluna CODIGOHISTCTB: número inteiro inválido: 'abc'", "CODIGOHISTCTB"},
      {"inteiro maior que a coluna", "HISTORICOCTB", "CODIGOHISTCTB\n40000\n",
       "Linha 2, coluna CODIGOHISTCTB: número inteiro fora do limite", "CODIGOHISTCTB"},
      {"vírgula decimal", "COTACAO",
       "CODIGOMOEDA;DATACOTACAO;TIPOCOTACAO;VALORCOTACAO\n1;2025-01-02;1;1,5\n",
       "Linha 2, coluna VALORCOTACAO: número inválido: '1,5'", "VALORCOTACAO"},
      {"casas demais", "LCTOCTB",
       "CODIGOEMPRESA,CHAVELCTOCTB,CODIGOESTAB,DATALCTOCTB,TIPOLANCAMENTO,VALORLCTOCTB\n"
       "1,1,1,2025-01-02,LN,10.005\n",
       "Linha 2, coluna VALORLCTOCTB: '10.005' tem mais de 2 casas decimais", "VALORLCTOCTB"},
      {"texto longo demais", "MOEDA", "CODIGOMOEDA,CIFRAOUSIMBOLO\n1,US$ dólares!\n",
       "Linha 2, coluna CIFRAOUSIMBOLO: texto com mais de 10 caracteres", "CIFRAOUSIMBOLO"},
      {"coluna desconhecida", "HISTORICOCTB", "CODIGOHISTCTB,Descricao\n1,a\n",
       "A coluna Descricao não existe na tabela HISTORICOCTB", "Descricao"},
      {"coluna repetida", "HISTORICOCTB", "CODIGOHISTCTB,codigohistctb\n1,1\n",
       "aparece duas vezes", "codigohistctb"},
      {"células a menos", "HISTORICOCTB", "CODIGOHISTCTB,DESCRHISTCTB\n1,a\n2\n",
       "Linha 3: 1 células, o cabeçalho tem 2 colunas", ""},
      {"chave repetida", "HISTORICOCTB", "CODIGOHISTCTB,DESCRHISTCTB\n1,a\n\n1,b\n",
       "Linha 4: Registro duplicado", ""},
      {"chave repetida num arquivo longo", "HISTORICOCTB", chaveRepetidaNoFim.c_str(),
       "Linha 101: Registro duplicado", ""},
      {"obrigatória vazia", "COTACAO",
       "CODIGOMOEDA,DATACOTACAO,TIPOCOTACAO,VALORCOTACAO\n1,2025-01-02,1,\n",
       "Linha 2: Um campo obrigatório", ""},
      {"tabela inexistente", "NAOEXISTE", "A\n1\n", "A tabela NAOEXISTE não existe", ""},
      {"nome que não é identificador", "MOEDA; delete from LCTOCTB", "A\n1\n",
       "Nome de tabela inválido", ""},
  };
  for (const TLinhaRuim& caso : casos) {
    SCOPED_TRACE(caso.Caso);
    try {
      Carregar(caso.Tabela, caso.Csv);
      ADD_FAILURE() << "carregou";
    } catch (const Exception& error) {
      EXPECT_NE(std::string(error.what()).find(caso.Mensagem), std::string::npos) << error.what();
      const auto* campo = dynamic_cast<const EnField*>(&error);
      EXPECT_EQ(campo ? campo->FieldName() : std::string(), caso.Campo);
    }
    EXPECT_FALSE(Conexao().InTransaction());
  }
  for (const char* tabela : {"HISTORICOCTB", "COTACAO", "LCTOCTB", "MOEDA"})
    EXPECT_EQ(Contar(std::string("select count(*) from ") + tabela), 0) << tabela;
}

CTB_INSTANTIATE_ENGINES(TComandoLoadTest);

}  // namespace
