// Numbered transactions of a company that keeps SPED books: opening and
// continuing one, the balance check and its question, the date and type
// rules, moving and deleting a transaction's entries together, imported
// numbers, and the copy of a deleted entry into the log.
#include "tests/entries/LctoCtbFixture.h"

namespace {

constexpr const char* kPerguntaEncerrar =
    "Atenção, está transação possui diferença entre os lançamentos de Débito/Crédito!\r\nTem "
    "certeza que deseja encerra-la?";

class TnCtbDMLctoCtbTransacaoTest : public TnLctoCtbFixture {
 protected:
  void SetUp() override {
    TnLctoCtbFixture::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    Executar(
        "insert into OPCAOSPEDCTBDET (CODIGOEMPRESA, CODIGOESTAB, DATAOPCAO) values (1, 1, "
        "'2024-01-01')");
    // An older transaction: new numbers continue after it.
    InserirLcto(1, "2024-02-01", ", TRANSCTB", ", 40");
  }

  // Posts an entry of `valor` on 10/03/2024 with the sides given ("D", "C"
  // or "DC"); returns what the post ended in.
  std::string Postar(TnCtbDMLctoCtb& modulo, const std::string& lados, double valor, int dia = 10) {
    const auto lado = [&](char c, int conta) {
      return lados.find(c) == std::string::npos ? Value() : Value(conta);
    };
    NovoValido(modulo, {{"VALORLCTOCTB", valor},
                        {"DATALCTOCTB", EncodeDate(2024, 3, dia)},
                        {"CONTACTBDEB", lado('D', 101)},
                        {"CONTACTBCRED", lado('C', 102)}});
    return Tentar(modulo.nClientDataSet);
  }

  // A refused record stays in insert, as on the screen.
  static std::string Tentar(TnClientDataSet& cds) {
    try {
      cds.Post();
      return "ok " + cds.FieldByName("TRANSCTB").AsString();
    } catch (const EnField& e) {
      return e.FieldName() + ": " + e.Message();
    }
  }

  // The database refuses to `evento` ("update" or "delete") entry 21.
  void Barrar21(const std::string& evento) {
    if (Tipo() == TTipoConexao::PostgreSQL)
      Conexao().ExecuteScript(
          "create function BARRAR21() returns trigger language plpgsql as $$ begin if "
          "old.CHAVELCTOCTB = 21 then raise exception 'barrado'; end if; return coalesce(new, "
          "old); end $$; create trigger TR_BARRAR21 before " +
          evento + " on LCTOCTB for each row execute function BARRAR21()");
    else
      Executar("create trigger TR_BARRAR21 before " + evento +
               " on LCTOCTB when old.CHAVELCTOCTB = 21 begin select raise(abort, 'barrado'); end");
  }

