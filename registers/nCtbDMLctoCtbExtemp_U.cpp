#include "registers/nCtbDMLctoCtbExtemp_U.h"

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/db/NutilSql.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"
#include "registers/nCtbRegistrosComum.h"

namespace {

constexpr const char* kSelect =
    "Select t_t.CODIGOEMPRESA,t_t.CHAVELCTOCTB,t_t.DATAEXTEMP from LCTOCTBEXTEMP t_t ORDER BY "
    "t_t.CODIGOEMPRESA,t_t.CHAVELCTOCTB";

// The start of the books: the option rows in date order, the last one
// counting; a centralised book keeps its options on branch 1.
constexpr const char* kSqlInicioEscrituracao =
    "SELECT DATAINIGER   FROM OPCAOSPEDCTBDET  WHERE CODIGOEMPRESA = :pEmpresa    AND CODIGOESTAB "
    "= CASE WHEN TIPOESCRITURACAO = 1 THEN 1 ELSE :pCodigoEstab END  ORDER BY DATAOPCAO ";

}  // namespace

namespace nCtbLctoCtbExtemp {

void CriarCampos(TnClientDataSet& cds, bool chaveObrigatoria, const char* dicaData) {
  using T = TFieldType;
  nCtbRegistrosComum::CriarCampoEmpresa(cds, true);
  TField& chave = cds.AddField("CHAVELCTOCTB", T::ftInteger, 0, chaveObrigatoria);
  chave.SetDisplayLabel("Sequência");
  nCtbRegistrosComum::LigarLctoCtb(chave);
  TField& data = cds.AddField("DATAEXTEMP", T::ftDate, 0, true);
  data.SetDisplayLabel("Data da Ocorrência");
  data.GetDefinicao().SetPropriedade("Hint", dicaData);
}

}  // namespace nCtbLctoCtbExtemp

TnCtbDMLctoCtbExtemp::TnCtbDMLctoCtbExtemp() {
  SetSelectText(kSelect);
  nCtbLctoCtbExtemp::CriarCampos(nClientDataSet, true, "Informe a Data da Ocorrência");
  TField& estab = nClientDataSet.AddCalcField("CODIGOESTAB", TFieldType::ftInteger, 0);
  estab.SetVisible(false);
  nClientDataSet.SetIndexFieldNames("CODIGOEMPRESA;CHAVELCTOCTB");
}

void TnCtbDMLctoCtbExtemp::GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                                            const TnConjuntoModulos& permitidos) {
  if (!TnConjuntoModulos{TnModulo::nCtb}.Intersecta(permitidos))
    return;
  AdicionarPrincAction(lista, kClassName, "02 Movimentos",
                       "Data Ocorrência do Lançamento Extemporâneo", handler)
      .SetMenuItem(false);
}

void TnCtbDMLctoCtbExtemp::DepoisConfigurar(TnForm* form) {
  TnDMClientDataSet::DepoisConfigurar(form);
  if (form != nullptr)
    form->Caption = " Data da Ocorrência do Lançamento Extemporâneo";
}

void TnCtbDMLctoCtbExtemp::CarregarLctoCtb() {
  TnClientDataSet& cds = nClientDataSet;
  if (!cds.Active())
    Abrir();
  if (cds.FindKey({Value(FCodigoEmpresa), Value(FChaveLctoCtb)})) {
    cds.Edit();
    return;
  }
  cds.Append();
  cds.FieldByName("CODIGOEMPRESA").SetAsInteger(FCodigoEmpresa);
  cds.FieldByName("CHAVELCTOCTB").SetAsInteger(FChaveLctoCtb);
}

int64_t TnCtbDMLctoCtbExtemp::CodigoEstabRegistro() {
  if (FCodigoEstab != 0)
    return FCodigoEstab;
  TnDMSQLDataSet sql(&Conexao());
  return sql
      .PegarValorCampo("LCTOCTB", "CODIGOESTAB",
                       Nutil::ValorParaSQL(nClientDataSet.FieldByName("CODIGOEMPRESA"), "=") +
                           " and " +
                           Nutil::ValorParaSQL(nClientDataSet.FieldByName("CHAVELCTOCTB"), "="))
      .AsInteger();
}

TDateTime TnCtbDMLctoCtbExtemp::CarregarDataInicioEscrituracao() {
  TDbResult linhas = Conexao().ExecuteQuery(
      kSqlInicioEscrituracao,
      {{"pEmpresa", Value(nClientDataSet.FieldByName("CODIGOEMPRESA").AsInteger())},
       {"pCodigoEstab", Value(CodigoEstabRegistro())}});
  if (linhas.Rows.empty() || linhas.Rows.back().at(0).IsNull())
    return EncodeDate(1899, 12, 31);
  return DateOf(linhas.Rows.back().at(0).AsDateTime());
}

void TnCtbDMLctoCtbExtemp::ValidarDado() {
  TnDMClientDataSet::ValidarDado();
  const TField& data = nClientDataSet.FieldByName("DATAEXTEMP");
  if (DateOf(data.AsDateTime()) >= CarregarDataInicioEscrituracao())
    throw EnField(kMensagemDataPosterior, "DATAEXTEMP");
}

void TnCtbDMLctoCtbExtemp::nClientDataSetAfterPost(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetAfterPost(dataSet);
  if (Form() != nullptr)
    VerificarClose();
}

void TnCtbDMLctoCtbExtemp::nClientDataSetCalcFields(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetCalcFields(dataSet);
  if (FCodigoEstab != 0)
    dataSet.FieldByName("CODIGOESTAB").SetAsInteger(FCodigoEstab);
}
