#include "Opciones.h"

#include "ConexionPostgres.h"
#include "ErrorEjecucion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <cstdio>

namespace {

// Every action but the window, one line each: its option, the name of its value in the help
// (none: the option takes no value), what it does, and the field its value goes to.
struct DefinicionDeAccion
{
    Accion accion;
    const char* opcion;
    const char* valor;
    const char* descripcion;
    QString Opciones::*destino;
};

const DefinicionDeAccion kAcciones[] = {
    {Accion::Registrar, "registrar", nullptr, "Registra el componente TQ614 y termina.", nullptr},
    {Accion::Desregistrar, "desregistrar", nullptr, "Quita el registro del componente TQ614 y termina.", nullptr},
    {Accion::Captura, "captura", "ARCHIVO.png", "Dibuja la pantalla en un PNG (sin ventana) y termina.",
     &Opciones::captura},
    {Accion::CapturaHistorial, "captura-historial", "ARCHIVO.png",
     "Dibuja el historial de cambios en un PNG (sin ventana) y termina.", &Opciones::capturaHistorial},
    {Accion::Exportar, "exportar", "ARCHIVO.csv", "Escribe el catálogo en un archivo CSV y termina.",
     &Opciones::exportar},
    {Accion::ExportarHistorial, "exportar-historial", "ARCHIVO.csv",
     "Escribe en un archivo CSV los cambios del historial que pasan los filtros --historial-* (todos sin ellos) y "
     "termina.",
     &Opciones::exportarHistorial},
    {Accion::Importar, "importar", "ARCHIVO.csv",
     "Agrega al catálogo los grupos de un archivo CSV (todos o ninguno) y termina.", &Opciones::importar},
    {Accion::Mover, "mover", "CLAVE",
     "Mueve el grupo, con sus subgrupos, bajo el grupo que indica --a (0 para la raíz) y termina.", &Opciones::mover},
    {Accion::Restaurar, "restaurar", "NUMERO",
     "Crea de nuevo el grupo de la baja con ese número del historial y termina.", nullptr},
    {Accion::Deshacer, "deshacer", "NUMERO", "Deshace el cambio con ese número del historial y termina.", nullptr},
    {Accion::PrepararServidor, "preparar-servidor", nullptr,
     "Crea o actualiza el esquema en el servidor PostgreSQL, los roles tq614_lectura y tq614_edicion y sus "
     "permisos, y termina. La ejecuta el dueño de la base.",
     nullptr},
    {Accion::VerificarHistorial, "verificar-historial", nullptr,
     "Comprueba que el historial de cambios no se alteró (cadena de sellos y catálogo), escribe el veredicto y "
     "termina: 0 si está íntegro.",
     nullptr},
};

const QString kVerAyuda = QStringLiteral("Use --help para ver las opciones.");

void error(const QString& texto)
{
    std::fprintf(stderr, "%s\n", qPrintable(texto));
}

// An option as the user wrote it (dashes included, without its value), to name it back.
QString comoSeEscribio(const QStringList& argumentos, const QString& nombre)
{
    for (const QString& argumento : argumentos.mid(1)) {
        const QString opcion = argumento.section(QLatin1Char('='), 0, 0);
        if (opcion.startsWith(QLatin1Char('-')) && QStringView(opcion).mid(opcion.startsWith(u"--") ? 2 : 1) == nombre)
            return opcion;
    }
    return (nombre.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + nombre;
}

// The program's options and the parser that reads them.
struct Analizador
{
    QCommandLineParser parser;
    const QCommandLineOption ayuda{{QStringLiteral("h"), QStringLiteral("help")},
                                   QStringLiteral("Muestra esta ayuda y termina.")};
    const QCommandLineOption base{QStringLiteral("base"), QStringLiteral("Archivo de la base SQLite."),
                                  QStringLiteral("ARCHIVO")};
    const QCommandLineOption config{QStringLiteral("config"),
                                    QStringLiteral("Archivo de configuración (INI) con la conexión."),
                                    QStringLiteral("ARCHIVO")};
    const QCommandLineOption conexion{QStringLiteral("pg-conexion"),
                                      QStringLiteral("Cadena de conexión de libpq o URI (host=... sslmode=verify-full "
                                                     "sslrootcert=... target_session_attrs=...)."),
                                      QStringLiteral("CADENA")};
    const QCommandLineOption servicio{QStringLiteral("pg-servicio"), QStringLiteral("Servicio de pg_service.conf."),
                                      QStringLiteral("NOMBRE")};
    const QCommandLineOption servidor{QStringLiteral("pg-servidor"), QStringLiteral("Servidor PostgreSQL."),
                                      QStringLiteral("HOST")};
    const QCommandLineOption puerto{QStringLiteral("pg-puerto"), QStringLiteral("Puerto de PostgreSQL (5432)."),
                                    QStringLiteral("PUERTO")};
    const QCommandLineOption nombreBase{QStringLiteral("pg-base"), QStringLiteral("Base de datos PostgreSQL."),
                                        QStringLiteral("NOMBRE")};
    const QCommandLineOption usuario{QStringLiteral("pg-usuario"), QStringLiteral("Usuario de PostgreSQL."),
                                     QStringLiteral("USUARIO")};
    const QCommandLineOption operador{QStringLiteral("operador"), QStringLiteral("Operador que registra los cambios."),
                                      QStringLiteral("NOMBRE")};
    const QCommandLineOption niveles{QStringLiteral("niveles"),
                                     QStringLiteral("Niveles del árbol expandidos en la captura (2)."),
                                     QStringLiteral("N")};
    const QCommandLineOption traza{QStringLiteral("traza"),
                                   QStringLiteral("Escribe cada llamada a los servicios del host (JSON por línea)."),
                                   QStringLiteral("ARCHIVO")};
    const QCommandLineOption sinEjemplo{QStringLiteral("sin-ejemplo"),
                                        QStringLiteral("No llena una base nueva con el catálogo de ejemplo.")};
    const QCommandLineOption separador{
        QStringLiteral("separador"),
        QStringLiteral("Separador del CSV que se exporta: , (predeterminado) o ; (hojas de cálculo en español)."),
        QStringLiteral("SEPARADOR")};
    const QCommandLineOption moverA{QStringLiteral("a"), QStringLiteral("Grupo padre al que se mueve (--mover)."),
                                    QStringLiteral("PADRE")};
    const QCommandLineOption historialClave{QStringLiteral("historial-clave"),
                                            QStringLiteral("Historial: sólo los cambios del grupo de esta clave."),
                                            QStringLiteral("CLAVE")};
    const QCommandLineOption historialOperador{
        QStringLiteral("historial-operador"),
        QStringLiteral("Historial: sólo los cambios de los operadores cuyo nombre contiene este texto."),
        QStringLiteral("NOMBRE")};
    const QCommandLineOption historialDesde{QStringLiteral("historial-desde"),
                                            QStringLiteral("Historial: sólo los cambios de este día en adelante."),
                                            QStringLiteral("AAAA-MM-DD")};
    const QCommandLineOption historialHasta{QStringLiteral("historial-hasta"),
                                            QStringLiteral("Historial: sólo los cambios hasta este día, incluido."),
                                            QStringLiteral("AAAA-MM-DD")};

    Analizador()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Catálogo de grupos de cuentas contables (TQ614).\n"
            "Sin opciones abre la base SQLite del usuario; con --pg-conexion, --pg-servicio o --pg-servidor, una "
            "base PostgreSQL. La contraseña de PostgreSQL nunca va en la línea de órdenes: libpq la toma de su "
            "archivo de contraseñas (~/.pgpass o PGPASSFILE), del archivo de servicios o de PGPASSWORD, y si no la "
            "encuentra el programa la pide.\n"
            "Las acciones (--exportar, --importar, --registrar, ...) no necesitan pantalla; se pide una por vez."));
        // Qt's own help option is described in English even with its Spanish translation loaded.
        parser.addOption(ayuda);
        parser.addVersionOption();
        parser.addOptions({base, config, conexion, servicio, servidor, puerto, nombreBase, usuario, operador, niveles,
                           traza, sinEjemplo, separador, moverA, historialClave, historialOperador, historialDesde,
                           historialHasta});
        for (const DefinicionDeAccion& definicion : kAcciones) {
            const QString valor = definicion.valor ? QString::fromUtf8(definicion.valor) : QString();
            parser.addOption(QCommandLineOption(QString::fromUtf8(definicion.opcion),
                                                QString::fromUtf8(definicion.descripcion), valor));
        }
    }

    // The actions the command line asks for, in the table's order.
    QList<const DefinicionDeAccion*> Acciones() const
    {
        QList<const DefinicionDeAccion*> pedidas;
        for (const DefinicionDeAccion& definicion : kAcciones)
            if (parser.isSet(QString::fromUtf8(definicion.opcion)))
                pedidas << &definicion;
        return pedidas;
    }

    // Why the arguments cannot be run (with how to get the help), or the empty text.
    QString Error(const QStringList& argumentos)
    {
        if (!parser.parse(argumentos)) {
            if (const QStringList desconocidas = parser.unknownOptionNames(); !desconocidas.isEmpty())
                return QStringLiteral("Opción desconocida «%1». %2")
                    .arg(comoSeEscribio(argumentos, desconocidas.first()), kVerAyuda);
            return parser.errorText() + QLatin1Char(' ') + kVerAyuda;
        }
        if (parser.isSet(ayuda) || parser.isSet(QStringLiteral("version")))
            return {};
        if (const QStringList sueltos = parser.positionalArguments(); !sueltos.isEmpty())
            return QStringLiteral("«%1» no es una opción: un archivo va después de la opción que lo usa (por ejemplo "
                                  "--importar ARCHIVO.csv). %2")
                .arg(sueltos.first(), kVerAyuda);
        if (const auto pedidas = Acciones(); pedidas.size() > 1)
            return QStringLiteral("Se pidieron dos acciones a la vez (--%1 y --%2): el programa hace una por vez. %3")
                .arg(QString::fromUtf8(pedidas[0]->opcion), QString::fromUtf8(pedidas[1]->opcion), kVerAyuda);
        return {};
    }
};

