// `ctb script` through the built program on each engine, on the demo
// company: what a run inserts (and its splits), a run that fails leaving
// nothing, the sandbox and its bounds under attack, the parameters and the
// queries a script may make, and the two example scripts of docs/scripts
// reflected in the trial balance.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "host/commands/ComandoScript.h"
#include "posting/Npowerpinserelctoctb_u.h"
#include "tests/host/TCtbPrograma.h"

namespace {

using json = nlohmann::json;

class TScriptProgramaTest : public TCtbDemoTest {
 protected:
  // Runs `texto` as a script of company 1 with the parameters given.
  int Script(const std::string& texto, const std::vector<std::string>& parametros = {},
             int usuario = 1) {
    Escrever("s.lua", texto);
    std::vector<std::string> args = {"script", "s.lua", "--param", "pCodigoEmpresa=1"};
    args.insert(args.end(), FOpcoes.begin(), FOpcoes.end());
    for (const std::string& parametro : parametros) {
      args.push_back("--param");
      args.push_back(parametro);
    }
    return Ctb(args, "", usuario);
  }

  int64_t Splits() { return Contar("select count(*) from LCTOGER"); }

  // Runs `corpo` inside executar, after an insertion, with a run of
  // `segundos`: the run must fail with a reason starting with `mensagem`, and
  // leave nothing written.
  void FalhaSemGravar(const std::string& corpo, const std::string& mensagem, int segundos = 60) {
    SCOPED_TRACE(corpo);
    const int64_t antes = Lancamentos();
    FOpcoes = {"--tempo", std::to_string(segundos)};
    EXPECT_EQ(
        Script("function executar()\n"
               "  InserirLcto(1, nil, nil, '2025-08-11', nil, 10, 'x', 4201001, 1101003, 10)\n"
               "  " +
               corpo + "\nend"),
        1)
        << FSaida << FErro;
    EXPECT_NE(FSaida.find("Nenhum lançamento foi feito.\n" + mensagem), std::string::npos)
        << FSaida;
    EXPECT_EQ(Lancamentos(), antes);
  }

  std::vector<std::string> FOpcoes;

