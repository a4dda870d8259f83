// The script sandbox: what a script cannot reach, the bounds that stop it,
// and errors that name the script's line.

#include "posting/TnScriptLua.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "framework/core/Exceptions.h"
#include "posting/Npowerpinserelctoctb_u.h"
#include "posting/TnScriptInsereLctoCtb.h"

namespace {

TEST(TnScriptLuaTest, ARefusedScriptIsStoppedWithAMessageAtItsLine) {
  const struct {
    const char* Nome;
    const char* Script;
    const char* Mensagem;  // part of the error
  } casos[] = {
      {"io", "local x = 1\nlocal f = io.open('/etc/passwd')",
       "teste.lua:2: io não está disponível"},
      {"os", "\n\nos.execute('touch /tmp/x')", "teste.lua:3: os não está disponível"},
      {"require", "require('socket')", "require não está disponível"},
      {"load", "load('return 1')()", "load não está disponível"},
      {"dofile", "dofile('/etc/passwd')", "dofile não está disponível"},
      {"dump", "string.dump(print)", "attempt to call a nil value"},
      {"laco", "while true do end",
       "teste.lua:1: o script passou do limite de 2 milhões de instruções"},
      {"memoria", "local t = {}\nfor i = 1, 1e7 do t[i] = string.rep('x', 100) .. i end",
       "limite de memória"},
      {"sintaxe", "x = = 1", "teste.lua:1:"},
      {"repeticao", "\nstring.rep('ab', math.maxinteger, ',')",
       "teste.lua:2: o resultado de string.rep passaria de 1024 KiB"},
      {"registrada", "local a = 1\n\nfalhar()", "teste.lua:3: recusado pelo sistema"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    TnScriptLua::TLimites limites;
    limites.Instrucoes = 2'000'000;
    limites.Memoria = size_t{4} << 20;
    TnScriptLua lua(limites);
    lua.Registrar("falhar", [](TnScriptLua&) -> int { throw Exception("recusado pelo sistema"); });
    try {
      lua.Executar(caso.Script, "teste.lua");
      ADD_FAILURE() << "the script ran";
    } catch (const EScriptLua& erro) {
      EXPECT_NE(std::string(erro.what()).find(caso.Mensagem), std::string::npos) << erro.what();
    }
  }
}

// A bound takes what reaches it and refuses one byte more.
TEST(TnScriptLuaTest, TextBoundsTakeTheirLimitAndRefuseOneByteMore) {
  const struct {
    const char* Script;
    const char* Mensagem;  // null: runs
  } casos[] = {
      {"string.find(string.rep('a', 64 * 1024), 'b')", nullptr},
      {"string.find(string.rep('a', 64 * 1024 + 1), 'b')",
       "o texto de uma busca de padrão passa de 64 KiB"},
      {"string.rep('x', 1024 * 1024)", nullptr},
      {"string.rep('x', 1024 * 1024 + 1)", "o resultado de string.rep passaria de 1024 KiB"},
      {"string.rep('ab', 512 * 1024, '')", nullptr},
      {"string.rep('ab', 512 * 1024 + 1)", "o resultado de string.rep passaria de 1024 KiB"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.Script);
    TnScriptLua lua({});
    try {
      lua.Executar(caso.Script, "t.lua");
      EXPECT_EQ(caso.Mensagem, nullptr) << "the script ran";
    } catch (const EScriptLua& erro) {
      ASSERT_NE(caso.Mensagem, nullptr) << erro.what();
      EXPECT_NE(std::string(erro.what()).find(caso.Mensagem), std::string::npos) << erro.what();
    }
  }
}

TEST(TnScriptLuaTest, RegisteredFunctionsExchangeTypedValues) {
  TnScriptLua lua({});
  Value recebido;
  lua.Registrar("eco", [&](TnScriptLua& l) {
    recebido = l.Argumento(1);
    l.Empilhar(Value(EncodeDate(2025, 8, 31)));
    return 1;
  });
  lua.Executar("resultado = { { data = eco(42) } }", "t.lua");
  EXPECT_EQ(recebido.Type(), TValueType::Integer);
  const auto lista = lua.GlobalListaDeTabelas("resultado");
  ASSERT_EQ(lista.size(), 1u);
  EXPECT_EQ(lista[0][0].second.AsString(), "2025-08-31");
}

// The texts of the arguments of an insertion, as each field converts them.
TEST(TConversaoTest, ConvertsOrRefusesWithTheText) {
  const struct {
    Value Entrada;
    std::optional<int64_t> Inteiro;  // -2: refused
    double Numerico;                 // -2: refused
  } casos[] = {{Value(), std::nullopt, 0}, {Value(""), std::nullopt, 0},
               {Value(" 12 "), 12, 12},    {Value(int64_t{7}), 7, 7},
               {Value("10,50"), -2, 10.5}, {Value("3000000000"), -2, 3e9},
               {Value("12abc"), -2, -2}};
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.Entrada.AsString());
    if (caso.Inteiro == -2)
      EXPECT_THROW(TnPowerPInsereLctoCtb::ConverteParamInteiro(caso.Entrada), Exception);
    else
      EXPECT_EQ(TnPowerPInsereLctoCtb::ConverteParamInteiro(caso.Entrada), caso.Inteiro);
    if (caso.Numerico == -2)
      EXPECT_THROW(TnPowerPInsereLctoCtb::ConverteParamNumerico(caso.Entrada), Exception);
    else
      EXPECT_DOUBLE_EQ(TnPowerPInsereLctoCtb::ConverteParamNumerico(caso.Entrada), caso.Numerico);
  }
}