std::nullopt_t fallo(QString* motivo, const QString& texto)
{
    *motivo = texto;
    return std::nullopt;
}

// Each step below reads some options into `opciones`, and returns why a value is wrong or the
// empty text.

void tomarAccion(const Analizador& a, Opciones& opciones)
{
    if (const auto pedidas = a.Acciones(); !pedidas.isEmpty()) {
        const DefinicionDeAccion& definicion = *pedidas.first();
        opciones.accion = definicion.accion;
        opciones.opcionDeAccion = QStringLiteral("--") + QString::fromUtf8(definicion.opcion);
        if (definicion.destino)
            opciones.*definicion.destino = a.parser.value(QString::fromUtf8(definicion.opcion));
    }
}

QString leerConfiguracion(const Analizador& a, Opciones& opciones)
{
    try {
        opciones.base = a.parser.isSet(a.config) ? Sesion::LeerConfiguracion(a.parser.value(a.config))
                                                 : Sesion::ConfiguracionPredeterminada();
    } catch (const ErrorEjecucion& e) {
        // The window tells it in a message box, where the user can correct the file and retry.
        if (opciones.accion != Accion::Ventana)
            return e.Description();
        opciones.errorDeConfiguracion = e.Description();
    }
    opciones.archivoConfiguracion = a.parser.value(a.config);
    return {};
}

