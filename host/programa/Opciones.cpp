#include "Opciones.h"

#include "ConexionPostgres.h"
#include "ErrorEjecucion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <cstdio>

namespace {

void error(const QString& texto)
{
    std::fprintf(stderr, "%s\n", qPrintable(texto));
}

}  // namespace

std::optional<Opciones> LeerOpciones(const QStringList& argumentos)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Catálogo de grupos de cuentas contables (TQ614).\n"
        "Sin opciones abre la base SQLite del usuario; con --pg-conexion, --pg-servicio o --pg-servidor, una base "
        "PostgreSQL. La contraseña de PostgreSQL nunca va en la línea de órdenes: libpq la toma de su archivo de "
        "contraseñas (~/.pgpass o PGPASSFILE), del archivo de servicios o de PGPASSWORD, y si no la encuentra el "
        "programa la pide."));
    // Qt's own help option is described in English even with its Spanish translation loaded.
    const QCommandLineOption ayuda({QStringLiteral("h"), QStringLiteral("help")},
                                   QStringLiteral("Muestra esta ayuda y termina."));
    parser.addOption(ayuda);
    parser.addVersionOption();
    const QCommandLineOption base(QStringLiteral("base"), QStringLiteral("Archivo de la base SQLite."),
                                  QStringLiteral("ARCHIVO"));
    const QCommandLineOption config(QStringLiteral("config"),
                                    QStringLiteral("Archivo de configuración (INI) con la conexión."),
                                    QStringLiteral("ARCHIVO"));
    const QCommandLineOption conexion(QStringLiteral("pg-conexion"),
                                      QStringLiteral("Cadena de conexión de libpq o URI (host=... sslmode=verify-full "
                                                     "sslrootcert=... target_session_attrs=...)."),
                                      QStringLiteral("CADENA"));
    const QCommandLineOption servicio(QStringLiteral("pg-servicio"), QStringLiteral("Servicio de pg_service.conf."),
                                      QStringLiteral("NOMBRE"));
    const QCommandLineOption servidor(QStringLiteral("pg-servidor"), QStringLiteral("Servidor PostgreSQL."),
                                      QStringLiteral("HOST"));
    const QCommandLineOption puerto(QStringLiteral("pg-puerto"), QStringLiteral("Puerto de PostgreSQL (5432)."),
                                    QStringLiteral("PUERTO"));
    const QCommandLineOption nombreBase(QStringLiteral("pg-base"), QStringLiteral("Base de datos PostgreSQL."),
                                        QStringLiteral("NOMBRE"));
    const QCommandLineOption usuario(QStringLiteral("pg-usuario"), QStringLiteral("Usuario de PostgreSQL."),
                                     QStringLiteral("USUARIO"));
    const QCommandLineOption operador(QStringLiteral("operador"), QStringLiteral("Operador que registra los cambios."),
                                      QStringLiteral("NOMBRE"));
    const QCommandLineOption registrar(QStringLiteral("registrar"),
                                       QStringLiteral("Registra el componente TQ614 y termina."));
    const QCommandLineOption desregistrar(QStringLiteral("desregistrar"),
                                          QStringLiteral("Quita el registro del componente TQ614 y termina."));
    const QCommandLineOption captura(QStringLiteral("captura"),
                                     QStringLiteral("Dibuja la pantalla en un PNG (sin ventana) y termina."),
                                     QStringLiteral("ARCHIVO.png"));
    const QCommandLineOption niveles(QStringLiteral("niveles"),
                                     QStringLiteral("Niveles del árbol expandidos en la captura (2)."),
                                     QStringLiteral("N"));
    const QCommandLineOption traza(QStringLiteral("traza"),
                                   QStringLiteral("Escribe cada llamada a los servicios del host (JSON por línea)."),
                                   QStringLiteral("ARCHIVO"));
    const QCommandLineOption sinEjemplo(QStringLiteral("sin-ejemplo"),
                                        QStringLiteral("No llena una base nueva con el catálogo de ejemplo."));
    const QCommandLineOption exportar(QStringLiteral("exportar"),
                                      QStringLiteral("Escribe el catálogo en un archivo CSV y termina."),
                                      QStringLiteral("ARCHIVO.csv"));
    const QCommandLineOption importar(
        QStringLiteral("importar"),
        QStringLiteral("Agrega al catálogo los grupos de un archivo CSV (todos o ninguno) y termina."),
        QStringLiteral("ARCHIVO.csv"));
    const QCommandLineOption separador(
        QStringLiteral("separador"),
        QStringLiteral("Separador del CSV que se exporta: , (predeterminado) o ; (hojas de cálculo en español)."),
        QStringLiteral("SEPARADOR"));
    const QCommandLineOption capturaHistorial(
        QStringLiteral("captura-historial"),
        QStringLiteral("Dibuja el historial de cambios en un PNG (sin ventana) y termina."),
        QStringLiteral("ARCHIVO.png"));
    const QCommandLineOption exportarHistorial(
        QStringLiteral("exportar-historial"),
        QStringLiteral("Escribe en un archivo CSV los cambios del historial que pasan los filtros --historial-* (todos "
                       "sin ellos) y termina."),
        QStringLiteral("ARCHIVO.csv"));
    const QCommandLineOption historialClave(QStringLiteral("historial-clave"),
                                            QStringLiteral("Historial: sólo los cambios del grupo de esta clave."),
                                            QStringLiteral("CLAVE"));
    const QCommandLineOption historialOperador(
        QStringLiteral("historial-operador"),
        QStringLiteral("Historial: sólo los cambios de los operadores cuyo nombre contiene este texto."),
        QStringLiteral("NOMBRE"));
    const QCommandLineOption historialDesde(QStringLiteral("historial-desde"),
                                            QStringLiteral("Historial: sólo los cambios de este día en adelante."),
                                            QStringLiteral("AAAA-MM-DD"));
    const QCommandLineOption historialHasta(QStringLiteral("historial-hasta"),
                                            QStringLiteral("Historial: sólo los cambios hasta este día, incluido."),
                                            QStringLiteral("AAAA-MM-DD"));
    parser.addOptions({base, config, conexion, servicio, servidor, puerto, nombreBase, usuario, operador, registrar,
                       desregistrar, captura, niveles, traza, sinEjemplo, exportar, importar, separador,
                       capturaHistorial, exportarHistorial, historialClave, historialOperador, historialDesde,
                       historialHasta});
    // Anything on a command line is visible to every user of the machine (ps).
    if (!argumentos.filter(QRegularExpression(QStringLiteral("^--pg-clave(=|$)"))).isEmpty()) {
        error(QStringLiteral("La contraseña no se acepta en la línea de órdenes, donde cualquier usuario de la "
                             "máquina la ve. %1")
                  .arg(ConexionPostgres::DondeVaLaContrasena()));
        return std::nullopt;
    }
    if (!parser.parse(argumentos)) {
        error(parser.errorText());
        return std::nullopt;
    }
    if (parser.isSet(ayuda))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    Opciones opciones;
    try {
        opciones.base = parser.isSet(config) ? Sesion::LeerConfiguracion(parser.value(config))
                                             : Sesion::ConfiguracionPredeterminada();
    } catch (const ErrorEjecucion& e) {
        error(e.Description());
        return std::nullopt;
    }
    if (parser.isSet(base)) {
        opciones.base.motor = Sesion::Configuracion::SQLite;
        opciones.base.archivo = parser.value(base);
    }
    if (parser.isSet(conexion))
        opciones.base.conexion = parser.value(conexion);
    if (parser.isSet(servicio))
        opciones.base.servicio = parser.value(servicio);
    if (parser.isSet(servidor))
        opciones.base.servidor = parser.value(servidor);
    if (parser.isSet(conexion) || parser.isSet(servicio) || parser.isSet(servidor))
        opciones.base.motor = Sesion::Configuracion::PostgreSQL;
    if (parser.isSet(puerto)) {
        bool ok = false;
        opciones.base.puerto = parser.value(puerto).toInt(&ok);
        if (!ok || opciones.base.puerto <= 0 || opciones.base.puerto > 65535) {
            error(QStringLiteral("Puerto no válido: %1").arg(parser.value(puerto)));
            return std::nullopt;
        }
    }
    if (parser.isSet(nombreBase))
        opciones.base.base = parser.value(nombreBase);
    if (parser.isSet(usuario))
        opciones.base.usuario = parser.value(usuario);
    if (parser.isSet(operador))
        opciones.base.operador = parser.value(operador);
    // The settings file's values were checked as it was read: what is at fault now was typed.
    if (const QString motivo =
            Sesion::RevisarConexion(opciones.base, {QStringLiteral("--pg-conexion"), QStringLiteral("--pg-servicio"),
                                                    QStringLiteral("--pg-servidor"), QStringLiteral("--pg-base"),
                                                    QStringLiteral("--pg-usuario")});
        !motivo.isEmpty()) {
        error(motivo);
        return std::nullopt;
    }
    if (parser.isSet(niveles)) {
        bool ok = false;
        opciones.nivelesCaptura = parser.value(niveles).toInt(&ok);
        if (!ok || opciones.nivelesCaptura < 0) {
            error(QStringLiteral("Número de niveles no válido: %1").arg(parser.value(niveles)));
            return std::nullopt;
        }
    }
    opciones.registrar = parser.isSet(registrar);
    opciones.desregistrar = parser.isSet(desregistrar);
    opciones.captura = parser.value(captura);
    opciones.traza = parser.value(traza);
    opciones.exportar = parser.value(exportar);
    opciones.importar = parser.value(importar);
    opciones.capturaHistorial = parser.value(capturaHistorial);
    opciones.exportarHistorial = parser.value(exportarHistorial);
    opciones.filtroHistorial.clave = parser.value(historialClave);
    opciones.filtroHistorial.operador = parser.value(historialOperador);
    for (auto [opcion, dia] : {std::pair{&historialDesde, &opciones.filtroHistorial.desde},
                               std::pair{&historialHasta, &opciones.filtroHistorial.hasta}}) {
        if (!parser.isSet(*opcion))
            continue;
        *dia = QDate::fromString(parser.value(*opcion), Qt::ISODate);
        if (!dia->isValid()) {
            error(QStringLiteral("Fecha no válida en --%1: %2 (escríbala como AAAA-MM-DD)")
                      .arg(opcion->names().constFirst(), parser.value(*opcion)));
            return std::nullopt;
        }
    }
    // A file of groups goes into the database as it is, never beside the sample.
    opciones.ejemplo = !parser.isSet(sinEjemplo) && opciones.importar.isEmpty() && opciones.exportar.isEmpty()
                       && opciones.exportarHistorial.isEmpty();
    if (parser.isSet(separador)) {
        const QString valor = parser.value(separador);
        if (valor != QLatin1String(",") && valor != QLatin1String(";")) {
            error(QStringLiteral("Separador no válido: %1 (use , o ;)").arg(valor));
            return std::nullopt;
        }
        opciones.separador = valor.at(0).toLatin1();
    }
    return opciones;
}
