// The connection and recordset as the component uses them, its schema and its statement
// cache, on SQLite and on PostgreSQL; and where the session's configuration comes from.
#include "BaseDePrueba.h"
#include "ConexionPostgres.h"
#include "ConexionSqlite.h"
#include "ErrorEjecucion.h"
#include "Esquema.h"

#include <QtTest>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace {

using Motor = BaseDePrueba::Motor;
const QString kHijos = QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '%1' "
                                      "ORDER BY Gcc_Padre, Gcc_Cve_Grupo_Cuenta_Contable ");
const QString kDescripcion = QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable");

QString codigoDe(const std::function<void()>& accion)
{
    try {
        accion();
    } catch (const ErrorEjecucion& error) {
        return error.Codigo() + QLatin1Char(' ') + error.Description();
    }
    return QStringLiteral("<sin error>");
}

QStringList claves(Recordset& rs)
{
    QStringList resultado;
    for (; !rs.Eof(); rs.MoveNext())
        resultado << rs.Fields(QStringLiteral("Gcc_Cve_Grupo_Cuenta_Contable")).toString();
    return resultado;
}

int enCache(Connection* c)
{
    if (auto* sqlite = dynamic_cast<ConexionSqlite*>(c))
        return sqlite->SentenciasEnCache();
    return dynamic_cast<ConexionPostgres&>(*c).Preparaciones();
}

} // namespace

#define ABRIR_BASE(motor, base)   \
    QFETCH(Motor, motor);         \
    REQUIERE_MOTOR(motor);        \
    BaseDePrueba base(motor)

class PruebaConexion : public QObject
{
    Q_OBJECT

private slots:
    void recordsets_data() { BaseDePrueba::AgregarMotores(); }
    void recordsets();
    void transacciones_data() { BaseDePrueba::AgregarMotores(); }
    void transacciones();
    void textosIntactosYUnaSentenciaPorForma_data() { BaseDePrueba::AgregarMotores(); }
    void textosIntactosYUnaSentenciaPorForma();
    void rechazosConSuMensaje_data() { BaseDePrueba::AgregarMotores(); }
    void rechazosConSuMensaje();
    void esquemaConSuVersion_data() { BaseDePrueba::AgregarMotores(); }
    void esquemaConSuVersion();
    void sqliteLecturaCompartidaVeLoQueOtrosConfirman();
    void sqliteCatalogoExistenteSeConserva();
    void configuracion();
};

