// The in-house widgets besides the text box, as the forms set them: the toolbar, the title
// bar, the flat button with Enter and Escape, the colour scheme and the label; and every
// control's saved properties under the names the forms store them by.
#include "Controles.h"
#include "Etiqueta.h"
#include "Titulo.h"
#include "colorKES.h"
#include "flatButton.h"
#include "txtKES.h"

#include <QLabel>
#include <QMenu>
#include <QMetaProperty>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

namespace {

// A window holding `control` and a text box, shown and active with the focus in the box.
struct Ventana
{
    QWidget ventana;
    txtKES* caja = new txtKES(&ventana);
    explicit Ventana(QWidget* control)
    {
        auto* capa = new QVBoxLayout(&ventana);
        capa->addWidget(control);
        capa->addWidget(caja);
        ventana.show();
        (void)QTest::qWaitForWindowActive(&ventana);
        caja->setFocus();
    }
};

QStringList Visibles(const Controles& barra)
{
    QStringList nombres;
    for (const char* nombre : {"Nuevo", "Editar", "Eliminar", "Imprimir", "B1", "B2", "Ventanas", "Salir"})
        if (barra.Boton(nombre) && barra.Boton(nombre)->isVisibleTo(&barra))
            nombres << QString(nombre) + (barra.Boton(nombre)->isEnabled() ? "" : "(no)");
    return nombres;
}

// A value of the property's type other than `actual`.
QVariant Otro(const QVariant& actual)
{
    switch (actual.metaType().id()) {
    case QMetaType::Bool: return !actual.toBool();
    case QMetaType::Int: return actual.toInt() + 1;
    case QMetaType::Double: return actual.toDouble() + 1.5;
    case QMetaType::QString: return actual.toString() == "SI" ? "NO" : "SI";
    case QMetaType::QColor: return QColor(1, 2, 3);
    case QMetaType::QFont: return QFont("Serif", 13);
    case QMetaType::QPixmap: return QPixmap(8, 8);
    default: return {};
    }
}

} // namespace

class PruebaControles : public QObject
{
    Q_OBJECT

private slots:
    void barraDeHerramientas()
    {
        Controles dialogo;  // the editor's
        dialogo.setB1caption("Aceptar");
        QCOMPARE(Visibles(dialogo), QStringList{"B1"});
        auto* barra = new Controles;  // the catalogue's, nothing selected yet
        barra->setProperty("b2caption", "Cambiar clave");
        barra->setProperty("showwindowslist", "SI");
        barra->setProperty("showexitbutton", "SI");
        barra->setProperty("ActivarCatalogo", true);
        Ventana v(barra);
        QCOMPARE(Visibles(*barra),
                 (QStringList{"Nuevo", "Editar(no)", "Eliminar(no)", "Imprimir", "B2", "Ventanas", "Salir"}));
        QStringList eventos;
        for (auto [senal, nombre] : {std::pair{&Controles::Nuevo, "Nuevo"},
                                     {&Controles::Editar, "Editar"},
                                     {&Controles::Eliminar, "Eliminar"},
                                     {&Controles::Imprimir, "Imprimir"},
                                     {&Controles::Salir, "Salir"},
                                     {&Controles::B2Click, "B2Click"}})
            connect(barra, senal, this, [&eventos, n = QString(nombre)] { eventos << n; });
        barra->PulsarEditar();  // Edit is off: nothing
        QTest::mouseClick(barra->Boton("Eliminar"), Qt::LeftButton);
        QVERIFY(eventos.isEmpty());
        barra->setProperty("EditarHabilitado", true);
        barra->setProperty("EliminarHabilitado", true);
        barra->setProperty("NuevoHabilitado", false);
        QCOMPARE(Visibles(*barra).mid(0, 3), (QStringList{"Nuevo(no)", "Editar", "Eliminar"}));
        barra->setNuevoHabilitado(true);
        for (const char* nombre : {"Nuevo", "Editar", "Eliminar", "Imprimir", "B2", "Salir"})
            QTest::mouseClick(barra->Boton(nombre), Qt::LeftButton);
        QVERIFY(QMetaObject::invokeMethod(barra, "PulsarEditar"));
        QCOMPARE(eventos, (QStringList{"Nuevo", "Editar", "Eliminar", "Imprimir", "B2Click", "Salir", "Editar"}));
        barra->Boton("Editar")->setDown(true);
        barra->Restablecer();
        QVERIFY(!barra->Boton("Editar")->isDown());
        // The window list offers the shown windows and brings the chosen one to the front.
        v.ventana.setWindowTitle("Catálogo");
        QWidget otra, oculta;
        otra.setWindowTitle("Otra ventana");
        otra.show();
        QVERIFY(QTest::qWaitForWindowActive(&otra));
        QMenu* ventanas = barra->Boton("Ventanas")->menu();
        emit ventanas->aboutToShow();
        QCOMPARE(ventanas->actions().size(), 2);
        for (QAction* accion : ventanas->actions())
            if (accion->text() == "Catálogo")
                accion->trigger();
        QTRY_COMPARE(QApplication::activeWindow(), &v.ventana);
    }

