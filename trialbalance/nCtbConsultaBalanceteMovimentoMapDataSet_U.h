#pragma once
// The fields of a balance data set that the trial balance reads, bound by
// name once per data set: the account balance process's result or the
// managerial (cost-centre) one. Filial and CodigoCentroCusto exist only in
// some of them and stay null when absent.

#include "framework/data/FieldMapper.h"

struct TMapCdsSaldoPlano {
  TField* CodigoEstab = nullptr;
  TField* Filial = nullptr;
  TField* SintFilial = nullptr;
  TField* CodigoCentroCusto = nullptr;
  TField* ContaCtb = nullptr;
  TField* TipoConta = nullptr;
  TField* ClassifConta = nullptr;
  TField* DataSaldo = nullptr;
  TField* DescrConta = nullptr;
  TField* SaldoAnterior = nullptr;
  TField* Debito = nullptr;
  TField* Credito = nullptr;
  TField* Movimento = nullptr;
  TField* SaldoAtual = nullptr;
  TField* SemSaldoMov = nullptr;

  Nfieldmapper_u::TFieldBindings Bindings();

  // Binds every member to `dataSet`'s fields (Exception for a missing
  // required one).
  void Mapear(const TnClientDataSet& dataSet);
};
