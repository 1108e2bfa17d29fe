// The value input box: its texts, each Mostrar starting empty, Aceptar refused silently while
// the box is empty, and how each way of closing it sets Aceptado.
#include "VigiaModal.h"
#include "frmInput.h"

#include <QtTest>
#include <functional>

class tst_frmInput : public QObject
{
    Q_OBJECT

    // Runs Mostrar with `pasos` inside its modal loop; returns whether the box was still shown
    // after them (then hidden so that Mostrar returns).
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
        QCOMPARE(QStringList({f.titulo()->caption(), f.Etiqueta1()->caption(), f.cmdAceptar()->caption(),
                              f.cmdCancelar()->caption()}),
                 (QStringList{"Buscar", "Valor a buscar:", "Aceptar", "Cancelar"}));
        QCOMPARE(f.titulo()->pictureicono().size(), QSize(16, 16));
        f.Aceptado = true;
        f.txtValor()->setText("anterior");
        QString alMostrar = "<sin mostrar>";
        QVERIFY(Conducir([&](frmInput& f) {
            alMostrar = f.txtValor()->text();
            QTest::mouseClick(f.cmdAceptar(), Qt::LeftButton);
            QTest::keyClick(f.txtValor(), Qt::Key_Return);
        }));
        QVERIFY(f.Aceptado);  // left as it was: no message, nothing done
        QCOMPARE(alMostrar, QString());
    }

    void cierres_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("accion");  // a button, a key or "close"
        QTest::addColumn<bool>("aceptado");
        const struct
        {
            const char* fila;
            QString texto, accion;
            bool aceptado;
        } filas[] = {
            {"Aceptar con espacios", "   ", "cmdAceptar", true},
            {"Cancelar", "banco", "cmdCancelar", false},
            {"Enter", "caja", "Return", true},
            {"Enter del teclado numérico", "caja", "Enter", true},
            {"Escape", "caja", "Esc", false},
            {"cierre por el sistema", "x", "close", false},
        };
        for (const auto& f : filas)
            QTest::newRow(f.fila) << f.texto << f.accion << f.aceptado;
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
            if (accion == "close")
                f.Ventana()->close();
            else if (auto* boton = f.Ventana()->findChild<QWidget*>(accion))
                QTest::mouseClick(boton, Qt::LeftButton);
            else
                QTest::keyClick(f.txtValor(), QKeySequence(accion)[0].key());
        }));
        QCOMPARE(f.Aceptado, aceptado);
        QVERIFY(f.Cargado());  // the caller reads the text afterwards
        QCOMPARE(f.txtValor()->text(), texto);
    }
};

QTEST_MAIN(tst_frmInput)
#include "tst_frmInput.moc"
