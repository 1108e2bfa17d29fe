// The text box as the forms use it: Enter moves on, the two events it raises (Change for
// every user edit, Validate when the user finished one), the numeric value, locked, the tab
// stop and the maximum length. Real widgets, real key presses, clicks and pastes.
#include "Controles.h"
#include "txtKES.h"

#include <QClipboard>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

class PruebaTxtKES : public QObject
{
    Q_OBJECT

private:
    // A window with three boxes one under the other, shown and active.
    struct Ventana {
        QWidget ventana;
        txtKES* a;
        txtKES* b;
        txtKES* c;
        Ventana()
        {
            auto* capa = new QVBoxLayout(&ventana);
            a = new txtKES(&ventana);
            b = new txtKES(&ventana);
            c = new txtKES(&ventana);
            a->setObjectName("a");
            b->setObjectName("b");
            c->setObjectName("c");
            for (txtKES* caja : {a, b, c})
                capa->addWidget(caja);
        }
        bool mostrar()
        {
            ventana.show();
            return QTest::qWaitForWindowActive(&ventana);
        }
    };

private slots:
    void enterPasaAlSiguienteConTabonenter()
    {
        Ventana v;
        v.a->setTabonenter(true);
        QVERIFY(v.mostrar());
        v.a->setFocus();
        QTest::keyClick(v.a, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), v.b);
        // b does not move on with Enter: the key stays there.
        QTest::keyClick(v.b, Qt::Key_Enter);
        QCOMPARE(QApplication::focusWidget(), v.b);
    }

    void changeSoloPorLoQueTecleaElUsuario()
    {
        Ventana v;
        QVERIFY(v.mostrar());
        QSignalSpy cambios(v.a, &txtKES::Change);
        QSignalSpy validaciones(v.a, &txtKES::Validate);
        v.a->setText("puesto por código");
        v.a->setValor(12);
        QCOMPARE(cambios.count(), 0);
        QCOMPARE(validaciones.count(), 0);

        v.a->setFocus();
        v.a->clear();
        QTest::keyClicks(v.a, "ab");
        QCOMPARE(cambios.count(), 2);
        QTest::keyClick(v.a, Qt::Key_Backspace);
        QCOMPARE(cambios.count(), 3);
        QCOMPARE(v.a->text(), QString("a"));
    }

    void validateAlSalirSoloSiCambio()
    {
        Ventana v;
        QVERIFY(v.mostrar());
        QSignalSpy validaciones(v.a, &txtKES::Validate);
        v.a->setText("inicial");

        // In and out without a change: nothing.
        v.a->setFocus();
        QTest::keyClick(v.a, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), v.b);
        QCOMPARE(validaciones.count(), 0);

        // A change, then the focus leaves by a click on another box.
        v.a->setFocus();
        QTest::keyClick(v.a, Qt::Key_End);
        QTest::keyClicks(v.a, "X");
        QCOMPARE(validaciones.count(), 0);
        QTest::mouseClick(v.c, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), v.c);
        QCOMPARE(validaciones.count(), 1);

        // Typing and undoing it is no change either.
        v.a->setFocus();
        QTest::keyClicks(v.a, "Y");
        QTest::keyClick(v.a, Qt::Key_Backspace);
        v.b->setFocus();
        QCOMPARE(validaciones.count(), 1);
    }

    void otraVentanaNoTerminaLaEdicion()
    {
        // A message or another window coming to the front takes the focus for a while; the
        // edit goes on when the user comes back, and ends when the user leaves the box.
        Ventana v;
        QVERIFY(v.mostrar());
        QSignalSpy validaciones(v.a, &txtKES::Validate);
        v.a->setFocus();
        QTest::keyClicks(v.a, "7");
        QWidget otra;
        otra.show();
        otra.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&otra));
        QCOMPARE(validaciones.count(), 0);
        v.ventana.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&v.ventana));
        QTRY_COMPARE(QApplication::focusWidget(), v.a);
        QCOMPARE(validaciones.count(), 0);
        QTest::keyClick(v.a, Qt::Key_Tab);
        QCOMPARE(validaciones.count(), 1);
    }

    void validateConEnterUnaVezPorCambio()
    {
        Ventana v;
        QVERIFY(v.mostrar());
        QSignalSpy validaciones(v.a, &txtKES::Validate);
        v.a->setFocus();
        QTest::keyClicks(v.a, "4.1");
        QTest::keyClick(v.a, Qt::Key_Return);
        QCOMPARE(validaciones.count(), 1);
        QTest::keyClick(v.a, Qt::Key_Return);
        QCOMPARE(validaciones.count(), 1);
        // Leaving after Enter already validated the same text raises nothing more.
        v.b->setFocus();
        QCOMPARE(validaciones.count(), 1);
    }

    void eventosEnElOrdenDeLaLista()
    {
        // Validate comes before Change in the box's list; after typing, Change has come
        // for each key and Validate once, when the user leaves.
        Ventana v;
        QVERIFY(v.mostrar());
        QStringList orden;
        connect(v.a, &txtKES::Validate, this, [&] { orden << "Validate:" + v.a->text(); });
        connect(v.a, &txtKES::Change, this, [&] { orden << "Change:" + v.a->text(); });
        v.a->setFocus();
        QTest::keyClicks(v.a, "00");
        QTest::keyClick(v.a, Qt::Key_Tab);
        QCOMPARE(orden, (QStringList{"Change:0", "Change:00", "Validate:00"}));
    }

    void validateAntesQueElBotonDeLaBarra()
    {
        // The user types a code and clicks Aceptar at once: the box's Validate must run
        // before the toolbar's event.
        QWidget ventana;
        auto* capa = new QVBoxLayout(&ventana);
        auto* barra = new Controles(&ventana);
        barra->setObjectName("Controles1");
        barra->setB1caption("Aceptar");
        auto* codigo = new txtKES(&ventana);
        codigo->setObjectName("txtCodigo");
        capa->addWidget(barra);
        capa->addWidget(codigo);
        QStringList orden;
        connect(codigo, &txtKES::Validate, this, [&] { orden << "Validate"; });
        connect(barra, &Controles::B1Click, this, [&] { orden << "B1Click"; });
        ventana.show();
        QVERIFY(QTest::qWaitForWindowActive(&ventana));

        codigo->setFocus();
        QTest::keyClicks(codigo, "4.1.3");
        QToolButton* aceptar = barra->Boton("B1");
        QVERIFY(aceptar && aceptar->isVisible());
        QTest::mouseClick(aceptar, Qt::LeftButton);
        QCOMPARE(orden, (QStringList{"Validate", "B1Click"}));
        QCOMPARE(QApplication::focusWidget(), aceptar);
    }

    void tabLlegaALaCajaQueValidateDesbloquea()
    {
        // The editor's "000" code: Validate unlocks the level box and puts it back in the
        // tab order, and the very Tab (or Enter) that ended the edit must stop there.
        for (Qt::Key tecla : {Qt::Key_Tab, Qt::Key_Return}) {
            Ventana v;
            v.a->setTabonenter(true);
            v.b->setLocked(true);
            v.b->setTabStop(false);
            connect(v.a, &txtKES::Validate, this, [&] {
                if (v.a->text() == "000") {
                    v.b->setLocked(false);
                    v.b->setTabStop(true);
                }
            });
            QVERIFY(v.mostrar());
            v.a->setFocus();
            QTest::keyClicks(v.a, "000");
            QTest::keyClick(v.a, tecla);
            QCOMPARE(QApplication::focusWidget(), v.b);
            QVERIFY(!v.b->locked());
        }
    }

    void valor_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<double>("valor");
        QTest::newRow("entero y letras") << "12abc" << 12.0;
        QTest::newRow("solo letras") << "abc" << 0.0;
        QTest::newRow("decimal") << "1.5" << 1.5;
        QTest::newRow("negativo") << "-3" << -3.0;
        QTest::newRow("con signo más") << "+7x" << 7.0;
        QTest::newRow("espacios dentro") << " 4 5" << 45.0;
        QTest::newRow("exponente") << "1e3" << 1000.0;
        QTest::newRow("exponente incompleto") << "2e" << 2.0;
        QTest::newRow("dos puntos") << "1.2.3" << 1.2;
        QTest::newRow("punto final") << "12." << 12.0;
        QTest::newRow("decimal sin entero") << ".25" << 0.25;
        QTest::newRow("vacío") << "" << 0.0;
        QTest::newRow("solo punto") << "." << 0.0;
        QTest::newRow("coma no es decimal") << "3,5" << 3.0;
    }

    void valor()
    {
        QFETCH(QString, texto);
        QFETCH(double, valor);
        txtKES caja;
        caja.setText(texto);
        QCOMPARE(caja.Valor(), valor);
    }

    void valorEscribeElNumero()
    {
        txtKES caja;
        caja.setValor(3);
        QCOMPARE(caja.text(), QString("3"));
        caja.setValor(1.5);
        QCOMPARE(caja.text(), QString("1.5"));
        caja.setProperty("Valor", -20);
        QCOMPARE(caja.text(), QString("-20"));
        QCOMPARE(caja.property("Valor").toDouble(), -20.0);
    }

    // The maximum length holds what the user types or pastes; text set by code is kept whole
    // (the editor shows a seven-digit automatic key in a box of six), and the user cannot
    // make such a text longer.
    void largoMaximoSoloParaElUsuario()
    {
        Ventana v;
        v.a->setProperty("maxLength", 6);
        QCOMPARE(v.a->maxLength(), 6);
        QVERIFY(v.mostrar());
        v.a->setFocus();
        QSignalSpy cambios(v.a, &txtKES::Change);
        QTest::keyClicks(v.a, "1234567");
        QCOMPARE(v.a->text(), QString("123456"));
        QCOMPARE(cambios.count(), 6);  // the refused key changed nothing and said nothing

        // A paste in the middle keeps as much of itself as fits, where it went.
        QTest::keyClick(v.a, Qt::Key_Backspace);
        QTest::keyClick(v.a, Qt::Key_Backspace);
        QTest::keyClick(v.a, Qt::Key_Home);
        QTest::keyClick(v.a, Qt::Key_Right);
        QGuiApplication::clipboard()->setText("abcdef");
        QTest::keyClick(v.a, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(v.a->text(), QString("1ab234"));
        QCOMPARE(v.a->cursorPosition(), 3);
        QGuiApplication::clipboard()->setText(QString(10000, QChar(0x05d0)));
        v.a->selectAll();
        QTest::keyClick(v.a, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(v.a->text(), QString(6, QChar(0x05d0)));

        // Set by code, by property or as a number: whole.
        v.a->setText("1000000");
        QCOMPARE(v.a->text(), QString("1000000"));
        v.a->setProperty("text", QString(40, QLatin1Char('x')));
        QCOMPARE(v.a->text().size(), 40);
        v.a->setValor(123456789);
        QCOMPARE(v.a->text(), QString("123456789"));

        // The user may shorten it or replace part of it, never lengthen it.
        QTest::keyClick(v.a, Qt::Key_End);
        QTest::keyClicks(v.a, "0");
        QCOMPARE(v.a->text(), QString("123456789"));
        QTest::keyClick(v.a, Qt::Key_Backspace);
        QCOMPARE(v.a->text(), QString("12345678"));
        QTest::keyClicks(v.a, "9");
        QCOMPARE(v.a->text(), QString("12345678"));
        v.a->setSelection(0, 2);
        QGuiApplication::clipboard()->setText("xyz");
        QTest::keyClick(v.a, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(v.a->text(), QString("xy345678"));
    }

    void bloqueadaNoSeEscribePeroRecibeElFoco()
    {
        Ventana v;
        v.b->setText("fijo");
        v.b->setLocked(true);
        QVERIFY(v.mostrar());
        v.a->setFocus();
        QTest::keyClick(v.a, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), v.b);
        QTest::keyClicks(v.b, "zz");
        QCOMPARE(v.b->text(), QString("fijo"));
        QVERIFY(v.b->property("locked").toBool());
    }

    void tabStopRecuerdaLaPoliticaDeFoco()
    {
        Ventana v;
        v.b->setTabStop(false);
        QVERIFY(!v.b->TabStop());
        QVERIFY(v.mostrar());
        v.a->setFocus();
        QTest::keyClick(v.a, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), v.c);
        // Code can still give it the focus, as the focus method of the container can.
        v.b->setFocus();
        QCOMPARE(QApplication::focusWidget(), v.b);

        v.b->setTabStop(true);
        QCOMPARE(v.b->focusPolicy(), Qt::StrongFocus);
        v.c->setFocusPolicy(Qt::ClickFocus);
        v.c->setTabStop(false);
        QCOMPARE(v.c->focusPolicy(), Qt::NoFocus);
        v.c->setTabStop(true);
        QCOMPARE(v.c->focusPolicy(), Qt::ClickFocus);
    }
};

QTEST_MAIN(PruebaTxtKES)
#include "tst_txtKES.moc"
