// The report viewer: recorded in the non-interactive mode; otherwise a modal window that
// shows the listing with its tabs and saves it as text or PDF.
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

const QString kListado = QStringLiteral("000001\tActivo\n\t000011\tCirculante\n\t\t000111\tCaja\n000002\tPasivo\n");

class PruebaVisorReporte : public QObject
{
    Q_OBJECT

private slots:
    void registradoOMostrado();
    void guardarComoTextoYPdf();
    void vistaPreviaTienePaginas();
};

void PruebaVisorReporte::registradoOMostrado()
{
    BaseDePrueba base;
    auto visor = FabricaServicios::CrearVisorReporte();
    visor->MostrarReporte(kListado, QString(), 0, 0, -1, -1, 7, -1);
    visor->MostrarReporte(QString(), QString(), 0, 0, -1, -1, 7, -1);  // an empty catalogue still prints
    QCOMPARE(base.Reportes(), (QStringList{kListado, QString()}));
    const QJsonObject linea = base.TrazaDe(QStringLiteral("MostrarReporte")).value(0);
    QCOMPARE(linea.value(QStringLiteral("listado")).toString(), kListado);
    QCOMPARE(linea.value(QStringLiteral("numeros")).toArray(), (QJsonArray{0, 0, -1, -1, 7, -1}));

    Sesion::RegistrarMensajes(false);
    QStringList visto;
    qreal tabulador = 0;
    VigiaModal vigia([&](QWidget* ventana) {
        auto* texto = ventana->findChild<QPlainTextEdit*>(QStringLiteral("txtListado"));
        visto = {ventana->windowTitle(), texto->toPlainText(), QString::number(ventana->isModal() && texto->isReadOnly())};
        tabulador = texto->tabStopDistance();
        ventana->findChild<QPushButton*>(QStringLiteral("cmdCerrar"))->click();
    });
    visor->MostrarReporte(kListado, QString(), 0, 0, -1, -1, 7, -1);
    QCOMPARE(vigia.Vencidas(), 0);
    QCOMPARE(visto, (QStringList{QStringLiteral("Reporte"), kListado, QStringLiteral("1")}));
    // A tab is a few characters wide: indentation shows without running off the window.
    const qreal espacio = QFontMetricsF(QFontDatabase::systemFont(QFontDatabase::FixedFont)).horizontalAdvance(u' ');
    QVERIFY(tabulador >= 2 * espacio && tabulador <= 8 * espacio);
    QCOMPARE(base.Reportes().size(), 2);
}

void PruebaVisorReporte::guardarComoTextoYPdf()
{
    QTemporaryDir carpeta;
    DialogoReporte dialogo(kListado, QStringLiteral("Catálogo"));
    const QString texto = carpeta.filePath(QStringLiteral("listado.txt"));
    const QString pdf = carpeta.filePath(QStringLiteral("listado.PDF"));
    dialogo.Guardar(texto);
    dialogo.Guardar(pdf);
    QFile t(texto), p(pdf);
    QVERIFY(t.open(QIODevice::ReadOnly) && p.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(t.readAll()), kListado);
    const QByteArray bytes = p.readAll();
    QVERIFY(bytes.startsWith("%PDF-") && bytes.size() > 500);
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, dialogo.Guardar(carpeta.filePath(QStringLiteral("no/existe/x.txt"))));
}

void PruebaVisorReporte::vistaPreviaTienePaginas()
{
    QString largo;
    for (int i = 0; i < 200; ++i)
        largo += QStringLiteral("%1\t\tGrupo %1\n").arg(i, 6, 10, QLatin1Char('0'));
    DialogoReporte dialogo(largo, QString());
    int paginas = 0;
    VigiaModal vigia([&](QWidget* ventana) {
        if (ventana == &dialogo) {
            // Clicked once this watch has returned: the preview's own loop must see it run.
            QTimer::singleShot(0, &dialogo, [&] {
                dialogo.findChild<QPushButton*>(QStringLiteral("cmdVistaPrevia"))->click();
            });
        } else if (auto* vista = qobject_cast<QPrintPreviewDialog*>(ventana)) {
            if (auto* widget = vista->findChild<QPrintPreviewWidget*>())
                paginas = widget->pageCount();
            vista->reject();
            dialogo.reject();
        }
    });
    dialogo.exec();
    QCOMPARE(vigia.Vencidas(), 0);
    QVERIFY2(paginas >= 2, qPrintable(QString::number(paginas)));  // 200 lines do not fit one page
}

QTEST_MAIN(PruebaVisorReporte)
#include "tst_VisorReporte.moc"
