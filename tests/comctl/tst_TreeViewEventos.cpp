// The tree's events as the catalogue handles them: NodeClick only for what the user does
// (mouse or keyboard), DblClick, KeyDown before the tree's own handling, F2 never edits,
// GotFocus.
#include "ArbolDePrueba.h"

#include <QLineEdit>
#include <QStyleHints>
#include <QVBoxLayout>

using namespace ArbolDePrueba;

class PruebaTreeViewEventos : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> m_ventana;
    TreeView* m_arbol = nullptr;
    QLineEdit* m_otro = nullptr;
    QStringList m_clics;

    // What a real double click delivers to a widget: press, release, double click, release.
    // (QTest's mouseDClick on a widget sends the double-click event alone.)
    void DobleClic(const QString& clave)
    {
        const QPoint punto = Centro(*m_arbol, clave);
        QTest::mouseClick(m_arbol->viewport(), Qt::LeftButton, {}, punto);
        QTest::mouseDClick(m_arbol->viewport(), Qt::LeftButton, {}, punto);
        QTest::mouseRelease(m_arbol->viewport(), Qt::LeftButton, {}, punto);
    }

private slots:
    void init()
    {
        m_ventana = std::make_unique<QWidget>();
        auto* capa = new QVBoxLayout(m_ventana.get());
        m_otro = new QLineEdit(m_ventana.get());
        m_arbol = new TreeView(m_ventana.get());
        m_arbol->setObjectName("tvCuentas");
        capa->addWidget(m_otro);
        capa->addWidget(m_arbol);
        m_arbol->setImageList(Imagenes(m_arbol));
        Llenar(*m_arbol);
        m_clics.clear();
        connect(m_arbol, &TreeView::NodeClick, this, [this](QTreeWidgetItem* nodo) { m_clics << TreeView::Key(nodo); });
        m_ventana->resize(300, 300);
        m_ventana->show();
        QVERIFY(QTest::qWaitForWindowActive(m_ventana.get()));
    }

    void cleanup()
    {
        m_ventana.reset();
    }

    void clicDelRaton()
    {
        Clic(*m_arbol, "N11");
        QCOMPARE(m_clics, QStringList{"N11"});
        QCOMPARE(m_arbol->SelectedItem(), m_arbol->Item("N11"));
        // Again on the node already selected: a click all the same.
        Clic(*m_arbol, "N11");
        QCOMPARE(m_clics, (QStringList{"N11", "N11"}));
        Clic(*m_arbol, "N2");
        QCOMPARE(m_clics, (QStringList{"N11", "N11", "N2"}));
    }

    void clicFueraDeUnNodo()
    {
        // On the expand sign: the node opens or closes, nothing is clicked.
        const QRect fila = m_arbol->visualItemRect(m_arbol->Item("N1"));
        const QPoint signo(fila.left() - m_arbol->indentation() / 2, fila.center().y());
        QVERIFY(m_arbol->Item("N1")->isExpanded());
        QTest::mouseClick(m_arbol->viewport(), Qt::LeftButton, {}, signo);
        QVERIFY(!m_arbol->Item("N1")->isExpanded());
        // Below the last node.
        QTest::mouseClick(m_arbol->viewport(), Qt::LeftButton, {}, QPoint(20, m_arbol->viewport()->height() - 3));
        // Other buttons pick nothing.
        Clic(*m_arbol, "N2");
        m_clics.clear();
        QTest::mouseClick(m_arbol->viewport(), Qt::RightButton, {}, Centro(*m_arbol, "N0"));
        QTest::mouseClick(m_arbol->viewport(), Qt::MiddleButton, {}, Centro(*m_arbol, "N0"));
        QCOMPARE(m_arbol->SelectedItem(), m_arbol->Item("N2"));
        // Pressed on one node and released on another: a drag, not a click.
        QTest::mousePress(m_arbol->viewport(), Qt::LeftButton, {}, Centro(*m_arbol, "N0"));
        QTest::mouseRelease(m_arbol->viewport(), Qt::LeftButton, {}, Centro(*m_arbol, "N2"));
        QVERIFY(m_clics.isEmpty());
    }

    void movimientosDelTeclado()
    {
        m_arbol->setFocus();
        Clic(*m_arbol, "N0");
        m_clics.clear();
        QTest::keyClick(m_arbol, Qt::Key_Down);
        QTest::keyClick(m_arbol, Qt::Key_Down);
        QTest::keyClick(m_arbol, Qt::Key_End);
        QCOMPARE(m_clics, (QStringList{"N1", "N11", "N2"}));
        // A key that moves nothing clicks nothing.
        QTest::keyClick(m_arbol, Qt::Key_Down);
        QCOMPARE(m_clics.size(), 3);
        // Left on an open node closes it; on a closed node it goes to the parent.
        Clic(*m_arbol, "N1");
        QTest::keyClick(m_arbol, Qt::Key_Left);
        QCOMPARE(m_clics.size(), 4);
        QTest::keyClick(m_arbol, Qt::Key_Left);
        QCOMPARE(m_clics.last(), QString("N0"));
    }

    void codigoNoLevantaNodeClick()
    {
        m_arbol->Seleccionar(m_arbol->Item("N12"));
        static_cast<QTreeWidget*>(m_arbol)->setCurrentItem(m_arbol->Item("N2"));
        m_arbol->setCurrentIndex(m_arbol->model()->index(0, 0));
        m_arbol->EnsureVisible(m_arbol->Item("N11"));
        m_arbol->Item("N11")->setSelected(true);
        Llenar(*m_arbol);
        QVERIFY(m_clics.isEmpty());
    }

    void dobleClic()
    {
        QSignalSpy dobles(m_arbol, &TreeView::DblClick);
        DobleClic("N1");
        QCOMPARE(dobles.count(), 1);
        QCOMPARE(m_clics, QStringList{"N1"});
        // The tree's own closing of the node still happens.
        QVERIFY(!m_arbol->Item("N1")->isExpanded());
        QCOMPARE(m_arbol->SelectedItem(), m_arbol->Item("N1"));
    }

    void keyDownAntesDelArbol()
    {
        QList<QPair<int, int>> teclas;
        connect(m_arbol, &TreeView::KeyDown, this, [&](int& codigo, int mayusculas) {
            // Shift, Ctrl and Alt raise KeyDown of their own when pressed; not of interest here.
            if (codigo != 16 && codigo != 17 && codigo != 18)
                teclas.append({codigo, mayusculas});
            if (codigo == 40) // Down is swallowed
                codigo = 0;
        });
        Clic(*m_arbol, "N0");
        m_clics.clear();
        QTest::keyClick(m_arbol, Qt::Key_F5);
        QTest::keyClick(m_arbol, Qt::Key_B, Qt::ControlModifier);
        QTest::keyClick(m_arbol, Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(m_arbol, Qt::Key_F3);
        QTest::keyClick(m_arbol, Qt::Key_Down);
        QCOMPARE(teclas, (QList<QPair<int, int>>{{116, 0}, {66, 2}, {66, 3}, {114, 0}, {40, 0}}));
        // The swallowed key did not move the selection.
        QCOMPARE(m_arbol->currentItem(), m_arbol->Item("N0"));
        QVERIFY(m_clics.isEmpty());
    }

    void keyDownQueReconstruyeElArbol()
    {
        // F5 reloads the whole tree inside KeyDown; the key then finds a new tree.
        connect(m_arbol, &TreeView::KeyDown, this, [this](int& codigo, int) {
            if (codigo == 116) {
                Llenar(*m_arbol, "1.1 - CAJA GENERAL");
                m_arbol->Seleccionar(m_arbol->Item("N12"));
            }
        });
        Clic(*m_arbol, "N11");
        m_clics.clear();
        QTest::keyClick(m_arbol, Qt::Key_F5);
        QCOMPARE(TreeView::Text(m_arbol->Item("N11")), QString("1.1 - CAJA GENERAL"));
        QVERIFY(m_clics.isEmpty());
        QTest::keyClick(m_arbol, Qt::Key_Up);
        QCOMPARE(m_clics, QStringList{"N11"});
    }

    // Neither a double click nor F2 opens the label editor: the catalogue edits in a dialog.
    void dobleClicYF2NoEditanLaEtiqueta()
    {
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(80);
        Clic(*m_arbol, "N12");
        DobleClic("N12");
        QTest::qWait(200);
        QVERIFY(!qobject_cast<QLineEdit*>(QApplication::focusWidget()) || QApplication::focusWidget() == m_otro);
        QCOMPARE(TreeView::Text(m_arbol->Item("N12")), QString("1.2 - BANCOS"));

        Clic(*m_arbol, "N2");
        QTest::keyClick(m_arbol, Qt::Key_F2);
        QTest::qWait(200);
        QCOMPARE(QApplication::focusWidget(), m_arbol);
        QTest::keyClicks(m_arbol, "ZZ");
        QCOMPARE(TreeView::Text(m_arbol->Item("N2")), QString("PASIVO"));
    }

    void gotFocus()
    {
        QSignalSpy focos(m_arbol, &TreeView::GotFocus);
        m_otro->setFocus();
        m_arbol->setFocus();
        QCOMPARE(focos.count(), 1);
        m_otro->setFocus();
        Clic(*m_arbol, "N1");
        QCOMPARE(focos.count(), 2);
    }
};

QTEST_MAIN(PruebaTreeViewEventos)
#include "tst_TreeViewEventos.moc"
