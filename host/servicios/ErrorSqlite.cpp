#include "ErrorSqlite.h"

#include <sqlite3.h>

namespace {

QString descripcionEnEspanol(int extendido, const QString& mensaje)
{
    switch (extendido) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY: {
        // "UNIQUE constraint failed: Tabla.Columna"
        const QString donde = mensaje.section(QLatin1Char(':'), 1).trimmed().section(QLatin1Char('.'), 0, 0);
        return QStringLiteral("Ya existe un registro con la misma clave en la tabla %1").arg(donde);
    }
    case SQLITE_CONSTRAINT_NOTNULL:
        return QStringLiteral("Falta un valor obligatorio: %1").arg(mensaje.section(QLatin1Char(':'), 1).trimmed());
    case SQLITE_CONSTRAINT_CHECK:
        return QStringLiteral("Un valor no es válido para la base de datos (regla %1); revise que no sea más largo "
                              "de lo permitido")
            .arg(mensaje.section(QLatin1Char(':'), 1).trimmed());
    default:
        break;
    }
    switch (extendido & 0xff) {
    case SQLITE_BUSY:
        return QStringLiteral("La base de datos está ocupada: otro usuario tiene un cambio en curso. Intente de "
                              "nuevo en unos momentos");
    case SQLITE_LOCKED:
        return QStringLiteral("La tabla está bloqueada por otra operación en curso");
    case SQLITE_NOMEM:
        return QStringLiteral("No hay memoria suficiente para completar la operación");
    case SQLITE_READONLY:
        return QStringLiteral("La base de datos es de solo lectura: no se pueden guardar cambios");
    case SQLITE_IOERR:
        return QStringLiteral("Error de lectura o escritura en el archivo de la base de datos");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("El archivo de la base de datos está dañado o no es una base de datos");
    case SQLITE_FULL:
        return QStringLiteral("El disco está lleno: no se pudo guardar el cambio");
    case SQLITE_CANTOPEN:
        return QStringLiteral("No se pudo abrir el archivo de la base de datos");
    case SQLITE_CONSTRAINT:
        return QStringLiteral("El cambio viola una regla de integridad de la base de datos");
    case SQLITE_ERROR:
        return QStringLiteral("Error en la sentencia SQL");
    default:
        return QStringLiteral("Error de la base de datos");
    }
}

}  // namespace

ErrorEjecucion ErrorSqlite(sqlite3* db, int codigo)
{
    const int extendido = db ? sqlite3_extended_errcode(db) : codigo;
    const QString mensaje = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(codigo));
    return ErrorEjecucion(QStringLiteral("%1 (%2)").arg(descripcionEnEspanol(extendido, mensaje), mensaje),
                          QString::number(codigo & 0xff));
}
