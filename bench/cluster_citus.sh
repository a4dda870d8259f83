#!/usr/bin/env bash
# The same demo and imports on SQLite, one PostgreSQL and a Citus cluster (a
# coordinator and two workers, scripts/cluster.sh), in one run:
#   - the demo of companies 1 to 6 (two `ctb demo` of N entries), one after
#     the other, on each engine;
#   - four imports of M entries into four companies at once (SQLite: one
#     after the other, it takes one writer at a time);
#   - the monthly trial balance of company 1 over 2025, best of three.
# Prints the times and the ratios against one PostgreSQL. On one machine the
# three servers of the cluster share the same cores as the one PostgreSQL:
# the import ratio is the coordinator's overhead, not a speed-up.
# Also a check: exit 1 when an import fails or the engines' trial balances
# or `db check` differ.
#   bench/cluster_citus.sh [N=2000] [M=5000]
# Needs build-bench/host/ctb (or $CTB); builds Citus once when missing (root).
set -euo pipefail
cd "$(dirname "$0")/.."
entries=${1:-2000}
lines=${2:-5000}
source ./bench/tempos.sh
pg_and_work ctb-cluster
source ./scripts/cluster.sh
cluster_start
trap 'cluster_stop; pg_temp_stop; rm -rf "$work"' EXIT

psql_ "create schema bench"
declare -A db=(
  [sqlite]="--db $work/ctb.db"
  [pg]="--pg|host=$PG_TEMP_DIR user=postgres dbname=postgres options='-csearch_path=bench'"
  [citus]="--pg|$CTB_TEST_CITUS options='-csearch_path=bench'"
)
cluster_sql "${CLUSTER_PORTS[0]}" "create schema bench"
# on ENGINE ARGS...: ctb on the engine's database.
on() {
  local target=${db[$1]} option value
  shift
  if [ "${target#--db }" != "$target" ]; then
    "$ctb" "$@" --db "${target#--db }"
  else
    option=${target%%|*}
    value=${target#*|}
    "$ctb" "$@" "$option" "$value"
  fi
}

companies=(1 2 4 5)
for c in "${companies[@]}"; do
  python3 - "$c" "$lines" >"$work/import$c.csv" <<'EOF'
import sys
company, lines = int(sys.argv[1]), int(sys.argv[2])
print("CODIGOEMPRESA,CODIGOESTAB,DATALCTOCTB,CONTACTBDEB,CONTACTBCRED,CODIGOHISTCTB,VALORLCTOCTB")
for i in range(lines):
    print(f"{company},1,2025-{1 + i % 12:02}-{1 + i % 28:02},1101001,1101003,3,{10 + i % 90}.{i % 100:02}")
EOF
done

declare -A demo import trial
for engine in sqlite pg citus; do
  t0=$(now)
  for c in 1 4; do
    on "$engine" demo --company "$c" --entries "$entries" --seed "$c" >"$work/demo-$engine-$c" 2>&1 ||
      { echo "$engine: the demo of company $c failed" >&2; tail "$work/demo-$engine-$c" >&2; exit 1; }
  done
  t1=$(now)
  demo[$engine]=$(elapsed "$t0" "$t1")
  pids=()
  for c in "${companies[@]}"; do
    if [ "$engine" = sqlite ]; then
      on "$engine" import entries "$work/import$c.csv" --company "$c" >"$work/import-$engine-$c" 2>&1 ||
        { echo "$engine: the import into company $c failed" >&2; exit 1; }
    else
      on "$engine" import entries "$work/import$c.csv" --company "$c" >"$work/import-$engine-$c" 2>&1 &
      pids+=($!)
    fi
  done
  for pid in "${pids[@]}"; do
    wait "$pid" || { echo "$engine: an import failed" >&2; cat "$work"/import-"$engine"-* >&2; exit 1; }
  done
  t2=$(now)
  import[$engine]=$(elapsed "$t1" "$t2")
  trial[$engine]=$(best_of_3 "$work/trial-$engine" on "$engine" trial-balance --company 1 \
    --period 2025 --monthly)
  on "$engine" db check >"$work/check-$engine"
done

for engine in pg citus; do
  for what in trial check; do
    if ! cmp -s "$work/$what-sqlite" "$work/$what-$engine"; then
      echo "$engine: the $what output differs from SQLite's" >&2
      exit 1
    fi
  done
done

echo "demo: 2 × $entries entries (companies 1-6); import: 4 companies × $lines entries at once"
echo "engine   demo (s)  import (s)  trial balance (s)"
for engine in sqlite pg citus; do
  printf '%-7s  %8.2f  %10.2f  %17.3f\n' "$engine" "${demo[$engine]}" "${import[$engine]}" \
    "${trial[$engine]}"
done
awk -v d="${demo[citus]}" -v dp="${demo[pg]}" -v i="${import[citus]}" -v ip="${import[pg]}" \
  -v t="${trial[citus]}" -v tp="${trial[pg]}" 'BEGIN {
    printf "cluster / one PostgreSQL: demo %.2f, import of 4 companies at once %.2f, trial balance %.2f (target <= 2)\n", d / dp, i / ip, t / tp
  }'
