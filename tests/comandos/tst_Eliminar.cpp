// The Delete command: its refusals, the delete under the change registration, and a child
// added by another user while the command runs.

#include "BaseDePrueba.h"
#include "PantallaDePrueba.h"
#include "SegundoUsuario.h"
#include "TreeView.h"
#include "frmTQ614.h"

#include <QtTest>

namespace {

const QString kTabla = QStringLiteral("Grupo_Cuenta_Contable");
const QStringList kCatalogo{QStringLiteral("A"), QStringLiteral("A1"), QStringLiteral("B"), QStringLiteral("C")};

// A with one child A1; B and C leaves.
void catalogo(BaseDePrueba& base)
{
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("ACTIVO"), QString(""));
    base.InsertarGrupo(QStringLiteral("A1"), QStringLiteral("CAJA"), QString(""), QStringLiteral("A"), 2);
    base.InsertarGrupo(QStringLiteral("B"), QStringLiteral("PASIVO"), QString(""));
    base.InsertarGrupo(QStringLiteral("C"), QStringLiteral("CAPITAL"), QString(""));
}

bool esSentencia(const QJsonObject& llamada, const QString& parte)
{
    return llamada.value(QStringLiteral("sql")).toString().contains(parte);
}

bool esRegistroDeCambio(const QJsonObject& llamada)
{
    return llamada.value(QStringLiteral("llamada")).toString() == QLatin1String("RegistrarCambio");
}

} // namespace

class PruebaEliminar : public QObject
{
    Q_OBJECT

private slots:
    void sinSeleccionNoHaceNada();
    void rechazadoSinEmpezarTransaccion_data();
    void rechazadoSinEmpezarTransaccion();
    void hojaEliminadaYConfirmada();
    void cambioVetadoDejaFilaYNodo();
    void claveConComillaSoloBorraSuGrupo();
    void hijoAgregadoTrasLaRevision_data() { BaseDePrueba::AgregarMotores(); }
    void hijoAgregadoTrasLaRevision();
    void hijoAgregadoDuranteLaTransaccion_data() { BaseDePrueba::AgregarMotores(); }
    void hijoAgregadoDuranteLaTransaccion();
};

void PruebaEliminar::sinSeleccionNoHaceNada()
{
    BaseDePrueba base;
    catalogo(base);
    PantallaDePrueba pantalla(base);
    pantalla.Arbol().setCurrentItem(nullptr);
    pantalla.Arbol().clearSelection();
    QVERIFY(!pantalla.Arbol().SelectedItem());
    base.LimpiarTraza();

    pantalla.Forma().Controles_Eliminar();

    QVERIFY(base.Traza().isEmpty());
    QCOMPARE(base.Claves(), kCatalogo);
}

void PruebaEliminar::rechazadoSinEmpezarTransaccion_data()
{
    QTest::addColumn<QString>("clave");
    QTest::addColumn<QStringList>("llamadas");
    QTest::addColumn<QString>("mensaje");
    // The root is refused before the database is touched.
    QTest::newRow("raiz") << QStringLiteral("0") << QStringList{QStringLiteral("Mensaje")}
                          << QStringLiteral("48 | Kestrima | ERR-ID:7500010 | "
                                            "No se puede eliminar el grupo cuenta contable raíz");
    QTest::newRow("con subgrupo")
        << QStringLiteral("A") << QStringList{QStringLiteral("Execute"), QStringLiteral("Mensaje")}
        << QStringLiteral("48 | Imposible eliminar | ERR-ID:7500011 | "
                          "El grupo de cuenta contable actual no puede ser eliminada porque tiene subcuentas");
}

void PruebaEliminar::rechazadoSinEmpezarTransaccion()
{
    QFETCH(QString, clave);
    QFETCH(QStringList, llamadas);
    QFETCH(QString, mensaje);
    BaseDePrueba base;
    catalogo(base);
    PantallaDePrueba pantalla(base);
    pantalla.SeleccionarParaComando(clave);

    pantalla.Forma().Controles_Eliminar();

    QCOMPARE(PantallaDePrueba::Llamadas(base), llamadas);
    if (llamadas.contains(QStringLiteral("Execute"))) {
        QCOMPARE(base.Sentencias(), QStringList{QStringLiteral(
                     "SELECT Gcc_Cve_Grupo_Cuenta_Contable FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = 'A'")});
    }
    QCOMPARE(PantallaDePrueba::Mensajes(base), QStringList{mensaje});
    QCOMPARE(base.Mensajes()[0].proyecto, QStringLiteral("TQ614"));
    QCOMPARE(base.Mensajes()[0].ventana, pantalla.Forma().hWnd());
    QCOMPARE(base.Claves(), kCatalogo);
    QVERIFY(pantalla.Nodo(clave));
}

