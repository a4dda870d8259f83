// The rule chain an entry passes before it is written, and the checks made
// before an entry is edited or deleted. A rule refuses with the exact text
// the accountant reads (EnField when one field is at fault), or asks; a
// refusing answer ends in a silent abort.
#include "entries/nCtbDMLctoCtb_U.h"

#include "framework/app/Ndialogs.h"
#include "framework/app/NutilAmbiente.h"
#include "framework/app/TnDMDireitoUsuario.h"
#include "framework/app/TnDMPersonalizacao.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/FormatFloat.h"
#include "framework/core/Nutil.h"
#include "framework/core/Nutilinclusao.h"
#include "framework/ctb/Nctbsfuncoes.h"
#include "framework/ctb/TnUtilOpcoesCtb.h"
#include "framework/ctb/nCtbSMensagens.h"
#include "framework/db/NutilSql.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"

using nCtbDMLctoCtb_U::DataDe;

namespace {

constexpr const char* kMsgLCDPR =
    "Esse Lançamento Contábil esta relacionado o Livro Caixa do Produtor Rural.\r\nConfirma a "
    "exclusão de todos os Lançamentos Contábeis e Q100 relacionados a esse Lançamento?";
constexpr const char* kMsgConciliado =
    "Atenção: Esse lançamento já está conciliado! Para prosseguir realize a desconciliação "
    "acessando a rotina: Conciliar Lançamentos Contábeis!";
constexpr const char* kMsgModeloIFRS =
    "Não foi encontrada configuração para o Modelo de Adoção do IFRS no período do lançamento!";
constexpr const char* kMsgLctoIgual =
    "Lançamento igual ao último lançamento gravado! Confirmar a inclusão deste lançamento?";
constexpr const char* kMsgInclusaoCancelada = "Inclusão cancelada!";
constexpr const char* kMsgAlteracaoCancelada = "Alteração cancelada, registro automático!";
constexpr const char* kMsgExclusaoCancelada = "Exclusão cancelada!";
constexpr const char* kMsgDataTransacao =
    "Atenção, a data informada é diferente da data inicial da transação!\r\nData inicial da "
    "transação: ";
constexpr const char* kMsgTipoTransacao =
    "Atenção, o tipo de lançamento informado é diferente do tipo de lançamento inicial da "
    "transação!\r\nTipo lançamento inicial da transação: ";
constexpr const char* kMsgDatasTransacao =
    "Atenção, está transação possui lançamentos com datas diferentes, favor verificar!\r\nDeseja "
    "confirmar as alterações?";
constexpr const char* kMsgTiposTransacao =
    "Atenção, está transação possui tipos de lançamentos diferentes, favor verificar!\r\nDeseja "
    "confirmar as alterações?";
constexpr const char* kMsgOrigemAI =
    "Para origem do lançamento do tipo 'AI'(Adoção IFRS), a data do lançamento deve ser igual a "
    "data de opção do IFRS!";
constexpr const char* kMsgPeriodoFechado =
    "Não são permitidos lançamentos/alterações em período já fechados.";
constexpr const char* kMsgPeriodoReelaborado =
    "Em períodos Reelaborados, só são permitidos lançamentos com Origem igual a 'AA'.";
constexpr const char* kMsgGrupoHistorico =
    "Histórico utilizado não pertence ao Grupo de Histórico vinculado, verifique.";
constexpr const char* kMsgHistoricoInativo = "Histórico não existe ou está inativo, verifique.";
constexpr const char* kMsgHistoricoInativoImportacao = "%s não existe ou está inativo, verifique.";
constexpr const char* kMsgAnalitico =
    "Este lançamento foi feito através do cadastro Analítico.Deseja entrar no Lançamento "
    "Analítico para Alterar o mesmo?";
constexpr const char* kBtnGravar = "Gravar";
constexpr const char* kBtnCorrigir = "Corrigir";

// The user's level of a right; "" when the host runs without rights.
std::string NivelDireito(const char* nome) {
  TnDMDireitoUsuario* direitos = nDMDireitoUsuario();
  return direitos != nullptr ? direitos->PegarDireito(nome) : std::string();
}

std::string Maiusculo(const std::string& texto) {
  return Nutil::UpperCase(Nutil::Trim(texto));
}

bool SimNao(const std::string& texto, TMsgDlgType tipo = TMsgDlgType::mtConfirmation) {
  return Ndialogs::nMessageDlg(texto, tipo, BotoesSimNao()) == kBtnSim;
}

}  // namespace

// ---- The rule chain ----

void TnCtbDMLctoCtb::ValidarDado() {
  TnControleFieldsManutencaoTela::Controlar(*this, [this] { ValidarDadoInterno(); });
}

