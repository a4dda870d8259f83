#include "posting/TnScriptLua.h"

#include <lua.hpp>

#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "framework/core/TDateTime.h"

namespace {

// The hook runs every so many instructions: rare enough to cost nothing,
// often enough to stop a loop within a fraction of a second.
constexpr int kPassoGancho = 10'000;

// The state's owner, kept in the registry-free extra space of the state.
TnScriptLua*& Dono(lua_State* L) {
  return *static_cast<TnScriptLua**>(lua_getextraspace(L));
}

const char* const kBibliotecasBase[] = {"dofile", "loadfile", "load", "collectgarbage", "print"};

// A script that reaches for what it does not have is told so by name, at
// its line, instead of meeting a nil.
constexpr const char* kAvisoIndisponiveis = R"lua(
local indisponiveis = { io = true, os = true, package = true, require = true, debug = true,
                        dofile = true, loadfile = true, load = true, collectgarbage = true }
setmetatable(_G, { __index = function(_, nome)
  if indisponiveis[nome] then
    error(nome .. " não está disponível nos scripts (sem arquivos, ambiente ou rede)", 2)
  end
end })
)lua";

const char* const kMensagemMemoria = "o script passou do limite de memória";

// The library function a wrapper below stands for, kept as its upvalue and
// called in the wrapper's own frame, so that its errors name the script's
// line and the function as the script called it.
int Original(lua_State* L) {
  return lua_tocfunction(L, lua_upvalueindex(1))(L);
}

// find, match, gmatch and gsub: a pattern that backtracks costs a power of
// the subject's length inside C, where no hook fires.
int PadraoLimitado(lua_State* L) {
  size_t tamanho = 0;
  luaL_checklstring(L, 1, &tamanho);
  if (tamanho > TnScriptLua::kTextoPadrao)
    return luaL_error(L, "o texto de uma busca de padrão passa de %d KiB",
                      static_cast<int>(TnScriptLua::kTextoPadrao / 1024));
  return Original(L);
}

// Whether `n` copies of a text of `tamanho` bytes with `separador` bytes
// between them pass `limite`.
constexpr bool PassaDe(size_t tamanho, size_t separador, lua_Integer n, size_t limite) {
  if (n <= 0 || tamanho + separador == 0)
    return false;
  return tamanho > limite ||
         static_cast<lua_Unsigned>(n - 1) > (limite - tamanho) / (tamanho + separador);
}

int RepLimitado(lua_State* L) {
  size_t tamanho = 0, separador = 0;
  luaL_checklstring(L, 1, &tamanho);
  luaL_optlstring(L, 3, "", &separador);
  if (PassaDe(tamanho, separador, luaL_checkinteger(L, 2), TnScriptLua::kResultadoTexto))
    return luaL_error(L, "o resultado de string.rep passaria de %d KiB",
                      static_cast<int>(TnScriptLua::kResultadoTexto / 1024));
  return Original(L);
}

// A finalizer runs when the collector or the closing state decides, outside
// every bound.
int MetatabelaSemFinalizador(lua_State* L) {
  if (lua_type(L, 2) == LUA_TTABLE) {
    lua_pushliteral(L, "__gc");
    const bool finalizador = lua_rawget(L, 2) != LUA_TNIL;
    lua_pop(L, 1);
    if (finalizador)
      return luaL_error(L, "__gc não está disponível nos scripts");
  }
  return Original(L);
}

struct TEmbrulho {
  const char* Biblioteca;  // null: the globals
  const char* Nome;
  lua_CFunction Funcao;
};
constexpr TEmbrulho kEmbrulhos[] = {
    {LUA_STRLIBNAME, "find", &PadraoLimitado},
    {LUA_STRLIBNAME, "match", &PadraoLimitado},
    {LUA_STRLIBNAME, "gmatch", &PadraoLimitado},
    {LUA_STRLIBNAME, "gsub", &PadraoLimitado},
    {LUA_STRLIBNAME, "rep", &RepLimitado},
    {nullptr, "setmetatable", &MetatabelaSemFinalizador},
};

}  // namespace

