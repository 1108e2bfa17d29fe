// Editing a node's label in place: started by a click on the selected node, ended by Enter,
// by leaving the editor, or cancelled by Escape; AfterLabelEdit comes once the editor is
// closed, so that its handler may cancel, change the text, or rebuild the whole tree.
#include "ArbolDePrueba.h"

#include <QLineEdit>
#include <QStyleHints>
#include <QVBoxLayout>

using namespace ArbolDePrueba;

class PruebaTreeViewEtiquetas : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> m_ventana;
    TreeView* m_arbol = nullptr;
    QLineEdit* m_otro = nullptr;
    // What each AfterLabelEdit received.
    QStringList m_ediciones;

    // Selects the node, clicks it again and waits for the label editor to open.
    QLineEdit* Editar(const QString& clave)
    {
        Clic(*m_arbol, clave);
        Clic(*m_arbol, clave);
        QLineEdit* editor = nullptr;
        (void)QTest::qWaitFor([&] {
            editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            return editor && m_arbol->isAncestorOf(editor);
        }, 3000);
        return editor && m_arbol->isAncestorOf(editor) ? editor : nullptr;
    }

    void Escribir(QLineEdit* editor, const QString& texto)
    {
        editor->selectAll();
        QTest::keyClicks(editor, texto);
    }

