#!/usr/bin/env bash
# The checks CI runs beside the test suite, each bounded:
# - clang-tidy (.clang-tidy) on the sources the recent commits changed;
# - the tests that run work on other threads (parallel runs, concurrent
#   sessions, writers queueing for a file) under ThreadSanitizer, on SQLite
#   and PostgreSQL;
# - the filter fuzz target for a minute.
# The layer check runs inside the test suite itself (LayerIncludes).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/bootstrap.sh --ci

echo "== ThreadSanitizer"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCTB_TSAN=ON >/dev/null
cmake --build build-tsan -j "$(nproc)" --target test_app test_entries test_balances test_db >/dev/null

echo "== clang-tidy"
./scripts/tidy.sh build-tsan

source ./scripts/pg-temp.sh
pg_temp_start
trap pg_temp_stop EXIT
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
./build-tsan/tests/framework/app/test_app --gtest_brief=1 --gtest_filter='*Paralelo*:*Sessao*'
./build-tsan/tests/entries/test_entries --gtest_brief=1 --gtest_filter='*SessoesConcorrentes*'
./build-tsan/tests/balances/test_balances --gtest_brief=1 --gtest_filter='*Parallel*'
./build-tsan/tests/framework/db/test_db --gtest_brief=1 --gtest_filter='*FilaEscrita*'

echo "== fuzz (60 s)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCTB_FUZZ=ON -DCTB_TESTS=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target fuzz_filter >/dev/null
mkdir -p build-fuzz/corpus
./build-fuzz/fuzz/fuzz_filter -max_total_time=60 -dict=fuzz/filter.dict -print_final_stats=0 \
  build-fuzz/corpus 2>&1 | tail -n 3
