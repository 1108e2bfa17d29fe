// The toolbar: which buttons its flags show and enable, the events its buttons raise,
// PulsarEditar, the context menu, the window list and moving the window by the toolbar.
#include "Controles.h"

#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

class PruebaControles : public QObject
{
    Q_OBJECT

    static QStringList Visibles(const Controles& barra)
    {
        QStringList nombres;
        for (const char* nombre : {"Nuevo", "Editar", "Eliminar", "Imprimir", "B1", "B2", "Ventanas", "Salir"})
            if (barra.Boton(nombre) && barra.Boton(nombre)->isVisibleTo(&barra))
                nombres << nombre;
        return nombres;
    }

    // Records every event of the toolbar by name, in order.
    static void Registrar(Controles* barra, QStringList* eventos)
    {
        connect(barra, &Controles::Nuevo, barra, [=] { *eventos << "Nuevo"; });
        connect(barra, &Controles::Editar, barra, [=] { *eventos << "Editar"; });
        connect(barra, &Controles::Eliminar, barra, [=] { *eventos << "Eliminar"; });
        connect(barra, &Controles::Imprimir, barra, [=] { *eventos << "Imprimir"; });
        connect(barra, &Controles::Salir, barra, [=] { *eventos << "Salir"; });
        connect(barra, &Controles::B1Click, barra, [=] { *eventos << "B1Click"; });
        connect(barra, &Controles::B2Click, barra, [=] { *eventos << "B2Click"; });
    }

private slots:
    void botonesSegunPropiedades()
    {
        Controles barra;
        barra.setCaption("Agregar grupo de cuenta contable");
        barra.setB1caption("Aceptar");
        barra.setB2caption("Cancelar");
        barra.setShowexitbutton("NO");
        barra.setShowwindowslist("NO");
        QCOMPARE(Visibles(barra), (QStringList{"B1", "B2"}));
        QCOMPARE(barra.Leyenda(), QString("Agregar grupo de cuenta contable"));
        QCOMPARE(barra.property("Leyenda").toString(), barra.caption());

        // The catalogue's toolbar, as its form sets it.
        Controles catalogo;
        catalogo.setProperty("caption", "Catálogo de grupo de cuentas contables");
        catalogo.setProperty("b2caption", "Cambiar clave");
        catalogo.setProperty("showwindowslist", "SI");
        catalogo.setProperty("showexitbutton", "SI");
        catalogo.setProperty("ActivarCatalogo", true);
        QCOMPARE(Visibles(catalogo),
                 (QStringList{"Nuevo", "Editar", "Eliminar", "Imprimir", "B2", "Ventanas", "Salir"}));
        QCOMPARE(catalogo.Boton("B2")->text(), QString("Cambiar clave"));
        catalogo.setActivarCatalogo(false);
        QCOMPARE(Visibles(catalogo), (QStringList{"B2", "Ventanas", "Salir"}));
    }

    void banderasHabilitanLosBotones()
    {
        Controles barra;
        barra.setActivarCatalogo(true);
        // Nothing selected yet: a new group can be added, nothing edited or deleted.
        QVERIFY(barra.Boton("Nuevo")->isEnabled());
        QVERIFY(!barra.Boton("Editar")->isEnabled());
        QVERIFY(!barra.Boton("Eliminar")->isEnabled());
        QVERIFY(barra.Boton("Imprimir")->isEnabled());

        barra.setProperty("EditarHabilitado", true);
        barra.setProperty("EliminarHabilitado", true);
        barra.setProperty("NuevoHabilitado", false);
        QVERIFY(!barra.Boton("Nuevo")->isEnabled());
        QVERIFY(barra.Boton("Editar")->isEnabled());
        QVERIFY(barra.Boton("Eliminar")->isEnabled());
        QCOMPARE(barra.property("EditarHabilitado").toBool(), true);
        QCOMPARE(barra.NuevoHabilitado(), false);

        barra.Boton("Editar")->setDown(true);
        barra.Restablecer();
        QVERIFY(!barra.Boton("Editar")->isDown());
        QVERIFY(barra.Boton("Editar")->isEnabled());
    }

