#pragma once
// Dialogs: every question and information the modules show goes through the
// dialog service the host chose, and every one is recorded (text, type,
// buttons, answer) so tests and hosts can read exactly what was asked.
//
// A dialog with a single button (an information, "Ok") is a notice: it never
// consumes an answer and never stops. A dialog with several buttons is a
// question, answered by one of its buttons' captions:
// - TDialogServiceScripted answers from a list, in order. A question with no
//   answer left raises ESemResposta carrying the question, so a host stops
//   before anything is written and can ask again with one more answer. An
//   answer that is none of the buttons raises Exception (a script out of
//   step with the questions must not be taken for a refusal).
// - TDialogServiceConsole prompts on a terminal.
//
// The service in use belongs to the current session (a web host answers each
// user's requests with that user's answers); a session that chose none, a
// worker's among them, uses a scripted service without answers, so a process
// with no person behind it fails with ESemResposta instead of waiting for one.

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/Exceptions.h"

enum class TMsgDlgType { mtInformation, mtConfirmation, mtWarning, mtError };

// "Informação", "Confirmação", "Aviso", "Erro".
std::string NomeTipoDialogo(TMsgDlgType tipo);

// Button captions as the screens show them.
inline constexpr const char* kBtnSim = "Sim";
inline constexpr const char* kBtnNao = "Não";
inline constexpr const char* kBtnOk = "Ok";
inline constexpr const char* kBtnCancelar = "Cancelar";

using TMsgDlgButtons = std::vector<std::string>;

TMsgDlgButtons BotoesSimNao();
TMsgDlgButtons BotoesOk();

// One dialog shown, as recorded.
struct TDialogoRegistrado {
  std::string Texto;
  TMsgDlgType Tipo = TMsgDlgType::mtInformation;
  TMsgDlgButtons Botoes;
  std::string Resposta;            // the caption chosen ("" while unanswered)
  std::vector<std::string> Itens;  // the lines of a list dialog
  bool Pergunta() const { return Botoes.size() > 1; }
};

// A question asked with no answer to give. Message: "Pergunta sem resposta: "
// followed by the question's text.
class ESemResposta : public Exception {
 public:
  explicit ESemResposta(TDialogoRegistrado pergunta)
      : Exception("Pergunta sem resposta: " + pergunta.Texto), FPergunta(std::move(pergunta)) {}
  const TDialogoRegistrado& Pergunta() const { return FPergunta; }

 private:
  TDialogoRegistrado FPergunta;
};

class TDialogService {
 public:
  virtual ~TDialogService() = default;

  // Shows the dialog, records it and returns the caption chosen. `padrao` is
  // the default button (empty: the first); it must be one of the buttons.
  // Raises Exception for a dialog without buttons.
  std::string Mostrar(const std::string& texto, TMsgDlgType tipo, const TMsgDlgButtons& botoes,
                      const std::string& padrao = "");
  // A list of lines under a title, acknowledged with "Ok" (a notice).
  void MostrarLista(const std::string& titulo, const std::vector<std::string>& itens);

  // Everything shown so far, in order; questions and notices apart.
  const std::vector<TDialogoRegistrado>& Registro() const { return FRegistro; }
  std::vector<TDialogoRegistrado> Perguntas() const;
  std::vector<std::string> Informacoes() const;
  void LimparRegistro() { FRegistro.clear(); }

 protected:
  // The answer to a question (several buttons): one of the captions, any
  // case; raise ESemResposta when there is none to give.
  virtual std::string Responder(const TDialogoRegistrado& pergunta, const std::string& padrao) = 0;
  // Shows a notice; nothing to answer.
  virtual void Informar(const TDialogoRegistrado& /*informacao*/) {}

 private:
  std::vector<TDialogoRegistrado> FRegistro;
};

class TDialogServiceScripted : public TDialogService {
 public:
  TDialogServiceScripted() = default;
  explicit TDialogServiceScripted(std::vector<std::string> respostas);

  void AdicionarResposta(std::string resposta) { FRespostas.push_back(std::move(resposta)); }
  size_t RespostasRestantes() const { return FRespostas.size() - FProxima; }

 protected:
  std::string Responder(const TDialogoRegistrado& pergunta, const std::string& padrao) override;

 private:
  std::vector<std::string> FRespostas;
  size_t FProxima = 0;
};

class TDialogServiceConsole : public TDialogService {
 public:
  // Prompts on `saida`, reads lines from `entrada`: a button's number or
  // caption, an empty line for the default. End of input raises ESemResposta.
  TDialogServiceConsole(std::istream& entrada, std::ostream& saida)
      : FEntrada(entrada), FSaida(saida) {}

 protected:
  std::string Responder(const TDialogoRegistrado& pergunta, const std::string& padrao) override;
  void Informar(const TDialogoRegistrado& informacao) override;

 private:
  std::istream& FEntrada;
  std::ostream& FSaida;
};

// The current session's service; SetDialogService(nullptr) goes back to the default.
TDialogService& DialogService();
void SetDialogService(std::shared_ptr<TDialogService> service);

// Installs a service in the current session and puts the previous one back
// when it goes out of scope.
class TUsarDialogService {
 public:
  explicit TUsarDialogService(std::shared_ptr<TDialogService> service);
  ~TUsarDialogService();
  TUsarDialogService(const TUsarDialogService&) = delete;
  TUsarDialogService& operator=(const TUsarDialogService&) = delete;

 private:
  std::shared_ptr<TDialogService> FAnterior;
};

namespace Ndialogs {

// The chosen button's caption.
std::string nMessageDlg(const std::string& texto, TMsgDlgType tipo, const TMsgDlgButtons& botoes,
                        const std::string& padrao = "");
// A confirmation with "Sim" and "Não": true when the answer is "Sim".
bool nConfirmar(const std::string& texto);
// An information with "Ok".
void nShowMessage(const std::string& texto);
// An error with "Ok" showing the exception's message.
void nShowException(const std::exception& erro);
void nShowException(const std::string& texto);
// A list of lines under a title, acknowledged with "Ok".
void nInputQueryListBox(const std::string& titulo, const std::vector<std::string>& itens);

}  // namespace Ndialogs
