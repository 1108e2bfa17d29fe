// The keyed tree: its node collection (relatives, errors, removal forgetting keys, pictures),
// its events as the catalogue handles them (NodeClick only from the user, DblClick, KeyDown
// first, F2 never edits, GotFocus) and the in-place label edit with AfterLabelEdit.
#include "ErrorEjecucion.h"
#include "ImageList.h"
#include "TreeView.h"

#include <QLineEdit>
#include <QStyleHints>
#include <QVBoxLayout>
#include <QtTest>

class PruebaTreeView : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> m_ventana;
    TreeView* m_arbol = nullptr;
    QLineEdit* m_otro = nullptr;
    QStringList m_clics, m_ediciones;

    // "/" (N0) with 1 ACTIVO (N1: N11, N12) and 2 PASIVO (N2), as the catalogue builds it.
    void Llenar(const QString& textoN11 = QStringLiteral("1.1 - CAJA"))
    {
        m_arbol->Clear();
        m_arbol->Add({}, TreeView::tvwChild, "N0", "/", 3);
        m_arbol->Add("N0", TreeView::tvwChild, "N1", "ACTIVO", 3);
        m_arbol->Add("N1", TreeView::tvwChild, "N11", textoN11, 4);
        m_arbol->Add("N1", TreeView::tvwChild, "N12", "1.2 - BANCOS", 4);
        m_arbol->Add("N0", TreeView::tvwChild, "N2", "PASIVO", 3);
        m_arbol->expandAll();
    }
    QStringList Hijos(const QTreeWidgetItem* padre)
    {
        QStringList claves;
        for (int i = 0; i < padre->childCount(); ++i)
            claves << TreeView::Key(padre->child(i));
        return claves;
    }
    QPoint Centro(const QString& clave) { return m_arbol->visualItemRect(m_arbol->Item(clave)).center(); }
    void Clic(const QString& clave) { QTest::mouseClick(m_arbol->viewport(), Qt::LeftButton, {}, Centro(clave)); }
    // What a real double click delivers: press, release, double click, release.
    void DobleClic(const QString& clave)
    {
        Clic(clave);
        QTest::mouseDClick(m_arbol->viewport(), Qt::LeftButton, {}, Centro(clave));
        QTest::mouseRelease(m_arbol->viewport(), Qt::LeftButton, {}, Centro(clave));
    }
    // Selects the node, clicks it again, and types into the label editor that opens.
    bool Editar(const QString& clave, const QString& texto)
    {
        Clic(clave);
        Clic(clave);
        auto editor = [&] { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); };
        if (!QTest::qWaitFor([&] { return editor() && m_arbol->isAncestorOf(editor()); }, 3000))
            return false;
        editor()->selectAll();
        QTest::keyClicks(editor(), texto);
        return true;
    }
    static QString ErrorDe(const std::function<void()>& llamada)
    {
        try {
            llamada();
        } catch (const ErrorEjecucion& error) {
            return error.Description();
        }
        return {};
    }

