// The value input dialog: its layout, Mostrar starting from an empty box every time, Aceptar
// refused silently while the box is empty, Cancelar, and Enter and Escape pressing them.

#include "Etiqueta.h"
#include "Titulo.h"
#include "Twips.h"
#include "flatButton.h"
#include "frmInput.h"
#include "frmTQ614.h"
#include "txtKES.h"

#include <QApplication>
#include <QTimer>
#include <QtTest>
#include <functional>

class tst_frmInput : public QObject
{
    Q_OBJECT

private:
    // Runs Mostrar and, inside its modal loop, the steps. Returns whether the dialog was
    // still shown after them (the test then hides it so Mostrar returns).
    static bool Conducir(const std::function<void(frmInput&)>& pasos)
    {
        frmInput& f = frmInput::Instancia();
        bool seguiaAbierto = false;
        QTimer::singleShot(0, [&] {
            if (!QTest::qWaitForWindowActive(f.Ventana()))
                qWarning("the prompt never became the active window");
            pasos(f);
            if (f.Cargado() && f.Ventana()->isVisible()) {
                seguiaAbierto = true;
                f.Hide();
            }
        });
        QTimer perro;
        perro.setSingleShot(true);
        QObject::connect(&perro, &QTimer::timeout, [&] {
            qWarning("watchdog: the prompt was still shown; hiding it");
            f.Hide();
        });
        perro.start(15000);
        f.Mostrar();
        perro.stop();
        return seguiaAbierto;
    }

private slots:
    void init()
    {
        frmInput::Instancia().Load();
    }

    void cleanup()
    {
        frmInput::Instancia().Unload();
        for (QWidget* ventana : QApplication::topLevelWidgets())
            QVERIFY2(!ventana->isVisible(), qPrintable(ventana->objectName() + QStringLiteral(" left shown")));
    }

