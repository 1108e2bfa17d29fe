// The text box's lookup (sql / sql_control_resultado) against a real SQLite database: the
// value is bound, never spliced, whether the user types it or code sets it.
#include "ConexionPrueba.h"
#include "Etiqueta.h"
#include "txtKES.h"

#include <QFrame>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kConsultaPadre = QStringLiteral(
    "SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '?'");

} // namespace

class PruebaConsultaTxtKES : public QObject
{
    Q_OBJECT

    QTemporaryDir m_carpeta;
    std::unique_ptr<ConexionPrueba> m_conexion;
    std::unique_ptr<QWidget> m_ventana;
    txtKES* m_padre = nullptr;
    txtKES* m_nombre = nullptr;

    int FilasDeLaTabla()
    {
        return m_conexion->Execute("SELECT COUNT(*) AS n FROM Grupo_Cuenta_Contable")->Fields("n").toInt();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_carpeta.isValid());
        m_conexion = std::make_unique<ConexionPrueba>(m_carpeta.filePath("consulta.db"));
        m_conexion->Execute("CREATE TABLE Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable TEXT PRIMARY KEY, "
                            "Gcc_Descripcion TEXT)");
        const QList<QPair<QString, QString>> filas = {
            {"1", "ACTIVO"},
            {"O'Brien", "CON COMILLA"},
            {"x' OR '1'='1", "FRAGMENTO GUARDADO"},
            {"?", "SIGNO"},
        };
        for (const auto& [clave, descripcion] : filas)
            m_conexion->Execute("INSERT INTO Grupo_Cuenta_Contable VALUES (?, ?)", {clave, descripcion});
    }

    void init()
    {
        txtKES::EstablecerConexion(m_conexion.get());
        m_ventana = std::make_unique<QWidget>();
        // The result box sits in a frame of its own: the lookup searches the whole window.
        auto* marco = new QFrame(m_ventana.get());
        m_padre = new txtKES(m_ventana.get());
        m_padre->setObjectName("txtPadre");
        m_padre->setSql(kConsultaPadre);
        m_padre->setSql_control_resultado("txtNPadre");
        m_nombre = new txtKES(marco);
        m_nombre->setObjectName("txtNPadre");
        m_nombre->move(0, 40);
        m_conexion->sentencias.clear();
    }

    void cleanup()
    {
        m_ventana.reset();
        txtKES::EstablecerConexion(nullptr);
    }

    void textoPuestoPorCodigo()
    {
        m_padre->setText("1");
        QCOMPARE(m_nombre->text(), QString("ACTIVO"));
        QCOMPARE(m_conexion->sentencias.size(), 1);
        // The quoted placeholder became a bound one; the key is not in the statement.
        QCOMPARE(m_conexion->sentencias.first(),
                 QString("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"));
        m_padre->setText("no existe");
        QCOMPARE(m_nombre->text(), QString());
    }

    void textoTecleado()
    {
        m_ventana->show();
        QVERIFY(QTest::qWaitForWindowActive(m_ventana.get()));
        m_padre->setFocus();
        QTest::keyClicks(m_padre, "O'Brien");
        QCOMPARE(m_nombre->text(), QString("CON COMILLA"));
        // One lookup per keystroke, each one with the value bound.
        QCOMPARE(m_conexion->sentencias.size(), 7);
        for (const QString& sentencia : std::as_const(m_conexion->sentencias))
            QVERIFY2(!sentencia.contains("O'"), qPrintable(sentencia));
        QTest::keyClick(m_padre, Qt::Key_Backspace);
        QCOMPARE(m_nombre->text(), QString());
    }

    void fragmentosDeSqlSeBuscanTalCual()
    {
        m_padre->setText("1' OR '1'='1");
        QCOMPARE(m_nombre->text(), QString());
        m_padre->setText("x' OR '1'='1");
        QCOMPARE(m_nombre->text(), QString("FRAGMENTO GUARDADO"));
        m_padre->setText("?");
        QCOMPARE(m_nombre->text(), QString("SIGNO"));
        m_padre->setText("'; DROP TABLE Grupo_Cuenta_Contable; --");
        QCOMPARE(m_nombre->text(), QString());
        QCOMPARE(FilasDeLaTabla(), 4);
    }

    void formasDeEscribirLaSentencia_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("alias") << "SELECT Gcc_Descripcion AS d FROM Grupo_Cuenta_Contable WHERE "
                                  "Gcc_Cve_Grupo_Cuenta_Contable = '?'"
                               << "ACTIVO";
        QTest::newRow("tabla con alias y signo sin comillas")
            << "select g.Gcc_Descripcion, g.Gcc_Cve_Grupo_Cuenta_Contable from Grupo_Cuenta_Contable g "
               "where g.Gcc_Cve_Grupo_Cuenta_Contable = ?"
            << "ACTIVO";
        QTest::newRow("dos marcadores") << "SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable WHERE "
                                           "Gcc_Cve_Grupo_Cuenta_Contable = '?' OR Gcc_Descripcion = '?'"
                                        << "ACTIVO";
        QTest::newRow("signo dentro de un literal")
            << "SELECT Gcc_Descripcion || ' (?)' AS d FROM Grupo_Cuenta_Contable WHERE "
               "Gcc_Cve_Grupo_Cuenta_Contable = '?'"
            << "ACTIVO (?)";
        QTest::newRow("expresión sin alias") << "SELECT upper(Gcc_Descripcion) FROM Grupo_Cuenta_Contable WHERE "
                                                "Gcc_Cve_Grupo_Cuenta_Contable = '?'"
                                             << "ACTIVO";
    }

    void formasDeEscribirLaSentencia()
    {
        QFETCH(QString, sql);
        QFETCH(QString, esperado);
        m_padre->setSql(sql);
        m_padre->setText("1");
        QCOMPARE(m_nombre->text(), esperado);
    }

    void resultadoEnUnaEtiqueta()
    {
        auto* etiqueta = new Etiqueta(m_ventana.get());
        etiqueta->setObjectName("lbPadre");
        m_padre->setSql_control_resultado("lbPadre");
        m_padre->setText("1");
        QCOMPARE(etiqueta->caption(), QString("ACTIVO"));
    }

    void consultaQueFallaNoMuestraNada()
    {
        m_padre->setText("1");
        QCOMPARE(m_nombre->text(), QString("ACTIVO"));
        m_padre->setSql("SELECT Nombre FROM NoExiste WHERE Clave = '?'");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("txtPadre.*no such table"));
        m_padre->setText("2");
        QCOMPARE(m_nombre->text(), QString());
    }

    void sinControlDeResultadoNiConexion()
    {
        m_padre->setSql_control_resultado("txtNoExiste");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("txtNoExiste"));
        m_padre->setText("1");

        m_padre->setSql_control_resultado("txtNPadre");
        txtKES::EstablecerConexion(nullptr);
        m_nombre->setText("anterior");
        m_padre->setText("O'Brien");
        QCOMPARE(m_nombre->text(), QString("anterior"));
        QVERIFY(m_conexion->sentencias.size() == 1);
    }
};

QTEST_MAIN(PruebaConsultaTxtKES)
#include "tst_ConsultaTxtKES.moc"
