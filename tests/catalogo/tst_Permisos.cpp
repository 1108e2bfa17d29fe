// Who may change the catalogue on a server, and whether its history can be trusted: the owner
// prepares the database, people get access through the two group roles, the history is
// written and sealed by the database alone, and its verification finds what was tampered with.

#include "AccesoDatosKes.h"
#include "BaseDePrueba.h"
#include "CatalogoCsv.h"
#include "ConexionPostgres.h"
#include "Historial.h"
#include "PantallaDePrueba.h"
#include "UtileriasKes.h"
#include "VentanaHistorial.h"
#include "VerificacionHistorial.h"

#include <QLabel>
#include <QProcess>
#include <QUuid>
#include <QtTest/QtTest>
#include <libpq-fe.h>

using namespace Qt::StringLiterals;
using Motor = BaseDePrueba::Motor;

namespace {

using Pq = std::unique_ptr<PGconn, decltype(&PQfinish)>;

// A connection through the server's socket, where local logins need no password.
Pq porSocket(const QString& usuario, const QString& base, const QString& esquema = {})
{
    QString cadena = u"host=%1 port=%2 user=%3 dbname=%4"_s.arg(qEnvironmentVariable("TQ614_PG_SOCKET"),
                                                                qEnvironmentVariable("TQ614_PG_PORT"), usuario, base);
    if (!esquema.isEmpty())
        cadena += u" options='-c search_path=%1 -c client_min_messages=warning'"_s.arg(esquema);
    return Pq(PQconnectdb(cadena.toUtf8().constData()), &PQfinish);
}

// The statement's error, or the empty text when the server ran it.
QString ejecutar(PGconn* conexion, const QString& sql)
{
    const std::unique_ptr<PGresult, decltype(&PQclear)> r(PQexec(conexion, sql.toUtf8().constData()), &PQclear);
    const auto estado = PQresultStatus(r.get());
    return estado == PGRES_COMMAND_OK || estado == PGRES_TUPLES_OK ? QString()
                                                                   : QString::fromUtf8(PQerrorMessage(conexion));
}

// A login of the test server, made by its superuser, with one of the group roles (or none);
// dropped when it goes.
struct Login
{
    QString nombre;

    explicit Login(const QString& rol)
        : nombre(u"tq614_p_"_s + QUuid::createUuid().toString(QUuid::Id128).left(12))
    {
        administrar(u"CREATE ROLE %1 LOGIN"_s.arg(nombre));
        if (!rol.isEmpty())
            administrar(u"GRANT %1 TO %2"_s.arg(rol, nombre));
    }
    ~Login() { administrar(u"DROP ROLE IF EXISTS %1"_s.arg(nombre)); }
    Q_DISABLE_COPY(Login)

    static void administrar(const QString& sql)
    {
        const Pq admin = porSocket(qEnvironmentVariable("TQ614_PG_ADMIN"), qEnvironmentVariable("TQ614_PG_BASE"));
        if (const QString error = ejecutar(admin.get(), sql); !error.isEmpty())
            qWarning("%s: %s", qPrintable(sql), qPrintable(error));
    }
    // The base's configuration under this login, through the socket.
    void Usar(BaseDePrueba& base) const
    {
        base.Reconfigurar([&](Sesion::Configuracion& c) {
            c.servidor = qEnvironmentVariable("TQ614_PG_SOCKET");
            c.usuario = nombre;
        });
    }
};

// What a refused change must leave as it was, read by the owner: every group, the change
// log's and the history's sizes.
QString estadoComoDueno(const BaseDePrueba& base)
{
    const Pq dueno =
        porSocket(qEnvironmentVariable("TQ614_PG_USUARIO"), qEnvironmentVariable("TQ614_PG_BASE"), base.Esquema());
    const std::unique_ptr<PGresult, decltype(&PQclear)> r(
        PQexec(dueno.get(), "SELECT (SELECT string_agg(row_to_json(g)::text, ';' ORDER BY 1)"
                            " FROM Grupo_Cuenta_Contable g) || (SELECT COUNT(*) FROM Kes_Bitacora)"
                            " || '|' || (SELECT COUNT(*) FROM Kes_Historial)"),
        &PQclear);
    return QString::fromUtf8(PQgetvalue(r.get(), 0, 0));
}

bool importar(const QString& archivo, const QByteArray& contenido)
{
    QFile csv(archivo);
    if (!csv.open(QIODevice::WriteOnly) || csv.write(contenido) != contenido.size())
        return false;
    csv.close();
    CatalogoCsv::Importacion importacion;
    UtileriasKes utilerias(std::make_unique<AccesoDatosKes>());
    return importacion.Revisar(archivo, *Sesion::Conexion()) && importacion.Escribir(*Sesion::Conexion(), utilerias);
}

const QByteArray kCsv = "Gcc_Cve_Grupo_Cuenta_Contable,Gcc_Descripcion,Gcc_Codigo,Gcc_Padre,Gcc_Nivel\n";

}  // namespace

