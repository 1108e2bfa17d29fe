// The flat button: Click from the mouse, the space bar and Enter on it; Enter anywhere in
// its window presses the default button and Escape the cancel button, as the value input
// dialog uses them.
#include "flatButton.h"
#include "txtKES.h"

#include <QHBoxLayout>
#include <QtTest>

class PruebaFlatButton : public QObject
{
    Q_OBJECT

    struct Dialogo {
        QWidget ventana;
        txtKES* valor;
        flatButton* aceptar;
        flatButton* cancelar;
        QStringList pulsados;
        Dialogo()
        {
            auto* capa = new QHBoxLayout(&ventana);
            valor = new txtKES(&ventana);
            aceptar = new flatButton(&ventana);
            cancelar = new flatButton(&ventana);
            aceptar->setCaption("Aceptar");
            cancelar->setCaption("Cancelar");
            capa->addWidget(valor);
            capa->addWidget(aceptar);
            capa->addWidget(cancelar);
            QObject::connect(aceptar, &flatButton::Click, &ventana, [this] { pulsados << "Aceptar"; });
            QObject::connect(cancelar, &flatButton::Click, &ventana, [this] { pulsados << "Cancelar"; });
        }
        bool mostrar()
        {
            ventana.show();
            if (!QTest::qWaitForWindowActive(&ventana))
                return false;
            valor->setFocus();
            return true;
        }
    };

private slots:
    void clicConRatonYTeclado()
    {
        Dialogo d;
        QVERIFY(d.mostrar());
        QTest::mouseClick(d.aceptar, Qt::LeftButton);
        QCOMPARE(d.pulsados, QStringList{"Aceptar"});
        d.cancelar->setFocus();
        QTest::keyClick(d.cancelar, Qt::Key_Space);
        QTest::keyClick(d.cancelar, Qt::Key_Return);
        QCOMPARE(d.pulsados, (QStringList{"Aceptar", "Cancelar", "Cancelar"}));

        d.aceptar->setEnabled(false);
        QTest::mouseClick(d.aceptar, Qt::LeftButton);
        QCOMPARE(d.pulsados.size(), 3);
    }

    void enterYEscapeEnLaVentana()
    {
        Dialogo d;
        d.aceptar->setProperty("Default", true);
        d.cancelar->setProperty("Cancel", true);
        QVERIFY(d.mostrar());
        QTest::keyClicks(d.valor, "cuenta");
        QTest::keyClick(d.valor, Qt::Key_Return);
        QTest::keyClick(d.valor, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(d.valor, Qt::Key_Escape);
        QCOMPARE(d.pulsados, (QStringList{"Aceptar", "Aceptar", "Cancelar"}));
        // The keys stay with the box when they mean something else to it.
        QCOMPARE(d.valor->text(), QString("cuenta"));
    }

    void sinBanderasLasTeclasNoPulsanNada()
    {
        Dialogo d;
        QVERIFY(d.mostrar());
        QTest::keyClick(d.valor, Qt::Key_Return);
        QTest::keyClick(d.valor, Qt::Key_Escape);
        QVERIFY(d.pulsados.isEmpty());

        // A box that moves on with Enter keeps the key for itself.
        d.aceptar->setDefault(true);
        d.valor->setTabonenter(true);
        QTest::keyClick(d.valor, Qt::Key_Return);
        QVERIFY(d.pulsados.isEmpty());
    }

    void botonDeshabilitadoUOcultoNoResponde()
    {
        Dialogo d;
        d.aceptar->setDefault(true);
        d.cancelar->setCancel(true);
        QVERIFY(d.mostrar());
        d.aceptar->setEnabled(false);
        d.cancelar->hide();
        QTest::keyClick(d.valor, Qt::Key_Return);
        QTest::keyClick(d.valor, Qt::Key_Escape);
        QVERIFY(d.pulsados.isEmpty());
        d.cancelar->setCancel(false);
        d.cancelar->show();
        QTest::keyClick(d.valor, Qt::Key_Escape);
        QVERIFY(d.pulsados.isEmpty());
    }

    void botonMovidoAOtraVentana()
    {
        // The keys follow the button to the window it now belongs to.
        Dialogo d;
        d.aceptar->setDefault(true);
        QWidget otra;
        auto* caja = new txtKES(&otra);
        d.aceptar->setParent(&otra);
        d.aceptar->show();
        otra.show();
        QVERIFY(QTest::qWaitForWindowActive(&otra));
        caja->setFocus();
        QTest::keyClick(caja, Qt::Key_Return);
        QCOMPARE(d.pulsados, QStringList{"Aceptar"});
        d.ventana.show();
        QVERIFY(QTest::qWaitForWindowActive(&d.ventana));
        d.valor->setFocus();
        QTest::keyClick(d.valor, Qt::Key_Return);
        QCOMPARE(d.pulsados, QStringList{"Aceptar"});
    }

    void pintaConSusColores()
    {
        flatButton boton;
        boton.setProperty("caption", "Aceptar");
        boton.setProperty("backcolor", QColor(0, 83, 138));
        boton.setProperty("iconsize", 2);
        QCOMPARE(boton.iconSize(), QSize(24, 24));
        boton.resize(100, 30);
        const QImage imagen = boton.grab().toImage();
        QCOMPARE(imagen.pixelColor(imagen.width() / 2, 3), QColor(0, 83, 138));
    }
};

QTEST_MAIN(PruebaFlatButton)
#include "tst_flatButton.moc"
