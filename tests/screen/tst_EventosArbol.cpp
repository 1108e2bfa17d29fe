// The tree's events driven as a user drives them: clicks fill the fields and switch the group
// commands, double-click and F2 edit, F5 reloads, Ctrl+B and F3 search, a label edited in place
// renames the group, and the focus resets the level caption.

#include "BaseDePrueba.h"
#include "PantallaDePrueba.h"
#include "Publico.h"
#include "PunteroRaton.h"
#include "VigiaModal.h"
#include "frmCATAddCuCo.h"
#include "frmInput.h"

#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kSelect = u"SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '%1'"_s;

// ACT "Activos" > 100 "Caja" > 101 "Caja chica"; PAS "Pasivos" > 200 "Caja general".
void Catalogo(BaseDePrueba& base)
{
    base.InsertarGrupo(u"ACT"_s, u"Activos"_s);
    base.InsertarGrupo(u"100"_s, u"Caja"_s, u"1.1"_s, u"ACT"_s, 2);
    base.InsertarGrupo(u"101"_s, u"Caja chica"_s, u"1.1.1"_s, u"100"_s, 3);
    base.InsertarGrupo(u"PAS"_s, u"Pasivos"_s);
    base.InsertarGrupo(u"200"_s, u"Caja general"_s, u"2.1"_s, u"PAS"_s, 2);
}

void Pulsar(TreeView& arbol, QTreeWidgetItem* nodo, bool dosVeces = false)
{
    arbol.EnsureVisible(nodo);
    const QPoint centro = arbol.visualItemRect(nodo).center();
    dosVeces ? QTest::mouseDClick(arbol.viewport(), Qt::LeftButton, {}, centro) : QTest::mouseClick(arbol.viewport(), Qt::LeftButton, {}, centro);
    QCoreApplication::processEvents();
}

// The four fields with the level caption, and Edit, Delete and New as switched.
QString Estado(frmTQ614& f)
{
    return QStringList{f.txtClave()->text(), f.txtCuenta()->text(), f.txtCodigo()->text(), f.lbNivel()->caption(), f.txtNivel()->text(),
                       f.controles()->EditarHabilitado() ? u"E"_s : u"-"_s, f.controles()->EliminarHabilitado() ? u"D"_s : u"-"_s,
                       f.controles()->NuevoHabilitado() ? u"N"_s : u"-"_s}.join(u'|');
}

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
    Pulsar(arbol, nodo);
    Pulsar(arbol, nodo);
    if (!QTest::qWaitFor([&] { return EditorAbierto(arbol); }, 3000))
        return false;
    EditorAbierto(arbol)->selectAll();
    QTest::keyClick(EditorAbierto(arbol), Qt::Key_Backspace);
    QTest::keyClicks(EditorAbierto(arbol), texto);
    QTest::keyClick(EditorAbierto(arbol), Qt::Key_Return);
    QCoreApplication::processEvents();
    return true;
}

} // namespace

