#include "Sesion.h"

#include "AlVolverAlBucle.h"
#include "ConexionPostgres.h"
#include "ConexionSqlite.h"
#include "ErrorEjecucion.h"
#include "Esquema.h"
#include "Servicios.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QScopedValueRollback>
#include <QSettings>
#include <QStandardPaths>
#include <QUuid>
#include <QWidget>

#include <pwd.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcMensajes, "kestrima.mensajes")

namespace Sesion {

namespace {

const QStringList kClavesDeContrasena = {QStringLiteral("clave"), QStringLiteral("password"),
                                         QStringLiteral("contrasena"), QStringLiteral("contraseña")};

struct Estado
{
    Configuracion configuracion = ConfiguracionPredeterminada();
    std::unique_ptr<Connection> conexion;
    QString usuarioBase;  // PostgreSQL: the session user of the open connection
    QString motivoSoloLectura;  // PostgreSQL: why the open connection may not change the catalogue
    QFile traza;
    std::function<void(const QJsonObject&)> observador;
    bool registrarMensajes = false;
    bool pidiendoClave = false;  // the password dialog is open
    bool trazaActiva = false;  // asked once per call of every service: kept, not computed

    void actualizarTraza() { trazaActiva = traza.isOpen() || observador; }
    QList<MensajeRegistrado> mensajes;
    QStringList reportes;
    QString idSesion = QUuid::createUuid().toString(QUuid::WithoutBraces).left(8);
    QStringList avisos;  // shown when control returns to the event loop
    AlVolverAlBucle alVolver{[this] { mostrarAvisos(); }};

    void mostrarAvisos()
    {
        for (const QString& aviso : std::exchange(avisos, {}))
            MostrarMensaje({aviso, AccesoDatos::vbInformation, QStringLiteral("Kestrima"), 0,
                            QStringLiteral("KesServicios"), QString()});
    }

    // Support staff switch the trace and the recorded messages on without new options.
    Estado()
    {
        const QString archivo = qEnvironmentVariable("TQ614_TRAZA");
        if (!archivo.isEmpty())
            abrirTraza(archivo);
        registrarMensajes =
            qEnvironmentVariable("TQ614_MENSAJES").compare(QLatin1String("registrar"), Qt::CaseInsensitive) == 0;
    }

