// The value input box: its texts, each Mostrar starting empty, Aceptar refused silently while
// the box is empty, and how each way of closing it sets Aceptado.
#include "Etiqueta.h"
#include "Titulo.h"
#include "VigiaModal.h"
#include "flatButton.h"
#include "frmInput.h"
#include "txtKES.h"

#include <QtTest>
#include <functional>

class tst_frmInput : public QObject
{
    Q_OBJECT

    // Runs Mostrar with `pasos` inside its modal loop; returns whether the box was still shown
    // after them (it is then hidden so that Mostrar returns).
    static bool Conducir(const std::function<void(frmInput&)>& pasos)
    {
        frmInput& f = frmInput::Instancia();
        bool abierto = false;
        VigiaModal vigia([&](QWidget*) {
            QVERIFY(QTest::qWaitForWindowActive(f.Ventana()));
            pasos(f);
            if ((abierto = f.Ventana()->isVisible()))
                f.Hide();
        });
        f.Mostrar();
        return abierto;
    }

private slots:
    void cleanup() { frmInput::Instancia().Unload(); }

    void textosYCajaVacia()
    {
        frmInput& f = frmInput::Instancia();
        f.Load();
        QCOMPARE(f.titulo()->caption(), QString("Buscar"));
        QCOMPARE(f.Etiqueta1()->caption(), QString("Valor a buscar:"));
        QCOMPARE(f.cmdAceptar()->caption(), QString("Aceptar"));
        QCOMPARE(f.cmdCancelar()->caption(), QString("Cancelar"));
        QVERIFY(!(f.cmdAceptar()->focusPolicy() & Qt::TabFocus)); // Tab stays in the box
        f.Aceptado = true;
        f.txtValor()->setText("anterior");
        QString alMostrar = "<sin mostrar>";
        QVERIFY(Conducir([&](frmInput& f) {
            alMostrar = f.txtValor()->text();
            QTest::mouseClick(f.cmdAceptar(), Qt::LeftButton);
            QTest::keyClick(f.txtValor(), Qt::Key_Return);
        }));
        QVERIFY(f.Aceptado); // left as it was: no message, nothing done
        QCOMPARE(alMostrar, QString());
    }

    void cierres_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("accion");
        QTest::addColumn<bool>("aceptado");
        QTest::newRow("clic en Aceptar con espacios") << "   " << "cmdAceptar" << true;
        QTest::newRow("clic en Cancelar") << "banco" << "cmdCancelar" << false;
        QTest::newRow("Enter") << "caja" << "Return" << true;
        QTest::newRow("Enter del teclado numérico") << "caja" << "Enter" << true;
        QTest::newRow("Escape") << "caja" << "Escape" << false;
        QTest::newRow("cierre por el sistema") << "x" << "close" << false;
    }
    void cierres()
    {
        QFETCH(QString, texto);
        QFETCH(QString, accion);
        QFETCH(bool, aceptado);
        frmInput& f = frmInput::Instancia();
        f.Load();
        f.Aceptado = !aceptado;
        QVERIFY(!Conducir([&](frmInput& f) {
            QTest::keyClicks(f.txtValor(), texto);
            const QMap<QString, Qt::Key> teclas{{"Return", Qt::Key_Return}, {"Enter", Qt::Key_Enter}, {"Escape", Qt::Key_Escape}};
            if (accion == "close")
                f.Ventana()->close();
            else if (teclas.contains(accion))
                QTest::keyClick(f.txtValor(), teclas[accion]);
            else
                QTest::mouseClick(f.Ventana()->findChild<flatButton*>(accion), Qt::LeftButton);
        }));
        QCOMPARE(f.Aceptado, aceptado);
        QVERIFY(f.Cargado()); // the caller reads the text afterwards
        QCOMPARE(f.txtValor()->text(), texto);
    }
};

QTEST_MAIN(tst_frmInput)
#include "tst_frmInput.moc"
