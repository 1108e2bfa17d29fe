// The catalogue screen as laid out, its load and its resize: the controls in their places,
// the tree's four pictures, what the load sets up (the key format among it, and a load that
// fails), and the layout that follows the window's size.

#include "PantallaConBase.h"

#include "Controles.h"
#include "ErrorEjecucion.h"
#include "ImageList.h"
#include "Twips.h"
#include "txtKES.h"

#include <QFrame>
#include <QtTest>

class tst_DisenoPantalla : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void controlesEnSuLugar_data();
    void controlesEnSuLugar();
    void cargaAplicaColoresYActivaElCatalogo();
    void cargaLeeElFormatoDeClave();
    void cargaSinTrampaDejaPasarElError();
    void redimensionarSigueALaVentana();
    void redimensionarDemasiadoPequenaConservaLoValido();
};

void tst_DisenoPantalla::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty()
            || std::none_of(QApplication::topLevelWidgets().cbegin(), QApplication::topLevelWidgets().cend(),
                            [](QWidget* w) { return w->isVisible(); }));
}

void tst_DisenoPantalla::controlesEnSuLugar_data()
{
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("contenedor");
    QTest::addColumn<QRect>("twips");
    const QString forma = QStringLiteral("frmTQ614");
    const QString marco = QStringLiteral("frFrame");
    QTest::newRow("frFrame") << "frFrame" << forma << QRect(120, 5400, 9615, 1455);
    QTest::newRow("txtCuenta") << "txtCuenta" << marco << QRect(2280, 360, 3255, 300);
    QTest::newRow("txtClave") << "txtClave" << marco << QRect(2280, 0, 1695, 300);
    QTest::newRow("Label1") << "Label1" << marco << QRect(0, 30, 2175, 255);
    QTest::newRow("Label2") << "Label2" << marco << QRect(0, 390, 2175, 255);
    QTest::newRow("txtCodigo") << "txtCodigo" << marco << QRect(7920, 0, 1695, 300);
    QTest::newRow("Etiqueta1") << "Etiqueta1" << marco << QRect(5640, 30, 2175, 255);
    QTest::newRow("txtNivel") << "txtNivel" << marco << QRect(7920, 360, 1695, 300);
    QTest::newRow("lbNivel") << "lbNivel" << marco << QRect(5640, 390, 2175, 255);
    QTest::newRow("Controles") << "Controles" << forma << QRect(0, 0, 9945, 960);
    QTest::newRow("tvCuentas") << "tvCuentas" << forma << QRect(120, 1200, 8295, 3975);
}

// Before the window is first shown (and so before its first resize), every control stands
// where it was designed, converted at the screen's resolution.
void tst_DisenoPantalla::controlesEnSuLugar()
{
    QFETCH(QString, nombre);
    QFETCH(QString, contenedor);
    QFETCH(QRect, twips);
    PantallaConBase pantalla;
    QWidget* ventana = pantalla.Cargar().Ventana();
    auto* control = ventana->findChild<QWidget*>(nombre);
    QVERIFY2(control, qPrintable(nombre));
    QCOMPARE(control->parentWidget()->objectName(), contenedor);
    QCOMPARE(control->geometry(), Twips::Rectangulo(twips.x(), twips.y(), twips.width(), twips.height()));
    QCOMPARE(ventana->objectName(), QStringLiteral("frmTQ614"));
    QCOMPARE(ventana->size(), Twips::Rectangulo(0, 0, 9945, 7110).size());
}

// The load applies the colour scheme (the form takes its backcolor), switches the toolbar to
// a catalogue and hands the tree its image list: four pictures of 16 x 16 pixels, each one
// different, none of them blank. In-place editing stays the user's alone.
void tst_DisenoPantalla::cargaAplicaColoresYActivaElCatalogo()
{
    PantallaConBase pantalla;
    frmTQ614& forma = pantalla.Forma();
    forma.Load();
    QCOMPARE(forma.colores()->backcolor, QColor(245, 245, 245));
    QCOMPARE(forma.Ventana()->palette().color(QPalette::Window), QColor(245, 245, 245));
    QVERIFY(forma.controles()->ActivarCatalogo());
    QCOMPARE(forma.controles()->caption(), QStringLiteral("Catálogo de grupo de cuentas contables"));
    QCOMPARE(forma.lbNivel()->caption(), QStringLiteral("Nível:"));
    QVERIFY(forma.txtClave()->locked() && forma.txtNivel()->locked());
    QCOMPARE(forma.tvCuentas()->imageList(), forma.ilIconos());
    QCOMPARE(forma.tvCuentas()->editTriggers(), QAbstractItemView::SelectedClicked);

    ImageList* iconos = forma.ilIconos();
    QVERIFY(iconos);
    QCOMPARE(iconos->objectName(), QStringLiteral("ilIconos"));
    QCOMPARE(iconos->Count(), 4);
    QCOMPARE(iconos->Tamano(), QSize(16, 16));
    QList<QImage> imagenes;
    for (int i = 1; i <= 4; ++i) {
        const QImage imagen = iconos->Imagen(i).pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(imagen.size(), QSize(16, 16));
        int opacos = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                opacos += qAlpha(imagen.pixel(x, y)) > 0;
        QVERIFY2(opacos > 40, qPrintable(QStringLiteral("picture %1 is nearly empty").arg(i)));
        for (const QImage& anterior : imagenes)
            QVERIFY(anterior != imagen);
        imagenes << imagen;
    }
}