    void disposicion()
    {
        frmInput& f = frmInput::Instancia();
        QWidget* ventana = f.Ventana();
        QCOMPARE(ventana->objectName(), QStringLiteral("frmInput"));
        QCOMPARE(ventana->size(), QSize(Twips::APixeles(5370), Twips::APixeles(1620)));
        QVERIFY(ventana->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(f.titulo(), ventana->findChild<Titulo*>(QStringLiteral("Titulo")));
        QCOMPARE(f.titulo()->caption(), QStringLiteral("Buscar"));
        QCOMPARE(f.titulo()->showexitbutton(), QStringLiteral("NO"));
        QCOMPARE(f.Etiqueta1(), ventana->findChild<Etiqueta*>(QStringLiteral("Etiqueta1")));
        QCOMPARE(f.Etiqueta1()->caption(), QStringLiteral("Valor a buscar:"));
        QCOMPARE(f.txtValor(), ventana->findChild<txtKES*>(QStringLiteral("txtValor")));
        QCOMPARE(f.txtValor()->geometry(), Twips::Rectangulo(1920, 600, 3255, 300));
        QCOMPARE(f.cmdAceptar(), ventana->findChild<flatButton*>(QStringLiteral("cmdAceptar")));
        QCOMPARE(f.cmdCancelar(), ventana->findChild<flatButton*>(QStringLiteral("cmdCancelar")));
        QCOMPARE(f.cmdAceptar()->caption(), QStringLiteral("Aceptar"));
        QCOMPARE(f.cmdCancelar()->caption(), QStringLiteral("Cancelar"));
        // The tab key stays in the box: the buttons are no tab stops.
        for (flatButton* boton : {f.cmdAceptar(), f.cmdCancelar()})
            QVERIFY2(!(boton->focusPolicy() & Qt::TabFocus), qPrintable(boton->objectName()));
    }

    void cargaTomaElPadreDeLaPantalla()
    {
        frmInput& f = frmInput::Instancia();
        f.Unload();
        QObject dueno;
        frmTQ614::Instancia().setPadre(&dueno);
        f.Aceptado = true;
        f.Load();
        QCOMPARE(f.Padre(), &dueno);
        QVERIFY(!f.Aceptado);
        frmTQ614::Instancia().setPadre(nullptr);
    }

    // Aceptar with an empty box does nothing: no message, the dialog stays, the flag as it was.
    void aceptarConLaCajaVacia()
    {
        frmInput& f = frmInput::Instancia();
        f.Aceptado = true;
        bool visibleTrasClic = false, visibleTrasEnter = false;
        bool aceptadoTrasClic = false, aceptadoTrasEnter = false;
        const bool abierto = Conducir([&](frmInput& f) {
            QTest::mouseClick(f.cmdAceptar(), Qt::LeftButton);
            visibleTrasClic = f.Ventana()->isVisible();
            aceptadoTrasClic = f.Aceptado;
            QTest::keyClick(f.txtValor(), Qt::Key_Return);
            visibleTrasEnter = f.Ventana()->isVisible();
            aceptadoTrasEnter = f.Aceptado;
        });
        QVERIFY(abierto);
        QVERIFY(visibleTrasClic);
        QVERIFY(visibleTrasEnter);
        QVERIFY(aceptadoTrasClic);
        QVERIFY(aceptadoTrasEnter);
    }

    void aceptarConEspacios()
    {
        frmInput& f = frmInput::Instancia();
        const bool abierto = Conducir([&](frmInput& f) {
            QTest::keyClicks(f.txtValor(), QStringLiteral("   "));
            QTest::mouseClick(f.cmdAceptar(), Qt::LeftButton);
        });
        QVERIFY(!abierto);
        QVERIFY(f.Aceptado);
        QCOMPARE(f.txtValor()->text(), QStringLiteral("   "));
    }

    void cancelarTrasEscribir()
    {
        frmInput& f = frmInput::Instancia();
        f.Aceptado = true;
        const bool abierto = Conducir([&](frmInput& f) {
            QTest::keyClicks(f.txtValor(), QStringLiteral("banco"));
            QTest::mouseClick(f.cmdCancelar(), Qt::LeftButton);
        });
        QVERIFY(!abierto);
        QVERIFY(!f.Aceptado);
        QCOMPARE(f.txtValor()->text(), QStringLiteral("banco"));
    }

    void enterYEscape_data()
    {
        QTest::addColumn<int>("tecla");
        QTest::addColumn<bool>("aceptado");
        QTest::newRow("Enter") << int(Qt::Key_Return) << true;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << true;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
    }
    void enterYEscape()
    {
        QFETCH(int, tecla);
        QFETCH(bool, aceptado);
        frmInput& f = frmInput::Instancia();
        f.Aceptado = !aceptado;
        const bool abierto = Conducir([&](frmInput& f) {
            QTest::keyClicks(f.txtValor(), QStringLiteral("caja"));
            QTest::keyClick(f.txtValor(), Qt::Key(tecla));
        });
        QVERIFY(!abierto);
        QCOMPARE(f.Aceptado, aceptado);
        QCOMPARE(f.txtValor()->text(), QStringLiteral("caja"));
    }

    void cadaMostrarEmpiezaVacio()
    {
        frmInput& f = frmInput::Instancia();
        QVERIFY(!Conducir([](frmInput& f) {
            QTest::keyClicks(f.txtValor(), QStringLiteral("primero"));
            QTest::mouseClick(f.cmdAceptar(), Qt::LeftButton);
        }));
        QCOMPARE(f.txtValor()->text(), QStringLiteral("primero"));
        QString alMostrar = QStringLiteral("<sin mostrar>");
        QVERIFY(!Conducir([&](frmInput& f) {
            alMostrar = f.txtValor()->text();
            QTest::mouseClick(f.cmdCancelar(), Qt::LeftButton);
        }));
        QCOMPARE(alMostrar, QString());
    }

    // A close through the window system (the title bar has no exit button, but Alt+F4
    // exists) counts as Cancelar; the caller still finds the dialog loaded.
    void cierrePorElSistema()
    {
        frmInput& f = frmInput::Instancia();
        const bool abierto = Conducir([&](frmInput& f) {
            QTest::keyClicks(f.txtValor(), QStringLiteral("x"));
            f.Ventana()->close();
        });
        QVERIFY(!abierto);
        QVERIFY(!f.Aceptado);
        QVERIFY(f.Cargado());
        QCOMPARE(f.txtValor()->text(), QStringLiteral("x"));
    }
};

QTEST_MAIN(tst_frmInput)
#include "tst_frmInput.moc"
