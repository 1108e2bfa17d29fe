// The add/edit dialog opened by the screen's New and Edit over a real database, driven by keys.

#include "BaseDePrueba.h"
#include "GrupoCuenta.h"
#include "PantallaDePrueba.h"
#include "Publico.h"
#include "VigiaModal.h"
#include "frmCATAddCuCo.h"

#include <QToolButton>
#include <QtTest>

using namespace Qt::StringLiterals;
using Motor = BaseDePrueba::Motor;

// New runs on the parent's node, Edit on the group's; a null key or code is left as the dialog has it.
struct Guardado
{
    bool editar;
    QString clave, descripcion, codigo, nivelTecleado, guardada, padre, textoDelNodo, nivel;
};
// With codigoPorCodigo the code is set by code (as Edit sets it) and the level emptied.
struct Rechazo
{
    QString formato, clave, descripcion, codigo, nivel, foco, titulo, id, texto;
    bool codigoPorCodigo = false;
    int estilo = 48;  // an exclamation; 16 is critical
    Motor motor = Motor::SQLite;
};
Q_DECLARE_METATYPE(Guardado)
Q_DECLARE_METATYPE(Rechazo)

namespace {

// The screen shown over a test base holding `grupos`, with a key format of its own.
struct Ambiente
{
    explicit Ambiente(const QStringList& grupos, Motor motor = Motor::SQLite, const QString& formato = u"000000"_s)
        : base(motor, grupos)
    {
        pantalla = std::make_unique<PantallaDePrueba>(base);
        pantalla->Forma().setPadre(&dueno);
        Publico::sFormatoClave = formato;
    }
    // Runs New or Edit on `nodo` and `pasos` in the active editor; whether it was left shown (then cancelled).
    bool Conducir(const QString& nodo, bool editar, const std::function<void(frmCATAddCuCo&)>& pasos)
    {
        pantalla->SeleccionarParaComando(nodo);
        bool corrio = false, abierto = false;
        VigiaModal vigia([&](QWidget* ventana) {
            frmCATAddCuCo& e = frmCATAddCuCo::Instancia();
            if (corrio || ventana != e.Ventana())
                return;
            corrio = true;
            // The dialog's own activation (the focus in the description) comes first.
            if (QTest::qWaitForWindowActive(ventana) && QTest::qWaitFor([&] { return ventana->focusWidget(); }, 2000))
                pasos(e);
            if ((abierto = ventana->isVisible()))
                e.Controles1_B2Click();
        });
        editar ? pantalla->Forma().Controles_Editar() : pantalla->Forma().Controles_Nuevo();
        if (!corrio || vigia.Vencidas() > 0)
            QTest::qFail("the editor was not shown, or hung", __FILE__, __LINE__);
        return abierto;
    }
    static void Escribir(QLineEdit* caja, const QString& texto)
    {
        caja->setFocus(Qt::MouseFocusReason);
        caja->selectAll();
        texto.isEmpty() ? QTest::keyClick(caja, Qt::Key_Backspace) : QTest::keyClicks(caja, texto);
    }
    // Types what is not null, the level after a Tab out of the code, and clicks Aceptar.
    static void Llenar(frmCATAddCuCo& e, const QString& clave, const QString& descripcion, const QString& codigo,
                       const QString& nivel)
    {
        for (auto [caja, texto] :
             {std::pair{e.txtClave(), clave}, {e.txtDescripcion(), descripcion}, {e.txtCodigo(), codigo}})
            if (!texto.isNull())
                Escribir(caja, texto);
        if (!nivel.isEmpty()) {
            QTest::keyClick(e.txtCodigo(), Qt::Key_Tab);
            QCOMPARE(e.Ventana()->focusWidget(), e.txtNivel());
            QTest::keyClicks(e.txtNivel(), nivel);
        }
        Pulsar(e, "B1");
    }
    // "B1" is Aceptar, "B2" Cancelar.
    static void Pulsar(frmCATAddCuCo& e, const char* b) { QTest::mouseClick(e.Controles1()->Boton(b), Qt::LeftButton); }
    QStringList Transacciones() const { return base.Llamadas().filter(QRegularExpression(u"Trans$"_s)); }
    // Each message as "style|title|error id|project|window|text", while the editor is loaded.
    QStringList Mensajes() const
    {
        QStringList mensajes;
        for (const auto& m : base.Mensajes())
            mensajes << u"%1|%2|%3|%4|%5|%6"_s.arg(m.estilo).arg(
                m.titulo, m.idError, m.proyecto, m.ventana == frmCATAddCuCo::Instancia().hWnd() ? u"editor"_s : u"?"_s,
                m.texto);
        return mensajes;
    }
    BaseDePrueba base;
    QObject dueno;
    std::unique_ptr<PantallaDePrueba> pantalla;
};

}  // namespace

