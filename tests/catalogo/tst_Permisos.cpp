// Who may change the catalogue on a server, and whether its history can be trusted: the owner prepares the database,
// people get access through the two group roles, the history is written and sealed by the database alone, and its
// verification finds what was tampered with.

#include "AccesoDatosKes.h"
#include "Archivos.h"
#include "BaseDePrueba.h"
#include "CatalogoCsv.h"
#include "ConexionPostgres.h"
#include "Historial.h"
#include "LoginDePrueba.h"
#include "PantallaDePrueba.h"
#include "UtileriasKes.h"
#include "VentanaHistorial.h"
#include "VerificacionHistorial.h"

#include <QLabel>
#include <QProcess>
#include <QtTest/QtTest>

using namespace Qt::StringLiterals;
using Motor = BaseDePrueba::Motor;

namespace {

// What a refused change must leave as it was, read by the owner: every group, the change log's and the history's sizes.
QString estadoComoDueno(const BaseDePrueba& base)
{
    return SesionPorSocket(qEnvironmentVariable("TQ614_PG_USUARIO"), base.Esquema())
        .Valor(u"SELECT (SELECT string_agg(row_to_json(g)::text, ';' ORDER BY 1) FROM Grupo_Cuenta_Contable g)"
               " || (SELECT COUNT(*) FROM Kes_Bitacora) || '|' || (SELECT COUNT(*) FROM Kes_Historial)"_s);
}

// Group D imported from a CSV file written at `archivo`.
bool importarD(const QString& archivo)
{
    CatalogoCsv::Importacion importacion;
    UtileriasKes utilerias(std::make_unique<AccesoDatosKes>());
    return importacion.Revisar(EscribirArchivo(archivo, "Gcc_Cve_Grupo_Cuenta_Contable,Gcc_Descripcion,Gcc_Codigo,"
                                                        "Gcc_Padre,Gcc_Nivel\nD,Clientes,1.3,A,2\n"),
                               *Sesion::Conexion())
           && importacion.Escribir(*Sesion::Conexion(), utilerias);
}

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
            const Sesion::Configuracion& c = base.Configuracion();
            const QString ini =
                u"[BaseDeDatos]\nMotor=postgresql\nServidor=%1\nPuerto=%2\nBase=%3\nUsuario=%4\nEsquema=%5\n"_s.arg(
                    c.servidor, QString::number(c.puerto), c.base, c.usuario, c.esquema);
            argumentos << u"--config"_s << EscribirArchivo(m_carpeta.filePath(u"servidor.ini"_s), ini.toUtf8());
        }
        QProcess programa;
        programa.start(TQ614_HOST, argumentos);
        if (!programa.waitForFinished(60000))
            return {-1, u"sin respuesta"_s, QString()};
        return {programa.exitCode(), QString::fromUtf8(programa.readAllStandardOutput()).section(u'\n', 0, 0),
                QString::fromUtf8(programa.readAllStandardError())};
    }

