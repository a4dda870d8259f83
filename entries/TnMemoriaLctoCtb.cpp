#include "entries/TnMemoriaLctoCtb.h"

#include "entries/TnConfigLctoCtb.h"

namespace nCtbDMLctoCtb_U {

int64_t ContaDe(const TField& field) {
  return field.IsNull() ? 0 : field.AsInteger();
}

}  // namespace nCtbDMLctoCtb_U

using nCtbDMLctoCtb_U::ContaDe;
using nCtbDMLctoCtb_U::DataDe;

void TnMemoriaLctoCtb::GuardarUltimo(const TnClientDataSet& registro) {
  auto campo = [&](const char* nome) -> const TField& { return registro.FieldByName(nome); };
  Ultimo.Preenchido = true;
  Ultimo.CodigoEmpresa = campo("CODIGOEMPRESA").AsInteger();
  Ultimo.CodigoEstab = campo("CODIGOESTAB").AsInteger();
  Ultimo.CodigoHistCtb = campo("CODIGOHISTCTB").AsValue();
  Ultimo.Complemento = campo("COMPLHIST").AsString();
  Ultimo.ContaCtbCred = campo("CONTACTBCRED").AsValue();
  Ultimo.ContaCtbDeb = campo("CONTACTBDEB").AsValue();
  Ultimo.DataLctoCtb = DataDe(campo("DATALCTOCTB").AsValue());
  Ultimo.Origem = campo("CODIGOORIGLCTOCTB").AsString();
  Ultimo.ValorLctoCtb = campo("VALORLCTOCTB").AsCurrency();
}

void TnMemoriaLctoCtb::GuardarAnterior(const TnClientDataSet& registro) {
  ContaDebAnterior = 0;
  ContaCredAnterior = 0;
  DataAnterior = TDateTime();
  ValorAnterior = Currency();
  if (registro.State() == TDataSetState::dsInsert)
    return;
  ContaDebAnterior = registro.FieldByName("CONTACTBDEB").OldValue().AsInteger();
  ContaCredAnterior = registro.FieldByName("CONTACTBCRED").OldValue().AsInteger();
  DataAnterior = DataDe(registro.FieldByName("DATALCTOCTB").OldValue());
  ValorAnterior = registro.FieldByName("VALORLCTOCTB").OldValue().AsCurrency();
}

bool TnMemoriaLctoCtb::AlterouData(const TnClientDataSet& registro) const {
  return Operacao == TDataSetState::dsEdit && !DataAnterior.IsZero() &&
         DataAnterior != DataDe(registro.FieldByName("DATALCTOCTB").AsValue());
}

bool TnMemoriaLctoCtb::AlterouContaDebito(const TnClientDataSet& registro) const {
  return Operacao == TDataSetState::dsEdit && ContaDebAnterior != 0 &&
         ContaDebAnterior != ContaDe(registro.FieldByName("CONTACTBDEB"));
}

bool TnMemoriaLctoCtb::AlterouContaCredito(const TnClientDataSet& registro) const {
  return Operacao == TDataSetState::dsEdit && ContaCredAnterior != 0 &&
         ContaCredAnterior != ContaDe(registro.FieldByName("CONTACTBCRED"));
}

bool TnMemoriaLctoCtb::AlterouValor(const TnClientDataSet& registro) const {
  return Operacao == TDataSetState::dsEdit && ValorAnterior != Currency() &&
         ValorAnterior != registro.FieldByName("VALORLCTOCTB").AsCurrency();
}
