// The host program end to end, as its user starts it.
#include "Archivos.h"
#include "BaseDePrueba.h"

#include <QImage>
#include <QProcess>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The statements of a trace file, in order.
QStringList sentencias(const QString& traza)
{
    QStringList resultado;
    for (const QJsonObject& llamada : LineasDeTraza(traza))
        if (llamada.value(u"llamada"_s) == u"Execute"_s)
            resultado << llamada.value(u"sql"_s).toString();
    return resultado;
}

QString hijos(const char* padre)
{
    return u"SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '%1' "
           "ORDER BY Gcc_Padre, Gcc_Cve_Grupo_Cuenta_Contable "_s.arg(QLatin1String(padre));
}

}  // namespace

class tst_ProgramaHost : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_salida;

    // The exit code (-1 if it crashed or hung), the output in m_salida; the registry in m_dir.
    int ejecutar(const QStringList& argumentos, const QString& programa = TQ614_HOST,
                 const QProcessEnvironment& cambios = {})
    {
        QProcess proceso;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert(u"KES_REGISTRO"_s, ruta("registro.ini"));
        entorno.insert(cambios);
        proceso.setProcessEnvironment(entorno);
        proceso.setProcessChannelMode(QProcess::MergedChannels);
        proceso.start(programa, argumentos);
        if (!proceso.waitForFinished(60000))
            proceso.kill();
        m_salida = QString::fromUtf8(proceso.readAll());
        return proceso.exitStatus() == QProcess::NormalExit ? proceso.exitCode() : -1;
    }
    QString ruta(const char* nombre) const { return m_dir.filePath(QString::fromLatin1(nombre)); }

