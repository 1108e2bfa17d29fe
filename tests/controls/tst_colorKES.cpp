// The colour scheme applied to a form: the window's and the labels' background, the text
// boxes' colours for each state, font sizes; colours the scheme does not set stay as they
// were. Also the label's own saved properties.
#include "Etiqueta.h"
#include "colorKES.h"
#include "txtKES.h"

#include <QFrame>
#include <QVBoxLayout>
#include <QtTest>

class PruebaColorKES : public QObject
{
    Q_OBJECT

    static QColor Fondo(const txtKES* caja) { return caja->palette().color(QPalette::Base); }

private slots:
    void esquemaCompletoDelCatalogo()
    {
        QWidget ventana;
        auto* capa = new QVBoxLayout(&ventana);
        auto* marco = new QFrame(&ventana);
        auto* capaMarco = new QVBoxLayout(marco);
        auto* etiqueta = new Etiqueta(marco);
        auto* libre = new txtKES(marco);
        auto* otra = new txtKES(marco);
        auto* bloqueada = new txtKES(marco);
        auto* apagada = new txtKES(marco);
        bloqueada->setLocked(true);
        apagada->setEnabled(false);
        for (QWidget* control : {static_cast<QWidget*>(etiqueta), static_cast<QWidget*>(libre),
                                 static_cast<QWidget*>(otra), static_cast<QWidget*>(bloqueada),
                                 static_cast<QWidget*>(apagada)})
            capaMarco->addWidget(control);
        capa->addWidget(marco);

        auto* esquema = new colorKES(&ventana);
        esquema->setObjectName("colorKES");
        esquema->setProperty("backcolor", QColor(245, 245, 245));
        esquema->setProperty("enablecolor", QColor(255, 255, 255));
        esquema->setProperty("disablecolor", QColor(224, 224, 224));
        esquema->setProperty("focuscolor", QColor(255, 255, 192));
        esquema->setProperty("labelfontsize", 10.5);
        esquema->setProperty("textfontsize", 9.0);
        QVERIFY(QMetaObject::invokeMethod(esquema, "AplicarColores"));

        QCOMPARE(ventana.palette().color(QPalette::Window), QColor(245, 245, 245));
        QCOMPARE(etiqueta->backcolor(), QColor(245, 245, 245));
        QCOMPARE(etiqueta->palette().color(QPalette::Window), QColor(245, 245, 245));
        QCOMPARE(etiqueta->fontsize(), 10.5);
        QCOMPARE(libre->enabledcolor(), QColor(255, 255, 255));
        QCOMPARE(Fondo(libre), QColor(255, 255, 255));
        QCOMPARE(Fondo(bloqueada), QColor(224, 224, 224));
        QCOMPARE(Fondo(apagada), QColor(224, 224, 224));
        QCOMPARE(libre->font().pointSizeF(), 9.0);

        // The focus colour while the box is being typed in, and back when it leaves.
        ventana.show();
        QVERIFY(QTest::qWaitForWindowActive(&ventana));
        libre->setFocus();
        QCOMPARE(Fondo(libre), QColor(255, 255, 192));
        otra->setFocus();
        QCOMPARE(Fondo(libre), QColor(255, 255, 255));
        // A locked box keeps its colour with the focus; unlocked it turns editable.
        bloqueada->setFocus();
        QCOMPARE(Fondo(bloqueada), QColor(224, 224, 224));
        bloqueada->setLocked(false);
        QCOMPARE(Fondo(bloqueada), QColor(255, 255, 192));
        apagada->setEnabled(true);
        QCOMPARE(Fondo(apagada), QColor(255, 255, 255));
    }

    void coloresSinPonerSeRespetan()
    {
        // The value input dialog's scheme sets the back colour only.
        QWidget ventana;
        auto* caja = new txtKES(&ventana);
        caja->setEnabledcolor(QColor(200, 230, 255));
        caja->setFont(QFont(caja->font().family(), 14));
        auto* etiqueta = new Etiqueta(&ventana);
        etiqueta->setForecolor(QColor(10, 20, 30));
        colorKES esquema(&ventana);
        esquema.backcolor = QColor(245, 245, 245);
        esquema.textfontsize = 0;
        esquema.labelfontsize = 0;
        const double letraEtiqueta = etiqueta->fontsize();
        esquema.AplicarColores();
        QCOMPARE(Fondo(caja), QColor(200, 230, 255));
        QCOMPARE(caja->font().pointSizeF(), 14.0);
        QCOMPARE(etiqueta->fontsize(), letraEtiqueta);
        QCOMPARE(etiqueta->palette().color(QPalette::WindowText), QColor(10, 20, 30));
        QCOMPARE(etiqueta->backcolor(), QColor(245, 245, 245));
    }

    void propiedadesDeLaEtiqueta()
    {
        Etiqueta etiqueta;
        etiqueta.setProperty("caption", "Nível:");
        etiqueta.setProperty("idetiqueta", "NIVEL");
        etiqueta.setProperty("alineacion", 1);
        etiqueta.setProperty("fontbold", true);
        QCOMPARE(etiqueta.text(), QString("Nível:"));
        QCOMPARE(etiqueta.idetiqueta(), QString("NIVEL"));
        QVERIFY(etiqueta.alignment() & Qt::AlignRight);
        QVERIFY(etiqueta.font().bold());
        etiqueta.setAlineacion(2);
        QVERIFY(etiqueta.alignment() & Qt::AlignHCenter);
        etiqueta.setAlineacion(0);
        QVERIFY(etiqueta.alignment() & Qt::AlignLeft);
        // A back colour is painted: the label fills its own background.
        etiqueta.setBackcolor(QColor(12, 34, 56));
        etiqueta.setCaption(QString());
        etiqueta.resize(40, 20);
        const QImage imagen = etiqueta.grab().toImage();
        QCOMPARE(imagen.pixelColor(20, 10), QColor(12, 34, 56));
    }
};

QTEST_MAIN(PruebaColorKES)
#include "tst_colorKES.moc"