class tst_Permisos : public QObject
{
    Q_OBJECT

    QTemporaryDir m_carpeta;

    // tq614-host with `orden` (--verificar-historial) on the base: its exit code, its first line and its errors.
    std::tuple<int, QString, QString> conElPrograma(const BaseDePrueba& base,
                                                    const QString& orden = u"--verificar-historial"_s)
    {
        QStringList argumentos{orden};
        if (base.Esquema().isEmpty()) {
            argumentos << u"--base"_s << base.Archivo();
        } else {
            const QString ini = m_carpeta.filePath(u"servidor.ini"_s);
            QSettings ajustes(ini, QSettings::IniFormat);
            const Sesion::Configuracion& c = base.Configuracion();
            for (const auto& [clave, valor] : {std::pair{"Motor", u"postgresql"_s},
                                               {"Servidor", c.servidor},
                                               {"Puerto", QString::number(c.puerto)},
                                               {"Base", c.base},
                                               {"Usuario", c.usuario},
                                               {"Esquema", c.esquema}})
                ajustes.setValue(u"BaseDeDatos/"_s + QLatin1String(clave), valor);
            ajustes.sync();
            argumentos << u"--config"_s << ini;
        }
        QProcess programa;
        programa.start(TQ614_HOST, argumentos);
        if (!programa.waitForFinished(60000))
            return {-1, u"sin respuesta"_s, QString()};
        return {programa.exitCode(), QString::fromUtf8(programa.readAllStandardOutput()).section(u'\n', 0, 0),
                QString::fromUtf8(programa.readAllStandardError())};
    }

private slots:
    // The editor's changes, through the screen and the import, are its login's at the server's time.
    void elEditorCambiaASuNombre()
    {
        REQUIERE_MOTOR(Motor::PostgreSQL);
        BaseDePrueba base(Motor::PostgreSQL);
        base.InsertarGrupos({u"A|Activo"_s, u"B|Caja||A|2"_s});
        // Prepared again by its owner, with the program: nothing is lost, the rights are set anew.
        const auto [salida, linea, errores] = conElPrograma(base, u"--preparar-servidor"_s);
        QVERIFY2(salida == 0 && linea.startsWith(u"Base de datos preparada"_s), qPrintable(linea + errores));
        const Login editor(u"tq614_edicion"_s);
        editor.Usar(base);
        QVERIFY(Sesion::MotivoSoloLectura().isEmpty());
        QCOMPARE(Sesion::Operador(), editor.nombre);
        {
            PantallaDePrueba pantalla(base);
            QVERIFY(pantalla.Nuevo(u"A"_s, u"C"_s, u"Bancos"_s, u"1.2"_s));
            QVERIFY(pantalla.Renombrar(u"B"_s, u"Caja chica"_s));
        }
        QVERIFY(importar(m_carpeta.filePath(u"editor.csv"_s), kCsv + "D,Clientes,1.3,A,2\n"));
        QCOMPARE(base.Claves(), (QStringList{u"A"_s, u"B"_s, u"C"_s, u"D"_s}));
        const QList<Historial::Cambio> cambios = Historial::Leer(*Sesion::Conexion(), {}, 0, 3);
        QCOMPARE(cambios.size(), 3);
        for (const Historial::Cambio& cambio : cambios) {
            QCOMPARE(cambio.operador + u' ' + cambio.usuarioBase, editor.nombre + u' ' + editor.nombre);
            const QDateTime cuando = QDateTime::fromString(cambio.fecha, u"yyyy-MM-dd HH:mm:ss"_s);
            QVERIFY2(qAbs(cuando.secsTo(QDateTime::currentDateTime())) < 120, qPrintable(cambio.fecha));
        }
        QCOMPARE(base.Fila(u"C"_s, u"Oper_Alta"_s), editor.nombre);
    }

