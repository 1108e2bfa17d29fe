// The boxes the editor fills for the user: the automatic key rendered with the key format,
// the level derived from the code once the user has finished changing it, and the code "000"
// that opens the level box for a level typed by hand.

#include "AmbienteEditor.h"

class tst_EditorNivel : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        for (QWidget* ventana : QApplication::topLevelWidgets())
            QVERIFY2(!ventana->isVisible(), qPrintable(ventana->objectName() + QStringLiteral(" left shown")));
    }

    void claveAutomatica_data()
    {
        QTest::addColumn<QStringList>("existentes");
        QTest::addColumn<QString>("formato");
        QTest::addColumn<QString>("esperada");
        QTest::newRow("empty table") << QStringList{} << "000000" << "000001";
        QTest::newRow("42") << QStringList{"000041", "ACTIVO"} << "000000" << "000042";
        QTest::newRow("more digits than the format") << QStringList{"001233"} << "000" << "1234";
        QTest::newRow("seven digits") << QStringList{"999999"} << "000000" << "1000000";
        QTest::newRow("headings do not count") << QStringList{"ZZZ", "1.5"} << "000000" << "000001";
    }
    void claveAutomatica()
    {
        QFETCH(QStringList, existentes);
        QFETCH(QString, formato);
        QFETCH(QString, esperada);
        AmbienteEditor a;
        for (const QString& clave : existentes)
            a.base.InsertarGrupo(clave, QStringLiteral("Grupo ") + clave);
        Publico::sFormatoClave = formato;
        frmCATAddCuCo& e = a.editor();
        e.Load();
        a.base.LimpiarTraza();
        QVERIFY(e.ClaveAutomatica());
        // The key is written whole, whatever the box lets a user type; the save then refuses
        // it as longer than the format.
        QCOMPARE(e.txtClave()->text(), esperada);
        const auto llamadas = a.base.TrazaDe(QStringLiteral("SiguienteNumero"));
        QCOMPARE(llamadas.size(), 1);
        QCOMPARE(llamadas[0].value(QStringLiteral("tabla")).toString(), QStringLiteral("Grupo_Cuenta_Contable"));
        QCOMPARE(llamadas[0].value(QStringLiteral("campo")).toString(), QStringLiteral("Gcc_Cve_Grupo_Cuenta_Contable"));
        QCOMPARE(llamadas[0].value(QStringLiteral("textos")).toArray().size(), 7);
        for (const QJsonValue& texto : llamadas[0].value(QStringLiteral("textos")).toArray())
            QCOMPARE(texto.toString(), QString());
        QVERIFY(a.base.Mensajes().isEmpty());
    }

    // An automatic key longer than the format is shown whole, and the save refuses it: cut
    // to the key box's six characters it would have been saved as another group's key.
    void claveAutomaticaMasLargaQueElFormato_data()
    {
        QTest::addColumn<QString>("ultima");
        QTest::addColumn<QString>("formato");
        QTest::addColumn<QString>("esperada");
        QTest::newRow("format of three") << "001233" << "000" << "1234";
        QTest::newRow("seven digits") << "999999" << "000000" << "1000000";
    }
    void claveAutomaticaMasLargaQueElFormato()
    {
        QFETCH(QString, ultima);
        QFETCH(QString, formato);
        QFETCH(QString, esperada);
        AmbienteEditor a;
        a.base.InsertarGrupo(ultima, QStringLiteral("Ultimo"), QStringLiteral("1"));
        Publico::sFormatoClave = formato;
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("0"));
        QCOMPARE(e.txtClave()->text(), esperada);
        const bool abierto = a.Conducir([&](frmCATAddCuCo& e) {
            QTest::keyClicks(e.txtDescripcion(), QStringLiteral("Nuevo"));
            AmbienteEditor::Escribir(e.txtCodigo(), QStringLiteral("2"));
            AmbienteEditor::Pulsar(e, "B1");
        });
        QVERIFY(abierto);
        COMPROBAR_MENSAJE(a, QStringLiteral("La longitud del código excede el límite, el formato definido es:\r\n") + formato,
                          48, "Clave incorrecta", "ERR-ID:7500020");
        QCOMPARE(a.Grupos(), 1);
    }

    // The next number does not fit: reported, False, the box keeps its text for the user.
    void claveAutomaticaFalla()
    {
        AmbienteEditor a;
        a.base.InsertarGrupo(QStringLiteral("2147483647"), QStringLiteral("Ultimo posible"));
        frmCATAddCuCo& e = a.editor();
        e.Load();
        e.txtClave()->setText(QStringLiteral("PREVIA"));
        QVERIFY(!e.ClaveAutomatica());
        QCOMPARE(e.txtClave()->text(), QStringLiteral("PREVIA"));
        const auto mensajes = a.base.Mensajes();
        QCOMPARE(mensajes.size(), 1);
        QVERIFY(!mensajes[0].texto.isEmpty());
        QCOMPARE(mensajes[0].estilo, 16L);
        QCOMPARE(mensajes[0].titulo, QStringLiteral("ClaveAutomatica()"));
        QCOMPARE(mensajes[0].proyecto, QStringLiteral("TQ614"));
        QCOMPARE(mensajes[0].idError, QStringLiteral("ERR-ID:7500028"));
        QCOMPARE(mensajes[0].ventana, e.hWnd());
    }

    void nivelDelCodigo_data()
    {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<bool>("conEnter");
        QTest::addColumn<QString>("nivel");
        QTest::newRow("4") << "4" << false << "1";
        QTest::newRow("4.1.3") << "4.1.3" << false << "3";
        QTest::newRow("trailing dot") << "4." << false << "2";
        QTest::newRow("two dots") << ".." << false << "3";
        QTest::newRow("one dot") << "." << true << "2";
        QTest::newRow("letters") << "abc" << true << "1";
        QTest::newRow("five levels, Enter") << "1.02.003.4.5" << true << "5";
        QTest::newRow("thirty characters") << "1.1.1.1.1.1.1.1.1.1.1.1.1.1.1." << false << "16";
    }
    void nivelDelCodigo()
    {
        QFETCH(QString, codigo);
        QFETCH(bool, conEnter);
        QFETCH(QString, nivel);
        AmbienteEditor a;
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("0"));
        QString mostrado;
        bool bloqueado = false;
        QString foco;
        a.Conducir([&](frmCATAddCuCo& e) {
            AmbienteEditor::Escribir(e.txtCodigo(), codigo);
            QCOMPARE(e.txtNivel()->text(), QString());  // nothing derived while typing
            QTest::keyClick(e.txtCodigo(), conEnter ? Qt::Key_Return : Qt::Key_Tab);
            mostrado = e.txtNivel()->text();
            bloqueado = e.txtNivel()->locked();
            foco = e.Ventana()->focusWidget()->objectName();
            AmbienteEditor::Pulsar(e, "B2");
        });
        QCOMPARE(mostrado, nivel);
        QVERIFY(bloqueado);
        QVERIFY(foco != QLatin1String("txtNivel"));
        QCOMPARE(e.txtCodigo()->text(), codigo);
        QVERIFY(a.base.Mensajes().isEmpty());
    }

    void codigoVacioVaciaElNivel()
    {
        AmbienteEditor a;
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("0"));
        QString antes;
        a.Conducir([&](frmCATAddCuCo& e) {
            AmbienteEditor::Escribir(e.txtCodigo(), QStringLiteral("4.1"));
            QTest::keyClick(e.txtCodigo(), Qt::Key_Tab);
            antes = e.txtNivel()->text();
            AmbienteEditor::Escribir(e.txtCodigo(), QString());
            QTest::keyClick(e.txtCodigo(), Qt::Key_Tab);
            AmbienteEditor::Pulsar(e, "B2");
        });
        QCOMPARE(antes, QStringLiteral("2"));
        QCOMPARE(e.txtNivel()->text(), QString());
        QVERIFY(e.txtNivel()->locked());
    }

    // "000" opens the level box and the tab key reaches it (also Enter); changing the code
    // afterwards locks it again and puts the derived level back.
    void codigo000AbreElNivel_data()
    {
        QTest::addColumn<int>("tecla");
        QTest::newRow("Tab") << int(Qt::Key_Tab);
        QTest::newRow("Enter") << int(Qt::Key_Return);
    }
    void codigo000AbreElNivel()
    {
        QFETCH(int, tecla);
        AmbienteEditor a;
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("0"));
        QWidget* trasElCodigo = nullptr;
        bool abiertoTras000 = false;
        bool paradaTras000 = false;
        QString escrito;
        a.Conducir([&](frmCATAddCuCo& e) {
            AmbienteEditor::Escribir(e.txtCodigo(), QStringLiteral("000"));
            QTest::keyClick(e.txtCodigo(), Qt::Key(tecla));
            trasElCodigo = e.Ventana()->focusWidget();
            abiertoTras000 = !e.txtNivel()->locked();
            paradaTras000 = e.txtNivel()->TabStop();
            QTest::keyClicks(e.txtNivel(), QStringLiteral("7"));
            escrito = e.txtNivel()->text();
            AmbienteEditor::Escribir(e.txtCodigo(), QStringLiteral("1.2"));
            QVERIFY(e.txtNivel()->locked());  // the first edit locks it
            QVERIFY(!e.txtNivel()->TabStop());
            QTest::keyClick(e.txtCodigo(), Qt::Key(tecla));
            AmbienteEditor::Pulsar(e, "B2");
        });
        QCOMPARE(trasElCodigo, e.txtNivel());
        QVERIFY(abiertoTras000);
        QVERIFY(paradaTras000);
        QCOMPARE(escrito, QStringLiteral("7"));
        QCOMPARE(e.txtNivel()->text(), QStringLiteral("2"));
        QVERIFY(e.txtNivel()->locked());
    }

    // Edit writes the stored level after the code: it stays until the user changes the code,
    // even when the code alone would give another level.
    void nivelGuardadoHastaCambiarElCodigo()
    {
        AmbienteEditor a;
        a.base.InsertarGrupo(QStringLiteral("000009"), QStringLiteral("Importado"), QStringLiteral("1.1"),
                             QStringLiteral("0"), 5);
        frmCATAddCuCo& e = a.AbrirEdicion(QStringLiteral("000009"));
        QCOMPARE(e.txtNivel()->text(), QStringLiteral("5"));
        QString trasPasar;
        a.Conducir([&](frmCATAddCuCo& e) {
            e.txtCodigo()->setFocus();
            QTest::keyClick(e.txtCodigo(), Qt::Key_Tab);
            trasPasar = e.txtNivel()->text();
            AmbienteEditor::Escribir(e.txtCodigo(), QStringLiteral("1.1.1"));
            QTest::keyClick(e.txtCodigo(), Qt::Key_Tab);
            AmbienteEditor::Pulsar(e, "B2");
        });
        QCOMPARE(trasPasar, QStringLiteral("5"));
        QCOMPARE(e.txtNivel()->text(), QStringLiteral("3"));
    }
};

QTEST_MAIN(tst_EditorNivel)
#include "tst_EditorNivel.moc"
