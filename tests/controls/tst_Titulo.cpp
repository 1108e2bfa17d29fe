// The title bar of a borderless dialog: its buttons per flag, what they do to the window,
// the icon, and moving the window by dragging the bar.
#include "Titulo.h"

#include <QLabel>
#include <QToolButton>
#include <QtTest>

class PruebaTitulo : public QObject
{
    Q_OBJECT

private slots:
    void botonesSegunBanderas()
    {
        QWidget ventana;
        auto* titulo = new Titulo(&ventana);
        titulo->setProperty("caption", "Buscar");
        titulo->setProperty("showminbutton", "NO");
        titulo->setProperty("showmaxbutton", "NO");
        titulo->setProperty("showexitbutton", "NO");
        for (const char* nombre : {"Minimizar", "Maximizar", "Cerrar"})
            QVERIFY(!titulo->findChild<QToolButton*>(nombre)->isVisibleTo(titulo));
        titulo->setShowexitbutton("SI");
        QVERIFY(titulo->findChild<QToolButton*>("Cerrar")->isVisibleTo(titulo));
        QCOMPARE(titulo->findChild<QLabel*>("Caption")->text(), QString("Buscar"));
        QCOMPARE(titulo->caption(), QString("Buscar"));
    }

    void cerrarYMaximizar()
    {
        QWidget ventana;
        auto* titulo = new Titulo(&ventana);
        titulo->setGeometry(0, 0, 300, 27);
        ventana.resize(300, 100);
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));
        QTest::mouseClick(titulo->findChild<QToolButton*>("Maximizar"), Qt::LeftButton);
        QTRY_VERIFY(ventana.isMaximized());
        QTest::mouseClick(titulo->findChild<QToolButton*>("Maximizar"), Qt::LeftButton);
        QTRY_VERIFY(!ventana.isMaximized());
        QTest::mouseClick(titulo->findChild<QToolButton*>("Cerrar"), Qt::LeftButton);
        QTRY_VERIFY(!ventana.isVisible());
    }

    void icono()
    {
        Titulo titulo;
        titulo.resize(300, 40);
        auto* icono = titulo.findChild<QLabel*>("Icono");
        QVERIFY(icono->isHidden());
        QPixmap dibujo(32, 32);
        dibujo.fill(Qt::red);
        titulo.setPictureicono(dibujo);
        QVERIFY(!icono->isHidden());
        QCOMPARE(icono->pixmap().size(), QSize(16, 16));
        titulo.setAdjusticon("SI");
        QCOMPARE(icono->pixmap().size(), QSize(36, 36));
    }

    void arrastrarMueveLaVentana()
    {
        QWidget ventana(nullptr, Qt::FramelessWindowHint);
        auto* titulo = new Titulo(&ventana);
        titulo->setGeometry(0, 0, 300, 27);
        ventana.resize(300, 100);
        ventana.move(50, 60);
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));
        const QPoint antes = ventana.pos();
        const QPoint agarre(150, 12);
        QTest::mousePress(titulo, Qt::LeftButton, {}, agarre);
        QMouseEvent movimiento(QEvent::MouseMove, QPointF(agarre + QPoint(-20, 15)),
                               QPointF(titulo->mapToGlobal(agarre + QPoint(-20, 15))), Qt::NoButton, Qt::LeftButton,
                               Qt::NoModifier);
        QApplication::sendEvent(titulo, &movimiento);
        QTest::mouseRelease(titulo, Qt::LeftButton, {}, agarre + QPoint(-20, 15));
        QTRY_COMPARE(ventana.pos(), antes + QPoint(-20, 15));
    }
};

QTEST_MAIN(PruebaTitulo)
#include "tst_Titulo.moc"
