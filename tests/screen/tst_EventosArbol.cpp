// The catalogue tree's events, driven as a user drives them: clicks on nodes fill the detail
// fields and switch the group commands, double-click and F2 edit, F5 reloads, Ctrl+B and F3
// search, a label edited in place renames the group, and the focus resets the level caption.

#include "PantallaConBase.h"

#include "Controles.h"
#include "Etiqueta.h"
#include "PunteroRaton.h"
#include "flatButton.h"
#include "frmCATAddCuCo.h"
#include "txtKES.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QString kSelect = QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '%1'");

// ACT "Activos" > 100 "Caja" > 101 "Caja chica"; PAS "Pasivos" > 200 "Caja general".
void LlenarCatalogo(BaseDePrueba& base)
{
    base.InsertarGrupo(QStringLiteral("ACT"), QStringLiteral("Activos"));
    base.InsertarGrupo(QStringLiteral("100"), QStringLiteral("Caja"), QStringLiteral("1.1"), QStringLiteral("ACT"), 2);
    base.InsertarGrupo(QStringLiteral("101"), QStringLiteral("Caja chica"), QStringLiteral("1.1.1"),
                       QStringLiteral("100"), 3);
    base.InsertarGrupo(QStringLiteral("PAS"), QStringLiteral("Pasivos"));
    base.InsertarGrupo(QStringLiteral("200"), QStringLiteral("Caja general"), QStringLiteral("2.1"),
                       QStringLiteral("PAS"), 2);
}

QPoint Centro(TreeView& arbol, QTreeWidgetItem* nodo)
{
    arbol.EnsureVisible(nodo);
    return arbol.visualItemRect(nodo).center();
}

void Pulsar(TreeView& arbol, QTreeWidgetItem* nodo)
{
    QVERIFY(nodo);
    QTest::mouseClick(arbol.viewport(), Qt::LeftButton, {}, Centro(arbol, nodo));
    QCoreApplication::processEvents();
}

void PulsarDosVeces(TreeView& arbol, const QPoint& punto)
{
    QTest::mouseDClick(arbol.viewport(), Qt::LeftButton, {}, punto);
    QCoreApplication::processEvents();
}

struct Campos
{
    QString clave, cuenta, codigo, nivel;
    bool operator==(const Campos&) const = default;
};

Campos LeerCampos(frmTQ614& forma)
{
    return {forma.txtClave()->text(), forma.txtCuenta()->text(), forma.txtCodigo()->text(), forma.txtNivel()->text()};
}

char* toString(const Campos& c)
{
    return QTest::toString(QStringLiteral("[%1|%2|%3|%4]").arg(c.clave, c.cuenta, c.codigo, c.nivel));
}

// Edit, Delete, New as the toolbar has them switched.
QString Banderas(Controles* barra)
{
    return QStringLiteral("%1%2%3")
        .arg(barra->EditarHabilitado() ? 'E' : '-')
        .arg(barra->EliminarHabilitado() ? 'D' : '-')
        .arg(barra->NuevoHabilitado() ? 'N' : '-');
}

// The editor of a label, once the tree has opened it.
QLineEdit* EditorAbierto(TreeView& arbol)
{
    for (QLineEdit* editor : arbol.viewport()->findChildren<QLineEdit*>())
        if (editor->isVisible())
            return editor;
    return nullptr;
}

// The user's way to rename: click the node, click it again once selected, type, Enter.
bool EditarEtiqueta(TreeView& arbol, QTreeWidgetItem* nodo, const QString& texto)
{
    const QPoint punto = Centro(arbol, nodo);
    QTest::mouseClick(arbol.viewport(), Qt::LeftButton, {}, punto);
    QCoreApplication::processEvents();
    QTest::mouseClick(arbol.viewport(), Qt::LeftButton, {}, punto);
    QLineEdit* editor = nullptr;
    QElapsedTimer espera;
    espera.start();
    while (!(editor = EditorAbierto(arbol)) && espera.elapsed() < 3000)
        QTest::qWait(20);
    if (!editor)
        return false;
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClicks(editor, texto);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    return true;
}

} // namespace

