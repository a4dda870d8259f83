#include "framework/ctb/Nctbsfuncoes_u.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutilinclusao.h"

using namespace Nctbsfuncoes_u;

namespace {

// "first;first+1;...;first+count-1"
std::string Sequencia(int primeiro, int quantidade, int passo = 1) {
  std::string lista;
  for (int i = 0; i < quantidade; ++i)
    lista += (i ? ";" : "") + std::to_string(primeiro + i * passo);
  return lista;
}

size_t Ocorrencias(const std::string& texto, const std::string& parte) {
  size_t n = 0;
  for (size_t pos = texto.find(parte); pos != std::string::npos; pos = texto.find(parte, pos + 1))
    ++n;
  return n;
}

}  // namespace

TEST(Nctbsfuncoes_u, DescribesTheThreeEntryTypes) {
  EXPECT_EQ(GetDescrTipoLancamento("LN"), "Normal");
  EXPECT_EQ(GetDescrTipoLancamento("LS"), "Societário");
  EXPECT_EQ(GetDescrTipoLancamento("LF"), "Fiscal");
  EXPECT_EQ(GetDescrTipoLancamento("ln"), "");
  EXPECT_EQ(GetDescrTipoLancamento(""), "");
}

TEST(Nctbsfuncoes_u, TaxOnlyOriginsAreSixAndFoundInAnyCase) {
  EXPECT_EQ(nCtbTiposLctoCtbOrigem.size(), 6u);
  for (std::string_view origem : nCtbTiposLctoCtbOrigem) {
    std::string codigo(origem);
    EXPECT_TRUE(EhOrigemLctoFiscal(codigo)) << codigo;
    std::string minusculo = " " + codigo + " ";
    for (char& c : minusculo)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(EhOrigemLctoFiscal(minusculo)) << minusculo;
  }
  // Origins the entry rules give other meanings to are not tax-only.
  for (const char* outra : {"CP", "CE", "AI", "AA", "IM", "XX", "ZZ", "", "F"})
    EXPECT_FALSE(EhOrigemLctoFiscal(outra)) << outra;
}

TEST(Nctbsfuncoes_u, RemovesTheLastLevelOfAClassification) {
  const std::pair<const char*, const char*> casos[] = {
      {"1.1.01.001", "1.1.01"}, {"1.1.01", "1.1"}, {"1.1", "1"}, {"1", ""}, {"", ""},
      {" 2.3.04 ", "2.3"},      {"1.1.", "1"},     {"1..", ""},
  };
  for (const auto& [classif, pai] : casos)
    EXPECT_EQ(RetirarUltimoNivelClassificacao(classif), pai) << classif;
}

TEST(Nctbsfuncoes_u, GroupMaskIsTheWidthOfEachLevel) {
  EXPECT_EQ(PegarMascGrupos("9.9.99.999"), (TMascGrupos{1, 1, 2, 3}));
  EXPECT_EQ(PegarMascGrupos(" 9 "), (TMascGrupos{1}));
  EXPECT_TRUE(PegarMascGrupos("").empty());
  EXPECT_THROW(PegarMascGrupos("9..99"), Exception);
  EXPECT_THROW(PegarMascGrupos("9.9."), Exception);
}

// Lists no longer than the piece pass unchanged, also lists inside texts
// and subqueries; longer ones are cut into pieces joined by or (and for not in).
TEST(Nctbsfuncoes_u, QuebrarFiltroCutsLongListsIntoPiecesJoinedByOr) {
  const std::pair<const char*, const char*> casos[] = {
      {" and CONTACTB in (1, 2, 3)", nullptr},
      {" and (CONTACTB in (1, 2) or CONTACTB between 5 and 9)", nullptr},
      {"X = 'a in (1,2,3)'", nullptr},
      {" and CONTACTB in (select CONTACTB from PLANOESPEC where X in (1, 2))", nullptr},
      {"", nullptr},
      {" and C in (1, 2, 3, 4, 5)", " and (C in (1, 2) or C in (3, 4) or C in (5))"},
      {" and (P.C in (1,2,3) or P.C between 7 and 9) and D in (1, 2, 3)",
       " and ((P.C in (1, 2) or P.C in (3)) or P.C between 7 and 9) and (D in (1, 2) or D in (3))"},
      {"C in ('a,b', 'c''d', 'e')", "(C in ('a,b', 'c''d') or C in ('e'))"},
      {" and C not in (1, 2, 3)", " and (C not in (1, 2) and C not in (3))"},
  };
  for (const auto& [filtro, quebrado] : casos)
    EXPECT_EQ(QuebrarFiltro(filtro, quebrado ? 2 : 3), quebrado ? quebrado : filtro) << filtro;
  EXPECT_THROW(QuebrarFiltro("C in (1)", 0), Exception);
  // A thousands-long inclusion keeps every value.
  std::string filtro = Nutilinclusao::FilterInterval("CONTACTB", Sequencia(1, 2500, 2),
                                                     Nutilinclusao::TTipoInclusao::tiNumerica);
  std::string quebrado = QuebrarFiltro(filtro);
  EXPECT_EQ(Ocorrencias(quebrado, "CONTACTB in ("), 3u);
  EXPECT_EQ(Ocorrencias(quebrado, ", "), Ocorrencias(filtro, ", ") - 2);
  EXPECT_EQ(quebrado.rfind(" and (CONTACTB in (1, 3, ", 0), 0u);
  EXPECT_NE(quebrado.find(", 1999) or CONTACTB in (2001, "), std::string::npos);
  EXPECT_NE(quebrado.find(", 4999))"), std::string::npos);
}

