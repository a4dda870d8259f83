#include "framework/app/Ndialogs.h"

#include <algorithm>
#include <istream>
#include <iterator>
#include <ostream>

#include "framework/core/Nutil.h"
#include "framework/db/TnSessao.h"

namespace {

// The button whose caption matches `texto` without regard to case; "" when
// none does.
std::string BotaoPorTexto(const TMsgDlgButtons& botoes, const std::string& texto) {
  const std::string procurado = Nutil::UpperCase(Nutil::Trim(texto));
  for (const std::string& b : botoes) {
    if (Nutil::UpperCase(b) == procurado) {
      return b;
    }
  }
  return "";
}

std::string JuntarBotoes(const TMsgDlgButtons& botoes) {
  std::string texto;
  for (const std::string& b : botoes) {
    Nutil::Add(texto, b, ", ");
  }
  return texto;
}

}  // namespace

std::string NomeTipoDialogo(TMsgDlgType tipo) {
  switch (tipo) {
    case TMsgDlgType::mtInformation:
      return "Informação";
    case TMsgDlgType::mtConfirmation:
      return "Confirmação";
    case TMsgDlgType::mtWarning:
      return "Aviso";
    case TMsgDlgType::mtError:
      return "Erro";
  }
  return "";
}

TMsgDlgButtons BotoesSimNao() {
  return {kBtnSim, kBtnNao};
}
TMsgDlgButtons BotoesOk() {
  return {kBtnOk};
}

std::string TDialogService::Mostrar(const std::string& texto, TMsgDlgType tipo,
                                    const TMsgDlgButtons& botoes, const std::string& padrao) {
  if (botoes.empty()) {
    throw Exception("Diálogo sem botões: " + texto);
  }
  std::string botaoPadrao = botoes.front();
  if (!padrao.empty()) {
    botaoPadrao = BotaoPorTexto(botoes, padrao);
    if (botaoPadrao.empty()) {
      throw Exception("Botão padrão \"" + padrao +
                      "\" não está entre os botões: " + JuntarBotoes(botoes));
    }
  }
  FRegistro.push_back(TDialogoRegistrado{texto, tipo, botoes, "", {}});
  // Copied: Responder may show another dialog and move the record vector.
  const TDialogoRegistrado dialogo = FRegistro.back();
  const size_t posicao = FRegistro.size() - 1;
  if (!dialogo.Pergunta()) {
    Informar(dialogo);
    FRegistro[posicao].Resposta = botoes.front();
    return botoes.front();
  }
  const std::string dada = Responder(dialogo, botaoPadrao);
  std::string resposta = BotaoPorTexto(botoes, dada);
  if (resposta.empty()) {
    throw Exception("A resposta \"" + dada + "\" não é um dos botões (" + JuntarBotoes(botoes) +
                    ") da pergunta: " + texto);
  }
  FRegistro[posicao].Resposta = resposta;
  return resposta;
}

void TDialogService::MostrarLista(const std::string& titulo,
                                  const std::vector<std::string>& itens) {
  FRegistro.push_back(
      TDialogoRegistrado{titulo, TMsgDlgType::mtInformation, BotoesOk(), "", itens});
  const TDialogoRegistrado dialogo = FRegistro.back();
  Informar(dialogo);
  FRegistro.back().Resposta = kBtnOk;
}

std::vector<TDialogoRegistrado> TDialogService::Perguntas() const {
  std::vector<TDialogoRegistrado> perguntas;
  std::copy_if(FRegistro.begin(), FRegistro.end(), std::back_inserter(perguntas),
               [](const TDialogoRegistrado& d) { return d.Pergunta(); });
  return perguntas;
}

std::vector<std::string> TDialogService::Informacoes() const {
  std::vector<std::string> textos;
  for (const TDialogoRegistrado& d : FRegistro) {
    if (!d.Pergunta()) {
      textos.push_back(d.Texto);
    }
  }
  return textos;
}

