#include "framework/data/filter/FilterExpression.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "framework/core/TDateTime.h"

namespace {

using TRow = std::map<std::string, Value>;

// An entry row with every field type the filters meet.
TRow EntryRow() {
  return {
      {"CODIGOEMPRESA", Value(1)},
      {"CHAVELCTOCTB", Value(int64_t{987654})},
      {"IDSYN", Value(int64_t{9007199254740993})},
      {"CONTACTB", Value(1234)},
      {"NATURLCTOCTB", Value(-1)},
      {"VALORLCTOCTB", Value(Currency::FromString("150.50"))},
      {"TAXA", Value(0.25)},
      {"DATALCTOCTB", Value(EncodeDate(2025, 3, 10))},
      {"TIPOLANCAMENTO", Value("LS")},
      {"NOME", Value("ABCDEF")},
      {"CLASSIFCONTA", Value("1.2.03")},
      {"COMPLHIST", Value("Pagto d'água")},
      {"ATIVO", Value(true)},
      {"OBS", Value()},
      {"CODIGOGRUPOHISTCTB", Value(7)},
  };
}

// Parses, resolves the names against the row (a missing field fails the
// test), and matches.
bool Matches(const std::string& text, const TRow& row) {
  auto expression = TFilterExpression::Parse(text);
  std::vector<Value> values;
  for (const auto& name : expression->FieldNames()) {
    auto it = row.find(name);
    EXPECT_NE(it, row.end()) << "field " << name << " of " << text;
    values.push_back(it == row.end() ? Value() : it->second);
  }
  return expression->Matches([&](size_t i) { return values.at(i); });
}

struct TCase {
  const char* Text;
  bool Expected;
};

void RunTable(const std::vector<TCase>& cases, const TRow& row) {
  for (const auto& c : cases) {
    try {
      EXPECT_EQ(Matches(c.Text, row), c.Expected) << c.Text;
    } catch (const EFilterError& e) {
      ADD_FAILURE() << c.Text << ": " << e.what();
    }
  }
}

}  // namespace

TEST(FilterExpression, ComparesFieldsWithLiteralsOfEveryType) {
  RunTable(
      {
          {"CODIGOEMPRESA = 1", true},
          {"CODIGOEMPRESA <> 1", false},
          {"CONTACTB > 1233", true},
          {"CONTACTB >= 1234", true},
          {"CONTACTB < 1234", false},
          {"CONTACTB <= 1234", true},
          {"NATURLCTOCTB = -1", true},
          {"NATURLCTOCTB = - 1", true},
          {"NATURLCTOCTB > -2", true},
          {"VALORLCTOCTB = 150.5", true},
          {"VALORLCTOCTB = 150.50", true},
          {"VALORLCTOCTB > 150.4999", true},
          {"VALORLCTOCTB = 150", false},
          {"TAXA = 0.25", true},
          {"TAXA < 0.250000001", true},
          {"CONTACTB = 1234.0", true},
          {"CONTACTB = '1234'", true},
          {"TIPOLANCAMENTO = 'LS'", true},
          {"TIPOLANCAMENTO = 'ls'", false},
          {"TIPOLANCAMENTO > 'LN'", true},
          {"COMPLHIST = 'Pagto d''água'", true},
          {"DATALCTOCTB = '10/03/2025'", true},
          {"DATALCTOCTB = '2025-03-10'", true},
          {"DATALCTOCTB > '09/03/2025'", true},
          {"DATALCTOCTB >= '2025-03-11'", false},
          {"'2025-03-11' > DATALCTOCTB", true},
          {"ATIVO = true", true},
          {"ATIVO = FALSE", false},
          {"ATIVO", true},
          {"not ATIVO", false},
          {"CODIGOEMPRESA < CONTACTB", true},
          {"CONTACTB = CODIGOEMPRESA", false},
          {"[NOME] = 'ABCDEF'", true},
          {"[ nome ] = 'ABCDEF'", true},
          {"nome = 'ABCDEF'", true},
          {"CHAVELCTOCTB = 987654", true},
          // a key beyond the money range against amounts: exact, no overflow
          {"IDSYN > 150.5", true},
          {"IDSYN = 9007199254740993", true},
          {"IDSYN > 9007199254740992", true},
          {"IDSYN > VALORLCTOCTB", true},
          {"-9007199254740993 < VALORLCTOCTB", true},
          {"CONTACTB = 12345678901234567890", false},
      },
      EntryRow());
}

