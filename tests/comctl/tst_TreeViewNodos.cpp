// The keyed node collection of the tree: adding by relative and relationship, the errors of
// the collection, removing with descendants, Clear, Count, and the node accessors.
#include "ArbolDePrueba.h"
#include "ErrorEjecucion.h"

using namespace ArbolDePrueba;

class PruebaTreeViewNodos : public QObject
{
    Q_OBJECT

    static QStringList Claves(const QTreeWidgetItem* padre)
    {
        QStringList claves;
        for (int i = 0; i < padre->childCount(); ++i)
            claves << TreeView::Key(padre->child(i));
        return claves;
    }

    // The description of the error a call throws; empty when it throws nothing.
    template <class F>
    static QString ErrorDe(F llamada)
    {
        try {
            llamada();
        } catch (const ErrorEjecucion& error) {
            return error.Description();
        }
        return {};
    }

private slots:
    void nodosYSusDatos()
    {
        TreeView arbol;
        arbol.setImageList(Imagenes(&arbol));
        Llenar(arbol);
        QCOMPARE(arbol.Count(), 5);
        QTreeWidgetItem* raiz = arbol.Item("N0");
        QCOMPARE(arbol.topLevelItemCount(), 1);
        QCOMPARE(TreeView::Text(raiz), QString("/"));
        QCOMPARE(TreeView::Children(raiz), 2);
        QCOMPARE(TreeView::Parent(raiz), nullptr);
        QCOMPARE(Claves(raiz), (QStringList{"N1", "N2"}));
        QCOMPARE(Claves(arbol.Item("N1")), (QStringList{"N11", "N12"}));
        QCOMPARE(TreeView::Parent(arbol.Item("N11")), arbol.Item("N1"));
        QCOMPARE(TreeView::Image(arbol.Item("N11")), 4);
        QCOMPARE(arbol.Item("N11")->icon(0).cacheKey(), arbol.imageList()->Imagen(4).cacheKey());
        QCOMPARE(arbol.Buscar("N12"), arbol.Item("N12"));
        QCOMPARE(arbol.Buscar("N99"), nullptr);

        QVERIFY(!TreeView::Tag(raiz).isValid());
        TreeView::setTag(raiz, 1);
        QCOMPARE(TreeView::Tag(raiz).toInt(), 1);
        TreeView::setText(raiz, "Raíz");
        QCOMPARE(raiz->text(0), QString("Raíz"));
        // In-place editing needs editable nodes.
        QVERIFY(raiz->flags() & Qt::ItemIsEditable);
    }

    void erroresDeLaColeccion()
    {
        TreeView arbol;
        arbol.setImageList(Imagenes(&arbol));
        Llenar(arbol);
        QCOMPARE(ErrorDe([&] { arbol.Add("N0", TreeView::tvwChild, "N12", "otra vez"); }),
                 QString("La clave no es única en la colección"));
        QCOMPARE(ErrorDe([&] { arbol.Add("N7", TreeView::tvwChild, "N71", "huérfano"); }),
                 QString("Elemento no encontrado"));
        QCOMPARE(ErrorDe([&] { arbol.Item("N71"); }), QString("Elemento no encontrado"));
        QCOMPARE(ErrorDe([&] { arbol.Remove("N71"); }), QString("Elemento no encontrado"));
        QCOMPARE(ErrorDe([&] { arbol.Add("N0", TreeView::tvwChild, "N3", "imagen", 5); }),
                 QString("Índice fuera del intervalo"));
        QCOMPARE(ErrorDe([&] { arbol.Add("N0", 9, "N3", "relación"); }), QString("Índice fuera del intervalo"));
        // None of the failures left anything behind: the keys are still free.
        QCOMPARE(arbol.Count(), 5);
        QCOMPARE(TreeView::Text(arbol.Item("N12")), QString("1.2 - BANCOS"));
        QVERIFY(ErrorDe([&] { arbol.Add("N0", TreeView::tvwChild, "N71", "ahora sí"); }).isEmpty());
        QVERIFY(ErrorDe([&] { arbol.Add("N0", TreeView::tvwChild, "N3", "también"); }).isEmpty());
        QCOMPARE(arbol.Count(), 7);
    }

