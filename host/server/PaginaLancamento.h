#pragma once
// What the journal-entry page of `ctb serve` reads besides the documents it
// posts: the fields of the module as the screen lays them out, the
// module's switches and panels, the accounts a person looks for, the title
// and balance beside each account and the splits of a saved entry.
//
// Everything here is read from the module of the tab's screen or from the
// database with the request's values as parameters; the server checks the
// user's company and right before calling any of it.

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "framework/core/TDateTime.h"

class TnDMConexao;
class TnDMClientDataSet;

namespace DigitacaoHost {
class TDigitacao;
}

namespace PaginaLancamento {

// A search lists at most kMaxContas accounts for a text of at most
// kMaxTextoConta characters.
inline constexpr size_t kMaxContas = 20;
inline constexpr size_t kMaxTextoConta = 100;

// Raises Exception when the user lacks the right of the menu entry of the
// journal entries ("Lançamentos Contábeis"), the one the command checks.
void VerificarDireito(TnDMConexao& conexao);

// The screen as the page builds it: "campos" (the visible fields in the
// module's order: name, label, type, size, required, closed, and the web
// layout's group, row and columns when the module gives them), "config"
// (the module's switches), "conteudo" (its panels: last entries and
// differences), "acoes" (the form's actions with their shortcuts) and
// "historicos" (the active standard histories: "codigo", "descricao").
// The fields the module fills itself (the transaction, the key, the origin
// of the data, the nature) are closed and not required: nobody types them.
nlohmann::ordered_json Tela(TnDMClientDataSet& modulo);

// A linked screen of a saved entry as its action opens it (the module
// decides whether the entry offers it): "classe", "titulo" (the screen's
// caption) and "campos" (its visible fields as `Tela` lists them, each with
// its "valor" in the record the screen opened on). Nothing is written; the
// page keys the screen with the document's key of the same name.
struct TVinculo {
  int64_t Empresa = 0;
  int64_t Chave = 0;
  std::string Tela;
};
nlohmann::ordered_json TelaVinculada(DigitacaoHost::TDigitacao& tela, const TVinculo& vinculo);

// One document keyed on the page, run on the tab's screen. Its amounts are
// texts as a person types them ("1.234,56", read by the one reader of
// Brazilian numbers; a JSON number passes as it is); one the reader refuses
// is a refusal of its field. A required field left empty is refused by the
// label the page shows ("Histórico deve ter um valor").
nlohmann::ordered_json Executar(DigitacaoHost::TDigitacao& tela, nlohmann::ordered_json documento);

// The accounts whose number, classification or alias starts with `texto`,
// or whose description holds it; at most kMaxContas, each once: "conta",
// "classificacao", "descricao", "apelido", "tipo" ("A" or "S").
nlohmann::ordered_json ProcurarContas(TnDMConexao& conexao, int64_t empresa,
                                      const std::string& texto);

// The account a person types: a number as it is, else the account whose
// alias or classification is the text. Exception naming the text when no
// account has it.
int64_t ResolverConta(TnDMConexao& conexao, int64_t empresa, const std::string& texto);

// What the screen shows beside one account of the entry: "conta",
// "descricao", "titulo" ({"conta", "descricao"} of the parent account) and
// "saldo" (the balance at the date and branch, as the module formats it);
// what the company's option does not show is null.
struct TLadoConta {
  int64_t Empresa = 0;
  int Estab = 0;
  int64_t Conta = 0;
  TDateTime Data;
  bool Debito = true;
};
nlohmann::ordered_json Conta(TnDMClientDataSet& modulo, const TLadoConta& lado);

// A standard history as a person reads it on the entry being keyed: its
// tokens filled from the complement typed, else from the entry's accounts
// (0: not typed yet) and date. Exception naming the code when no history
// has it; a complement of at most kMaxComplemento bytes.
inline constexpr size_t kMaxComplemento = 1200;
struct THistoricoDigitado {
  int64_t Empresa = 0;
  int Codigo = 0;
  std::string Complemento;
  int64_t ContaDeb = 0;
  int64_t ContaCred = 0;
  TDateTime Data;
};
std::string Historico(TnDMConexao& conexao, const THistoricoDigitado& historico);

// The managerial ("gerenciais") and activity ("atividades") splits of one
// saved entry, debit side first, and its amounts as the page shows them
// ("valores": {"VALORLCTOCTB": "1.234,56", ...}, null when empty).
nlohmann::ordered_json Detalhes(TnDMConexao& conexao, int64_t empresa, int64_t chave);

}  // namespace PaginaLancamento
