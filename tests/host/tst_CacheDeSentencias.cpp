// Statement texts that differ only in their literals share one prepared statement; the
// session's connection survives a PostgreSQL backend that is terminated under it.
#include "BaseDePrueba.h"
#include "ConexionPostgres.h"
#include "ConexionSqlite.h"
#include "ErrorEjecucion.h"

#include <QtTest>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace {

QString hijos(const QString& padre)
{
    return QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '%1' "
                          "ORDER BY Gcc_Padre, Gcc_Cve_Grupo_Cuenta_Contable ").arg(padre);
}

// Ends the connection's backend from another session, as an administrator or a restart would.
void terminar(int pid)
{
    const auto c = BaseDePrueba::ConfiguracionPostgres();
    const QByteArray conninfo = QStringLiteral("host=%1 port=%2 dbname=%3 user=%4 password=%5")
                                    .arg(c.servidor).arg(c.puerto).arg(c.base, c.usuario, c.clave).toUtf8();
    PGconn* admin = PQconnectdb(conninfo.constData());
    PGresult* r = PQexec(admin, QByteArray("SELECT pg_terminate_backend(" + QByteArray::number(pid) + ")").constData());
    const bool ok = PQresultStatus(r) == PGRES_TUPLES_OK && QByteArray(PQgetvalue(r, 0, 0)) == "t";
    PQclear(r);
    PQfinish(admin);
    QVERIFY2(ok, "no se pudo terminar el proceso del servidor");
    QTest::qWait(100);  // the backend takes a moment to go
}

} // namespace

class PruebaCacheDeSentencias : public QObject
{
    Q_OBJECT

private slots:
    void sqliteUnaSentenciaPorForma();
    void sqliteLecturaCompartidaVeLoQueOtrosConfirman();
    void postgresPreparaUnaVezPorForma();
    void postgresFormaQueNoAdmiteParametros();
    void postgresReconectaFueraDeTransaccion();
    void postgresConexionPerdidaEnTransaccion();
};

void PruebaCacheDeSentencias::sqliteUnaSentenciaPorForma()
{
    BaseDePrueba base;
    auto* c = dynamic_cast<ConexionSqlite*>(base.Conexion());
    QVERIFY(c);
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    base.InsertarGrupo(QStringLiteral("11"), QStringLiteral("Caja"), QStringLiteral("1.1"), QStringLiteral("1"), 2);
    const int antes = c->SentenciasEnCache();
    for (const QString& padre : {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("O'Brien"), QStringLiteral("?")}) {
        QString doblado = padre;
        c->Execute(hijos(doblado.replace(QLatin1String("'"), QLatin1String("''"))));
    }
    QCOMPARE(c->SentenciasEnCache(), antes + 1);
    QCOMPARE(c->Execute(hijos(QStringLiteral("1")))->Fields(QStringLiteral("Gcc_Descripcion")).toString(),
             QStringLiteral("Caja"));
    QVERIFY(c->Execute(hijos(QStringLiteral("11")))->Eof());
}

// A run of queries shares one read transaction, which must never hide a commit made by
// another connection, nor survive a write or a transaction of this one.
void PruebaCacheDeSentencias::sqliteLecturaCompartidaVeLoQueOtrosConfirman()
{
    BaseDePrueba base;
    auto* c = dynamic_cast<ConexionSqlite*>(base.Conexion());
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    QCOMPARE(c->Execute(hijos(QStringLiteral("0")))->Fields(QStringLiteral("Gcc_Descripcion")).toString(),
             QStringLiteral("Activo"));
    QVERIFY(c->LecturaAbierta());

    sqlite3* otro = nullptr;
    QCOMPARE(sqlite3_open(base.Archivo().toUtf8().constData(), &otro), SQLITE_OK);
    sqlite3_busy_timeout(otro, 2000);
    for (int i = 2; i <= 4; ++i) {
        const QByteArray sql = "UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Otro " + QByteArray::number(i) + "'";
        QCOMPARE(sqlite3_exec(otro, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);  // readers do not block it
        QCOMPARE(c->Execute(hijos(QStringLiteral("0")))->Fields(QStringLiteral("Gcc_Descripcion")).toString(),
                 QStringLiteral("Otro %1").arg(i));
    }

    // A write of this connection ends the shared read and commits on its own.
    c->Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Mío'"));
    QVERIFY(!c->LecturaAbierta());
    sqlite3_stmt* consulta = nullptr;
    sqlite3_prepare_v2(otro, "SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable", -1, &consulta, nullptr);
    QCOMPARE(sqlite3_step(consulta), SQLITE_ROW);
    QCOMPARE(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(consulta, 0))), QStringLiteral("Mío"));
    sqlite3_finalize(consulta);

    c->Execute(hijos(QStringLiteral("0")));
    QVERIFY(c->LecturaAbierta());
    c->BeginTrans();  // a transaction of this connection begins on a fresh write lock
    QVERIFY(!c->LecturaAbierta());
    c->Execute(hijos(QStringLiteral("0")));
    QVERIFY(!c->LecturaAbierta());
    c->RollbackTrans();

    c->Execute(hijos(QStringLiteral("0")));
    QVERIFY(c->LecturaAbierta());
    QTRY_VERIFY(!c->LecturaAbierta());  // ended when the event loop runs
    sqlite3_close(otro);
}

