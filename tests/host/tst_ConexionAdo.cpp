// The connection and recordset as the component uses them, on SQLite and on PostgreSQL.
#include "BaseDePrueba.h"
#include "ErrorEjecucion.h"

#include <QtTest>

namespace {

const QString kHijos = QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '%1' "
                                      "ORDER BY Gcc_Padre, Gcc_Cve_Grupo_Cuenta_Contable ");

QStringList claves(Recordset& rs)
{
    QStringList resultado;
    for (; !rs.Eof(); rs.MoveNext())
        resultado << rs.Fields(QStringLiteral("Gcc_Cve_Grupo_Cuenta_Contable")).toString();
    return resultado;
}

QString codigoDe(const std::function<void()>& accion)
{
    try {
        accion();
    } catch (const ErrorEjecucion& error) {
        return error.Codigo().isEmpty() ? QStringLiteral("<sin código>") : error.Codigo();
    }
    return {};
}

} // namespace

// The engine of the current global row, checked, and a fresh base on it.
#define ABRIR_BASE(motor, base)                  \
    QFETCH_GLOBAL(BaseDePrueba::Motor, motor);  \
    REQUIERE_MOTOR(motor);                       \
    BaseDePrueba base(motor)

class ConexionAdo : public QObject
{
    Q_OBJECT

private slots:
    // Every test runs once per engine.
    void initTestCase_data() { BaseDePrueba::AgregarMotores(); }
    void bofYEof();
    void camposPorNombreSinDistinguirMayusculas();
    void recordsetsAnidados();
    void segundaTransaccionEsUnError();
    void rollbackDeshaceYCommitGuarda();
    void sentenciaFallidaDentroDeTransaccion();
    void claveDuplicadaDaMensajeClaro();
    void literalesDeLaMismaFormaNoSeConfunden();
    void parametrosExplicitos();
    void unaSentenciaPorLlamada();
    void ordenBinarioDeClaves();
};

void ConexionAdo::bofYEof()
{
    ABRIR_BASE(motor, base);
    Connection* c = base.Conexion();

    auto vacio = c->Execute(kHijos.arg(QStringLiteral("0")), -1);
    QVERIFY(vacio->Bof());
    QVERIFY(vacio->Eof());
    QCOMPARE(codigoDe([&] { vacio->MoveNext(); }), QStringLiteral("3021"));
    QCOMPARE(codigoDe([&] { vacio->Fields(QStringLiteral("Gcc_Descripcion")); }), QStringLiteral("3021"));

    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    base.InsertarGrupo(QStringLiteral("2"), QStringLiteral("Pasivo"));
    auto rs = c->Execute(kHijos.arg(QStringLiteral("0")));
    QVERIFY(!rs->Bof());
    QVERIFY(!rs->Eof());
    QCOMPARE(rs->Fields(QStringLiteral("Gcc_Descripcion")).toString(), QStringLiteral("Activo"));
    rs->MoveNext();
    QVERIFY(!rs->Bof());
    QVERIFY(!rs->Eof());
    QCOMPARE(rs->Fields(QStringLiteral("Gcc_Descripcion")).toString(), QStringLiteral("Pasivo"));
    rs->MoveNext();
    QVERIFY(rs->Eof());
    QVERIFY(!rs->Bof());
    QCOMPARE(codigoDe([&] { rs->MoveNext(); }), QStringLiteral("3021"));

    rs->Close();
    QCOMPARE(codigoDe([&] { rs->Eof(); }), QStringLiteral("3704"));
    QCOMPARE(codigoDe([&] { rs->Fields(QStringLiteral("Gcc_Descripcion")); }), QStringLiteral("3704"));

    // A statement without rows gives an empty recordset, not a missing one.
    auto cambio = c->Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Nivel = 2 WHERE Gcc_Padre = '0'"));
    QVERIFY(cambio);
    QVERIFY(cambio->Bof() && cambio->Eof());
}

