#include "activities/nCtbDMLctoAtivDiferenc_U.h"

#include "framework/app/Ndialogs.h"
#include "framework/app/NutilAmbiente.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/FormatFloat.h"
#include "framework/core/Nutil.h"
#include "framework/db/NutilSql.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"
#include "managerial/nCtbLctoGerUtil.h"

namespace {

constexpr const char* kCaption = "Detalhamento de Atividades";
constexpr const char* kFormatoValor = "#,##0.00";

// The fields of an activity row, for the register and the consultation.
void CriarCamposAtividade(TnClientDataSet& cds) {
  using T = TFieldType;
  cds.AddField("CODIGOEMPRESA", T::ftSmallint, 0, true).SetVisible(false);
  cds.AddField("CHAVELCTOCTB", T::ftInteger, 0, true).SetVisible(false);
  cds.AddField("CONTACTB", T::ftLargeint, 0, true).SetVisible(false);
  cds.AddField("CODIGOATIVDIF", T::ftLargeint, 0, true).SetDisplayLabel("Atividade");
  TField& natureza = cds.AddField("NATURLCTOCTB", T::ftSmallint, 0, true);
  natureza.SetVisible(false);
  natureza.SetDisplayLabel("Natureza");
  natureza.GetDefinicao().SetPropriedade("Items", "Débito=1\nCrédito=-1");
  cds.AddField("DATALCTOCTB", T::ftDate, 0, true).SetVisible(false);
  TField& valor = cds.AddField("VALORLCTOATIV", T::ftBCD, 0, true);
  valor.SetPrecision(18);
  valor.SetScale(2);
  valor.SetDisplayLabel("Valor");
  TField& origem = cds.AddField("ORIGEMDADO", T::ftSmallint, 0, true);
  origem.SetVisible(false);
  origem.SetReadOnly(true);
}

TDateTime DataOuZero(const Value& valor) {
  return valor.IsNull() ? TDateTime() : DateOf(valor.AsDateTime());
}

}  // namespace

TnCtbDMLctoAtivDiferenc::TnCtbDMLctoAtivDiferenc() {
  SetSelectText(kSelect);
  CriarCamposAtividade(nClientDataSet);
  nSQLDataSet.SetCommandText(kSelect);
  Campo("VALORLCTOATIV").GetDefinicao().OnEnter = [this](TField& f) {
    nClientDataSetVALORLCTOATIVDefIntEnter(f);
  };
}

void TnCtbDMLctoAtivDiferenc::GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                                               const TnConjuntoModulos& permitidos) {
  if (!TnConjuntoModulos{TnModulo::nCtb}.Intersecta(permitidos))
    return;
  TnAction& acao = AdicionarPrincAction(lista, kClassName, "Movimentos", kCaption, handler);
  acao.SetIndex(10);
  acao.SetControlaDireito(false);
}

void TnCtbDMLctoAtivDiferenc::DepoisConfigurar(TnForm* form) {
  TnDMClientDataSet::DepoisConfigurar(form);
  if (form == nullptr)
    return;
  form->Caption = kCaption;
  form->AddOnCloseQuery([this](TnForm&) { return CadastroOnCloseQuery(); });
  if (form->Actions().Find("actRefazLctoAtivAuto") == nullptr)
    form->CriarAction("actRefazLctoAtivAuto", "Refaz rateio automático", "F6",
                      [this](TnAction&) { actRefazLctoAtivAutoExecute(); })
        .SetHint("Refazer lançamentos com rateio automático");
}

void TnCtbDMLctoAtivDiferenc::Refresh() {
  TnDMClientDataSet::Refresh();
  AtualizarFiltroChaveLctoCtb(FInfoLctoCtb);
  MostrarTotais();
}

