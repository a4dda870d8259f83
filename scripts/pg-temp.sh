# Sourced by the test and benchmark scripts: a private PostgreSQL server in a
# temporary folder (under $PG_TEMP_BASE, default /tmp), reached through a
# Unix socket only. PostgreSQL refuses to
# run as root, so as root the server runs as the postgres user.
pg_temp_start() {
  local bindir
  bindir=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
  PG_TEMP_DIR=$(mktemp -d "${PG_TEMP_BASE:-/tmp}/ctb-pg.XXXXXX")
  chmod 755 "$PG_TEMP_DIR"
  local as=()
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres:postgres "$PG_TEMP_DIR"
    as=(runuser -u postgres --)
  fi
  PG_TEMP_CTL=("${as[@]}" "$bindir/pg_ctl" -D "$PG_TEMP_DIR/data")
  "${as[@]}" "$bindir/initdb" -D "$PG_TEMP_DIR/data" -A trust -U postgres -E UTF8 --no-locale >/dev/null
  "${PG_TEMP_CTL[@]}" -o "-k $PG_TEMP_DIR -c listen_addresses='' -c fsync=off -c full_page_writes=off" \
    -l "$PG_TEMP_DIR/server.log" -w start >/dev/null
  export CTB_TEST_PG="host=$PG_TEMP_DIR user=postgres dbname=postgres"
}

pg_temp_stop() {
  [ -n "${PG_TEMP_DIR:-}" ] || return 0
  "${PG_TEMP_CTL[@]}" -m fast -w stop >/dev/null 2>&1 || true
  rm -rf "$PG_TEMP_DIR"
  PG_TEMP_DIR=
}
