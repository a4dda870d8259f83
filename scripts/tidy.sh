#!/usr/bin/env bash
# clang-tidy (.clang-tidy's checks, findings are errors) on the C++ sources
# changed since BASE (default: the last ten commits, or the whole history
# when it is shorter), through the compile database of BUILD.
#   scripts/tidy.sh BUILD [BASE]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
base=${2:-$(git rev-parse -q --verify HEAD~10 || git rev-list --max-parents=0 HEAD)}
mapfile -t arquivos < <(git diff --name-only --diff-filter=AMR "$base" -- '*.cpp' |
  grep -v -E '^(tests|bench|fuzz)/' || true)
if [ ${#arquivos[@]} -eq 0 ]; then
  echo "tidy: nenhum arquivo alterado desde $base"
  exit 0
fi
echo "tidy: ${#arquivos[@]} arquivos alterados desde $(git rev-parse --short "$base")"
clang-tidy -p "$build" --quiet --extra-arg=-Wno-unknown-warning-option "${arquivos[@]}"
