// The host program end to end: it registers the component, finds it by its class, loads
// it, creates a new database with the sample catalogue, draws the screen to a picture and
// traces every call the component makes to the host's services.

#include <QFile>
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
    void initTestCase();
    void ayudaListaLasOpciones();
    void sinRegistroExplicaQueFalta();
    void capturaDeUnaBaseNuevaConElCatalogoDeEjemplo();
    void opcionesInvalidas();

private:
    int ejecutar(const QStringList& argumentos, QString* salida = nullptr);
    QList<QJsonObject> leerTraza(const QString& archivo);
    QTemporaryDir m_dir;
};

void tst_ProgramaHost::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QFileInfo::exists(QStringLiteral(TQ614_HOST)));
}

int tst_ProgramaHost::ejecutar(const QStringList& argumentos, QString* salida)
{
    QProcess proceso;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("KES_REGISTRO"), m_dir.filePath(QStringLiteral("registro.ini")));
    entorno.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    entorno.insert(QStringLiteral("TQ614_MENSAJES"), QStringLiteral("registrar"));
    proceso.setProcessEnvironment(entorno);
    proceso.setProcessChannelMode(QProcess::MergedChannels);
    proceso.start(QStringLiteral(TQ614_HOST), argumentos);
    if (!proceso.waitForFinished(60000)) {
        proceso.kill();
        return -1;
    }
    if (salida)
        *salida = QString::fromUtf8(proceso.readAll());
    return proceso.exitStatus() == QProcess::NormalExit ? proceso.exitCode() : -1;
}

QList<QJsonObject> tst_ProgramaHost::leerTraza(const QString& archivo)
{
    QList<QJsonObject> llamadas;
    QFile traza(archivo);
    if (!traza.open(QIODevice::ReadOnly))
        return llamadas;
    while (!traza.atEnd()) {
        const QByteArray linea = traza.readLine().trimmed();
        if (!linea.isEmpty())
            llamadas << QJsonDocument::fromJson(linea).object();
    }
    return llamadas;
}

void tst_ProgramaHost::ayudaListaLasOpciones()
{
    QString salida;
    QCOMPARE(ejecutar({QStringLiteral("--help")}, &salida), 0);
    for (const char* opcion : {"--base", "--pg-servidor", "--operador", "--registrar", "--desregistrar", "--captura", "--traza"})
        QVERIFY2(salida.contains(QLatin1String(opcion)), opcion);
}

void tst_ProgramaHost::sinRegistroExplicaQueFalta()
{
    QString salida;
    QCOMPARE(ejecutar({QStringLiteral("--desregistrar")}, &salida), 0);
    const QString base = m_dir.filePath(QStringLiteral("sin-registro.db"));
    QCOMPARE(ejecutar({QStringLiteral("--base"), base, QStringLiteral("--captura"), m_dir.filePath(QStringLiteral("x.png"))}, &salida), 1);
    QVERIFY2(salida.contains(QStringLiteral("--registrar")), qPrintable(salida));
    QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("x.png"))));
}

void tst_ProgramaHost::capturaDeUnaBaseNuevaConElCatalogoDeEjemplo()
{
    QString salida;
    QCOMPARE(ejecutar({QStringLiteral("--registrar")}, &salida), 0);
    const QString base = m_dir.filePath(QStringLiteral("nueva.db"));
    const QString imagen = m_dir.filePath(QStringLiteral("pantalla.png"));
    const QString traza = m_dir.filePath(QStringLiteral("traza.jsonl"));
    QCOMPARE(ejecutar({QStringLiteral("--base"), base, QStringLiteral("--captura"), imagen, QStringLiteral("--traza"), traza}, &salida), 0);

    const QImage captura(imagen);
    QVERIFY2(!captura.isNull(), qPrintable(salida));
    QVERIFY(captura.width() > 400 && captura.height() > 300);

    const QList<QJsonObject> llamadas = leerTraza(traza);
    QVERIFY(!llamadas.isEmpty());
    QStringList sentencias;
    bool leyoFormato = false;
    for (const QJsonObject& llamada : llamadas) {
        if (llamada.value(QStringLiteral("llamada")).toString() == QStringLiteral("Execute"))
            sentencias << llamada.value(QStringLiteral("sql")).toString();
        if (llamada.value(QStringLiteral("llamada")).toString() == QStringLiteral("ObtenerParametro"))
            leyoFormato = llamada.value(QStringLiteral("nombre")).toString() == QStringLiteral("FTO_GRUPO_CUENTA_CONTABLE");
    }
    QVERIFY(leyoFormato);
    QVERIFY(sentencias.contains(QStringLiteral(
        "SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '0' ORDER BY Gcc_Padre, Gcc_Cve_Grupo_Cuenta_Contable ")));
    // The sample catalogue was loaded: its headings and nested groups were asked for.
    QVERIFY(sentencias.contains(QStringLiteral(
        "SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = 'ACT' ORDER BY Gcc_Padre, Gcc_Cve_Grupo_Cuenta_Contable ")));
    QVERIFY(sentencias.size() > 20);

    // A second run on the same file adds nothing: the sample is only for a new database.
    const QString traza2 = m_dir.filePath(QStringLiteral("traza2.jsonl"));
    QCOMPARE(ejecutar({QStringLiteral("--base"), base, QStringLiteral("--captura"), imagen, QStringLiteral("--traza"), traza2}, &salida), 0);
    int sentenciasSegunda = 0;
    for (const QJsonObject& llamada : leerTraza(traza2))
        sentenciasSegunda += llamada.value(QStringLiteral("llamada")).toString() == QStringLiteral("Execute");
    QCOMPARE(sentenciasSegunda, int(sentencias.size()));
}

void tst_ProgramaHost::opcionesInvalidas()
{
    QString salida;
    QCOMPARE(ejecutar({QStringLiteral("--pg-puerto"), QStringLiteral("x")}, &salida), 2);
    QVERIFY(salida.contains(QStringLiteral("Puerto")));
    QCOMPARE(ejecutar({QStringLiteral("--no-existe")}, &salida), 2);
}

QTEST_MAIN(tst_ProgramaHost)
#include "tst_ProgramaHost.moc"