class tst_EventosArbol : public QObject
{
    Q_OBJECT

private slots:
    void clicEnGrupoYEnRaiz();
    void totalEsUnEnteroDe16Bits();
    void clicEnFilaDesaparecidaVaciaYApaga();
    void clicConTablaFallidaSeInforma();
    void dobleClicSoloEnHojas();
    void teclaF2EditaElGrupo();
    void teclaF5RecargaSinTocarCampos();
    void ctrlBCanceladoBorraElTexto();
    void ctrlBBuscaYF3SigueYDaLaVuelta();
    void etiquetaSeLimpiaYGuarda_data();
    void etiquetaSeLimpiaYGuarda();
    void etiquetaVaciaNoEscribe();
    void etiquetaDeFilaDesaparecidaSeInforma();
};

// A group shows its row; the root has none: "Total:" and the number of groups in the tree,
// the other fields empty, and only New on. The level caption comes back with a group or
// with the focus in the tree.
void tst_EventosArbol::clicEnGrupoYEnRaiz()
{
    PantallaConBase pantalla;
    LlenarCatalogo(pantalla.base);
    frmTQ614& forma = pantalla.Mostrar();
    QCOMPARE(Banderas(forma.controles()), QStringLiteral("--N"));

    Pulsar(pantalla.Arbol(), pantalla.Nodo(QStringLiteral("100")));
    QCOMPARE(LeerCampos(forma), (Campos{"100", "Caja", "1.1", "2"}));
    QCOMPARE(forma.lbNivel()->caption(), QStringLiteral("Nível:"));
    QCOMPARE(Banderas(forma.controles()), QStringLiteral("EDN"));
    QCOMPARE(Publico::sSQL, kSelect.arg(QStringLiteral("100")));
    QCOMPARE(pantalla.base.Sentencias(), QStringList(kSelect.arg(QStringLiteral("100"))));

    Pulsar(pantalla.Arbol(), pantalla.Nodo(QStringLiteral("0")));
    QCOMPARE(forma.lbNivel()->caption(), QStringLiteral("Total:"));
    QCOMPARE(LeerCampos(forma), (Campos{"", "", "", "5"}));
    QCOMPARE(Banderas(forma.controles()), QStringLiteral("--N"));
    QCOMPARE(Publico::sSQL, kSelect.arg(QStringLiteral("0")));

    forma.txtClave()->setFocus();
    QCoreApplication::processEvents();
    QCOMPARE(forma.lbNivel()->caption(), QStringLiteral("Total:"));
    pantalla.Arbol().setFocus();
    QCoreApplication::processEvents();
    QCOMPARE(forma.lbNivel()->caption(), QStringLiteral("Nível:"));

    Pulsar(pantalla.Arbol(), pantalla.Nodo(QStringLiteral("0")));
    Pulsar(pantalla.Arbol(), pantalla.Nodo(QStringLiteral("PAS")));
    QCOMPARE(forma.lbNivel()->caption(), QStringLiteral("Nível:"));
    QCOMPARE(LeerCampos(forma), (Campos{"PAS", "Pasivos", "", "1"}));
    QVERIFY(pantalla.base.Mensajes().isEmpty());
}

