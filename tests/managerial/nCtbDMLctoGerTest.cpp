#include <gtest/gtest.h>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "managerial/nCtbDMLctoGer_U.h"
#include "tests/entries/ResultadoRegra.h"
#include "tests/managerial/TSplitsTest.h"

namespace {

class TLctoGerTest : public TSplitsTest {};

// ---- The remainder rule of each apportionment ----

// The screen's insertion, and the six- and the seven-argument ones.
enum class TGeracao { Tela, SeisArgumentos, SeteArgumentos };
using enum TGeracao;

// The rates of cost centres 10, 20 and 30 on account 401, the debit amount
// of entry 7 on 10/03/2024, and the "centre=value" of each row typed by the
// system.
struct TCasoRateio {
  TGeracao Geracao;
  std::vector<double> Percentuais;
  double Valor;
  const char* Esperado;
};

const TCasoRateio kCasosRateio[] = {
    {Tela, {33.33, 33.33, 33.34}, 100, "10=33.33 20=33.33 30=33.34"},  // the last takes the cent
    {Tela, {33.33, 33.33, 33.33}, 100, "10=33.33 20=33.33 30=33.33"},  // thirds leave no rest
    {Tela, {33.34, 33.33, 33.33}, 0.10, "10=0.03 20=0.03 30=0.04"},    // the rest to the largest
    {Tela, {97, 2, 1}, 0.10, "10=0.1"},  // a cent at least, then a negative difference
    {SeisArgumentos, {33.33, 33.33, 33.34}, 100, "10=33.33 20=33.33 30=33.34"},  // 100 less rest
    {SeisArgumentos, {33.33, 33.33, 33.34}, 10, "10=3.33 20=3.33 30=3.34"},      // rest, not share
    {SeisArgumentos, {33.33, 33.33, 33.33}, 100, "10=33.33 20=33.33 30=33.33"},
    {SeteArgumentos, {33.33, 33.33, 33.33}, 100, "10=33.33 20=33.33 30=33.34"},  // last takes rest
};

TEST_P(TLctoGerTest, ApportionsEachSideByItsOverloadsRemainderRule) {
  const TDateTime data = EncodeDate(2024, 3, 10);
  for (const TCasoRateio& caso : kCasosRateio) {
    SCOPED_TRACE("kCasosRateio[" + std::to_string(&caso - kCasosRateio) + "]");
    Executar("delete from RATCENTROCUSTO");
    Executar("delete from LCTOGER");
    for (size_t i = 0; i < caso.Percentuais.size(); ++i)
      Taxas({{401, static_cast<int64_t>(10 * (i + 1)), caso.Percentuais[i]}});
    std::unique_ptr<TnCtbDMLctoGer> gerencial = Gerencial(caso.Valor);
    if (caso.Geracao == Tela)
      gerencial->InserirLctoGerAuto();
    else if (caso.Geracao == SeisArgumentos)
      gerencial->InserirLctoGer(1, 7, 1, 401, data, caso.Valor);
    else {
      Conexao().StartTransaction();
      gerencial->InserirLctoGer(caso.Valor, 1, 7, 1, 401, data, "");
      Conexao().Commit();
    }
    std::string esperado;
    for (const std::string& linha : Nutil::StrToStrArray(caso.Esperado, " "))
      Nutil::Add(esperado, "1:401:" + linha + "/1 10/03/2024", ", ");
    EXPECT_EQ(Gerenciais(7), esperado);
  }
}

// ---- Through the journal-entry module ----

TEST_P(TLctoGerTest, PostedEntryGetsItsSplitsAndANewAmountKeepsTheTypedRows) {
  Taxas({{401, 10, 50}, {401, 20, 30}, {401, 30, 20}});
  TnCtbDMLctoCtb& lancamentos = Lancamentos();
  const int64_t chave = Postar(lancamentos, 401, 101, "100.00");
  EXPECT_EQ(Gerenciais(chave),
            "1:401:10=50/1 10/03/2024, 1:401:20=30/1 10/03/2024, 1:401:30=20/1 10/03/2024");
  Executar("update LCTOGER set ORIGEMDADO = 2, VALORLCTOGER = 40 where CODIGOCENTROCUSTO = 10");
  lancamentos.Refresh();
  Editar(lancamentos, chave, {{"VALORLCTOCTB", "200.00"}});
  // The typed row stays; the automatic rows are apportioned again and the
  // last of them takes what the rates leave of the amount.
  EXPECT_EQ(Gerenciais(chave),
            "1:401:10=40/2 10/03/2024, 1:401:20=60/1 10/03/2024, 1:401:30=140/1 10/03/2024");
}

// A new date moves the rows; a new account deletes the old side's rows.
TEST_P(TLctoGerTest, DateAndAccountChangesMoveTheRows) {
  Taxas({{401, 10, 60}, {401, 20, 40}, {402, 20, 100}});
  TnCtbDMLctoCtb& lancamentos = Lancamentos();
  const int64_t chave = Postar(lancamentos, 401, 101, "10.00");
  Editar(lancamentos, chave, {{"DATALCTOCTB", "2024-04-02"}});
  EXPECT_EQ(Gerenciais(chave), "1:401:10=6/1 02/04/2024, 1:401:20=4/1 02/04/2024");
  Editar(lancamentos, chave, {{"CONTACTBDEB", "402"}});
  EXPECT_EQ(Gerenciais(chave), "1:402:20=10/1 02/04/2024");
  Editar(lancamentos, chave, {{"CONTACTBDEB", "101"}, {"CONTACTBCRED", "402"}});
  EXPECT_EQ(Gerenciais(chave), "-1:402:20=10/1 02/04/2024");
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

// A row of cost centre `Centro` and `Valor` on 10/03/2024, after `Preparar`,
// refused on `Campo` with `Mensagem`.
struct TCasoValidacao {
  const char* Nome;
  const char* Preparar;  // SQL run first ("" for none)
  int64_t Centro;
  const char* Valor;
  const char* Campo;
  const char* Mensagem;
};

const char* const kSintetico =
    "O centro de custo informado é sintético! Informe um centro de custo analítico.";
const TCasoValidacao kCasosValidacao[] = {
    {"CentroDeOutraEmpresa", "", 99, "10", "VALORLCTOGER",
     "O Centro de Custo informado para esta tabela contábil, é diferente do configurado!"},
    {"EmpresaSemCentroDeCusto", "update CFGEMPRESACTB set UTILCENTROCUSTO = '0'", 10, "10",
     "CODIGOCENTROCUSTO", "A empresa não utiliza centro de custo!"},
    {"AntesDoInicioDosCentros", "update CFGEMPRESACTB set INICIOUTILCENTROCUSTO = '2024-06-01'", 10,
     "10", "CODIGOCENTROCUSTO",
     "A data do lançamento é anterior à data inicial de utilização de centro de custo da "
     "empresa!"},
    {"ValorZero", "", 10, "0", "VALORLCTOGER", "O valor do lançamento deve ser maior que zero!"},
    {"CentroSintetico", "", 1, "10", "CODIGOCENTROCUSTO", kSintetico},
    {"CentroSemTipo", "update CENTROCUSTO set TIPOCENTROCUSTO = null where CODIGOCENTROCUSTO = 20",
     20, "10", "CODIGOCENTROCUSTO", kSintetico},
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
    cds.FieldByName("DATALCTOCTB").SetText("2024-03-10");
    cds.FieldByName("VALORLCTOGER").SetText(caso.Valor);
    EXPECT_EQ(ResultadoDe([&] { cds.Post(); }), Campo(caso.Campo, caso.Mensagem));
    cds.Cancel();
    Conexao().RollBack();
    EXPECT_EQ(Conexao().ExecuteScalar("select count(*) from LCTOGER").AsInteger(), 0);
  }
}

TEST_P(TLctoGerTest, NewRowStartsWithWhatIsLeftToSplitAndClosingAsksAboutADifference) {
  std::unique_ptr<TnCtbDMLctoGer> gerencial = Gerencial(1000);
  TnClientDataSet& cds = gerencial->nClientDataSet;
  cds.Append();
  cds.FieldByName("CODIGOCENTROCUSTO").SetAsInteger(10);
  cds.FieldByName("VALORLCTOGER").SetText("600");
  cds.Post();
  cds.Append();
  EXPECT_EQ(cds.FieldByName("VALORLCTOGER").AsString(), "400");
  cds.Cancel();
  Responder({"Não"});
  EXPECT_FALSE(gerencial->CadastroOnCloseQuery());
}

CTB_INSTANTIATE_ENGINES(TLctoGerTest);

}  // namespace
