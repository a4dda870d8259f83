#!/usr/bin/env bash
# Times `ctb post` (the posting engine) against `ctb import entries` on the
# same generated entries, in the same run, on copies of one demo database;
# then posts the entries with a managerial row each and checks that the
# trial balance moved by their total.
#
#   bench/post_vs_import.sh [N]     (default: 10000)
#
# CTB names the optimised ctb program (default build/host/ctb; build it with
# scripts/demo.sh). Each command runs RUNS times (default 3), each on a
# fresh copy of the demo database, and the best wall time is kept. The entries move cash
# against revenue (no apportioned account, so both paths do the same work
# per entry); the managerial run debits an apportioned expense account.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
ctb="${CTB:-$root/build/host/ctb}"
case "$ctb" in /*) ;; *) ctb="$(pwd)/$ctb" ;; esac
[ -x "$ctb" ] || { echo "ctb program not found at $ctb (build it with scripts/demo.sh or set CTB)" >&2; exit 2; }
n="${1:-10000}"
work="$(mktemp -d /tmp/ctb-post-XXXXXX)"
trap 'rm -rf "$work"' EXIT
source "$root/bench/tempos.sh"
cd "$work"
"$ctb" --db base.db demo --entries 1 >/dev/null 2>&1

python3 - "$n" <<'PY'
import csv, json, sys
n = int(sys.argv[1])
def valor(i):
    c = 100 + i * 37 % 99_901
    return f"{c // 100}.{c % 100:02d}"
with open("entries.csv", "w", newline="") as f:
    w = csv.writer(f)
    w.writerow(["CODIGOESTAB", "DATALCTOCTB", "CONTACTBDEB", "CONTACTBCRED", "CODIGOHISTCTB",
                "VALORLCTOCTB"])
    for i in range(1, n + 1):
        w.writerow([1, f"2025-{1 + i % 12:02d}-15", 1101001, 3101002, 17, valor(i)])
def lote(deb, cred, gerencial):
    out = []
    for i in range(1, n + 1):
        l = {"CODIGOEMPRESA": 1, "CHAVELCTOCTB": i, "CODIGOESTAB": 1,
             "DATALCTOCTB": f"2025-{1 + i % 12:02d}-15", "CONTACTBDEB": deb,
             "CONTACTBCRED": cred, "CODIGOHISTCTB": 17, "VALORLCTOCTB": valor(i)}
        if gerencial:
            l["LCTOGER"] = [{"CODIGOCENTROCUSTO": 202, "NATURLCTOCTB": 1, "VALORLCTOGER": "0.01"}]
        out.append(l)
    return out
json.dump(lote(1101001, 3101002, False), open("entries.json", "w"))
json.dump(lote(4202001, 1101001, True), open("managerial.json", "w"))
print(sum(100 + i * 37 % 99_901 for i in range(1, n + 1)), file=open("total", "w"))
PY

# A fresh copy of the demo for each run; the best of RUNS wall times.
on_copy() { cp base.db run.db; "$ctb" --db run.db "$@"; }
best() {
  local output="$1" melhor="" t0 t
  shift
  for _ in $(seq "${RUNS:-3}"); do
    t0="$(now)"
    on_copy "$@" >"$output" || { echo "failed: $*" >&2; return 1; }
    t="$(elapsed "$t0" "$(now)")"
    if [ -z "$melhor" ] || python3 -c "import sys; sys.exit(float(sys.argv[1]) >= float(sys.argv[2]))" "$t" "$melhor"; then
      melhor="$t"
    fi
  done
  echo "$melhor"
}
rate() { python3 -c "import sys; print(f'{int(sys.argv[1]) / float(sys.argv[2]):,.0f}')" "$n" "$1"; }
echo "== $n entries (best of ${RUNS:-3}, fresh demo database each)"
t_import="$(best import.out import entries entries.csv --company 1)"
echo "import entries:              ${t_import} s  $(rate "$t_import") entries/s"
t_post="$(best post.out post entries.json --format csv)"
echo "post:                        ${t_post} s  $(rate "$t_post") entries/s"
python3 -c "import sys; print(f'post / import: {float(sys.argv[1]) / float(sys.argv[2]):.2f}x the time')" \
  "$t_post" "$t_import"
t_ger="$(best managerial.out post managerial.json --format csv)"
echo "post, apportioned + 1 row:   ${t_ger} s  $(rate "$t_ger") entries/s"

# The last managerial run is in run.db: the trial balance shows its total.
tb() {
  "$ctb" --db "$1" trial-balance --company 1 --from 2025-01-01 --to 2025-12-31 --format csv |
    python3 -c "
import csv, sys
for r in csv.DictReader(sys.stdin):
    if r['CodigoConta'] == '4202001': print(round(float(r['DEBITO'] or 0) * 100)); break
else: print(0)"
}
moved=$(( $(tb run.db) - $(tb base.db) ))
expected="$(cat total)"
echo "trial balance, 4.2.02.001 debits moved by ${moved} cents (posted ${expected})"
[ "$moved" -eq "$expected" ] || { echo "the trial balance does not show the batch" >&2; exit 1; }
