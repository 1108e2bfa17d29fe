// The toolbar's commands on the opened screen: Print's listing, Delete and Change key with
// their refusals, change registration and veto, Edit and Close; and another user meeting
// Delete or Change key halfway, on both engines, never leaving a group without its parent.

#include "BaseDePrueba.h"
#include "CajaDeEntrada.h"
#include "ConexionPostgres.h"
#include "ConexionSqlite.h"
#include "ErrorEjecucion.h"
#include "frmCATAddCuCo.h"
#include "frmTQ614.h"
#include "PantallaDePrueba.h"
#include "Traducciones.h"
#include "TreeView.h"
#include "txtKES.h"

#include <QJsonArray>
#include <QtTest>
#include <future>

using namespace Qt::StringLiterals;
using Respuestas = CajaDeEntrada::Respuestas;
using Motor = BaseDePrueba::Motor;

namespace {

// A > A1 > A11, A > A2; B a leaf; E with an empty description.
void Catalogo(BaseDePrueba& base)
{
    for (const QString& fila :
         {u"A|ACTIVO|0"_s, u"A1|CAJA|A"_s, u"A2|BANCOS|A"_s, u"A11|CHICA|A1"_s, u"B|PASIVO|0"_s, u"E||0"_s}) {
        const QStringList f = fila.split(u'|');
        base.InsertarGrupo(f[0], f[1], u""_s, f[2]);
    }
}

// Every group as "key>parent", in key order.
QStringList Tabla(BaseDePrueba& base)
{
    QStringList filas;
    for (const QString& clave : base.Claves())
        filas << clave + u'>'
                + base.Valor(u"SELECT Gcc_Padre FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"_s,
                             {clave})
                      .toString();
    return filas;
}

const QStringList kTabla{u"A>0"_s, u"A1>A"_s, u"A11>A1"_s, u"A2>A"_s, u"B>0"_s, u"E>0"_s};

// A host window: anything that answers to Unload by name.
class VentanaDelHost : public QObject
{
    Q_OBJECT

public:
    Q_INVOKABLE void Unload() { ++descargas; }
    int descargas = 0;
};

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
    ~SegundoUsuario() { Sesion::EstablecerObservadorTraza({}); }
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

class tst_Comandos : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(Traducciones::InstalarEspanol(*qApp)); }
    // The listing comes from the table, not from the tree: one line per group, a tab per level,
    // code and " - " (written for a missing code, not for an empty one), CRLF.
    void imprimir()
    {
        BaseDePrueba base;
        PantallaDePrueba pantalla(base);
        auto hijosDe = [](const QString& padre) {
            return u"SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '%1' ORDER BY Gcc_Padre"_s.arg(padre);
        };
        auto listados = [&] {
            QStringList l;
            for (const QJsonObject& llamada : base.TrazaDe(u"MostrarReporte"_s))
                l << llamada.value(u"listado").toString();
            return l;
        };
        base.LimpiarTraza();
        pantalla.Forma().Controles_Imprimir();
        QCOMPARE(listados(), QStringList{QString()});
        QCOMPARE(base.Sentencias(), QStringList{hijosDe(u"0"_s)});
        base.InsertarGrupo(u"1"_s, u"ACTIVO"_s, u"1"_s);
        base.InsertarGrupo(u"O'K"_s, u"CIRCULANTE"_s, u""_s, u"1"_s, 2);
        const QString insertar
            = u"INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, Gcc_Codigo, Gcc_Padre) VALUES "_s;
        base.Ejecutar(insertar + u"('110', 'CAJA', NULL, 'O''K'), ('111', NULL, '1.1.1.1', '110')"_s);
        pantalla.Forma().CargarCuentas();
        base.LimpiarMensajes();
        base.LimpiarTraza();
        pantalla.Forma().Controles_Imprimir();
        const QString esperado = u"1 - ACTIVO\r\n\tCIRCULANTE\r\n\t\t - CAJA\r\n\t\t\t1.1.1.1 - \r\n"_s;
        QCOMPARE(listados(), QStringList{esperado});
        QCOMPARE(
            base.Sentencias(),
            QStringList({hijosDe(u"0"_s), hijosDe(u"1"_s), hijosDe(u"O''K"_s), hijosDe(u"110"_s), hijosDe(u"111"_s)}));
        QCOMPARE(pantalla.Forma().iNivel, short(-1));
        QVERIFY(base.Mensajes().isEmpty());
        // The viewer is called once, last, with its fixed arguments.
        const QJsonObject visor = base.Traza().last();
        QCOMPARE(visor.value(u"llamada").toString(), u"MostrarReporte"_s);
        QCOMPARE(visor.value(u"titulo").toString(), QString());
        QCOMPARE(visor.value(u"numeros").toArray(), (QJsonArray{0, 0, -1, -1, 7, -1}));
        QCOMPARE(base.Reportes(), QStringList({QString(), esperado}));
        pantalla.Seleccionar(u"O'K"_s);
        pantalla.Arbol().collapseAll();
        pantalla.Forma().Controles_Imprimir();
        QCOMPARE(listados(), QStringList({esperado, esperado}));
        // A row keyed "0" is the root again: its level is reported and left out, the rest listed.
        for (const QString& clave : {u"111"_s, u"110"_s, u"O'K"_s, u"1"_s})
            base.Ejecutar(u"DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"_s, {clave});
        base.InsertarGrupo(u"0"_s, u"CERO"_s, u""_s);
        base.LimpiarTraza();
        pantalla.Forma().Controles_Imprimir();
        QCOMPARE(listados(), QStringList{u"CERO\r\n"_s});
        QCOMPARE(base.Mensajes().size(), 1);
        QVERIFY(base.MensajesEnTexto()[0].startsWith(u"16 | Imprimir_CeCo() | ERR-ID:7500006 | "_s));
        QCOMPARE(pantalla.Forma().iNivel, short(-1));
    }
    // Each refusal before the transaction; the leaf deleted under the change registration, the
    // node removed; a key holding quotes deletes its group alone; a veto leaves row and node.
    void eliminar()
    {
        BaseDePrueba base;
        Catalogo(base);
        base.InsertarGrupo(u"X' OR '1'='1"_s, u"COMILLA"_s, u""_s);
        PantallaDePrueba pantalla(base);
        frmTQ614& forma = pantalla.Forma();
        pantalla.Arbol().setCurrentItem(nullptr);
        pantalla.Arbol().clearSelection();
        base.LimpiarTraza();
        forma.Controles_Eliminar();
        QVERIFY(base.Traza().isEmpty());
        pantalla.SeleccionarParaComando(u"0"_s);
        forma.Controles_Eliminar();
        QCOMPARE(base.Llamadas(), QStringList{u"Mensaje"_s});
        QCOMPARE(base.MensajesEnTexto(),
                 QStringList{u"48 | Kestrima | ERR-ID:7500010 | No se puede eliminar el grupo cuenta contable raíz"_s});
        QCOMPARE(base.Mensajes()[0].proyecto, u"TQ614"_s);
        QCOMPARE(base.Mensajes()[0].ventana, forma.hWnd());
        pantalla.SeleccionarParaComando(u"A"_s);
        forma.Controles_Eliminar();
        QCOMPARE(
            base.Sentencias(),
            QStringList{u"SELECT Gcc_Cve_Grupo_Cuenta_Contable FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = 'A'"_s});
        QCOMPARE(base.Llamadas(), QStringList({u"Execute"_s, u"Mensaje"_s}));
        QCOMPARE(base.MensajesEnTexto(),
                 QStringList{u"48 | Imposible eliminar | ERR-ID:7500011 | "
                             "El grupo de cuenta contable actual no puede ser eliminada porque tiene subcuentas"_s});
        QVERIFY(pantalla.Nodo(u"A"_s));
        pantalla.SeleccionarParaComando(u"A11"_s);
        forma.Controles_Eliminar();
        QCOMPARE(base.Llamadas(),
                 QStringList({u"Execute"_s, u"BeginTrans"_s, u"Execute"_s, u"RegistrarCambio"_s, u"CommitTrans"_s}));
        QCOMPARE(base.Sentencias().at(1),
                 u"DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'A11'"_s);
        const QJsonObject registro = base.TrazaDe(u"RegistrarCambio"_s).first();
        QCOMPARE(registro.value(u"tabla").toString() + u'|' + registro.value(u"clave").toString() + u'|'
                     + registro.value(u"texto").toString(),
                 u"Grupo_Cuenta_Contable|A11|"_s);
        QVERIFY(!pantalla.Nodo(u"A11"_s) && pantalla.Nodo(u"A1"_s));
        pantalla.SeleccionarParaComando(u"X' OR '1'='1"_s);
        forma.Controles_Eliminar();
        QVERIFY(base.Mensajes().isEmpty());
        QCOMPARE(Tabla(base), QStringList(kTabla.mid(0, 2) + kTabla.mid(3)));
        base.PermitirEscritura(u"PRUEBA"_s, u"Grupo_Cuenta_Contable"_s, false);
        pantalla.SeleccionarParaComando(u"B"_s);
        forma.Controles_Eliminar();
        QVERIFY(base.Llamadas().contains(u"RollbackTrans"_s)
                && !base.Llamadas().contains(u"CommitTrans"_s));
        QCOMPARE(base.MensajesEnTexto().size(), 1);
        QVERIFY(base.MensajesEnTexto()[0].startsWith(u"16 | Kestrima | ERR-ID:7500012 | "_s));
        QVERIFY(base.MensajesEnTexto()[0].contains(u"no tiene permiso"_s));
        QVERIFY(pantalla.Nodo(u"B"_s) && base.Claves().contains(u"B"_s));
        QVERIFY(!base.Conexion()->EnTransaccion());
    }
    void cambiarClave_data()
    {
        QTest::addColumn<QString>("seleccion");
        QTest::addColumn<Respuestas>("respuestas");
        QTest::addColumn<int>("cajas");
        QTest::addColumn<QString>("mensaje");
        QTest::addColumn<QStringList>("tabla");
        const QString invalida
            = u"16 | Kestrima | ERR-ID:7500001 | El grupo de cuenta contable no es válido para esta operación"_s;
        const QString duplicada
            = u"48 | Catálogo de grupo de cuentas contables | ERR-ID:7500002 | La clave: %1 ya existe, especifique otra"_s;
        QTest::newRow("sin clave") << u""_s << Respuestas{} << 0 << invalida << kTabla;
        QTest::newRow("raiz") << u"0"_s << Respuestas{} << 0 << invalida << kTabla;
        QTest::newRow("cancelar") << u"A"_s << Respuestas{std::nullopt} << 1 << QString() << kTabla;
        QTest::newRow("vacia") << u"A"_s << Respuestas{u""_s} << 1 << QString() << kTabla;
        QTest::newRow("blancos") << u"A"_s << Respuestas{u"   "_s} << 1 << QString() << kTabla;
        QTest::newRow("la misma en minusculas") << u"A"_s << Respuestas{u"a"_s} << 1 << QString() << kTabla;
        // Only the direct children move; the answer is stored upper-cased.
        QTest::newRow("mueve los hijos directos")
            << u"A"_s << Respuestas{u"z9"_s} << 1 << QString()
            << QStringList{u"A1>Z9"_s, u"A11>A1"_s, u"A2>Z9"_s, u"B>0"_s, u"E>0"_s, u"Z9>0"_s};
        QTest::newRow("comilla") << u"A"_s << Respuestas{u"q' or '1'='1"_s} << 1 << QString()
                                 << QStringList{
                                        u"A1>Q' OR '1'='1"_s, u"A11>A1"_s, u"A2>Q' OR '1'='1"_s, u"B>0"_s, u"E>0"_s,
                                        u"Q' OR '1'='1>0"_s};
        QTest::newRow("duplicada y luego libre")
            << u"A2"_s << Respuestas{u"b"_s, u"c7"_s} << 2 << duplicada.arg(u"B")
            << QStringList{u"A>0"_s, u"A1>A"_s, u"A11>A1"_s, u"B>0"_s, u"C7>A"_s, u"E>0"_s};
        // A group without a description holds its key all the same.
        QTest::newRow("duplicada sin descripcion")
            << u"B"_s << Respuestas{u"e"_s, std::nullopt} << 2 << duplicada.arg(u"E") << kTabla;
        QTest::newRow("vetado") << u"A"_s << Respuestas{u"N"_s} << 1 << u"16 | Kestrima | ERR-ID:7500003 | "_s
                                << kTabla;
    }
    void cambiarClave()
    {
        QFETCH(QString, seleccion);
        QFETCH(Respuestas, respuestas);
        QFETCH(int, cajas);
        QFETCH(QString, mensaje);
        QFETCH(QStringList, tabla);
        BaseDePrueba base;
        Catalogo(base);
        if (QByteArray(QTest::currentDataTag()) == "vetado")
            base.PermitirEscritura(u"PRUEBA"_s, u"Grupo_Cuenta_Contable"_s, false);
        PantallaDePrueba pantalla(base);
        if (seleccion.isEmpty())
            pantalla.Forma().txtClave()->setText(QString());
        else
            pantalla.SeleccionarParaComando(seleccion);
        base.LimpiarMensajes();
        base.LimpiarTraza();
        CajaDeEntrada caja(respuestas);
        pantalla.Forma().Controles_B2Click();
        QCOMPARE(caja.Inesperadas(), 0);
        QCOMPARE(caja.Vistas().size(), cajas);
        // Qt's own buttons speak Spanish too, with the host's translations.
        for (const CajaDeEntrada::Vista& vista : caja.Vistas())
            QCOMPARE(QStringList({vista.titulo, vista.etiqueta, vista.predeterminado}) + vista.botones,
                     QStringList({u"Cambiar clave del grupo de cuenta contable"_s, u"Indique la nueva clave:"_s,
                                  seleccion, u"Aceptar"_s, u"Cancelar"_s}));
        const QStringList mensajes = base.MensajesEnTexto();
        QCOMPARE(mensajes.size(), mensaje.isEmpty() ? 0 : 1);
        QVERIFY(mensaje.isEmpty() || mensajes[0].startsWith(mensaje));
        QCOMPARE(Tabla(base), tabla);
        QVERIFY(!base.Conexion()->EnTransaccion());
        const QStringList llamadas = base.Llamadas();
        if (tabla == kTabla) {
            QVERIFY(!llamadas.contains(u"CommitTrans"_s) && pantalla.Nodo(u"A"_s));
            QVERIFY(!mensaje.isEmpty() || llamadas.isEmpty());
            QVERIFY(QByteArray(QTest::currentDataTag()) != "vetado" || llamadas.contains(u"RollbackTrans"_s));
            return;
        }
        QString nueva;
        for (const QString& clave : base.Claves())
            nueva = QStringList({u"A"_s, u"A1"_s, u"A11"_s, u"A2"_s, u"B"_s, u"E"_s}).contains(clave) ? nueva : clave;
        const QString literal = QString(nueva).replace(u"'"_s, u"''"_s);
        QVERIFY(base.Sentencias().contains(u"UPDATE Grupo_Cuenta_Contable SET Gcc_Cve_Grupo_Cuenta_Contable = '%1'"
                                           " WHERE Gcc_Cve_Grupo_Cuenta_Contable = '%2'"_s.arg(literal, seleccion)));
        QVERIFY(base.Sentencias().contains(
            u"UPDATE Grupo_Cuenta_Contable SET Gcc_Padre = '%1' WHERE Gcc_padre = '%2'"_s.arg(literal, seleccion)));
        const QJsonObject busqueda = base.TrazaDe(u"BuscarValor"_s).last();
        QCOMPARE(QStringList({busqueda.value(u"tabla").toString(), busqueda.value(u"valorClave").toString(),
                              busqueda.value(u"campoResultado").toString()}),
                 QStringList({u"Grupo_Cuenta_Contable"_s, nueva, u"Gcc_Descripcion"_s}));
        QCOMPARE(base.TrazaDe(u"RegistrarCambio"_s).value(0).value(u"clave").toString(), seleccion);
        QVERIFY(llamadas.contains(u"CommitTrans"_s));
        // The tree is rebuilt and shows the group under its new key.
        QVERIFY(!pantalla.Nodo(seleccion) && pantalla.Nodo(nueva)->parent()->isExpanded());
    }
    // Edit finds no row for the root or for a group gone meanwhile: nothing shown. Close unloads
    // the parent form, which is the screen itself when it stands alone.
    void editarSinFilaYSalir()
    {
        BaseDePrueba base;
        base.InsertarGrupo(u"A"_s, u"ACTIVO"_s);
        PantallaDePrueba pantalla(base);
        for (const QString& clave : {u"0"_s, u"A"_s}) {
            pantalla.Seleccionar(clave);
            base.Ejecutar(u"DELETE FROM Grupo_Cuenta_Contable"_s);
            VigiaModal vigia;
            pantalla.Forma().Controles_Editar();
            QCOMPARE(vigia.Abiertas(), 0);
        }
        QVERIFY(base.Mensajes().isEmpty());
        VentanaDelHost host;
        pantalla.Forma().setPadre(&host);
        pantalla.Forma().Controles_Salir();
        QCOMPARE(host.descargas, 1);
        QVERIFY(pantalla.Forma().Cargado());
        pantalla.Forma().setPadre(&pantalla.Forma());
        pantalla.Forma().Controles_Salir();
        QVERIFY(!pantalla.Forma().Cargado());
    }
    void cleanup() { QVERIFY(!QApplication::activeModalWidget()); }
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
            QTest::newRow(m + " clave tomada")
                << motor << u"A"_s << u"K"_s << u"'K'"_s << u"K"_s << u"0"_s << false << u"ERR-ID:7500004"_s;
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
        SegundoUsuario otro(
            base.Configuracion(), cuando,
            u"INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, Gcc_Codigo,"
            " Gcc_Padre, Gcc_Nivel) VALUES ('%1', 'DEL OTRO', '', '%2', 2)"_s.arg(otra, padre),
            enHilo);
        CajaDeEntrada caja({nueva});
        nueva.isNull() ? pantalla.Forma().Controles_Eliminar() : pantalla.Forma().Controles_B2Click();
        const QString resultado = otro.Resultado();
        QVERIFY2(!resultado.isNull(), "the other user's statement never ran, or never ended");
        QVERIFY(!base.Conexion()->EnTransaccion());
        QCOMPARE(base.Huerfanos(), QStringList());
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

QTEST_MAIN(tst_Comandos)
#include "tst_Comandos.moc"
