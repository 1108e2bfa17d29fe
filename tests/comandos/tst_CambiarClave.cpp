// The Change-key command: its refusals, the input box, both updates under the change
// registration, the duplicate prompt, and other users meeting the change.

#include "BaseDePrueba.h"
#include "CajaDeEntrada.h"
#include "PantallaDePrueba.h"
#include "SegundoUsuario.h"
#include "TreeView.h"
#include "frmTQ614.h"
#include "txtKES.h"

#include <QtTest>

namespace {

const QString kSinCodigo = QStringLiteral("");
const QString kTabla = QStringLiteral("Grupo_Cuenta_Contable");
const QString kTituloCaja = QStringLiteral("Cambiar clave del grupo de cuenta contable");
const QString kEtiquetaCaja = QStringLiteral("Indique la nueva clave:");

// A with children A1 and A2, A1 with the grandchild A11; B a leaf; E with an empty
// description.
void catalogo(BaseDePrueba& base)
{
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("ACTIVO"), kSinCodigo);
    base.InsertarGrupo(QStringLiteral("A1"), QStringLiteral("CAJA"), kSinCodigo, QStringLiteral("A"), 2);
    base.InsertarGrupo(QStringLiteral("A2"), QStringLiteral("BANCOS"), kSinCodigo, QStringLiteral("A"), 2);
    base.InsertarGrupo(QStringLiteral("A11"), QStringLiteral("CHICA"), kSinCodigo, QStringLiteral("A1"), 3);
    base.InsertarGrupo(QStringLiteral("B"), QStringLiteral("PASIVO"), kSinCodigo);
    base.InsertarGrupo(QStringLiteral("E"), kSinCodigo, kSinCodigo);
}

QString padreDe(BaseDePrueba& base, const QString& clave)
{
    return base.Valor(QStringLiteral("SELECT Gcc_Padre FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"),
                      {clave}).toString();
}

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

QStringList sinCambios()
{
    return {QStringLiteral("A"), QStringLiteral("A1"), QStringLiteral("A11"), QStringLiteral("A2"),
            QStringLiteral("B"), QStringLiteral("E")};
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
    void duplicadoAvisaYPreguntaOtraVez();
    void duplicadoYCancelarTerminanAmbas();
    void claveConDescripcionVaciaEsDuplicada();
    void cambioVetadoDejaLaClaveAnterior();
    void claveConComillaNoCambiaLaSentencia();
    void claveTomadaPorOtroUsuarioAntesDeActualizar_data() { BaseDePrueba::AgregarMotores(); }
    void claveTomadaPorOtroUsuarioAntesDeActualizar();
    void hijoAgregadoBajoLaClaveQueCambia_data() { BaseDePrueba::AgregarMotores(); }
    void hijoAgregadoBajoLaClaveQueCambia();
    void cleanup();
};

void PruebaCambiarClave::cleanup()
{
    QVERIFY(!QApplication::activeModalWidget());
}

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
    QCOMPARE(llamadas(base), QStringList{QStringLiteral("Mensaje")});
    const auto mensajes = base.Mensajes();
    QCOMPARE(mensajes.size(), 1);
    QCOMPARE(mensajes[0].texto, QStringLiteral("El grupo de cuenta contable no es válido para esta operación"));
    QCOMPARE(mensajes[0].estilo, 16L);
    QCOMPARE(mensajes[0].titulo, QStringLiteral("Kestrima"));
    QCOMPARE(mensajes[0].proyecto, QStringLiteral("TQ614"));
    QCOMPARE(mensajes[0].idError, QStringLiteral("ERR-ID:7500001"));
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
    pantalla.Seleccionar(QStringLiteral("A"));
    base.LimpiarMensajes();
    base.LimpiarTraza();

    CajaDeEntrada caja({respuesta});
    pantalla.Forma().Controles_B2Click();

    QCOMPARE(caja.Inesperadas(), 0);
    QCOMPARE(caja.Vistas().size(), 1);
    QCOMPARE(caja.Vistas()[0].titulo, kTituloCaja);
    QCOMPARE(caja.Vistas()[0].etiqueta, kEtiquetaCaja);
    QCOMPARE(caja.Vistas()[0].predeterminado, QStringLiteral("A"));
    QVERIFY(base.Traza().isEmpty());
    QCOMPARE(base.Claves(), sinCambios());
}

