#pragma once
// Rates and percentages: a 64-bit count of hundred-millionths, the eight
// places the schema keeps them in (COTACAO.VALORCOTACAO, the apportionment
// PERCENTUAL columns). An amount meets a rate only through the functions
// below: they take the exact product or quotient of the two integers in 128
// bits and round it once, to the cent, by the rounding the caller names, so
// no double stands between a stored rate and the cent it gives.
//
// A rate read from the database arrives as a double (a NUMERIC with more
// places than Currency keeps) and is taken as the decimal it prints as with
// 15 significant digits, which holds every value the columns store.

#include <compare>
#include <cstdint>

#include "framework/core/Currency.h"
#include "framework/core/Decimal.h"
#include "framework/core/Value.h"

class TTaxaFixa {
 public:
  static constexpr int64_t kScale = 100'000'000;

  constexpr TTaxaFixa() = default;
  // Whole units: TTaxaFixa(100) is 100 %.
  constexpr explicit TTaxaFixa(int64_t units) : FRaw(units * kScale) {}

  static constexpr TTaxaFixa FromRaw(int64_t raw) {
    TTaxaFixa taxa;
    taxa.FRaw = raw;
    return taxa;
  }
  // Null reads as 0; a number is rounded to eight places half to even.
  static TTaxaFixa FromValue(const Value& value);

  constexpr int64_t Raw() const { return FRaw; }
  // For display and for a data set's rate field, which holds a double (its
  // 15 digits keep the eight places); never for arithmetic.
  double ToDouble() const { return static_cast<double>(FRaw) / kScale; }
  // Rounded to `places` decimals (0..8) by mode.
  TTaxaFixa Rounded(int places, TRoundMode mode) const;

  TTaxaFixa& operator+=(TTaxaFixa other);
  friend TTaxaFixa operator+(TTaxaFixa a, TTaxaFixa b) { return a += b; }
  friend constexpr auto operator<=>(TTaxaFixa a, TTaxaFixa b) = default;
  friend constexpr bool operator==(TTaxaFixa a, TTaxaFixa b) = default;

 private:
  int64_t FRaw = 0;
};

// valor × percentual / 100, exact: a count of cents over a fixed
// denominator, until Centavos rounds it.
class TParteExata {
 public:
  TParteExata(Currency valor, TTaxaFixa percentual);

  Currency Centavos(TRoundMode mode) const;
  // More than nothing and less than one cent (the share an apportionment
  // lifts to a cent).
  bool AbaixoDeUmCentavo() const { return FNumerador > 0 && FNumerador < kDenominador; }

 private:
  // Currency's ten-thousandths times the rate's hundred-millionths, over
  // 100 % and over the cent: 10^4 * 10^8 * 100 / 100.
  static constexpr Int128 kDenominador = Int128{1'000'000'000'000};
  Int128 FNumerador;
};

namespace TaxaFixa {

// valor × taxa rounded to the cent by mode.
Currency MultiplicarEmCentavos(Currency valor, TTaxaFixa taxa, TRoundMode mode);
// valor ÷ taxa rounded to the cent by mode; 0 when the rate is 0 (a share
// of nothing, as Nutil::Dividir).
Currency DividirEmCentavos(Currency valor, TTaxaFixa taxa, TRoundMode mode);

}  // namespace TaxaFixa
