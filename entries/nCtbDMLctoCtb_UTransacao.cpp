// Numbered transactions of a SPED or IFRS company: the entries keyed one
// after the other form one transaction until its debits and credits
// balance; the first entry fixes its date and type. Also the copy of a
// deleted entry into the deleted-entry log.
//
// The open transaction lives in the module (FTransacao) from one post to the
// next; the numbers come from the company's own sequence, so two people
// keying the same company never share one.
#include "deletedlog/nCtbServicoLctoCtbExcluido_U.h"
#include "entries/nCtbDMLctoCtb_U.h"
#include "framework/app/Ndialogs.h"
#include "framework/app/NutilAmbiente.h"
#include "framework/app/TnDMDireitoUsuario.h"
#include "framework/core/Nutil.h"
#include "framework/ctb/Nctbsfuncoes.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"

using nCtbDMLctoCtb_U::DataDe;

namespace {

constexpr const char* kMsgDifTransacao =
    "Atenção, está transação possui diferença entre os lançamentos de Débito/Crédito!";
constexpr const char* kMsgEncerrarTransacao = "\r\nTem certeza que deseja encerra-la?";
constexpr const char* kMsgAtualizarDatas =
    "Deseja atualizar a data de todos os lançamentos vinculados a esta transação?";
constexpr const char* kMsgExcluirTransacao =
    "Deseja excluir todos os lançamentos vinculados a esta transação?";
constexpr const char* kLogExclusaoTransacao =
    "Registro excluído em decorrencia da exclusão da transação efetuada pelo usuário";
constexpr const char* kNova = "Nova...";

constexpr const char* kDireitoDatas = "DireitoControleDataLctosTransacao";
constexpr const char* kDireitoExclusao = "DireitoControlaExclusaoLctosTransacao";
constexpr const char* kDireitoLog = "DireitoControlaLancamentoExcluido";

// The other entries of a transaction: company, transaction and the key of
// the entry at hand, as parameters.
constexpr const char* kOutrosDaTransacao =
    " where CODIGOEMPRESA = :pCodigoEmpresa and TRANSCTB = :pTransCtb and CHAVELCTOCTB <> "
    ":pChaveLctoCtb";

bool Liberado(const char* direito) {
  TnDMDireitoUsuario* direitos = nDMDireitoUsuario();
  return direitos != nullptr && direitos->TemDireitoLiberado(direito);
}

}  // namespace

bool TnCtbDMLctoCtbBase::UsaTransacao() {
  return GetPossuiSPED() || GetEhOptanteIFRS();
}

TnControleTransacao& TnCtbDMLctoCtbBase::GetControleTransacao() {
  const int64_t empresa = PegarCodigoEmpresa();
  if (!FControleTransacao || FControleTransacao->CodigoEmpresa() != empresa)
    FControleTransacao = std::make_unique<TnControleTransacao>(Conexao(), empresa);
  return *FControleTransacao;
}

void TnCtbDMLctoCtbBase::GetNextTransacao() {
  const int64_t empresa = PegarCodigoEmpresa();
  FTransacao.Numero =
      Importacao() ? GetControleTransacao().PegarProximo()
                   : static_cast<double>(Nctbsfuncoes::PegarProximaTransacao(Conexao(), empresa));
}

void TnCtbDMLctoCtbBase::NumerarTransacao() {
  FTransacao.Nova = false;
  if (!UsaTransacao())
    return;
  TField& trans = Campo("TRANSCTB");
  if (!Importacao()) {
    if (!trans.IsNull() && trans.AsFloat() != 0) {
      FTransacao.Numero = trans.AsFloat();
      return;
    }
    if (FTransacao.Numero == 0) {
      GetNextTransacao();
      FTransacao.Nova = nClientDataSet.State() == TDataSetState::dsInsert;
    }
    Atribuir(trans, Value(static_cast<int64_t>(FTransacao.Numero)));
    return;
  }
  // An imported number is never stored: the entries that shared it share a
  // fresh one.
  if (!trans.IsNull()) {
    Atribuir(trans, Value(static_cast<int64_t>(GetControleTransacao().Pegar(trans.AsFloat()))));
    return;
  }
  if (!FTransacao.Data.IsZero() &&
      DataDe(Campo("DATALCTOCTB").AsValue()) != DateOf(FTransacao.Data)) {
    GetNextTransacao();
    Atribuir(trans, Value(static_cast<int64_t>(FTransacao.Numero)));
  }
}

