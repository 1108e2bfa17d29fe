// The form base: the form object outlives its window, closing asks the form with its unload
// mode, a modal show waits until the window hides, key preview, Padre and Transaccion by name.
#include "ErrorEjecucion.h"
#include "FormaBase.h"
#include "Publico.h"

#include <QLineEdit>
#include <QTimer>
#include <QtTest>

extern "C" void* KesCrearObjeto(const char* clase);

namespace {

class FormaDePrueba : public FormaPredeterminada<FormaDePrueba>
{
public:
    FormaDePrueba() : FormaPredeterminada(QStringLiteral("frmPrueba")) {}
    QStringList eventos;
    bool cancelarCierre = false;
    QList<int> modos, teclas;
    int valorQueSobrevive = 0;
    void usarKeyPreview(bool activo) { setKeyPreview(activo); }

protected:
    void ConstruirVentana(QWidget* ventana) override { new QLineEdit(ventana); }
    void Form_Load() override { eventos << QStringLiteral("Load"); }
    void Form_Unload() override { eventos << QStringLiteral("Unload"); }
    void Form_QueryUnload(bool& cancel, int modo) override
    {
        modos << modo;
        cancel = cancelarCierre;
    }
    void Form_KeyDown(int& codigo, int mayusculas) override
    {
        if (codigo < 16 || codigo > 18)  // Shift, Ctrl and Alt arrive as keys of their own
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
    void init() { FormaDePrueba::Destruir(); }
    void cleanup();
    void descargarConservaLaForma();
    void cierrePreguntaALaFormaConSuModo();
    void muestraModalEsperaAQueSeOculte();
    void keyPreviewVeLasTeclasDeLosControles();
    void transaccionPorNombreDelPadre();
};

void tst_FormaBase::cleanup()
{
    FormaDePrueba::Destruir();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const auto ventanas = QApplication::topLevelWidgets();
    QVERIFY(std::none_of(ventanas.cbegin(), ventanas.cend(), [](QWidget* w) { return w->isVisible(); }));
}

void tst_FormaBase::descargarConservaLaForma()
{
    QVERIFY(!FormaDePrueba::Existe());
    FormaDePrueba& forma = FormaDePrueba::Instancia();
    QCOMPARE(&FormaDePrueba::Instancia(), &forma);
    QVERIFY(!forma.Cargado());
    QCOMPARE(forma.hWnd(), qintptr(0));
    forma.valorQueSobrevive = 7;
    forma.Load();
    QCOMPARE(forma.Ventana()->objectName(), QStringLiteral("frmPrueba"));
    QPointer<QLineEdit> caja = forma.Ventana()->findChild<QLineEdit*>();
    forma.Unload();
    QVERIFY(!forma.Cargado());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(caja.isNull());
    QCOMPARE(forma.valorQueSobrevive, 7);
    QVERIFY(forma.Ventana()->findChild<QLineEdit*>());  // a later reference loads it anew
    QCOMPARE(forma.eventos, (QStringList{"Load", "Unload", "Load"}));
}

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
}

void tst_FormaBase::muestraModalEsperaAQueSeOculte()
{
    FormaDePrueba& forma = FormaDePrueba::Instancia();
    bool modalMientrasEspera = false;
    QTimer::singleShot(0, [&] {
        modalMientrasEspera = forma.Ventana()->isVisible() && forma.Ventana()->windowModality() == Qt::ApplicationModal;
        forma.Hide();
    });
    QTimer vigia;
    vigia.setSingleShot(true);
    connect(&vigia, &QTimer::timeout, [&] { forma.Hide(); });
    vigia.start(5000);
    forma.Show(FormaBase::vbModal);
    QVERIFY(vigia.isActive());  // returned because of Hide, not because of the watchdog
    QVERIFY(modalMientrasEspera);
    QVERIFY(forma.Cargado() && !forma.Ventana()->isVisible());
}

void tst_FormaBase::keyPreviewVeLasTeclasDeLosControles()
{
    FormaDePrueba& forma = FormaDePrueba::Instancia();
    forma.Show();
    auto* caja = forma.Ventana()->findChild<QLineEdit*>();
    QTest::keyClick(caja, Qt::Key_F5);
    QVERIFY(forma.teclas.isEmpty());
    forma.usarKeyPreview(true);
    QTest::keyClick(caja, Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(caja, Qt::Key_Escape);
    QCOMPARE(forma.teclas, (QList<int>{66 * 10 + 2, 27 * 10}));
    QVERIFY(!forma.Ventana()->isVisible());
}

// A child form reads its parent form's Transaccion, which reads the host's, by name.
void tst_FormaBase::transaccionPorNombreDelPadre()
{
    Publico::EstablecerFabrica(KesCrearObjeto);  // the services library, as a host carries it
    Publico::Main();
    FormaDePrueba& forma = FormaDePrueba::Instancia();
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, forma.Transaccion());
    QObject host;
    forma.setProperty("Padre", QVariant::fromValue<QObject*>(&host));
    QCOMPARE(forma.Padre(), &host);
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, forma.Transaccion());
    host.setProperty("Transaccion", QStringLiteral("CAT-01"));
    FormaDePrueba hija;
    hija.setPadre(&forma);
    QCOMPARE(hija.Transaccion(), QStringLiteral("CAT-01"));
}

QTEST_MAIN(tst_FormaBase)
#include "tst_FormaBase.moc"
