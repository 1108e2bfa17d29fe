// The host program end to end: its options, and a run that registers and loads the component
// on a new database with the sample catalogue, draws the screen and traces every call; export
// and import from the command line; a run on a PostgreSQL server whose password only libpq's
// password file holds.
#include "BaseDePrueba.h"

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_ProgramaHost : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_salida;

    // Runs the host (or `programa`) with its registry in the test's folder; its exit code, -1
    // when it crashed or hung, its output in m_salida.
    int ejecutar(const QStringList& argumentos, const QString& programa = TQ614_HOST, const QProcessEnvironment& cambios = {})
    {
        QProcess proceso;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert(u"KES_REGISTRO"_s, m_dir.filePath(u"registro.ini"_s));
        entorno.insert(cambios);
        proceso.setProcessEnvironment(entorno);
        proceso.setProcessChannelMode(QProcess::MergedChannels);
        proceso.start(programa, argumentos);
        if (!proceso.waitForFinished(60000))
            proceso.kill();
        m_salida = QString::fromUtf8(proceso.readAll());
        return proceso.exitStatus() == QProcess::NormalExit ? proceso.exitCode() : -1;
    }
    // The statements of a trace file, in order; whether the key format was read.
    static QStringList sentencias(const QString& traza, bool* leyoFormato = nullptr)
    {
        QFile archivo(traza);
        QStringList resultado;
        for (bool abierto = archivo.open(QIODevice::ReadOnly); abierto && !archivo.atEnd();) {
            const QJsonObject llamada = QJsonDocument::fromJson(archivo.readLine()).object();
            if (llamada.value(u"llamada"_s) == u"Execute"_s)
                resultado << llamada.value(u"sql"_s).toString();
            if (leyoFormato && llamada.value(u"nombre"_s) == u"FTO_GRUPO_CUENTA_CONTABLE"_s)
                *leyoFormato = true;
        }
        return resultado;
    }
    QString ruta(const char* nombre) const { return m_dir.filePath(QString::fromLatin1(nombre)); }

