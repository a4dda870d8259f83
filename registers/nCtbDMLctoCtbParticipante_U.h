#pragma once
// The participants (third parties) of an entry's two accounts
// (LCTOCTBPARTICIPANTE): one row per journal entry. The journal screen opens
// it for the current entry, handing over the company, the key, both
// accounts and whether each account changed since the last post.
//
// A participant must be one of the company's; when the account has
// participants linked to it in the chart (PLANOESPECPARTICIPANTE), one of
// those. An account that changed loses its participant the next time the
// screen opens (FiltrarChaveLctoCtb).

#include <cstdint>
#include <string>

#include "framework/app/TnAction.h"
#include "framework/app/TnDMClientDataSet.h"

class TnCtbDMLctoCtbParticipante : public TnDMClientDataSet {
 public:
  static constexpr const char* kClassName = "TnCtbDMLctoCtbParticipante";
  static constexpr const char* kMensagemParticipante = "Código do  Participante inválido!";

  TnCtbDMLctoCtbParticipante();

  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);

  std::string ChavePrimaria() const override { return "CODIGOEMPRESA;CHAVELCTOCTB"; }
  std::string PegarVerificaSelecao() const override { return "CodigoEmpresa"; }
  void DepoisConfigurar(TnForm* form) override;
  void ValidarDado() override;

  // What the journal screen hands over.
  void SetCodigoEmpresa(int64_t valor) { FCodigoEmpresa = valor; }
  void SetChaveLctoCtb(int64_t valor) { FChaveLctoCtb = valor; }
  void SetContaDebito(int64_t valor) { FContaDebito = valor; }
  void SetContaCredito(int64_t valor) { FContaCredito = valor; }
  void SetAlterouContaDebito(bool valor) { FAlterouContaDebito = valor; }
  void SetAlterouContaCredito(bool valor) { FAlterouContaCredito = valor; }

  // Shows the handed-over entry's row only; clears the participant of an
  // account that changed (and posts that), then leaves the row in edit (a
  // new one when the entry has none).
  void FiltrarChaveLctoCtb();

 protected:
  void nClientDataSetBeforeOpen(TnClientDataSet& dataSet) override;
  void nClientDataSetAfterPost(TnClientDataSet& dataSet) override;
  void nClientDataSetAfterCancel(TnClientDataSet& dataSet) override;

 private:
  // The dictionary and the lookup filter of one participant field, from
  // the participants linked to its account.
  void ConfigurarParticipante(const char* campo, int64_t conta);
  // The accounts of the record's entry: the handed-over ones for that
  // entry, else the entry's own.
  void CarregarContasRegistro(int64_t& debito, int64_t& credito);

  int64_t FCodigoEmpresa = 0;
  int64_t FChaveLctoCtb = 0;
  int64_t FContaDebito = 0;
  int64_t FContaCredito = 0;
  bool FAlterouContaDebito = false;
  bool FAlterouContaCredito = false;
};
