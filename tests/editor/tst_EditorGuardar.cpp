// The editor's save: the seven checks in order with their messages and focus, the insert and
// the update as the database receives them, one transaction that the change registration can
// veto, run-time errors rolled back and reported, and typed text stored exactly as typed.

#include "AmbienteEditor.h"
#include "GrupoCuenta.h"

class tst_EditorGuardar : public QObject
{
    Q_OBJECT

private:
    static void Pegar(QLineEdit* caja, const QString& texto)
    {
        caja->setFocus(Qt::MouseFocusReason);
        caja->selectAll();
        caja->insert(texto);
    }

    static QString InsercionEsperada(const QString& clave, const QString& descripcion, const QString& codigo,
                                     const QString& padre, const QString& nivel, AmbienteEditor& a)
    {
        const QStringList fechas = a.Resultados(QStringLiteral("FormatoFecha"));
        const QStringList sellos = a.Resultados(QStringLiteral("FormatoFechaRegistro"));
        const QStringList operadores = a.Resultados(QStringLiteral("Operador"));
        if (fechas.size() != 2 || sellos.size() != 1 || operadores.size() != 1)
            return QStringLiteral("<llamadas de fecha u operador inesperadas>");
        return QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, "
                              "Gcc_Codigo, Gcc_Padre, Gcc_Nivel, Gcc_UserDef_1, Gcc_UserDef_2, Gcc_UserDef_3, "
                              "Gcc_UserDef_4, Gcc_UserDef_5, Gcc_UserDef_6, Oper_Alta, Oper_Ult_Modif, Fecha_Alta, "
                              "Fecha_Ult_Modif, Es_Cve_Estado)VALUES('%1', '%2', '%3', '%4',  %5 , '', '', 0, 0, "
                              "'%6', '%7', '%8', '%8', '%9', '%9','AC')")
            .arg(clave, descripcion, codigo, padre, nivel, fechas[0], fechas[1], operadores[0], sellos[0]);
    }

    static int Llamadas(AmbienteEditor& a, const char* llamada)
    {
        return int(a.base.TrazaDe(QLatin1String(llamada)).size());
    }

