// The services the component calls and the trace of every call, on both engines where they matter.
#include "AccesoDatosKes.h"
#include "BaseDePrueba.h"
#include "DialogoReporte.h"
#include "FabricaServicios.h"
#include "UtileriasKes.h"
#include "VigiaModal.h"

#include <QApplication>
#include <QJsonDocument>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;
using Motor = BaseDePrueba::Motor;

namespace {

const QString kTabla = u"Grupo_Cuenta_Contable"_s, kClave = u"Gcc_Cve_Grupo_Cuenta_Contable"_s;

template <class T>
std::unique_ptr<T> crear(const char* clase)
{
    return std::unique_ptr<T>(static_cast<T*>(KesCrearObjeto(clase)));
}

// The lines of a trace file, each of which must be one JSON object, and the names of their calls.
QList<QJsonObject> lineas(const QString& archivo, QStringList* llamadas)
{
    QFile f(archivo);
    QList<QJsonObject> todas;
    for (bool abierto = f.open(QIODevice::ReadOnly); abierto && !f.atEnd();) {
        todas << QJsonDocument::fromJson(f.readLine()).object();
        *llamadas << todas.last().value("llamada"_L1).toString();
    }
    return todas;
}

// A child with no options, only variables (else its message would wait for a user).
int hijo(int argc, char** argv)
{
    QApplication app(argc, argv);
    Sesion::Configuracion c;
    c.archivo = QString::fromLocal8Bit(argv[2]);
    Sesion::Configurar(c);
    auto datos = crear<AccesoDatos>("AccesoDatos");
    datos->Conexion()->Execute(u"SELECT * FROM Grupo_Cuenta_Contable"_s);
    datos->Mensaje(u"Desde el hijo"_s, 48, u"Kestrima"_s, 0, u"TQ614"_s, u"ERR-ID:7500011"_s);
    return Sesion::MensajesRegistrados().size() == 1 ? 0 : 3;
}

// A workstation with a wrong clock (faketime) and no operator on schema `argv[2]`: it registers a
// change and prints its own time.
int relojMovido(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Sesion::Configuracion c = BaseDePrueba::ConfiguracionPostgres();
    c.esquema = QString::fromLatin1(argv[2]);
    c.operador.clear();
    Sesion::Configurar(c);
    auto util = crear<Utilerias>("Utilerias");
    Sesion::Conexion()->BeginTrans();
    const bool registrado = util->RegistrarCambio(kTabla, u"1"_s, {});
    Sesion::Conexion()->CommitTrans();
    std::printf("%s\n", qPrintable(util->FormatoFechaRegistro(util->FechaActual())));
    return registrado ? 0 : 3;
}

}  // namespace

