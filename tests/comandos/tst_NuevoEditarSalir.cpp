// The New, Edit and Close commands, with the real editor dialog driven as a user would.

#include "BaseDePrueba.h"
#include "PantallaDePrueba.h"
#include "PunteroRaton.h"
#include "TreeView.h"
#include "VigiaModal.h"
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
// `usuario`, who fills it and saves or cancels. An editor left open is hidden by the
// watchdog and marked, so that a broken command fails instead of hanging.
VistaEditor conEditor(const std::function<void(frmCATAddCuCo&)>& usuario, const std::function<void()>& comando)
{
    VistaEditor vista;
    VigiaModal vigia([&](QWidget*) {
        frmCATAddCuCo& editor = frmCATAddCuCo::Instancia();
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
    comando();
    vista.vencido = vigia.Vencidas() > 0 || vigia.Abiertas() > 1;
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
    void nuevoGuardaYSeleccionaAlPadre_data();
    void nuevoGuardaYSeleccionaAlPadre();
    void canceladoDejaArbolYFila_data();
    void canceladoDejaArbolYFila();
    void editarEscribeElTextoDelNodo_data();
    void editarEscribeElTextoDelNodo();
    void editarSinFilaNoMuestraNada_data();
    void editarSinFilaNoMuestraNada();
    void nuevoDespuesDeEditarEsModoNuevo();
    void salirDescargaAlPadre();
    void cleanup();
};

void PruebaNuevoEditarSalir::cleanup()
{
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(PunteroRaton::Actual(), int(PunteroRaton::vbDefault));
}

void PruebaNuevoEditarSalir::nuevoGuardaYSeleccionaAlPadre_data()
{
    QTest::addColumn<QString>("padre");
    QTest::addColumn<QString>("tecleada");
    QTest::addColumn<QString>("guardada");
    QTest::newRow("bajo la raiz, en minusculas") << QStringLiteral("0") << QStringLiteral("ab1") << QStringLiteral("AB1");
    QTest::newRow("bajo un grupo plegado") << QStringLiteral("A1") << QStringLiteral("X") << QStringLiteral("X");
}

void PruebaNuevoEditarSalir::nuevoGuardaYSeleccionaAlPadre()
{
    QFETCH(QString, padre);
    QFETCH(QString, tecleada);
    QFETCH(QString, guardada);
    BaseDePrueba base;
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("ACTIVO"), kSinCodigo);
    base.InsertarGrupo(QStringLiteral("A1"), QStringLiteral("CAJA"), kSinCodigo, QStringLiteral("A"), 2);
    PantallaDePrueba pantalla(base);
    pantalla.Arbol().collapseAll();
    pantalla.SeleccionarParaComando(padre);

    const VistaEditor vista = conEditor(
        [&](frmCATAddCuCo& editor) {
            editor.txtClave()->setText(tecleada);
            editor.txtDescripcion()->setText(QStringLiteral("BANCOS"));
            editor.cmdAceptar();
        },
        [&] { pantalla.Forma().Controles_Nuevo(); });

    QVERIFY(vista.mostrado);
    QVERIFY(!vista.vencido);
    QCOMPARE(vista.padre, padre);
    QVERIFY(!vista.clave.isEmpty());  // the automatic key
    QVERIFY(!vista.claveBloqueada);
    QVERIFY(base.Mensajes().isEmpty());
    QVERIFY(base.Claves().contains(guardada));
    // The tree was reloaded: the new node is there, revealed, and its parent selected again.
    QTreeWidgetItem* nodo = pantalla.Nodo(guardada);
    QVERIFY(nodo);
    QCOMPARE(TreeView::Parent(nodo), pantalla.Nodo(padre));
    QCOMPARE(pantalla.Arbol().SelectedItem(), pantalla.Nodo(padre));
    for (QTreeWidgetItem* ancestro = nodo->parent(); ancestro; ancestro = ancestro->parent())
        QVERIFY(ancestro->isExpanded());
    QVERIFY(!frmCATAddCuCo::Instancia().Cargado());
}

void PruebaNuevoEditarSalir::canceladoDejaArbolYFila_data()
{
    QTest::addColumn<bool>("nuevo");
    QTest::addColumn<QString>("padre");
    QTest::newRow("nuevo") << true << QStringLiteral("B");
    QTest::newRow("editar") << false << QStringLiteral("0");
}

void PruebaNuevoEditarSalir::canceladoDejaArbolYFila()
{
    QFETCH(bool, nuevo);
    QFETCH(QString, padre);
    BaseDePrueba base;
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("ACTIVO"), kSinCodigo);
    base.InsertarGrupo(QStringLiteral("B"), QStringLiteral("PASIVO"), kSinCodigo);
    PantallaDePrueba pantalla(base);
    pantalla.SeleccionarParaComando(QStringLiteral("B"));
    QTreeWidgetItem* seleccionado = pantalla.Arbol().SelectedItem();
    const QString texto = TreeView::Text(seleccionado);
    const QStringList nodos = pantalla.Nodos();

    const VistaEditor vista = conEditor(
        [](frmCATAddCuCo& editor) {
            editor.txtDescripcion()->setText(QStringLiteral("OTRA"));
            editor.Controles1_B2Click();
        },
        [&] { nuevo ? pantalla.Forma().Controles_Nuevo() : pantalla.Forma().Controles_Editar(); });

    QVERIFY(vista.mostrado);
    QCOMPARE(vista.padre, padre);
    QCOMPARE(pantalla.Nodos(), nodos);
    // The same node object: the tree was not rebuilt.
    QCOMPARE(pantalla.Arbol().SelectedItem(), seleccionado);
    QCOMPARE(TreeView::Text(seleccionado), texto);
    QCOMPARE(base.Valor(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable WHERE "
                                       "Gcc_Cve_Grupo_Cuenta_Contable = 'B'")).toString(),
             QStringLiteral("PASIVO"));
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
    pantalla.SeleccionarParaComando(clave);

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

// Close unloads the parent form, which is the screen itself when it stands alone.
void PruebaNuevoEditarSalir::salirDescargaAlPadre()
{
    BaseDePrueba base;
    PantallaDePrueba pantalla(base);
    VentanaDelHost host;
    pantalla.Forma().setPadre(&host);
    pantalla.Forma().Controles_Salir();
    QCOMPARE(host.descargas, 1);
    QVERIFY(pantalla.Forma().Cargado());

    pantalla.Forma().setPadre(&pantalla.Forma());
    pantalla.Forma().Controles_Salir();
    QVERIFY(!pantalla.Forma().Cargado());
}

QTEST_MAIN(PruebaNuevoEditarSalir)
#include "tst_NuevoEditarSalir.moc"
