// The PostgreSQL session of the screen ended by the server (an administrator's
// pg_terminate_backend) between two commands and in the middle of a change. Between commands
// the next statement reconnects and works; inside a change, the change is reported by its
// procedure, rolled back by the server with the session, and the next command works.

#include "BaseDePrueba.h"
#include "Sesion.h"
#include "UsuarioDePantalla.h"
#include "Volcado.h"

#include <QApplication>
#include <QtTest>
#include <functional>
#include <libpq-fe.h>

namespace {

// The administrator's own session on the test server.
class Administrador
{
public:
    Administrador()
    {
        const auto c = BaseDePrueba::ConfiguracionPostgres();
        const QByteArray conninfo = QStringLiteral("host=%1 port=%2 dbname=%3 user=%4 password=%5")
                                        .arg(c.servidor).arg(c.puerto).arg(c.base, c.usuario, c.clave)
                                        .toUtf8();
        m_conn = PQconnectdb(conninfo.constData());
    }
    ~Administrador() { PQfinish(m_conn); }

    bool Conectado() const { return PQstatus(m_conn) == CONNECTION_OK; }

    // Ends a backend and waits (up to 5 s) until it is gone.
    bool Terminar(int pid)
    {
        const QByteArray sql = "SELECT pg_terminate_backend(" + QByteArray::number(pid) + ", 5000)";
        PGresult* r = PQexec(m_conn, sql.constData());
        const bool hecho = PQresultStatus(r) == PGRES_TUPLES_OK && qstrcmp(PQgetvalue(r, 0, 0), "t") == 0;
        PQclear(r);
        return hecho;
    }

private:
    PGconn* m_conn = nullptr;
};

int pidDeLaSesion(BaseDePrueba& base)
{
    return base.Valor(QStringLiteral("SELECT pg_backend_pid()")).toInt();
}

void catalogo(BaseDePrueba& base)
{
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("ACTIVO"), QString());
    base.InsertarGrupo(QStringLiteral("A1"), QStringLiteral("CAJA"), QString(), QStringLiteral("A"), 2);
    base.InsertarGrupo(QStringLiteral("B"), QStringLiteral("PASIVO"), QString());
}

} // namespace

class PruebaFallasPostgres : public QObject
{
    Q_OBJECT

private slots:
    void init() { REQUIERE_MOTOR(BaseDePrueba::Motor::PostgreSQL); }
    void sesionTerminadaEntreComandos();
    void sesionTerminadaDentroDelCambio_data();
    void sesionTerminadaDentroDelCambio();
};

void PruebaFallasPostgres::sesionTerminadaEntreComandos()
{
    BaseDePrueba base(BaseDePrueba::Motor::PostgreSQL);
    catalogo(base);
    UsuarioDePantalla usuario;
    Administrador admin;
    QVERIFY(admin.Conectado());

    const int pid = pidDeLaSesion(base);
    QVERIFY(admin.Terminar(pid));
    base.LimpiarMensajes();

    // The selection's read, the check for subgroups, the delete: the first statement finds
    // the session gone and opens a new one.
    QVERIFY(usuario.Eliminar(QStringLiteral("B")));
    QVERIFY2(base.Mensajes().isEmpty(), qPrintable(base.Mensajes().value(0).texto));
    QVERIFY(!usuario.Nodo(QStringLiteral("B")));
    QCOMPARE(base.Claves(), (QStringList{QStringLiteral("A"), QStringLiteral("A1")}));
    QVERIFY(pidDeLaSesion(base) != pid);

    // And once more, this time before a save of the editor.
    QVERIFY(admin.Terminar(pidDeLaSesion(base)));
    QVERIFY(usuario.Nuevo(QStringLiteral("A"), QStringLiteral("A2"), QStringLiteral("BANCOS"), QString()));
    QVERIFY(base.Mensajes().isEmpty());
    QVERIFY(base.Claves().contains(QStringLiteral("A2")));
}

