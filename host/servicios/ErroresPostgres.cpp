// What the server's errors say to the user: each SQLSTATE in Spanish, with the server's own
// words after it, and a refused right told as what the login lacks.

#include "ConexionPostgres.h"

#include "ErrorEjecucion.h"

#include <libpq-fe.h>

namespace {

QString campo(const PGresult* resultado, int codigo)
{
    return resultado ? QString::fromUtf8(PQresultErrorField(resultado, codigo)) : QString();
}

QString descripcionEnEspanol(const QString& estado, const PGresult* r)
{
    if (estado == QLatin1String("23505"))
        return QStringLiteral("Ya existe un registro con la misma clave en la tabla %1")
            .arg(campo(r, PG_DIAG_TABLE_NAME));
    if (estado == QLatin1String("23502"))
        return QStringLiteral("Falta un valor obligatorio: %1.%2")
            .arg(campo(r, PG_DIAG_TABLE_NAME), campo(r, PG_DIAG_COLUMN_NAME));
    if (estado == QLatin1String("23514"))
        return QStringLiteral("Un valor no es válido para la base de datos (regla %1); revise que no sea más largo "
                              "de lo permitido")
            .arg(campo(r, PG_DIAG_CONSTRAINT_NAME));
    if (estado.startsWith(QLatin1String("23")))
        return QStringLiteral("El cambio viola una regla de integridad de la base de datos");
    if (estado == QLatin1String("22001"))
        return QStringLiteral("Un texto es más largo de lo que admite la columna");
    if (estado.startsWith(QLatin1String("22")))
        return QStringLiteral("Un valor no tiene el formato que espera la base de datos");
    if (estado == QLatin1String("55P03"))
        return QStringLiteral("La base de datos está ocupada: otro usuario tiene bloqueado el registro. Intente de "
                              "nuevo en unos momentos");
    if (estado == QLatin1String("40P01") || estado == QLatin1String("40001"))
        return QStringLiteral("El cambio chocó con el de otro usuario y se deshizo; intente de nuevo");
    if (estado == QLatin1String("25006"))
        return QStringLiteral("La base de datos sólo admite consultas en esta sesión: el cambio no se hizo");
    if (estado == QLatin1String("25P02"))
        return QStringLiteral("La transacción quedó anulada por un error anterior; se debe deshacer");
    if (estado.startsWith(QLatin1String("08")) || estado.startsWith(QLatin1String("57P")))
        return QStringLiteral("Se perdió la conexión con el servidor de la base de datos");
    if (estado.startsWith(QLatin1String("53")))
        return QStringLiteral("El servidor de la base de datos no tiene recursos (disco, memoria o conexiones) "
                              "para completar la operación");
    if (estado.startsWith(QLatin1String("42")))
        return QStringLiteral("Error en la sentencia SQL");
    return QStringLiteral("Error de la base de datos");
}

}  // namespace

QString ConexionPostgres::SinPermiso(const QString& usuario, bool lectura)
{
    const QString rol = lectura ? QStringLiteral("tq614_lectura") : QStringLiteral("tq614_edicion");
    return QStringLiteral("El usuario %1 de la base de datos no tiene permiso para %2 el catálogo (le falta el rol "
                          "%3). Pida al administrador de la base de datos que ejecute: GRANT %3 TO %1")
        .arg(usuario, lectura ? QStringLiteral("consultar") : QStringLiteral("modificar"), rol);
}

ConexionPostgres::Resultado ConexionPostgres::comprobar(PGresult* crudo)
{
    Resultado resultado(crudo, PQclear);
    const ExecStatusType estado = crudo ? PQresultStatus(crudo) : PGRES_FATAL_ERROR;
    if (estado == PGRES_COMMAND_OK || estado == PGRES_TUPLES_OK)
        return resultado;
    QString sqlstate = campo(crudo, PG_DIAG_SQLSTATE);
    QString mensaje = crudo ? campo(crudo, PG_DIAG_MESSAGE_PRIMARY) : QString();
    if (mensaje.isEmpty())
        mensaje = QString::fromUtf8(crudo ? PQresultErrorMessage(crudo) : PQerrorMessage(m_conn)).trimmed();
    if (sqlstate.isEmpty() && PQstatus(m_conn) != CONNECTION_OK)
        sqlstate = QStringLiteral("08006");
    m_ultimoErrorFueDeConexion =
        conexionPerdida() || sqlstate.startsWith(QLatin1String("08")) || sqlstate.startsWith(QLatin1String("57P"));
    if (sqlstate == QLatin1String("42501"))
        throw ErrorEjecucion(SinPermiso(m_identidad.usuario, m_ultimaFueLectura), sqlstate);
    // A standby refuses every change; the user is told why and what to do.
    const QString espanol =
        sqlstate == QLatin1String("25006") && EnReserva()
            ? QStringLiteral("El catálogo está abierto sólo para consulta: el servidor principal no responde y el de "
                             "reserva no admite cambios. El cambio no se hizo; repítalo cuando vuelva el principal")
            : descripcionEnEspanol(sqlstate, crudo);
    QString descripcion = QStringLiteral("%1 (%2)").arg(espanol, mensaje);
    const QString detalle = campo(crudo, PG_DIAG_MESSAGE_DETAIL);
    if (!detalle.isEmpty())
        descripcion += QLatin1Char(' ') + detalle;
    throw ErrorEjecucion(descripcion, sqlstate);
}
