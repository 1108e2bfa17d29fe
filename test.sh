#!/usr/bin/env bash
# Installs what is missing, builds, starts a throwaway PostgreSQL server on loopback and runs
# every test through ctest, then builds and runs the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer (the "asan" preset; TQ614_SANITIZERS=0 leaves that pass out, for
# a quicker run while working). Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/comun.sh
source scripts/postgres-prueba.sh

instalar_paquetes
compilar default

trap pg_detener EXIT
pg_iniciar
# Beside it, its streaming standby (about 2 s): the tests of a server that only reads. Tests that
# stop a primary make a pair of their own from these helpers, so the shared server stays up.
pg_iniciar_reserva
# The full-disk test mounts a tmpfs of its own, which root can: here it must run, not skip.
[ "$(id -u)" -ne 0 ] || export TEST_TMPFS_REQUIRED=1

ctest --preset default

if [ "${TQ614_SANITIZERS:-1}" != 0 ]; then
    compilar asan
    # Qt and the system libraries keep some allocations for the life of the process.
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --preset asan
fi
