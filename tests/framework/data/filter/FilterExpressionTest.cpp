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

// Every text parses and matches the row exactly when `expected`.
void ExpectMatches(const TRow& row, bool expected, std::initializer_list<const char*> texts) {
  for (const char* text : texts) {
    try {
      EXPECT_EQ(Matches(text, row), expected) << text;
    } catch (const EFilterError& e) {
      ADD_FAILURE() << text << ": " << e.what();
    }
  }
}

}  // namespace

TEST(FilterExpression, ComparesFieldsWithLiteralsOfEveryType) {
  ExpectMatches(
      EntryRow(), true,
      {"CODIGOEMPRESA = 1", "CONTACTB > 1233", "CONTACTB >= 1234", "CONTACTB <= 1234",
       "NATURLCTOCTB = -1", "NATURLCTOCTB = - 1", "NATURLCTOCTB > -2", "VALORLCTOCTB = 150.5",
       "VALORLCTOCTB = 150.50", "VALORLCTOCTB > 150.4999", "TAXA = 0.25", "TAXA < 0.250000001",
       "CONTACTB = 1234.0", "CONTACTB = '1234'", "TIPOLANCAMENTO = 'LS'", "TIPOLANCAMENTO > 'LN'",
       "COMPLHIST = 'Pagto d''água'", "DATALCTOCTB = '10/03/2025'", "DATALCTOCTB = '2025-03-10'",
       "DATALCTOCTB > '09/03/2025'", "'2025-03-11' > DATALCTOCTB", "ATIVO = true", "ATIVO",
       "CODIGOEMPRESA < CONTACTB", "[NOME] = 'ABCDEF'", "[ nome ] = 'ABCDEF'", "nome = 'ABCDEF'",
       "CHAVELCTOCTB = 987654",
       // a key beyond the money range against amounts: exact, no overflow
       "IDSYN > 150.5", "IDSYN = 9007199254740993", "IDSYN > 9007199254740992",
       "IDSYN > VALORLCTOCTB", "-9007199254740993 < VALORLCTOCTB"});
  ExpectMatches(EntryRow(), false,
                {"CODIGOEMPRESA <> 1", "CONTACTB < 1234", "VALORLCTOCTB = 150",
                 "TIPOLANCAMENTO = 'ls'", "DATALCTOCTB >= '2025-03-11'", "ATIVO = FALSE",
                 "not ATIVO", "CONTACTB = CODIGOEMPRESA", "CONTACTB = 12345678901234567890"});
}

TEST(FilterExpression, KeywordsIgnoreCaseAndBindNotThenAndThenOr) {
  TRow row = {{"A", Value(1)}, {"B", Value(2)}, {"C", Value(3)}};
  // and binds tighter than or, whichever side the or is on
  ExpectMatches(row, true, {"A = 1 or B = 0 and C = 0", "A = 0 and B = 0 or C = 3"});
  ExpectMatches(row, false, {"(A = 1 or B = 0) and C = 0", "A = 0 and (B = 0 or C = 3)"});
  // not takes one condition, not the rest of the chain
  ExpectMatches(row, true,
                {"not A = 0 and B = 2", "not A = 1 or B = 2", "NOT A = 2", "not not A = 1",
                 "A = 1 AND B = 2 Or C = 0", "a = 1 and b = 2 and c = 3 and not c = 4",
                 "((A = 1)) and (((B = 2)))", "A=1and B=2",
                 "A in (0, 1) and B between 2 and 3 and C = 3", "A between 0 and 2 or C = 9"});
  // Shapes the modules write: padding, a keyword glued to a number,
  // doubled blanks and nested groups.
  ExpectMatches(row, true,
                {"    A = 1 and B = 2", " A = 1and B   = 2", "( A = 0 or  A = 1)",
                 "A > 0 and ((B = 7) or (B = 2))", "A > 0 and (C in (1, 3))"});
  ExpectMatches(row, false, {"not (A = 1 or B = 2)", "(A = 2) or (A is null)"});
}

TEST(FilterExpression, NullComparesFalseAndNotOfThatIsTrue) {
  TRow row = {{"OBS", Value()}, {"N", Value()}, {"A", Value(1)}};
  ExpectMatches(row, true,
                {"not OBS = 'x'", "not (OBS <> 'x')", "OBS is null", "A is not null",
                 "A in (null, 1)", "OBS not in ('x')", "OBS not like 'x%'",
                 "(OBS = 'x') or (OBS is null)", "not N", "year(N) is null"});
  ExpectMatches(row, false,
                {"OBS = 'x'", "OBS <> 'x'", "OBS < 'x'", "OBS = null", "A = null", "A <> null",
                 "OBS = N", "OBS IS NOT NULL", "A is null", "not OBS is null", "OBS in ('x', null)",
                 "OBS like '%'", "N between 0 and 2", "A between null and 2", "OBS = 'AB*'",
                 "OBS <> 'AB*'", "N", "upper(OBS) = ''"});
}

