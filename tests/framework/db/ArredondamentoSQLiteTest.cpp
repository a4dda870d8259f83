#include "framework/db/ArredondamentoSQLite.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

// round(?1, ?2) on a connection of its own, with or without the
// replacement.
class TRound {
 public:
  explicit TRound(bool substituido) {
    sqlite3_open_v2(":memory:", &FDb, SQLITE_OPEN_READWRITE, nullptr);
    if (substituido) {
      EXPECT_EQ(InstalarArredondamento(FDb), SQLITE_OK);
    }
    sqlite3_prepare_v2(FDb, "select round(?1, ?2)", -1, &FStmt, nullptr);
  }
  ~TRound() {
    sqlite3_finalize(FStmt);
    sqlite3_close_v2(FDb);
  }
  TRound(const TRound&) = delete;
  TRound& operator=(const TRound&) = delete;

  // The result's type and, for a number, its bits (a negative zero is not a
  // zero); an error as its message.
  template <typename Bind>
  std::string Resultado(Bind ligar) {
    ligar(FStmt);
    std::string resultado;
    if (sqlite3_step(FStmt) != SQLITE_ROW)
      resultado = std::string("erro: ") + sqlite3_errmsg(FDb);
    else if (sqlite3_column_type(FStmt, 0) == SQLITE_NULL)
      resultado = "null";
    else
      resultado = std::to_string(sqlite3_column_type(FStmt, 0)) + ":" +
                  std::to_string(std::bit_cast<uint64_t>(sqlite3_column_double(FStmt, 0)));
    sqlite3_reset(FStmt);
    sqlite3_clear_bindings(FStmt);
    return resultado;
  }

 private:
  sqlite3* FDb = nullptr;
  sqlite3_stmt* FStmt = nullptr;
};

class TArredondamentoTest : public ::testing::Test {
 protected:
  void Comparar(double x, int casas = 2) {
    auto ligar = [&](sqlite3_stmt* s) {
      sqlite3_bind_double(s, 1, x);
      sqlite3_bind_int(s, 2, casas);
    };
    ASSERT_EQ(FRapido.Resultado(ligar), FNativo.Resultado(ligar))
        << "round(" << std::hexfloat << x << ", " << casas << ")";
  }

  TRound FRapido{true};
  TRound FNativo{false};
};

// The amounts a ledger rounds: whole cents, sums of many of them (a few
// ulps off a cent), both signs, up to a billion and past it.
TEST_F(TArredondamentoTest, AmountsAndTheirSumsRoundAsSQLiteRoundsThem) {
  std::mt19937_64 gerador(20261207);
  std::uniform_int_distribution<int64_t> centavos(-100'000'000'000, 100'000'000'000);
  std::uniform_int_distribution<int> parcelas(1, 40);
  for (int i = 0; i < 100'000; ++i) {
    Comparar(static_cast<double>(centavos(gerador)) / 100);
    double soma = 0;
    for (int p = parcelas(gerador); p > 0; --p)
      soma += static_cast<double>(centavos(gerador) % 1'000'000) / 100;
    Comparar(soma);
    Comparar(soma * 1.0000001);
  }
}

// Values at and next to a half cent, where the fast path must give way, and
// doubles of every magnitude.
TEST_F(TArredondamentoTest, HalfCentsAndArbitraryDoublesRoundAsSQLiteRoundsThem) {
  for (int64_t k = -2000; k <= 2000; ++k) {
    for (int64_t escala : {1LL, 1'000'000LL, 10'000'000'000LL}) {
      double meio = (static_cast<double>(k * escala) + 0.5) / 100;
      for (int passo = 0; passo < 4; ++passo) {
        Comparar(meio);
        Comparar(-meio);
        meio = std::nextafter(meio, passo < 2 ? 0.0 : 1e300);
      }
    }
  }
  std::mt19937_64 gerador(7);
  std::uniform_real_distribution<double> expoente(-14, 18);
  std::uniform_real_distribution<double> mantissa(1, 10);
  for (int i = 0; i < 100'000; ++i) {
    const double x = mantissa(gerador) * std::pow(10.0, expoente(gerador));
    Comparar(x);
    Comparar(-x);
  }
  for (double x : {0.0, -0.0, 0.004, -0.004, 0.005, -0.005, 1e9, -1e9, 999999999.995,
                   4503599627370496.0, 1e300, -1e300})
    Comparar(x);
}

// Other numbers of places, and arguments that are not numbers, are the
// built-in's own answer.
TEST_F(TArredondamentoTest, OtherPlacesAndOtherArgumentsGiveTheBuiltInsAnswer) {
  for (int casas : {-1, 0, 1, 3, 4, 31})
    for (double x : {0.125, -2.675, 1234.5678, 1e17})
      Comparar(x, casas);
  const std::vector<std::pair<std::string, std::string>> argumentos = {
      {"'1.005'", "2"}, {"'abc'", "2"},   {"7", "2"},     {"null", "2"}, {"1.005", "null"},
      {"1.005", "'2'"}, {"1.005", "2.7"}, {"x'01'", "2"}, {"-7", "2.0"}, {"1.005", "'x'"}};
  for (const auto& [x, casas] : argumentos) {
    const std::string literais = fmt::format("select {}, {}", x, casas);
    auto ligar = [&literais](sqlite3_stmt* s) {
      // The literal's own type reaches round: a text stays a text.
      sqlite3_stmt* valor = nullptr;
      sqlite3_prepare_v2(sqlite3_db_handle(s), literais.c_str(), -1, &valor, nullptr);
      sqlite3_step(valor);
      sqlite3_bind_value(s, 1, sqlite3_column_value(valor, 0));
      sqlite3_bind_value(s, 2, sqlite3_column_value(valor, 1));
      sqlite3_finalize(valor);
    };
    EXPECT_EQ(FRapido.Resultado(ligar), FNativo.Resultado(ligar)) << literais;
  }
}

}  // namespace