  // Movement of each account of a period, from the trial balance.
  std::map<int64_t, double> Movimento(const std::string& de, const std::string& ate) {
    EXPECT_EQ(Comando("trial-balance --company 1 --format json --from " + de + " --to " + ate), 0)
        << FErro;
    const json balancete = json::parse(FSaida);
    std::map<int64_t, double> movimento;
    for (const json& linha : balancete["companies"][0]["rows"])
      movimento[linha["CodigoConta"].get<int64_t>()] = linha["MOVIMENTO"].get<double>();
    return movimento;
  }
};

TEST_P(TScriptProgramaTest, InsertsThreeEntriesWithACustomApportionment) {
  const int64_t antes = Lancamentos();
  const int64_t ultima = Contar("select max(CHAVELCTOCTB) from LCTOCTB where CODIGOEMPRESA = 1");
  ASSERT_EQ(Script(R"(
function executar()
  RateioPersonalizado(true)
  ConfigurarRateio(101, 60)
  ConfigurarRateio(201, 40)
  for i = 1, 3 do
    InserirLcto(1, nil, nil, "2025-08-1" .. i, nil, 10, "Provisão " .. i, 4201001,
                conta("BANCO"), 100 * i)
  end
end)"),
            0)
      << FSaida << FErro;
  EXPECT_EQ(Lancamentos(), antes + 3);
  EXPECT_NE(FSaida.find("3 lançamentos inseridos, total 600,00"), std::string::npos) << FSaida;
  // Each side of each entry split 60/40 between the two cost centres.
  std::map<std::tuple<int64_t, int64_t>, double> rateio;
  for (const int natureza : {1, -1})
    for (const int64_t centro : {101, 201})
      rateio[{natureza, centro}] = static_cast<double>(
          Contar("select cast(sum(VALORLCTOGER) * 100 as integer) from LCTOGER where "
                 "CODIGOEMPRESA = 1 and CHAVELCTOCTB > " +
                 std::to_string(ultima) + " and NATURLCTOCTB = " + std::to_string(natureza) +
                 " and CODIGOCENTROCUSTO = " + std::to_string(centro)));
  EXPECT_EQ(rateio,
            (std::map<std::tuple<int64_t, int64_t>, double>{
                {{1, 101}, 36000}, {{1, 201}, 24000}, {{-1, 101}, 36000}, {{-1, 201}, 24000}}));
}

struct TCasoFalha {
  const char* Nome;
  const char* Terceira;  // the third insertion, or what the script does instead
  const char* Mensagem;
};

TEST_P(TScriptProgramaTest, ARunThatFailsOnItsThirdInsertionLeavesNoEntry) {
  const TCasoFalha casos[] = {
      {"data", "InserirLcto(1, nil, nil, '2025-02-30', nil, 3, 'x', 1101001, 1101003, 5)",
       "s.lua:6: O parâmetro '2025-02-30' não pode ser convertido para data!"},
      {"regra", "InserirLcto(1, nil, nil, '2025-08-13', nil, 3, 'x', 1101003, 1101003, 5)",
       "s.lua:6: "},
      {"conta fora do plano",
       "InserirLcto(1, nil, nil, '2025-08-13', nil, 3, 'x', 9999999, 1101003, 5)",
       "s.lua:6: Debite: 9999999 não existe, verifique."},
      {"estabelecimento de outra empresa",
       "InserirLcto(99, nil, nil, '2025-08-13', nil, 3, 'x', 1101001, 1101003, 5)",
       "s.lua:6: Estabelecimento 99 não cadastrado na empresa 1"},
      {"estabelecimento -1, o mesmo que nenhum",
       "InserirLcto(-1, nil, nil, '2025-08-13', nil, 3, 'x', 1101001, 1101003, 5)",
       "s.lua:6: Campo 'CODIGOESTAB' deve ter um valor"},
      {"centro de custo fracionário", "ConfigurarRateio(101.5, 60)",
       "s.lua:6: O parâmetro '101.5' não pode ser convertido para inteiro!"},
      {"arquivo", "io.open('/etc/passwd')", "s.lua:6: io não está disponível"},
      {"programa", "os.execute('touch invadido')", "s.lua:6: os não está disponível"},
      {"script", "error('parou aqui')", "s.lua:6: parou aqui"},
  };
  for (const TCasoFalha& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    const int64_t antes = Lancamentos(), splits = Splits();
    EXPECT_EQ(Script(std::string(R"(
function executar()
  for i = 1, 2 do
    InserirLcto(1, nil, nil, "2025-08-1" .. i, nil, 10, "Folha", 4201001, 1101003, 10)
  end
  )") + caso.Terceira +
                     "\nend"),
              1);
    EXPECT_NE(FSaida.find("Nenhum lançamento foi feito.\n" + std::string(caso.Mensagem)),
              std::string::npos)
        << FSaida;
    EXPECT_EQ(Lancamentos(), antes);
    EXPECT_EQ(Splits(), splits) << "the automatic splits of the first two go with them";
  }
  EXPECT_FALSE(std::filesystem::exists(Arquivo("invadido")));
}

TEST_P(TScriptProgramaTest, ParametersAreDeclaredTypedAndBounded) {
  const char* script = R"(
parametros = { { nome = "pData", titulo = "Data", tipo = "data", obrigatorio = true },
               { nome = "pConta", tipo = "conta", padrao = "CAIXA" } }
function executar()
  print(param("pData"), param("pConta"))
end)";
  ASSERT_EQ(Script(script, {"pData=31/08/2025"}), 0) << FSaida << FErro;
  EXPECT_NE(FSaida.find("2025-08-31\t1101001\n0 lançamentos inseridos"), std::string::npos)
      << FSaida;
  const std::vector<std::pair<std::vector<std::string>, std::string>> recusas = {
      {{}, "O parâmetro Data é obrigatório!"},
      {{"pData=2025-08-31", "pNada=1"}, "Parâmetro inexistente: pNada"},
      {{"pData=ontem"}, "Parâmetro pData: O parâmetro 'ontem' não pode ser convertido para data!"},
      {{"pData=2025-08-31", "pConta=NAOEXISTE"},
       "Parâmetro pConta: Não existe conta contábil com o apelido informado!"},
      {{"pData=2025-08-31", "pConta=" + std::string(201, '1')}, "passa de 200 caracteres"},
      {{"pData"}, "use --param NOME=VALOR"},
      {{"pCodigoEmpresa=99", "pData=2025-08-31"}, "99"},
  };
  for (const auto& [parametros, mensagem] : recusas) {
    SCOPED_TRACE(mensagem);
    EXPECT_EQ(Script(script, parametros), 1);
    EXPECT_NE((FSaida + FErro).find(mensagem), std::string::npos) << FSaida << FErro;
  }
}

