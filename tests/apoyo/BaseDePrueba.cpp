#include "BaseDePrueba.h"

#include "ConexionPostgres.h"
#include "ConexionSqlite.h"
#include "Esquema.h"
#include "RecordsetKes.h"

#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QThread>
#include <QUuid>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace {

// The test server as a libpq connection string, in `esquema` (or "public"), no "drop cascades" notices.
QByteArray cadenaPostgres(const QString& esquema = {})
{
    const Sesion::Configuracion c = BaseDePrueba::ConfiguracionPostgres();
    return QStringLiteral("host=%1 port=%2 dbname=%3 user=%4 connect_timeout=5 "
                          "options='-c search_path=%5 -c client_min_messages=warning'")
        .arg(c.servidor)
        .arg(c.puerto)
        .arg(c.base, c.usuario, esquema.isEmpty() ? QStringLiteral("public") : esquema)
        .toUtf8();
}

// Runs `sql` through libpq alone, as another program would; the first value it gives, if any.
QByteArray ejecutarAdministrativa(const QString& sql, const QByteArray& cadena = cadenaPostgres())
{
    const std::unique_ptr<PGconn, decltype(&PQfinish)> admin(PQconnectdb(cadena.constData()), &PQfinish);
    const std::unique_ptr<PGresult, decltype(&PQclear)> r(PQexec(admin.get(), sql.toUtf8().constData()), &PQclear);
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK && PQresultStatus(r.get()) != PGRES_TUPLES_OK)
        throw ErrorEjecucion(sql + ": " + QString::fromUtf8(PQerrorMessage(admin.get())));
    return PQntuples(r.get()) > 0 ? QByteArray(PQgetvalue(r.get(), 0, 0)) : QByteArray();
}

// The administrator's way in to a server of the test set-up, through its socket, needs no password.
QByteArray cadenaAdministrador(const QByteArray& puerto = qgetenv("TQ614_PG_PORT"))
{
    const QByteArray socket = qgetenv("TQ614_PG_SOCKET");
    return socket.isEmpty()
               ? cadenaPostgres()
               : "host=" + socket + " port=" + puerto + " user=" + qgetenv("TQ614_PG_ADMIN") + " dbname=postgres";
}

// A group (key, description, code, parent, level) with the other columns as the editor fills them.
void insertarGrupo(const QVariantList& grupo)
{
    const QDateTime ahora = QDateTime::currentDateTime();
    const QString fecha = ahora.toString(u"dd/MM/yyyy"), registro = ahora.toString(u"yyyy-MM-dd HH:mm:ss");
    Sesion::Conexion()->Execute(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (%1) VALUES "
                                               "(?, ?, ?, ?, ?, '', '', 0, 0, ?, ?, 'PRUEBA', 'PRUEBA', ?, ?, 'AC')")
                                    .arg(Esquema::ColumnasDeGrupo().join(QStringLiteral(", "))),
                                grupo + QVariantList{fecha, fecha, registro, registro});
}

}  // namespace

BaseDePrueba::BaseDePrueba(Motor motor, const QStringList& grupos)
    : m_motor(motor)
    , m_configuracionAnterior(Sesion::ConfiguracionActual())
    , m_registrabaMensajes(Sesion::MensajesRegistrandose())
{
    if (motor == Motor::PostgreSQL) {
        m_configuracion = ConfiguracionPostgres();
        m_configuracion.esquema = "prueba_" + QUuid::createUuid().toString(QUuid::Id128);
        ejecutarAdministrativa("CREATE SCHEMA " + m_configuracion.esquema);
    } else {
        m_configuracion.archivo = m_carpeta.filePath(QStringLiteral("prueba.db"));
    }
    m_configuracion.operador = QStringLiteral("PRUEBA");
    m_configuracion.esperaBloqueoMs = 2000;
    Sesion::Configurar(m_configuracion);
    Sesion::RegistrarMensajes(true);
    Sesion::LimpiarMensajes();
    Sesion::LimpiarReportes();
    Sesion::EstablecerObservadorTraza([this](const QJsonObject& llamada) {
        m_traza.append(llamada);
        if (m_observador)
            m_observador(llamada);
    });
    auto siFalla = qScopeGuard([this] { restaurar(); });
    // The schema made now, as its owner prepares a server, so a test's first call measures only itself.
    Sesion::PrepararServidor();
    Sesion::Conexion();
    InsertarGrupos(grupos);
    siFalla.dismiss();
}

BaseDePrueba::~BaseDePrueba()
{
    restaurar();
}

// The session as it was before this base, and the PostgreSQL schema dropped.
void BaseDePrueba::restaurar() noexcept
{
    Sesion::EstablecerObservadorTraza({});
    Sesion::Cerrar();
    Sesion::LimpiarMensajes();
    Sesion::LimpiarReportes();
    Sesion::RegistrarMensajes(m_registrabaMensajes);
    Sesion::Configurar(m_configuracionAnterior);
    if (m_motor != Motor::PostgreSQL)
        return;
    const QString sql = "DROP SCHEMA IF EXISTS " + m_configuracion.esquema + " CASCADE";
    if (const QString error = ErrorDe([&] { ejecutarAdministrativa(sql); }); error != u"<sin error>")
        qWarning("No se pudo borrar el esquema de prueba: %s", qPrintable(error));
}

