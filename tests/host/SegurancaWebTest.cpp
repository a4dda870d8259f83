#include "host/SegurancaWeb.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <set>
#include <thread>

#include "host/SenhaUsuario.h"
#include "host/SessoesWeb.h"
#include "schema/SchemaInstaller.h"
#include "tests/support/TestDatabases.h"

namespace {

using namespace std::chrono_literals;
using SegurancaWeb::TLimitadorTentativas;

TEST(SegurancaWebTest, TokensAreLongRandomHexAndCompareExactly) {
  std::set<std::string> vistos;
  for (int i = 0; i < 50; ++i) {
    const std::string token = SegurancaWeb::NovoToken();
    ASSERT_EQ(token.size(), 64u);
    ASSERT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos);
    vistos.insert(token);
  }
  EXPECT_EQ(vistos.size(), 50u);
  const std::string token = *vistos.begin();
  EXPECT_TRUE(SegurancaWeb::TokensIguais(token, token));
  std::string outro = token;
  outro.back() = outro.back() == 'a' ? 'b' : 'a';
  for (const std::string& recusado : {outro, token.substr(0, 63), token + "0", std::string()})
    EXPECT_FALSE(SegurancaWeb::TokensIguais(recusado, token)) << recusado;
  EXPECT_FALSE(SegurancaWeb::TokensIguais("", "")) << "no token is no match";
}

TEST(SegurancaWebTest, CookieCarriesItsFlagsAndIsReadBackByName) {
  const std::string semTls = SegurancaWeb::CookieSessao("abc", false, 60);
  EXPECT_EQ(semTls, "ctb_sessao=abc; Path=/; Max-Age=60; HttpOnly; SameSite=Strict");
  const std::string comTls = SegurancaWeb::CookieSessao("abc", true, 0);
  EXPECT_EQ(comTls, "__Host-ctb_sessao=abc; Path=/; Max-Age=0; HttpOnly; SameSite=Strict; Secure");
  const struct {
    const char* Cabecalho;
    const char* Valor;
  } casos[] = {{"ctb_sessao=abc", "abc"},
               {"a=1; ctb_sessao=abc; b=2", "abc"},
               {"xctb_sessao=abc", ""},
               {"ctb_sessaox=abc; ctb_sessao=def", "def"},
               {"ctb_sessao=", ""},
               {"", ""},
               {"a=1;b", ""}};
  for (const auto& caso : casos)
    EXPECT_EQ(SegurancaWeb::LerCookie(caso.Cabecalho, "ctb_sessao"), caso.Valor) << caso.Cabecalho;
}

TEST(SegurancaWebTest, FailedSignInsWaitLongerEachTimeUntilOneSucceeds) {
  TLimitadorTentativas limitador;
  const auto inicio = TLimitadorTentativas::TRelogio::time_point{} + 10h;
  // Failures in a row, all at `inicio`: the wait before the next try.
  const std::chrono::seconds esperas[] = {0s, 0s, 0s, 2s, 4s, 8s};
  for (const auto esperada : esperas) {
    limitador.Falhou("u1", inicio);
    EXPECT_EQ(limitador.Espera("u1", inicio + 0ms), esperada);
  }
  EXPECT_EQ(limitador.Espera("u1", inicio + 7500ms), 1s) << "rounded up";
  EXPECT_EQ(limitador.Espera("u1", inicio + 8s), 0s);
  EXPECT_EQ(limitador.Espera("u2", inicio), 0s) << "another key is not slowed";
  for (int i = 0; i < 30; ++i)
    limitador.Falhou("u1", inicio);
  EXPECT_EQ(limitador.Espera("u1", inicio), TLimitadorTentativas::kEsperaMaxima);
  limitador.Acertou("u1");
  EXPECT_EQ(limitador.Espera("u1", inicio), 0s);
}

TEST(SegurancaWebTest, FailureTableForgetsIdleKeysAndStaysBounded) {
  TLimitadorTentativas limitador;
  const auto inicio = TLimitadorTentativas::TRelogio::time_point{} + 10h;
  limitador.Falhou("antiga", inicio);
  for (size_t i = 0; i < TLimitadorTentativas::kMaxChaves + 5; ++i)
    limitador.Falhou("endereco" + std::to_string(i), inicio + 1s);
  EXPECT_EQ(limitador.Chaves(), TLimitadorTentativas::kMaxChaves);
  limitador.Falhou("nova", inicio + 2h);
  EXPECT_EQ(limitador.Chaves(), 1u) << "when full, an hour idle is forgotten";
}

