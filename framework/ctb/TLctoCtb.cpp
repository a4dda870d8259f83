#include "framework/ctb/TLctoCtb.h"

#include <type_traits>

#include "framework/data/ClientDataSet.h"

namespace {

// The one map from columns to members, for reading and writing alike.
template <class Lcto, class F>
void PorCampo(Lcto& lcto, F&& campo) {
  campo("CODIGOEMPRESA", lcto.CodigoEmpresa);
  campo("CHAVELCTOCTB", lcto.ChaveLctoCtb);
  campo("CODIGOESTAB", lcto.CodigoEstab);
  campo("CODIGOLOTECTB", lcto.CodigoLoteCtb);
  campo("DATALCTOCTB", lcto.DataLctoCtb);
  campo("TIPOLANCAMENTO", lcto.TipoLancamento);
  campo("NUMERODCTO", lcto.NumeroDcto);
  campo("CODIGOORIGLCTOCTB", lcto.CodigoOrigLctoCtb);
  campo("CONTACTBDEB", lcto.ContaCtbDeb);
  campo("CONTACTBCRED", lcto.ContaCtbCred);
  campo("CODIGOHISTCTB", lcto.CodigoHistCtb);
  campo("COMPLHIST", lcto.ComplHist);
  campo("COTACAOMOEDA", lcto.CotacaoMoeda);
  campo("VALORLCTOMOEDA", lcto.ValorLctoMoeda);
  campo("VALORLCTOCTB", lcto.ValorLctoCtb);
  campo("TRANSCTB", lcto.TransCtb);
  campo("ORIGEMDADO", lcto.OrigemDado);
}

template <class T>
void Ler(const Value& valor, T& membro) {
  if (valor.IsNull())
    membro = T();
  else if constexpr (std::is_same_v<T, int>)
    membro = static_cast<int>(valor.AsInteger());
  else if constexpr (std::is_same_v<T, int64_t>)
    membro = valor.AsInteger();
  else if constexpr (std::is_same_v<T, TDateTime>)
    membro = DateOf(valor.AsDateTime());
  else if constexpr (std::is_same_v<T, std::string>)
    membro = valor.AsString();
  else if constexpr (std::is_same_v<T, Currency>)
    membro = valor.AsCurrency();
  else
    membro = TTaxaFixa::FromValue(valor);
}

// Amounts are written as they are; any other member at its "none" writes null.
template <class T>
Value Escrito(const T& membro) {
  if constexpr (std::is_same_v<T, Currency>)
    return Value(membro);
  else if (membro == T())
    return Value();
  else if constexpr (std::is_same_v<T, int>)
    return Value(int64_t{membro});
  else if constexpr (std::is_same_v<T, TTaxaFixa>)
    return Value(membro.ToDouble());
  else
    return Value(membro);
}

template <class Valor>
TLctoCtb Lido(const TnClientDataSet& cds, Valor&& valor) {
  TLctoCtb lcto;
  PorCampo(lcto, [&](const char* nome, auto& membro) {
    if (const TField* field = cds.FindField(nome))
      Ler(valor(*field), membro);
  });
  return lcto;
}

}  // namespace

TLctoCtb TLctoCtb::DoRegistro(const TnClientDataSet& cds) {
  return Lido(cds, [](const TField& field) { return field.AsValue(); });
}

TLctoCtb TLctoCtb::DoRegistroAnterior(const TnClientDataSet& cds) {
  return Lido(cds, [](const TField& field) { return field.OldValue(); });
}

void TLctoCtb::ParaRegistro(TnClientDataSet& cds) const {
  PorCampo(*this, [&](const char* nome, const auto& membro) {
    if (TField* field = cds.FindField(nome))
      field->SetValue(Escrito(membro));
  });
}
