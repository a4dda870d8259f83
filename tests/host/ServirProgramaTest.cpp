// `ctb serve` started as the administrator starts it the first time: it
// says where to open the pages and, while no user has a password, how to
// set one.

#include <signal.h>

#include <chrono>
#include <regex>
#include <thread>

#include "tests/host/TCtbPrograma.h"

namespace {

constexpr const char* kSemSenha =
    "Nenhum usuário tem senha para entrar: defina a de um usuário com `ctb user passwd N` (N: o "
    "código do usuário; docs/web.md)\n";

class TServirTest : public TCtbDemoTest {
 protected:
  // What the server prints until it listens; then it is stopped.
  std::string Aviso() {
    const pid_t servidor = Iniciar(NoBanco({"serve", "--port", "0"}));
    for (int i = 0; i < 200 && Arquivo("out.txt").find("no navegador") == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::kill(servidor, SIGTERM);
    EXPECT_EQ(Aguardar(servidor), 0) << FErro;
    return FSaida;
  }
};

TEST_P(TServirTest, SaysWhereToOpenItAndHowToSetAFirstPassword) {
  const std::regex endereco(
      R"(Servidor em http://127\.0\.0\.1:([0-9]+)/\nAbra http://127\.0\.0\.1:\1/ no navegador\n$)");
  std::string aviso = Aviso();
  EXPECT_TRUE(aviso.starts_with(kSemSenha)) << aviso;
  EXPECT_TRUE(std::regex_search(aviso, endereco)) << aviso;

  ASSERT_EQ(Comando("user passwd 2", "senha-do-operador\n"), 0) << FErro;
  aviso = Aviso();
  EXPECT_EQ(aviso.find("Nenhum usuário tem senha"), std::string::npos) << aviso;
  EXPECT_TRUE(std::regex_search(aviso, endereco)) << aviso;
}

CTB_INSTANTIATE_ENGINES(TServirTest);

}  // namespace
