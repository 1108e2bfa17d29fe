// A replicated server under an open screen: the primary lost in the middle of a save, a standby
// that only reads, then the standby promoted, all without leaving the screen.
#include "BaseDePrueba.h"
#include "PantallaDePrueba.h"

#include <QProcess>
#include <QtTest>

using namespace Qt::StringLiterals;
using Motor = BaseDePrueba::Motor;

namespace {

// Runs a helper of the test server's script on the pair's folder; its output, or nothing when it failed.
std::optional<QString> enElPar(const QString& orden, const QString& carpeta)
{
    QProcess bash;
    bash.start(u"bash"_s, {u"-c"_s, u"source \"$0\" && "_s + orden + u" \"$1\""_s,
                           QStringLiteral(TQ614_SCRIPT_POSTGRES), carpeta});
    if (!bash.waitForFinished(60000) || bash.exitStatus() != QProcess::NormalExit || bash.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(bash.readAllStandardOutput()).trimmed();
}

}  // namespace

class PruebaReplica : public QObject
{
    Q_OBJECT

    QTemporaryDir m_carpeta;  // the pair's: data, sockets and logs
    const QString m_par = m_carpeta.path();
    int m_principal = 0, m_reserva = 0;

private slots:
    void initTestCase()
    {
        REQUIERE_MOTOR(Motor::PostgreSQL);
        const QStringList puertos = enElPar(u"pg_par"_s, m_par).value_or(QString()).split(u' ');
        QVERIFY2(puertos.size() == 2, qPrintable(u"No arrancó el par de servidores en "_s + m_par));
        m_principal = puertos[0].toInt();
        m_reserva = puertos[1].toInt();
        // Test bases are made on the pair's primary, as an administrator would through its socket.
        qputenv("TQ614_PG_PORT", QByteArray::number(m_principal));
        qputenv("TQ614_PG_SOCKET", QFile::encodeName(m_par));
        qputenv("TQ614_PG_RESERVA_PORT", QByteArray::number(m_reserva));
    }

    void cleanupTestCase() { enElPar(u"pg_par_detener"_s, m_par); }

    void caidaDelPrincipalConLaPantallaAbierta();
};

void PruebaReplica::caidaDelPrincipalConLaPantallaAbierta()
{
    BaseDePrueba base(Motor::PostgreSQL);
    base.InsertarGrupos({u"A|ACTIVO"_s, u"B|PASIVO"_s, u"C|CAPITAL"_s});
    base.Reconfigurar([&](Sesion::Configuracion& c) {
        c.conexion =
            u"host=127.0.0.1,127.0.0.1 port=%1,%2 target_session_attrs=read-write"_s.arg(m_principal).arg(m_reserva);
        c.servidor.clear();
        c.puerto = 0;
    });
    QCOMPARE(BaseDePrueba::PuertoDeReservaAlDia(), m_reserva);
    PantallaDePrueba u(base);
    QVERIFY(u.Nodo(u"C"_s) && Sesion::MotivoSoloLectura().isEmpty());

    // The primary stops in the middle of a save: its group is written, its change log never is.
    base.AlTrazar([&, parado = false](const QJsonObject& l) mutable {
        if (!parado && l[u"sql"_s].toString().startsWith(u"INSERT INTO Grupo_Cuenta_Contable"_s))
            parado = enElPar(u"pg_par_caida"_s, m_par).has_value();
    });
    QVERIFY(!u.Nuevo(u"A"_s, u"A1"_s, u"CAJA"_s, {}));
    base.AlTrazar({});

    // Only the standby answers: the catalogue reads, a change in a transaction or alone is refused with one message.
    base.LimpiarMensajes();
    QTest::keyClick(&u.Arbol(), Qt::Key_F5);
    QVERIFY(u.Nodo(u"C"_s) && !u.Nodo(u"A1"_s));
    QVERIFY2(Sesion::MotivoSoloLectura().startsWith(u"el servidor principal no responde"_s),
             qPrintable(Sesion::MotivoSoloLectura()));
    const QStringList antes = base.Estado();
    const std::function<bool(PantallaDePrueba&)> cambios[] = {
        [](auto& u) { return !u.Nuevo(u"A"_s, u"A2"_s, u"BANCOS"_s, {}); },
        [](auto& u) { return u.Renombrar(u"B"_s, u"deudas"_s); },
        [](auto& u) { return u.Eliminar(u"C"_s); },
    };
    for (const auto& cambio : cambios) {
        base.LimpiarMensajes();
        QVERIFY(cambio(u));
        const auto m = base.Mensajes();
        QVERIFY2(m.size() == 1 && m[0].texto.startsWith(u"El catálogo está abierto sólo para consulta"_s),
                 qPrintable(base.MensajesEnTexto().join(u'\n')));
    }
    QCOMPARE(base.Estado(), antes);

    // The standby promoted: the next actions work on it, the same screen still open.
    QVERIFY(enElPar(u"pg_par_promover"_s, m_par));
    base.LimpiarMensajes();
    QTest::keyClick(&u.Arbol(), Qt::Key_F5);
    QVERIFY(u.Nuevo(u"A"_s, u"A1"_s, u"CAJA"_s, {}));
    QVERIFY(u.Eliminar(u"C"_s) && !u.Nodo(u"C"_s));
    QCOMPARE(base.MensajesEnTexto(), QStringList());
    QCOMPARE(base.Claves(), QStringList({u"A"_s, u"A1"_s, u"B"_s}));
    QVERIFY(Sesion::MotivoSoloLectura().isEmpty());
}

QTEST_MAIN(PruebaReplica)
#include "tst_Replica.moc"
