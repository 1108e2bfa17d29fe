#include "RecordsetEnMemoria.h"

#include "ErrorEjecucion.h"

// The codes are ADO's own for the same situations, so a support reader recognises them.
RecordsetEnMemoria::RecordsetEnMemoria(std::shared_ptr<const ColumnasRecordset> columnas, AlmacenFilas filas)
    : m_columnas(std::move(columnas))
    , m_almacen(std::move(filas))
    , m_filas(m_almacen.Filas())
{
}

std::unique_ptr<Recordset> RecordsetEnMemoria::Vacio()
{
    static const auto sinColumnas = std::make_shared<const ColumnasRecordset>(QStringList());
    return std::make_unique<RecordsetEnMemoria>(sinColumnas, AlmacenFilas());
}

bool RecordsetEnMemoria::Bof() const
{
    exigirAbierto();
    // Only MoveNext moves the cursor, so it is before the first row only when there is none.
    return m_filas == 0;
}

bool RecordsetEnMemoria::Eof() const
{
    exigirAbierto();
    return m_actual >= m_filas;
}

void RecordsetEnMemoria::MoveNext()
{
    exigirAbierto();
    if (m_actual >= m_filas)
        throw ErrorEjecucion(QStringLiteral("No hay un registro actual: el recordset ya está al final (EOF)"),
                             QStringLiteral("3021"));
    ++m_actual;
}

void RecordsetEnMemoria::Close()
{
    m_cerrado = true;
    m_almacen.Liberar();
}

QVariant RecordsetEnMemoria::Fields(const QString& columna) const
{
    exigirAbierto();
    const int indice = m_columnas->Indice(columna);
    if (indice < 0)
        throw ErrorEjecucion(QStringLiteral("No se encontró el campo \"%1\" en el resultado de la consulta").arg(columna),
                             QStringLiteral("3265"));
    if (m_actual >= m_filas)
        throw ErrorEjecucion(QStringLiteral("No hay un registro actual: el recordset está al principio o al final "
                                            "(BOF o EOF), no se puede leer el campo \"%1\"").arg(columna),
                             QStringLiteral("3021"));
    return m_almacen.Valor(m_actual, indice);
}

void RecordsetEnMemoria::exigirAbierto() const
{
    if (m_cerrado)
        throw ErrorEjecucion(QStringLiteral("La operación no se permite: el recordset está cerrado"),
                             QStringLiteral("3704"));
}