class tst_EventosArbol : public QObject
{
    Q_OBJECT

private slots:
    void seleccion()
    {
        BaseDePrueba base;
        Catalogo(base);
        PantallaDePrueba pantalla(base);
        frmTQ614& forma = pantalla.Forma();
        TreeView& arbol = pantalla.Arbol();
        QCOMPARE(Estado(forma), u"|||Nível:||-|-|N"_s);
        base.LimpiarTraza();
        Pulsar(arbol, pantalla.Nodo(u"100"_s));
        QCOMPARE(Estado(forma), u"100|Caja|1.1|Nível:|2|E|D|N"_s);
        QCOMPARE(base.Sentencias(), QStringList{kSelect.arg(u"100")});
        QCOMPARE(Publico::sSQL, kSelect.arg(u"100"));
        // The root has no row: "Total:" and the number of groups, and only New.
        Pulsar(arbol, pantalla.Nodo(u"0"_s));
        QCOMPARE(Estado(forma), u"|||Total:|5|-|-|N"_s);
        QCOMPARE(Publico::sSQL, kSelect.arg(u"0"));
        // The caption comes back with the focus in the tree, not elsewhere, and with a group.
        forma.txtClave()->setFocus();
        QTRY_COMPARE(forma.lbNivel()->caption(), u"Total:"_s);
        arbol.setFocus();
        QTRY_COMPARE(forma.lbNivel()->caption(), u"Nível:"_s);
        Pulsar(arbol, pantalla.Nodo(u"0"_s));
        Pulsar(arbol, pantalla.Nodo(u"PAS"_s));
        QCOMPARE(Estado(forma), u"PAS|Pasivos||Nível:|1|E|D|N"_s);
        // A row gone meanwhile empties the fields and switches the two commands off.
        base.Ejecutar(u"DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '200'"_s);
        Pulsar(arbol, pantalla.Nodo(u"200"_s));
        QCOMPARE(Estado(forma), u"|||Nível:||-|-|N"_s);
        QVERIFY(base.Mensajes().isEmpty());
        // A failing query is reported; what the handler did before the error stays done.
        Pulsar(arbol, pantalla.Nodo(u"100"_s));
        base.Ejecutar(u"DROP TABLE Grupo_Cuenta_Contable"_s);
        Pulsar(arbol, pantalla.Nodo(u"PAS"_s));
        QCOMPARE(PantallaDePrueba::Mensajes(base).size(), 1);
        QVERIFY(PantallaDePrueba::Mensajes(base)[0].startsWith(u"16 | tvCuentas_NodeClick() | ERR-ID:7500018 | "_s));
        QCOMPARE(Estado(forma), u"100|Caja|1.1|Nível:|2|E|D|N"_s);
    }

    // The count is a 16-bit Integer: 32767 groups still show, one more is reported, not wrapped.
    void totalEsUnEnteroDe16Bits()
    {
        BaseDePrueba base;
        base.Conexion()->BeginTrans();
        for (int i = 1; i <= 32767; ++i)
            base.Ejecutar(u"INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, Gcc_Padre) VALUES (?, 'G', '0')"_s,
                          {u"G%1"_s.arg(i, 5, 10, QLatin1Char('0'))});
        base.Conexion()->CommitTrans();
        PantallaDePrueba pantalla(base);
        Pulsar(pantalla.Arbol(), pantalla.Nodo(u"0"_s));
        QCOMPARE(pantalla.Forma().txtNivel()->text(), u"32767"_s);
        base.InsertarGrupo(u"G99999"_s, u"Uno de más"_s);
        pantalla.Forma().CargarCuentas();
        Pulsar(pantalla.Arbol(), pantalla.Nodo(u"0"_s));
        QCOMPARE(pantalla.Forma().txtNivel()->text(), QString());
        QCOMPARE(PantallaDePrueba::Titulos(base), QStringList{u"tvCuentas_NodeClick()"_s});
    }

    // A double click edits a leaf only: not where there is no node, not on a node with children
    // (the tree still opens or closes it). F2 is the edit command, not the tree's rename key.
    // F5 rebuilds the tree, selecting and revealing nothing, fields and commands as they were.
    void dobleClicYTeclas()
    {
        BaseDePrueba base;
        Catalogo(base);
        PantallaDePrueba pantalla(base);
        TreeView& arbol = pantalla.Arbol();
        QStringList editados;
        VigiaModal vigia([&](QWidget* editor) {
            editados << frmCATAddCuCo::Instancia().txtClave()->text();
            editor->hide();
        });
        QTest::mouseDClick(arbol.viewport(), Qt::LeftButton, {}, QPoint(5, arbol.viewport()->height() - 3));
        QTreeWidgetItem* conHijos = pantalla.Nodo(u"100"_s);
        Pulsar(arbol, conHijos);
        const bool abierto = conHijos->isExpanded();
        Pulsar(arbol, conHijos, true);
        QCOMPARE(conHijos->isExpanded(), !abierto);
        QVERIFY(editados.isEmpty());
        Pulsar(arbol, pantalla.Nodo(u"101"_s));
        Pulsar(arbol, pantalla.Nodo(u"101"_s), true);
        QTest::keyClick(&arbol, Qt::Key_F2);
        QCOMPARE(editados, QStringList({u"101"_s, u"101"_s}));
        QVERIFY(!EditorAbierto(arbol));
        const QString antes = Estado(pantalla.Forma());
        base.InsertarGrupo(u"CAP"_s, u"Capital"_s);
        base.LimpiarTraza();
        QTest::keyClick(&arbol, Qt::Key_F5);
        QCOMPARE(base.Sentencias().size(), 7);
        QCOMPARE(pantalla.Nodos().size(), 7);
        QVERIFY(pantalla.Nodo(u"CAP"_s) && !arbol.SelectedItem() && !pantalla.Nodo(u"100"_s)->isExpanded());
        QCOMPARE(Estado(pantalla.Forma()), antes);
        QVERIFY(base.Mensajes().isEmpty());
    }