TDifTransacao TnCtbDMLctoCtbBase::SomarTransacao(int64_t codigoEmpresa, double transCtb) {
  // Both sides in one statement, its values as parameters: the screen asks
  // after every entry, and the same text stays prepared between entries.
  const TDbResult somas = Conexao().ExecuteQuery(
      "select cast(SUM(case when CONTACTBDEB is null then 0 else VALORLCTOCTB end) as "
      "numeric(14,2)) DEBITO, cast(SUM(case when CONTACTBCRED is null then 0 else VALORLCTOCTB "
      "end) as numeric(14,2)) CREDITO from LCTOCTB where CODIGOEMPRESA = :pCodigoEmpresa and "
      "TRANSCTB = :pTransCtb",
      {{"pCodigoEmpresa", Value(codigoEmpresa)},
       {"pTransCtb", Value(static_cast<int64_t>(transCtb))}});
  const auto soma = [&](size_t coluna) {
    const Value& valor = somas.Rows.front()[coluna];
    return valor.IsNull() ? Currency() : valor.AsCurrency();
  };
  TDifTransacao dif;
  dif.TransCtb = transCtb;
  dif.Debito = soma(0);
  dif.Credito = soma(1);
  dif.Diferenca = Nutil::RoundValor(dif.Debito - dif.Credito, 2);
  return dif;
}

bool TnCtbDMLctoCtbBase::PossuiDifTransacao() {
  const TField& trans = Campo("TRANSCTB");
  const TField& empresa = Campo("CODIGOEMPRESA");
  if (trans.IsNull() || trans.AsFloat() == 0 || empresa.IsNull() || empresa.AsInteger() == 0)
    return false;
  if (FTransacao.Nova) {
    // The entry that opened the transaction is all there is of it.
    const Currency valor = Campo("VALORLCTOCTB").AsCurrency();
    FTransacao.Diferenca.TransCtb = trans.AsFloat();
    FTransacao.Diferenca.Debito = Campo("CONTACTBDEB").IsNull() ? Currency() : valor;
    FTransacao.Diferenca.Credito = Campo("CONTACTBCRED").IsNull() ? Currency() : valor;
    FTransacao.Diferenca.Diferenca =
        Nutil::RoundValor(FTransacao.Diferenca.Debito - FTransacao.Diferenca.Credito, 2);
  } else {
    FTransacao.Diferenca = SomarTransacao(empresa.AsInteger(), trans.AsFloat());
  }
  if (GetControlarDiferenca() && !FExibicao.DifLctoCtb.Novo.DataLctoCtb.IsZero())
    AtualizarCdsDifTransacao(FTransacao.Diferenca);
  return !(FTransacao.Diferenca.Diferenca == Currency());
}

void TnCtbDMLctoCtbBase::AtualizarCdsDifTransacao(const TDifTransacao& dif) {
  if (FExibicao.CDSDifTransacao == nullptr)
    return;
  TnClientDataSet& cds = *FExibicao.CDSDifTransacao;
  const ValueArray numero = {Value(static_cast<int64_t>(dif.TransCtb))};
  cds.DisableControls();
  if (dif.Diferenca == Currency()) {
    while (cds.Locate("TRANSCTB", numero))
      cds.Delete();
  } else if (!cds.Locate("TRANSCTB", numero)) {
    cds.AppendRecord({numero.front(), Value(dif.Debito), Value(dif.Credito), Value(dif.Diferenca)});
  } else {
    for (; !cds.Eof() && cds.FieldByName("TRANSCTB").AsValue() == numero.front(); cds.Next()) {
      cds.Edit();
      cds.FieldByName("VALORDEBITO").SetValue(Value(dif.Debito));
      cds.FieldByName("VALORCREDITO").SetValue(Value(dif.Credito));
      cds.FieldByName("DIFERENCA").SetValue(Value(dif.Diferenca));
      cds.Post();
    }
  }
  cds.First();
  cds.EnableControls();
  MostrarDiferenca();
}

