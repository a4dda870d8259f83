#!/usr/bin/env bash
# Builds the test suite with AddressSanitizer and UndefinedBehaviorSanitizer,
# starts a throw-away PostgreSQL server and a Citus cluster (a coordinator
# and two workers) on Unix sockets, runs every test against them and the
# embedded SQLite, then stops the servers.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/bootstrap.sh

build=${CTB_TEST_BUILD:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCTB_SANITIZE=ON -DCTB_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)"

source ./scripts/pg-temp.sh
pg_temp_start
trap pg_temp_stop EXIT
# The Citus cluster (built once, the first time): its tests skip without
# CTB_TEST_CITUS, except on CI, where they fail.
source ./scripts/cluster.sh
if cluster_start; then
  trap 'cluster_stop; pg_temp_stop' EXIT
else
  echo "run-tests: the Citus cluster did not start; its tests will not run" >&2
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@" || status=$?
# A run shown only by its end still names why each test failed: the last
# lines of every failed test's output close it.
failed="$build/Testing/Temporary/LastTestsFailed.log"
if [ "$status" -ne 0 ] && [ -f "$failed" ]; then
  while IFS=: read -r _ name; do
    echo "---- last lines of $name ----"
    # Parameterised names carry spaces ("… # GetParam() = …"): compare the
    # whole rest of the line, not a field.
    awk -v name="$name" '$0 ~ "^[0-9]+/[0-9]+ Testing: " && substr($0, index($0, ": ") + 2) == name { on = 1; next }
      on && index($0, "\"" name "\" end time:") == 1 { on = 0 }
      on' "$build/Testing/Temporary/LastTest.log" | tail -n 40
  done < "$failed"
fi
exit "$status"