void PruebaConexion::recordsets()
{
    ABRIR_BASE(motor, base);
    Connection* c = base.Conexion();
    auto vacio = c->Execute(kHijos.arg(QStringLiteral("0")), -1);
    QVERIFY(vacio->Bof() && vacio->Eof());
    QVERIFY(codigoDe([&] { vacio->MoveNext(); }).startsWith(QStringLiteral("3021 ")));
    QVERIFY(codigoDe([&] { vacio->Fields(QStringLiteral("Gcc_Descripcion")); }).startsWith(QStringLiteral("3021 ")));

    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"), QStringLiteral("1"));
    base.InsertarGrupo(QStringLiteral("2"), QStringLiteral("Pasivo"), QString(), QStringLiteral("0"), 2);
    base.InsertarGrupo(QStringLiteral("11"), QStringLiteral("Circulante"), QStringLiteral("1.1"), QStringLiteral("1"));
    base.InsertarGrupo(QStringLiteral("111"), QStringLiteral("Caja"), QStringLiteral("1.1.1"), QStringLiteral("11"));
    base.InsertarGrupo(QStringLiteral("12"), QStringLiteral("Fijo"), QStringLiteral("1.2"), QStringLiteral("1"));
    auto rs = c->Execute(kHijos.arg(QStringLiteral("0")));
    QVERIFY(!rs->Bof() && !rs->Eof());
    QCOMPARE(rs->Fields(QStringLiteral("GCC_DESCRIPCION")).toString(), QStringLiteral("Activo"));
    QCOMPARE(rs->Fields(QStringLiteral("gcc_codigo")).toString(), QStringLiteral("1"));
    rs->MoveNext();
    QCOMPARE(rs->Fields(QStringLiteral("Gcc_Nivel")).toInt(), 2);
    QCOMPARE(rs->Fields(QStringLiteral("Gcc_Nivel")).typeId(), QMetaType::LongLong);  // alike on both engines
    QVERIFY(codigoDe([&] { rs->Fields(QStringLiteral("No_Existe")); }).startsWith(QStringLiteral("3265 ")));
    rs->MoveNext();
    QVERIFY(rs->Eof() && !rs->Bof());
    QVERIFY(codigoDe([&] { rs->MoveNext(); }).startsWith(QStringLiteral("3021 ")));
    rs->Close();
    QVERIFY(codigoDe([&] { rs->Eof(); }).startsWith(QStringLiteral("3704 ")));
    base.Ejecutar(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Codigo = NULL WHERE Gcc_Padre = '0'"));
    QVERIFY(c->Execute(kHijos.arg(QStringLiteral("0")))->Fields(QStringLiteral("Gcc_Codigo")).isNull());
    auto cambio = c->Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Nivel = 1 WHERE Gcc_Padre = '0'"));
    QVERIFY(cambio && cambio->Bof() && cambio->Eof());  // no rows: an empty recordset, not a missing one

    // The tree loading opens the children of a node while its parent's recordset is open.
    QStringList recorrido;
    std::function<void(const QString&, int)> cargar = [&](const QString& padre, int nivel) {
        for (auto hijos = c->Execute(kHijos.arg(padre)); !hijos->Eof(); hijos->MoveNext()) {
            const QString clave = hijos->Fields(QStringLiteral("Gcc_Cve_Grupo_Cuenta_Contable")).toString();
            recorrido << QString(nivel, QLatin1Char('-')) + clave;
            cargar(clave, nivel + 1);
        }
    };
    cargar(QStringLiteral("0"), 0);
    QCOMPARE(recorrido, (QStringList{"1", "-11", "--111", "-12", "2"}));
}

void PruebaConexion::transacciones()
{
    ABRIR_BASE(motor, base);
    Connection* c = base.Conexion();
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->CommitTrans());
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->RollbackTrans());
    c->BeginTrans();
    base.InsertarGrupo(QStringLiteral("9"), QStringLiteral("Nunca"));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->BeginTrans());  // never a silent commit of the first
    QVERIFY(c->EnTransaccion());
    c->RollbackTrans();
    QVERIFY(!c->EnTransaccion());
    QVERIFY(base.Claves().isEmpty());

    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    c->BeginTrans();
    c->Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'A medias'"));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->Execute(QStringLiteral("UPDATE No_Existe SET x = 1")));
    QVERIFY(c->EnTransaccion());
    c->RollbackTrans();
    QCOMPARE(base.Valor(kDescripcion).toString(), QStringLiteral("Activo"));

    // Committing after a failed statement: PostgreSQL refuses, SQLite keeps what succeeded.
    c->BeginTrans();
    c->Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Otra vez'"));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Repetida")));
    if (motor == Motor::PostgreSQL) {
        QVERIFY(codigoDe([&] { c->CommitTrans(); }).startsWith(QStringLiteral("25P02 ")));
        QVERIFY(c->EnTransaccion());
        c->RollbackTrans();
    } else {
        c->CommitTrans();
    }
    QVERIFY(!c->EnTransaccion());
    Sesion::Cerrar();  // read back through a new connection
    QCOMPARE(base.Valor(kDescripcion).toString(),
             motor == Motor::PostgreSQL ? QStringLiteral("Activo") : QStringLiteral("Otra vez"));
}