    // A reader opens and reads; every change is refused with the reason and nothing changes.
    // A login with neither role does not get in.
    void elLectorSoloConsulta()
    {
        REQUIERE_MOTOR(Motor::PostgreSQL);
        BaseDePrueba base(Motor::PostgreSQL);
        base.InsertarGrupos({u"A|Activo"_s, u"B|Caja||A|2"_s});
        const QString antes = estadoComoDueno(base);
        const Login lector(u"tq614_lectura"_s);
        lector.Usar(base);
        QVERIFY(Sesion::MotivoSoloLectura().contains(lector.nombre));
        const QString falta = u"GRANT tq614_edicion TO "_s + lector.nombre;
        PantallaDePrueba pantalla(base);
        QVERIFY(pantalla.Nodo(u"B"_s) && Historial::Leer(*Sesion::Conexion(), {}).size() == 2);
        QString error;
        QCOMPARE(CatalogoCsv::Exportar(*Sesion::Conexion(), m_carpeta.filePath(u"lector-exporta.csv"_s), ',', &error),
                 2);
        const std::pair<const char*, std::function<bool()>> cambios[] = {
            {"nuevo", [&] { return pantalla.Nuevo(u"A"_s, u"C"_s, u"Bancos"_s, u"1.2"_s); }},
            {"editar", [&] { return pantalla.Editar(u"B"_s, u"Caja chica"_s, QString()); }},
            {"renombrar", [&] { return pantalla.Renombrar(u"B"_s, u"Caja chica"_s); }},
            {"cambiar clave", [&] { return pantalla.CambiarClave(u"B"_s, u"B2"_s); }},
            {"eliminar", [&] { return pantalla.Eliminar(u"B"_s); }},
        };
        for (const auto& [nombre, cambio] : cambios) {
            base.LimpiarMensajes();
            cambio();
            const QStringList mensajes = base.MensajesEnTexto();
            QVERIFY2(mensajes.size() == 1 && mensajes[0].contains(falta),
                     qPrintable(nombre + (u": "_s + mensajes.join(u"\n"_s))));
            QCOMPARE(estadoComoDueno(base), antes);
            QVERIFY(!Sesion::Conexion()->EnTransaccion() && pantalla.Nodo(u"B"_s));
        }
        QVERIFY(!importar(m_carpeta.filePath(u"lector.csv"_s), kCsv + "D,Clientes,1.3,A,2\n"));
        QCOMPARE(estadoComoDueno(base), antes);

        const Login extrano(QString{});
        extrano.Usar(base);
        QCOMPARE(ErrorDe([] { Sesion::Conexion(); }), u"42501 "_s + ConexionPostgres::SinPermiso(extrano.nombre, true));
    }