class PruebaServicios : public QObject
{
    Q_OBJECT

private slots:
    // Registered only inside a transaction, with operator, session, login and time; vetoes read in
    // any case, others' ignored; audit rows go with their change.
    void registrarCambio_data() { BaseDePrueba::AgregarMotores(); }
    void registrarCambio()
    {
        ABRIR_BASE(motor, base);
        auto util = crear<Utilerias>("Utilerias");
        QVERIFY(!util->RegistrarCambio(kTabla, u"1"_s, {}));
        QVERIFY(util->UltimoError().contains(u"no hay una transacción abierta"_s));
        base.PermitirEscritura(u"OTRO"_s, kTabla, false);
        base.PermitirEscritura(u"PRUEBA"_s, u"Otra_Tabla"_s, false);
        const auto registrar = [&](const QString& clave, const QString& texto, bool confirmar) {
            base.Conexion()->BeginTrans();
            base.InsertarGrupo(clave, u"Grupo"_s);
            const bool registrado = util->RegistrarCambio(kTabla, clave, texto);
            confirmar ? base.Conexion()->CommitTrans() : base.Conexion()->RollbackTrans();  // as the caller would
            return registrado;
        };
        QVERIFY(registrar(u"1"_s, u"CAT-01"_s, true) && util->UltimoError().isEmpty());
        const QStringList fila =
            base.Valor(u"SELECT Bit_Tabla || '|' || Bit_Clave || '|' || Bit_Operador || '|' || "
                       "Bit_Sesion || '|' || Bit_Usuario_Base || '|' || Bit_Fecha FROM Kes_Bitacora"_s)
                .toString()
                .split(u'|');
        QCOMPARE(fila.mid(0, 5), QStringList({kTabla, u"1"_s, u"PRUEBA"_s, Sesion::IdSesion(),
                                              motor == Motor::PostgreSQL ? base.Configuracion().usuario
                                                                         : Sesion::UsuarioDelSistema()}));
        const QDateTime fecha = QDateTime::fromString(fila.value(5), u"yyyy-MM-dd HH:mm:ss"_s);
        QVERIFY2(qAbs(fecha.secsTo(QDateTime::currentDateTime())) < 60, qPrintable(fila.value(5)));
        base.PermitirEscritura(u"prueba"_s, u"GRUPO_CUENTA_CONTABLE"_s, false);
        QVERIFY(!registrar(u"2"_s, {}, false));
        QCOMPARE(util->UltimoError(),
                 u"El operador PRUEBA no tiene permiso para modificar la tabla Grupo_Cuenta_Contable"_s);
        base.PermitirEscritura(u"prueba"_s, u"GRUPO_CUENTA_CONTABLE"_s, true);
        QVERIFY(registrar(u"2"_s, {}, false) && util->UltimoError().isEmpty());  // a success clears it
        QVERIFY(base.Claves() == QStringList{u"1"_s} && base.ContarFilas(u"Kes_Bitacora"_s) == 1);
        QCOMPARE(base.TrazaEnTexto("RegistrarCambio", {"texto", "resultado"}),
                 QStringList({u"|false"_s, u"CAT-01|true"_s, u"|false"_s, u"|true"_s}));
    }

    // The change log takes the server's time, and without an operator the database login.
    void bitacoraConElRelojYElUsuarioDelServidor()
    {
        REQUIERE_MOTOR(Motor::PostgreSQL);
        BaseDePrueba base(Motor::PostgreSQL);
        QProcess hijo;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        // libfaketime is preloaded before the sanitizers' runtime, which then must not object.
        entorno.insert(u"ASAN_OPTIONS"_s, entorno.value(u"ASAN_OPTIONS"_s) + u":verify_asan_link_order=0"_s);
        hijo.setProcessEnvironment(entorno);
        hijo.start(u"faketime"_s, {u"2001-02-03 04:05:06"_s, QCoreApplication::applicationFilePath(),
                                   u"--reloj-movido"_s, base.Esquema()});
        QVERIFY2(hijo.waitForFinished(60000) && hijo.exitCode() == 0, hijo.readAllStandardError().constData());
        QVERIFY(hijo.readAllStandardOutput().startsWith("2001-02-03"));
        const QStringList fila = base.Valor(u"SELECT Bit_Fecha || '|' || Bit_Operador || '|' || Bit_Usuario_Base "
                                            "FROM Kes_Bitacora"_s)
                                     .toString()
                                     .split(u'|');
        const QDateTime fecha = QDateTime::fromString(fila[0], u"yyyy-MM-dd HH:mm:ss"_s);
        QVERIFY2(qAbs(fecha.secsTo(QDateTime::currentDateTime())) < 120, qPrintable(fila[0]));
        QCOMPARE(fila.mid(1), QStringList(2, base.Configuracion().usuario));
    }

