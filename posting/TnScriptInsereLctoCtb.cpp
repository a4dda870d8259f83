#include "posting/TnScriptInsereLctoCtb.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <optional>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/db/ConsultaSomenteLeitura.h"
#include "framework/db/TnDMConexao.h"
#include "posting/Npowerpinserelctoctb_u.h"

namespace {

constexpr size_t kTamanhoNome = 40;
constexpr size_t kTamanhoTitulo = 100;
constexpr size_t kTamanhoConsulta = size_t{8} * 1024;

struct TTipoDeclarado {
  const char* Nome;
  TnScriptInsereLctoCtb::TTipo Tipo;
  TTipoParam TipoParam;
};
constexpr TTipoDeclarado kTipos[] = {
    {"inteiro", TnScriptInsereLctoCtb::TTipo::Inteiro, TTipoParam::tpInteiro},
    {"numero", TnScriptInsereLctoCtb::TTipo::Numero, TTipoParam::tpNumero},
    {"data", TnScriptInsereLctoCtb::TTipo::Data, TTipoParam::tpData},
    {"texto", TnScriptInsereLctoCtb::TTipo::Texto, TTipoParam::tpTexto},
    {"conta", TnScriptInsereLctoCtb::TTipo::Conta, TTipoParam::tpTexto},
    {"historico", TnScriptInsereLctoCtb::TTipo::Historico, TTipoParam::tpInteiro},
};

bool Identificador(const std::string& nome) {
  return !nome.empty() && nome.size() <= kTamanhoNome &&
         std::isalpha(static_cast<unsigned char>(nome[0])) &&
         std::all_of(nome.begin(), nome.end(), [](char c) {
           return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
         });
}

const Value* Campo(const std::vector<std::pair<std::string, Value>>& campos, const char* nome) {
  for (const auto& [chave, valor] : campos)
    if (chave == nome)
      return &valor;
  return nullptr;
}

std::string TextoDe(const std::vector<std::pair<std::string, Value>>& campos, const char* nome) {
  const Value* valor = Campo(campos, nome);
  return valor == nullptr || valor->IsNull() ? std::string() : valor->AsString();
}

std::string Limitado(const std::string& texto, size_t maximo, const std::string& oque) {
  if (texto.size() > maximo)
    throw Exception(fmt::format("{} passa de {} caracteres", oque, maximo));
  return texto;
}

}  // namespace

TnScriptInsereLctoCtb::TnScriptInsereLctoCtb(TnPowerPInsereLctoCtb& processo,
                                             const std::string& texto, const std::string& nome,
                                             const TOpcoes& opcoes)
    : FProcesso(processo), FOpcoes(opcoes), FLua(opcoes.Limites), FNome(nome) {
  if (texto.size() > kTamanhoMaximo)
    throw EScriptLua(fmt::format("O script {} passa de {} KiB", nome, kTamanhoMaximo / 1024));
  RegistrarFuncoes();
  FLua.Executar(texto, nome);
  Declarar();
}

void TnScriptInsereLctoCtb::Declarar() {
  const auto declaracoes = FLua.GlobalListaDeTabelas("parametros");
  if (declaracoes.size() > kMaximoParametros)
    throw EScriptLua(fmt::format("{}: mais de {} parâmetros", FNome, kMaximoParametros));
  for (const auto& campos : declaracoes) {
    const std::string nome = TextoDe(campos, "nome");
    try {
      if (!Identificador(nome))
        throw Exception(fmt::format("nome de parâmetro inválido: \"{}\"", nome));
      const std::string tipo = TextoDe(campos, "tipo").empty() ? "texto" : TextoDe(campos, "tipo");
      const auto declarado = std::find_if(std::begin(kTipos), std::end(kTipos),
                                          [&](const TTipoDeclarado& t) { return tipo == t.Nome; });
      if (declarado == std::end(kTipos))
        throw Exception("tipo de parâmetro desconhecido: " + tipo);
      const std::string titulo = TextoDe(campos, "titulo");
      const Value* obrigatorio = Campo(campos, "obrigatorio");
      FProcesso.npqPowerParam.Add(
          nome, Limitado(titulo.empty() ? nome : titulo, kTamanhoTitulo, "O título"),
          declarado->TipoParam, "",
          obrigatorio != nullptr && !obrigatorio->IsNull() && obrigatorio->AsBoolean());
      FTipos[Nutil::UpperCase(nome)] = declarado->Tipo;
      const std::string padrao = TextoDe(campos, "padrao");
      if (!padrao.empty())
        FProcesso.Param(nome).SetDefault(Limitado(padrao, kTamanhoValor, "O valor padrão"));
    } catch (const Exception& erro) {
      throw EScriptLua(fmt::format("{}: parâmetro \"{}\": {}", FNome, nome, erro.what()));
    }
  }
}