private slots:
    void initTestCase()
    {
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(60);
    }

    void init()
    {
        m_ventana = std::make_unique<QWidget>();
        auto* capa = new QVBoxLayout(m_ventana.get());
        m_arbol = new TreeView(m_ventana.get());
        m_otro = new QLineEdit(m_ventana.get());
        capa->addWidget(m_arbol);
        capa->addWidget(m_otro);
        m_arbol->setImageList(Imagenes(m_arbol));
        Llenar(*m_arbol);
        m_ediciones.clear();
        connect(m_arbol, &TreeView::AfterLabelEdit, this,
                [this](int& cancel, QString& texto) { m_ediciones << QStringLiteral("%1:%2").arg(cancel).arg(texto); });
        m_ventana->resize(300, 300);
        m_ventana->show();
        QVERIFY(QTest::qWaitForWindowActive(m_ventana.get()));
    }

    void cleanup()
    {
        m_ventana.reset();
    }

    // The focus coming back from the label editor is not a new GotFocus.
    void textoNuevoConEnter()
    {
        QSignalSpy focos(m_arbol, &TreeView::GotFocus);
        m_otro->setFocus();
        QLineEdit* editor = Editar("N2");
        QVERIFY(editor);
        QCOMPARE(focos.count(), 1);
        QCOMPARE(editor->text(), QString("PASIVO"));
        Escribir(editor, "Pasivo circulante");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(m_ediciones, QStringList{"0:Pasivo circulante"});
        QCOMPARE(TreeView::Text(m_arbol->Item("N2")), QString("Pasivo circulante"));
        QTRY_COMPARE(QApplication::focusWidget(), m_arbol);
        QCOMPARE(focos.count(), 1);
    }

    void sinEdicionNoLevantaNada_data()
    {
        QTest::addColumn<QString>("escrito");
        QTest::addColumn<int>("tecla");
        QTest::newRow("escape") << "descartado" << int(Qt::Key_Escape);
        QTest::newRow("enter sin cambio") << "PASIVO" << int(Qt::Key_Return);
    }

    void sinEdicionNoLevantaNada()
    {
        QFETCH(QString, escrito);
        QFETCH(int, tecla);
        QLineEdit* editor = Editar("N2");
        QVERIFY(editor);
        Escribir(editor, escrito);
        QTest::keyClick(editor, Qt::Key(tecla));
        QTRY_COMPARE(QApplication::focusWidget(), m_arbol);
        QTest::qWait(50);
        QVERIFY(m_ediciones.isEmpty());
        QCOMPARE(TreeView::Text(m_arbol->Item("N2")), QString("PASIVO"));
    }

    void cancelarConservaElTexto()
    {
        connect(m_arbol, &TreeView::AfterLabelEdit, this, [](int& cancel, QString&) { cancel = 1; });
        QLineEdit* editor = Editar("N11");
        QVERIFY(editor);
        Escribir(editor, "rechazado");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(m_ediciones.size(), 1);
        QCOMPARE(TreeView::Text(m_arbol->Item("N11")), QString("1.1 - CAJA"));
    }

    void elManejadorCambiaElTexto()
    {
        connect(m_arbol, &TreeView::AfterLabelEdit, this, [](int&, QString& texto) {
            texto = texto.remove('-').trimmed().toUpper();
        });
        QLineEdit* editor = Editar("N11");
        QVERIFY(editor);
        Escribir(editor, " Caja-Chica ");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(m_ediciones, QStringList{"0: Caja-Chica "});
        QCOMPARE(TreeView::Text(m_arbol->Item("N11")), QString("CAJACHICA"));
    }

    void elManejadorReconstruyeElArbol()
    {
        // As the catalogue does: store the text, reload every node from the data, select
        // the edited node again. The typed text must not land on any node.
        connect(m_arbol, &TreeView::AfterLabelEdit, this, [this](int&, QString& texto) {
            const QString guardado = texto.toUpper();
            texto = guardado;
            Llenar(*m_arbol, "1.1 - " + guardado);
            m_arbol->EnsureVisible(m_arbol->Item("N11"));
            m_arbol->Seleccionar(m_arbol->Item("N11"));
            m_arbol->setFocus();
        });
        QLineEdit* editor = Editar("N11");
        QVERIFY(editor);
        Escribir(editor, "efectivo");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(m_ediciones.size(), 1);
        QCOMPARE(m_arbol->Count(), 5);
        QCOMPARE(TreeView::Text(m_arbol->Item("N11")), QString("1.1 - EFECTIVO"));
        QCOMPARE(TreeView::Text(m_arbol->Item("N12")), QString("1.2 - BANCOS"));
        QCOMPARE(m_arbol->SelectedItem(), m_arbol->Item("N11"));
        // The rebuilt tree is fully usable: a further edit works the same way.
        QTest::qWait(100);
        editor = Editar("N12");
        QVERIFY(editor);
        Escribir(editor, "bancos");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(m_ediciones.size(), 2);
        QCOMPARE(TreeView::Text(m_arbol->Item("N11")), QString("1.1 - BANCOS"));
    }

    void elManejadorQuitaElNodo()
    {
        connect(m_arbol, &TreeView::AfterLabelEdit, this, [this](int&, QString&) { m_arbol->Remove("N12"); });
        QLineEdit* editor = Editar("N12");
        QVERIFY(editor);
        Escribir(editor, "se va");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(m_ediciones.size(), 1);
        QCOMPARE(m_arbol->Buscar("N12"), nullptr);
        QCOMPARE(m_arbol->Count(), 4);
    }

    void salirDelEditorConfirma()
    {
        QLineEdit* editor = Editar("N2");
        QVERIFY(editor);
        Escribir(editor, "por clic");
        QTest::mouseClick(m_otro, Qt::LeftButton);
        QTRY_COMPARE(m_ediciones, QStringList{"0:por clic"});
        QCOMPARE(TreeView::Text(m_arbol->Item("N2")), QString("por clic"));
        QCOMPARE(QApplication::focusWidget(), m_otro);
    }

    void tabTerminaSinAbrirOtraEtiqueta()
    {
        QLineEdit* editor = Editar("N11");
        QVERIFY(editor);
        Escribir(editor, "con tab");
        QTest::keyClick(editor, Qt::Key_Tab);
        QTRY_COMPARE(m_ediciones, QStringList{"0:con tab"});
        QTest::qWait(100);
        auto* abierto = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(!abierto || !m_arbol->isAncestorOf(abierto));
        QCOMPARE(TreeView::Text(m_arbol->Item("N12")), QString("1.2 - BANCOS"));
    }
};

QTEST_MAIN(PruebaTreeViewEtiquetas)
#include "tst_TreeViewEtiquetas.moc"
