#pragma once
// `ctb record CLASS post|list`: any register module of the package, reached
// by its class name as the host reaches it from the menu.
//
// `post` runs the `entry post` document through the module (the same
// handling: fields typed in order, questions answered, one transaction per
// document). `list` prints the module's data set for a selection: the
// company, optionally one key and a period, each typed and rendered by the
// module's own field types; no condition text comes from the user.
//
// A class is reachable when it is a register (a data-set module) that
// publishes a menu action; when the action is rights-controlled the user
// needs the right named after it ("act" + class) at level "8".
// Consultations only list. `post` edits and deletes records found by
// company and one key, so modules keyed otherwise (the splits of an entry,
// keyed through `entry post`) are refused.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/app/TnDMClientDataSet.h"
#include "host/output/Saida.h"
#include "host/services/DigitacaoHost.h"

namespace CLI {
class App;
}
class TnDMConexao;
class TSessaoHost;

namespace ComandoRecord {

// Raises Exception when the user lacks the right of the menu action that
// opens `classe` ("act" + class, at level "8"), or when the class has no
// menu entry of its own.
void VerificarDireito(TnDMConexao& conexao, const std::string& classe);

// The module of `classe`, not configured; raises Exception when the class
// is not a reachable register or the user lacks its right (see above).
std::unique_ptr<TnDMClientDataSet> CriarCadastro(TnDMConexao& conexao, const std::string& classe);

// The rights of the package's rights-controlled menu actions: what a user
// needs to open every register.
std::vector<std::string> DireitosAcoes();

struct TOpcoesLista {
  std::string Classe;
  int64_t Empresa = 0;
  std::string Chave;  // the value of the module's key field ("" = every record)
  std::string De;     // the period, on the selection or the module's date
  std::string Ate;
};

std::string Listar(TnDMConexao& conexao, const TOpcoesLista& opcoes, Saida::TFormatoSaida formato);

// The `entry post` command on the module of `classe`: a line per document
// when `emLinhas`, else the JSON of the results.
DigitacaoHost::TSaidaComando Postar(TnDMConexao& conexao, const std::string& classe,
                                    const std::string& textoJson,
                                    DigitacaoHost::TOpcoesDigitacao opcoes, bool emLinhas);

// --format of a post: "table" (a line per document, the default on a
// terminal) or "json" (the results, the default for a program).
void AdicionarFormatoPost(CLI::App& cmd, std::string& formato);
bool EmLinhas(const std::string& formato);

// Adds the `record` command; its exit status goes to `codigoSaida`.
void Registrar(CLI::App& app, std::function<std::string(TSessaoHost&)>& comando, int& codigoSaida);

}  // namespace ComandoRecord