TnScriptInsereLctoCtb::TTipo TnScriptInsereLctoCtb::TipoDe(const std::string& nome) const {
  auto it = FTipos.find(Nutil::UpperCase(nome));
  return it == FTipos.end() ? TTipo::Inteiro : it->second;
}

int64_t TnScriptInsereLctoCtb::Empresa() {
  return FProcesso.CodigoEmpresa();
}

// ---- Parameters ----

void TnScriptInsereLctoCtb::DefinirParametros(
    const std::vector<std::pair<std::string, std::string>>& valores) {
  // The company first: the account helpers read it.
  for (const bool empresa : {true, false})
    for (const auto& [nome, valor] : valores)
      if ((Nutil::UpperCase(nome) == Nutil::UpperCase(TnPowerPInsereLctoCtb::kParamEmpresa)) ==
          empresa)
        DefinirParametro(nome, valor);
}

void TnScriptInsereLctoCtb::DefinirParametro(const std::string& nome, const std::string& valor) {
  TnpqParamItem& item = FProcesso.Param(nome);
  try {
    Limitado(valor, kTamanhoValor, "O valor");
    const Value texto(valor);
    switch (TipoDe(nome)) {
      case TTipo::Inteiro:
      case TTipo::Historico:
        TnPowerPInsereLctoCtb::ConverteParamInteiro64(texto);
        break;
      case TTipo::Numero:
        TnPowerPInsereLctoCtb::ConverteParamNumerico(texto);
        break;
      case TTipo::Data:
        if (!Nutil::Trim(valor).empty())
          TnPowerPInsereLctoCtb::ConverteParamData(texto);
        break;
      case TTipo::Conta:
        if (!Nutil::Trim(valor).empty()) {
          item.SetValor(std::to_string(FProcesso.ContaDoTexto(valor)));
          return;
        }
        break;
      case TTipo::Texto:
        break;
    }
    item.SetValor(valor);
  } catch (const Exception& erro) {
    throw Exception(fmt::format("Parâmetro {}: {}", item.Alias(), erro.what()));
  }
}

void TnScriptInsereLctoCtb::ResolverContas() {
  for (const auto& [nome, tipo] : FTipos) {
    TnpqParamItem& item = FProcesso.Param(nome);
    if (tipo == TTipo::Conta && !item.Vazio())
      item.SetValor(std::to_string(FProcesso.ContaDoTexto(item.AsString())));
  }
}

Value TnScriptInsereLctoCtb::ValorParametro(const std::string& nome) {
  const TnpqParamItem& item = FProcesso.Param(nome);
  if (item.Vazio())
    return Value();
  Value texto(item.AsString());
  switch (TipoDe(nome)) {
    case TTipo::Inteiro:
    case TTipo::Historico:
    case TTipo::Conta: {
      const std::optional<int64_t> numero = TnPowerPInsereLctoCtb::ConverteParamInteiro64(texto);
      return numero ? Value(*numero) : Value();
    }
    case TTipo::Numero:
      return Value(TnPowerPInsereLctoCtb::ConverteParamNumerico(texto));
    case TTipo::Data:
      return Value(DateToIso(TnPowerPInsereLctoCtb::ConverteParamData(texto)));
    case TTipo::Texto:
      break;
  }
  return texto;
}

// ---- The run ----

