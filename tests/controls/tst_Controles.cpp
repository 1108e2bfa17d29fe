// The in-house widgets as the forms set them, and the text box's lookup on both engines.
#include "BaseDePrueba.h"
#include "Controles.h"
#include "FabricaServicios.h"
#include "Servicios.h"
#include "Titulo.h"
#include "colorKES.h"
#include "flatButton.h"
#include "txtKES.h"

#include <QClipboard>
#include <QFrame>
#include <QJsonArray>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

namespace {

// A window holding `control`, if any, above three text boxes, shown and active with the focus in a.
struct Ventana
{
    QWidget ventana;
    txtKES *a = new txtKES(&ventana), *b = new txtKES(&ventana), *c = new txtKES(&ventana);
    explicit Ventana(QWidget* control = nullptr)
    {
        auto* capa = new QVBoxLayout(&ventana);
        for (QWidget* caja : {control, static_cast<QWidget*>(a), static_cast<QWidget*>(b), static_cast<QWidget*>(c)})
            if (caja)
                capa->addWidget(caja);
        ventana.show();
        (void)QTest::qWaitForWindowActive(&ventana);
        a->setFocus();
    }
};

// The captions of the buttons shown, in order, "(no)" after those switched off.
QStringList Visibles(const Controles& barra)
{
    QStringList captions;
    for (const char* nombre : {"Nuevo", "Editar", "Eliminar", "Imprimir", "B1", "B2", "Ventanas", "Salir"})
        if (const QToolButton* boton = barra.Boton(nombre); boton && boton->isVisibleTo(&barra))
            captions << boton->text() + (boton->isEnabled() ? "" : "(no)");
    return captions;
}

}  // namespace

