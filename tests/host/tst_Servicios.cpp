// The services the component calls (lookups, automatic numbers, change registration,
// parameters, dates, messages, the tree search) and the trace of every call, on SQLite and on
// PostgreSQL where a database answers them.
#include "AccesoDatosKes.h"
#include "BaseDePrueba.h"
#include "ErrorEjecucion.h"
#include "FabricaServicios.h"
#include "UtileriasKes.h"
#include "VigiaModal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QJsonDocument>
#include <QMessageBox>
#include <QTreeWidget>
#include <QtTest>

namespace {

using Motor = BaseDePrueba::Motor;
const QString kTabla = QStringLiteral("Grupo_Cuenta_Contable");
const QString kClave = QStringLiteral("Gcc_Cve_Grupo_Cuenta_Contable");

template <class T>
std::unique_ptr<T> crear(const char* clase)
{
    return std::unique_ptr<T>(static_cast<T*>(KesCrearObjeto(clase)));
}

QStringList llamadas(const QList<QJsonObject>& lineas)
{
    QStringList nombres;
    for (const QJsonObject& l : lineas)
        nombres << l.value(QStringLiteral("llamada")).toString();
    return nombres;
}

// Every line of a trace file, each of which must be one JSON object.
QList<QJsonObject> leerTraza(const QString& archivo)
{
    QFile f(archivo);
    QList<QJsonObject> lineas;
    if (f.open(QIODevice::ReadOnly))
        while (!f.atEnd())
            lineas << QJsonDocument::fromJson(f.readLine()).object();
    return lineas;
}

QStringList g_registro;

// A child run with the environment of support staff: no options, only variables.
int hijo(int argc, char** argv)
{
    QApplication app(argc, argv);
    Sesion::Configuracion c;
    c.archivo = QString::fromLocal8Bit(argv[2]);
    Sesion::Configurar(c);
    auto datos = crear<AccesoDatos>("AccesoDatos");
    datos->Conexion()->Execute(QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '0'"));
    // Without the recorded mode this would wait for a user and the parent would time out.
    datos->Mensaje(QStringLiteral("Desde el hijo"), 48, QStringLiteral("Kestrima"), 0, QStringLiteral("TQ614"),
                   QStringLiteral("ERR-ID:7500011"));
    return Sesion::MensajesRegistrados().size() == 1 ? 0 : 3;
}

} // namespace

#define ABRIR_BASE(motor, base) \
    QFETCH(Motor, motor);       \
    REQUIERE_MOTOR(motor);      \
    BaseDePrueba base(motor)

class PruebaServicios : public QObject
{
    Q_OBJECT

private slots:
    void registrarCambio_data() { BaseDePrueba::AgregarMotores(); }
    void registrarCambio();
    void siguienteNumero_data() { BaseDePrueba::AgregarMotores(); }
    void siguienteNumero();
    void buscarValor_data() { BaseDePrueba::AgregarMotores(); }
    void buscarValor();
    void obtenerParametro_data() { BaseDePrueba::AgregarMotores(); }
    void obtenerParametro();
    void fechasYTransaccion();
    void mensajeRegistradoOMostrado();
    void trazaEnArchivo();
    void trazaYMensajesPorVariablesDeEntorno();
    void buscarEnArbol();
};

void PruebaServicios::registrarCambio()
{
    ABRIR_BASE(motor, base);
    auto util = crear<Utilerias>("Utilerias");
    Connection* c = base.Conexion();
    QVERIFY(!util->RegistrarCambio(kTabla, QStringLiteral("1"), {}));  // nothing to register it in
    QVERIFY(util->UltimoError().contains(QStringLiteral("no hay una transacción abierta")));
    base.PermitirEscritura(QStringLiteral("OTRO"), kTabla, false);  // vetoes of others do not apply
    base.PermitirEscritura(QStringLiteral("PRUEBA"), QStringLiteral("Otra_Tabla"), false);

    c->BeginTrans();
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    QVERIFY(util->RegistrarCambio(kTabla, QStringLiteral("1"), QStringLiteral("CAT-01")));
    QCOMPARE(util->UltimoError(), QString());
    c->CommitTrans();
    auto rs = c->Execute(QStringLiteral("SELECT * FROM Kes_Bitacora"));
    QCOMPARE(QStringList({rs->Fields(QStringLiteral("Bit_Tabla")).toString(), rs->Fields(QStringLiteral("Bit_Clave")).toString(),
                          rs->Fields(QStringLiteral("Bit_Operador")).toString(), rs->Fields(QStringLiteral("Bit_Sesion")).toString()}),
             QStringList({kTabla, "1", "PRUEBA", Sesion::IdSesion()}));
    const QDateTime fecha = QDateTime::fromString(rs->Fields(QStringLiteral("Bit_Fecha")).toString(),
                                                  QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    QVERIFY(qAbs(fecha.secsTo(QDateTime::currentDateTime())) < 60);

    base.PermitirEscritura(QStringLiteral("prueba"), QStringLiteral("GRUPO_CUENTA_CONTABLE"), false);  // any case
    c->BeginTrans();
    base.InsertarGrupo(QStringLiteral("2"), QStringLiteral("Pasivo"));
    QVERIFY(!util->RegistrarCambio(kTabla, QStringLiteral("2"), {}));
    QCOMPARE(util->UltimoError(),
             QStringLiteral("El operador PRUEBA no tiene permiso para modificar la tabla Grupo_Cuenta_Contable"));
    QVERIFY(c->EnTransaccion());  // the caller rolls back: nothing is left of the vetoed change
    c->RollbackTrans();
    QCOMPARE(base.Claves(), QStringList{QStringLiteral("1")});
    QCOMPARE(base.ContarFilas(QStringLiteral("Kes_Bitacora")), 1);

    base.PermitirEscritura(QStringLiteral("prueba"), QStringLiteral("GRUPO_CUENTA_CONTABLE"), true);
    c->BeginTrans();
    QVERIFY(util->RegistrarCambio(kTabla, QStringLiteral("2"), {}));
    QCOMPARE(util->UltimoError(), QString());  // a success clears the last reason
    c->RollbackTrans();
    QCOMPARE(base.ContarFilas(QStringLiteral("Kes_Bitacora")), 1);  // the audit row goes with its change
    const auto traza = base.TrazaDe(QStringLiteral("RegistrarCambio"));
    QCOMPARE(traza.at(1).value(QStringLiteral("texto")).toString(), QStringLiteral("CAT-01"));
    QCOMPARE(traza.at(2).value(QStringLiteral("resultado")).toBool(), false);
}

void PruebaServicios::siguienteNumero()
{
    ABRIR_BASE(motor, base);
    auto util = crear<Utilerias>("Utilerias");
    const auto siguiente = [&](const QString& tabla = kTabla) {
        return util->SiguienteNumero(tabla, kClave, {}, {}, {}, {}, {}, {}, {});
    };
    QCOMPARE(siguiente(), 1L);
    for (const char* clave : {"000042", "ABC", "1.2", "99A", "7", "-5", " 50", "1e3"})
        base.InsertarGrupo(QString::fromLatin1(clave), QStringLiteral("x"));
    QCOMPARE(siguiente(), 43L);  // only keys that read as whole numbers count
    base.InsertarGrupo(QStringLiteral("0000000000000000000000100"), QStringLiteral("ceros a la izquierda"));
    QCOMPARE(siguiente(), 101L);
    base.InsertarGrupo(QStringLiteral("2147483647"), QStringLiteral("el último"));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, siguiente());
    base.Ejecutar(QStringLiteral("DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '2147483647'"));
    base.InsertarGrupo(QStringLiteral("123456789012345678901234"), QStringLiteral("demasiado"));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, siguiente());
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, siguiente(QStringLiteral("Grupo_Cuenta_Contable; DROP TABLE x")));
}

