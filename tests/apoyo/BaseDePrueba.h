#pragma once

#include "Ado.h"
#include "Sesion.h"

#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <QtTest/QTest>

// A fresh database for one test, real and thrown away afterwards (RAII).
//
//   BaseDePrueba base;                                  // SQLite file in a temporary folder
//   BaseDePrueba base(BaseDePrueba::Motor::PostgreSQL); // a new schema on the test server
//
// On construction it configures the services' session (Sesion::Configurar) with that
// database, so everything that calls Sesion::Conexion() or the objects of KesCrearObjeto
// works on it; the schema (Grupo_Cuenta_Contable and the library's tables) is created at
// once. Messages and listings are recorded instead of shown (Sesion::RegistrarMensajes) and
// cleared, and every traced call is kept in memory. The destructor closes the connection,
// drops the PostgreSQL schema or deletes the SQLite file, and restores the session's
// previous configuration.
//
// PostgreSQL comes from the variables TQ614_PG_HOST, TQ614_PG_PORT, TQ614_PG_USUARIO,
// TQ614_PG_CLAVE and TQ614_PG_BASE (scripts/postgres-prueba.sh exports them). Each base gets
// a schema of its own in that database, created and dropped by the test.
//
// Two engines in one test function:
//
//   void MiPrueba::algo_data() { BaseDePrueba::AgregarMotores(); }
//   void MiPrueba::algo()
//   {
//       QFETCH(BaseDePrueba::Motor, motor);
//       REQUIERE_MOTOR(motor);           // skips, or fails when TEST_PG_REQUIRED is set
//       BaseDePrueba base(motor);
//       ...
//   }
class BaseDePrueba
{
public:
    enum class Motor { SQLite, PostgreSQL };

    explicit BaseDePrueba(Motor motor = Motor::SQLite);
    ~BaseDePrueba();
    BaseDePrueba(const BaseDePrueba&) = delete;
    BaseDePrueba& operator=(const BaseDePrueba&) = delete;

    // --- Engines -------------------------------------------------------------------------
    // Whether the PostgreSQL test server named by TQ614_PG_* answers.
    static bool PostgresDisponible();
    // Whether TEST_PG_REQUIRED asks PostgreSQL tests to fail, not skip, without a server.
    static bool PostgresRequerido();
    // The session configuration of the test server (without a schema of its own).
    static Sesion::Configuracion ConfiguracionPostgres();
    // Adds the column "motor" and one row per engine: "sqlite" and "postgresql".
    static void AgregarMotores();
    static QString NombreMotor(Motor motor);

    Motor MotorActual() const { return m_motor; }
    const Sesion::Configuracion& Configuracion() const { return m_configuracion; }
    // SQLite: the database file. PostgreSQL: empty.
    QString Archivo() const { return m_configuracion.archivo; }
    // PostgreSQL: the schema this base works in. SQLite: empty.
    QString Esquema() const { return m_configuracion.esquema; }

    // --- Data --------------------------------------------------------------------------------
    // The session's shared connection (the one the services use).
    Connection* Conexion() const;
    // Runs a statement on it; errors are thrown as ErrorEjecucion.
    void Ejecutar(const QString& sql, const QVariantList& parametros = {});
    // The first column of the first row, or a null QVariant when there is no row.
    QVariant Valor(const QString& sql, const QVariantList& parametros = {});
    // The number of rows of a table (or of any FROM clause text).
    qlonglong ContarFilas(const QString& tabla);
    // One account group, with every column filled as the editor fills it (user-defined
    // columns empty or 0, operator "PRUEBA", dates of now, state "AC").
    void InsertarGrupo(const QString& clave, const QString& descripcion, const QString& codigo = QString(),
                       const QString& padre = QStringLiteral("0"), int nivel = 1);
    // The keys of Grupo_Cuenta_Contable in key order.
    QStringList Claves();
    // A row of Kes_Permiso: whether `operador` may write to `tabla`.
    void PermitirEscritura(const QString& operador, const QString& tabla, bool escritura);

    // --- Messages, listings and trace --------------------------------------------------------
    QList<Sesion::MensajeRegistrado> Mensajes() const;
    void LimpiarMensajes();
    QStringList Reportes() const;
    // Every traced call since construction (or the last LimpiarTraza), oldest first.
    QList<QJsonObject> Traza() const { return m_traza; }
    // Only the calls of one name ("Execute", "Mensaje", "BeginTrans", ...).
    QList<QJsonObject> TrazaDe(const QString& llamada) const;
    // The "sql" of every traced Execute, in order.
    QStringList Sentencias() const;
    void LimpiarTraza() { m_traza.clear(); }

private:
    static QString nuevoEsquema();
    void crearEsquemaPostgres();
    void borrarEsquemaPostgres() noexcept;

    Motor m_motor;
    Sesion::Configuracion m_configuracion;
    Sesion::Configuracion m_configuracionAnterior;
    bool m_registrabaMensajes;
    QTemporaryDir m_carpeta;
    QList<QJsonObject> m_traza;
};

Q_DECLARE_METATYPE(BaseDePrueba::Motor)

// Skips a PostgreSQL row when the server is missing, or fails it when TEST_PG_REQUIRED is set.
#define REQUIERE_MOTOR(motor)                                                                       \
    do {                                                                                            \
        if ((motor) == BaseDePrueba::Motor::PostgreSQL && !BaseDePrueba::PostgresDisponible()) {   \
            if (BaseDePrueba::PostgresRequerido())                                                  \
                QFAIL("PostgreSQL es obligatorio (TEST_PG_REQUIRED) y el servidor de prueba no responde"); \
            QSKIP("Sin servidor PostgreSQL de prueba (TQ614_PG_HOST)");                             \
        }                                                                                           \
    } while (false)
