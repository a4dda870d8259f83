#include "framework/app/TnDMClientDataSet.h"

#include <gtest/gtest.h>

#include "framework/core/Exceptions.h"
#include "framework/db/Nutildb.h"
#include "tests/support/TestDatabases.h"

namespace {

// A register over LCTOCTB that records every hook the framework calls.
class TModuloLcto : public TnDMClientDataSet {
 public:
  TModuloLcto() {
    SetSelectText(
        "select CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, TIPOLANCAMENTO, "
        "CONTACTBDEB, VALORLCTOCTB, COMPLHIST from LCTOCTB order by CHAVELCTOCTB");
  }
  std::string Log;

  std::string ChavePrimaria() const override { return "CODIGOEMPRESA;CHAVELCTOCTB"; }
  std::string PegarVerificaSelecao() const override {
    return "CodigoEmpresa;DataLctoCtb_MAIORIGUAL;DataLctoCtb_MENORIGUAL";
  }
  void AntesConfigurar(TnForm* form) override {
    TnDMClientDataSet::AntesConfigurar(form);
    Log += "Antes(" + (form ? form->Name() : std::string("-")) + ") ";
  }
  void ConfigurarTabela() override {
    TnDMClientDataSet::ConfigurarTabela();
    Log += "Tabela ";
  }
  void ConfigurarCampo(TField& field) override {
    TnDMClientDataSet::ConfigurarCampo(field);
    Log += field.FieldName() + " ";
  }
  void DepoisConfigurar(TnForm* form) override {
    TnDMClientDataSet::DepoisConfigurar(form);
    Log += "Depois(" + (form ? form->Name() : std::string("-")) + ")";
  }
  void ConfigurarAutoValor(TnClientDataSet& sender) override {
    TnDMClientDataSet::ConfigurarAutoValor(sender);
    if (sender.FieldByName("TIPOLANCAMENTO").IsNull())
      sender.FieldByName("TIPOLANCAMENTO").SetAsString("LN");
    if (sender.FieldByName("CODIGOESTAB").IsNull())
      sender.FieldByName("CODIGOESTAB").SetAsInteger(1);
  }

 protected:
  void nClientDataSetBeforePost(TnClientDataSet& dataSet) override {
    TnDMClientDataSet::nClientDataSetBeforePost(dataSet);
    if (dataSet.FieldByName("COMPLHIST").AsString() == "RECUSAR")
      throw EnField("Complemento recusado", "COMPLHIST");
    if (!Importacao() && PegarCodigoEmpresa() != 0)
      DMAutoIncrementarCheck(dataSet.FieldByName("CHAVELCTOCTB"));
  }
};

class TnDMClientDataSetTest : public TSchemaTest {
 protected:
  void SetUp() override {
    TSchemaTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    Exec(
        "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
        "TIPOLANCAMENTO, VALORLCTOCTB) values "
        "(1, 4, 1, '2024-01-10', 'LN', 10), (1, 5, 1, '2024-02-10', 'LN', 20), "
        "(2, 7, 1, '2024-01-15', 'LN', 30)");
    FSelecao.SetParam(kSelCodigoEmpresa, Value(int64_t{1}));
    FSelecao.SetParam(kSelDataInicial, Value(EncodeDate(2024, 1, 1)));
    FSelecao.SetParam(kSelDataFinal, Value(EncodeDate(2024, 12, 31)));
  }

  // "company:key:value " per row of LCTOCTB.
  std::string Tabela() {
    auto cursor = Nutildb::ExecutarSQL(
        "select CODIGOEMPRESA, CHAVELCTOCTB, VALORLCTOCTB, TIPOLANCAMENTO from LCTOCTB "
        "order by CODIGOEMPRESA, CHAVELCTOCTB");
    std::string texto;
    for (; !cursor->Eof(); cursor->Next())
      texto += cursor->Fields(0).AsString() + ":" + cursor->Fields(1).AsString() + ":" +
               cursor->Fields(2).AsString() + ":" + cursor->Fields(3).AsString() + " ";
    return texto;
  }
  static std::string Chaves(TnClientDataSet& cds) {
    std::string texto;
    for (cds.First(); !cds.Eof(); cds.Next())
      texto += cds.FieldByName("CHAVELCTOCTB").AsString() + " ";
    return texto;
  }
  void Inserir(double valor, const std::string& complemento = "", int64_t chave = 0) {
    TnClientDataSet& cds = FModulo.nClientDataSet;
    cds.Append();
    if (chave != 0)
      cds.FieldByName("CHAVELCTOCTB").SetAsInteger(chave);
    cds.FieldByName("CODIGOEMPRESA").SetAsInteger(1);
    cds.FieldByName("DATALCTOCTB").SetAsDateTime(EncodeDate(2024, 3, 1));
    cds.FieldByName("VALORLCTOCTB").SetAsFloat(valor);
    if (!complemento.empty())
      cds.FieldByName("COMPLHIST").SetAsString(complemento);
    cds.Post();
  }

