#!/usr/bin/env bash
# Runs the schema of both engines twice (it must be idempotent), keys a few
# dozen entries and then changes every column the balances read (date,
# establishment, accounts, value, type, history, currency value), deletes
# some, and asserts that check_balances.sql finds nothing; then rebuilds and
# checks again, and finally corrupts each balance table on purpose and
# asserts that the check reports it.
#
# Usage: tests/schema/check_triggers.sh [sqlite|postgresql|all]   (default all)
# PostgreSQL runs on a private temporary server (scripts/pg-temp.sh).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
schema="$root/schema"
which=${1:-all}
work=$(mktemp -d /tmp/ctb-schema-check.XXXXXX)
failures=0

cleanup() {
  if declare -F pg_temp_stop >/dev/null; then pg_temp_stop; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Deterministic pseudo-random entries, as portable SQL. Dates straddle the
# start and the end of the functional-currency options below, so moving an
# entry in time moves it between currencies (or out of them).
generate_dml() {
  awk 'BEGIN {
    seed = 12345
    n = 0
    print "INSERT INTO OPCAOMOEDAFUNCIONAL (CODIGOEMPRESA, CODIGOESTAB, DATAINICIAL, DATAFINAL, CODIGOMOEDA) VALUES (1, 1, '\''2024-02-01'\'', NULL, 220);"
    print "INSERT INTO OPCAOMOEDAFUNCIONAL (CODIGOEMPRESA, CODIGOESTAB, DATAINICIAL, DATAFINAL, CODIGOMOEDA) VALUES (1, 2, '\''2024-01-01'\'', '\''2024-02-29'\'', 978);"
    print "INSERT INTO OPCAOMOEDAFUNCIONAL (CODIGOEMPRESA, CODIGOESTAB, DATAINICIAL, DATAFINAL, CODIGOMOEDA) VALUES (1, 2, '\''2024-03-01'\'', NULL, 220);"
    for (k = 1; k <= 60; k++) {
      emp = 1 + rnd(2); estab = 1 + rnd(2)
      day = 1 + rnd(28); month = 1 + rnd(4)
      deb = 1000 + rnd(6); cred = 1000 + rnd(6)
      if (rnd(8) == 0) deb = "NULL"; else if (rnd(8) == 0) cred = "NULL"
      tipo = (rnd(3) == 0) ? "LS" : (rnd(4) == 0 ? "LF" : "LN")
      hist = rnd(3) == 0 ? "NULL" : 1 + rnd(3)
      valor = sprintf("%d.%02d", rnd(5000), rnd(100))
      moeda = rnd(3) == 0 ? "NULL" : sprintf("%d.%02d", rnd(1000), rnd(100))
      printf "INSERT INTO LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, CODIGOHISTCTB, VALORLCTOCTB, VALORLCTOMOEDA, ORIGEMDADO) VALUES (%d, %d, %d, '\''2024-%02d-%02d'\'', '\''%s'\'', %s, %s, %s, %s, %s, 2);\n", emp, k, estab, month, day, tipo, deb, cred, hist, valor, moeda
    }
    # A zero entry and one that cancels another: their rows must vanish.
    print "INSERT INTO LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB, VALORLCTOMOEDA) VALUES (1, 61, 1, '\''2024-05-02'\'', '\''LN'\'', 2001, 2002, 0, 0);"
    print "INSERT INTO LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB, VALORLCTOMOEDA) VALUES (1, 62, 1, '\''2024-05-03'\'', '\''LN'\'', 2001, 2002, 0.10, 0.20);"
    print "INSERT INTO LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB, VALORLCTOMOEDA) VALUES (1, 63, 1, '\''2024-05-03'\'', '\''LN'\'', 2002, 2001, 0.10, 0.20);"
    print "UPDATE LCTOCTB SET VALORLCTOCTB = 0.30 WHERE CODIGOEMPRESA = 1 AND CHAVELCTOCTB = 62;"
    print "UPDATE LCTOCTB SET VALORLCTOCTB = 0.30 WHERE CODIGOEMPRESA = 1 AND CHAVELCTOCTB = 63;"
    print "UPDATE LCTOCTB SET VALORLCTOCTB = 0.10, CONTACTBDEB = 2001, CONTACTBCRED = 2002 WHERE CODIGOEMPRESA = 1 AND CHAVELCTOCTB = 63;"
    print "UPDATE LCTOCTB SET CONTACTBDEB = 2002, CONTACTBCRED = 2001, VALORLCTOCTB = 0.30 WHERE CODIGOEMPRESA = 1 AND CHAVELCTOCTB = 63;"
    for (k = 1; k <= 60; k++) {
      c = k % 9
      w = sprintf(" WHERE CODIGOEMPRESA IN (1, 2) AND CHAVELCTOCTB = %d;", k)
      if (c == 0) printf "UPDATE LCTOCTB SET DATALCTOCTB = '\''2024-%02d-%02d'\''%s\n", 1 + rnd(4), 1 + rnd(28), w
      else if (c == 1) printf "UPDATE LCTOCTB SET CODIGOESTAB = %d%s\n", 1 + rnd(2), w
      else if (c == 2) printf "UPDATE LCTOCTB SET CONTACTBDEB = %d, CONTACTBCRED = NULL%s\n", 1000 + rnd(6), w
      else if (c == 3) printf "UPDATE LCTOCTB SET VALORLCTOCTB = VALORLCTOCTB + 0.07%s\n", w
      else if (c == 4) printf "UPDATE LCTOCTB SET TIPOLANCAMENTO = '\''LF'\''%s\n", w
      else if (c == 5) printf "UPDATE LCTOCTB SET CODIGOHISTCTB = %s%s\n", rnd(2) ? "NULL" : 7, w
      else if (c == 6) printf "UPDATE LCTOCTB SET VALORLCTOMOEDA = %s%s\n", rnd(2) ? "NULL" : "12.34", w
      else if (c == 7) printf "UPDATE LCTOCTB SET COMPLHIST = '\''texto'\''%s\n", w
      else printf "DELETE FROM LCTOCTB%s\n", w
    }
    # Company moves: the key changes under the balances.
    print "UPDATE LCTOCTB SET CODIGOEMPRESA = 3 WHERE CHAVELCTOCTB IN (10, 20, 30);"
  }
  function rnd(m) { seed = (seed * 1103515245 + 12345) % 2147483648; return int(seed / 65536) % m }'
}

