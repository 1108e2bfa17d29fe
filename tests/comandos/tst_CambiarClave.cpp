// The Change-key command: its refusals, the input box, both updates under the change
// registration, the duplicate prompt, and other users meeting the change.

#include "BaseDePrueba.h"
#include "CajaDeEntrada.h"
#include "PantallaDePrueba.h"
#include "SegundoUsuario.h"
#include "TreeView.h"
#include "frmTQ614.h"
#include "txtKES.h"

#include <QInputDialog>
#include <QtTest>

namespace {

using Respuestas = CajaDeEntrada::Respuestas;

const QString kTabla = QStringLiteral("Grupo_Cuenta_Contable");
const QStringList kSinCambios{QStringLiteral("A"), QStringLiteral("A1"), QStringLiteral("A11"),
                              QStringLiteral("A2"), QStringLiteral("B"), QStringLiteral("E")};

// A with children A1 and A2, A1 with the grandchild A11; B a leaf; E with an empty
// description.
void catalogo(BaseDePrueba& base)
{
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("ACTIVO"), QString(""));
    base.InsertarGrupo(QStringLiteral("A1"), QStringLiteral("CAJA"), QString(""), QStringLiteral("A"), 2);
    base.InsertarGrupo(QStringLiteral("A2"), QStringLiteral("BANCOS"), QString(""), QStringLiteral("A"), 2);
    base.InsertarGrupo(QStringLiteral("A11"), QStringLiteral("CHICA"), QString(""), QStringLiteral("A1"), 3);
    base.InsertarGrupo(QStringLiteral("B"), QStringLiteral("PASIVO"), QString(""));
    base.InsertarGrupo(QStringLiteral("E"), QString(""), QString(""));
}

QString padreDe(BaseDePrueba& base, const QString& clave)
{
    return base.Valor(QStringLiteral("SELECT Gcc_Padre FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"),
                      {clave}).toString();
}

// Every key but `quitada`, with `agregada`, in key order.
QStringList clavesCon(const QString& quitada, const QString& agregada)
{
    QStringList claves = kSinCambios;
    claves.removeOne(quitada);
    claves << agregada;
    claves.sort();
    return claves;
}

} // namespace

class PruebaCambiarClave : public QObject
{
    Q_OBJECT

private slots:
    void claveNoValidaRechazadaSinPreguntar_data();
    void claveNoValidaRechazadaSinPreguntar();
    void respuestasQueNoCambianNada_data();
    void respuestasQueNoCambianNada();
    void cambioMueveSoloLosHijosDirectos();
    void duplicadoAvisaYPreguntaOtraVez_data();
    void duplicadoAvisaYPreguntaOtraVez();
    void cambioVetadoDejaLaClaveAnterior();
    void claveConComillaNoCambiaLaSentencia();
    void claveTomadaPorOtroUsuarioAntesDeActualizar_data() { BaseDePrueba::AgregarMotores(); }
    void claveTomadaPorOtroUsuarioAntesDeActualizar();
    void hijoAgregadoBajoLaClaveQueCambia_data() { BaseDePrueba::AgregarMotores(); }
    void hijoAgregadoBajoLaClaveQueCambia();
    void cleanup() { QVERIFY(!QApplication::activeModalWidget()); }
};

void PruebaCambiarClave::claveNoValidaRechazadaSinPreguntar_data()
{
    QTest::addColumn<QString>("clave");
    QTest::newRow("vacia") << QString();
    QTest::newRow("raiz") << QStringLiteral("0");
}

void PruebaCambiarClave::claveNoValidaRechazadaSinPreguntar()
{
    QFETCH(QString, clave);
    BaseDePrueba base;
    catalogo(base);
    PantallaDePrueba pantalla(base);
    pantalla.Forma().txtClave()->setText(clave);
    base.LimpiarMensajes();
    base.LimpiarTraza();

    CajaDeEntrada caja({});
    pantalla.Forma().Controles_B2Click();

    QVERIFY(caja.Vistas().isEmpty());
    QCOMPARE(PantallaDePrueba::Llamadas(base), QStringList{QStringLiteral("Mensaje")});
    QCOMPARE(PantallaDePrueba::Mensajes(base),
             QStringList{QStringLiteral("16 | Kestrima | ERR-ID:7500001 | "
                                        "El grupo de cuenta contable no es válido para esta operación")});
    QCOMPARE(base.Mensajes()[0].proyecto, QStringLiteral("TQ614"));
}