bool TnCtbDMLctoCtbBase::CloseTransacao(bool verificar, bool perguntar) {
  if (verificar && PossuiDifTransacao()) {
    if (!perguntar)
      Ndialogs::nMessageDlg(kMsgDifTransacao, TMsgDlgType::mtInformation, BotoesOk());
    else if (!Ndialogs::nConfirmar(std::string(kMsgDifTransacao) + kMsgEncerrarTransacao))
      return false;
  }
  FTransacao.Fechar();
  return true;
}

void TnCtbDMLctoCtbBase::CanCloseTransacao(bool inserindo) {
  // A detail of another screen keys into that screen's transaction.
  if (!CampoLink().empty()) {
    if (PossuiDifTransacao())
      Ndialogs::nMessageDlg(kMsgDifTransacao, TMsgDlgType::mtInformation, BotoesOk());
    return;
  }
  if (!inserindo) {
    CloseTransacao(true, false);
    return;
  }
  const bool dupla = !Campo("CONTACTBDEB").IsNull() && !Campo("CONTACTBCRED").IsNull();
  if (dupla || !PossuiDifTransacao())
    CloseTransacao(true, true);
}

// ---- Steps around the writing ----

void TnCtbDMLctoCtbBase::TransacaoDepoisInserir() {
  if (FTransacao.Numero != 0 && UsaTransacao())
    Atribuir(Campo("TRANSCTB"), Value(static_cast<int64_t>(FTransacao.Numero)));
}

void TnCtbDMLctoCtbBase::TransacaoDepoisGravar() {
  if (!UsaTransacao())
    return;
  if (!Importacao())
    CanCloseTransacao(FMemoria.Operacao == TDataSetState::dsInsert);
  else if (!Campo("CONTACTBDEB").IsNull() && !Campo("CONTACTBCRED").IsNull())
    CloseTransacao(false, false);
}

void TnCtbDMLctoCtbBase::FixarInicioTransacao() {
  if (FTransacao.Numero > 0 && UsaTransacao()) {
    FTransacao.Data = DataDe(Campo("DATALCTOCTB").AsValue());
    FTransacao.TipoLcto = Campo("TIPOLANCAMENTO").AsString();
  }
}

void TnCtbDMLctoCtbBase::TransacaoAntesExcluir() {
  if (UsaTransacao())
    CanCloseTransacao(false);
}

void TnCtbDMLctoCtbBase::TransacaoDepoisCancelar() {
  if (FTransacao.Numero != 0 && !Importacao() && UsaTransacao())
    CloseTransacao(false, false);
}

void TnCtbDMLctoCtbBase::VerificaAtualizarDatasTransacao() {
  const TField& trans = Campo("TRANSCTB");
  if (!Liberado(kDireitoDatas) || FModoAnalitico || trans.IsNull() || !UsaTransacao() ||
      !Ndialogs::nConfirmar(kMsgAtualizarDatas))
    return;
  // Failing to move the others does not stop the user's own post.
  const bool movidos = Conexao().ExecutarParcial([&] {
    Nutildb::ExecutarSQLDireto(
        Conexao(),
        std::string("update LCTOCTB set DATALCTOCTB = :pDataLctoctb") + kOutrosDaTransacao,
        {{"pDataLctoctb", Value(DataDe(Campo("DATALCTOCTB").AsValue()))},
         {"pCodigoEmpresa", Campo("CODIGOEMPRESA").AsValue()},
         {"pTransCtb", trans.AsValue()},
         {"pChaveLctoCtb", Campo("CHAVELCTOCTB").AsValue()}});
  });
  if (movidos)
    FTransacao.OutrasAlteradas = true;
}

