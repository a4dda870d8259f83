#!/usr/bin/env bash
# Times our account ledger and journal against the command-line ledger tool
# on the same generated year, and checks that both list the same postings.
#
#   bench/ledger_journal_vs_ledger.sh [N ...]     (default: 1000000)
#
# CTB names the optimised ctb program (default build/host/ctb; build it with
# scripts/demo.sh). For each N, `ctb demo --entries N --journal demo.journal`
# loads the year into a fresh SQLite database and writes the same rows as a
# journal (not timed in the comparison). Then, each the best of three:
#   - `ctb ledger` of the busiest account over the year against
#     `ledger reg` of that account;
#   - `ctb journal` of March against `ledger print` of March.
# Exits non-zero when the two disagree on the number of postings or on the
# account's year total.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
ctb="${CTB:-$root/build/host/ctb}"
case "$ctb" in /*) ;; *) ctb="$(pwd)/$ctb" ;; esac
if [ ! -x "$ctb" ]; then
  echo "ctb program not found at $ctb (build it with scripts/demo.sh or set CTB)" >&2
  exit 2
fi
for tool in ledger python3; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 2; }
done

sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000000)

work="$(mktemp -d /tmp/ctb-reports-vs-ledger-XXXXXX)"
trap 'rm -rf "$work"' EXIT

source "$root/bench/tempos.sh"

status=0
for n in "${sizes[@]}"; do
  dir="$work/$n"
  load_demo "$n" "$dir"
  cd "$dir"

  # The busiest account: its code, its classification, and its name in the
  # journal (the classification's path).
  "$ctb" --db ctb.db sql --format csv \
    "select C.CONTACTB, P.CLASSIFCONTA, C.N from (select CONTACTB, count(*) N from (
       select CONTACTBDEB CONTACTB from LCTOCTB where CODIGOEMPRESA = 1
       union all select CONTACTBCRED from LCTOCTB where CODIGOEMPRESA = 1) S
       group by CONTACTB order by 2 desc limit 1) C
     join PLANOESPEC P on P.CODIGOEMPRESA = 1 and P.CONTACTB = C.CONTACTB" \
    | sed -n 2p >busiest.csv
  IFS=, read -r code classif postings <busiest.csv
  name="$(python3 -c "import sys; c = sys.argv[1]; p = c.split('.'); \
print(':'.join('.'.join(p[:i + 1]) for i in range(len(p))))" "$classif")"
  pattern="^$(sed 's/\./\\./g' <<<"$name")\$"
  echo "busiest account: $code ($classif, $postings postings), '$name' in the journal"

  tLedgerCtb="$(best_of_3 razao.csv "$ctb" --db ctb.db ledger --company 1 \
    --from 2025-01-01 --to 2025-12-31 --account "$code" --format csv)"
  tLedgerReg="$(best_of_3 reg.out ledger -f demo.journal reg "$pattern")"
  tJournalCtb="$(best_of_3 diario.csv "$ctb" --db ctb.db journal --company 1 \
    --from 2025-03-01 --to 2025-03-31 --format csv)"
  tJournalPrint="$(best_of_3 print.out ledger -f demo.journal print -b 2025/03/01 -e 2025/04/01)"

  python3 - "$tLedgerCtb" "$tLedgerReg" "$tJournalCtb" "$tJournalPrint" <<'EOF'
import sys
lc, lr, jc, jp = (float(x) for x in sys.argv[1:])
print(f"ctb ledger (account, year):  {lc:.3f} s")
print(f"ledger reg ACCOUNT:          {lr:.3f} s   ({lr / lc:.2f}x ctb)")
print(f"ctb journal (March):         {jc:.3f} s")
print(f"ledger print (March):        {jp:.3f} s   ({jp / jc:.2f}x ctb)")
EOF

  # The same postings, outside the timed runs: the account's entries and
  # year total, and March's transactions.
  ledger -f demo.journal reg "$pattern" \
    --format '%(quantity(scrub(display_amount)))\n' >reg.amounts
  if ! python3 - razao.csv reg.amounts diario.csv print.out <<'EOF'; then
import csv, sys
from decimal import Decimal

with open(sys.argv[1], newline="", encoding="utf-8") as f:
    razao = list(csv.DictReader(f))
entries = [r for r in razao if r["CHAVELCTOCTB"]]
total = sum(Decimal(r["DEBITO"] or "0") - Decimal(r["CREDITO"] or "0") for r in entries)
with open(sys.argv[2], encoding="utf-8") as f:
    amounts = [Decimal(line.replace(",", "")) for line in f if line.strip()]
with open(sys.argv[3], newline="", encoding="utf-8") as f:
    diario = [r for r in csv.DictReader(f) if r["CHAVELCTOCTB"]]
with open(sys.argv[4], encoding="utf-8") as f:
    printed = sum(1 for line in f if line[:1].isdigit())

problems = []
if len(entries) != len(amounts):
    problems.append(f"account postings: ctb {len(entries)} / ledger {len(amounts)}")
if total != sum(amounts, Decimal(0)):
    problems.append(f"account year total: ctb {total} / ledger {sum(amounts, Decimal(0))}")
if len(diario) != printed:
    problems.append(f"March transactions: ctb {len(diario)} / ledger {printed}")
if problems:
    print("disagreement: " + "; ".join(problems))
    sys.exit(1)
print(f"postings agree: {len(entries)} of the account (year total {total}), "
      f"{len(diario)} transactions in March")
EOF
    status=1
  fi
  cd "$root"
done
exit "$status"