    // A hostile editor, statement by statement: the server refuses, or the real history stays right.
    void sesionHostil()
    {
        REQUIERE_MOTOR(Motor::PostgreSQL);
        BaseDePrueba base(Motor::PostgreSQL);
        base.InsertarGrupo(u"A"_s, u"Activo"_s);
        const Login editor(u"tq614_edicion"_s);
        const QString s = base.Esquema();
        const Pq hostil = porSocket(editor.nombre, qEnvironmentVariable("TQ614_PG_BASE"), s);
        const QString cambio = u"UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = Gcc_Descripcion || '.'"_s;
        const QString columnas = u"(His_Tabla, His_Operacion, His_Clave, His_Operador, His_Usuario_Base, His_Fecha)"_s;
        const std::pair<QString, bool> intentos[] = {
            // statement, whether the server runs it
            {u"CREATE TEMP TABLE Kes_Historial (LIKE %1.Kes_Historial INCLUDING ALL)"_s.arg(s), true},
            {cambio, true},
            {u"CREATE TABLE public.Kes_Historial (His_Id INTEGER)"_s, false},
            {u"INSERT INTO %1.Kes_Historial %2 VALUES ('Grupo_Cuenta_Contable', 'BAJA', 'A', 'jefe', 'jefe', "
             "'2020-01-01 00:00:00')"_s.arg(s, columnas),
             false},
            {u"UPDATE %1.Kes_Historial SET His_Operador = 'jefe'"_s.arg(s), false},
            {u"DELETE FROM %1.Kes_Historial"_s.arg(s), false},
            {u"TRUNCATE %1.Kes_Historial"_s.arg(s), false},
            {u"SET kes.operador = 'jefe'"_s, true},
            {u"SET TimeZone = 'Pacific/Kiritimati'"_s, true},
            {cambio, true},
            {u"ALTER TABLE %1.Grupo_Cuenta_Contable DISABLE TRIGGER gcc_historial"_s.arg(s), false},
            {u"DROP TRIGGER gcc_historial ON %1.Grupo_Cuenta_Contable"_s.arg(s), false},
            {u"SET session_replication_role = replica"_s, false},
            {u"CREATE TABLE %1.Otra (x INTEGER)"_s.arg(s), false},
            {u"CREATE FUNCTION %1.gcc_historial_turno() RETURNS INTEGER LANGUAGE sql AS 'SELECT 1'"_s.arg(s), false},
            {u"GRANT tq614_edicion TO PUBLIC"_s, false},
            {cambio, true},
        };
        for (const auto& [sql, corre] : intentos) {
            const QString error = ejecutar(hostil.get(), sql);
            QVERIFY2(error.isEmpty() == corre, qPrintable(sql + u": "_s + error));
        }
        QCOMPARE(ejecutar(hostil.get(), u"SELECT 1 FROM pg_temp.Kes_Historial"_s), QString());
        const std::unique_ptr<PGresult, decltype(&PQclear)> temporal(
            PQexec(hostil.get(), "SELECT COUNT(*) FROM pg_temp.Kes_Historial"), &PQclear);
        QCOMPARE(PQgetvalue(temporal.get(), 0, 0), "0");
        // The three changes, each the editor's at the server's time, and the alta before them.
        const QList<Historial::Cambio> cambios = Historial::Leer(*base.Conexion(), {});
        QCOMPARE(cambios.size(), 4);
        for (const Historial::Cambio& c : cambios.mid(0, 3)) {
            QCOMPARE(c.operador + u' ' + c.usuarioBase, editor.nombre + u' ' + editor.nombre);
            const QDateTime cuando = QDateTime::fromString(c.fecha, u"yyyy-MM-dd HH:mm:ss"_s);
            QVERIFY2(qAbs(cuando.secsTo(QDateTime::currentDateTime())) < 120, qPrintable(c.fecha));
        }
        QCOMPARE(base.Fila(u"A"_s, u"Gcc_Descripcion"_s), u"Activo..."_s);
        QVERIFY(VerificacionHistorial::Verificar(*base.Conexion(), Sesion::Configuracion::PostgreSQL).integro);
    }