private slots:
    // A reader opens and reads; a change is refused with the reason and nothing changes; a login with neither role
    // does not get in. The editor's changes, through the screen and the import, are its login's at the server's time.
    // A hostile editor, statement by statement: the server refuses, or the real history stays right.
    void lectorYEditor()
    {
        REQUIERE_MOTOR(Motor::PostgreSQL);
        BaseDePrueba base(Motor::PostgreSQL);
        base.InsertarGrupos({u"A|Activo"_s, u"B|Caja||A|2"_s});
        const QString antes = estadoComoDueno(base);
        const LoginDePrueba lector(u"GRANT tq614_lectura TO %1"_s);
        lector.Usar(base);
        QVERIFY(Sesion::MotivoSoloLectura().contains(lector.Nombre()));
        const QString falta = u"GRANT tq614_edicion TO "_s + lector.Nombre();
        {
            // The server's refusal through one command; every command reports a refusal and keeps all as it was in
            // tst_Fallas::cambioRechazado, and meets a session that may not write in tst_Replica.
            PantallaDePrueba pantalla(base);
            QVERIFY(pantalla.Nodo(u"B"_s) && Historial::Leer(*Sesion::Conexion(), {}).size() == 2);
            QCOMPARE(CatalogoCsv::Exportar(*Sesion::Conexion(), m_carpeta.filePath(u"copia.csv"_s), ',', nullptr), 2);
            base.LimpiarMensajes();
            QVERIFY(pantalla.Eliminar(u"B"_s));
            QVERIFY2(base.Mensajes().size() == 1 && base.MensajesEnTexto()[0].contains(falta),
                     qPrintable(base.MensajesEnTexto().join(u"\n"_s)));
            QVERIFY(!Sesion::Conexion()->EnTransaccion() && pantalla.Nodo(u"B"_s));
        }
        QVERIFY(!importarD(m_carpeta.filePath(u"lector.csv"_s)));
        QCOMPARE(estadoComoDueno(base), antes);

        const LoginDePrueba extrano;
        extrano.Usar(base);
        QCOMPARE(ErrorDe([] { Sesion::Conexion(); }),
                 u"42501 "_s + ConexionPostgres::SinPermiso(extrano.Nombre(), true));

        const LoginDePrueba editor(u"GRANT tq614_edicion TO %1"_s);
        editor.Usar(base);
        QVERIFY(Sesion::MotivoSoloLectura().isEmpty());
        QCOMPARE(Sesion::Operador(), editor.Nombre());
        QVERIFY(PantallaDePrueba(base).Nuevo(u"A"_s, u"C"_s, u"Bancos"_s, u"1.2"_s));
        QVERIFY(importarD(m_carpeta.filePath(u"editor.csv"_s)));
        QCOMPARE(base.Claves(), (QStringList{u"A"_s, u"B"_s, u"C"_s, u"D"_s}));
        QCOMPARE(base.Fila(u"C"_s, u"Oper_Alta"_s), editor.Nombre());

        const QString s = base.Esquema();
        SesionPorSocket hostil(editor.Nombre(), s);
        const QString cambio = u"UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = Gcc_Descripcion || '.' "
                               "WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'A'"_s;
        const std::pair<QString, bool> intentos[] = {
            // statement, whether the server runs it
            {u"CREATE TEMP TABLE Kes_Historial (LIKE %1.Kes_Historial INCLUDING ALL)"_s.arg(s), true},
            {cambio, true},
            {u"CREATE TABLE public.Kes_Historial (His_Id INTEGER)"_s, false},
            {u"INSERT INTO %1.Kes_Historial (His_Tabla, His_Operacion, His_Clave, His_Operador, His_Usuario_Base, "
             "His_Fecha) VALUES ('Grupo_Cuenta_Contable', 'BAJA', 'A', 'jefe', 'jefe', '2020-01-01 00:00:00')"_s.arg(s),
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
            const QString error = hostil.Ejecutar(sql);
            QVERIFY2(error.isEmpty() == corre, qPrintable(sql + u": "_s + error));
        }
        QCOMPARE(hostil.Valor(u"SELECT COUNT(*) FROM pg_temp.Kes_Historial"_s), u"0"_s);
        // Every change since the two altas, each the editor's at the server's time.
        const QList<Historial::Cambio> cambios = Historial::Leer(*Sesion::Conexion(), {});
        QCOMPARE(cambios.size(), 7);
        for (const Historial::Cambio& cambio : cambios.mid(0, 5)) {
            QCOMPARE(cambio.operador + u' ' + cambio.usuarioBase, editor.Nombre() + u' ' + editor.Nombre());
            const QDateTime cuando = QDateTime::fromString(cambio.fecha, u"yyyy-MM-dd HH:mm:ss"_s);
            QVERIFY2(qAbs(cuando.secsTo(QDateTime::currentDateTime())) < 120, qPrintable(cambio.fecha));
        }
        QCOMPARE(base.Fila(u"A"_s, u"Gcc_Descripcion"_s), u"Activo..."_s);
        QVERIFY(VerificacionHistorial::Verificar(*base.Conexion(), Sesion::Configuracion::PostgreSQL).integro);
    }

    // What the owner (or whoever holds the file) does behind the history's back is found, by the program and by the
    // window alike; an untouched history passes.
    void alteracionesDescubiertas_data()
    {
        QTest::addColumn<Motor>("motor");
        QTest::addColumn<QString>("alteracion");
        QTest::addColumn<QString>("hallazgo");
        const QString segundo = u"(SELECT MIN(His_Id) + 1 FROM Kes_Historial)"_s;
        const QString cambio = u"UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'a escondidas' "
                               "WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'B'"_s;
        for (const Motor motor : {Motor::SQLite, Motor::PostgreSQL}) {
            const QString disparador = u"ALTER TABLE Grupo_Cuenta_Contable %1 TRIGGER gcc_historial"_s;
            const std::tuple<const char*, QString, QString> filas[] = {
                {"intacto", {}, u"Historial íntegro: 3 cambios"_s},
                {"editado", u"UPDATE Kes_Historial SET His_Operador = 'otro' WHERE His_Id = "_s + segundo,
                 u"su sello no corresponde"_s},
                {"borrado", u"DELETE FROM Kes_Historial WHERE His_Id = "_s + segundo, u"su sello no corresponde"_s},
                // A base from before the seals: its groups get a sealed starting point when upgraded.
                {"anterior a los sellos", u"DELETE FROM Kes_Historial; UPDATE Kes_Version SET Ver_Numero = 4"_s,
                 u"Historial íntegro: 2 cambios"_s},
                {"sin disparador",
                 motor == Motor::PostgreSQL
                     ? disparador.arg(u"DISABLE"_s) + u"; "_s + cambio + u"; "_s + disparador.arg(u"ENABLE"_s)
                     : u"DROP TRIGGER Gcc_Historial_Cambio; "_s + cambio,
                 u"el grupo B no es como lo dejó su último cambio"_s}};
            for (const auto& [nombre, alteracion, hallazgo] : filas)
                QTest::addRow("%s %s", qPrintable(BaseDePrueba::NombreMotor(motor)), nombre)
                    << motor << alteracion << hallazgo;
        }
    }
    void alteracionesDescubiertas()
    {
        QFETCH(QString, alteracion);
        QFETCH(QString, hallazgo);
        ABRIR_BASE(motor, base);
        base.InsertarGrupos({u"A|Activo"_s, u"B|Caja||A|2"_s});
        base.Ejecutar(
            u"UPDATE Grupo_Cuenta_Contable SET Gcc_Codigo = '1.1' WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'B'"_s);
        Sesion::Cerrar();
        if (!alteracion.isEmpty())
            base.EjecutarAparte(alteracion);
        const bool anterior = alteracion.contains(u"Ver_Numero"_s);
        if (anterior)  // prepared again by the program, as its owner upgrades it
            QVERIFY(std::get<1>(conElPrograma(base, u"--preparar-servidor"_s)).startsWith(u"Base de datos preparada"));
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
