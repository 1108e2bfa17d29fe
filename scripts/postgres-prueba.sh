# A throwaway PostgreSQL server on loopback for the tests: its own data folder under /tmp,
# a free port, a role that may create databases. It is set up as a shared server is: TLS on
# (a certificate authority of its own, made here, signs the server's certificate) and a
# password (scram) for every TCP connection, which the tests find in a libpq password file
# (PGPASSFILE); the administrator connects through the Unix socket. The role owns the test
# database and may create roles, as the owner who prepares a server creates the group roles.
# Sourced; pg_iniciar exports the TQ614_PG_* variables the tests read, pg_detener stops it and
# removes the folder.

# pg_como_postgres COMMAND...: runs it as the postgres user when we are root (initdb and the server refuse root).
pg_como_postgres() {
    if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

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
    [ "$(id -u)" -eq 0 ] || chown "$(id -u)" "$PG_DIR" 2>/dev/null || true
    pg_como_postgres "$bin/initdb" -D "$PG_DIR/data" -U postgres -E UTF8 --locale=C \
        --auth-local=trust --auth-host=scram-sha-256 >/dev/null
    pg_certificados "$PG_DIR/tls" || return 1
    # A port nobody listens on may still be taken by a client's socket, which only the
    # server's own bind finds out: then the next port is tried.
    PG_BIN=$bin
    puerto=55431
    local intentos=0
    while :; do
        puerto=$(pg_puerto_libre "$puerto")
        pg_arrancar "$PG_DIR/data" "$puerto" "$PG_DIR" "$PG_DIR/server.log" && break
        intentos=$((intentos + 1))
        [ "$intentos" -lt 20 ] || { echo "PostgreSQL de prueba no arrancó: $PG_DIR/server.log" >&2; return 1; }
    done
    local clave
    clave=$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')
    "$bin/psql" -h "$PG_DIR" -p "$puerto" -U postgres -d postgres -q -v ON_ERROR_STOP=1 \
        -c "CREATE ROLE tq614 LOGIN CREATEDB CREATEROLE PASSWORD '$clave'" \
        -c "CREATE DATABASE tq614 OWNER tq614 TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'" >/dev/null
    # The password lives only in libpq's password file, which must be private to its owner.
    (umask 077 && echo "127.0.0.1:*:*:tq614:$clave" >"$PG_DIR/pgpass")
    chown "$(id -u)" "$PG_DIR/pgpass"
    export PGPASSFILE=$PG_DIR/pgpass TQ614_PG_CA=$PG_DIR/tls/ca.crt TQ614_PG_OTRA_CA=$PG_DIR/tls/otra-ca.crt
    export TQ614_PG_HOST=127.0.0.1 TQ614_PG_PORT=$puerto TQ614_PG_USUARIO=tq614 TQ614_PG_BASE=tq614
    export TQ614_PG_SOCKET=$PG_DIR TQ614_PG_ADMIN=postgres TEST_PG_REQUIRED=1
    echo "PostgreSQL de prueba en 127.0.0.1:$puerto ($PG_DIR)"
}

