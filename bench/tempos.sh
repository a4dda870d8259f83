# Timing helpers the comparison scripts share (sourced, not run).

now() { date +%s.%N; }
elapsed() { python3 -c "import sys; print(f'{float(sys.argv[2]) - float(sys.argv[1]):.3f}')" "$1" "$2"; }

# best_of_3 OUTPUT CMD...: runs CMD three times with stdout to OUTPUT and
# prints the best wall time in seconds; a failing run stops the script. It is
# called inside $(...), where bash drops set -e, so the failure is checked
# here and returned for the caller's assignment to fail on.
best_of_3() {
  local output="$1" best="" t0 t1 t
  shift
  for _ in 1 2 3; do
    t0="$(now)"
    if ! "$@" >"$output"; then
      echo "failed: $*" >&2
      return 1
    fi
    t1="$(now)"
    t="$(elapsed "$t0" "$t1")"
    if [ -z "$best" ] || python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) < float(sys.argv[2]) else 1)" "$t" "$best"; then
      best="$t"
    fi
  done
  echo "$best"
}

# load_demo N DIR: in DIR, a fresh SQLite database (ctb.db) loaded by `ctb
# demo --entries N` and the same rows as a journal (demo.journal); prints the
# load's time, which no comparison includes. Needs $ctb.
load_demo() {
  local n="$1" dir="$2" t0 t1
  mkdir -p "$dir"
  echo "== $n entries"
  t0="$(now)"
  if ! (cd "$dir" && "$ctb" --db ctb.db demo --entries "$n" --journal demo.journal \
    >demo.out 2>demo.err); then
    echo "ctb demo failed:" >&2
    tail -n 20 "$dir/demo.out" "$dir/demo.err" >&2
    exit 1
  fi
  t1="$(now)"
  echo "load (ctb demo, not compared): $(elapsed "$t0" "$t1") s"
}

# pg_and_work NAME: a throw-away PostgreSQL server ($PG_TEMP_DIR) and a work
# directory ($work), both in /dev/shm when there is one, so that the disk's
# write-back, which comes and goes, times neither engine; both go when the
# script exits. Sets $ctb: build-bench/host/ctb, or $CTB. Run from the
# repository's root.
pg_and_work() {
  ctb=${CTB:-$PWD/build-bench/host/ctb}
  local base=/tmp
  [ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
  export PG_TEMP_BASE=$base
  source ./scripts/pg-temp.sh
  pg_temp_start
  work=$(mktemp -d "$base/$1.XXXXXX")
  trap 'pg_temp_stop; rm -rf "$work"' EXIT
}

# psql_ SQL: one statement on the server of pg_and_work, quietly.
psql_() {
  PGOPTIONS='-c client_min_messages=warning' psql -q -X -h "$PG_TEMP_DIR" -U postgres \
    -d postgres -c "$1" >/dev/null
}
