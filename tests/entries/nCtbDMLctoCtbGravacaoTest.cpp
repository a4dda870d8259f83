// What the module does around the writing of an entry: the steps after a
// post, what a delete undoes in other tables, cancel and refresh.
#include "framework/ctb/TnUtilControleLctoPadrao.h"
#include "tests/entries/LctoCtbFixture.h"

namespace {

class TnCtbDMLctoCtbGravacaoTest : public TnLctoCtbFixture {
 protected:
  // A monthly programmed entry 3 of two items (101 -> 102 then 102 -> 103)
  // recurring on the last day of each month up to April.
  void ProgramarLcto() {
    Executar(
        "insert into LCTOPROG (CODIGOEMPRESA, CODIGOLCTOPROG, PERIODICIDADE, DIALCTO, "
        "DATAFINAL) values (1, 3, 1, 31, '2024-04-30')");
    Executar(
        "insert into LCTOPROGITEM (CODIGOEMPRESA, CODIGOLCTOPROG, SEQLCTOPROG, CONTACTBDEB, "
        "CONTACTBCRED, VALORLCTOCTB) values (1, 3, 1, 101, 102, 10), (1, 3, 2, 102, 103, 20)");
  }
};

// Seeds the same reconciliation picture around entry `chave`: a bank line
// pointing at it by key, a bank line and a card line reached through their
// link tables, two investment lines linked to it, and a link of another
// entry (99) that must survive.
void SemearConciliacoes(TnLctoCtbFixture& t, int chave) {
  for (const char* sql :
       {"insert into CONCBANCLCTO (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATALCTOBANC, "
        "SEQLCTOBANC, CONCILLCTOCTB, CHAVELCTOCTB) values (1, 1, 101, '2024-03-05', {0}, 0, "
        "{0}), (1, 1, 101, '2024-03-06', {0}, 1, null)",
        "insert into CONCBANCLCTOBANC (CODIGOEMPRESA, CODIGOESTAB, CHAVELCTOCTB, CONTACTB, "
        "DATALCTOBANC, SEQLCTOBANC) values (1, 1, {0}, 101, '2024-03-06', {0})",
        "insert into OPENFINANCECONCCARTAOLCTO (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATALCTO, "
        "SEQLCTO, CONCILLCTOCTB, CHAVELCTOCTB) values (1, 1, 102, '2024-03-07', {0}, 1, {0})",
        "insert into OPENFINANCECONCCARLCTORELAC (CODIGOEMPRESA, CODIGOESTAB, CHAVELCTOCTB, "
        "CONTACTB, DATALCTO, SEQLCTO) values (1, 1, {0}, 102, '2024-03-07', {0})",
        "insert into OPENFINANCEINVESTIMENTO (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATALCTO, "
        "SEQLCTO, CONCILLCTOCTB, CHAVELCTOCTB) values (1, 1, 103, '2024-03-08', {0}, 1, null), "
        "(1, 1, 103, '2024-03-09', {0}, 1, null)",
        "insert into OPENFINANCEINVESTIMENTORELAC (CODIGOEMPRESA, CODIGOESTAB, CHAVELCTOCTB, "
        "CONTACTB, DATALCTO, SEQLCTO) values (1, 1, {0}, 103, '2024-03-08', {0}), "
        "(1, 1, {0}, 103, '2024-03-09', {0}), (1, 1, 99, 103, '2024-03-09', {0})"})
    t.Executar(fmt::format(fmt::runtime(sql), chave));
}

// Rows of the picture of `chave` still marked or still linked to it.
int64_t MarcasRestantes(TnLctoCtbFixture& t, int chave) {
  int64_t total = 0;
  for (const auto& [tabela, sequencia] : {std::pair{"CONCBANCLCTO", "SEQLCTOBANC"},
                                          {"OPENFINANCECONCCARTAOLCTO", "SEQLCTO"},
                                          {"OPENFINANCEINVESTIMENTO", "SEQLCTO"}})
    total += t.Contar(fmt::format(
        "select count(*) from {0} where (CHAVELCTOCTB = {2} or CONCILLCTOCTB = 1) and {1} = {2}",
        tabela, sequencia, chave));
  for (const char* tabela :
       {"CONCBANCLCTOBANC", "OPENFINANCECONCCARLCTORELAC", "OPENFINANCEINVESTIMENTORELAC"})
    total +=
        t.Contar(fmt::format("select count(*) from {} where CHAVELCTOCTB = {}", tabela, chave));
  return total;
}

}  // namespace