void TnScriptInsereLctoCtb::Executar() {
  FProcesso.SetAoExecutar([this] {
    ResolverContas();
    FEmExecucao = true;
    struct TFim {
      bool& EmExecucao;
      ~TFim() { EmExecucao = false; }
    } fim{FEmExecucao};
    if (!FLua.Chamar("executar"))
      throw EScriptLua(FNome + ": o script não define a função executar");
  });
  FProcesso.Executar();
}

void TnScriptInsereLctoCtb::RegistrarNaExecucao(const std::string& nome,
                                                TnScriptLua::TFuncao funcao) {
  FLua.Registrar(nome, [this, nome, funcao = std::move(funcao)](TnScriptLua& lua) {
    if (!FEmExecucao)
      throw Exception(nome + " só pode ser chamada dentro de executar()");
    return funcao(lua);
  });
}

void TnScriptInsereLctoCtb::RegistrarFuncoes() {
  FLua.Registrar("param", [this](TnScriptLua& lua) {
    lua.Empilhar(ValorParametro(lua.Argumento(1).AsString()));
    return 1;
  });
  RegistrarNaExecucao("InserirLcto", [this](TnScriptLua& lua) { return InserirLcto(lua); });
  RegistrarNaExecucao("ConfigurarRateio", [this](TnScriptLua& lua) {
    // A cost centre is a code: a fraction is refused, nil is none (0).
    FProcesso.ConfigurarRateio(
        TnPowerPInsereLctoCtb::ConverteParamInteiro64(lua.Argumento(1)).value_or(0),
        TTaxaFixa::FromValue(
            Value(TnPowerPInsereLctoCtb::ConverteParamNumerico(lua.Argumento(2)))));
    return 0;
  });
  RegistrarNaExecucao("RateioPersonalizado", [this](TnScriptLua& lua) {
    FProcesso.SetLancGerencialAuto(!lua.Argumento(1).AsBoolean());
    return 0;
  });
  RegistrarNaExecucao("LimparRateio", [this](TnScriptLua&) {
    FProcesso.LimparRateio();
    return 0;
  });
  RegistrarNaExecucao("conta", [this](TnScriptLua& lua) {
    lua.Empilhar(Value(FProcesso.ContaDoTexto(lua.Argumento(1).AsString())));
    return 1;
  });
  RegistrarNaExecucao("historico", [this](TnScriptLua& lua) {
    lua.Empilhar(Value(FProcesso.DescricaoHistorico(lua.Argumento(1))));
    return 1;
  });
  RegistrarNaExecucao("contas", [this](TnScriptLua& lua) { return Contas(lua); });
  RegistrarNaExecucao("saldo", [this](TnScriptLua& lua) { return Saldo(lua, false); });
  RegistrarNaExecucao("movimento", [this](TnScriptLua& lua) { return Saldo(lua, true); });
  RegistrarNaExecucao("consulta", [this](TnScriptLua& lua) { return Consulta(lua); });
  FLua.Registrar("print", [this](TnScriptLua& lua) { return Imprimir(lua); });
}

int TnScriptInsereLctoCtb::InserirLcto(TnScriptLua& lua) {
  if (lua.Argumentos() > 10)
    throw Exception("InserirLcto recebe dez argumentos");
  TnPowerPInsereLctoCtb::TArgumentos argumentos;
  for (int i = 0; i < 10; ++i)
    argumentos[static_cast<size_t>(i)] = lua.Argumento(i + 1);
  lua.Empilhar(Value(FProcesso.InserirLcto(argumentos)));
  return 1;
}