  TnSelecao FSelecao;
  TModuloLcto FModulo;
};

TEST_P(TnDMClientDataSetTest, ConfigurationHooksRunInTheFrameworkOrderFieldsOnce) {
  TnForm form("FrmLcto");
  FModulo.Configurar(&form);
  EXPECT_EQ(FModulo.Log,
            "Antes(FrmLcto) Tabela CODIGOEMPRESA CHAVELCTOCTB CODIGOESTAB DATALCTOCTB "
            "TIPOLANCAMENTO CONTACTBDEB VALORLCTOCTB COMPLHIST Depois(FrmLcto)");
  EXPECT_TRUE(FModulo.Tela());
  EXPECT_TRUE(FModulo.nClientDataSet.FieldByName("CHAVELCTOCTB").HasProviderFlag(pfInKey));
  // The module's own form gets its form hooks and the fields' (their
  // controls are built for it), not a second field configuration; without
  // a form no control is built.
  FModulo.nClientDataSet.FieldByName("CONTACTBDEB").GetDefinicao().AntesConfigurar =
      [&](TField& field) { FModulo.Log += "Controles(" + field.FieldName() + ") "; };
  FModulo.Log.clear();
  FModulo.Configurar(nullptr);
  EXPECT_EQ(FModulo.Log, "Antes(-) Depois(-)");
  FModulo.Log.clear();
  TnForm& proprio = FModulo.CriarForm();
  EXPECT_EQ(FModulo.Log,
            "Antes(FrmTnDMClientDataSet) Controles(CONTACTBDEB) Depois(FrmTnDMClientDataSet)");
  EXPECT_EQ(FModulo.Form(), &proprio);
  FModulo.DestruirForm();
  EXPECT_EQ(FModulo.Form(), nullptr);
  EXPECT_FALSE(FModulo.TemTela());
}

TEST_P(TnDMClientDataSetTest, OpensOnlyTheSelectedCompanyAndPeriodAndRefusesAnIncompleteSelection) {
  FModulo.Abrir(&FSelecao);
  EXPECT_EQ(Chaves(FModulo.nClientDataSet), "4 5 ");
  FSelecao.SetParam(kSelDataFinal, Value(EncodeDate(2024, 1, 31)));
  FModulo.Abrir(&FSelecao);
  EXPECT_EQ(Chaves(FModulo.nClientDataSet), "4 ");
  FModulo.SetFiltroAbertura("CHAVELCTOCTB = 5 or CHAVELCTOCTB = 7");
  FModulo.Abrir(&FSelecao);
  EXPECT_EQ(Chaves(FModulo.nClientDataSet), "");
  // The manual requirement replaces the module's own.
  FModulo.SetFiltroAbertura("");
  FModulo.SetVerificaSelecaoManual("CODIGOEMPRESA");
  FSelecao.SetParam(kSelCodigoEmpresa, Value(int64_t{2}));
  FModulo.Abrir(&FSelecao);
  EXPECT_EQ(Chaves(FModulo.nClientDataSet), "7 ");
  // An incomplete selection is refused.
  FModulo.SetVerificaSelecaoManual("");
  FSelecao.RemoverParam(kSelDataFinal);
  EXPECT_EQ(MensagemDoErro([&] { FModulo.Abrir(&FSelecao); }),
            "Seleção incompleta: informe DataLctoCtb_MENORIGUAL");
}

TEST_P(TnDMClientDataSetTest, OnDemandOpensEmptyAndFetchesOnlyMissingRows) {
  FModulo.SetCarregarDetalhesDinamicamente(true);
  FModulo.Abrir(&FSelecao);
  EXPECT_TRUE(FModulo.nClientDataSet.IsEmpty());
  EXPECT_EQ(FModulo.FetchRegistros("CHAVELCTOCTB = 5"), 1);
  EXPECT_EQ(FModulo.FetchRegistros("CHAVELCTOCTB >= 4"), 1);
  EXPECT_EQ(FModulo.FetchRegistros("CHAVELCTOCTB = 7"), 0);  // another company
  EXPECT_EQ(FModulo.nClientDataSet.RecordCount(), 2);
}

// A refusal of BeforePost writes nothing and leaves the insert open.
TEST_P(TnDMClientDataSetTest, InsertReachesTheDatabaseWithTheDrawnKeyAndDefaultsUnlessRefused) {
  FModulo.Abrir(&FSelecao);
  int mudancas = 0;
  FModulo.nClientDataSet.FieldByName("TIPOLANCAMENTO").OnChange = [&](TField&) { ++mudancas; };
  Inserir(12.5);
  EXPECT_EQ(mudancas, 0) << "defaults must not fire the change handlers";
  EXPECT_EQ(FModulo.nClientDataSet.ChangeCount(), 0);
  EXPECT_EQ(Tabela(), "1:4:10:LN 1:5:20:LN 1:6:12.5:LN 2:7:30:LN ");
  Inserir(1);
  EXPECT_EQ(FModulo.nClientDataSet.FieldByName("CHAVELCTOCTB").AsInteger(), 7);
  const std::string antes = Tabela();
  EXPECT_THROW(Inserir(3, "RECUSAR"), EnField);
  EXPECT_EQ(FModulo.nClientDataSet.State(), TDataSetState::dsInsert);
  FModulo.nClientDataSet.Cancel();
  EXPECT_EQ(FModulo.nClientDataSet.ChangeCount(), 0);
  EXPECT_EQ(Tabela(), antes);
}

TEST_P(TnDMClientDataSetTest, ImportModeWritesOnlyWhenTheBatchIsApplied) {
  FModulo.SetImportacao(true);
  FModulo.Abrir(&FSelecao);
  const std::string antes = Tabela();
  for (int chave : {10, 11})
    Inserir(chave, "", chave);
  EXPECT_EQ(Tabela(), antes);
  Conexao().StartTransaction();
  FModulo.AplicarAtualizacoes();
  Conexao().Commit();
  EXPECT_EQ(Tabela(), "1:4:10:LN 1:5:20:LN 1:10:10:LN 1:11:11:LN 2:7:30:LN ");

  // A batch with a duplicate key writes none of its rows.
  for (int chave : {12, 4})
    Inserir(chave, "", chave);
  Conexao().StartTransaction();
  EXPECT_THROW(FModulo.AplicarAtualizacoes(), Exception);
  Conexao().RollBack();
  EXPECT_FALSE(FModulo.UltimoErro().empty());
  EXPECT_EQ(FModulo.nClientDataSet.ChangeCount(), 2);
  EXPECT_EQ(Tabela(), "1:4:10:LN 1:5:20:LN 1:10:10:LN 1:11:11:LN 2:7:30:LN ");
}

TEST_P(TnDMClientDataSetTest, EnablingAndShowingReachFieldAndItsFrame) {
  TnForm form("FrmLcto");
  TnFraField& frame = form.Criar<TnFraField>("fraVALOR");
  frame.NomeCampo = "VALORLCTOCTB";
  FModulo.Configurar(&form);
  TField& valor = FModulo.nClientDataSet.FieldByName("VALORLCTOCTB");
  FModulo.EdEnabledField(valor, false);
  FModulo.EdVisibleField(valor, false);
  FModulo.EdRequiredField(valor, true);
  EXPECT_TRUE(valor.ReadOnly());
  EXPECT_FALSE(valor.Visible());
  EXPECT_TRUE(valor.Required());
  EXPECT_FALSE(frame.Enabled);
  EXPECT_FALSE(frame.Visible);
  FModulo.EdEnabledField(valor, true);
  EXPECT_TRUE(frame.Enabled);
  EXPECT_FALSE(valor.ReadOnly());
  // Another field leaves this frame alone.
  FModulo.EdVisibleField(FModulo.nClientDataSet.FieldByName("COMPLHIST"), true);
  EXPECT_FALSE(frame.Visible);
}

TEST_P(TnDMClientDataSetTest, LookupReadsTheChartOfTheRecordsCompany) {
  Conexao().ExecuteDirect(
      "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, TIPOCONTA, "
      "TIPOCONTROLECONTABIL) values (1, 100, '1.1', 2, 'LF'), (2, 100, '1.1', 2, 'LS')");
  FModulo.Abrir(&FSelecao);
  TnClientDataSet& cds = FModulo.nClientDataSet;
  cds.First();
  cds.Edit();
  EXPECT_TRUE(FModulo.EdFindValueDataSetLookup("CONTACTBDEB", "TIPOCONTROLECONTABIL").IsNull());
  cds.FieldByName("CONTACTBDEB").SetAsInteger(100);
  EXPECT_EQ(FModulo.EdFindValueDataSetLookup("CONTACTBDEB", "TIPOCONTROLECONTABIL").AsString(),
            "LF");
  cds.FieldByName("CODIGOEMPRESA").SetAsInteger(2);
  EXPECT_EQ(FModulo.EdFindValueDataSetLookup("CONTACTBDEB", "TIPOCONTROLECONTABIL").AsString(),
            "LS");
  cds.Cancel();
}

CTB_INSTANTIATE_ENGINES(TnDMClientDataSetTest);

// Quiet through a nested step too; the handlers run again after the outer
// one, even when it raises.
TEST(TnControleFieldsManutencaoTela, HandlersRunAgainAfterTheStepEvenWhenItRaises) {
  TnDMClientDataSet modulo;
  modulo.nClientDataSet.AddField("A", TFieldType::ftInteger);
  modulo.nClientDataSet.CreateDataSet();
  int chamadas = 0;
  modulo.nClientDataSet.FieldByName("A").OnChange = [&](TField&) { ++chamadas; };
  modulo.nClientDataSet.Append();
  const auto definir = [&](int valor) {
    modulo.nClientDataSet.FieldByName("A").SetAsInteger(valor);
  };
  EXPECT_THROW(TnControleFieldsManutencaoTela::Controlar(
                   modulo,
                   [&] {
                     TnControleFieldsManutencaoTela::Controlar(modulo, [&] { definir(3); });
                     definir(1);
                     throw Exception("x");
                   }),
               Exception);
  EXPECT_EQ(chamadas, 0);
  modulo.nClientDataSet.FieldByName("A").SetAsInteger(2);
  EXPECT_EQ(chamadas, 1);
}

}  // namespace
