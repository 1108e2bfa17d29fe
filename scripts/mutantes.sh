#!/usr/bin/env bash
# Mutants of the product code that the tests must catch. Each one changes a piece of code that
# matters (a key or level rule, a command's check or statement, a rollback, the history's seal, a
# CSV bound, a permission, a connection fault) and names the test programs that should fail.
# The piece is found by its text anywhere in the product folders, so the list survives code
# moving between files; a piece found nowhere, or more than once, is reported, not guessed.
#
#   scripts/mutantes.sh [REVISION]   (HEAD by default; TQ614_MUTANTES_SOLO=REGEX runs only the
#                                     mutants whose line matches it)
#
# The revision is exported to a folder of its own and built there (ccache shares the objects);
# the working tree is never touched. Each mutant is applied, only the named tests are rebuilt and
# run (against a throwaway PostgreSQL and its standby, started here unless TQ614_PG_HOST is set), and the copy is
# restored. One line per mutant: muerto (a test failed), vivo (all passed), no compila, or
# no encontrado; the counts at the end.
set -uo pipefail
cd "$(dirname "$0")/.."
revision=${1:-HEAD}
base=${TQ614_MUTANTES_DIR:-/tmp/tq614-mutantes-$(git rev-parse --short "$revision")}
fuente=$base/fuente
compilacion=$fuente/build  # inside the copy, as in a checkout: ccache then finds the same relative paths

