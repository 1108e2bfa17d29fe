// The services' factory, messages (shown or recorded, always logged) and the trace of every
// call, in memory, in a file, and switched on by environment variables.
#include "BaseDePrueba.h"
#include "ErrorEjecucion.h"
#include "FabricaServicios.h"
#include "VigiaModal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QJsonDocument>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

template <class T>
std::unique_ptr<T> crear(const char* clase)
{
    return std::unique_ptr<T>(static_cast<T*>(KesCrearObjeto(clase)));
}

QList<QJsonObject> leerLineas(const QString& archivo)
{
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QJsonObject> lineas;
    while (!f.atEnd()) {
        const QByteArray linea = f.readLine().trimmed();
        if (linea.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(linea, &error);
        if (error.error != QJsonParseError::NoError || !doc.isObject())
            return {};  // every line must be one JSON object
        lineas << doc.object();
    }
    return lineas;
}

QStringList llamadas(const QList<QJsonObject>& lineas)
{
    QStringList nombres;
    for (const QJsonObject& l : lineas)
        nombres << l.value(QStringLiteral("llamada")).toString();
    return nombres;
}

// Run as a child with the environment of support staff: no options, only variables.
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
    std::printf("mensajes=%d\n", static_cast<int>(Sesion::MensajesRegistrados().size()));
    return 0;
}

QStringList g_registro;

void capturar(QtMsgType, const QMessageLogContext& contexto, const QString& mensaje)
{
    if (qstrcmp(contexto.category, "kestrima.mensajes") == 0)
        g_registro << mensaje;
}

} // namespace

class PruebaTrazaYMensajes : public QObject
{
    Q_OBJECT

private slots:
    void fabricaPorNombre();
    void mensajeRegistradoConSeisArgumentos();
    void mensajeVisibleConIconoYTitulo();
    void trazaEnArchivo();
    void trazaDeErrores();
    void variablesDeEntorno();
};

void PruebaTrazaYMensajes::fabricaPorNombre()
{
    QVERIFY(crear<AccesoDatos>("AccesoDatos"));
    QVERIFY(crear<Utilerias>("Utilerias"));
    QVERIFY(crear<VisorReporte>("VisorReporte"));
    QCOMPARE(KesCrearObjeto("Pantalla"), nullptr);
    QCOMPARE(KesCrearObjeto("accesodatos"), nullptr);
    QCOMPARE(KesCrearObjeto(nullptr), nullptr);
}

void PruebaTrazaYMensajes::mensajeRegistradoConSeisArgumentos()
{
    BaseDePrueba base;
    auto datos = crear<AccesoDatos>("AccesoDatos");
    g_registro.clear();
    const auto anterior = qInstallMessageHandler(capturar);
    datos->Mensaje(QStringLiteral("No se puede eliminar el grupo cuenta contable raíz"), 48, QStringLiteral("Kestrima"),
                   4242, QStringLiteral("TQ614"), QStringLiteral("ERR-ID:7500010"));
    qInstallMessageHandler(anterior);

    const auto mensajes = base.Mensajes();
    QCOMPARE(mensajes.size(), 1);
    const Sesion::MensajeRegistrado& m = mensajes.first();
    QCOMPARE(m.texto, QStringLiteral("No se puede eliminar el grupo cuenta contable raíz"));
    QCOMPARE(m.estilo, 48L);
    QCOMPARE(m.titulo, QStringLiteral("Kestrima"));
    QCOMPARE(m.ventana, qintptr(4242));
    QCOMPARE(m.proyecto, QStringLiteral("TQ614"));
    QCOMPARE(m.idError, QStringLiteral("ERR-ID:7500010"));

    const auto lineas = base.TrazaDe(QStringLiteral("Mensaje"));
    QCOMPARE(lineas.size(), 1);
    QCOMPARE(lineas.first(), (QJsonObject{{"llamada", "Mensaje"},
                                          {"texto", "No se puede eliminar el grupo cuenta contable raíz"},
                                          {"estilo", 48},
                                          {"titulo", "Kestrima"},
                                          {"ventana", 4242},
                                          {"proyecto", "TQ614"},
                                          {"idError", "ERR-ID:7500010"}}));
    // One log line, naming the project and the error id.
    QCOMPARE(g_registro.size(), 1);
    QVERIFY(g_registro.first().contains(QStringLiteral("TQ614")));
    QVERIFY(g_registro.first().contains(QStringLiteral("ERR-ID:7500010")));
}