void TnCtbDMLctoCtb::ValidarDadoInterno() {
  PegarConfigEmpresa();
  PegarConfigLote();
  PegarConfigUsuario();
  const bool tela = Tela();
  const bool inserindo = nClientDataSet.State() == TDataSetState::dsInsert;
  TField& data = Campo("DATALCTOCTB");

  // 1. The transaction number (SPED or IFRS companies).
  NumerarTransacao();
  // 2. Reconciled entries stay as they are.
  if (!Importacao() && !inserindo)
    ValidarAlteracaoLctoCtb();
  // 3. IFRS adoption model.
  ValidarModeloIFRS();
  // 4. The framework's own checks; they must not lose the establishment.
  const Value estab = Campo("CODIGOESTAB").AsValue();
  TnDMClientDataSet::ValidarDado();
  if (!estab.IsNull() && estab.AsInteger() != 0 && !(Campo("CODIGOESTAB").AsValue() == estab))
    Atribuir(Campo("CODIGOESTAB"), estab);
  // 5. The same entry twice in a row.
  if (tela && inserindo)
    ValidarMesmoUltimoLcto();
  // 6. Double-entry accounts and bank reconciliation.
  if (TemTela()) {
    PegarConfigPlano();
    ValidarPartidaDobrada();
  }
  const TDateTime dataLcto = DataDe(data.AsValue());
  const std::string origem = Maiusculo(Campo("CODIGOORIGLCTOCTB").AsString());
  // 7. The last date the installation permits.
  if (origem != "CE" && origem != "CP") {
    const TnDMPersonalizacao* personalizacao = nDMPersonalizacao();
    if (personalizacao != nullptr && !personalizacao->GetPermiDataFinal().IsZero() &&
        dataLcto > DateOf(personalizacao->GetPermiDataFinal()))
      throw EnField(nCtbS::Formatar(nCtbSDataLctoForaPersonalizacao,
                                    DateToStr(personalizacao->GetPermiDataFinal())),
                    "DATALCTOCTB");
  }
  // 8. The fiscal year.
  if (dataLcto < GetDataInicialExerc() || dataLcto > GetDataFinalExerc())
    throw EnField(nCtbS::Formatar(nCtbSDataLctoForaDoExercicio, DateToStr(GetDataInicialExerc()),
                                  DateToStr(GetDataFinalExerc())),
                  "DATALCTOCTB");
  // 9. The user's window.
  VerificarLimiteUsuario();
  // 10. The selected period.
  if (!Importacao() && (TemTela() || Nutil::EhCloud())) {
    const Value inicio = Selecao().Param(kSelDataInicial);
    if (!inicio.IsNull()) {
      const TDateTime fim = GetDataFinalSelecao();
      if (dataLcto < DataDe(inicio) || dataLcto > fim)
        throw EnField(
            nCtbS::Formatar(nCtbSDataLctoForaSelecao, DateToStr(DataDe(inicio)), DateToStr(fim)),
            "DATALCTOCTB");
    }
  }
  // 11. Synthetic accounts take no entries.
  ValidarContaTipo("CONTACTBDEB", nCtbSTipoContaInvalidaDeb);
  ValidarContaTipo("CONTACTBCRED", nCtbSTipoContaInvalidaCred);
  // 12-14. Accounts and amount.
  TField& deb = Campo("CONTACTBDEB");
  TField& cred = Campo("CONTACTBCRED");
  if (deb.IsNull() && cred.IsNull())
    throw EnField(nCtbSContaDebCredNula, "CONTACTBDEB");
  if (deb.AsValue() == cred.AsValue())
    throw EnField(nCtbSLctoMesmaContaDedCred, "CONTACTBDEB");
  if (!(Campo("VALORLCTOCTB").AsCurrency() > Currency()))
    throw EnField(nCtbSLctoDebCredZerado, "VALORLCTOCTB");
  // 15. The batch.
  ValidarLote();
  // 16. Entries of other modules.
  if ((!Nutil::Trim(Campo("CHAVEORIGEM").AsString()).empty() || origem == "IM") && !Importacao()) {
    if (!AlterarChaveOrigem())
      throw Exception(kMsgAlteracaoCancelada);
    Atribuir(Campo("CHAVEORIGEM"), Value());
  }
  // 17. Transaction consistency.
  if (tela && (GetPossuiSPED() || GetEhOptanteIFRS()))
    ValidarTransacao();
  // 18. A zero programmed entry means none.
  TField& lctoProg = Campo("CODIGOLCTOPROG");
  if (!lctoProg.IsNull() && lctoProg.AsInteger() == 0 &&
      lctoProg.GetDefinicao().Propriedade("ZeroComoVazio").AsBoolean())
    Atribuir(lctoProg, Value());
  // 19. Tax-only origins.
  if (tela && (GetEhOptanteIFRS() || GetEhOptanteFCONT()))
    ValidarOrigemFiscal();
  // 20. IFRS.
  if (tela && GetEhOptanteIFRS())
    ValidarIFRS();
  // 21. History groups (information only).
  if (tela && !ValidarContaVinculadaGrupoHisLcto())
    Ndialogs::nMessageDlg(kMsgGrupoHistorico, TMsgDlgType::mtInformation, BotoesOk());
  // 22. Active history.
  if (!FAutomatico)
    ValidarHistorico();
}

