// The in-house widgets besides the text box: the toolbar (buttons per flag, events, menu,
// shortcuts, window list), the title bar, moving a window by either, the flat button with
// Enter and Escape, the colour scheme and the label.
#include "Controles.h"
#include "Etiqueta.h"
#include "Titulo.h"
#include "colorKES.h"
#include "flatButton.h"
#include "txtKES.h"

#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

namespace {

QStringList Visibles(const Controles& barra)
{
    QStringList nombres;
    for (const char* nombre : {"Nuevo", "Editar", "Eliminar", "Imprimir", "B1", "B2", "Ventanas", "Salir"})
        if (barra.Boton(nombre) && barra.Boton(nombre)->isVisibleTo(&barra))
            nombres << nombre;
    return nombres;
}

// A shown window holding `control` and a text box, the toolbar's events recorded by name.
struct Ventana {
    QWidget ventana;
    txtKES* caja = new txtKES(&ventana);
    QStringList eventos;
    explicit Ventana(QWidget* control = nullptr)
    {
        auto* capa = new QVBoxLayout(&ventana);
        if (control)
            capa->addWidget(control);
        capa->addWidget(caja);
        if (auto* barra = qobject_cast<Controles*>(control))
            for (auto [senal, nombre] : {std::pair{&Controles::Nuevo, "Nuevo"}, {&Controles::Editar, "Editar"},
                                         {&Controles::Eliminar, "Eliminar"}, {&Controles::Imprimir, "Imprimir"},
                                         {&Controles::Salir, "Salir"}, {&Controles::B1Click, "B1Click"},
                                         {&Controles::B2Click, "B2Click"}})
                QObject::connect(barra, senal, &ventana, [this, n = QString(nombre)] { eventos << n; });
        ventana.resize(400, 200);
    }
    bool Mostrar()
    {
        ventana.show();
        const bool activa = QTest::qWaitForWindowActive(&ventana);
        caja->setFocus();
        return activa;
    }
};

// Presses at `agarre`, moves by `delta` with the button held, releases.
void Arrastrar(QWidget* barra, QPoint agarre, QPoint delta)
{
    QTest::mousePress(barra, Qt::LeftButton, {}, agarre);
    QMouseEvent movimiento(QEvent::MouseMove, QPointF(agarre + delta), QPointF(barra->mapToGlobal(agarre + delta)),
                           Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(barra, &movimiento);
    QTest::mouseRelease(barra, Qt::LeftButton, {}, agarre + delta);
}

} // namespace

class PruebaControles : public QObject
{
    Q_OBJECT

private slots:
    void botonesSegunBanderas()
    {
        Controles dialogo;
        dialogo.setCaption("Agregar grupo de cuenta contable");
        dialogo.setB1caption("Aceptar");
        dialogo.setB2caption("Cancelar");
        QCOMPARE(Visibles(dialogo), (QStringList{"B1", "B2"}));
        QCOMPARE(dialogo.Leyenda(), QString("Agregar grupo de cuenta contable"));

        Controles barra;
        barra.setProperty("b2caption", "Cambiar clave");
        barra.setProperty("showwindowslist", "SI");
        barra.setProperty("showexitbutton", "SI");
        barra.setProperty("ActivarCatalogo", true);
        QCOMPARE(Visibles(barra), (QStringList{"Nuevo", "Editar", "Eliminar", "Imprimir", "B2", "Ventanas", "Salir"}));
        auto habilitados = [&] {
            QString s;
            for (const char* nombre : {"Nuevo", "Editar", "Eliminar", "Imprimir"})
                s += barra.Boton(nombre)->isEnabled() ? '1' : '0';
            return s;
        };
        QCOMPARE(habilitados(), QString("1001")); // nothing selected: only New and Print
        QSignalSpy editar(&barra, &Controles::Editar);
        barra.PulsarEditar();
        QCOMPARE(editar.count(), 0);
        barra.setProperty("EditarHabilitado", true);
        barra.setProperty("EliminarHabilitado", true);
        barra.setProperty("NuevoHabilitado", false);
        QCOMPARE(habilitados(), QString("0111"));
        QVERIFY(QMetaObject::invokeMethod(&barra, "PulsarEditar"));
        QCOMPARE(editar.count(), 1);
        barra.Boton("Editar")->setDown(true);
        barra.Restablecer();
        QVERIFY(!barra.Boton("Editar")->isDown());
        barra.setActivarCatalogo(false);
        QCOMPARE(Visibles(barra), (QStringList{"B2", "Ventanas", "Salir"}));
    }