TEST(SegurancaWebTest, PasswordHashChecksOnlyTheSamePasswordAndBoundsItsSize) {
  const std::string hash = SenhaUsuario::GerarHash("correta-123");
  EXPECT_TRUE(hash.starts_with("$argon2id$"));
  EXPECT_NE(hash, SenhaUsuario::GerarHash("correta-123")) << "salted";
  EXPECT_TRUE(SenhaUsuario::Conferir(hash, "correta-123"));
  for (const char* errada : {"correta-12", "Correta-123", "", "correta-1234"})
    EXPECT_FALSE(SenhaUsuario::Conferir(hash, errada)) << errada;
  EXPECT_NO_THROW(SenhaUsuario::Validar(std::string(8, 'x')));
  EXPECT_NO_THROW(SenhaUsuario::Validar(std::string(128, 'x')));
  EXPECT_THROW(SenhaUsuario::Validar(std::string(7, 'x')), std::exception);
  EXPECT_THROW(SenhaUsuario::Validar(std::string(129, 'x')), std::exception);
}

TEST(SessoesWebTest, SessionsExpireWhenIdleOrOldAndAreBounded) {
  TSessoesWeb sessoes(2);
  const auto inicio = TSessoesWeb::TRelogio::time_point{} + 10h;
  const std::string a = sessoes.Criar(1, nullptr, inicio)->Token();
  const std::string b = sessoes.Criar(2, nullptr, inicio)->Token();
  EXPECT_NE(a, b);
  EXPECT_THROW(sessoes.Criar(3, nullptr, inicio + 1min), std::exception) << "full";
  EXPECT_EQ(sessoes.Procurar("desconhecido", inicio), nullptr);
  ASSERT_NE(sessoes.Procurar(a, inicio + 29min), nullptr);
  EXPECT_EQ(sessoes.Procurar(a, inicio + 29min)->Usuario(), 1);
  // b idle for 31 minutes: gone, and its place is free again.
  EXPECT_EQ(sessoes.Procurar(b, inicio + 31min), nullptr);
  const std::string c = sessoes.Criar(3, nullptr, inicio + 31min)->Token();
  sessoes.Encerrar(c);
  EXPECT_EQ(sessoes.Procurar(c, inicio + 31min), nullptr);
  EXPECT_EQ(sessoes.Quantidade(), 1u);
}

// Requests of one session wait for each other; different sessions' run at
// once, each with its own host session current.
class TSessaoWebUsoTest : public TDatabaseTest {};

TEST_P(TSessaoWebUsoTest, OneRequestOfASessionAtATimeManySessionsAtOnce) {
  {
    auto conexao = Banco().Conectar();
    SchemaInstaller::Instalar(*conexao);
  }
  SessaoHost::TOpcoesConexao opcoes;
  (Tipo() == TTipoConexao::SQLite ? opcoes.ArquivoSQLite : opcoes.ConninfoPg) =
      Banco().Parametros();
  const auto agora = TSessoesWeb::TRelogio::now();
  TSessaoWeb a(1, AbrirSessaoHost(opcoes), agora);
  TSessaoWeb b(1, AbrirSessaoHost(opcoes), agora);
  std::atomic<int> dentroDeA{0}, maximoEmA{0};
  std::latch ambasAbertas(2);
  const auto pedidoEmA = [&] {
    a.Usar(agora, [&](TSessaoHost& host) {
      EXPECT_EQ(&TnSessao::Atual(), &host.Sessao());
      maximoEmA = std::max(maximoEmA.load(), ++dentroDeA);
      std::this_thread::sleep_for(20ms);
      --dentroDeA;
    });
  };
  // Both sessions inside at the same moment, or the latch never opens.
  const auto pedidoQueEspera = [&](TSessaoWeb& sessao) {
    sessao.Usar(agora, [&](TSessaoHost&) { ambasAbertas.arrive_and_wait(); });
  };
  std::vector<std::thread> pedidos;
  for (int i = 0; i < 4; ++i)
    pedidos.emplace_back(pedidoEmA);
  for (auto& pedido : pedidos)
    pedido.join();
  std::thread outro([&] { pedidoQueEspera(b); });
  pedidoQueEspera(a);
  outro.join();
  EXPECT_EQ(maximoEmA, 1);
}

CTB_INSTANTIATE_ENGINES(TSessaoWebUsoTest);

}  // namespace