void PruebaServicios::buscarValor()
{
    ABRIR_BASE(motor, base);
    UtileriasKes util(FabricaServicios::CrearAccesoDatos());
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    base.InsertarGrupo(QStringLiteral("O'B"), QStringLiteral("Con comilla"));
    base.InsertarGrupo(QStringLiteral("2"), QString());
    const auto buscar = [&](const QString& clave, const QString& campo = QStringLiteral("Gcc_Descripcion"),
                            const QString& tabla = kTabla) { return util.BuscarValor(tabla, kClave, clave, campo, 0, {}, {}, {}); };
    QCOMPARE(buscar(QStringLiteral("1")), QStringLiteral("Activo"));
    QCOMPARE(buscar(QStringLiteral("O'B")), QStringLiteral("Con comilla"));
    QCOMPARE(buscar(QStringLiteral("1"), QStringLiteral("Gcc_Nivel")), QStringLiteral("1"));
    for (const char* hostil : {"9", "' OR '1'='1", "1' --", "1'; DELETE FROM Grupo_Cuenta_Contable; --", "?", "%"})
        QCOMPARE(buscar(QString::fromUtf8(hostil)), QString());
    QCOMPARE(base.ContarFilas(kTabla), 3);
    // An empty description reads like a missing key; looking up the key tells them apart.
    QCOMPARE(buscar(QStringLiteral("2")), QString());
    QCOMPARE(buscar(QStringLiteral("2"), kClave), QStringLiteral("2"));
    QVERIFY(util.ExisteRegistro(kTabla, kClave, QStringLiteral("2")) && !util.ExisteRegistro(kTabla, kClave, QStringLiteral("9")));
    // Names come from code; anything but an identifier is refused before it reaches the text.
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, buscar(QStringLiteral("1"), QStringLiteral("(SELECT 1)")));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, buscar(QStringLiteral("1"), kClave, kTabla + QStringLiteral(" WHERE 1=1 --")));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, buscar(QStringLiteral("1"), kClave, QStringLiteral("No_Existe")));
}