void tst_DisenoPantalla::cargaLeeElFormatoDeClave()
{
    PantallaConBase pantalla;
    QCOMPARE(Publico::sFormatoClave, QString());
    pantalla.Cargar();
    QCOMPARE(Publico::sFormatoClave, QStringLiteral("000000"));
    pantalla.Forma().Unload();

    // Read again at every load.
    pantalla.base.Ejecutar(QStringLiteral("INSERT INTO Kes_Parametro (Par_Nombre, Par_Numero, Par_Tipo, Par_Valor)"
                                          " VALUES ('FTO_GRUPO_CUENTA_CONTABLE', 0, 'T', '0000')"));
    pantalla.Cargar();
    QCOMPARE(Publico::sFormatoClave, QStringLiteral("0000"));
    QCOMPARE(pantalla.Arbol().Count(), 1);
}

// The load has no error trap: a failing ObtenerParametro stops it before the tree is filled
// and reaches whoever loaded the form, without a message.
void tst_DisenoPantalla::cargaSinTrampaDejaPasarElError()
{
    PantallaConBase pantalla;
    pantalla.base.Ejecutar(QStringLiteral("DROP TABLE Kes_Parametro"));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, pantalla.Forma().Load());
    QVERIFY(pantalla.base.Mensajes().isEmpty());
    QCOMPARE(pantalla.Forma().tvCuentas()->Count(), 0);
    QVERIFY(pantalla.base.Sentencias().filter(QStringLiteral("Grupo_Cuenta_Contable")).isEmpty());
}

void tst_DisenoPantalla::redimensionarSigueALaVentana()
{
    PantallaConBase pantalla;
    frmTQ614& forma = pantalla.Mostrar();
    QWidget* ventana = forma.Ventana();
    TreeView* arbol = forma.tvCuentas();
    QFrame* marco = forma.frFrame();
    const QRect barra = forma.controles()->geometry();
    const int marcoIzquierda = marco->x();
    const int marcoAncho = marco->width();

    for (const QSize tamano : {QSize(900, 700), QSize(640, 480), QSize(1200, 560)}) {
        ventana->resize(tamano);
        QTRY_COMPARE(ventana->size(), tamano);
        const double alto = forma.ScaleHeight();
        const double ancho = forma.ScaleWidth();
        // The frame starts 50 twips below the tree and ends 50 twips above the inner bottom.
        QVERIFY(qAbs(Twips::DePixeles(marco->y()) - Twips::DePixeles(arbol->geometry().bottom() + 1) - 50) <= 2 * Twips::DePixeles(1));
        QVERIFY(qAbs(Twips::DePixeles(marco->geometry().bottom() + 1) - (alto - 50)) <= 3 * Twips::DePixeles(1));
        // The tree is as wide as the form less twice its left margin.
        QVERIFY(qAbs(Twips::DePixeles(arbol->width()) - (ancho - 2 * Twips::DePixeles(arbol->x()))) <= Twips::DePixeles(1));
        // What the resize does not touch.
        QCOMPARE(arbol->pos(), Twips::Rectangulo(120, 1200, 0, 0).topLeft());
        QCOMPARE(marco->x(), marcoIzquierda);
        QCOMPARE(marco->width(), marcoAncho);
        QCOMPARE(forma.controles()->geometry(), barra);
    }
    ventana->hide();
}

// A window too low for the tree: the height step fails and is skipped, the tree keeps its
// last height, and the steps after it still run (the width follows, the frame sits under
// the tree as it is).
void tst_DisenoPantalla::redimensionarDemasiadoPequenaConservaLoValido()
{
    PantallaConBase pantalla;
    frmTQ614& forma = pantalla.Mostrar();
    QWidget* ventana = forma.Ventana();
    TreeView* arbol = forma.tvCuentas();
    QFrame* marco = forma.frFrame();

    ventana->resize(800, 600);
    QTRY_COMPARE(ventana->size(), QSize(800, 600));
    const int altoValido = arbol->height();

    ventana->resize(500, 60);
    QTRY_COMPARE(ventana->size(), QSize(500, 60));
    QCOMPARE(arbol->height(), altoValido);
    QVERIFY(qAbs(Twips::DePixeles(arbol->width()) - (forma.ScaleWidth() - 2 * Twips::DePixeles(arbol->x()))) <= Twips::DePixeles(1));
    QVERIFY(qAbs(Twips::DePixeles(marco->y()) - Twips::DePixeles(arbol->geometry().bottom() + 1) - 50) <= 2 * Twips::DePixeles(1));

    // So narrow that the width would be negative too: both sizes stay as they were.
    const int anchoValido = arbol->width();
    ventana->resize(10, 60);
    QTRY_COMPARE(ventana->size(), QSize(10, 60));
    QCOMPARE(arbol->width(), anchoValido);
    QCOMPARE(arbol->height(), altoValido);
    ventana->hide();
}

QTEST_MAIN(tst_DisenoPantalla)
#include "tst_DisenoPantalla.moc"