TEST(TConversaoDataTest, ADateThatIsNotOneNamesTheText) {
  EXPECT_EQ(TnPowerPInsereLctoCtb::ConverteParamData(Value("31/08/2025")), EncodeDate(2025, 8, 31));
  try {
    TnPowerPInsereLctoCtb::ConverteParamData(Value("2025-13-01"));
    FAIL();
  } catch (const Exception& erro) {
    EXPECT_STREQ(erro.what(), "O parâmetro '2025-13-01' não pode ser convertido para data!");
  }
}

// A script's declarations become the process's parameters; wrong ones stop
// the script before it runs.
TEST(TnScriptInsereLctoCtbTest, DeclaredParametersAreCheckedBeforeTheRun) {
  const std::pair<std::string, const char*> casos[] = {
      {"{ { nome = '1x' } }", "nome de parâmetro inválido"},
      {"{ { nome = 'pA', tipo = 'arquivo' } }", "tipo de parâmetro desconhecido: arquivo"},
      {"{ { nome = 'pA' }, { nome = 'PA' } }", "Parâmetro duplicado: PA"},
      {"{ { nome = 'pA', padrao = string.rep('x', 201) } }", "passa de 200 caracteres"},
      {"{ 'pA' }", "deve ser uma lista de tabelas"},
      {"{} InserirLcto(1)", "d.lua:1: InserirLcto só pode ser chamada dentro de executar()"},
  };
  for (const auto& [declaracao, mensagem] : casos) {
    TnPowerPInsereLctoCtb processo;
    try {
      TnScriptInsereLctoCtb script(processo, "parametros = " + declaracao, "d.lua", {});
      ADD_FAILURE() << declaracao;
    } catch (const EScriptLua& erro) {
      EXPECT_NE(std::string(erro.what()).find(mensagem), std::string::npos) << erro.what();
    }
  }
  TnPowerPInsereLctoCtb processo;
  TnScriptInsereLctoCtb script(
      processo, "parametros = { { nome = 'pValor', tipo = 'numero', obrigatorio = true } }",
      "d.lua", {});
  EXPECT_TRUE(processo.Param("pValor").Obrigatorio);
  EXPECT_THROW(script.DefinirParametros({{"pValor", "dez"}}), Exception);
  script.DefinirParametros({{"pValor", "10,5"}});
  EXPECT_EQ(processo.Param("pValor").AsString(), "10,5");
}

// An argument naming a parameter takes its value; any other text is itself.
TEST(TnPowerPInsereLctoCtbTest, ArgumentsNamingAParameterTakeItsValue) {
  TnPowerPInsereLctoCtb processo;
  processo.npqPowerParam.Add("pData", "Data", TTipoParam::tpData).SetValor("2025-08-31");
  processo.npqPowerParam.Add("pVazio", "Vazio", TTipoParam::tpTexto);
  EXPECT_EQ(processo.VerificaParametro(Value("PDATA")).AsString(), "2025-08-31");
  EXPECT_TRUE(processo.VerificaParametro(Value("pVazio")).IsNull());
  EXPECT_EQ(processo.VerificaParametro(Value("Folha de agosto")).AsString(), "Folha de agosto");
  EXPECT_EQ(processo.VerificaParametro(Value(int64_t{3})).AsInteger(), 3);
}

TEST(TnPowerPInsereLctoCtbTest, CustomSharesMustAddUpToBetweenAHundredthAndAHundredPercent) {
  const std::pair<std::vector<double>, bool> casos[] = {
      {{}, false},          {{0.01}, true},   {{60, 40}, true}, {{33.33, 33.33, 33.34}, true},
      {{60, 40.01}, false}, {{0.004}, false},
  };
  for (const auto& [percentuais, aceito] : casos) {
    TnPowerPInsereLctoCtb processo;
    for (const double percentual : percentuais)
      processo.ConfigurarRateio(101, TTaxaFixa::FromValue(Value(percentual)));
    if (aceito)
      EXPECT_NO_THROW(processo.VerificaSomaPercentuais()) << percentuais.size();
    else
      EXPECT_THROW(processo.VerificaSomaPercentuais(), Exception) << percentuais.size();
  }
}

}  // namespace
