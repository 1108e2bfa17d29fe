# A throwaway PostgreSQL server on loopback for the tests: its own data folder under /tmp,
# a free port, a role that may create databases. It is set up as a shared server is: TLS on
# (a certificate authority of its own, made here, signs the server's certificate) and a
# password (scram) for every TCP connection, which the tests find in a libpq password file
# (PGPASSFILE); the administrator connects through the Unix socket. The role owns the test
# database and may create roles, as the owner who prepares a server creates the group roles.
# Sourced; pg_iniciar exports the TQ614_PG_* variables the tests read, pg_detener stops it and
# removes the folder.

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
    "${como[@]}" "$bin/initdb" -D "$PG_DIR/data" -U postgres -E UTF8 --locale=C \
        --auth-local=trust --auth-host=scram-sha-256 >/dev/null
    pg_certificados "$PG_DIR/tls" || return 1
    # A port nobody listens on may still be taken by a client's socket, which only the
    # server's own bind finds out: then the next port is tried.
    puerto=55431
    local intentos=0
    while :; do
        puerto=$((puerto + 1))
        (echo >"/dev/tcp/127.0.0.1/$puerto") 2>/dev/null && continue
        "${como[@]}" "$bin/pg_ctl" -D "$PG_DIR/data" -l "$PG_DIR/server.log" -w -t 30 \
            -o "-p $puerto -k $PG_DIR -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=60 \
-c ssl=on -c ssl_cert_file=$PG_DIR/tls/servidor.crt -c ssl_key_file=$PG_DIR/tls/servidor.key" start \
            >/dev/null && break
        intentos=$((intentos + 1))
        [ "$intentos" -lt 20 ] || { echo "PostgreSQL de prueba no arrancó: $PG_DIR/server.log" >&2; return 1; }
    done
    PG_BIN=$bin
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

pg_detener() {
    [ -n "${PG_DIR:-}" ] && [ -d "$PG_DIR/data" ] || return 0
    local como=()
    [ "$(id -u)" -eq 0 ] && como=(runuser -u postgres --)
    "${como[@]}" "$PG_BIN/pg_ctl" -D "$PG_DIR/data" -m fast -w stop >/dev/null 2>&1 || true
    rm -rf "$PG_DIR"
    PG_DIR=
}
