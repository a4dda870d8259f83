#include "framework/core/Nutil.h"

#include <gtest/gtest.h>

#include "framework/core/TDateTime.h"

namespace {

// A case runs on doubles and, where the amount fits four places, on Currency:
// both overloads must round alike.
struct TRoundCase {
  const char* X;
  int Places;
  const char* Expected;
};

template <class F>
void ExpectRounds(F&& round, std::initializer_list<TRoundCase> cases) {
  for (const auto& c : cases) {
    EXPECT_EQ(round(std::stod(c.X), c.Places), std::stod(c.Expected)) << c.X << " to " << c.Places;
    const std::string x = c.X;
    if (x.find('.') == std::string::npos || x.size() - x.find('.') <= 5) {
      EXPECT_EQ(round(Currency::FromString(c.X), c.Places), Currency::FromString(c.Expected))
          << "Currency " << c.X << " to " << c.Places;
    }
  }
}

}  // namespace

TEST(Nutil, RoundValorRoundsExactHalvesAwayFromZero) {
  ExpectRounds([](auto x, int places) { return Nutil::RoundValor(x, places); },
               {{"1.005", 2, "1.01"},
                {"-1.005", 2, "-1.01"},
                {"2.345", 2, "2.35"},
                {"-2.345", 2, "-2.35"},
                {"0.125", 2, "0.13"},
                {"-0.125", 2, "-0.13"},
                {"1.0049999", 2, "1"},
                {"2.5", 0, "3"},
                {"-2.5", 0, "-3"},
                {"0.5", 0, "1"},
                {"1234.5", 0, "1235"},
                {"125", -1, "130"},
                {"-125", -1, "-130"},
                {"1234567.895", 2, "1234567.9"},
                {"0.00000005", 7, "0.0000001"},
                {"99999999999.995", 2, "100000000000"}});
}

TEST(Nutil, RoundToRoundsExactHalvesToTheEvenDigit) {
  ExpectRounds([](auto x, int places) { return Nutil::RoundTo(x, places); },
               {{"2.345", -2, "2.34"},
                {"2.355", -2, "2.36"},
                {"-2.345", -2, "-2.34"},
                {"-2.355", -2, "-2.36"},
                {"1.005", -2, "1"},
                {"1.015", -2, "1.02"},
                {"0.125", -2, "0.12"},
                {"2.5", 0, "2"},
                {"3.5", 0, "4"},
                {"-2.5", 0, "-2"},
                {"125", 1, "120"},
                {"135", 1, "140"},
                {"2.3451", -2, "2.35"},
                {"1.2345", -4, "1.2345"},
                {"1234567.885", -2, "1234567.88"},
                {"-0.005", -2, "0"}});
}

TEST(Nutil, DividirByZeroIsZero) {
  EXPECT_EQ(Nutil::Dividir(10.0, 4.0), 2.5);
  EXPECT_EQ(Nutil::Dividir(10.0, 0.0), 0);
  EXPECT_EQ(Nutil::Dividir(Currency(10), Currency(4)), Currency::FromString("2.5"));
  EXPECT_EQ(Nutil::Dividir(Currency(10), Currency()), Currency());
}

TEST(Nutil, StrToStrArrayKeepsEmptyItemsAndInStrArrayMatchesExactly) {
  using Items = std::vector<std::string>;
  EXPECT_EQ(Nutil::StrToStrArray("01;ZZ;03"), (Items{"01", "ZZ", "03"}));
  EXPECT_EQ(Nutil::StrToStrArray("a;;b;"), (Items{"a", "", "b", ""}));
  EXPECT_EQ(Nutil::StrToStrArray(""), Items{});
  EXPECT_EQ(Nutil::StrToStrArray("1 or 2 or 3", " or "), (Items{"1", "2", "3"}));
  Items origins = Nutil::StrToStrArray("01; ZZ;ZZ ");
  EXPECT_FALSE(Nutil::InStrArray("ZZ", origins));
  EXPECT_TRUE(Nutil::InStrArray(" ZZ", origins));
  EXPECT_FALSE(Nutil::InStrArray("zz", Nutil::StrToStrArray("ZZ")));
}

