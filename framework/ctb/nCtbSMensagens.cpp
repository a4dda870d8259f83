#include "framework/ctb/nCtbSMensagens.h"

#include <array>

namespace nCtbS {

namespace {

#define CTB_MENSAGEM(id, n) \
  TMensagem {               \
#id, id, n              \
  }

constexpr std::array kMensagens = {
    CTB_MENSAGEM(nCtbSApelidoInexistente, 0),
    CTB_MENSAGEM(nCtbSContaDebCredNula, 0),
    CTB_MENSAGEM(nCtbSLctoMesmaContaDedCred, 0),
    CTB_MENSAGEM(nCtbSLctoDebCredZerado, 0),
    CTB_MENSAGEM(nCtbSTipoContaInvalidaDeb, 0),
    CTB_MENSAGEM(nCtbSTipoContaInvalidaCred, 0),
    CTB_MENSAGEM(nCtbSOrigemNaoConfereComLote, 0),
    CTB_MENSAGEM(nCtbSLoteFechadoNaoPermiteAlteracao, 0),
    CTB_MENSAGEM(nCtbSPeriodoLancUsuNaoEspecificado, 0),
    CTB_MENSAGEM(nCtbSEmpresaNaoUsaCentroCusto, 0),
    CTB_MENSAGEM(nCtbSDataCentroCustoInicial, 0),
    CTB_MENSAGEM(nCtbSTipoCentroCustoSintetico, 0),
    CTB_MENSAGEM(nCtbSRatCenCustoValPerc, 0),
    CTB_MENSAGEM(nCtbSAvisoContaPartidaDobrada, 1),
    CTB_MENSAGEM(nCtbSLctoConcilBancaria, 1),
    CTB_MENSAGEM(nCtbSDataLctoForaPersonalizacao, 1),
    CTB_MENSAGEM(nCtbSDataLctoForaDoExercicio, 2),
    CTB_MENSAGEM(nCtbSDataLctoForaSelecao, 2),
    CTB_MENSAGEM(nCtbSDataLctoForaDoLimiteLote, 2),
    CTB_MENSAGEM(nCtbSDataLctoForaDoLimiteUsu, 2),
    CTB_MENSAGEM(nCtbSDataLctoForaDoLimiteUsuData, 3),
    CTB_MENSAGEM(nCtbSDiferencaEntreLctoGerencialEContabil, 1),
};

#undef CTB_MENSAGEM

}  // namespace

std::span<const TMensagem> Mensagens() {
  return kMensagens;
}

int ContarArgumentos(std::string_view texto) {
  // Placeholders are "{n}" with an index; "{{" is a literal brace.
  int maior = -1;
  for (size_t i = 0; i < texto.size(); ++i) {
    if (texto[i] != '{')
      continue;
    if (i + 1 < texto.size() && texto[i + 1] == '{') {
      ++i;
      continue;
    }
    int indice = 0;
    size_t j = i + 1;
    while (j < texto.size() && texto[j] >= '0' && texto[j] <= '9')
      indice = indice * 10 + (texto[j++] - '0');
    if (j > i + 1 && indice > maior)
      maior = indice;
    i = j;
  }
  return maior + 1;
}

}  // namespace nCtbS
