// The schema of the services: created once with its version, kept when present, refused
// when newer; and where the session's configuration comes from.
#include "BaseDePrueba.h"
#include "ErrorEjecucion.h"
#include "Esquema.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

class PruebaEsquema : public QObject
{
    Q_OBJECT

private slots:
    void creadoUnaVezConSuVersion_data() { BaseDePrueba::AgregarMotores(); }
    void creadoUnaVezConSuVersion();
    void versionMasNuevaSeRechaza_data() { BaseDePrueba::AgregarMotores(); }
    void versionMasNuevaSeRechaza();
    void tablaExistenteSeConserva();
    void configuracionDesdeArchivo();
    void configurarCambiaDeBase();
};

void PruebaEsquema::creadoUnaVezConSuVersion()
{
    QFETCH(BaseDePrueba::Motor, motor);
    REQUIERE_MOTOR(motor);
    BaseDePrueba base(motor);
    QCOMPARE(Esquema::Version(*base.Conexion()), Esquema::kVersion);
    for (int vez = 0; vez < 2; ++vez) {  // opening an existing database changes nothing
        Sesion::Cerrar();
        QCOMPARE(base.ContarFilas(QStringLiteral("Kes_Version")), 1);
    }
    for (const char* tabla : {"Grupo_Cuenta_Contable", "Kes_Parametro", "Kes_Permiso", "Kes_Bitacora"})
        QCOMPARE(base.ContarFilas(QString::fromLatin1(tabla)), 0);

    const QString indices = motor == BaseDePrueba::Motor::PostgreSQL
        ? QStringLiteral("SELECT indexdef FROM pg_indexes WHERE schemaname = current_schema() "
                         "AND indexname = 'gcc_padre_indice'")
        : QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'index' AND name = 'Gcc_Padre_Indice'");
    QVERIFY(base.Valor(indices).toString().contains(QStringLiteral("Gcc_Padre"), Qt::CaseInsensitive));
    if (motor == BaseDePrueba::Motor::SQLite)
        QCOMPARE(base.Valor(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));

    // The key is unique, and a key that is too long is refused by the database itself.
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Otra vez")));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, base.InsertarGrupo(QString(31, QLatin1Char('9')), QStringLiteral("Larga")));
}

void PruebaEsquema::versionMasNuevaSeRechaza()
{
    QFETCH(BaseDePrueba::Motor, motor);
    REQUIERE_MOTOR(motor);
    BaseDePrueba base(motor);
    base.Ejecutar(QStringLiteral("UPDATE Kes_Version SET Ver_Numero = ?"), {Esquema::kVersion + 1});
    Sesion::Cerrar();
    try {
        Sesion::Conexion();
        QFAIL("se abrió una base de una versión más reciente");
    } catch (const ErrorEjecucion& error) {
        QVERIFY2(error.Description().contains(QStringLiteral("versión más reciente")), qPrintable(error.Description()));
    }
}

// A database that already has the host's catalogue (but not the library's tables) keeps its rows.
void PruebaEsquema::tablaExistenteSeConserva()
{
    QTemporaryDir carpeta;
    const QString archivo = carpeta.filePath(QStringLiteral("existente.db"));
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(archivo.toUtf8().constData(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db,
                          "CREATE TABLE Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable TEXT PRIMARY KEY, "
                          "Gcc_Descripcion TEXT, Gcc_Padre TEXT);"
                          "INSERT INTO Grupo_Cuenta_Contable VALUES ('1', 'Activo', '0');",
                          nullptr, nullptr, nullptr),
             SQLITE_OK);
    sqlite3_close(db);

    const Sesion::Configuracion anterior = Sesion::ConfiguracionActual();
    Sesion::Configuracion c;
    c.archivo = archivo;
    Sesion::Configurar(c);
    auto rs = Sesion::Conexion()->Execute(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable"));
    QCOMPARE(rs->Fields(QStringLiteral("Gcc_Descripcion")).toString(), QStringLiteral("Activo"));
    QCOMPARE(Esquema::Version(*Sesion::Conexion()), Esquema::kVersion);
    Sesion::Configurar(anterior);
}

void PruebaEsquema::configuracionDesdeArchivo()
{
    const Sesion::Configuracion predeterminada = Sesion::ConfiguracionPredeterminada();
    QCOMPARE(predeterminada.motor, Sesion::Configuracion::SQLite);
    QVERIFY(predeterminada.archivo.endsWith(QStringLiteral("/Kestrima/tq614.db")));

    QTemporaryDir carpeta;
    const QString ini = carpeta.filePath(QStringLiteral("tq614.ini"));
    QFile f(ini);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[BaseDeDatos]\nMotor=PostgreSQL\nServidor=db.local\nPuerto=6543\nBase=conta\nUsuario=ana\n"
            "Clave=secreta\nEsquema=empresa1\nOperador=ANA\nEsperaBloqueoMs=1500\n");
    f.close();
    const Sesion::Configuracion c = Sesion::LeerConfiguracion(ini);
    QCOMPARE(c.motor, Sesion::Configuracion::PostgreSQL);
    QCOMPARE(c.servidor, QStringLiteral("db.local"));
    QCOMPARE(c.puerto, 6543);
    QCOMPARE(c.base, QStringLiteral("conta"));
    QCOMPARE(c.usuario, QStringLiteral("ana"));
    QCOMPARE(c.clave, QStringLiteral("secreta"));
    QCOMPARE(c.esquema, QStringLiteral("empresa1"));
    QCOMPARE(c.operador, QStringLiteral("ANA"));
    QCOMPARE(c.esperaBloqueoMs, 1500);

    const Sesion::Configuracion faltante = Sesion::LeerConfiguracion(carpeta.filePath(QStringLiteral("no.ini")));
    QCOMPARE(faltante.motor, Sesion::Configuracion::SQLite);
    QCOMPARE(faltante.archivo, predeterminada.archivo);
}

void PruebaEsquema::configurarCambiaDeBase()
{
    BaseDePrueba primera;
    primera.InsertarGrupo(QStringLiteral("1"), QStringLiteral("En la primera"));
    {
        BaseDePrueba segunda;
        QCOMPARE(segunda.ContarFilas(QStringLiteral("Grupo_Cuenta_Contable")), 0);
        QCOMPARE(Sesion::Operador(), QStringLiteral("PRUEBA"));
    }
    // The inner base restored the outer one's configuration.
    QCOMPARE(primera.ContarFilas(QStringLiteral("Grupo_Cuenta_Contable")), 1);
    Sesion::Configuracion sinOperador = Sesion::ConfiguracionActual();
    sinOperador.operador.clear();
    Sesion::Configurar(sinOperador);
    QVERIFY(!Sesion::Operador().isEmpty());  // the operating system's user
}

QTEST_GUILESS_MAIN(PruebaEsquema)
#include "tst_Esquema.moc"