void ConexionAdo::camposPorNombreSinDistinguirMayusculas()
{
    ABRIR_BASE(motor, base);
    base.InsertarGrupo(QStringLiteral("100"), QStringLiteral("Caja"), QStringLiteral("1.1"), QStringLiteral("0"), 2);
    auto rs = base.Conexion()->Execute(kHijos.arg(QStringLiteral("0")));
    QCOMPARE(rs->Fields(QStringLiteral("GCC_DESCRIPCION")).toString(), QStringLiteral("Caja"));
    QCOMPARE(rs->Fields(QStringLiteral("gcc_codigo")).toString(), QStringLiteral("1.1"));
    QCOMPARE(rs->Fields(QStringLiteral("Gcc_Nivel")).toInt(), 2);
    QCOMPARE(rs->Fields(QStringLiteral("Gcc_Nivel")).typeId(), QMetaType::LongLong);  // same type on both engines
    QCOMPARE(codigoDe([&] { rs->Fields(QStringLiteral("No_Existe")); }), QStringLiteral("3265"));

    base.Ejecutar(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Codigo = NULL"));
    auto nulo = base.Conexion()->Execute(kHijos.arg(QStringLiteral("0")));
    QVERIFY(nulo->Fields(QStringLiteral("Gcc_Codigo")).isNull());
}

// The tree loading opens the children of a node while the parent's recordset is open.
void ConexionAdo::recordsetsAnidados()
{
    ABRIR_BASE(motor, base);
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    base.InsertarGrupo(QStringLiteral("2"), QStringLiteral("Pasivo"));
    base.InsertarGrupo(QStringLiteral("11"), QStringLiteral("Circulante"), QStringLiteral("1.1"), QStringLiteral("1"), 2);
    base.InsertarGrupo(QStringLiteral("12"), QStringLiteral("Fijo"), QStringLiteral("1.2"), QStringLiteral("1"), 2);
    base.InsertarGrupo(QStringLiteral("111"), QStringLiteral("Caja"), QStringLiteral("1.1.1"), QStringLiteral("11"), 3);
    base.InsertarGrupo(QStringLiteral("21"), QStringLiteral("Corto plazo"), QStringLiteral("2.1"), QStringLiteral("2"), 2);

    Connection* c = base.Conexion();
    QStringList recorrido;
    std::function<void(const QString&, int)> cargar = [&](const QString& padre, int nivel) {
        auto rs = c->Execute(kHijos.arg(padre));  // the same shape at every level
        while (!rs->Eof()) {
            const QString clave = rs->Fields(QStringLiteral("Gcc_Cve_Grupo_Cuenta_Contable")).toString();
            recorrido << QString(nivel, QLatin1Char('-')) + clave;
            cargar(clave, nivel + 1);
            rs->MoveNext();
        }
        rs->Close();
    };
    cargar(QStringLiteral("0"), 0);
    QCOMPARE(recorrido, (QStringList{"1", "-11", "--111", "-12", "2", "-21"}));

    // Two results of the same statement text are independent of each other.
    auto primero = c->Execute(kHijos.arg(QStringLiteral("1")));
    auto segundo = c->Execute(kHijos.arg(QStringLiteral("1")));
    segundo->MoveNext();
    QCOMPARE(primero->Fields(QStringLiteral("Gcc_Cve_Grupo_Cuenta_Contable")).toString(), QStringLiteral("11"));
    QCOMPARE(segundo->Fields(QStringLiteral("Gcc_Cve_Grupo_Cuenta_Contable")).toString(), QStringLiteral("12"));
}

void ConexionAdo::segundaTransaccionEsUnError()
{
    ABRIR_BASE(motor, base);
    Connection* c = base.Conexion();
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->CommitTrans());
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->RollbackTrans());

    c->BeginTrans();
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->BeginTrans());
    // The first transaction is still open and still holds its change: nothing was committed.
    QVERIFY(c->EnTransaccion());
    base.InsertarGrupo(QStringLiteral("2"), QStringLiteral("Pasivo"));
    c->RollbackTrans();
    QVERIFY(!c->EnTransaccion());
    QCOMPARE(base.ContarFilas(QStringLiteral("Grupo_Cuenta_Contable")), 0);
}

