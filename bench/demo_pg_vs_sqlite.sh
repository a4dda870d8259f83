#!/usr/bin/env bash
# `ctb demo --entries N` on PostgreSQL against the same demo on SQLite, the
# two alternated ROUNDS times after two warm-up runs on the server: prints
# each round's times and ratio, then the median ratio; also a check (exit 1
# when the engines print different totals).
#   bench/demo_pg_vs_sqlite.sh [N=20000] [ROUNDS=6]
# The server's data and the SQLite file go to /dev/shm when there is one, so
# that the disk's write-back, which comes and goes, times neither engine.
# Needs build-bench/host/ctb (or $CTB).
set -euo pipefail
cd "$(dirname "$0")/.."
entries=${1:-20000}
rounds=${2:-6}
source ./bench/tempos.sh
pg_and_work ctb-demo
chmod 755 "$work"

# seconds DATABASE-OPTIONS...: runs the demo, its output in $work/out (its
# log in $work/err), and prints its wall time.
seconds() {
  local t0 t1
  t0=$(now)
  (cd "$work" && "$ctb" demo --entries "$entries" "$@" >out 2>err)
  t1=$(now)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", b - a }'
}
totals() { grep -E "^Total de débitos" "$work/out"; }

for w in 1 2; do
  psql_ "create database aquecimento$w"
  seconds --pg "host=$PG_TEMP_DIR user=postgres dbname=aquecimento$w" >/dev/null
  psql_ "drop database aquecimento$w"
done

ratios=()
echo "round  PostgreSQL  SQLite  ratio"
for r in $(seq "$rounds"); do
  psql_ "create database demo$r"
  pg=$(seconds --pg "host=$PG_TEMP_DIR user=postgres dbname=demo$r")
  pg_totals=$(totals)
  psql_ "drop database demo$r"
  rm -f "$work/demo.db"
  sq=$(seconds --db demo.db)
  if [ -z "$pg_totals" ] || [ "$(totals)" != "$pg_totals" ]; then
    echo "the engines' totals differ:" >&2
    echo "  PostgreSQL: $pg_totals" >&2
    echo "  SQLite:     $(totals)" >&2
    exit 1
  fi
  ratio=$(awk -v p="$pg" -v s="$sq" 'BEGIN { printf "%.2f", p / s }')
  ratios+=("$ratio")
  printf "%5d  %9s s  %5s s  %5s\n" "$r" "$pg" "$sq" "$ratio"
done
printf '%s\n' "${ratios[@]}" | sort -n |
  awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2;
         printf "median ratio %.2f over %d rounds (target: 2.00 or less)\n", m, NR }'
