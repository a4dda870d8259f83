#include "framework/core/TaxaFixa.h"

#include "framework/core/Exceptions.h"

namespace {

constexpr Int128 kCentavo = Currency::kScale / 100;

Int128 PotenciaDeDez(int expoente) {
  Int128 potencia = 1;
  for (int i = 0; i < expoente; ++i)
    potencia *= 10;
  return potencia;
}

int64_t Checked(Int128 raw) {
  if (raw > INT64_MAX || raw < INT64_MIN)
    throw EConvertError("Estouro na aritmética de moeda");
  return static_cast<int64_t>(raw);
}

// numerador / denominador cents (denominador > 0), rounded once.
Currency EmCentavos(Int128 numerador, Int128 denominador, TRoundMode mode) {
  return Currency::FromRaw(
      Checked(Decimal::DivideRounded(numerador, denominador, mode) * kCentavo));
}

}  // namespace

TTaxaFixa TTaxaFixa::FromValue(const Value& value) {
  switch (value.Type()) {
    case TValueType::Null:
      return TTaxaFixa();
    case TValueType::Integer:
      return FromRaw(Checked(static_cast<Int128>(value.AsInteger()) * kScale));
    case TValueType::Currency:
      return FromRaw(
          Checked(static_cast<Int128>(value.AsCurrency().Raw()) * (kScale / Currency::kScale)));
    default:
      return FromRaw(Decimal::Scale(value.AsFloat(), 8, TRoundMode::HalfEven));
  }
}

TTaxaFixa TTaxaFixa::Rounded(int places, TRoundMode mode) const {
  const Int128 divisor = PotenciaDeDez(8 - (places < 0 ? 0 : (places > 8 ? 8 : places)));
  return FromRaw(Checked(Decimal::DivideRounded(FRaw, divisor, mode) * divisor));
}

TTaxaFixa& TTaxaFixa::operator+=(TTaxaFixa other) {
  FRaw = Checked(static_cast<Int128>(FRaw) + other.FRaw);
  return *this;
}

TParteExata::TParteExata(Currency valor, TTaxaFixa percentual)
    : FNumerador(static_cast<Int128>(valor.Raw()) * percentual.Raw()) {}

Currency TParteExata::Centavos(TRoundMode mode) const {
  return EmCentavos(FNumerador, kDenominador, mode);
}

namespace TaxaFixa {

Currency MultiplicarEmCentavos(Currency valor, TTaxaFixa taxa, TRoundMode mode) {
  // ten-thousandths × hundred-millionths = 10^-12; a cent is 10^-2.
  return EmCentavos(static_cast<Int128>(valor.Raw()) * taxa.Raw(), PotenciaDeDez(10), mode);
}

Currency DividirEmCentavos(Currency valor, TTaxaFixa taxa, TRoundMode mode) {
  if (taxa.Raw() == 0)
    return Currency();
  // (v / 10^4) / (t / 10^8) units = v × 10^6 / t cents.
  Int128 numerador = static_cast<Int128>(valor.Raw()) * PotenciaDeDez(6);
  Int128 denominador = taxa.Raw();
  if (denominador < 0) {
    numerador = -numerador;
    denominador = -denominador;
  }
  return EmCentavos(numerador, denominador, mode);
}

}  // namespace TaxaFixa