TEST(FilterExpression, KeywordsIgnoreCaseAndBindNotThenAndThenOr) {
  TRow row = {{"A", Value(1)}, {"B", Value(2)}, {"C", Value(3)}};
  RunTable(
      {
          // and binds tighter than or, whichever side the or is on
          {"A = 1 or B = 0 and C = 0", true},
          {"A = 0 and B = 0 or C = 3", true},
          {"(A = 1 or B = 0) and C = 0", false},
          {"A = 0 and (B = 0 or C = 3)", false},
          // not takes one condition, not the rest of the chain
          {"not A = 0 and B = 2", true},
          {"not A = 1 or B = 2", true},
          {"not (A = 1 or B = 2)", false},
          {"NOT A = 2", true},
          {"not not A = 1", true},
          {"A = 1 AND B = 2 Or C = 0", true},
          {"a = 1 and b = 2 and c = 3 and not c = 4", true},
          {"((A = 1)) and (((B = 2)))", true},
          {"A=1and B=2", true},
          {"A in (0, 1) and B between 2 and 3 and C = 3", true},
          {"A between 0 and 2 or C = 9", true},
          // Shapes the modules write: padding, a keyword glued to a number,
          // doubled blanks and nested groups.
          {"    A = 1 and B = 2", true},
          {" A = 1and B   = 2", true},
          {"( A = 0 or  A = 1)", true},
          {"A > 0 and ((B = 7) or (B = 2))", true},
          {"A > 0 and (C in (1, 3))", true},
          {"(A = 2) or (A is null)", false},
      },
      row);
}

TEST(FilterExpression, NullComparesFalseAndNotOfThatIsTrue) {
  TRow row = {{"OBS", Value()}, {"N", Value()}, {"A", Value(1)}};
  RunTable(
      {
          {"OBS = 'x'", false},
          {"OBS <> 'x'", false},
          {"OBS < 'x'", false},
          {"not OBS = 'x'", true},
          {"not (OBS <> 'x')", true},
          {"OBS = null", false},
          {"A = null", false},
          {"A <> null", false},
          {"OBS = N", false},
          {"OBS is null", true},
          {"OBS IS NOT NULL", false},
          {"A is null", false},
          {"A is not null", true},
          {"not OBS is null", false},
          {"OBS in ('x', null)", false},
          {"A in (null, 1)", true},
          {"OBS not in ('x')", true},
          {"OBS like '%'", false},
          {"OBS not like 'x%'", true},
          {"N between 0 and 2", false},
          {"A between null and 2", false},
          {"OBS = 'AB*'", false},
          {"OBS <> 'AB*'", false},
          {"(OBS = 'x') or (OBS is null)", true},
          {"N", false},
          {"not N", true},
          {"upper(OBS) = ''", false},
          {"year(N) is null", true},
      },
      row);
}

