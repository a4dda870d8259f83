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
// A bound, once passed, ends the run: the hook then raises its error again
// before every instruction, so a pcall that catches it gets no further than
// its next instruction, an xpcall handler does not run, a registered
// function refuses, and the run fails even when the script returns.
//
// What runs inside C, where the hook never fires, is bounded by size: the
// pattern functions (find, match, gmatch, gsub) take subjects of at most
// kTextoPadrao bytes, and no text the script makes passes kResultadoTexto:
// string.rep checks before it starts, and the allocator refuses a longer
// string whoever makes it (the concatenation operator, table.concat, gsub,
// string.format), which ends the run like any bound; finalizers (__gc) are
// refused, since they run where no bound reaches (at close). A
// run stuck in C all the same is the watchdog's (TLimites::AoTravar): it
// gets the time bound's message kFolgaVigia after the bound, from another
// thread, and ends the process; the Lua state cannot be stopped there.
//
// Errors: every failure raises EScriptLua whose text starts with the
// script's name and line ("deprec.lua:12: ..."); an exception of a
// registered function becomes a Lua error at the line that called it.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>

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
    // Called from the watchdog's thread while the script still runs
    // kFolgaVigia after its time bound; none: no watchdog.
    std::function<void(const std::string& mensagem)> AoTravar;
  };
  static constexpr size_t kTextoPadrao = size_t{64} * 1024;
  static constexpr size_t kResultadoTexto = size_t{1} << 20;
  static constexpr std::chrono::milliseconds kFolgaVigia{2'000};
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
  // What is left of the time bound (at least 1 ms): a query the script
  // makes gets no more.
  std::chrono::milliseconds TempoRestante() const;
  size_t MemoriaEmUso() const { return FMemoria; }

 private:
  static void* Alocar(void* ud, void* ptr, size_t tamanhoAntigo, size_t tamanhoNovo);
  // The bound of a text passed, at the line of the script that made it.
  void RecusarTexto();
  static void Gancho(lua_State* L, struct lua_Debug* ar);
  static int Trampolim(lua_State* L);
  static int ChamarProtegido(lua_State* L);
  // Raises the bound passed, if any, at the running function's line.
  static void VerificarEstouro(lua_State* L);
  // The script's pcall and xpcall: what they catch is the script's own
  // errors; a bound passed goes on up (and a refused allocation becomes the
  // memory bound passed).
  static int PcallDoScript(lua_State* L);
  static int XpcallDoScript(lua_State* L);
  static int ManipuladorDoScript(lua_State* L);
  static int Apanhado(lua_State* L, int status, int base);
  void AbrirBibliotecas();
  // Runs the state's code (a protected call of `argumentos` arguments) with
  // the watchdog armed.
  int ChamarVigiado(int argumentos);
  void Vigiar();
  std::string MensagemTempo() const;
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
  // The size of the latest string allocated, and what of a string's
  // allocation is not its text.
  size_t FUltimoTexto = 0;
  size_t FCabecalhoTexto = 0;
  // The message of the bound passed (with its line); empty until one is.
  std::string FEstouro;

  // The watchdog: armed while the state's code runs.
  std::mutex FMutexVigia;
  std::condition_variable FSinalVigia;
  bool FArmada = false;
  bool FFimVigia = false;
  std::thread FVigia;
};