    void clicsAccesosYMenu()
    {
        auto* barra = new Controles;
        Ventana v(barra);
        barra->setActivarCatalogo(true);
        barra->setEditarHabilitado(true);
        barra->setEliminarHabilitado(true);
        barra->setB1caption("Uno");
        barra->setB2caption("Dos");
        barra->setShowexitbutton("SI");
        QVERIFY(v.Mostrar());
        for (const char* nombre : {"Nuevo", "Editar", "Eliminar", "Imprimir", "B1", "B2", "Salir"})
            QTest::mouseClick(barra->Boton(nombre), Qt::LeftButton);
        QCOMPARE(v.eventos, (QStringList{"Nuevo", "Editar", "Eliminar", "Imprimir", "B1Click", "B2Click", "Salir"}));

        v.eventos.clear();
        barra->setEditarHabilitado(false);
        barra->setEliminarHabilitado(false);
        QTest::mouseClick(barra->Boton("Eliminar"), Qt::LeftButton); // disabled: nothing
        QTest::keyClick(&v.ventana, Qt::Key_N, Qt::ControlModifier);  // shortcuts off
        barra->setEasyaccessenabled("SI");
        for (Qt::Key tecla : {Qt::Key_N, Qt::Key_E, Qt::Key_P})
            QTest::keyClick(&v.ventana, tecla, Qt::ControlModifier);
        QCOMPARE(v.eventos, (QStringList{"Nuevo", "Imprimir"}));

        // The context menu offers the same commands with the same flags.
        v.eventos.clear();
        QStringList acciones;
        auto abrirMenu = [&] {
            QTimer::singleShot(0, this, [&] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                for (QAction* accion : menu ? menu->actions() : QList<QAction*>{})
                    acciones << accion->text() + (accion->isEnabled() ? "" : " (no)");
                if (menu) {
                    menu->actions().constFirst()->trigger();
                    menu->close();
                }
            });
            QContextMenuEvent evento(QContextMenuEvent::Mouse, QPoint(5, 5), barra->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(barra, &evento);
            return evento.isAccepted();
        };
        QVERIFY(!abrirMenu());
        barra->setShowmenupopup("SI");
        abrirMenu();
        QCOMPARE(acciones, (QStringList{"Nuevo", "Editar (no)", "Eliminar (no)", "Imprimir", "Uno", "Dos", "Salir"}));
        QCOMPARE(v.eventos, QStringList{"Nuevo"});
    }

    void listaDeVentanas()
    {
        auto* barra = new Controles;
        Ventana v(barra);
        v.ventana.setWindowTitle("Catálogo");
        barra->setShowwindowslist("SI");
        QWidget otra, oculta;
        otra.setWindowTitle("Otra ventana");
        oculta.setWindowTitle("Oculta");
        QVERIFY(v.Mostrar());
        otra.show();
        QVERIFY(QTest::qWaitForWindowActive(&otra));
        QMenu* menu = barra->Boton("Ventanas")->menu();
        emit menu->aboutToShow();
        QStringList titulos;
        for (QAction* accion : menu->actions())
            titulos << accion->text();
        titulos.sort();
        QCOMPARE(titulos, (QStringList{"Catálogo", "Otra ventana"}));
        for (QAction* accion : menu->actions())
            if (accion->text() == "Catálogo")
                accion->trigger();
        QTRY_COMPARE(QApplication::activeWindow(), &v.ventana);
    }

