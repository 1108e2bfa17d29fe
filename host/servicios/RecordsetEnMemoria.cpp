#include "RecordsetEnMemoria.h"

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
        throw YaAlFinal();
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
    return valor(m_columnas->Indice(columna), columna);
}

QVariant RecordsetEnMemoria::Fields(int indice) const
{
    exigirAbierto();
    return valor(indice, QString::number(indice));
}

QVariant RecordsetEnMemoria::valor(int indice, const QString& columna) const
{
    if (indice < 0 || indice >= m_columnas->Cantidad())
        throw CampoDesconocido(columna);
    if (m_actual >= m_filas)
        throw SinRegistroActual(columna);
    return m_almacen.Valor(m_actual, indice);
}

void RecordsetEnMemoria::exigirAbierto() const
{
    if (m_cerrado)
        throw Cerrado();
}
