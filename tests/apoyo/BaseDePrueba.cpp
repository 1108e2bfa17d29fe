#include "BaseDePrueba.h"

#include "ErrorEjecucion.h"
#include "RecordsetKes.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <memory>

namespace {

using ConexionAdministrativa = std::unique_ptr<PGconn, decltype(&PQfinish)>;

ConexionAdministrativa conectar(const QByteArray& cadena = BaseDePrueba::CadenaPostgres())
{
    ConexionAdministrativa admin(PQconnectdb(cadena.constData()), &PQfinish);
    PQsetNoticeProcessor(
        admin.get(), [](void*, const char*) {}, nullptr);  // "drop cascades to ..."
    return admin;
}

void ejecutarAdministrativa(const QString& sql, const QString& esquema = {})
{
    ConexionAdministrativa admin = conectar(BaseDePrueba::CadenaPostgres(esquema));
    if (PQstatus(admin.get()) != CONNECTION_OK)
        throw ErrorEjecucion(QStringLiteral("Sin servidor PostgreSQL de prueba: %1")
                                 .arg(QString::fromUtf8(PQerrorMessage(admin.get()))));
    PGresult* r = PQexec(admin.get(), sql.toUtf8().constData());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    const QString error = QString::fromUtf8(PQresultErrorMessage(r));
    PQclear(r);
    if (!ok)
        throw ErrorEjecucion(QStringLiteral("%1: %2").arg(sql, error));
}

} // namespace

BaseDePrueba::BaseDePrueba(Motor motor)
    : m_motor(motor)
    , m_configuracionAnterior(Sesion::ConfiguracionActual())
    , m_registrabaMensajes(Sesion::MensajesRegistrandose())
{
    if (motor == Motor::PostgreSQL) {
        m_configuracion = ConfiguracionPostgres();
        m_configuracion.esquema = nuevoEsquema();
        crearEsquemaPostgres();
    } else {
        m_configuracion.motor = Sesion::Configuracion::SQLite;
        m_configuracion.archivo = m_carpeta.filePath(QStringLiteral("prueba.db"));
    }
    m_configuracion.operador = QStringLiteral("PRUEBA");
    m_configuracion.esperaBloqueoMs = 2000;
    Sesion::Configurar(m_configuracion);
    Sesion::RegistrarMensajes(true);
    Sesion::LimpiarMensajes();
    Sesion::LimpiarReportes();
    Sesion::EstablecerObservadorTraza([this](const QJsonObject& llamada) { m_traza.append(llamada); });
    try {
        Sesion::Conexion();  // creates the schema now, so a test's first call measures only itself
    } catch (...) {
        Sesion::EstablecerObservadorTraza({});
        Sesion::Configurar(m_configuracionAnterior);
        if (motor == Motor::PostgreSQL)
            borrarEsquemaPostgres();
        throw;
    }
}

BaseDePrueba::~BaseDePrueba()
{
    Sesion::EstablecerObservadorTraza({});
    Sesion::Cerrar();
    Sesion::LimpiarMensajes();
    Sesion::LimpiarReportes();
    Sesion::RegistrarMensajes(m_registrabaMensajes);
    Sesion::Configurar(m_configuracionAnterior);
    if (m_motor == Motor::PostgreSQL)
        borrarEsquemaPostgres();
}

bool BaseDePrueba::PostgresDisponible()
{
    static const bool disponible = !qEnvironmentVariableIsEmpty("TQ614_PG_HOST")
        && PQstatus(conectar().get()) == CONNECTION_OK;
    return disponible;
}

Sesion::Configuracion BaseDePrueba::ConfiguracionPostgres()
{
    Sesion::Configuracion c;
    c.motor = Sesion::Configuracion::PostgreSQL;
    c.servidor = qEnvironmentVariable("TQ614_PG_HOST", QStringLiteral("127.0.0.1"));
    c.puerto = qEnvironmentVariableIntValue("TQ614_PG_PORT");
    c.puerto = c.puerto ? c.puerto : 5432;
    c.usuario = qEnvironmentVariable("TQ614_PG_USUARIO", QStringLiteral("tq614"));
    c.base = qEnvironmentVariable("TQ614_PG_BASE", QStringLiteral("tq614"));
    c.operador = QStringLiteral("PRUEBA");
    return c;
}