    void moverLaVentanaPorLaBarra()
    {
        auto* barra = new Controles;
        Ventana v(barra);
        v.ventana.move(100, 100);
        QVERIFY(v.Mostrar());
        const QPoint antes = v.ventana.pos();
        const QPoint agarre(barra->width() * 3 / 4, 10); // on the title band, away from the buttons
        Arrastrar(barra, agarre, {40, 30});
        QCOMPARE(v.ventana.pos(), antes);
        barra->setPermitir_mover(true);
        Arrastrar(barra, agarre, {40, 30});
        QTRY_COMPARE(v.ventana.pos(), antes + QPoint(40, 30));

        auto* titulo = new Titulo;
        Ventana t(titulo);
        QVERIFY(t.Mostrar());
        const QPoint antesTitulo = t.ventana.pos();
        Arrastrar(titulo, {titulo->width() / 2, 12}, {-20, 15});
        QTRY_COMPARE(t.ventana.pos(), antesTitulo + QPoint(-20, 15));
    }

    void barraDeTitulo()
    {
        auto* titulo = new Titulo;
        Ventana v(titulo);
        titulo->setProperty("caption", "Buscar");
        for (const char* bandera : {"showminbutton", "showmaxbutton", "showexitbutton"})
            titulo->setProperty(bandera, "NO");
        for (const char* nombre : {"Minimizar", "Maximizar", "Cerrar"})
            QVERIFY(!titulo->findChild<QToolButton*>(nombre)->isVisibleTo(titulo));
        QCOMPARE(titulo->findChild<QLabel*>("Caption")->text(), QString("Buscar"));
        Titulo suelto;
        suelto.resize(300, 40);
        auto* icono = suelto.findChild<QLabel*>("Icono");
        QVERIFY(icono->isHidden());
        QPixmap dibujo(32, 32);
        dibujo.fill(Qt::red);
        suelto.setPictureicono(dibujo);
        QCOMPARE(icono->pixmap().size(), QSize(16, 16));
        suelto.setAdjusticon("SI");
        QCOMPARE(icono->pixmap().size(), QSize(36, 36));
        titulo->setShowmaxbutton("SI");
        titulo->setShowexitbutton("SI");
        QVERIFY(v.Mostrar());
        QTest::mouseClick(titulo->findChild<QToolButton*>("Maximizar"), Qt::LeftButton);
        QTRY_VERIFY(v.ventana.isMaximized());
        QTest::mouseClick(titulo->findChild<QToolButton*>("Maximizar"), Qt::LeftButton);
        QTRY_VERIFY(!v.ventana.isMaximized());
        QTest::mouseClick(titulo->findChild<QToolButton*>("Cerrar"), Qt::LeftButton);
        QTRY_VERIFY(!v.ventana.isVisible());
    }

