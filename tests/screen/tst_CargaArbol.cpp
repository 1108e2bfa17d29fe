// Building the catalogue tree from Grupo_Cuenta_Contable: the root, the nodes' keys, texts
// and pictures, the statements sent, a level that fails, and data that does not form a tree.

#include "PantallaConBase.h"

#include "ImageList.h"

#include <QtTest>

using Motor = BaseDePrueba::Motor;

class tst_CargaArbol : public QObject
{
    Q_OBJECT

private slots:
    void tablaVaciaSoloRaiz_data() { BaseDePrueba::AgregarMotores(); }
    void tablaVaciaSoloRaiz();
    void imagenesYTextos_data() { BaseDePrueba::AgregarMotores(); }
    void imagenesYTextos();
    void sentenciasPorNodoEnProfundidad_data() { BaseDePrueba::AgregarMotores(); }
    void sentenciasPorNodoEnProfundidad();
    void filaConClaveCeroCortaSuNivel();
    void descripcionFaltanteSeInformaUnaVez();
    void ciclosYAutoPadresNoCuelgan_data() { BaseDePrueba::AgregarMotores(); }
    void ciclosYAutoPadresNoCuelgan();
    void sentenciaFallidaSeInforma();
    void cadenaDemasiadoProfundaSeInforma();
};

void tst_CargaArbol::tablaVaciaSoloRaiz()
{
    QFETCH(Motor, motor);
    REQUIERE_MOTOR(motor);
    PantallaConBase pantalla(motor);
    pantalla.Cargar();
    TreeView& arbol = pantalla.Arbol();
    QCOMPARE(arbol.Count(), 1);
    QTreeWidgetItem* raiz = arbol.topLevelItem(0);
    QCOMPARE(TreeView::Key(raiz), QStringLiteral("N0"));
    QCOMPARE(TreeView::Text(raiz), QStringLiteral("/"));
    QCOMPARE(TreeView::Image(raiz), 3);
    QCOMPARE(TreeView::Tag(raiz), QVariant(1));
    QVERIFY(pantalla.base.Mensajes().isEmpty());
}

// Below the root every group is a heading (3, its description alone), whatever its key.
// Further down: a numeric key under a heading is a group of the chart (2), under another
// numeric key a nested group (4), both shown with code, " - " and description; any other
// key is a heading again. The node shows the picture of the image list at its index, and a
// second load gives the same tree.
void tst_CargaArbol::imagenesYTextos()
{
    QFETCH(Motor, motor);
    REQUIERE_MOTOR(motor);
    PantallaConBase pantalla(motor);
    BaseDePrueba& base = pantalla.base;
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"), QStringLiteral("1"));
    base.InsertarGrupo(QStringLiteral("ACT"), QStringLiteral("Activos"));
    base.InsertarGrupo(QStringLiteral("100"), QStringLiteral("Caja"), QStringLiteral("1.1"), QStringLiteral("ACT"), 2);
    base.InsertarGrupo(QStringLiteral("101"), QStringLiteral("Caja chica"), QStringLiteral("1.1.1"),
                       QStringLiteral("100"), 3);
    base.InsertarGrupo(QStringLiteral("102"), QStringLiteral("Sin código"), QString(), QStringLiteral("100"), 3);
    base.InsertarGrupo(QStringLiteral("NOTA"), QStringLiteral("Notas"), QString(), QStringLiteral("100"), 0);
    base.InsertarGrupo(QStringLiteral("2.5"), QStringLiteral("Decimal"), QStringLiteral("9"), QStringLiteral("1"), 1);
    base.InsertarGrupo(QStringLiteral("3.1.1"), QStringLiteral("Con puntos"), QStringLiteral("9"),
                       QStringLiteral("1"), 1);
    base.Ejecutar(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Codigo = NULL WHERE"
                                 " Gcc_Cve_Grupo_Cuenta_Contable = '102'"));

    pantalla.Cargar();
    const QStringList esperado = {
        QStringLiteral("N0|/|3|0"),
        QStringLiteral("N1|Activo|3|1"),
        QStringLiteral("N2.5|9 - Decimal|4|2"),
        // "3.1.1" does not read as a number as it stands: a heading.
        QStringLiteral("N3.1.1|Con puntos|3|2"),
        QStringLiteral("NACT|Activos|3|1"),
        QStringLiteral("N100|1.1 - Caja|2|2"),
        QStringLiteral("N101|1.1.1 - Caja chica|4|3"),
        QStringLiteral("N102| - Sin código|4|3"),
        QStringLiteral("NNOTA|Notas|3|3"),
    };
    QCOMPARE(pantalla.Descripcion(), esperado);
    QVERIFY(pantalla.base.Mensajes().isEmpty());
    // A group node carries no Tag; its parent is the node of the key the query matched.
    QVERIFY(!TreeView::Tag(pantalla.Nodo(QStringLiteral("100"))).isValid());
    QCOMPARE(TreeView::Parent(pantalla.Nodo(QStringLiteral("101"))), pantalla.Nodo(QStringLiteral("100")));

    auto imagen = [](const QIcon& icono) { return icono.pixmap(QSize(16, 16)).toImage(); };
    ImageList* iconos = pantalla.Forma().ilIconos();
    for (const QString& clave : {QStringLiteral("0"), QStringLiteral("ACT"), QStringLiteral("100"), QStringLiteral("101")})
        QCOMPARE(imagen(pantalla.Nodo(clave)->icon(0)), imagen(iconos->Imagen(TreeView::Image(pantalla.Nodo(clave)))));
    QVERIFY(imagen(iconos->Imagen(2)) != imagen(iconos->Imagen(3)));
    QVERIFY(imagen(iconos->Imagen(2)) != imagen(iconos->Imagen(4)));

    pantalla.Forma().CargarCuentas();
    QCOMPARE(pantalla.Descripcion(), esperado);
    QCOMPARE(pantalla.Arbol().topLevelItemCount(), 1);
}

