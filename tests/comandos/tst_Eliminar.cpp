// The Delete command: its refusals, the delete under the change registration, and a child
// added by another user while the command runs.

#include "BaseDePrueba.h"
#include "PantallaDePrueba.h"
#include "SegundoUsuario.h"
#include "TreeView.h"
#include "frmTQ614.h"

#include <QtTest>

namespace {

const QString kSinCodigo = QStringLiteral("");
const QString kTabla = QStringLiteral("Grupo_Cuenta_Contable");

// The calls the command made to the services, leaving out the fetching of the connection.
QStringList llamadas(const BaseDePrueba& base)
{
    QStringList nombres;
    for (const QJsonObject& llamada : base.Traza()) {
        const QString nombre = llamada.value(QStringLiteral("llamada")).toString();
        if (nombre != QLatin1String("Conexion"))
            nombres << nombre;
    }
    return nombres;
}

// The catalogue: A with one child A1; B and C leaves.
void catalogo(BaseDePrueba& base)
{
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("ACTIVO"), kSinCodigo);
    base.InsertarGrupo(QStringLiteral("A1"), QStringLiteral("CAJA"), kSinCodigo, QStringLiteral("A"), 2);
    base.InsertarGrupo(QStringLiteral("B"), QStringLiteral("PASIVO"), kSinCodigo);
    base.InsertarGrupo(QStringLiteral("C"), QStringLiteral("CAPITAL"), kSinCodigo);
}

QString insertarHijo()
{
    return QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion,"
                          " Gcc_Codigo, Gcc_Padre, Gcc_Nivel) VALUES (?, 'NUEVO', '', ?, 2)");
}

} // namespace

class PruebaEliminar : public QObject
{
    Q_OBJECT

private slots:
    void sinSeleccionNoHaceNada();
    void raizRechazadaAntesDeTocarLaBase();
    void grupoConSubgrupoRechazado();
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
    QCOMPARE(base.Claves().size(), 4);
}

void PruebaEliminar::raizRechazadaAntesDeTocarLaBase()
{
    BaseDePrueba base;
    catalogo(base);
    PantallaDePrueba pantalla(base);
    pantalla.Seleccionar(QStringLiteral("0"));
    base.LimpiarMensajes();
    base.LimpiarTraza();

    pantalla.Forma().Controles_Eliminar();

    // The message is the command's only call to the services.
    QCOMPARE(llamadas(base), QStringList{QStringLiteral("Mensaje")});
    const auto mensajes = base.Mensajes();
    QCOMPARE(mensajes.size(), 1);
    QCOMPARE(mensajes[0].texto, QStringLiteral("No se puede eliminar el grupo cuenta contable raíz"));
    QCOMPARE(mensajes[0].estilo, 48L);
    QCOMPARE(mensajes[0].titulo, QStringLiteral("Kestrima"));
    QCOMPARE(mensajes[0].proyecto, QStringLiteral("TQ614"));
    QCOMPARE(mensajes[0].idError, QStringLiteral("ERR-ID:7500010"));
    QCOMPARE(mensajes[0].ventana, pantalla.Forma().hWnd());
    QVERIFY(pantalla.Nodo(QStringLiteral("0")));
}

void PruebaEliminar::grupoConSubgrupoRechazado()
{
    BaseDePrueba base;
    catalogo(base);
    PantallaDePrueba pantalla(base);
    pantalla.Seleccionar(QStringLiteral("A"));
    base.LimpiarMensajes();
    base.LimpiarTraza();

    pantalla.Forma().Controles_Eliminar();

    QCOMPARE(base.Sentencias(),
             QStringList{QStringLiteral("SELECT Gcc_Cve_Grupo_Cuenta_Contable FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = 'A'")});
    QVERIFY(!llamadas(base).contains(QStringLiteral("BeginTrans")));
    const auto mensajes = base.Mensajes();
    QCOMPARE(mensajes.size(), 1);
    QCOMPARE(mensajes[0].texto,
             QStringLiteral("El grupo de cuenta contable actual no puede ser eliminada porque tiene subcuentas"));
    QCOMPARE(mensajes[0].estilo, 48L);
    QCOMPARE(mensajes[0].titulo, QStringLiteral("Imposible eliminar"));
    QCOMPARE(mensajes[0].idError, QStringLiteral("ERR-ID:7500011"));
    QCOMPARE(base.Claves().size(), 4);
    QVERIFY(pantalla.Nodo(QStringLiteral("A")));
}

