#include "registers/nCtbDCOrigemLctoCtb_U.h"

namespace {

constexpr const char* kCaption = "Origem de Lançamento";

struct TMenuOrigem {
  TnModulo Modulo;
  const char* Categoria;
};

constexpr TMenuOrigem kMenus[] = {
    {TnModulo::nCtb, "01 Cadastros\\00 Consultas"},
    {TnModulo::nFis, "01 Cadastros\\07 Tabelas Contábeis\\00 Consultas\\00 Contabilidade"},
    {TnModulo::nFin, "01 Cadastros\\00 Consultas\\05 Contabilidade"},
};

}  // namespace

TnCtbDCOrigemLctoCtb::TnCtbDCOrigemLctoCtb() {
  SetSelectText(
      "Select t_t.CODIGOORIGLCTOCTB,t_t.DESCRORIGLCTOCTB from ORIGEMLCTOCTB t_t ORDER BY "
      "t_t.CodigoOrigLctoCtb");
  using T = TFieldType;
  TnClientDataSet& cds = nClientDataSet;
  cds.AddField("CODIGOORIGLCTOCTB", T::ftString, 2, true);
  TField& descricao = cds.AddField("DESCRORIGLCTOCTB", T::ftString, 50, true);
  descricao.SetDisplayLabel("Descrição");
  descricao.GetDefinicao().SetPropriedade(
      "Hint", "Informe uma descrição que identifica a origem dos lançamentos contábeis");
  cds.AddIndex("Descrição", "DESCRORIGLCTOCTB");
  cds.SetIndexFieldNames("CODIGOORIGLCTOCTB");
}

void TnCtbDCOrigemLctoCtb::GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                                            const TnConjuntoModulos& permitidos) {
  for (const TMenuOrigem& menu : kMenus)
    if (TnConjuntoModulos{menu.Modulo}.Intersecta(permitidos))
      AdicionarPrincAction(lista, kClassName, menu.Categoria, kCaption, handler);
}

void TnCtbDCOrigemLctoCtb::DepoisConfigurar(TnForm* form) {
  TnDMClientDataSet::DepoisConfigurar(form);
  if (form != nullptr)
    form->Caption = kCaption;
}
