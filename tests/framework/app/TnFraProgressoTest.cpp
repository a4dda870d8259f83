#include "framework/app/TnFraProgresso.h"

#include <gtest/gtest.h>

#include "framework/core/Exceptions.h"

namespace {

TEST(TnFraProgressoTest, ReportsEachChangeClampsThePositionAndStopsWhenCancelled) {
  TnFraProgresso progresso;
  std::vector<std::string> vistos;
  progresso.SetOnAtualizar([&](const TnFraProgresso& p) {
    vistos.push_back(p.Texto() + " " + std::to_string(p.Posicao()) + "/" +
                     std::to_string(p.Maximo()) + " " + std::to_string(p.Percentual()) + "%");
  });
  progresso.Iniciar("Gerando saldos", 3);
  progresso.Incrementar();
  progresso.Incrementar(5);
  progresso.SetTexto("Totalizando");
  progresso.SetPosicao(-1);
  EXPECT_EQ(vistos, (std::vector<std::string>{"Gerando saldos 0/3 0%", "Gerando saldos 1/3 33%",
                                              "Gerando saldos 3/3 100%", "Totalizando 3/3 100%",
                                              "Totalizando 0/3 0%"}));
  progresso.Iniciar("Sem total", 0);
  progresso.Incrementar();
  EXPECT_EQ(progresso.Percentual(), 0);
  // Cancelling stops at the next checkpoint.
  int processados = 0;
  EXPECT_THROW(
      {
        for (int i = 0; i < 10; ++i) {
          progresso.VerificarCancelamento();
          ++processados;
          if (i == 3) {
            progresso.Cancelar();
          }
        }
      },
      EAbort);
  EXPECT_EQ(processados, 4);
  EXPECT_TRUE(progresso.Cancelado());
}

TEST(TnFraProgressoTest, MessagesKeepTheirTypeAndOrder) {
  TnListaMensagem lista;
  lista.AddInformacao("Saldos gerados");
  lista.AddAviso("Conta sem natureza");
  EXPECT_FALSE(lista.TemErro());
  lista.AddErro("Problemas encontrados: 2");
  EXPECT_TRUE(lista.TemErro());
  EXPECT_EQ(lista.Quantidade(TTipoMensagem::tmAviso), 1u);
  EXPECT_EQ(lista.Texto(),
            "Saldos gerados\nAviso: Conta sem natureza\nErro: Problemas encontrados: 2\n");
  lista.Limpar();
  EXPECT_EQ(lista.Count(), 0u);
}

}  // namespace
