#!/usr/bin/env bash
# Builds the test suite with AddressSanitizer and UndefinedBehaviorSanitizer,
# starts a throw-away PostgreSQL server on a Unix socket, runs every test
# against it and the embedded SQLite, then stops the server.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/bootstrap.sh

build=${CTB_TEST_BUILD:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCTB_SANITIZE=ON -DCTB_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)"

source ./scripts/pg-temp.sh
pg_temp_start
trap pg_temp_stop EXIT

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