// Texts that differ only in their literals share one prepared statement; the literals must
// still reach the database exactly, whatever they hold.
void PruebaConexion::textosIntactosYUnaSentenciaPorForma()
{
    ABRIR_BASE(motor, base);
    Connection* c = base.Conexion();
    const QStringList textos = {
        QStringLiteral("O'Brien y D'Arcy"), QStringLiteral("?"), QStringLiteral("-- no es comentario"),
        QStringLiteral("/* tampoco */"), QStringLiteral("''"), QString(), QStringLiteral("$1 $$ dólar $$"),
        QStringLiteral("Ñandú \"comillas\" \\ barra; DROP TABLE x"),
        QStringLiteral("ÁÉÍÓÚñ'\\ x").repeated(20),  // 200 characters, the column's width
    };
    const int antes = enCache(c);
    for (int i = 0; i < textos.size(); ++i) {
        QString doblado = textos[i];
        c->Execute(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, "
                                  "Gcc_Padre, Gcc_Nivel) VALUES ('K%1', '%2', '0', 1)")
                       .arg(i).arg(doblado.replace(QLatin1String("'"), QLatin1String("''"))));
    }
    for (int i = 0; i < textos.size(); ++i) {
        auto rs = c->Execute(QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = "
                                            "'K%1'").arg(i));
        QCOMPARE(rs->Fields(QStringLiteral("Gcc_Descripcion")).toString(), textos[i]);
    }
    QCOMPARE(enCache(c), antes + 2);  // one INSERT and one SELECT, whatever their literals
    QCOMPARE(textos.last().size(), 200);

    // A literal that looks like a placeholder, a comment or an injection is matched as text.
    auto pregunta = c->Execute(QStringLiteral("SELECT Gcc_Cve_Grupo_Cuenta_Contable FROM Grupo_Cuenta_Contable "
                                              "WHERE Gcc_Descripcion = '?' -- y un comentario con 'comilla\n"));
    QCOMPARE(claves(*pregunta), QStringList{QStringLiteral("K1")});
    QVERIFY(c->Execute(QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Descripcion = "
                                      "'x'' OR ''1''=''1'"))->Eof());
    // Explicit placeholders next to literals; a placeholder without its value is refused.
    c->Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Codigo = ?, Gcc_Descripcion = '¿?' "
                              "WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"), QVariantList{QStringLiteral("1.2"), QStringLiteral("K0")});
    QCOMPARE(base.Valor(QStringLiteral("SELECT Gcc_Codigo FROM Grupo_Cuenta_Contable WHERE Gcc_Descripcion = ?"),
                        {QStringLiteral("¿?")}).toString(), QStringLiteral("1.2"));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->Execute(QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable "
                                                                       "WHERE Gcc_Padre = ?")));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->Execute(QStringLiteral("SELECT 1"), QVariantList{1}));
    if (motor == Motor::PostgreSQL) {
        // `$1 IS NULL` cannot be prepared; the refusal must not abort the open transaction.
        c->BeginTrans();
        auto rs = c->Execute(QStringLiteral("SELECT 'x' IS NULL AS Nulo, pg_typeof('y') AS Tipo"));
        QCOMPARE(rs->Fields(QStringLiteral("Tipo")).toString(), QStringLiteral("unknown"));  // as written
        c->CommitTrans();
    }
    // Keys sort by their bytes on both engines.
    base.Ejecutar(QStringLiteral("DELETE FROM Grupo_Cuenta_Contable"));
    for (const char* clave : {"b", "B", "a", "10", "9", "A", "_x", "Á"})
        base.InsertarGrupo(QString::fromUtf8(clave), QStringLiteral("d"));
    QCOMPARE(base.Claves(), (QStringList{"10", "9", "A", "B", "_x", "a", "b", "Á"}));
}