QByteArray BaseDePrueba::CadenaPostgres(const QString& esquema)
{
    const Sesion::Configuracion c = ConfiguracionPostgres();
    QString cadena = QStringLiteral("host=%1 port=%2 dbname=%3 user=%4 connect_timeout=5")
                         .arg(c.servidor)
                         .arg(c.puerto)
                         .arg(c.base, c.usuario);
    if (!esquema.isEmpty())
        cadena += QStringLiteral(" options='-c search_path=%1'").arg(esquema);
    return cadena.toUtf8();
}

bool BaseDePrueba::TerminarSesion(int pid)
{
    // The administrator's way in, through the server's socket, needs no password.
    const QByteArray socket = qgetenv("TQ614_PG_SOCKET");
    ConexionAdministrativa admin = conectar(socket.isEmpty() ? CadenaPostgres()
                                                             : "host=" + socket + " port=" + qgetenv("TQ614_PG_PORT")
                                                                 + " user=" + qgetenv("TQ614_PG_ADMIN")
                                                                 + " dbname=postgres");
    PGresult* r = PQexec(admin.get(), "SELECT pg_terminate_backend(" + QByteArray::number(pid) + ", 5000)");
    const bool hecho = PQresultStatus(r) == PGRES_TUPLES_OK && qstrcmp(PQgetvalue(r, 0, 0), "t") == 0;
    PQclear(r);
    return hecho;
}

void BaseDePrueba::EjecutarAparte(const QString& sql)
{
    if (m_motor == Motor::PostgreSQL)
        return ejecutarAdministrativa(sql, m_configuracion.esquema);
    sqlite3* otra = nullptr;
    sqlite3_open(QFile::encodeName(Archivo()).constData(), &otra);
    sqlite3_busy_timeout(otra, 5000);
    char* error = nullptr;
    const int rc = sqlite3_exec(otra, sql.toUtf8().constData(), nullptr, nullptr, &error);
    const QString texto = QString::fromUtf8(error);
    sqlite3_free(error);
    sqlite3_close(otra);
    if (rc != SQLITE_OK)
        throw ErrorEjecucion(QStringLiteral("%1: %2").arg(sql, texto));
}

void BaseDePrueba::ReordenarCatalogoAparte()
{
    QStringList columnas
        = QStringLiteral("Gcc_Cve_Grupo_Cuenta_Contable Gcc_Descripcion Gcc_Codigo Gcc_Padre Gcc_Nivel Gcc_UserDef_1 "
                         "Gcc_UserDef_2 Gcc_UserDef_3 Gcc_UserDef_4 Gcc_UserDef_5 Gcc_UserDef_6 Oper_Alta "
                         "Oper_Ult_Modif Fecha_Alta Fecha_Ult_Modif Es_Cve_Estado")
              .split(QLatin1Char(' '));
    std::reverse(columnas.begin(), columnas.end());
    EjecutarAparte(QStringLiteral("CREATE TABLE Reordenada AS SELECT %1 FROM Grupo_Cuenta_Contable; "
                                  "DROP TABLE Grupo_Cuenta_Contable; "
                                  "ALTER TABLE Reordenada RENAME TO Grupo_Cuenta_Contable")
                       .arg(columnas.join(QStringLiteral(", "))));
}

void BaseDePrueba::AgregarMotores()
{
    QTest::addColumn<BaseDePrueba::Motor>("motor");
    QTest::newRow("sqlite") << Motor::SQLite;
    QTest::newRow("postgresql") << Motor::PostgreSQL;
}

