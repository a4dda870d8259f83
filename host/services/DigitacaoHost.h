#pragma once
// A person at the screen, driven by a JSON document: `ctb entry post`.
//
// The module is created by class name, configured on a form (or without one
// when "screen" is false) and opened on the document's selection; then the
// record is inserted, edited (located by company and key) or deleted. Each
// field given is entered, typed and left in the order given: the field
// definition's OnEnter, the typed text (so OnSetText runs: an account may be
// a number or an alias), then OnExit. Then Post.
//
// The questions are answered from the document's "answers" by a scripted
// dialog service, and every question and information is recorded in the
// result. Each document runs inside one transaction of its own: whatever
// stops it (a refusal, an abort, a question left without an answer) rolls
// back and cancels the record, so nothing of it is written.
//
// An entry document may also carry the splits a person keys afterwards on
// the managerial and activity screens the entry offers ("managerial",
// "activities"): each side's action opens its screen, and the rows are
// keyed there by the same typing, inside the document's transaction.
//
// Input and output are described in docs/ctb.md. An array of documents runs
// on one module instance, in order, as a person keying entry after entry,
// and stops at the first result that is not "posted".

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "framework/app/TnDMClientDataSet.h"
#include "framework/app/TnForm.h"
#include "framework/app/TnFraProgresso.h"
#include "framework/app/TnSelecao.h"

class TnDMConexao;

namespace DigitacaoHost {

// The module the command drives unless told otherwise.
inline constexpr const char* kClassePadrao = "TnCtbDMLctoCtb";
// The fields that find the record to edit or delete: the company, the key.
inline constexpr const char* kCamposChavePadrao = "CODIGOEMPRESA;CHAVELCTOCTB";

// Bounds of the input: a document is read whole, so its size and depth are
// capped before anything parses deeper than a person's entry could need.
inline constexpr size_t kMaxBytesDocumento = 16 * 1024 * 1024;
inline constexpr int kMaxProfundidade = 16;

struct TOpcoesDigitacao {
  std::string Classe = kClassePadrao;
  std::string CamposChave = kCamposChavePadrao;
  // Called with each document's company before anything is done; raises to
  // refuse it (the program checks the user's access there).
  std::function<void(int64_t)> VerificarEmpresa;
  // Watches a list of documents (one step per document).
  TnFraProgresso::THook Progresso;
  // After each document written (posted, edited or deleted) the module
  // refreshes, as a screen does after a post: a module whose balance cache
  // never follows what is written reads it again, while the last entry and
  // the open transaction stay with the screen.
  bool RefrescarAposGravar = false;
  // The web host publishes the screen's company and the first day of its
  // period as the external variables the modules read while they work
  // (whether a company keeps SPED books is judged at that date).
  bool PublicarSelecao = false;
};

// One split row of a document, as a refusal names it: its kind (the
// document's "managerial" or "activities"), its side and its number among
// the side's rows sent.
struct TLinhaSplit {
  std::string Chave;
  bool Debito = true;
  size_t Numero = 0;

  // "Lançamento gerencial a débito 2", how the message starts.
  std::string Nome() const;
  // Where the page marks it: {"lado": "D"|"C", "tipo": "gerencial" |
  // "atividades", "linha"}.
  nlohmann::ordered_json Onde() const;
};

// A browser tab's screen: the web module, refreshed after each document
// written so the balances it shows are read again; `verificarEmpresa` checks
// the user's access to each document's company.
TOpcoesDigitacao OpcoesTelaWeb(std::function<void(int64_t)> verificarEmpresa);

// One open screen: the module lives from the first document to the end.
class TDigitacao {
 public:
  TDigitacao(TnDMConexao& conexao, TOpcoesDigitacao opcoes = {});
  ~TDigitacao();
  TDigitacao(const TDigitacao&) = delete;
  TDigitacao& operator=(const TDigitacao&) = delete;

  // Runs one document; never throws for what the module refuses (that is a
  // result), only for a document that is not an object.
  nlohmann::ordered_json Executar(const nlohmann::ordered_json& documento);

