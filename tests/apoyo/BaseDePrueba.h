#pragma once

#include "ErrorDe.h"
#include "ProxyRetardo.h"
#include "Sesion.h"

#include <QTemporaryDir>
#include <QtTest/QTest>
#include <memory>

// A fresh real database for one test, thrown away afterwards: a SQLite file, or a schema of its own on the
// PostgreSQL test server (TQ614_PG_*), prepared by its owner as --preparar-servidor prepares a server. While it
// lives the session works on it, recording messages and calls.
class BaseDePrueba
{
public:
    enum class Motor { SQLite, PostgreSQL };

    explicit BaseDePrueba(Motor motor = Motor::SQLite, const QStringList& grupos = {});  // as InsertarGrupos
    ~BaseDePrueba();
    Q_DISABLE_COPY(BaseDePrueba)

    static bool PostgresDisponible();
    static Sesion::Configuracion ConfiguracionPostgres();  // without a schema of its own
    // The test server's streaming standby (TQ614_PG_RESERVA_PORT), once it has replayed all the
    // server wrote until now (waits 10 s at most); 0 without one.
    static int PuertoDeReservaAlDia();
    // Ends a PostgreSQL backend from another session and waits (5 s) until it is gone.
    static bool TerminarSesion(int pid);
    // For both engines in one test: `_data()` calls AgregarMotores(), the test ABRIR_BASE.
    static void AgregarMotores();
    static QString NombreMotor(Motor motor) { return motor == Motor::PostgreSQL ? "postgresql" : "sqlite"; }

    const Sesion::Configuracion& Configuracion() const { return m_configuracion; }
    QString Archivo() const { return m_configuracion.archivo; }
    QString Esquema() const { return m_configuracion.esquema; }
    void Reconfigurar(const std::function<void(Sesion::Configuracion&)>& cambio);

    // The session through a delaying proxy from now on; the round trips while `accion` ran.
    ProxyRetardo& PorRed(int retardoMs = 0);
    int IdasYVueltas(const std::function<void()>& accion);

    Connection* Conexion() const { return Sesion::Conexion(); }  // statements throw ErrorEjecucion
    void Ejecutar(const QString& sql, const QVariantList& parametros = {}) { Conexion()->Execute(sql, parametros); }
    // Another user's connection of the services library to the same database, `cambio` made to it.
    std::unique_ptr<Connection> OtraConexion(const std::function<void(Sesion::Configuracion&)>& cambio = {}) const;
    // Outside the library, as an administrator would; the catalogue rebuilt with its columns reversed.
    void EjecutarAparte(const QString& sql);
    void ReordenarCatalogoAparte();
    QVariant Valor(const QString& sql, const QVariantList& parametros = {});  // the first value, or null
    qlonglong ContarFilas(const QString& tabla) { return Valor("SELECT COUNT(*) FROM " + tabla).toLongLong(); }
    // Groups filled as the editor fills them; rows "key|description|code|parent|level" ("NULL" for a null).
    void InsertarGrupo(const QString& clave, const QString& descripcion, const QString& codigo = QString(),
                       const QString& padre = QStringLiteral("0"), int nivel = 1);
    void InsertarGrupos(const QStringList& filas);
    // Rows, columns joined by '|', `nulo` for NULL.
    QStringList Columna(const QString& sql, const QVariantList& parametros = {}, const QString& nulo = {});
    QStringList Claves()
    {
        return Columna("SELECT Gcc_Cve_Grupo_Cuenta_Contable FROM Grupo_Cuenta_Contable ORDER BY 1");
    }
    QString Fila(const QString& clave, const QString& columnas = "Gcc_Descripcion, Gcc_Codigo, Gcc_Padre, Gcc_Nivel");
    // Every column of every group, and the change log's and history's sizes: what a failed change keeps.
    QStringList Estado();
    void PermitirEscritura(const QString& operador, const QString& tabla, bool escritura);
    // As a base older than the key rule: groups keyed "0" or in a loop can be written.
    void QuitarReglaDeClaves();

    QList<Sesion::MensajeRegistrado> Mensajes() const { return Sesion::MensajesRegistrados(); }
    QStringList MensajesEnTexto() const;  // "style | title | error id | text"
    void LimpiarMensajes() { Sesion::LimpiarMensajes(); }
    QStringList Reportes() const { return Sesion::ReportesRegistrados(); }
    // The traced calls, oldest first; their names but "Conexion"; one line per call of one name (of any, for
    // nullptr), the fields joined by '|' (a list's by ',').
    QList<QJsonObject> Traza() const { return m_traza; }
    QList<QJsonObject> TrazaDe(const QString& llamada) const;
    QStringList Llamadas() const;
    QStringList Sentencias() const { return TrazaEnTexto("Execute", {"sql"}); }
    QStringList TrazaEnTexto(const char* llamada, std::initializer_list<const char*> campos) const;
    void LimpiarTraza() { m_traza.clear(); }
    // Runs `observador` on each traced call too (an empty one stops it).
    void AlTrazar(std::function<void(const QJsonObject&)> observador) { m_observador = std::move(observador); }

private:
    void restaurar() noexcept;

    Motor m_motor;  // where this base made its database, whatever Reconfigurar points the session at
    Sesion::Configuracion m_configuracion;
    Sesion::Configuracion m_configuracionAnterior;
    bool m_registrabaMensajes;
    QTemporaryDir m_carpeta;
    QList<QJsonObject> m_traza;
    std::function<void(const QJsonObject&)> m_observador;
    std::unique_ptr<ProxyRetardo> m_red;
};

Q_DECLARE_METATYPE(BaseDePrueba::Motor)

// Skips a PostgreSQL row when the server is missing, or fails it when TEST_PG_REQUIRED is set.
#define REQUIERE_MOTOR(motor)                                                                                          \
    do {                                                                                                               \
        if ((motor) == BaseDePrueba::Motor::PostgreSQL && !BaseDePrueba::PostgresDisponible()) {                       \
            QVERIFY2(!qEnvironmentVariableIntValue("TEST_PG_REQUIRED"),                                                \
                     "PostgreSQL es obligatorio (TEST_PG_REQUIRED) y el servidor de prueba no responde");              \
            QSKIP("Sin servidor PostgreSQL de prueba (TQ614_PG_HOST)");                                                \
        }                                                                                                              \
    } while (false)

// `puerto`: the test server's standby, once it has caught up; the test is skipped only where the
// script started none.
#define REQUIERE_RESERVA(puerto)                                                                                       \
    const int puerto = BaseDePrueba::PuertoDeReservaAlDia();                                                           \
    QVERIFY2(puerto != 0 || qEnvironmentVariableIsEmpty("TQ614_PG_RESERVA_PORT"), "La reserva no se puso al día");     \
    if (puerto == 0)                                                                                                   \
        QSKIP("Sin servidor de reserva de prueba (TQ614_PG_RESERVA_PORT)")

// The engine of the current test row (a column "motor"), checked as above, and a fresh base on it.
#define ABRIR_BASE(motor, base)                                                                                        \
    QFETCH(BaseDePrueba::Motor, motor);                                                                                \
    REQUIERE_MOTOR(motor);                                                                                             \
    BaseDePrueba base(motor)