void PruebaFallasPostgres::sesionTerminadaDentroDelCambio_data()
{
    QTest::addColumn<QString>("sentencia");  // the session ends right after this statement ran
    QTest::addColumn<QString>("idError");
    QTest::addColumn<int>("cambio");
    QTest::newRow("eliminar") << QStringLiteral("DELETE FROM Grupo_Cuenta_Contable") << QStringLiteral("ERR-ID:7500013") << 0;
    QTest::newRow("nuevo") << QStringLiteral("INSERT INTO Grupo_Cuenta_Contable") << QStringLiteral("ERR-ID:7500027") << 1;
    QTest::newRow("editar") << QStringLiteral("UPDATE Grupo_Cuenta_Contable SET    Gcc_Descripcion")
                            << QStringLiteral("ERR-ID:7500027") << 2;
    QTest::newRow("cambiar clave") << QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Padre")
                                   << QStringLiteral("ERR-ID:7500004") << 3;
}

void PruebaFallasPostgres::sesionTerminadaDentroDelCambio()
{
    QFETCH(QString, sentencia);
    QFETCH(QString, idError);
    QFETCH(int, cambio);
    BaseDePrueba base(BaseDePrueba::Motor::PostgreSQL);
    catalogo(base);
    UsuarioDePantalla usuario;
    Administrador admin;
    QVERIFY(admin.Conectado());

    const std::function<void()> cambios[] = {
        [&] { QVERIFY(usuario.Eliminar(QStringLiteral("B"))); },
        [&] { QVERIFY(!usuario.Nuevo(QStringLiteral("A"), QStringLiteral("A2"), QStringLiteral("BANCOS"), QString())); },
        [&] { QVERIFY(!usuario.Editar(QStringLiteral("B"), QStringLiteral("PASIVO TOTAL"), QString())); },
        [&] { QVERIFY(usuario.CambiarClave(QStringLiteral("A"), QStringLiteral("Z"))); },
    };

    const QStringList antes = Volcado::Grupos(*base.Conexion());
    const qlonglong bitacora = Volcado::Bitacora(*base.Conexion());
    const int pid = pidDeLaSesion(base);
    bool terminada = false;
    Sesion::EstablecerObservadorTraza([&](const QJsonObject& llamada) {
        if (!terminada && llamada.value(QStringLiteral("sql")).toString().startsWith(sentencia))
            terminada = admin.Terminar(pid);
    });
    base.LimpiarMensajes();
    cambios[cambio]();
    Sesion::EstablecerObservadorTraza({});
    QVERIFY(terminada);

    const auto mensajes = base.Mensajes();
    QCOMPARE(mensajes.size(), 1);
    QCOMPARE(mensajes[0].idError, idError);
    QCOMPARE(mensajes[0].estilo, 16L);
    QVERIFY2(mensajes[0].texto.startsWith(QStringLiteral("Se perdió la conexión")), qPrintable(mensajes[0].texto));
    QVERIFY(!base.Conexion()->EnTransaccion());

    // The server rolled the change back with the session; the next statement reconnects.
    QCOMPARE(Volcado::Grupos(*base.Conexion()), antes);
    QCOMPARE(Volcado::Bitacora(*base.Conexion()), bitacora);
    QVERIFY(pidDeLaSesion(base) != pid);

    base.LimpiarMensajes();
    QVERIFY(usuario.Nuevo(QStringLiteral("A"), QStringLiteral("A3"), QStringLiteral("CLIENTES"), QString()));
    QVERIFY(usuario.Eliminar(QStringLiteral("A1")));
    QVERIFY2(base.Mensajes().isEmpty(), qPrintable(base.Mensajes().value(0).texto));
    QVERIFY(base.Claves().contains(QStringLiteral("A3")));
    QVERIFY(!base.Claves().contains(QStringLiteral("A1")));
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PruebaFallasPostgres prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "tst_FallasPostgres.moc"
