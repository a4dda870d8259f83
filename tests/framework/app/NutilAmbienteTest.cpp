#include "framework/app/NutilAmbiente.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(NutilAmbienteTest, LogLinesGoToTheHostsSink) {
  std::vector<Nutil::TLinhaLog> linhas;
  Nutil::SetLogSink([&](const Nutil::TLinhaLog& l) { linhas.push_back(l); });
  Nutil::LogDB("Registro excluído em decorrencia da exclusão da transação efetuada pelo usuário",
               3);
  Nutil::SetLogSink(nullptr);
  testing::internal::CaptureStderr();
  Nutil::LogDB("para o padrão", 4);
  const std::string erro = testing::internal::GetCapturedStderr();
  ASSERT_EQ(linhas.size(), 1u);
  EXPECT_EQ(linhas[0].CodigoUsuario, 3);
  EXPECT_EQ(linhas[0].Descricao,
            "Registro excluído em decorrencia da exclusão da transação efetuada pelo usuário");
  EXPECT_EQ(erro.rfind("LOG ", 0), 0u);
  EXPECT_NE(erro.find(" usuario=4: para o padrão\n"), std::string::npos);
}

}  // namespace
