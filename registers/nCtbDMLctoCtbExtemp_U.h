#pragma once
// The date on which an extemporaneous entry really happened (LCTOCTBEXTEMP):
// one row per journal entry, keyed by company and entry key. The journal
// screen opens it for the current entry (CarregarLctoCtb), handing over the
// company, the branch and the key.
//
// The date must fall before the start of the company's bookkeeping for the
// branch (CarregarDataInicioEscrituracao): an entry booked late is one whose
// fact belongs to a period the books had not started yet.

#include <cstdint>
#include <string>

#include "framework/app/TnAction.h"
#include "framework/app/TnDMClientDataSet.h"
#include "framework/core/TDateTime.h"

class TnCtbDMLctoCtbExtemp : public TnDMClientDataSet {
 public:
  static constexpr const char* kClassName = "TnCtbDMLctoCtbExtemp";
  static constexpr const char* kMensagemDataPosterior =
      "A data da ocorrência deve ser anterior à data de início da escrituração.";

  TnCtbDMLctoCtbExtemp();

  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);

  std::string ChavePrimaria() const override { return "CODIGOEMPRESA;CHAVELCTOCTB"; }
  std::string PegarVerificaSelecao() const override { return "CodigoEmpresa"; }
  void DepoisConfigurar(TnForm* form) override;
  void ValidarDado() override;

  // What the journal screen hands over.
  void SetCodigoEmpresa(int64_t valor) { FCodigoEmpresa = valor; }
  void SetCodigoEstab(int64_t valor) { FCodigoEstab = valor; }
  void SetChaveLctoCtb(int64_t valor) { FChaveLctoCtb = valor; }

  // Opens the data set on the handed-over entry's row, in edit; a new row
  // for the entry when it has none.
  void CarregarLctoCtb();
  // The first day of the books of the record's company and branch;
  // 31/12/1899 when the company has no bookkeeping option.
  TDateTime CarregarDataInicioEscrituracao();

 protected:
  void nClientDataSetAfterPost(TnClientDataSet& dataSet) override;
  void nClientDataSetCalcFields(TnClientDataSet& dataSet) override;

 private:
  // The record's branch: the handed-over one, else the entry's own.
  int64_t CodigoEstabRegistro();

  int64_t FCodigoEmpresa = 0;
  int64_t FCodigoEstab = 0;
  int64_t FChaveLctoCtb = 0;
};

// The stored fields of an extemporaneous date, shared with its
// consultation grid.
namespace nCtbLctoCtbExtemp {
void CriarCampos(TnClientDataSet& cds, bool chaveObrigatoria, const char* dicaData);
}
