// `ctb import statement` through the built program on each engine, on the
// demo company's chart: the statements of docs/exemplos posted by their
// rules, an overlapping statement posting only its new rows, equal rows of
// one statement each kept, and rows the rules do not know or whose amount
// is malformed refused whole.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "framework/db/TnDMConexao.h"
#include "tests/host/TCtbPrograma.h"

namespace {

const std::string kExemplos = CTB_EXEMPLOS_DIR;

class TExtratoProgramaTest : public TCtbDemoTest {
 protected:
  // Imports `arquivo` into the demo's bank account with `regras` (the docs'
  // rules when empty) and the docs' map for a CSV.
  int Importar(const std::string& arquivo, const std::string& regras = "",
               const std::string& opcoes = "") {
    const bool csv = arquivo.size() > 4 && arquivo.substr(arquivo.size() - 4) == ".csv";
    return Comando("import statement " + arquivo + " --company 1 --account BANCO --rules " +
                   (regras.empty() ? kExemplos + "/extrato-regras.json" : regras) +
                   (csv ? " --map " + kExemplos + "/extrato-mapa.json" : "") + opcoes);
  }

  // The entries past key `depois`, one per line: date, debit, credit,
  // history, amount, document, complement.
  std::string Lancados(int64_t depois) {
    std::string texto;
    for (const ValueArray& linha :
         Conexao()
             .ExecuteQuery("select DATALCTOCTB, CONTACTBDEB, CONTACTBCRED, CODIGOHISTCTB, "
                           "VALORLCTOCTB, NUMERODCTO, COMPLHIST from LCTOCTB where CODIGOEMPRESA "
                           "= 1 and CHAVELCTOCTB > :pChave order by CHAVELCTOCTB",
                           {{"pChave", Value(depois)}})
             .Rows)
      texto += DateToIso(linha[0].AsDateTime()) + " " + linha[1].AsString() + " " +
               linha[2].AsString() + " " + linha[3].AsString() + " " +
               linha[4].AsCurrency().ToString() + " " + linha[5].AsString() + " " +
               linha[6].AsString() + "\n";
    return texto;
  }