class tst_Editor : public QObject
{
    Q_OBJECT

private slots:
    // Every save by New (Aceptar right after the code: the level still follows it) or Edit.
    void guardar_data()
    {
        QTest::addColumn<Guardado>("caso");
        const auto fila = [](const char* nombre, const Guardado& caso) { QTest::newRow(nombre) << caso; };
        fila("new under a group", {false, {}, "Bancos", "1.2.3", "", "000010", "000001", "1.2.3 - Bancos", "3"});
        fila("new heading saved with level 0", {false, "ORDEN", "Orden", "", "", "ORDEN", "0", "Orden", "0"});
        fila("new with code 000 and a level", {false, {}, "Otra", "000", "4", "000010", "0", "Otra", "4"});
        // The box opens with the group; the code typed again over itself leaves it open.
        fila("edit a 000 group, level changed", {true, {}, "Manual", "000", "6", "000009", "0", "000 - Manual", "6"});
        // Edit runs with a format of three: a key longer than it is let be.
        fila("edit with a code",
             {true, {}, "Bancos nacionales", "2.1.3", "", "000007", "000001", "2.1.3 - Bancos nacionales", "3"});
        fila("edit a heading, code left empty", {true, {}, "Orden's", {}, "", "TITULO", "0", "Orden's", "0"});
    }
    void guardar()
    {
        QFETCH(Guardado, caso);
        Ambiente a({u"000001|Activo|1"_s, u"000007|Bancos|1.1|000001|2"_s, u"TITULO|Cuentas de orden||0|0"_s,
                    u"000009|Manual|000|0|4"_s},
                   Motor::SQLite, caso.editar ? u"000"_s : u"000000"_s);
        QVERIFY(!a.Conducir(caso.editar ? caso.guardada : caso.padre, caso.editar, [&](frmCATAddCuCo& e) {
            QCOMPARE(e.txtNPadre()->text(), caso.padre == "0"_L1 ? QString() : u"Activo"_s);
            QCOMPARE(!e.txtNivel()->locked() && e.txtNivel()->TabStop(),
                     e.txtCodigo()->text() == GrupoCuenta::kCodigoNivelManual);
            Ambiente::Llenar(e, caso.clave, caso.descripcion, caso.codigo, caso.nivelTecleado);
        }));
        QCOMPARE(a.Mensajes(), QStringList());
        // The one write, committed (what the row then holds: the connection's tests keep literals whole).
        const auto sql = [](QString valor) { return valor.replace(u"'"_s, u"''"_s); };
        const QStringList fechas = a.base.TrazaEnTexto("FormatoFecha", {"resultado"});
        const QString sello = a.base.TrazaEnTexto("FormatoFechaRegistro", {"resultado"}).value(0);
        const QString sentencia =
            caso.editar
                ? u"UPDATE Grupo_Cuenta_Contable SET    Gcc_Descripcion='%1',    Gcc_Codigo = '%2',    "
                  "Gcc_Padre='%3',    Gcc_Nivel = %4 ,    Oper_Ult_Modif='PRUEBA',    Fecha_Ult_Modif='%5' WHERE     "
                  "Gcc_Cve_Grupo_Cuenta_Contable='%6' "_s.arg(sql(caso.descripcion), sql(caso.codigo), caso.padre,
                                                              caso.nivel, sello, caso.guardada)
                : u"INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, Gcc_Codigo, "
                  "Gcc_Padre, Gcc_Nivel, Gcc_UserDef_1, Gcc_UserDef_2, Gcc_UserDef_3, Gcc_UserDef_4, Gcc_UserDef_5, "
                  "Gcc_UserDef_6, Oper_Alta, Oper_Ult_Modif, Fecha_Alta, Fecha_Ult_Modif, Es_Cve_Estado)VALUES('%1', "
                  "'%2', '%3', '%4',  %5 , '', '', 0, 0, '%6', '%7', 'PRUEBA', 'PRUEBA', '%8', '%8','AC')"_s.arg(
                      sql(caso.guardada), sql(caso.descripcion), sql(caso.codigo), caso.padre, caso.nivel,
                      fechas.value(0), fechas.value(1), sello);
        QCOMPARE(a.base.Sentencias().filter(QRegularExpression(u"^(?!SELECT)"_s)), QStringList{sentencia});
        QCOMPARE(a.Transacciones(), (QStringList{"BeginTrans", "CommitTrans"}));
        QCOMPARE(a.base.TrazaEnTexto("RegistrarCambio", {"tabla", "clave", "texto"}),
                 QStringList{u"Grupo_Cuenta_Contable|%1|"_s.arg(caso.guardada)});
        // New reloads the tree, reveals the new node and selects its parent; Edit retitles the node.
        QTreeWidgetItem* nodo = a.pantalla->Nodo(caso.guardada);
        QCOMPARE(nodo ? TreeView::Text(nodo) : QString(), caso.textoDelNodo);
        QCOMPARE(a.pantalla->Arbol().SelectedItem(), caso.editar ? nodo : a.pantalla->Nodo(caso.padre));
        QVERIFY(caso.editar || nodo->parent()->isExpanded());
    }

