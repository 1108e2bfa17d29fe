// The New, Edit and Close commands, with the real editor dialog driven as a user would.

#include "BaseDePrueba.h"
#include "PantallaDePrueba.h"
#include "PunteroRaton.h"
#include "TreeView.h"
#include "frmCATAddCuCo.h"
#include "frmTQ614.h"
#include "txtKES.h"

#include <QtTest>
#include <functional>

namespace {

const QString kSinCodigo = QStringLiteral("");

// What the editor showed when it came up, and whether it came up at all.
struct VistaEditor
{
    bool mostrado = false;
    QString clave;
    QString padre;
    QString descripcion;
    QString codigo;
    QString nivel;
    bool claveBloqueada = false;
    bool claveEnTabulacion = true;
    bool vencido = false;
};

// Runs `comando` and, once the editor is shown by it, records the editor and hands it to
// `usuario`, who fills it and saves or cancels. An editor left open for seconds is
// cancelled and marked, so that a broken command fails instead of hanging.
VistaEditor conEditor(const std::function<void(frmCATAddCuCo&)>& usuario, const std::function<void()>& comando)
{
    VistaEditor vista;
    int vueltas = 0;
    QTimer reloj;
    QObject::connect(&reloj, &QTimer::timeout, [&] {
        if (!frmCATAddCuCo::Existe() || !frmCATAddCuCo::Instancia().Cargado())
            return;
        frmCATAddCuCo& editor = frmCATAddCuCo::Instancia();
        if (!editor.Ventana()->isVisible())
            return;
        if (vista.mostrado) {
            if (++vueltas > 500) {
                vista.vencido = true;
                editor.Controles1_B2Click();
            }
            return;
        }
        vista.mostrado = true;
        vista.clave = editor.txtClave()->text();
        vista.padre = editor.txtPadre()->text();
        vista.descripcion = editor.txtDescripcion()->text();
        vista.codigo = editor.txtCodigo()->text();
        vista.nivel = editor.txtNivel()->text();
        vista.claveBloqueada = editor.txtClave()->locked();
        vista.claveEnTabulacion = editor.txtClave()->TabStop();
        usuario(editor);
    });
    reloj.start(10);
    comando();
    return vista;
}

void cancelar(frmCATAddCuCo& editor)
{
    editor.Controles1_B2Click();
}

// A host window: anything that answers to Unload by name.
class VentanaDelHost : public QObject
{
    Q_OBJECT

public:
    Q_INVOKABLE void Unload() { ++descargas; }
    int descargas = 0;
};

} // namespace

class PruebaNuevoEditarSalir : public QObject
{
    Q_OBJECT

private slots:
    void nuevoBajoLaRaizConClaveEnMinusculas();
    void nuevoBajoUnGrupoSeleccionaAlPadre();
    void nuevoCanceladoDejaElArbol();
    void editarEscribeElTextoDelNodo_data();
    void editarEscribeElTextoDelNodo();
    void editarCanceladoNoCambiaElNodo();
    void editarSinFilaNoMuestraNada_data();
    void editarSinFilaNoMuestraNada();
    void nuevoDespuesDeEditarEsModoNuevo();
    void salirDescargaAlPadre();
    void salirConLaPantallaComoPadre();
    void cleanup();
};

void PruebaNuevoEditarSalir::cleanup()
{
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(PunteroRaton::Actual(), int(PunteroRaton::vbDefault));
}

void PruebaNuevoEditarSalir::nuevoBajoLaRaizConClaveEnMinusculas()
{
    BaseDePrueba base;
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("ACTIVO"), kSinCodigo);
    PantallaDePrueba pantalla(base);
    pantalla.Seleccionar(QStringLiteral("0"));
    base.LimpiarMensajes();

    const VistaEditor vista = conEditor(
        [](frmCATAddCuCo& editor) {
            editor.txtClave()->setText(QStringLiteral("ab1"));
            editor.txtDescripcion()->setText(QStringLiteral("BANCOS"));
            editor.cmdAceptar();
        },
        [&] { pantalla.Forma().Controles_Nuevo(); });

    QVERIFY(vista.mostrado);
    QVERIFY(!vista.vencido);
    QCOMPARE(vista.padre, QStringLiteral("0"));
    QVERIFY(!vista.clave.isEmpty());  // the automatic key
    QVERIFY(!vista.claveBloqueada);
    QVERIFY(base.Mensajes().isEmpty());
    QVERIFY(base.Claves().contains(QStringLiteral("AB1")));
    // The tree was reloaded: the new node is there, under the root, which is selected again.
    QTreeWidgetItem* nodo = pantalla.Nodo(QStringLiteral("AB1"));
    QVERIFY(nodo);
    QCOMPARE(TreeView::Key(TreeView::Parent(nodo)), QStringLiteral("N0"));
    QCOMPARE(pantalla.Arbol().SelectedItem(), pantalla.Nodo(QStringLiteral("0")));
    QVERIFY(!frmCATAddCuCo::Instancia().Cargado());
    QCOMPARE(PunteroRaton::Actual(), int(PunteroRaton::vbDefault));
}

