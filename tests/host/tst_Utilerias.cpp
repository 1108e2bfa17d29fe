// Lookups, automatic numbers, change registration, parameters and dates of the services,
// on SQLite and on PostgreSQL.
#include "AccesoDatosKes.h"
#include "BaseDePrueba.h"
#include "ErrorEjecucion.h"
#include "FabricaServicios.h"
#include "UtileriasKes.h"

#include <QtTest>

namespace {

const QString kTabla = QStringLiteral("Grupo_Cuenta_Contable");
const QString kClave = QStringLiteral("Gcc_Cve_Grupo_Cuenta_Contable");
const QString kDescripcion = QStringLiteral("Gcc_Descripcion");

std::unique_ptr<Utilerias> crearUtilerias()
{
    return std::unique_ptr<Utilerias>(static_cast<Utilerias*>(KesCrearObjeto("Utilerias")));
}

std::unique_ptr<AccesoDatos> crearAccesoDatos()
{
    return std::unique_ptr<AccesoDatos>(static_cast<AccesoDatos*>(KesCrearObjeto("AccesoDatos")));
}

long siguiente(Utilerias& u)
{
    return u.SiguienteNumero(kTabla, kClave, {}, {}, {}, {}, {}, {}, {});
}

} // namespace

// The engine of the current global row, checked, and a fresh base on it.
#define ABRIR_BASE(motor, base)                  \
    QFETCH_GLOBAL(BaseDePrueba::Motor, motor);  \
    REQUIERE_MOTOR(motor);                       \
    BaseDePrueba base(motor)

class PruebaUtilerias : public QObject
{
    Q_OBJECT

private slots:
    // Every test runs once per engine.
    void initTestCase_data() { BaseDePrueba::AgregarMotores(); }
    void registrarCambioDentroDeLaTransaccion();
    void registrarCambioVetado();
    void siguienteNumero();
    void buscarValor();
    void obtenerParametro();
    void fechasYTransaccion();
};

void PruebaUtilerias::registrarCambioDentroDeLaTransaccion()
{
    ABRIR_BASE(motor, base);
    auto util = crearUtilerias();
    auto datos = crearAccesoDatos();
    Connection* c = datos->Conexion();

    // Without a transaction there is nothing to register the change in.
    QVERIFY(!util->RegistrarCambio(kTabla, QStringLiteral("1"), {}));
    QVERIFY(util->UltimoError().contains(QStringLiteral("no hay una transacción abierta")));

    c->BeginTrans();
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    QVERIFY(util->RegistrarCambio(kTabla, QStringLiteral("1"), QStringLiteral("CAT-01")));
    QCOMPARE(util->UltimoError(), QString());
    QCOMPARE(base.ContarFilas(QStringLiteral("Kes_Bitacora")), 1);
    c->RollbackTrans();
    // The audit row went with the change it described.
    QCOMPARE(base.ContarFilas(QStringLiteral("Kes_Bitacora")), 0);

    c->BeginTrans();
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    QVERIFY(util->RegistrarCambio(kTabla, QStringLiteral("1"), {}));
    c->CommitTrans();
    auto rs = c->Execute(QStringLiteral("SELECT * FROM Kes_Bitacora"));
    QCOMPARE(rs->Fields(QStringLiteral("Bit_Tabla")).toString(), kTabla);
    QCOMPARE(rs->Fields(QStringLiteral("Bit_Clave")).toString(), QStringLiteral("1"));
    QCOMPARE(rs->Fields(QStringLiteral("Bit_Operador")).toString(), QStringLiteral("PRUEBA"));
    QCOMPARE(rs->Fields(QStringLiteral("Bit_Sesion")).toString(), Sesion::IdSesion());
    const QDateTime fecha = QDateTime::fromString(rs->Fields(QStringLiteral("Bit_Fecha")).toString(),
                                                  QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    QVERIFY(qAbs(fecha.secsTo(QDateTime::currentDateTime())) < 60);

    const auto lineas = base.TrazaDe(QStringLiteral("RegistrarCambio"));
    QCOMPARE(lineas.size(), 3);
    QCOMPARE(lineas.at(1).value(QStringLiteral("texto")).toString(), QStringLiteral("CAT-01"));
    QCOMPARE(lineas.at(1).value(QStringLiteral("resultado")).toBool(), true);
    QCOMPARE(lineas.at(0).value(QStringLiteral("resultado")).toBool(), false);
}

void PruebaUtilerias::registrarCambioVetado()
{
    ABRIR_BASE(motor, base);
    auto util = crearUtilerias();
    Connection* c = base.Conexion();
    base.PermitirEscritura(QStringLiteral("OTRO"), kTabla, false);   // somebody else is vetoed
    base.PermitirEscritura(QStringLiteral("PRUEBA"), QStringLiteral("Otra_Tabla"), false);

    c->BeginTrans();
    QVERIFY(util->RegistrarCambio(kTabla, QStringLiteral("1"), {}));
    c->RollbackTrans();

    base.PermitirEscritura(QStringLiteral("prueba"), QStringLiteral("GRUPO_CUENTA_CONTABLE"), false);  // any case
    c->BeginTrans();
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    QVERIFY(!util->RegistrarCambio(kTabla, QStringLiteral("1"), {}));
    QCOMPARE(util->UltimoError(),
             QStringLiteral("El operador PRUEBA no tiene permiso para modificar la tabla Grupo_Cuenta_Contable"));
    QCOMPARE(base.ContarFilas(QStringLiteral("Kes_Bitacora")), 0);
    QVERIFY(c->EnTransaccion());  // the caller decides: it rolls back
    c->RollbackTrans();
    QCOMPARE(base.ContarFilas(kTabla), 0);

    base.PermitirEscritura(QStringLiteral("prueba"), QStringLiteral("GRUPO_CUENTA_CONTABLE"), true);
    c->BeginTrans();
    QVERIFY(util->RegistrarCambio(kTabla, QStringLiteral("1"), {}));
    QCOMPARE(util->UltimoError(), QString());  // a success clears the last reason
    c->CommitTrans();
}

void PruebaUtilerias::siguienteNumero()
{
    ABRIR_BASE(motor, base);
    auto util = crearUtilerias();
    QCOMPARE(siguiente(*util), 1L);

    for (const char* clave : {"000042", "ABC", "1.2", "99A", "7", "-5", " 50", "1e3"})
        base.InsertarGrupo(QString::fromLatin1(clave), QStringLiteral("x"));
    QCOMPARE(siguiente(*util), 43L);
    base.InsertarGrupo(QStringLiteral("0000000000000000000000100"), QStringLiteral("ceros a la izquierda"));
    QCOMPARE(siguiente(*util), 101L);

    base.InsertarGrupo(QStringLiteral("2147483647"), QStringLiteral("el último"));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, siguiente(*util));
    base.Ejecutar(QStringLiteral("DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '2147483647'"));
    base.InsertarGrupo(QStringLiteral("123456789012345678901234"), QStringLiteral("demasiado"));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, siguiente(*util));

    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, util->SiguienteNumero(QStringLiteral("Grupo_Cuenta_Contable; DROP TABLE x"),
                                                                  kClave, {}, {}, {}, {}, {}, {}, {}));
}

