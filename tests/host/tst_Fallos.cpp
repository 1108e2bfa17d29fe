// Faults of the real databases: another user's lock, a full disk, a process killed in the
// middle of a change, two users writing the same key. Each must end with a clear Spanish
// message and the database exactly as it was before the failed change.
#include "BaseDePrueba.h"
#include "ErrorEjecucion.h"

#include <QCoreApplication>
#include <QProcess>
#include <QtTest>
#include <csignal>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <thread>

namespace {

ErrorEjecucion error(const std::function<void()>& accion)
{
    try {
        accion();
    } catch (const ErrorEjecucion& e) {
        return e;
    }
    return ErrorEjecucion(QString());
}

// The child writer: commits one row, leaves a second one in an open transaction, says so
// and waits to be killed.
int escritor(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Sesion::Configuracion c;
    c.archivo = QString::fromLocal8Bit(argv[2]);
    Sesion::Configurar(c);
    Connection* conexion = Sesion::Conexion();
    conexion->Execute(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable) VALUES ('A')"));
    conexion->BeginTrans();
    conexion->Execute(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable) VALUES ('B')"));
    conexion->Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'a medias'"));
    std::printf("listo\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(60));  // not forever if the parent is gone
    return 1;
}

PGconn* conectarPostgres(const BaseDePrueba& base)
{
    const auto c = base.Configuracion();
    const QByteArray conninfo = QStringLiteral("host=%1 port=%2 dbname=%3 user=%4 password=%5 options='-c search_path=%6'")
                                    .arg(c.servidor).arg(c.puerto).arg(c.base, c.usuario, c.clave, c.esquema)
                                    .toUtf8();
    return PQconnectdb(conninfo.constData());
}

} // namespace

class PruebaFallos : public QObject
{
    Q_OBJECT

private slots:
    void sqliteOcupadaPorOtroUsuario();
    void sqliteDiscoLleno();
    void sqliteProcesoMatadoAMedioCambio();
    void postgresMismaClaveEnDosSesiones();
};

void PruebaFallos::sqliteOcupadaPorOtroUsuario()
{
    BaseDePrueba base;
    Sesion::Configuracion c = base.Configuracion();
    c.esperaBloqueoMs = 200;
    Sesion::Configurar(c);
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));

    sqlite3* otro = nullptr;
    QCOMPARE(sqlite3_open(base.Archivo().toUtf8().constData(), &otro), SQLITE_OK);
    QCOMPARE(sqlite3_exec(otro, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    QElapsedTimer reloj;
    reloj.start();
    const ErrorEjecucion e = error([&] { base.Conexion()->BeginTrans(); });
    QVERIFY(reloj.elapsed() >= 150);  // it waited for the other user before giving up
    QCOMPARE(e.Codigo(), QStringLiteral("5"));
    QVERIFY2(e.Description().startsWith(QStringLiteral("La base de datos está ocupada")), qPrintable(e.Description()));
    QVERIFY(!base.Conexion()->EnTransaccion());
    // Readers are not held up by a writer.
    QCOMPARE(base.ContarFilas(QStringLiteral("Grupo_Cuenta_Contable")), 1);

    sqlite3_exec(otro, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(otro);
    base.Conexion()->BeginTrans();
    base.Conexion()->RollbackTrans();
}

void PruebaFallos::sqliteDiscoLleno()
{
    BaseDePrueba base;
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    Connection* c = base.Conexion();
    const qlonglong paginas = base.Valor(QStringLiteral("PRAGMA page_count")).toLongLong();
    base.Ejecutar(QStringLiteral("PRAGMA max_page_count = %1").arg(paginas + 2));
    c->BeginTrans();
    c->Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'cambiada'"));
    const ErrorEjecucion e = error([&] {
        for (int i = 0; i < 200; ++i)
            base.InsertarGrupo(QStringLiteral("F%1").arg(i), QString(190, QLatin1Char('x')));
    });
    QCOMPARE(e.Codigo(), QStringLiteral("13"));
    QVERIFY2(e.Description().startsWith(QStringLiteral("El disco está lleno")), qPrintable(e.Description()));
    QVERIFY(c->EnTransaccion());
    c->RollbackTrans();
    QCOMPARE(base.Claves(), QStringList{QStringLiteral("1")});
    QCOMPARE(base.Valor(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable")).toString(),
             QStringLiteral("Activo"));
}

void PruebaFallos::sqliteProcesoMatadoAMedioCambio()
{
    BaseDePrueba base;
    Sesion::Cerrar();
    QProcess hijo;
    hijo.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--escritor"), base.Archivo()});
    QVERIFY(hijo.waitForStarted());
    QVERIFY(hijo.waitForReadyRead(20000));
    QCOMPARE(hijo.readLine().trimmed(), QByteArray("listo"));
    ::kill(static_cast<pid_t>(hijo.processId()), SIGKILL);
    QVERIFY(hijo.waitForFinished(5000));

    QCOMPARE(base.Valor(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    QCOMPARE(base.Claves(), QStringList{QStringLiteral("A")});
    QCOMPARE(base.Valor(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable")).toString(), QString());
    base.InsertarGrupo(QStringLiteral("B"), QStringLiteral("ahora sí"));  // the file is writable again
}

void PruebaFallos::postgresMismaClaveEnDosSesiones()
{
    REQUIERE_MOTOR(BaseDePrueba::Motor::PostgreSQL);
    BaseDePrueba base(BaseDePrueba::Motor::PostgreSQL);
    Sesion::Configuracion c = base.Configuracion();
    c.esperaBloqueoMs = 300;
    Sesion::Configurar(c);
    PGconn* otro = conectarPostgres(base);
    QCOMPARE(PQstatus(otro), CONNECTION_OK);
    PQclear(PQexec(otro, "BEGIN"));
    PQclear(PQexec(otro, "INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable) VALUES ('1')"));

    // While the other session holds the key, this one waits its limit and gives up.
    const ErrorEjecucion ocupada = error([&] { base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Mío")); });
    QCOMPARE(ocupada.Codigo(), QStringLiteral("55P03"));
    QVERIFY2(ocupada.Description().startsWith(QStringLiteral("La base de datos está ocupada")),
             qPrintable(ocupada.Description()));

    // When the other session commits while this one waits, the key is taken.
    c.esperaBloqueoMs = 10000;
    Sesion::Configurar(c);
    std::thread confirmar([otro] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        PQclear(PQexec(otro, "COMMIT"));
    });
    Connection* conexion = base.Conexion();
    conexion->BeginTrans();
    const ErrorEjecucion repetida = error([&] { base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Mío")); });
    confirmar.join();
    conexion->RollbackTrans();
    PQfinish(otro);
    QCOMPARE(repetida.Codigo(), QStringLiteral("23505"));
    QVERIFY2(repetida.Description().startsWith(QStringLiteral("Ya existe un registro con la misma clave")),
             qPrintable(repetida.Description()));
    QCOMPARE(base.Valor(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable")).toString(), QString());
}

int main(int argc, char** argv)
{
    if (argc > 2 && qstrcmp(argv[1], "--escritor") == 0)
        return escritor(argc, argv);
    QCoreApplication app(argc, argv);
    PruebaFallos prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "tst_Fallos.moc"