    // F3 before any Ctrl+B, and Ctrl+B with another modifier, do nothing. Ctrl+B clears the
    // text before asking, so a cancelled prompt leaves none; an accepted one finds the next
    // match, and F3 the following ones, wrapping round.
    void busqueda()
    {
        BaseDePrueba base;
        Catalogo(base);
        PantallaDePrueba pantalla(base);
        frmTQ614& forma = pantalla.Forma();
        TreeView& arbol = pantalla.Arbol();
        QTreeWidgetItem* actual = arbol.currentItem();
        QString respuesta;
        VigiaModal vigia([&](QWidget*) {
            QTest::keyClicks(frmInput::Instancia().txtValor(), respuesta);
            QTest::mouseClick(respuesta == u"caja" ? frmInput::Instancia().cmdAceptar() : frmInput::Instancia().cmdCancelar(), Qt::LeftButton);
        });
        QTest::keyClick(&arbol, Qt::Key_F3);
        forma.TextoBuscado = u"Caja"_s;
        QTest::keyClick(&arbol, Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(&arbol, Qt::Key_B, Qt::ControlModifier | Qt::AltModifier);
        QTest::keyClick(&arbol, Qt::Key_B);
        QTest::qWait(50);
        QCOMPARE(vigia.Abiertas(), 0);
        QVERIFY(base.TrazaDe(u"BuscarEnArbol"_s).isEmpty() && arbol.currentItem() == actual);
        respuesta = u"Pasivos"_s;
        QTest::keyClick(&arbol, Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(vigia.Abiertas(), 1);
        QCOMPARE(forma.TextoBuscado, QString());
        respuesta = u"caja"_s;
        QTest::keyClick(&arbol, Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(forma.TextoBuscado, u"caja"_s);
        QVERIFY(!frmInput::Instancia().Cargado());
        QStringList encontrados{TreeView::Key(arbol.currentItem())};
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(&arbol, Qt::Key_F3);
            encontrados << TreeView::Key(arbol.currentItem());
        }
        QCOMPARE(encontrados, QStringList({u"N100"_s, u"N101"_s, u"N200"_s, u"N100"_s}));
        QCOMPARE(vigia.Abiertas(), 2);
        for (const QJsonObject& busqueda : base.TrazaDe(u"BuscarEnArbol"_s))
            QCOMPARE(busqueda.value(u"arbol").toString() + u'|' + busqueda.value(u"texto").toString(), u"tvCuentas|caja"_s);
        QVERIFY(base.Mensajes().isEmpty());
    }

    void etiqueta_data()
    {
        QTest::addColumn<QString>("clave");
        QTest::addColumn<QString>("escrito");
        QTest::addColumn<QString>("guardado");
        QTest::newRow("guiones fuera") << u"ACT"_s << u"Caja-Chica"_s << u"CAJACHICA"_s;
        QTest::newRow("la clave fuera") << u"100"_s << u"100-Caja 100"_s << u"CAJA"_s;
        QTest::newRow("clave exacta") << u"ACT"_s << u"act y ACTIVOS"_s << u"ACT Y IVOS"_s;
        QTest::newRow("con codigo") << u"100"_s << u"1.1 - Caja fuerte"_s << u"1.1  CAJA FUERTE"_s;
        QTest::newRow("comilla intacta") << u"PAS"_s << u"  D'Angelo  "_s << u"D'ANGELO"_s;
        QTest::newRow("vacia tras limpiar") << u"PAS"_s << u" - "_s << u""_s;
        QTest::newRow("vacia no escribe") << u"PAS"_s << u""_s << QString();
        QTest::newRow("fila desaparecida") << u"200"_s << u"Otra"_s << u"ERR-ID:7500015"_s;
    }

    // The text is cleaned and stored with a plain UPDATE (no transaction, no change
    // registration, operator and dates untouched); the tree is reloaded with the node selected
    // and in view, the focus in the tree, the pointer back to normal, the fields not refilled.
    void etiqueta()
    {
        QFETCH(QString, clave);
        QFETCH(QString, escrito);
        QFETCH(QString, guardado);
        BaseDePrueba base;
        Catalogo(base);
        PantallaDePrueba pantalla(base);
        const QString fila = u"SELECT Gcc_Descripcion || '|' || Oper_Ult_Modif || '|' || Fecha_Ult_Modif FROM Grupo_Cuenta_Contable"
                             " WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"_s;
        const QString antes = base.Valor(fila, {clave}).toString();
        QTreeWidgetItem* nodo = pantalla.Nodo(clave);
        Pulsar(pantalla.Arbol(), nodo);
        const QString estado = Estado(pantalla.Forma());
        const bool desaparecida = guardado.startsWith(u"ERR-ID");
        if (desaparecida)
            base.Ejecutar(u"DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"_s, {clave});
        base.LimpiarTraza();
        QVERIFY(EditarEtiqueta(pantalla.Arbol(), nodo, escrito));
        QCOMPARE(PunteroRaton::Actual(), int(PunteroRaton::vbDefault));
        const QStringList escrituras = base.Sentencias().filter(u"UPDATE"_s);
        if (desaparecida) {
            QCOMPARE(PantallaDePrueba::Titulos(base), QStringList{u"tvCuentas_AfterLabelEdit()"_s});
            QCOMPARE(base.Mensajes().at(0).idError, guardado);
            QVERIFY(!pantalla.Nodo(clave));
        } else if (guardado.isNull()) {
            QVERIFY(escrituras.isEmpty() && base.Mensajes().isEmpty());
            QCOMPARE(base.Valor(fila, {clave}).toString(), antes);
            QCOMPARE(pantalla.Nodo(clave), nodo);
            QCOMPARE(TreeView::Text(nodo), u"Pasivos"_s);
        } else {
            const QString update = u"UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = '%1' WHERE Gcc_Cve_Grupo_Cuenta_Contable = '%2'"_s
                                       .arg(QString(guardado).replace(u"'"_s, u"''"_s), clave);
            QCOMPARE(escrituras, QStringList{update});
            QCOMPARE(Publico::sSQL, update);
            QVERIFY(base.Mensajes().isEmpty() && base.TrazaDe(u"BeginTrans"_s).isEmpty() && base.TrazaDe(u"RegistrarCambio"_s).isEmpty());
            QCOMPARE(base.Valor(fila, {clave}).toString(), guardado + antes.mid(antes.indexOf(u'|')));
            nodo = pantalla.Nodo(clave);
            QCOMPARE(pantalla.Arbol().SelectedItem(), nodo);
            for (QTreeWidgetItem* p = nodo->parent(); p; p = p->parent())
                QVERIFY(p->isExpanded());
            QVERIFY(pantalla.Arbol().hasFocus());
            QCOMPARE(Estado(pantalla.Forma()), estado);
        }
    }
};

QTEST_MAIN(tst_EventosArbol)
#include "tst_EventosArbol.moc"