void PruebaUtilerias::buscarValor()
{
    ABRIR_BASE(motor, base);
    UtileriasKes util(FabricaServicios::CrearAccesoDatos());
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("Activo"));
    base.InsertarGrupo(QStringLiteral("O'B"), QStringLiteral("Con comilla"));
    base.InsertarGrupo(QStringLiteral("2"), QString());  // exists, empty description

    auto buscar = [&](const QString& clave) { return util.BuscarValor(kTabla, kClave, clave, kDescripcion, 0, {}, {}, {}); };
    QCOMPARE(buscar(QStringLiteral("1")), QStringLiteral("Activo"));
    QCOMPARE(buscar(QStringLiteral("O'B")), QStringLiteral("Con comilla"));
    QCOMPARE(buscar(QStringLiteral("9")), QString());
    for (const QString& hostil : {QStringLiteral("' OR '1'='1"), QStringLiteral("1' --"), QStringLiteral("1'; DELETE FROM Grupo_Cuenta_Contable; --"),
                                  QStringLiteral("?"), QStringLiteral("%")})
        QCOMPARE(buscar(hostil), QString());
    QCOMPARE(base.ContarFilas(kTabla), 3);

    // The empty description of "2" reads like a missing key; the key itself tells them apart.
    QCOMPARE(buscar(QStringLiteral("2")), QString());
    QCOMPARE(util.BuscarValor(kTabla, kClave, QStringLiteral("2"), kClave, 0, {}, {}, {}), QStringLiteral("2"));
    QCOMPARE(util.BuscarValor(kTabla, kClave, QStringLiteral("9"), kClave, 0, {}, {}, {}), QString());
    QVERIFY(util.ExisteRegistro(kTabla, kClave, QStringLiteral("2")));
    QVERIFY(!util.ExisteRegistro(kTabla, kClave, QStringLiteral("9")));
    QCOMPARE(util.BuscarValor(kTabla, kClave, QStringLiteral("1"), QStringLiteral("Gcc_Nivel"), 0, {}, {}, {}),
             QStringLiteral("1"));

    // Names come from code; anything but an identifier is refused before it reaches the text.
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, util.BuscarValor(QStringLiteral("Grupo_Cuenta_Contable WHERE 1=1 --"), kClave,
                                                              QStringLiteral("1"), kDescripcion, 0, {}, {}, {}));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, util.BuscarValor(kTabla, kClave, QStringLiteral("1"),
                                                              QStringLiteral("(SELECT 1)"), 0, {}, {}, {}));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, util.BuscarValor(QStringLiteral("No_Existe"), kClave, QStringLiteral("1"),
                                                              kDescripcion, 0, {}, {}, {}));
}

