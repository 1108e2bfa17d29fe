#include "HistorialSqlite.h"

#include "Ado.h"
#include "Esquema.h"

#include <QCryptographicHash>

namespace HistorialSqlite {

namespace {

const char* const kDisparadores[] = {"Gcc_Historial_Alta", "Gcc_Historial_Cambio", "Gcc_Historial_Baja"};

// The history's triggers of a SQLite file that are missing (someone dropped them).
QStringList faltantes(Connection& conexion)
{
    QStringList faltan;
    for (const char* nombre : kDisparadores) {
        if (conexion
                .Execute(QStringLiteral("SELECT 1 AS Hay FROM sqlite_master WHERE type = 'trigger' AND name = ?"),
                         QVariantList{QLatin1String(nombre)})
                ->Eof())
            faltan << QLatin1String(nombre);
    }
    return faltan;
}

}  // namespace

// The change history of the catalogue on SQLite, written by the database itself in the
// transaction of each change, whoever makes it: every column before and after as a JSON
// object, the operator, the login and the time in UTC, sealed to the row before it
// (kes_sello, see Esquema::Sello). Key changes are told apart from other updates; the key is kept
// before and after. PostgreSQL's is EsquemaServidor::HistorialSellado.
QStringList Disparadores(Connection& conexion)
{
    const QString fecha = QStringLiteral("strftime('%Y-%m-%d %H:%M:%SZ', 'now')");
    const auto disparador = [&](const char* nombre, const char* cuando, const QString& operacion, const QString& clave,
                                const QString& anterior, const QString& antes, const QString& despues) {
        const QString campos = QStringList{QStringLiteral("'Grupo_Cuenta_Contable'"),
                                           operacion,
                                           clave,
                                           anterior,
                                           antes,
                                           despues,
                                           QStringLiteral("kes_operador()"),
                                           QStringLiteral("kes_usuario_base()"),
                                           fecha}
                                   .join(QStringLiteral(", "));
        return QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1 AFTER %2 ON Grupo_Cuenta_Contable BEGIN"
                              " INSERT INTO Kes_Historial (His_Tabla, His_Operacion, His_Clave, His_Clave_Anterior,"
                              " His_Antes, His_Despues, His_Operador, His_Usuario_Base, His_Fecha, His_Sello)"
                              " VALUES (%3, kes_sello((SELECT His_Sello FROM Kes_Historial"
                              " ORDER BY His_Id DESC LIMIT 1), %3)); END")
            .arg(QLatin1String(nombre), QLatin1String(cuando), campos);
    };
    const QString nueva = QStringLiteral("NEW.Gcc_Cve_Grupo_Cuenta_Contable"),
                  vieja = QStringLiteral("OLD.Gcc_Cve_Grupo_Cuenta_Contable"), nulo = QStringLiteral("NULL");
    return {
        disparador(kDisparadores[0], "INSERT", QStringLiteral("'ALTA'"), nueva, nulo, nulo,
                   Esquema::FilaComoJson(conexion, Sesion::Configuracion::SQLite, QStringLiteral("NEW"))),
        disparador(kDisparadores[1], "UPDATE",
                   QStringLiteral("CASE WHEN %1 IS %2 THEN 'CAMBIO' ELSE 'CLAVE' END").arg(nueva, vieja), nueva, vieja,
                   Esquema::FilaComoJson(conexion, Sesion::Configuracion::SQLite, QStringLiteral("OLD")),
                   Esquema::FilaComoJson(conexion, Sesion::Configuracion::SQLite, QStringLiteral("NEW"))),
        disparador(kDisparadores[2], "DELETE", QStringLiteral("'BAJA'"), vieja, vieja,
                   Esquema::FilaComoJson(conexion, Sesion::Configuracion::SQLite, QStringLiteral("OLD")), nulo),
    };
}

QStringList Borrar()
{
    QStringList sentencias;
    for (const char* nombre : kDisparadores)
        sentencias << QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(QLatin1String(nombre));
    return sentencias;
}

QString Restaurar(Connection& conexion)
{
    const QStringList faltan = faltantes(conexion);
    if (faltan.isEmpty())
        return {};
    for (const QString& sentencia : Disparadores(conexion))
        conexion.Execute(sentencia);
    return QStringLiteral("Faltaban disparadores del historial de cambios (%1) y se volvieron a crear. Los cambios "
                          "hechos mientras faltaban no están en el historial: verifíquelo con "
                          "tq614-host --verificar-historial.")
        .arg(faltan.join(QStringLiteral(", ")));
}

}  // namespace HistorialSqlite

namespace Esquema {

QString FilaComoJson(Connection& conexion, Sesion::Configuracion::Motor motor, const QString& alias)
{
    if (motor == Sesion::Configuracion::PostgreSQL)
        return QStringLiteral("row_to_json(%1)::text").arg(alias);
    // The columns the table has, those of other origins included.
    QStringList pares;
    for (auto rs = conexion.Execute(QStringLiteral("SELECT name FROM pragma_table_info('Grupo_Cuenta_Contable')"));
         !rs->Eof(); rs->MoveNext())
        // JSON holds no bytes: they are written in hex, as PostgreSQL writes them.
        pares << QStringLiteral("'%1', CASE WHEN typeof(%2.%1) = 'blob' THEN '\\x' || hex(%2.%1) ELSE %2.%1 END")
                     .arg(rs->Fields(QStringLiteral("name")).toString(), alias);
    return QStringLiteral("json_object(%1)").arg(pares.join(QStringLiteral(", ")));
}

QString Sello(const QString& anterior, const QVariantList& campos)
{
    QByteArray texto = anterior.toUtf8() + '|';
    for (const QVariant& campo : campos) {
        if (campo.isNull()) {
            texto += '-';
            continue;
        }
        const QByteArray utf8 = campo.toString().toUtf8();
        texto += QByteArray::number(utf8.size()) + ':' + utf8;
    }
    return QString::fromLatin1(QCryptographicHash::hash(texto, QCryptographicHash::Sha256).toHex());
}

}  // namespace Esquema
