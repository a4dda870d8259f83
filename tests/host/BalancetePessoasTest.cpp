// The trial balance as people read it, through the built `ctb` on each
// engine: the level and synthetic cuts against the full report, the totals,
// the customer detail, period shortcuts, the exports for a Brazilian
// spreadsheet (read back by Python's csv module) and for several companies,
// and what a terminal gets (width, pager, progress) that a pipe never does.

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "framework/core/Nutil.h"
#include "host/import/CsvReader.h"
#include "tests/host/TCtbPrograma.h"

namespace {

class TBalancetePessoasTest : public TCtbProgramaTest {
 protected:
  void SetUp() override {
    TCtbProgramaTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    ASSERT_EQ(Comando("demo --entries 400"), 0) << FErro;
  }

  // The machine CSV of a trial balance of 2025 with `extras`, as rows.
  std::vector<std::vector<std::string>> Linhas(const std::string& extras) {
    EXPECT_EQ(Comando("trial-balance --company 1 --period 2025 --format csv " + extras), 0)
        << FErro;
    std::istringstream texto(FSaida);
    TCsvReader leitor(texto);
    FCabecalho = leitor.Header();
    std::vector<std::vector<std::string>> linhas;
    while (auto linha = leitor.Next())
      linhas.push_back(linha->Cells);
    return linhas;
  }
  size_t Coluna(const std::string& nome) const {
    return static_cast<size_t>(std::find(FCabecalho.begin(), FCabecalho.end(), nome) -
                               FCabecalho.begin());
  }

