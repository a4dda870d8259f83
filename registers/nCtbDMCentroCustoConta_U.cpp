#include "registers/nCtbDMCentroCustoConta_U.h"

#include <fmt/format.h>

#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/core/Nutilinclusao.h"
#include "framework/db/NutilSql.h"
#include "framework/db/TnDMSQLDataSet.h"
#include "registers/nCtbRegistrosComum.h"

namespace {

using Nutilinclusao::TTipoInclusao;

constexpr const char* kCaption = "Centros de Custo da Conta Contábil";
constexpr const char* kSelect =
    "Select t_t.CODIGOEMPRESA,t_t.CONTACTB,t_t.CENTROSCUSTO from CENTROCUSTOCONTA t_t "
    "ORDER BY t_t.CODIGOEMPRESA,t_t.CONTACTB";
// The analytic type of both an account (PLANOESPEC) and a cost centre.
constexpr int64_t kTipoAnalitico = 2;

}  // namespace

TnCtbDMCentroCustoConta::TnCtbDMCentroCustoConta() {
  SetSelectText(kSelect);
  using T = TFieldType;
  TnClientDataSet& cds = nClientDataSet;
  nCtbRegistrosComum::CriarCampoEmpresa(cds, true);
  cds.AddField("CONTACTB", T::ftLargeint, 0, true).SetDisplayLabel("Conta Contábil");
  TField& centros = cds.AddField("CENTROSCUSTO", T::ftString, 1000, true);
  centros.SetDisplayLabel("Centros de Custo");
  centros.GetDefinicao().SetPropriedade(
      "Hint", "Informe os centros de custo que a conta aceita: 201;202;300-399");
  cds.SetIndexFieldNames("CODIGOEMPRESA;CONTACTB");
}

void TnCtbDMCentroCustoConta::GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                                               const TnConjuntoModulos& permitidos) {
  if (TnConjuntoModulos{TnModulo::nCtb}.Intersecta(permitidos))
    AdicionarPrincAction(lista, kClassName, "01 Cadastros", kCaption, handler);
}

void TnCtbDMCentroCustoConta::DepoisConfigurar(TnForm* form) {
  TnDMClientDataSet::DepoisConfigurar(form);
  if (form != nullptr)
    form->Caption = kCaption;
}

void TnCtbDMCentroCustoConta::ValidarDado() {
  TnDMClientDataSet::ValidarDado();
  const std::string empresa =
      Nutil::ValorParaSQL(nClientDataSet.FieldByName("CODIGOEMPRESA").AsValue());
  TnDMSQLDataSet sql(&Conexao());
  const Value tipoConta = sql.PegarValorCampo(
      "PLANOESPEC", "TIPOCONTA",
      "CODIGOEMPRESA = " + empresa + " and CONTACTB = " +
          Nutil::ValorParaSQL(nClientDataSet.FieldByName("CONTACTB").AsValue()));
  if (tipoConta.IsNull() || tipoConta.AsInteger() != kTipoAnalitico)
    throw EnField(fmt::format("A conta {} não é uma conta analítica do plano da empresa {}.",
                              nClientDataSet.FieldByName("CONTACTB").AsString(),
                              nClientDataSet.FieldByName("CODIGOEMPRESA").AsString()),
                  "CONTACTB");
  std::vector<Nutilinclusao::TItemInclusao> itens;
  try {
    itens = Nutilinclusao::LerInclusao(nClientDataSet.FieldByName("CENTROSCUSTO").AsString(),
                                       TTipoInclusao::tiNumerica);
  } catch (const Exception& erro) {
    throw EnField(erro.Message(), "CENTROSCUSTO");
  }
  if (itens.empty())
    throw EnField("Informe ao menos um centro de custo.", "CENTROSCUSTO");
  // An interval may span codes the company lacks; a code named alone must be
  // one it can split on.
  for (const Nutilinclusao::TItemInclusao& item : itens) {
    if (item.Intervalo)
      continue;
    const Value tipo = sql.PegarValorCampo(
        "CENTROCUSTO", "TIPOCENTROCUSTO",
        "CODIGOEMPRESA = " + empresa +
            " and CODIGOCENTROCUSTO = " + Nutil::ValorParaSQL(Value(item.NumInicial)));
    if (tipo.IsNull() || tipo.AsInteger() != kTipoAnalitico)
      throw EnField(
          fmt::format("O centro de custo {} não é um centro de custo analítico da "
                      "empresa {}.",
                      item.NumInicial, nClientDataSet.FieldByName("CODIGOEMPRESA").AsString()),
          "CENTROSCUSTO");
  }
}