void PruebaTrazaYMensajes::mensajeVisibleConIconoYTitulo()
{
    BaseDePrueba base;
    Sesion::RegistrarMensajes(false);
    auto datos = crear<AccesoDatos>("AccesoDatos");
    for (const auto& [estilo, icono] : {std::pair{16L, QMessageBox::Critical}, std::pair{48L, QMessageBox::Warning}}) {
        QMessageBox::Icon visto = QMessageBox::NoIcon;
        QString titulo, texto;
        VigiaModal vigia([&](QWidget* ventana) {
            if (auto* caja = qobject_cast<QMessageBox*>(ventana)) {
                visto = caja->icon();
                titulo = caja->windowTitle();
                texto = caja->text();
                caja->button(QMessageBox::Ok)->click();
            }
        });
        datos->Mensaje(QStringLiteral("Texto visible"), estilo, QStringLiteral("Título"), 0, QStringLiteral("TQ614"),
                       QStringLiteral("ERR-ID:7500001"));
        QCOMPARE(vigia.Vencidas(), 0);
        QCOMPARE(visto, icono);
        QCOMPARE(titulo, QStringLiteral("Título"));
        QCOMPARE(texto, QStringLiteral("Texto visible"));
    }
    QVERIFY(base.Mensajes().isEmpty());  // shown, not recorded
}

void PruebaTrazaYMensajes::trazaEnArchivo()
{
    BaseDePrueba base;
    QTemporaryDir carpeta;
    const QString archivo = carpeta.filePath(QStringLiteral("traza.jsonl"));
    Sesion::EstablecerTraza(archivo);
    auto datos = crear<AccesoDatos>("AccesoDatos");
    auto util = crear<Utilerias>("Utilerias");
    Connection* c = datos->Conexion();
    c->BeginTrans();
    c->Execute(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion) "
                              "VALUES ('1', 'Activo')"));
    QVERIFY(util->RegistrarCambio(QStringLiteral("Grupo_Cuenta_Contable"), QStringLiteral("1"), {}));
    c->CommitTrans();
    datos->Mensaje(QStringLiteral("Hecho"), 48, QStringLiteral("Kestrima"), 1, QStringLiteral("TQ614"),
                   QStringLiteral("ERR-ID:7500014"));
    Sesion::EstablecerTraza(QString());
    c->Execute(QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable"));  // after the trace is off: not written

    const auto lineas = leerLineas(archivo);
    QCOMPARE(llamadas(lineas), (QStringList{"Conexion", "BeginTrans", "Execute", "RegistrarCambio", "CommitTrans",
                                            "Mensaje"}));
    QCOMPARE(lineas.at(2).value(QStringLiteral("sql")).toString(),
             QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion) "
                            "VALUES ('1', 'Activo')"));
    QCOMPARE(lineas.at(3).value(QStringLiteral("resultado")).toBool(), true);
    QCOMPARE(lineas.at(5).value(QStringLiteral("idError")).toString(), QStringLiteral("ERR-ID:7500014"));
    // The same calls reached the observer in memory.
    QCOMPARE(llamadas(base.Traza()).mid(0, 6), llamadas(lineas));
}

void PruebaTrazaYMensajes::trazaDeErrores()
{
    BaseDePrueba base;
    auto datos = crear<AccesoDatos>("AccesoDatos");
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, datos->Conexion()->Execute(QStringLiteral("SELECT * FROM No_Existe")));
    const auto lineas = base.TrazaDe(QStringLiteral("Execute"));
    QCOMPARE(lineas.size(), 1);
    QVERIFY(lineas.first().value(QStringLiteral("error")).toString().startsWith(QStringLiteral("Error en la sentencia SQL")));
    QCOMPARE(lineas.first().value(QStringLiteral("codigo")).toString(), QStringLiteral("1"));
    datos->Conexion()->Execute(QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable"));
    QCOMPARE(base.TrazaDe(QStringLiteral("Execute")).last().value(QStringLiteral("filas")).toInt(), 0);
}

void PruebaTrazaYMensajes::variablesDeEntorno()
{
    QTemporaryDir carpeta;
    const QString traza = carpeta.filePath(QStringLiteral("hijo.jsonl"));
    QProcess proceso;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("TQ614_TRAZA"), traza);
    entorno.insert(QStringLiteral("TQ614_MENSAJES"), QStringLiteral("registrar"));
    entorno.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    proceso.setProcessEnvironment(entorno);
    proceso.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--hijo"), carpeta.filePath(QStringLiteral("hijo.db"))});
    const bool termino = proceso.waitForFinished(20000);
    if (!termino)
        proceso.kill();
    QVERIFY2(termino, "el hijo esperaba a un usuario: TQ614_MENSAJES no lo puso en modo registrar");
    QCOMPARE(proceso.exitCode(), 0);
    QVERIFY(proceso.readAllStandardOutput().contains("mensajes=1"));
    QCOMPARE(llamadas(leerLineas(traza)), (QStringList{"Conexion", "Execute", "Mensaje"}));
}

int main(int argc, char** argv)
{
    if (argc > 2 && qstrcmp(argv[1], "--hijo") == 0)
        return hijo(argc, argv);
    QApplication app(argc, argv);
    PruebaTrazaYMensajes prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "tst_TrazaYMensajes.moc"
