// The host program end to end: its options, and a run that registers and loads the component
// on a new database with the sample catalogue, draws the screen and traces every call; a run
// on a PostgreSQL server whose password only libpq's password file holds.
#include "BaseDePrueba.h"

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class tst_ProgramaHost : public QObject
{
    Q_OBJECT

private slots:
    void opciones();
    void capturaDeUnaBaseNuevaConElCatalogoDeEjemplo();
    void exportarEImportar();
    void postgresConLaContrasenaSoloEnSuArchivo();

private:
    int ejecutar(const QStringList& argumentos, const QString& programa = QStringLiteral(TQ614_HOST),
                 const QProcessEnvironment& cambios = {});
    QStringList sentencias(const QString& traza, bool* leyoFormato = nullptr);
    QTemporaryDir m_dir;
    QString m_salida;
};

int tst_ProgramaHost::ejecutar(const QStringList& argumentos, const QString& programa,
                               const QProcessEnvironment& cambios)
{
    QProcess proceso;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("KES_REGISTRO"), m_dir.filePath(QStringLiteral("registro.ini")));
    entorno.insert(cambios);
    proceso.setProcessEnvironment(entorno);
    proceso.setProcessChannelMode(QProcess::MergedChannels);
    proceso.start(programa, argumentos);
    if (!proceso.waitForFinished(60000))
        proceso.kill();
    m_salida = QString::fromUtf8(proceso.readAll());
    return proceso.exitStatus() == QProcess::NormalExit ? proceso.exitCode() : -1;
}

// The statements of a trace file, in order.
QStringList tst_ProgramaHost::sentencias(const QString& traza, bool* leyoFormato)
{
    QFile archivo(traza);
    QStringList resultado;
    if (!archivo.open(QIODevice::ReadOnly))
        return resultado;
    while (!archivo.atEnd()) {
        const QJsonObject llamada = QJsonDocument::fromJson(archivo.readLine()).object();
        if (llamada.value(QStringLiteral("llamada")) == QStringLiteral("Execute"))
            resultado << llamada.value(QStringLiteral("sql")).toString();
        if (leyoFormato && llamada.value(QStringLiteral("nombre")) == QStringLiteral("FTO_GRUPO_CUENTA_CONTABLE"))
            *leyoFormato = true;
    }
    return resultado;
}

