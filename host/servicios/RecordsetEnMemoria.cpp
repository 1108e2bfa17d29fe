#include "RecordsetEnMemoria.h"

RecordsetEnMemoria::RecordsetEnMemoria(std::shared_ptr<const ColumnasRecordset> columnas, AlmacenFilas filas)
    : RecordsetDeFilas(std::move(columnas), filas.Filas())
    , m_almacen(std::move(filas))
{}

std::unique_ptr<Recordset> RecordsetEnMemoria::Vacio()
{
    static const auto sinColumnas = std::make_shared<const ColumnasRecordset>(QStringList());
    return std::make_unique<RecordsetEnMemoria>(sinColumnas, AlmacenFilas());
}