void PruebaEliminar::hojaEliminadaYConfirmada()
{
    BaseDePrueba base;
    catalogo(base);
    PantallaDePrueba pantalla(base);
    pantalla.SeleccionarParaComando(QStringLiteral("A1"));

    pantalla.Forma().Controles_Eliminar();

    QCOMPARE(PantallaDePrueba::Llamadas(base),
             (QStringList{QStringLiteral("Execute"), QStringLiteral("BeginTrans"), QStringLiteral("Execute"),
                          QStringLiteral("RegistrarCambio"), QStringLiteral("CommitTrans")}));
    QCOMPARE(base.Sentencias().at(1),
             QStringLiteral("DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'A1'"));
    const QJsonObject registro = base.TrazaDe(QStringLiteral("RegistrarCambio")).first();
    QCOMPARE(registro.value(QStringLiteral("tabla")).toString(), kTabla);
    QCOMPARE(registro.value(QStringLiteral("clave")).toString(), QStringLiteral("A1"));
    QCOMPARE(registro.value(QStringLiteral("texto")).toString(), QString());
    QCOMPARE(base.Claves(), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    QVERIFY(!pantalla.Nodo(QStringLiteral("A1")));
    QVERIFY(pantalla.Nodo(QStringLiteral("A")));
    QVERIFY(base.Mensajes().isEmpty());
    QVERIFY(!base.Conexion()->EnTransaccion());
}

void PruebaEliminar::cambioVetadoDejaFilaYNodo()
{
    BaseDePrueba base;
    catalogo(base);
    base.PermitirEscritura(QStringLiteral("PRUEBA"), kTabla, false);
    PantallaDePrueba pantalla(base);
    pantalla.SeleccionarParaComando(QStringLiteral("B"));

    pantalla.Forma().Controles_Eliminar();

    QVERIFY(PantallaDePrueba::Llamadas(base).contains(QStringLiteral("RollbackTrans")));
    QVERIFY(!PantallaDePrueba::Llamadas(base).contains(QStringLiteral("CommitTrans")));
    QCOMPARE(base.Claves(), kCatalogo);
    QVERIFY(pantalla.Nodo(QStringLiteral("B")));
    const QStringList mensajes = PantallaDePrueba::Mensajes(base);
    QCOMPARE(mensajes.size(), 1);
    QVERIFY(mensajes[0].startsWith(QStringLiteral("16 | Kestrima | ERR-ID:7500012 | ")));
    QVERIFY(mensajes[0].contains(QStringLiteral("no tiene permiso")));
    QVERIFY(!base.Conexion()->EnTransaccion());
}

void PruebaEliminar::claveConComillaSoloBorraSuGrupo()
{
    BaseDePrueba base;
    catalogo(base);
    const QString clave = QStringLiteral("X' OR '1'='1");
    base.InsertarGrupo(clave, QStringLiteral("COMILLA"), QString(""));
    PantallaDePrueba pantalla(base);
    pantalla.SeleccionarParaComando(clave);

    pantalla.Forma().Controles_Eliminar();

    QVERIFY(base.Mensajes().isEmpty());
    QCOMPARE(base.Claves(), kCatalogo);
    QVERIFY(!pantalla.Nodo(clave));
}

// Another user adds a child to the group after the command found it had none: the database
// refuses the delete, the command reports and rolls back, and no group is left without its
// parent.
void PruebaEliminar::hijoAgregadoTrasLaRevision()
{
    QFETCH(BaseDePrueba::Motor, motor);
    REQUIERE_MOTOR(motor);
    BaseDePrueba base(motor);
    catalogo(base);
    PantallaDePrueba pantalla(base);
    SegundoUsuario otro(base.Configuracion());
    pantalla.SeleccionarParaComando(QStringLiteral("B"));
    otro.Intervenir([](const QJsonObject& l) { return esSentencia(l, QStringLiteral("WHERE Gcc_Padre = 'B'")); },
                    SegundoUsuario::InsercionDeGrupo(QStringLiteral("B1"), QStringLiteral("B"), 2),
                    SegundoUsuario::Modo::Ejecutar);

    pantalla.Forma().Controles_Eliminar();

    QVERIFY(otro.Intervino());
    const QStringList mensajes = PantallaDePrueba::Mensajes(base);
    QCOMPARE(mensajes.size(), 1);
    QVERIFY(mensajes[0].startsWith(QStringLiteral("16 | Controles_Eliminar() | ERR-ID:7500013 | ")));
    QVERIFY(!base.Conexion()->EnTransaccion());
    QVERIFY(base.Claves().contains(QStringLiteral("B")));
    QVERIFY(base.Claves().contains(QStringLiteral("B1")));
    QCOMPARE(PantallaDePrueba::Huerfanos(base), QStringList());
    QVERIFY(pantalla.Nodo(QStringLiteral("B")));
}

// Another user adds a child while the delete waits for its commit: whichever way the two
// meet, no group is left without its parent.
void PruebaEliminar::hijoAgregadoDuranteLaTransaccion()
{
    QFETCH(BaseDePrueba::Motor, motor);
    REQUIERE_MOTOR(motor);
    BaseDePrueba base(motor);
    catalogo(base);
    PantallaDePrueba pantalla(base);
    SegundoUsuario otro(base.Configuracion());
    pantalla.SeleccionarParaComando(QStringLiteral("C"));
    otro.Intervenir(esRegistroDeCambio, SegundoUsuario::InsercionDeGrupo(QStringLiteral("C1"), QStringLiteral("C"), 2),
                    SegundoUsuario::Modo::Iniciar);

    pantalla.Forma().Controles_Eliminar();

    QVERIFY(otro.Intervino());
    QVERIFY(otro.Esperar(10000));
    const QString resultadoDelOtro = otro.Resultado();
    QCOMPARE(PantallaDePrueba::Huerfanos(base), QStringList());
    QVERIFY(!base.Conexion()->EnTransaccion());
    if (base.Claves().contains(QStringLiteral("C"))) {
        // The delete lost: it was reported and rolled back, and the child stands.
        QVERIFY(resultadoDelOtro.isEmpty());
        QCOMPARE(base.Mensajes().size(), 1);
        QCOMPARE(base.Mensajes()[0].idError, QStringLiteral("ERR-ID:7500013"));
    } else {
        QVERIFY2(!resultadoDelOtro.isEmpty(), "el hijo se guardó bajo un grupo borrado");
        QVERIFY(!base.Claves().contains(QStringLiteral("C1")));
        QVERIFY(base.Mensajes().isEmpty());
        QVERIFY(!pantalla.Nodo(QStringLiteral("C")));
    }
}

QTEST_MAIN(PruebaEliminar)
#include "tst_Eliminar.moc"