// The count is a 16-bit Integer: 32767 groups still show, one more overflows into the
// handler's report instead of a wrapped number.
void tst_EventosArbol::totalEsUnEnteroDe16Bits()
{
    PantallaConBase pantalla;
    Connection* conexion = pantalla.base.Conexion();
    conexion->BeginTrans();
    for (int i = 1; i <= 32767; ++i)
        conexion->Execute(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable,"
                                         " Gcc_Descripcion, Gcc_Padre) VALUES (?, ?, '0')"),
                          QVariantList{QStringLiteral("G%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("Grupo")});
    conexion->CommitTrans();
    frmTQ614& forma = pantalla.Mostrar();
    Pulsar(pantalla.Arbol(), pantalla.Nodo(QStringLiteral("0")));
    QCOMPARE(forma.txtNivel()->text(), QStringLiteral("32767"));
    QVERIFY(pantalla.base.Mensajes().isEmpty());

    pantalla.base.InsertarGrupo(QStringLiteral("G99999"), QStringLiteral("Uno de más"));
    forma.CargarCuentas();
    Pulsar(pantalla.Arbol(), pantalla.Nodo(QStringLiteral("0")));
    QCOMPARE(forma.lbNivel()->caption(), QStringLiteral("Total:"));
    QCOMPARE(forma.txtNivel()->text(), QString());
    QCOMPARE(pantalla.Titulos(), QStringList({QStringLiteral("tvCuentas_NodeClick()")}));
    QCOMPARE(pantalla.base.Mensajes().at(0).idError, QStringLiteral("ERR-ID:7500018"));
}

void tst_EventosArbol::clicEnFilaDesaparecidaVaciaYApaga()
{
    PantallaConBase pantalla;
    LlenarCatalogo(pantalla.base);
    frmTQ614& forma = pantalla.Mostrar();
    Pulsar(pantalla.Arbol(), pantalla.Nodo(QStringLiteral("100")));
    QCOMPARE(Banderas(forma.controles()), QStringLiteral("EDN"));

    pantalla.base.Ejecutar(QStringLiteral("DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '200'"));
    Pulsar(pantalla.Arbol(), pantalla.Nodo(QStringLiteral("200")));
    QCOMPARE(LeerCampos(forma), Campos());
    QCOMPARE(forma.lbNivel()->caption(), QStringLiteral("Nível:"));
    QCOMPARE(Banderas(forma.controles()), QStringLiteral("--N"));
    QVERIFY(pantalla.base.Mensajes().isEmpty());
}

// What the handler did before the error stays done; the rest is skipped.
void tst_EventosArbol::clicConTablaFallidaSeInforma()
{
    PantallaConBase pantalla;
    LlenarCatalogo(pantalla.base);
    frmTQ614& forma = pantalla.Mostrar();
    Pulsar(pantalla.Arbol(), pantalla.Nodo(QStringLiteral("100")));
    pantalla.base.Ejecutar(QStringLiteral("DROP TABLE Grupo_Cuenta_Contable"));

    Pulsar(pantalla.Arbol(), pantalla.Nodo(QStringLiteral("PAS")));
    const auto mensajes = pantalla.base.Mensajes();
    QCOMPARE(mensajes.size(), 1);
    QCOMPARE(mensajes.at(0).titulo, QStringLiteral("tvCuentas_NodeClick()"));
    QCOMPARE(mensajes.at(0).idError, QStringLiteral("ERR-ID:7500018"));
    QCOMPARE(mensajes.at(0).estilo, 16L);
    QCOMPARE(mensajes.at(0).proyecto, QStringLiteral("TQ614"));
    QCOMPARE(LeerCampos(forma), (Campos{"100", "Caja", "1.1", "2"}));
    QCOMPARE(Banderas(forma.controles()), QStringLiteral("EDN"));
}

// A double click edits a node without children; on a node with children, or where there is
// no node selected, it does nothing here (the tree still opens and closes branches).
void tst_EventosArbol::dobleClicSoloEnHojas()
{
    PantallaConBase pantalla;
    LlenarCatalogo(pantalla.base);
    frmTQ614& forma = pantalla.Mostrar();
    TreeView& arbol = pantalla.Arbol();
    // Editar is observed here, not run: the edit command itself is tested with F2.
    QObject::disconnect(forma.controles(), &Controles::Editar, &forma, nullptr);
    QSignalSpy editar(forma.controles(), &Controles::Editar);

    PulsarDosVeces(arbol, QPoint(5, arbol.viewport()->height() - 3));
    QCOMPARE(editar.count(), 0);

    QTreeWidgetItem* conHijos = pantalla.Nodo(QStringLiteral("100"));
    Pulsar(arbol, conHijos);
    QVERIFY(forma.controles()->EditarHabilitado());
    const bool abierto = conHijos->isExpanded();
    PulsarDosVeces(arbol, Centro(arbol, conHijos));
    QCOMPARE(editar.count(), 0);
    QCOMPARE(conHijos->isExpanded(), !abierto);

    Pulsar(arbol, pantalla.Nodo(QStringLiteral("101")));
    PulsarDosVeces(arbol, Centro(arbol, pantalla.Nodo(QStringLiteral("101"))));
    QCOMPARE(editar.count(), 1);
    QVERIFY(pantalla.base.Mensajes().isEmpty());
}

// F2 is the edit command: the editor opens on the selected group.
void tst_EventosArbol::teclaF2EditaElGrupo()
{
    PantallaConBase pantalla;
    LlenarCatalogo(pantalla.base);
    frmTQ614& forma = pantalla.Mostrar();
    Pulsar(pantalla.Arbol(), pantalla.Nodo(QStringLiteral("101")));

    QString claveEnEditor;
    VigiaModal vigia([&](QWidget* modal) {
        if (frmCATAddCuCo::Existe() && frmCATAddCuCo::Instancia().txtClave())
            claveEnEditor = frmCATAddCuCo::Instancia().txtClave()->text();
        modal->hide();
    });
    QTest::keyClick(&pantalla.Arbol(), Qt::Key_F2);
    QCOMPARE(vigia.Abiertas(), 1);
    QCOMPARE(claveEnEditor, QStringLiteral("101"));
    // No label editor: F2 is not the tree's own rename key here.
    QVERIFY(!EditorAbierto(pantalla.Arbol()));
    Q_UNUSED(forma);
    frmCATAddCuCo::Destruir();
}

// F5 rebuilds the tree and neither selects nor reveals a node; the detail fields and the
// toolbar keep their state.
void tst_EventosArbol::teclaF5RecargaSinTocarCampos()
{
    PantallaConBase pantalla;
    LlenarCatalogo(pantalla.base);
    frmTQ614& forma = pantalla.Mostrar();
    Pulsar(pantalla.Arbol(), pantalla.Nodo(QStringLiteral("101")));
    const Campos antes = LeerCampos(forma);
    pantalla.base.InsertarGrupo(QStringLiteral("CAP"), QStringLiteral("Capital"));
    pantalla.base.LimpiarTraza();

    QTest::keyClick(&pantalla.Arbol(), Qt::Key_F5);
    QVERIFY(pantalla.Nodo(QStringLiteral("CAP")));
    QCOMPARE(pantalla.Arbol().Count(), 7);
    QVERIFY(!pantalla.Arbol().SelectedItem());
    QVERIFY(!pantalla.Nodo(QStringLiteral("101"))->parent()->isExpanded());
    QCOMPARE(LeerCampos(forma), antes);
    QCOMPARE(Banderas(forma.controles()), QStringLiteral("EDN"));
    QCOMPARE(pantalla.base.Sentencias().size(), 7);
}

// Only Ctrl+B alone asks. It clears the search text before asking; Cancelar leaves it
// empty, and F3 without a text does not search.
void tst_EventosArbol::ctrlBCanceladoBorraElTexto()
{
    PantallaConBase pantalla;
    LlenarCatalogo(pantalla.base);
    frmTQ614& forma = pantalla.Mostrar();
    forma.TextoBuscado = QStringLiteral("Caja");
    {
        VigiaModal vigia;
        QTest::keyClick(&pantalla.Arbol(), Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(&pantalla.Arbol(), Qt::Key_B, Qt::ControlModifier | Qt::AltModifier);
        QTest::keyClick(&pantalla.Arbol(), Qt::Key_B);
        QTest::qWait(50);
        QCOMPARE(vigia.Abiertas(), 0);
        QCOMPARE(forma.TextoBuscado, QStringLiteral("Caja"));
    }

    VigiaModal vigia([](QWidget*) {
        frmInput& entrada = frmInput::Instancia();
        QTest::keyClicks(entrada.txtValor(), QStringLiteral("Pasivos"));
        QTest::mouseClick(entrada.cmdCancelar(), Qt::LeftButton);
    });
    QTest::keyClick(&pantalla.Arbol(), Qt::Key_B, Qt::ControlModifier);
    QCOMPARE(vigia.Abiertas(), 1);
    QCOMPARE(forma.TextoBuscado, QString());
    QVERIFY(!frmInput::Instancia().Cargado());

    QTreeWidgetItem* actual = pantalla.Arbol().currentItem();
    QTest::keyClick(&pantalla.Arbol(), Qt::Key_F3);
    QVERIFY(pantalla.base.TrazaDe(QStringLiteral("BuscarEnArbol")).isEmpty());
    QCOMPARE(pantalla.Arbol().currentItem(), actual);
    QVERIFY(pantalla.base.Mensajes().isEmpty());
}

void tst_EventosArbol::ctrlBBuscaYF3SigueYDaLaVuelta()
{
    PantallaConBase pantalla;
    LlenarCatalogo(pantalla.base);
    frmTQ614& forma = pantalla.Mostrar();
    TreeView& arbol = pantalla.Arbol();

    VigiaModal vigia([](QWidget*) {
        frmInput& entrada = frmInput::Instancia();
        QTest::keyClicks(entrada.txtValor(), QStringLiteral("caja"));
        QTest::mouseClick(entrada.cmdAceptar(), Qt::LeftButton);
    });
    QTest::keyClick(&arbol, Qt::Key_B, Qt::ControlModifier);
    QCOMPARE(vigia.Abiertas(), 1);
    QCOMPARE(forma.TextoBuscado, QStringLiteral("caja"));
    QVERIFY(!frmInput::Instancia().Cargado());
    QCOMPARE(arbol.currentItem(), pantalla.Nodo(QStringLiteral("100")));

    QTest::keyClick(&arbol, Qt::Key_F3);
    QCOMPARE(arbol.currentItem(), pantalla.Nodo(QStringLiteral("101")));
    QTest::keyClick(&arbol, Qt::Key_F3);
    QCOMPARE(arbol.currentItem(), pantalla.Nodo(QStringLiteral("200")));
    QTest::keyClick(&arbol, Qt::Key_F3);
    QCOMPARE(arbol.currentItem(), pantalla.Nodo(QStringLiteral("100")));

    const auto busquedas = pantalla.base.TrazaDe(QStringLiteral("BuscarEnArbol"));
    QCOMPARE(busquedas.size(), 4);
    for (const QJsonObject& busqueda : busquedas) {
        QCOMPARE(busqueda.value(QStringLiteral("arbol")).toString(), QStringLiteral("tvCuentas"));
        QCOMPARE(busqueda.value(QStringLiteral("texto")).toString(), QStringLiteral("caja"));
    }
    QCOMPARE(vigia.Abiertas(), 1);
}

void tst_EventosArbol::etiquetaSeLimpiaYGuarda_data()
{
    QTest::addColumn<QString>("clave");
    QTest::addColumn<QString>("escrito");
    QTest::addColumn<QString>("guardado");
    QTest::newRow("guiones fuera") << "ACT" << "Caja-Chica" << "CAJACHICA";
    QTest::newRow("la clave fuera") << "100" << "100-Caja 100" << "CAJA";
    QTest::newRow("clave exacta") << "ACT" << "act y ACTIVOS" << "ACT Y IVOS";
    QTest::newRow("con codigo") << "100" << "1.1 - Caja fuerte" << "1.1  CAJA FUERTE";
    QTest::newRow("comilla intacta") << "PAS" << "  D'Angelo  " << "D'ANGELO";
    QTest::newRow("vacia tras limpiar") << "PAS" << " - " << "";
}

// The text is cleaned, stored with a plain UPDATE (no transaction, no change registration,
// operator and dates untouched), the tree reloaded with the node selected and in view, the
// focus in the tree and the pointer back to normal.
void tst_EventosArbol::etiquetaSeLimpiaYGuarda()
{
    QFETCH(QString, clave);
    QFETCH(QString, escrito);
    QFETCH(QString, guardado);
    PantallaConBase pantalla;
    LlenarCatalogo(pantalla.base);
    frmTQ614& forma = pantalla.Mostrar();
    const QString consulta = QStringLiteral("SELECT %1 FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?");
    const QVariant operadorAntes = pantalla.base.Valor(consulta.arg(QStringLiteral("Oper_Ult_Modif")), {clave});
    const QVariant fechaAntes = pantalla.base.Valor(consulta.arg(QStringLiteral("Fecha_Ult_Modif")), {clave});
    Pulsar(pantalla.Arbol(), pantalla.Nodo(clave));
    const Campos campos = LeerCampos(forma);
    pantalla.base.LimpiarTraza();

    QVERIFY(EditarEtiqueta(pantalla.Arbol(), pantalla.Nodo(clave), escrito));
    QCOMPARE(pantalla.base.Valor(consulta.arg(QStringLiteral("Gcc_Descripcion")), {clave}).toString(), guardado);
    const QString update = QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = '%1'"
                                          " WHERE Gcc_Cve_Grupo_Cuenta_Contable = '%2'")
                               .arg(QString(guardado).replace(QLatin1String("'"), QLatin1String("''")), clave);
    QCOMPARE(Publico::sSQL, update);
    // The second click of the rename selects the node again (its SELECT); one UPDATE follows.
    QCOMPARE(pantalla.base.Sentencias().filter(QStringLiteral("UPDATE")), QStringList(update));
    QVERIFY(pantalla.base.TrazaDe(QStringLiteral("BeginTrans")).isEmpty());
    QVERIFY(pantalla.base.TrazaDe(QStringLiteral("RegistrarCambio")).isEmpty());
    QCOMPARE(pantalla.base.Valor(consulta.arg(QStringLiteral("Oper_Ult_Modif")), {clave}), operadorAntes);
    QCOMPARE(pantalla.base.Valor(consulta.arg(QStringLiteral("Fecha_Ult_Modif")), {clave}), fechaAntes);

    TreeView& arbol = pantalla.Arbol();
    QTreeWidgetItem* nodo = pantalla.Nodo(clave);
    QCOMPARE(arbol.SelectedItem(), nodo);
    for (QTreeWidgetItem* p = nodo->parent(); p; p = p->parent())
        QVERIFY(p->isExpanded());
    QVERIFY(arbol.hasFocus());
    QCOMPARE(PunteroRaton::Actual(), int(PunteroRaton::vbDefault));
    // The detail fields are not refilled.
    QCOMPARE(LeerCampos(forma), campos);
    QVERIFY(pantalla.base.Mensajes().isEmpty());
}

// An empty label writes nothing and the node keeps its old text.
void tst_EventosArbol::etiquetaVaciaNoEscribe()
{
    PantallaConBase pantalla;
    LlenarCatalogo(pantalla.base);
    pantalla.Mostrar();
    QTreeWidgetItem* nodo = pantalla.Nodo(QStringLiteral("PAS"));
    QVERIFY(EditarEtiqueta(pantalla.Arbol(), nodo, QString()));
    QCOMPARE(pantalla.Nodo(QStringLiteral("PAS")), nodo);
    QCOMPARE(TreeView::Text(nodo), QStringLiteral("Pasivos"));
    QVERIFY(pantalla.base.Sentencias().filter(QStringLiteral("UPDATE")).isEmpty());
    QCOMPARE(pantalla.base.Valor(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable"
                                                " WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'PAS'")).toString(),
             QStringLiteral("Pasivos"));
}

// The row went away meanwhile: the reload cannot find the node; the pointer is back to
// normal before the report.
void tst_EventosArbol::etiquetaDeFilaDesaparecidaSeInforma()
{
    PantallaConBase pantalla;
    LlenarCatalogo(pantalla.base);
    pantalla.Mostrar();
    pantalla.base.Ejecutar(QStringLiteral("DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '200'"));
    QVERIFY(EditarEtiqueta(pantalla.Arbol(), pantalla.Nodo(QStringLiteral("200")), QStringLiteral("Otra")));
    const auto mensajes = pantalla.base.Mensajes();
    QCOMPARE(mensajes.size(), 1);
    QCOMPARE(mensajes.at(0).titulo, QStringLiteral("tvCuentas_AfterLabelEdit()"));
    QCOMPARE(mensajes.at(0).idError, QStringLiteral("ERR-ID:7500015"));
    QCOMPARE(PunteroRaton::Actual(), int(PunteroRaton::vbDefault));
    QVERIFY(!pantalla.Nodo(QStringLiteral("200")));
}

QTEST_MAIN(tst_EventosArbol)
#include "tst_EventosArbol.moc"
