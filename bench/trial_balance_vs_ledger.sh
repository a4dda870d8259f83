#!/usr/bin/env bash
# Times our monthly trial balance against the classic command-line ledger
# tools on the same generated year, and checks that all three give every
# analytic account the same year total (debits minus credits).
#
#   bench/trial_balance_vs_ledger.sh [N ...]     (default: 100000 1000000)
#
# CTB names the optimised ctb program (default build/host/ctb; build it with
# scripts/demo.sh). For each N, `ctb demo --entries N --journal demo.journal`
# loads the year into a fresh SQLite database and writes the same rows as a
# journal; that load is timed on its own and is not part of the comparison.
# Each query is then run three times and the best wall time kept. Exits
# non-zero when any account total differs.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
ctb="${CTB:-$root/build/host/ctb}"
case "$ctb" in /*) ;; *) ctb="$(pwd)/$ctb" ;; esac
if [ ! -x "$ctb" ]; then
  echo "ctb program not found at $ctb (build it with scripts/demo.sh or set CTB)" >&2
  exit 2
fi
for tool in ledger hledger python3; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 2; }
done

sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100000 1000000)

work="$(mktemp -d /tmp/ctb-vs-ledger-XXXXXX)"
trap 'rm -rf "$work"' EXIT

source "$root/bench/tempos.sh"

status=0
for n in "${sizes[@]}"; do
  dir="$work/$n"
  load_demo "$n" "$dir"
  cd "$dir"

  tCtb="$(best_of_3 ctb.csv "$ctb" --db ctb.db trial-balance --company 1 \
    --from 2025-01-01 --to 2025-12-31 --monthly --format csv)"
  tLedger="$(best_of_3 ledger.out ledger -f demo.journal bal)"
  tHledger="$(best_of_3 hledger.out hledger -f demo.journal bal -M)"

  python3 - "$tCtb" "$tLedger" "$tHledger" <<'EOF'
import sys
c, l, h = (float(x) for x in sys.argv[1:])
print(f"ctb trial-balance --monthly: {c:.3f} s")
print(f"ledger bal:                  {l:.3f} s   ({l / c:.2f}x ctb)")
print(f"hledger bal -M:              {h:.3f} s   ({h / c:.2f}x ctb)")
EOF

  # Year totals per account, outside the timed runs. The ledger tools list
  # the accounts they saw postings on, named by classification path. Our
  # trial balance also shows calculated result accounts (no postings of their
  # own) and folds each customer's and supplier's account into the totals of
  # the groups above it, so those lists come from the company's settings.
  ledger -f demo.journal bal --flat --no-total \
    --format '%(account)\t%(quantity(scrub(display_total)))\n' >ledger.tsv
  hledger -f demo.journal bal --flat -O csv >hledger.csv
  "$ctb" --db ctb.db sql --format csv \
    "select distinct CONTACTB from CALCPLANOESPEC where CODIGOEMPRESA = 1" >calculadas.csv
  "$ctb" --db ctb.db sql --format csv \
    "select CLASSIFCONTA from CFGPLANOESPECPESSOA where CODIGOEMPRESA = 1" >pessoas.csv

  if ! python3 - ctb.csv ledger.tsv hledger.csv calculadas.csv pessoas.csv <<'EOF'; then
import csv, sys
from decimal import Decimal

def read_csv(path):
    with open(path, newline="", encoding="utf-8") as f:
        return list(csv.DictReader(f))

def year_net(row):
    total = Decimal(0)
    for column, value in row.items():
        if column.startswith("DEBITO"):
            total += Decimal(value or "0")
        elif column.startswith("CREDITO"):
            total -= Decimal(value or "0")
    return total

def number(text):
    return Decimal(text.replace(",", "") or "0")

def from_ledger(path):
    totals = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.strip():
                account, amount = line.rstrip("\n").split("\t")
                totals[account] = number(amount)
    return totals

def from_hledger(path):
    return {r["account"]: number(r["balance"]) for r in read_csv(path) if r["account"] != "total"}

def subtree(totals, classif):
    # Path components are whole classifications, so a group's total is the
    # sum of the accounts whose path holds it.
    return sum((v for k, v in totals.items() if classif in k.split(":")), Decimal(0))

rows = read_csv(sys.argv[1])
ledger, hledger = from_ledger(sys.argv[2]), from_hledger(sys.argv[3])
calculated = {r["CONTACTB"] for r in read_csv(sys.argv[4])}
folded = {r["CLASSIFCONTA"] for r in read_csv(sys.argv[5])}
rows = [r for r in rows if r["CodigoConta"] not in calculated]
if not any(r["TipoConta"] == "A" for r in rows):
    sys.exit("no analytic account in ctb's trial balance")

problems = []
# Every account line of the trial balance, analytic and synthetic, against
# the same account (or group) in both tools.
for r in rows:
    c = year_net(r)
    l, h = subtree(ledger, r["ClassifConta"]), subtree(hledger, r["ClassifConta"])
    if c != l or c != h:
        problems.append(f"{r['ClassifConta']}: ctb {c} / ledger {l} / hledger {h}")
# The two tools account by account, and no posted account missing from ours
# unless it is one the trial balance folds.
shown = {r["ClassifConta"] for r in rows if r["TipoConta"] == "A"}
for account in sorted(set(ledger) | set(hledger)):
    l, h = ledger.get(account, Decimal(0)), hledger.get(account, Decimal(0))
    leaf = account.rsplit(":", 1)[-1]
    if l != h:
        problems.append(f"{leaf}: ledger {l} / hledger {h}")
    if leaf not in shown and leaf not in folded and l != 0:
        problems.append(f"{leaf}: posted ({l}) but not in ctb's trial balance")

if problems:
    print(f"{len(problems)} disagreement(s):")
    for p in problems[:30]:
        print("  " + p)
    sys.exit(1)
analytic = sum(1 for r in rows if r["TipoConta"] == "A")
folded_posted = sum(1 for a in ledger if a.rsplit(":", 1)[-1] in folded)
print(f"totals agree: {len(rows)} account lines ({analytic} analytic) match both tools; "
      f"{folded_posted} customer/supplier accounts agree between the tools and, folded, "
      f"in their groups; {len(calculated)} calculated accounts left out")
EOF
    status=1
  fi
  cd "$root"
done
exit "$status"
