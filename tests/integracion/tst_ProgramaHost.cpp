// The host program end to end: its options, and a run that registers and loads the component
// on a new database with the sample catalogue, draws the screen and traces every call.
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

private:
    int ejecutar(const QStringList& argumentos);
    QStringList sentencias(const QString& traza, bool* leyoFormato = nullptr);
    QTemporaryDir m_dir;
    QString m_salida;
};

int tst_ProgramaHost::ejecutar(const QStringList& argumentos)
{
    QProcess proceso;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("KES_REGISTRO"), m_dir.filePath(QStringLiteral("registro.ini")));
    proceso.setProcessEnvironment(entorno);
    proceso.setProcessChannelMode(QProcess::MergedChannels);
    proceso.start(QStringLiteral(TQ614_HOST), argumentos);
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
    for (const char* opcion : {"--base", "--pg-servidor", "--operador", "--registrar", "--desregistrar", "--captura",
                               "--traza", "--exportar", "--importar", "--separador", "--captura-historial"})
        QVERIFY2(m_salida.contains(QLatin1String(opcion)), opcion);
    QCOMPARE(ejecutar({QStringLiteral("--pg-puerto"), QStringLiteral("x")}), 2);
    QVERIFY(m_salida.contains(QStringLiteral("Puerto")));
    QCOMPARE(ejecutar({QStringLiteral("--no-existe")}), 2);
    QCOMPARE(ejecutar({QStringLiteral("--exportar"), QStringLiteral("x.csv"), QStringLiteral("--separador"),
                       QStringLiteral("|")}),
             2);

    const QString imagen = m_dir.filePath(QStringLiteral("x.png"));
    QCOMPARE(ejecutar({QStringLiteral("--desregistrar")}), 0);
    QCOMPARE(ejecutar({QStringLiteral("--base"), m_dir.filePath(QStringLiteral("sin-registro.db")),
                       QStringLiteral("--captura"), imagen}),
             1);
    QVERIFY2(m_salida.contains(QStringLiteral("--registrar")), qPrintable(m_salida));  // it says what is missing
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

QTEST_MAIN(tst_ProgramaHost)
#include "tst_ProgramaHost.moc"
