#!/usr/bin/env bash
# K demo loads of N entries at once on one PostgreSQL database (companies 10,
# 20, ...: each demo also writes the two companies after its own) against
# the same K loads one after the other on another database, ROUNDS times:
# each round's times and ratio. Also a check: exit 1 when a load fails or
# when a concurrent load's trial balance differs from its serial one.
#   bench/concurrent_pg.sh [N=10000] [K=3] [ROUNDS=2]
# Data in /dev/shm when there is one. Needs build-bench/host/ctb (or $CTB).
set -euo pipefail
cd "$(dirname "$0")/.."
entries=${1:-10000}
loads=${2:-3}
rounds=${3:-2}
source ./bench/tempos.sh
pg_and_work ctb-concurrent

# demo DATABASE COMPANY OUTPUT: one load, its output (the trial balance and
# its checks) in OUTPUT.
demo() {
  "$ctb" --pg "host=$PG_TEMP_DIR user=postgres dbname=$1" demo --entries "$entries" \
    --company "$2" >"$3" 2>"$3.err"
}
# fresh DATABASE: a database with the schema in place, so that the loads
# share nothing but their tables.
fresh() {
  psql_ "drop database if exists $1"
  psql_ "create database $1"
  "$ctb" --pg "host=$PG_TEMP_DIR user=postgres dbname=$1" db init >/dev/null
}
companies=$(seq 10 10 $((loads * 10)))

echo "round  concurrent  serial  ratio"
for r in $(seq "$rounds"); do
  fresh concorrente
  fresh serial
  t0=$(now)
  pids=()
  for c in $companies; do
    demo concorrente "$c" "$work/concorrente$c" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do
    wait "$pid" || { echo "a concurrent load failed" >&2; exit 1; }
  done
  t1=$(now)
  for c in $companies; do
    demo serial "$c" "$work/serial$c" || { echo "a serial load failed" >&2; exit 1; }
  done
  t2=$(now)
  for c in $companies; do
    if ! cmp -s "$work/concorrente$c" "$work/serial$c"; then
      echo "company $c: the concurrent load's output differs from the serial one's" >&2
      exit 1
    fi
  done
  concurrent=$(elapsed "$t0" "$t1")
  serial=$(elapsed "$t1" "$t2")
  awk -v r="$r" -v c="$concurrent" -v s="$serial" \
    'BEGIN { printf "%5d  %8.2f s  %4.2f s  %5.2f\n", r, c, s, c / s }'
done
echo "target: a ratio of 1.00 or less (no worse than serial)"