void PruebaServicios::obtenerParametro()
{
    ABRIR_BASE(motor, base);
    auto datos = crear<AccesoDatos>("AccesoDatos");
    AccesoDatosKes propio;
    const QString formato = QStringLiteral("FTO_GRUPO_CUENTA_CONTABLE");
    const auto leer = [&](const QString& nombre, const QVariant& omision, long numero = 0, const QString& tipo = QStringLiteral("T")) {
        return datos->ObtenerParametro(nombre, numero, tipo, omision);
    };
    QCOMPARE(leer(formato, QStringLiteral("000000")).toString(), QStringLiteral("000000"));
    propio.EstablecerParametro(formato, 0, QStringLiteral("T"), QStringLiteral("0000"));
    QCOMPARE(leer(formato, QStringLiteral("000000")).toString(), QStringLiteral("0000"));
    QCOMPARE(leer(formato, QStringLiteral("x"), 1).toString(), QStringLiteral("x"));  // the number tells them apart
    propio.EstablecerParametro(formato, 0, QStringLiteral("T"), QStringLiteral("00000000"));  // replaced, not repeated
    QCOMPARE(leer(formato, {}).toString(), QStringLiteral("00000000"));
    QCOMPARE(base.ContarFilas(QStringLiteral("Kes_Parametro")), 1);
    propio.EstablecerParametro(QStringLiteral("DIAS"), 0, QStringLiteral("N"), 30);
    QCOMPARE(leer(QStringLiteral("DIAS"), 0, 0, QStringLiteral("N")).toLongLong(), 30);
    propio.EstablecerParametro(QStringLiteral("DIAS"), 0, QStringLiteral("N"), QStringLiteral("treinta"));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, leer(QStringLiteral("DIAS"), 0, 0, QStringLiteral("N")));
    propio.EstablecerParametro(QStringLiteral("ACTIVO"), 0, QStringLiteral("L"), QStringLiteral("S"));
    QCOMPARE(leer(QStringLiteral("ACTIVO"), false, 0, {}).toBool(), true);
    propio.EstablecerParametro(QStringLiteral("NULO"), 0, QStringLiteral("T"), QVariant());
    QCOMPARE(leer(QStringLiteral("NULO"), QStringLiteral("def")).toString(), QStringLiteral("def"));
    const QJsonObject primera = base.TrazaDe(QStringLiteral("ObtenerParametro")).value(0);
    QCOMPARE(primera.value(QStringLiteral("nombre")).toString(), formato);
    QCOMPARE(primera.value(QStringLiteral("resultado")).toString(), QStringLiteral("000000"));
}

