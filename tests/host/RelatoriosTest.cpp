// The ledger, the journal and the statements of the built `ctb` program on
// a demo year, on each engine, checked against each other and against the
// trial balance: every running balance, every total, every tie.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "host/demo/DemoEmpresa.h"
#include "tests/host/TCtbPrograma.h"

namespace {

using json = nlohmann::json;

int64_t Centavos(const json& valor) {
  return valor.is_null() ? 0 : std::llround(valor.get<double>() * 100);
}

class TRelatoriosTest : public TCtbProgramaTest {
 protected:
  void SetUp() override {
    TCtbProgramaTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    ASSERT_EQ(Comando("demo --entries 400"), 0) << FErro;
  }

  // The command's rows in json; the test fails when it does not run.
  json Json(const std::string& linha) {
    EXPECT_EQ(Comando(linha + " --company 1 --format json"), 0) << FErro;
    return FSaida.empty() ? json::array() : json::parse(FSaida);
  }

  // Per account, the trial balance's opening and closing balance (the
  // account's nature) and its debits and credits, for the period.
  std::map<int64_t, json> Balancete(const std::string& de, const std::string& ate) {
    std::map<int64_t, json> contas;
    const json balancete = Json("trial-balance --from " + de + " --to " + ate);
    for (const json& linha : balancete["companies"][0]["rows"])
      contas[linha["CodigoConta"].get<int64_t>()] = linha;
    return contas;
  }
};

TEST_P(TRelatoriosTest, LedgerRunsOpeningPlusDebitsMinusCreditsToTheTrialBalanceClosing) {
  const struct {
    const char* Selecao;
    std::string De, Ate;
  } casos[] = {
      {"--account CAIXA", "2025-03-15", "2025-09-10"},
      {"--classif 3.1.02", "2025-06-01", "2025-11-20"},  // reducing accounts
      {"--classif 1.1.04", "2025-01-01", "2025-12-31"},
      {"--accounts 1101001-1101006", "2025-02-10", "2025-12-31"},
      {"--account 1101", "2025-05-02", "2025-05-30"},  // a synthetic account: its group
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.Selecao);
    const json linhas = Json("ledger --from " + caso.De + " --to " + caso.Ate + " " + caso.Selecao);
    const std::map<int64_t, json> balancete = Balancete(caso.De, caso.Ate);
    int64_t saldo = 0, lancamentos = 0, contas = 0;
    // Date and key order, the debit side first when an entry has the
    // account on both.
    std::tuple<std::string, int64_t, bool> anterior;
    for (const json& linha : linhas) {
      const std::string historico = linha["HISTORICO"];
      const int64_t assinado = Centavos(linha["SALDO"]) * (linha["DC"] == "C" ? -1 : 1);
      const int64_t conta = linha["CONTACTB"];
      const int natureza = DemoEmpresa::Natureza(linha["CLASSIFCONTA"]);
      if (historico == "Saldo anterior") {
        saldo = assinado;
        anterior = {};
        ++contas;
        ASSERT_TRUE(balancete.count(conta)) << conta;
        EXPECT_EQ(saldo * natureza, Centavos(balancete.at(conta)["SaldoAnterior"])) << conta;
      } else if (historico == "Total da conta") {
        EXPECT_EQ(assinado, saldo) << conta;
        EXPECT_EQ(saldo * natureza, Centavos(balancete.at(conta)["SaldoAtual"])) << conta;
        EXPECT_EQ(Centavos(linha["DEBITO"]), Centavos(balancete.at(conta)["DEBITO"])) << conta;
        EXPECT_EQ(Centavos(linha["CREDITO"]), Centavos(balancete.at(conta)["CREDITO"])) << conta;
      } else {
        saldo += Centavos(linha["DEBITO"]) - Centavos(linha["CREDITO"]);
        EXPECT_EQ(assinado, saldo) << "chave " << linha["CHAVELCTOCTB"];
        const std::tuple<std::string, int64_t, bool> atual = {
            linha["DATALCTOCTB"], linha["CHAVELCTOCTB"], linha["DEBITO"].is_null()};
        EXPECT_LT(anterior, atual) << "chave " << linha["CHAVELCTOCTB"];
        anterior = atual;
        ++lancamentos;
      }
    }
    EXPECT_GT(contas, 0);
    EXPECT_GT(lancamentos, 0);
  }
}