    void botonPlano()
    {
        auto* aceptar = new flatButton;
        Ventana v(aceptar);
        auto* cancelar = new flatButton(&v.ventana);
        v.ventana.layout()->addWidget(cancelar);
        QStringList pulsados;
        connect(aceptar, &flatButton::Click, this, [&] { pulsados << "Aceptar"; });
        connect(cancelar, &flatButton::Click, this, [&] { pulsados << "Cancelar"; });
        QVERIFY(v.Mostrar());
        // Without Default and Cancel, Enter and Escape in the box press nothing.
        QTest::keyClick(v.caja, Qt::Key_Return);
        QTest::keyClick(v.caja, Qt::Key_Escape);
        QTest::mouseClick(aceptar, Qt::LeftButton);
        cancelar->setFocus();
        QTest::keyClick(cancelar, Qt::Key_Space);
        QTest::keyClick(cancelar, Qt::Key_Return);
        QCOMPARE(pulsados, (QStringList{"Aceptar", "Cancelar", "Cancelar"}));

        pulsados.clear();
        aceptar->setProperty("Default", true);
        cancelar->setProperty("Cancel", true);
        v.caja->setFocus();
        QTest::keyClicks(v.caja, "cuenta");
        QTest::keyClick(v.caja, Qt::Key_Return);
        QTest::keyClick(v.caja, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(v.caja, Qt::Key_Escape);
        QCOMPARE(pulsados, (QStringList{"Aceptar", "Aceptar", "Cancelar"}));
        QCOMPARE(v.caja->text(), QString("cuenta"));

        // A disabled or hidden button, or a box that moves on with Enter, takes no key.
        pulsados.clear();
        aceptar->setEnabled(false);
        cancelar->hide();
        QTest::mouseClick(aceptar, Qt::LeftButton);
        QTest::keyClick(v.caja, Qt::Key_Return);
        QTest::keyClick(v.caja, Qt::Key_Escape);
        aceptar->setEnabled(true);
        v.caja->setTabonenter(true);
        QTest::keyClick(v.caja, Qt::Key_Return);
        QVERIFY(pulsados.isEmpty());

        aceptar->setProperty("backcolor", QColor(0, 83, 138));
        const QImage imagen = aceptar->grab().toImage();
        QCOMPARE(imagen.pixelColor(imagen.width() / 2, 3), QColor(0, 83, 138));
    }

    void esquemaDeColores()
    {
        QWidget ventana;
        auto* capa = new QVBoxLayout(&ventana);
        auto* etiqueta = new Etiqueta;
        auto* libre = new txtKES;
        auto* bloqueada = new txtKES;
        auto* apagada = new txtKES;
        auto* propia = new txtKES;
        for (QWidget* control : std::initializer_list<QWidget*>{etiqueta, libre, bloqueada, apagada, propia})
            capa->addWidget(control);
        bloqueada->setLocked(true);
        apagada->setEnabled(false);
        propia->setEnabledcolor(QColor(200, 230, 255));
        etiqueta->setForecolor(QColor(10, 20, 30));
        auto fondo = [](const txtKES* caja) { return caja->palette().color(QPalette::Base); };

        // The value input dialog's scheme sets the back colour alone: the rest stays.
        colorKES esquema(&ventana);
        esquema.backcolor = QColor(245, 245, 245);
        esquema.labelfontsize = esquema.textfontsize = 0;
        const double letra = libre->font().pointSizeF();
        esquema.AplicarColores();
        QCOMPARE(etiqueta->palette().color(QPalette::Window), QColor(245, 245, 245));
        QCOMPARE(fondo(propia), QColor(200, 230, 255));
        QCOMPARE(libre->font().pointSizeF(), letra);
        QCOMPARE(etiqueta->palette().color(QPalette::WindowText), QColor(10, 20, 30));

        // The catalogue's scheme: every state of a box, and the fonts.
        esquema.setProperty("enablecolor", QColor(255, 255, 255));
        esquema.setProperty("disablecolor", QColor(224, 224, 224));
        esquema.setProperty("focuscolor", QColor(255, 255, 192));
        esquema.setProperty("labelfontsize", 10.5);
        esquema.setProperty("textfontsize", 9.0);
        QVERIFY(QMetaObject::invokeMethod(&esquema, "AplicarColores"));
        QCOMPARE(ventana.palette().color(QPalette::Window), QColor(245, 245, 245));
        QCOMPARE(etiqueta->fontsize(), 10.5);
        QCOMPARE(libre->font().pointSizeF(), 9.0);
        QCOMPARE(fondo(libre), QColor(255, 255, 255));
        QCOMPARE(fondo(bloqueada), QColor(224, 224, 224));
        QCOMPARE(fondo(apagada), QColor(224, 224, 224));
        ventana.show();
        QVERIFY(QTest::qWaitForWindowActive(&ventana));
        libre->setFocus();
        QCOMPARE(fondo(libre), QColor(255, 255, 192));
        bloqueada->setFocus(); // a locked box keeps its colour with the focus
        QCOMPARE(fondo(libre), QColor(255, 255, 255));
        QCOMPARE(fondo(bloqueada), QColor(224, 224, 224));
        bloqueada->setLocked(false);
        QCOMPARE(fondo(bloqueada), QColor(255, 255, 192));
        apagada->setEnabled(true);
        QCOMPARE(fondo(apagada), QColor(255, 255, 255));
    }

    void etiqueta()
    {
        Etiqueta etiqueta;
        for (auto [alineacion, esperada] : {std::pair{1, Qt::AlignRight}, {2, Qt::AlignHCenter}, {0, Qt::AlignLeft}}) {
            etiqueta.setProperty("alineacion", alineacion);
            QVERIFY(etiqueta.alignment() & esperada);
        }
        etiqueta.setBackcolor(QColor(12, 34, 56)); // painted: the label fills its background
        etiqueta.resize(40, 20);
        QCOMPARE(etiqueta.grab().toImage().pixelColor(20, 10), QColor(12, 34, 56));
    }
};

QTEST_MAIN(PruebaControles)
#include "tst_Controles.moc"