TEST_P(TScriptProgramaTest, QueriesReadTheRunsOwnEntriesAndCannotWrite) {
  const int64_t antes = Lancamentos();
  const int64_t daEmpresa = Contar("select count(*) from LCTOCTB where CODIGOEMPRESA = 1");
  ASSERT_EQ(Script(R"(
function executar()
  InserirLcto(1, nil, nil, "2025-08-11", nil, 10, "Folha", 4201001, 1101003, 10)
  local linhas = consulta("select count(*) as n from LCTOCTB where CODIGOEMPRESA = :pEmpresa",
                          { pEmpresa = 1 })
  print("n=" .. linhas[1].n)
end)"),
            0)
      << FSaida << FErro;
  EXPECT_NE(FSaida.find("n=" + std::to_string(daEmpresa + 1)), std::string::npos) << FSaida;

  const std::vector<std::tuple<int, std::string, std::string>> recusas = {
      {1, "delete from LCTOCTB", "Só é aceita uma consulta"},
      {1, "select 1; delete from LCTOCTB", "Só é aceita uma consulta"},
      {1, "with x as (delete from LCTOCTB returning CHAVELCTOCTB) select * from x", ""},
      {2, "select count(*) from USUARIO", "consulta: só o administrador faz consultas livres"},
  };
  for (const auto& [usuario, sql, mensagem] : recusas) {
    SCOPED_TRACE(sql);
    EXPECT_EQ(Script("function executar() consulta(\"" + sql + "\") end", {}, usuario), 1);
    EXPECT_NE(FSaida.find("Nenhum lançamento foi feito.\ns.lua:1: " + mensagem), std::string::npos)
        << FSaida << FErro;
    EXPECT_EQ(Lancamentos(), antes + 1);
  }
}

TEST_P(TScriptProgramaTest, TheExampleScriptsReachTheTrialBalance) {
  // A machine bought in January, and August's telephone bill.
  json compra = LancamentoDemo("2025-01-02", "12000.00");
  compra["fields"]["CONTACTBDEB"] = "MAQUINAS";
  ASSERT_EQ(Post(compra), 0) << FSaida;
  json telefone = LancamentoDemo("2025-08-11", "250.00");
  telefone["fields"]["CONTACTBDEB"] = 4202004;
  ASSERT_EQ(Post(telefone), 0) << FSaida;
  const std::string pasta = std::string(CTB_SCRIPTS_DIR) + "/";

  ASSERT_EQ(Ctb({"script", pasta + "depreciacao-mensal.lua", "--param", "pCodigoEmpresa=1",
                 "--param", "pData=2025-12-31"}),
            0)
      << FSaida << FErro;
  EXPECT_NE(FSaida.find("1 lançamento inserido, total 100,00"), std::string::npos) << FSaida;
  ASSERT_EQ(Ctb({"script", pasta + "reclassificacao.lua", "--param", "pCodigoEmpresa=1", "--param",
                 "pDe=2025-08-01", "--param", "pAte=2025-08-31", "--param", "pOrigem=4.2.02.004",
                 "--param", "pDestino=4.2.02.005"}),
            0)
      << FSaida << FErro;

  const std::map<int64_t, double> dezembro = Movimento("2025-12-01", "2025-12-31");
  EXPECT_DOUBLE_EQ(dezembro.at(4202009), 100);   // depreciation expense
  EXPECT_DOUBLE_EQ(dezembro.at(1204002), -100);  // accumulated, machines
  const std::map<int64_t, double> agosto = Movimento("2025-08-01", "2025-08-31");
  EXPECT_EQ(agosto.count(4202004) == 0 || agosto.at(4202004) == 0, true);
  EXPECT_DOUBLE_EQ(agosto.at(4202005), 250);
}

