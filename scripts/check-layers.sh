#!/usr/bin/env bash
# Refuses an include of a layer above: framework/core -> data -> db ->
# app | ctb -> the module's folders -> package -> host. Each folder lists
# the folders its sources may include; a folder not listed is not checked
# (tests, benchmarks, fuzz targets). Prints every offending line.
set -euo pipefail
cd "$(dirname "$0")/.."

base="framework/core framework/data framework/db"
modulos="entries managerial activities deletedlog balances trialbalance posting registers chart"
declare -A permitidos=(
  [framework/core]="framework/core"
  [framework/data]="framework/core framework/data"
  [framework/db]="$base"
  [framework/app]="$base framework/app"
  [framework/ctb]="$base framework/ctb"
  [schema]="$base schema"
  [package]="$base framework/app framework/ctb schema $modulos package"
  [host]="$base framework/app framework/ctb schema $modulos package host"
)
for modulo in $modulos; do
  permitidos[$modulo]="$base framework/app framework/ctb schema $modulos"
done

falhas=0
for pasta in "${!permitidos[@]}"; do
  [ -d "$pasta" ] || continue
  while IFS= read -r linha; do
    arquivo=${linha%%:*}
    incluido=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$linha")
    camada=$(awk -F/ '{ print ($1 == "framework" ? $1 "/" $2 : $1) }' <<<"$incluido")
    if [[ " ${permitidos[$pasta]} " != *" $camada "* ]]; then
      echo "camada: $arquivo inclui $incluido (acima de $pasta)"
      falhas=1
    fi
  done < <(grep -rn --include='*.h' --include='*.cpp' '^#include "' "$pasta" || true)
done
[ "$falhas" -eq 0 ] && echo "camadas: nenhuma inclusão de uma camada acima"
exit "$falhas"