TEST(Nctbsfuncoes_u, BetweenClauseMergesRunsOfConsecutiveCodesAndListsTheRest) {
  EXPECT_EQ(GerarClausulaBetweenSQL("P.CONTACTB", "5;1;2;3;9;6;7-8;20"),
            " and (P.CONTACTB between 1 and 3 or P.CONTACTB between 5 and 9 or P.CONTACTB = 20)");
  EXPECT_EQ(GerarClausulaBetweenSQL("C", "4;2", false), "(C in (2, 4))");
  EXPECT_EQ(GerarClausulaBetweenSQL("C", "5;1;2;3;9;7-8;20"),
            " and (C between 1 and 3 or C between 7 and 9 or C in (5, 20))");
  EXPECT_EQ(GerarClausulaBetweenSQL("C", "1-5;3-10;10"), " and (C between 1 and 10)");
  EXPECT_EQ(GerarClausulaBetweenSQL("C", ""), "");
  EXPECT_THROW(GerarClausulaBetweenSQL("C", "1;x"), Exception);
  // Loose codes go in lists of at most a thousand.
  std::string clausula = GerarClausulaBetweenSQL("C", Sequencia(10, 1500, 10) + ";1-3");
  EXPECT_EQ(clausula.rfind(" and (C between 1 and 3 or C in (10, 20, ", 0), 0u);
  EXPECT_EQ(Ocorrencias(clausula, "C in ("), 2u);
  EXPECT_NE(clausula.find(", 10000) or C in (10010, "), std::string::npos);
  EXPECT_EQ(Ocorrencias(clausula, ", "), 1500u - 2u);
}

TEST(Nctbsfuncoes_u, AccountFilterLooksAtTheSideAsked) {
  EXPECT_EQ(
      FiltroContaCrediteDebiteCtb("L.CONTACTBDEB", "L.CONTACTBCRED", "10;20", kDebiteOuCredite),
      " and (L.CONTACTBDEB in (10, 20) or L.CONTACTBCRED in (10, 20))");
  EXPECT_EQ(FiltroContaCrediteDebiteCtb("D", "K", "10", kSomenteDebite), " and D = 10");
  EXPECT_EQ(FiltroContaCrediteDebiteCtb("D", "K", "10-12", kSomenteCredite),
            " and K between 10 and 12");
  EXPECT_EQ(FiltroContaCrediteDebiteCtb("D", "K", "10", 7), " and (D = 10 or K = 10)");
  EXPECT_EQ(FiltroContaCrediteDebiteCtb("D", "K", " ", kSomenteDebite), "");
  EXPECT_THROW(FiltroContaCrediteDebiteCtb("D", "K", "conta", 0), Exception);
}

TEST(Nctbsfuncoes_u, CompanyListExpandsIntervalsInTheOrderGiven) {
  EXPECT_EQ(GetLstCodigoEmpresa("3;1;5-7;6;1"), (std::vector<int64_t>{3, 1, 5, 6, 7}));
  EXPECT_EQ(GetLstCodigoEmpresa("2"), (std::vector<int64_t>{2}));
  EXPECT_TRUE(GetLstCodigoEmpresa(" ").empty());
  EXPECT_THROW(GetLstCodigoEmpresa("1-100000"), Exception);
  EXPECT_THROW(GetLstCodigoEmpresa("9999999999"), Exception);
  EXPECT_THROW(GetLstCodigoEmpresa("A"), Exception);
}
