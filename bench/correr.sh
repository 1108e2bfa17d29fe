#!/usr/bin/env bash
# Runs every benchmark of the catalogue screen beside its yardstick and prints the ratios:
# the tree and the listing on SQLite at 1,000, 10,000 and 100,000 groups, the tree on
# PostgreSQL at 1,000 and 10,000 (on the server named by TQ614_PG_*, or on a throwaway one
# started here) on loopback and, with the listing, across a network of 10 ms per round trip;
# the round trips and time of each screen action across networks of 0, 1 and 10 ms, before
# and with bursts of reads; the peak memory of a process holding 100,000 groups, the history
# window on 100,000 history rows and the import of 10,000 groups from CSV.
# Arguments go to bench_catalogo (for example --benchmark_filter=Arbol).
# TQ614_BENCH_BUILD names the build folder (default /tmp/build-tq614-bench, RelWithDebInfo).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/postgres-prueba.sh

CARPETA=${TQ614_BENCH_BUILD:-/tmp/build-tq614-bench}
GRUPOS_MEMORIA=100000

cmake -S . -B "$CARPETA" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTQ614_BENCH=ON -DTQ614_PRUEBAS=OFF >/dev/null
cmake --build "$CARPETA" -j 2 --target bench_catalogo acciones_en_red bench_historial memoria_pico >/dev/null

export QT_QPA_PLATFORM=offscreen TQ614_MENSAJES=registrar QT_LOGGING_RULES='qt.qpa.*=false'
unset TQ614_TRAZA
TEMPORAL=$(mktemp -d /tmp/tq614-bench.XXXXXX)
trap 'pg_detener; rm -rf "$TEMPORAL"' EXIT
if [ -z "${TQ614_PG_HOST:-}" ]; then
    pg_iniciar || echo "No se pudo iniciar PostgreSQL: se omiten las cifras de PostgreSQL." >&2
fi

status=0
# Repetitions in random order: each figure and its yardstick meet the machine in the same
# states, and the fastest repetition of each counts.
"$CARPETA/bin/bench_catalogo" --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true "$@" || status=$?
# The history window and the import of a catalogue, the same way.
"$CARPETA/bin/bench_historial" --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true || status=$?

# Each action of the screen across a network, before and with bursts of reads.
"$CARPETA/bin/acciones_en_red" 1000 || status=$?

# Peak memory: each figure in a process of its own, on a catalogue generated beforehand.
"$CARPETA/bin/memoria_pico" generar "$TEMPORAL/catalogo.db" "$GRUPOS_MEMORIA"
base=$("$CARPETA/bin/memoria_pico" linea-base "$TEMPORAL/catalogo.db")
nuestra=$("$CARPETA/bin/memoria_pico" pantalla "$TEMPORAL/catalogo.db")
echo
echo "memoria pico con $GRUPOS_MEMORIA grupos   linea base: $base   pantalla: $nuestra"
awk -v b="${base#pico_kb=}" -v n="${nuestra#pico_kb=}" 'BEGIN {
    b += 0; n += 0; r = n / b
    printf "Memoria/Pantalla/%d %22.1f MB %11.1f MB %7.2fx  %s\n", '"$GRUPOS_MEMORIA"', b / 1024, n / 1024, r,
           (r <= 1.3 ? "<= 1.3x" : "SUPERA 1.3x")
}'
nodosBase=${base#*nodos=}
nodosNuestros=${nuestra#*nodos=}
if [ "$nodosBase" != "$nodosNuestros" ]; then
    echo "La pantalla tiene $nodosNuestros nodos y la linea base $nodosBase" >&2
    status=1
fi
exit $status
