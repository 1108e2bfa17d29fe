# A throwaway PostgreSQL server on loopback for the tests: its own data folder under /tmp,
# a free port, a role that may create databases. Sourced; pg_iniciar exports the
# TQ614_PG_* variables the tests read, pg_detener stops it and removes the folder.

pg_bin() {
    local d
    for d in /usr/lib/postgresql/*/bin; do [ -x "$d/pg_ctl" ] && { echo "$d"; return; }; done
    return 1
}

pg_iniciar() {
    local bin puerto
    bin=$(pg_bin) || { echo "PostgreSQL no está instalado" >&2; return 1; }
    PG_DIR=$(mktemp -d /tmp/pg.XXXXXX)
    chown postgres "$PG_DIR" && chmod 700 "$PG_DIR"
    local como=()
    [ "$(id -u)" -eq 0 ] && como=(runuser -u postgres --)
    [ "$(id -u)" -eq 0 ] || chown "$(id -u)" "$PG_DIR" 2>/dev/null || true
    "${como[@]}" "$bin/initdb" -D "$PG_DIR/data" -U postgres -E UTF8 --locale=C -A trust >/dev/null
    # A port nobody listens on may still be taken by a client's socket, which only the
    # server's own bind finds out: then the next port is tried.
    puerto=55431
    local intentos=0
    while :; do
        puerto=$((puerto + 1))
        (echo >"/dev/tcp/127.0.0.1/$puerto") 2>/dev/null && continue
        "${como[@]}" "$bin/pg_ctl" -D "$PG_DIR/data" -l "$PG_DIR/server.log" -w -t 30 \
            -o "-p $puerto -k $PG_DIR -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=60" start \
            >/dev/null && break
        intentos=$((intentos + 1))
        [ "$intentos" -lt 20 ] || { echo "PostgreSQL de prueba no arrancó: $PG_DIR/server.log" >&2; return 1; }
    done
    PG_BIN=$bin
    "$bin/psql" -h 127.0.0.1 -p "$puerto" -U postgres -d postgres -q -v ON_ERROR_STOP=1 \
        -c "CREATE ROLE tq614 LOGIN CREATEDB PASSWORD 'tq614'" \
        -c "CREATE DATABASE tq614 OWNER tq614 TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'" >/dev/null
    export TQ614_PG_HOST=127.0.0.1 TQ614_PG_PORT=$puerto TQ614_PG_USUARIO=tq614 TQ614_PG_CLAVE=tq614
    export TQ614_PG_BASE=tq614 TQ614_PG_ADMIN=postgres TEST_PG_REQUIRED=1
    echo "PostgreSQL de prueba en 127.0.0.1:$puerto ($PG_DIR)"
}

pg_detener() {
    [ -n "${PG_DIR:-}" ] && [ -d "$PG_DIR/data" ] || return 0
    local como=()
    [ "$(id -u)" -eq 0 ] && como=(runuser -u postgres --)
    "${como[@]}" "$PG_BIN/pg_ctl" -D "$PG_DIR/data" -m fast -w stop >/dev/null 2>&1 || true
    rm -rf "$PG_DIR"
    PG_DIR=
}