# TESTS @@ PIECE OF CODE @@ REPLACEMENT ("\n" is a line break).
read -r -d '' MUTANTES <<'LISTA'
tst_GrupoCuenta tst_Editor @@ return 1 + int(codigo.count(QLatin1Char('.'))); @@ return int(codigo.split(QLatin1Char('.'), Qt::SkipEmptyParts).size());
tst_Editor @@ ->setText(QString::number(ObtenerNivel(codigo))); @@ ->setText(QString::number(ObtenerNivel(codigo.endsWith(QLatin1Char('.')) ? codigo.chopped(1) : codigo)));
tst_GrupoCuenta tst_Editor @@ return clave.size() > formato.size(); @@ return clave.size() > formato.size() + 1;
tst_GrupoCuenta tst_Editor @@ sinPuntos.remove(QLatin1Char('.')); @@ sinPuntos.remove(QLatin1Char(','));
tst_GrupoCuenta tst_Editor tst_Fallas @@ literal.replace(QLatin1Char('\''), QLatin1String("''")); @@ literal.replace(QLatin1Char('\''), QLatin1String("\\'"));
tst_Editor @@ if (codigo.isEmpty() && claveNumerica) { @@ if (codigo.isEmpty() && !claveNumerica) {
tst_Editor tst_Comandos @@ if (!Util().RegistrarCambio(cambio.tabla, cambio.clave, QString())) {\n        transaccion.RollbackTrans(); @@ if (!Util().RegistrarCambio(cambio.tabla, cambio.clave, QString())) {\n        transaccion.CommitTrans();
tst_Pantalla tst_Comandos @@ if (!hijos->Bof()) { @@ if (false) {
tst_Pantalla tst_Comandos tst_Fallas @@ "DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '" @@ "DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable LIKE '"
tst_Pantalla tst_Comandos @@ QStringLiteral("' WHERE Gcc_padre = '") + Sql::Texto(claveActual) @@ QStringLiteral("' WHERE Gcc_padre = '") + Sql::Texto(claveNueva)
tst_Pantalla tst_Comandos @@ if (claveEnUso(claveNueva)) { @@ if (false) {
tst_Conexion tst_Fallas @@ GuardaTransaccion::~GuardaTransaccion()\n{\n    RollbackSiAbierta(); @@ GuardaTransaccion::~GuardaTransaccion()\n{\n
tst_Permisos tst_CatalogoHost @@ if (Esquema::Sello(anterior, fila.campos) != fila.sello.toString()) @@ if (false)
tst_Permisos tst_CatalogoHost @@ } else if (conocido && !mismaFila(esperado, fila.antes())) { @@ } else if (false) {
tst_CatalogoHost tst_Permisos @@ COALESCE(previo, '') || '|' || %1 @@ COALESCE(previo, '') || '/' || %1
tst_CatalogoHost tst_ProgramaHost @@ QStringLiteral("=+-@\t\r'"); @@ QStringLiteral("=+-\t\r'");
tst_CatalogoHost tst_ProgramaHost @@ if (m_filas.size() >= kMaximoGrupos) { @@ if (m_filas.size() > kMaximoGrupos) {
tst_CatalogoHost tst_ProgramaHost @@ if (m_bufer.isEmpty() || m_leidos > m_maximo) { @@ if (m_bufer.isEmpty()) {
tst_Permisos @@ " AND has_table_privilege(to_regclass('grupo_cuenta_contable'), 'DELETE')," @@ " OR has_table_privilege(to_regclass('grupo_cuenta_contable'), 'DELETE'),"
tst_Permisos @@ " AND pg_has_role(session_user, oid, 'MEMBER'))"; @@ " OR pg_has_role(session_user, oid, 'MEMBER'))";
tst_Permisos tst_ProgramaHost @@ return configurado.isEmpty() || estado().configuracion.motor == Configuracion::PostgreSQL ? @@ return configurado.isEmpty() ?
tst_Conexion tst_Fallas @@ return Desenlace::NoGuardado; @@ return Desenlace::Desconocido;
tst_Conexion tst_Fallas @@ if (qstrcmp(PQcmdStatus(resultado.get()), "COMMIT") != 0) @@ if (false)
tst_Conexion tst_Fallas @@ cerrar();\n    QString texto = QStringLiteral("El servidor de la base de datos no respondió en %1 s: @@ QString texto = QStringLiteral("El servidor de la base de datos no respondió en %1 s:
tst_Conexion tst_ProgramaHost @@ lleva |= qstrcmp(o->keyword, "password") == 0 && o->val && *o->val; @@ lleva |= false;
tst_CatalogoHost @@ const QString quien = operador.trimmed().isEmpty() ? usuario : operador.trimmed(); @@ const QString quien = usuario;
tst_CatalogoHost @@ .replace(QLatin1Char('%'), QStringLiteral("!%"))\n        .replace(QLatin1Char('_'), QStringLiteral("!_")); @@ ;
tst_CatalogoHost @@ if (largo(descripcion) > kLargoDescripcion) @@ if (descripcion.size() > kLargoDescripcion)
tst_CatalogoHost @@ dialogo.setDefaultSuffix(QStringLiteral("csv")); @@ ;
tst_Reorganizacion @@         return fallar(error, e.Description());\n    }\n}\n\n}  // namespace @@         return fallar(error, QString());\n    }\n}\n\n}  // namespace
tst_Reorganizacion @@ return registrarYConfirmar(transaccion, utilerias, clave, error); @@ transaccion.CommitTrans();\n        return true;
tst_Comandos @@ QStringLiteral("Controles_B2Click"), QStringLiteral("ERR-ID:7500004") @@ QStringLiteral("Controles_B2Click"), QStringLiteral("ERR-ID:7500014")
tst_Comandos @@ if (caja.exec() != QDialog::Accepted)\n        return QString(); @@ if (caja.exec() != QDialog::Accepted)\n        return QStringLiteral("Z");
tst_ProgramaHost @@ if (const auto pedidas = Acciones(); pedidas.size() > 1) @@ if (const auto pedidas = Acciones(); pedidas.size() > 2)
tst_ProgramaHost @@ for (int i = 0; i < 5; ++i)\n        if (const QString motivo = ClaveEnCadena(valores[i]); @@ for (int i = 0; i < 4; ++i)\n        if (const QString motivo = ClaveEnCadena(valores[i]);
tst_ProgramaHost @@ c.reservaSoloLectura = ini.value(QStringLiteral("ReservaSoloLectura"), c.reservaSoloLectura).toBool(); @@ c.reservaSoloLectura = true;
tst_ProgramaHost @@ opciones.filtroHistorial.clave = a.parser.value(a.historialClave); @@ opciones.filtroHistorial.clave.clear();
tst_ProgramaHost @@ if (info.isDir())\n        noEs @@ if (false)\n        noEs
tst_Fallas @@ if (m_cambioEnviado)\n        throw ErrorEjecucion(DesenlaceIncierto::Mensaje( @@ if (false)\n        throw ErrorEjecucion(DesenlaceIncierto::Mensaje(
tst_Fallas @@ case SQLITE_FULL: @@ case SQLITE_FULL + 256:
tst_Replica @@ sqlstate == QLatin1String("25006") && EnReserva() @@ sqlstate == QLatin1String("25006") && !EnReserva()
tst_Conexion @@ columna.apta = valor(0).toBool() && !valor(1).toBool() && @@ columna.apta = valor(0).toBool() &&
tst_Conexion @@ " AND COALESCE(co.collisdeterministic, FALSE) AS Comparable," @@ " AND TRUE AS Comparable,"
tst_Conexion @@ const QString t = tipo.toUpper();\n    return !t.contains(QLatin1String("INT"))\n           && @@ const QString t = tipo.toUpper();\n    return true ||
tst_Conexion @@ RetenerAbiertos();\n    m_abierta = false; @@ m_abierta = false;
tst_Conexion @@ case Tipo::BaseInexistente:\n        return QStringLiteral("3D000"); @@ case Tipo::BaseInexistente:\n        return QStringLiteral("08001");
tst_Servicios @@ if (!archivo.isEmpty())\n            abrirTraza(archivo); @@ if (false)\n            abrirTraza(archivo);
tst_Servicios @@ .arg(Esquema::AhoraDelServidor(motor), Esquema::UsuarioDeLaBase(motor)); @@ .arg(QDateTime::currentDateTime().toString(QStringLiteral("''yyyy-MM-dd HH:mm:ss''")), Esquema::UsuarioDeLaBase(motor));
tst_Servicios @@ << texto << Sesion::IdSesion(); @@ << texto << QStringLiteral("otra");
tst_Pantalla @@ QStringLiteral("tvCuentas_NodeClick"), QStringLiteral("ERR-ID:7500018") @@ QStringLiteral("tvCuentas_NodeClick"), QStringLiteral("ERR-ID:7500017")
tst_Pantalla @@ if (TreeView::Children(seleccionado) == 0) @@ if (TreeView::Children(seleccionado) >= 0)
tst_Pantalla @@ if (mayusculas == Teclado::vbCtrlMask) { @@ if (mayusculas & Teclado::vbCtrlMask) {
tst_Pantalla @@ case Teclado::vbKeyF5:\n            CargarCuentas(); @@ case Teclado::vbKeyF5:\n            CargarCuentas();\n            CargarCuentas();
tst_GrupoCuenta tst_Editor @@ resultado.prepend(digitos.left(siguiente + 1)); @@ resultado.prepend(digitos.left(0));
tst_Editor @@ m_txtNivel->setValor(0); @@ m_txtNivel->setValor(1);
tst_frmInput @@ if (m_txtValor->text().isEmpty())\n        return;\n    Aceptado = true; @@ if (false)\n        return;\n    Aceptado = true;
tst_TreeView @@ if (currentIndex().isValid() && currentIndex() != antes) @@ if (currentIndex().isValid())
tst_Permisos @@ const QString rol = lectura ? QStringLiteral("tq614_lectura") : QStringLiteral("tq614_edicion"); @@ const QString rol = QStringLiteral("tq614_lectura");
tst_Permisos @@ std::printf("Base de datos preparada (versión @@ std::printf("Base preparada (versión
tst_Comandos @@ QStringLiteral("Controles_Eliminar"), QStringLiteral("ERR-ID:7500013") @@ QStringLiteral("Controles_Eliminar"), QStringLiteral("ERR-ID:7500014")
tst_Comandos @@ SELECT RAISE(ABORT, 'El grupo de cuenta contable tiene subgrupos y no se puede eliminar') @@ SELECT RAISE(IGNORE)
tst_CatalogoHost @@ valores << filtro.hasta.addDays(1).toString(Qt::ISODate); @@ valores << filtro.hasta.toString(Qt::ISODate);
tst_CatalogoHost tst_Reorganizacion @@ QStringLiteral(": ") + a + QStringLiteral(" → ") + d; @@ QStringLiteral(": ") + a + QStringLiteral(" -> ") + d;
tst_Conexion tst_ProgramaHost @@ QStringLiteral("No se pudo leer el archivo de configuración %1: %2") @@ QStringLiteral("No se pudo abrir el archivo de configuración %1: %2")
tst_Conexion tst_ProgramaHost @@ if (kClavesDeContrasena.contains(clave.toLower())) @@ if (kClavesDeContrasena.contains(clave))
tst_Conexion tst_ProgramaHost @@ QStringLiteral("no se llega a él: no está en marcha @@ QStringLiteral("no responde: no está en marcha
tst_Servicios tst_Reorganizacion @@ .arg(operador, tabla); @@ .arg(tabla, operador);
tst_Replica tst_Fallas @@ QStringLiteral("Se perdió la conexión con el servidor de la base de datos " @@ QStringLiteral("Se cortó la conexión con el servidor de la base de datos "
tst_Conexion tst_Fallas @@ case SQLITE_BUSY: @@ case SQLITE_BUSY + 256:
tst_Conexion @@ const bool doble = comilla + 1 < sql.size() && sql[comilla + 1] == u'\''; @@ const bool doble = false;
LISTA

# aplicar FOLDER PIECE REPLACEMENT [--deshacer]: replaces the one occurrence of the piece among the
# product's sources (or puts the original back); prints the file, or why not.
aplicar() {
    python3 - "$@" <<'PY'
import os, sys
raiz, pieza, cambio = sys.argv[1], sys.argv[2].replace("\\n", "\n"), sys.argv[3].replace("\\n", "\n")
if len(sys.argv) > 4:
    pieza, cambio = cambio, pieza
hallados = []
for carpeta, subcarpetas, archivos in os.walk(raiz):
    subcarpetas[:] = [d for d in subcarpetas if d not in ("tests", "bench", "build", "build-asan", ".git")]
    for a in archivos:
        if a.endswith((".cpp", ".h", ".hpp")):
            ruta = os.path.join(carpeta, a)
            texto = open(ruta, encoding="utf-8").read()
            hallados += [(ruta, texto)] * texto.count(pieza)
if len(hallados) != 1:
    print(f"{len(hallados)} veces")
    sys.exit(1)
ruta, texto = hallados[0]
open(ruta, "w", encoding="utf-8").write(texto.replace(pieza, cambio))
print(os.path.relpath(ruta, raiz))
PY
}

rm -rf "$fuente" && mkdir -p "$compilacion"
git archive "$revision" | tar -x -C "$fuente"
export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=/ CCACHE_NOHASHDIR=1
cmake -S "$fuente" -B "$compilacion" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
objetivos=$(sed 's/ *@@.*//' <<<"$MUTANTES" | tr ' ' '\n' | sort -u | tr '\n' ' ')
# shellcheck disable=SC2086
cmake --build "$compilacion" -j2 --target $objetivos >/dev/null || { echo "la revisión no compila" >&2; exit 1; }

if [ -z "${TQ614_PG_HOST:-}" ]; then
    source scripts/postgres-prueba.sh
    trap pg_detener EXIT
    pg_iniciar >/dev/null || exit 1
    pg_iniciar_reserva >/dev/null || exit 1  # the standby's tests, as test.sh runs them
fi
[ "$(id -u)" -ne 0 ] || export TEST_TMPFS_REQUIRED=1

muertos=0 total=0
while IFS= read -r linea; do
    [ -n "$linea" ] || continue
    pruebas=${linea%% @@ *}
    resto=${linea#* @@ }
    pieza=${resto%% @@ *}
    cambio=${resto#* @@ }
    total=$((total + 1))
    if ! archivo=$(aplicar "$fuente" "$pieza" "$cambio"); then
        printf '%-12s %s  [%s]\n' "no encontrado" "$pieza" "$archivo"
        continue
    fi
    # shellcheck disable=SC2086
    if ! cmake --build "$compilacion" -j2 --target $pruebas >"$base/ultimo.log" 2>&1; then
        resultado="no compila"
    elif ctest --test-dir "$compilacion" --timeout 300 --stop-on-failure -R "^($(tr ' ' '|' <<<"$pruebas"))\$" >"$base/ultimo.log" 2>&1; then
        resultado=vivo
    else
        resultado=muerto
        muertos=$((muertos + 1))
    fi
    aplicar "$fuente" "$pieza" "$cambio" --deshacer >/dev/null
    printf '%-12s %s: %s  [%s]\n' "$resultado" "$archivo" "$pieza" "$pruebas"
done < <(grep -E -- "${TQ614_MUTANTES_SOLO:-.}" <<<"$MUTANTES")
# shellcheck disable=SC2086
cmake --build "$compilacion" -j2 --target $objetivos >/dev/null  # leaves the copy built as exported
echo "muertos: $muertos de $total"
