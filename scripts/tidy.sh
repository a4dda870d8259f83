#!/usr/bin/env bash
# clang-tidy (.clang-tidy's checks, findings are errors) on the C++ sources
# changed since BASE (default: the last commit, which for a merge is all it
# brought; the whole history when there is no parent), through the compile
# database of BUILD, two files at a time.
#   scripts/tidy.sh BUILD [BASE]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
base=${2:-$(git rev-parse -q --verify HEAD~1 || git rev-list --max-parents=0 HEAD)}
mapfile -t arquivos < <(git diff --name-only --diff-filter=AMR "$base" -- '*.cpp' |
  grep -v -E '^(tests|bench|fuzz)/' || true)
if [ ${#arquivos[@]} -eq 0 ]; then
  echo "tidy: nenhum arquivo alterado desde $base"
  exit 0
fi
echo "tidy: ${#arquivos[@]} arquivos alterados desde $(git rev-parse --short "$base")"
printf '%s\0' "${arquivos[@]}" |
  xargs -0 -n 1 -P "$(nproc)" clang-tidy -p "$build" --quiet --extra-arg=-Wno-unknown-warning-option \
  --extra-arg=-Wno-conversion