// One statement per node, depth first, each key placed inside its quotes; a quote in a key
// is doubled, so that heading's children still load.
void tst_CargaArbol::sentenciasPorNodoEnProfundidad()
{
    QFETCH(Motor, motor);
    REQUIERE_MOTOR(motor);
    PantallaConBase pantalla(motor);
    BaseDePrueba& base = pantalla.base;
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("Uno"));
    base.InsertarGrupo(QStringLiteral("A1"), QStringLiteral("Uno uno"), QString(), QStringLiteral("A"));
    base.InsertarGrupo(QStringLiteral("O'K"), QStringLiteral("Comilla"));
    base.InsertarGrupo(QStringLiteral("OK1"), QStringLiteral("Bajo comilla"), QString(), QStringLiteral("O'K"));
    pantalla.Cargar();
    base.LimpiarTraza();

    pantalla.Forma().CargarCuentas();
    auto hijosDe = [](const QString& clave) {
        return QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '%1'"
                              " ORDER BY Gcc_Padre, Gcc_Cve_Grupo_Cuenta_Contable ")
            .arg(clave);
    };
    const QStringList esperado = {hijosDe(QStringLiteral("0")), hijosDe(QStringLiteral("A")),
                                  hijosDe(QStringLiteral("A1")), hijosDe(QStringLiteral("O''K")),
                                  hijosDe(QStringLiteral("OK1"))};
    QCOMPARE(base.Sentencias(), esperado);
    for (const QJsonObject& llamada : base.TrazaDe(QStringLiteral("Execute")))
        QCOMPARE(llamada.value(QStringLiteral("opciones")).toInt(), -1);
    QVERIFY(pantalla.Nodo(QStringLiteral("OK1")));
    QCOMPARE(TreeView::Parent(pantalla.Nodo(QStringLiteral("OK1"))), pantalla.Nodo(QStringLiteral("O'K")));
    QVERIFY(base.Mensajes().isEmpty());
}

// A row keyed "0" collides with the root's node key: one "AddSubMenu()" report, the rest of
// that level is not loaded, and the level above carries on.
void tst_CargaArbol::filaConClaveCeroCortaSuNivel()
{
    PantallaConBase pantalla;
    BaseDePrueba& base = pantalla.base;
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("Primero"));
    base.InsertarGrupo(QStringLiteral("0"), QStringLiteral("Clave cero"), QString(), QStringLiteral("A"));
    base.InsertarGrupo(QStringLiteral("A1"), QStringLiteral("Tras la cero"), QString(), QStringLiteral("A"));
    base.InsertarGrupo(QStringLiteral("B"), QStringLiteral("Segundo"));
    pantalla.Cargar();

    QCOMPARE(pantalla.Descripcion(),
             QStringList({QStringLiteral("N0|/|3|0"), QStringLiteral("NA|Primero|3|1"), QStringLiteral("NB|Segundo|3|1")}));
    const auto mensajes = base.Mensajes();
    QCOMPARE(mensajes.size(), 1);
    QCOMPARE(mensajes.at(0).titulo, QStringLiteral("AddSubMenu()"));
    QCOMPARE(mensajes.at(0).idError, QStringLiteral("ERR-ID:7500008"));
    QCOMPARE(mensajes.at(0).estilo, 16L);
    QCOMPARE(mensajes.at(0).proyecto, QStringLiteral("TQ614"));
    QCOMPARE(mensajes.at(0).ventana, pantalla.Forma().hWnd());
    QVERIFY(!mensajes.at(0).texto.isEmpty());
}

