#include "registers/nCtbDMLctoCtbParticipante_U.h"

#include "framework/core/Nutil.h"
#include "framework/db/NutilSql.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"
#include "registers/nCtbRegistrosComum.h"

namespace {

constexpr const char* kCaption = "Lançamentos Contábeis - Participantes";
constexpr const char* kCamposParticipante[] = {"CODIGOPARTDEB", "CODIGOPARTCRED"};

// The participants linked to the account in the company's chart.
std::string CondicaoContaParticipante(int64_t empresa, int64_t conta) {
  return " CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(empresa)) +
         " and CONTACTB   = " + Nutil::ValorParaSQL(Value(conta));
}

}  // namespace

TnCtbDMLctoCtbParticipante::TnCtbDMLctoCtbParticipante() {
  SetSelectText(
      "Select t_t.CODIGOEMPRESA,t_t.CHAVELCTOCTB,t_t.CODIGOPARTDEB,t_t.CODIGOPARTCRED from "
      "LCTOCTBPARTICIPANTE t_t ORDER BY t_t.CODIGOEMPRESA,t_t.CHAVELCTOCTB");
  RegistrarDicionarioLookup("CODIGOPART", {"PARTICIPANTE", "CODIGOEMPRESA;CODIGOPART", "NOMEPART"});
  RegistrarDicionarioLookup("CODIGOPARTPLANOESPEC",
                            {"PLANOESPECPARTICIPANTE", "CODIGOEMPRESA;CODIGOPART", "CODIGOPART"});
  using T = TFieldType;
  TnClientDataSet& cds = nClientDataSet;
  nCtbRegistrosComum::CriarCampoEmpresa(cds, false);
  TField& chave = cds.AddField("CHAVELCTOCTB", T::ftInteger);
  chave.SetDisplayLabel("Lançamento");
  nCtbRegistrosComum::LigarLctoCtb(chave);
  cds.AddField("CODIGOPARTDEB", T::ftSmallint).SetDisplayLabel("Participante Débito");
  cds.AddField("CODIGOPARTCRED", T::ftSmallint).SetDisplayLabel("Participante Crédito");
  for (const char* nome : kCamposParticipante) {
    TnFieldDefinicao& definicao = cds.FieldByName(nome).GetDefinicao();
    definicao.SetLinkFields(std::string("CODIGOEMPRESA;") + nome);
    definicao.SetPropriedade("ValidarLookup", Value(true));
    definicao.SetPropriedade("MensagemLookup", kMensagemParticipante);
  }
  cds.SetIndexFieldNames("CODIGOEMPRESA;CHAVELCTOCTB");
}

void TnCtbDMLctoCtbParticipante::GerarPrincAction(TnActionList& lista,
                                                  const TnActionHandler& handler,
                                                  const TnConjuntoModulos& permitidos) {
  if (TnConjuntoModulos{TnModulo::nCtb}.Intersecta(permitidos))
    AdicionarPrincAction(lista, kClassName, "02 Movimentos", kCaption, handler);
}

void TnCtbDMLctoCtbParticipante::ConfigurarParticipante(const char* campo, int64_t conta) {
  const int64_t empresa = FCodigoEmpresa != 0 ? FCodigoEmpresa : PegarCodigoEmpresa();
  const std::string condicaoConta = CondicaoContaParticipante(empresa, conta);
  TnDMSQLDataSet sql(&Conexao());
  const bool vinculados = sql.PegarTemRegistro("PLANOESPECPARTICIPANTE", condicaoConta);
  TnFieldDefinicao& definicao = nClientDataSet.FieldByName(campo).GetDefinicao();
  definicao.SetDicionarioLookup(vinculados ? "CODIGOPARTPLANOESPEC" : "CODIGOPART");
  definicao.SetPropriedade(
      "FiltroLookup",
      vinculados ? condicaoConta : " CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(empresa)));
}

void TnCtbDMLctoCtbParticipante::nClientDataSetBeforeOpen(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetBeforeOpen(dataSet);
  ConfigurarParticipante("CODIGOPARTDEB", FContaDebito);
  ConfigurarParticipante("CODIGOPARTCRED", FContaCredito);
}

void TnCtbDMLctoCtbParticipante::DepoisConfigurar(TnForm* form) {
  TnDMClientDataSet::DepoisConfigurar(form);
  if (form != nullptr)
    form->Caption = kCaption;
  if (TnFraField* chave = EdFindFieldControl(nClientDataSet.FieldByName("CHAVELCTOCTB")))
    chave->Enabled = false;
}

void TnCtbDMLctoCtbParticipante::CarregarContasRegistro(int64_t& debito, int64_t& credito) {
  const TField& chave = nClientDataSet.FieldByName("CHAVELCTOCTB");
  if (!chave.IsNull() && chave.AsInteger() == FChaveLctoCtb) {
    debito = FContaDebito;
    credito = FContaCredito;
    return;
  }
  TnDMSQLDataSet sql(&Conexao());
  const ValueArray contas =
      sql.PegarValorCampos("LCTOCTB", "CONTACTBDEB;CONTACTBCRED",
                           Nutil::ValorParaSQL(nClientDataSet.FieldByName("CODIGOEMPRESA"), "=") +
                               " and " + Nutil::ValorParaSQL(chave, "="));
  debito = contas.empty() ? 0 : contas[0].AsInteger();
  credito = contas.empty() ? 0 : contas[1].AsInteger();
}

void TnCtbDMLctoCtbParticipante::ValidarDado() {
  // The lookups of the record's own accounts: a row typed for another entry
  // than the one handed over is checked against that entry's accounts.
  int64_t debito = 0, credito = 0;
  CarregarContasRegistro(debito, credito);
  ConfigurarParticipante("CODIGOPARTDEB", debito);
  ConfigurarParticipante("CODIGOPARTCRED", credito);
  TnDMClientDataSet::ValidarDado();
}

void TnCtbDMLctoCtbParticipante::FiltrarChaveLctoCtb() {
  TnClientDataSet& cds = nClientDataSet;
  if (!cds.Active())
    Abrir();
  cds.SetFiltered(false);
  cds.SetFilter("    CODIGOEMPRESA = " + Nutil::ValorParaFiltro(Value(FCodigoEmpresa)) +
                " and CHAVELCTOCTB = " + Nutil::ValorParaFiltro(Value(FChaveLctoCtb)));
  cds.SetFiltered(true);
  if (!cds.IsEmpty()) {
    if (FAlterouContaDebito || FAlterouContaCredito) {
      cds.Edit();
      if (FAlterouContaDebito)
        cds.FieldByName("CODIGOPARTDEB").Clear();
      if (FAlterouContaCredito)
        cds.FieldByName("CODIGOPARTCRED").Clear();
      cds.Post();
    }
    cds.Edit();
  } else {
    cds.Append();
  }
  cds.FieldByName("CODIGOEMPRESA").SetAsInteger(FCodigoEmpresa);
  cds.FieldByName("CHAVELCTOCTB").SetAsInteger(FChaveLctoCtb);
}

void TnCtbDMLctoCtbParticipante::nClientDataSetAfterPost(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetAfterPost(dataSet);
  if (Form() != nullptr)
    VerificarClose();
}

void TnCtbDMLctoCtbParticipante::nClientDataSetAfterCancel(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetAfterCancel(dataSet);
  if (Form() != nullptr)
    VerificarClose();
}
