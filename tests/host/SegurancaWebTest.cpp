#include "host/server/SegurancaWeb.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <set>
#include <thread>

#include "host/server/SessoesWeb.h"
#include "host/services/SenhaUsuario.h"
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

// One address guessing account 1: the pair waits longer each time, the
// owner elsewhere and the address's other accounts do not.
TEST(SegurancaWebTest, GuessesSlowTheGuesserNotTheOwnerNorHisAddress) {
  TLimitadorTentativas limitador;
  auto agora = TLimitadorTentativas::TRelogio::time_point{} + 10h;
  // Each try answered at once: a reserved check fails, a wait is waited.
  const std::chrono::seconds respostas[] = {0s, 0s, 0s, 0s, 2s, 0s, 4s, 0s, 8s};
  for (const auto esperada : respostas) {
    ASSERT_EQ(limitador.Reservar(1, "a", agora), esperada);
    if (esperada == 0s)
      limitador.Falhou(1, "a", agora);
    agora += esperada;
  }
  EXPECT_EQ(limitador.Reservar(1, "a", agora - 500ms), 1s) << "rounded up";
  ASSERT_EQ(limitador.Reservar(1, "b", agora), 0s) << "the owner, elsewhere";
  limitador.Acertou(1, "b");
  ASSERT_EQ(limitador.Reservar(2, "a", agora), 0s) << "another account behind the address";
  limitador.Acertou(2, "a");
  limitador.Acertou(1, "a");
  EXPECT_EQ(limitador.Reservar(1, "a", agora - 8s), 0s) << "a success clears the pair";
}

// Many accounts from one address, one account from many addresses.
TEST(SegurancaWebTest, AddressAcrossAccountsAndAccountAcrossAddressesAreBounded) {
  TLimitadorTentativas limitador;
  const auto inicio = TLimitadorTentativas::TRelogio::time_point{} + 10h;
  for (int conta = 1; conta <= TLimitadorTentativas::kLivresEndereco + 1; ++conta) {
    ASSERT_EQ(limitador.Reservar(conta, "a", inicio), 0s) << conta;
    limitador.Falhou(conta, "a", inicio);
  }
  EXPECT_EQ(limitador.Reservar(100, "a", inicio), 2s);
  for (int i = 0; i < TLimitadorTentativas::kConferenciasPorConta; ++i) {
    ASSERT_EQ(limitador.Reservar(50, "e" + std::to_string(i), inicio), 0s);
    limitador.Falhou(50, "e" + std::to_string(i), inicio);
  }
  EXPECT_EQ(limitador.Reservar(50, "outro", inicio + 10s), 50s);
  EXPECT_EQ(limitador.Reservar(50, "outro", inicio + 1min), 0s) << "a new minute";
}

// Concurrent guesses reserve their checks one after the other: only the
// free ones run.
TEST(SegurancaWebTest, ConcurrentGuessesCountEachOther) {
  TLimitadorTentativas limitador;
  const auto agora = TLimitadorTentativas::TRelogio::now();
  std::atomic<int> conferencias{0};
  std::latch largada(100);
  std::vector<std::thread> tentativas;
  for (int i = 0; i < 100; ++i)
    tentativas.emplace_back([&] {
      largada.arrive_and_wait();
      if (limitador.Reservar(1, "a", agora) == 0s)
        ++conferencias;
    });
  for (auto& tentativa : tentativas)
    tentativa.join();
  EXPECT_EQ(conferencias, TLimitadorTentativas::kLivresPar + 1);
  EXPECT_EQ(limitador.Reservar(1, "a", agora + 1h), 2s)
      << "however long the checks take, the wait starts at their answer";
}

TEST(SegurancaWebTest, FailureTableForgetsIdleKeysAndStaysBounded) {
  TLimitadorTentativas limitador;
  const auto inicio = TLimitadorTentativas::TRelogio::time_point{} + 10h;
  size_t endereco = 0;
  for (; endereco < 2 * TLimitadorTentativas::kMaxChaves; ++endereco) {
    limitador.Reservar(1, std::to_string(endereco), inicio + 1s);
    ASSERT_LE(limitador.Chaves(), TLimitadorTentativas::kMaxChaves);
  }
  while (limitador.Chaves() + 3 <= TLimitadorTentativas::kMaxChaves)
    limitador.Reservar(1, std::to_string(++endereco), inicio + 1s);
  limitador.Reservar(2, "nova", inicio + 2h);
  EXPECT_EQ(limitador.Chaves(), 3u) << "when full, an hour idle is forgotten";
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
  const std::string a = sessoes.Criar(1, nullptr, "", inicio)->Token();
  const std::string b = sessoes.Criar(2, nullptr, "", inicio)->Token();
  EXPECT_NE(a, b);
  EXPECT_EQ(sessoes.Procurar("desconhecido", inicio), nullptr);
  ASSERT_NE(sessoes.Procurar(a, inicio + 29min), nullptr);
  EXPECT_EQ(sessoes.Procurar(a, inicio + 29min)->Usuario(), 1);
  // b idle for 31 minutes: gone.
  EXPECT_EQ(sessoes.Procurar(b, inicio + 31min), nullptr);
  const std::string c = sessoes.Criar(3, nullptr, "", inicio + 31min)->Token();
  sessoes.Encerrar(c);
  EXPECT_EQ(sessoes.Procurar(c, inicio + 31min), nullptr);
  EXPECT_EQ(sessoes.Quantidade(), 1u);
}

// A user's next session ends his own unused longest; a full server ends
// the one unused longest of all, and never refuses a sign-in.
TEST(SessoesWebTest, SignInsEndTheSessionsUnusedLongest) {
  TSessoesWeb sessoes(3, 2);
  const auto inicio = TSessoesWeb::TRelogio::time_point{} + 10h;
  std::vector<std::string> tokens;
  for (const auto& [usuario, minuto] : {std::pair{1, 0}, {2, 1}, {1, 2}, {1, 3}, {3, 4}})
    tokens.push_back(
        sessoes.Criar(usuario, nullptr, "", inicio + std::chrono::minutes(minuto))->Token());
  const auto viva = [&](size_t i) { return sessoes.Procurar(tokens[i], inicio + 5min) != nullptr; };
  EXPECT_FALSE(viva(0)) << "user 1's third session ended his first";
  EXPECT_FALSE(viva(1)) << "the full server ended user 2's, unused longest";
  EXPECT_TRUE(viva(2));
  EXPECT_TRUE(viva(3));
  EXPECT_TRUE(viva(4));
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
  TSessaoWeb a(1, AbrirSessaoHost(opcoes), "", agora);
  TSessaoWeb b(1, AbrirSessaoHost(opcoes), "", agora);
  std::atomic<int> dentroDeA{0}, maximoEmA{0};
  std::latch ambasAbertas(2);
  const auto pedidoEmA = [&] {
    EXPECT_TRUE(a.Usar(agora, [&](TSessaoHost& host) {
      EXPECT_EQ(&TnSessao::Atual(), &host.Sessao());
      maximoEmA = std::max(maximoEmA.load(), ++dentroDeA);
      std::this_thread::sleep_for(20ms);
      --dentroDeA;
    }));
  };
  // Both sessions inside at the same moment, or the latch never opens.
  const auto pedidoQueEspera = [&](TSessaoWeb& sessao) {
    EXPECT_TRUE(sessao.Usar(agora, [&](TSessaoHost&) { ambasAbertas.arrive_and_wait(); }));
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
