// Imports people can trust, through the built `ctb` on each engine: one
// content is imported once (whatever its name or way in), the refused rows
// go to a file that imports once fixed without a gap in the keys, and the
// CSV of a bank goes in through a column map; the keys a batch draws a
// block at a time are those one row at a time kept.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/host/TCtbPrograma.h"

namespace {

class TImportacaoArquivoTest : public TCtbDemoTest {
 protected:
  // The keys of the rows imported as "lote", after the last key before.
  std::vector<int64_t> ChavesDoLote(int64_t ultimaAntes) {
    std::vector<int64_t> chaves;
    for (const ValueArray& linha :
         Conexao()
             .ExecuteQuery("select CHAVELCTOCTB from LCTOCTB where COMPLHIST like 'lote%' "
                           "order by CHAVELCTOCTB")
             .Rows)
      chaves.push_back(linha[0].AsInteger() - ultimaAntes);
    return chaves;
  }
};

const char* const kLancamentos =
    "CODIGOESTAB,DATALCTOCTB,CONTACTBDEB,CONTACTBCRED,CODIGOHISTCTB,VALORLCTOCTB\n"
    "1,2025-05-02,1101001,1101003,3,10.00\n"
    "1,2025-05-03,1101001,1101003,3,11.00\n";

TEST_P(TImportacaoArquivoTest, ASecondImportOfOneContentIsRefusedUnlessAgain) {
  Escrever("maio.csv", kLancamentos);
  Escrever("copia.csv", kLancamentos);
  ASSERT_EQ(Comando("import entries maio.csv --company 1"), 0) << FErro;
  EXPECT_EQ(Contar("select count(*) from IMPORTACAOARQUIVO where CODIGOEMPRESA = 1"), 1);
  const int64_t antes = Lancamentos();
  for (const char* arquivo : {"maio.csv", "copia.csv", "-"}) {
    EXPECT_EQ(Comando(std::string("import entries ") + arquivo + " --company 1", kLancamentos), 1)
        << arquivo;
    EXPECT_NE(FErro.find("já foi importado na empresa 1"), std::string::npos) << FErro;
    EXPECT_NE(FErro.find("(arquivo maio.csv)"), std::string::npos) << FErro;
    EXPECT_EQ(Lancamentos(), antes);
  }
  EXPECT_EQ(Comando("import entries - --company 1 --again", kLancamentos), 0) << FErro;
  EXPECT_EQ(Lancamentos(), antes + 2);
  // A file whose every row was refused stored nothing: it is not recorded.
  Escrever("ruim.csv", "CODIGOESTAB,DATALCTOCTB,VALORLCTOCTB\n1,2025-05-09,0\n");
  EXPECT_EQ(Comando("import entries ruim.csv --company 1"), 1);
  EXPECT_EQ(Comando("import entries ruim.csv --company 1"), 1);
  EXPECT_EQ(FErro, "");
}

TEST_P(TImportacaoArquivoTest, ARejectsFileReimportsCleanlyOnceFixed) {
  Escrever("maio.csv",
           "CODIGOESTAB;DATALCTOCTB;CONTACTBDEB;CONTACTBCRED;CODIGOHISTCTB;VALORLCTOCTB\n"
           "1;2025-05-02;1101001;1101003;3;10.00\n"
           "1;2025-05-03;1101001;1101003;3;0\n"
           "1;2025-05-04;1101001;1101003;3;12.00\n"
           "1;2025-05-05;1101001;999;3;13.00\n");
  ASSERT_EQ(Comando("import entries maio.csv --company 1 --rejects recusadas.csv"), 1);
  EXPECT_NE(FSaida.find("2 linhas gravadas, 2 recusadas"), std::string::npos) << FSaida;
  const std::string recusadas = Arquivo("recusadas.csv");
  EXPECT_EQ(recusadas,
            "CODIGOESTAB;DATALCTOCTB;CONTACTBDEB;CONTACTBCRED;CODIGOHISTCTB;VALORLCTOCTB;RECUSA\n"
            "1;2025-05-03;1101001;1101003;3;0;VALORLCTOCTB: O valor do lançamento deve ser maior "
            "que zero!\n"
            "1;2025-05-05;1101001;999;3;13.00;CONTACTBCRED: Credite: 999 não existe, verifique.\n");

  std::string corrigidas = recusadas;
  corrigidas.replace(corrigidas.find(";0;"), 3, ";5.00;");
  corrigidas.replace(corrigidas.find(";999;"), 5, ";1101003;");
  Escrever("corrigidas.csv", corrigidas);
  EXPECT_EQ(Comando("import entries corrigidas.csv --company 1 --rejects de-novo.csv"), 0)
      << FSaida << FErro;
  EXPECT_NE(FSaida.find("2 linhas gravadas, 0 recusadas"), std::string::npos) << FSaida;
  EXPECT_EQ(Arquivo("de-novo.csv"),
            "CODIGOESTAB;DATALCTOCTB;CONTACTBDEB;CONTACTBCRED;CODIGOHISTCTB;VALORLCTOCTB;RECUSA\n");
  EXPECT_EQ(Contar("select count(*) from LCTOCTB where CODIGOEMPRESA = 1 and DATALCTOCTB between "
                   "'2025-05-02' and '2025-05-05' and VALORLCTOCTB in (5, 10, 12, 13)"),
            4);
}

TEST_P(TImportacaoArquivoTest, ABankCsvGoesInThroughAColumnMap) {
  Escrever("extrato.csv",
           "Data;Histórico;Valor;Saldo;Conta;Contrapartida\n"
           "02/06/25;Tarifa;1.234,56;9,00;CAIXA;1.1.01.003\n"
           "03/06/25;Depósito;10,50;9,00;1101003;CAIXA\n"
           "31/06/25;Erro;1,00;9,00;CAIXA;1.1.01.003\n"
           "04/06/25;Erro;1,00;9,00;NINGUEM;1.1.01.003\n");
  Escrever("mapa.json", R"({"columns": {"data": "DATALCTOCTB", "Histórico": "COMPLHIST",
    "Valor": "VALORLCTOCTB", "Conta": "CONTACTBDEB", "Contrapartida": "CONTACTBCRED"},
    "date_format": "dd/mm/yy", "decimal_comma": true,
    "values": {"CODIGOESTAB": 1, "CODIGOHISTCTB": 3}})");
  EXPECT_EQ(Comando("import entries extrato.csv --company 1 --map mapa.json"), 1);
  EXPECT_NE(FSaida.find("linha 4: DATALCTOCTB: data inválida: '31/06/25' (o mapa diz dd/mm/yy)"),
            std::string::npos)
      << FSaida;
  EXPECT_NE(FSaida.find("linha 5: CONTACTBDEB: Conta não encontrada"), std::string::npos);
  EXPECT_NE(FSaida.find("2 linhas gravadas, 2 recusadas"), std::string::npos);
  const TDbResult linhas = Conexao().ExecuteQuery(
      "select DATALCTOCTB, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB, COMPLHIST from LCTOCTB where "
      "DATALCTOCTB between '2025-06-02' and '2025-06-03' and CODIGOHISTCTB = 3 and COMPLHIST in "
      "('Tarifa', 'Depósito') order by DATALCTOCTB");
  ASSERT_EQ(linhas.Rows.size(), 2u);
  EXPECT_EQ(linhas.Rows[0].at(1).AsInteger(), 1101001);
  EXPECT_EQ(linhas.Rows[0].at(2).AsInteger(), 1101003);
  EXPECT_EQ(linhas.Rows[0].at(3).AsCurrency(), Currency::FromString("1234.56"));
  EXPECT_EQ(linhas.Rows[1].at(1).AsInteger(), 1101003);
  EXPECT_EQ(linhas.Rows[1].at(3).AsCurrency(), Currency::FromString("10.50"));

  struct TCaso {
    std::string Mapa, Erro;
  };
  for (const TCaso& caso : {
           TCaso{R"({"columns": {"Data": "DATALCTOCTB"}, "extra": 1})", "chave desconhecida"},
           TCaso{R"({"columns": {"Nada": "DATALCTOCTB"}})", "A coluna NADA do mapa não está"},
           TCaso{R"({"columns": {"Data": "NAOEXISTE"}})", "Coluna desconhecida"},
           TCaso{R"({"columns": {"Data": "DATALCTOCTB"}, "date_format": "dd/mm"})",
                 "date_format inválido"},
           TCaso{"[1]", "deve ser um objeto"},
       }) {
    Escrever("ruim.json", caso.Mapa);
    const int64_t antes = Lancamentos();
    EXPECT_EQ(Comando("import entries extrato.csv --company 1 --map ruim.json --again"), 1);
    EXPECT_NE(FErro.find(caso.Erro), std::string::npos) << caso.Mapa << "\n" << FErro;
    EXPECT_EQ(Lancamentos(), antes);
  }
}

