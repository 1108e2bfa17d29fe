// The catalogue screen's load: what it sets up, the tree it builds from the table (pictures,
// texts, statements, failing levels, data that is no tree), and its layout on resize.

#include "BaseDePrueba.h"
#include "ErrorEjecucion.h"
#include "ImageList.h"
#include "PantallaDePrueba.h"
#include "Publico.h"
#include "Twips.h"
#include "frmTQ614.h"

#include <QtTest>

using Motor = BaseDePrueba::Motor;

namespace {

// Each row "key|description|code|parent" ("NULL" for a missing value); other text is a statement.
void Insertar(BaseDePrueba& base, const QStringList& filas)
{
    for (const QString& fila : filas) {
        const QStringList f = fila.split(u'|');
        if (f.size() == 1) {
            base.Ejecutar(fila);
            continue;
        }
        base.InsertarGrupo(f[0], f[1], f[2], f[3]);
        for (int i : {1, 2})
            if (f[i] == u"NULL")
                base.Ejecutar(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET %1 = NULL WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?")
                                  .arg(i == 1 ? "Gcc_Descripcion" : "Gcc_Codigo"), {f[0]});
    }
}

QImage Imagen(const QIcon& icono)
{
    return icono.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class tst_CargaPantalla : public QObject
{
    Q_OBJECT

private slots:
    void cargaPreparaLaPantalla()
    {
        BaseDePrueba base;
        PantallaDePrueba pantalla(base, PantallaDePrueba::Apertura::Cargada);
        frmTQ614& forma = pantalla.Forma();
        // Before the first show (and resize) the window and the tree stand as designed, in pixels.
        QCOMPARE(forma.Ventana()->size(), Twips::Rectangulo(0, 0, 9945, 7110).size());
        QCOMPARE(forma.tvCuentas()->geometry(), Twips::Rectangulo(120, 1200, 8295, 3975));
        QCOMPARE(forma.Ventana()->palette().color(QPalette::Window), QColor(245, 245, 245));
        QVERIFY(forma.controles()->ActivarCatalogo());
        QCOMPARE(forma.controles()->caption(), QStringLiteral("Catálogo de grupo de cuentas contables"));
        QCOMPARE(forma.lbNivel()->caption(), QStringLiteral("Nível:"));
        QVERIFY(forma.txtClave()->locked() && forma.txtNivel()->locked());
        // In-place editing starts only from the user's click on the selected node.
        QCOMPARE(forma.tvCuentas()->editTriggers(), QAbstractItemView::SelectedClicked);
        QCOMPARE(TreeView::Tag(pantalla.Nodo(QStringLiteral("0"))), QVariant(1));
        QCOMPARE(Publico::sFormatoClave, QStringLiteral("000000"));

        ImageList* iconos = forma.ilIconos();
        QCOMPARE(forma.tvCuentas()->imageList(), iconos);
        QCOMPARE(iconos->Count(), 4);
        QList<QImage> vistas;
        for (int i = 1; i <= 4; ++i) {
            const QImage imagen = Imagen(iconos->Imagen(i));
            QCOMPARE(imagen.size(), QSize(16, 16));
            int opacos = 0;
            for (int p = 0; p < 256; ++p)
                opacos += qAlpha(imagen.pixel(p % 16, p / 16)) > 0;
            QVERIFY2(opacos > 40 && !vistas.contains(imagen), qPrintable(QStringLiteral("picture %1").arg(i)));
            vistas << imagen;
        }

        // The key format is read at every load; the load has no error trap, so a failure there
        // reaches whoever loaded the form, before the tree is filled and without a message.
        forma.Unload();
        base.Ejecutar(QStringLiteral("INSERT INTO Kes_Parametro (Par_Nombre, Par_Numero, Par_Tipo, Par_Valor)"
                                     " VALUES ('FTO_GRUPO_CUENTA_CONTABLE', 0, 'T', '0000')"));
        forma.Load();
        QCOMPARE(Publico::sFormatoClave, QStringLiteral("0000"));
        forma.Unload();
        base.Ejecutar(QStringLiteral("DROP TABLE Kes_Parametro"));
        base.LimpiarTraza();
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, forma.Load());
        QVERIFY(base.Mensajes().isEmpty());
        QCOMPARE(forma.tvCuentas()->Count(), 0);
        QVERIFY(base.Sentencias().filter(QStringLiteral("Grupo_Cuenta_Contable")).isEmpty());
    }
    void arbol_data()
    {
        QTest::addColumn<Motor>("motor");
        QTest::addColumn<QStringList>("filas");
        QTest::addColumn<QStringList>("arbol");
        QTest::addColumn<QStringList>("mensajes");
        const QString raiz = QStringLiteral("N0|/|3|0");
        const QStringList fallaDeNivel{QStringLiteral("AddSubMenu()|ERR-ID:7500008")};
        for (Motor motor : {Motor::SQLite, Motor::PostgreSQL}) {
            auto fila = [&](const char* caso) -> QTestData& { return QTest::addRow("%s %s", qPrintable(BaseDePrueba::NombreMotor(motor)), caso) << motor; };
            fila("tabla vacia") << QStringList() << QStringList{raiz} << QStringList();
            // Under the root a heading (3, description alone); below, a numeric key under a heading is
            // a group of the chart (2), under another numeric key a nested group (4), with its code.
            fila("imagenes y textos")
                << QStringList{"1|Activo|1|0", "ACT|Activos||0", "100|Caja|1.1|ACT", "101|Caja chica|1.1.1|100",
                               "102|Sin código|NULL|100", "NOTA|Notas||100", "2.5|Decimal|9|1", "3.1.1|Con puntos|9|1"}
                << QStringList{raiz, "N1|Activo|3|1", "N2.5|9 - Decimal|4|2", "N3.1.1|Con puntos|3|2", "NACT|Activos|3|1",
                               "N100|1.1 - Caja|2|2", "N101|1.1.1 - Caja chica|4|3", "N102| - Sin código|4|3", "NNOTA|Notas|3|3"}
                << QStringList();
            fila("comilla en la clave") << QStringList{"A|Uno||0", "A1|Uno uno||A", "O'K|Comilla||0", "OK1|Bajo comilla||O'K"}
                                        << QStringList{raiz, "NA|Uno|3|1", "NA1|Uno uno|3|2", "NO'K|Comilla|3|1", "NOK1|Bajo comilla|3|2"}
                                        << QStringList();
            fila("ciclos y su propio padre") << QStringList{"A|Normal||0", "X|Propio||X", "P|Uno||Q", "Q|Dos||R", "R|Tres||P", "S|Bajo||P"}
                                             << QStringList{raiz, "NA|Normal|3|1"} << QStringList();
            // A row keyed "0" collides with the root's node key: its level stops there, once.
            fila("clave cero corta su nivel") << QStringList{"A|Primero||0", "0|Cero||A", "A1|Tras la cero||A", "B|Segundo||0"}
                                              << QStringList{raiz, "NA|Primero|3|1", "NB|Segundo|3|1"} << fallaDeNivel;
            fila("clave cero bajo la raiz") << QStringList{"A|Normal||0", "0|Raíz repetida||0"} << QStringList{raiz} << fallaDeNivel;
            fila("descripcion nula") << QStringList{"A|Uno||0", "A1|Antes||A", "A2|NULL||A", "A3|Despues||A", "B|Dos||0", "B1|Bajo dos||B"}
                                     << QStringList{raiz, "NA|Uno|3|1", "NA1|Antes|3|2", "NB|Dos|3|1", "NB1|Bajo dos|3|2"} << fallaDeNivel;
            fila("tabla borrada") << QStringList{"DROP TABLE Grupo_Cuenta_Contable"} << QStringList{raiz} << fallaDeNivel;
        }
    }
    // Each node shows the picture at its index; a second load gives the same tree, with one
    // statement per node, depth first, each key inside its quotes.
    void arbol()
    {
        QFETCH(Motor, motor);
        QFETCH(QStringList, filas);
        QFETCH(QStringList, arbol);
        QFETCH(QStringList, mensajes);
        REQUIERE_MOTOR(motor);
        BaseDePrueba base(motor);
        Insertar(base, filas);
        PantallaDePrueba pantalla(base, PantallaDePrueba::Apertura::Cargada);
        QCOMPARE(pantalla.Descripcion(), arbol);
        QStringList vistos;
        for (const Sesion::MensajeRegistrado& m : base.Mensajes()) {
            vistos << m.titulo + u'|' + m.idError;
            QCOMPARE(m.estilo, 16L);
            QCOMPARE(m.proyecto, QStringLiteral("TQ614"));
            QCOMPARE(m.ventana, pantalla.Forma().hWnd());
        }
        QCOMPARE(vistos, mensajes);
        for (const QString& clave : pantalla.Nodos()) {
            QTreeWidgetItem* nodo = pantalla.Arbol().Buscar(clave);
            QCOMPARE(Imagen(nodo->icon(0)), Imagen(pantalla.Forma().ilIconos()->Imagen(TreeView::Image(nodo))));
        }

        base.LimpiarMensajes();
        base.LimpiarTraza();
        pantalla.Forma().CargarCuentas();
        QCOMPARE(pantalla.Descripcion(), arbol);
        QCOMPARE(PantallaDePrueba::Titulos(base).size(), mensajes.size());
        if (mensajes.isEmpty()) {
            QStringList esperadas;
            for (const QString& clave : pantalla.Nodos())
                esperadas << QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '%1'"
                                            " ORDER BY Gcc_Padre, Gcc_Cve_Grupo_Cuenta_Contable ")
                                 .arg(clave.mid(1).replace(u"'"_qs, u"''"_qs));
            QCOMPARE(base.Sentencias(), esperadas);
        }
    }
    // Deeper than any chart of accounts: the load stops a thousand levels down with one report
    // instead of running out of stack.
    void cadenaDemasiadoProfundaSeInforma()
    {
        BaseDePrueba base;
        base.Conexion()->BeginTrans();
        for (int i = 1; i <= 1100; ++i)
            base.Ejecutar(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable,"
                                         " Gcc_Descripcion, Gcc_Padre) VALUES (?, 'K', ?)"),
                          {QStringLiteral("K%1").arg(i), i == 1 ? QStringLiteral("0") : QStringLiteral("K%1").arg(i - 1)});
        base.Conexion()->CommitTrans();
        PantallaDePrueba pantalla(base, PantallaDePrueba::Apertura::Cargada);
        QCOMPARE(pantalla.Arbol().Count(), 1001);
        QCOMPARE(PantallaDePrueba::Mensajes(base),
                 QStringList{QStringLiteral("16 | AddSubMenu() | ERR-ID:7500008 | Espacio de pila insuficiente")});
    }
    // The frame follows the tree, 50 twips below it, and ends 50 twips above the inner bottom;
    // the tree takes the form's width less twice its left margin. In a window too low (then too
    // narrow too) that step fails and is skipped, keeping the last valid size; the rest still run.
    void redimensionar()
    {
        BaseDePrueba base;
        PantallaDePrueba pantalla(base);
        frmTQ614& forma = pantalla.Forma();
        QWidget* ventana = forma.Ventana();
        TreeView* arbol = forma.tvCuentas();
        QFrame* marco = forma.frFrame();
        const QRect barra = forma.controles()->geometry(), marcoAntes = marco->geometry();
        const double px = Twips::DePixeles(1);
        QSize valido;
        for (const QSize tamano : {QSize(900, 700), QSize(640, 480), QSize(1200, 560), QSize(500, 60), QSize(10, 60)}) {
            ventana->resize(tamano);
            QTRY_COMPARE(ventana->size(), tamano);
            if (tamano.height() > 100)
                QVERIFY(qAbs(Twips::DePixeles(marco->geometry().bottom() + 1) - (forma.ScaleHeight() - 50)) <= 3 * px);
            else
                QCOMPARE(arbol->height(), valido.height());
            if (tamano.width() > 100)
                QVERIFY(qAbs(Twips::DePixeles(arbol->width()) - (forma.ScaleWidth() - 2 * Twips::DePixeles(arbol->x()))) <= px);
            else
                QCOMPARE(arbol->width(), valido.width());
            QVERIFY(qAbs(Twips::DePixeles(marco->y() - arbol->geometry().bottom() - 1) - 50) <= 2 * px);
            QCOMPARE(arbol->pos(), Twips::Rectangulo(120, 1200, 0, 0).topLeft());
            QCOMPARE(QPair(marco->x(), marco->width()), QPair(marcoAntes.x(), marcoAntes.width()));
            QCOMPARE(forma.controles()->geometry(), barra);
            valido = arbol->size();
        }
        ventana->hide();
    }
};

QTEST_MAIN(tst_CargaPantalla)
#include "tst_CargaPantalla.moc"