    // Only whole-number keys count, up to the 32-bit limit; lookups bind the key, and names that
    // are not identifiers never reach the text.
    void siguienteNumeroYBuscarValor_data() { BaseDePrueba::AgregarMotores(); }
    void siguienteNumeroYBuscarValor()
    {
        ABRIR_BASE(motor, base);
        UtileriasKes util(FabricaServicios::CrearAccesoDatos());
        const auto siguiente = [&](const QString& tabla = kTabla) {
            return util.SiguienteNumero(tabla, kClave, {}, {}, {}, {}, {}, {}, {});
        };
        const auto buscar = [&](const QString& clave, const QString& campo = u"Gcc_Descripcion"_s,
                                const QString& tabla = kTabla) {
            return util.BuscarValor(tabla, kClave, clave, campo, 0, {}, {}, {});
        };
        QCOMPARE(siguiente(), 1L);
        for (const char* clave : {"000042", "ABC", "1.2", "99A", "7", "-5", " 50", "1e3", "O'B"})
            base.InsertarGrupo(QString::fromLatin1(clave), QString::fromLatin1(clave).repeated(2));
        QCOMPARE(siguiente(), 43L);
        const QString cien = u"0000000000000000000000100"_s;
        base.InsertarGrupo(cien, QString());
        QCOMPARE(siguiente(), 101L);
        // An empty description reads like a missing key; looking up the key tells them apart.
        QCOMPARE(buscar(cien) + u'|' + buscar(cien, kClave), u'|' + cien);
        for (const char* ultima : {"2147483647", "123456789012345678901234"}) {
            base.InsertarGrupo(QString::fromLatin1(ultima), u"el último"_s);
            QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, siguiente());
            base.Ejecutar(u"DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Descripcion = 'el último'"_s);
        }
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, siguiente(u"Grupo_Cuenta_Contable; DROP TABLE x"_s));
        QCOMPARE(buscar(u"O'B"_s) + u'|' + buscar(u"7"_s, u"Gcc_Nivel"_s), u"O'BO'B|1"_s);
        for (const char* hostil : {"9", "' OR '1'='1", "7' --", "7'; DELETE FROM Grupo_Cuenta_Contable; --", "?", "%"})
            QCOMPARE(buscar(QString::fromUtf8(hostil)), QString());
        QCOMPARE(base.ContarFilas(kTabla), 10);
        QVERIFY(util.ExisteRegistro(kTabla, kClave, u"7"_s) && !util.ExisteRegistro(kTabla, kClave, u"9"_s));
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, buscar(u"7"_s, u"(SELECT 1)"_s));
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, buscar(u"7"_s, kClave, kTabla + u" WHERE 1=1 --"_s));
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, buscar(u"7"_s, kClave, u"No_Existe"_s));
    }

    // A parameter by name and number, its default while missing or null, refused if not of its
    // type. Dates, transaction names and the services' factory.
    void parametrosFechasYFabrica_data() { BaseDePrueba::AgregarMotores(); }
    void parametrosFechasYFabrica()
    {
        ABRIR_BASE(motor, base);
        auto datos = crear<AccesoDatos>("AccesoDatos");
        AccesoDatosKes propio;
        const QString formato = u"FTO_GRUPO_CUENTA_CONTABLE"_s;
        const auto leer = [&](const QString& nombre, const QVariant& omision, long numero = 0,
                              const QString& tipo = u"T"_s) {
            return datos->ObtenerParametro(nombre, numero, tipo, omision).toString();
        };
        QCOMPARE(leer(formato, u"000000"_s), u"000000"_s);
        propio.EstablecerParametro(formato, 0, u"T"_s, u"0000"_s);
        QCOMPARE(leer(formato, u"000000"_s) + u'|' + leer(formato, u"x"_s, 1), u"0000|x"_s);  // the number counts
        propio.EstablecerParametro(formato, 0, u"T"_s, u"00000000"_s);  // replaced, not repeated
        QVERIFY(leer(formato, {}) == u"00000000" && base.ContarFilas(u"Kes_Parametro"_s) == 1);
        propio.EstablecerParametro(u"DIAS"_s, 0, u"N"_s, u"treinta"_s);
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, leer(u"DIAS"_s, 0, 0, u"N"_s));
        propio.EstablecerParametro(u"NULO"_s, 0, u"T"_s, QVariant());
        QCOMPARE(leer(u"NULO"_s, u"def"_s), u"def"_s);
        QCOMPARE(base.TrazaEnTexto("ObtenerParametro", {"nombre", "resultado"}).value(0), formato + u"|000000"_s);

        auto util = crear<Utilerias>("Utilerias");
        const QDateTime fecha(QDate(2024, 3, 5), QTime(14, 5, 9));
        QCOMPARE(util->FormatoFecha(fecha) + u'|' + util->FormatoFechaRegistro(fecha) + u'|' + util->FormatoFecha({}),
                 u"05/03/2024|2024-03-05 14:05:09|"_s);
        const QDateTime ahora = util->FechaActual();
        QVERIFY(ahora.time().msec() == 0 && qAbs(ahora.secsTo(QDateTime::currentDateTime())) <= 1);
        QCOMPARE(util->ObtenerTransaccion(u"CAT-01"_s, u"Kestrima"_s)
                     + util->ObtenerTransaccion(u"  "_s, u"Kestrima"_s),
                 u"CAT-01Kestrima"_s);
        QVERIFY(crear<VisorReporte>("VisorReporte") && crear<AccesoDatos>("AccesoDatos"));
        QVERIFY(!KesCrearObjeto("Pantalla") && !KesCrearObjeto("accesodatos") && !KesCrearObjeto(nullptr));
    }

    // The trace file: a JSON line per call, errors with their code, nothing once off. A recorded
    // message keeps every argument and logs one line. TQ614_TRAZA and TQ614_MENSAJES set both up.
    void trazaYMensajesRegistrados()
    {
        BaseDePrueba base;
        QTemporaryDir carpeta;
        const QString archivo = carpeta.filePath(u"traza.jsonl"_s);
        Sesion::EstablecerTraza(archivo);
        auto datos = crear<AccesoDatos>("AccesoDatos");
        auto util = crear<Utilerias>("Utilerias");
        Connection* c = datos->Conexion();
        c->BeginTrans();
        const QString alta = u"INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable) VALUES ('1')"_s;
        c->Execute(alta);
        QVERIFY(util->RegistrarCambio(kTabla, u"1"_s, {}));
        c->CommitTrans();
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->Execute(u"SELECT * FROM No_Existe"_s));
        static QStringList registro;
        const auto anterior =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext& contexto, const QString& m) {
                if (qstrcmp(contexto.category, "kestrima.mensajes") == 0)
                    registro << m;
            });
        datos->Mensaje(u"No se puede eliminar el grupo cuenta contable raíz"_s, 48, u"Kestrima"_s, 4242, u"TQ614"_s,
                       u"ERR-ID:7500010"_s);
        qInstallMessageHandler(anterior);
        Sesion::EstablecerTraza(QString());
        c->Execute(u"SELECT * FROM Grupo_Cuenta_Contable"_s);
        QStringList llamadas;
        const QList<QJsonObject> l = lineas(archivo, &llamadas);
        QCOMPARE(llamadas, (QStringList{"Conexion", "BeginTrans", "Execute", "RegistrarCambio", "CommitTrans",
                                        "Execute", "Mensaje"}));
        QVERIFY(l[2].value("sql"_L1) == alta && l[3].value("resultado"_L1).toBool());
        QVERIFY2(l[5].value("error"_L1).toString().startsWith(u"Error en la sentencia SQL"_s)
                     && l[5].value("codigo"_L1) == u"1"_s,
                 qPrintable(l[5].value("error"_L1).toString()));
        QCOMPARE(
            base.TrazaEnTexto("Mensaje", {"texto", "estilo", "titulo", "ventana", "proyecto", "idError"}),
            QStringList{u"No se puede eliminar el grupo cuenta contable raíz|48|Kestrima|4242|TQ614|ERR-ID:7500010"_s});
        QCOMPARE(base.TrazaDe(u"Mensaje"_s), QList<QJsonObject>{l[6]});
        QCOMPARE(base.Traza().last().value("filas"_L1).toInt(), 1);  // the observer in memory sees every call
        QVERIFY(registro.size() == 1 && registro[0].contains(u"TQ614"_s) && registro[0].contains(u"ERR-ID:7500010"_s));
        QProcess proceso;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert(u"TQ614_TRAZA"_s, carpeta.filePath(u"hijo.jsonl"_s));
        entorno.insert(u"TQ614_MENSAJES"_s, u"registrar"_s);
        proceso.setProcessEnvironment(entorno);
        proceso.start(QCoreApplication::applicationFilePath(), {u"--hijo"_s, carpeta.filePath(u"hijo.db"_s)});
        QVERIFY2(proceso.waitForFinished(20000) && proceso.exitCode() == 0, "the child waited for a user, or failed");
        llamadas.clear();
        lineas(carpeta.filePath(u"hijo.jsonl"_s), &llamadas);
        QCOMPARE(llamadas, (QStringList{"Conexion", "Execute", "Mensaje"}));
    }

    // Shown, not recorded: a message with the style's icon; the listing modal, read-only, a tab a
    // few characters wide; saved as text or PDF; previewed on as many pages as it takes.
    void mensajeYReporteEnPantalla()
    {
        BaseDePrueba base;
        Sesion::RegistrarMensajes(false);  // recorded listings are seen through the Print command's test
        auto datos = crear<AccesoDatos>("AccesoDatos");
        for (const auto& [estilo, icono] :
             {std::pair{16L, QMessageBox::Critical}, std::pair{48L, QMessageBox::Warning}}) {
            QStringList visto;
            VigiaModal vigia([&](QWidget* ventana) {
                auto* caja = qobject_cast<QMessageBox*>(ventana);
                visto = {QString::number(caja->icon()), caja->windowTitle(), caja->text()};
                caja->button(QMessageBox::Ok)->click();
            });
            datos->Mensaje(u"Texto visible"_s, estilo, u"Título"_s, 0, u"TQ614"_s, u"ERR-ID:7500001"_s);
            QCOMPARE(visto, QStringList({QString::number(icono), u"Título"_s, u"Texto visible"_s}));
        }
        const QString listado = u"000001\tActivo\n\t000011\tCirculante\n\t\t000111\tCaja\n000002\tPasivo\n"_s;
        QStringList visto;
        qreal tabulador = 0;
        {
            VigiaModal vigia([&](QWidget* ventana) {
                auto* texto = ventana->findChild<QPlainTextEdit*>(u"txtListado"_s);
                visto = {ventana->windowTitle(), texto->toPlainText(),
                         QString::number(ventana->isModal() && texto->isReadOnly())};
                tabulador = texto->tabStopDistance();
                ventana->findChild<QPushButton*>(u"cmdCerrar"_s)->click();
            });
            FabricaServicios::CrearVisorReporte()->MostrarReporte(listado, QString(), 0, 0, -1, -1, 7, -1);
        }
        QCOMPARE(visto, (QStringList{u"Reporte"_s, listado, u"1"_s}));
        const qreal espacio =
            QFontMetricsF(QFontDatabase::systemFont(QFontDatabase::FixedFont)).horizontalAdvance(u' ');
        QVERIFY(tabulador >= 2 * espacio && tabulador <= 8 * espacio);
        QVERIFY(base.Mensajes().isEmpty() && base.Reportes().isEmpty());

        const QString largo = listado.repeated(50);  // 200 lines do not fit one page
        DialogoReporte dialogo(largo, u"Catálogo"_s);
        QTemporaryDir carpeta;
        QFile texto(carpeta.filePath(u"listado.txt"_s)), pdf(carpeta.filePath(u"listado.PDF"_s));
        dialogo.Guardar(texto.fileName());
        dialogo.Guardar(pdf.fileName());
        QVERIFY(texto.open(QIODevice::ReadOnly) && pdf.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(texto.readAll()), largo);
        QVERIFY(pdf.readAll().startsWith("%PDF-"));
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, dialogo.Guardar(carpeta.filePath(u"no/existe/x.txt"_s)));
        int paginas = 0;
        VigiaModal vigia([&](QWidget* ventana) {
            if (ventana == &dialogo) {
                // Clicked once this watch has returned: the preview's own loop must see it run.
                QTimer::singleShot(0, &dialogo, [&] { dialogo.findChild<QPushButton*>(u"cmdVistaPrevia"_s)->click(); });
            } else if (auto* vista = qobject_cast<QPrintPreviewDialog*>(ventana)) {
                paginas = vista->findChild<QPrintPreviewWidget*>()->pageCount();
                vista->reject();
                dialogo.reject();
            }
        });
        dialogo.exec();
        QVERIFY2(vigia.Vencidas() == 0 && paginas >= 2, qPrintable(QString::number(paginas)));
    }
};

int main(int argc, char** argv)
{
    if (argc > 2 && qstrcmp(argv[1], "--hijo") == 0)
        return hijo(argc, argv);
    if (argc > 2 && qstrcmp(argv[1], "--reloj-movido") == 0)
        return relojMovido(argc, argv);
    QApplication app(argc, argv);
    PruebaServicios prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "tst_Servicios.moc"