    void relaciones()
    {
        TreeView arbol;
        arbol.Add({}, TreeView::tvwLast, "B", "b");
        arbol.Add({}, TreeView::tvwFirst, "A", "a");
        arbol.Add({}, TreeView::tvwLast, "D", "d");
        arbol.Add("D", TreeView::tvwPrevious, "C", "c");
        arbol.Add("D", TreeView::tvwNext, "E", "e");
        QCOMPARE(Claves(arbol.invisibleRootItem()), (QStringList{"A", "B", "C", "D", "E"}));
        arbol.Add("C", TreeView::tvwChild, "C2", "c2");
        arbol.Add("C2", TreeView::tvwFirst, "C1", "c1");
        arbol.Add("C1", TreeView::tvwLast, "C3", "c3");
        arbol.Add("C3", TreeView::tvwPrevious, "C25", "c25");
        QCOMPARE(Claves(arbol.Item("C")), (QStringList{"C1", "C2", "C25", "C3"}));
        // A node without a key is a node all the same.
        arbol.Add("A", TreeView::tvwChild, QString(), "sin clave");
        QCOMPARE(arbol.Count(), 10);
        QCOMPARE(TreeView::Image(arbol.Item("A")), 0);
    }

    void quitarConDescendientes()
    {
        TreeView arbol;
        Llenar(arbol);
        arbol.Add("N11", TreeView::tvwChild, "N111", "nieto");
        arbol.Remove("N1");
        QCOMPARE(arbol.Count(), 2);
        for (const char* clave : {"N1", "N11", "N12", "N111"})
            QCOMPARE(arbol.Buscar(clave), nullptr);
        // The keys are free again, under a new parent.
        arbol.Add("N2", TreeView::tvwChild, "N11", "de nuevo");
        arbol.Add("N11", TreeView::tvwChild, "N111", "de nuevo");
        QCOMPARE(arbol.Count(), 4);
        QCOMPARE(TreeView::Parent(arbol.Item("N11")), arbol.Item("N2"));

        // A node deleted directly takes its keys with it too.
        delete arbol.Item("N11");
        QCOMPARE(arbol.Buscar("N111"), nullptr);
        QCOMPARE(arbol.Count(), 2);
    }

    void limpiarYVolverALlenar()
    {
        TreeView arbol;
        Llenar(arbol);
        arbol.Seleccionar(arbol.Item("N12"));
        arbol.Clear();
        QCOMPARE(arbol.Count(), 0);
        QCOMPARE(arbol.SelectedItem(), nullptr);
        QCOMPARE(arbol.Buscar("N0"), nullptr);
        Llenar(arbol);
        Llenar(arbol);
        QCOMPARE(arbol.Count(), 5);
        // A plain clear() of the widget forgets the keys as well.
        arbol.clear();
        QCOMPARE(arbol.Buscar("N1"), nullptr);
        Llenar(arbol);
        QCOMPARE(arbol.Count(), 5);
    }

    void seleccionYVisibilidad()
    {
        TreeView arbol;
        Llenar(arbol);
        arbol.collapseAll();
        QCOMPARE(arbol.SelectedItem(), nullptr);
        arbol.Seleccionar(arbol.Item("N12"));
        QCOMPARE(arbol.SelectedItem(), arbol.Item("N12"));
        QCOMPARE(arbol.selectedItems().size(), 1);
        arbol.Seleccionar(arbol.Item("N2"));
        QCOMPARE(arbol.selectedItems(), QList<QTreeWidgetItem*>{arbol.Item("N2")});
        QVERIFY(!arbol.Item("N1")->isExpanded());
        arbol.EnsureVisible(arbol.Item("N11"));
        QVERIFY(arbol.Item("N1")->isExpanded());
        QVERIFY(arbol.Item("N0")->isExpanded());
    }

    void listaDeImagenesAsignadaDespues()
    {
        TreeView arbol;
        arbol.Add({}, TreeView::tvwChild, "N0", "/", 3);
        QVERIFY(arbol.Item("N0")->icon(0).isNull());
        ImageList* lista = Imagenes(&arbol);
        arbol.setImageList(lista);
        QCOMPARE(arbol.Item("N0")->icon(0).cacheKey(), lista->Imagen(3).cacheKey());
        QCOMPARE(lista->Imagen(0).isNull(), true);
        QCOMPARE(lista->Imagen(5).isNull(), true);
        QCOMPARE(lista->Tamano(), QSize(16, 16));
        QCOMPARE(arbol.iconSize(), QSize(16, 16));
    }
};

QTEST_MAIN(PruebaTreeViewNodos)
#include "tst_TreeViewNodos.moc"
