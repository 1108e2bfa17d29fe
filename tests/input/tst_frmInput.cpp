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

    // Aceptar and Enter do nothing while the box is empty: it stays shown, Aceptado as it was. Each way of
    // closing sets Aceptado and leaves the box loaded for the caller to read.
    void textosYCierres()
    {
        frmInput& f = frmInput::Instancia();
        f.Load();
        // The text typed, the way out, whether it accepts, whether the box stays.
        const std::tuple<QString, QString, bool, bool> filas[] = {
            {"", "cmdAceptar", false, true},        {"", "Return", false, true},     {"   ", "cmdAceptar", true, false},
            {"banco", "cmdCancelar", false, false}, {"caja", "Return", true, false}, {"caja", "Enter", true, false},
            {"caja", "Esc", false, false},          {"x", "close", false, false},
        };
        for (const auto& [texto, accion, acepta, sigue] : filas) {
            f.Aceptado = !acepta;  // what a close must change, and a refusal keep
            QVERIFY2(Conducir([&](frmInput& f) {
                         QTest::keyClicks(f.txtValor(), texto);
                         if (accion == "close")
                             f.Ventana()->close();
                         else if (auto* boton = f.Ventana()->findChild<QWidget*>(accion))
                             QTest::mouseClick(boton, Qt::LeftButton);
                         else
                             QTest::keyClick(f.txtValor(), QKeySequence(accion)[0].key());
                     }) == sigue,
                     qPrintable(accion));
            QCOMPARE(accion + u' ' + f.txtValor()->text() + (f.Aceptado ? " aceptado" : "")
                         + (f.Cargado() ? "" : " descargado"),
                     accion + u' ' + texto + ((sigue ? !acepta : acepta) ? " aceptado" : ""));
        }
    }
};

QTEST_MAIN(tst_frmInput)
#include "tst_frmInput.moc"
