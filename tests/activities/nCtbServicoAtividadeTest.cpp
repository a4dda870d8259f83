#include <gtest/gtest.h>

#include "activities/nCtbDMLctoAtivDiferenc_U.h"
#include "activities/nCtbServicoAtividade_U.h"
#include "framework/core/Exceptions.h"
#include "tests/managerial/TSplitsTest.h"

namespace {

class TAtividadeTest : public TSplitsTest {};

TEST_P(TAtividadeTest, GeneratesThePlanActivitiesValidOnTheEntryDate) {
  // The plan of the summary account 4 applies to 401; activity 2 starts in
  // July and activity 3 ended in March.
  Plano({{4, 1, 60}, {4, 2, 40}, {4, 3, 33.33}});
  TnCtbDMLctoCtb& lancamentos = Lancamentos(2);
  const int64_t marco = Postar(lancamentos, 401, 101, "0.10", "2024-03-10");
  const int64_t agosto = Postar(lancamentos, 401, 101, "0.10", "2024-08-10");
  EXPECT_EQ(Atividades(marco), "1:1=0.06/1 10/03/2024, 1:3=0.03/1 10/03/2024");
  EXPECT_EQ(Atividades(agosto), "1:1=0.06/1 10/08/2024, 1:2=0.04/1 10/08/2024");
  // The account's own plan wins over the summary's.
  Plano({{101, 1, 100}, {1, 2, 100}});
  TServicoAtividade::LimparDados();
  const int64_t proprio = Postar(lancamentos, 402, 101, "7.00", "2024-08-10");
  EXPECT_EQ(Atividades(proprio), "1:1=4.2/1 10/08/2024, 1:2=2.8/1 10/08/2024, -1:1=7/1 10/08/2024");
}

TEST_P(TAtividadeTest, DateChangeMovesTheRowsAndDeleteRemovesThem) {
  Plano({{4, 1, 100}});
  TnCtbDMLctoCtb& lancamentos = Lancamentos(2);
  const int64_t chave = Postar(lancamentos, 401, 101, "12.00", "2024-03-10");
  Editar(lancamentos, chave, {{"DATALCTOCTB", "2024-05-02"}});
  EXPECT_EQ(Atividades(chave), "1:1=12/1 02/05/2024");
  ASSERT_TRUE(lancamentos.nClientDataSet.Locate("CHAVELCTOCTB", {Value(chave)}));
  lancamentos.nClientDataSet.Delete();
  EXPECT_EQ(Atividades(chave), "");
}

TEST_P(TAtividadeTest, ABatchWritesItsEntriesRowsWithItAndGivesThemUpWithIt) {
  Plano({{4, 1, 100}});
  TnCtbDMLctoCtb& lote = Lancamentos(2, true);
  const int64_t primeira = Postar(lote, 401, 101, "12.00");
  const int64_t excluida = Postar(lote, 401, 101, "5.00");
  lote.nClientDataSet.Delete();
  lote.AplicarAtualizacoes();
  EXPECT_EQ(Atividades(primeira), "1:1=12/1 10/03/2024");
  EXPECT_EQ(Atividades(excluida), "");
  const int64_t desistida = Postar(lote, 401, 101, "7.00");
  lote.DescartarPendentes();
  lote.DescartarSplitsPendentes();
  const int64_t seguinte = Postar(lote, 401, 101, "3.00");
  lote.AplicarAtualizacoes();
  EXPECT_EQ(Atividades(desistida), "");
  EXPECT_EQ(Atividades(seguinte), "1:1=3/1 10/03/2024");
}

struct TCasoAtividade {
  const char* Nome;
  int64_t Atividade;
  const char* Data;
  const char* Mensagem;
};

const TCasoAtividade kCasosAtividade[] = {
    {"AntesDoInicio", 2, "2024-03-10",
     "Data de início da atividade é superior a data do lançamento!"},
    {"Descontinuada", 3, "2024-05-10", "Atividade descontinuada na data do lançamento"},
    {"JaRelacionada", 1, "2024-03-10", "Atividade 1 já relacionada ao Lançamento Contábil 5!"},
    {"NaoCadastrada", 9, "2024-03-10", "Atividade 9 não cadastrada!"},
};

TEST_P(TAtividadeTest, RefusesTypedRowsWithTheirMessages) {
  Executar(
      "insert into LCTOATIVDIFERENC (CODIGOEMPRESA, CHAVELCTOCTB, CONTACTB, CODIGOATIVDIF, "
      "NATURLCTOCTB, DATALCTOCTB, VALORLCTOATIV, ORIGEMDADO) values (2, 5, 401, 1, 1, "
      "'2024-03-10', 3, 1)");
  for (const TCasoAtividade& caso : kCasosAtividade) {
    SCOPED_TRACE(caso.Nome);
    TnCtbDMLctoAtivDiferenc atividades;
    atividades.SetConexao(&Conexao());
    atividades.SetVerificaSelecaoManual("CodigoEmpresa");
    atividades.SetCarregarDetalhesDinamicamente(true);
    TnSelecao selecao;
    selecao.SetParam(kSelCodigoEmpresa, Value(int64_t{2}));
    atividades.Abrir(&selecao);
    TInfoLctoCtb info;
    info.Lcto.CodigoEmpresa = 2;
    info.Lcto.ChaveLctoCtb = 5;
    info.Lcto.ContaCtbDeb = 401;
    info.Natureza = 1;
    info.Lcto.ValorLctoCtb = Currency(10);
    ASSERT_TRUE(ParseDate(caso.Data));
    info.Lcto.DataLctoCtb = *ParseDate(caso.Data);
    atividades.AtualizarFiltroChaveLctoCtb(info);
    atividades.MostrarParams();
    TnClientDataSet& cds = atividades.nClientDataSet;
    cds.Append();
    cds.FieldByName("CODIGOATIVDIF").SetAsInteger(caso.Atividade);
    atividades.nClientDataSetVALORLCTOATIVDefIntEnter(cds.FieldByName("VALORLCTOATIV"));
    EXPECT_EQ(cds.FieldByName("VALORLCTOATIV").AsString(), "7");
    try {
      cds.Post();
      ADD_FAILURE() << "aceita";
    } catch (const Exception& erro) {
      EXPECT_EQ(std::string(erro.what()), caso.Mensagem);
    }
    cds.Cancel();
  }
  EXPECT_EQ(Atividades(5), "1:1=3/1 10/03/2024");
}

CTB_INSTANTIATE_ENGINES(TAtividadeTest);

}  // namespace