    // Refused: dialog, input and table kept; the checks before any transaction, a veto or failed insert rolled back.
    void rechazos_data()
    {
        QTest::addColumn<Rechazo>("caso");
        const QString f = u"000000"_s, k = u"Kestrima"_s, otra = u"Otra"_s;
        const QString sinNivel =
            u"Debe indicar el nivel en el que se encuentra la cuenta o subcuenta en catálogo del contribuyente!\r\n"
            "EJEMPLO: 1,2,3,4,5, etc..."_s;
        const auto fila = [](const QString& nombre, const Rechazo& caso) { QTest::newRow(qPrintable(nombre)) << caso; };
        fila("1 key exists", {f, "000001", otra, "1.1", "", "txtClave", "<Leyenda>", "ERR-ID:7500019",
                              "El grupo de la cuenta contable 000001 ya existe, especifique otra", false, 16});
        fila("2 key longer than format",
             {"00000", "000002", otra, "1.1", "", "txtClave", "Clave incorrecta", "ERR-ID:7500020",
              "La longitud del código excede el límite, el formato definido es:\r\n00000"});
        fila("3 empty key, before 4",
             {f, "", "", "1.1", "", "txtClave", k, "ERR-ID:7500021", u"Debe especificar una clave!"_s});
        fila("4 empty description",
             {f, "000002", "", "1.1", "", "txtDescripcion", k, "ERR-ID:7500022", "Debe especificar una descripción!"});
        fila("5 numeric key without code",
             {f, "000002", otra, "", "", "txtCodigo", k, "ERR-ID:7500023", "Debe especificar un código!"});
        fila("6 code 000 set by code", {f, "000002", otra, "000", "", "txtNivel", k, "ERR-ID:7500024", sinNivel, true});
        fila("7 numeric key without level", {f, "000002", otra, "1.1", "", "txtCodigo", k, "ERR-ID:7500025",
                                             u"Debe especificar un código para determinar el nivel!"_s, true});
        fila("veto", {f, "000002", otra, "2", "", "B1", k, "ERR-ID:7500026", "<UltimoError>"});
        for (Motor m : {Motor::SQLite, Motor::PostgreSQL})
            fila("duplicate key with code 000, " + BaseDePrueba::NombreMotor(m),
                 {f, "000001", otra, "000", "3", "B1", "cmdAceptar()", "ERR-ID:7500027", "<error de Execute>", false,
                  16, m});
    }
    void rechazos()
    {
        QFETCH(Rechazo, caso);
        REQUIERE_MOTOR(caso.motor);
        const bool vetado = caso.texto == "<UltimoError>"_L1, enTransaccion = caso.texto.startsWith(u'<');
        Ambiente a({u"000001|Activo|1"_s}, caso.motor, caso.formato);
        a.base.PermitirEscritura(u"PRUEBA"_s, GrupoCuenta::kTabla, !vetado);
        QVERIFY(a.Conducir(u"0"_s, false, [&](frmCATAddCuCo& e) {
            if (caso.codigoPorCodigo) {
                e.txtCodigo()->setText(caso.codigo);
                e.txtNivel()->clear();
            }
            Ambiente::Llenar(e, caso.clave, caso.descripcion, caso.codigoPorCodigo ? QString() : caso.codigo,
                             caso.nivel);
            QCOMPARE(e.Ventana()->focusWidget()->objectName(), caso.foco);
            QCOMPARE(e.txtClave()->text() + u'|' + e.txtDescripcion()->text(), caso.clave + u'|' + caso.descripcion);
            QVERIFY(a.base.Claves() == QStringList{u"000001"_s} && a.base.Fila(u"000001"_s) == u"Activo|1|0|1");
            QCOMPARE(a.Transacciones(), enTransaccion ? QStringList({"BeginTrans", "RollbackTrans"}) : QStringList());
            const QStringList razones =
                (vetado ? a.base.TrazaEnTexto("UltimoError", {"resultado"}) : a.base.TrazaEnTexto("Execute", {"error"}))
                    .filter(QRegularExpression(u"."_s));
            const QString titulo = caso.titulo == "<Leyenda>"_L1 ? e.Controles1()->Leyenda() : caso.titulo;
            QCOMPARE(a.Mensajes(),
                     QStringList{u"%1|%2|%3|TQ614|editor|%4"_s.arg(caso.estilo)
                                     .arg(titulo, caso.id, enTransaccion ? razones.value(0) : caso.texto)});
        }));
    }

