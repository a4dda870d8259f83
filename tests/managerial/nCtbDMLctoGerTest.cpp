#include <gtest/gtest.h>

#include "framework/core/Exceptions.h"
#include "managerial/nCtbDMLctoGer_U.h"
#include "tests/managerial/TSplitsTest.h"

namespace {

class TLctoGerTest : public TSplitsTest {};

// ---- The remainder rule of each apportionment ----

enum class TGeracao { Tela, SeisArgumentos, SeteArgumentos };

struct TCasoRateio {
  const char* Nome;
  TGeracao Geracao;
  std::vector<double> Percentuais;  // of cost centres 10, 20, 30
  double Valor;
  const char* Esperado;
};

const TCasoRateio kCasosRateio[] = {
    {"TelaUltimoCentroFicaComOCentavo",
     TGeracao::Tela,
     {33.33, 33.33, 33.34},
     100,
     "1:401:10=33.33/1, 1:401:20=33.33/1, 1:401:30=33.34/1"},
    {"TelaTercosSemResto",
     TGeracao::Tela,
     {33.33, 33.33, 33.33},
     100,
     "1:401:10=33.33/1, 1:401:20=33.33/1, 1:401:30=33.33/1"},
    {"TelaDiferencaNoMaiorCentro",
     TGeracao::Tela,
     {33.34, 33.33, 33.33},
     0.10,
     "1:401:10=0.03/1, 1:401:20=0.03/1, 1:401:30=0.04/1"},
    {"TelaCentavoMinimoEDiferencaNegativa", TGeracao::Tela, {97, 2, 1}, 0.10, "1:401:10=0.1/1"},
    {"SeisUltimaLevaRestoAos100",
     TGeracao::SeisArgumentos,
     {33.33, 33.33, 33.34},
     100,
     "1:401:10=33.33/1, 1:401:20=33.33/1, 1:401:30=33.34/1"},
    {"SeisTercosSemResto",
     TGeracao::SeisArgumentos,
     {33.33, 33.33, 33.33},
     100,
     "1:401:10=33.33/1, 1:401:20=33.33/1, 1:401:30=33.33/1"},
    {"SeteTercosUltimaLevaResto",
     TGeracao::SeteArgumentos,
     {33.33, 33.33, 33.33},
     100,
     "1:401:10=33.33/1, 1:401:20=33.33/1, 1:401:30=33.34/1"},
};

TEST_P(TLctoGerTest, ApportionsEachSideByItsOverloadsRemainderRule) {
  for (const TCasoRateio& caso : kCasosRateio) {
    SCOPED_TRACE(caso.Nome);
    Executar("delete from RATCENTROCUSTO");
    Executar("delete from LCTOGER");
    std::vector<TTaxa> taxas;
    for (size_t i = 0; i < caso.Percentuais.size(); ++i)
      taxas.push_back({401, static_cast<int64_t>(10 * (i + 1)), caso.Percentuais[i]});
    Taxas(taxas);
    std::unique_ptr<TnCtbDMLctoGer> modulo = Gerencial(caso.Valor);
    TnCtbDMLctoGer& gerencial = *modulo;
    const TDateTime data = EncodeDate(2024, 3, 10);
    switch (caso.Geracao) {
      case TGeracao::Tela:
        gerencial.InserirLctoGerAuto();
        break;
      case TGeracao::SeisArgumentos:
        gerencial.InserirLctoGer(1, 7, 1, 401, data, caso.Valor);
        break;
      case TGeracao::SeteArgumentos:
        Conexao().StartTransaction();
        gerencial.InserirLctoGer(caso.Valor, 1, 7, 1, 401, data, "");
        Conexao().Commit();
        break;
    }
    std::string esperado = caso.Esperado;
    std::string obtido = Gerenciais(7);
    // The date is the same on every row; compare the splits.
    for (size_t p; (p = obtido.find(" 10/03/2024")) != std::string::npos;)
      obtido.erase(p, 11);
    EXPECT_EQ(obtido, esperado);
  }
}

// ---- Through the journal-entry module ----

TEST_P(TLctoGerTest, PostedEntryOnApportionedAccountGetsItsSplits) {
  Taxas({{401, 10, 50}, {401, 20, 30}, {401, 30, 20}});
  TnCtbDMLctoCtb& lancamentos = Lancamentos();
  const int64_t chave = Postar(lancamentos, 401, 101, "100.00");
  EXPECT_EQ(Gerenciais(chave),
            "1:401:10=50/1 10/03/2024, 1:401:20=30/1 10/03/2024, 1:401:30=20/1 10/03/2024");
}

TEST_P(TLctoGerTest, NewAmountKeepsTypedRowsAndReplacesAutomaticOnes) {
  Taxas({{401, 10, 50}, {401, 20, 30}, {401, 30, 20}});
  TnCtbDMLctoCtb& lancamentos = Lancamentos();
  const int64_t chave = Postar(lancamentos, 401, 101, "100.00");
  Executar("update LCTOGER set ORIGEMDADO = 2, VALORLCTOGER = 40 where CODIGOCENTROCUSTO = 10");
  lancamentos.Refresh();
  Editar(lancamentos, chave, {{"VALORLCTOCTB", "200.00"}});
  // The typed row stays; the automatic rows are apportioned again and the
  // last of them takes what the rates leave of the amount.
  EXPECT_EQ(Gerenciais(chave),
            "1:401:10=40/2 10/03/2024, 1:401:20=60/1 10/03/2024, 1:401:30=140/1 10/03/2024");
}

TEST_P(TLctoGerTest, AccountChangeDeletesTheOldSidesRows) {
  Taxas({{401, 10, 100}, {402, 20, 100}});
  TnCtbDMLctoCtb& lancamentos = Lancamentos();
  const int64_t chave = Postar(lancamentos, 401, 101, "80.00");
  Editar(lancamentos, chave, {{"CONTACTBDEB", "402"}});
  EXPECT_EQ(Gerenciais(chave), "1:402:20=80/1 10/03/2024");
  Editar(lancamentos, chave, {{"CONTACTBDEB", "101"}, {"CONTACTBCRED", "402"}});
  EXPECT_EQ(Gerenciais(chave), "-1:402:20=80/1 10/03/2024");
}

TEST_P(TLctoGerTest, DateChangeMovesTheRows) {
  Taxas({{401, 10, 60}, {401, 20, 40}});
  TnCtbDMLctoCtb& lancamentos = Lancamentos();
  const int64_t chave = Postar(lancamentos, 401, 101, "10.00");
  Editar(lancamentos, chave, {{"DATALCTOCTB", "2024-04-02"}});
  EXPECT_EQ(Gerenciais(chave), "1:401:10=6/1 02/04/2024, 1:401:20=4/1 02/04/2024");
}

TEST_P(TLctoGerTest, DeleteRemovesTheEntrysSplits) {
  Taxas({{401, 10, 100}});
  Executar(
      "insert into LCTOGER (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOCENTROCUSTO, NATURLCTOCTB, "
      "CONTACTB, DATALCTOCTB, VALORLCTOGER, ORIGEMDADO) values (1, 999, 10, 1, 401, "
      "'2024-03-10', 5, 1)");
  TnCtbDMLctoCtb& lancamentos = Lancamentos();
  const int64_t chave = Postar(lancamentos, 401, 101, "25.00");
  ASSERT_NE(Gerenciais(chave), "");
  ASSERT_TRUE(lancamentos.nClientDataSet.Locate("CHAVELCTOCTB", {Value(chave)}));
  lancamentos.nClientDataSet.Delete();
  EXPECT_EQ(Gerenciais(chave), "");
  EXPECT_EQ(Gerenciais(999), "1:401:10=5/1 10/03/2024");
}

// ---- Row validation ----

struct TCasoValidacao {
  const char* Nome;
  const char* Preparar;  // SQL run first ("" for none)
  int64_t Centro;
  const char* Data;
  const char* Valor;
  const char* Mensagem;
  const char* Campo;
};

const TCasoValidacao kCasosValidacao[] = {
    {"CentroDeOutraEmpresa", "", 99, "2024-03-10", "10",
     "O Centro de Custo informado para esta tabela contábil, é diferente do configurado!",
     "VALORLCTOGER"},
    {"EmpresaSemCentroDeCusto", "update CFGEMPRESACTB set UTILCENTROCUSTO = '0'", 10, "2024-03-10",
     "10", "A empresa não utiliza centro de custo!", "CODIGOCENTROCUSTO"},
    {"AntesDoInicioDosCentros", "update CFGEMPRESACTB set INICIOUTILCENTROCUSTO = '2024-06-01'", 10,
     "2024-03-10", "10",
     "A data do lançamento é anterior à data inicial de utilização de centro de custo da "
     "empresa!",
     "CODIGOCENTROCUSTO"},
    {"ValorZero", "", 10, "2024-03-10", "0", "O valor do lançamento deve ser maior que zero!",
     "VALORLCTOGER"},
    {"CentroSintetico", "", 1, "2024-03-10", "10",
     "O centro de custo informado é sintético! Informe um centro de custo analítico.",
     "CODIGOCENTROCUSTO"},
    {"CentroSemTipo", "update CENTROCUSTO set TIPOCENTROCUSTO = null where CODIGOCENTROCUSTO = 20",
     20, "2024-03-10", "10",
     "O centro de custo informado é sintético! Informe um centro de custo analítico.",
     "CODIGOCENTROCUSTO"},
};

TEST_P(TLctoGerTest, RefusesRowsWithTheirMessages) {
  for (const TCasoValidacao& caso : kCasosValidacao) {
    SCOPED_TRACE(caso.Nome);
    Conexao().StartTransaction();
    if (*caso.Preparar != '\0')
      Executar(caso.Preparar);
    std::unique_ptr<TnCtbDMLctoGer> gerencial = Gerencial(10);
    TnClientDataSet& cds = gerencial->nClientDataSet;
    cds.Append();
    cds.FieldByName("CODIGOCENTROCUSTO").SetAsInteger(caso.Centro);
    cds.FieldByName("DATALCTOCTB").SetText(caso.Data);
    cds.FieldByName("VALORLCTOGER").SetText(caso.Valor);
    try {
      cds.Post();
      ADD_FAILURE() << "aceito";
    } catch (const EnField& erro) {
      EXPECT_EQ(std::string(erro.what()), caso.Mensagem);
      EXPECT_EQ(erro.FieldName(), caso.Campo);
    }
    cds.Cancel();
    Conexao().RollBack();
    EXPECT_EQ(Conexao().ExecuteScalar("select count(*) from LCTOGER").AsInteger(), 0);
  }
}

TEST_P(TLctoGerTest, NewRowStartsWithWhatIsLeftToSplitAndClosingAsksAboutADifference) {
  std::unique_ptr<TnCtbDMLctoGer> modulo = Gerencial(1000);
  TnCtbDMLctoGer& gerencial = *modulo;
  TnClientDataSet& cds = gerencial.nClientDataSet;
  cds.Append();
  cds.FieldByName("CODIGOCENTROCUSTO").SetAsInteger(10);
  cds.FieldByName("VALORLCTOGER").SetText("600");
  cds.Post();
  cds.Append();
  EXPECT_EQ(cds.FieldByName("VALORLCTOGER").AsString(), "400");
  cds.Cancel();
  Responder({"Não"});
  EXPECT_FALSE(gerencial.CadastroOnCloseQuery());
}

CTB_INSTANTIATE_ENGINES(TLctoGerTest);

}  // namespace