void BaseDePrueba::Reconfigurar(const std::function<void(Sesion::Configuracion&)>& cambio)
{
    Sesion::Configuracion configuracion = Sesion::ConfiguracionActual();
    cambio(configuracion);
    cambio(m_configuracion);
    Sesion::Configurar(configuracion);
}

ProxyRetardo& BaseDePrueba::PorRed(int retardoMs)
{
    m_red = std::make_unique<ProxyRetardo>(m_configuracion.servidor.toStdString(), m_configuracion.puerto, retardoMs);
    Sesion::Configuracion porRed = m_configuracion;
    porRed.servidor = QStringLiteral("127.0.0.1");
    porRed.puerto = m_red->Puerto();
    Sesion::Configurar(porRed);
    Sesion::Conexion();
    return *m_red;
}

int BaseDePrueba::IdasYVueltas(const std::function<void()>& accion)
{
    const int antes = m_red->IdasYVueltas();
    accion();
    return m_red->IdasYVueltas() - antes;
}

bool BaseDePrueba::PostgresDisponible()
{
    static const bool disponible =
        !qEnvironmentVariableIsEmpty("TQ614_PG_HOST")
        && ErrorDe([] { ejecutarAdministrativa(QStringLiteral("SELECT 1")); }) == u"<sin error>";
    return disponible;
}

Sesion::Configuracion BaseDePrueba::ConfiguracionPostgres()
{
    return {.motor = Sesion::Configuracion::PostgreSQL,
            .servidor = qEnvironmentVariable("TQ614_PG_HOST", QStringLiteral("127.0.0.1")),
            .puerto = qEnvironmentVariable("TQ614_PG_PORT", QStringLiteral("5432")).toInt(),
            .base = qEnvironmentVariable("TQ614_PG_BASE", QStringLiteral("tq614")),
            .usuario = qEnvironmentVariable("TQ614_PG_USUARIO", QStringLiteral("tq614")),
            .operador = QStringLiteral("PRUEBA")};
}

int BaseDePrueba::PuertoDeReservaAlDia()
{
    const QByteArray puerto = qgetenv("TQ614_PG_RESERVA_PORT");
    if (puerto.isEmpty())
        return 0;
    const QString escrito = QString::fromLatin1(
        ejecutarAdministrativa(QStringLiteral("SELECT pg_current_wal_lsn()"), cadenaAdministrador()));
    const QString alDia = QStringLiteral("SELECT pg_last_wal_replay_lsn() >= '%1'").arg(escrito);
    QDeadlineTimer plazo(10000);
    while (ejecutarAdministrativa(alDia, cadenaAdministrador(puerto)) != "t" && !plazo.hasExpired())
        QThread::msleep(20);
    return plazo.hasExpired() ? 0 : puerto.toInt();
}

bool BaseDePrueba::TerminarSesion(int pid)
{
    const QByteArray cadena = cadenaAdministrador();
    QByteArray terminada;
    ErrorDe([&] {
        terminada = ejecutarAdministrativa(QStringLiteral("SELECT pg_terminate_backend(%1, 5000)").arg(pid), cadena);
    });
    return terminada == "t";
}

void BaseDePrueba::AgregarMotores()
{
    QTest::addColumn<BaseDePrueba::Motor>("motor");
    QTest::newRow("sqlite") << Motor::SQLite;
    QTest::newRow("postgresql") << Motor::PostgreSQL;
}

std::unique_ptr<Connection> BaseDePrueba::OtraConexion(const std::function<void(Sesion::Configuracion&)>& cambio) const
{
    Sesion::Configuracion configuracion = m_configuracion;
    if (cambio)
        cambio(configuracion);
    if (m_motor == Motor::PostgreSQL)
        return std::make_unique<ConexionPostgres>(configuracion);
    return std::make_unique<ConexionSqlite>(configuracion);
}

void BaseDePrueba::EjecutarAparte(const QString& sql)
{
    if (m_motor == Motor::PostgreSQL) {
        ejecutarAdministrativa(sql, cadenaPostgres(m_configuracion.esquema));
        return;
    }
    sqlite3* otra = nullptr;
    sqlite3_open(QFile::encodeName(Archivo()).constData(), &otra);
    sqlite3_busy_timeout(otra, 5000);
    char* error = nullptr;
    const int rc = sqlite3_exec(otra, sql.toUtf8().constData(), nullptr, nullptr, &error);
    const QString texto = QString::fromUtf8(error);
    sqlite3_free(error);
    sqlite3_close(otra);
    if (rc != SQLITE_OK)
        throw ErrorEjecucion(sql + ": " + texto);
}