void PruebaCacheDeSentencias::postgresPreparaUnaVezPorForma()
{
    REQUIERE_MOTOR(BaseDePrueba::Motor::PostgreSQL);
    BaseDePrueba base(BaseDePrueba::Motor::PostgreSQL);
    auto* c = dynamic_cast<ConexionPostgres*>(base.Conexion());
    QVERIFY(c);
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    base.InsertarGrupo(QStringLiteral("11"), QStringLiteral("Caja"), QStringLiteral("1.1"), QStringLiteral("1"), 2);
    const int antes = c->Preparaciones();
    for (int i = 0; i < 50; ++i)
        c->Execute(hijos(QString::number(i)));
    c->Execute(hijos(QStringLiteral("it''s")));
    QCOMPARE(c->Preparaciones(), antes + 1);
    QCOMPARE(c->Execute(hijos(QStringLiteral("1")))->Fields(QStringLiteral("Gcc_Descripcion")).toString(),
             QStringLiteral("Caja"));
    // Inside a transaction the shape is still the same statement.
    c->BeginTrans();
    QVERIFY(c->Execute(hijos(QStringLiteral("11")))->Eof());
    c->RollbackTrans();
    QCOMPARE(c->Preparaciones(), antes + 1);
}

// `SELECT $1 IS NULL` cannot be prepared (the parameter's type is unknown) where the literal
// text runs; inside a transaction the refused preparation must not abort the transaction.
void PruebaCacheDeSentencias::postgresFormaQueNoAdmiteParametros()
{
    REQUIERE_MOTOR(BaseDePrueba::Motor::PostgreSQL);
    BaseDePrueba base(BaseDePrueba::Motor::PostgreSQL);
    Connection* c = base.Conexion();
    c->BeginTrans();
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    auto rs = c->Execute(QStringLiteral("SELECT 'x' IS NULL AS Nulo, pg_typeof('y') AS Tipo"));
    QCOMPARE(rs->Fields(QStringLiteral("Nulo")).toBool(), false);
    QCOMPARE(rs->Fields(QStringLiteral("Tipo")).toString(), QStringLiteral("unknown"));  // the literal, as written
    QCOMPARE(c->Execute(QStringLiteral("SELECT 'z' IS NULL AS Nulo"))->Fields(QStringLiteral("Nulo")).toBool(), false);
    c->CommitTrans();
    QCOMPARE(base.ContarFilas(QStringLiteral("Grupo_Cuenta_Contable")), 1);
    // A statement that is wrong as written still fails, with the server's own reason.
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->Execute(QStringLiteral("SELECT * FROM No_Existe WHERE a = 'b'")));
}

void PruebaCacheDeSentencias::postgresReconectaFueraDeTransaccion()
{
    REQUIERE_MOTOR(BaseDePrueba::Motor::PostgreSQL);
    BaseDePrueba base(BaseDePrueba::Motor::PostgreSQL);
    auto* c = dynamic_cast<ConexionPostgres*>(base.Conexion());
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    QVERIFY(!c->Execute(hijos(QStringLiteral("0")))->Eof());
    const int pid = c->ProcesoDelServidor();
    terminar(pid);
    // The next statement meets the dead session, reconnects once and runs: the user sees nothing.
    auto rs = c->Execute(hijos(QStringLiteral("0")));
    QCOMPARE(rs->Fields(QStringLiteral("Gcc_Descripcion")).toString(), QStringLiteral("Activo"));
    QCOMPARE(c->Reconexiones(), 1);
    QVERIFY(c->ProcesoDelServidor() != pid);

    terminar(c->ProcesoDelServidor());
    c->BeginTrans();  // a transaction that begins on a dead session reconnects too
    c->Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Activos'"));
    c->CommitTrans();
    QCOMPARE(c->Reconexiones(), 2);
    QCOMPARE(base.Valor(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable")).toString(),
             QStringLiteral("Activos"));
}

void PruebaCacheDeSentencias::postgresConexionPerdidaEnTransaccion()
{
    REQUIERE_MOTOR(BaseDePrueba::Motor::PostgreSQL);
    BaseDePrueba base(BaseDePrueba::Motor::PostgreSQL);
    auto* c = dynamic_cast<ConexionPostgres*>(base.Conexion());
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    c->BeginTrans();
    c->Execute(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable) VALUES ('2')"));
    terminar(c->ProcesoDelServidor());
    // Silently reconnecting here would lose the insert behind the caller's back.
    try {
        c->Execute(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable) VALUES ('3')"));
        QFAIL("la sentencia corrió en otra sesión");
    } catch (const ErrorEjecucion& error) {
        QVERIFY2(error.Codigo() == QLatin1String("57P01") || error.Codigo().startsWith(QLatin1String("08")),
                 qPrintable(error.Codigo()));
        QVERIFY(error.Description().startsWith(QStringLiteral("Se perdió la conexión")));
    }
    QVERIFY(c->EnTransaccion());
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->CommitTrans());
    c->RollbackTrans();  // ends it without a server to talk to
    QVERIFY(!c->EnTransaccion());
    QCOMPARE(base.Claves(), QStringList{QStringLiteral("1")});
    QCOMPARE(c->Reconexiones(), 1);
}

QTEST_GUILESS_MAIN(PruebaCacheDeSentencias)
#include "tst_CacheDeSentencias.moc"
