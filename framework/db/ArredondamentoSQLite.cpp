#include "framework/db/ArredondamentoSQLite.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdint>

namespace {

// Beyond it the cents no longer fit the margin below.
constexpr double kMaiorValorRapido = 1e9;
// How close to a half cent (in cents) a value may come before the built-in
// decides: far above the error of X * 100 (under 1e-4 cents up to a
// billion) and of SQLite's printing (its rounding adds X * 3e-16).
constexpr double kMargemMeioCentavo = 1e-3;

// The built-in round on a connection of its own, for the values the fast
// path leaves.
class TRoundNativo {
 public:
  ~TRoundNativo() {
    sqlite3_finalize(FStmt);
    sqlite3_close_v2(FDb);
  }

  void Responder(sqlite3_context* ctx, sqlite3_value* valor, sqlite3_value* casas) {
    if (!FStmt && !Abrir()) {
      sqlite3_result_error(ctx, "round: conexão auxiliar indisponível", -1);
      return;
    }
    sqlite3_bind_value(FStmt, 1, valor);
    sqlite3_bind_value(FStmt, 2, casas);
    if (sqlite3_step(FStmt) == SQLITE_ROW)
      sqlite3_result_value(ctx, sqlite3_column_value(FStmt, 0));
    else
      sqlite3_result_error(ctx, sqlite3_errmsg(FDb), -1);
    sqlite3_reset(FStmt);
    sqlite3_clear_bindings(FStmt);
  }

 private:
  bool Abrir() {
    if (sqlite3_open_v2(":memory:", &FDb, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
      return false;
    return sqlite3_prepare_v2(FDb, "select round(?1, ?2)", -1, &FStmt, nullptr) == SQLITE_OK;
  }

  sqlite3* FDb = nullptr;
  sqlite3_stmt* FStmt = nullptr;
};

// The value SQLite reads back from the text of `centavos` cents: the digits
// as an integer over 100, divided in long double, then rounded to double.
double LerCentavos(uint64_t centavos, bool negativo) {
  const auto valor = static_cast<double>(static_cast<long double>(centavos) / 100.0L);
  return negativo ? -valor : valor;
}

// round(X, 2) for X the fast path takes; false when it does not take it.
bool ArredondarCentavos(double x, double& resultado) {
  const double absoluto = std::fabs(x);
  if (!(absoluto < kMaiorValorRapido))
    return false;
  const double centavos = absoluto * 100.0;
  const double inteiros = std::floor(centavos);
  const double fracao = centavos - inteiros;
  if (std::fabs(fracao - 0.5) < kMargemMeioCentavo)
    return false;
  const auto k = static_cast<uint64_t>(inteiros) + (fracao > 0.5 ? 1 : 0);
  // "-0.00" reads as a negative zero.
  resultado = k == 0 ? (x < 0 ? -0.0 : 0.0) : LerCentavos(k, x < 0);
  return true;
}

void Round(sqlite3_context* ctx, int /*argc*/, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[1]) != SQLITE_NULL && sqlite3_value_int(argv[1]) == 2) {
    const int tipo = sqlite3_value_type(argv[0]);
    double resultado = 0;
    if ((tipo == SQLITE_FLOAT || tipo == SQLITE_INTEGER) &&
        ArredondarCentavos(sqlite3_value_double(argv[0]), resultado)) {
      sqlite3_result_double(ctx, resultado);
      return;
    }
  }
  static_cast<TRoundNativo*>(sqlite3_user_data(ctx))->Responder(ctx, argv[0], argv[1]);
}

void Destruir(void* nativo) {
  delete static_cast<TRoundNativo*>(nativo);
}

}  // namespace

int InstalarArredondamento(sqlite3* db) {
  return sqlite3_create_function_v2(db, "round", 2,
                                    SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                    new TRoundNativo, Round, nullptr, nullptr, Destruir);
}