TnScriptLua::TnScriptLua(const TLimites& limites) : FLimites(limites) {
  FL = lua_newstate(&TnScriptLua::Alocar, this);
  if (FL == nullptr)
    throw EScriptLua("Não foi possível criar o ambiente do script");
  Dono(FL) = this;
  {
    // A string's header inside the interpreter, measured on one too long
    // to be shared, so that the text bound is on the text's own length.
    const std::string medida(64, 'x');
    lua_pushlstring(FL, medida.data(), medida.size());
    lua_pop(FL, 1);
    FCabecalhoTexto = FUltimoTexto - medida.size();
  }
  FInicio = std::chrono::steady_clock::now();
  lua_sethook(FL, &TnScriptLua::Gancho, LUA_MASKCOUNT, kPassoGancho);
  AbrirBibliotecas();
  Executar(kAvisoIndisponiveis, "ambiente");
  if (FLimites.AoTravar)
    FVigia = std::thread([this] { Vigiar(); });
}

TnScriptLua::~TnScriptLua() {
  if (FVigia.joinable()) {
    {
      std::lock_guard<std::mutex> lock(FMutexVigia);
      FFimVigia = true;
    }
    FSinalVigia.notify_one();
    FVigia.join();
  }
  // Closing frees everything; nothing is refused while it does.
  ++FNativas;
  lua_close(FL);
}

void* TnScriptLua::Alocar(void* ud, void* ptr, size_t tamanhoAntigo, size_t tamanhoNovo) {
  auto* self = static_cast<TnScriptLua*>(ud);
  const size_t antigo = ptr == nullptr ? 0 : tamanhoAntigo;
  if (tamanhoNovo == 0) {
    std::free(ptr);
    self->FMemoria -= antigo;
    return nullptr;
  }
  // With no block yet, the old size is the kind of object being made.
  if (ptr == nullptr && tamanhoAntigo == LUA_TSTRING) {
    if (self->FNativas == 0 && tamanhoNovo - self->FCabecalhoTexto > kResultadoTexto) {
      self->RecusarTexto();
      return nullptr;
    }
    self->FUltimoTexto = tamanhoNovo;
  }
  if (self->FNativas == 0 && tamanhoNovo > antigo &&
      self->FMemoria + (tamanhoNovo - antigo) > self->FLimites.Memoria)
    return nullptr;
  void* novo = std::realloc(ptr, tamanhoNovo);
  if (novo != nullptr)
    self->FMemoria = self->FMemoria - antigo + tamanhoNovo;
  return novo;
}

void TnScriptLua::RecusarTexto() {
  if (!FEstouro.empty())
    return;
  // Inside the allocator nothing may be allocated in the state: the line
  // comes from the debug records, which "Sl" only reads. Level 0 is the
  // script's function for an operator, the library function for a call.
  lua_Debug ar;
  for (int nivel = 0; lua_getstack(FL, nivel, &ar) != 0; ++nivel) {
    lua_getinfo(FL, "Sl", &ar);
    if (ar.currentline > 0) {
      FEstouro = fmt::format("{}:{}: ", ar.short_src, ar.currentline);
      break;
    }
  }
  FEstouro +=
      fmt::format("o resultado de uma concatenação passaria de {} KiB", kResultadoTexto / 1024);
  // The refusal surfaces as a memory error; from now on, as this bound.
  lua_sethook(FL, &TnScriptLua::Gancho, LUA_MASKCOUNT, 1);
}

void TnScriptLua::Gancho(lua_State* L, lua_Debug* /*ar*/) {
  TnScriptLua& self = *Dono(L);
  if (self.FEstouro.empty()) {
    self.FInstrucoes += kPassoGancho;
    const bool instrucoes = self.FInstrucoes > self.FLimites.Instrucoes;
    if (!instrucoes && std::chrono::steady_clock::now() - self.FInicio <= self.FLimites.Tempo)
      return;
    {
      // Inside a hook the running function is level 0: the error names its
      // line.
      ++self.FNativas;
      luaL_where(L, 0);
      self.FEstouro =
          lua_tostring(L, -1) +
          (instrucoes ? fmt::format("o script passou do limite de {} milhões de instruções",
                                    self.FLimites.Instrucoes / 1'000'000)
                      : self.MensagemTempo());
      lua_pop(L, 1);
      --self.FNativas;
    }
    // From now on, before every instruction.
    lua_sethook(L, &TnScriptLua::Gancho, LUA_MASKCOUNT, 1);
  }
  VerificarEstouro(L);
}

std::string TnScriptLua::MensagemTempo() const {
  const auto segundos = std::chrono::duration_cast<std::chrono::seconds>(FLimites.Tempo).count();
  return fmt::format("o script passou do limite de {} {}", segundos,
                     segundos == 1 ? "segundo" : "segundos");
}