TEST_P(TnCtbDMLctoCtbGravacaoTest, DeleteUndoesTheReconciliationsOnlyOfAFlaggedEntry) {
  // Flags empty and "0": nothing is touched, even rows that name the key.
  InserirLcto(20, "2024-03-05");
  InserirLcto(21, "2024-03-05", ", LCTOCONCILDEB, LCTOCONCILCRED", ", '0', '0'");
  // Either flag set: every link goes.
  InserirLcto(22, "2024-03-05", ", LCTOCONCILCRED", ", '1'");
  for (int chave : {20, 21, 22})
    SemearConciliacoes(*this, chave);
  const int64_t antes20 = MarcasRestantes(*this, 20);
  ASSERT_EQ(antes20, 9);  // 2 + 1 + 2 marked or keyed lines, 1 + 1 + 2 links

  TnCtbDMLctoCtb& modulo = Criar();
  Excluir(modulo, 20);
  Excluir(modulo, 21);
  EXPECT_EQ(MarcasRestantes(*this, 20), antes20);
  EXPECT_EQ(MarcasRestantes(*this, 21), antes20);

  Excluir(modulo, 22);
  EXPECT_EQ(Linha(22, "CHAVELCTOCTB"), "(none)");
  EXPECT_EQ(MarcasRestantes(*this, 22), 0);
  // Both investment lines are cleared, and the link of entry 99 stays.
  EXPECT_EQ(Contar("select count(*) from OPENFINANCEINVESTIMENTO where SEQLCTO = 22 and "
                   "CONCILLCTOCTB = 0"),
            2);
  EXPECT_EQ(Contar("select count(*) from OPENFINANCEINVESTIMENTORELAC where CHAVELCTOCTB = 99 and "
                   "SEQLCTO = 22"),
            1);
}

TEST_P(TnCtbDMLctoCtbGravacaoTest, DeletingAnEntryOfARuralCashBookGroupRemovesTheWholeGroup) {
  for (int chave : {30, 31, 32, 33, 40, 41, 42})
    InserirLcto(chave, "2024-03-05");
  Executar(
      "insert into LCTOCTBRELACLCDPR (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOEMPRESADET, "
      "CHAVELCTOCTBDET) values (1, 30, 1, 31), (1, 30, 1, 32), (1, 30, 1, 33), (1, 40, 1, 41), "
      "(1, 40, 1, 42)");
  TnCtbDMLctoCtb& modulo = Criar();
  const std::string pergunta =
      "Esse Lançamento Contábil esta relacionado o Livro Caixa do Produtor Rural.\r\nConfirma a "
      "exclusão de todos os Lançamentos Contábeis e Q100 relacionados a esse Lançamento?";

  Responder({"Não"});
  EXPECT_THROW(Excluir(modulo, 32), EAbort);
  ASSERT_FALSE(Dialogos().Registro().empty());
  EXPECT_EQ(Dialogos().Registro().back().Texto, pergunta);
  EXPECT_EQ(Contar("select count(*) from LCTOCTB"), 7);

  // A detail takes the main entry and the other details with it.
  Responder({"Sim"});
  Excluir(modulo, 32);
  for (int chave : {30, 31, 32, 33})
    EXPECT_EQ(Linha(chave, "CHAVELCTOCTB"), "(none)") << chave;
  EXPECT_EQ(Contar("select count(*) from LCTOCTBRELACLCDPR where CHAVELCTOCTB = 30"), 0);

  // The main entry takes its details.
  modulo.Refresh();
  Responder({"Sim"});
  Excluir(modulo, 40);
  EXPECT_EQ(Contar("select count(*) from LCTOCTB"), 0);
  EXPECT_EQ(Contar("select count(*) from LCTOCTBRELACLCDPR"), 0);
  EXPECT_TRUE(SchemaInstaller::VerificarSaldos(Conexao()).Rows.empty());
}