// Each form a Brazilian bank writes an amount in is stored as written; any
// other is refused quoting the cell, never multiplied or shifted to fit.
TEST_P(TImportacaoArquivoTest, AmountsOfAMapAreReadAsWrittenOrRefusedQuotingTheCell) {
  struct TCaso {
    std::string Celula;
    std::string Gravado;  // "" when refused
    std::string Recusa;
  };
  const std::string malformado = "' (use vírgula decimal e ponto só entre milhares: 1.234,56)";
  const std::vector<TCaso> casos = {
      {"10,50", "10.50", ""},
      {"1.234,56", "1234.56", ""},
      {"1.234.567,8", "1234567.80", ""},
      {"1.234", "1234.00", ""},
      {"R$ 10,00", "10.00", ""},
      {"+R$ 7,5", "7.50", ""},
      {"(10,00)", "", "O valor do lançamento deve ser maior que zero!"},
      {"-R$ 10,00", "", "O valor do lançamento deve ser maior que zero!"},
      {"10.50", "", "número inválido: '10.50" + malformado},
      {"12.3", "", "número inválido: '12.3" + malformado},
      {"1.2345,00", "", "número inválido: '1.2345,00" + malformado},
      {"R$ 10.00", "", "número inválido: 'R$ 10.00" + malformado},
      {"1e3", "", "número inválido: '1e3" + malformado},
      {"10,005", "", "'10,005' tem mais de 2 casas decimais"},
  };
  std::string csv = "Data;Histórico;Valor\n";
  for (size_t i = 0; i < casos.size(); ++i)
    csv += "02/06/25;caso " + std::to_string(i) + ";" + casos[i].Celula + "\n";
  Escrever("extrato.csv", csv);
  Escrever("mapa.json", R"({"columns": {"Data": "DATALCTOCTB", "Histórico": "COMPLHIST",
    "Valor": "VALORLCTOCTB"}, "date_format": "dd/mm/yy", "decimal_comma": true,
    "values": {"CODIGOESTAB": 1, "CODIGOHISTCTB": 3, "CONTACTBDEB": 1101001,
    "CONTACTBCRED": 1101003}})");
  EXPECT_EQ(Comando("import entries extrato.csv --company 1 --map mapa.json"), 1);
  for (size_t i = 0; i < casos.size(); ++i) {
    const TCaso& caso = casos[i];
    const TDbResult linhas = Conexao().ExecuteQuery(
        "select VALORLCTOCTB from LCTOCTB where CODIGOEMPRESA = 1 and COMPLHIST = 'caso " +
        std::to_string(i) + "'");
    if (caso.Gravado.empty()) {
      EXPECT_TRUE(linhas.Rows.empty()) << caso.Celula;
      EXPECT_NE(FSaida.find("linha " + std::to_string(i + 2) + ": VALORLCTOCTB: " + caso.Recusa),
                std::string::npos)
          << caso.Celula << "\n"
          << FSaida;
    } else {
      ASSERT_EQ(linhas.Rows.size(), 1u) << caso.Celula << "\n" << FSaida;
      EXPECT_EQ(linhas.Rows[0].at(0).AsCurrency(), Currency::FromString(caso.Gravado))
          << caso.Celula;
    }
  }
}

