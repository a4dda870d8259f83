#!/usr/bin/env bash
# Refuses an include of a layer above: framework/core -> data -> db ->
# app | ctb -> the module's folders -> package -> host, and inside host its
# rooms (host/README.md). Each folder lists the folders its sources may
# include; a folder not listed is not checked (tests, benchmarks, fuzz
# targets). A file, and each file it includes, belongs to the longest folder
# listed that holds it: host/ctb.cpp to host, host/server/ServidorWeb.h to
# host/server. Prints every offending line.
set -euo pipefail
cd "$(dirname "$0")/.."

base="framework/core framework/data framework/db"
modulos="entries managerial activities deletedlog balances trialbalance posting registers chart"
abaixo_host="$base framework/app framework/ctb schema $modulos package"
declare -A permitidos=(
  [framework/core]="framework/core"
  [framework/data]="framework/core framework/data"
  [framework/db]="$base"
  [framework/app]="$base framework/app"
  [framework/ctb]="$base framework/ctb"
  [schema]="$base schema"
  [package]="$abaixo_host"
)
for modulo in $modulos; do
  permitidos[$modulo]="$base framework/app framework/ctb schema $modulos"
done
# Each room of the host over the rooms it may include: services beside
# import, reports beside commands, demo beside server; ctb.cpp over them all.
declare -A salas=(
  [common]="common"
  [output]="common output"
  [services]="common output services"
  [import]="common output import"
  [reports]="common output services reports"
  [commands]="common output services import commands"
  [demo]="common output services import reports commands demo"
  [server]="common output services import reports commands server"
)
for sala in "${!salas[@]}"; do
  read -ra abaixo <<<"${salas[$sala]}"
  permitidos[host/$sala]="$abaixo_host ${abaixo[*]/#/host/}"
done
todas=("${!salas[@]}")
permitidos[host]="$abaixo_host host ${todas[*]/#/host/}"

# Sets `camada` to the folder listed that holds `caminho`, else its first
# component.
camada_de() {
  local caminho=$1 pasta
  camada=${caminho%%/*}
  for pasta in "${!permitidos[@]}"; do
    if [[ $caminho == "$pasta"/* && ${#pasta} -gt ${#camada} ]]; then camada=$pasta; fi
  done
}

mapfile -t raizes < <(printf '%s\n' "${!permitidos[@]}" | cut -d/ -f1 | sort -u)
falhas=0
while IFS= read -r linha; do
  camada_de "${linha%%:*}"
  pasta=$camada
  [ -n "${permitidos[$pasta]+x}" ] || continue
  [[ $linha =~ \#include\ \"([^\"]+)\" ]]
  incluido=${BASH_REMATCH[1]}
  camada_de "$incluido"
  if [[ " ${permitidos[$pasta]} " != *" $camada "* ]]; then
    echo "camada: ${linha%%:*} inclui $incluido (acima de $pasta)"
    falhas=1
  fi
done < <(grep -rn --include='*.h' --include='*.cpp' '^#include "' "${raizes[@]}" || true)
[ "$falhas" -eq 0 ] && echo "camadas: nenhuma inclusão de uma camada acima"
exit "$falhas"