void BaseDePrueba::ReordenarCatalogoAparte()
{
    const QStringList& columnas = Esquema::ColumnasDeGrupo();
    EjecutarAparte(QStringLiteral("CREATE TABLE Reordenada AS SELECT %1 FROM Grupo_Cuenta_Contable; "
                                  "DROP TABLE Grupo_Cuenta_Contable; "
                                  "ALTER TABLE Reordenada RENAME TO Grupo_Cuenta_Contable")
                       .arg(QStringList(columnas.rbegin(), columnas.rend()).join(QStringLiteral(", "))));
}

QVariant BaseDePrueba::Valor(const QString& sql, const QVariantList& parametros)
{
    auto rs = Conexion()->Execute(sql, parametros);
    const bool sinColumnas = dynamic_cast<const RecordsetKes&>(*rs).Columnas().Cantidad() == 0;  // a change
    return rs->Eof() || sinColumnas ? QVariant() : rs->Fields(0);
}

void BaseDePrueba::InsertarGrupo(const QString& clave, const QString& descripcion, const QString& codigo,
                                 const QString& padre, int nivel)
{
    insertarGrupo({clave, descripcion, codigo, padre, nivel});
}

void BaseDePrueba::InsertarGrupos(const QStringList& filas)
{
    for (const QString& fila : filas) {
        const QStringList f = fila.split(u'|');
        const auto valor = [&f](int i) { return f.value(i) == u"NULL" ? QVariant() : QVariant(f.value(i)); };
        insertarGrupo({f[0], valor(1), valor(2), f.value(3, "0"), f.value(4, "1").toInt()});
    }
}

QStringList BaseDePrueba::Columna(const QString& sql, const QVariantList& parametros, const QString& nulo)
{
    QStringList filas;
    for (auto rs = Conexion()->Execute(sql, parametros); !rs->Eof(); rs->MoveNext()) {
        QStringList valores;
        for (int i = 0; i < dynamic_cast<const RecordsetKes&>(*rs).Columnas().Cantidad(); ++i)
            valores << (rs->Fields(i).isNull() ? nulo : rs->Fields(i).toString());
        filas << valores.join(u'|');
    }
    return filas;
}

QString BaseDePrueba::Fila(const QString& clave, const QString& columnas)
{
    return Columna("SELECT " + columnas + " FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?",
                   {clave})
        .value(0);
}

QStringList BaseDePrueba::Estado()
{
    return Columna("SELECT " + Esquema::ColumnasDeGrupo().join(u',') + " FROM Grupo_Cuenta_Contable ORDER BY 1", {},
                   QStringLiteral("<null>"))
           << QStringLiteral("Kes_Bitacora %1, Kes_Historial %2")
                  .arg(ContarFilas("Kes_Bitacora"))
                  .arg(ContarFilas("Kes_Historial"));
}

void BaseDePrueba::PermitirEscritura(const QString& operador, const QString& tabla, bool escritura)
{
    Ejecutar(QStringLiteral("DELETE FROM Kes_Permiso WHERE Per_Operador = ? AND Per_Tabla = ?"), {operador, tabla});
    Ejecutar(QStringLiteral("INSERT INTO Kes_Permiso (Per_Operador, Per_Tabla, Per_Escritura) VALUES (?, ?, ?)"),
             {operador, tabla, escritura ? 1 : 0});
}

void BaseDePrueba::QuitarReglaDeClaves()
{
    for (const char* disparador : {"Gcc_Alta_Regla_Claves", "Gcc_Cambio_Regla_Claves"})
        Ejecutar(QStringLiteral("DROP TRIGGER %1%2")
                     .arg(QLatin1String(disparador),
                          m_motor == Motor::PostgreSQL ? QStringLiteral(" ON Grupo_Cuenta_Contable") : QString()));
}

QStringList BaseDePrueba::MensajesEnTexto() const
{
    QStringList resumen;
    for (const Sesion::MensajeRegistrado& m : Mensajes())
        resumen << QStringLiteral("%1 | %2 | %3 | %4").arg(m.estilo).arg(m.titulo, m.idError, m.texto);
    return resumen;
}

QList<QJsonObject> BaseDePrueba::TrazaDe(const QString& llamada) const
{
    QList<QJsonObject> resultado = m_traza;
    resultado.removeIf([&](const QJsonObject& linea) { return linea.value(u"llamada") != llamada; });
    return resultado;
}

QStringList BaseDePrueba::Llamadas() const
{
    QStringList nombres = TrazaEnTexto(nullptr, {"llamada"});
    nombres.removeAll(QStringLiteral("Conexion"));
    return nombres;
}

QStringList BaseDePrueba::TrazaEnTexto(const char* llamada, std::initializer_list<const char*> campos) const
{
    QStringList lineas;
    for (const QJsonObject& linea : llamada ? TrazaDe(QLatin1String(llamada)) : m_traza) {
        QStringList valores;
        for (const char* campo : campos) {
            const QJsonValue valor = linea.value(QLatin1String(campo));
            valores << (valor.isArray() ? valor.toVariant().toStringList().join(u',') : valor.toVariant().toString());
        }
        lineas << valores.join(u'|');
    }
    return lineas;
}
