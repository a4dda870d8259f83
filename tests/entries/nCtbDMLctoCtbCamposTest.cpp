// What the entry's fields do as they are typed and left: the date, a typed
// key, a programmed entry's code, and the account lookups by entry type.
#include "tests/entries/LctoCtbFixture.h"

namespace {

class TnCtbDMLctoCtbCamposTest : public TnLctoCtbFixture {
 protected:
  // A new entry of the selection's company on `data`, its date then left.
  void SairData(TnCtbDMLctoCtb& modulo, int ano, int mes, int dia) {
    TnClientDataSet& cds = modulo.nClientDataSet;
    if (cds.State() == TDataSetState::dsBrowse)
      cds.Append();
    TField& data = cds.FieldByName("DATALCTOCTB");
    data.SetAsDateTime(EncodeDate(ano, mes, dia));
    data.GetDefinicao().OnExit(data);
  }
};

}  // namespace

TEST_P(TnCtbDMLctoCtbCamposTest, IfrsDateSuggestsTheOriginItsPeriodAsks) {
  // Company 2 opted on 01/01; February is a re-worked period.
  Executar(
      "insert into EXERCICIOSOCIALCTB (CODIGOEMPRESA, DATAINICIAL, DATAFINAL, SITUACAO) values "
      "(2, '2024-02-01', '2024-02-29', 4)");
  FSelecao.SetParam(kSelCodigoEmpresa, Value(int64_t{2}));
  TnCtbDMLctoCtb& modulo = Criar();
  for (const auto& [mes, dia, origem] : {std::tuple{1, 1, "AI"}, {2, 5, "AA"}, {3, 5, "CB"}}) {
    SCOPED_TRACE(origem);
    SairData(modulo, 2024, mes, dia);
    EXPECT_EQ(modulo.nClientDataSet.FieldByName("CODIGOORIGLCTOCTB").AsString(), origem);
    modulo.nClientDataSet.Cancel();
  }
}

TEST_P(TnCtbDMLctoCtbCamposTest, DateOutsideTheSelectedPeriodIsRefusedOnLeaving) {
  SelecionarMarco2024();
  TnCtbDMLctoCtb& modulo = Criar();
  SairData(modulo, 2024, 3, 31);
  EXPECT_EQ(ResultadoDe([&] { SairData(modulo, 2024, 4, 1); }),
            Campo("DATALCTOCTB",
                  "A data do lançamento deve estar dentro do período selecionado: de 01/03/2024 "
                  "a 31/03/2024!"));
}

TEST_P(TnCtbDMLctoCtbCamposTest, ImportOnAnotherDateAsksAndStartsANewTransaction) {
  FSelecao.SetParam(kSelCodigoEmpresa, Value(int64_t{2}));
  TnCtbDMLctoCtb& modulo = Criar();
  modulo.SetImportacao(true);
  TField& trans = modulo.nClientDataSet.FieldByName("TRANSCTB");
  SairData(modulo, 2024, 3, 10);  // no transaction open: none given
  EXPECT_TRUE(trans.IsNull());
  modulo.GetNextTransacao();
  const double aberta = modulo.GetTransacaoAtual();
  SairData(modulo, 2024, 3, 10);  // no date kept yet: the open one follows
  EXPECT_EQ(trans.AsFloat(), aberta);
  modulo.SetDataTransacaoAberta(EncodeDate(2024, 3, 10));
  SairData(modulo, 2024, 3, 10);  // the same date: nothing asked
  Responder({"Cancelar", "Criar Nova"});
  EXPECT_THROW(SairData(modulo, 2024, 3, 11), EAbort);
  EXPECT_EQ(modulo.GetTransacaoAtual(), aberta);
  SairData(modulo, 2024, 3, 11);
  EXPECT_GT(modulo.GetTransacaoAtual(), aberta);
  EXPECT_EQ(trans.AsFloat(), modulo.GetTransacaoAtual());
  EXPECT_EQ(modulo.GetTransacaoAberta().Data, EncodeDate(2024, 3, 11));
  ASSERT_EQ(Dialogos().Perguntas().size(), 2u);
  EXPECT_EQ(Dialogos().Perguntas()[0].Botoes, (TMsgDlgButtons{"Cancelar", "Criar Nova"}));
}