void PruebaConexion::rechazosConSuMensaje()
{
    ABRIR_BASE(motor, base);
    base.InsertarGrupo(QStringLiteral("000001"), QStringLiteral("Activo"));
    const QString repetida = codigoDe([&] { base.InsertarGrupo(QStringLiteral("000001"), QStringLiteral("Otro")); });
    QVERIFY2(repetida.startsWith((motor == Motor::PostgreSQL ? QStringLiteral("23505") : QStringLiteral("19"))
                                 + QStringLiteral(" Ya existe un registro con la misma clave en la tabla")) &&
                 repetida.contains(QStringLiteral("Grupo_Cuenta_Contable"), Qt::CaseInsensitive),
             qPrintable(repetida));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, base.InsertarGrupo(QString(31, QLatin1Char('9')), QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, base.Ejecutar(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET "
                                                                          "Gcc_Descripcion = '%1'").arg(QString(201, QLatin1Char('x')))));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, base.Ejecutar(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET "
                                                                          "Gcc_Descripcion = 'x'; DELETE FROM Grupo_Cuenta_Contable")));
    base.Ejecutar(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Nivel = 2;"));  // a closing ; is fine
    QCOMPARE(base.Valor(kDescripcion).toString(), QStringLiteral("Activo"));

    // Another user holds the write lock: this one waits its limit, then gives up.
    Sesion::Configuracion config = base.Configuracion();
    config.esperaBloqueoMs = 200;
    Sesion::Configurar(config);
    sqlite3* sqlite = nullptr;
    PGconn* pg = nullptr;
    if (motor == Motor::SQLite) {
        sqlite3_open(base.Archivo().toUtf8().constData(), &sqlite);
        QCOMPARE(sqlite3_exec(sqlite, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    } else {
        pg = PQconnectdb(QStringLiteral("host=%1 port=%2 dbname=%3 user=%4 password=%5 options='-c search_path=%6'")
                             .arg(config.servidor).arg(config.puerto).arg(config.base, config.usuario, config.clave,
                                                                          config.esquema).toUtf8().constData());
        PQclear(PQexec(pg, "BEGIN"));
        PQclear(PQexec(pg, "UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Suyo'"));
    }
    QElapsedTimer reloj;
    reloj.start();
    const QString ocupada = codigoDe([&] {
        base.Conexion()->BeginTrans();
        base.Ejecutar(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Mío'"));
    });
    const qint64 espera = reloj.elapsed();
    if (base.Conexion()->EnTransaccion())
        base.Conexion()->RollbackTrans();
    QCOMPARE(base.Valor(kDescripcion).toString(), QStringLiteral("Activo"));  // readers are not held up
    sqlite3_close(sqlite);  // an open transaction of the other user is rolled back
    PQfinish(pg);
    QVERIFY2(ocupada.startsWith((motor == Motor::PostgreSQL ? QStringLiteral("55P03") : QStringLiteral("5"))
                                + QStringLiteral(" La base de datos está ocupada")), qPrintable(ocupada));
    QVERIFY2(espera >= 150, qPrintable(QString::number(espera)));
}

void PruebaConexion::esquemaConSuVersion()
{
    ABRIR_BASE(motor, base);
    QCOMPARE(Esquema::Version(*base.Conexion()), Esquema::kVersion);
    Sesion::Cerrar();  // opening an existing database changes nothing
    QCOMPARE(base.ContarFilas(QStringLiteral("Kes_Version")), 1);
    for (const char* tabla : {"Grupo_Cuenta_Contable", "Kes_Parametro", "Kes_Permiso", "Kes_Bitacora"})
        QCOMPARE(base.ContarFilas(QString::fromLatin1(tabla)), 0);
    const QString indice = motor == Motor::PostgreSQL
        ? QStringLiteral("SELECT indexdef FROM pg_indexes WHERE schemaname = current_schema() "
                         "AND indexname = 'gcc_padre_indice'")
        : QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'index' AND name = 'Gcc_Padre_Indice'");
    QVERIFY(base.Valor(indice).toString().contains(QStringLiteral("Gcc_Padre"), Qt::CaseInsensitive));
    if (motor == Motor::SQLite)
        QCOMPARE(base.Valor(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));

    base.Ejecutar(QStringLiteral("UPDATE Kes_Version SET Ver_Numero = ?"), {Esquema::kVersion + 1});
    Sesion::Cerrar();
    const QString mas = codigoDe([] { Sesion::Conexion(); });
    QVERIFY2(mas.contains(QStringLiteral("versión más reciente")), qPrintable(mas));
}

// A run of queries shares one read transaction, which must never hide a commit made by
// another connection, nor outlive a write or a transaction of this one.
void PruebaConexion::sqliteLecturaCompartidaVeLoQueOtrosConfirman()
{
    BaseDePrueba base;
    auto* c = dynamic_cast<ConexionSqlite*>(base.Conexion());
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    const auto leer = [&] { return c->Execute(kHijos.arg(QStringLiteral("0")))->Fields(QStringLiteral("Gcc_Descripcion")).toString(); };
    QCOMPARE(leer(), QStringLiteral("Activo"));
    QVERIFY(c->LecturaAbierta());
    sqlite3* otro = nullptr;
    QCOMPARE(sqlite3_open(base.Archivo().toUtf8().constData(), &otro), SQLITE_OK);
    sqlite3_busy_timeout(otro, 2000);
    for (const char* sql : {"UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Otro'",
                            "UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Otro más'"}) {
        QCOMPARE(sqlite3_exec(otro, sql, nullptr, nullptr, nullptr), SQLITE_OK);  // readers do not block it
        QCOMPARE(leer(), QString::fromUtf8(sql).section(QLatin1Char('\''), 1, 1));
    }
    c->Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Mío'"));
    QVERIFY(!c->LecturaAbierta());  // a write ends the shared read and commits on its own
    QCOMPARE(sqlite3_exec(otro, "UPDATE Grupo_Cuenta_Contable SET Gcc_Nivel = 3 WHERE Gcc_Descripcion = 'Mío'",
                          nullptr, nullptr, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_changes(otro), 1);
    sqlite3_close(otro);
    leer();
    c->BeginTrans();  // a transaction begins on a fresh write lock
    QVERIFY(!c->LecturaAbierta());
    c->RollbackTrans();
    leer();
    QTRY_VERIFY(!c->LecturaAbierta());  // ended when the event loop runs
}

// A database that already has the host's catalogue, but not the library's tables, keeps its rows.
void PruebaConexion::sqliteCatalogoExistenteSeConserva()
{
    QTemporaryDir carpeta;
    Sesion::Configuracion c;
    c.archivo = carpeta.filePath(QStringLiteral("existente.db"));
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(c.archivo.toUtf8().constData(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "CREATE TABLE Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable TEXT PRIMARY KEY, "
                              "Gcc_Descripcion TEXT, Gcc_Padre TEXT); INSERT INTO Grupo_Cuenta_Contable VALUES "
                              "('1', 'Activo', '0');", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    const Sesion::Configuracion anterior = Sesion::ConfiguracionActual();
    Sesion::Configurar(c);
    QCOMPARE(Sesion::Conexion()->Execute(kDescripcion)->Fields(QStringLiteral("Gcc_Descripcion")).toString(),
             QStringLiteral("Activo"));
    QCOMPARE(Esquema::Version(*Sesion::Conexion()), Esquema::kVersion);
    Sesion::Configurar(anterior);
}

void PruebaConexion::configuracion()
{
    const Sesion::Configuracion predeterminada = Sesion::ConfiguracionPredeterminada();
    QCOMPARE(predeterminada.motor, Sesion::Configuracion::SQLite);
    QVERIFY(predeterminada.archivo.endsWith(QStringLiteral("/Kestrima/tq614.db")));
    QTemporaryDir carpeta;
    QFile ini(carpeta.filePath(QStringLiteral("tq614.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[BaseDeDatos]\nMotor=PostgreSQL\nServidor=db.local\nPuerto=6543\nBase=conta\nUsuario=ana\n"
              "Clave=secreta\nEsquema=empresa1\nOperador=ANA\nEsperaBloqueoMs=1500\n");
    ini.close();
    const Sesion::Configuracion c = Sesion::LeerConfiguracion(ini.fileName());
    QCOMPARE(c.motor, Sesion::Configuracion::PostgreSQL);
    QCOMPARE(QStringList({c.servidor, QString::number(c.puerto), c.base, c.usuario, c.clave, c.esquema, c.operador,
                          QString::number(c.esperaBloqueoMs)}),
             QStringList({"db.local", "6543", "conta", "ana", "secreta", "empresa1", "ANA", "1500"}));
    QCOMPARE(Sesion::LeerConfiguracion(carpeta.filePath(QStringLiteral("no.ini"))).archivo, predeterminada.archivo);
    BaseDePrueba base;
    Sesion::Configuracion sinOperador = base.Configuracion();
    sinOperador.operador.clear();
    Sesion::Configurar(sinOperador);
    QVERIFY(!Sesion::Operador().isEmpty());  // the operating system's user
}

QTEST_GUILESS_MAIN(PruebaConexion)
#include "tst_Conexion.moc"
