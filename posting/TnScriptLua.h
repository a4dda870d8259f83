#pragma once
// A Lua 5.4 state for an accountant's script, behind the little of the C API
// the scripted insertion needs.
//
// What a script reaches: the safe standard libraries only (the base library
// without dofile, loadfile, load and collectgarbage; string without dump;
// table, math, utf8) and the functions the host registers. No io, os,
// package, require or debug: a script reaches no file, no environment, no
// network and no other code. Text chunks only (a precompiled chunk is
// refused).
//
// Bounds: the memory the state allocates (a custom allocator refuses beyond
// the limit), and the instructions and wall-clock time the script runs (a
// count hook stops it). A registered function's own allocations are not
// refused, so a failure there never unwinds through C++ frames; what it
// hands back is bounded by the caller.
//
// Errors: every failure raises EScriptLua whose text starts with the
// script's name and line ("deprec.lua:12: ..."); an exception of a
// registered function becomes a Lua error at the line that called it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <string>

#include "framework/core/Exceptions.h"
#include "framework/core/Value.h"

struct lua_State;

class EScriptLua : public Exception {
 public:
  using Exception::Exception;
};

class TnScriptLua {
 public:
  struct TLimites {
    size_t Memoria = size_t{64} << 20;
    int64_t Instrucoes = 200'000'000;
    std::chrono::milliseconds Tempo{60'000};
  };
  // A registered function: reads its arguments and pushes its results on
  // the state's stack through the helpers below; returns how many results.
  using TFuncao = std::function<int(TnScriptLua&)>;

  explicit TnScriptLua(const TLimites& limites);
  ~TnScriptLua();
  TnScriptLua(const TnScriptLua&) = delete;
  TnScriptLua& operator=(const TnScriptLua&) = delete;

  // A global function of the script's world.
  void Registrar(const std::string& nome, TFuncao funcao);
  // Compiles the text and runs its main chunk; `nome` names it in errors.
  void Executar(const std::string& texto, const std::string& nome);
  // Calls the global function `nome` without arguments; false when the
  // script defines none.
  bool Chamar(const std::string& nome);

  // --- Inside a registered function ----------------------------------------
  int Argumentos() const;
  // The argument (1-based) as a value: nil (or absent) null, a boolean,
  // integer, number or string as such; a table or function raises.
  Value Argumento(int indice) const;
  bool ArgumentoTabela(int indice) const;
  // The string keys and scalar values of a table argument, in no order.
  std::vector<std::pair<std::string, Value>> CamposTabela(int indice) const;
  // The scalar values of the table argument's array part, 1 to n.
  std::vector<Value> ItensTabela(int indice) const;
  void Empilhar(const Value& valor);
  // A new table, then fields set on it; the table stays on the stack.
  void EmpilharTabela();
  void DefinirCampo(const std::string& nome, const Value& valor);
  // Pops the value on top into the table below it at position `i`.
  void DefinirItem(int64_t i);

  // --- After a run ------------------------------------------------------------
  // What the global holds: each entry of an array of tables, as its string
  // fields (a global that is not such an array raises).
  std::vector<std::vector<std::pair<std::string, Value>>> GlobalListaDeTabelas(
      const std::string& nome);
  int64_t InstrucoesExecutadas() const { return FInstrucoes; }
  size_t MemoriaEmUso() const { return FMemoria; }

 private:
  static void* Alocar(void* ud, void* ptr, size_t tamanhoAntigo, size_t tamanhoNovo);
  static void Gancho(lua_State* L, struct lua_Debug* ar);
  static int Trampolim(lua_State* L);
  static int ChamarProtegido(lua_State* L);
  void AbrirBibliotecas();
  // Runs `trabalho` inside a protected call: a Lua error there raises
  // EScriptLua here.
  void Protegido(std::function<void()> trabalho);
  void VerificarResultado(int status);
  Value ValorEm(int indice) const;

  TLimites FLimites;
  lua_State* FL = nullptr;
  size_t FMemoria = 0;
  int64_t FInstrucoes = 0;
  std::chrono::steady_clock::time_point FInicio;
  // Inside a registered function: allocations are not refused.
  int FNativas = 0;
  std::list<TFuncao> FFuncoes;
};
