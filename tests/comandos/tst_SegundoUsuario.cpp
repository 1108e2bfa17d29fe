// Another user of the same database meets Delete or Change key halfway, on both engines: the
// database never ends with a group whose parent does not exist, and a command that loses is
// reported and rolled back.

#include "BaseDePrueba.h"
#include "CajaDeEntrada.h"
#include "ConexionPostgres.h"
#include "ConexionSqlite.h"
#include "ErrorEjecucion.h"
#include "PantallaDePrueba.h"
#include "frmTQ614.h"

#include <QtTest>
#include <future>

using namespace Qt::StringLiterals;
using Motor = BaseDePrueba::Motor;

namespace {

// A connection of its own. The first time the session traces a call that names `cuando`, it
// runs `sql`: at once (the command then meets the row), or on a thread, given 300 ms to be
// refused or to start waiting for the command's transaction.
class SegundoUsuario
{
public:
    SegundoUsuario(Sesion::Configuracion configuracion, const QString& cuando, const QString& sql, bool enHilo)
    {
        configuracion.esperaBloqueoMs = 8000;  // outwaits the screen's transaction, ends a broken test
        if (configuracion.motor == Sesion::Configuracion::PostgreSQL)
            m_conexion = std::make_unique<ConexionPostgres>(configuracion);
        else
            m_conexion = std::make_unique<ConexionSqlite>(configuracion);
        Sesion::EstablecerObservadorTraza([=, this](const QJsonObject& llamada) {
            const QString texto = llamada.value(u"llamada").toString() + u' ' + llamada.value(u"sql").toString();
            if (m_pendiente.valid() || !texto.contains(cuando))
                return;
            m_pendiente = std::async(std::launch::async, [this, sql] {
                try {
                    m_conexion->Execute(sql);
                    return u""_s;
                } catch (const ErrorEjecucion& error) {
                    return error.Description() + u' ';
                }
            });
            m_pendiente.wait_for(std::chrono::milliseconds(enHilo ? 300 : 10000));
        });
    }
    ~SegundoUsuario()
    {
        Sesion::EstablecerObservadorTraza({});
    }
    // The database's refusal, empty when the statement succeeded; null when it never ran or hangs.
    QString Resultado()
    {
        if (!m_pendiente.valid() || m_pendiente.wait_for(std::chrono::seconds(10)) != std::future_status::ready)
            return QString();
        return m_pendiente.get();
    }

private:
    std::unique_ptr<Connection> m_conexion;
    std::future<QString> m_pendiente;
};

} // namespace

class tst_SegundoUsuario : public QObject
{
    Q_OBJECT

private slots:
    void alMismoTiempo_data()
    {
        QTest::addColumn<Motor>("motor");
        QTest::addColumn<QString>("clave");
        QTest::addColumn<QString>("nueva");
        QTest::addColumn<QString>("cuando");
        QTest::addColumn<QString>("otra");
        QTest::addColumn<QString>("padre");
        QTest::addColumn<bool>("enHilo");
        QTest::addColumn<QString>("error");
        for (Motor motor : {Motor::SQLite, Motor::PostgreSQL}) {
            const QByteArray m = BaseDePrueba::NombreMotor(motor).toLatin1();
            // After the check found no child: the database refuses the delete.
            QTest::newRow(m + " hijo tras la revision") << motor << u"B"_s << QString() << u"WHERE Gcc_Padre = 'B'"_s
                                                        << u"B1"_s << u"B"_s << false << u"ERR-ID:7500013"_s;
            // While the delete waits for its commit: whichever wins, nobody is left without a parent.
            QTest::newRow(m + " hijo durante el borrado") << motor << u"B"_s << QString() << u"RegistrarCambio"_s
                                                          << u"B1"_s << u"B"_s << true << u"ERR-ID:7500013"_s;
            // The new key taken after the command found it free: the update is refused.
            QTest::newRow(m + " clave tomada") << motor << u"A"_s << u"K"_s << u"'K'"_s << u"K"_s << u"0"_s << false << u"ERR-ID:7500004"_s;
            QTest::newRow(m + " hijo bajo la clave que cambia") << motor << u"A"_s << u"M"_s << u"RegistrarCambio"_s
                                                                << u"A3"_s << u"A"_s << true << u"ERR-ID:7500004"_s;
        }
    }
    void alMismoTiempo()
    {
        QFETCH(Motor, motor);
        QFETCH(QString, clave);
        QFETCH(QString, nueva);
        QFETCH(QString, cuando);
        QFETCH(QString, otra);
        QFETCH(QString, padre);
        QFETCH(bool, enHilo);
        QFETCH(QString, error);
        REQUIERE_MOTOR(motor);
        BaseDePrueba base(motor);
        base.InsertarGrupo(u"A"_s, u"ACTIVO"_s, u""_s);
        base.InsertarGrupo(u"A1"_s, u"CAJA"_s, u""_s, u"A"_s, 2);
        base.InsertarGrupo(u"B"_s, u"PASIVO"_s, u""_s);
        PantallaDePrueba pantalla(base);
        pantalla.SeleccionarParaComando(clave);
        SegundoUsuario otro(base.Configuracion(), cuando,
                            u"INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, Gcc_Codigo,"
                            " Gcc_Padre, Gcc_Nivel) VALUES ('%1', 'DEL OTRO', '', '%2', 2)"_s.arg(otra, padre), enHilo);
        CajaDeEntrada caja({nueva});
        nueva.isNull() ? pantalla.Forma().Controles_Eliminar() : pantalla.Forma().Controles_B2Click();

        const QString resultado = otro.Resultado();
        QVERIFY2(!resultado.isNull(), "the other user's statement never ran, or never ended");
        QVERIFY(!base.Conexion()->EnTransaccion());
        QCOMPARE(PantallaDePrueba::Huerfanos(base), QStringList());
        if (base.Claves().contains(clave)) {
            // The command lost: reported once, rolled back, the other user's row stands.
            QVERIFY2(resultado.isEmpty(), qPrintable(resultado));
            QCOMPARE(base.Mensajes().size(), 1);
            QCOMPARE(base.Mensajes()[0].idError, error);
            QVERIFY(base.Claves().contains(otra));
            QVERIFY(pantalla.Nodo(clave));
        } else {
            QVERIFY2(enHilo, "the command won against a row already stored");
            QVERIFY2(!resultado.isEmpty(), "the child was stored under a key that no longer exists");
            QVERIFY(base.Mensajes().isEmpty() && !base.Claves().contains(otra));
        }
    }
};

QTEST_MAIN(tst_SegundoUsuario)
#include "tst_SegundoUsuario.moc"