std::chrono::milliseconds TnScriptLua::TempoRestante() const {
  const auto passado = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - FInicio);
  return std::max(FLimites.Tempo - passado, std::chrono::milliseconds(1));
}

void TnScriptLua::VerificarEstouro(lua_State* L) {
  TnScriptLua& self = *Dono(L);
  if (self.FEstouro.empty())
    return;
  ++self.FNativas;
  lua_pushlstring(L, self.FEstouro.data(), self.FEstouro.size());
  --self.FNativas;
  lua_error(L);
}

int TnScriptLua::Apanhado(lua_State* L, int status, int base) {
  TnScriptLua& self = *Dono(L);
  if (status == LUA_ERRMEM && self.FEstouro.empty()) {
    self.FEstouro = kMensagemMemoria;
    lua_sethook(L, &TnScriptLua::Gancho, LUA_MASKCOUNT, 1);
  }
  VerificarEstouro(L);
  lua_pushboolean(L, status == LUA_OK ? 1 : 0);
  lua_insert(L, base + 1);
  return lua_gettop(L) - base;
}

int TnScriptLua::PcallDoScript(lua_State* L) {
  luaL_checkany(L, 1);
  return Apanhado(L, lua_pcall(L, lua_gettop(L) - 1, LUA_MULTRET, 0), 0);
}

int TnScriptLua::XpcallDoScript(lua_State* L) {
  const int argumentos = lua_gettop(L) - 2;
  luaL_checktype(L, 2, LUA_TFUNCTION);
  // The script's handler behind ours, below the function: f, h, ... becomes
  // h', f, ...
  lua_pushvalue(L, 2);
  lua_pushcclosure(L, &TnScriptLua::ManipuladorDoScript, 1);
  lua_copy(L, 1, 2);
  lua_replace(L, 1);
  return Apanhado(L, lua_pcall(L, argumentos, LUA_MULTRET, 1), 1);
}

int TnScriptLua::ManipuladorDoScript(lua_State* L) {
  // A bound's error is raised inside the hook, where hooks are off: the
  // script's handler would run unbounded, so it does not run at all.
  if (!Dono(L)->FEstouro.empty())
    return 1;
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_insert(L, 1);
  lua_call(L, lua_gettop(L) - 1, 1);
  return 1;
}