TDialogServiceScripted::TDialogServiceScripted(std::vector<std::string> respostas)
    : FRespostas(std::move(respostas)) {}

std::string TDialogServiceScripted::Responder(const TDialogoRegistrado& pergunta,
                                              const std::string& /*padrao*/) {
  if (FProxima >= FRespostas.size()) {
    throw ESemResposta(pergunta);
  }
  return FRespostas[FProxima++];
}

std::string TDialogServiceConsole::Responder(const TDialogoRegistrado& pergunta,
                                             const std::string& padrao) {
  FSaida << NomeTipoDialogo(pergunta.Tipo) << ": " << pergunta.Texto << "\n";
  for (size_t i = 0; i < pergunta.Botoes.size(); ++i) {
    FSaida << "  " << (i + 1) << ") " << pergunta.Botoes[i]
           << (pergunta.Botoes[i] == padrao ? " [padrão]" : "") << "\n";
  }
  std::string linha;
  while (true) {
    FSaida << "> " << std::flush;
    if (!std::getline(FEntrada, linha)) {
      throw ESemResposta(pergunta);
    }
    linha = Nutil::Trim(linha);
    if (linha.empty()) {
      return padrao;
    }
    if (linha.find_first_not_of("0123456789") == std::string::npos && linha.size() < 4) {
      const size_t n = std::stoul(linha);
      if (n >= 1 && n <= pergunta.Botoes.size()) {
        return pergunta.Botoes[n - 1];
      }
    }
    std::string botao = BotaoPorTexto(pergunta.Botoes, linha);
    if (!botao.empty()) {
      return botao;
    }
    FSaida << "Resposta inválida: escolha " << JuntarBotoes(pergunta.Botoes) << "\n";
  }
}

void TDialogServiceConsole::Informar(const TDialogoRegistrado& informacao) {
  FSaida << NomeTipoDialogo(informacao.Tipo) << ": " << informacao.Texto << "\n";
  for (const std::string& item : informacao.Itens) {
    FSaida << "  " << item << "\n";
  }
}

TDialogService& DialogService() {
  TnSessao& sessao = TnSessao::Atual();
  if (TDialogService* servico = sessao.Procurar<TDialogService>())
    return *servico;
  return sessao.Instalar<TDialogService>(std::make_shared<TDialogServiceScripted>());
}

void SetDialogService(std::shared_ptr<TDialogService> service) {
  if (service)
    TnSessao::Atual().Instalar(std::move(service));
  else
    TnSessao::Atual().Emprestar<TDialogService>(nullptr);
}

TUsarDialogService::TUsarDialogService(std::shared_ptr<TDialogService> service)
    : FAnterior(TnSessao::Atual().Compartilhado<TDialogService>()) {
  SetDialogService(std::move(service));
}

TUsarDialogService::~TUsarDialogService() {
  SetDialogService(std::move(FAnterior));
}

namespace Ndialogs {

std::string nMessageDlg(const std::string& texto, TMsgDlgType tipo, const TMsgDlgButtons& botoes,
                        const std::string& padrao) {
  return DialogService().Mostrar(texto, tipo, botoes, padrao);
}

bool nConfirmar(const std::string& texto) {
  return nMessageDlg(texto, TMsgDlgType::mtConfirmation, BotoesSimNao()) == kBtnSim;
}

void nShowMessage(const std::string& texto) {
  DialogService().Mostrar(texto, TMsgDlgType::mtInformation, BotoesOk());
}

void nShowException(const std::exception& erro) {
  nShowException(std::string(erro.what()));
}

void nShowException(const std::string& texto) {
  DialogService().Mostrar(texto, TMsgDlgType::mtError, BotoesOk());
}

void nInputQueryListBox(const std::string& titulo, const std::vector<std::string>& itens) {
  DialogService().MostrarLista(titulo, itens);
}

}  // namespace Ndialogs