void TnCtbDMLctoAtivDiferenc::AtualizarFiltroChaveLctoCtb(const TInfoLctoCtb& info) {
  FInfoLctoCtb = info;
  auto valor = [&](const Value& v) {
    return CarregarDetalhesDinamicamente() ? Nutil::ValorParaSQL(v) : Nutil::ValorParaFiltro(v);
  };
  const std::string filtro = "CHAVELCTOCTB = " + valor(Value(info.Lcto.ChaveLctoCtb)) +
                             " and NATURLCTOCTB = " + valor(Value(info.Natureza)) +
                             " and CONTACTB = " + valor(Value(info.ContaCtb()));
  if (filtro == nClientDataSet.Filter() && nClientDataSet.Filtered())
    return;
  nClientDataSet.DisableControls();
  nClientDataSet.SetFiltered(false);
  // The rows of the side as stored now: what the service wrote since is seen.
  nClientDataSet.EmptyDataSet();
  FetchRegistros(
      "CODIGOEMPRESA = :pAtivEmpresa and CHAVELCTOCTB = :pAtivChave and NATURLCTOCTB = "
      ":pAtivNatureza and CONTACTB = :pAtivConta",
      {{"pAtivEmpresa", Value(info.Lcto.CodigoEmpresa)},
       {"pAtivChave", Value(info.Lcto.ChaveLctoCtb)},
       {"pAtivNatureza", Value(info.Natureza)},
       {"pAtivConta", Value(info.ContaCtb())}});
  nClientDataSet.SetFilter(filtro);
  nClientDataSet.SetFiltered(true);
  nClientDataSet.EnableControls();
}

void TnCtbDMLctoAtivDiferenc::ValidarDado() {
  if (!Importacao() && !Nutil::EhHttp()) {
    using nCtbLctoGerUtil::Gravar;
    Gravar(Campo("CODIGOEMPRESA"), Value(FInfoLctoCtb.Lcto.CodigoEmpresa));
    Gravar(Campo("CHAVELCTOCTB"), Value(FInfoLctoCtb.Lcto.ChaveLctoCtb));
    Gravar(Campo("CONTACTB"), Value(FInfoLctoCtb.ContaCtb()));
    Gravar(Campo("DATALCTOCTB"), Value(DateOf(FInfoLctoCtb.Lcto.DataLctoCtb)));
    Gravar(Campo("NATURLCTOCTB"), Value(FInfoLctoCtb.Natureza));
    Gravar(Campo("ORIGEMDADO"), Value(2));
  }
  ValidarAtividade();
  TnDMClientDataSet::ValidarDado();
}

void TnCtbDMLctoAtivDiferenc::ValidarAtividade() {
  TnDMSQLDataSet sql(&Conexao());
  const TField& atividade = Campo("CODIGOATIVDIF");
  const std::string condicaoAtividade = Nutil::ValorParaSQL(Campo("CODIGOEMPRESA"), "=", true) +
                                        " AND " + Nutil::ValorParaSQL(atividade, "=", true);
  // The activity's validity; an activity the register does not have is
  // refused below.
  const ValueArray validade =
      sql.PegarValorCampos("ATIVDIFERENC", "DATAINICIAL;DATAFINAL", condicaoAtividade);
  const TDateTime data = DataOuZero(Campo("DATALCTOCTB").AsValue());
  if (!validade.empty()) {
    if (DataOuZero(validade[0]) > data)
      throw EnField("Data de início da atividade é superior a data do lançamento!", "DATALCTOCTB");
    if (DataOuZero(validade[1]) < data)
      throw EnField("Atividade descontinuada na data do lançamento", "DATALCTOCTB");
  }
  std::string chave;
  for (const char* nome :
       {"CODIGOEMPRESA", "CHAVELCTOCTB", "CONTACTB", "CODIGOATIVDIF", "NATURLCTOCTB"})
    Nutil::Add(chave, Nutil::ValorParaSQL(Campo(nome), "=", true), " AND ");
  if (nClientDataSet.State() != TDataSetState::dsEdit &&
      !sql.PegarValorCampo("LCTOATIVDIFERENC", "CODIGOATIVDIF", chave).IsNull())
    throw Exception("Atividade " + atividade.AsString() +
                    " já relacionada ao Lançamento Contábil " + Campo("CHAVELCTOCTB").AsString() +
                    "!");
  if (!atividade.IsNull() &&
      sql.PegarValorCampo("ATIVDIFERENC ", "DESCRATIVDIF", condicaoAtividade).IsNull())
    throw Exception("Atividade " + atividade.AsString() + " não cadastrada!");
}

void TnCtbDMLctoAtivDiferenc::nClientDataSetVALORLCTOATIVDefIntEnter(TField& sender) {
  if (!sender.IsNull())
    return;
  sender.SetAsCurrency(Nutil::RoundValor(FInfoLctoCtb.Lcto.ValorLctoCtb - FValorLctoAtiv, 2));
  SelecionarConteudo(sender);
}

void TnCtbDMLctoAtivDiferenc::nClientDataSetAfterPost(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetAfterPost(dataSet);
  MostrarTotais();
}