TEST_P(TRelatoriosTest, LedgerByBranchSplitsTheCompanyLedger) {
  const std::string razao = "ledger --from 2025-04-01 --to 2025-10-31 --account CAIXA";
  const json empresa = Json(razao), filiais = Json(razao + " --by-branch");
  auto totais = [](const json& linhas) {
    int64_t debitos = 0, saldo = 0, secoes = 0;
    for (const json& linha : linhas)
      if (linha["HISTORICO"] == "Total da conta") {
        debitos += Centavos(linha["DEBITO"]);
        saldo += Centavos(linha["SALDO"]) * (linha["DC"] == "C" ? -1 : 1);
        ++secoes;
      }
    return std::tuple{debitos, saldo, secoes};
  };
  const auto [debitosEmpresa, saldoEmpresa, secoesEmpresa] = totais(empresa);
  const auto [debitosFiliais, saldoFiliais, secoesFiliais] = totais(filiais);
  EXPECT_EQ(secoesEmpresa, 1);
  EXPECT_GT(secoesFiliais, 1);
  EXPECT_EQ(debitosFiliais, debitosEmpresa);
  EXPECT_EQ(saldoFiliais, saldoEmpresa);
}

TEST_P(TRelatoriosTest, JournalPeriodTotalsAreTheTrialBalanceMovementAndPagesAddUp) {
  const json linhas = Json("journal --from 2025-03-01 --to 2025-03-31 --page-size 7");
  int64_t entradas = 0, paginas = 0, debitos = 0, creditos = 0;
  json periodo;
  std::string ultimo;
  for (const json& linha : linhas) {
    if (linha["HISTORICO"] == "Total do período") {
      periodo = linha;
    } else if (linha["CHAVELCTOCTB"].is_null()) {
      EXPECT_EQ(Centavos(linha["DEBITO"]), debitos) << linha;
      EXPECT_EQ(Centavos(linha["CREDITO"]), creditos) << linha;
      ++paginas;
      debitos = creditos = 0;
    } else {
      const std::string chave = linha["DATALCTOCTB"].get<std::string>() + "/" +
                                std::to_string(1000000000 + linha["CHAVELCTOCTB"].get<int64_t>());
      EXPECT_LT(ultimo, chave);  // date and key order
      ultimo = chave;
      debitos += Centavos(linha["DEBITO"]);
      creditos += Centavos(linha["CREDITO"]);
      ++entradas;
    }
  }
  EXPECT_EQ(entradas, Contar("select count(*) from LCTOCTB where CODIGOEMPRESA = 1 and "
                             "DATALCTOCTB between '2025-03-01' and '2025-03-31'"));
  EXPECT_EQ(paginas, (entradas + 6) / 7);
  ASSERT_FALSE(periodo.is_null());
  int64_t movimentoDebito = 0, movimentoCredito = 0;
  for (const auto& [conta, linha] : Balancete("2025-03-01", "2025-03-31"))
    if (linha["TipoConta"] == "S" && linha["ClassifConta"].get<std::string>().size() == 1 &&
        linha["ClassifConta"] != "5") {
      movimentoDebito += Centavos(linha["DEBITO"]);
      movimentoCredito += Centavos(linha["CREDITO"]);
    }
  EXPECT_GT(movimentoDebito, 0);
  EXPECT_EQ(Centavos(periodo["DEBITO"]), movimentoDebito);
  EXPECT_EQ(Centavos(periodo["CREDITO"]), movimentoCredito);
}

