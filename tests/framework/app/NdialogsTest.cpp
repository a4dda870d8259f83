#include "framework/app/Ndialogs.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/TestDatabases.h"

namespace {

const char* kIgual =
    "Lançamento igual ao último lançamento gravado! Confirmar a inclusão deste lançamento?";
const char* kHistorico =
    "Histórico utilizado não pertence ao Grupo de Histórico vinculado, verifique.";
const char* kDataTransacao =
    "Atenção, a data informada é diferente da data inicial da transação!\r\nDeseja cancelar ou "
    "criar uma nova transação?";

// The record as one line per dialog: type|text|buttons|answer.
std::string Registro(const TDialogService& s) {
  std::string texto;
  for (const TDialogoRegistrado& d : s.Registro()) {
    texto += NomeTipoDialogo(d.Tipo) + "|" + d.Texto + "|";
    for (const std::string& b : d.Botoes) {
      texto += b + ",";
    }
    texto += "|" + d.Resposta + "\n";
  }
  return texto;
}

// A question past the last answer stops and is recorded, pending, last.
TEST(NdialogsTest, ScriptedAnswersAreConsumedInOrderAndNoticesConsumeNone) {
  TSessaoDeTeste sessao;
  auto servico = std::make_shared<TDialogServiceScripted>(
      std::vector<std::string>{"Sim", "criar nova", "Não"});
  TUsarDialogService uso(servico);
  EXPECT_EQ(Ndialogs::nMessageDlg(kIgual, TMsgDlgType::mtConfirmation, BotoesSimNao()), "Sim");
  EXPECT_EQ(Ndialogs::nMessageDlg(kHistorico, TMsgDlgType::mtInformation, BotoesOk()), "Ok");
  // A warning with one button is a notice too.
  EXPECT_EQ(Ndialogs::nMessageDlg("É necessário gravar o lançamento atual antes de fazer o "
                                  "lançamento gerencial!",
                                  TMsgDlgType::mtWarning, BotoesOk()),
            "Ok");
  // The answer is matched without case and given back as the caption.
  EXPECT_EQ(Ndialogs::nMessageDlg(kDataTransacao, TMsgDlgType::mtConfirmation,
                                  {"Cancelar", "Criar Nova"}),
            "Criar Nova");
  Ndialogs::nShowMessage("Operação finalizada.");
  EXPECT_EQ(Ndialogs::nMessageDlg("Deseja refazer os lançamentos automáticos?",
                                  TMsgDlgType::mtConfirmation, BotoesSimNao()),
            "Não");
  EXPECT_EQ(servico->RespostasRestantes(), 0u);
  EXPECT_EQ(Registro(*servico),
            std::string("Confirmação|") + kIgual + "|Sim,Não,|Sim\n" + "Informação|" + kHistorico +
                "|Ok,|Ok\n" +
                "Aviso|É necessário gravar o lançamento atual antes de fazer o lançamento "
                "gerencial!|Ok,|Ok\n" +
                "Confirmação|" + kDataTransacao + "|Cancelar,Criar Nova,|Criar Nova\n" +
                "Informação|Operação finalizada.|Ok,|Ok\n" +
                "Confirmação|Deseja refazer os lançamentos automáticos?|Sim,Não,|Não\n");
  EXPECT_EQ(servico->Perguntas().size(), 3u);
  EXPECT_EQ(servico->Informacoes().size(), 3u);
  // Exceptions and lists are recorded as notices too.
  Ndialogs::nShowException(Exception("Problema na geração do gerencial\r\nfalhou"));
  Ndialogs::nInputQueryListBox("Percentuais Conta Contábil: 1101",
                               {"Centro Custo: 1 - Adm (60,00 %)", "Rateio Total: 100,00"});
  ASSERT_EQ(servico->Registro().size(), 8u);
  EXPECT_EQ(servico->Registro()[6].Tipo, TMsgDlgType::mtError);
  EXPECT_EQ(servico->Registro()[6].Texto, "Problema na geração do gerencial\r\nfalhou");
  EXPECT_EQ(servico->Registro()[7].Itens.size(), 2u);
  EXPECT_EQ(servico->Registro()[7].Texto, "Percentuais Conta Contábil: 1101");
  try {
    Ndialogs::nMessageDlg("Deseja excluir todos os lançamentos vinculados a esta transação?",
                          TMsgDlgType::mtConfirmation, BotoesSimNao());
    FAIL() << "expected ESemResposta";
  } catch (const ESemResposta& e) {
    EXPECT_EQ(e.Pergunta().Texto,
              "Deseja excluir todos os lançamentos vinculados a esta transação?");
    EXPECT_EQ(e.Pergunta().Botoes, BotoesSimNao());
    EXPECT_EQ(e.Message(), "Pergunta sem resposta: " + e.Pergunta().Texto);
  }
  ASSERT_EQ(servico->Registro().size(), 9u);
  EXPECT_EQ(servico->Registro().back().Resposta, "");
  // Notices still go on.
  EXPECT_NO_THROW(Ndialogs::nShowMessage("Nenhum lançamento foi feito."));
}

TEST(NdialogsTest, AnswerThatIsNoButtonIsAnErrorNotARefusal) {
  TSessaoDeTeste sessao;
  TDialogServiceScripted servico({"Talvez"});
  try {
    servico.Mostrar(kIgual, TMsgDlgType::mtConfirmation, BotoesSimNao());
    FAIL() << "a wrong answer was taken";
  } catch (const ESemResposta&) {
    FAIL() << "a wrong answer is not a missing one";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find("Talvez"), std::string::npos);
  }
  EXPECT_THROW(servico.Mostrar("x", TMsgDlgType::mtConfirmation, {}), Exception);
  EXPECT_THROW(servico.Mostrar("x", TMsgDlgType::mtConfirmation, BotoesSimNao(), "Ok"), Exception);
}

