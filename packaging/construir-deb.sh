#!/usr/bin/env bash
# Builds the program and its Debian package (build/paquete/tq614_VERSION_ARQ.deb).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/comun.sh

instalar_paquetes
compilar default
cpack -G DEB -B build/paquete --config build/CPackConfig.cmake
ls build/paquete/*.deb