TEST(FilterExpression, InLikeBetweenAndPrefixPatterns) {
  ExpectMatches(EntryRow(), true,
                {"TIPOLANCAMENTO in ('LN', 'LS')", "TIPOLANCAMENTO not in ('LN', 'LF')",
                 "CONTACTB in (1, 1234.0, 5)", "DATALCTOCTB in ('2025-03-10')", "NOME like 'ABC%'",
                 "NOME like '%DEF'", "NOME like '%CD%'", "NOME like 'A_C%'", "NOME like '______'",
                 "NOME like 'A%B%F'", "NOME like '%%F'", "NOME like 'ABCDEF'", "NOME not like 'X%'",
                 "COMPLHIST like 'Pagto d''_gua'", "CLASSIFCONTA like '1.2.%'",
                 "DATALCTOCTB like '%/03/2025'"});
  ExpectMatches(
      EntryRow(), true,
      {"NOME = 'AB*'", "NOME = 'ABCDEF*'", "NOME = '*'", "'AB*' = NOME", "NOME <> 'X*'",
       "CONTACTB between 1000 and 2000", "CONTACTB between 1234 and 1234",
       "CONTACTB not between 1000 and 1233", "DATALCTOCTB between '01/03/2025' and '31/03/2025'"});
  ExpectMatches(EntryRow(), false,
                {"TIPOLANCAMENTO in ('LN','LF')", "CONTACTB in (CODIGOEMPRESA, CODIGOGRUPOHISTCTB)",
                 "NOME like 'abc%'", "NOME like 'A_D%'", "NOME like '_____'",
                 "CLASSIFCONTA like '1.3.%'", "NOME = 'ABCDEFG*'", "NOME = 'ab*'", "NOME <> 'AB*'",
                 "NOME >= 'ABCDEF*'", "DATALCTOCTB between '2025-03-11' and '2025-03-31'"});
}

TEST(FilterExpression, FunctionsOnTextsAndDates) {
  TRow row = {{"NOME", Value("  João da Silva ")},
              {"D", Value(EncodeDate(2024, 2, 29))},
              {"T", Value("2023-12-31")}};
  ExpectMatches(
      row, true,
      {"upper(NOME) = '  JOÃO DA SILVA '", "LOWER(NOME) = '  joão da silva '",
       "trim(NOME) = 'João da Silva'", "upper(trim(NOME)) like 'JOÃO%'",
       "substring(trim(NOME), 1, 3) = 'Joã'", "substring(trim(NOME), 9, 5) = 'Silva'",
       "substring(trim(NOME), 9) = 'Silva'", "substring(trim(NOME), 0, 2) = 'J'",
       "substring(trim(NOME), 50, 2) = ''", "substring(trim(NOME), -5, 2) = ''",
       "substring(trim(NOME), 2, -1) = ''", "year(D) = 2024 and month(D) = 2 and day(D) = 29",
       "year(T) = 2023 and month(T) = 12", "year(NOME) is null", "D < getdate()",
       "year(getdate()) >= 2025"});
}

TEST(FilterExpression, FieldNamesAreUpperCasedOnceInOrderOfAppearance) {
  auto expression = TFilterExpression::Parse(
      "contactb = 1 and [Data Saldo] > '01/01/2025' or (CONTACTB = CodigoEmpresa and "
      "upper(nome) like 'A%') or [CONTACTB] is null");
  EXPECT_EQ(expression->FieldNames(),
            (std::vector<std::string>{"CONTACTB", "DATA SALDO", "CODIGOEMPRESA", "NOME"}));
  EXPECT_TRUE(TFilterExpression::Parse("1 = 1")->FieldNames().empty());
  // A blank text lets every row pass.
  for (const char* text : {"", "   ", "\t\r\n"}) {
    auto blank = TFilterExpression::Parse(text);
    EXPECT_TRUE(blank->FieldNames().empty());
    EXPECT_TRUE(blank->Matches([](size_t) { return Value(); }));
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
  const auto repeat = [](const std::string& part) {
    std::string text;
    for (int i = 0; i < 100000; ++i)
      text += part;
    return text;
  };
  for (const std::string& text : {repeat("("), repeat("not ") + "A = 1", repeat("upper(")})
    EXPECT_THROW(TFilterExpression::Parse(text), EFilterError) << text.substr(0, 10);
}

TEST(FilterExpression, LongChainsOfTermsStayFlat) {
  std::string text = "A = 0";
  for (int i = 1; i < 20000; ++i)
    text += " or A = " + std::to_string(i);
  EXPECT_TRUE(Matches(text, {{"A", Value(19999)}}));
  EXPECT_FALSE(Matches(text, {{"A", Value(20000)}}));
}