private slots:
    void opciones()
    {
        QCOMPARE(ejecutar({u"--help"_s}), 0);
        for (const char* opcion : {"--base", "--pg-conexion", "--pg-servicio", "--pg-servidor", "--operador", "--registrar",
                                   "--desregistrar", "--captura", "--traza", "--exportar", "--importar", "--separador",
                                   "--captura-historial"})
            QVERIFY2(m_salida.contains(QLatin1String(opcion)), opcion);
        QCOMPARE(ejecutar({u"--pg-puerto"_s, u"x"_s}), 2);
        QVERIFY(m_salida.contains(u"Puerto"_s));
        QCOMPARE(ejecutar({u"--no-existe"_s}), 2);
        QCOMPARE(ejecutar({u"--exportar"_s, u"x.csv"_s, u"--separador"_s, u"|"_s}), 2);
        // A password is refused on the command line, in a connection string and in the INI,
        // saying where it belongs.
        QFile ini(ruta("con-clave.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly) && ini.write("[BaseDeDatos]\nMotor=postgresql\nClave=secreta\n") > 0);
        ini.close();
        for (const QStringList& conClave : {QStringList{u"--pg-clave"_s, u"secreta"_s},
                                            QStringList{u"--pg-conexion"_s, u"host=db password=secreta"_s},
                                            QStringList{u"--config"_s, ini.fileName()}}) {
            QCOMPARE(ejecutar(conClave), 2);
            QVERIFY2(m_salida.contains(u"PGPASSFILE"_s), qPrintable(m_salida));
        }
        // Unregistered, the host loads the component that lies beside it; alone in a folder, with
        // nothing registered, it says what is missing and what to do.
        const QStringList captura{u"--base"_s, ruta("sin-registro.db"), u"--captura"_s, ruta("x.png")};
        QCOMPARE(ejecutar({u"--desregistrar"_s}), 0);
        QCOMPARE(ejecutar(captura), 0);
        QVERIFY(QFile::remove(ruta("x.png")));
        QVERIFY(QFile::copy(TQ614_HOST, ruta("tq614-host")));
        QCOMPARE(ejecutar(captura, ruta("tq614-host")), 1);
        QVERIFY2(m_salida.contains(u"No se encuentra el componente TQ614"_s) && m_salida.contains(u"--registrar"_s),
                 qPrintable(m_salida));
        QVERIFY(!QFileInfo::exists(ruta("x.png")));
    }

    // The sample catalogue was loaded (its headings and nested groups asked for) and drawn; a
    // second run on the same file adds nothing: the sample is only for a new database.
    void capturaDeUnaBaseNuevaConElCatalogoDeEjemplo()
    {
        QCOMPARE(ejecutar({u"--registrar"_s}), 0);
        const QStringList argumentos{u"--base"_s, ruta("nueva.db"), u"--captura"_s, ruta("pantalla.png"), u"--traza"_s};
        QCOMPARE(ejecutar(argumentos + QStringList{ruta("traza.jsonl")}), 0);
        const QImage captura(ruta("pantalla.png"));
        QVERIFY2(captura.width() > 400 && captura.height() > 300, qPrintable(m_salida));
        bool leyoFormato = false;
        const QStringList primera = sentencias(ruta("traza.jsonl"), &leyoFormato);
        QVERIFY(leyoFormato && primera.size() > 20);
        for (const char* padre : {"0", "ACT"})
            QVERIFY2(primera.contains(u"SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '%1' ORDER BY Gcc_Padre, "
                                      "Gcc_Cve_Grupo_Cuenta_Contable "_s.arg(QLatin1String(padre))),
                     padre);
        QCOMPARE(ejecutar(argumentos + QStringList{ruta("traza2.jsonl")}), 0);
        QCOMPARE(sentencias(ruta("traza2.jsonl")).size(), primera.size());
    }

    // The sample catalogue out to CSV and into a new database, which then writes the same file;
    // a file with errors is refused line by line with a non-zero exit, and nothing is written.
    void exportarEImportar()
    {
        const QString a = ruta("a.db"), b = ruta("b.db"), csvA = ruta("a.csv"), csvB = ruta("b.csv");
        QCOMPARE(ejecutar({u"--base"_s, a, u"--captura-historial"_s, ruta("historial.png")}), 0);  // the sample
        QVERIFY(QImage(ruta("historial.png")).width() > 400);
        QCOMPARE(ejecutar({u"--base"_s, a, u"--exportar"_s, csvA, u"--separador"_s, u";"_s}), 0);
        QVERIFY2(m_salida.contains(u"Se exportaron 30 grupos"_s), qPrintable(m_salida));
        QCOMPARE(ejecutar({u"--base"_s, b, u"--importar"_s, csvA}), 0);
        QCOMPARE(ejecutar({u"--base"_s, b, u"--exportar"_s, csvB, u"--separador"_s, u";"_s}), 0);
        QFile archivoA(csvA), archivoB(csvB);
        QVERIFY(archivoA.open(QIODevice::ReadOnly) && archivoB.open(QIODevice::ReadOnly));
        QCOMPARE(archivoB.readAll(), archivoA.readAll());
        QCOMPARE(ejecutar({u"--base"_s, b, u"--importar"_s, csvA}), 1);
        QVERIFY2(m_salida.contains(u"Línea 2: la clave 000001 ya existe en el catálogo"_s) && m_salida.contains(u"Línea 31: "_s),
                 qPrintable(m_salida));
    }

    // The settings name the server, its certificate authority and the schema; the password is in
    // libpq's password file alone, and shows up in nothing the program was given or wrote.
    // Without the password file, a program that may not ask says where the password goes.
    void postgresConLaContrasenaSoloEnSuArchivo()
    {
        REQUIERE_MOTOR(BaseDePrueba::Motor::PostgreSQL);
        BaseDePrueba base(BaseDePrueba::Motor::PostgreSQL);
        base.InsertarGrupo(u"ACT"_s, u"ACTIVO"_s);
        const Sesion::Configuracion c = base.Configuracion();
        QFile ini(ruta("postgres.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(u"[BaseDeDatos]\nConexion=\"host=%1 port=%2 dbname=%3 user=%4 sslmode=verify-full sslrootcert=%5\"\n"
                  "Esquema=%6\n"_s.arg(c.servidor)
                      .arg(c.puerto)
                      .arg(c.base, c.usuario, qEnvironmentVariable("TQ614_PG_CA"), c.esquema)
                      .toUtf8());
        ini.close();
        const QStringList argumentos{u"--config"_s, ini.fileName(), u"--captura"_s, ruta("postgres.png"), u"--traza"_s,
                                     ruta("pg.jsonl")};
        QCOMPARE(ejecutar({u"--registrar"_s}), 0);
        QCOMPARE(ejecutar(argumentos), 0);
        QVERIFY2(sentencias(ruta("pg.jsonl")).contains(u"SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = 'ACT' "
                                                       "ORDER BY Gcc_Padre, Gcc_Cve_Grupo_Cuenta_Contable "_s),
                 qPrintable(m_salida));
        QFile claves(qEnvironmentVariable("PGPASSFILE"));
        QVERIFY(claves.open(QIODevice::ReadOnly));
        const QByteArray contrasena = claves.readAll().trimmed().split(':').value(4);
        QVERIFY(contrasena.size() >= 8);
        QByteArray todo = argumentos.join(u' ').toUtf8() + m_salida.toUtf8();
        for (const QString& archivo : {ini.fileName(), ruta("pg.jsonl"), ruta("registro.ini")}) {
            QFile f(archivo);
            QVERIFY(f.open(QIODevice::ReadOnly));
            todo += f.readAll();
        }
        QVERIFY(!todo.contains(contrasena));
        QProcessEnvironment sinArchivo;
        sinArchivo.insert(u"PGPASSFILE"_s, ruta("ninguno"));
        QCOMPARE(ejecutar(argumentos, TQ614_HOST, sinArchivo), 1);
        QVERIFY2(m_salida.contains(u"pide la contraseña"_s) && m_salida.contains(u"PGPASSFILE"_s), qPrintable(m_salida));
    }
};

QTEST_MAIN(tst_ProgramaHost)
#include "tst_ProgramaHost.moc"