  // Runs ctb on a pseudo-terminal of `colunas` x `linhas` with $PAGER set
  // to `pager`; what the terminal showed (both outputs) and the status.
  int CtbNoTerminal(std::vector<std::string> args, unsigned short colunas, unsigned short linhas,
                    const std::string& pager, std::string& tela) {
    args.insert(args.end(),
                {Tipo() == TTipoConexao::SQLite ? "--db" : "--pg", Banco().Parametros()});
    winsize tamanho{};
    tamanho.ws_col = colunas;
    tamanho.ws_row = linhas;
    int mestre = -1;
    const pid_t filho = ::forkpty(&mestre, nullptr, nullptr, &tamanho);
    if (filho == 0) {
      ::setenv("PAGER", pager.c_str(), 1);
      std::vector<char*> argv = {const_cast<char*>("ctb")};
      for (std::string& arg : args)
        argv.push_back(arg.data());
      argv.push_back(nullptr);
      if (::chdir(FPasta.c_str()) == 0)
        ::execv(CTB_EXECUTABLE, argv.data());
      ::_exit(127);
    }
    tela.clear();
    char buffer[4096];
    for (ssize_t lidos; (lidos = ::read(mestre, buffer, sizeof buffer)) > 0;)
      tela.append(buffer, static_cast<size_t>(lidos));
    ::close(mestre);
    int status = 0;
    ::waitpid(filho, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Runs `script` with python3 in the test's folder; what it printed.
  std::string Python(const std::string& script, int& status) {
    Escrever("ler.py", script);
    const std::string comando = "cd '" + FPasta.string() + "' && python3 ler.py 2>&1";
    FILE* python = ::popen(comando.c_str(), "r");
    std::string saida;
    char buffer[4096];
    while (python != nullptr && std::fgets(buffer, sizeof buffer, python) != nullptr)
      saida += buffer;
    status = python == nullptr ? -1 : ::pclose(python);
    return saida;
  }

  std::vector<std::string> FCabecalho;
};

// The lines a terminal shows of `tela`: what the progress bar drew before
// it was erased is not on screen.
std::vector<std::string> LinhasNaTela(const std::string& tela) {
  std::vector<std::string> linhas;
  std::istringstream texto(tela);
  for (std::string linha; std::getline(texto, linha);) {
    if (!linha.empty() && linha.back() == '\r')
      linha.pop_back();
    if (const size_t apagada = linha.rfind("\x1b[K"); apagada != std::string::npos)
      linha.erase(0, apagada + 3);
    linhas.push_back(linha);
  }
  return linhas;
}

int Nivel(const std::string& classif) {
  return static_cast<int>(std::count(classif.begin(), classif.end(), '.')) + 1;
}

// The cuts are the full report's rows down to a level or the synthetic
// ones; the customers' accounts show only when asked.
TEST_P(TBalancetePessoasTest, CutsAreTheFullReportsRowsAndCustomersShowWhenAsked) {
  const auto completo = Linhas("");
  const size_t classif = Coluna("ClassifConta");
  std::vector<std::vector<std::string>> esperadas;
  for (const auto& linha : completo)
    if (Nivel(linha.at(classif)) <= 2)
      esperadas.push_back(linha);
  ASSERT_GT(esperadas.size(), 5u);
  ASSERT_LT(esperadas.size(), completo.size());
  EXPECT_EQ(Linhas("--depth 2"), esperadas);
  EXPECT_EQ(Linhas("--level 2"), esperadas);

  std::vector<std::vector<std::string>> sinteticas;
  for (const auto& linha : completo)
    if (linha.at(Coluna("TipoConta")) == "S")
      sinteticas.push_back(linha);
  EXPECT_EQ(Linhas("--synthetic-only"), sinteticas);

  const auto classifs = [&](const std::string& extras) {
    std::vector<std::string> encontradas;
    for (const auto& linha : Linhas(extras))
      if (linha.at(Coluna("ClassifConta")).rfind("1.1.02", 0) == 0)
        encontradas.push_back(linha.at(Coluna("ClassifConta")));
    return encontradas;
  };
  EXPECT_TRUE(classifs("").empty());
  const auto detalhe = classifs("--detail-customers");
  EXPECT_GT(std::count_if(detalhe.begin(), detalhe.end(),
                          [](const std::string& c) { return Nivel(c) == 4; }),
            0);
}

TEST_P(TBalancetePessoasTest, PeriodShortcutsAreTheirFirstAndLastDays) {
  struct TCaso {
    std::string Periodo, De, Ate;
  };
  for (const TCaso& caso :
       {TCaso{"2025-Q1", "2025-01-01", "2025-03-31"}, TCaso{"2025-02", "2025-02-01", "2025-02-28"},
        TCaso{"2025", "2025-01-01", "2025-12-31"}}) {
    ASSERT_EQ(Comando("balances --company 1 --format csv --period " + caso.Periodo), 0) << FErro;
    const std::string atalho = FSaida;
    ASSERT_EQ(Comando("balances --company 1 --format csv --from " + caso.De + " --to " + caso.Ate),
              0);
    EXPECT_EQ(atalho, FSaida) << caso.Periodo;
  }
  for (const char* ruim : {"2025-13", "2025-Q5", "25", "2025-1", "2025 --from 2025-01-01"})
    EXPECT_EQ(Comando(std::string("trial-balance --company 1 --period ") + ruim), 2) << ruim;
  EXPECT_EQ(Comando("trial-balance --company 1 --to 2025-01-01"), 2);
  EXPECT_NE(FErro.find("Falta --from (ou --period)"), std::string::npos) << FErro;
}

// What Python's csv module reads from the Brazilian export (";", decimal
// comma, UTF-8 with a byte-order mark) is what the machine CSV says.
TEST_P(TBalancetePessoasTest, BrazilianCsvRoundTripsThroughPythonsCsvModule) {
  const std::string anual = "trial-balance --company 1 --period 2025 --monthly ";
  ASSERT_EQ(Comando(anual + "--format csv --out maquina.csv"), 0) << FErro;
  ASSERT_EQ(Comando(anual + "--csv-br --out br.csv"), 0) << FErro;
  int status = 0;
  const std::string saida = Python(R"(import csv, sys
with open("br.csv", "rb") as f:
    assert f.read(3) == b"\xef\xbb\xbf", "sem BOM"
br = list(csv.DictReader(open("br.csv", encoding="utf-8-sig", newline=""), delimiter=";"))
maq = list(csv.DictReader(open("maquina.csv", encoding="utf-8", newline="")))
assert len(br) == len(maq), (len(br), len(maq))
pares = {"Saldo Anterior": "SaldoAnterior", "Saldo Atual": "SaldoAtual",
         "Débito 03/2025": "DEBITO032025", "Crédito 12/2025": "CREDITO122025",
         "Movimento 07/2025": "MOVIMENTO072025", "Classificação Conta": "ClassifConta",
         "Descrição": "DescrConta"}
for b, m in zip(br, maq):
    for pessoa, campo in pares.items():
        if campo in ("ClassifConta", "DescrConta"):
            assert b[pessoa] == m[campo], (pessoa, b[pessoa], m[campo])
        else:
            assert "." not in b[pessoa], b[pessoa]
            assert abs(float(b[pessoa].replace(",", ".")) - float(m[campo])) < 0.005, (pessoa, b[pessoa], m[campo])
print("ok", len(br))
)",
                                   status);
  EXPECT_EQ(status, 0) << saida;
  EXPECT_EQ(saida.rfind("ok ", 0), 0u) << saida;
}

// Several companies: one CSV with a company column, a sheet per company
// named after it, with its totals, frozen panes, column widths, the bands
// merged above the month columns and the synthetic rows' style.
TEST_P(TBalancetePessoasTest, SeveralCompaniesGetACompanyColumnAndNamedSheets) {
  ASSERT_EQ(Comando("demo --entries 20 --company 4"), 0) << FErro;
  ASSERT_EQ(Comando("trial-balance --company 1;4 --period 2025 --format csv"), 0);
  EXPECT_EQ(FSaida.rfind("CodigoEmpresa,Ordem,", 0), 0u) << FSaida.substr(0, 80);
  EXPECT_EQ(FSaida.find("Ordem,", 20), std::string::npos) << "um só cabeçalho";
  EXPECT_NE(FSaida.find("\n4,"), std::string::npos);
  ASSERT_EQ(Comando("trial-balance --company 1;4 --period 2025 --monthly --out b.xlsx"), 0)
      << FErro;
  EXPECT_EQ(FSaida.rfind("Balancete gravado em b.xlsx", 0), 0u) << FSaida;
  int status = 0;
  const std::string xml = Python(R"(import zipfile
z = zipfile.ZipFile("b.xlsx")
print(z.read("xl/workbook.xml").decode())
print(z.read("xl/worksheets/sheet1.xml").decode())
print(z.read("xl/sharedStrings.xml").decode())
print(z.read("xl/styles.xml").decode())
)",
                                 status);
  ASSERT_EQ(status, 0);
  for (const char* parte :
       {"name=\"1 - Distribuidora Horizonte Com\"", "name=\"4 - ", "state=\"frozen\"", "<col ",
        ">Total<", "<mergeCell ", "<sheetData>", "01/2025", "12/2025", "Saldo Anterior",
        "Caixa Geral", "C0DCC0", "(#,##0.00)"})
    EXPECT_NE(xml.find(parte), std::string::npos) << parte;
}

TEST_P(TBalancetePessoasTest, ATerminalGetsItsWidthAPagerAndABarThatAPipeNeverGets) {
  std::string tela;
  const auto balancete = Palavras("trial-balance --company 1 --period 2025");
  // 110 columns hold an account on one line, its description cut; 80 do
  // not, and each account takes two: the description whole, the amounts
  // under it up to the screen's edge.
  for (const unsigned short colunas : std::initializer_list<unsigned short>{110, 80}) {
    ASSERT_EQ(CtbNoTerminal(balancete, colunas, 500, "", tela), 0) << tela;
    const std::vector<std::string> linhas = LinhasNaTela(tela);
    size_t noLimite = 0;
    for (const std::string& linha : linhas) {
      EXPECT_LE(Nutil::Caracteres(linha), colunas) << linha;
      noLimite += Nutil::Caracteres(linha) == colunas;
    }
    EXPECT_GT(linhas.size(), 20u);
    // Columns empty in every row (branch, cost centre) are dropped.
    EXPECT_EQ(tela.find("Centro de Custo"), std::string::npos);
    EXPECT_EQ(tela.find("…") != std::string::npos, colunas == 110) << tela;
    EXPECT_EQ(noLimite > 20, colunas == 80) << tela;
  }

  // Longer than the screen: the pager shows it.
  ASSERT_EQ(CtbNoTerminal(balancete, 200, 10, "sed s/^/P:/", tela), 0);
  EXPECT_NE(tela.find("P:  Classificação Conta"), std::string::npos) << tela;

  // A long command's bar is erased before its output.
  ASSERT_EQ(CtbNoTerminal(Palavras("demo --replace --entries 1000"), 120, 500, "", tela), 0);
  const size_t relatorio = tela.find("1000 linhas gravadas");
  ASSERT_NE(relatorio, std::string::npos) << tela;
  EXPECT_NE(tela.find("% Importando lançamentos"), std::string::npos);
  EXPECT_EQ(tela.substr(relatorio - 4, 4), "\r\x1b[K") << tela.substr(relatorio - 40, 40);

  // Piped: none of it.
  ASSERT_EQ(Comando("demo --replace --entries 1000"), 0);
  // Neither output carries the bar's control characters.
  for (const std::string& saida : {FErro, FSaida})
    EXPECT_EQ(saida.find_first_of("\r\x1b"), std::string::npos) << saida;
  EXPECT_EQ(FSaida.rfind("1000 linhas gravadas", 0), 0u);
}

// What a terminal of each width shows of the monthly trial balance: no
// line wider than the screen, the code and S/A columns gone (the
// classification and the marker say them), descriptions of 24 characters
// at least, as many whole months as fit, each under its label, and one line
// naming the months left out. A pipe gets every column.
TEST_P(TBalancetePessoasTest, AMonthlyTableFitsTheTerminalWithEveryShownMonthLabelled) {
  const auto mensal = Palavras("trial-balance --company 1 --period 2025 --monthly");
  std::map<unsigned short, int> mostrados;
  for (const unsigned short colunas : std::initializer_list<unsigned short>{80, 200}) {
    SCOPED_TRACE(colunas);
    std::string tela;
    ASSERT_EQ(CtbNoTerminal(mensal, colunas, 500, "", tela), 0) << tela;
    const std::vector<std::string> linhas = LinhasNaTela(tela);
    for (const std::string& linha : linhas)
      EXPECT_LE(Nutil::Caracteres(linha), colunas) << linha;
    const auto titulos = std::find_if(linhas.begin(), linhas.end(), [](const std::string& l) {
      return l.find("Descrição") != std::string::npos;
    });
    ASSERT_NE(titulos, linhas.end()) << tela;
    EXPECT_EQ(titulos->find("Conta Contábil"), std::string::npos) << *titulos;
    EXPECT_EQ(titulos->find("S/A"), std::string::npos) << *titulos;
    EXPECT_NE(tela.find("Mercadorias para Revenda"), std::string::npos) << "24 caracteres";
    const std::string bandas = std::accumulate(linhas.begin(), titulos, std::string());
    // A narrow screen puts the amounts' headings on a line of their own.
    const std::string cabecalho = *titulos + *std::next(titulos);
    int meses = 0;
    for (size_t pos = cabecalho.find("Débito"); pos != std::string::npos;
         pos = cabecalho.find("Débito", pos + 1))
      ++meses;
    EXPECT_GE(meses, 1);
    for (int mes = 1; mes <= meses; ++mes)
      EXPECT_NE(bandas.find(fmt::format("{:02d}/2025", mes)), std::string::npos) << mes;
    const std::string aviso = meses == 11 ? "Fora da tela: 12/2025 — "
                              : meses < 12
                                  ? fmt::format("Fora da tela: {:02d}/2025 a 12/2025 — ", meses + 1)
                                  : "";
    EXPECT_EQ(!aviso.empty() && tela.find(aviso) != std::string::npos, meses < 12) << tela;
    mostrados[colunas] = meses;
  }
  EXPECT_GT(mostrados[200], mostrados[80]);

  ASSERT_EQ(Comando("trial-balance --company 1 --period 2025 --monthly"), 0) << FErro;
  for (const char* parte : {"Conta Contábil", "S/A", "01/2025", "12/2025"})
    EXPECT_NE(FSaida.find(parte), std::string::npos) << parte;
  EXPECT_EQ(FSaida.find("Fora da tela"), std::string::npos);
}

// Debits and credits add up across natures and balance, whatever rows the
// cut shows; balances and movements, signed by nature, do not add up, and
// their totals stay blank.
TEST_P(TBalancetePessoasTest, TotalsSumOnlyDebitsAndCreditsAndIgnoreTheCut) {
  ASSERT_EQ(Comando("trial-balance --company 1 --period 2025 --format json"), 0) << FErro;
  const nlohmann::json totaisJson = nlohmann::json::parse(FSaida)["companies"][0]["totals"];
  std::vector<std::string> somados;
  for (const auto& [campo, soma] : totaisJson.items())
    somados.push_back(campo);
  EXPECT_EQ(somados, (std::vector<std::string>{"CREDITO", "DEBITO"}));
  std::vector<std::string> totais;
  for (const char* nivel : {"1", "4"}) {
    ASSERT_EQ(Comando("trial-balance --company 1 --period 2025 --depth " + std::string(nivel)), 0)
        << FErro;
    const size_t pos = FSaida.rfind(" Total ");
    ASSERT_NE(pos, std::string::npos) << FSaida;
    std::istringstream linha(FSaida.substr(pos + 7));
    std::vector<std::string> valores;
    for (std::string valor; linha >> valor;)
      valores.push_back(valor);
    ASSERT_EQ(valores.size(), 2u) << FSaida.substr(pos);
    EXPECT_EQ(valores[0], valores[1]);
    EXPECT_NE(valores[0], "0,00");
    totais.push_back(valores[0]);
  }
  EXPECT_EQ(totais[0], totais[1]);
}

// A calculated account shows no negative debit or credit, in any month:
// its movement, a result, on one side (a profit as a credit).
TEST_P(TBalancetePessoasTest, CalculatedAccountsShowNoNegativeSide) {
  const auto linhas = Linhas("--monthly");
  size_t calculadas = 0;
  for (const auto& linha : linhas) {
    if (linha.at(Coluna("ClassifConta")).rfind("5.1.01.", 0) != 0)
      continue;
    ++calculadas;
    for (int mes = 1; mes <= 12; ++mes) {
      const std::string sufixo = fmt::format("{:02d}2025", mes);
      const double debito = std::stod(linha.at(Coluna("DEBITO" + sufixo)));
      const double credito = std::stod(linha.at(Coluna("CREDITO" + sufixo)));
      const double movimento = std::stod(linha.at(Coluna("MOVIMENTO" + sufixo)));
      SCOPED_TRACE(linha.at(Coluna("ClassifConta")) + " " + sufixo);
      EXPECT_GE(debito, 0);
      EXPECT_GE(credito, 0);
      EXPECT_TRUE(debito == 0 || credito == 0);
      EXPECT_NEAR(movimento, credito - debito, 0.005);
    }
  }
  EXPECT_EQ(calculadas, 4u);
}

CTB_INSTANTIATE_ENGINES(TBalancetePessoasTest);

}  // namespace
