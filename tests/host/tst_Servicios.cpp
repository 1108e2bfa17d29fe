// The services the component calls and the trace of every call, on both engines where they matter.
#include "AccesoDatosKes.h"
#include "Archivos.h"
#include "BaseDePrueba.h"
#include "DialogoReporte.h"
#include "FabricaServicios.h"
#include "UtileriasKes.h"

#include <QApplication>
#include <QtTest>

using namespace Qt::StringLiterals;
using Motor = BaseDePrueba::Motor;

namespace {

const QString kTabla = u"Grupo_Cuenta_Contable"_s, kClave = u"Gcc_Cve_Grupo_Cuenta_Contable"_s;

// The names of the calls in a trace file (empty for a line that is not a JSON object).
QStringList LlamadasDelArchivo(const QString& archivo)
{
    QStringList nombres;
    for (const QJsonObject& linea : LineasDeTraza(archivo))
        nombres << linea.value("llamada"_L1).toString();
    return nombres;
}

// A workstation with a wrong clock, on schema `argv[2]`: a change, then its own time.
int relojMovido(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Sesion::Configuracion c = BaseDePrueba::ConfiguracionPostgres();
    c.esquema = QString::fromLatin1(argv[2]);
    Sesion::Configurar(c);
    auto util = FabricaServicios::CrearUtilerias();
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
    // A change registered inside a transaction only, on the server's clock, vetoes read in any case;
    // the next number from whole-number keys up to the 32-bit limit; lookups that bind the key and
    // refuse names that are not identifiers; parameters, dates and transaction names.
    void utilerias_data() { BaseDePrueba::AgregarMotores(); }
    void utilerias()
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
        QVERIFY(!util.RegistrarCambio(kTabla, u"1"_s, {}));
        QVERIFY(util.UltimoError().contains(u"no hay una transacción abierta"_s));
        base.PermitirEscritura(u"OTRO"_s, kTabla, false);
        base.PermitirEscritura(u"PRUEBA"_s, u"Otra_Tabla"_s, false);
        const auto registrar = [&](const QString& clave, const QString& texto, bool confirmar) {
            base.Conexion()->BeginTrans();
            base.InsertarGrupo(clave, u"Grupo"_s);
            const bool registrado = util.RegistrarCambio(kTabla, clave, texto);
            confirmar ? base.Conexion()->CommitTrans() : base.Conexion()->RollbackTrans();  // as the caller would
            return registrado;
        };
        QVERIFY(registrar(u"1"_s, u"CAT-01"_s, true) && util.UltimoError().isEmpty());
        const auto bitacora = [&](const QString& columnas) {
            return base.Columna(u"SELECT %1 FROM Kes_Bitacora"_s.arg(columnas)).value(0).split(u'|');
        };
        const QStringList fila =
            bitacora(u"Bit_Tabla, Bit_Clave, Bit_Operador, Bit_Sesion, Bit_Usuario_Base, Bit_Fecha"_s);
        // On a server the operator is the login, whatever the configuration names.
        const bool pg = motor == Motor::PostgreSQL;
        QCOMPARE(fila.mid(0, 5),
                 QStringList({kTabla, u"1"_s, pg ? base.Configuracion().usuario : u"PRUEBA"_s, Sesion::IdSesion(),
                              pg ? base.Configuracion().usuario : Sesion::UsuarioDelSistema()}));
        const QDateTime fecha = QDateTime::fromString(fila.value(5), u"yyyy-MM-dd HH:mm:ss"_s);
        QVERIFY2(qAbs(fecha.secsTo(QDateTime::currentDateTime())) < 60, qPrintable(fila.value(5)));
        if (motor == Motor::PostgreSQL) {
            // From a workstation with a wrong clock: the server's time. It is this program again, traced through
            // TQ614_TRAZA alone.
            base.Ejecutar(u"DELETE FROM Kes_Bitacora"_s);
            QTemporaryDir carpeta;
            QProcess hijo;
            QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
            // libfaketime is preloaded before the sanitizers' runtime, which then must not object.
            entorno.insert(u"ASAN_OPTIONS"_s, entorno.value(u"ASAN_OPTIONS"_s) + u":verify_asan_link_order=0"_s);
            entorno.insert(u"TQ614_TRAZA"_s, carpeta.filePath(u"hijo.jsonl"_s));
            hijo.setProcessEnvironment(entorno);
            hijo.start(u"faketime"_s, {u"2001-02-03 04:05:06"_s, QCoreApplication::applicationFilePath(),
                                       u"--reloj-movido"_s, base.Esquema()});
            QVERIFY2(hijo.waitForFinished(60000) && hijo.exitCode() == 0, hijo.readAllStandardError().constData());
            QVERIFY(hijo.readAllStandardOutput().startsWith("2001-02-03"));
            const QStringList llamadas = LlamadasDelArchivo(carpeta.filePath(u"hijo.jsonl"_s));
            QVERIFY2(llamadas.contains(u"RegistrarCambio"_s) && !llamadas.contains(QString()),
                     qPrintable(llamadas.join(u',')));
            const QString suya = bitacora(u"Bit_Fecha"_s).value(0);
            const QDateTime hora = QDateTime::fromString(suya, u"yyyy-MM-dd HH:mm:ss"_s);
            QVERIFY2(qAbs(hora.secsTo(QDateTime::currentDateTime())) < 120, qPrintable(suya));
        }
        base.PermitirEscritura(u"prueba"_s, u"GRUPO_CUENTA_CONTABLE"_s, false);
        // The operators' permissions are a file's, names in any case; a server decides by its own rights.
        QCOMPARE(registrar(u"2"_s, {}, false), pg);
        base.PermitirEscritura(u"prueba"_s, u"GRUPO_CUENTA_CONTABLE"_s, true);
        QVERIFY(registrar(u"2"_s, {}, false) && util.UltimoError().isEmpty());  // a success clears it
        QVERIFY(base.Claves() == QStringList{u"1"_s} && base.ContarFilas(u"Kes_Bitacora"_s) == 1);

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
        QCOMPARE(base.ContarFilas(kTabla), 11);
        QVERIFY(util.ExisteRegistro(kTabla, kClave, u"7"_s) && !util.ExisteRegistro(kTabla, kClave, u"9"_s));
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, buscar(u"7"_s, u"(SELECT 1)"_s));
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, buscar(u"7"_s, kClave, kTabla + u" WHERE 1=1 --"_s));

        // A parameter by name and number, its default while missing or null, refused if not of its type.
        auto datos = FabricaServicios::CrearAccesoDatos();
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
        const QDateTime dia(QDate(2024, 3, 5), QTime(14, 5, 9));
        QCOMPARE(util.FormatoFecha(dia) + u'|' + util.FormatoFechaRegistro(dia) + u'|' + util.FormatoFecha({}),
                 u"05/03/2024|2024-03-05 14:05:09|"_s);
        QVERIFY(!KesCrearObjeto("Pantalla") && !KesCrearObjeto("accesodatos") && !KesCrearObjeto(nullptr));
    }

    // The trace file (through TQ614_TRAZA, in utilerias) and a recorded message's log line; a listing saved as text.
    void trazaMensajesYReportes()
    {
        BaseDePrueba base;
        QTemporaryDir carpeta;
        const QString archivo = carpeta.filePath(u"traza.jsonl"_s);
        Sesion::EstablecerTraza(archivo);
        auto datos = FabricaServicios::CrearAccesoDatos();
        Connection* c = datos->Conexion();
        c->BeginTrans();
        const QString alta = u"INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable) VALUES ('1')"_s;
        c->Execute(alta);
        QVERIFY(FabricaServicios::CrearUtilerias()->RegistrarCambio(kTabla, u"1"_s, {}));
        c->CommitTrans();
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->Execute(u"SELECT * FROM No_Existe"_s));
        QTest::ignoreMessage(QtInfoMsg,
                             QRegularExpression(u"^TQ614 ERR-ID:7500010 \\[48\\] Kestrima: No se puede eliminar "
                                                "el grupo cuenta contable raíz$"_s));
        datos->Mensaje(u"No se puede eliminar el grupo cuenta contable raíz"_s, 48, u"Kestrima"_s, 4242, u"TQ614"_s,
                       u"ERR-ID:7500010"_s);
        Sesion::EstablecerTraza(QString());
        c->Execute(u"SELECT * FROM Grupo_Cuenta_Contable"_s);
        const QList<QJsonObject> l = LineasDeTraza(archivo);
        QCOMPARE(LlamadasDelArchivo(archivo), (QStringList{"Conexion", "BeginTrans", "Execute", "RegistrarCambio",
                                                           "CommitTrans", "Execute", "Mensaje"}));
        QVERIFY(l[2].value("sql"_L1) == alta && l[3].value("resultado"_L1).toBool()
                && l[6].value("ventana"_L1) == 4242);
        QVERIFY(l[5].value("codigo"_L1) == u"1"_s
                && l[5].value("error"_L1).toString().startsWith(u"Error en la sentencia SQL"_s));
        QCOMPARE(base.TrazaDe(u"Mensaje"_s), QList<QJsonObject>{l[6]});
        QCOMPARE(base.Mensajes().size(), 1);
        QCOMPARE(base.Traza().last().value("filas"_L1).toInt(), 1);  // the observer in memory sees every call

        const QString listado = u"000001\tActivo\n\t000011\tCirculante\n\t\t000111\tCaja\n000002\tPasivo\n"_s;
        DialogoReporte dialogo(listado, u"Catálogo"_s);  // saved as text, or refused where it cannot go
        dialogo.Guardar(carpeta.filePath(u"listado.txt"_s));
        QCOMPARE(QString::fromUtf8(LeerArchivo(carpeta.filePath(u"listado.txt"_s))), listado);
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, dialogo.Guardar(carpeta.filePath(u"no/existe/x.txt"_s)));
    }
};

int main(int argc, char** argv)
{
    if (argc > 2 && qstrcmp(argv[1], "--reloj-movido") == 0)
        return relojMovido(argc, argv);
    QApplication app(argc, argv);
    PruebaServicios prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "tst_Servicios.moc"