void TnCtbDMLctoCtb::ValidarMesmoUltimoLcto() {
  const TUltLctoCtb& ult = FUltLctoCtb;
  if (!ult.Preenchido)
    return;
  const bool igual = Campo("CODIGOEMPRESA").AsInteger() == ult.CodigoEmpresa &&
                     Campo("CODIGOESTAB").AsInteger() == ult.CodigoEstab &&
                     Campo("CODIGOHISTCTB").AsValue() == ult.CodigoHistCtb &&
                     Campo("COMPLHIST").AsString() == ult.Complemento &&
                     Campo("CONTACTBCRED").AsValue() == ult.ContaCtbCred &&
                     Campo("CONTACTBDEB").AsValue() == ult.ContaCtbDeb &&
                     DataDe(Campo("DATALCTOCTB").AsValue()) == ult.DataLctoCtb &&
                     Campo("CODIGOORIGLCTOCTB").AsString() == ult.Origem &&
                     Campo("VALORLCTOCTB").AsCurrency() == ult.ValorLctoCtb;
  if (igual && NivelDireito("DireitoLctoIgual") != TnDMDireitoUsuario::kNivelLiberado) {
    if (!SimNao(kMsgLctoIgual))
      throw Exception(kMsgInclusaoCancelada);
  }
}

void TnCtbDMLctoCtb::ValidarPartidaDobrada() {
  TField& deb = Campo("CONTACTBDEB");
  TField& cred = Campo("CONTACTBCRED");
  auto perguntar = [this](const std::string& texto, const char* campo) {
    if (Ndialogs::nMessageDlg(texto, TMsgDlgType::mtWarning, {kBtnGravar, kBtnCorrigir}) ==
        kBtnCorrigir) {
      if (Form() != nullptr)
        Form()->FocarCampo(campo);
      throw EAbort();
    }
  };
  if (!deb.IsNull() && cred.IsNull() && ContaDePartidaDobrada(deb.AsValue()))
    perguntar(nCtbS::Formatar(nCtbSAvisoContaPartidaDobrada, deb.AsString()), "CONTACTBDEB");
  if (!cred.IsNull() && deb.IsNull() && ContaDePartidaDobrada(cred.AsValue()))
    perguntar(nCtbS::Formatar(nCtbSAvisoContaPartidaDobrada, cred.AsString()), "CONTACTBCRED");
  if (Campo("LCTOCONCILDEB").AsString() == "2") {
    auto mudou = [this](const char* nome) {
      const TField& f = Campo(nome);
      return !(f.AsValue() == f.OldValue());
    };
    if (mudou("CONTACTBDEB") || mudou("CODIGOESTAB") || mudou("VALORLCTOCTB"))
      perguntar(nCtbS::Formatar(nCtbSLctoConcilBancaria, deb.AsString()), "CONTACTBDEB");
  }
}

void TnCtbDMLctoCtb::ValidarContaTipo(const char* campo, const char* mensagem) {
  const TField& conta = Campo(campo);
  if (conta.IsNull())
    return;
  TnDMSQLDataSet sql(&Conexao());
  const Value tipo =
      sql.PegarValorCampo("PLANOESPEC", "TIPOCONTA",
                          " CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(PegarCodigoEmpresa())) +
                              " and CONTACTB = " + Nutil::ValorParaSQL(conta.AsValue()));
  if (!tipo.IsNull() && tipo.AsInteger() == 1)
    throw EnField(mensagem, campo);
}