private slots:
    void cleanup()
    {
        for (QWidget* ventana : QApplication::topLevelWidgets())
            QVERIFY2(!ventana->isVisible(), qPrintable(ventana->objectName() + QStringLiteral(" left shown")));
    }

    void nuevoGrupoBajoLaRaiz_data() { BaseDePrueba::AgregarMotores(); }
    void nuevoGrupoBajoLaRaiz()
    {
        QFETCH(BaseDePrueba::Motor, motor);
        REQUIERE_MOTOR(motor);
        AmbienteEditor a(motor);
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("0"));
        QCOMPARE(e.txtClave()->text(), QStringLiteral("000001"));
        a.base.LimpiarTraza();

        const bool abierto = a.Conducir([&](frmCATAddCuCo& e) {
            QCOMPARE(e.Ventana()->focusWidget(), e.txtDescripcion());
            QTest::keyClicks(e.txtDescripcion(), QStringLiteral("Activo circulante"));
            // The code is typed and Aceptar clicked at once: the level still follows the code.
            AmbienteEditor::Escribir(e.txtCodigo(), QStringLiteral("1.1"));
            AmbienteEditor::Pulsar(e, "B1");
        });

        QVERIFY(!abierto);
        QVERIFY(e.Aceptado);
        QVERIFY(a.base.Mensajes().isEmpty());
        QCOMPARE(a.Grupos(), 1);
        QCOMPARE(a.Columna(QStringLiteral("000001"), QStringLiteral("Gcc_Descripcion")).toString(), QStringLiteral("Activo circulante"));
        QCOMPARE(a.Columna(QStringLiteral("000001"), QStringLiteral("Gcc_Codigo")).toString(), QStringLiteral("1.1"));
        QCOMPARE(a.Columna(QStringLiteral("000001"), QStringLiteral("Gcc_Padre")).toString(), QStringLiteral("0"));
        QCOMPARE(a.Columna(QStringLiteral("000001"), QStringLiteral("Gcc_Nivel")).toInt(), 2);
        QCOMPARE(a.Columna(QStringLiteral("000001"), QStringLiteral("Oper_Alta")).toString(), QStringLiteral("PRUEBA"));
        QCOMPARE(a.Columna(QStringLiteral("000001"), QStringLiteral("Es_Cve_Estado")).toString(), QStringLiteral("AC"));
        QCOMPARE(a.Escrituras(),
                 QStringList{InsercionEsperada(QStringLiteral("000001"), QStringLiteral("Activo circulante"),
                                               QStringLiteral("1.1"), QStringLiteral("0"), QStringLiteral("2"), a)});
        QCOMPARE(Llamadas(a, "BeginTrans"), 1);
        QCOMPARE(Llamadas(a, "CommitTrans"), 1);
        QCOMPARE(Llamadas(a, "RollbackTrans"), 0);
        const auto registro = a.base.TrazaDe(QStringLiteral("RegistrarCambio"));
        QCOMPARE(registro.size(), 1);
        QCOMPARE(registro[0].value(QStringLiteral("tabla")).toString(), GrupoCuenta::kTabla);
        QCOMPARE(registro[0].value(QStringLiteral("clave")).toString(), QStringLiteral("000001"));
        QCOMPARE(registro[0].value(QStringLiteral("texto")).toString(), QString());
    }

    void nuevoGrupoBajoUnGrupo()
    {
        AmbienteEditor a;
        a.base.InsertarGrupo(QStringLiteral("000001"), QStringLiteral("Activo"), QStringLiteral("1"));
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("000001"));
        QCOMPARE(e.txtNPadre()->text(), QStringLiteral("Activo"));
        QCOMPARE(e.txtClave()->text(), QStringLiteral("000002"));

        const bool abierto = a.Conducir([&](frmCATAddCuCo& e) {
            QTest::keyClicks(e.txtDescripcion(), QStringLiteral("Bancos"));
            AmbienteEditor::Escribir(e.txtCodigo(), QStringLiteral("1.2.3"));
            AmbienteEditor::Pulsar(e, "B1");
        });

        QVERIFY(!abierto);
        QVERIFY(e.Aceptado);
        QCOMPARE(a.Columna(QStringLiteral("000002"), QStringLiteral("Gcc_Padre")).toString(), QStringLiteral("000001"));
        QCOMPARE(a.Columna(QStringLiteral("000002"), QStringLiteral("Gcc_Nivel")).toInt(), 3);
    }

    // Each check stops the save with its message and the focus in its box; nothing is written.
    void rechazos_data()
    {
        QTest::addColumn<bool>("edicion");
        QTest::addColumn<QString>("formato");
        QTest::addColumn<QString>("clave");
        QTest::addColumn<QString>("descripcion");
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<bool>("codigoPorCodigo");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<int>("estilo");
        QTest::addColumn<QString>("titulo");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("foco");

        const QString f = QStringLiteral("000000");
        const QString k = QStringLiteral("Kestrima");
        QTest::newRow("1 key exists") << false << f << "000001" << "Otra" << "1.1" << false
                                      << "El grupo de la cuenta contable 000001 ya existe, especifique otra" << 16
                                      << "<Leyenda>" << "ERR-ID:7500019" << "txtClave";
        QTest::newRow("2 key longer than format") << false << "00000" << "000002" << "Otra" << "1.1" << false
                                                  << "La longitud del código excede el límite, el formato definido es:\r\n00000"
                                                  << 48 << "Clave incorrecta" << "ERR-ID:7500020" << "txtClave";
        QTest::newRow("3 empty key") << false << f << "" << "Otra" << "1.1" << false << "Debe especificar una clave!" << 48
                                     << k << "ERR-ID:7500021" << "txtClave";
        QTest::newRow("3 before 4: empty key and description") << false << f << "" << "" << "1.1" << false
                                                              << "Debe especificar una clave!" << 48 << k
                                                              << "ERR-ID:7500021" << "txtClave";
        QTest::newRow("4 empty description") << false << f << "000002" << "" << "1.1" << false
                                             << "Debe especificar una descripción!" << 48 << k << "ERR-ID:7500022"
                                             << "txtDescripcion";
        QTest::newRow("4 empty description, edit mode") << true << "00" << "000001" << "" << "1.1" << false
                                                        << "Debe especificar una descripción!" << 48 << k
                                                        << "ERR-ID:7500022" << "txtDescripcion";
        QTest::newRow("5 numeric key without code") << false << f << "000002" << "Otra" << "" << false
                                                    << "Debe especificar un código!" << 48 << k << "ERR-ID:7500023"
                                                    << "txtCodigo";
        QTest::newRow("5 dotted numeric key without code") << false << f << "1.2" << "Otra" << "" << false
                                                           << "Debe especificar un código!" << 48 << k
                                                           << "ERR-ID:7500023" << "txtCodigo";
        QTest::newRow("6 code 000 without level") << false << f << "000002" << "Otra" << "000" << false
                                                  << "Debe indicar el nivel en el que se encuentra la cuenta o subcuenta "
                                                     "en catálogo del contribuyente!\r\nEJEMPLO: 1,2,3,4,5, etc..."
                                                  << 48 << k << "ERR-ID:7500024" << "txtNivel";
        QTest::newRow("6 code 000 never left, level box locked")
            << false << f << "000002" << "Otra" << "000" << true
            << "Debe indicar el nivel en el que se encuentra la cuenta o subcuenta en catálogo del contribuyente!\r\n"
               "EJEMPLO: 1,2,3,4,5, etc..."
            << 48 << k << "ERR-ID:7500024" << "B1";
        QTest::newRow("7 numeric key without level") << false << f << "000002" << "Otra" << "1.1" << true
                                                     << "Debe especificar un código para determinar el nivel!" << 48
                                                     << k << "ERR-ID:7500025" << "txtCodigo";
    }
    void rechazos()
    {
        QFETCH(bool, edicion);
        QFETCH(QString, formato);
        QFETCH(QString, clave);
        QFETCH(QString, descripcion);
        QFETCH(QString, codigo);
        QFETCH(bool, codigoPorCodigo);
        QFETCH(QString, texto);
        QFETCH(int, estilo);
        QFETCH(QString, titulo);
        QFETCH(QString, id);
        QFETCH(QString, foco);

        AmbienteEditor a;
        a.base.InsertarGrupo(QStringLiteral("000001"), QStringLiteral("Existente"), QStringLiteral("1"));
        Publico::sFormatoClave = formato;
        frmCATAddCuCo& e = edicion ? a.AbrirEdicion(QStringLiteral("000001")) : a.AbrirNuevo(QStringLiteral("0"));
        a.base.LimpiarTraza();
        a.base.LimpiarMensajes();
        const QString leyenda = e.Controles1()->Leyenda();
        QVERIFY(!leyenda.isEmpty());

        QWidget* conFoco = nullptr;
        const bool abierto = a.Conducir([&](frmCATAddCuCo& e) {
            if (!edicion)
                AmbienteEditor::Escribir(e.txtClave(), clave);
            AmbienteEditor::Escribir(e.txtDescripcion(), descripcion);
            if (codigoPorCodigo) {
                e.txtCodigo()->setText(codigo);
                e.txtNivel()->setText(QString());
            } else if (!edicion) {
                AmbienteEditor::Escribir(e.txtCodigo(), codigo);
            }
            AmbienteEditor::Pulsar(e, "B1");
            conFoco = e.Ventana()->focusWidget();
        });

        QVERIFY(abierto);
        QVERIFY(!e.Aceptado);
        COMPROBAR_MENSAJE(a, texto, estilo, titulo == QLatin1String("<Leyenda>") ? leyenda : titulo, id);
        QVERIFY(conFoco);
        QCOMPARE(conFoco->objectName(), foco);
        QCOMPARE(a.Grupos(), 1);
        QCOMPARE(a.Columna(QStringLiteral("000001"), QStringLiteral("Gcc_Descripcion")).toString(), QStringLiteral("Existente"));
        QVERIFY(a.Escrituras().isEmpty());
        QCOMPARE(Llamadas(a, "BeginTrans"), 0);
        if (edicion || codigo == GrupoCuenta::kCodigoNivelManual)
            QCOMPARE(Llamadas(a, "BuscarValor"), 0);
    }

    void codigo000ConNivelEscrito()
    {
        AmbienteEditor a;
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("0"));
        const bool abierto = a.Conducir([&](frmCATAddCuCo& e) {
            QTest::keyClicks(e.txtDescripcion(), QStringLiteral("Cuenta de orden"));
            AmbienteEditor::Escribir(e.txtCodigo(), QStringLiteral("000"));
            QTest::keyClick(e.txtCodigo(), Qt::Key_Tab);
            QCOMPARE(e.Ventana()->focusWidget(), e.txtNivel());
            QTest::keyClicks(e.txtNivel(), QStringLiteral("4"));
            AmbienteEditor::Pulsar(e, "B1");
        });
        QVERIFY(!abierto);
        QVERIFY(e.Aceptado);
        QCOMPARE(a.Columna(QStringLiteral("000001"), QStringLiteral("Gcc_Codigo")).toString(), QStringLiteral("000"));
        QCOMPARE(a.Columna(QStringLiteral("000001"), QStringLiteral("Gcc_Nivel")).toInt(), 4);
    }

    void encabezadoSinNivelQuedaEnCero()
    {
        AmbienteEditor a;
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("0"));
        a.base.LimpiarTraza();
        const bool abierto = a.Conducir([&](frmCATAddCuCo& e) {
            AmbienteEditor::Escribir(e.txtClave(), QStringLiteral("ACTIVO"));
            AmbienteEditor::Escribir(e.txtDescripcion(), QStringLiteral("Activo"));
            AmbienteEditor::Pulsar(e, "B1");
        });
        QVERIFY(!abierto);
        QVERIFY(e.Aceptado);
        QCOMPARE(e.txtNivel()->text(), QStringLiteral("0"));
        QCOMPARE(a.Columna(QStringLiteral("ACTIVO"), QStringLiteral("Gcc_Codigo")).toString(), QString());
        QCOMPARE(a.Columna(QStringLiteral("ACTIVO"), QStringLiteral("Gcc_Nivel")).toInt(), 0);
        QCOMPARE(a.Escrituras(), QStringList{InsercionEsperada(QStringLiteral("ACTIVO"), QStringLiteral("Activo"),
                                                               QString(), QStringLiteral("0"), QStringLiteral("0"), a)});
    }

    void claveEnMinusculasSeGuardaEnMayusculas()
    {
        AmbienteEditor a;
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("0"));
        a.base.LimpiarTraza();
        a.Conducir([&](frmCATAddCuCo& e) {
            AmbienteEditor::Escribir(e.txtClave(), QStringLiteral("pasivo"));
            AmbienteEditor::Escribir(e.txtDescripcion(), QStringLiteral("Pasivo"));
            AmbienteEditor::Pulsar(e, "B1");
        });
        QVERIFY(e.Aceptado);
        QCOMPARE(a.base.Claves(), QStringList{QStringLiteral("PASIVO")});
        const auto registro = a.base.TrazaDe(QStringLiteral("RegistrarCambio"));
        QCOMPARE(registro.size(), 1);
        QCOMPARE(registro[0].value(QStringLiteral("clave")).toString(), QStringLiteral("PASIVO"));
        // The existence check asks for the key as typed.
        const auto busqueda = a.base.TrazaDe(QStringLiteral("BuscarValor"));
        QCOMPARE(busqueda.size(), 1);
        QCOMPARE(busqueda[0].value(QStringLiteral("valorClave")).toString(), QStringLiteral("pasivo"));
    }

    // The operator may not write the table: the change is rolled back, the reason shown, and
    // the dialog stays open with the input, so that once allowed the same input saves.
    void registroVetadoSeDeshace_data() { BaseDePrueba::AgregarMotores(); }
    void registroVetadoSeDeshace()
    {
        QFETCH(BaseDePrueba::Motor, motor);
        REQUIERE_MOTOR(motor);
        AmbienteEditor a(motor);
        a.base.PermitirEscritura(QStringLiteral("PRUEBA"), GrupoCuenta::kTabla, false);
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("0"));
        a.base.LimpiarTraza();

        const bool abierto = a.Conducir([&](frmCATAddCuCo& e) {
            QTest::keyClicks(e.txtDescripcion(), QStringLiteral("Vetado"));
            AmbienteEditor::Escribir(e.txtCodigo(), QStringLiteral("2"));
            AmbienteEditor::Pulsar(e, "B1");
        });

        QVERIFY(abierto);
        QVERIFY(!e.Aceptado);
        const QStringList razones = a.Resultados(QStringLiteral("UltimoError"));
        QCOMPARE(razones.size(), 1);
        QVERIFY(!razones[0].isEmpty());
        COMPROBAR_MENSAJE(a, razones[0], 48, "Kestrima", "ERR-ID:7500026");
        QCOMPARE(a.Grupos(), 0);
        QCOMPARE(Llamadas(a, "RollbackTrans"), 1);
        QCOMPARE(Llamadas(a, "CommitTrans"), 0);
        QVERIFY(!a.base.Conexion()->EnTransaccion());
        QCOMPARE(e.txtDescripcion()->text(), QStringLiteral("Vetado"));
        QCOMPARE(e.txtCodigo()->text(), QStringLiteral("2"));
        QCOMPARE(e.txtNivel()->text(), QStringLiteral("1"));

        a.base.PermitirEscritura(QStringLiteral("PRUEBA"), GrupoCuenta::kTabla, true);
        a.base.LimpiarMensajes();
        QVERIFY(!a.Conducir([&](frmCATAddCuCo& e) { AmbienteEditor::Pulsar(e, "B1"); }));
        QVERIFY(e.Aceptado);
        QVERIFY(a.base.Mensajes().isEmpty());
        QCOMPARE(a.Columna(QStringLiteral("000001"), QStringLiteral("Gcc_Descripcion")).toString(), QStringLiteral("Vetado"));
    }

    // With the code "000" the key is not looked up: the database's unique key refuses it and
    // the save reports the error after rolling back.
    void claveDuplicadaConCodigo000_data() { BaseDePrueba::AgregarMotores(); }
    void claveDuplicadaConCodigo000()
    {
        QFETCH(BaseDePrueba::Motor, motor);
        REQUIERE_MOTOR(motor);
        AmbienteEditor a(motor);
        a.base.InsertarGrupo(QStringLiteral("000001"), QStringLiteral("Existente"), QStringLiteral("1"));
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("0"));
        a.base.LimpiarTraza();

        const bool abierto = a.Conducir([&](frmCATAddCuCo& e) {
            AmbienteEditor::Escribir(e.txtClave(), QStringLiteral("000001"));
            AmbienteEditor::Escribir(e.txtDescripcion(), QStringLiteral("Repetida"));
            AmbienteEditor::Escribir(e.txtCodigo(), QStringLiteral("000"));
            AmbienteEditor::Escribir(e.txtNivel(), QStringLiteral("2"));
            AmbienteEditor::Pulsar(e, "B1");
        });

        QVERIFY(abierto);
        QVERIFY(!e.Aceptado);
        QCOMPARE(Llamadas(a, "BuscarValor"), 0);
        QString errorDeLaBase;
        for (const QJsonObject& linea : a.base.TrazaDe(QStringLiteral("Execute")))
            if (linea.contains(QStringLiteral("error")))
                errorDeLaBase = linea.value(QStringLiteral("error")).toString();
        QVERIFY(!errorDeLaBase.isEmpty());
        COMPROBAR_MENSAJE(a, errorDeLaBase, 16, "cmdAceptar()", "ERR-ID:7500027");
        QCOMPARE(Llamadas(a, "RollbackTrans"), 1);
        QCOMPARE(Llamadas(a, "RegistrarCambio"), 0);
        QVERIFY(!a.base.Conexion()->EnTransaccion());
        QCOMPARE(a.Grupos(), 1);
        QCOMPARE(a.Columna(QStringLiteral("000001"), QStringLiteral("Gcc_Descripcion")).toString(), QStringLiteral("Existente"));
        QCOMPARE(e.txtDescripcion()->text(), QStringLiteral("Repetida"));
    }

    // A text that cannot be written at all (a NUL character) fails while the statement is
    // built, inside the transaction: rolled back and reported like any run-time error.
    void errorAlArmarLaSentenciaSeDeshace()
    {
        AmbienteEditor a;
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("0"));
        a.base.LimpiarTraza();
        const bool abierto = a.Conducir([&](frmCATAddCuCo& e) {
            Pegar(e.txtDescripcion(), QStringLiteral("antes") + QChar(0) + QStringLiteral("después"));
            AmbienteEditor::Escribir(e.txtCodigo(), QStringLiteral("1"));
            AmbienteEditor::Pulsar(e, "B1");
        });
        if (!e.txtDescripcion()->text().contains(QChar(0)))
            QSKIP("The text box does not keep a NUL character");
        QVERIFY(abierto);
        QVERIFY(!e.Aceptado);
        const auto mensajes = a.base.Mensajes();
        QCOMPARE(mensajes.size(), 1);
        QCOMPARE(mensajes[0].idError, QStringLiteral("ERR-ID:7500027"));
        QCOMPARE(mensajes[0].titulo, QStringLiteral("cmdAceptar()"));
        QCOMPARE(mensajes[0].estilo, 16L);
        QCOMPARE(Llamadas(a, "BeginTrans"), 1);
        QCOMPARE(Llamadas(a, "RollbackTrans"), 1);
        QVERIFY(a.Escrituras().isEmpty());
        QCOMPARE(a.Grupos(), 0);
    }

    void edicionConCodigo()
    {
        AmbienteEditor a;
        a.base.InsertarGrupo(QStringLiteral("000007"), QStringLiteral("Bancos"), QStringLiteral("1.1"),
                             QStringLiteral("000001"), 2);
        a.base.Ejecutar(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Oper_Alta = 'OTRO', Oper_Ult_Modif = 'OTRO'"));
        frmCATAddCuCo& e = a.AbrirEdicion(QStringLiteral("000007"));
        a.base.LimpiarTraza();

        const bool abierto = a.Conducir([&](frmCATAddCuCo& e) {
            AmbienteEditor::Escribir(e.txtDescripcion(), QStringLiteral("Bancos nacionales"));
            AmbienteEditor::Escribir(e.txtCodigo(), QStringLiteral("  2.1.3 "));
            AmbienteEditor::Pulsar(e, "B1");
        });

        QVERIFY(!abierto);
        QVERIFY(e.Aceptado);
        const QStringList sellos = a.Resultados(QStringLiteral("FormatoFechaRegistro"));
        QCOMPARE(sellos.size(), 1);
        QCOMPARE(a.Escrituras(),
                 QStringList{QStringLiteral("UPDATE Grupo_Cuenta_Contable SET    Gcc_Descripcion='Bancos nacionales', "
                                            "   Gcc_Codigo = '2.1.3',    Gcc_Padre='000001',    Gcc_Nivel = 3 , "
                                            "   Oper_Ult_Modif='PRUEBA',    Fecha_Ult_Modif='%1' WHERE "
                                            "    Gcc_Cve_Grupo_Cuenta_Contable='000007' ")
                                 .arg(sellos[0])});
        QCOMPARE(Llamadas(a, "BuscarValor"), 0);
        QCOMPARE(a.Columna(QStringLiteral("000007"), QStringLiteral("Gcc_Codigo")).toString(), QStringLiteral("2.1.3"));
        QCOMPARE(a.Columna(QStringLiteral("000007"), QStringLiteral("Gcc_Nivel")).toInt(), 3);
        QCOMPARE(a.Columna(QStringLiteral("000007"), QStringLiteral("Oper_Alta")).toString(), QStringLiteral("OTRO"));
        QCOMPARE(a.Columna(QStringLiteral("000007"), QStringLiteral("Oper_Ult_Modif")).toString(), QStringLiteral("PRUEBA"));
        QCOMPARE(a.Columna(QStringLiteral("000007"), QStringLiteral("Fecha_Ult_Modif")).toString(), sellos[0]);
    }

    // A heading edited without touching its empty code keeps its stored level; a key that
    // is longer than today's format is not tested again.
    void edicionSinCodigo()
    {
        AmbienteEditor a;
        a.base.InsertarGrupo(QStringLiteral("ORDEN"), QStringLiteral("Cuentas de orden"), QString(),
                             QStringLiteral("0"), 0);
        Publico::sFormatoClave = QStringLiteral("000");
        frmCATAddCuCo& e = a.AbrirEdicion(QStringLiteral("ORDEN"));
        a.base.LimpiarTraza();

        const bool abierto = a.Conducir([&](frmCATAddCuCo& e) {
            AmbienteEditor::Escribir(e.txtDescripcion(), QStringLiteral("Orden"));
            AmbienteEditor::Pulsar(e, "B1");
        });

        QVERIFY(!abierto);
        QVERIFY(e.Aceptado);
        const QStringList sellos = a.Resultados(QStringLiteral("FormatoFechaRegistro"));
        QCOMPARE(sellos.size(), 1);
        QCOMPARE(a.Escrituras(),
                 QStringList{QStringLiteral("UPDATE Grupo_Cuenta_Contable SET    Gcc_Descripcion='Orden', "
                                            "   Gcc_Codigo = '',    Gcc_Padre='0',    Gcc_Nivel = 0 , "
                                            "   Oper_Ult_Modif='PRUEBA',    Fecha_Ult_Modif='%1' WHERE "
                                            "    Gcc_Cve_Grupo_Cuenta_Contable='ORDEN' ")
                                 .arg(sellos[0])});
        QCOMPARE(a.Columna(QStringLiteral("ORDEN"), QStringLiteral("Gcc_Descripcion")).toString(), QStringLiteral("Orden"));
    }

    // Whatever the user types is stored as typed and never changes the statement.
    void textosSeGuardanIntactos_data()
    {
        QTest::addColumn<BaseDePrueba::Motor>("motor");
        QTest::addColumn<QString>("clave");
        QTest::addColumn<QString>("descripcion");
        QTest::addColumn<QString>("codigo");
        const QList<std::pair<const char*, BaseDePrueba::Motor>> motores{{"sqlite", BaseDePrueba::Motor::SQLite},
                                                                        {"postgresql", BaseDePrueba::Motor::PostgreSQL}};
        for (const auto& [nombre, motor] : motores) {
            auto fila = [&](const char* caso) { return &QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(QLatin1String(caso), QLatin1String(nombre)))); };
            *fila("single quotes") << motor << "O'B" << "Cuenta de O'Brien's" << "1'1";
            *fila("only quotes") << motor << "''" << "''''" << "'";
            *fila("backslashes") << motor << "A\\B" << "C:\\temp\\ \\' \\\\" << "1\\";
            *fila("statement in the text") << motor << "X" << "x'); DELETE FROM Grupo_Cuenta_Contable; --" << "1.1');--";
            *fila("control characters") << motor << "CTRL" << QStringLiteral("a\tb\x01" "c\r\nd") << "1";
            *fila("right to left") << motor << "RTL" << QStringLiteral("حساب البنك \u202Eabc") << "1.2";
            *fila("combining and astral") << motor << "MIX" << QStringLiteral("e\u0301 n\u0303 \U0001F4B0") << "3";
        }
    }
    void textosSeGuardanIntactos()
    {
        QFETCH(BaseDePrueba::Motor, motor);
        QFETCH(QString, clave);
        QFETCH(QString, descripcion);
        QFETCH(QString, codigo);
        REQUIERE_MOTOR(motor);
        AmbienteEditor a(motor);
        a.base.InsertarGrupo(QStringLiteral("OTRO"), QStringLiteral("Sigue aquí"));
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("0"));
        const bool abierto = a.Conducir([&](frmCATAddCuCo& e) {
            AmbienteEditor::Escribir(e.txtClave(), clave);
            Pegar(e.txtDescripcion(), descripcion);
            Pegar(e.txtCodigo(), codigo);
            AmbienteEditor::Pulsar(e, "B1");
        });
        QVERIFY2(!abierto, a.base.Mensajes().isEmpty() ? "" : qPrintable(a.base.Mensajes().first().texto));
        QVERIFY(e.Aceptado);
        QCOMPARE(a.Grupos(), 2);
        const QString guardada = clave.toUpper();
        QCOMPARE(a.Columna(guardada, QStringLiteral("Gcc_Descripcion")).toString(), descripcion);
        QCOMPARE(a.Columna(guardada, QStringLiteral("Gcc_Codigo")).toString(), codigo);
        QCOMPARE(a.Columna(guardada, QStringLiteral("Gcc_Nivel")).toInt(), GrupoCuenta::NivelDeCodigo(codigo));
        QCOMPARE(a.Columna(QStringLiteral("OTRO"), QStringLiteral("Gcc_Descripcion")).toString(), QStringLiteral("Sigue aquí"));
    }

    // Typing past a box's limit keeps only what fits: 6, 200 and 30 characters.
    void textosLargosSeCortanAlLimite()
    {
        AmbienteEditor a;
        frmCATAddCuCo& e = a.AbrirNuevo(QStringLiteral("0"));
        const QString larga(250, QLatin1Char('d'));
        const QString codigo = QStringLiteral("1.2.3.4.5.6.7.8.9.10.11.12.13.14.15");
        a.Conducir([&](frmCATAddCuCo& e) {
            AmbienteEditor::Escribir(e.txtClave(), QStringLiteral("ABCDEFGHIJ"));
            AmbienteEditor::Escribir(e.txtDescripcion(), larga);
            AmbienteEditor::Escribir(e.txtCodigo(), codigo);
            AmbienteEditor::Pulsar(e, "B1");
        });
        QVERIFY(e.Aceptado);
        QCOMPARE(a.base.Claves(), QStringList{QStringLiteral("ABCDEF")});
        QCOMPARE(a.Columna(QStringLiteral("ABCDEF"), QStringLiteral("Gcc_Descripcion")).toString(), larga.left(200));
        QCOMPARE(a.Columna(QStringLiteral("ABCDEF"), QStringLiteral("Gcc_Codigo")).toString(), codigo.left(30));
        QCOMPARE(a.Columna(QStringLiteral("ABCDEF"), QStringLiteral("Gcc_Nivel")).toInt(),
                 GrupoCuenta::NivelDeCodigo(codigo.left(30)));
    }
};

QTEST_MAIN(tst_EditorGuardar)
#include "tst_EditorGuardar.moc"