  // nullptr before the first document.
  TnDMClientDataSet* Modulo() const { return FModulo.get(); }

  // The module on a screen, for a page that shows the fields and panels
  // before anything is keyed: left as it is when open on the company, else
  // opened as an insert without a date opens it (the current month). Raises
  // what the company check or the opening raises.
  TnDMClientDataSet& Preparar(int64_t codigoEmpresa);

  // The linked screen `tela` ("participants", "extemporaneous", "q100",
  // "relation": the document's keys) of the saved entry `chave`, opened by
  // its action as a person opens it: `mostrar` sees the screen's module
  // while it shows. Nothing is written. Raises "<screen>: o lançamento não
  // oferece esta tela" when the entry does not offer it.
  void MostrarTelaVinculada(int64_t codigoEmpresa, int64_t chave, const std::string& tela,
                            const std::function<void(TnDMClientDataSet&)>& mostrar);

  // "Continuar Transação" on the saved entry `chave`, by the web module's
  // action as a person runs it on the browsed entry: its transaction becomes
  // the open one ({"TRANSCTB", "debit", "credit", "difference", "open"};
  // null when the entry has none) and the record the action appends waits
  // for the next insert. Raises when the module leaves the action disabled.
  nlohmann::ordered_json ContinuarTransacao(int64_t codigoEmpresa, int64_t chave);

 private:
  struct TSelecaoAberta;

  void CriarModulo(bool tela);
  void AbrirSeNecessario(const nlohmann::ordered_json& documento);
  // The parameters the module requires to open beyond the company and the
  // period (a register opened on one record) come from the document: the
  // key of an edit or delete, the field of an insert; each also narrows the
  // opening filter, so the opening differs from one on another record.
  void SelecaoDoRegistro(const nlohmann::ordered_json& documento, TnSelecao& parametros,
                         std::string& filtro) const;
  void Localizar(const nlohmann::ordered_json& documento);
  // The titles and balances shown after each field.
  nlohmann::ordered_json Digitar(const nlohmann::ordered_json& campos, int64_t codigoEmpresa);
  void Desfazer();

  TnDMConexao& FConexao;
  TOpcoesDigitacao FOpcoes;
  // The form outlives the module that points at it.
  std::unique_ptr<TnForm> FForm;
  std::unique_ptr<TnDMClientDataSet> FModulo;
  std::unique_ptr<TSelecaoAberta> FAberta;
};

// A document or an array of documents; the output has the same shape.
// TodosPostados is false when any result is not "posted". Linhas: a line
// per document run, as a person reads it ("Lançamento 5013 gravado", or the
// refusal after the label of its field).
struct TResultadoDigitacao {
  nlohmann::ordered_json Saida;
  bool TodosPostados = true;
  std::vector<std::string> Linhas;
};
TResultadoDigitacao Executar(TnDMConexao& conexao, const nlohmann::ordered_json& entrada,
                             const TOpcoesDigitacao& opcoes = {});

// The text of a file, or of the standard input when `arquivo` is empty.
// Raises Exception when the file cannot be read or is larger than
// kMaxBytesDocumento.
std::string LerDocumento(const std::string& arquivo);

// The JSON text of a document (or an array of them); Exception for text
// that is not JSON, larger than kMaxBytesDocumento or nesting deeper than
// kMaxProfundidade.
nlohmann::ordered_json AnalisarDocumento(const std::string& textoJson);

// The command: the JSON text in, the JSON text out (indented), or a line
// per document when `emLinhas`, and the exit status (0 when every document
// was posted, 1 otherwise). Loads the module's package first. Raises
// Exception for text that is not JSON or nests deeper than kMaxProfundidade.
struct TSaidaComando {
  std::string Texto;
  int Status = 0;
};
TSaidaComando ComandoEntryPost(TnDMConexao& conexao, const std::string& textoJson,
                               const TOpcoesDigitacao& opcoes = {}, bool emLinhas = false);

}  // namespace DigitacaoHost