void PruebaUtilerias::obtenerParametro()
{
    ABRIR_BASE(motor, base);
    auto datos = crearAccesoDatos();
    const QString nombre = QStringLiteral("FTO_GRUPO_CUENTA_CONTABLE");
    QCOMPARE(datos->ObtenerParametro(nombre, 0, QStringLiteral("T"), QStringLiteral("000000")).toString(),
             QStringLiteral("000000"));

    AccesoDatosKes propio;
    propio.EstablecerParametro(nombre, 0, QStringLiteral("T"), QStringLiteral("0000"));
    QCOMPARE(datos->ObtenerParametro(nombre, 0, QStringLiteral("T"), QStringLiteral("000000")).toString(),
             QStringLiteral("0000"));
    // The number tells parameters of the same name apart.
    QCOMPARE(datos->ObtenerParametro(nombre, 1, QStringLiteral("T"), QStringLiteral("x")).toString(), QStringLiteral("x"));
    propio.EstablecerParametro(nombre, 0, QStringLiteral("T"), QStringLiteral("00000000"));  // replaced, not repeated
    QCOMPARE(datos->ObtenerParametro(nombre, 0, QStringLiteral("T"), {}).toString(), QStringLiteral("00000000"));
    QCOMPARE(base.ContarFilas(QStringLiteral("Kes_Parametro")), 1);

    propio.EstablecerParametro(QStringLiteral("DIAS"), 0, QStringLiteral("N"), 30);
    QCOMPARE(datos->ObtenerParametro(QStringLiteral("DIAS"), 0, QStringLiteral("N"), 0).toLongLong(), 30);
    propio.EstablecerParametro(QStringLiteral("DIAS"), 0, QStringLiteral("N"), QStringLiteral("treinta"));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, datos->ObtenerParametro(QStringLiteral("DIAS"), 0, QStringLiteral("N"), 0));
    propio.EstablecerParametro(QStringLiteral("ACTIVO"), 0, QStringLiteral("L"), QStringLiteral("S"));
    QCOMPARE(datos->ObtenerParametro(QStringLiteral("ACTIVO"), 0, {}, false).toBool(), true);
    propio.EstablecerParametro(QStringLiteral("NULO"), 0, QStringLiteral("T"), QVariant());
    QCOMPARE(datos->ObtenerParametro(QStringLiteral("NULO"), 0, QStringLiteral("T"), QStringLiteral("def")).toString(),
             QStringLiteral("def"));

    const auto lineas = base.TrazaDe(QStringLiteral("ObtenerParametro"));
    QVERIFY(!lineas.isEmpty());
    QCOMPARE(lineas.first().value(QStringLiteral("nombre")).toString(), nombre);
    QCOMPARE(lineas.first().value(QStringLiteral("resultado")).toString(), QStringLiteral("000000"));
}

void PruebaUtilerias::fechasYTransaccion()
{
    BaseDePrueba base;
    auto util = crearUtilerias();
    const QDateTime fecha(QDate(2024, 3, 5), QTime(14, 5, 9));
    QCOMPARE(util->FormatoFecha(fecha), QStringLiteral("05/03/2024"));
    QCOMPARE(util->FormatoFechaRegistro(fecha), QStringLiteral("2024-03-05 14:05:09"));
    QCOMPARE(util->FormatoFecha(QDateTime()), QString());
    const QDateTime ahora = util->FechaActual();
    QCOMPARE(ahora.time().msec(), 0);
    QVERIFY(qAbs(ahora.secsTo(QDateTime::currentDateTime())) <= 1);

    QCOMPARE(util->ObtenerTransaccion(QStringLiteral("CAT-01"), QStringLiteral("Kestrima")), QStringLiteral("CAT-01"));
    QCOMPARE(util->ObtenerTransaccion(QStringLiteral("  "), QStringLiteral("Kestrima")), QStringLiteral("Kestrima"));
    QCOMPARE(util->ObtenerTransaccion(QString(), QString()), QString());
}

QTEST_GUILESS_MAIN(PruebaUtilerias)
#include "tst_Utilerias.moc"