  // Entries 20, 21, 22 of transaction 7, double entries on 10/03/2024, in
  // place of all but the older transaction's.
  void Transacao7() {
    Executar("delete from LCTOCTB where CHAVELCTOCTB > 1");
    for (int chave : {20, 21, 22})
      InserirLcto(chave, "2024-03-10", ", TRANSCTB", ", 7");
  }
};

TEST_P(TnCtbDMLctoCtbTransacaoTest, SingleSidedEntriesContinueTheTransactionUntilItBalances) {
  TnCtbDMLctoCtb& modulo = Criar();
  EXPECT_EQ(Postar(modulo, "D", 100), "ok 41");
  EXPECT_EQ(modulo.GetTransacaoAtual(), 41);
  EXPECT_EQ(Postar(modulo, "C", 60), "ok 41");
  EXPECT_EQ(modulo.GetTransacaoAtual(), 41);
  EXPECT_EQ(Postar(modulo, "C", 40), "ok 41");
  EXPECT_EQ(modulo.GetTransacaoAtual(), 0);
  // A double entry opens its own transaction and closes it at once.
  EXPECT_EQ(Postar(modulo, "DC", 5), "ok 42");
  EXPECT_EQ(modulo.GetTransacaoAtual(), 0);
  EXPECT_TRUE(Dialogos().Perguntas().empty());
  EXPECT_EQ(Contar("select count(*) from LCTOCTB where TRANSCTB = 41"), 3);
}

TEST_P(TnCtbDMLctoCtbTransacaoTest, UnbalancedTransactionAsksBeforeClosing) {
  // The answer, and the transaction left open.
  for (const auto& [resposta, aberta] : {std::pair{"Não", 41.0}, {"Sim", 0.0}}) {
    Executar("delete from LCTOCTB where CHAVELCTOCTB > 1");
    Executar("delete from SEQUENCIAEMPRESA");
    TnCtbDMLctoCtb& modulo = Criar();
    Responder({resposta});
    ASSERT_EQ(Postar(modulo, "D", 100), "ok 41");
    ASSERT_EQ(Postar(modulo, "DC", 50), "ok 41");
    EXPECT_EQ(Dialogos().Perguntas().back().Texto, kPerguntaEncerrar);
    EXPECT_EQ(modulo.GetTransacaoAtual(), aberta) << resposta;
    EXPECT_EQ(modulo.GetTransacaoAberta().Diferenca.Diferenca.ToString(), "100");
  }
}

// "Criar Transação" over an unbalanced one asks; "Não" keeps it open and
// the new record joins it. "Continuar Transação" reopens the browsed
// entry's transaction, date and type included.
TEST_P(TnCtbDMLctoCtbTransacaoTest, ScreenActionsCreateAndContinueTransactions) {
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  ASSERT_EQ(Postar(modulo, "D", 100), "ok 41");
  Responder({"Não"});
  ASSERT_TRUE(modulo.ActionList.FindByShortCut("Ctrl+F9")->Execute());
  EXPECT_EQ(Dialogos().Perguntas().back().Texto, kPerguntaEncerrar);
  EXPECT_EQ(cds.FieldByName("TRANSCTB").AsInteger(), 41);
  cds.Cancel();
  EXPECT_EQ(modulo.GetTransacaoAtual(), 0);
  ASSERT_TRUE(cds.Locate("TRANSCTB", {Value(41)}));
  ASSERT_TRUE(modulo.ActionList.Find("actContinuarTransacao")->Execute());
  EXPECT_EQ(cds.FieldByName("TRANSCTB").AsInteger(), 41);
  EXPECT_EQ(modulo.GetTransacaoAberta().Data, EncodeDate(2024, 3, 10));
  cds.Cancel();
}

TEST_P(TnCtbDMLctoCtbTransacaoTest, LaterEntriesKeepTheDateAndTypeOfTheFirst) {
  TnCtbDMLctoCtb& modulo = Criar();
  TnClientDataSet& cds = modulo.nClientDataSet;
  ASSERT_EQ(Postar(modulo, "D", 100), "ok 41");
  EXPECT_EQ(Postar(modulo, "C", 100, 11),
            "DATALCTOCTB: Atenção, a data informada é diferente da data inicial da "
            "transação!\r\nData inicial da transação: 10/03/2024");
  cds.FieldByName("DATALCTOCTB").SetAsDateTime(EncodeDate(2024, 3, 10));
  cds.FieldByName("TIPOLANCAMENTO").SetAsString("LS");
  EXPECT_EQ(Tentar(cds),
            "TIPOLANCAMENTO: Atenção, o tipo de lançamento informado é diferente do tipo de "
            "lançamento inicial da transação!\r\nTipo lançamento inicial da transação: Normal");
  cds.FieldByName("TIPOLANCAMENTO").SetAsString("LN");
  EXPECT_EQ(Tentar(cds), "ok 41");
  // A cancel ends the transaction: the next entry opens another.
  ASSERT_EQ(Postar(modulo, "D", 100, 12), "ok 42");
  cds.Append();
  cds.Cancel();
  EXPECT_EQ(modulo.GetTransacaoAtual(), 0);
}

TEST_P(TnCtbDMLctoCtbTransacaoTest, MovingAnEntryOffersToMoveItsTransaction) {
  // The right's level, and the entries then on 12/03.
  for (const auto& [nivel, movidos] : {std::pair{"8", "20 21 22"}, {"1", "20"}}) {
    Transacao7();
    Direito("DireitoControleDataLctosTransacao", nivel);
    TnCtbDMLctoCtb& modulo = Criar();
    Responder({"Sim", "Sim"});
    TnClientDataSet& cds = modulo.nClientDataSet;
    Ir(cds, 20, true);
    cds.FieldByName("DATALCTOCTB").SetAsDateTime(EncodeDate(2024, 3, 12));
    cds.Post();
    EXPECT_EQ(Coluna("select CHAVELCTOCTB from LCTOCTB where DATALCTOCTB = '2024-03-12' order by "
                     "CHAVELCTOCTB"),
              movidos)
        << nivel;
  }
  EXPECT_EQ(Dialogos().Perguntas().size(), 3u);
  EXPECT_EQ(Dialogos().Perguntas()[1].Texto,
            "Deseja atualizar a data de todos os lançamentos vinculados a esta transação?");
}

// Deleting with the rights and "Sim" logs and deletes the whole
// transaction; "Não" deletes the entry alone; without the log right the
// entry leaves no copy; without the transaction's right nothing is offered
// and the entry goes alone.
TEST_P(TnCtbDMLctoCtbTransacaoTest, DeletingAnEntryOffersToDeleteItsTransaction) {
  // The answer, the log right's level, the entries left and those logged,
  // the transaction right's level.
  for (const auto& [resposta, nivelLog, restantes, logados, nivelTransacao] :
       {std::tuple{"Sim", "8", 0, 3, "8"},
        {"Não", "8", 2, 1, "8"},
        {"Não", "1", 2, 0, "8"},
        {"Sim", "8", 2, 1, "1"}}) {
    Executar("delete from LCTOCTBEXCLUIDO");
    Transacao7();
    Direito("DireitoControlaExclusaoLctosTransacao", nivelTransacao);
    Direito("DireitoControlaLancamentoExcluido", nivelLog);
    TnCtbDMLctoCtb& modulo = Criar();
    Responder({resposta});
    Excluir(modulo, 20);
    EXPECT_EQ(Contar("select count(*) from LCTOCTB where TRANSCTB = 7"), restantes)
        << resposta << nivelLog;
    EXPECT_EQ(Contar("select count(*) from LCTOCTBEXCLUIDO where TRANSCTB = 7"), logados)
        << resposta << nivelLog;
  }
  EXPECT_EQ(Dialogos().Perguntas().front().Texto,
            "Deseja excluir todos os lançamentos vinculados a esta transação?");
}

// The unbalanced-transactions list follows each post row by row: a
// transaction unbalanced behind the screen's back stays unseen until the
// list is read again.
TEST_P(TnCtbDMLctoCtbTransacaoTest, UnbalancedListIsEditedRowByRow) {
  Configurar("UTILDIFLANCAMENTO = '1'");
  SelecionarMarco2024();
  TnCtbDMLctoCtb& modulo = Criar();
  ASSERT_NE(modulo.GetCDSDifTransacao(), nullptr);
  TnClientDataSet& lista = *modulo.GetCDSDifTransacao();
  const auto linhas = [&lista] {
    std::string texto;
    for (lista.First(); !lista.Eof(); lista.Next())
      texto += lista.FieldByName("TRANSCTB").AsString() + ":" +
               lista.FieldByName("DIFERENCA").AsString() + " ";
    return texto;
  };
  InserirLcto(30, "2024-03-10", ", TRANSCTB", ", 39");
  Executar("update LCTOCTB set CONTACTBCRED = null where CHAVELCTOCTB = 30");
  for (const auto& [lados, valor, esperado] :
       {std::tuple{"D", 100.0, "41:100 "}, {"C", 60.0, "41:40 "}, {"C", 40.0, ""}}) {
    Postar(modulo, lados, valor);
    EXPECT_EQ(linhas(), esperado) << lados << valor;
  }
}

// The question comes whenever the entry has a transaction; a database error
// on the others undoes that part alone: they stay, unlogged, and the
// user's own entry is deleted (or moved) all the same.
TEST_P(TnCtbDMLctoCtbTransacaoTest, TheTransactionPartFailsAloneAndIsAskedEvenForALoneEntry) {
  Direito("DireitoControlaExclusaoLctosTransacao", "8");
  Direito("DireitoControleDataLctosTransacao", "8");
  Direito("DireitoControlaLancamentoExcluido", "8");
  Transacao7();
  Executar("update LCTOCTB set TRANSCTB = 8 where CHAVELCTOCTB = 22");
  Responder({"Sim"});
  Excluir(Criar(), 22);
  EXPECT_EQ(Dialogos().Perguntas().back().Texto,
            "Deseja excluir todos os lançamentos vinculados a esta transação?");
  InserirLcto(22, "2024-03-10", ", TRANSCTB", ", 7");
  for (const char* evento : {"update", "delete"}) {
    Barrar21(evento);
    TnCtbDMLctoCtb& modulo = Criar();
    Responder({"Sim", "Sim"});
    const bool exclusao = std::string(evento) == "delete";
    if (exclusao) {
      Excluir(modulo, 20);
    } else {
      Ir(modulo.nClientDataSet, 20, true);
      modulo.nClientDataSet.FieldByName("DATALCTOCTB").SetAsDateTime(EncodeDate(2024, 3, 12));
      modulo.nClientDataSet.Post();
    }
    EXPECT_EQ(Coluna("select CHAVELCTOCTB from LCTOCTB where TRANSCTB = 7 order by CHAVELCTOCTB"),
              exclusao ? "21 22" : "20 21 22")
        << evento;
    EXPECT_EQ(Coluna("select CHAVELCTOCTB from LCTOCTB where DATALCTOCTB = '2024-03-12'"),
              exclusao ? "" : "20")
        << evento;
    EXPECT_EQ(Contar("select count(*) from LCTOCTBEXCLUIDO where TRANSCTB = 7"), exclusao ? 1 : 0)
        << evento;
    Executar(Tipo() == TTipoConexao::PostgreSQL ? "drop function BARRAR21() cascade"
                                                : "drop trigger TR_BARRAR21");
  }
}

// An imported number is never stored: each one becomes a fresh number, the
// same for every entry that shared it in the file.
TEST_P(TnCtbDMLctoCtbTransacaoTest, ImportedNumbersMapToFreshOnes) {
  TnCtbDMLctoCtb& modulo = Criar(false);
  modulo.SetImportacao(true);
  int chave = 600;
  for (int importado : {500, 500, 40, 500}) {
    NovoImportado(modulo, chave++);
    modulo.nClientDataSet.FieldByName("TRANSCTB").SetAsInteger(importado);
    modulo.nClientDataSet.Post();
  }
  modulo.AplicarAtualizacoes();
  EXPECT_EQ(Coluna("select TRANSCTB from LCTOCTB where CHAVELCTOCTB >= 600 order by CHAVELCTOCTB"),
            "41 41 42 41");
}

CTB_INSTANTIATE_ENGINES(TnCtbDMLctoCtbTransacaoTest);

}  // namespace