TEST_P(TRelatoriosTest, StatementsTieAndAgreeWithTheTrialBalance) {
  struct TCaso {
    std::string De, Ate;
  };
  // The second period's previous one (the first half) leaves its result
  // unclosed in the balance sheet.
  for (const TCaso& caso : {TCaso{"2025-01-01", "2025-12-31"}, TCaso{"2025-07-01", "2025-12-31"},
                            TCaso{"2025-03-10", "2025-08-20"}}) {
    SCOPED_TRACE(caso.De);
    std::map<std::string, json> bp, dre;
    for (const json& linha : Json("statements --from " + caso.De + " --to " + caso.Ate))
      (linha["DEMONSTRACAO"] == "BP" ? bp : dre)[linha["CLASSIFCONTA"].get<std::string>() + "|" +
                                                 linha["DESCRCONTA"].get<std::string>()] = linha;
    const json& ativo = bp.at("|TOTAL DO ATIVO");
    const json& passivo = bp.at("|TOTAL DO PASSIVO E PATRIMÔNIO LÍQUIDO");
    const json& resultado = dre.at("|LUCRO LÍQUIDO DO PERÍODO");
    for (const char* coluna : {"VALOR", "VALORANTERIOR"}) {
      EXPECT_EQ(Centavos(ativo[coluna]), Centavos(passivo[coluna])) << coluna;
      EXPECT_EQ(Centavos(bp.at("|Resultado do período")[coluna]), Centavos(resultado[coluna]))
          << coluna;
    }
    EXPECT_EQ(Centavos(bp.at("1|ATIVO")["VALOR"]), Centavos(ativo["VALOR"]));
    const std::map<int64_t, json> balancete = Balancete(caso.De, caso.Ate);
    EXPECT_EQ(Centavos(ativo["VALOR"]), Centavos(balancete.at(1)["SaldoAtual"]));
    EXPECT_EQ(Centavos(resultado["VALOR"]),
              Centavos(balancete.at(DemoEmpresa::Conta("5.1.01.004").ContaCtb)["MOVIMENTO"]));
  }
  // Costs and expenses in no group: the balance sheet no longer ties, and
  // says by how much.
  Conexao().ExecuteDirect(
      "delete from GRUPODEMONSCTB where CODIGOEMPRESA = 1 and CLASSIFGRUPO like '4%'");
  ASSERT_EQ(Comando("statements --company 1 --from 2025-01-01 --to 2025-12-31"), 0) << FErro;
  EXPECT_NE(FSaida.find(" (não confere: diferença de "), std::string::npos) << FSaida;
}