void TnScriptLua::AbrirBibliotecas() {
  static const luaL_Reg kBibliotecas[] = {{LUA_GNAME, luaopen_base},
                                          {LUA_STRLIBNAME, luaopen_string},
                                          {LUA_TABLIBNAME, luaopen_table},
                                          {LUA_MATHLIBNAME, luaopen_math},
                                          {LUA_UTF8LIBNAME, luaopen_utf8}};
  Protegido([this] {
    for (const luaL_Reg& biblioteca : kBibliotecas) {
      luaL_requiref(FL, biblioteca.name, biblioteca.func, 1);
      lua_pop(FL, 1);
    }
    lua_rawgeti(FL, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
    for (const char* nome : kBibliotecasBase) {
      lua_pushnil(FL);
      lua_setfield(FL, -2, nome);
    }
    lua_pushcfunction(FL, &TnScriptLua::PcallDoScript);
    lua_setfield(FL, -2, "pcall");
    lua_pushcfunction(FL, &TnScriptLua::XpcallDoScript);
    lua_setfield(FL, -2, "xpcall");
    lua_getfield(FL, -1, LUA_STRLIBNAME);
    lua_pushnil(FL);
    lua_setfield(FL, -2, "dump");
    for (const TEmbrulho& embrulho : kEmbrulhos) {
      const int tabela = embrulho.Biblioteca == nullptr ? -2 : -1;
      lua_getfield(FL, tabela, embrulho.Nome);
      lua_pushcclosure(FL, embrulho.Funcao, 1);
      lua_setfield(FL, tabela - 1, embrulho.Nome);
    }
    lua_pop(FL, 2);
    // require's loaders live in package, which is not opened; the
    // registry's record of loaded libraries is all that is left of it.
  });
}

int TnScriptLua::Trampolim(lua_State* L) {
  VerificarEstouro(L);
  TnScriptLua& self = *Dono(L);
  auto& funcao = *static_cast<TFuncao*>(lua_touserdata(L, lua_upvalueindex(1)));
  int resultados = -1;
  {
    // No C++ object may be alive when lua_error unwinds this frame, and
    // nothing here may be refused memory (which would unwind it too).
    ++self.FNativas;
    std::string erro;
    try {
      resultados = funcao(self);
    } catch (const std::exception& e) {
      erro = e.what();
    } catch (...) {
      erro = "erro desconhecido";
    }
    if (resultados < 0) {
      luaL_where(L, 1);
      lua_pushlstring(L, erro.data(), erro.size());
      lua_concat(L, 2);
    }
    --self.FNativas;
  }
  if (resultados >= 0)
    return resultados;
  return lua_error(L);
}

int TnScriptLua::ChamarProtegido(lua_State* L) {
  auto& trabalho = *static_cast<std::function<void()>*>(lua_touserdata(L, 1));
  lua_settop(L, 0);
  TnScriptLua& self = *Dono(L);
  bool falhou = false;
  {
    ++self.FNativas;
    std::string erro;
    try {
      trabalho();
    } catch (const std::exception& e) {
      erro = e.what();
      falhou = true;
    }
    if (falhou)
      lua_pushlstring(L, erro.data(), erro.size());
    --self.FNativas;
  }
  if (falhou)
    return lua_error(L);
  return 0;
}

void TnScriptLua::Protegido(std::function<void()> trabalho) {
  lua_pushcfunction(FL, &TnScriptLua::ChamarProtegido);
  lua_pushlightuserdata(FL, &trabalho);
  VerificarResultado(lua_pcall(FL, 1, 0, 0));
}

int TnScriptLua::ChamarVigiado(int argumentos) {
  {
    std::lock_guard<std::mutex> lock(FMutexVigia);
    FArmada = true;
  }
  FSinalVigia.notify_one();
  const int status = lua_pcall(FL, argumentos, 0, 0);
  std::lock_guard<std::mutex> lock(FMutexVigia);
  FArmada = false;
  return status;
}

void TnScriptLua::Vigiar() {
  const auto prazo = FInicio + FLimites.Tempo + kFolgaVigia;
  std::unique_lock<std::mutex> lock(FMutexVigia);
  while (!FFimVigia) {
    if (!FArmada) {
      FSinalVigia.wait(lock);
    } else if (std::chrono::steady_clock::now() < prazo) {
      FSinalVigia.wait_until(lock, prazo);
    } else {
      // Under the lock: the run cannot leave the script's code (and go on
      // to commit) while the host ends it.
      FLimites.AoTravar(MensagemTempo());
      return;
    }
  }
}

void TnScriptLua::VerificarResultado(int status) {
  // A bound passed fails the run even when the script caught it and
  // returned.
  if (status == LUA_OK && FEstouro.empty())
    return;
  std::string mensagem = FEstouro;
  if (mensagem.empty()) {
    const char* texto = lua_tostring(FL, -1);
    mensagem = status == LUA_ERRMEM ? kMensagemMemoria
               : texto != nullptr   ? texto
                                    : "erro sem mensagem no script";
  }
  lua_settop(FL, 0);
  throw EScriptLua(mensagem);
}

void TnScriptLua::Registrar(const std::string& nome, TFuncao funcao) {
  FFuncoes.push_back(std::move(funcao));
  TFuncao* guardada = &FFuncoes.back();
  Protegido([&] {
    lua_rawgeti(FL, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
    lua_pushlightuserdata(FL, guardada);
    lua_pushcclosure(FL, &TnScriptLua::Trampolim, 1);
    lua_setfield(FL, -2, nome.c_str());
    lua_pop(FL, 1);
  });
}

void TnScriptLua::Executar(const std::string& texto, const std::string& nome) {
  const std::string pedaco = "=" + nome;
  // "t": text only; a precompiled chunk could break the interpreter.
  VerificarResultado(luaL_loadbufferx(FL, texto.data(), texto.size(), pedaco.c_str(), "t"));
  VerificarResultado(ChamarVigiado(0));
}

bool TnScriptLua::Chamar(const std::string& nome) {
  lua_rawgeti(FL, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
  lua_pushlstring(FL, nome.data(), nome.size());
  lua_rawget(FL, -2);
  lua_remove(FL, -2);
  if (lua_type(FL, -1) != LUA_TFUNCTION) {
    lua_pop(FL, 1);
    return false;
  }
  VerificarResultado(ChamarVigiado(0));
  return true;
}

// ---- Arguments and results ----

int TnScriptLua::Argumentos() const {
  return lua_gettop(FL);
}

Value TnScriptLua::ValorEm(int indice) const {
  switch (lua_type(FL, indice)) {
    case LUA_TNONE:
    case LUA_TNIL:
      return Value();
    case LUA_TBOOLEAN:
      return Value(lua_toboolean(FL, indice) != 0);
    case LUA_TNUMBER:
      if (lua_isinteger(FL, indice))
        return Value(static_cast<int64_t>(lua_tointeger(FL, indice)));
      return Value(static_cast<double>(lua_tonumber(FL, indice)));
    case LUA_TSTRING: {
      size_t tamanho = 0;
      const char* texto = lua_tolstring(FL, indice, &tamanho);
      return Value(std::string(texto, tamanho));
    }
    default:
      throw Exception(std::string("valor de tipo ") + lua_typename(FL, lua_type(FL, indice)) +
                      " não aceito");
  }
}

Value TnScriptLua::Argumento(int indice) const {
  try {
    return ValorEm(indice);
  } catch (const Exception& erro) {
    throw Exception("argumento " + std::to_string(indice) + ": " + erro.what());
  }
}

bool TnScriptLua::ArgumentoTabela(int indice) const {
  return lua_type(FL, indice) == LUA_TTABLE;
}

std::vector<std::pair<std::string, Value>> TnScriptLua::CamposTabela(int indice) const {
  std::vector<std::pair<std::string, Value>> campos;
  const int tabela = lua_absindex(FL, indice);
  lua_pushnil(FL);
  while (lua_next(FL, tabela) != 0) {
    if (lua_type(FL, -2) == LUA_TSTRING) {
      size_t tamanho = 0;
      const char* chave = lua_tolstring(FL, -2, &tamanho);
      try {
        campos.emplace_back(std::string(chave, tamanho), ValorEm(-1));
      } catch (...) {
        lua_pop(FL, 2);
        throw;
      }
    }
    lua_pop(FL, 1);
  }
  return campos;
}

std::vector<Value> TnScriptLua::ItensTabela(int indice) const {
  std::vector<Value> itens;
  const lua_Unsigned n = lua_rawlen(FL, indice);
  for (lua_Unsigned i = 1; i <= n; ++i) {
    lua_rawgeti(FL, indice, static_cast<lua_Integer>(i));
    try {
      itens.push_back(ValorEm(-1));
    } catch (...) {
      lua_pop(FL, 1);
      throw;
    }
    lua_pop(FL, 1);
  }
  return itens;
}

void TnScriptLua::Empilhar(const Value& valor) {
  switch (valor.Type()) {
    case TValueType::Null:
      lua_pushnil(FL);
      break;
    case TValueType::Boolean:
      lua_pushboolean(FL, valor.AsBoolean() ? 1 : 0);
      break;
    case TValueType::Integer:
      lua_pushinteger(FL, valor.AsInteger());
      break;
    case TValueType::Float:
    case TValueType::Currency:
      lua_pushnumber(FL, valor.AsFloat());
      break;
    case TValueType::DateTime: {
      const std::string data = DateToIso(valor.AsDateTime());
      lua_pushlstring(FL, data.data(), data.size());
      break;
    }
    case TValueType::String: {
      const std::string texto = valor.AsString();
      lua_pushlstring(FL, texto.data(), texto.size());
      break;
    }
  }
}

void TnScriptLua::EmpilharTabela() {
  lua_newtable(FL);
}

void TnScriptLua::DefinirCampo(const std::string& nome, const Value& valor) {
  Empilhar(valor);
  lua_setfield(FL, -2, nome.c_str());
}

void TnScriptLua::DefinirItem(int64_t i) {
  lua_rawseti(FL, -2, i);
}

std::vector<std::vector<std::pair<std::string, Value>>> TnScriptLua::GlobalListaDeTabelas(
    const std::string& nome) {
  std::vector<std::vector<std::pair<std::string, Value>>> lista;
  Protegido([&] {
    lua_rawgeti(FL, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
    lua_pushlstring(FL, nome.data(), nome.size());
    lua_rawget(FL, -2);
    if (lua_isnil(FL, -1))
      return;
    if (!lua_istable(FL, -1))
      throw Exception("\"" + nome + "\" deve ser uma lista de tabelas");
    const lua_Unsigned n = lua_rawlen(FL, -1);
    for (lua_Unsigned i = 1; i <= n; ++i) {
      lua_rawgeti(FL, -1, static_cast<lua_Integer>(i));
      if (!lua_istable(FL, -1))
        throw Exception("\"" + nome + "\" deve ser uma lista de tabelas");
      lista.push_back(CamposTabela(-1));
      lua_pop(FL, 1);
    }
  });
  return lista;
}
