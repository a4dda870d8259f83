#include "framework/ctb/Nctbsfuncoes.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/ctb/TnUtilControleLctoPadrao.h"
#include "framework/data/ClientDataSet.h"
#include "framework/data/Field.h"
#include "tests/framework/ctb/CtbBancoTest.h"

using namespace Nctbsfuncoes;

namespace {

class NctbsfuncoesTest : public TCtbBancoTest {};

// An alias or a federal registration typed for an account.
TEST_P(NctbsfuncoesTest, AliasOrRegistrationFindsTheAccountOfItsCompanyOnly) {
  CriarPlanoExemplo(1);
  const Nctbsfuncoes_u::TMascGrupos mascara{1, 1, 2, 3};
  EXPECT_EQ(ProcurarApelido(Conexao(), 1, mascara, " cx "), "4");
  EXPECT_EQ(ProcurarApelido(Conexao(), 1, mascara, "BANCO1"), "5");
  EXPECT_EQ(ProcurarApelido(Conexao(), 1, mascara, "CAIXA"), "");
  EXPECT_EQ(ProcurarApelido(Conexao(), 1, mascara, ""), "");
  EXPECT_EQ(ProcurarApelido(Conexao(), 2, mascara, "CX"), "");
  // A federal registration resolves to the linked analytic account.
  // The second is linked to a synthetic account only: not one an entry may take.
  Exec(
      "insert into PARTICIPANTE (CODIGOEMPRESA, CODIGOPART, NOMEPART, INSCRFEDERAL) values "
      "(1, 1, 'Fornecedor X', '12.345.678/0001-95'), (1, 2, null, '11122233344')");
  Exec(
      "insert into PLANOESPECPARTICIPANTE (CODIGOEMPRESA, CONTACTB, CODIGOPART) values "
      "(1, 8, 1), (1, 7, 2)");

  TnClientDataSet cds;
  cds.AddField("CONTACTBDEB", TFieldType::ftString, 30);
  cds.CreateDataSet();
  cds.Append();
  TField& campo = cds.FieldByName("CONTACTBDEB");
  const struct {
    const char* Texto;
    int Empresa;
    bool Resolvido;
  } casos[] = {
      {"12345678000195", 1, true},
      {"12.345.678/0001-95", 1, true},
      {"12345678000195", 2, false},
      {"11122233344", 1, false},
      {"99999999999999", 1, false},
      {"123", 1, false},
      {"CX", 1, false},
  };
  for (const auto& caso : casos) {
    campo.Clear();
    EXPECT_EQ(VerificarContaCtbInscrFederal(Conexao(), campo, caso.Texto, caso.Empresa),
              caso.Resolvido)
        << caso.Texto;
    EXPECT_EQ(campo.AsString(), caso.Resolvido ? "8" : "") << caso.Texto;
  }
}

TEST_P(NctbsfuncoesTest, ImportedTransactionKeepsOneNumberUntilZerarCache) {
  // The company already has transaction 41: new numbers continue after it.
  Exec(
      "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
      "TIPOLANCAMENTO, VALORLCTOCTB, TRANSCTB) values (1, 1, 1, :pData, 'LN', 10, 41)",
      {{"pData", EncodeDate(2024, 1, 1)}});
  TnControleTransacao controle(Conexao(), 1);
  const double primeira = controle.Pegar(7);
  EXPECT_EQ(primeira, 42);
  EXPECT_EQ(controle.Pegar(7), primeira);
  const double segunda = controle.Pegar(8);
  EXPECT_EQ(segunda, 43);
  EXPECT_EQ(controle.Pegar(7), primeira);
  EXPECT_EQ(controle.PegarProximo(), 44);
  controle.ZerarCache();
  EXPECT_EQ(controle.Pegar(7), 45);
  // Another company numbers on its own.
  EXPECT_EQ(PegarProximaTransacao(Conexao(), 2), 1);
  EXPECT_EQ(PegarProximaTransacao(Conexao(), 1), 46);
}

TEST_P(NctbsfuncoesTest, ReconciledEntryMayNotBeChanged) {
  // Entry 100 is reconciled in company 1, establishment 2; entry 101 is not.
  Exec(
      "insert into CONCBANCLCTO (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATALCTOBANC, SEQLCTOBANC, "
      "CONCILLCTOCTB, CHAVELCTOCTB) values (1, 2, 5, :pData, 1, 1, 100), (1, 2, 5, :pData, 2, 0, "
      "101)",
      {{"pData", EncodeDate(2024, 3, 10)}});
  const TDateTime zero;
  EXPECT_FALSE(PermiteAlterarLctoContabil(Conexao(), 100, 1, 2, zero, zero));
  EXPECT_FALSE(PermiteAlterarLctoContabil(Conexao(), 100, 1, std::nullopt, zero, zero));
  EXPECT_TRUE(PermiteAlterarLctoContabil(Conexao(), 100, 1, 3, zero, zero));
  EXPECT_TRUE(PermiteAlterarLctoContabil(Conexao(), 100, 2, std::nullopt, zero, zero));
  EXPECT_TRUE(PermiteAlterarLctoContabil(Conexao(), 101, 1, std::nullopt, zero, zero));
  EXPECT_TRUE(
      PermiteAlterarLctoContabil(Conexao(), 100, 1, std::nullopt, EncodeDate(2024, 3, 11), zero));
}

TEST_P(NctbsfuncoesTest, ActiveEntryFilterOfTheConnectionsUser) {
  Conexao().SetCodigoUsuario(5);
  Exec(
      "insert into FILTROLCTOCTB (CODIGOEMPRESA, CODIGOUSUARIO, ATIVO, DATAINICIAL, DATAFINAL, "
      "ORIGENS) values (2, 5, '1', :pIni, :pFim, 'AF;ZZ')",
      {{"pIni", EncodeDate(2024, 1, 1)}, {"pFim", EncodeDate(2024, 1, 31)}});
  Exec("insert into FILTROLCTOCTB (CODIGOEMPRESA, CODIGOUSUARIO, ATIVO) values (1, 6, '0')");
  EXPECT_TRUE(FiltroLctoCtbAtivo(Conexao(), 0));
  EXPECT_TRUE(FiltroLctoCtbAtivo(Conexao(), 2));
  EXPECT_FALSE(FiltroLctoCtbAtivo(Conexao(), 1));
  TDateTime inicio, fim;
  std::string filtro;
  ASSERT_TRUE(CarregarFiltroLctoCtbAtivo(Conexao(), inicio, fim, filtro));
  EXPECT_EQ(DateToIso(inicio) + " " + DateToIso(fim) + " " + filtro, "2024-01-01 2024-01-31 AF;ZZ");
  Conexao().SetCodigoUsuario(6);
  EXPECT_FALSE(CarregarFiltroLctoCtbAtivo(Conexao(), inicio, fim, filtro));
}

TEST_P(NctbsfuncoesTest, BalanceSheetRestrictionOnlyWhenTheCompanyMarksAccounts) {
  CriarPlanoExemplo(1);
  std::string filtro = "anterior";
  MontarFiltroContaBalanco(Conexao(), 1, filtro);
  EXPECT_EQ(filtro, "");
  Exec("update PLANOESPEC set ENTRABALANCO = '1' where CODIGOEMPRESA = 1 and CONTACTB in (4, 8)");
  MontarFiltroContaBalanco(Conexao(), 1, filtro);
  ASSERT_FALSE(filtro.empty());
  const TDbResult contas =
      Conexao().ExecuteQuery("select P.CONTACTB from PLANOESPEC P where P.CODIGOEMPRESA = 1 and " +
                             filtro + " order by P.CONTACTB");
  ASSERT_EQ(contas.Rows.size(), 2u);
  EXPECT_EQ(contas.Rows[0][0].AsInteger(), 4);
  EXPECT_EQ(contas.Rows[1][0].AsInteger(), 8);
}

TEST_P(NctbsfuncoesTest, ProgrammedEntryFillsTheRecordOneEntryAtATime) {
  Exec(
      "insert into LCTOPROG (CODIGOEMPRESA, CODIGOLCTOPROG, PERIODICIDADE, DIALCTO, DATAFINAL) "
      "values (1, 3, 1, 31, :pFim)",
      {{"pFim", EncodeDate(2024, 4, 30)}});
  for (int seq : {2, 1})
    Exec(
        "insert into LCTOPROGITEM (CODIGOEMPRESA, CODIGOLCTOPROG, SEQLCTOPROG, CONTACTBDEB, "
        "CONTACTBCRED, VALORLCTOCTB) values (1, 3, :pSeq, :pDeb, null, :pValor)",
        {{"pSeq", seq}, {"pDeb", 10 * seq}, {"pValor", 100.0 * seq}});
  TnClientDataSet cds;
  cds.AddField("CONTACTBDEB", TFieldType::ftLargeint);
  cds.AddField("CONTACTBCRED", TFieldType::ftLargeint);
  cds.AddField("DATALCTOCTB", TFieldType::ftDate);
  cds.CreateDataSet();
  TnUtilControleLctoPadrao& padrao = ControleLctoPadrao();
  padrao.SetCodigoEmpresa(2);
  EXPECT_FALSE(padrao.GetUsaLctoProg());
  padrao.SetCodigoEmpresa(1);
  EXPECT_TRUE(padrao.GetUsaLctoProg());
  padrao.SetCodigoLctoProg(3);
  padrao.SetCdsLctoProg(&cds);
  EXPECT_FALSE(padrao.VerificarSequencia(true));

  cds.Append();
  cds.FieldByName("CONTACTBCRED").SetAsInteger(77);
  ASSERT_TRUE(padrao.VerificarCarregarDados());
  EXPECT_EQ(cds.FieldByName("CONTACTBDEB").AsInteger(), 10);
  EXPECT_EQ(cds.FieldByName("CONTACTBCRED").AsInteger(), 77);  // null items leave fields alone
  EXPECT_TRUE(padrao.GetTemMaisDeUmLcto());
  EXPECT_TRUE(padrao.VerificarSequencia(true));
  EXPECT_TRUE(padrao.VerificarSequencia());
  EXPECT_EQ(padrao.GetCodigoLctoProgSequencia(), 3);
  cds.FieldByName("DATALCTOCTB").SetAsDateTime(EncodeDate(2024, 1, 31));
  cds.Post();

  std::string datas;
  for (TDateTime data : padrao.GerarLancamentosPeriodo())
    datas += DateToIso(data) + " ";
  EXPECT_EQ(datas, "2024-02-29 2024-03-31 2024-04-30 ");

  cds.Append();
  ASSERT_TRUE(padrao.VerificarCarregarDados());
  EXPECT_EQ(cds.FieldByName("CONTACTBDEB").AsInteger(), 20);
  EXPECT_FALSE(padrao.VerificarSequencia(true));  // the last entry was given
  EXPECT_FALSE(padrao.VerificarCarregarDados());

  padrao.LimparChaveOld();
  padrao.SetCodigoLctoProg(4);
  EXPECT_FALSE(padrao.VerificarCarregarDados());
  padrao.SetCdsLctoProg(nullptr);
}

TEST(HouveAlteracoesTest, ComparesCurrentAndStoredValuesOfDataFields) {
  TnClientDataSet cds;
  cds.AddField("CONTA", TFieldType::ftLargeint);
  cds.AddField("HIST", TFieldType::ftString, 30);
  cds.AddCalcField("CALC", TFieldType::ftString, 30);
  cds.CreateDataSet();
  cds.AppendRecordUnlogged({Value(int64_t{4}), Value("abc"), Value()});
  cds.First();
  cds.Edit();
  EXPECT_FALSE(HouveAlteracoes(cds));
  cds.FieldByName("HIST").SetAsString("abd");
  EXPECT_TRUE(HouveAlteracoes(cds));
  cds.FieldByName("HIST").SetAsString("abc");
  EXPECT_FALSE(HouveAlteracoes(cds));
  cds.FieldByName("CONTA").Clear();
  EXPECT_TRUE(HouveAlteracoes(cds));
  cds.Cancel();
}

CTB_INSTANTIATE_ENGINES(NctbsfuncoesTest);

}  // namespace