void TnCtbDMLctoAtivDiferenc::nClientDataSetAfterDelete(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetAfterDelete(dataSet);
  MostrarTotais();
}

void TnCtbDMLctoAtivDiferenc::CalcularTotais() {
  if (Importacao() || !nClientDataSet.Active())
    return;
  const TBookmark atual = nClientDataSet.IsEmpty() ? -1 : nClientDataSet.GetBookmark();
  Currency soma;
  for (nClientDataSet.First(); !nClientDataSet.Eof(); nClientDataSet.Next())
    soma += Campo("VALORLCTOATIV").AsCurrency();
  if (atual >= 0 && nClientDataSet.BookmarkValid(atual))
    nClientDataSet.GotoBookmark(atual);
  FValorLctoAtiv = soma;
}

void TnCtbDMLctoAtivDiferenc::MostrarTotais() {
  CalcularTotais();
  FTextoValorLctoAtiv = FormatFloat(kFormatoValor, FValorLctoAtiv);
  FTextoDiferenca = FormatFloat(kFormatoValor, FInfoLctoCtb.Lcto.ValorLctoCtb - FValorLctoAtiv);
}

void TnCtbDMLctoAtivDiferenc::MostrarParams() {
  MostrarTotais();
}

bool TnCtbDMLctoAtivDiferenc::CadastroOnCloseQuery() {
  const Currency diferenca = Nutil::RoundValor(FValorLctoAtiv - FInfoLctoCtb.Lcto.ValorLctoCtb, 2);
  if (diferenca == Currency())
    return true;
  return Ndialogs::nConfirmar("Existe uma diferença de R$ " + FormatFloat("0.00", diferenca) +
                              " dos lançamentos de atividades em relação ao lançamento "
                              "contábil!\r\nConfirma?");
}

void TnCtbDMLctoAtivDiferenc::DoDepoisCriarFiltroAtividade(void* /*sender*/, std::string& filtro) {
  if (!FCdsAtividades)
    return;
  TnClientDataSet& plano = *FCdsAtividades;
  std::string codigos;
  for (plano.First(); !plano.Eof(); plano.Next())
    if (TServicoAtividade::VigenteNaData(plano, FInfoLctoCtb.Lcto.DataLctoCtb))
      codigos += " CODIGOATIVDIF = " +
                 Nutil::ValorParaSQL(Value(plano.FieldByName("CODIGOATIVDIF").AsInteger())) +
                 " or ";
  if (codigos.empty())
    return;
  codigos = "(" + codigos.substr(0, codigos.size() - 4) + ")";
  filtro = filtro.empty() ? codigos : filtro + " and " + codigos;
}

void TnCtbDMLctoAtivDiferenc::actRefazLctoAtivAutoExecute() {
  if (Ndialogs::nMessageDlg("Deseja refazer os lançamentos automáticos?",
                            TMsgDlgType::mtConfirmation, BotoesSimNao()) != kBtnSim)
    return;
  TServicoAtividade::ExcluirLancamentosAutomaticos(FInfoLctoCtb);
  TServicoAtividade::GerarLancamentosAutomaticos(FInfoLctoCtb);
  nClientDataSet.SetFilter("");
  AtualizarFiltroChaveLctoCtb(FInfoLctoCtb);
  MostrarTotais();
}

// ---- Consultation ----

TnCtbDCLctoAtivDiferenc::TnCtbDCLctoAtivDiferenc() {
  SetSelectText(
      "Select t_t.CODIGOEMPRESA,t_t.CHAVELCTOCTB,t_t.CONTACTB,t_t.CODIGOATIVDIF,t_t.NATURLCTOCTB,"
      "t_t.DATALCTOCTB,t_t.VALORLCTOATIV,t_t.ORIGEMDADO from LCTOATIVDIFERENC t_t");
  CriarCamposAtividade(nClientDataSet);
  nClientDataSet.SetIndexFieldNames("CODIGOEMPRESA;CHAVELCTOCTB;CODIGOATIVDIF");
}

void TnCtbDCLctoAtivDiferenc::GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                                               const TnConjuntoModulos& permitidos) {
  if (!TnConjuntoModulos{TnModulo::nCtb}.Intersecta(permitidos))
    return;
  AdicionarPrincAction(lista, kClassName, std::string("Movimentos") + '\0' + " Consulta", kCaption,
                       handler);
}
