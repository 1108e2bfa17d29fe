// The keyed tree: its nodes and keys, NodeClick only from the user, and KeyDown (in-place edits: the screen's test).
#include "ErrorDe.h"
#include "ImageList.h"
#include "TreeView.h"

#include <QStyleHints>
#include <QVBoxLayout>
#include <QtTest>

class PruebaTreeView : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> m_ventana;
    TreeView* m_arbol = nullptr;

    QStringList Hijos(const QTreeWidgetItem* padre)
    {
        QStringList claves;
        for (int i = 0; i < padre->childCount(); ++i)
            claves << TreeView::Key(padre->child(i));
        return claves;
    }
    QPoint Centro(const QString& clave) { return m_arbol->visualItemRect(m_arbol->Item(clave)).center(); }
    void Clic(const QString& clave) { QTest::mouseClick(m_arbol->viewport(), Qt::LeftButton, {}, Centro(clave)); }

private slots:
    void initTestCase() { QGuiApplication::styleHints()->setMouseDoubleClickInterval(80); }
    void init()
    {
        m_ventana = std::make_unique<QWidget>();
        auto* capa = new QVBoxLayout(m_ventana.get());
        capa->addWidget(m_arbol = new TreeView);
        auto* imagenes = new ImageList(m_arbol);
        for (int i = 0; i < 4; ++i)
            imagenes->Add(QIcon(QPixmap(16, 16)));
        m_arbol->setImageList(imagenes);
        // "/" (N0) with 1 ACTIVO (N1: N11, N12) and 2 PASIVO (N2), as the catalogue builds it.
        m_arbol->Add({}, TreeView::tvwChild, "N0", "/", 3);
        m_arbol->Add("N0", TreeView::tvwChild, "N1", "ACTIVO", 3);
        m_arbol->Add("N1", TreeView::tvwChild, "N11", "1.1 - CAJA", 4);
        m_arbol->Add("N1", TreeView::tvwChild, "N12", "1.2 - BANCOS", 4);
        m_arbol->Add("N0", TreeView::tvwChild, "N2", "PASIVO", 3);
        m_arbol->expandAll();
        m_ventana->resize(300, 300);
        m_ventana->show();
        QVERIFY(QTest::qWaitForWindowActive(m_ventana.get()));
    }

    // A failed Add changes nothing; Remove and Clear forget the keys of every node they take; nodes
    // added in a Lote are found at once and join the view, in order, when it ends.
    void nodosYClaves()
    {
        QCOMPARE(Hijos(m_arbol->Item("N0")) + Hijos(m_arbol->Item("N1")), (QStringList{"N1", "N2", "N11", "N12"}));
        const QString noEsta = "Elemento no encontrado", fuera = "Índice fuera del intervalo";
        for (const auto& [llamada, mensaje] : QList<std::pair<std::function<void()>, QString>>{
                 {[&] { m_arbol->Add("N0", TreeView::tvwChild, "N12", "otra vez"); },
                  "La clave no es única en la colección"},
                 {[&] { m_arbol->Add("N7", TreeView::tvwChild, "N71", "huérfano"); }, noEsta},
                 {[&] { m_arbol->Remove("N71"); }, noEsta},
                 {[&] { m_arbol->Add("N0", TreeView::tvwChild, "N3", "imagen", 5); }, fuera},
                 {[&] { m_arbol->Add("N0", 9, "N3", "relación"); }, fuera}})
            QCOMPARE(ErrorDe(llamada), mensaje);
        QCOMPARE(TreeView::Text(m_arbol->Item("N12")), QString("1.2 - BANCOS"));
        m_arbol->Add("N11", TreeView::tvwChild, "N111", "nieto");
        m_arbol->Remove("N1");
        QCOMPARE(m_arbol->Count(), 2);
        // The keys of a removed child and grandchild are free again.
        m_arbol->Add("N2", TreeView::tvwChild, "N11", "de nuevo");
        m_arbol->Add("N11", TreeView::tvwChild, "N111", "de nuevo");
        m_arbol->Seleccionar(m_arbol->Item("N2"));
        m_arbol->Clear();
        QVERIFY(m_arbol->Count() == 0 && !m_arbol->SelectedItem() && !m_arbol->Buscar("N111"));
        {
            const TreeView::Lote lote(*m_arbol);
            m_arbol->Add({}, TreeView::tvwLast, "X", "x");
            m_arbol->Add("X", TreeView::tvwChild, "Y", "y");
            QVERIFY(m_arbol->topLevelItemCount() == 0 && m_arbol->Count() == 2 && m_arbol->Buscar("Y"));
            m_arbol->Add({}, TreeView::tvwLast, "W", "w");
        }
        QCOMPARE(Hijos(m_arbol->invisibleRootItem()) + Hijos(m_arbol->Item("X")), (QStringList{"X", "W", "Y"}));
    }

    // KeyDown with the key code and shift state; NodeClick only from the user's left button on a node.
    void clicsYTeclas()
    {
        QStringList eventos;  // each NodeClick's key, each KeyDown as "code/shift state"
        connect(m_arbol, &TreeView::NodeClick, this, [&](QTreeWidgetItem* nodo) { eventos << TreeView::Key(nodo); });
        connect(m_arbol, &TreeView::KeyDown, this, [&](int& codigo, int mayusculas) {
            if (codigo < 16 || codigo > 18)  // Shift, Ctrl and Alt raise their own
                eventos << QString("%1/%2").arg(codigo).arg(mayusculas);
        });
        Clic("N11");
        Clic("N11");  // on the node already selected: a click all the same
        Clic("N12");
        QTest::keyClick(m_arbol, Qt::Key_Up);
        QTest::keyClick(m_arbol, Qt::Key_End);
        QTest::keyClick(m_arbol, Qt::Key_Down);  // moves nothing, clicks nothing
        QTest::keyClick(m_arbol, Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
        // Not a click: another button, the expand sign, a drag, code.
        QTest::mouseClick(m_arbol->viewport(), Qt::RightButton, {}, Centro("N0"));
        const QRect fila = m_arbol->visualItemRect(m_arbol->Item("N1"));
        QTest::mouseClick(m_arbol->viewport(), Qt::LeftButton, {},
                          {fila.left() - m_arbol->indentation() / 2, fila.center().y()});
        QVERIFY(!m_arbol->Item("N1")->isExpanded());
        QTest::mousePress(m_arbol->viewport(), Qt::LeftButton, {}, Centro("N0"));
        QTest::mouseRelease(m_arbol->viewport(), Qt::LeftButton, {}, Centro("N2"));
        m_arbol->Seleccionar(m_arbol->Item("N12"));
        QCOMPARE(eventos, (QStringList{"N11", "N11", "N12", "38/0", "N11", "35/0", "N2", "40/0", "66/3"}));
    }
};

QTEST_MAIN(PruebaTreeView)
#include "tst_TreeView.moc"
