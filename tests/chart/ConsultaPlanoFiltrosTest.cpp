// The chart consultation's filters: a match keeps the synthetic accounts
// above it when "Sintética" is "Sim", and only itself when "Não".
#include "chart/ConsultaPlanoFiltros.h"

#include <gtest/gtest.h>

#include "framework/core/Nutil.h"
#include "tests/support/TestDatabases.h"

namespace {

using nCtbFCPlanoEspecFiltros_U::TConsultaPlano;

class TnCtbFCPlanoEspecFiltrosTest : public TSchemaTest {
 protected:
  void SetUp() override {
    TSchemaTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    Exec("insert into EMPRESA (CODIGOEMPRESA, NOMEEMPRESA) values (1, 'Um')");
    Exec(
        "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, DESCRCONTA, TIPOCONTA) "
        "values (1, 1, '1', 'ATIVO', 1), (1, 11, '1.1', 'CIRCULANTE', 1), "
        "(1, 111, '1.1.1', 'DISPONÍVEL', 1), (1, 1001, '1.1.1.01', 'Caixa Geral', 2), "
        "(1, 1002, '1.1.1.02', 'Banco', 2), (1, 12, '1.2', 'NÃO CIRCULANTE', 1), "
        "(1, 1201, '1.2.01', 'Imóveis', 2), (1, 2, '2', 'PASSIVO', 1), "
        "(1, 21, '2.1', 'FORNECEDORES', 1), (1, 2101, '2.1.01', 'Fornecedor Caixa', 2)");
  }

  // The classifications the grid shows, separated by blanks.
  static std::string Classificacoes(TnCtbFCPlanoEspecFiltros& consulta) {
    std::string texto;
    TnClientDataSet& grid = consulta.ClientDataSet();
    for (grid.First(); !grid.Eof(); grid.Next())
      Nutil::Add(texto, grid.FieldByName("CLASSIFCONTA").AsString(), " ");
    return texto;
  }
};

struct TCaso {
  const char* Nome;
  const char* Coluna;
  const char* Texto;
  bool Sintetica;
  bool QualquerParte;
  const char* Mostradas;
};

}  // namespace

TEST_P(TnCtbFCPlanoEspecFiltrosTest, SyntheticAccountsAboveAMatchStayWhenAsked) {
  const TCaso casos[] = {
      {"Groups kept", "DESCRCONTA", "caixa", true, false, "1 1.1 1.1.1 1.1.1.01"},
      {"Only matches", "DESCRCONTA", "caixa", false, false, "1.1.1.01"},
      {"Accents and case", "DESCRCONTA", "IMOVEIS", true, false, "1 1.2 1.2.01"},
      {"Anywhere", "DESCRCONTA", "caixa", true, true, "1 1.1 1.1.1 1.1.1.01 2 2.1 2.1.01"},
      {"No match", "DESCRCONTA", "xyz", true, false, ""},
      {"Classification", "CLASSIFCONTA", "1.1.1.0", true, false, "1 1.1 1.1.1 1.1.1.01 1.1.1.02"},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    TnCtbFCPlanoEspecFiltros consulta;
    TConsultaPlano pedido;
    pedido.CodigoEmpresa = 1;
    pedido.Filtros = {{caso.Coluna, caso.Texto}};
    pedido.Sintetica = caso.Sintetica;
    pedido.QualquerParte = caso.QualquerParte;
    nCtbFCPlanoEspecFiltros_U::Consultar(consulta, Conexao(), pedido);
    EXPECT_EQ(Classificacoes(consulta), caso.Mostradas);
  }
}

TEST_P(TnCtbFCPlanoEspecFiltrosTest, ComboSwitchesTheSyntheticFilter) {
  TnCtbFCPlanoEspecFiltros consulta;
  nCtbFCPlanoEspecFiltros_U::Consultar(consulta, Conexao(), {1, {{"DESCRCONTA", "banco"}}});
  EXPECT_EQ(consulta.ComboFiltrarTitulo().Text(), "Não");
  EXPECT_EQ(Classificacoes(consulta), "1.1.1.02");
  ASSERT_TRUE(consulta.Form().PressionarAtalho("Ctrl+F"));
  consulta.AtualizarFiltro(true);
  EXPECT_EQ(consulta.ComboFiltrarTitulo().Text(), "Sim");
  EXPECT_EQ(Classificacoes(consulta), "1 1.1 1.1.1 1.1.1.02");
}

TEST_P(TnCtbFCPlanoEspecFiltrosTest, RefreshRebuildsTheMatchesFromTheNewRows) {
  TnCtbFCPlanoEspecFiltros consulta;
  nCtbFCPlanoEspecFiltros_U::Consultar(consulta, Conexao(), {1, {{"DESCRCONTA", "imo"}}, true});
  EXPECT_EQ(Classificacoes(consulta), "1 1.2 1.2.01");
  Exec(
      "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, DESCRCONTA, TIPOCONTA) "
      "values (1, 2102, '2.1.02', 'Imobiliária', 2)");
  consulta.Refresh();
  EXPECT_EQ(Classificacoes(consulta), "1 1.2 1.2.01 2 2.1 2.1.02");
}

CTB_INSTANTIATE_ENGINES(TnCtbFCPlanoEspecFiltrosTest);