void TnCtbDMLctoCtb::ValidarLote() {
  if (!GetPertenceLote())
    return;
  const TDateTime data = DataDe(Campo("DATALCTOCTB").AsValue());
  // A batch that is not registered has no period to show: name the batch.
  TField& lote = Campo("CODIGOLOTECTB");
  if (GetDataInicialLote().IsZero() && GetDataFinalLote().IsZero() &&
      !TnDMSQLDataSet(&Conexao())
           .PegarTemRegistro("LOTECTB",
                             "CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(PegarCodigoEmpresa())) +
                                 " and " + Nutil::ValorParaSQL(lote, "=")))
    throw EnField("Lote " + Nutil::Trim(lote.AsString()) + " não cadastrado!", "CODIGOLOTECTB");
  if (data < GetDataInicialLote() || data > GetDataFinalLote())
    throw EnField(nCtbS::Formatar(nCtbSDataLctoForaDoLimiteLote, DateToStr(GetDataInicialLote()),
                                  DateToStr(GetDataFinalLote())),
                  "DATALCTOCTB");
  if (GetUsaOrigemLctoCtb() && !FConfigLote.CodigoOrigLctoCtb.empty() &&
      Maiusculo(Campo("CODIGOORIGLCTOCTB").AsString()) != Maiusculo(FConfigLote.CodigoOrigLctoCtb))
    throw EnField(nCtbSOrigemNaoConfereComLote, "CODIGOLOTECTB");
  if (!GetAlteracaoLote() && !Importacao())
    throw EnField(nCtbSLoteFechadoNaoPermiteAlteracao, "CODIGOLOTECTB");
}

void TnCtbDMLctoCtb::ValidarTransacao() {
  const TDateTime data = DataDe(Campo("DATALCTOCTB").AsValue());
  const std::string tipo = Campo("TIPOLANCAMENTO").AsString();
  if (!FOldTransDate.IsZero() && data != DateOf(FOldTransDate))
    throw EnField(kMsgDataTransacao + DateToStr(FOldTransDate), "DATALCTOCTB");
  if (!FOldTransTipoLcto.empty() && tipo != FOldTransTipoLcto)
    throw EnField(kMsgTipoTransacao + Nctbsfuncoes_u::GetDescrTipoLancamento(FOldTransTipoLcto),
                  "TIPOLANCAMENTO");
  if (nClientDataSet.State() == TDataSetState::dsEdit) {
    TnDMSQLDataSet sql(&Conexao());
    const std::string condicao =
        "CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(PegarCodigoEmpresa())) +
        " and TRANSCTB = " + Nutil::ValorParaSQL(Campo("TRANSCTB").AsValue()) +
        " and CHAVELCTOCTB <> " + Nutil::ValorParaSQL(Campo("CHAVELCTOCTB").AsValue()) +
        " and DATALCTOCTB <> " + Nutil::ValorParaSQL(Value(data), TDbColumnKind::Date);
    if (sql.PegarTemRegistro("LCTOCTB", condicao) && !SimNao(kMsgDatasTransacao))
      throw EAbort();
  }
}

void TnCtbDMLctoCtb::ValidarOrigemFiscal() {
  const std::string origem = Campo("CODIGOORIGLCTOCTB").AsString();
  if (Campo("TIPOLANCAMENTO").AsString() != "LF" && Nctbsfuncoes_u::EhOrigemLctoFiscal(origem))
    throw EnField("Para a Origem de Lançamento informada \"" + origem +
                      "\", o Tipo do Lançamento deve ser \"Lançamento Fiscal\"!",
                  "TIPOLANCAMENTO");
}

void TnCtbDMLctoCtb::ValidarIFRS() {
  const TDateTime data = DataDe(Campo("DATALCTOCTB").AsValue());
  const std::string origem = Maiusculo(Campo("CODIGOORIGLCTOCTB").AsString());
  ControleExercicioSocialCtb().SetCodigoEmpresa(PegarCodigoEmpresa());
  ControleExercicioSocialCtb().SetData(data);
  ControleOpcaoIFRS().SetCodigoEmpresa(PegarCodigoEmpresa());
  if (origem == "AI" && data != DateOf(ControleOpcaoIFRS().GetDATAOPCAO()))
    throw EnField(kMsgOrigemAI, "DATALCTOCTB");
  const int situacao = ControleExercicioSocialCtb().GetSituacaoExercicio();
  if (situacao == kSituacaoExercicioFechado)
    throw EnField(kMsgPeriodoFechado, "DATALCTOCTB");
  if (situacao == kSituacaoExercicioReelaborado && origem != "AA")
    throw EnField(kMsgPeriodoReelaborado, "CODIGOORIGLCTOCTB");
  ValidarContaControleContabil("CONTACTBDEB", true);
  ValidarContaControleContabil("CONTACTBCRED", false);
  if (nClientDataSet.State() == TDataSetState::dsEdit) {
    TnDMSQLDataSet sql(&Conexao());
    const std::string condicao =
        "CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(PegarCodigoEmpresa())) +
        " and TRANSCTB = " + Nutil::ValorParaSQL(Campo("TRANSCTB").AsValue()) +
        " and CHAVELCTOCTB <> " + Nutil::ValorParaSQL(Campo("CHAVELCTOCTB").AsValue()) +
        " and TIPOLANCAMENTO <> " + Nutil::ValorParaSQL(Campo("TIPOLANCAMENTO").AsValue());
    if (sql.PegarTemRegistro("LCTOCTB", condicao) && !SimNao(kMsgTiposTransacao))
      throw EAbort();
  }
}

