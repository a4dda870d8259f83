#include "framework/core/Nutilfiltro_u.h"

#include <gtest/gtest.h>

#include "framework/core/Exceptions.h"

using Nutilfiltro_u::FiltroEntre;
using Nutilfiltro_u::TTipoCampoFiltro;

TEST(Nutilfiltro_u, BoundsGiveBetweenOrOneSidedConditions) {
  struct TCaso {
    Value Inicial;
    Value Final;
    TTipoCampoFiltro Tipo;
    const char* Condicao;
  };
  const TCaso casos[] = {
      {Value("01/02/2024"), Value("29/02/2024"), TTipoCampoFiltro::tcData,
       " and E between '2024-02-01' and '2024-02-29'"},
      {Value("2024-02-01"), Value(), TTipoCampoFiltro::tcData, " and E >= '2024-02-01'"},
      {Value(), Value("29/02/2024"), TTipoCampoFiltro::tcData, " and E <= '2024-02-29'"},
      {Value("  "), Value("29/02/2024"), TTipoCampoFiltro::tcData, " and E <= '2024-02-29'"},
      {Value(EncodeDateTime(2024, 2, 1, 13, 5, 0)), Value(), TTipoCampoFiltro::tcData,
       " and E >= '2024-02-01'"},
      {Value(EncodeDateTime(2024, 2, 1, 13, 5, 7)), Value(EncodeDate(2024, 2, 2)),
       TTipoCampoFiltro::tcDataHora,
       " and E between '2024-02-01 13:05:07' and '2024-02-02 00:00:00'"},
      {Value(10), Value(20), TTipoCampoFiltro::tcInteiro, " and E between 10 and 20"},
      {Value("7"), Value(), TTipoCampoFiltro::tcInteiro, " and E >= 7"},
      {Value(1.5), Value(2.25), TTipoCampoFiltro::tcDecimal, " and E between 1.5 and 2.25"},
      {Value("A"), Value("D'Z"), TTipoCampoFiltro::tcTexto, " and E between 'A' and 'D''Z'"},
      {Value(5), Value(5), TTipoCampoFiltro::tcInteiro, " and E between 5 and 5"},
  };
  for (const auto& caso : casos) {
    EXPECT_EQ(FiltroEntre("E", caso.Inicial, caso.Final, caso.Tipo), caso.Condicao)
        << caso.Condicao;
  }
  // No bound, no condition; without "and" the condition is bare.
  EXPECT_EQ(FiltroEntre("E", Value(), Value(), TTipoCampoFiltro::tcData), "");
  EXPECT_EQ(FiltroEntre("E", Value(""), Value(" "), TTipoCampoFiltro::tcData), "");
  EXPECT_EQ(FiltroEntre("cast(L.DATAHORALCTOCTB as date)", Value("01/03/2024"), Value(),
                        TTipoCampoFiltro::tcData, false),
            "cast(L.DATAHORALCTOCTB as date) >= '2024-03-01'");
}

TEST(Nutilfiltro_u, RefusesAnInvertedRangeAndBoundsThatAreNotOfTheType) {
  try {
    FiltroEntre("E", Value("10/03/2024"), Value("01/03/2024"), TTipoCampoFiltro::tcData);
    ADD_FAILURE() << "aceitou um intervalo invertido";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(),
              "Intervalo inválido: o valor inicial '2024-03-10' é maior que o valor final "
              "'2024-03-01'.");
  }
  // The same dates written the other way round compare as dates, not as texts.
  EXPECT_NO_THROW(
      FiltroEntre("E", Value("02/01/2024"), Value("01/02/2024"), TTipoCampoFiltro::tcData));
  EXPECT_THROW(FiltroEntre("E", Value("31/02/2024"), Value(), TTipoCampoFiltro::tcData),
               EConvertError);
  EXPECT_THROW(FiltroEntre("E", Value("x"), Value(), TTipoCampoFiltro::tcInteiro), EConvertError);
}