void PruebaServicios::fechasYTransaccion()
{
    auto util = crear<Utilerias>("Utilerias");
    const QDateTime fecha(QDate(2024, 3, 5), QTime(14, 5, 9));
    QCOMPARE(util->FormatoFecha(fecha), QStringLiteral("05/03/2024"));
    QCOMPARE(util->FormatoFechaRegistro(fecha), QStringLiteral("2024-03-05 14:05:09"));
    QCOMPARE(util->FormatoFecha(QDateTime()), QString());
    const QDateTime ahora = util->FechaActual();
    QVERIFY(ahora.time().msec() == 0 && qAbs(ahora.secsTo(QDateTime::currentDateTime())) <= 1);
    QCOMPARE(util->ObtenerTransaccion(QStringLiteral("CAT-01"), QStringLiteral("Kestrima")), QStringLiteral("CAT-01"));
    QCOMPARE(util->ObtenerTransaccion(QStringLiteral("  "), QStringLiteral("Kestrima")), QStringLiteral("Kestrima"));
    QVERIFY(crear<VisorReporte>("VisorReporte"));
    QVERIFY(!KesCrearObjeto("Pantalla") && !KesCrearObjeto("accesodatos") && !KesCrearObjeto(nullptr));
}

void PruebaServicios::mensajeRegistradoOMostrado()
{
    BaseDePrueba base;
    auto datos = crear<AccesoDatos>("AccesoDatos");
    g_registro.clear();
    const auto anterior = qInstallMessageHandler([](QtMsgType, const QMessageLogContext& contexto, const QString& m) {
        if (qstrcmp(contexto.category, "kestrima.mensajes") == 0)
            g_registro << m;
    });
    datos->Mensaje(QStringLiteral("No se puede eliminar el grupo cuenta contable raíz"), 48, QStringLiteral("Kestrima"),
                   4242, QStringLiteral("TQ614"), QStringLiteral("ERR-ID:7500010"));
    qInstallMessageHandler(anterior);
    const QJsonObject esperado{{"llamada", "Mensaje"}, {"texto", "No se puede eliminar el grupo cuenta contable raíz"},
                               {"estilo", 48}, {"titulo", "Kestrima"}, {"ventana", 4242}, {"proyecto", "TQ614"},
                               {"idError", "ERR-ID:7500010"}};
    QCOMPARE(base.TrazaDe(QStringLiteral("Mensaje")), QList<QJsonObject>{esperado});
    QCOMPARE(base.Mensajes().size(), 1);
    const Sesion::MensajeRegistrado m = base.Mensajes().first();
    QCOMPARE((QJsonObject{{"llamada", "Mensaje"}, {"texto", m.texto}, {"estilo", int(m.estilo)}, {"titulo", m.titulo},
                          {"ventana", int(m.ventana)}, {"proyecto", m.proyecto}, {"idError", m.idError}}), esperado);
    QCOMPARE(g_registro.size(), 1);  // one log line, naming the project and the error id
    QVERIFY(g_registro.first().contains(QStringLiteral("TQ614")) && g_registro.first().contains(QStringLiteral("ERR-ID:7500010")));

    Sesion::RegistrarMensajes(false);
    base.LimpiarMensajes();
    for (const auto& [estilo, icono] : {std::pair{16L, QMessageBox::Critical}, std::pair{48L, QMessageBox::Warning}}) {
        QStringList visto;
        VigiaModal vigia([&](QWidget* ventana) {
            auto* caja = qobject_cast<QMessageBox*>(ventana);
            visto = {QString::number(caja->icon()), caja->windowTitle(), caja->text()};
            caja->button(QMessageBox::Ok)->click();
        });
        datos->Mensaje(QStringLiteral("Texto visible"), estilo, QStringLiteral("Título"), 0, QStringLiteral("TQ614"),
                       QStringLiteral("ERR-ID:7500001"));
        QCOMPARE(vigia.Vencidas(), 0);
        QCOMPARE(visto, QStringList({QString::number(icono), "Título", "Texto visible"}));
    }
    QVERIFY(base.Mensajes().isEmpty());  // shown, not recorded
}

