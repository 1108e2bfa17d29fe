#include "RecordsetKes.h"

ErrorEjecucion RecordsetKes::CampoDesconocido(const QString& columna)
{
    return ErrorEjecucion(QStringLiteral("No se encontró el campo \"%1\" en el resultado de la consulta").arg(columna),
                          QStringLiteral("3265"));
}

ErrorEjecucion RecordsetKes::SinRegistroActual(const QString& columna)
{
    return ErrorEjecucion(QStringLiteral("No hay un registro actual: el recordset está al principio o al final (BOF "
                                         "o EOF), no se puede leer el campo \"%1\"").arg(columna),
                          QStringLiteral("3021"));
}

ErrorEjecucion RecordsetKes::YaAlFinal()
{
    return ErrorEjecucion(QStringLiteral("No hay un registro actual: el recordset ya está al final (EOF)"),
                          QStringLiteral("3021"));
}

ErrorEjecucion RecordsetKes::Cerrado()
{
    return ErrorEjecucion(QStringLiteral("La operación no se permite: el recordset está cerrado"),
                          QStringLiteral("3704"));
}