TEST(FilterExpression, InLikeBetweenAndPrefixPatterns) {
  RunTable(
      {
          {"TIPOLANCAMENTO in ('LN', 'LS')", true},
          {"TIPOLANCAMENTO in ('LN','LF')", false},
          {"TIPOLANCAMENTO not in ('LN', 'LF')", true},
          {"CONTACTB in (1, 1234.0, 5)", true},
          {"CONTACTB in (CODIGOEMPRESA, CODIGOGRUPOHISTCTB)", false},
          {"DATALCTOCTB in ('2025-03-10')", true},
          {"NOME like 'ABC%'", true},
          {"NOME like 'abc%'", false},
          {"NOME like '%DEF'", true},
          {"NOME like '%CD%'", true},
          {"NOME like 'A_C%'", true},
          {"NOME like 'A_D%'", false},
          {"NOME like '______'", true},
          {"NOME like '_____'", false},
          {"NOME like 'A%B%F'", true},
          {"NOME like '%%F'", true},
          {"NOME like 'ABCDEF'", true},
          {"NOME not like 'X%'", true},
          {"COMPLHIST like 'Pagto d''_gua'", true},
          {"CLASSIFCONTA like '1.2.%'", true},
          {"CLASSIFCONTA like '1.3.%'", false},
          {"DATALCTOCTB like '%/03/2025'", true},
          {"NOME = 'AB*'", true},
          {"NOME = 'ABCDEF*'", true},
          {"NOME = 'ABCDEFG*'", false},
          {"NOME = 'ab*'", false},
          {"NOME = '*'", true},
          {"'AB*' = NOME", true},
          {"NOME <> 'AB*'", false},
          {"NOME <> 'X*'", true},
          {"NOME >= 'ABCDEF*'", false},
          {"CONTACTB between 1000 and 2000", true},
          {"CONTACTB between 1234 and 1234", true},
          {"CONTACTB not between 1000 and 1233", true},
          {"DATALCTOCTB between '01/03/2025' and '31/03/2025'", true},
          {"DATALCTOCTB between '2025-03-11' and '2025-03-31'", false},
      },
      EntryRow());
}

TEST(FilterExpression, FunctionsOnTextsAndDates) {
  TRow row = {{"NOME", Value("  João da Silva ")},
              {"D", Value(EncodeDate(2024, 2, 29))},
              {"T", Value("2023-12-31")}};
  RunTable(
      {
          {"upper(NOME) = '  JOÃO DA SILVA '", true},
          {"LOWER(NOME) = '  joão da silva '", true},
          {"trim(NOME) = 'João da Silva'", true},
          {"upper(trim(NOME)) like 'JOÃO%'", true},
          {"substring(trim(NOME), 1, 3) = 'Joã'", true},
          {"substring(trim(NOME), 9, 5) = 'Silva'", true},
          {"substring(trim(NOME), 9) = 'Silva'", true},
          {"substring(trim(NOME), 0, 2) = 'J'", true},
          {"substring(trim(NOME), 50, 2) = ''", true},
          {"substring(trim(NOME), -5, 2) = ''", true},
          {"substring(trim(NOME), 2, -1) = ''", true},
          {"year(D) = 2024 and month(D) = 2 and day(D) = 29", true},
          {"year(T) = 2023 and month(T) = 12", true},
          {"year(NOME) is null", true},
          {"D < getdate()", true},
          {"year(getdate()) >= 2025", true},
      },
      row);
}

TEST(FilterExpression, FieldNamesAreUpperCasedOnceInOrderOfAppearance) {
  auto expression = TFilterExpression::Parse(
      "contactb = 1 and [Data Saldo] > '01/01/2025' or (CONTACTB = CodigoEmpresa and "
      "upper(nome) like 'A%') or [CONTACTB] is null");
  EXPECT_EQ(expression->FieldNames(),
            (std::vector<std::string>{"CONTACTB", "DATA SALDO", "CODIGOEMPRESA", "NOME"}));
  EXPECT_TRUE(TFilterExpression::Parse("1 = 1")->FieldNames().empty());
}

TEST(FilterExpression, BlankTextLetsEveryRowPass) {
  for (const char* text : {"", "   ", "\t\r\n"}) {
    auto expression = TFilterExpression::Parse(text);
    EXPECT_TRUE(expression->FieldNames().empty());
    EXPECT_TRUE(expression->Matches([](size_t) { return Value(); }));
  }
}