void TnCtbDMLctoCtbBase::VerificaDeltarLancamentosTransacao() {
  FTransacao.OutrasAlteradas = false;
  const TField& trans = Campo("TRANSCTB");
  if (!Liberado(kDireitoExclusao) || FModoAnalitico || Importacao() || trans.IsNull() ||
      !UsaTransacao() || !Ndialogs::nConfirmar(kMsgExcluirTransacao))
    return;
  const TParams params = {{"pCodigoEmpresa", Campo("CODIGOEMPRESA").AsValue()},
                          {"pTransCtb", trans.AsValue()},
                          {"pChaveLctoCtb", Campo("CHAVELCTOCTB").AsValue()}};
  // Failing to delete the others leaves them all in place, logged nowhere;
  // the user's own entry is deleted all the same.
  FTransacao.OutrasAlteradas = Conexao().ExecutarParcial([&] {
    const TDbResult outros = Conexao().ExecuteQuery(
        std::string("select CHAVELCTOCTB from LCTOCTB") + kOutrosDaTransacao, params);
    TnServicoLctoCtbExcluido& servico = ServicoLctoCtbExcl();
    servico.SetCodigoEmpresa(Campo("CODIGOEMPRESA").AsInteger());
    for (const ValueArray& linha : outros.Rows)
      servico.InserirLctoCtbExclIndividual(linha.front().AsInteger());
    if (!outros.Rows.empty())
      Nutil::LogDB(kLogExclusaoTransacao, Conexao().CodigoUsuario());
    // Their splits were copied to the log with them, and a restore brings
    // them back from there: none may outlive its entry.
    for (const char* tabela : {"LCTOGER", "LCTOATIVDIFERENC"})
      Nutildb::ExecutarSQLDireto(
          Conexao(),
          std::string("delete from ") + tabela +
              " where CODIGOEMPRESA = :pCodigoEmpresa and CHAVELCTOCTB in (select CHAVELCTOCTB "
              "from LCTOCTB" +
              kOutrosDaTransacao + ")",
          params);
    Nutildb::ExecutarSQLDireto(Conexao(), std::string("delete from LCTOCTB") + kOutrosDaTransacao,
                               params);
  });
}

// ---- Screen actions and the field ----

void TnCtbDMLctoCtb::CriarAcoesTransacao() {
  TnAction& criar = ActionList.Add("actCriarTransacao");
  criar.SetCaption("Criar Transação");
  criar.SetShortCut("Ctrl+F9");
  criar.SetOnExecute([this](TnAction&) { actCriarTransacaoExecute(); });
  TnAction& continuar = ActionList.Add("actContinuarTransacao");
  continuar.SetCaption("Continuar Transação");
  continuar.SetShortCut("Ctrl+F10");
  continuar.SetOnExecute([this](TnAction&) { actContinuarTransacaoExecute(); });
}

void TnCtbDMLctoCtbBase::CriarTransacao() {
  if (DataSetEditando())
    nClientDataSet.Cancel();
  if (FTransacao.Numero != 0)
    CloseTransacao(true, true);
  if (FTransacao.Numero == 0)
    GetNextTransacao();
  nClientDataSet.Append();
}

void TnCtbDMLctoCtbBase::ContinuarTransacao() {
  if (DataSetEditando())
    nClientDataSet.Cancel();
  CloseTransacao(false, false);
  FTransacao.Data = DataDe(Campo("DATALCTOCTB").AsValue());
  FTransacao.TipoLcto = Campo("TIPOLANCAMENTO").AsString();
  FTransacao.Numero = Campo("TRANSCTB").AsFloat();
  nClientDataSet.Append();
}

void TnCtbDMLctoCtbBase::nClientDataSetTRANSCTBGetText(TField& sender, std::string& text,
                                                       bool /*displayText*/) {
  if (sender.IsNull() && nClientDataSet.State() == TDataSetState::dsInsert && Tela())
    text = kNova;
  else
    text = sender.IsNull() ? std::string() : std::to_string(sender.AsInteger());
}

void TnCtbDMLctoCtbBase::nClientDataSetTRANSCTBDefIntExit(TField& sender) {
  if (DataSetEditando() && !sender.IsNull() && sender.AsFloat() != FTransacao.Numero)
    FTransacao.Numero = sender.AsFloat();
}

// ---- Deleted-entry log ----

void TnCtbDMLctoCtbBase::ConfigurarServLctoCtbExcl() {
  if (!FServicoLctoCtbExcl)
    FServicoLctoCtbExcl = std::make_unique<TnServicoLctoCtbExcluido>(Conexao());
}

TnServicoLctoCtbExcluido& TnCtbDMLctoCtbBase::ServicoLctoCtbExcl() {
  ConfigurarServLctoCtbExcl();
  return *FServicoLctoCtbExcl;
}

void TnCtbDMLctoCtbBase::CopiarLctoExcluido(const Value& codigoEmpresa, const Value& chave) {
  if (!Liberado(kDireitoLog))
    return;
  TnServicoLctoCtbExcluido& servico = ServicoLctoCtbExcl();
  servico.SetCodigoEmpresa(codigoEmpresa.AsInteger());
  servico.InserirLctoCtbExclIndividual(chave.AsInteger());
}
