// The text box's lookup (sql / sql_control_resultado) on the host's real connections,
// SQLite and PostgreSQL: the value is bound, never spliced, whether the user types it or
// code sets it, and whatever it holds it is looked up exactly.
#include "BaseDePrueba.h"
#include "Etiqueta.h"
#include "txtKES.h"

#include <QFrame>
#include <QtTest>

namespace {

const QString kConsultaPadre = QStringLiteral(
    "SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '?'");

// The real connection, with every statement text and its values noted on the way, so that
// a test sees what the box sent.
class ConexionQueAnota : public Connection
{
public:
    explicit ConexionQueAnota(Connection* real) : m_real(real) {}

    std::unique_ptr<Recordset> Execute(const QString& sql, long opciones) override
    {
        sentencias << sql;
        return m_real->Execute(sql, opciones);
    }
    std::unique_ptr<Recordset> Execute(const QString& sql, const QVariantList& parametros) override
    {
        sentencias << sql;
        valores << parametros;
        return m_real->Execute(sql, parametros);
    }
    void BeginTrans() override { m_real->BeginTrans(); }
    void CommitTrans() override { m_real->CommitTrans(); }
    void RollbackTrans() override { m_real->RollbackTrans(); }
    bool EnTransaccion() const override { return m_real->EnTransaccion(); }

    QStringList sentencias;
    QList<QVariantList> valores;

private:
    Connection* m_real;
};

// The editor's pair of boxes: the parent's key, and its description in a frame of its own
// (the lookup searches the whole window for it).
struct Formulario {
    QWidget ventana;
    txtKES* padre;
    txtKES* nombre;

    explicit Formulario(Connection* conexion)
    {
        txtKES::EstablecerConexion(conexion);
        auto* marco = new QFrame(&ventana);
        padre = new txtKES(&ventana);
        padre->setObjectName("txtPadre");
        padre->setSql(kConsultaPadre);
        padre->setSql_control_resultado("txtNPadre");
        nombre = new txtKES(marco);
        nombre->setObjectName("txtNPadre");
        nombre->setLocked(true);
    }
    ~Formulario() { txtKES::EstablecerConexion(nullptr); }
};

void LlenarGrupos(BaseDePrueba& base)
{
    base.InsertarGrupo("1", "ACTIVO");
    base.InsertarGrupo("O'Brien", "CON COMILLA");
    base.InsertarGrupo("x' OR '1'='1", "FRAGMENTO GUARDADO");
    base.InsertarGrupo("?", "SIGNO");
}

} // namespace

class PruebaConsultaTxtKES : public QObject
{
    Q_OBJECT

private slots:
    void textoPuestoPorCodigo_data() { BaseDePrueba::AgregarMotores(); }
    void textoPuestoPorCodigo()
    {
        QFETCH(BaseDePrueba::Motor, motor);
        REQUIERE_MOTOR(motor);
        BaseDePrueba base(motor);
        LlenarGrupos(base);
        ConexionQueAnota conexion(base.Conexion());
        Formulario f(&conexion);

        f.padre->setText("1");
        QCOMPARE(f.nombre->text(), QString("ACTIVO"));
        // The quoted placeholder became a bound one: the key is not in the statement.
        QCOMPARE(conexion.sentencias,
                 QStringList{"SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"});
        QCOMPARE(conexion.valores, QList<QVariantList>{QVariantList{"1"}});
        f.padre->setText("no existe");
        QCOMPARE(f.nombre->text(), QString());
        f.padre->setText("O'Brien");
        QCOMPARE(f.nombre->text(), QString("CON COMILLA"));
    }