    void barraDeTitulo()
    {
        auto* titulo = new Titulo;  // as the input box sets it
        titulo->setProperty("caption", "Buscar");
        for (const char* bandera : {"showminbutton", "showmaxbutton", "showexitbutton"})
            titulo->setProperty(bandera, "NO");
        titulo->setPictureicono(QPixmap(32, 32));
        Ventana v(titulo);
        for (const char* nombre : {"Minimizar", "Maximizar", "Cerrar"})
            QVERIFY(!titulo->findChild<QToolButton*>(nombre)->isVisible());
        QCOMPARE(titulo->findChild<QLabel*>("Caption")->text(), QString("Buscar"));
        QCOMPARE(titulo->findChild<QLabel*>("Icono")->pixmap().size(), QSize(16, 16));
        // Dragging the bar moves the borderless window.
        const QPoint antes = v.ventana.pos(), agarre(titulo->width() / 2, titulo->height() / 2), delta(-20, 15);
        QTest::mousePress(titulo, Qt::LeftButton, {}, agarre);
        QTest::mouseMove(titulo, agarre + delta);
        QTest::mouseRelease(titulo, Qt::LeftButton, {}, agarre + delta);
        QTRY_COMPARE(v.ventana.pos(), antes + delta);
    }

    void botonPlano()
    {
        auto* aceptar = new flatButton;
        Ventana v(aceptar);
        auto* cancelar = new flatButton(&v.ventana);
        cancelar->show();
        QStringList pulsados;
        connect(aceptar, &flatButton::Click, this, [&] { pulsados << "Aceptar"; });
        connect(cancelar, &flatButton::Click, this, [&] { pulsados << "Cancelar"; });
        QTest::mouseClick(aceptar, Qt::LeftButton);
        QTest::keyClick(cancelar, Qt::Key_Space);
        QCOMPARE(pulsados, (QStringList{"Aceptar", "Cancelar"}));
        aceptar->setProperty("Default", true);
        cancelar->setProperty("Cancel", true);
        QTest::keyClicks(v.caja, "cuenta");
        QTest::keyClick(v.caja, Qt::Key_Return);
        QTest::keyClick(v.caja, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(v.caja, Qt::Key_Escape);
        cancelar->hide();  // a hidden button takes no key
        QTest::keyClick(v.caja, Qt::Key_Escape);
        QCOMPARE(pulsados.mid(2), (QStringList{"Aceptar", "Aceptar", "Cancelar"}));
    }

    // Written and read back through Qt's property system, each a declared property (a name the
    // control does not know would become a dynamic property and do nothing).
    void propiedadesGuardadas()
    {
        const QList<std::pair<QObject*, QStringList>> controles{
            {new Etiqueta,
             {"caption", "idetiqueta", "alignment", "backcolor", "forecolor", "font", "fontsize", "fontbold",
              "enabled"}},
            {new Controles,
             {"caption", "b1caption", "b2caption", "tabwidth", "easyaccessenabled", "showmenupopup",
              "showwindowslist", "showexitbutton", "permitir_mover"}},
            {new txtKES,
             {"locked", "maxlength", "tabonenter", "alignment", "subrayar", "enabledcolor", "font", "sql",
              "sql_control_resultado"}},
            {new colorKES,
             {"backcolor", "calendarbackcolor", "calendarforecolor", "calendartitlebackcolor",
              "calendartitleforecolor", "calendartrailingforecolor", "dbgridbackcolor", "dbgridbackcoloreven",
              "dbgridbackcolorodd", "enablecolor", "disablecolor", "focuscolor", "labelfontsize", "textfontsize",
              "menubackcolor", "menufontbackcolor", "menuselbackcolor"}},
            {new Titulo, {"caption", "pictureicono", "showminbutton", "showmaxbutton", "showexitbutton", "adjusticon"}},
            {new flatButton,
             {"caption", "backcolor", "bordercolor", "forecolor", "focuscolor", "font", "fontsize", "fontbold",
              "fontitalic", "iconsize"}}};
        for (const auto& [control, nombres] : controles) {
            std::unique_ptr<QObject> propio(control);
            for (const QString& nombre : nombres) {
                const QByteArray n = nombre.toLatin1(), donde = control->metaObject()->className() + ("." + n);
                const QVariant valor = Otro(control->property(n));
                QVERIFY2(valor.isValid() && control->setProperty(n, valor), donde);
                const QVariant leido = control->property(n);
                QVERIFY2(valor.metaType().id() == QMetaType::QPixmap
                             ? leido.value<QPixmap>().cacheKey() == valor.value<QPixmap>().cacheKey()
                             : leido == valor,
                         donde);
            }
            QVERIFY(control->dynamicPropertyNames().isEmpty());
        }
        // What the stored values mean: 1 is right-aligned, the length bounds typing.
        Etiqueta etiqueta;
        txtKES caja;
        for (QObject* control : std::initializer_list<QObject*>{&etiqueta, &caja})
            control->setProperty("alignment", 1);
        caja.setProperty("maxlength", 2);
        QTest::keyClicks(&caja, "123");
        QVERIFY(etiqueta.alignment() & caja.alignment() & Qt::AlignRight);
        QCOMPARE(caja.text(), QString("12"));
    }

    void esquemaDeColoresYEtiqueta()
    {
        auto* etiqueta = new Etiqueta;
        Ventana v(etiqueta);
        auto* bloqueada = new txtKES(&v.ventana);
        auto* propia = new txtKES(&v.ventana);
        for (txtKES* caja : {bloqueada, propia})
            caja->show();
        bloqueada->setLocked(true);
        propia->setEnabledcolor(QColor(200, 230, 255));
        etiqueta->setForecolor(QColor(10, 20, 30));
        auto fondo = [](const txtKES* caja) { return caja->palette().color(QPalette::Base); };
        const QFont letra = propia->font();
        colorKES esquema(&v.ventana);  // the input box's: the back colour alone, the rest stays
        esquema.backcolor = QColor(245, 245, 245);
        esquema.labelfontsize = esquema.textfontsize = 0;
        esquema.AplicarColores();
        QCOMPARE(etiqueta->palette().color(QPalette::Window), QColor(245, 245, 245));
        QCOMPARE(etiqueta->palette().color(QPalette::WindowText), QColor(10, 20, 30));
        QCOMPARE(fondo(propia), QColor(200, 230, 255));
        QCOMPARE(propia->font(), letra);
        for (const auto& [propiedad, valor] : {std::pair<const char*, QVariant>{"enablecolor", QColor(255, 255, 255)},
                                               {"disablecolor", QColor(224, 224, 224)},
                                               {"focuscolor", QColor(255, 255, 192)},
                                               {"labelfontsize", 10.5},
                                               {"textfontsize", 9.0}})
            esquema.setProperty(propiedad, valor);  // the catalogue's: every state of a box, and the fonts
        QVERIFY(QMetaObject::invokeMethod(&esquema, "AplicarColores"));
        QCOMPARE(v.ventana.palette().color(QPalette::Window), QColor(245, 245, 245));
        QCOMPARE(etiqueta->fontsize(), 10.5);
        QCOMPARE(v.caja->font().pointSizeF(), 9.0);
        QCOMPARE(fondo(v.caja), QColor(255, 255, 192));  // it has the focus
        QCOMPARE(fondo(propia), QColor(255, 255, 255));
        bloqueada->setFocus();  // a locked box keeps its colour with the focus
        QCOMPARE(fondo(v.caja), QColor(255, 255, 255));
        QCOMPARE(fondo(bloqueada), QColor(224, 224, 224));
        bloqueada->setLocked(false);
        QCOMPARE(fondo(bloqueada), QColor(255, 255, 192));
        etiqueta->setBackcolor(QColor(12, 34, 56));  // painted: the label fills its background
        QCOMPARE(etiqueta->grab().toImage().pixelColor(2, 2), QColor(12, 34, 56));
    }
};

QTEST_MAIN(PruebaControles)
#include "tst_Controles.moc"
