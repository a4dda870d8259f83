// The demo's books through the built `ctb demo`, on each engine: what an
// accountant checks first on the generated company (no bank, cash, stock or
// supplier account on the wrong side at a month end, a modest profit), the
// journal export against the statements, and no diagnostic line on the
// terminal.

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "host/demo/DemoLancamentos.h"
#include "host/import/CsvReader.h"
#include "tests/host/TCtbPrograma.h"

namespace {

class TDemoLivrosTest : public TCtbProgramaTest {};

// The bank, cash, stock and supplier accounts of company 1 on the wrong side
// at some month end of 2025, counted from the balance tables.
constexpr const char* kSqlForaDoLado =
    "select count(*) from (select distinct DATASALDO as MES from SALDOCTBMENSAL where "
    "CODIGOEMPRESA = 1) M join PLANOESPEC P on P.CODIGOEMPRESA = 1 and P.TIPOCONTA = 2 and "
    "(P.CLASSIFCONTA like '1.1.01.%' or P.CLASSIFCONTA like '1.1.04.%' or P.CLASSIFCONTA like "
    "'2.1.01.%') where round((select coalesce(sum(S.VALORDEB - S.VALORCRED), 0) from "
    "SALDOCTBMENSAL S where S.CODIGOEMPRESA = 1 and S.CONTACTB = P.CONTACTB and S.DATASALDO <= "
    "M.MES), 2) * (case when P.CLASSIFCONTA like '2.%' then -1 else 1 end) < 0";

// The year's result (revenue 3 less costs and expenses 4) over net sales
// (3.1), in hundredths of a percent.
constexpr const char* kSqlMargem =
    "select cast(10000 * sum(case when P.CLASSIFCONTA like '3%' or P.CLASSIFCONTA like '4%' "
    "then S.VALORCRED - S.VALORDEB else 0 end) / sum(case when P.CLASSIFCONTA like '3.1%' then "
    "S.VALORCRED - S.VALORDEB else 0 end) as integer) from SALDOCTBMENSAL S join PLANOESPEC P "
    "on P.CODIGOEMPRESA = S.CODIGOEMPRESA and P.CONTACTB = S.CONTACTB where S.CODIGOEMPRESA = 1";

TEST_P(TDemoLivrosTest, NoBankStockOrSupplierOnTheWrongSideAndAModestProfit) {
  for (const char* lancamentos : {"2000", "20000"}) {
    SCOPED_TRACE(lancamentos);
    ASSERT_EQ(Ctb({"demo", "--entries", lancamentos, "--replace"}), 0) << FErro;
    EXPECT_EQ(
        Contar("select count(distinct DATASALDO) from SALDOCTBMENSAL where CODIGOEMPRESA = 1"), 12);
    EXPECT_EQ(Contar(kSqlForaDoLado), 0);
    const int64_t margem = Contar(kSqlMargem);
    EXPECT_GE(margem, 300);
    EXPECT_LE(margem, 1500);
    EXPECT_NE(FSaida.find("Balanço Patrimonial em 31/12/2025: Ativo "), std::string::npos);
  }
}

// The journal export read by the tools that know the format: per company,
// their balance sheet's assets, liabilities and equity are those of
// `statements` ("Assets Empresa 1" -> "389663.55"; a nil figure left out,
// as the tools leave it).
TEST_P(TDemoLivrosTest, TheJournalToolsBalanceSheetIsTheStatementsOfEveryDemoCompany) {
  if (std::system("hledger --version > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "hledger não está instalado";
  ASSERT_EQ(Comando("demo --entries 2000 --journal demo.journal"), 0) << FErro;
  std::map<std::string, std::string> ferramenta, nossos;
  std::string csv;
  {
    const std::string comando =
        "cd '" + FPasta.string() + "' && hledger -f demo.journal bse --depth 1 -O csv";
    FILE* saida = popen(comando.c_str(), "r");
    ASSERT_NE(saida, nullptr);
    char bloco[4096];
    for (size_t lidos; (lidos = fread(bloco, 1, sizeof bloco, saida)) > 0;)
      csv.append(bloco, lidos);
    ASSERT_EQ(pclose(saida), 0) << csv;
  }
  std::istringstream texto(csv);
  TCsvReader leitor(texto);
  std::string secao;
  while (auto linha = leitor.Next()) {
    ASSERT_EQ(linha->Cells.size(), 2u) << csv;
    if (linha->Cells[1].empty())
      secao = linha->Cells[0];
    else if (linha->Cells[0].starts_with("Empresa "))
      ferramenta[secao + " " + linha->Cells[0]] = linha->Cells[1];
  }
  const std::map<std::string, std::string> secoes = {
      {"1", "Assets"}, {"2", "Liabilities"}, {"2.3", "Equity"}};
  for (const int empresa : {1, 2, 3}) {
    ASSERT_EQ(Comando("statements --company " + std::to_string(empresa) +
                      " --from 2025-01-01 --to 2025-12-31 --format json"),
              0)
        << FErro;
    for (const nlohmann::json& linha : nlohmann::json::parse(FSaida)) {
      if (!linha["CLASSIFCONTA"].is_string() || !linha["VALOR"].is_number())
        continue;  // the totals
      const auto it = secoes.find(linha["CLASSIFCONTA"].get<std::string>());
      const Currency valor = Currency::FromString(linha["VALOR"].dump());
      if (linha["DEMONSTRACAO"] == "BP" && it != secoes.end() && valor != Currency())
        nossos[it->second + " Empresa " + std::to_string(empresa)] =
            DemoLancamentos::ValorTexto(valor);
    }
  }
  // The SPED company owes nothing and keeps no equity.
  EXPECT_EQ(nossos.size(), 7u);
  EXPECT_EQ(nossos, ferramenta) << csv;
}

// What the demo prints is the command's: the log line of the entries the
// SPED company deletes goes to the file CTB_LOG names, or nowhere.
TEST_P(TDemoLivrosTest, TheLogGoesToTheFileCtbLogNamesNeverToTheTerminal) {
  ASSERT_EQ(Ctb({"demo", "--entries", "1"}), 0) << FErro;
  EXPECT_EQ(FErro, "");
  EXPECT_EQ(FSaida.find("LOG "), std::string::npos);

  setenv("CTB_LOG", (FPasta / "ctb.log").c_str(), 1);
  const int status = Ctb({"demo", "--entries", "1", "--replace"});
  setenv("CTB_LOG", (FPasta / "pasta-que-nao-existe" / "ctb.log").c_str(), 1);
  const int semArquivo = Ctb({"demo", "--entries", "1", "--replace"});
  const std::string erro = FErro;
  unsetenv("CTB_LOG");
  ASSERT_EQ(status, 0);
  EXPECT_NE(Arquivo("ctb.log").find(" usuario=1: Registro excluído"), std::string::npos)
      << Arquivo("ctb.log");
  EXPECT_EQ(Arquivo("ctb.log").rfind("LOG 20", 0), 0u);
  EXPECT_EQ(semArquivo, 1);
  EXPECT_NE(erro.find("CTB_LOG: não foi possível abrir o arquivo de log"), std::string::npos)
      << erro;
}

CTB_INSTANTIATE_ENGINES(TDemoLivrosTest);

}  // namespace
