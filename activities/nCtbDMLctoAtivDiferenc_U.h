#pragma once
// The activity rows of one journal-entry side: the grid register behind the
// "Detalhamento de Atividades" screen the journal-entry screen opens for the
// side the user is on (TInfoLctoCtb, set by AtualizarFiltroChaveLctoCtb).
//
// Typed rows get ORIGEMDADO 2; the redo action deletes the side's rows of
// the plan's activities and generates them again (TServicoAtividade).

#include <memory>
#include <string>

#include "activities/nCtbServicoAtividade_U.h"
#include "framework/app/TnAction.h"
#include "framework/app/TnDMClientDataSet.h"

class TnCtbDMLctoAtivDiferenc : public TnDMClientDataSet {
 public:
  static constexpr const char* kClassName = "TnCtbDMLctoAtivDiferenc";
  static constexpr const char* kSelect =
      "Select t_t.CODIGOEMPRESA,t_t.CHAVELCTOCTB,t_t.CONTACTB,t_t.CODIGOATIVDIF,t_t.NATURLCTOCTB,"
      "t_t.DATALCTOCTB,t_t.VALORLCTOATIV,t_t.ORIGEMDADO from LCTOATIVDIFERENC t_t ORDER BY "
      "t_t.CodigoEmpresa,t_t.ChaveLctoCtb,t_t.CodigoAtivDif";

  // DataModuleCreate.
  TnCtbDMLctoAtivDiferenc();

  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);

  std::string ChavePrimaria() const override {
    return "CODIGOEMPRESA;CHAVELCTOCTB;CONTACTB;NATURLCTOCTB;CODIGOATIVDIF";
  }
  std::string PegarVerificaSelecao() const override {
    return "CodigoEmpresa;DataLctoCtb_MAIORIGUAL;DataLctoCtb_MENORIGUAL";
  }
  bool PegarTipoObjeto() const override { return true; }
  void DepoisConfigurar(TnForm* form) override;
  void ValidarDado() override;
  void Refresh() override;

  // The plan's activities the side may take (the opener hands them over,
  // TServicoAtividade::GetAtividades); nullptr until then.
  void SetCdsAtividades(std::unique_ptr<TnClientDataSet> atividades) {
    FCdsAtividades = std::move(atividades);
  }
  TnClientDataSet* GetCdsAtividades() const { return FCdsAtividades.get(); }
  // Shows the side's rows only, fetching them when they are not loaded.
  void AtualizarFiltroChaveLctoCtb(const TInfoLctoCtb& info);
  const TInfoLctoCtb& InfoLctoCtb() const { return FInfoLctoCtb; }
  // The side as AtualizarFiltroChaveLctoCtb sets it, without reading its
  // rows: for a lookup of a side not saved yet.
  void SetInfoLctoCtb(const TInfoLctoCtb& info) { FInfoLctoCtb = info; }
  void ValidarAtividade();
  void CalcularTotais();
  void MostrarTotais();
  void MostrarParams();
  Currency GetValorLctoAtiv() const { return FValorLctoAtiv; }
  // "Valor Lançado" and "Valor Restante" as the panel shows them.
  const std::string& TextoValorLctoAtiv() const { return FTextoValorLctoAtiv; }
  const std::string& TextoDiferenca() const { return FTextoDiferenca; }
  bool CadastroOnCloseQuery();
  // The activity lookup offers only the plan's activities in force on the
  // entry's date: their codes join `filtro` (or make it).
  void DoDepoisCriarFiltroAtividade(void* sender, std::string& filtro);
  void actRefazLctoAtivAutoExecute();

  void nClientDataSetVALORLCTOATIVDefIntEnter(TField& sender);

 protected:
  void nClientDataSetAfterPost(TnClientDataSet& dataSet) override;
  void nClientDataSetAfterDelete(TnClientDataSet& dataSet) override;

 private:
  TField& Campo(const char* nome) const { return nClientDataSet.FieldByName(nome); }

  TInfoLctoCtb FInfoLctoCtb;
  std::unique_ptr<TnClientDataSet> FCdsAtividades;
  Currency FValorLctoAtiv;
  std::string FTextoValorLctoAtiv;
  std::string FTextoDiferenca;
};

// The read-only consultation grid over every activity row.
class TnCtbDCLctoAtivDiferenc : public TnDMClientDataSet {
 public:
  static constexpr const char* kClassName = "TnCtbDCLctoAtivDiferenc";
  TnCtbDCLctoAtivDiferenc();
  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);
};
