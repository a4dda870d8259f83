#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the ctb program need.
# Idempotent and silent when everything is already there. Pass --bench to add
# what the benchmarks need, --fuzz for the fuzz targets, --ci for the CI
# checks (clang-tidy and the fuzz targets).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config ccache
  libsqlite3-dev libpq-dev postgresql
  libfmt-dev nlohmann-json3-dev libcli11-dev libcpp-httplib-dev libssl-dev libsodium-dev
  liblua5.4-dev libxlsxwriter-dev libjemalloc-dev libofx-dev
  libgtest-dev libgmock-dev
  # the demo's journal is checked against a plain-text accounting tool's reading of it
  hledger
  chromium
  # Citus, built once from vendor/ by scripts/cluster.sh for the cluster tests
  postgresql-server-dev-15 liblz4-dev libzstd-dev libkrb5-dev libselinux1-dev libxslt1-dev
  libpam0g-dev libreadline-dev
)
for arg in "$@"; do
  case "$arg" in
    --bench) packages+=(libbenchmark-dev ledger) ;;
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;
    --ci) packages+=(clang libclang-rt-14-dev clang-tidy) ;;
    *) echo "bootstrap: unknown option $arg" >&2; exit 2 ;;
  esac
done

# Node and npm run the browser tests; a machine whose node came without
# Debian's package keeps its own.
command -v npm >/dev/null || packages+=(nodejs npm)

missing=()
for pkg in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "bootstrap: missing packages (${missing[*]}); run as root to install them" >&2
    exit 1
  fi
  echo "bootstrap: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The browser tests' npm packages, pinned by the lock file: playwright-core
# (it drives the chromium above and downloads no browser) and
# @axe-core/playwright (the accessibility check of the pages).
browser="$(dirname "$0")/../tests/browser"
if [ ! -d "$browser/node_modules/playwright-core" ] ||
   [ "$browser/package-lock.json" -nt "$browser/node_modules/.package-lock.json" ]; then
  (cd "$browser" && npm ci --no-audit --no-fund --silent)
fi