private slots:
    void initTestCase() { QGuiApplication::styleHints()->setMouseDoubleClickInterval(80); }
    void init()
    {
        m_ventana = std::make_unique<QWidget>();
        auto* capa = new QVBoxLayout(m_ventana.get());
        capa->addWidget(m_otro = new QLineEdit);
        capa->addWidget(m_arbol = new TreeView);
        auto* imagenes = new ImageList(m_arbol);
        for (QColor color : {Qt::red, Qt::green, Qt::blue, Qt::yellow}) {
            QPixmap dibujo(16, 16);
            dibujo.fill(color);
            imagenes->Add(QIcon(dibujo));
        }
        m_arbol->setImageList(imagenes);
        Llenar();
        m_clics.clear();
        m_ediciones.clear();
        connect(m_arbol, &TreeView::NodeClick, this, [this](QTreeWidgetItem* nodo) { m_clics << TreeView::Key(nodo); });
        connect(m_arbol, &TreeView::AfterLabelEdit, this,
                [this](int& cancel, QString& texto) { m_ediciones << QStringLiteral("%1:%2").arg(cancel).arg(texto); });
        m_ventana->resize(300, 300);
        m_ventana->show();
        QVERIFY(QTest::qWaitForWindowActive(m_ventana.get()));
    }
    void cleanup() { m_ventana.reset(); }

    void nodosYErrores()
    {
        QTreeWidgetItem* raiz = m_arbol->Item("N0");
        QCOMPARE(m_arbol->Count(), 5);
        QCOMPARE(TreeView::Parent(raiz), nullptr);
        QCOMPARE(Hijos(raiz), (QStringList{"N1", "N2"}));
        QCOMPARE(Hijos(m_arbol->Item("N1")), (QStringList{"N11", "N12"}));
        QCOMPARE(TreeView::Parent(m_arbol->Item("N11")), m_arbol->Item("N1"));
        QCOMPARE(TreeView::Image(m_arbol->Item("N11")), 4);
        QCOMPARE(m_arbol->Item("N11")->icon(0).cacheKey(), m_arbol->imageList()->Imagen(4).cacheKey());
        QCOMPARE(m_arbol->Buscar("N99"), nullptr);
        TreeView::setTag(raiz, 1);
        QCOMPARE(TreeView::Tag(raiz).toInt(), 1);

        const QString noUnica = "La clave no es única en la colección", noEsta = "Elemento no encontrado",
                      fuera = "Índice fuera del intervalo";
        const QList<std::pair<std::function<void()>, QString>> errores = {
            {[&] { m_arbol->Add("N0", TreeView::tvwChild, "N12", "otra vez"); }, noUnica},
            {[&] { m_arbol->Add("N7", TreeView::tvwChild, "N71", "huérfano"); }, noEsta},
            {[&] { m_arbol->Item("N71"); }, noEsta},
            {[&] { m_arbol->Remove("N71"); }, noEsta},
            {[&] { m_arbol->Add("N0", TreeView::tvwChild, "N3", "imagen", 5); }, fuera},
            {[&] { m_arbol->Add("N0", 9, "N3", "relación"); }, fuera},
        };
        for (const auto& [llamada, mensaje] : errores)
            QCOMPARE(ErrorDe(llamada), mensaje);
        // None of the failures left anything behind: the keys are still free.
        QCOMPARE(TreeView::Text(m_arbol->Item("N12")), QString("1.2 - BANCOS"));
        QVERIFY(ErrorDe([&] { m_arbol->Add("N0", TreeView::tvwChild, "N71", "ahora sí"); }).isEmpty());
        QVERIFY(ErrorDe([&] { m_arbol->Add("N0", TreeView::tvwChild, "N3", "también"); }).isEmpty());
        QCOMPARE(m_arbol->Count(), 7);
    }

    void relacionesYQuitar()
    {
        m_arbol->Add({}, TreeView::tvwLast, "D", "d");
        m_arbol->Add({}, TreeView::tvwFirst, "A", "a");
        m_arbol->Add("D", TreeView::tvwPrevious, "C", "c");
        m_arbol->Add("D", TreeView::tvwNext, "E", "e");
        QCOMPARE(Hijos(m_arbol->invisibleRootItem()), (QStringList{"A", "N0", "C", "D", "E"}));
        m_arbol->Add("C", TreeView::tvwChild, "C2", "c2");
        m_arbol->Add("C2", TreeView::tvwFirst, "C1", "c1");
        m_arbol->Add("C1", TreeView::tvwLast, "C3", "c3");
        QCOMPARE(Hijos(m_arbol->Item("C")), (QStringList{"C1", "C2", "C3"}));

        m_arbol->Add("N11", TreeView::tvwChild, "N111", "nieto");
        m_arbol->Remove("N1");
        QCOMPARE(m_arbol->Count(), 9);
        for (const char* clave : {"N1", "N11", "N12", "N111"})
            QCOMPARE(m_arbol->Buscar(clave), nullptr);
        m_arbol->Add("N2", TreeView::tvwChild, "N11", "de nuevo");
        m_arbol->Add("N11", TreeView::tvwChild, "N111", "de nuevo");
        QCOMPARE(TreeView::Parent(m_arbol->Item("N11")), m_arbol->Item("N2"));
        delete m_arbol->Item("N11"); // a node deleted directly takes its keys with it too
        QCOMPARE(m_arbol->Buscar("N111"), nullptr);

        m_arbol->Seleccionar(m_arbol->Item("N2"));
        m_arbol->Clear();
        QCOMPARE(m_arbol->Count(), 0);
        QCOMPARE(m_arbol->SelectedItem(), nullptr);
        Llenar();
        m_arbol->clear(); // the widget's own clear forgets the keys as well
        Llenar();
        QCOMPARE(m_arbol->Count(), 5);
        m_arbol->collapseAll();
        m_arbol->EnsureVisible(m_arbol->Item("N11"));
        QVERIFY(m_arbol->Item("N1")->isExpanded());
        QVERIFY(m_clics.isEmpty());
    }

    void clicsYTeclas()
    {
        Clic("N11");
        Clic("N11"); // on the node already selected: a click all the same
        Clic("N12");
        QCOMPARE(m_arbol->SelectedItem(), m_arbol->Item("N12"));
        QTest::keyClick(m_arbol, Qt::Key_Up);
        QTest::keyClick(m_arbol, Qt::Key_End);
        QTest::keyClick(m_arbol, Qt::Key_Down); // moves nothing, clicks nothing
        QCOMPARE(m_clics, (QStringList{"N11", "N11", "N12", "N11", "N2"}));

        m_clics.clear();
        QSignalSpy dobles(m_arbol, &TreeView::DblClick);
        DobleClic("N1");
        QCOMPARE(dobles.count(), 1);
        QCOMPARE(m_clics, QStringList{"N1"});
        QVERIFY(!m_arbol->Item("N1")->isExpanded()); // the tree's own toggling still happens
        Clic("N2");

        // Not a click: other buttons, the expand sign, below the nodes, a drag, code.
        m_clics.clear();
        QTest::mouseClick(m_arbol->viewport(), Qt::RightButton, {}, Centro("N0"));
        QTest::mouseClick(m_arbol->viewport(), Qt::MiddleButton, {}, Centro("N0"));
        QCOMPARE(m_arbol->SelectedItem(), m_arbol->Item("N2"));
        const QRect fila = m_arbol->visualItemRect(m_arbol->Item("N1"));
        QTest::mouseClick(m_arbol->viewport(), Qt::LeftButton, {},
                          {fila.left() - m_arbol->indentation() / 2, fila.center().y()});
        QVERIFY(m_arbol->Item("N1")->isExpanded());
        QTest::mouseClick(m_arbol->viewport(), Qt::LeftButton, {}, {20, m_arbol->viewport()->height() - 3});
        QTest::mousePress(m_arbol->viewport(), Qt::LeftButton, {}, Centro("N0"));
        QTest::mouseRelease(m_arbol->viewport(), Qt::LeftButton, {}, Centro("N2"));
        m_arbol->setCurrentItem(m_arbol->Item("N0"));
        m_arbol->Item("N2")->setSelected(true);
        m_arbol->Seleccionar(m_arbol->Item("N12"));
        QVERIFY(m_clics.isEmpty());
    }

    void keyDownAntesDelArbol()
    {
        QList<QPair<int, int>> teclas;
        connect(m_arbol, &TreeView::KeyDown, this, [&](int& codigo, int mayusculas) {
            if (codigo < 16 || codigo > 18) // Shift, Ctrl and Alt raise their own
                teclas.append({codigo, mayusculas});
            if (codigo == 40) // Down is swallowed
                codigo = 0;
            if (codigo == 116) { // F5 rebuilds the tree inside KeyDown
                Llenar("1.1 - CAJA GENERAL");
                m_arbol->Seleccionar(m_arbol->Item("N12"));
            }
        });
        Clic("N0");
        m_clics.clear();
        QTest::keyClick(m_arbol, Qt::Key_B, Qt::ControlModifier);
        QTest::keyClick(m_arbol, Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(m_arbol, Qt::Key_F3);
        QTest::keyClick(m_arbol, Qt::Key_Down);
        QCOMPARE(m_arbol->currentItem(), m_arbol->Item("N0"));
        QTest::keyClick(m_arbol, Qt::Key_F5);
        QCOMPARE(TreeView::Text(m_arbol->Item("N11")), QString("1.1 - CAJA GENERAL"));
        QVERIFY(m_clics.isEmpty());
        QTest::keyClick(m_arbol, Qt::Key_Up); // the key after finds the new tree
        QCOMPARE(m_clics, QStringList{"N11"});
        QCOMPARE(teclas, (QList<QPair<int, int>>{{66, 2}, {66, 3}, {114, 0}, {40, 0}, {116, 0}, {38, 0}}));
    }

    // Neither a double click nor F2 opens the label editor: the catalogue edits in a dialog.
    void dobleClicYF2NoEditan()
    {
        Clic("N12");
        DobleClic("N12");
        QTest::keyClick(m_arbol, Qt::Key_F2);
        QTest::qWait(200);
        QCOMPARE(QApplication::focusWidget(), m_arbol);
        QTest::keyClicks(m_arbol, "ZZ");
        QCOMPARE(TreeView::Text(m_arbol->Item("N12")), QString("1.2 - BANCOS"));
    }

    void etiquetaConEnterClicYTab()
    {
        QSignalSpy focos(m_arbol, &TreeView::GotFocus);
        m_otro->setFocus();
        QVERIFY(Editar("N2", "Pasivo circulante"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(m_ediciones, QStringList{"0:Pasivo circulante"});
        QCOMPARE(TreeView::Text(m_arbol->Item("N2")), QString("Pasivo circulante"));
        QTRY_COMPARE(QApplication::focusWidget(), m_arbol);
        QCOMPARE(focos.count(), 1); // coming back from the editor is no new GotFocus

        QTest::qWait(100);
        QVERIFY(Editar("N11", "con tab"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_COMPARE(m_ediciones.size(), 2);
        QTest::qWait(100);
        QVERIFY(!qobject_cast<QLineEdit*>(QApplication::focusWidget())); // no other label opened
        QVERIFY(Editar("N12", "por clic"));
        QTest::mouseClick(m_otro, Qt::LeftButton);
        QTRY_COMPARE(m_ediciones, (QStringList{"0:Pasivo circulante", "0:con tab", "0:por clic"}));
        QCOMPARE(TreeView::Text(m_arbol->Item("N12")), QString("por clic"));
        QCOMPARE(QApplication::focusWidget(), m_otro);
    }

    void etiquetaSinCambio_data()
    {
        QTest::addColumn<QString>("escrito");
        QTest::addColumn<int>("tecla");
        QTest::addColumn<int>("cancelar");
        QTest::newRow("escape") << "descartado" << int(Qt::Key_Escape) << 0;
        QTest::newRow("enter sin cambio") << "PASIVO" << int(Qt::Key_Return) << 0;
        QTest::newRow("el manejador cancela") << "rechazado" << int(Qt::Key_Return) << 1;
    }
    void etiquetaSinCambio()
    {
        QFETCH(QString, escrito);
        QFETCH(int, tecla);
        QFETCH(int, cancelar);
        connect(m_arbol, &TreeView::AfterLabelEdit, this, [&](int& cancel, QString&) { cancel = cancelar; });
        QVERIFY(Editar("N2", escrito));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(tecla));
        QTRY_COMPARE(QApplication::focusWidget(), m_arbol);
        QTest::qWait(50);
        QCOMPARE(m_ediciones.size(), cancelar);
        QCOMPARE(TreeView::Text(m_arbol->Item("N2")), QString("PASIVO"));
    }

    void elManejadorCambiaReconstruyeOQuita()
    {
        // As the catalogue does: clean the text, store it, reload every node, reselect.
        connect(m_arbol, &TreeView::AfterLabelEdit, this, [this](int&, QString& texto) {
            if (texto == "se va")
                return m_arbol->Remove("N12");
            texto = texto.remove('-').trimmed().toUpper();
            Llenar("1.1 - " + texto);
            m_arbol->Seleccionar(m_arbol->Item("N11"));
            m_arbol->setFocus();
        });
        QVERIFY(Editar("N11", " Caja-Chica "));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(m_ediciones, QStringList{"0: Caja-Chica "});
        QCOMPARE(TreeView::Text(m_arbol->Item("N11")), QString("1.1 - CAJACHICA"));
        QCOMPARE(m_arbol->Count(), 5);
        QCOMPARE(m_arbol->SelectedItem(), m_arbol->Item("N11"));
        QTest::qWait(100);
        QVERIFY(Editar("N12", "se va")); // the rebuilt tree edits the same way
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(m_ediciones.size(), 2);
        QCOMPARE(m_arbol->Buscar("N12"), nullptr);
        QCOMPARE(m_arbol->Count(), 4);
    }
};

QTEST_MAIN(PruebaTreeView)
#include "tst_TreeView.moc"
