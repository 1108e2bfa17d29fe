#!/usr/bin/env bash
# The program as a user gets it. Installed into a staging folder (DESTDIR, prefix /usr as the
# package has it) and run from there with a new HOME and nothing registered: the libraries
# come through the relative RPATH and the host finds the component installed beside it. The
# menu entry validates, the manual page documents the options, and the machine-wide
# registration names the installed component. Then the Debian package, with its dependencies.
# Argument: the build folder.
set -euo pipefail
construccion=$(cd "$1" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
falla() { echo "FALLA: $*" >&2; exit 1; }

raiz=$tmp/raiz
DESTDIR=$raiz cmake --install "$construccion" --prefix /usr >"$tmp/instalacion.log"
programa=$raiz/usr/bin/tq614-host
mkdir "$tmp/casa"
env -i PATH=/usr/bin:/bin HOME="$tmp/casa" QT_QPA_PLATFORM=offscreen \
    "$programa" --base "$tmp/casa/catalogo.db" --captura "$tmp/captura.png" >"$tmp/programa.log" 2>&1 \
    || { cat "$tmp/programa.log"; falla "el programa instalado no dibujó la pantalla"; }
[ -s "$tmp/captura.png" ] || falla "sin captura"
[ ! -e "$tmp/casa/.config/Kestrima/registro.ini" ] || falla "el programa registró el componente por su cuenta"
readelf -d "$programa" | grep -q 'R.*PATH.*\[\$ORIGIN/\.\./lib/tq614\]' || falla "RPATH del programa"
readelf -d "$raiz/usr/lib/tq614/libTQ614.so" | grep -q 'R.*PATH.*\[\$ORIGIN\]' || falla "RPATH del componente"

desktop-file-validate "$raiz/usr/share/applications/tq614.desktop"
[ -s "$raiz/usr/share/icons/hicolor/scalable/apps/tq614.svg" ] || falla "sin icono"
zcat "$raiz/usr/share/man/man1/tq614-host.1.gz" | grep -q -- 'captura' || falla "la página de manual no trae las opciones"
grep -qx '.*InprocServer32=/usr/lib/tq614/libTQ614.so' "$raiz/etc/xdg/Kestrima/registro.ini" \
    || falla "el registro de la máquina no nombra el componente instalado"

# The same under another prefix: its registration names the component installed there.
cmake --install "$construccion" --prefix "$tmp/opt" >/dev/null
grep -qx ".*InprocServer32=$tmp/opt/lib/tq614/libTQ614.so" "$tmp/opt/etc/xdg/Kestrima/registro.ini" \
    || falla "registro bajo otro prefijo"

(cd "$tmp" && cpack -G DEB -B "$tmp/paquete" --config "$construccion/CPackConfig.cmake" >"$tmp/cpack.log") \
    || { cat "$tmp/cpack.log"; falla "cpack"; }
paquete=$(ls "$tmp"/paquete/*.deb)
informacion=$(dpkg-deb --info "$paquete")
contenido=$(dpkg-deb --contents "$paquete")
echo "$informacion"
for dependencia in libqt6widgets6 libpq5 libsqlite3-0 qt6-qpa-plugins; do
    grep -q "^ Depends:.*$dependencia" <<<"$informacion" || falla "el paquete no depende de $dependencia"
done
grep -q "conffiles" <<<"$informacion" || falla "sin conffiles"
for archivo in ./usr/bin/tq614-host ./usr/lib/tq614/libTQ614.so ./usr/lib/tq614/libKesServicios.so \
    ./usr/share/applications/tq614.desktop ./usr/share/icons/hicolor/scalable/apps/tq614.svg \
    ./usr/share/man/man1/tq614-host.1.gz ./etc/xdg/Kestrima/registro.ini; do
    grep -q " $archivo\$" <<<"$contenido" || falla "el paquete no trae $archivo"
done
echo "Paquete: $(basename "$paquete")"
