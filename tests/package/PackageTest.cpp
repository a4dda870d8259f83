// Start-up and close-down of the module: every class of the table lands in
// the registry, the menu gains the process's action, and close-down leaves
// neither a class nor an action behind.

#include "package/Package.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <typeinfo>

#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"
#include "tests/support/TestDatabases.h"

namespace {

class TPackageTest : public ::testing::Test {
 protected:
  void TearDown() override { Package::Finalizar(); }

  static size_t AcoesMenu() {
    TnActionList lista;
    return TnDM::GerarPrincActions(
        lista, [](TnAction&) {}, TnConjuntoModulos{});
  }
};

TEST_F(TPackageTest, RegisteredProcessIsCreatedByNameAndOffersItsMenuAction) {
  TSessaoDeTeste sessao;
  Package::Iniciar();
  auto& processo = Nutilform::CriarDM<TnCtbDPGerarSaldoCtbIndividual>(
      "TnCtbDPGerarSaldoCtbIndividual", "ConsultaBalancete");
  EXPECT_EQ("TnCtbDPGerarSaldoCtbIndividual", processo.ClassName());
  EXPECT_TRUE(Nutilform::DestruirDM("TnCtbDPGerarSaldoCtbIndividual", "ConsultaBalancete"));

  TnActionList lista;
  TnDM::GerarPrincActions(
      lista, [](TnAction&) {}, TnConjuntoModulos{});
  const TnAction* acao = lista.Find("actTnCtbDPGerarSaldoCtbIndividual");
  ASSERT_NE(nullptr, acao);
  EXPECT_EQ("Processos", acao->Category());
  EXPECT_EQ("Gerar Saldos Contábeis - Individual", acao->Caption());
}

TEST_F(TPackageTest, CloseDownUnregistersEveryKnownClassAndItsMenuAction) {
  const size_t acoesAntes = AcoesMenu();
  Package::Iniciar();
  EXPECT_GT(AcoesMenu(), acoesAntes);
  EXPECT_TRUE(Nutilform::TemClasse("TnCtbDMLctoCtb")) << "reached from the menu, by name";
  Package::Finalizar();
  for (const std::string& nome : Package::ClassesConhecidas())
    EXPECT_FALSE(Nutilform::TemClasse(nome)) << nome;
  EXPECT_EQ(acoesAntes, AcoesMenu());
  const std::set<std::string> conhecidas(Package::ClassesConhecidas().begin(),
                                         Package::ClassesConhecidas().end());
  EXPECT_TRUE(conhecidas.contains("TnCtbDMLctoCtbCloud"));
  EXPECT_TRUE(conhecidas.contains("TnCtbDMLctoGer"));
  // Loaded again after unloading: start-up works as the first time.
  EXPECT_NO_THROW(Package::Iniciar());
}

// Every class of the table exists: its factory builds an object of that
// very class (its type's name, as the compiler records it with its length,
// is the name the host asks for), never a neighbour's.
TEST_F(TPackageTest, EveryClassIsCreatedByNameAsItselfAndLoadingTwiceIsRefused) {
  TSessaoDeTeste sessao;
  Package::Iniciar();
  EXPECT_THROW(Package::Iniciar(), Exception);
  for (const Package::TClassePacote& classe : Package::ClassesPacote()) {
    ASSERT_TRUE(classe.Fabrica) << classe.Nome;
    const std::unique_ptr<TnObjetoRegistravel> objeto = Nutilform::CriarDMNovo(classe.Nome);
    ASSERT_NE(objeto, nullptr) << classe.Nome;
    const std::string tipo = typeid(*objeto).name();
    EXPECT_NE(tipo.find(std::to_string(classe.Nome.size()) + classe.Nome), std::string::npos)
        << classe.Nome << " built a " << tipo;
  }
}

}  // namespace