TEST(FilterExpression, MalformedTextNamesThePositionInPortuguese) {
  struct TErrorCase {
    const char* Text;
    size_t Position;
    const char* Detail;
  };
  const std::vector<TErrorCase> cases = {
      {"(A = 1", 7, "')' esperado"},
      {"A = 1)", 6, "')' sem '(' correspondente"},
      {"A = ", 5, "valor esperado"},
      {"A = 1 B = 2", 7, "'and' ou 'or' esperado"},
      {"A = 'abc", 5, "texto sem o apóstrofo de fechamento"},
      {"A = 1 and ()", 12, "valor esperado"},
      {"X > 0 and ()", 12, "valor esperado"},
      {"A # 1", 3, "caractere inválido '#'"},
      {"A = 1,5", 6, "'and' ou 'or' esperado"},
      {"A in 1", 6, "'(' esperado"},
      {"A in ()", 7, "valor esperado"},
      {"A in (1, 2", 11, "')' esperado"},
      {"A is 1", 6, "'null' esperado"},
      {"A not = 1", 7, "'in', 'like' ou 'between' esperado"},
      {"A between 1 or 2", 13, "'and' esperado"},
      {"A = -B", 6, "número esperado"},
      {"[A = 1", 7, "']' esperado"},
      {"[ ] = 1", 1, "nome de campo vazio"},
      {"foo(A) = 1", 1, "função desconhecida 'foo'"},
      {"substring(A, 'x') = 1", 14, "número inteiro esperado"},
      {"upper(A, B) = 1", 8, "')' esperado"},
      {"substring(A, 1, 9223372036854775807) = 1", 17, "número fora do intervalo"},
      {"A = 1 and 5", 11, "condição esperada"},
      {"'x'", 1, "condição esperada"},
      {"A = (B = 1)", 5, "valor esperado"},
      {"and = 1", 1, "valor esperado"},
      {"A = 1 and", 10, "valor esperado"},
      {"A = \"x\"", 5, "caractere inválido '\"'"},
  };
  for (const auto& c : cases) {
    try {
      TFilterExpression::Parse(c.Text);
      ADD_FAILURE() << c.Text << " parsed";
    } catch (const EFilterError& e) {
      EXPECT_EQ(e.Position(), c.Position) << c.Text;
      EXPECT_EQ(e.Message(),
                "Filtro inválido na posição " + std::to_string(c.Position) + ": " + c.Detail)
          << c.Text;
    }
  }
}

TEST(FilterExpression, DeepNestingIsRefusedBeforeTheStackRunsOut) {
  const int limit = TFilterExpression::kMaxDepth;
  std::string atLimit = std::string(limit, '(') + "A = 1" + std::string(limit, ')');
  EXPECT_TRUE(Matches(atLimit, {{"A", Value(1)}}));
  std::string tooDeep = std::string(limit + 1, '(') + "A = 1" + std::string(limit + 1, ')');
  EXPECT_THROW(TFilterExpression::Parse(tooDeep), EFilterError);
  EXPECT_THROW(TFilterExpression::Parse(std::string(100000, '(')), EFilterError);
  std::string nots;
  for (int i = 0; i < 100000; ++i)
    nots += "not ";
  EXPECT_THROW(TFilterExpression::Parse(nots + "A = 1"), EFilterError);
  std::string functions;
  for (int i = 0; i < 100000; ++i)
    functions += "upper(";
  EXPECT_THROW(TFilterExpression::Parse(functions), EFilterError);
}

TEST(FilterExpression, LongChainsOfTermsStayFlat) {
  std::string text = "A = 0";
  for (int i = 1; i < 20000; ++i)
    text += " or A = " + std::to_string(i);
  EXPECT_TRUE(Matches(text, {{"A", Value(19999)}}));
  EXPECT_FALSE(Matches(text, {{"A", Value(20000)}}));
}