void TnCtbDMLctoCtb::ValidarContaControleContabil(const char* campo, bool debito) {
  const TField& conta = Campo(campo);
  if (conta.IsNull())
    return;
  const std::string tipoLcto = Campo("TIPOLANCAMENTO").AsString();
  std::string tipoConta =
      Nutil::Trim(EdFindValueDataSetLookup(campo, "TIPOCONTROLECONTABIL").AsString());
  if (tipoConta.empty())
    tipoConta = tipoLcto;
  bool aceita = tipoConta == "LN";
  std::string nomeTipo = "\"Normal\"";
  std::string tiposAceitos = "\"Ambos\"";
  if (tipoLcto == "LS") {
    aceita = aceita || tipoConta == "LS";
    nomeTipo = "\"Societário\"";
    tiposAceitos = "\"Ambos\" ou \"Societário\"";
  } else if (tipoLcto == "LF") {
    aceita = aceita || tipoConta == "LF";
    nomeTipo = "\"Fiscal\"";
    tiposAceitos = "\"Ambos\" ou \"Fiscal\"";
  }
  if (aceita)
    return;
  throw EnField("Para lançamento " + nomeTipo + " devemos informar somente contas a " +
                    (debito ? "Débito" : "Crédito") + " com o tipo de controle contábil " +
                    tiposAceitos + "!\r\nConta: " + conta.AsString() +
                    " configurada com tipo de controle contábil igual a " +
                    GetDescricaoTipoLancamentoConta(tipoConta) + ".",
                campo);
}

void TnCtbDMLctoCtb::ValidarHistorico() {
  if (HistoricoAtivo())
    return;
  if (Importacao()) {
    std::string texto = kMsgHistoricoInativoImportacao;
    texto.replace(texto.find("%s"), 2, Campo("CODIGOHISTCTB").AsString());
    throw EnField(texto, "CODIGOHISTCTB");
  }
  throw EnField(kMsgHistoricoInativo, "CODIGOHISTCTB");
}

// ---- Around the post ----

void TnCtbDMLctoCtb::nClientDataSetBeforePost(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetBeforePost(dataSet);
  TnControleFieldsManutencaoTela::Controlar(*this,
                                            [&] { nClientDataSetBeforePostInterno(dataSet); });
}

void TnCtbDMLctoCtb::nClientDataSetBeforePostInterno(TnClientDataSet& dataSet) {
  FAtualizarDMTrans = false;
  if (GetUsaDifLancamento())
    FControlarDiferenca = true;
  if (dataSet.State() == TDataSetState::dsEdit &&
      !(Campo("DATALCTOCTB").AsValue() == Campo("DATALCTOCTB").OldValue()))
    VerificaAtualizarDatasTransacao();
  if (GetUsaCentroCusto() && FPodeLancarGerencial) {
    FContaCtbDebOld = 0;
    FContaCtbCredOld = 0;
    FDataLctoCtbOld = TDateTime();
    FValorLctoCtbOld = 0;
    FComplHistOld.clear();
    if (dataSet.State() != TDataSetState::dsInsert) {
      FContaCtbDebOld = Campo("CONTACTBDEB").OldValue().AsFloat();
      FContaCtbCredOld = Campo("CONTACTBCRED").OldValue().AsFloat();
      FDataLctoCtbOld = DataDe(Campo("DATALCTOCTB").OldValue());
      FValorLctoCtbOld = Campo("VALORLCTOCTB").OldValue().AsFloat();
      FComplHistOld = Campo("COMPLHIST").OldValue().AsString();
    }
  }
  FClientOperantion = dataSet.State();
}

void TnCtbDMLctoCtb::nClientDataSetBeforeEdit(TnClientDataSet& dataSet) {
  const Value origemDado = Campo("ORIGEMDADO").AsValue();
  if (!origemDado.IsNull() && origemDado.AsInteger() == 5 && !FModoAnalitico && Tela()) {
    if (SimNao(kMsgAnalitico))
      throw EAbort();
  }
  TnDMClientDataSet::nClientDataSetBeforeEdit(dataSet);
}