TEST(NdialogsTest, SessionWithoutServiceAnswersNothingAndScopesRestore) {
  TSessaoDeTeste sessao;
  auto externo = std::make_shared<TDialogServiceScripted>(std::vector<std::string>{"Não"});
  SetDialogService(externo);
  {
    auto interno = std::make_shared<TDialogServiceScripted>(std::vector<std::string>{"Sim"});
    TUsarDialogService uso(interno);
    EXPECT_EQ(Ndialogs::nMessageDlg(kIgual, TMsgDlgType::mtConfirmation, BotoesSimNao()), "Sim");
  }
  EXPECT_EQ(Ndialogs::nMessageDlg(kIgual, TMsgDlgType::mtConfirmation, BotoesSimNao()), "Não");
  SetDialogService(nullptr);
  EXPECT_THROW(Ndialogs::nMessageDlg(kIgual, TMsgDlgType::mtConfirmation, BotoesSimNao()),
               ESemResposta);
}

TEST(NdialogsTest, ConsoleTakesNumbersCaptionsOrTheDefault) {
  std::istringstream entrada("3\ntalvez\n2\ncriar nova\n\n");
  std::ostringstream saida;
  TDialogServiceConsole servico(entrada, saida);
  // "3" is out of range and "talvez" no caption: asked again until "2".
  EXPECT_EQ(servico.Mostrar(kIgual, TMsgDlgType::mtConfirmation, BotoesSimNao()), "Não");
  EXPECT_EQ(
      servico.Mostrar(kDataTransacao, TMsgDlgType::mtConfirmation, {"Cancelar", "Criar Nova"}),
      "Criar Nova");
  EXPECT_EQ(servico.Mostrar(kIgual, TMsgDlgType::mtConfirmation, BotoesSimNao(), "Não"), "Não");
  servico.Mostrar(kHistorico, TMsgDlgType::mtInformation, BotoesOk());
  EXPECT_THROW(servico.Mostrar(kIgual, TMsgDlgType::mtConfirmation, BotoesSimNao()), ESemResposta);
  const std::string texto = saida.str();
  EXPECT_NE(texto.find(std::string("Confirmação: ") + kIgual), std::string::npos);
  EXPECT_NE(texto.find("2) Não [padrão]"), std::string::npos);
  EXPECT_NE(texto.find("Resposta inválida: escolha Sim, Não"), std::string::npos);
  EXPECT_NE(texto.find(std::string("Informação: ") + kHistorico), std::string::npos);
}

}  // namespace
