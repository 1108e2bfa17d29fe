// The editor's layout and life: its controls where they belong with their settings, the
// parent's description looked up by the parent box, the mode read from the key box, the
// focus on activation, and every way of leaving without saving (Cancelar, Escape in any box,
// a close through the window system) hiding it with Aceptado False and nothing written.

#include "AmbienteEditor.h"
#include "Twips.h"
#include "frmTQ614.h"

#include <QDialog>

class tst_EditorCiclo : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        for (QWidget* ventana : QApplication::topLevelWidgets())
            QVERIFY2(!ventana->isVisible(), qPrintable(ventana->objectName() + QStringLiteral(" left shown")));
    }

    void disposicion_data()
    {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("clase");
        QTest::addColumn<QRect>("posicion");
        QTest::newRow("txtNPadre") << "txtNPadre" << "txtKES" << Twips::Rectangulo(4800, 1200, 3615, 300);
        QTest::newRow("txtPadre") << "txtPadre" << "txtKES" << Twips::Rectangulo(2280, 1200, 2415, 300);
        QTest::newRow("txtClave") << "txtClave" << "txtKES" << Twips::Rectangulo(2280, 1560, 2415, 300);
        QTest::newRow("txtDescripcion") << "txtDescripcion" << "txtKES" << Twips::Rectangulo(2280, 1920, 6135, 300);
        QTest::newRow("Label7") << "Label7" << "Etiqueta" << Twips::Rectangulo(0, 1560, 2175, 255);
        QTest::newRow("Label1") << "Label1" << "Etiqueta" << Twips::Rectangulo(0, 1200, 2175, 255);
        QTest::newRow("Label2") << "Label2" << "Etiqueta" << Twips::Rectangulo(0, 1920, 2175, 255);
        QTest::newRow("txtCodigo") << "txtCodigo" << "txtKES" << Twips::Rectangulo(2280, 2280, 2415, 300);
        QTest::newRow("Etiqueta1") << "Etiqueta1" << "Etiqueta" << Twips::Rectangulo(0, 2280, 2175, 255);
        QTest::newRow("Controles1") << "Controles1" << "Controles" << Twips::Rectangulo(0, 0, 8805, 960);
        QTest::newRow("txtNivel") << "txtNivel" << "txtKES" << Twips::Rectangulo(2280, 2640, 2415, 300);
        QTest::newRow("Etiqueta2") << "Etiqueta2" << "Etiqueta" << Twips::Rectangulo(0, 2640, 2175, 255);
    }
    void disposicion()
    {
        QFETCH(QString, nombre);
        QFETCH(QString, clase);
        QFETCH(QRect, posicion);
        AmbienteEditor a;
        QWidget* ventana = a.editor().Ventana();
        QCOMPARE(ventana->objectName(), QStringLiteral("frmCATAddCuCo"));
        QCOMPARE(ventana->size(), QSize(Twips::APixeles(8805), Twips::APixeles(3105)));
        auto* control = ventana->findChild<QWidget*>(nombre);
        QVERIFY(control);
        QCOMPARE(QString::fromLatin1(control->metaObject()->className()), clase);
        QCOMPARE(control->geometry(), posicion);
        QVERIFY(ventana->findChild<colorKES*>(QStringLiteral("colorKES")));
    }

    // The parent box looks its description up itself, also when the opener writes the key.
    void descripcionDelPadre()
    {
        AmbienteEditor a;
        a.base.InsertarGrupo(QStringLiteral("000003"), QStringLiteral("Pasivo a corto plazo"), QStringLiteral("2"));
        frmCATAddCuCo& e = a.editor();
        e.Load();
        e.txtPadre()->setText(QStringLiteral("000003"));
        QCOMPARE(e.txtNPadre()->text(), QStringLiteral("Pasivo a corto plazo"));
        e.txtPadre()->setText(QStringLiteral("0"));
        QCOMPARE(e.txtNPadre()->text(), QString());
        e.txtPadre()->setText(QStringLiteral("x' OR '1'='1"));
        QCOMPARE(e.txtNPadre()->text(), QString());
    }

    void cargaTomaElPadreDeLaPantalla()
    {
        AmbienteEditor a;
        QObject dueno;
        dueno.setObjectName(QStringLiteral("VentanaDelHost"));
        frmTQ614::Instancia().setPadre(&dueno);
        frmCATAddCuCo& e = a.editor();
        e.Aceptado = true;
        e.Load();
        QCOMPARE(e.Padre(), &dueno);
        QVERIFY(!e.Aceptado);
        e.Unload();
        frmTQ614::Instancia().setPadre(nullptr);
    }

    // Activation puts the user in the description; coming back from another window (a
    // message) leaves the focus where the dialog put it.
    void activacionEnLaDescripcion()
    {
        AmbienteEditor a;
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("0"));
        e.Controles1()->Activar(true);
        QWidget* alEntrar = nullptr;
        QWidget* alVolver = nullptr;
        a.Conducir([&](frmCATAddCuCo& e) {
            alEntrar = e.Ventana()->focusWidget();
            e.txtCodigo()->setFocus();
            QDialog otra;
            QTimer::singleShot(0, &otra, [&] {
                QVERIFY(QTest::qWaitForWindowActive(&otra));
                otra.accept();
            });
            otra.exec();
            // No window manager here: the dialog is activated again as one would do it.
            e.Ventana()->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(e.Ventana()));
            alVolver = e.Ventana()->focusWidget();
        });
        QCOMPARE(alEntrar, e.txtDescripcion());
        QCOMPARE(alVolver, e.txtCodigo());
        QVERIFY(!e.Controles1()->Activo());
    }

    void cancelarNoGuardaNada()
    {
        AmbienteEditor a;
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("0"));
        e.Aceptado = true;
        a.base.LimpiarTraza();
        const bool abierto = a.Conducir([&](frmCATAddCuCo& e) {
            QTest::keyClicks(e.txtDescripcion(), QStringLiteral("No se guarda"));
            AmbienteEditor::Escribir(e.txtCodigo(), QStringLiteral("1"));
            AmbienteEditor::Pulsar(e, "B2");
        });
        QVERIFY(!abierto);
        QVERIFY(!e.Aceptado);
        QVERIFY(e.Cargado());
        QCOMPARE(e.txtDescripcion()->text(), QStringLiteral("No se guarda"));
        QCOMPARE(a.Grupos(), 0);
        QVERIFY(a.Escrituras().isEmpty());
        QVERIFY(a.base.TrazaDe(QStringLiteral("BeginTrans")).isEmpty());
        QVERIFY(a.base.Mensajes().isEmpty());
    }

    void escapeEnCualquierCaja_data()
    {
        QTest::addColumn<QString>("caja");
        // The parent boxes never take the focus, so no key reaches them.
        for (const char* nombre : {"txtClave", "txtDescripcion", "txtCodigo", "txtNivel"})
            QTest::newRow(nombre) << QString::fromLatin1(nombre);
    }
    void escapeEnCualquierCaja()
    {
        QFETCH(QString, caja);
        AmbienteEditor a;
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("0"));
        e.Aceptado = true;
        const bool abierto = a.Conducir([&](frmCATAddCuCo& e) {
            auto* destino = e.Ventana()->findChild<txtKES*>(caja);
            QVERIFY(destino);
            QTest::keyClicks(e.txtDescripcion(), QStringLiteral("Algo"));
            destino->setFocus(Qt::MouseFocusReason);
            QCOMPARE(e.Ventana()->focusWidget(), destino);
            QTest::keyClick(destino, Qt::Key_Escape);
        });
        QVERIFY(!abierto);
        QVERIFY(!e.Aceptado);
        QVERIFY(e.Cargado());
        QCOMPARE(a.Grupos(), 0);
        QVERIFY(a.base.Mensajes().isEmpty());
    }

    // Closing through the window system hides the dialog; the opener still finds it loaded.
    // The opener's own Unload goes ahead.
    void cierrePorElSistemaOculta()
    {
        AmbienteEditor a;
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("0"));
        e.Aceptado = true;
        const bool abierto = a.Conducir([&](frmCATAddCuCo& e) { e.Ventana()->close(); });
        QVERIFY(!abierto);
        QVERIFY(!e.Aceptado);
        QVERIFY(e.Cargado());
        QCOMPARE(e.txtClave()->text(), QStringLiteral("000001"));
        e.Unload();
        QVERIFY(!e.Cargado());
    }

    // Edit locks the key; the next load rebuilds the boxes, so New finds the key box open.
    void modoSegunElBloqueoDeLaClave()
    {
        AmbienteEditor a;
        a.base.InsertarGrupo(QStringLiteral("000001"), QStringLiteral("Activo"), QStringLiteral("1"));
        frmCATAddCuCo& e = a.AbrirEdicion(QStringLiteral("000001"));
        QStringList paradas;
        a.Conducir([&](frmCATAddCuCo& e) {
            e.txtDescripcion()->setFocus();
            for (int i = 0; i < 8; ++i) {
                QTest::keyClick(e.Ventana()->focusWidget(), Qt::Key_Tab);
                paradas << e.Ventana()->focusWidget()->objectName();
            }
            AmbienteEditor::Pulsar(e, "B2");
        });
        QVERIFY(paradas.contains(QStringLiteral("txtCodigo")));
        for (const char* nunca : {"txtClave", "txtPadre", "txtNPadre"})
            QVERIFY2(!paradas.contains(QLatin1String(nunca)), qPrintable(paradas.join(QLatin1Char(' '))));
        e.Unload();

        e.Load();
        QVERIFY(!e.txtClave()->locked());
        QVERIFY(e.txtClave()->TabStop());
        QCOMPARE(e.txtClave()->text(), QString());
    }
};

QTEST_MAIN(tst_EditorCiclo)
#include "tst_EditorCiclo.moc"
