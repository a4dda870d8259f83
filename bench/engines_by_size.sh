#!/usr/bin/env bash
# The demo load, the balance process and the monthly trial balance at each
# size on SQLite and on PostgreSQL, each engine into a fresh database: wall
# time, the program's CPU and its peak memory (`/usr/bin/time`), as the rows
# of a table; then each size's PostgreSQL/SQLite ratio of the load. Also a
# check: exit 1 when the engines print different trial balances.
#   bench/engines_by_size.sh [N ...]   (default: 100000 1000000)
# Data in /dev/shm when there is one. Needs build-bench/host/ctb (or $CTB).
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100000 1000000)
source ./bench/tempos.sh
pg_and_work ctb-sizes

# measured NAME CMD...: runs CMD with its output in $work/NAME.out and prints
# "wall s / CPU s / peak MB".
measured() {
  local name="$1"
  shift
  if ! /usr/bin/time -f "%e %U %S %M" -o "$work/$name.time" "$@" >"$work/$name.out" 2>"$work/$name.err"; then
    echo "failed: $*" >&2
    tail -n 20 "$work/$name.out" "$work/$name.err" >&2
    exit 1
  fi
  awk '{ printf "%.2f s / %.2f s / %.0f MB", $1, $2 + $3, $4 / 1024 }' "$work/$name.time"
}

# row N ENGINE NAME DATABASE-OPTIONS...: one table row for a fresh database.
row() {
  local n="$1" engine="$2" name="$3"
  shift 3
  local load balances trial
  load=$(measured "$name-load" "$ctb" "$@" demo --entries "$n")
  balances=$(measured "$name-balances" "$ctb" "$@" balances --company 1 --period 2025 \
    --group month --by-branch)
  trial=$(measured "$name-trial" "$ctb" "$@" trial-balance --company 1 --period 2025 \
    --monthly --format csv)
  printf "| %s | %s | %s | %s | %s |\n" "$n" "$engine" "$load" "$balances" "$trial"
}

wall() { cut -d' ' -f1 "$work/$1-load.time"; }

echo "| entries | engine | load: wall / CPU / peak | balance process: wall / CPU / peak | trial balance: wall / CPU / peak |"
echo "|---|---|---|---|---|"
ratios=()
for n in "${sizes[@]}"; do
  rm -f "$work/demo$n.db"
  row "$n" SQLite "sqlite$n" --db "$work/demo$n.db"
  psql_ "create database demo$n"
  row "$n" PostgreSQL "pg$n" --pg "host=$PG_TEMP_DIR user=postgres dbname=demo$n"
  if ! cmp -s "$work/sqlite$n-trial.out" "$work/pg$n-trial.out"; then
    echo "the engines' trial balances differ at $n entries" >&2
    exit 1
  fi
  psql_ "drop database demo$n"
  rm -f "$work/demo$n.db"
  ratios+=("$(awk -v n="$n" -v p="$(wall "pg$n")" -v s="$(wall "sqlite$n")" \
    'BEGIN { printf "%s entries: PostgreSQL/SQLite load %.2f", n, p / s }')")
done
printf '%s\n' "${ratios[@]}"