void ConexionAdo::rollbackDeshaceYCommitGuarda()
{
    ABRIR_BASE(motor, base);
    Connection* c = base.Conexion();
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));

    c->BeginTrans();
    c->Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Cambiado' "
                              "WHERE Gcc_Cve_Grupo_Cuenta_Contable = '1'"));
    c->Execute(QStringLiteral("DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '1'"));
    QCOMPARE(base.ContarFilas(QStringLiteral("Grupo_Cuenta_Contable")), 0);  // seen inside the transaction
    c->RollbackTrans();
    QCOMPARE(base.Valor(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable")).toString(),
             QStringLiteral("Activo"));

    c->BeginTrans();
    c->Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Cambiado'"));
    c->CommitTrans();
    Sesion::Cerrar();  // read it back through a new connection
    QCOMPARE(base.Valor(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable")).toString(),
             QStringLiteral("Cambiado"));
}

void ConexionAdo::sentenciaFallidaDentroDeTransaccion()
{
    ABRIR_BASE(motor, base);
    Connection* c = base.Conexion();
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));

    c->BeginTrans();
    c->Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'A medias'"));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->Execute(QStringLiteral("UPDATE Tabla_Que_No_Existe SET x = 1")));
    QVERIFY(c->EnTransaccion());
    c->RollbackTrans();
    QVERIFY(!c->EnTransaccion());
    QCOMPARE(base.Valor(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable")).toString(),
             QStringLiteral("Activo"));

    // Committing after a failed statement never keeps half a change on either engine:
    // PostgreSQL refuses the commit, SQLite keeps the statements that did succeed.
    c->BeginTrans();
    c->Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Otra vez'"));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->Execute(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable "
                                                                       "(Gcc_Cve_Grupo_Cuenta_Contable) VALUES ('1')")));
    if (motor == BaseDePrueba::Motor::PostgreSQL) {
        QCOMPARE(codigoDe([&] { c->CommitTrans(); }), QStringLiteral("25P02"));
        QVERIFY(c->EnTransaccion());  // still counts as open until it is rolled back
        c->RollbackTrans();
        QCOMPARE(base.Valor(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable")).toString(),
                 QStringLiteral("Activo"));
    } else {
        c->CommitTrans();
        QCOMPARE(base.Valor(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable")).toString(),
                 QStringLiteral("Otra vez"));
    }
    QVERIFY(!c->EnTransaccion());
}

void ConexionAdo::claveDuplicadaDaMensajeClaro()
{
    ABRIR_BASE(motor, base);
    base.InsertarGrupo(QStringLiteral("000001"), QStringLiteral("Activo"));
    try {
        base.Ejecutar(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, "
                                     "Gcc_Descripcion) VALUES ('000001', 'Otro')"));
        QFAIL("la clave repetida se aceptó");
    } catch (const ErrorEjecucion& error) {
        QVERIFY2(error.Description().startsWith(QStringLiteral("Ya existe un registro con la misma clave en la tabla")),
                 qPrintable(error.Description()));
        QVERIFY2(error.Description().contains(QStringLiteral("Grupo_Cuenta_Contable"), Qt::CaseInsensitive),
                 qPrintable(error.Description()));
        QCOMPARE(error.Codigo(), motor == BaseDePrueba::Motor::PostgreSQL ? QStringLiteral("23505") : QStringLiteral("19"));
    }
    QCOMPARE(base.ContarFilas(QStringLiteral("Grupo_Cuenta_Contable")), 1);

    // A description longer than the column allows is refused alike on both engines.
    const QString larga(201, QLatin1Char('x'));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, base.Ejecutar(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET "
                                                                          "Gcc_Descripcion = '%1'").arg(larga)));
}