    // What the owner (or whoever holds the file) does behind the history's back is found, by the
    // program and by the window alike; an untouched history passes.
    void alteracionesDescubiertas_data()
    {
        QTest::addColumn<Motor>("motor");
        QTest::addColumn<QString>("alteracion");
        QTest::addColumn<QString>("hallazgo");
        const QString segundo = u"(SELECT MIN(His_Id) + 1 FROM Kes_Historial)"_s;
        const QString cambio = u"UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'a escondidas' "
                               "WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'B'"_s;
        for (const Motor motor : {Motor::SQLite, Motor::PostgreSQL}) {
            const QByteArray m = BaseDePrueba::NombreMotor(motor).toLatin1();
            const QString sinDisparador = motor == Motor::PostgreSQL
                                              ? u"ALTER TABLE Grupo_Cuenta_Contable DISABLE TRIGGER gcc_historial; "_s
                                                    + cambio
                                                    + u"; ALTER TABLE Grupo_Cuenta_Contable ENABLE TRIGGER "
                                                      "gcc_historial"_s
                                              : u"DROP TRIGGER Gcc_Historial_Cambio; "_s + cambio;
            QTest::newRow(m + " intacto") << motor << QString() << u"Historial íntegro: 3 cambios"_s;
            QTest::newRow(m + " editado")
                << motor << u"UPDATE Kes_Historial SET His_Operador = 'otro' WHERE His_Id = "_s + segundo
                << u"su sello no corresponde"_s;
            QTest::newRow(m + " borrado")
                << motor << u"DELETE FROM Kes_Historial WHERE His_Id = "_s + segundo << u"su sello no corresponde"_s;
            // A base from before the seals: its groups get a sealed starting point when upgraded.
            QTest::newRow(m + " anterior a los sellos")
                << motor << u"DELETE FROM Kes_Historial; UPDATE Kes_Version SET Ver_Numero = 4"_s
                << u"Historial íntegro: 2 cambios"_s;
            QTest::newRow(m + " sin disparador")
                << motor << sinDisparador << u"el grupo B no es como lo dejó su último cambio"_s;
        }
    }
    void alteracionesDescubiertas()
    {
        QFETCH(Motor, motor);
        QFETCH(QString, alteracion);
        QFETCH(QString, hallazgo);
        REQUIERE_MOTOR(motor);
        BaseDePrueba base(motor);
        base.InsertarGrupos({u"A|Activo"_s, u"B|Caja||A|2"_s});
        base.Ejecutar(
            u"UPDATE Grupo_Cuenta_Contable SET Gcc_Codigo = '1.1' WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'B'"_s);
        Sesion::Cerrar();
        if (!alteracion.isEmpty())
            base.EjecutarAparte(alteracion);
        base.LimpiarMensajes();
        const bool anterior = alteracion.contains(u"Ver_Numero"_s);
        if (anterior)
            QCOMPARE(std::get<0>(conElPrograma(base, u"--preparar-servidor"_s)), 0);
        const auto [salida, veredicto, errores] = conElPrograma(base);
        QVERIFY2(veredicto.contains(hallazgo), qPrintable(veredicto));
        QCOMPARE(salida, alteracion.isEmpty() || anterior ? 0 : 1);
        // A SQLite file gets its dropped trigger again when opened, and says so; the window agrees.
        const bool restaurado = alteracion.startsWith(u"DROP TRIGGER"_s);
        QCOMPARE(errores.contains(u"Faltaban disparadores del historial de cambios (Gcc_Historial_Cambio)"_s),
                 restaurado);
        VentanaHistorial ventana;
        ventana.VerificarIntegridad();
        QCOMPARE(ventana.findChild<QLabel*>(u"lblVeredicto"_s)->text(), veredicto);
        if (restaurado) {
            base.Ejecutar(
                u"UPDATE Grupo_Cuenta_Contable SET Gcc_Nivel = 3 WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'A'"_s);
            QCOMPARE(base.ContarFilas(u"Kes_Historial"_s), 4);
        }
    }
};

QTEST_MAIN(tst_Permisos)
#include "tst_Permisos.moc"