TEST_P(TnCtbDMLctoCtbGravacaoTest, ImportReportsEachUnbalancedDayOfCompanyAndBranch) {
  TnCtbDMLctoCtb& modulo = Criar(false);
  modulo.SetImportacao(true);
  modulo.SetVerificarBalancoImportacao(true);
  TnClientDataSet& cds = modulo.nClientDataSet;
  // 01/03: a whole entry and a debit alone; 02/03: a debit and a credit
  // that balance each other.
  for (const auto& [chave, dia, debito, credito, valor] :
       {std::tuple{600, 1, Value(101), Value(102), 100.0},
        {601, 1, Value(101), Value(), 1234.5},
        {602, 2, Value(101), Value(), 10.0},
        {603, 2, Value(), Value(102), 10.0}}) {
    NovoImportado(modulo, chave,
                  {{"DATALCTOCTB", EncodeDate(2024, 3, dia)},
                   {"VALORLCTOCTB", valor},
                   {"CONTACTBDEB", debito},
                   {"CONTACTBCRED", credito}});
    cds.Post();
  }
  modulo.AplicarAtualizacoes();
  TnListaMensagem mensagens;
  EXPECT_TRUE(modulo.ValidarImportacao(&mensagens));
  EXPECT_EQ(mensagens.Texto(),
            "Aviso: Diferença em: 01/03/2024 débito 1.334,50 crédito 100,00 diferença: 1.234,50 "
            "empresa: 1 filial: 1\n");
  EXPECT_EQ(modulo.GetVICDS(false), nullptr);
}

TEST_P(TnCtbDMLctoCtbGravacaoTest, ProgrammedEntryGoesOnInsertByInsertUntilACancel) {
  ProgramarLcto();
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  NovoValido(modulo, {{"CODIGOLCTOPROG", 3}});
  modulo.InserirLctoProg();
  EXPECT_EQ(cds.FieldByName("VALORLCTOCTB").AsFloat(), 10);
  cds.Post();
  EXPECT_TRUE(modulo.GetTeveInsercao());

  // The next insert continues the template by itself.
  cds.Append();
  const char* campos = "CODIGOLCTOPROG;CONTACTBDEB;CONTACTBCRED;VALORLCTOCTB";
  EXPECT_EQ(Campos(cds, campos),
            "CODIGOLCTOPROG=3 CONTACTBDEB=102 CONTACTBCRED=103 VALORLCTOCTB=20");
  cds.Cancel();
  cds.Append();
  EXPECT_EQ(Campos(cds, campos), "CODIGOLCTOPROG= CONTACTBDEB= CONTACTBCRED= VALORLCTOCTB=");
  cds.Cancel();
}

TEST_P(TnCtbDMLctoCtbGravacaoTest, PeriodicProgrammedEntryRepeatsOnEachDateOfItsPeriod) {
  ProgramarLcto();
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  cds.FieldByName("CODIGOLCTOPROG").GetDefinicao().SetPropriedade("GerarLctosPeriodo", Value(true));
  NovoValido(
      modulo,
      {{"DATALCTOCTB", EncodeDate(2024, 1, 31)}, {"CODIGOLCTOPROG", 3}, {"COMPLHIST", "aluguel"}});
  cds.Post();
  auto datas = Nutildb::ExecutarSQL(
      "select DATALCTOCTB, VALORLCTOCTB, COMPLHIST from LCTOCTB where CODIGOLCTOPROG = 3 order by "
      "DATALCTOCTB");
  std::string texto;
  for (; !datas->Eof(); datas->Next())
    texto += DateToStr(datas->Fields(0).AsDateTime()) + " " + datas->Fields(1).AsString() + " " +
             datas->Fields(2).AsString() + ";";
  EXPECT_EQ(texto,
            "31/01/2024 100 aluguel;29/02/2024 100 aluguel;31/03/2024 100 aluguel;30/04/2024 100 "
            "aluguel;");
  EXPECT_EQ(Contar("select count(distinct CHAVELCTOCTB) from LCTOCTB"), 4);
}

TEST_P(TnCtbDMLctoCtbGravacaoTest, RefreshReloadsRowsAndSettingsAndForgetsWorkingSets) {
  InserirLcto(50, "2024-03-05");
  InserirLcto(51, "2024-03-06");
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  Ir(cds, 51);
  modulo.cdsPercentRatCta.AppendRecord({Value(1.0), Value(101.0), Value(50)});
  const int leituras = modulo.CacheConfig().LeiturasEmpresa;
  InserirLcto(52, "2024-03-07");
  Executar("update CFGEMPRESACTB set DATAFINALEXERC = '2024-06-30' where CODIGOEMPRESA = 1");

  modulo.Refresh();
  EXPECT_EQ(fmt::format("{} {} {} {} {}", cds.RecordCount(), Campos(cds, "CHAVELCTOCTB"),
                        modulo.CacheConfig().LeiturasEmpresa - leituras,
                        DateToStr(modulo.Config().Empresa.DataFinalExerc),
                        modulo.cdsPercentRatCta.IsEmpty()),
            "3 CHAVELCTOCTB=51 1 30/06/2024 true");
}

CTB_INSTANTIATE_ENGINES(TnCtbDMLctoCtbGravacaoTest);