// Refused rows take no key: the stored rows follow each other and the
// sequence ends at the last key stored, so the next entry typed follows it.
TEST_P(TImportacaoArquivoTest, KeysFollowTheSequenceAndRefusedRowsWriteNothing) {
  struct TCaso {
    std::vector<std::string> Valores;
    std::vector<int64_t> Chaves;  // after the last key before the import
    const char* Relatorio;
  };
  const TCaso casos[] = {
      {{"5.00", "6.00", "7.00"}, {1, 2, 3}, "3 linhas gravadas, 0 recusadas\n"},
      {{"5.00", "0", "7.00", "0"},
       {1, 2},
       "linha 3: VALORLCTOCTB: O valor do lançamento deve ser maior que zero!\n"
       "linha 5: VALORLCTOCTB: O valor do lançamento deve ser maior que zero!\n"
       "2 linhas gravadas, 2 recusadas\n"},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Relatorio);
    Conexao().ExecuteDirect("delete from LCTOCTB where COMPLHIST like 'lote%'");
    const int64_t ultimaAntes =
        Contar("select max(CHAVELCTOCTB) from LCTOCTB where CODIGOEMPRESA = 1");
    std::string csv =
        "CODIGOESTAB,TIPOLANCAMENTO,DATALCTOCTB,CONTACTBDEB,CONTACTBCRED,CODIGOHISTCTB,"
        "COMPLHIST,VALORLCTOCTB\n";
    for (const std::string& valor : caso.Valores)
      csv += "1,LN,2025-08-01,1101001,1101002,3,lote," + valor + "\n";
    Escrever("l.csv", csv);
    Comando("import entries l.csv --company 1");
    EXPECT_EQ(FSaida, caso.Relatorio);
    EXPECT_EQ(ChavesDoLote(ultimaAntes), caso.Chaves);
    ASSERT_EQ(Post(LancamentoDemo()), 0) << FSaida;
    EXPECT_EQ(ChavePostada(), ultimaAntes + static_cast<int64_t>(caso.Chaves.size()) + 1);
    EXPECT_EQ(Contar("select count(*) from LCTOCTB where VALORLCTOCTB = 0"), 0);
  }
}

CTB_INSTANTIATE_ENGINES(TImportacaoArquivoTest);

}  // namespace