void PruebaCambiarClave::respuestasQueNoCambianNada_data()
{
    QTest::addColumn<std::optional<QString>>("respuesta");
    QTest::newRow("cancelar") << std::optional<QString>();
    QTest::newRow("vacia") << std::optional<QString>(QString());
    QTest::newRow("blancos") << std::optional<QString>(QStringLiteral("   "));
    QTest::newRow("la misma en minusculas") << std::optional<QString>(QStringLiteral("a"));
}

void PruebaCambiarClave::respuestasQueNoCambianNada()
{
    QFETCH(std::optional<QString>, respuesta);
    BaseDePrueba base;
    catalogo(base);
    PantallaDePrueba pantalla(base);
    pantalla.SeleccionarParaComando(QStringLiteral("A"));

    CajaDeEntrada caja({respuesta});
    pantalla.Forma().Controles_B2Click();

    QCOMPARE(caja.Inesperadas(), 0);
    QCOMPARE(caja.Vistas().size(), 1);
    QCOMPARE(caja.Vistas()[0].titulo, QStringLiteral("Cambiar clave del grupo de cuenta contable"));
    QCOMPARE(caja.Vistas()[0].etiqueta, QStringLiteral("Indique la nueva clave:"));
    QCOMPARE(caja.Vistas()[0].predeterminado, QStringLiteral("A"));
    QVERIFY(base.Traza().isEmpty());
    QCOMPARE(base.Claves(), kSinCambios);
}