QString BaseDePrueba::nuevoEsquema()
{
    static int contador = 0;
    return QStringLiteral("prueba_%1_%2_%3")
        .arg(QCoreApplication::applicationPid())
        .arg(++contador)
        .arg(QRandomGenerator::global()->bounded(100000));
}

void BaseDePrueba::crearEsquemaPostgres()
{
    ejecutarAdministrativa(QStringLiteral("CREATE SCHEMA %1").arg(m_configuracion.esquema));
}

void BaseDePrueba::borrarEsquemaPostgres() noexcept
{
    try {
        ejecutarAdministrativa(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(m_configuracion.esquema));
    } catch (const ErrorEjecucion& error) {
        qWarning("No se pudo borrar el esquema de prueba: %s", qPrintable(error.Description()));
    }
}

QVariant BaseDePrueba::Valor(const QString& sql, const QVariantList& parametros)
{
    auto rs = Conexion()->Execute(sql, parametros);
    const auto* propio = dynamic_cast<const RecordsetKes*>(rs.get());
    if (!propio)
        throw ErrorEjecucion(QStringLiteral("El resultado no es de la librería de servicios"));
    if (rs->Eof() || propio->Columnas().Cantidad() == 0)
        return {};
    return rs->Fields(propio->Columnas().Nombre(0));
}

void BaseDePrueba::InsertarGrupo(const QString& clave, const QString& descripcion, const QString& codigo,
                                 const QString& padre, int nivel)
{
    const QDateTime ahora = QDateTime::currentDateTime();
    const QString fecha = ahora.toString(QStringLiteral("dd/MM/yyyy"));
    const QString registro = ahora.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    Ejecutar(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, "
                            "Gcc_Codigo, Gcc_Padre, Gcc_Nivel, Gcc_UserDef_1, Gcc_UserDef_2, Gcc_UserDef_3, "
                            "Gcc_UserDef_4, Gcc_UserDef_5, Gcc_UserDef_6, Oper_Alta, Oper_Ult_Modif, Fecha_Alta, "
                            "Fecha_Ult_Modif, Es_Cve_Estado) "
                            "VALUES (?, ?, ?, ?, ?, '', '', 0, 0, ?, ?, 'PRUEBA', 'PRUEBA', ?, ?, 'AC')"),
             QVariantList{clave, descripcion, codigo, padre, nivel, fecha, fecha, registro, registro});
}

QStringList BaseDePrueba::Claves()
{
    QStringList claves;
    auto rs = Conexion()->Execute(QStringLiteral("SELECT Gcc_Cve_Grupo_Cuenta_Contable FROM Grupo_Cuenta_Contable "
                                                 "ORDER BY Gcc_Cve_Grupo_Cuenta_Contable"));
    for (; !rs->Eof(); rs->MoveNext())
        claves << rs->Fields(QStringLiteral("Gcc_Cve_Grupo_Cuenta_Contable")).toString();
    return claves;
}

void BaseDePrueba::PermitirEscritura(const QString& operador, const QString& tabla, bool escritura)
{
    Ejecutar(QStringLiteral("DELETE FROM Kes_Permiso WHERE Per_Operador = ? AND Per_Tabla = ?"), {operador, tabla});
    Ejecutar(QStringLiteral("INSERT INTO Kes_Permiso (Per_Operador, Per_Tabla, Per_Escritura) VALUES (?, ?, ?)"),
             {operador, tabla, escritura ? 1 : 0});
}

QList<QJsonObject> BaseDePrueba::TrazaDe(const QString& llamada) const
{
    QList<QJsonObject> resultado;
    std::copy_if(m_traza.cbegin(), m_traza.cend(), std::back_inserter(resultado), [&](const QJsonObject& linea) {
        return linea.value(QStringLiteral("llamada")).toString() == llamada;
    });
    return resultado;
}

QStringList BaseDePrueba::Sentencias() const
{
    QStringList sentencias;
    for (const QJsonObject& linea : TrazaDe(QStringLiteral("Execute")))
        sentencias << linea.value(QStringLiteral("sql")).toString();
    return sentencias;
}
