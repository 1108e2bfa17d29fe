// The text box: Enter moving on, Change and Validate for what the user does and for text set by
// code, locked and tab stop, the value, the length limit on the user alone, and the lookup with
// the value bound on the data service's real SQLite and PostgreSQL connections.
#include "BaseDePrueba.h"
#include "FabricaServicios.h"
#include "Servicios.h"
#include "txtKES.h"

#include <QClipboard>
#include <QFrame>
#include <QJsonArray>
#include <QVBoxLayout>
#include <QtTest>

namespace {

// Three boxes one under the other, shown and active with the focus in a.
struct Ventana
{
    QWidget ventana;
    txtKES* a = new txtKES(&ventana);
    txtKES* b = new txtKES(&ventana);
    txtKES* c = new txtKES(&ventana);
    Ventana()
    {
        auto* capa = new QVBoxLayout(&ventana);
        for (txtKES* caja : {a, b, c})
            capa->addWidget(caja);
        ventana.show();
        (void)QTest::qWaitForWindowActive(&ventana);
        a->setFocus();
    }
};

// The editor's pair (the description in a frame of its own: the lookup searches the window), on
// keys that look like SQL, over the data service's connection, whose statements the base records.
struct Formulario
{
    QWidget ventana;
    std::unique_ptr<AccesoDatos> datos{static_cast<AccesoDatos*>(KesCrearObjeto("AccesoDatos"))};
    txtKES* padre = new txtKES(&ventana);
    txtKES* nombre = new txtKES(new QFrame(&ventana));
    explicit Formulario(BaseDePrueba& base)
    {
        for (const auto& [clave, descripcion] : {std::pair{"1", "ACTIVO"},
                                                 {"O'Brien", "CON COMILLA"},
                                                 {"x' OR '1'='1", "FRAGMENTO GUARDADO"},
                                                 {"?", "SIGNO"}})
            base.InsertarGrupo(clave, descripcion);
        base.LimpiarTraza();
        padre->setProveedorConexion([this] { return datos->Conexion(); });
        padre->setObjectName("txtPadre");
        padre->setSql("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '?'");
        padre->setSql_control_resultado("txtNPadre");
        nombre->setObjectName("txtNPadre");
    }
};

} // namespace

