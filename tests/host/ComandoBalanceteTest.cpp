#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "framework/core/Exceptions.h"
#include "framework/ctb/TnUtilCtb.h"
#include "framework/db/TnDMConexao.h"
#include "host/ComandoBalancete.h"
#include "schema/SchemaInstaller.h"
#include "tests/support/TestDatabases.h"
#include "trialbalance/nCtbDPConsultaBalanceteMovimento_U.h"

namespace {

uint32_t Le32(const std::string& b, size_t pos) {
  return static_cast<uint32_t>(static_cast<unsigned char>(b[pos])) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[pos + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[pos + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[pos + 3])) << 24;
}
uint16_t Le16(const std::string& b, size_t pos) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[pos]) |
                               static_cast<unsigned char>(b[pos + 1]) << 8);
}

// The members of a zip archive by name, read through its central directory
// and inflated; a malformed archive fails the test.
std::map<std::string, std::string> LerZip(const std::string& arquivo) {
  std::ifstream in(arquivo, std::ios::binary);
  std::string zip((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::map<std::string, std::string> membros;
  const size_t fim = zip.rfind(std::string("PK\x05\x06", 4));
  EXPECT_NE(fim, std::string::npos) << "sem o fim do diretório central";
  if (fim == std::string::npos)
    return membros;
  size_t pos = Le32(zip, fim + 16);
  for (uint16_t i = 0, n = Le16(zip, fim + 10); i < n; ++i) {
    EXPECT_EQ(Le32(zip, pos), 0x02014b50u);
    const uint16_t metodo = Le16(zip, pos + 10);
    const uint32_t comprimido = Le32(zip, pos + 20), tamanho = Le32(zip, pos + 24);
    const uint16_t nome = Le16(zip, pos + 28), extra = Le16(zip, pos + 30),
                   comentario = Le16(zip, pos + 32);
    const uint32_t local = Le32(zip, pos + 42);
    const std::string membro = zip.substr(pos + 46, nome);
    EXPECT_EQ(Le32(zip, local), 0x04034b50u) << membro;
    const size_t dados = local + 30 + Le16(zip, local + 26) + Le16(zip, local + 28);
    std::string texto(tamanho, '\0');
    if (metodo == 0) {
      texto = zip.substr(dados, tamanho);
    } else {
      z_stream z{};
      inflateInit2(&z, -MAX_WBITS);
      z.next_in = reinterpret_cast<Bytef*>(zip.data() + dados);
      z.avail_in = comprimido;
      z.next_out = reinterpret_cast<Bytef*>(texto.data());
      z.avail_out = tamanho;
      EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END) << membro;
      inflateEnd(&z);
    }
    membros[membro] = texto;
    pos += 46 + nome + extra + comentario;
  }
  return membros;
}

}  // namespace

class ComandoBalanceteTest : public TSchemaTest {
 protected:
  void SetUp() override {
    TSchemaTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    for (const char* sql : {
             "insert into EMPRESA (CODIGOEMPRESA, NOMEEMPRESA) values (1, 'EMPRESA UM')",
             "insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB, INSCRFEDERAL) values "
             "(1, 0, 'EMPRESA UM', '00.000.001/0001-00')",
             "insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB) values (1, 1, 'MATRIZ')",
             "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, TIPOCONTA, "
             "DESCRCONTA) values (1, 1, '1', 1, 'ATIVO')",
             "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, TIPOCONTA, "
             "DESCRCONTA) values (1, 11, '1.01', 2, 'CAIXA')",
             "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, TIPOCONTA, "
             "DESCRCONTA) values (1, 3, '3', 1, 'RECEITAS')",
             "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, TIPOCONTA, "
             "DESCRCONTA) values (1, 31, '3.01', 2, 'VENDAS')",
             "insert into NATUREZAGRUPO (CODIGOEMPRESA, CLASSIFGRUPO, NATUREZA) values (1, '1', 1)",
             "insert into NATUREZAGRUPO (CODIGOEMPRESA, CLASSIFGRUPO, NATUREZA) values (1, '3', "
             "-1)",
             // CAIXA: 500 in January, 800 out in February.
             "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
             "TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB) values (1, 1, 1, "
             "'2024-01-10', 'LN', 11, 31, 500)",
             "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
             "TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB) values (1, 2, 1, "
             "'2024-02-10', 'LN', 31, 11, 800)",
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
  EXPECT_NE(texto.find("  1 - EMPRESA UM"), std::string::npos) << texto;
  EXPECT_NE(texto.find("CNPJ: 00.000.001/0001-00"), std::string::npos);
  EXPECT_NE(texto.find("Período: 01/01/2024 a 29/02/2024"), std::string::npos);
  // The month captions stand on one line, above the columns.
  const size_t meses = texto.find("01/2024");
  ASSERT_NE(meses, std::string::npos);
  EXPECT_LT(meses, texto.find("Saldo Anterior"));
  EXPECT_EQ(texto.find("Filtros"), std::string::npos);
  EXPECT_EQ(texto.find("RelacionarFilial"), std::string::npos);
  // CAIXA ends at -300: negatives in parentheses; synthetic rows marked.
  EXPECT_NE(texto.find("(300,00)"), std::string::npos) << texto;
  EXPECT_NE(texto.find("\n*"), std::string::npos);
  EXPECT_NE(texto.find("ATIVO"), std::string::npos);
}

TEST_P(ComandoBalanceteTest, XlsxIsAWorkbookWithMergedBandsAndTheSyntheticStyle) {
  const std::string arquivo =
      (std::filesystem::temp_directory_path() /
       ("balancete-" + std::to_string(reinterpret_cast<uintptr_t>(this)) + ".xlsx"))
          .string();
  EXPECT_EQ(
      ComandoBalancete::Executar(Conexao(), FOpcoes, ComandoBalancete::TFormato::Xlsx, arquivo),
      "Balancete gravado em " + arquivo);
  auto membros = LerZip(arquivo);
  std::remove(arquivo.c_str());
  ASSERT_TRUE(membros.count("xl/worksheets/sheet1.xml"));
  const std::string& planilha = membros["xl/worksheets/sheet1.xml"];
  EXPECT_NE(planilha.find("<mergeCell "), std::string::npos);
  EXPECT_NE(planilha.find("<sheetData>"), std::string::npos);
  EXPECT_NE(membros["xl/workbook.xml"].find("name=\"1 - EMPRESA UM\""), std::string::npos);
  const std::string& textos = membros["xl/sharedStrings.xml"];
  for (const char* texto : {"1 - EMPRESA UM", "01/2024", "02/2024", "Saldo Anterior", "CAIXA"})
    EXPECT_NE(textos.find(texto), std::string::npos) << texto;
  EXPECT_NE(membros["xl/styles.xml"].find("C0DCC0"), std::string::npos);
  EXPECT_NE(membros["xl/styles.xml"].find("(#,##0.00)"), std::string::npos);
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