int TnScriptInsereLctoCtb::Contas(TnScriptLua& lua) {
  const std::string grupo = Limitado(lua.Argumento(1).AsString(), 30, "O grupo");
  const TDbResult contas = FProcesso.Conexao().ExecuteQuery(
      "select CONTACTB, CLASSIFCONTA, APELIDOCONTA, DESCRCONTA from PLANOESPEC where "
      "CODIGOEMPRESA = :pEmpresa and TIPOCONTA = 2 and (CLASSIFCONTA = :pGrupo or "
      "CLASSIFCONTA like :pPrefixo) order by CLASSIFCONTA",
      {{"pEmpresa", Value(Empresa())},
       {"pGrupo", Value(grupo)},
       {"pPrefixo", Value(grupo + ".%")}});
  lua.EmpilharTabela();
  int64_t i = 0;
  for (const ValueArray& linha : contas.Rows) {
    lua.EmpilharTabela();
    lua.DefinirCampo("conta", linha[0]);
    lua.DefinirCampo("classificacao", Value(Nutil::Trim(linha[1].AsString())));
    lua.DefinirCampo("apelido",
                     linha[2].IsNull() ? Value() : Value(Nutil::Trim(linha[2].AsString())));
    lua.DefinirCampo("descricao", linha[3]);
    lua.DefinirItem(++i);
  }
  return 1;
}

int TnScriptInsereLctoCtb::Saldo(TnScriptLua& lua, bool periodo) {
  const Value conta(FProcesso.ContaDoTexto(lua.Argumento(1).AsString()));
  const TDateTime ate = TnPowerPInsereLctoCtb::ConverteParamData(lua.Argumento(periodo ? 3 : 2));
  const TDateTime de =
      periodo ? TnPowerPInsereLctoCtb::ConverteParamData(lua.Argumento(2)) : EncodeDate(1900, 1, 1);
  const Value valor = FProcesso.Conexao().ExecuteScalar(
      "select coalesce(sum(case when CONTACTBDEB = :pConta then VALORLCTOCTB else 0 end), 0) - "
      "coalesce(sum(case when CONTACTBCRED = :pConta then VALORLCTOCTB else 0 end), 0) from "
      "LCTOCTB where CODIGOEMPRESA = :pEmpresa and DATALCTOCTB between :pDe and :pAte and "
      "(CONTACTBDEB = :pConta or CONTACTBCRED = :pConta)",
      {{"pConta", conta},
       {"pEmpresa", Value(Empresa())},
       {"pDe", Value(de)},
       {"pAte", Value(ate)}});
  lua.Empilhar(Value(Nutil::RoundTo(valor.IsNull() ? 0.0 : valor.AsFloat(), -2)));
  return 1;
}

int TnScriptInsereLctoCtb::Consulta(TnScriptLua& lua) {
  // A free query reads every company and every user: the administrator's.
  if (!FOpcoes.ConsultaLivre)
    throw Exception("consulta: só o administrador faz consultas livres num script");
  const std::string sql = Limitado(lua.Argumento(1).AsString(), kTamanhoConsulta, "A consulta");
  TParams params;
  if (lua.ArgumentoTabela(2))
    for (auto& [nome, valor] : lua.CamposTabela(2))
      params.emplace_back(nome, std::move(valor));
  const TDbResult resultado = ConsultaSomenteLeitura::Executar(
      FProcesso.Conexao(), sql, params,
      {kMaximoLinhas, static_cast<int>(FLua.TempoRestante().count())});
  lua.EmpilharTabela();
  int64_t i = 0;
  for (const ValueArray& linha : resultado.Rows) {
    lua.EmpilharTabela();
    for (size_t c = 0; c < resultado.Columns.size(); ++c)
      lua.DefinirCampo(Nutil::LowerCase(resultado.Columns[c].Name), linha[c]);
    lua.DefinirItem(++i);
  }
  return 1;
}

int TnScriptInsereLctoCtb::Imprimir(TnScriptLua& lua) {
  if (FProcesso.Mensagens().Count() >= kMaximoMensagens)
    throw Exception(fmt::format("o script passou de {} mensagens", kMaximoMensagens));
  std::string linha;
  for (int i = 1; i <= lua.Argumentos(); ++i) {
    const Value valor = lua.Argumento(i);
    linha += (i > 1 ? "\t" : "") + (valor.IsNull() ? std::string("nil") : valor.AsString());
  }
  FProcesso.Msg(TTipoMensagem::tmInformacao, Limitado(linha, 4096, "A mensagem"));
  return 0;
}
