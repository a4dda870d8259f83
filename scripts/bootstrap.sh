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
  liblua5.4-dev libxlsxwriter-dev
  libgtest-dev libgmock-dev
)
for arg in "$@"; do
  case "$arg" in
    --bench) packages+=(libbenchmark-dev ledger hledger) ;;
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;
    --ci) packages+=(clang libclang-rt-14-dev clang-tidy) ;;
    *) echo "bootstrap: unknown option $arg" >&2; exit 2 ;;
  esac
done

missing=()
for pkg in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "bootstrap: missing packages (${missing[*]}); run as root to install them" >&2
  exit 1
fi
echo "bootstrap: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