void PruebaServicios::trazaEnArchivo()
{
    BaseDePrueba base;
    QTemporaryDir carpeta;
    const QString archivo = carpeta.filePath(QStringLiteral("traza.jsonl"));
    Sesion::EstablecerTraza(archivo);
    auto datos = crear<AccesoDatos>("AccesoDatos");
    auto util = crear<Utilerias>("Utilerias");
    Connection* c = datos->Conexion();
    c->BeginTrans();
    const QString alta = QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable) VALUES ('1')");
    c->Execute(alta);
    QVERIFY(util->RegistrarCambio(kTabla, QStringLiteral("1"), {}));
    c->CommitTrans();
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->Execute(QStringLiteral("SELECT * FROM No_Existe")));
    datos->Mensaje(QStringLiteral("Hecho"), 48, QStringLiteral("Kestrima"), 1, QStringLiteral("TQ614"),
                   QStringLiteral("ERR-ID:7500014"));
    Sesion::EstablecerTraza(QString());
    c->Execute(QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable"));  // after the trace is off: not written

    const auto lineas = leerTraza(archivo);
    QCOMPARE(llamadas(lineas),
             (QStringList{"Conexion", "BeginTrans", "Execute", "RegistrarCambio", "CommitTrans", "Execute", "Mensaje"}));
    QCOMPARE(lineas.at(2).value(QStringLiteral("sql")).toString(), alta);
    QCOMPARE(lineas.at(3).value(QStringLiteral("resultado")).toBool(), true);
    QVERIFY(lineas.at(5).value(QStringLiteral("error")).toString().startsWith(QStringLiteral("Error en la sentencia SQL")));
    QCOMPARE(lineas.at(5).value(QStringLiteral("codigo")).toString(), QStringLiteral("1"));
    QCOMPARE(lineas.at(6).value(QStringLiteral("idError")).toString(), QStringLiteral("ERR-ID:7500014"));
    QCOMPARE(base.Traza().last().value(QStringLiteral("filas")).toInt(), 1);  // and in memory, the untraced one too
}

void PruebaServicios::trazaYMensajesPorVariablesDeEntorno()
{
    QTemporaryDir carpeta;
    QProcess proceso;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("TQ614_TRAZA"), carpeta.filePath(QStringLiteral("hijo.jsonl")));
    entorno.insert(QStringLiteral("TQ614_MENSAJES"), QStringLiteral("registrar"));
    proceso.setProcessEnvironment(entorno);
    proceso.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hijo"), carpeta.filePath(QStringLiteral("hijo.db"))});
    const bool termino = proceso.waitForFinished(20000);
    if (!termino)
        proceso.kill();
    QVERIFY2(termino, "el hijo esperaba a un usuario: TQ614_MENSAJES no lo puso en modo registrar");
    QCOMPARE(proceso.exitCode(), 0);
    QCOMPARE(llamadas(leerTraza(carpeta.filePath(QStringLiteral("hijo.jsonl")))),
             (QStringList{"Conexion", "Execute", "Mensaje"}));
}

