# Shared by run.sh and test.sh: install what is missing, configure and build.
# Sourced, not run.

PAQUETES=(g++ cmake ninja-build qt6-base-dev libsqlite3-dev libpq-dev libbenchmark-dev libgtest-dev
          postgresql openssl xvfb xauth fonts-dejavu-core e2fsprogs util-linux sqlite3 qt6-translations-l10n
          dpkg-dev file desktop-file-utils help2man faketime)

instalar_paquetes() {
    local faltan=() p
    for p in "${PAQUETES[@]}"; do
        [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null)" = installed ] || faltan+=("$p")
    done
    [ ${#faltan[@]} -eq 0 ] && return 0
    echo "Instalando: ${faltan[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${faltan[@]}"
}

# compilar PRESET: configures (once) and builds with a CMake preset.
compilar() {
    local preset=$1
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)"
}