private slots:
    void opciones()
    {
        QCOMPARE(ejecutar({u"--help"_s}), 0);
        for (const char* opcion :
             {"--pg-conexion", "--pg-servicio", "--pg-servidor", "--operador", "--captura-historial"})
            QVERIFY2(m_salida.contains(QLatin1String(opcion)), opcion);
        QCOMPARE(ejecutar({u"--pg-puerto"_s, u"x"_s}), 2);
        QVERIFY(m_salida.contains(u"Puerto"_s));
        QCOMPARE(ejecutar({u"--no-existe"_s}), 2);
        QCOMPARE(ejecutar({u"--exportar"_s, u"x.csv"_s, u"--separador"_s, u"|"_s}), 2);
        // A password on the command line is refused, saying where it belongs.
        for (const QStringList& conClave : {QStringList{u"--pg-clave"_s, u"secreta"_s},
                                            QStringList{u"--pg-conexion"_s, u"host=db password=secreta"_s}}) {
            QCOMPARE(ejecutar(conClave), 2);
            QVERIFY2(m_salida.contains(u"PGPASSFILE"_s), qPrintable(m_salida));
        }
        // Unregistered it loads the component beside it; alone, it says what is missing and what to do.
        const QStringList captura{u"--base"_s, ruta("sin-registro.db"), u"--captura"_s, ruta("x.png")};
        QCOMPARE(ejecutar({u"--desregistrar"_s}), 0);
        QCOMPARE(ejecutar(captura), 0);
        QVERIFY(QFile::remove(ruta("x.png")) && QFile::copy(TQ614_HOST, ruta("tq614-host")));
        QCOMPARE(ejecutar(captura, ruta("tq614-host")), 1);
        QVERIFY2(m_salida.contains(u"No se encuentra el componente TQ614"_s) && m_salida.contains(u"--registrar"_s),
                 qPrintable(m_salida));
        QVERIFY(!QFileInfo::exists(ruta("x.png")));
    }

    // Only a new database gets the sample catalogue, drawn; it goes out to CSV and into another
    // (the content kept: the catalogue's CSV test); a file with errors is refused line by line.
    void catalogoDeEjemploCapturadoExportadoEImportado()
    {
        const QString a = ruta("a.db"), b = ruta("b.db"), csv = ruta("a.csv");
        QCOMPARE(ejecutar({u"--registrar"_s}), 0);
        QCOMPARE(ejecutar({u"--base"_s, a, u"--captura"_s, ruta("pantalla.png"), u"--traza"_s, ruta("traza.jsonl")}),
                 0);
        QVERIFY2(QImage(ruta("pantalla.png")).width() > 400 && QImage(ruta("pantalla.png")).height() > 300,
                 qPrintable(m_salida));
        const QStringList primera = sentencias(ruta("traza.jsonl"));
        QVERIFY(primera.size() > 20 && primera.contains(hijos("0")) && primera.contains(hijos("ACT")));
        QCOMPARE(ejecutar({u"--base"_s, a, u"--captura-historial"_s, ruta("historial.png")}), 0);
        QVERIFY(QImage(ruta("historial.png")).width() > 400);
        QCOMPARE(ejecutar({u"--base"_s, a, u"--exportar"_s, csv, u"--separador"_s, u";"_s}), 0);
        QVERIFY2(m_salida.contains(u"Se exportaron 30 grupos"_s), qPrintable(m_salida));
        QCOMPARE(ejecutar({u"--base"_s, b, u"--importar"_s, csv}), 0);
        QCOMPARE(ejecutar({u"--base"_s, b, u"--importar"_s, csv}), 1);  // every line now a key that exists
        QVERIFY2(m_salida.contains(u"Línea 2: la clave 000001 ya existe en el catálogo"_s)
                     && m_salida.contains(u"Línea 31: "_s),
                 qPrintable(m_salida));
    }

    // The password is in nothing the program was given or wrote; without its file, it says where it goes.
    void postgresConLaContrasenaSoloEnSuArchivo()
    {
        REQUIERE_MOTOR(BaseDePrueba::Motor::PostgreSQL);
        BaseDePrueba base(BaseDePrueba::Motor::PostgreSQL);
        base.InsertarGrupo(u"ACT"_s, u"ACTIVO"_s);
        const Sesion::Configuracion c = base.Configuracion();
        const QString ini = EscribirArchivo(
            ruta("postgres.ini"), u"[BaseDeDatos]\nConexion=\"host=%1 port=%2 dbname=%3 user=%4 sslmode=verify-full "
                                  "sslrootcert=%5\"\nEsquema=%6\n"_s
                                      .arg(c.servidor, QString::number(c.puerto), c.base, c.usuario,
                                           qEnvironmentVariable("TQ614_PG_CA"), c.esquema)
                                      .toUtf8());
        const QStringList argumentos{u"--config"_s,        ini,          u"--captura"_s,
                                     ruta("postgres.png"), u"--traza"_s, ruta("pg.jsonl")};
        QCOMPARE(ejecutar({u"--registrar"_s}), 0);
        QCOMPARE(ejecutar(argumentos), 0);
        QVERIFY2(sentencias(ruta("pg.jsonl")).contains(hijos("ACT")), qPrintable(m_salida));
        const QByteArray contrasena = LeerArchivo(qEnvironmentVariable("PGPASSFILE")).trimmed().split(':').value(4);
        QVERIFY(contrasena.size() >= 8);
        const QByteArray todo = argumentos.join(u' ').toUtf8() + m_salida.toUtf8() + LeerArchivo(ini)
                                + LeerArchivo(ruta("pg.jsonl")) + LeerArchivo(ruta("registro.ini"));
        QVERIFY(!todo.contains(contrasena));
        QProcessEnvironment sinArchivo;
        sinArchivo.insert(u"PGPASSFILE"_s, ruta("ninguno"));
        QCOMPARE(ejecutar(argumentos, TQ614_HOST, sinArchivo), 1);
        QVERIFY2(m_salida.contains(u"pide la contraseña"_s) && m_salida.contains(u"PGPASSFILE"_s),
                 qPrintable(m_salida));
    }

    // Only the test server's standby answers: the program opens the catalogue to read, says so once and
    // in its window; with the setting off it refuses, as before.
    void soloLaReservaResponde()
    {
        REQUIERE_MOTOR(BaseDePrueba::Motor::PostgreSQL);
        BaseDePrueba base(BaseDePrueba::Motor::PostgreSQL);
        base.InsertarGrupo(u"ACT"_s, u"ACTIVO"_s);
        const int reserva = BaseDePrueba::PuertoDeReservaAlDia();
        QVERIFY2(reserva != 0 || qEnvironmentVariableIsEmpty("TQ614_PG_RESERVA_PORT"), "La reserva no se puso al día");
        if (reserva == 0)
            QSKIP("Sin servidor de reserva de prueba (TQ614_PG_RESERVA_PORT)");
        const Sesion::Configuracion c = base.Configuracion();
        // Port 1 refuses, as a stopped primary on this machine does.
        const auto ini = [&](const char* ajuste) {
            return EscribirArchivo(ruta("reserva.ini"),
                                   u"[BaseDeDatos]\nConexion=\"host=127.0.0.1,127.0.0.1 port=1,%1 dbname=%2 user=%3 "
                                   "target_session_attrs=read-write\"\nEsquema=%4\n%5"_s
                                       .arg(QString::number(reserva), c.base, c.usuario, c.esquema,
                                            QLatin1String(ajuste))
                                       .toUtf8());
        };
        QCOMPARE(ejecutar({u"--registrar"_s}), 0);
        QCOMPARE(ejecutar({u"--config"_s, ini(""), u"--captura"_s, ruta("reserva.png"), u"--traza"_s,
                           ruta("reserva.jsonl")}),
                 0);
        QVERIFY2(sentencias(ruta("reserva.jsonl")).contains(hijos("ACT")) && m_salida.count(u"Sólo consulta"_s) == 1
                     && m_salida.contains(u"[64] Kestrima: Sólo consulta: el servidor principal no responde"_s),
                 qPrintable(m_salida));
        QCOMPARE(ejecutar({u"--config"_s, ini("ReservaSoloLectura=false\n"), u"--captura"_s, ruta("no.png")}), 1);
        QVERIFY2(m_salida.contains(u"No se pudo conectar"_s) && m_salida.contains(u"session is read-only"_s),
                 qPrintable(m_salida));
    }
};

QTEST_MAIN(tst_ProgramaHost)
#include "tst_ProgramaHost.moc"
