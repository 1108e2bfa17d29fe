#include "RecordsetKes.h"

ErrorEjecucion RecordsetKes::CampoDesconocido(const QString& columna)
{
    return ErrorEjecucion(QStringLiteral("No se encontró el campo \"%1\" en el resultado de la consulta").arg(columna),
                          QStringLiteral("3265"));
}

ErrorEjecucion RecordsetKes::SinRegistroActual(const QString& columna)
{
    return ErrorEjecucion(QStringLiteral("No hay un registro actual: el recordset está al principio o al final (BOF "
                                         "o EOF), no se puede leer el campo \"%1\"")
                              .arg(columna),
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

RecordsetDeFilas::RecordsetDeFilas(std::shared_ptr<const ColumnasRecordset> columnas, qsizetype filas)
    : m_columnas(std::move(columnas))
    , m_filas(filas)
{}

bool RecordsetDeFilas::Bof() const
{
    exigirAbierto();
    // Only MoveNext moves the cursor, so it is before the first row only when there is none.
    return m_filas == 0;
}

bool RecordsetDeFilas::Eof() const
{
    exigirAbierto();
    return m_actual >= m_filas;
}

void RecordsetDeFilas::MoveNext()
{
    exigirAbierto();
    if (m_actual >= m_filas)
        throw YaAlFinal();
    ++m_actual;
}

void RecordsetDeFilas::Close()
{
    m_cerrado = true;
    Liberar();
}

QVariant RecordsetDeFilas::Fields(const QString& columna) const
{
    exigirAbierto();
    return valor(m_columnas->Indice(columna), columna);
}

QVariant RecordsetDeFilas::Fields(int indice) const
{
    exigirAbierto();
    return valor(indice, QString::number(indice));
}

QVariant RecordsetDeFilas::valor(int indice, const QString& columna) const
{
    if (indice < 0 || indice >= m_columnas->Cantidad())
        throw CampoDesconocido(columna);
    if (m_actual >= m_filas)
        throw SinRegistroActual(columna);
    m_columnas->MarcarLeida(indice);
    return Valor(m_actual, indice);
}

void RecordsetDeFilas::exigirAbierto() const
{
    if (m_cerrado)
        throw Cerrado();
}