// The next node after the current one whose text holds the search, ignoring case and accents,
// wrapping round; it opens folded branches and scrolls the node into view.
void PruebaServicios::buscarEnArbol()
{
    BaseDePrueba base;
    auto util = crear<Utilerias>("Utilerias");
    QTreeWidget arbol;
    arbol.setObjectName(QStringLiteral("tvCuentas"));
    arbol.resize(240, 120);  // small: most nodes lie outside the view
    auto* raiz = new QTreeWidgetItem(&arbol, {QStringLiteral("/")});
    auto* circulante = new QTreeWidgetItem(new QTreeWidgetItem(raiz, {QStringLiteral("Activo")}), {QStringLiteral("Circulante")});
    new QTreeWidgetItem(circulante, {QStringLiteral("Caja")});
    auto* bancos = new QTreeWidgetItem(circulante, {QStringLiteral("Bancos")});
    for (const char* texto : {"Pasivo", "ECONOMÍA Ñandú", "Fijo"})
        new QTreeWidgetItem(raiz, {QString::fromUtf8(texto)});
    auto* chica = new QTreeWidgetItem(new QTreeWidgetItem(raiz, {QStringLiteral("Capital")}), {QStringLiteral("Caja chica")});
    raiz->setExpanded(true);
    arbol.show();
    QVERIFY(QTest::qWaitForWindowExposed(&arbol));
    const auto buscar = [&](const char* texto) {
        util->BuscarEnArbol(&arbol, QString::fromUtf8(texto));
        return arbol.currentItem() ? arbol.currentItem()->text(0) : QString();
    };
    QCOMPARE(buscar("caja"), QStringLiteral("Caja"));  // without a current node, from the first
    QCOMPARE(buscar("caja"), QStringLiteral("Caja chica"));
    QCOMPARE(buscar("caja"), QStringLiteral("Caja"));  // round to the beginning
    QCOMPARE(buscar("economia"), QStringLiteral("ECONOMÍA Ñandú"));
    QCOMPARE(buscar("NANDU"), QStringLiteral("ECONOMÍA Ñandú"));  // the single match again
    QCOMPARE(buscar("ircul"), QStringLiteral("Circulante"));
    QVERIFY(base.Mensajes().isEmpty());
    QCOMPARE(base.TrazaDe(QStringLiteral("BuscarEnArbol")).first().value(QStringLiteral("arbol")).toString(),
             QStringLiteral("tvCuentas"));

    arbol.collapseAll();
    raiz->setExpanded(true);
    QCOMPARE(buscar("bancos"), QStringLiteral("Bancos"));
    QVERIFY(bancos->isSelected() && circulante->isExpanded() && circulante->parent()->isExpanded());
    QTRY_VERIFY(arbol.viewport()->rect().contains(arbol.visualItemRect(bancos)));
    arbol.scrollToTop();
    QVERIFY(!arbol.viewport()->rect().contains(arbol.visualItemRect(chica)));
    QCOMPARE(buscar("chica"), QStringLiteral("Caja chica"));
    QTRY_VERIFY(arbol.viewport()->rect().contains(arbol.visualItemRect(chica)));

    QCOMPARE(buscar("Inventarios"), QStringLiteral("Caja chica"));  // nothing matches: it stays
    QCOMPARE(base.Mensajes().size(), 1);
    const Sesion::MensajeRegistrado m = base.Mensajes().first();
    QVERIFY2(m.texto.startsWith(QStringLiteral("No se encontró")) && m.texto.contains(QStringLiteral("Inventarios")),
             qPrintable(m.texto));
    QCOMPARE(m.estilo, 48L);
    QCOMPARE(m.titulo, QStringLiteral("Buscar"));
    QCOMPARE(m.ventana, static_cast<qintptr>(arbol.window()->winId()));
    QCOMPARE(base.TrazaDe(QStringLiteral("Mensaje")).size(), 1);
    QCOMPARE(buscar("   "), QStringLiteral("Caja chica"));  // nothing to look for, nothing said
    QCOMPARE(base.Mensajes().size(), 1);
}

int main(int argc, char** argv)
{
    if (argc > 2 && qstrcmp(argv[1], "--hijo") == 0)
        return hijo(argc, argv);
    QApplication app(argc, argv);
    PruebaServicios prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "tst_Servicios.moc"
