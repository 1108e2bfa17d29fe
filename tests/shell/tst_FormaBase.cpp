// The form base: a form object outlives its window, closing through the window system asks
// the form first, a modal show waits for the window to hide, key preview, and Padre and
// Transaccion read by name.

#include "ErrorEjecucion.h"
#include "FormaBase.h"

#include <QLineEdit>
#include <QTimer>
#include <QtTest>

namespace {

class FormaDePrueba : public FormaPredeterminada<FormaDePrueba>
{
public:
    FormaDePrueba() : FormaPredeterminada(QStringLiteral("frmPrueba")) {}

    QStringList eventos;
    bool cancelarCierre = false;
    QList<int> modos;
    QList<int> teclas;
    int valorQueSobrevive = 0;

    void usarKeyPreview(bool activo) { setKeyPreview(activo); }

protected:
    void ConstruirVentana(QWidget* ventana) override
    {
        auto* caja = new QLineEdit(ventana);
        caja->setObjectName(QStringLiteral("txtCaja"));
        ventana->resize(200, 100);
    }
    void Form_Load() override { eventos << QStringLiteral("Load"); }
    void Form_Unload() override { eventos << QStringLiteral("Unload"); }
    void Form_QueryUnload(bool& cancel, int modo) override
    {
        modos << modo;
        cancel = cancelarCierre;
    }
    void Form_KeyDown(int& codigo, int mayusculas) override
    {
        if (codigo == 16 || codigo == 17 || codigo == 18)
            return; // Shift, Ctrl and Alt arrive as keys of their own
        teclas << codigo * 10 + mayusculas;
        if (codigo == 27)
            Hide();
    }
};

} // namespace

class tst_FormaBase : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void instanciaPredeterminadaUnica();
    void descargarConservaLaForma();
    void cierrePreguntaALaFormaConSuModo();
    void muestraModalEsperaAQueSeOculte();
    void keyPreviewVeLasTeclasDeLosControles();
    void transaccionSinPadreQueLaTengaEsError();
};

void tst_FormaBase::init()
{
    FormaDePrueba::Destruir();
}

void tst_FormaBase::cleanup()
{
    FormaDePrueba::Destruir();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(QApplication::topLevelWidgets().isEmpty() || std::none_of(
        QApplication::topLevelWidgets().cbegin(), QApplication::topLevelWidgets().cend(),
        [](QWidget* w) { return w->isVisible(); }));
}

void tst_FormaBase::instanciaPredeterminadaUnica()
{
    QVERIFY(!FormaDePrueba::Existe());
    FormaDePrueba& una = FormaDePrueba::Instancia();
    QVERIFY(FormaDePrueba::Existe());
    QCOMPARE(&FormaDePrueba::Instancia(), &una);
    QVERIFY(!una.Cargado());
    QCOMPARE(una.hWnd(), qintptr(0));
}

void tst_FormaBase::descargarConservaLaForma()
{
    FormaDePrueba& forma = FormaDePrueba::Instancia();
    forma.valorQueSobrevive = 7;
    forma.Load();
    QVERIFY(forma.Cargado());
    QVERIFY(forma.Ventana()->findChild<QLineEdit*>(QStringLiteral("txtCaja")));
    QCOMPARE(forma.Ventana()->objectName(), QStringLiteral("frmPrueba"));
    QPointer<QWidget> ventana = forma.Ventana();
    forma.Unload();
    QVERIFY(!forma.Cargado());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(ventana.isNull());
    QCOMPARE(forma.valorQueSobrevive, 7);

    // A later reference loads it again, with new controls.
    QVERIFY(forma.Ventana() != nullptr);
    QCOMPARE(forma.eventos, (QStringList{"Load", "Unload", "Load"}));
}

// Closing through the window system and unloading from code both ask the form, each
// with its own mode, and a cancel keeps the form loaded.
void tst_FormaBase::cierrePreguntaALaFormaConSuModo()
{
    FormaDePrueba& forma = FormaDePrueba::Instancia();
    forma.cancelarCierre = true;
    forma.Show();
    QVERIFY(!forma.Ventana()->close());
    forma.Unload();
    QVERIFY(forma.Cargado());
    QCOMPARE(forma.modos, (QList<int>{FormaBase::vbFormControlMenu, FormaBase::vbFormCode}));

    forma.cancelarCierre = false;
    QVERIFY(forma.Ventana()->close());
    QVERIFY(!forma.Cargado());
    forma.Load();
    forma.Unload();
    QVERIFY(!forma.Cargado());
}

void tst_FormaBase::muestraModalEsperaAQueSeOculte()
{
    FormaDePrueba& forma = FormaDePrueba::Instancia();
    bool visibleMientrasEspera = false;
    QTimer::singleShot(0, [&] {
        visibleMientrasEspera = forma.Ventana()->isVisible()
            && forma.Ventana()->windowModality() == Qt::ApplicationModal;
        forma.Hide();
    });
    QTimer vigilante;
    vigilante.setSingleShot(true);
    connect(&vigilante, &QTimer::timeout, [&] { forma.Hide(); });
    vigilante.start(5000);
    forma.Show(FormaBase::vbModal);
    QVERIFY(vigilante.isActive()); // returned because of Hide, not because of the watchdog
    QVERIFY(visibleMientrasEspera);
    QVERIFY(forma.Cargado());
    QVERIFY(!forma.Ventana()->isVisible());
}

void tst_FormaBase::keyPreviewVeLasTeclasDeLosControles()
{
    FormaDePrueba& forma = FormaDePrueba::Instancia();
    forma.Show();
    auto* caja = forma.Ventana()->findChild<QLineEdit*>(QStringLiteral("txtCaja"));
    QTest::keyClick(caja, Qt::Key_F5);
    QVERIFY(forma.teclas.isEmpty());

    forma.usarKeyPreview(true);
    QTest::keyClick(caja, Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(caja, Qt::Key_Escape);
    QCOMPARE(forma.teclas, (QList<int>{66 * 10 + 2, 27 * 10}));
    QVERIFY(!forma.Ventana()->isVisible());
}

void tst_FormaBase::transaccionSinPadreQueLaTengaEsError()
{
    FormaDePrueba& forma = FormaDePrueba::Instancia();
    QVERIFY(forma.Padre() == nullptr);
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, forma.Transaccion());

    QObject sinTransaccion;
    forma.setProperty("Padre", QVariant::fromValue<QObject*>(&sinTransaccion));
    QCOMPARE(forma.Padre(), &sinTransaccion);
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, forma.Transaccion());
}

QTEST_MAIN(tst_FormaBase)
#include "tst_FormaBase.moc"