void tst_ProgramaHost::opciones()
{
    QCOMPARE(ejecutar({QStringLiteral("--help")}), 0);
    for (const char* opcion : {"--base", "--pg-conexion", "--pg-servicio", "--pg-servidor", "--operador", "--registrar",
                               "--desregistrar", "--captura", "--traza", "--exportar", "--importar", "--separador",
                               "--captura-historial"})
        QVERIFY2(m_salida.contains(QLatin1String(opcion)), opcion);
    QCOMPARE(ejecutar({QStringLiteral("--pg-puerto"), QStringLiteral("x")}), 2);
    QVERIFY(m_salida.contains(QStringLiteral("Puerto")));
    QCOMPARE(ejecutar({QStringLiteral("--no-existe")}), 2);
    QCOMPARE(ejecutar({QStringLiteral("--exportar"), QStringLiteral("x.csv"), QStringLiteral("--separador"),
                       QStringLiteral("|")}),
             2);
    // A password is refused on the command line, in a connection string and in the INI, saying
    // where it belongs.
    QFile ini(m_dir.filePath(QStringLiteral("con-clave.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly) && ini.write("[BaseDeDatos]\nMotor=postgresql\nClave=secreta\n") > 0);
    ini.close();
    for (const QStringList& conClave :
         {QStringList{QStringLiteral("--pg-clave"), QStringLiteral("secreta")},
          QStringList{QStringLiteral("--pg-conexion"), QStringLiteral("host=db password=secreta")},
          QStringList{QStringLiteral("--config"), ini.fileName()}}) {
        QCOMPARE(ejecutar(conClave), 2);
        QVERIFY2(m_salida.contains(QStringLiteral("PGPASSFILE")), qPrintable(m_salida));
    }

    // Unregistered, the host loads the component that lies beside it.
    const QString imagen = m_dir.filePath(QStringLiteral("x.png"));
    const QStringList captura{QStringLiteral("--base"), m_dir.filePath(QStringLiteral("sin-registro.db")),
                              QStringLiteral("--captura"), imagen};
    QCOMPARE(ejecutar({QStringLiteral("--desregistrar")}), 0);
    QCOMPARE(ejecutar(captura), 0);
    QVERIFY(QFile::remove(imagen));
    // Alone in a folder, with nothing registered, it says what is missing and what to do.
    const QString solo = m_dir.filePath(QStringLiteral("tq614-host"));
    QVERIFY(QFile::copy(QStringLiteral(TQ614_HOST), solo));
    QCOMPARE(ejecutar(captura, solo), 1);
    QVERIFY2(m_salida.contains(QStringLiteral("No se encuentra el componente TQ614"))
                 && m_salida.contains(QStringLiteral("--registrar")),
             qPrintable(m_salida));
    QVERIFY(!QFileInfo::exists(imagen));
}

void tst_ProgramaHost::capturaDeUnaBaseNuevaConElCatalogoDeEjemplo()
{
    QCOMPARE(ejecutar({QStringLiteral("--registrar")}), 0);
    const QString base = m_dir.filePath(QStringLiteral("nueva.db")),
                  imagen = m_dir.filePath(QStringLiteral("pantalla.png"));
    const QString traza = m_dir.filePath(QStringLiteral("traza.jsonl"));
    QCOMPARE(ejecutar({QStringLiteral("--base"), base, QStringLiteral("--captura"), imagen, QStringLiteral("--traza"),
                       traza}),
             0);
    const QImage captura(imagen);
    QVERIFY2(captura.width() > 400 && captura.height() > 300, qPrintable(m_salida));

    bool leyoFormato = false;
    const QStringList primera = sentencias(traza, &leyoFormato);
    QVERIFY(leyoFormato);
    // The sample catalogue was loaded: its headings and nested groups were asked for.
    for (const char* padre : {"0", "ACT"})
        QVERIFY2(primera.contains(QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '%1' ORDER BY "
                                                 "Gcc_Padre, Gcc_Cve_Grupo_Cuenta_Contable ")
                                      .arg(QLatin1String(padre))),
                 padre);
    QVERIFY(primera.size() > 20);
    // A second run on the same file adds nothing: the sample is only for a new database.
    const QString traza2 = m_dir.filePath(QStringLiteral("traza2.jsonl"));
    QCOMPARE(ejecutar({QStringLiteral("--base"), base, QStringLiteral("--captura"), imagen, QStringLiteral("--traza"),
                       traza2}),
             0);
    QCOMPARE(sentencias(traza2).size(), primera.size());
}

// The sample catalogue out to CSV and into a new database, which then writes the same file;
// a file with errors is refused line by line with a non-zero exit, and nothing is written.
void tst_ProgramaHost::exportarEImportar()
{
    const QString a = m_dir.filePath(QStringLiteral("a.db")), b = m_dir.filePath(QStringLiteral("b.db"));
    const QString csvA = m_dir.filePath(QStringLiteral("a.csv")), csvB = m_dir.filePath(QStringLiteral("b.csv"));
    const QString imagen = m_dir.filePath(QStringLiteral("historial.png"));
    QCOMPARE(ejecutar({QStringLiteral("--base"), a, QStringLiteral("--captura-historial"), imagen}), 0);  // the sample
    QVERIFY(QImage(imagen).width() > 400);
    QCOMPARE(ejecutar({QStringLiteral("--base"), a, QStringLiteral("--exportar"), csvA, QStringLiteral("--separador"),
                       QStringLiteral(";")}),
             0);
    QVERIFY2(m_salida.contains(QStringLiteral("Se exportaron 30 grupos")), qPrintable(m_salida));
    QCOMPARE(ejecutar({QStringLiteral("--base"), b, QStringLiteral("--importar"), csvA}), 0);
    QCOMPARE(ejecutar({QStringLiteral("--base"), b, QStringLiteral("--exportar"), csvB, QStringLiteral("--separador"),
                       QStringLiteral(";")}),
             0);
    QFile archivoA(csvA), archivoB(csvB);
    QVERIFY(archivoA.open(QIODevice::ReadOnly) && archivoB.open(QIODevice::ReadOnly));
    QCOMPARE(archivoB.readAll(), archivoA.readAll());
    QCOMPARE(ejecutar({QStringLiteral("--base"), b, QStringLiteral("--importar"), csvA}), 1);
    QVERIFY2(m_salida.contains(QStringLiteral("Línea 2: la clave 000001 ya existe en el catálogo"))
                 && m_salida.contains(QStringLiteral("Línea 31: ")),
             qPrintable(m_salida));
}

// The settings name the server, its certificate authority and the schema; the password is in
// libpq's password file alone, and shows up in nothing the program was given or wrote.
void tst_ProgramaHost::postgresConLaContrasenaSoloEnSuArchivo()
{
    REQUIERE_MOTOR(BaseDePrueba::Motor::PostgreSQL);
    BaseDePrueba base(BaseDePrueba::Motor::PostgreSQL);
    base.InsertarGrupo(QStringLiteral("ACT"), QStringLiteral("ACTIVO"));
    const Sesion::Configuracion c = base.Configuracion();
    QFile ini(m_dir.filePath(QStringLiteral("postgres.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[BaseDeDatos]\nConexion=\"host=%1 port=%2 dbname=%3 user=%4 sslmode=verify-full "
                             "sslrootcert=%5\"\nEsquema=%6\n")
                  .arg(c.servidor)
                  .arg(c.puerto)
                  .arg(c.base, c.usuario, qEnvironmentVariable("TQ614_PG_CA"), c.esquema)
                  .toUtf8());
    ini.close();
    const QString imagen = m_dir.filePath(QStringLiteral("postgres.png"));
    const QString traza = m_dir.filePath(QStringLiteral("pg.jsonl"));
    const QStringList argumentos{QStringLiteral("--config"), ini.fileName(), QStringLiteral("--captura"), imagen,
                                 QStringLiteral("--traza"), traza};
    QCOMPARE(ejecutar({QStringLiteral("--registrar")}), 0);
    QCOMPARE(ejecutar(argumentos), 0);
    QVERIFY2(sentencias(traza).contains(QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = 'ACT' "
                                                       "ORDER BY Gcc_Padre, Gcc_Cve_Grupo_Cuenta_Contable ")),
             qPrintable(m_salida));
    QFile claves(qEnvironmentVariable("PGPASSFILE"));
    QVERIFY(claves.open(QIODevice::ReadOnly));
    const QByteArray contrasena = claves.readAll().trimmed().split(':').value(4);
    QVERIFY(contrasena.size() >= 8);
    QByteArray todo = argumentos.join(u' ').toUtf8() + m_salida.toUtf8();
    for (const QString& archivo : {ini.fileName(), traza, m_dir.filePath(QStringLiteral("registro.ini"))}) {
        QFile f(archivo);
        QVERIFY(f.open(QIODevice::ReadOnly));
        todo += f.readAll();
    }
    QVERIFY(!todo.contains(contrasena));

    // Without the password file, a program that may not ask says where the password goes.
    QProcessEnvironment sinArchivo;
    sinArchivo.insert(QStringLiteral("PGPASSFILE"), m_dir.filePath(QStringLiteral("ninguno")));
    QCOMPARE(ejecutar(argumentos, QStringLiteral(TQ614_HOST), sinArchivo), 1);
    QVERIFY2(m_salida.contains(QStringLiteral("pide la contraseña"))
                 && m_salida.contains(QStringLiteral("PGPASSFILE")),
             qPrintable(m_salida));
}

QTEST_MAIN(tst_ProgramaHost)
#include "tst_ProgramaHost.moc"
