#pragma once

#include "AlmacenFilas.h"
#include "RecordsetKes.h"

#include <QVariant>
#include <memory>

// A result held whole in memory: the rows are copied when the statement runs into a compact
// AlmacenFilas; the column names are shared with every other result of the same statement.
class RecordsetEnMemoria final : public RecordsetDeFilas
{
public:
    RecordsetEnMemoria(std::shared_ptr<const ColumnasRecordset> columnas, AlmacenFilas filas);
    // The result of a statement that returns no rows.
    static std::unique_ptr<Recordset> Vacio();

protected:
    QVariant Valor(qsizetype fila, int columna) const override { return m_almacen.Valor(fila, columna); }
    void Liberar() override { m_almacen.Liberar(); }

private:
    AlmacenFilas m_almacen;
};
