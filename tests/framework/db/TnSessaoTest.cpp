// The session's service store: one instance per type and session, what a
// worker's session inherits, and which session is current.

#include "framework/db/TnSessao.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "framework/core/Exceptions.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnLeiturasDoPedido.h"

namespace {

std::unique_ptr<TnDMConexao> Memoria() {
  return std::make_unique<TnDMConexao>(TTipoConexao::SQLite, ":memory:");
}

// A cache: built from its session, never copied to a worker.
struct TCache {
  explicit TCache(TnSessao& sessao) : Dona(&sessao) {}
  TnSessao* Dona;
  int Lidos = 0;
};

// A choice the user made: a worker's session starts with a copy.
struct TEscolha {
  int Valor = 0;
  std::unique_ptr<TEscolha> Derivar(TnSessao& /*nova*/) const {
    return std::make_unique<TEscolha>(*this);
  }
};

TEST(TnSessao, KeepsOneServiceOfEachTypeBuiltFromItselfOrBorrowed) {
  TnSessao sessao(Memoria());
  EXPECT_EQ(sessao.Procurar<TCache>(), nullptr);
  TCache& cache = sessao.Servico<TCache>();
  EXPECT_EQ(cache.Dona, &sessao);
  EXPECT_EQ(&sessao.Servico<TCache>(), &cache);
  EXPECT_EQ(sessao.Procurar<TEscolha>(), nullptr) << "types do not share a slot";

  TnSessao outra(Memoria());
  EXPECT_NE(&outra.Servico<TCache>(), &cache);
  // A borrowed service stays the caller's and can be removed.
  TEscolha minha{7};
  sessao.Emprestar(&minha);
  EXPECT_EQ(sessao.Procurar<TEscolha>(), &minha);
  sessao.Emprestar<TEscolha>(nullptr);
  EXPECT_EQ(sessao.Procurar<TEscolha>(), nullptr);
  EXPECT_EQ(minha.Valor, 7);
}

TEST(TnSessao, AWorkersSessionCopiesChoicesNotCachesOverItsOwnConnection) {
  TnSessao sessao(Memoria());
  sessao.Conexao().SetCodigoUsuario(5);
  sessao.Servico<TEscolha>().Valor = 3;
  sessao.Servico<TCache>().Lidos = 9;

  const std::unique_ptr<TnSessao> worker = sessao.Derivar(sessao.Conexao());
  EXPECT_NE(&worker->Conexao(), &sessao.Conexao());
  EXPECT_EQ(worker->Conexao().CodigoUsuario(), 5);
  ASSERT_NE(worker->Procurar<TEscolha>(), nullptr);
  EXPECT_NE(worker->Procurar<TEscolha>(), sessao.Procurar<TEscolha>());
  EXPECT_EQ(worker->Procurar<TEscolha>()->Valor, 3);
  EXPECT_EQ(worker->Procurar<TCache>(), nullptr);
  EXPECT_EQ(worker->Servico<TCache>().Dona, worker.get());
}

// A service whose end reaches another service of its session, as a module
// freed with the session reaches its settings.
struct TQueUsaOutro {
  explicit TQueUsaOutro(TnSessao& sessao) : Sessao(sessao) {}
  ~TQueUsaOutro() { Sessao.Servico<TCache>().Lidos = TnSessao::Atual().Servico<TEscolha>().Valor; }
  TnSessao& Sessao;
};

TEST(TnSessao, ServicesEndNewestFirstWithTheirSessionCurrent) {
  auto sessao = std::make_unique<TnSessao>(Memoria());
  sessao->Servico<TQueUsaOutro>();
  sessao->Servico<TEscolha>().Valor = 4;
  // Freed last, it reaches services already gone and so creates them anew;
  // the session frees those too (ASan sees a leak or a use after free
  // otherwise).
  EXPECT_NO_THROW(sessao.reset());
  EXPECT_EQ(TnSessao::AtualOuNula(), nullptr);
}

// Without a current session there is no current connection either, and
// nothing runs.
TEST(TnSessao, GuardsSetTheCurrentSessionAndPutThePreviousBack) {
  EXPECT_THROW(TnSessao::Atual(), Exception);
  EXPECT_THROW(TnDMConexao::Atual(), Exception);
  EXPECT_THROW(Nutildb::ExecutarSQL("select 1"), Exception);
  TnSessao primeira(Memoria());
  {
    TUsarSessao usar(primeira);
    EXPECT_EQ(&TnSessao::Atual(), &primeira);
    EXPECT_EQ(&TnDMConexao::Atual(), &primeira.Conexao());
    // Handed the current session's connection, the guard keeps that session.
    TUsarConexao mesma(primeira.Conexao());
    EXPECT_EQ(&mesma.Sessao(), &primeira);
    {
      // Handed another connection, it works in a session of its own.
      TnDMConexao outra(TTipoConexao::SQLite, ":memory:");
      TUsarConexao propria(outra);
      EXPECT_NE(&TnSessao::Atual(), &primeira);
      EXPECT_EQ(&TnSessao::Atual().Conexao(), &outra);
    }
    EXPECT_EQ(&TnSessao::Atual(), &primeira);
  }
  EXPECT_EQ(TnSessao::AtualOuNula(), nullptr);
  EXPECT_EQ(TnDMConexao::AtualOuNulo(), nullptr);
  {
    auto fechada = std::make_unique<TnSessao>(Memoria());
    TnSessao::SetAtual(fechada.get());
    fechada.reset();
    EXPECT_EQ(TnSessao::AtualOuNula(), nullptr) << "a closed session is no longer current";
  }
}

// A setting another session changes is seen from the next request on, never
// in the middle of one; without the service every question reads again.
TEST(TnLeiturasDoPedido, AnswersStayForTheRequestAndAreReadAgainAfterIt) {
  TnSessao sessao(Memoria());
  sessao.Conexao().ExecuteScript(
      "create table OPCAO (VALOR integer); insert into OPCAO values (1);");
  const auto ler = [&sessao] {
    return TnLeiturasDoPedido::Ler(sessao, "select VALOR from OPCAO where VALOR > :pMin",
                                   {{"pMin", Value(0)}})
        .Rows.at(0)
        .at(0)
        .AsInteger();
  };
  const auto mudar = [&sessao](int valor) {
    sessao.Conexao().ExecuteScript(fmt::format("update OPCAO set VALOR = {};", valor));
  };
  EXPECT_EQ(ler(), 1);
  mudar(2);
  EXPECT_EQ(ler(), 2) << "a session without the service reads every time";

  sessao.Servico<TnLeiturasDoPedido>();
  EXPECT_EQ(ler(), 2);
  mudar(3);
  EXPECT_EQ(ler(), 2) << "the same request keeps its answer";
  EXPECT_TRUE(TnLeiturasDoPedido::Ler(sessao, "select VALOR from OPCAO where VALOR > :pMin",
                                      {{"pMin", Value(5)}})
                  .Rows.empty())
      << "other values are another question";
  TnLeiturasDoPedido::Esquecer(sessao);
  EXPECT_EQ(ler(), 3);
  EXPECT_THROW(TnLeiturasDoPedido::Ler(sessao, "select NADA from OPCAO", {}), std::exception);
  sessao.Conexao().ExecuteScript("alter table OPCAO add column NADA integer;");
  EXPECT_NO_THROW(TnLeiturasDoPedido::Ler(sessao, "select NADA from OPCAO", {}))
      << "a failed read is not kept";
}

}  // namespace