TEST(Nutil, TextHelpersSkipEmptyParts) {
  EXPECT_EQ(Nutil::MontarHist(" Pagamento ", " NF 123 "), "Pagamento NF 123");
  EXPECT_EQ(Nutil::MontarHist("Pagamento", "  "), "Pagamento");
  EXPECT_EQ(Nutil::MontarHist("", "NF 1"), "NF 1");

  EXPECT_FALSE(Nutil::TemDados(" \t\r\n"));
  EXPECT_TRUE(Nutil::TemDados(" x "));
  EXPECT_EQ(Nutil::TemDados("Erro GERENCIAL: ", "falhou"), "Erro GERENCIAL: falhou");
  EXPECT_EQ(Nutil::TemDados("Erro GERENCIAL: ", "  "), "");

  std::string list;
  for (const char* item : {"", "a", "", "b", "c"})
    Nutil::Add(list, item, " or ");
  EXPECT_EQ(list, "a or b or c");

  EXPECT_EQ(Nutil::Trim("\t a b \r\n"), "a b");
  EXPECT_EQ(Nutil::UpperCase("Lançamento ção àéíõü ÿß×÷"), "LANÇAMENTO ÇÃO ÀÉÍÕÜ ÿß×÷");
  EXPECT_EQ(Nutil::LowerCase("LANÇAMENTO ÀÉÍÕÜ ×Þ"), "lançamento àéíõü ×þ");
}

TEST(Nutil, LimparAcentuacaoFoldsEveryAccentedLetter) {
  EXPECT_EQ(Nutil::LimparAcentuacao("Lançamento"), "Lancamento");
  EXPECT_EQ(Nutil::LimparAcentuacao("ÁÉÍÓÚÂÊÔÃÕÇáéíóúâêôãõçÀàÜü"), "AEIOUAEOAOCaeiouaeoaocAaUu");
  EXPECT_EQ(Nutil::LimparAcentuacao("ÀÁÂÃÄÅÈÉÊËÌÍÎÏÑÒÓÔÕÖØÙÚÛÜÝ"), "AAAAAAEEEEIIIINOOOOOOUUUUY");
  EXPECT_EQ(Nutil::LimparAcentuacao("àáâãäåèéêëìíîïñòóôõöøùúûüýÿ"), "aaaaaaeeeeiiiinoooooouuuuyy");
  // Not letters with a diacritic: kept byte for byte.
  EXPECT_EQ(Nutil::LimparAcentuacao("nº 5 × 2 ÷ ß Æ € ok"), "nº 5 × 2 ÷ ß Æ € ok");
}

TEST(Nutil, ValorParaFiltroWritesLiteralsTheFilterParserReads) {
  const std::pair<Value, std::string> cases[] = {
      {Value(), "null"},
      {Value("D'Avila"), "'D''Avila'"},
      {Value("''"), "''''''"},
      {Value(""), "''"},
      {Value(42), "42"},
      {Value(int64_t{-7}), "-7"},
      {Value(1234.5), "1234.5"},
      {Value(3.0), "3"},
      {Value(12345678901.0), "12345678901"},
      {Value(1e16), "10000000000000000"},
      {Value(0.00001), "0.00001"},
      {Value(Currency::FromString("-1234.56")), "-1234.56"},
      {Value(true), "True"},
      {Value(EncodeDate(2025, 3, 10)), "'10/03/2025'"},
      {Value(EncodeDateTime(2024, 2, 29, 14, 5, 9)), "'29/02/2024 14:05:09'"},
  };
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(Nutil::ValorParaFiltro(value), expected) << value.DebugString();
  }
}
