# Sourced by the test and benchmark scripts: a private distributed PostgreSQL
# (Citus) in a temporary folder, a coordinator and two workers reached through
# Unix sockets only, beside the plain server of pg-temp.sh.
#
# cluster_install builds and installs Citus from vendor/ when the server has
# no citus extension yet (once per machine, a minute or two on two cores; it
# needs root and the build packages scripts/bootstrap.sh installs);
# afterwards it returns at once. cluster_start exports CTB_TEST_CITUS, the
# coordinator's conninfo, and CTB_TEST_CITUS_CTL, which stops and starts a
# node; cluster_stop stops the three servers and removes the folder.

CLUSTER_CITUS_VERSION=13.0.5

cluster_pg_bindir() {
  ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1
}

# Whether the newest installed server can load Citus.
cluster_installed() {
  local bindir
  bindir=$(cluster_pg_bindir)
  [ -f "$("$bindir/pg_config" --pkglibdir 2>/dev/null || pg_config --pkglibdir)/citus.so" ]
}

cluster_install() {
  cluster_installed && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "cluster: Citus is not installed and only root can install it" >&2
    return 1
  fi
  local root tarball work
  root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  tarball="$root/vendor/citus-$CLUSTER_CITUS_VERSION.tar.gz"
  (cd "$root/vendor" && sha256sum --quiet -c "citus-$CLUSTER_CITUS_VERSION.tar.gz.sha256") || return 1
  work=$(mktemp -d "${TMPDIR:-/tmp}/ctb-citus-build.XXXXXX")
  echo "cluster: building Citus $CLUSTER_CITUS_VERSION (once)"
  # No LLVM bitcode for the JIT: it doubles the build for nothing we use.
  if ! (tar xzf "$tarball" -C "$work" && cd "$work/citus-$CLUSTER_CITUS_VERSION" &&
        ./configure --without-libcurl >"$work/build.log" 2>&1 &&
        make -j "$(nproc)" with_llvm=no >>"$work/build.log" 2>&1 &&
        make install with_llvm=no >>"$work/build.log" 2>&1); then
    tail -n 30 "$work/build.log" >&2
    echo "cluster: the Citus build failed (log above)" >&2
    rm -rf "$work"
    return 1
  fi
  rm -rf "$work"
}

# Runs one statement on the node listening on port $1.
cluster_sql() {
  local port=$1
  shift
  "${CLUSTER_AS[@]}" "$(cluster_pg_bindir)/psql" -X -q -v ON_ERROR_STOP=1 -h "$CLUSTER_DIR" \
    -p "$port" -U postgres -d postgres -At -c "$*"
}

# Ports only name the socket files inside the private folder: no TCP port
# is opened, so they cannot collide with anything else on the machine.
CLUSTER_PORTS=(9700 9701 9702)
# Few shards per table: installing the schema creates every table's shards,
# and the tests install it many times; eight still spread a handful of
# companies over both workers.
CLUSTER_SHARDS=${CLUSTER_SHARDS:-8}

cluster_start() {
  cluster_install || return 1
  local bindir port
  bindir=$(cluster_pg_bindir)
  CLUSTER_DIR=$(mktemp -d "${PG_TEMP_BASE:-/tmp}/ctb-citus.XXXXXX")
  chmod 755 "$CLUSTER_DIR"
  CLUSTER_AS=()
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres:postgres "$CLUSTER_DIR"
    CLUSTER_AS=(runuser -u postgres --)
  fi
  cluster_write_ctl "$bindir"
  for port in "${CLUSTER_PORTS[@]}"; do
    "${CLUSTER_AS[@]}" "$bindir/initdb" -D "$CLUSTER_DIR/$port" -A trust -U postgres -E UTF8 \
      --no-locale >/dev/null || return 1
    # In the node's own configuration, not on pg_ctl's command line, so that
    # a node a test stopped starts again as it was.
    printf '%s\n' "unix_socket_directories = '$CLUSTER_DIR'" "port = $port" \
      "listen_addresses = ''" "fsync = off" "full_page_writes = off" \
      "shared_preload_libraries = 'citus'" "max_connections = 200" \
      "citus.shard_count = $CLUSTER_SHARDS" |
      "${CLUSTER_AS[@]}" tee -a "$CLUSTER_DIR/$port/postgresql.conf" >/dev/null || return 1
    "$CLUSTER_DIR/ctl" start "$port" || return 1
    cluster_sql "$port" "create extension citus" || return 1
  done
  cluster_sql "${CLUSTER_PORTS[0]}" \
    "select citus_set_coordinator_host('$CLUSTER_DIR', ${CLUSTER_PORTS[0]})" >/dev/null || return 1
  for port in "${CLUSTER_PORTS[@]:1}"; do
    cluster_sql "${CLUSTER_PORTS[0]}" "select citus_add_node('$CLUSTER_DIR', $port)" >/dev/null ||
      return 1
  done
  export CTB_TEST_CITUS="host=$CLUSTER_DIR port=${CLUSTER_PORTS[0]} user=postgres dbname=postgres"
  export CTB_TEST_CITUS_CTL="$CLUSTER_DIR/ctl"
}

# Writes $CLUSTER_DIR/ctl: `ctl start PORT` starts a node, `ctl stop PORT`
# stops it at once, as a crash would (the coordinator's statements on its
# shards fail from then on). The test that loses a worker runs it
# (CTB_TEST_CITUS_CTL).
cluster_write_ctl() {
  local pg_ctl="${CLUSTER_AS[*]} $1/pg_ctl -D $CLUSTER_DIR/\$2"
  printf '%s\n' '#!/bin/sh' \
    'case "$1" in' \
    "  start) exec $pg_ctl -l $CLUSTER_DIR/\$2.log -w start >/dev/null ;;" \
    "  stop) exec $pg_ctl -m immediate -w stop >/dev/null ;;" \
    '  *) echo "usage: $0 start|stop PORT" >&2; exit 2 ;;' \
    'esac' >"$CLUSTER_DIR/ctl"
  chmod 755 "$CLUSTER_DIR/ctl"
}

cluster_stop() {
  [ -n "${CLUSTER_DIR:-}" ] || return 0
  local port
  for port in "${CLUSTER_PORTS[@]}"; do
    "${CLUSTER_AS[@]}" "$(cluster_pg_bindir)/pg_ctl" -D "$CLUSTER_DIR/$port" -m fast -w stop \
      >/dev/null 2>&1 || true
  done
  rm -rf "$CLUSTER_DIR"
  CLUSTER_DIR=
  unset CTB_TEST_CITUS CTB_TEST_CITUS_CTL
}