class PruebaTxtKES : public QObject
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
        QTest::keyClick(v.b, Qt::Key_Enter);  // b does not move on with Enter
        QCOMPARE(QApplication::focusWidget(), v.b);
        QCOMPARE(eventos, QStringList{"Validate:12"});
        v.a->setFocus();
        QTest::keyClick(v.a, Qt::Key_Backspace);
        QTest::keyClicks(v.a, ".");
        QTest::keyClick(v.a, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), v.b);
        QCOMPARE(eventos.mid(1), (QStringList{"Change:1", "Change:1.", "Validate:1."}));
        // Typed and undone, or typed again over itself: each Change is still followed by Validate.
        v.a->setFocus();
        QTest::keyClicks(v.a, "Y");
        QTest::keyClick(v.a, Qt::Key_Backspace);
        v.b->setFocus();
        QCOMPARE(eventos.mid(4), (QStringList{"Change:1.Y", "Change:1.", "Validate:1."}));
        // A message coming to the front takes the focus a while; the edit goes on after it
        // and ends with a click elsewhere.
        v.a->setFocus();
        QTest::keyClicks(v.a, "5");
        QWidget otra;
        otra.show();
        otra.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&otra));
        v.ventana.activateWindow();
        QTRY_COMPARE(QApplication::focusWidget(), v.a);
        QCOMPARE(eventos.size(), 8);
        QTest::mouseClick(v.c, Qt::LeftButton);
        QCOMPARE(eventos.mid(8), QStringList{"Validate:1.5"});
    }

    void bloqueadaYTabStop()
    {
        Ventana v;
        v.b->setText("fijo");
        v.b->setLocked(true);
        v.b->setTabStop(false);
        QTest::keyClick(v.a, Qt::Key_Tab);  // skips b
        QCOMPARE(QApplication::focusWidget(), v.c);
        v.b->setFocus();  // code may still give it the focus; the user cannot write in it
        QTest::keyClicks(v.b, "zz");
        QCOMPARE(v.b->text(), QString("fijo"));
    }

    void valor()
    {
        // Read as far as it reads as a number; written back as the number.
        for (const auto& [texto, valor] : {std::pair{"12abc", 12.0},
                                           {"abc", 0.0},
                                           {"-7x", -7.0},
                                           {" 4 5", 45.0},
                                           {"1e3", 1000.0},
                                           {"2e", 2.0},
                                           {"1.2.3", 1.2},
                                           {".25", 0.25},
                                           {"3,5", 3.0}}) {
            txtKES caja;
            caja.setText(texto);
            QVERIFY2(caja.Valor() == valor, texto);
            caja.setProperty("Valor", valor);
            QCOMPARE(caja.text(), QString::number(valor));
        }
    }

    // The limit holds what the user types or pastes; text set by code is kept whole (the
    // editor shows a seven-digit automatic key in a box of six) and the user cannot lengthen it.
    void largoMaximoSoloParaElUsuario()
    {
        Ventana v;
        v.a->setProperty("maxlength", 6);
        QSignalSpy cambios(v.a, &txtKES::Change);
        QTest::keyClicks(v.a, "1234567");
        QCOMPARE(v.a->text(), QString("123456"));
        QCOMPARE(cambios.count(), 6);
        auto pegar = [&](const QString& texto) {
            QGuiApplication::clipboard()->setText(texto);
            QTest::keyClick(v.a, Qt::Key_V, Qt::ControlModifier);
        };
        v.a->setSelection(4, 2);
        v.a->del();
        v.a->setCursorPosition(1);
        pegar("abcdef");  // keeps as much of itself as fits, where it went
        QCOMPARE(v.a->text(), QString("1ab234"));
        v.a->setValor(1000000);
        QCOMPARE(v.a->text(), QString("1000000"));
        v.a->setText("12345678");
        QTest::keyClick(v.a, Qt::Key_Backspace);
        QTest::keyClicks(v.a, "9");
        QCOMPARE(v.a->text(), QString("1234567"));
        v.a->setSelection(0, 2);
        pegar("xyz");
        QCOMPARE(v.a->text(), QString("xy34567"));
    }

    void consulta_data() { BaseDePrueba::AgregarMotores(); }
    void consulta()
    {
        ABRIR_BASE(motor, base);
        Formulario f(base);
        // Without data services there is no lookup, and nothing else happens.
        f.padre->setProveedorConexion([] { return nullptr; });
        f.nombre->setText("sin servicios");
        f.padre->setText("1");
        QCOMPARE(f.nombre->text() + base.Sentencias().join(';'), QString("sin servicios"));
        f.padre->setProveedorConexion([&f] { return f.datos->Conexion(); });
        f.padre->clear();
        base.LimpiarTraza();
        f.padre->setText("1");
        QCOMPARE(f.nombre->text(), QString("ACTIVO"));
        // The quoted placeholder became a bound one: the key is not in the statement.
        QCOMPARE(base.Sentencias(),
                 QStringList{"SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable WHERE "
                             "Gcc_Cve_Grupo_Cuenta_Contable = ?"});
        for (const auto& [clave, esperado] : {std::pair{"x' OR '1'='1", "FRAGMENTO GUARDADO"},
                                              {"1' OR '1'='1", ""},
                                              {"?", "SIGNO"},
                                              {"'; DELETE FROM Grupo_Cuenta_Contable; --", ""}}) {
            f.padre->setText(clave);
            QCOMPARE(f.nombre->text(), QString(esperado));
        }
        QCOMPARE(base.ContarFilas("Grupo_Cuenta_Contable"), 4);
        // Typed: one lookup per keystroke, each with the value bound.
        f.ventana.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.ventana));
        f.padre->clear();
        f.padre->setFocus();
        base.LimpiarTraza();
        QTest::keyClicks(f.padre, "O'Brien");
        QCOMPARE(f.nombre->text(), QString("CON COMILLA"));
        const QList<QJsonObject> llamadas = base.TrazaDe("Execute");
        QCOMPARE(llamadas.size(), 7);
        for (const QJsonObject& llamada : llamadas)
            QVERIFY2(!llamada["sql"].toString().contains("O'"), qPrintable(llamada["sql"].toString()));
        QCOMPARE(llamadas.last()["parametros"].toArray(), QJsonArray{"O'Brien"});
        // A failing lookup shows nothing and leaves the connection usable for the next.
        f.padre->setSql("SELECT Nombre FROM NoExiste WHERE Clave = '?'");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("txtPadre: la consulta de txtNPadre falló"));
        QTest::keyClick(f.padre, Qt::Key_Backspace);
        QCOMPARE(f.nombre->text(), QString());
        // Other ways of writing the statement: each placeholder bound, the first column shown.
        const QString donde = " FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '?'";
        for (const auto& [sql, esperado] :
             {std::pair<QString, QString>{"select g.Gcc_Descripcion from Grupo_Cuenta_Contable g "
                                          "where g.Gcc_Cve_Grupo_Cuenta_Contable = ? OR g.Gcc_Descripcion = ?",
                                          "ACTIVO"},
              {"SELECT Gcc_Descripcion || ' (?)' AS d" + donde, "ACTIVO (?)"},
              {"SELECT upper(Gcc_Descripcion), Gcc_Cve_Grupo_Cuenta_Contable" + donde, "ACTIVO"},
              {"SELECT lower(Gcc_Descripcion) minusculas" + donde, "activo"}}) {
            f.padre->setSql(sql);
            f.padre->clear();
            f.padre->setText("1");
            QVERIFY2(f.nombre->text() == esperado, qPrintable(sql + " -> " + f.nombre->text()));
        }
    }
};

QTEST_MAIN(PruebaTxtKES)
#include "tst_txtKES.moc"
