#include "framework/core/Nutilinclusao.h"

#include <gtest/gtest.h>

#include "framework/core/Exceptions.h"

using Nutilinclusao::FilterInterval;
using Nutilinclusao::TTipoInclusao;

namespace {

struct TCasoInclusao {
  const char* Expressao;
  TTipoInclusao Tipo;
  const char* Condicao;  // bare condition on column C
};

constexpr auto kNum = TTipoInclusao::tiNumerica;
constexpr auto kTxt = TTipoInclusao::tiTexto;

}  // namespace

TEST(Nutilinclusao, TurnsListsAndIntervalsIntoTheConditionOfTheColumn) {
  const TCasoInclusao casos[] = {
      {"5", kNum, "C = 5"},
      {" 5 ", kNum, "C = 5"},
      {"1;3", kNum, "C in (1, 3)"},
      {"1,3", kNum, "C in (1, 3)"},
      {"3;1;2", kNum, "C in (3, 1, 2)"},
      {"0;123;456;", kNum, "C in (0, 123, 456)"},
      {";;7;;", kNum, "C = 7"},
      {"1;1;2;1", kNum, "C in (1, 2)"},
      {"007", kNum, "C = 7"},
      {"5-9", kNum, "C between 5 and 9"},
      {"5 - 9", kNum, "C between 5 and 9"},
      {"4-4", kNum, "C = 4"},
      {"-1", kNum, "C = -1"},
      {"-5--2", kNum, "C between -5 and -2"},
      {"1;3;5-9", kNum, "(C in (1, 3) or C between 5 and 9)"},
      {"5-9;1", kNum, "(C = 1 or C between 5 and 9)"},
      {"1-2;8-9", kNum, "(C between 1 and 2 or C between 8 and 9)"},
      {"1-2;1-2", kNum, "C between 1 and 2"},
      {"9223372036854775807", kNum, "C = 9223372036854775807"},
      {"CP", kTxt, "C = 'CP'"},
      {"CP;FI", kTxt, "C in ('CP', 'FI')"},
      {"1.1.01;2", kTxt, "C in ('1.1.01', '2')"},
      {"AA-AZ", kTxt, "C between 'AA' and 'AZ'"},
      {"D'Avila", kTxt, "C = 'D''Avila'"},
      {"'A-B'", kTxt, "C = 'A-B'"},
      {"'D''Avila', 'X;Y'", kTxt, "C in ('D''Avila', 'X;Y')"},
      {"'A','B'", kTxt, "C in ('A', 'B')"},
      {"-", kTxt, "C = '-'"},
  };
  for (const auto& caso : casos) {
    EXPECT_EQ(FilterInterval("C", caso.Expressao, caso.Tipo, false, 0), caso.Condicao)
        << caso.Expressao;
  }
  // The items behind the condition, repeats dropped.
  auto itens = Nutilinclusao::LerInclusao("10;2-4;10", kNum);
  ASSERT_EQ(itens.size(), 2u);
  EXPECT_FALSE(itens[0].Intervalo);
  EXPECT_EQ(itens[0].NumInicial, 10);
  EXPECT_TRUE(itens[1].Intervalo);
  EXPECT_EQ(itens[1].NumInicial, 2);
  EXPECT_EQ(itens[1].NumFinal, 4);
}

TEST(Nutilinclusao, LeadsWithAndAndIndentOnlyWhenAskedAndNotForNothing) {
  EXPECT_EQ(FilterInterval("L.CODIGOESTAB", "1;2", kNum), " and L.CODIGOESTAB in (1, 2)");
  EXPECT_EQ(FilterInterval("CODIGOEMPRESA", "3", kNum, true, 5), "     and CODIGOEMPRESA = 3");
  EXPECT_EQ(FilterInterval("C", "3", kNum, false, 1), " C = 3");
  EXPECT_EQ(FilterInterval("C", "3", kNum, true, 0), "and C = 3");
  // An empty expression adds nothing, not even the "and".
  for (const char* vazia : {"", "   ", ";", " ; , ;"}) {
    EXPECT_EQ(FilterInterval("C", vazia, kNum, true, 1), "") << '"' << vazia << '"';
    EXPECT_EQ(FilterInterval("C", vazia, kTxt, true, 1), "") << '"' << vazia << '"';
  }
}

TEST(Nutilinclusao, RefusesMalformedExpressionsNamingTheBadItem) {
  struct TCasoErro {
    const char* Expressao;
    TTipoInclusao Tipo;
    const char* Motivo;  // after "Expressão de inclusão inválida: "
  };
  const TCasoErro casos[] = {
      {"1;abc;3", kNum, "\"abc\" não é um código numérico."},
      {"1.5", kNum, "\"1.5\" não é um código numérico."},
      {"'7'", kNum, "\"'7'\" não é um código numérico."},
      {"5-x", kNum, "\"5-x\" não é um código numérico."},
      {"99999999999999999999", kNum, "\"99999999999999999999\" não é um código numérico."},
      {"9-5", kNum, "no intervalo \"9-5\" o código inicial é maior que o final."},
      {"5-", kNum, "o intervalo \"5-\" está incompleto."},
      {"B-A", kTxt, "no intervalo \"B-A\" o código inicial é maior que o final."},
      {"A;'B", kTxt, "aspas sem fechamento em \"'B\"."},
      {"'B'C;D", kTxt, "texto após as aspas em \"'B'C\"."},
  };
  for (const auto& caso : casos) {
    try {
      FilterInterval("C", caso.Expressao, caso.Tipo);
      ADD_FAILURE() << "aceitou " << caso.Expressao;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), std::string("Expressão de inclusão inválida: ") + caso.Motivo);
    }
  }
}
