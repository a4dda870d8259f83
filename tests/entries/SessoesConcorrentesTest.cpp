// Two users of two companies in one process, each on a thread of his own:
// their posts and balance runs interleave, and each session sees only its
// own settings, selection and shared modules. Run under ThreadSanitizer too.

#include <gtest/gtest.h>

#include <thread>

#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"
#include "tests/entries/LctoCtbFixture.h"

namespace {

class SessoesConcorrentesTest : public TnLctoCtbFixture {
 protected:
  static constexpr int kLancamentos = 12;

  // One user's work: his session over a connection of his own, entries of
  // his company posted one by one, and a balance run after every few.
  void Trabalhar(int64_t usuario, int64_t empresa, double valor) try {
    TnSessao sessao(Banco().Conectar());
    sessao.Conexao().SetCodigoUsuario(usuario);
    sessao.Conexao().SetCodigoEstab(1);
    TUsarSessao usar(sessao);
    sessao.Instalar(std::make_shared<TnDMDireitoUsuario>(sessao.Conexao()));
    nDMSelecao().CriarParam(kSelCodigoEmpresa, Value(empresa));

    TnSelecao selecao;
    selecao.SetParam(kSelCodigoEmpresa, Value(empresa));
    auto modulo = Nutilform::CriarDMNovo<TnCtbDMLctoCtb>("TnCtbDMLctoCtb");
    modulo->Abrir(&selecao);
    TnClientDataSet& cds = modulo->nClientDataSet;
    for (int i = 1; i <= kLancamentos; ++i) {
      NovoValido(*modulo, {{"DATALCTOCTB", EncodeDate(2024, 3, i)},
                           {"COMPLHIST", "usuario " + std::to_string(usuario)},
                           {"VALORLCTOCTB", valor}});
      cds.Post();
      modulo->AplicarAtualizacoes();
      EXPECT_EQ(ControleCTB().GetCodigoEmpresa(), empresa);
      EXPECT_EQ(nDMSelecao().Selecao().CodigoEmpresa(), empresa);
      if (i % 4 == 0) {
        EXPECT_EQ(DebitoDoCaixa(empresa), valor * i) << "usuario " << usuario;
      }
    }
  } catch (const std::exception& e) {
    ADD_FAILURE() << "usuario " << usuario << ": " << e.what();
  }

  // The balance process of the shared instance, as the trial balance runs it.
  static double DebitoDoCaixa(int64_t empresa) {
    auto& processo = Nutilform::CriarDM<TnCtbDPGerarSaldoCtbIndividual>(
        TnCtbDPGerarSaldoCtbIndividual::kClassName, "Concorrente");
    processo.Param("pCodigoEmpresa").SetValor(std::to_string(empresa));
    processo.Param("pDataInicial").SetValor("01/03/2024");
    processo.Param("pDataFinal").SetValor("31/03/2024");
    processo.Param("pContaCtb").SetValor("101");
    processo.Executar();
    double debito = 0;
    TnClientDataSet& cds = processo.nClientDataSet;
    for (cds.First(); !cds.Eof(); cds.Next())
      if (cds.FieldByName("CODIGOESTAB").AsInteger() == 0)
        debito += cds.FieldByName("DEBITO").AsFloat();
    Nutilform::DestruirDM(TnCtbDPGerarSaldoCtbIndividual::kClassName, "Concorrente");
    return debito;
  }
};

TEST_P(SessoesConcorrentesTest, TwoUsersOfTwoCompaniesEachSeeOnlyTheirOwn) {
  // Company 3 keeps its books without origins, documents or batches.
  Executar(
      "insert into CFGEMPRESACTB (CODIGOEMPRESA, DATAINICIALEXERC, DATAFINALEXERC, "
      "UTILORIGEMLCTOCTB, UTILNUMERODCTO, UTILLOTE) values (3, '2024-01-01', '2024-12-31', '0', "
      "'0', '0')");
  Executar("insert into USUARIO (CODIGOUSUARIO, NOMEUSUARIO) values (2, 'Bia')");
  Executar(
      "insert into DIREITOUSUARIO (CODIGOUSUARIO, NOMEDIREITO, NIVEL) values (2, "
      "'DireitoLctoCtb', '8')");
  std::thread primeiro([&] { Trabalhar(1, 1, 10); });
  std::thread segundo([&] { Trabalhar(2, 3, 7); });
  primeiro.join();
  segundo.join();
  EXPECT_EQ(Contar("select count(*) from LCTOCTB where CODIGOEMPRESA = 1 and COMPLHIST = "
                   "'usuario 1'"),
            kLancamentos);
  EXPECT_EQ(Contar("select count(*) from LCTOCTB where CODIGOEMPRESA = 3 and COMPLHIST = "
                   "'usuario 2'"),
            kLancamentos);
}

CTB_INSTANTIATE_ENGINES(SessoesConcorrentesTest);

}  // namespace