QString leerConexion(const Analizador& a, Opciones& opciones)
{
    if (a.parser.isSet(a.base)) {
        opciones.base.motor = Sesion::Configuracion::SQLite;
        opciones.base.archivo = a.parser.value(a.base);
    }
    if (a.parser.isSet(a.conexion))
        opciones.base.conexion = a.parser.value(a.conexion);
    if (a.parser.isSet(a.servicio))
        opciones.base.servicio = a.parser.value(a.servicio);
    if (a.parser.isSet(a.servidor))
        opciones.base.servidor = a.parser.value(a.servidor);
    if (a.parser.isSet(a.conexion) || a.parser.isSet(a.servicio) || a.parser.isSet(a.servidor))
        opciones.base.motor = Sesion::Configuracion::PostgreSQL;
    if (a.parser.isSet(a.puerto)) {
        bool ok = false;
        opciones.base.puerto = a.parser.value(a.puerto).toInt(&ok);
        if (!ok || opciones.base.puerto <= 0 || opciones.base.puerto > 65535)
            return QStringLiteral("Puerto no válido: %1").arg(a.parser.value(a.puerto));
    }
    if (a.parser.isSet(a.nombreBase))
        opciones.base.base = a.parser.value(a.nombreBase);
    if (a.parser.isSet(a.usuario))
        opciones.base.usuario = a.parser.value(a.usuario);
    return {};
}

