// The small registers hanging off an entry, driven as the journal screen
// drives them: the rules of each, on both engines.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/app/TnSelecao.h"
#include "registers/nCtbDCOrigemLctoCtb_U.h"
#include "registers/nCtbDMLctoCtbExtemp_U.h"
#include "registers/nCtbDMLctoCtbParticipante_U.h"
#include "registers/nCtbDMLctoCtbQ100_U.h"
#include "registers/nCtbDMRelacLctoCtbIFRS_U.h"
#include "tests/support/TestDatabases.h"

namespace {

class TRegistrosTest : public TSchemaTest {
 protected:
  void SetUp() override {
    TSchemaTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    Exec("insert into EMPRESA (CODIGOEMPRESA, NOMEEMPRESA) values (1, 'Empresa')");
    // Entry 10 normal on branch 2, 11 fiscal, 12 corporate.
    for (const auto& [chave, tipo] : {std::pair{10, "LN"}, {11, "LF"}, {12, "LS"}})
      Exec(
          "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
          "TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB) values (1, :pChave, 2, "
          "'2025-03-10', :pTipo, 1101, 2101, 10)",
          {{"pChave", Value(chave)}, {"pTipo", Value(tipo)}});
    Exec("insert into PARTICIPANTE (CODIGOEMPRESA, CODIGOPART) values (1, 1), (1, 2), (1, 3)");
  }

  template <class T>
  void Abrir(T& modulo) {
    modulo.SetConexao(&Conexao());
    modulo.Configurar(nullptr);
    TnSelecao selecao;
    selecao.SetParam(kSelCodigoEmpresa, Value(1));
    selecao.SetParam("CHAVELCTOCTBFIS", Value(11));
    modulo.Abrir(&selecao);
  }