void PruebaCambiarClave::cambioMueveSoloLosHijosDirectos()
{
    BaseDePrueba base;
    catalogo(base);
    PantallaDePrueba pantalla(base);
    pantalla.Seleccionar(QStringLiteral("A"));
    base.LimpiarMensajes();
    base.LimpiarTraza();

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
    const QJsonObject registro = base.TrazaDe(QStringLiteral("RegistrarCambio")).first();
    QCOMPARE(registro.value(QStringLiteral("clave")).toString(), QStringLiteral("A"));
    QVERIFY(llamadas(base).contains(QStringLiteral("CommitTrans")));

    QCOMPARE(base.Claves(), (QStringList{QStringLiteral("A1"), QStringLiteral("A11"), QStringLiteral("A2"),
                                         QStringLiteral("B"), QStringLiteral("E"), QStringLiteral("Z9")}));
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

void PruebaCambiarClave::duplicadoAvisaYPreguntaOtraVez()
{
    BaseDePrueba base;
    catalogo(base);
    PantallaDePrueba pantalla(base);
    pantalla.Seleccionar(QStringLiteral("A2"));
    base.LimpiarMensajes();

    CajaDeEntrada caja({QStringLiteral("b"), QStringLiteral("c7")});
    pantalla.Forma().Controles_B2Click();

    QCOMPARE(caja.Inesperadas(), 0);
    QCOMPARE(caja.Vistas().size(), 2);
    QCOMPARE(caja.Vistas()[1].predeterminado, QStringLiteral("A2"));
    const auto mensajes = base.Mensajes();
    QCOMPARE(mensajes.size(), 1);
    QCOMPARE(mensajes[0].texto, QStringLiteral("La clave: B ya existe, especifique otra"));
    QCOMPARE(mensajes[0].estilo, 48L);
    QCOMPARE(mensajes[0].titulo, QStringLiteral("Catálogo de grupo de cuentas contables"));
    QCOMPARE(mensajes[0].idError, QStringLiteral("ERR-ID:7500002"));
    QVERIFY(base.Claves().contains(QStringLiteral("C7")));
    QVERIFY(!base.Claves().contains(QStringLiteral("A2")));
    QCOMPARE(padreDe(base, QStringLiteral("C7")), QStringLiteral("A"));
    QCOMPARE(padreDe(base, QStringLiteral("B")), QStringLiteral("0"));
}

void PruebaCambiarClave::duplicadoYCancelarTerminanAmbas()
{
    BaseDePrueba base;
    catalogo(base);
    PantallaDePrueba pantalla(base);
    pantalla.Seleccionar(QStringLiteral("A"));
    base.LimpiarMensajes();

    CajaDeEntrada caja({QStringLiteral("B"), std::nullopt});
    pantalla.Forma().Controles_B2Click();

    QCOMPARE(caja.Inesperadas(), 0);
    QCOMPARE(caja.Vistas().size(), 2);
    QCOMPARE(base.Mensajes().size(), 1);
    QCOMPARE(base.Claves(), sinCambios());
}

// The description lookup answers "" for a missing key and for a group without a
// description alike; the key is taken all the same.
void PruebaCambiarClave::claveConDescripcionVaciaEsDuplicada()
{
    BaseDePrueba base;
    catalogo(base);
    PantallaDePrueba pantalla(base);
    pantalla.Seleccionar(QStringLiteral("B"));
    base.LimpiarMensajes();

    CajaDeEntrada caja({QStringLiteral("e"), std::nullopt});
    pantalla.Forma().Controles_B2Click();

    QCOMPARE(caja.Vistas().size(), 2);
    const auto mensajes = base.Mensajes();
    QCOMPARE(mensajes.size(), 1);
    QCOMPARE(mensajes[0].texto, QStringLiteral("La clave: E ya existe, especifique otra"));
    QCOMPARE(mensajes[0].idError, QStringLiteral("ERR-ID:7500002"));
    QCOMPARE(base.Claves(), sinCambios());
}

void PruebaCambiarClave::cambioVetadoDejaLaClaveAnterior()
{
    BaseDePrueba base;
    catalogo(base);
    base.PermitirEscritura(QStringLiteral("PRUEBA"), kTabla, false);
    PantallaDePrueba pantalla(base);
    pantalla.Seleccionar(QStringLiteral("A"));
    base.LimpiarMensajes();
    base.LimpiarTraza();

    CajaDeEntrada caja({QStringLiteral("N")});
    pantalla.Forma().Controles_B2Click();

    QCOMPARE(base.Claves(), sinCambios());
    QCOMPARE(padreDe(base, QStringLiteral("A1")), QStringLiteral("A"));
    QCOMPARE(padreDe(base, QStringLiteral("A2")), QStringLiteral("A"));
    QVERIFY(llamadas(base).contains(QStringLiteral("RollbackTrans")));
    const auto mensajes = base.Mensajes();
    QCOMPARE(mensajes.size(), 1);
    QVERIFY(mensajes[0].texto.contains(QStringLiteral("no tiene permiso")));
    QCOMPARE(mensajes[0].estilo, 16L);
    QCOMPARE(mensajes[0].titulo, QStringLiteral("Kestrima"));
    QCOMPARE(mensajes[0].idError, QStringLiteral("ERR-ID:7500003"));
    QVERIFY(pantalla.Nodo(QStringLiteral("A")));
    QVERIFY(!base.Conexion()->EnTransaccion());
}

void PruebaCambiarClave::claveConComillaNoCambiaLaSentencia()
{
    BaseDePrueba base;
    catalogo(base);
    PantallaDePrueba pantalla(base);
    pantalla.Seleccionar(QStringLiteral("A"));
    base.LimpiarMensajes();

    const QString nueva = QStringLiteral("Q' OR '1'='1");
    CajaDeEntrada caja({nueva});
    pantalla.Forma().Controles_B2Click();

    QVERIFY(base.Mensajes().isEmpty());
    const QString guardada = nueva.toUpper();
    QCOMPARE(base.Claves(), (QStringList{QStringLiteral("A1"), QStringLiteral("A11"), QStringLiteral("A2"),
                                         QStringLiteral("B"), QStringLiteral("E"), guardada}));
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
    pantalla.Seleccionar(QStringLiteral("A"));
    base.LimpiarMensajes();

    bool tomada = false;
    Sesion::EstablecerObservadorTraza([&](const QJsonObject& llamada) {
        const QString sql = llamada.value(QStringLiteral("sql")).toString();
        if (!tomada && sql.startsWith(QLatin1String("SELECT")) && sql.contains(QLatin1String("'K'"))) {
            tomada = true;
            otro.Ejecutar(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable,"
                                         " Gcc_Descripcion, Gcc_Codigo, Gcc_Padre, Gcc_Nivel)"
                                         " VALUES ('K', 'DEL OTRO', '', '0', 1)"));
        }
    });
    CajaDeEntrada caja({QStringLiteral("K")});
    pantalla.Forma().Controles_B2Click();
    Sesion::EstablecerObservadorTraza({});

    QVERIFY(tomada);
    const auto mensajes = base.Mensajes();
    QCOMPARE(mensajes.size(), 1);
    QCOMPARE(mensajes[0].titulo, QStringLiteral("Controles_B2Click()"));
    QCOMPARE(mensajes[0].estilo, 16L);
    QCOMPARE(mensajes[0].idError, QStringLiteral("ERR-ID:7500004"));
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
    pantalla.Seleccionar(QStringLiteral("A"));
    base.LimpiarMensajes();

    bool iniciado = false;
    Sesion::EstablecerObservadorTraza([&](const QJsonObject& llamada) {
        if (!iniciado && llamada.value(QStringLiteral("llamada")).toString() == QLatin1String("RegistrarCambio")) {
            iniciado = true;
            otro.Iniciar(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable,"
                                        " Gcc_Descripcion, Gcc_Codigo, Gcc_Padre, Gcc_Nivel)"
                                        " VALUES ('A3', 'NUEVO', '', 'A', 2)"));
            otro.Esperar(300);
        }
    });
    CajaDeEntrada caja({QStringLiteral("M")});
    pantalla.Forma().Controles_B2Click();
    Sesion::EstablecerObservadorTraza({});

    QVERIFY(iniciado);
    QVERIFY(otro.Esperar(10000));
    const QString resultadoDelOtro = otro.Resultado();
    QVERIFY(!base.Conexion()->EnTransaccion());
    QCOMPARE(PantallaDePrueba::Huerfanos(base), QStringList());
    if (base.Claves().contains(QStringLiteral("M"))) {
        // The change won: the child under the old key was refused.
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
