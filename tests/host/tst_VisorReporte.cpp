// The report viewer: recorded in the non-interactive mode; otherwise a modal window that
// shows the listing with its tabs, previews it and saves it as text or PDF.
#include "BaseDePrueba.h"
#include "DialogoReporte.h"
#include "ErrorEjecucion.h"
#include "FabricaServicios.h"
#include "VigiaModal.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

const QString kListado = u"000001\tActivo\n\t000011\tCirculante\n\t\t000111\tCaja\n000002\tPasivo\n"_s;

class PruebaVisorReporte : public QObject
{
    Q_OBJECT

private slots:
    void registradoOMostrado();
    void guardarYVistaPrevia();
};

void PruebaVisorReporte::registradoOMostrado()
{
    BaseDePrueba base;
    auto visor = FabricaServicios::CrearVisorReporte();
    visor->MostrarReporte(kListado, QString(), 0, 0, -1, -1, 7, -1);
    visor->MostrarReporte(QString(), QString(), 0, 0, -1, -1, 7, -1);  // an empty catalogue still prints
    QCOMPARE(base.Reportes(), (QStringList{kListado, QString()}));
    const QJsonObject linea = base.TrazaDe(u"MostrarReporte"_s).value(0);
    QCOMPARE(linea.value(u"listado"_s).toString(), kListado);
    QCOMPARE(linea.value(u"numeros"_s).toArray(), (QJsonArray{0, 0, -1, -1, 7, -1}));

    Sesion::RegistrarMensajes(false);
    QStringList visto;
    qreal tabulador = 0;
    VigiaModal vigia([&](QWidget* ventana) {
        auto* texto = ventana->findChild<QPlainTextEdit*>(u"txtListado"_s);
        visto = {ventana->windowTitle(), texto->toPlainText(), QString::number(ventana->isModal() && texto->isReadOnly())};
        tabulador = texto->tabStopDistance();
        ventana->findChild<QPushButton*>(u"cmdCerrar"_s)->click();
    });
    visor->MostrarReporte(kListado, QString(), 0, 0, -1, -1, 7, -1);
    QCOMPARE(vigia.Vencidas(), 0);
    QCOMPARE(visto, (QStringList{u"Reporte"_s, kListado, u"1"_s}));
    // A tab is a few characters wide: indentation shows without running off the window.
    const qreal espacio = QFontMetricsF(QFontDatabase::systemFont(QFontDatabase::FixedFont)).horizontalAdvance(u' ');
    QVERIFY(tabulador >= 2 * espacio && tabulador <= 8 * espacio);
    QCOMPARE(base.Reportes().size(), 2);
}

void PruebaVisorReporte::guardarYVistaPrevia()
{
    const QString largo = kListado.repeated(50);  // 200 lines do not fit one page
    DialogoReporte dialogo(largo, u"Catálogo"_s);
    QTemporaryDir carpeta;
    QFile texto(carpeta.filePath(u"listado.txt"_s)), pdf(carpeta.filePath(u"listado.PDF"_s));
    dialogo.Guardar(texto.fileName());
    dialogo.Guardar(pdf.fileName());
    QVERIFY(texto.open(QIODevice::ReadOnly) && pdf.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(texto.readAll()), largo);
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF-") && bytes.size() > 500);
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, dialogo.Guardar(carpeta.filePath(u"no/existe/x.txt"_s)));

    int paginas = 0;
    VigiaModal vigia([&](QWidget* ventana) {
        if (ventana == &dialogo) {
            // Clicked once this watch has returned: the preview's own loop must see it run.
            QTimer::singleShot(0, &dialogo, [&] { dialogo.findChild<QPushButton*>(u"cmdVistaPrevia"_s)->click(); });
        } else if (auto* vista = qobject_cast<QPrintPreviewDialog*>(ventana)) {
            paginas = vista->findChild<QPrintPreviewWidget*>()->pageCount();
            vista->reject();
            dialogo.reject();
        }
    });
    dialogo.exec();
    QCOMPARE(vigia.Vencidas(), 0);
    QVERIFY2(paginas >= 2, qPrintable(QString::number(paginas)));
}

QTEST_MAIN(PruebaVisorReporte)
#include "tst_VisorReporte.moc"
