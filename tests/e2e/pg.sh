# A PostgreSQL cluster of the run's own, for the runs that send the archive to a server:
# sourced after lib.sh. initdb and pg_ctl in a folder of the run's temporary directory, a free
# port on the loopback and a private socket folder. PostgreSQL refuses root, so as root it runs
# as nobody (with a /dev/null of its own where only root may write the machine's). The role
# reg01 logs in with a password over TCP, found through E2E_PG_PASSFILE; the superuser postgres
# over the socket without one. The cluster is stopped when the run ends.

E2E_PG_BIN=
E2E_PG_DIR=$E2E_TMP/pg
E2E_PG_PORT=
E2E_PG_PASSFILE=$E2E_TMP/pgpass

# A command as the cluster's owner.
e2e_pg_as_owner() {
    if [ "$(id -u)" -ne 0 ]; then
        "$@"
    elif runuser -u nobody -- sh -c ': >/dev/null' 2>/dev/null; then
        runuser -u nobody -- "$@"
    else
        local null=$E2E_PG_DIR/null
        [ -e "$null" ] || mknod -m 666 "$null" c 1 3
        unshare --mount sh -c 'mount --bind "$0" /dev/null && exec runuser -u nobody -- "$@"' \
            "$null" "$@"
    fi
}

e2e_pg_stop() {
    [ -n "$E2E_PG_BIN" ] && [ -f "$E2E_PG_DIR/data/postmaster.pid" ] || return 0
    e2e_pg_as_owner "$E2E_PG_BIN/pg_ctl" -D "$E2E_PG_DIR/data" -m fast -w stop >/dev/null 2>&1
}

# psql as the superuser, unaligned and quiet: e2e_pg_sql "SELECT ..."
e2e_pg_sql() {
    e2e_pg_as_owner "$E2E_PG_BIN/psql" -h "$E2E_PG_DIR/sockets" -p "$E2E_PG_PORT" -U postgres \
        -d reg01 -v ON_ERROR_STOP=1 -At -c "$1"
}

# The connection string the program is given: everything but the password.
e2e_pg_conninfo() {
    echo "host=127.0.0.1 port=$E2E_PG_PORT dbname=reg01 user=reg01 sslmode=disable"
}

e2e_pg_start() {
    local version
    version=$(ls /usr/lib/postgresql 2>/dev/null | sort -n | tail -n 1)
    [ -n "$version" ] && [ -x "/usr/lib/postgresql/$version/bin/initdb" ] \
        || e2e_skip "PostgreSQL is not installed (scripts/install-deps.sh)"
    E2E_PG_BIN=/usr/lib/postgresql/$version/bin
    E2E_PG_PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0));
print(s.getsockname()[1])')
    # The owner must reach its folder inside the run's private one.
    chmod 711 "$E2E_TMP"
    mkdir -p "$E2E_PG_DIR/sockets"
    chmod 777 "$E2E_PG_DIR" "$E2E_PG_DIR/sockets"
    local log=$E2E_PG_DIR/server.log
    e2e_pg_as_owner "$E2E_PG_BIN/initdb" -D "$E2E_PG_DIR/data" -U postgres -A trust -E UTF8 \
        --locale=C.UTF-8 >"$E2E_PG_DIR/initdb.log" 2>&1 || e2e_die "initdb failed"
    cat >>"$E2E_PG_DIR/data/postgresql.conf" <<CONF
port = $E2E_PG_PORT
listen_addresses = '127.0.0.1'
unix_socket_directories = '$E2E_PG_DIR/sockets'
fsync = off
password_encryption = scram-sha-256
CONF
    printf 'local all postgres trust\nhost all all 127.0.0.1/32 scram-sha-256\n' \
        >"$E2E_PG_DIR/data/pg_hba.conf"
    e2e_pg_as_owner "$E2E_PG_BIN/pg_ctl" -D "$E2E_PG_DIR/data" -l "$log" -w -t 30 start \
        >/dev/null 2>&1 || e2e_die "the PostgreSQL server did not start: $(tail -n 5 "$log")"
    local secret=e2e-$RANDOM$RANDOM
    e2e_pg_as_owner "$E2E_PG_BIN/psql" -h "$E2E_PG_DIR/sockets" -p "$E2E_PG_PORT" -U postgres \
        -d postgres -v ON_ERROR_STOP=1 -q -c "CREATE ROLE reg01 LOGIN PASSWORD '$secret'" \
        -c "CREATE DATABASE reg01 OWNER reg01" >/dev/null || e2e_die "could not make the role"
    printf '127.0.0.1:%s:*:reg01:%s\n' "$E2E_PG_PORT" "$secret" >"$E2E_PG_PASSFILE"
    chmod 600 "$E2E_PG_PASSFILE"
    e2e_log "PostgreSQL $version on port $E2E_PG_PORT"
}

# The run's own clean-up first, then lib.sh's with the run's exit status.
trap 'e2e_pg_rc=$?; set +e; e2e_pg_stop; (exit $e2e_pg_rc); e2e_cleanup' EXIT