// A key or a transaction number typed while editing is a search.
TEST_P(TnCtbDMLctoCtbCamposTest, TypedKeyOrTransactionMovesToThatEntryOfThePeriod) {
  InserirLcto(7, "2024-03-05", ", TRANSCTB", ", 70");
  InserirLcto(8, "2024-03-06", ", TRANSCTB", ", 80");
  InserirLcto(9, "2024-05-06", ", TRANSCTB", ", 90");
  SelecionarMarco2024();
  // The field typed into, the value of entry 8 and of entry 9 (outside the period).
  for (const auto& [campo, oito, nove] :
       {std::tuple{"CHAVELCTOCTB", "8", "9"}, {"TRANSCTB", "80", "90"}}) {
    Dialogos().LimparRegistro();
    TnCtbDMLctoCtb& modulo = Criar();
    // Rows are loaded as they are asked for, as on a screen over many entries.
    modulo.SetCarregarDetalhesDinamicamente(true);
    modulo.Abrir(&FSelecao);
    TnClientDataSet& cds = modulo.nClientDataSet;
    cds.Append();
    cds.FieldByName(campo).SetText(oito);
    EXPECT_EQ(cds.State(), TDataSetState::dsBrowse) << campo;
    EXPECT_EQ(cds.FieldByName("CHAVELCTOCTB").AsInteger(), 8) << campo;
    cds.Edit();
    cds.FieldByName(campo).SetText(nove);
    EXPECT_EQ(cds.FieldByName("CHAVELCTOCTB").AsInteger(), 8) << campo;
    EXPECT_EQ(cds.FieldByName("TRANSCTB").AsInteger(), 80) << campo;
    EXPECT_EQ(cds.RecordCount(), 1) << campo;
    EXPECT_EQ(Dialogos().Informacoes(),
              std::vector<std::string>{
                  "Este lançamento encontra-se fora do período selecionado ou não existe!"})
        << campo;
  }
}

TEST_P(TnCtbDMLctoCtbCamposTest, ProgrammedEntryCodeIsRequiredAndFillsTheEntry) {
  Executar("insert into LCTOPROG (CODIGOEMPRESA, CODIGOLCTOPROG, PERIODICIDADE) values (1, 5, 0)");
  Executar(
      "insert into LCTOPROGITEM (CODIGOEMPRESA, CODIGOLCTOPROG, SEQLCTOPROG, CONTACTBDEB, "
      "CONTACTBCRED, CODIGOHISTCTB, VALORLCTOCTB) values (1, 5, 1, 102, 101, 4, 12.5)");
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  cds.Append();
  TField& prog = cds.FieldByName("CODIGOLCTOPROG");
  EXPECT_THROW(prog.GetDefinicao().OnExit(prog), EnField);
  EXPECT_EQ(modulo.Form()->CampoFocado(), "CODIGOLCTOPROG");
  prog.SetAsInteger(5);
  prog.GetDefinicao().OnExit(prog);
  EXPECT_EQ(Campos(cds, "CONTACTBDEB;VALORLCTOCTB"), "CONTACTBDEB=102 VALORLCTOCTB=12.5");
  // The form has no field frames: the amount takes the focus.
  EXPECT_EQ(modulo.Form()->CampoFocado(), "VALORLCTOCTB");
}

TEST_P(TnCtbDMLctoCtbCamposTest, FocusGoesToTheFirstFieldThatCanTakeIt) {
  TnCtbDMLctoCtb& modulo = Criar();
  TnForm& form = *modulo.Form();
  for (const char* campo : {"NUMERODCTO", "CONTACTBDEB"}) {
    TnFraField& frame = form.Criar<TnFraField>(std::string("Fra") + campo);
    frame.NomeCampo = campo;
  }
  form.FraField("FraNUMERODCTO").Enabled = false;
  modulo.FocalizaCamposLctoPadrao();
  EXPECT_EQ(form.CampoFocado(), "CONTACTBDEB");
}

TEST_P(TnCtbDMLctoCtbCamposTest, AccountLookupFollowsTheEntryTypeOfAnIfrsCompany) {
  const std::tuple<int64_t, const char*, const char*, const char*> casos[] = {
      {2, "LN", "", "TIPOCONTROLECONTABIL = 'LN'"},
      {2, "LS", "", "TIPOCONTROLECONTABIL in ('LN', 'LS')"},
      {2, "LF", "TIPOCONTA = 2", "TIPOCONTA = 2 and (TIPOCONTROLECONTABIL in ('LN', 'LF'))"},
      {1, "LS", "TIPOCONTA = 2", "TIPOCONTA = 2"},
  };
  for (const auto& [empresa, tipo, filtroAntes, filtroDepois] : casos) {
    SCOPED_TRACE(std::string(tipo) + " empresa " + std::to_string(empresa));
    FSelecao.SetParam(kSelCodigoEmpresa, Value(empresa));
    TnCtbDMLctoCtb& modulo = Criar(false);
    modulo.nClientDataSet.Append();
    modulo.nClientDataSet.FieldByName("TIPOLANCAMENTO").SetAsString(tipo);
    std::string filtro = filtroAntes;
    modulo.DoDepoisCriarFiltroCONTACTB(nullptr, filtro);
    EXPECT_EQ(filtro, filtroDepois);
  }
}

CTB_INSTANTIATE_ENGINES(TnCtbDMLctoCtbCamposTest);
