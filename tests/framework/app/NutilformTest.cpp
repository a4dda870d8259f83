#include "framework/app/Nutilform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TestDatabases.h"

namespace {

// Records construction, configuration and destruction, so tests see who was
// built, configured and freed, and in which order.
std::vector<std::string> gEventos;

class TModuloTeste : public TnObjetoRegistravel {
 public:
  TModuloTeste() { gEventos.push_back("criado"); }
  ~TModuloTeste() override { gEventos.push_back("liberado " + ClassName() + "/" + Name()); }
  void ConfigSobDemanda() override {
    ++Configuracoes;
    gEventos.push_back("configurado " + ClassName() + "/" + Name());
  }
  int Configuracoes = 0;
};

class TOutroModulo : public TnObjetoRegistravel {};

class TModuloQueFalha : public TnObjetoRegistravel {
 public:
  void ConfigSobDemanda() override { throw Exception("configuração falhou"); }
};

class NutilformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gEventos.clear();
    FRegistro.nRegisterClass("TnModuloTeste", [] { return std::make_unique<TModuloTeste>(); });
  }
  TnRegistroClasses FRegistro;
  TnInstanciasDM FInstancias{FRegistro};
};

// A duplicate (in any case) or nameless registration is refused.
TEST_F(NutilformTest, KeepsRegistrationOrderRefusesDuplicatesAndIgnoresUnknownUnregistration) {
  TnRegistroClasses registro;
  const auto outro = [] { return std::make_unique<TOutroModulo>(); };
  const std::vector<std::string> nomes{"TnCtbDMLctoGerDebitoCloud", "TnCtbDMLctoGerCreditoCloud",
                                       "TnCtbDMLctoCtbExtemp", "TnCtbDMLctoCtbParticipante",
                                       "TnCtbDMLctoCtbAreaTrabalho"};
  for (const std::string& nome : nomes)
    registro.nRegisterClass(nome, outro);
  EXPECT_THROW(registro.nRegisterClass("TNCTBDMLCTOCTBEXTEMP", outro), Exception);
  EXPECT_THROW(registro.nRegisterClass(" ", outro), Exception);
  EXPECT_EQ(registro.ClassesRegistradas(), nomes);

  registro.nUnRegisterClass("tnctbdmlctoctbextemp");  // any case
  registro.nUnRegisterClass("TnCtbDMLctoCtb");        // never registered: ignored
  EXPECT_EQ(registro.ClassesRegistradas(),
            (std::vector<std::string>{"TnCtbDMLctoGerDebitoCloud", "TnCtbDMLctoGerCreditoCloud",
                                      "TnCtbDMLctoCtbParticipante", "TnCtbDMLctoCtbAreaTrabalho"}));
  EXPECT_FALSE(registro.TemClasse("TnCtbDMLctoCtbExtemp"));
  EXPECT_TRUE(registro.TemClasse("TNCTBDMLCTOCTBAREATRABALHO"));

  // Registered again after unregistration: goes to the end.
  registro.nRegisterClass("TnCtbDMLctoCtbExtemp", outro);
  EXPECT_EQ(registro.ClassesRegistradas().back(), "TnCtbDMLctoCtbExtemp");
}

TEST_F(NutilformTest, CriarDMSharesOneConfiguredInstancePerClassAndName) {
  TnObjetoRegistravel& a = FInstancias.CriarDM("TnModuloTeste");
  TnObjetoRegistravel& b = FInstancias.CriarDM("tnmoduloteste");
  TnObjetoRegistravel& nomeado = FInstancias.CriarDM("TnModuloTeste", "ConsultaBalancete");
  EXPECT_EQ(&a, &b);
  EXPECT_NE(&a, &nomeado);
  EXPECT_EQ(a.ClassName(), "TnModuloTeste");
  EXPECT_EQ(nomeado.Name(), "ConsultaBalancete");
  EXPECT_EQ(static_cast<TModuloTeste&>(a).Configuracoes, 1);
  EXPECT_EQ(FInstancias.ContagemUsos("TnModuloTeste"), 2);
  EXPECT_EQ(FInstancias.ContagemUsos("TnModuloTeste", "ConsultaBalancete"), 1);
}

TEST_F(NutilformTest, CriarDMNovoGivesAFreshUnconfiguredObjectToTheCaller) {
  TnObjetoRegistravel& compartilhado = FInstancias.CriarDM("TnModuloTeste");
  {
    std::unique_ptr<TnObjetoRegistravel> novo = FRegistro.CriarDMNovo("TnModuloTeste");
    EXPECT_NE(novo.get(), &compartilhado);
    EXPECT_EQ(static_cast<TModuloTeste&>(*novo).Configuracoes, 0);
    EXPECT_EQ(novo->ClassName(), "TnModuloTeste");
    EXPECT_FALSE(FInstancias.DestruirDMDefinitivo(novo.get()));  // not the registry's
  }
  EXPECT_EQ(gEventos.back(), "liberado TnModuloTeste/");
  EXPECT_EQ(FInstancias.PegarDM("TnModuloTeste"), &compartilhado);
}

