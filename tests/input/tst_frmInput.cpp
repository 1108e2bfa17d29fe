// The value input box: each showing empty, Aceptar refused while empty, how each close sets Aceptado.
#include "VigiaModal.h"
#include "frmInput.h"

#include <QtTest>
#include <functional>

class tst_frmInput : public QObject
{
    Q_OBJECT

    // Mostrar, which starts empty, with `pasos` in its loop; whether the box stayed shown (then hidden).
    static bool Conducir(const std::function<void(frmInput&)>& pasos)
    {
        frmInput& f = frmInput::Instancia();
        bool abierto = false;
        VigiaModal vigia([&](QWidget*) {
            QVERIFY(QTest::qWaitForWindowActive(f.Ventana()));
            QCOMPARE(f.txtValor()->text(), QString());
            pasos(f);
            if ((abierto = f.Ventana()->isVisible()))
                f.Hide();
        });
        f.Mostrar();
        return abierto;
    }

private slots:
    void cleanup() { frmInput::Instancia().Unload(); }

    // Aceptar and Enter do nothing while the box is empty; each way of closing leaves the box
    // loaded for the caller to read.
    void textosYCierres()
    {
        frmInput& f = frmInput::Instancia();
        f.Load();
        f.Aceptado = true;
        f.txtValor()->setText("anterior");
        QVERIFY(Conducir([&](frmInput& f) {
            QTest::mouseClick(f.cmdAceptar(), Qt::LeftButton);
            QTest::keyClick(f.txtValor(), Qt::Key_Return);
        }));
        QVERIFY(f.Aceptado);  // left as it was: no message, nothing done
        const std::tuple<QString, QString, bool> filas[] = {
            {"   ", "cmdAceptar", true}, {"banco", "cmdCancelar", false}, {"caja", "Return", true},
            {"caja", "Enter", true},     {"caja", "Esc", false},          {"x", "close", false},
        };
        for (const auto& [texto, accion, aceptado] : filas) {
            f.Aceptado = !aceptado;
            QVERIFY2(!Conducir([&](frmInput& f) {
                QTest::keyClicks(f.txtValor(), texto);
                if (accion == "close")
                    f.Ventana()->close();
                else if (auto* boton = f.Ventana()->findChild<QWidget*>(accion))
                    QTest::mouseClick(boton, Qt::LeftButton);
                else
                    QTest::keyClick(f.txtValor(), QKeySequence(accion)[0].key());
            }),
                     qPrintable(accion));
            QCOMPARE(accion + u' ' + f.txtValor()->text() + (f.Aceptado ? " aceptado" : "")
                         + (f.Cargado() ? "" : " descargado"),
                     accion + u' ' + texto + (aceptado ? " aceptado" : ""));
        }
    }
};

QTEST_MAIN(tst_frmInput)
#include "tst_frmInput.moc"