    // Another user takes the automatic key between the check and the insert: the next one then saves.
    void nuevoDeDosUsuariosALaVez_data() { BaseDePrueba::AgregarMotores(); }
    void nuevoDeDosUsuariosALaVez()
    {
        QFETCH(Motor, motor);
        REQUIERE_MOTOR(motor);
        Ambiente a({u"000001|Activo|1"_s}, motor);
        std::unique_ptr<Connection> otro = a.base.OtraConexion();
        a.base.AlTrazar([&](const QJsonObject& llamada) {
            if (llamada.value("llamada"_L1) == "Operador"_L1 && a.base.TrazaDe(u"BeginTrans"_s).isEmpty())
                otro->Execute(u"INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, "
                              "Gcc_Codigo) VALUES ('000002', 'Del otro', '1')"_s);
        });
        QVERIFY(!a.Conducir(u"0"_s, false, [&](frmCATAddCuCo& e) {
            Ambiente::Llenar(e, QString(), u"Mio"_s, u"2"_s, QString());
            QCOMPARE(a.Mensajes(),
                     QStringList{u"16|%1|ERR-ID:7500019|TQ614|editor|El grupo de la cuenta contable 000002 "
                                 "ya existe, especifique otra"_s.arg(e.Controles1()->Leyenda())});
            QCOMPARE(e.txtClave()->text(), u"000003"_s);
            Ambiente::Pulsar(e, "B1");
        }));
        QCOMPARE(a.base.Fila(u"000003"_s), u"Mio|2|0|1"_s);
    }