void PruebaNuevoEditarSalir::nuevoBajoUnGrupoSeleccionaAlPadre()
{
    BaseDePrueba base;
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("ACTIVO"), kSinCodigo);
    base.InsertarGrupo(QStringLiteral("A1"), QStringLiteral("CAJA"), kSinCodigo, QStringLiteral("A"), 2);
    PantallaDePrueba pantalla(base);
    pantalla.Arbol().collapseAll();
    pantalla.Seleccionar(QStringLiteral("A1"));
    base.LimpiarMensajes();

    const VistaEditor vista = conEditor(
        [](frmCATAddCuCo& editor) {
            editor.txtClave()->setText(QStringLiteral("X"));
            editor.txtDescripcion()->setText(QStringLiteral("CHICA"));
            editor.cmdAceptar();
        },
        [&] { pantalla.Forma().Controles_Nuevo(); });

    QVERIFY(vista.mostrado);
    QCOMPARE(vista.padre, QStringLiteral("A1"));
    QVERIFY(base.Mensajes().isEmpty());
    QTreeWidgetItem* nodo = pantalla.Nodo(QStringLiteral("X"));
    QVERIFY(nodo);
    QCOMPARE(TreeView::Parent(nodo), pantalla.Nodo(QStringLiteral("A1")));
    QCOMPARE(pantalla.Arbol().SelectedItem(), pantalla.Nodo(QStringLiteral("A1")));
    // Revealed: every ancestor of the new node is open.
    for (QTreeWidgetItem* ancestro = nodo->parent(); ancestro; ancestro = ancestro->parent())
        QVERIFY(ancestro->isExpanded());
}