QString leerOperador(const Analizador& a, Opciones& opciones)
{
    if (a.parser.isSet(a.operador)) {
        // On a server the login is who changes the catalogue: no name typed here replaces it.
        if (opciones.base.motor == Sesion::Configuracion::PostgreSQL)
            return QStringLiteral("--operador no se admite con PostgreSQL: los cambios se registran a nombre del "
                                  "usuario con el que se conecta al servidor (--pg-usuario)");
        opciones.base.operador = a.parser.value(a.operador);
    }
    // Nor a name in the settings file.
    if (opciones.base.motor == Sesion::Configuracion::PostgreSQL && !a.parser.isSet(a.operador)
        && !opciones.base.operador.trimmed().isEmpty()) {
        const QString texto = QStringLiteral("El archivo de configuración %1 indica Operador=, que no se admite con "
                                             "PostgreSQL: los cambios se registran a nombre del usuario con el que se "
                                             "conecta al servidor. Quite esa línea")
                                  .arg(opciones.archivoConfiguracion);
        if (opciones.accion != Accion::Ventana)
            return texto;
        opciones.errorDeConfiguracion = texto;  // told in the window, where the file can be corrected
    }
    return {};
}

// The settings file's values were checked as it was read: what is at fault now was typed.
QString revisarConexionEscrita(const Analizador&, Opciones& opciones)
{
    return Sesion::RevisarConexion(opciones.base, {QStringLiteral("--pg-conexion"), QStringLiteral("--pg-servicio"),
                                                   QStringLiteral("--pg-servidor"), QStringLiteral("--pg-base"),
                                                   QStringLiteral("--pg-usuario")});
}

QString leerValoresDeAccion(const Analizador& a, Opciones& opciones)
{
    if (a.parser.isSet(a.niveles)) {
        bool ok = false;
        opciones.nivelesCaptura = a.parser.value(a.niveles).toInt(&ok);
        if (!ok || opciones.nivelesCaptura < 0)
            return QStringLiteral("Número de niveles no válido: %1").arg(a.parser.value(a.niveles));
    }
    opciones.traza = a.parser.value(a.traza);
    // A file of groups goes into the database as it is, never beside the sample.
    opciones.ejemplo = !a.parser.isSet(a.sinEjemplo) && opciones.accion != Accion::Importar
                       && opciones.accion != Accion::Exportar && opciones.accion != Accion::ExportarHistorial
                       && opciones.accion != Accion::Mover
                       && opciones.accion != Accion::Restaurar && opciones.accion != Accion::Deshacer;
    if ((opciones.accion == Accion::Mover) != a.parser.isSet(a.moverA))
        return QStringLiteral("--mover CLAVE va con --a PADRE (0 para la raíz)");
    opciones.moverA = a.parser.value(a.moverA);
    for (auto [accion, numero] : {std::pair{Accion::Restaurar, &opciones.restaurar},
                                  std::pair{Accion::Deshacer, &opciones.deshacer}}) {
        if (opciones.accion != accion)
            continue;
        bool ok = false;
        *numero = opciones.opcionDeAccion.isEmpty() ? 0 : a.parser.value(opciones.opcionDeAccion.mid(2)).toLongLong(&ok);
        if (!ok || *numero <= 0)
            return QStringLiteral("Número de cambio no válido: %1 (es el que muestra el historial)")
                .arg(a.parser.value(opciones.opcionDeAccion.mid(2)));
    }
    return {};
}