  int64_t UltimaChave() {
    return Contar("select max(CHAVELCTOCTB) from LCTOCTB where CODIGOEMPRESA = 1");
  }
};

// The CSV of January's first half, then the OFX of its second half, which
// repeats four rows (two of them equal fees of one day): each row is posted
// once, on the side its sign gives, against the account its rule names.
TEST_P(TExtratoProgramaTest, OverlappingCsvAndOfxStatementsPostEachRowOnce) {
  const int64_t antes = UltimaChave();
  ASSERT_EQ(Importar(kExemplos + "/extrato-janeiro.csv"), 0) << FSaida << FErro;
  EXPECT_EQ(FSaida, "0 já importadas, 7 gravadas\n");
  ASSERT_EQ(Importar(kExemplos + "/extrato-janeiro.ofx"), 0) << FSaida << FErro;
  EXPECT_EQ(FSaida, "4 já importadas, 3 gravadas\n");
  EXPECT_EQ(Lancados(antes),
            "2025-01-02 1101003 1102001 5 4250 1001 PIX RECEBIDO SUPERMERCADO BOM PREÇO\n"
            "2025-01-03 4205001 1101003 15 45.9  TARIFA PACOTE DE SERVIÇOS\n"
            "2025-01-05 4202001 1101003 7 3200 ALUG01 PAGAMENTO ALUGUEL JANEIRO\n"
            "2025-01-10 1101003 2106003 5 1870.35 1002 TED RECEBIDO HOTEL SERRA VERDE\n"
            "2025-01-10 4205001 1101003 15 12.5  TARIFA TED\n"
            "2025-01-10 4205001 1101003 15 12.5  TARIFA TED\n"
            "2025-01-15 4202002 1101003 7 612.48 88231 CONTA DE ENERGIA ELETRICA\n"
            "2025-01-20 1101003 2106003 5 2315 1003 PIX RECEBIDO COMERCIAL SANTA LUZIA\n"
            "2025-01-25 4205001 1101003 15 12.5  TARIFA TED\n"
            "2025-01-31 1101003 3201003 16 38.17  RENDIMENTO POUPANÇA\n");

  // The same content under another name posts nothing; a third equal fee
  // of the same day is the only new row of its statement.
  std::filesystem::copy_file(kExemplos + "/extrato-janeiro.ofx", FPasta / "copia.ofx");
  ASSERT_EQ(Importar("copia.ofx"), 0) << FSaida << FErro;
  EXPECT_EQ(FSaida, "7 já importadas, 0 gravadas\n");
  Escrever("tarifas.csv",
           "Data;Histórico;Documento;Valor (R$)\n"
           "10/01/2025;TARIFA TED;;-12,50\n10/01/2025;tarifa  ted;;-12,50\n"
           "10/01/2025;TARIFA TED;;-12,50\n");
  const int64_t depois = UltimaChave();
  ASSERT_EQ(Importar("tarifas.csv"), 0) << FSaida << FErro;
  EXPECT_EQ(FSaida, "2 já importadas, 1 gravada\n");
  EXPECT_EQ(Lancados(depois), "2025-01-10 4205001 1101003 15 12.5  TARIFA TED\n");
}

// A row no rule takes, and amounts written otherwise than the statement's
// form, are refused naming the line and quoting the cell; nothing of them
// is posted or remembered, and the rejects file shows each with its
// reason. With a suspense account the unknown row posts there.
TEST_P(TExtratoProgramaTest, UnknownRowsAndMalformedAmountsAreRefusedWhole) {
  Escrever("fevereiro.csv",
           "Data;Histórico;Documento;Valor (R$)\n"
           "03/02/2025;TARIFA MENSAL;;-9,90\n"
           "04/02/2025;SAQUE NO CAIXA;;-100,00\n"
           "05/02/2025;TARIFA;;10.50\n"
           "06/02/2025;TARIFA;;\"1.2345,00\"\n");
  const int64_t antes = UltimaChave();
  EXPECT_EQ(Importar("fevereiro.csv", "", " --rejects recusas.csv"), 1) << FErro;
  EXPECT_EQ(FSaida,
            "linha 3: nenhuma regra reconhece a linha, e as regras não nomeiam conta "
            "transitória\n"
            "linha 4: VALORLCTOCTB: número inválido: '10.50' (use vírgula decimal e ponto só "
            "entre milhares: 1.234,56)\n"
            "linha 5: VALORLCTOCTB: número inválido: '1.2345,00' (use vírgula decimal e ponto "
            "só entre milhares: 1.234,56)\n"
            "0 já importadas, 1 gravada, 3 recusadas\n"
            "Recusadas gravadas em recusas.csv\n");
  EXPECT_EQ(Lancados(antes), "2025-02-03 4205001 1101003 15 9.9  TARIFA MENSAL\n");
  EXPECT_EQ(Contar("select count(*) from IMPORTACAOEXTRATO"), 1);
  EXPECT_EQ(Arquivo("recusas.csv"),
            "Data;Histórico;Documento;Valor (R$);RECUSA\n"
            "04/02/2025;SAQUE NO CAIXA;;-100,00;nenhuma regra reconhece a linha, e as regras não "
            "nomeiam conta transitória\n"
            "05/02/2025;TARIFA;;10.50;VALORLCTOCTB: número inválido: '10.50' (use vírgula "
            "decimal e ponto só entre milhares: 1.234,56)\n"
            "06/02/2025;TARIFA;;1.2345,00;VALORLCTOCTB: número inválido: '1.2345,00' (use "
            "vírgula decimal e ponto só entre milhares: 1.234,56)\n");

  Escrever("transitoria.json",
           R"({"values": {"CODIGOESTAB": 1}, "rules": [{"contains": "TARIFA", "account": )"
           R"("TARIFAS", "history": 15}], "suspense": {"account": "2.1.06.003", "history": 5}})");
  const int64_t depois = UltimaChave();
  EXPECT_EQ(Importar("fevereiro.csv", "transitoria.json"), 1);
  EXPECT_NE(FSaida.find("1 já importada, 1 gravada (1 na conta transitória), 2 recusadas"),
            std::string::npos)
      << FSaida;
  EXPECT_EQ(Lancados(depois), "2025-02-04 2106003 1101003 5 100  SAQUE NO CAIXA\n");

  // OFX amounts are read as written: libofx alone would take "-1.000,50"
  // for -1 and "38.175" for a rounded 38.18.
  Escrever("marco.ofx",
           "OFXHEADER:100\nDATA:OFXSGML\nVERSION:102\n\n<OFX><BANKMSGSRSV1>"
           "<STMTTRNRS><STMTRS><CURDEF>BRL<BANKACCTFROM><BANKID>001<ACCTID>1"
           "<ACCTTYPE>CHECKING</BANKACCTFROM><BANKTRANLIST>\n"
           "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20250303<TRNAMT>-1.000,50"
           "<FITID>1<MEMO>TARIFA</STMTTRN>\n"
           "<STMTTRN><TRNTYPE>CREDIT<DTPOSTED>20250304<TRNAMT>38.175"
           "<FITID>2<MEMO>RENDIMENTO</STMTTRN>\n"
           "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\n");
  const int64_t ofx = UltimaChave();
  EXPECT_EQ(Importar("marco.ofx"), 1) << FErro;
  EXPECT_EQ(FSaida,
            "linha 6: VALORLCTOCTB: número inválido: '-1.000,50' (o OFX escreve o valor com "
            "ponto decimal e no máximo duas casas: -1234.56)\n"
            "linha 7: VALORLCTOCTB: número inválido: '38.175' (o OFX escreve o valor com ponto "
            "decimal e no máximo duas casas: -1234.56)\n"
            "0 já importadas, 0 gravadas, 2 recusadas\n");
  EXPECT_EQ(Lancados(ofx), "");
}

CTB_INSTANTIATE_ENGINES(TExtratoProgramaTest);

}  // namespace