void TnCtbDMLctoCtb::nClientDataSetBeforeDelete(TnClientDataSet& dataSet) {
  PegarConfigEmpresa();
  PegarConfigUsuario();
  ValidarAlteracaoLctoCtb();
  // The group itself goes when the provider deletes the entry.
  const bool grupoLCDPR = GetLancLCDPR(PegarCodigoEmpresa(), Campo("CHAVELCTOCTB").AsInteger());
  if (grupoLCDPR && !SimNao(kMsgLCDPR))
    throw EAbort();
  if (!Nutil::Trim(Campo("CHAVEORIGEM").AsString()).empty() && !AlterarChaveOrigem())
    throw Exception(kMsgExclusaoCancelada);
  if (dataSet.State() != TDataSetState::dsInsert)
    VerificarLimiteUsuario();
  PegarConfigLote();
  if (GetPertenceLote() && !GetAlteracaoLote())
    throw Exception(nCtbSLoteFechadoNaoPermiteAlteracao);
  TransacaoAntesExcluir();
  if (!grupoLCDPR)
    VerificaDeltarLancamentosTransacao();
  TnDMClientDataSet::nClientDataSetBeforeDelete(dataSet);
}

void TnCtbDMLctoCtb::CheckEditLock() {
  if (FControleEditLock)
    return;
  if (FOpcaoEditLock && Form() != nullptr && Form()->ClassName() == "TnFrmCadastro")
    Form()->SetEditLock(true);
  FControleEditLock = true;
}

// ---- Checks ----

void TnCtbDMLctoCtb::ValidarAlteracaoLctoCtb() {
  const Value estab = Campo("CODIGOESTAB").AsValue();
  if (!Nctbsfuncoes::PermiteAlterarLctoContabil(
          Conexao(), Campo("CHAVELCTOCTB").AsInteger(), PegarCodigoEmpresa(),
          estab.IsNull() ? std::nullopt : std::optional<int64_t>(estab.AsInteger()), TDateTime(),
          TDateTime()))
    throw Exception(kMsgConciliado);
}

void TnCtbDMLctoCtb::ValidarModeloIFRS() {
  if (!GetEhOptanteIFRS())
    return;
  TnDMSQLDataSet sql(&Conexao());
  const Value modelo = sql.PegarValorCampo(
      "OPCAOIFRSMODELO", "MODELOADOCAO",
      " CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(PegarCodigoEmpresa())) + " and " +
          Nutil::ValorParaSQL(Value(DataDe(Campo("DATALCTOCTB").AsValue())), TDbColumnKind::Date) +
          " between DATAINICIAL and DATAFINAL ");
  if (modelo.IsNull())
    throw EnField(kMsgModeloIFRS, "DATALCTOCTB");
}

