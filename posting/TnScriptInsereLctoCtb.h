#pragma once
// An accountant's Lua script run as the scripted insertion process.
//
// The script declares its parameters in a global list and does its work in a
// global function `executar`, which runs inside the process's one database
// transaction:
//
//   parametros = {
//     { nome = "pData", titulo = "Data", tipo = "data", obrigatorio = true },
//     { nome = "pConta", titulo = "Conta", tipo = "conta", padrao = "CAIXA" },
//   }
//   function executar()
//     InserirLcto(1, nil, nil, "pData", nil, 3, "Ajuste", "pConta", 2101, 10.5)
//   end
//
// Kinds: inteiro, numero, data, texto, conta (a code, a nickname or a
// classification of the company's chart), historico (a standard history).
// The company is the process's own parameter pCodigoEmpresa.
//
// What the script calls (errors carry the script's line):
//   param(nome)                  the parameter's value, typed; nil when empty
//   InserirLcto(10 arguments)    the process's insertion; returns the key
//   ConfigurarRateio(cc, perc)   a custom share; RateioPersonalizado(true)
//                                switches from the automatic apportionment,
//                                LimparRateio() forgets the shares
//   conta(texto), historico(cod) the parameter helpers
//   contas(grupo)                the analytic accounts under a classification:
//                                {conta, classificacao, apelido, descricao}
//   saldo(conta, ate)            debits minus credits up to a date
//   movimento(conta, de, ate)    debits minus credits of a period
//   consulta(sql, {p = v})       a read-only query (rows as tables), for a
//                                user with the administrator's right only
//   print(...)                   a message of the run
//
// Only `param` and `print` work outside `executar` (while the main chunk
// declares the parameters); the others refuse.
//
// Bounds: the script's size, its memory, instructions and time (TnScriptLua),
// the number of parameters, the length of names and values, the rows a
// query returns and its time (what is left of the run's), and the messages
// a run keeps.

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "posting/TnScriptLua.h"

class TnPowerPInsereLctoCtb;

class TnScriptInsereLctoCtb {
 public:
  static constexpr size_t kTamanhoMaximo = 256 * 1024;
  static constexpr size_t kMaximoParametros = 50;
  static constexpr size_t kTamanhoValor = 200;
  static constexpr size_t kMaximoMensagens = 1000;
  static constexpr int64_t kMaximoLinhas = 10'000;

  enum class TTipo { Inteiro, Numero, Data, Texto, Conta, Historico };

  struct TOpcoes {
    // The user may run free queries (the administrator's right).
    bool ConsultaLivre = false;
    TnScriptLua::TLimites Limites;
  };

  // Runs the script's main chunk and declares its parameters on the process.
  // Raises EScriptLua for a script too big, that does not compile or fails,
  // or whose declarations are wrong.
  TnScriptInsereLctoCtb(TnPowerPInsereLctoCtb& processo, const std::string& texto,
                        const std::string& nome, const TOpcoes& opcoes);

  // Sets the parameters from the command line's texts, the company first:
  // each name declared, each value bounded and of its kind (an account
  // resolved to its code). Raises Exception naming the first wrong one.
  void DefinirParametros(const std::vector<std::pair<std::string, std::string>>& valores);

  // Runs the process with the script's `executar` as its work.
  void Executar();

 private:
  void Declarar();
  void RegistrarFuncoes();
  // A function that reaches the database or the process: only while the
  // run's `executar` runs, inside its transaction and for its company.
  void RegistrarNaExecucao(const std::string& nome, TnScriptLua::TFuncao funcao);
  void DefinirParametro(const std::string& nome, const std::string& valor);
  Value ValorParametro(const std::string& nome);
  void ResolverContas();
  TTipo TipoDe(const std::string& nome) const;
  int64_t Empresa();
  // The registered functions.
  int InserirLcto(TnScriptLua& lua);
  int Contas(TnScriptLua& lua);
  int Saldo(TnScriptLua& lua, bool periodo);
  int Consulta(TnScriptLua& lua);
  int Imprimir(TnScriptLua& lua);

  TnPowerPInsereLctoCtb& FProcesso;
  TOpcoes FOpcoes;
  TnScriptLua FLua;
  std::string FNome;
  std::map<std::string, TTipo> FTipos;  // by upper-case name
  bool FEmExecucao = false;
};