// At every level the lines above a total add up to it: each group's own
// line (equity's too at level 1), each section of the income statement's
// Brazilian layout and each step's result.
TEST_P(TRelatoriosTest, StatementsAddUpAtEveryLevelInTheBrazilianLayout) {
  std::set<std::string> grupos;
  for (const ValueArray& linha :
       Conexao()
           .ExecuteQuery("select CLASSIFGRUPO from GRUPODEMONSCTB where CODIGOEMPRESA = 1")
           .Rows)
    grupos.insert(linha[0].AsString());
  const std::vector<std::string> passos = {"RECEITA BRUTA",
                                           "(-) DEDUÇÕES DA RECEITA BRUTA",
                                           "RECEITA LÍQUIDA",
                                           "(-) CUSTO DAS VENDAS",
                                           "LUCRO BRUTO",
                                           "(-) DESPESAS OPERACIONAIS",
                                           "RESULTADO FINANCEIRO",
                                           "RESULTADO ANTES DOS TRIBUTOS SOBRE O LUCRO",
                                           "(-) IMPOSTO DE RENDA E CONTRIBUIÇÃO SOCIAL",
                                           "LUCRO LÍQUIDO DO PERÍODO"};
  const std::set<std::string> resultados = {"RECEITA LÍQUIDA", "LUCRO BRUTO",
                                            "RESULTADO ANTES DOS TRIBUTOS SOBRE O LUCRO",
                                            "LUCRO LÍQUIDO DO PERÍODO"};
  for (const char* nivel : {"1", "2", "4"}) {
    for (const char* coluna : {"VALOR", "VALORANTERIOR"}) {
      SCOPED_TRACE(std::string(nivel) + " " + coluna);
      std::vector<std::string> esqueleto;
      // The balance sheet's sides, and the income statement's sections so
      // far and the groups of the section being read.
      int64_t lado = 0, secoes = 0, doGrupo = 0, daSecao = 0;
      bool temPatrimonio = false;
      const auto fecharSecao = [&] {
        if (!esqueleto.empty() && resultados.count(esqueleto.back()) == 0) {
          EXPECT_EQ(doGrupo, daSecao) << esqueleto.back();
        }
        doGrupo = 0;
      };
      for (const json& linha :
           Json(std::string("statements --from 2025-01-01 --to 2025-12-31 --level ") + nivel)) {
        const std::string classif = linha["CLASSIFCONTA"];
        const std::string descr = linha["DESCRCONTA"];
        const int64_t valor = Centavos(linha[coluna]);
        if (linha["DEMONSTRACAO"] == "BP") {
          temPatrimonio = temPatrimonio || classif == "2.3";
          if (descr.starts_with("TOTAL DO ")) {
            EXPECT_EQ(valor, lado) << descr;
            lado = 0;
          } else if (classif.empty() || grupos.count(classif) > 0) {
            lado += valor;
          }
        } else if (classif.empty()) {
          fecharSecao();
          esqueleto.push_back(descr);
          if (resultados.count(descr) > 0) {
            EXPECT_EQ(valor, secoes) << descr;
          } else {
            secoes += valor;
            daSecao = valor;
          }
        } else if (grupos.count(classif) > 0) {
          doGrupo += valor;
        }
      }
      fecharSecao();
      EXPECT_TRUE(temPatrimonio);
      EXPECT_EQ(esqueleto, passos);
    }
  }
}

// The amount columns are headed by their periods.
TEST_P(TRelatoriosTest, StatementsHeadTheirColumnsWithThePeriods) {
  const struct {
    const char *De, *Ate, *Atual, *Anterior;
  } casos[] = {
      {"2025-01-01", "2025-12-31", "2025", "2024"},
      {"2025-03-01", "2025-03-31", "03/2025", "02/2025"},
      {"2025-04-01", "2025-06-30", "04/2025 a 06/2025", "01/2025 a 03/2025"},
      {"2025-03-10", "2025-03-19", "10/03/2025 a 19/03/2025", "28/02/2025 a 09/03/2025"},
  };
  for (const auto& caso : casos) {
    ASSERT_EQ(
        Comando(std::string("statements --company 1 --from ") + caso.De + " --to " + caso.Ate), 0)
        << FErro;
    std::istringstream texto(FSaida);
    std::string cabecalho;
    while (std::getline(texto, cabecalho) && cabecalho.find("Descrição") == std::string::npos) {
    }
    EXPECT_TRUE(cabecalho.ends_with(std::string("  ") + caso.Anterior)) << cabecalho;
    EXPECT_NE(cabecalho.find(std::string("  ") + caso.Atual + "  "), std::string::npos)
        << cabecalho;
  }
}

TEST_P(TRelatoriosTest, DemoStatesTheTies) {
  // FSaida still holds what the demo printed.
  const size_t balancete = FSaida.find("Balancete em 31/12/2025: ATIVO ");
  const size_t balanco = FSaida.find("Balanço Patrimonial em 31/12/2025: Ativo ");
  ASSERT_NE(balancete, std::string::npos) << FSaida.substr(FSaida.size() - 500);
  ASSERT_NE(balanco, std::string::npos);
  EXPECT_LT(balancete, balanco);
  EXPECT_EQ(FSaida.substr(FSaida.size() - 10), "(confere)\n");
  EXPECT_EQ(FSaida.find("NÃO CONFERE"), std::string::npos);
  EXPECT_EQ(FSaida.find("não confere"), std::string::npos);
}