bool TnCtbDMLctoCtb::ValidarContaVinculadaGrupoHisLcto() {
  // An entry without a history uses no group.
  if (Campo("CODIGOHISTCTB").IsNull())
    return true;
  std::string contas = "0;";
  for (const char* nome : {"CONTACTBDEB", "CONTACTBCRED"}) {
    if (!Campo(nome).IsNull())
      contas += std::to_string(Campo(nome).AsInteger()) + ";";
  }
  const std::string filtroContas = Nutilinclusao::FilterInterval(
      "CONTACTB", contas, Nutilinclusao::TTipoInclusao::tiNumerica, false, 0);
  const std::string grupo =
      Nutil::ValorParaSQL(EdFindValueDataSetLookup("CODIGOHISTCTB", "CODIGOGRUPOHISTCTB"));
  TnDMSQLDataSet sql(&Conexao());
  const std::string condicaoEmpresa =
      " CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(PegarCodigoEmpresa())) + " AND " +
      filtroContas;
  if (sql.PegarTemRegistro("PLESPGRHISTCTB", condicaoEmpresa))
    return sql.PegarTemRegistro("PLESPGRHISTCTB",
                                condicaoEmpresa + " AND CODIGOGRUPOHISTCTB = " + grupo);
  const Value padrao =
      sql.PegarValorCampo("CFGEMPRESACTB", "CODIGOPADRAO",
                          "CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(PegarCodigoEmpresa())));
  if (padrao.IsNull())
    return true;
  const std::string condicaoPadrao =
      " CODIGOPADRAO = " + Nutil::ValorParaSQL(padrao) + " AND " + filtroContas;
  if (sql.PegarTemRegistro("PLPADGRHISTCTB", condicaoPadrao))
    return sql.PegarTemRegistro("PLPADGRHISTCTB",
                                condicaoPadrao + " AND CODIGOGRUPOHISTCTB = " + grupo);
  return true;
}

bool TnCtbDMLctoCtb::ContaDePartidaDobrada(const Value& conta) {
  if (Importacao() || cdsContasDupla.IsEmpty() || conta.IsNull())
    return false;
  return cdsContasDupla.FindKey({Value(conta.AsFloat())});
}

bool TnCtbDMLctoCtb::EhProdutorRural() {
  int64_t empresa = 0;
  int64_t estab = 0;
  if (Nutil::EhHttpExe() || !nClientDataSet.Active()) {
    empresa = Selecao().CodigoEmpresa();
    estab = Selecao().CodigoEstab();
  } else {
    empresa = PegarCodigoEmpresa();
    estab = Campo("CODIGOESTAB").AsInteger();
  }
  if (empresa == 0)
    return false;
  TnDMSQLDataSet sql(&Conexao());
  const Value caepf = sql.PegarValorCampo(
      "ESTAB", "CAEPF",
      "CODIGOEMPRESA = " + std::to_string(empresa) + " and CODIGOESTAB = " + std::to_string(estab));
  return !caepf.IsNull() && caepf.AsInteger() == 2;
}

bool TnCtbDMLctoCtb::HistoricoAtivo() {
  const TField& historico = Campo("CODIGOHISTCTB");
  if (historico.AsValue() == historico.OldValue())
    return true;
  TnDMSQLDataSet sql(&Conexao());
  return sql.PegarTemRegistro(
      "HISTORICOCTB", "CODIGOHISTCTB",
      "CODIGOHISTCTB = " + Nutil::ValorParaSQL(historico.AsValue()) + " and STATUS = 0");
}

bool TnCtbDMLctoCtb::VerificarContaRateio(int64_t codigoEmpresa, const Value& conta,
                                          TDateTime data) {
  if (conta.IsNull() || !GetUsaCentroCusto() || data < GetDataInicialCentroCusto())
    return false;
  TnDMSQLDataSet sql(&Conexao());
  std::string classif = Nutil::Trim(
      sql.PegarValorCampo("PLANOESPEC", "CLASSIFCONTA",
                          " CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(codigoEmpresa)) +
                              " and CONTACTB = " + Nutil::ValorParaSQL(conta))
          .AsString());
  // ProcurarClassifRateio: the classification or the nearest group above it.
  while (!classif.empty()) {
    for (cdsGerecialGrupo.First(); !cdsGerecialGrupo.Eof(); cdsGerecialGrupo.Next()) {
      if (Nutil::Trim(cdsGerecialGrupo.Fields(0).AsString()) == classif)
        return true;
    }
    classif = Nctbsfuncoes_u::RetirarUltimoNivelClassificacao(classif);
  }
  return false;
}

int TnCtbDMLctoCtb::VerificarPorcentContaRateio(int64_t codigoEmpresa, int64_t conta) {
  const ValueArray chave = {Value(static_cast<double>(codigoEmpresa)),
                            Value(static_cast<double>(conta))};
  if (cdsPercentRatCta.FindKey(chave))
    return static_cast<int>(cdsPercentRatCta.FieldByName("PERCENTRAT").AsInteger());
  const Value soma = Conexao().ExecuteScalar(
      "select sum(PERCRATEIO) from RATCENTROCUSTO where CODIGOEMPRESA = " +
      std::to_string(codigoEmpresa) + " and CONTACTB = " + std::to_string(conta));
  const int percentual = soma.IsNull() ? 0 : static_cast<int>(soma.AsInteger());
  cdsPercentRatCta.AppendRecord({chave[0], chave[1], Value(percentual)});
  return percentual;
}

bool TnCtbDMLctoCtb::LctoRegistroFoiDuplicado(int64_t codigoEmpresa, int64_t chave) {
  TnDMSQLDataSet sql(&Conexao());
  return sql.PegarTemRegistro("LCTOCTB", "CODIGOEMPRESA = " + std::to_string(codigoEmpresa) +
                                             " and CHAVELCTOCTB = " + std::to_string(chave));
}

// ---- The user's posting window ----

void TnCtbDMLctoCtb::VerificarLimiteUsuario() {
  if (!GetUsuarioLimitado())
    return;
  if (!TemTela() || Importacao())
    VerificaSeEstaDentroLimiteUsu([this](TDateTime d) { return EstaDentroDoLimiteUsuCache(d); },
                                  TTipoFuncVerificaLimite::tfComCache);
  else
    VerificaSeEstaDentroLimiteUsu([this](TDateTime d) { return EstaDentroDoLimiteUsu(d); },
                                  TTipoFuncVerificaLimite::tfSemCache);
}

bool TnCtbDMLctoCtb::EstaDentroDoLimiteUsu(TDateTime data) {
  return ControleCtbLimiteUsuario().VerificarLimiteUsuario(PegarCodigoEmpresa(),
                                                           Conexao().CodigoUsuario(), data);
}

bool TnCtbDMLctoCtb::EstaDentroDoLimiteUsuCache(TDateTime data) {
  ControleCTB().SetCodigoEmpresa(PegarCodigoEmpresa());
  const std::optional<ValueArray>& cfg = ControleCTB().GetCFGEmpresaCtb();
  if (!cfg || (*cfg)[kCfgDataInicialLctoUsu].IsNull() || (*cfg)[kCfgDataFinalLctoUsu].IsNull())
    throw Exception(nCtbSPeriodoLancUsuNaoEspecificado);
  const TDateTime dia = DateOf(data);
  return DataDe((*cfg)[kCfgDataInicialLctoUsu]) <= dia &&
         dia <= DataDe((*cfg)[kCfgDataFinalLctoUsu]);
}

void TnCtbDMLctoCtb::VerificaSeEstaDentroLimiteUsu(const TFuncVerificaLimite& verificar,
                                                   TTipoFuncVerificaLimite tipo) {
  const TField& campo = Campo("DATALCTOCTB");
  const TDateTime nova = DataDe(campo.AsValue());
  const Value antigaValor = campo.OldValue();
  if (nClientDataSet.State() == TDataSetState::dsInsert || antigaValor.IsNull()) {
    if (!verificar(nova))
      throw EnField(GetMsgDataForaDoLimite(tipo), "DATALCTOCTB");
    return;
  }
  const TDateTime antiga = DataDe(antigaValor);
  const bool mudou = nova != antiga;
  if (mudou && verificar(antiga)) {
    if (!verificar(nova))
      throw EnField(GetMsgDataForaDoLimite(tipo), "DATALCTOCTB");
    return;
  }
  if (!verificar(antiga))
    throw EnField(
        mudou ? GetMsgDataForaDoLimiteDataAnterior(antiga, tipo) : GetMsgDataForaDoLimite(tipo),
        "DATALCTOCTB");
}

namespace {

void LimitesDoTipo(TTipoFuncVerificaLimite tipo, int64_t empresa, TDateTime& inicio,
                   TDateTime& fim) {
  if (tipo == TTipoFuncVerificaLimite::tfComCache) {
    ControleCTB().SetCodigoEmpresa(empresa);
    const std::optional<ValueArray>& cfg = ControleCTB().GetCFGEmpresaCtb();
    if (cfg) {
      inicio = DataDe((*cfg)[kCfgDataInicialLctoUsu]);
      fim = DataDe((*cfg)[kCfgDataFinalLctoUsu]);
    }
    return;
  }
  inicio = ControleCtbLimiteUsuario().GetDataInicialLimite();
  fim = ControleCtbLimiteUsuario().GetDataFinalLimite();
}

}  // namespace

std::string TnCtbDMLctoCtb::GetMsgDataForaDoLimite(TTipoFuncVerificaLimite tipo) {
  TDateTime inicio;
  TDateTime fim;
  LimitesDoTipo(tipo, PegarCodigoEmpresa(), inicio, fim);
  return nCtbS::Formatar(nCtbSDataLctoForaDoLimiteUsu, DateToStr(inicio), DateToStr(fim));
}

std::string TnCtbDMLctoCtb::GetMsgDataForaDoLimiteDataAnterior(TDateTime data,
                                                               TTipoFuncVerificaLimite tipo) {
  TDateTime inicio;
  TDateTime fim;
  LimitesDoTipo(tipo, PegarCodigoEmpresa(), inicio, fim);
  return nCtbS::Formatar(nCtbSDataLctoForaDoLimiteUsuData, DateToStr(inicio), DateToStr(fim),
                         DateToStr(data));
}

// ---- After an import ----

bool TnCtbDMLctoCtb::ValidarImportacao(TnListaMensagem* sender) {
  const bool resultado = TnDMClientDataSet::ValidarImportacao(sender);
  if (!resultado || !FVICDS)
    return resultado;
  TnClientDataSet& vi = *FVICDS;
  for (vi.First(); !vi.Eof(); vi.Next()) {
    const Currency debito = vi.FieldByName("VALORLCTOCTBDeb").AsCurrency();
    const Currency credito = vi.FieldByName("VALORLCTOCTBCred").AsCurrency();
    if (debito == credito || sender == nullptr)
      continue;
    sender->AddAviso("Diferença em: " + DateToStr(vi.FieldByName("DATALCTOCTB").AsDateTime()) +
                     " débito " + FormatFloat("#,##0.00", debito) + " crédito " +
                     FormatFloat("#,##0.00", credito) +
                     " diferença: " + FormatFloat("#,##0.00", debito - credito) +
                     " empresa: " + vi.FieldByName("CODIGOEMPRESA").AsString() +
                     " filial: " + vi.FieldByName("CODIGOESTAB").AsString());
  }
  FVICDS.reset();
  return resultado;
}