// Shutting down frees what is left, newest first.
TEST_F(NutilformTest, DestruirDMFreesWithTheLastUseDefinitivoAtOnceAndShutDownNewestFirst) {
  FInstancias.CriarDM("TnModuloTeste");
  FInstancias.CriarDM("TnModuloTeste");
  EXPECT_TRUE(FInstancias.DestruirDM("TnModuloTeste"));
  EXPECT_NE(FInstancias.PegarDM("TnModuloTeste"), nullptr);
  EXPECT_TRUE(FInstancias.DestruirDM("TnModuloTeste"));
  EXPECT_EQ(FInstancias.PegarDM("TnModuloTeste"), nullptr);
  EXPECT_FALSE(FInstancias.DestruirDM("TnModuloTeste"));

  TnObjetoRegistravel& m = FInstancias.CriarDM("TnModuloTeste", "GeradorLcto");
  FInstancias.CriarDM("TnModuloTeste", "GeradorLcto");
  EXPECT_TRUE(FInstancias.DestruirDMDefinitivo(&m));
  EXPECT_EQ(FInstancias.PegarDM("TnModuloTeste", "GeradorLcto"), nullptr);
  EXPECT_EQ(gEventos.back(), "liberado TnModuloTeste/GeradorLcto");
  // A new one is built on the next request.
  EXPECT_EQ(
      static_cast<TModuloTeste&>(FInstancias.CriarDM("TnModuloTeste", "GeradorLcto")).Configuracoes,
      1);
  FInstancias.CriarDM("TnModuloTeste", "Primeiro");
  FInstancias.CriarDM("TnModuloTeste", "Segundo");
  gEventos.clear();
  FInstancias.DestruirTodosDM();
  EXPECT_EQ(gEventos, (std::vector<std::string>{"liberado TnModuloTeste/Segundo",
                                                "liberado TnModuloTeste/Primeiro",
                                                "liberado TnModuloTeste/GeradorLcto"}));
}

TEST_F(NutilformTest, FailedConfigurationOrUnknownClassLeavesNoInstance) {
  FRegistro.nRegisterClass("TnModuloQueFalha", [] { return std::make_unique<TModuloQueFalha>(); });
  EXPECT_THROW(FInstancias.CriarDM("TnModuloQueFalha"), Exception);
  EXPECT_EQ(FInstancias.PegarDM("TnModuloQueFalha"), nullptr);
  EXPECT_EQ(FInstancias.ContagemUsos("TnModuloQueFalha"), 0);
  // An unknown class raises with its name.
  EXPECT_EQ(MensagemDoErro([&] { FInstancias.CriarDM("TnCtbDCAtivDiferenc"); }),
            "Classe não registrada: TnCtbDCAtivDiferenc");
  EXPECT_THROW(FRegistro.CriarDMNovo("TnCtbDCAtivDiferenc"), Exception);
}

TEST(NutilformGlobalTest, TypedCreationChecksTheClassAndEachSessionHasItsOwnInstances) {
  TSessaoDeTeste sessao;
  Nutilform::nRegisterClass<TModuloTeste>("TnModuloGlobal");
  Nutilform::nRegisterClass<TOutroModulo>("TnOutroGlobal");
  TModuloTeste& m = Nutilform::CriarDM<TModuloTeste>("TnModuloGlobal");
  EXPECT_EQ(&m, &Nutilform::CriarDM("TnModuloGlobal"));
  EXPECT_THROW(Nutilform::CriarDM<TModuloTeste>("TnOutroGlobal"), Exception);
  // The failed typed request did not leave a use behind.
  EXPECT_EQ(Nutilform::Instancias().ContagemUsos("TnOutroGlobal"), 0);
  EXPECT_THROW(Nutilform::CriarDMNovo<TModuloTeste>("TnOutroGlobal"), Exception);
  std::unique_ptr<TModuloTeste> novo = Nutilform::CriarDMNovo<TModuloTeste>("TnModuloGlobal");
  EXPECT_NE(novo.get(), &m);
  {
    TSessaoDeTeste outra;
    EXPECT_NE(&Nutilform::CriarDM("TnModuloGlobal"), &m) << "another user's instance";
  }
  EXPECT_EQ(Nutilform::Instancias().ContagemUsos("TnModuloGlobal"), 2);
  Nutilform::DestruirDM("TnModuloGlobal");
  Nutilform::DestruirDM("TnModuloGlobal");
  EXPECT_EQ(Nutilform::Instancias().PegarDM("TnModuloGlobal"), nullptr);
  Nutilform::nUnRegisterClass("TnModuloGlobal");
  Nutilform::nUnRegisterClass("TnOutroGlobal");
  EXPECT_FALSE(Nutilform::TemClasse("TnModuloGlobal"));
}

}  // namespace