    void clicsLevantanSusEventos()
    {
        QWidget ventana;
        auto* barra = new Controles(&ventana);
        (new QVBoxLayout(&ventana))->addWidget(barra);
        barra->setActivarCatalogo(true);
        barra->setEditarHabilitado(true);
        barra->setEliminarHabilitado(true);
        barra->setB1caption("Uno");
        barra->setB2caption("Dos");
        barra->setShowexitbutton("SI");
        QStringList eventos;
        Registrar(barra, &eventos);
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));

        for (const char* nombre : {"Nuevo", "Editar", "Eliminar", "Imprimir", "B1", "B2", "Salir"})
            QTest::mouseClick(barra->Boton(nombre), Qt::LeftButton);
        QCOMPARE(eventos, (QStringList{"Nuevo", "Editar", "Eliminar", "Imprimir", "B1Click", "B2Click", "Salir"}));

        // A disabled command raises nothing.
        eventos.clear();
        barra->setEliminarHabilitado(false);
        QTest::mouseClick(barra->Boton("Eliminar"), Qt::LeftButton);
        QVERIFY(eventos.isEmpty());
    }

    void pulsarEditarSoloConEditarHabilitado()
    {
        Controles barra;
        QSignalSpy editar(&barra, &Controles::Editar);
        barra.PulsarEditar();
        QCOMPARE(editar.count(), 0);
        barra.setActivarCatalogo(true);
        barra.PulsarEditar();
        QCOMPARE(editar.count(), 0);
        barra.setEditarHabilitado(true);
        barra.PulsarEditar();
        QCOMPARE(editar.count(), 1);
        QVERIFY(QMetaObject::invokeMethod(&barra, "PulsarEditar"));
        QCOMPARE(editar.count(), 2);
    }

    void menuContextualConLosMismosComandos()
    {
        QWidget ventana;
        auto* barra = new Controles(&ventana);
        (new QVBoxLayout(&ventana))->addWidget(barra);
        barra->setActivarCatalogo(true);
        barra->setB2caption("Cambiar clave");
        barra->setShowmenupopup("SI");
        QStringList eventos;
        Registrar(barra, &eventos);
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));

        QStringList acciones;
        bool eliminarHabilitado = true;
        QTimer::singleShot(0, this, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction* accion : menu->actions()) {
                acciones << accion->text();
                if (accion->text() == "Eliminar")
                    eliminarHabilitado = accion->isEnabled();
            }
            for (QAction* accion : menu->actions())
                if (accion->text() == "Nuevo")
                    accion->trigger();
            menu->close();
        });
        QTimer::singleShot(3000, this, [] {
            if (QWidget* menu = QApplication::activePopupWidget())
                menu->close();
        });
        QContextMenuEvent evento(QContextMenuEvent::Mouse, QPoint(5, 5), barra->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(barra, &evento);
        QCOMPARE(acciones, (QStringList{"Nuevo", "Editar", "Eliminar", "Imprimir", "Cambiar clave"}));
        QVERIFY(!eliminarHabilitado);
        QCOMPARE(eventos, QStringList{"Nuevo"});

        // Without showmenupopup the toolbar offers no menu.
        barra->setShowmenupopup("NO");
        QContextMenuEvent otro(QContextMenuEvent::Mouse, QPoint(5, 5), barra->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(barra, &otro);
        QVERIFY(!otro.isAccepted());
    }

    void listaDeVentanas()
    {
        QWidget principal;
        principal.setWindowTitle("Catálogo");
        auto* barra = new Controles(&principal);
        barra->setShowwindowslist("SI");
        QWidget otra;
        otra.setWindowTitle("Otra ventana");
        QWidget oculta;
        oculta.setWindowTitle("Oculta");
        principal.show();
        otra.show();
        QVERIFY(QTest::qWaitForWindowExposed(&otra));

        QToolButton* ventanas = barra->Boton("Ventanas");
        QVERIFY(ventanas && ventanas->menu());
        emit ventanas->menu()->aboutToShow();
        QStringList titulos;
        for (QAction* accion : ventanas->menu()->actions())
            titulos << accion->text();
        titulos.sort();
        QCOMPARE(titulos, (QStringList{"Catálogo", "Otra ventana"}));
        for (QAction* accion : ventanas->menu()->actions())
            if (accion->text() == "Catálogo")
                accion->trigger();
        QTRY_COMPARE(QApplication::activeWindow(), &principal);
    }

    void moverLaVentanaArrastrandoLaBarra()
    {
        QWidget ventana;
        auto* barra = new Controles(&ventana);
        barra->setGeometry(0, 0, 400, 64);
        ventana.resize(400, 200);
        ventana.move(100, 100);
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));
        const QPoint antes = ventana.pos();
        const QPoint agarre(300, 10); // on the title band, away from the buttons
        const QPoint destino = agarre + QPoint(40, 30);
        auto arrastrar = [&] {
            QTest::mousePress(barra, Qt::LeftButton, {}, agarre);
            QMouseEvent movimiento(QEvent::MouseMove, QPointF(destino), QPointF(barra->mapToGlobal(destino)),
                                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(barra, &movimiento);
            QTest::mouseRelease(barra, Qt::LeftButton, {}, destino);
        };

        arrastrar();
        QCOMPARE(ventana.pos(), antes);

        barra->setPermitir_mover(true);
        arrastrar();
        QTRY_COMPARE(ventana.pos(), antes + QPoint(40, 30));
    }

    void accesosRapidos()
    {
        QWidget ventana;
        auto* barra = new Controles(&ventana);
        (new QVBoxLayout(&ventana))->addWidget(barra);
        barra->setActivarCatalogo(true);
        QStringList eventos;
        Registrar(barra, &eventos);
        ventana.show();
        QVERIFY(QTest::qWaitForWindowActive(&ventana));

        QTest::keyClick(&ventana, Qt::Key_N, Qt::ControlModifier);
        QVERIFY(eventos.isEmpty());
        barra->setEasyaccessenabled("SI");
        QTest::keyClick(&ventana, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClick(&ventana, Qt::Key_E, Qt::ControlModifier); // Edit is off
        QTest::keyClick(&ventana, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(eventos, (QStringList{"Nuevo", "Imprimir"}));
        barra->setEasyaccessenabled("NO");
        QTest::keyClick(&ventana, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(eventos.size(), 2);
    }
};

QTEST_MAIN(PruebaControles)
#include "tst_Controles.moc"