class PruebaControles : public QObject
{
    Q_OBJECT

private slots:
    void enterCambiosYValidate()
    {
        Ventana v;
        v.a->setTabonenter(true);
        QStringList eventos;
        connect(v.a, &txtKES::Validate, this, [&] { eventos << "Validate:" + v.a->text(); });
        connect(v.a, &txtKES::Change, this, [&] { eventos << "Change:" + v.a->text(); });
        v.a->setText("12");  // settled as it is set
        QTest::keyClick(v.a, Qt::Key_Tab);  // in and out without a change
        QCOMPARE(eventos, QStringList{"Validate:12"});
        v.a->setFocus();
        QTest::keyClick(v.a, Qt::Key_Backspace);
        QTest::keyClicks(v.a, ".");
        QTest::keyClick(v.a, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), v.b);
        QCOMPARE(eventos.mid(1), (QStringList{"Change:1", "Change:1.", "Validate:1."}));
        // A window coming to the front does not end the edit; a click elsewhere does.
        v.a->setFocus();
        QTest::keyClicks(v.a, "5");
        QWidget otra;
        otra.show();
        otra.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&otra));
        v.ventana.activateWindow();
        QTRY_COMPARE(QApplication::focusWidget(), v.a);
        QCOMPARE(eventos.size(), 5);
        QTest::mouseClick(v.c, Qt::LeftButton);
        QCOMPARE(eventos.mid(5), QStringList{"Validate:1.5"});
    }

    // Valor reads the leading number; the length binds typing and pasting only; a locked box is skipped.
    void valorLargoYBloqueo()
    {
        const QStringList textos{"12abc", "abc", "-7x", " 4 5", "1e3", "2e", "1.2.3", ".25", "3,5"};
        const QList<double> valores{12, 0, -7, 45, 1000, 2, 1.2, 0.25, 3};
        for (qsizetype i = 0; i < textos.size(); ++i) {
            txtKES caja;
            caja.setText(textos[i]);
            QVERIFY2(caja.Valor() == valores[i], qPrintable(textos[i]));
        }
        Ventana v;
        v.a->setProperty("maxlength", 6);
        QTest::keyClicks(v.a, "1234567");
        QCOMPARE(v.a->text(), QString("123456"));
        v.a->setSelection(4, 2);
        v.a->del();
        v.a->setCursorPosition(1);
        QGuiApplication::clipboard()->setText("abcdef");
        QTest::keyClick(v.a, Qt::Key_V, Qt::ControlModifier);  // as much of it as fits, where it went
        QCOMPARE(v.a->text(), QString("1ab234"));
        v.a->setText("12345678");  // longer by code; typing then does not make it grow
        QTest::keyClick(v.a, Qt::Key_Backspace);
        QTest::keyClicks(v.a, "9");
        QCOMPARE(v.a->text(), QString("1234567"));
        v.b->setText("fijo");
        v.b->setLocked(true);
        v.b->setTabStop(false);
        QTest::keyClick(v.a, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), v.c);
        v.b->setFocus();
        QTest::keyClicks(v.b, "zz");
        QCOMPARE(v.b->text(), QString("fijo"));
    }

    // The editor's key and description pair (apart, in frames) on keys that look like SQL.
    void consulta_data() { BaseDePrueba::AgregarMotores(); }
    void consulta()
    {
        ABRIR_BASE(motor, base);
        base.InsertarGrupos({"1|ACTIVO", "O'Brien|CON COMILLA", "x' OR '1'='1|FRAGMENTO GUARDADO", "?|SIGNO"});
        std::unique_ptr<AccesoDatos> datos(static_cast<AccesoDatos*>(KesCrearObjeto("AccesoDatos")));
        auto* marco = new QFrame;
        Ventana v(marco);
        txtKES* padre = v.a;
        auto* nombre = new txtKES(marco);
        padre->setObjectName("txtPadre");
        padre->setSql("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '?'");
        padre->setSql_control_resultado("txtNPadre");
        nombre->setObjectName("txtNPadre");
        padre->setProveedorConexion([&datos] { return datos->Conexion(); });
        QStringList vistos;
        for (const char* clave : {"x' OR '1'='1", "1' OR '1'='1", "?", "'; DELETE FROM Grupo_Cuenta_Contable; --"}) {
            padre->setText(clave);
            vistos << nombre->text();
        }
        QCOMPARE(vistos, (QStringList{"FRAGMENTO GUARDADO", "", "SIGNO", ""}));
        // Typed: one lookup per keystroke, each with the value bound.
        padre->clear();
        base.LimpiarTraza();
        QTest::keyClicks(padre, "O'Brien");
        QCOMPARE(nombre->text(), QString("CON COMILLA"));
        const QStringList sentencias = base.Sentencias();
        QVERIFY2(sentencias.size() == 7 && sentencias.filter("O'").isEmpty(), qPrintable(sentencias.join('\n')));
        QCOMPARE(base.TrazaDe("Execute").last()["parametros"].toArray(), QJsonArray{"O'Brien"});
        // A failing lookup shows nothing and leaves the connection usable for the next.
        padre->setSql("SELECT Nombre FROM NoExiste WHERE Clave = '?'");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("txtPadre: la consulta de txtNPadre falló"));
        QTest::keyClick(padre, Qt::Key_Backspace);
        QCOMPARE(nombre->text(), QString());
        // Placeholders bare and quoted are bound, a '?' in another literal kept; the first column shown.
        padre->setSql("SELECT Gcc_Descripcion || ' (?)', 2 FROM Grupo_Cuenta_Contable "
                      "WHERE Gcc_Cve_Grupo_Cuenta_Contable = ? OR Gcc_Descripcion = '?'");
        padre->setText("1");
        QCOMPARE(nombre->text(), QString("ACTIVO (?)"));
    }

    void barraDeHerramientas()
    {
        auto* barra = new Controles;  // the catalogue's, nothing selected yet
        barra->setProperty("b2caption", "Cambiar clave");
        barra->setProperty("showwindowslist", "SI");
        barra->setProperty("showexitbutton", "SI");
        barra->setProperty("ActivarCatalogo", true);
        Ventana v(barra);
        QCOMPARE(Visibles(*barra), (QStringList{"Nuevo", "Editar(no)", "Eliminar(no)", "Imprimir", "Cambiar clave",
                                                "Ventanas", "Salir"}));
        QStringList eventos;
        for (auto [senal, nombre] : {std::pair{&Controles::Nuevo, "Nuevo"},
                                     {&Controles::Editar, "Editar"},
                                     {&Controles::Eliminar, "Eliminar"},
                                     {&Controles::Imprimir, "Imprimir"},
                                     {&Controles::Salir, "Salir"},
                                     {&Controles::B2Click, "B2Click"}})
            connect(barra, senal, this, [&eventos, n = QString(nombre)] { eventos << n; });
        barra->PulsarEditar();  // Edit and Delete are off: nothing
        QTest::mouseClick(barra->Boton("Eliminar"), Qt::LeftButton);
        barra->setProperty("EditarHabilitado", true);
        barra->setProperty("EliminarHabilitado", true);
        barra->setProperty("NuevoHabilitado", false);
        QCOMPARE(Visibles(*barra).mid(0, 3), (QStringList{"Nuevo(no)", "Editar", "Eliminar"}));
        barra->setNuevoHabilitado(true);
        for (const char* nombre : {"Nuevo", "Editar", "Eliminar", "Imprimir", "B2", "Salir"})
            QTest::mouseClick(barra->Boton(nombre), Qt::LeftButton);
        QVERIFY(QMetaObject::invokeMethod(barra, "PulsarEditar"));
        QCOMPARE(eventos, (QStringList{"Nuevo", "Editar", "Eliminar", "Imprimir", "B2Click", "Salir", "Editar"}));
        // The window list offers the shown windows and brings the chosen one to the front.
        v.ventana.setWindowTitle("Catálogo");
        QWidget otra, oculta;
        otra.setWindowTitle("Otra ventana");
        otra.show();
        QVERIFY(QTest::qWaitForWindowActive(&otra));
        QMenu* ventanas = barra->Boton("Ventanas")->menu();
        emit ventanas->aboutToShow();
        QCOMPARE(ventanas->actions().size(), 2);
        ventanas->actions()[ventanas->actions()[0]->text() == "Catálogo" ? 0 : 1]->trigger();
        QTRY_COMPARE(QApplication::activeWindow(), &v.ventana);
    }

    // The title bar dragged moves its window; a flat button on Space, or as Default on the
    // keypad's Enter while shown; the scheme's focus colour follows the focus, but not into a locked box.
    void tituloBotonYColores()
    {
        auto* titulo = new Titulo;
        Ventana v(titulo);
        const QPoint antes = v.ventana.pos(), agarre(titulo->width() / 2, titulo->height() / 2), delta(-20, 15);
        QTest::mousePress(titulo, Qt::LeftButton, {}, agarre);
        QTest::mouseMove(titulo, agarre + delta);
        QTest::mouseRelease(titulo, Qt::LeftButton, {}, agarre + delta);
        QTRY_COMPARE(v.ventana.pos(), antes + delta);
        auto* boton = new flatButton(&v.ventana);
        boton->show();
        boton->setProperty("Default", true);
        QSignalSpy pulsado(boton, &flatButton::Click);  // clicked: the input box's test
        QTest::keyClick(boton, Qt::Key_Space);
        QTest::keyClick(v.a, Qt::Key_Enter, Qt::KeypadModifier);
        boton->hide();
        QTest::keyClick(v.a, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(pulsado.count(), 2);
        colorKES esquema(&v.ventana);
        esquema.setProperty("focuscolor", QColor(255, 255, 192));
        esquema.AplicarColores();
        v.b->setLocked(true);
        const auto fondo = [](const txtKES* caja) { return caja->palette().color(QPalette::Base); };
        v.a->setFocus();
        QCOMPARE(fondo(v.a), QColor(255, 255, 192));
        v.b->setFocus();  // a locked box keeps its colour with the focus
        QVERIFY(fondo(v.a) != QColor(255, 255, 192) && fondo(v.b) != QColor(255, 255, 192));
    }
};

QTEST_MAIN(PruebaControles)
#include "tst_Controles.moc"