// The demo's standard histories carry tokens, and its imported entries no
// values for them: the books still read in words.
TEST_P(TRelatoriosTest, DemoBooksShowNoBracketedToken) {
  const std::regex mes(R"(ref\. [0-9]{2}/[0-9]{4})");
  for (const char* relatorio : {"journal", "ledger --accounts 1-999999999999999999"}) {
    int64_t preenchidos = 0;
    for (const json& linha : Json(std::string(relatorio) + " --from 2025-01-01 --to 2025-12-31")) {
      const std::string historico = linha["HISTORICO"];
      EXPECT_EQ(historico.find('['), std::string::npos) << relatorio << ": " << historico;
      preenchidos += std::regex_search(historico, mes);
    }
    EXPECT_GT(preenchidos, 0) << relatorio;
  }
}

TEST_P(TRelatoriosTest, RefusesWhatNamesNothingOrIsNotAllowed) {
  Conexao().ExecuteDirect("delete from GRUPODEMONSCTB where CODIGOEMPRESA = 1");
  const struct {
    std::string Linha;
    int Usuario;
    const char* Mensagem;
  } casos[] = {
      {"ledger --company 1", 1, "uma (e só uma) de --account"},
      {"ledger --company 1 --account CAIXA --classif 1", 1, "uma (e só uma)"},
      {"ledger --company 1 --account NADA", 1, "Conta NADA não cadastrada"},
      {"ledger --company 1 --accounts 1-x", 1, "Intervalo de contas inválido"},
      {"ledger --company 1 --accounts 9000-9999", 1, "Nenhuma conta analítica"},
      {"ledger --company 9 --account 1", 1, "Empresa 9 não cadastrada"},
      {"journal --company 1 --estab 7", 1, "7"},
      {"journal --company 1 --format xlsx", 1, "precisa de --out"},
      {"journal --company 1", 3, "Usuário 3 não cadastrado"},
      {"statements --company 1", 1, "não tem os grupos das demonstrações"},
  };
  for (const auto& caso : casos) {
    EXPECT_EQ(Comando(caso.Linha + " --from 2025-01-01 --to 2025-01-31", "", caso.Usuario), 1)
        << caso.Mensagem;
    EXPECT_NE(FErro.find(caso.Mensagem), std::string::npos) << FErro;
    EXPECT_TRUE(FSaida.empty()) << FSaida;
  }
  // A period backwards is a bad command line.
  EXPECT_EQ(Comando("journal --company 1 --from 2025-02-01 --to 2025-01-01"), 2);
  EXPECT_EQ(FErro,
            "ctb: A data inicial (--from 2025-02-01) é posterior à data final (--to 2025-01-01)\n");
}

TEST_P(TRelatoriosTest, WritesEachFormatToTheFileItNames) {
  for (const auto& [arquivo, inicio] :
       {std::pair{"d.csv", "PAGINA,DATAL"}, std::pair{"d.json", "[\n  {\"PAGINA"},
        std::pair{"d.xlsx", "PK"}, std::pair{"d.txt", "Diário  1 -"}}) {
    ASSERT_EQ(Comando(std::string("journal --company 1 --from 2025-03-01 --to 2025-03-31 --out ") +
                      arquivo),
              0)
        << FErro;
    EXPECT_EQ(FSaida, std::string("Diário gravado em ") + arquivo + "\n");
    EXPECT_EQ(Arquivo(arquivo).rfind(inicio, 0), 0u) << arquivo;
  }
}

CTB_INSTANTIATE_ENGINES(TRelatoriosTest);

}  // namespace