# pg_certificados FOLDER: a certificate authority, the server's key and certificate for
# 127.0.0.1 signed by it, and another authority that signed nothing (what a client trusting the
# wrong one sees). Two days of validity: they live as long as the server.
pg_certificados() {
    local d=$1
    mkdir -p "$d"
    (
        cd "$d" || exit 1
        openssl req -new -x509 -days 2 -nodes -subj "/CN=TQ614 autoridad de prueba" \
            -keyout ca.key -out ca.crt 2>/dev/null &&
        openssl req -new -x509 -days 2 -nodes -subj "/CN=TQ614 otra autoridad" \
            -keyout otra-ca.key -out otra-ca.crt 2>/dev/null &&
        openssl req -new -nodes -subj "/CN=127.0.0.1" -keyout servidor.key -out servidor.csr 2>/dev/null &&
        openssl x509 -req -days 2 -in servidor.csr -CA ca.crt -CAkey ca.key -CAcreateserial \
            -extfile <(echo "subjectAltName=IP:127.0.0.1") -out servidor.crt 2>/dev/null
    ) || { echo "No se pudieron crear los certificados de prueba (openssl)" >&2; return 1; }
    chmod 600 "$d"/*.key
    [ "$(id -u)" -eq 0 ] && chown -R postgres "$d"
    return 0
}

# pg_arrancar DATA PORT SOCKETDIR LOG: starts a server of the test set-up (TLS, loopback, no fsync).
pg_arrancar() {
    pg_como_postgres "$PG_BIN/pg_ctl" -D "$1" -l "$4" -w -t 30 \
        -o "-p $2 -k $3 -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=60 \
-c ssl=on -c ssl_cert_file=$PG_DIR/tls/servidor.crt -c ssl_key_file=$PG_DIR/tls/servidor.key" start >/dev/null
}

# pg_puerto_libre [AFTER]: the first port past AFTER on 127.0.0.1 that nobody listens on.
pg_puerto_libre() {
    local puerto=$((${1:-55431} + 1))
    while (echo >"/dev/tcp/127.0.0.1/$puerto") 2>/dev/null; do puerto=$((puerto + 1)); done
    echo "$puerto"
}

# pg_copiar SOCKETDIR PORT DEST [-R]: a base backup of a running server through its socket; with -R the
# copy starts as its streaming standby, without it as a server of its own with the same roles and data.
pg_copiar() {
    pg_como_postgres "$PG_BIN/pg_basebackup" -h "$1" -p "$2" -U postgres -D "$3" -X stream -c fast --no-sync ${4:-}
}

# A streaming standby of the test server on a second port (TQ614_PG_RESERVA_PORT), started after
# pg_iniciar: what a replicated office has, for the tests of a server that only reads.
pg_iniciar_reserva() {
    local puerto
    pg_copiar "$PG_DIR" "$TQ614_PG_PORT" "$PG_DIR/reserva" -R || return 1
    for _ in 1 2 3 4 5; do
        puerto=$(pg_puerto_libre 55600)
        pg_arrancar "$PG_DIR/reserva" "$puerto" "$PG_DIR" "$PG_DIR/reserva.log" && break
        puerto=
    done
    [ -n "$puerto" ] || { echo "El servidor de reserva no arrancó: $PG_DIR/reserva.log" >&2; return 1; }
    export TQ614_PG_RESERVA_PORT=$puerto
    echo "Servidor de reserva de prueba en 127.0.0.1:$puerto"
}

# pg_par FOLDER: a primary and its streaming standby of their own, copied from the test server, for a test
# that stops its primary (other tests keep theirs); prints "PRIMARY_PORT STANDBY_PORT". pg_par_detener FOLDER.
pg_par() {
    local d=$1 principal reserva
    PG_BIN=${PG_BIN:-$(pg_bin)} PG_DIR=${PG_DIR:-$TQ614_PG_SOCKET}
    mkdir -p "$d" && chmod 700 "$d" || return 1
    [ "$(id -u)" -eq 0 ] && chown postgres "$d"
    pg_copiar "$PG_DIR" "$TQ614_PG_PORT" "$d/principal" >/dev/null 2>&1 || return 1
    principal=$(pg_puerto_libre $((55700 + RANDOM % 200)))
    pg_arrancar "$d/principal" "$principal" "$d" "$d/principal.log" || return 1
    pg_copiar "$d" "$principal" "$d/reserva" -R >/dev/null 2>&1 || return 1
    reserva=$(pg_puerto_libre $((principal + 1)))
    pg_arrancar "$d/reserva" "$reserva" "$d" "$d/reserva.log" || return 1
    echo "$principal $reserva"
}

# pg_par_caida FOLDER: the pair's primary stops at once, as in a crash; pg_par_promover FOLDER: its standby
# becomes the primary, as a failover manager does.
pg_par_caida() {
    pg_como_postgres "$(pg_bin)/pg_ctl" -D "$1/principal" -m immediate -w stop >/dev/null
}

pg_par_promover() {
    pg_como_postgres "$(pg_bin)/pg_ctl" -D "$1/reserva" -w promote >/dev/null
}

pg_par_detener() {
    local datos
    for datos in "$1/principal" "$1/reserva"; do
        [ -d "$datos" ] && pg_como_postgres "$(pg_bin)/pg_ctl" -D "$datos" -m immediate -w stop >/dev/null 2>&1
    done
    rm -rf "$1"
}

pg_detener() {
    [ -n "${PG_DIR:-}" ] && [ -d "$PG_DIR/data" ] || return 0
    [ -d "$PG_DIR/reserva" ] && pg_como_postgres "$PG_BIN/pg_ctl" -D "$PG_DIR/reserva" -m fast -w stop >/dev/null 2>&1
    pg_como_postgres "$PG_BIN/pg_ctl" -D "$PG_DIR/data" -m fast -w stop >/dev/null 2>&1 || true
    rm -rf "$PG_DIR"
    PG_DIR=
}
