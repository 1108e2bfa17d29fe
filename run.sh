#!/usr/bin/env bash
# Installs what is missing, builds and starts the catalogue on the user's SQLite database (the
# host finds the component built beside it). Arguments go to the program (./run.sh --help
# lists them).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/comun.sh

instalar_paquetes
compilar default

programa=build/bin/tq614-host
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ] && [[ " $* " != *" --captura"* ]]; then
    echo "No hay pantalla gráfica: el programa se abre en un servidor X virtual (Xvfb)."
    exec xvfb-run -a "$programa" "$@"
fi
exec "$programa" "$@"