QString leerFiltroHistorial(const Analizador& a, Opciones& opciones)
{
    opciones.filtroHistorial.clave = a.parser.value(a.historialClave);
    opciones.filtroHistorial.operador = a.parser.value(a.historialOperador);
    for (auto [opcion, dia] : {std::pair{&a.historialDesde, &opciones.filtroHistorial.desde},
                               std::pair{&a.historialHasta, &opciones.filtroHistorial.hasta}}) {
        if (!a.parser.isSet(*opcion))
            continue;
        *dia = QDate::fromString(a.parser.value(*opcion), Qt::ISODate);
        if (!dia->isValid())
            return QStringLiteral("Fecha no válida en --%1: %2 (escríbala como AAAA-MM-DD)")
                .arg(opcion->names().constFirst(), a.parser.value(*opcion));
    }
    return {};
}

QString leerSeparador(const Analizador& a, Opciones& opciones)
{
    if (a.parser.isSet(a.separador)) {
        const QString valor = a.parser.value(a.separador);
        if (valor != QLatin1String(",") && valor != QLatin1String(";"))
            return QStringLiteral("Separador no válido: %1 (use , o ;)").arg(valor);
        opciones.separador = valor.at(0).toLatin1();
    }
    return {};
}

// The options of a command line the parser read without error; nothing, with the reason in
// `motivo`, when a value is wrong: the first one found, in the order of the steps.
std::optional<Opciones> interpretar(const Analizador& a, QString* motivo)
{
    Opciones opciones;
    tomarAccion(a, opciones);
    using Paso = QString (*)(const Analizador&, Opciones&);
    for (const Paso paso : {leerConfiguracion, leerConexion, leerOperador, revisarConexionEscrita, leerValoresDeAccion,
                            leerFiltroHistorial, leerSeparador}) {
        if (const QString texto = paso(a, opciones); !texto.isEmpty())
            return fallo(motivo, texto);
    }
    return opciones;
}

}  // namespace

bool PidenVentana(const QStringList& argumentos)
{
    Analizador analizador;
    if (!analizador.Error(argumentos).isEmpty() || analizador.parser.isSet(analizador.ayuda)
        || analizador.parser.isSet(QStringLiteral("version")))
        return false;
    QString motivo;
    const std::optional<Opciones> opciones = interpretar(analizador, &motivo);
    return opciones && opciones->accion == Accion::Ventana;
}

std::optional<Opciones> LeerOpciones(const QStringList& argumentos)
{
    Analizador analizador;
    // Anything on a command line is visible to every user of the machine (ps).
    if (!argumentos.filter(QRegularExpression(QStringLiteral("^--pg-clave(=|$)"))).isEmpty()) {
        error(QStringLiteral("La contraseña no se acepta en la línea de órdenes, donde cualquier usuario de la "
                             "máquina la ve. %1")
                  .arg(ConexionPostgres::DondeVaLaContrasena()));
        return std::nullopt;
    }
    if (const QString motivo = analizador.Error(argumentos); !motivo.isEmpty()) {
        error(motivo);
        return std::nullopt;
    }
    if (analizador.parser.isSet(analizador.ayuda))
        analizador.parser.showHelp(0);
    if (analizador.parser.isSet(QStringLiteral("version")))
        analizador.parser.showVersion();
    QString motivo;
    std::optional<Opciones> opciones = interpretar(analizador, &motivo);
    if (!opciones)
        error(motivo);
    return opciones;
}