void PruebaCambiarClave::cambioMueveSoloLosHijosDirectos()
{
    BaseDePrueba base;
    catalogo(base);
    PantallaDePrueba pantalla(base);
    pantalla.SeleccionarParaComando(QStringLiteral("A"));

    CajaDeEntrada caja({QStringLiteral("z9")});
    pantalla.Forma().Controles_B2Click();

    QCOMPARE(caja.Inesperadas(), 0);
    QVERIFY(base.Mensajes().isEmpty());
    const QJsonObject busqueda = base.TrazaDe(QStringLiteral("BuscarValor")).first();
    QCOMPARE(busqueda.value(QStringLiteral("tabla")).toString(), kTabla);
    QCOMPARE(busqueda.value(QStringLiteral("valorClave")).toString(), QStringLiteral("Z9"));
    QCOMPARE(busqueda.value(QStringLiteral("campoResultado")).toString(), QStringLiteral("Gcc_Descripcion"));
    const QStringList sentencias = base.Sentencias();
    QVERIFY(sentencias.contains(QStringLiteral(
        "UPDATE Grupo_Cuenta_Contable SET Gcc_Cve_Grupo_Cuenta_Contable = 'Z9' WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'A'")));
    QVERIFY(sentencias.contains(
        QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Padre = 'Z9' WHERE Gcc_padre = 'A'")));
    QCOMPARE(base.TrazaDe(QStringLiteral("RegistrarCambio")).first().value(QStringLiteral("clave")).toString(),
             QStringLiteral("A"));
    QVERIFY(PantallaDePrueba::Llamadas(base).contains(QStringLiteral("CommitTrans")));

    QCOMPARE(base.Claves(), clavesCon(QStringLiteral("A"), QStringLiteral("Z9")));
    QCOMPARE(padreDe(base, QStringLiteral("A1")), QStringLiteral("Z9"));
    QCOMPARE(padreDe(base, QStringLiteral("A2")), QStringLiteral("Z9"));
    QCOMPARE(padreDe(base, QStringLiteral("A11")), QStringLiteral("A1"));
    QCOMPARE(padreDe(base, QStringLiteral("Z9")), QStringLiteral("0"));

    // The tree was rebuilt and shows the group under its new key.
    QVERIFY(!pantalla.Nodo(QStringLiteral("A")));
    QTreeWidgetItem* nodo = pantalla.Nodo(QStringLiteral("Z9"));
    QVERIFY(nodo);
    QCOMPARE(TreeView::Key(TreeView::Parent(pantalla.Nodo(QStringLiteral("A1")))), QStringLiteral("NZ9"));
    QVERIFY(nodo->parent()->isExpanded());
}

void PruebaCambiarClave::duplicadoAvisaYPreguntaOtraVez_data()
{
    QTest::addColumn<QString>("seleccion");
    QTest::addColumn<Respuestas>("respuestas");
    QTest::addColumn<QString>("mensaje");
    QTest::addColumn<QStringList>("claves");
    QTest::newRow("y luego una libre") << QStringLiteral("A2") << Respuestas{QStringLiteral("b"), QStringLiteral("c7")}
                                       << QStringLiteral("La clave: B ya existe, especifique otra")
                                       << clavesCon(QStringLiteral("A2"), QStringLiteral("C7"));
    // The description lookup answers "" for a missing key and for a group without a
    // description alike; the key is taken all the same.
    QTest::newRow("sin descripcion y cancelar") << QStringLiteral("B") << Respuestas{QStringLiteral("e"), std::nullopt}
                                                << QStringLiteral("La clave: E ya existe, especifique otra")
                                                << kSinCambios;
}

void PruebaCambiarClave::duplicadoAvisaYPreguntaOtraVez()
{
    QFETCH(QString, seleccion);
    QFETCH(Respuestas, respuestas);
    QFETCH(QString, mensaje);
    QFETCH(QStringList, claves);
    BaseDePrueba base;
    catalogo(base);
    PantallaDePrueba pantalla(base);
    pantalla.SeleccionarParaComando(seleccion);

    CajaDeEntrada caja(respuestas);
    pantalla.Forma().Controles_B2Click();

    QCOMPARE(caja.Inesperadas(), 0);
    QCOMPARE(caja.Vistas().size(), 2);
    QCOMPARE(caja.Vistas()[1].predeterminado, seleccion);
    QCOMPARE(PantallaDePrueba::Mensajes(base),
             QStringList{QStringLiteral("48 | Catálogo de grupo de cuentas contables | ERR-ID:7500002 | ") + mensaje});
    QCOMPARE(base.Claves(), claves);
    QCOMPARE(PantallaDePrueba::Huerfanos(base), QStringList());
}

void PruebaCambiarClave::cambioVetadoDejaLaClaveAnterior()
{
    BaseDePrueba base;
    catalogo(base);
    base.PermitirEscritura(QStringLiteral("PRUEBA"), kTabla, false);
    PantallaDePrueba pantalla(base);
    pantalla.SeleccionarParaComando(QStringLiteral("A"));

    CajaDeEntrada caja({QStringLiteral("N")});
    pantalla.Forma().Controles_B2Click();

    QCOMPARE(base.Claves(), kSinCambios);
    QCOMPARE(padreDe(base, QStringLiteral("A1")), QStringLiteral("A"));
    QCOMPARE(padreDe(base, QStringLiteral("A2")), QStringLiteral("A"));
    QVERIFY(PantallaDePrueba::Llamadas(base).contains(QStringLiteral("RollbackTrans")));
    const QStringList mensajes = PantallaDePrueba::Mensajes(base);
    QCOMPARE(mensajes.size(), 1);
    QVERIFY(mensajes[0].startsWith(QStringLiteral("16 | Kestrima | ERR-ID:7500003 | ")));
    QVERIFY(mensajes[0].contains(QStringLiteral("no tiene permiso")));
    QVERIFY(pantalla.Nodo(QStringLiteral("A")));
    QVERIFY(!base.Conexion()->EnTransaccion());
}

void PruebaCambiarClave::claveConComillaNoCambiaLaSentencia()
{
    BaseDePrueba base;
    catalogo(base);
    PantallaDePrueba pantalla(base);
    pantalla.SeleccionarParaComando(QStringLiteral("A"));

    const QString guardada = QStringLiteral("Q' OR '1'='1");
    CajaDeEntrada caja({guardada.toLower()});
    pantalla.Forma().Controles_B2Click();

    QVERIFY(base.Mensajes().isEmpty());
    QCOMPARE(base.Claves(), clavesCon(QStringLiteral("A"), guardada));
    QCOMPARE(padreDe(base, QStringLiteral("A1")), guardada);
    QCOMPARE(padreDe(base, QStringLiteral("A11")), QStringLiteral("A1"));
    QCOMPARE(padreDe(base, QStringLiteral("B")), QStringLiteral("0"));
    QVERIFY(pantalla.Nodo(guardada));
}

// Another user takes the new key after the command found it free: the database refuses the
// update, the command reports it and rolls back.
void PruebaCambiarClave::claveTomadaPorOtroUsuarioAntesDeActualizar()
{
    QFETCH(BaseDePrueba::Motor, motor);
    REQUIERE_MOTOR(motor);
    BaseDePrueba base(motor);
    catalogo(base);
    PantallaDePrueba pantalla(base);
    SegundoUsuario otro(base.Configuracion());
    pantalla.SeleccionarParaComando(QStringLiteral("A"));
    otro.Intervenir(
        [](const QJsonObject& llamada) {
            const QString sql = llamada.value(QStringLiteral("sql")).toString();
            return sql.startsWith(QLatin1String("SELECT")) && sql.contains(QLatin1String("'K'"));
        },
        SegundoUsuario::InsercionDeGrupo(QStringLiteral("K"), QStringLiteral("0"), 1), SegundoUsuario::Modo::Ejecutar);

    CajaDeEntrada caja({QStringLiteral("K")});
    pantalla.Forma().Controles_B2Click();

    QVERIFY(otro.Intervino());
    const QStringList mensajes = PantallaDePrueba::Mensajes(base);
    QCOMPARE(mensajes.size(), 1);
    QVERIFY(mensajes[0].startsWith(QStringLiteral("16 | Controles_B2Click() | ERR-ID:7500004 | ")));
    QVERIFY(!base.Conexion()->EnTransaccion());
    QCOMPARE(padreDe(base, QStringLiteral("A1")), QStringLiteral("A"));
    QCOMPARE(base.Valor(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable"
                                       " WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'K'")).toString(),
             QStringLiteral("DEL OTRO"));
    QCOMPARE(PantallaDePrueba::Huerfanos(base), QStringList());
}

// Another user adds a child under the old key while the change waits for its commit:
// whichever way the two meet, no group is left under a key that no longer exists.
void PruebaCambiarClave::hijoAgregadoBajoLaClaveQueCambia()
{
    QFETCH(BaseDePrueba::Motor, motor);
    REQUIERE_MOTOR(motor);
    BaseDePrueba base(motor);
    catalogo(base);
    PantallaDePrueba pantalla(base);
    SegundoUsuario otro(base.Configuracion());
    pantalla.SeleccionarParaComando(QStringLiteral("A"));
    otro.Intervenir(
        [](const QJsonObject& llamada) {
            return llamada.value(QStringLiteral("llamada")).toString() == QLatin1String("RegistrarCambio");
        },
        SegundoUsuario::InsercionDeGrupo(QStringLiteral("A3"), QStringLiteral("A"), 2), SegundoUsuario::Modo::Iniciar);

    CajaDeEntrada caja({QStringLiteral("M")});
    pantalla.Forma().Controles_B2Click();

    QVERIFY(otro.Intervino());
    QVERIFY(otro.Esperar(10000));
    const QString resultadoDelOtro = otro.Resultado();
    QVERIFY(!base.Conexion()->EnTransaccion());
    QCOMPARE(PantallaDePrueba::Huerfanos(base), QStringList());
    if (base.Claves().contains(QStringLiteral("M"))) {
        QVERIFY2(!resultadoDelOtro.isEmpty(), "el hijo se guardó bajo una clave que ya no existe");
        QVERIFY(base.Mensajes().isEmpty());
        QCOMPARE(padreDe(base, QStringLiteral("A1")), QStringLiteral("M"));
    } else {
        // The change lost: reported, rolled back, the child stands under A.
        QVERIFY(resultadoDelOtro.isEmpty());
        QCOMPARE(base.Mensajes().size(), 1);
        QCOMPARE(base.Mensajes()[0].idError, QStringLiteral("ERR-ID:7500004"));
        QCOMPARE(padreDe(base, QStringLiteral("A3")), QStringLiteral("A"));
    }
}

QTEST_MAIN(PruebaCambiarClave)
#include "tst_CambiarClave.moc"