TEST_P(TScriptProgramaTest, ABoundOnceReachedEndsTheRunEvenWhenTheScriptCatchesIt) {
  // Time or instructions, whichever a loaded machine reaches first.
  const char* const kTempo = "s.lua:3: o script passou do limite de ";
  const std::pair<const char*, const char*> casos[] = {
      {"while true do pcall(function() while true do end end) end", kTempo},
      {"pcall(function() while true do end end)\n"
       "  InserirLcto(1, nil, nil, '2025-08-12', nil, 10, 'y', 4201001, 1101003, 10)",
       kTempo},
      {"pcall(function() while true do end end)\n  return", kTempo},
      {"xpcall(function() while true do end end, function() while true do end end)", kTempo},
      {"xpcall(function() while true do end end, function(e)\n"
       "  InserirLcto(1, nil, nil, '2025-08-12', nil, 10, 'y', 4201001, 1101003, 10) end)",
       kTempo},
  };
  for (const auto& [corpo, mensagem] : casos)
    FalhaSemGravar(corpo, mensagem, 1);
  FalhaSemGravar(
      "local t = {}\n  while true do pcall(function()\n"
      "    while true do t[#t + 1] = string.rep('x', 2 ^ 19) .. #t end end) end",
      "o script passou do limite de memória");
}

TEST_P(TScriptProgramaTest, WhatRunsInsideCIsBoundedBySizeAndFinalizersAreRefused) {
  const std::pair<const char*, const char*> casos[] = {
      {"local s = string.rep('a', 70000)\n  s:find('.-.-.-.-.-.-b')",
       "s.lua:4: o texto de uma busca de padrão passa de 64 KiB"},
      {"for _ in string.rep('a', 70000):gmatch('.-b') do end",
       "s.lua:3: o texto de uma busca de padrão passa de 64 KiB"},
      {"local s = string.rep('x', 2 ^ 21)",
       "s.lua:3: o resultado de string.rep passaria de 1024 KiB"},
      // The same bound on every text the script makes, whoever makes it.
      {"local s = string.rep('x', 2 ^ 20)\n  local t = s .. s",
       "s.lua:4: o resultado de uma concatenação passaria de 1024 KiB"},
      {"local s = string.rep('x', 2 ^ 19)\n  pcall(function() return table.concat({s, s, 'x'}) "
       "end)",
       "s.lua:4: o resultado de uma concatenação passaria de 1024 KiB"},
      {"setmetatable({}, { __gc = function() while true do end end })",
       "s.lua:3: __gc não está disponível nos scripts"},
  };
  for (const auto& [corpo, mensagem] : casos)
    FalhaSemGravar(corpo, mensagem);
}

TEST_P(TScriptProgramaTest, ARunStuckInsideALibraryFunctionIsEndedWithNothingWritten) {
  const auto inicio = std::chrono::steady_clock::now();
  // Backtracking over a subject under the bound: no hook fires in there.
  FalhaSemGravar("local s = string.rep('a', 60000)\n  s:find('.-.-.-.-.-.-b')",
                 "s.lua: o script passou do limite de 1 segundo", 1);
  EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(30));
}

TEST_P(TScriptProgramaTest, AQueryIsBoundedInRowsAndTimeWhateverItsText) {
  const std::string kContagem =
      "with recursive r(n) as (select 1 union all select n + 1 from r where n < ";
  const std::pair<std::string, std::string> casos[] = {
      {kContagem + "20000) select n from r",
       "s.lua:3: A consulta passou do limite de 10000 linhas"},
      // Text after a comment reaches no bound: the query alone is what runs.
      {kContagem + "20000) select n from r) x --", "s.lua:3: "},
  };
  for (const auto& [sql, mensagem] : casos)
    FalhaSemGravar("print(#consulta('" + sql + "'))", mensagem);
  FalhaSemGravar("print(#consulta('" + kContagem + "1000000000) select count(*) from r'))",
                 "s.lua:3: A consulta passou do limite de tempo", 1);
}

CTB_INSTANTIATE_ENGINES(TScriptProgramaTest);

TEST(ComandoScriptTest, TheReportNamesEveryKeyAndEveryKeyReplaced) {
  const std::vector<TnLctoInserido> inseridos = {
      {57, EncodeDate(2025, 8, 1), Currency(1500)},
      {60, EncodeDate(2025, 8, 2), Currency::FromDouble(0.25)}};
  EXPECT_EQ(ComandoScript::Relatorio({"aviso"}, inseridos, {{1, 58, 60}}),
            "aviso\n2 lançamentos inseridos, total 1.500,25\nchaves: 57, 60\n"
            "chave trocada: empresa 1, 58 -> 60\nOperação finalizada.");
  EXPECT_EQ(ComandoScript::Parametro("pData=a=b"),
            std::make_pair(std::string("pData"), std::string("a=b")));
  EXPECT_THROW(ComandoScript::Parametro("=1"), Exception);
}

}  // namespace