// Texts that differ only in their literals share one prepared statement; the literals must
// still reach the database exactly, whatever they hold.
void ConexionAdo::literalesDeLaMismaFormaNoSeConfunden()
{
    ABRIR_BASE(motor, base);
    Connection* c = base.Conexion();
    const QStringList descripciones = {
        QStringLiteral("Normal"), QStringLiteral("O'Brien y D'Arcy"), QStringLiteral("?"), QStringLiteral("-- no es comentario"),
        QStringLiteral("/* tampoco */"), QStringLiteral("''"), QString(), QStringLiteral("Ñandú \"comillas\" ; DROP TABLE x"),
        QStringLiteral("$1 $$ dólar $$"), QStringLiteral("barra \\ invertida"),
    };
    for (int i = 0; i < descripciones.size(); ++i) {
        QString doblada = descripciones[i];
        doblada.replace(QLatin1String("'"), QLatin1String("''"));
        c->Execute(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, "
                                  "Gcc_Padre, Gcc_Nivel) VALUES ('K%1', '%2', '0', %1)")
                       .arg(i)
                       .arg(doblada));
    }
    for (int i = 0; i < descripciones.size(); ++i) {
        auto rs = c->Execute(QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'K%1'")
                                 .arg(i));
        QVERIFY(!rs->Eof());
        QCOMPARE(rs->Fields(QStringLiteral("Gcc_Descripcion")).toString(), descripciones[i]);
        QCOMPARE(rs->Fields(QStringLiteral("Gcc_Nivel")).toInt(), i);
    }
    // A literal that looks like a placeholder or a comment is matched as text.
    auto pregunta = c->Execute(QStringLiteral("SELECT Gcc_Cve_Grupo_Cuenta_Contable FROM Grupo_Cuenta_Contable "
                                              "WHERE Gcc_Descripcion = '?' -- y un comentario con 'comilla\n"));
    QCOMPARE(claves(*pregunta), QStringList{QStringLiteral("K2")});
    auto guiones = c->Execute(QStringLiteral("SELECT Gcc_Cve_Grupo_Cuenta_Contable FROM Grupo_Cuenta_Contable "
                                             "WHERE Gcc_Descripcion = '-- no es comentario' AND Gcc_Padre = '0'"));
    QCOMPARE(claves(*guiones), QStringList{QStringLiteral("K3")});
    auto ninguna = c->Execute(QStringLiteral("SELECT Gcc_Cve_Grupo_Cuenta_Contable FROM Grupo_Cuenta_Contable "
                                             "WHERE Gcc_Descripcion = 'x'' OR ''1''=''1'"));
    QVERIFY(ninguna->Eof());
}

void ConexionAdo::parametrosExplicitos()
{
    ABRIR_BASE(motor, base);
    Connection* c = base.Conexion();
    c->Execute(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, "
                              "Gcc_Codigo, Gcc_Nivel) VALUES (?, '¿literal?', ?, ?)"),
               QVariantList{QStringLiteral("A'1"), QStringLiteral("1.2.3"), 3});
    auto rs = c->Execute(QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"),
                         QVariantList{QStringLiteral("A'1")});
    QCOMPARE(rs->Fields(QStringLiteral("Gcc_Descripcion")).toString(), QStringLiteral("¿literal?"));
    QCOMPARE(rs->Fields(QStringLiteral("Gcc_Codigo")).toString(), QStringLiteral("1.2.3"));
    QCOMPARE(rs->Fields(QStringLiteral("Gcc_Nivel")).toInt(), 3);
    // A placeholder without its value would silently become NULL: refused.
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion,
                             c->Execute(QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = ?")));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->Execute(QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable"),
                                                        QVariantList{1}));
}

void ConexionAdo::unaSentenciaPorLlamada()
{
    ABRIR_BASE(motor, base);
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion,
                             base.Ejecutar(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'x'; "
                                                          "DELETE FROM Grupo_Cuenta_Contable")));
    QCOMPARE(base.Valor(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable")).toString(),
             QStringLiteral("Activo"));
    base.Ejecutar(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'y';"));  // a closing ; is fine
    QCOMPARE(base.Valor(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable")).toString(),
             QStringLiteral("y"));
}

void ConexionAdo::ordenBinarioDeClaves()
{
    ABRIR_BASE(motor, base);
    for (const char* clave : {"b", "B", "a", "10", "9", "A", "_x", "Á"})
        base.InsertarGrupo(QString::fromUtf8(clave), QStringLiteral("d"));
    QCOMPARE(base.Claves(), (QStringList{"10", "9", "A", "B", "_x", "a", "b", "Á"}));
}

QTEST_GUILESS_MAIN(ConexionAdo)
#include "tst_ConexionAdo.moc"