    // Opened again and again, nothing written: Edit, New, each way out; then New with no next number.
    void ciclo()
    {
        Ambiente a({u"000001|Activo|1"_s, u"999999|Importado|1.1|0|5"_s});
        const QStringList arbol = a.pantalla->Descripcion();
        // Edit locks the key; the level follows the code once left, not while typed; "000" opens its box.
        QVERIFY(!a.Conducir(u"999999"_s, true, [&](frmCATAddCuCo& e) {
            QCOMPARE(e.Padre(), &a.dueno);
            txtKES* n = e.txtNivel();
            QVERIFY(e.txtClave()->locked() && !e.txtClave()->TabStop() && n->text() == u"5");
            // The level box as "text[ locked][ in the tab order][ with the focus]".
            const auto caja = [&] {
                return n->text() + (n->locked() ? " locked" : "") + (n->TabStop() ? " tab" : "")
                       + (e.Ventana()->focusWidget() == n ? " focus" : "");
            };
            // The code, the key that leaves it, the level then (null: the box opens for it); a trailing
            // dot still counts.
            const std::tuple<QString, Qt::Key, QString> filas[] = {
                {"4.1.3", Qt::Key_Tab, "3"}, {"4.", Qt::Key_Tab, "2"}, {"abc", Qt::Key_Return, "1"},
                {"", Qt::Key_Tab, ""},       {"000", Qt::Key_Tab, {}}, {"000", Qt::Key_Return, {}},
            };
            for (const auto& [codigo, tecla, nivel] : filas) {
                Ambiente::Escribir(e.txtCodigo(), u"9.9"_s);
                QTest::keyClick(e.txtCodigo(), Qt::Key_Tab);
                Ambiente::Escribir(e.txtCodigo(), codigo);
                QCOMPARE(codigo + u':' + caja(), codigo + u":2 locked"_s);
                QTest::keyClick(e.txtCodigo(), tecla);
                QCOMPARE(codigo + u':' + caja(),
                         codigo + u':' + (nivel.isNull() ? u"2 tab focus"_s : nivel + u" locked"_s));
            }
            Ambiente::Pulsar(e, "B2");
        }));
        frmCATAddCuCo::Instancia().setPadre(nullptr);  // New hands on the screen's parent itself
        QVERIFY(!a.Conducir(u"999999"_s, false, [&](frmCATAddCuCo& e) {
            QCOMPARE(e.Padre(), &a.dueno);
            QVERIFY(e.Ventana()->focusWidget() == e.txtDescripcion() && !e.txtClave()->locked()
                    && e.txtClave()->TabStop());
            // Written whole, past the format: cut to the box's six it would be another group's key.
            QCOMPARE(e.txtClave()->text() + u'|' + e.txtNPadre()->text(), u"1000000|Importado"_s);
            Ambiente::Pulsar(e, "B2");
        }));
        // Escape in each box the user can reach; a close by the window system only hides the dialog.
        for (const char* salida : {"txtClave", "txtDescripcion", "txtCodigo", "txtNivel", "close"}) {
            const bool abierto = a.Conducir(u"0"_s, false, [&](frmCATAddCuCo& e) {
                e.Aceptado = true;
                if (auto* caja = e.Ventana()->findChild<txtKES*>(QLatin1String(salida))) {
                    caja->setFocus(Qt::MouseFocusReason);
                    QTest::keyClick(caja, Qt::Key_Escape);
                } else {
                    e.Ventana()->close();
                }
                QVERIFY(e.Cargado() && !e.Aceptado);
            });
            QVERIFY2(!abierto, salida);
        }
        QVERIFY(a.base.Sentencias().filter(QRegularExpression(u"^(?!SELECT)"_s)).isEmpty()
                && a.base.TrazaDe(u"BeginTrans"_s).isEmpty() && a.base.Mensajes().isEmpty());
        QCOMPARE(a.pantalla->Descripcion(), arbol);
        // No next number fits: reported, and the key box left for the user.
        a.base.InsertarGrupo(u"2147483647"_s, u"Último"_s);
        QVERIFY(a.Conducir(u"0"_s, false, [&](frmCATAddCuCo& e) {
            const QStringList mensajes = a.Mensajes();
            QVERIFY2(e.txtClave()->text().isEmpty() && mensajes.size() == 1 && !mensajes[0].endsWith(u'|')
                         && mensajes[0].startsWith(u"16|ClaveAutomatica()|ERR-ID:7500028|TQ614|editor|"_s),
                     qPrintable(mensajes.join(u'\n')));
        }));
    }
};

QTEST_MAIN(tst_Editor)
#include "tst_Editor.moc"
