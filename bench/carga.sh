#!/usr/bin/env bash
# The concurrent-users test of the suite (tst_Fallas usuariosALaVez) at the length of a load run:
# eight users, each a process with the real screen and editor, for TQ614_CARGA_SEGUNDOS (60) on
# the shared dozen groups beside a generated catalogue of TQ614_CARGA_GRUPOS (10,000), on SQLite
# and on PostgreSQL (the server named by TQ614_PG_*, or a throwaway one started here). It prints
# operations per second, refusals by kind and failures, and fails unless the table reconciles
# with every user's log and no operation failed.
# TQ614_BENCH_BUILD names the build folder (default /tmp/build-tq614-carga, RelWithDebInfo; the
# folder of correr.sh or of the default preset serves too).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/postgres-prueba.sh

CARPETA=${TQ614_BENCH_BUILD:-/tmp/build-tq614-carga}
cmake -S . -B "$CARPETA" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTQ614_PRUEBAS=ON >/dev/null
cmake --build "$CARPETA" -j 2 --target tst_Fallas >/dev/null

export QT_QPA_PLATFORM=offscreen TQ614_MENSAJES=registrar QT_LOGGING_RULES='qt.qpa.*=false'
export TQ614_CARGA_SEGUNDOS=${TQ614_CARGA_SEGUNDOS:-60} TQ614_CARGA_GRUPOS=${TQ614_CARGA_GRUPOS:-10000}
unset TQ614_TRAZA
trap pg_detener EXIT
[ -n "${TQ614_PG_HOST:-}" ] || pg_iniciar >/dev/null
# Qt Test's banners and the offscreen windows' warnings left out; a failure keeps every line of
# its message, and what the users' processes report still shows.
"$CARPETA/bin/tst_Fallas" usuariosALaVez 2> >(grep -v 'does not support propagateSizeHints' >&2) |
    grep -vE '^(\*{9}|Config:|PASS   : PruebaFallas::(init|cleanup)TestCase)' | sed 's/^QINFO  : //'