    void textoTecleado_data() { BaseDePrueba::AgregarMotores(); }
    void textoTecleado()
    {
        QFETCH(BaseDePrueba::Motor, motor);
        REQUIERE_MOTOR(motor);
        BaseDePrueba base(motor);
        LlenarGrupos(base);
        ConexionQueAnota conexion(base.Conexion());
        Formulario f(&conexion);
        f.ventana.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.ventana));
        f.padre->setFocus();

        QTest::keyClicks(f.padre, "O'Brien");
        QCOMPARE(f.nombre->text(), QString("CON COMILLA"));
        // One lookup per keystroke, each one with the value bound.
        QCOMPARE(conexion.sentencias.size(), 7);
        for (const QString& sentencia : std::as_const(conexion.sentencias))
            QVERIFY2(!sentencia.contains("O'"), qPrintable(sentencia));
        QCOMPARE(conexion.valores.last(), QVariantList{"O'Brien"});
        QTest::keyClick(f.padre, Qt::Key_Backspace);
        QCOMPARE(f.nombre->text(), QString());
    }

    void fragmentosDeSqlSeBuscanTalCual_data() { BaseDePrueba::AgregarMotores(); }
    void fragmentosDeSqlSeBuscanTalCual()
    {
        QFETCH(BaseDePrueba::Motor, motor);
        REQUIERE_MOTOR(motor);
        BaseDePrueba base(motor);
        LlenarGrupos(base);
        Formulario f(base.Conexion());

        f.padre->setText("1' OR '1'='1");
        QCOMPARE(f.nombre->text(), QString());
        f.padre->setText("x' OR '1'='1");
        QCOMPARE(f.nombre->text(), QString("FRAGMENTO GUARDADO"));
        f.padre->setText("?");
        QCOMPARE(f.nombre->text(), QString("SIGNO"));
        f.padre->setText("'; DELETE FROM Grupo_Cuenta_Contable; --");
        QCOMPARE(f.nombre->text(), QString());
        QCOMPARE(base.ContarFilas("Grupo_Cuenta_Contable"), 4);
    }

    void formasDeEscribirLaSentencia_data()
    {
        QTest::addColumn<BaseDePrueba::Motor>("motor");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("esperado");
        const QList<std::tuple<const char*, QString, QString>> formas = {
            {"alias",
             "SELECT Gcc_Descripcion AS d FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '?'",
             "ACTIVO"},
            {"tabla con alias y signo sin comillas",
             "select g.Gcc_Descripcion, g.Gcc_Cve_Grupo_Cuenta_Contable from Grupo_Cuenta_Contable g "
             "where g.Gcc_Cve_Grupo_Cuenta_Contable = ?",
             "ACTIVO"},
            {"dos marcadores",
             "SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '?' "
             "OR Gcc_Descripcion = '?'",
             "ACTIVO"},
            {"signo dentro de un literal",
             "SELECT Gcc_Descripcion || ' (?)' AS d FROM Grupo_Cuenta_Contable WHERE "
             "Gcc_Cve_Grupo_Cuenta_Contable = '?'",
             "ACTIVO (?)"},
            {"expresión sin nombre",
             "SELECT upper(Gcc_Descripcion) FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '?'",
             "ACTIVO"},
            {"expresión con alias implícito",
             "SELECT lower(Gcc_Descripcion) minusculas FROM Grupo_Cuenta_Contable WHERE "
             "Gcc_Cve_Grupo_Cuenta_Contable = '?'",
             "activo"},
        };
        for (auto motor : {BaseDePrueba::Motor::SQLite, BaseDePrueba::Motor::PostgreSQL})
            for (const auto& [nombre, sql, esperado] : formas)
                QTest::addRow("%s, %s", qPrintable(BaseDePrueba::NombreMotor(motor)), nombre) << motor << sql << esperado;
    }

    void formasDeEscribirLaSentencia()
    {
        QFETCH(BaseDePrueba::Motor, motor);
        QFETCH(QString, sql);
        QFETCH(QString, esperado);
        REQUIERE_MOTOR(motor);
        BaseDePrueba base(motor);
        LlenarGrupos(base);
        Formulario f(base.Conexion());
        f.padre->setSql(sql);
        f.padre->setText("1");
        QCOMPARE(f.nombre->text(), esperado);
    }

    void resultadoEnUnaEtiqueta()
    {
        BaseDePrueba base;
        LlenarGrupos(base);
        Formulario f(base.Conexion());
        auto* etiqueta = new Etiqueta(&f.ventana);
        etiqueta->setObjectName("lbPadre");
        f.padre->setSql_control_resultado("lbPadre");
        f.padre->setText("1");
        QCOMPARE(etiqueta->caption(), QString("ACTIVO"));
    }

    void consultaQueFallaNoMuestraNada_data() { BaseDePrueba::AgregarMotores(); }
    void consultaQueFallaNoMuestraNada()
    {
        QFETCH(BaseDePrueba::Motor, motor);
        REQUIERE_MOTOR(motor);
        BaseDePrueba base(motor);
        LlenarGrupos(base);
        Formulario f(base.Conexion());
        f.padre->setText("1");
        QCOMPARE(f.nombre->text(), QString("ACTIVO"));
        f.padre->setSql("SELECT Nombre FROM NoExiste WHERE Clave = '?'");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("txtPadre: la consulta de txtNPadre falló"));
        f.padre->setText("2");
        QCOMPARE(f.nombre->text(), QString());
        // The connection is fine afterwards: the next lookup works.
        f.padre->setSql(kConsultaPadre);
        f.padre->setText("O'Brien");
        QCOMPARE(f.nombre->text(), QString("CON COMILLA"));
    }

    void sinControlDeResultadoNiConexion()
    {
        BaseDePrueba base;
        LlenarGrupos(base);
        ConexionQueAnota conexion(base.Conexion());
        Formulario f(&conexion);
        f.padre->setSql_control_resultado("txtNoExiste");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no hay un control txtNoExiste"));
        f.padre->setText("1");

        f.padre->setSql_control_resultado("txtNPadre");
        txtKES::EstablecerConexion(nullptr);
        conexion.sentencias.clear();
        f.nombre->setText("anterior");
        f.padre->setText("O'Brien");
        QCOMPARE(f.nombre->text(), QString("anterior"));
        QVERIFY(conexion.sentencias.isEmpty());
    }
};

QTEST_MAIN(PruebaConsultaTxtKES)
#include "tst_ConsultaTxtKES.moc"