void PruebaNuevoEditarSalir::nuevoCanceladoDejaElArbol()
{
    BaseDePrueba base;
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("ACTIVO"), kSinCodigo);
    base.InsertarGrupo(QStringLiteral("B"), QStringLiteral("PASIVO"), kSinCodigo);
    PantallaDePrueba pantalla(base);
    pantalla.Seleccionar(QStringLiteral("B"));
    QTreeWidgetItem* seleccionado = pantalla.Arbol().SelectedItem();
    const QStringList nodos = pantalla.Nodos();
    base.LimpiarMensajes();
    base.LimpiarTraza();

    const VistaEditor vista = conEditor(cancelar, [&] { pantalla.Forma().Controles_Nuevo(); });

    QVERIFY(vista.mostrado);
    QCOMPARE(vista.padre, QStringLiteral("B"));
    QCOMPARE(pantalla.Nodos(), nodos);
    // The same node object: the tree was not rebuilt.
    QCOMPARE(pantalla.Arbol().SelectedItem(), seleccionado);
    QCOMPARE(base.Claves(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    QVERIFY(!frmCATAddCuCo::Instancia().Cargado());
    QVERIFY(base.Mensajes().isEmpty());
}

void PruebaNuevoEditarSalir::editarEscribeElTextoDelNodo_data()
{
    QTest::addColumn<QString>("clave");
    QTest::addColumn<QString>("codigo");
    QTest::addColumn<QString>("textoEsperado");
    QTest::newRow("con codigo") << QStringLiteral("10") << QStringLiteral("1.1")
                                << QStringLiteral("1.1 - CAJA GENERAL");
    QTest::newRow("sin codigo") << QStringLiteral("T") << kSinCodigo << QStringLiteral("CAJA GENERAL");
}

void PruebaNuevoEditarSalir::editarEscribeElTextoDelNodo()
{
    QFETCH(QString, clave);
    QFETCH(QString, codigo);
    QFETCH(QString, textoEsperado);
    BaseDePrueba base;
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("ACTIVO"), kSinCodigo);
    base.InsertarGrupo(clave, QStringLiteral("CAJA"), codigo, QStringLiteral("A"), 7);
    PantallaDePrueba pantalla(base);
    pantalla.Seleccionar(clave);
    base.LimpiarMensajes();
    base.LimpiarTraza();

    const VistaEditor vista = conEditor(
        [](frmCATAddCuCo& editor) {
            editor.txtDescripcion()->setText(QStringLiteral("CAJA GENERAL"));
            editor.cmdAceptar();
        },
        [&] { pantalla.Forma().Controles_Editar(); });

    QVERIFY(vista.mostrado);
    QCOMPARE(base.Sentencias().first(),
             QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '%1' ").arg(clave));
    QCOMPARE(vista.clave, clave);
    QCOMPARE(vista.padre, QStringLiteral("A"));
    QCOMPARE(vista.descripcion, QStringLiteral("CAJA"));
    QCOMPARE(vista.codigo, codigo);
    QCOMPARE(vista.nivel, QStringLiteral("7"));  // the stored level, not one derived from the code
    QVERIFY(vista.claveBloqueada);
    QVERIFY(!vista.claveEnTabulacion);
    QVERIFY(base.Mensajes().isEmpty());
    QCOMPARE(TreeView::Text(pantalla.Nodo(clave)), textoEsperado);
    QCOMPARE(pantalla.Arbol().SelectedItem(), pantalla.Nodo(clave));
    QVERIFY(!frmCATAddCuCo::Instancia().Cargado());
}

void PruebaNuevoEditarSalir::editarCanceladoNoCambiaElNodo()
{
    BaseDePrueba base;
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("ACTIVO"), kSinCodigo);
    PantallaDePrueba pantalla(base);
    pantalla.Seleccionar(QStringLiteral("A"));
    const QString texto = TreeView::Text(pantalla.Nodo(QStringLiteral("A")));

    const VistaEditor vista = conEditor(
        [](frmCATAddCuCo& editor) {
            editor.txtDescripcion()->setText(QStringLiteral("OTRA"));
            editor.Controles1_B2Click();
        },
        [&] { pantalla.Forma().Controles_Editar(); });

    QVERIFY(vista.mostrado);
    QCOMPARE(TreeView::Text(pantalla.Nodo(QStringLiteral("A"))), texto);
    QCOMPARE(base.Valor(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable")).toString(),
             QStringLiteral("ACTIVO"));
    QVERIFY(!frmCATAddCuCo::Instancia().Cargado());
}

void PruebaNuevoEditarSalir::editarSinFilaNoMuestraNada_data()
{
    QTest::addColumn<QString>("clave");
    QTest::newRow("raiz") << QStringLiteral("0");
    QTest::newRow("fila borrada por otro") << QStringLiteral("A");
}

void PruebaNuevoEditarSalir::editarSinFilaNoMuestraNada()
{
    QFETCH(QString, clave);
    BaseDePrueba base;
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("ACTIVO"), kSinCodigo);
    PantallaDePrueba pantalla(base);
    pantalla.Seleccionar(clave);
    base.Ejecutar(QStringLiteral("DELETE FROM Grupo_Cuenta_Contable"));
    const QStringList nodos = pantalla.Nodos();
    base.LimpiarMensajes();

    const VistaEditor vista = conEditor(cancelar, [&] { pantalla.Forma().Controles_Editar(); });

    QVERIFY(!vista.mostrado);
    QVERIFY(base.Mensajes().isEmpty());
    QCOMPARE(pantalla.Nodos(), nodos);
}

void PruebaNuevoEditarSalir::nuevoDespuesDeEditarEsModoNuevo()
{
    BaseDePrueba base;
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("ACTIVO"), kSinCodigo);
    PantallaDePrueba pantalla(base);
    pantalla.Seleccionar(QStringLiteral("A"));

    const VistaEditor edicion = conEditor(cancelar, [&] { pantalla.Forma().Controles_Editar(); });
    const VistaEditor alta = conEditor(cancelar, [&] { pantalla.Forma().Controles_Nuevo(); });

    QVERIFY(edicion.claveBloqueada);
    QVERIFY(alta.mostrado);
    QVERIFY(!alta.claveBloqueada);
    QCOMPARE(alta.padre, QStringLiteral("A"));
    QVERIFY(alta.clave != QStringLiteral("A"));
}

void PruebaNuevoEditarSalir::salirDescargaAlPadre()
{
    BaseDePrueba base;
    PantallaDePrueba pantalla(base);
    VentanaDelHost host;
    pantalla.Forma().setPadre(&host);

    pantalla.Forma().Controles_Salir();

    QCOMPARE(host.descargas, 1);
    QVERIFY(pantalla.Forma().Cargado());
}

void PruebaNuevoEditarSalir::salirConLaPantallaComoPadre()
{
    BaseDePrueba base;
    PantallaDePrueba pantalla(base);
    pantalla.Forma().setPadre(&pantalla.Forma());

    pantalla.Forma().Controles_Salir();

    QVERIFY(!pantalla.Forma().Cargado());
}

QTEST_MAIN(PruebaNuevoEditarSalir)
#include "tst_NuevoEditarSalir.moc"