// A missing description makes its level fail at that row: reported once, the rows after it
// in that level left out, the rest of the tree loaded.
void tst_CargaArbol::descripcionFaltanteSeInformaUnaVez()
{
    PantallaConBase pantalla;
    BaseDePrueba& base = pantalla.base;
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("Uno"));
    base.InsertarGrupo(QStringLiteral("A1"), QStringLiteral("Antes"), QString(), QStringLiteral("A"));
    base.InsertarGrupo(QStringLiteral("A2"), QStringLiteral("Nula"), QString(), QStringLiteral("A"));
    base.InsertarGrupo(QStringLiteral("A3"), QStringLiteral("Despues"), QString(), QStringLiteral("A"));
    base.InsertarGrupo(QStringLiteral("B"), QStringLiteral("Dos"));
    base.InsertarGrupo(QStringLiteral("B1"), QStringLiteral("Bajo dos"), QString(), QStringLiteral("B"));
    base.Ejecutar(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = NULL"
                                 " WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'A2'"));
    pantalla.Cargar();
    QCOMPARE(pantalla.Descripcion(),
             QStringList({QStringLiteral("N0|/|3|0"), QStringLiteral("NA|Uno|3|1"), QStringLiteral("NA1|Antes|3|2"),
                          QStringLiteral("NB|Dos|3|1"), QStringLiteral("NB1|Bajo dos|3|2")}));
    QCOMPARE(pantalla.Titulos(), QStringList({QStringLiteral("AddSubMenu()")}));
    QCOMPARE(base.Mensajes().at(0).idError, QStringLiteral("ERR-ID:7500008"));
}

// Rows that are their own parent, or each other's, never hang from "0": they are left out
// and the load ends. A row keyed "0" under "0" is the one such row that the root reaches; it
// collides with the root's key and stops there.
void tst_CargaArbol::ciclosYAutoPadresNoCuelgan()
{
    QFETCH(Motor, motor);
    REQUIERE_MOTOR(motor);
    PantallaConBase pantalla(motor);
    BaseDePrueba& base = pantalla.base;
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("Normal"));
    base.InsertarGrupo(QStringLiteral("X"), QStringLiteral("Su propio padre"), QString(), QStringLiteral("X"));
    base.InsertarGrupo(QStringLiteral("P"), QStringLiteral("Ciclo uno"), QString(), QStringLiteral("Q"));
    base.InsertarGrupo(QStringLiteral("Q"), QStringLiteral("Ciclo dos"), QString(), QStringLiteral("R"));
    base.InsertarGrupo(QStringLiteral("R"), QStringLiteral("Ciclo tres"), QString(), QStringLiteral("P"));
    base.InsertarGrupo(QStringLiteral("S"), QStringLiteral("Bajo el ciclo"), QString(), QStringLiteral("P"));
    pantalla.Cargar();
    QCOMPARE(pantalla.Descripcion(), QStringList({QStringLiteral("N0|/|3|0"), QStringLiteral("NA|Normal|3|1")}));
    QVERIFY(base.Mensajes().isEmpty());

    base.InsertarGrupo(QStringLiteral("0"), QStringLiteral("Raíz repetida"), QString(), QStringLiteral("0"));
    pantalla.Forma().CargarCuentas();
    // "0" sorts before "A": the root's level stops at its first row.
    QCOMPARE(pantalla.Descripcion(), QStringList({QStringLiteral("N0|/|3|0")}));
    QCOMPARE(pantalla.Titulos(), QStringList({QStringLiteral("AddSubMenu()")}));
}

// A statement that fails at the root's level: "AddSubMenu()" reports it, and the tree keeps
// the root it already had; CargarCuentas itself has nothing to report.
void tst_CargaArbol::sentenciaFallidaSeInforma()
{
    PantallaConBase pantalla;
    pantalla.Cargar();
    pantalla.base.Ejecutar(QStringLiteral("DROP TABLE Grupo_Cuenta_Contable"));
    pantalla.Forma().CargarCuentas();
    QCOMPARE(pantalla.Descripcion(), QStringList({QStringLiteral("N0|/|3|0")}));
    QCOMPARE(pantalla.Titulos(), QStringList({QStringLiteral("AddSubMenu()")}));
    QCOMPARE(pantalla.base.Mensajes().at(0).idError, QStringLiteral("ERR-ID:7500008"));
}

// A chain of groups deeper than any chart of accounts: the load stops a thousand levels
// down with one report, as running out of stack space, instead of crashing.
void tst_CargaArbol::cadenaDemasiadoProfundaSeInforma()
{
    PantallaConBase pantalla;
    Connection* conexion = pantalla.base.Conexion();
    conexion->BeginTrans();
    QString padre = QStringLiteral("0");
    for (int i = 1; i <= 1100; ++i) {
        const QString clave = QStringLiteral("K%1").arg(i);
        conexion->Execute(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable,"
                                         " Gcc_Descripcion, Gcc_Padre) VALUES (?, ?, ?)"),
                          QVariantList{clave, clave, padre});
        padre = clave;
    }
    conexion->CommitTrans();
    pantalla.Cargar();
    QCOMPARE(pantalla.Arbol().Count(), 1001);
    QVERIFY(pantalla.Nodo(QStringLiteral("K1000")));
    QCOMPARE(pantalla.Titulos(), QStringList({QStringLiteral("AddSubMenu()")}));
    QCOMPARE(pantalla.base.Mensajes().at(0).texto, QStringLiteral("Espacio de pila insuficiente"));
}

QTEST_MAIN(tst_CargaArbol)
#include "tst_CargaArbol.moc"