    void abrirTraza(const QString& archivo)
    {
        traza.close();
        actualizarTraza();
        if (archivo.isEmpty())
            return;
        traza.setFileName(archivo);
        if (!traza.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            qCWarning(lcMensajes, "No se pudo abrir el archivo de traza %s: %s", qPrintable(archivo),
                      qPrintable(traza.errorString()));
        actualizarTraza();
    }
};

Estado& estado()
{
    static Estado e;
    return e;
}

QMessageBox::Icon iconoDe(long estilo)
{
    switch (estilo & 0x70) {
    case AccesoDatos::vbCritical:
        return QMessageBox::Critical;
    case AccesoDatos::vbQuestion:
        return QMessageBox::Question;
    case AccesoDatos::vbExclamation:
        return QMessageBox::Warning;
    case AccesoDatos::vbInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// A SQLite file is created or upgraded by whoever opens it, and says what it restored.
std::unique_ptr<Connection> abrirSqlite(const Configuracion& configuracion)
{
    auto conexion = std::make_unique<ConexionSqlite>(configuracion);
    if (const QString aviso = Esquema::Preparar(*conexion, configuracion.motor); !aviso.isEmpty())
        MostrarMensaje({aviso, AccesoDatos::vbInformation, QStringLiteral("Base de datos del catálogo"), 0,
                        QStringLiteral("Kestrima"), QString()});
    return conexion;
}

// On a server the rights are the server's: a login that may not read the catalogue, or a
// schema not prepared by its owner, ends here with the reason.
std::unique_ptr<Connection> abrirPostgres(const Configuracion& configuracion, Estado& e)
{
    auto conexion = std::make_unique<ConexionPostgres>(configuracion);
    const ConexionPostgres::Identidad& identidad = conexion->IdentidadDelServidor();
    // Without the table in sight, a login with a role of ours finds a schema not prepared.
    if (!identidad.lee && !identidad.conRol)
        throw ErrorEjecucion(ConexionPostgres::SinPermiso(identidad.usuario, true), QStringLiteral("42501"));
    Esquema::ExigirPreparada(*conexion);
    e.usuarioBase = identidad.usuario;
    e.motivoSoloLectura = identidad.escribe
                              ? QString()
                              : QStringLiteral("el usuario %1 sólo puede consultar el catálogo (rol tq614_lectura)")
                                    .arg(identidad.usuario);
    return conexion;
}

}  // namespace

void Configurar(const Configuracion& configuracion)
{
    Cerrar();
    estado().configuracion = configuracion;
}

Configuracion ConfiguracionActual()
{
    return estado().configuracion;
}

Configuracion ConfiguracionPredeterminada()
{
    Configuracion configuracion;
    QString carpeta = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (carpeta.isEmpty())
        carpeta = QDir::homePath();
    configuracion.archivo = carpeta + QStringLiteral("/Kestrima/tq614.db");
    return configuracion;
}

Configuracion LeerConfiguracion(const QString& archivoIni)
{
    // A file named and not found must not quietly become the local base.
    const QFileInfo informacion(archivoIni);
    if (QFile archivo(archivoIni); !informacion.isFile() || !archivo.open(QIODevice::ReadOnly))
        throw ErrorEjecucion(QStringLiteral("No se pudo leer el archivo de configuración %1: %2")
                                 .arg(archivoIni, !informacion.exists() ? QStringLiteral("no existe")
                                                  : !informacion.isFile() ? QStringLiteral("no es un archivo")
                                                                          : archivo.errorString()));
    Configuracion c = ConfiguracionPredeterminada();
    QSettings ini(archivoIni, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("BaseDeDatos"));
    for (const QString& clave : ini.childKeys()) {
        if (kClavesDeContrasena.contains(clave.toLower()))
            throw ErrorEjecucion(QStringLiteral("El archivo de configuración %1 guarda la contraseña de la base de "
                                                "datos en texto plano (%2=), donde cualquiera que lo lea la ve: "
                                                "quítela. %3")
                                     .arg(archivoIni, clave, ConexionPostgres::DondeVaLaContrasena()));
    }
    // QSettings reads an unquoted value with commas (host=a,b) as a list: joined again.
    const auto texto = [&](const char* clave, const QString& predeterminado) {
        const QVariant valor = ini.value(QLatin1String(clave), predeterminado);
        return valor.typeId() == QMetaType::QStringList ? valor.toStringList().join(QLatin1Char(','))
                                                        : valor.toString();
    };
    c.conexion = texto("Conexion", QString());
    c.servicio = texto("Servicio", QString());
    const QString motor = ini.value(QStringLiteral("Motor")).toString().trimmed().toLower();
    if (motor == QLatin1String("postgresql") || motor == QLatin1String("postgres") || motor == QLatin1String("pg")
        || (motor.isEmpty() && !(c.conexion.isEmpty() && c.servicio.isEmpty())))
        c.motor = Configuracion::PostgreSQL;
    c.archivo = ini.value(QStringLiteral("Archivo"), c.archivo).toString();
    c.servidor = texto("Servidor", c.servidor);
    c.puerto = ini.value(QStringLiteral("Puerto"), c.puerto).toInt();
    c.base = texto("Base", c.base);
    c.usuario = texto("Usuario", c.usuario);
    c.esquema = ini.value(QStringLiteral("Esquema"), c.esquema).toString();
    c.operador = ini.value(QStringLiteral("Operador"), c.operador).toString();
    c.esperaBloqueoMs = ini.value(QStringLiteral("EsperaBloqueoMs"), c.esperaBloqueoMs).toInt();
    c.esperaServidorMs = ini.value(QStringLiteral("EsperaServidorMs"), c.esperaServidorMs).toInt();
    c.filasPorRafaga = ini.value(QStringLiteral("FilasPorRafaga"), c.filasPorRafaga).toInt();
    c.lecturaCompartida = ini.value(QStringLiteral("LecturaCompartida"), c.lecturaCompartida).toBool();
    c.reservaSoloLectura = ini.value(QStringLiteral("ReservaSoloLectura"), c.reservaSoloLectura).toBool();
    if (const QString motivo = RevisarConexion(c); !motivo.isEmpty())
        throw ErrorEjecucion(QStringLiteral("El archivo de configuración %1, %2").arg(archivoIni, motivo));
    return c;
}

QString ClaveEnCadena(const QString& cadena)
{
    switch (ConexionPostgres::LeerCadena(cadena)) {
    case ConexionPostgres::Cadena::ConContrasena:
        return QStringLiteral("lleva la contraseña, que así queda a la vista de otros usuarios: quítela. %1")
            .arg(ConexionPostgres::DondeVaLaContrasena());
    case ConexionPostgres::Cadena::Ilegible:
        // Not repeated: what libpq cannot read may still hold a password.
        return QStringLiteral("no es una cadena de conexión que PostgreSQL entienda (revise sus comillas, espacios y "
                              "caracteres %; el valor no se repite aquí por si lleva una contraseña)");
    default:
        return {};
    }
}

QString RevisarConexion(const Configuracion& c, const QStringList& nombres)
{
    const QString valores[] = {c.conexion, c.servicio, c.servidor, c.base, c.usuario};
    for (int i = 0; i < 5; ++i)
        if (const QString motivo = ClaveEnCadena(valores[i]); !motivo.isEmpty())
            return QStringLiteral("%1: %2").arg(nombres.value(i), motivo);
    return {};
}

bool Interactivo()
{
    return !estado().registrarMensajes && qobject_cast<QApplication*>(QCoreApplication::instance());
}

std::optional<QString> PedirClave(const QString& destino)
{
    // A connection opened while the dialog waits (a window repainted, a timer) does not stack
    // a second dialog on the first: it gives up, and the one the user sees carries on.
    if (!Interactivo() || estado().pidiendoClave)
        return std::nullopt;
    const QScopedValueRollback<bool> enCurso(estado().pidiendoClave, true);
    bool aceptada = false;
    const QString clave = QInputDialog::getText(
        QApplication::activeWindow(), QStringLiteral("Contraseña de la base de datos"),
        QStringLiteral("Escriba la contraseña del usuario %1:").arg(destino), QLineEdit::Password, QString(), &aceptada);
    if (!aceptada || clave.isEmpty())
        return std::nullopt;
    return clave;
}

Connection* Conexion()
{
    Estado& e = estado();
    if (e.conexion)
        return e.conexion.get();
    e.conexion = e.configuracion.motor == Configuracion::PostgreSQL ? abrirPostgres(e.configuracion, e)
                                                                    : abrirSqlite(e.configuracion);
    return e.conexion.get();
}

QString PrepararServidor()
{
    Cerrar();
    const Configuracion& configuracion = estado().configuracion;
    if (configuracion.motor != Configuracion::PostgreSQL) {
        Conexion();
        return {};
    }
    ConexionPostgres conexion(configuracion);
    return Esquema::PrepararServidor(conexion);
}

void Cerrar()
{
    estado().conexion.reset();
    estado().usuarioBase.clear();
    estado().motivoSoloLectura.clear();
}

QString MotivoSoloLectura()
{
    if (estado().configuracion.motor != Configuracion::PostgreSQL)
        return {};
    Conexion();
    // A standby reached while the primary is down refuses every change, whatever the login may do.
    if (dynamic_cast<const ConexionPostgres&>(*estado().conexion).EnReserva())
        return QStringLiteral("el servidor principal no responde y el catálogo se abrió en el de reserva; los "
                              "cambios podrán hacerse cuando vuelva");
    return estado().motivoSoloLectura;
}

QString Operador()
{
    // On a server the login is the identity: no setting of the workstation's can change it.
    const QString configurado = estado().configuracion.operador.trimmed();
    return configurado.isEmpty() || estado().configuracion.motor == Configuracion::PostgreSQL ? UsuarioDeLaBase()
                                                                                              : configurado;
}

QString UsuarioDeLaBase()
{
    if (estado().configuracion.motor != Configuracion::PostgreSQL)
        return UsuarioDelSistema();
    Conexion();
    return estado().usuarioBase;
}

QString UsuarioDelSistema()
{
    if (const passwd* usuario = getpwuid(geteuid()); usuario && usuario->pw_name)
        return QString::fromLocal8Bit(usuario->pw_name);
    return qEnvironmentVariable("USER");
}

QString IdSesion()
{
    return estado().idSesion;
}

void EstablecerTraza(const QString& archivo)
{
    estado().abrirTraza(archivo);
}

void EstablecerObservadorTraza(std::function<void(const QJsonObject&)> observador)
{
    estado().observador = std::move(observador);
    estado().actualizarTraza();
}

bool TrazaActiva()
{
    return estado().trazaActiva;
}

void Trazar(const QJsonObject& llamada)
{
    Estado& e = estado();
    if (e.traza.isOpen()) {
        e.traza.write(QJsonDocument(llamada).toJson(QJsonDocument::Compact));
        e.traza.write("\n");
        e.traza.flush();  // a trace must survive the crash it is meant to explain
    }
    if (e.observador)
        e.observador(llamada);
}

void RegistrarMensajes(bool registrar)
{
    estado().registrarMensajes = registrar;
}

bool MensajesRegistrandose()
{
    return estado().registrarMensajes;
}

QList<MensajeRegistrado> MensajesRegistrados()
{
    return estado().mensajes;
}

void LimpiarMensajes()
{
    estado().mensajes.clear();
}

void MostrarMensaje(const MensajeRegistrado& mensaje)
{
    qCInfo(lcMensajes).noquote() << QStringLiteral("%1 %2 [%3] %4: %5")
                                        .arg(mensaje.proyecto, mensaje.idError)
                                        .arg(mensaje.estilo)
                                        .arg(mensaje.titulo, mensaje.texto);
    Estado& e = estado();
    if (!Interactivo()) {
        e.mensajes.append(mensaje);
        return;
    }
    QWidget* ventana = mensaje.ventana ? QWidget::find(static_cast<WId>(mensaje.ventana)) : nullptr;
    if (!ventana)
        ventana = QApplication::activeWindow();
    QMessageBox caja(iconoDe(mensaje.estilo), mensaje.titulo, mensaje.texto, QMessageBox::Ok, ventana);
    caja.exec();
}

void AvisarAlVolver(const QString& texto)
{
    Estado& e = estado();
    e.avisos.append(texto);
    if (!e.alVolver.Programar())
        e.mostrarAvisos();
}

void RegistrarReporte(const QString& listado)
{
    estado().reportes.append(listado);
}

QStringList ReportesRegistrados()
{
    return estado().reportes;
}

void LimpiarReportes()
{
    estado().reportes.clear();
}

}  // namespace Sesion