  // Opens the participants of entry 10 (1101 against 2101) as the entry screen does.
  void AbrirParticipantes(TnCtbDMLctoCtbParticipante& modulo, bool alterouDebito = false) {
    modulo.SetCodigoEmpresa(1);
    modulo.SetChaveLctoCtb(10);
    modulo.SetContaDebito(1101);
    modulo.SetContaCredito(2101);
    modulo.SetAlterouContaDebito(alterouDebito);
    Abrir(modulo);
    modulo.FiltrarChaveLctoCtb();
  }
};

// The occurrence date must fall before the first day of the books of the
// entry's branch (the last option by date; branch 1 for centralised books).
TEST_P(TRegistrosTest, ExtemporaneousDateMustPrecedeTheStartOfTheBooks) {
  struct TCaso {
    const char* Nome;
    std::vector<std::string> Opcoes;  // CODIGOESTAB, DATAOPCAO, DATAINIGER, TIPOESCRITURACAO
    const char* Data;
    bool Aceita;
  };
  const TCaso casos[] = {
      {"sem opção: 31/12/1899", {}, "1899-12-30", true},
      {"sem opção, data posterior", {}, "2020-01-01", false},
      {"a última opção vale",
       {"2, '2020-01-01', '2020-01-01', 0", "2, '2024-01-01', '2024-01-01', 0"},
       "2023-06-01",
       true},
      {"o início da última opção recusa",
       {"2, '2020-01-01', '2020-01-01', 0", "2, '2024-01-01', '2024-01-01', 0"},
       "2024-01-01",
       false},
      {"outra filial não conta", {"3, '2020-01-01', '2020-01-01', 0"}, "2023-06-01", false},
      {"livro centralizado na filial 1", {"1, '2020-01-01', '2020-01-01', 1"}, "2019-06-01", true},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    Exec("delete from OPCAOSPEDCTBDET");
    for (const std::string& opcao : caso.Opcoes)
      Exec(
          "insert into OPCAOSPEDCTBDET (CODIGOEMPRESA, CODIGOESTAB, DATAOPCAO, DATAINIGER, "
          "TIPOESCRITURACAO) values (1, " +
          opcao + ")");
    TnCtbDMLctoCtbExtemp modulo;
    Abrir(modulo);
    modulo.SetCodigoEmpresa(1);
    modulo.SetChaveLctoCtb(10);
    modulo.CarregarLctoCtb();
    modulo.nClientDataSet.FieldByName("DATAEXTEMP").SetAsString(caso.Data);
    const std::string erro = MensagemDoErro([&] { modulo.nClientDataSet.Post(); });
    EXPECT_EQ(erro, caso.Aceita ? "" : TnCtbDMLctoCtbExtemp::kMensagemDataPosterior);
    EXPECT_EQ(Contar("select count(*) from LCTOCTBEXTEMP"), caso.Aceita ? 1 : 0);
    if (!caso.Aceita)
      modulo.nClientDataSet.Cancel();
    Exec("delete from LCTOCTBEXTEMP");
  }
}

TEST_P(TRegistrosTest, ChangedAccountLosesOnlyItsOwnParticipant) {
  Exec("insert into LCTOCTBPARTICIPANTE values (1, 10, 1, 2)");
  TnCtbDMLctoCtbParticipante modulo;
  AbrirParticipantes(modulo, true);
  EXPECT_EQ(modulo.nClientDataSet.State(), TDataSetState::dsEdit);
  modulo.nClientDataSet.Cancel();
  const TDbResult linha = Conexao().ExecuteQuery(
      "select CODIGOPARTDEB, CODIGOPARTCRED from LCTOCTBPARTICIPANTE where CHAVELCTOCTB = 10");
  ASSERT_EQ(linha.Rows.size(), 1u);
  EXPECT_TRUE(linha.Rows[0][0].IsNull());
  EXPECT_EQ(linha.Rows[0][1].AsInteger(), 2);
}

// An account with participants linked in the chart takes only those; any
// other account any participant of the company.
TEST_P(TRegistrosTest, ParticipantMustBeLinkedToTheAccountWhenTheChartLinksAny) {
  Exec("insert into PLANOESPECPARTICIPANTE values (1, 1101, 3)");
  struct TCaso {
    const char* Campo;
    int Participante;
    bool Aceito;
  };
  for (const TCaso& caso : {TCaso{"CODIGOPARTDEB", 3, true}, TCaso{"CODIGOPARTDEB", 1, false},
                            TCaso{"CODIGOPARTCRED", 1, true}, TCaso{"CODIGOPARTCRED", 9, false}}) {
    SCOPED_TRACE(std::string(caso.Campo) + " " + std::to_string(caso.Participante));
    TnCtbDMLctoCtbParticipante modulo;
    AbrirParticipantes(modulo);
    modulo.nClientDataSet.FieldByName(caso.Campo).SetAsInteger(caso.Participante);
    const std::string erro = MensagemDoErro([&] { modulo.nClientDataSet.Post(); });
    EXPECT_EQ(erro, caso.Aceito ? "" : TnCtbDMLctoCtbParticipante::kMensagemParticipante);
    Exec("delete from LCTOCTBPARTICIPANTE");
  }
}

TEST_P(TRegistrosTest, Q100KeepsABankAccountOnlyForOrigin111) {
  Exec("insert into CONTABANCARIA values (77, 1, 'Banco')");
  TnCtbDMLctoCtbQ100 modulo;
  Abrir(modulo);
  TnClientDataSet& cds = modulo.nClientDataSet;
  cds.Append();
  for (const auto& [campo, valor] : {std::pair{"CODIGOEMPRESA", "1"},
                                     {"CHAVELCTOCTB", "10"},
                                     {"CODIGOIMOVEL", "5"},
                                     {"TIPODOCUMENTO", "1"},
                                     {"TIPOLANCAMENTO", "1"},
                                     {"CODIGOPESSOA", "8"},
                                     {"ORIGEMRECURSO", "111"}})
    cds.FieldByName(campo).SetText(valor);
  EXPECT_EQ(MensagemDoErro([&] { cds.Post(); }), "Campo 'CODIGOCONTABANCARIA' deve ter um valor");
  cds.FieldByName("CODIGOCONTABANCARIA").SetAsInteger(77);
  cds.FieldByName("ORIGEMRECURSO").SetAsString("112");
  EXPECT_TRUE(cds.FieldByName("CODIGOCONTABANCARIA").IsNull());
  EXPECT_TRUE(cds.FieldByName("CODIGOCONTABANCARIA").ReadOnly());
  cds.Post();
  EXPECT_TRUE(Conexao().ExecuteScalar("select CODIGOCONTABANCARIA from LCTOCTBQ100").IsNull());
}

TEST_P(TRegistrosTest, RelationKeysNameEntriesOfTheirOwnType) {
  struct TCaso {
    int Societario;
    bool Aceito;
  };
  for (const TCaso& caso : {TCaso{12, true}, TCaso{10, false}, TCaso{11, false}}) {
    SCOPED_TRACE(caso.Societario);
    TnCtbDMRelacLctoCtbIFRS modulo;
    Abrir(modulo);
    TnClientDataSet& cds = modulo.nClientDataSet;
    cds.Append();
    cds.FieldByName("CODIGOEMPRESA").SetAsInteger(1);
    cds.FieldByName("CHAVELCTOCTBFIS").SetAsInteger(11);
    cds.FieldByName("CHAVELCTOCTBSOC").SetAsInteger(caso.Societario);
    const std::string erro = MensagemDoErro([&] { cds.Post(); });
    EXPECT_EQ(erro.empty(), caso.Aceito) << erro;
    Exec("delete from RELACLCTOCTBIFRS");
  }
}

TEST_P(TRegistrosTest, ConsultationShowsButNeverChanges) {
  Exec("insert into ORIGEMLCTOCTB values ('CB', 'Contabilidade')");
  TnCtbDCOrigemLctoCtb modulo;
  Abrir(modulo);
  EXPECT_EQ(modulo.nClientDataSet.RecordCount(), 1);
  EXPECT_THROW(modulo.nClientDataSet.Append(), Exception);
  EXPECT_THROW(modulo.nClientDataSet.Edit(), Exception);
  EXPECT_THROW(modulo.nClientDataSet.Delete(), Exception);
}

CTB_INSTANTIATE_ENGINES(TRegistrosTest);

// The relation's action opens from the journal screen; the origins'
// consultation is published once per module.
TEST(RegistrosMenuTest, EachRegisterPublishesItsAction) {
  TnActionList relacao;
  TnCtbDMRelacLctoCtbIFRS::GerarPrincAction(
      relacao, [](TnAction&) {}, TnConjuntoModulos{TnModulo::nCtb});
  EXPECT_EQ(relacao[0].Link(), HashNomeAcao("actTnCtbDMLctoCtb"));
  TnActionList origens;
  TnCtbDCOrigemLctoCtb::GerarPrincAction(
      origens, [](TnAction&) {}, TnConjuntoModulos{TnModulo::nCtb, TnModulo::nFis, TnModulo::nFin});
  EXPECT_EQ(origens.Count(), 3u);
}

}  // namespace