void PruebaEliminar::hojaEliminadaYConfirmada()
{
    BaseDePrueba base;
    catalogo(base);
    PantallaDePrueba pantalla(base);
    pantalla.Seleccionar(QStringLiteral("A1"));
    base.LimpiarMensajes();
    base.LimpiarTraza();

    pantalla.Forma().Controles_Eliminar();

    QCOMPARE(llamadas(base), (QStringList{QStringLiteral("Execute"), QStringLiteral("BeginTrans"),
                                          QStringLiteral("Execute"), QStringLiteral("RegistrarCambio"),
                                          QStringLiteral("CommitTrans")}));
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
    pantalla.Seleccionar(QStringLiteral("B"));
    base.LimpiarMensajes();
    base.LimpiarTraza();

    pantalla.Forma().Controles_Eliminar();

    QVERIFY(llamadas(base).contains(QStringLiteral("RollbackTrans")));
    QVERIFY(!llamadas(base).contains(QStringLiteral("CommitTrans")));
    QCOMPARE(base.Claves().size(), 4);
    QVERIFY(pantalla.Nodo(QStringLiteral("B")));
    const auto mensajes = base.Mensajes();
    QCOMPARE(mensajes.size(), 1);
    QVERIFY(mensajes[0].texto.contains(QStringLiteral("no tiene permiso")));
    QCOMPARE(mensajes[0].estilo, 16L);
    QCOMPARE(mensajes[0].titulo, QStringLiteral("Kestrima"));
    QCOMPARE(mensajes[0].idError, QStringLiteral("ERR-ID:7500012"));
    QVERIFY(!base.Conexion()->EnTransaccion());
}

void PruebaEliminar::claveConComillaSoloBorraSuGrupo()
{
    BaseDePrueba base;
    catalogo(base);
    const QString clave = QStringLiteral("X' OR '1'='1");
    base.InsertarGrupo(clave, QStringLiteral("COMILLA"), kSinCodigo);
    PantallaDePrueba pantalla(base);
    pantalla.Seleccionar(clave);
    base.LimpiarMensajes();

    pantalla.Forma().Controles_Eliminar();

    QVERIFY(base.Mensajes().isEmpty());
    QCOMPARE(base.Claves(), (QStringList{QStringLiteral("A"), QStringLiteral("A1"), QStringLiteral("B"),
                                         QStringLiteral("C")}));
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
    pantalla.Seleccionar(QStringLiteral("B"));
    base.LimpiarMensajes();

    bool agregado = false;
    Sesion::EstablecerObservadorTraza([&](const QJsonObject& llamada) {
        if (!agregado && llamada.value(QStringLiteral("sql")).toString().contains(QStringLiteral("WHERE Gcc_Padre = 'B'"))) {
            agregado = true;
            otro.Ejecutar(insertarHijo(), {QStringLiteral("B1"), QStringLiteral("B")});
        }
    });
    pantalla.Forma().Controles_Eliminar();
    Sesion::EstablecerObservadorTraza({});

    QVERIFY(agregado);
    const auto mensajes = base.Mensajes();
    QCOMPARE(mensajes.size(), 1);
    QCOMPARE(mensajes[0].titulo, QStringLiteral("Controles_Eliminar()"));
    QCOMPARE(mensajes[0].estilo, 16L);
    QCOMPARE(mensajes[0].idError, QStringLiteral("ERR-ID:7500013"));
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
    pantalla.Seleccionar(QStringLiteral("C"));
    base.LimpiarMensajes();

    bool iniciado = false;
    Sesion::EstablecerObservadorTraza([&](const QJsonObject& llamada) {
        if (!iniciado && llamada.value(QStringLiteral("llamada")).toString() == QLatin1String("RegistrarCambio")) {
            iniciado = true;
            otro.Iniciar(insertarHijo(), {QStringLiteral("C1"), QStringLiteral("C")});
            // Either it is refused at once or it waits for the screen's transaction.
            otro.Esperar(300);
        }
    });
    pantalla.Forma().Controles_Eliminar();
    Sesion::EstablecerObservadorTraza({});

    QVERIFY(iniciado);
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
        // The delete won: the other user's child was refused.
        QVERIFY2(!resultadoDelOtro.isEmpty(), "el hijo se guardó bajo un grupo borrado");
        QVERIFY(!base.Claves().contains(QStringLiteral("C1")));
        QVERIFY(base.Mensajes().isEmpty());
        QVERIFY(!pantalla.Nodo(QStringLiteral("C")));
    }
}

QTEST_MAIN(PruebaEliminar)
#include "tst_Eliminar.moc"