# Statements that each break one balance table in a different way.
corruptions=(
  "UPDATE SALDOCTB SET VALORDEB = VALORDEB + 0.01 WHERE CONTACTB = (SELECT MIN(CONTACTB) FROM SALDOCTB);"
  "DELETE FROM SALDOCTBMENSAL WHERE CONTACTB = (SELECT MAX(CONTACTB) FROM SALDOCTBMENSAL);"
  "INSERT INTO SALDOCTBMENSALHIST (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOHISTCTB, VALORDEB, VALORCRED) VALUES (9, 9, 9, '2024-01-01', 'LN', 0, 0, 0);"
  "UPDATE SALDOCTBMOEDA SET CODIGOMOEDA = 1 WHERE CONTACTB = (SELECT MIN(CONTACTB) FROM SALDOCTBMOEDA);"
  "UPDATE SALDOCTBMOEDAMENSAL SET VALORCRED = VALORCRED - 1 WHERE CONTACTB = (SELECT MAX(CONTACTB) FROM SALDOCTBMOEDAMENSAL);"
)

# $1 engine name, $2 a function that runs SQL from stdin and prints rows.
exercise() {
  local engine=$1 run=$2 rows
  generate_dml >"$work/dml.sql"
  $run <"$work/dml.sql" >/dev/null

  for table in SALDOCTB SALDOCTBMENSAL SALDOCTBMENSALHIST SALDOCTBMOEDA SALDOCTBMOEDAMENSAL; do
    rows=$(echo "SELECT COUNT(*) FROM $table;" | $run)
    [ "$rows" -gt 0 ] || fail "$engine: $table is empty, the test proves nothing"
  done
  rows=$(echo "SELECT COUNT(*) FROM SALDOCTB WHERE VALORDEB = 0 AND VALORCRED = 0;" | $run)
  [ "$rows" -eq 0 ] || fail "$engine: $rows zero rows left in SALDOCTB"

  rows=$($run <"$schema/check_balances.sql")
  [ -z "$rows" ] || fail "$engine: triggers disagree with the entries:"$'\n'"$rows"

  $run <"$schema/$engine/rebuild_balances.sql" >/dev/null
  rows=$($run <"$schema/check_balances.sql")
  [ -z "$rows" ] || fail "$engine: rebuild disagrees with the entries:"$'\n'"$rows"
  sed 's/{CODIGOEMPRESA}/1/g' "$schema/$engine/rebuild_balances_company.sql" | $run >/dev/null
  rows=$($run <"$schema/check_balances.sql")
  [ -z "$rows" ] || fail "$engine: company rebuild disagrees with the entries:"$'\n'"$rows"

  local i table
  for i in "${!corruptions[@]}"; do
    echo "${corruptions[$i]}" | $run >/dev/null
    rows=$($run <"$schema/check_balances.sql")
    table=$(echo "${corruptions[$i]}" | grep -o -E 'SALDOCTB[A-Z]*' | head -n 1)
    if ! grep -q "^$table|" <<<"$rows"; then
      fail "$engine: corruption of $table not reported"
    fi
    # A company rebuild repairs only that company; the full one repairs all.
    $run <"$schema/$engine/rebuild_balances.sql" >/dev/null
    rows=$($run <"$schema/check_balances.sql")
    [ -z "$rows" ] || fail "$engine: rebuild did not repair $table"
  done
  echo "$engine: $(echo 'SELECT COUNT(*) FROM LCTOCTB;' | $run) entries, balances consistent"
}

run_sqlite() { sqlite3 -bail -batch -noheader -separator '|' "$work/ctb.db"; }
run_pg() { psql "$CTB_TEST_PG" -X -q -A -t -F '|' -v ON_ERROR_STOP=1; }

if [ "$which" = sqlite ] || [ "$which" = all ]; then
  run_sqlite <"$schema/sqlite/schema.sql"
  run_sqlite <"$schema/sqlite/schema.sql"
  exercise sqlite run_sqlite
fi

if [ "$which" = postgresql ] || [ "$which" = all ]; then
  # shellcheck source=/dev/null
  source "$root/scripts/pg-temp.sh"
  pg_temp_start
  run_pg <"$schema/postgresql/schema.sql" >/dev/null
  run_pg <"$schema/postgresql/schema.sql" >/dev/null
  exercise postgresql run_pg
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "all checks passed"
